#pragma once

#include <string>

#include "service/XmlError.h"
#include "service/XmlNode.h"
#include "service/XmlSettings.h"

namespace orvo {

// Turns a tree back into text. Formatted output puts every element on a line of its own,
// indented by one tab per level; an element holding only text keeps it on its line.
class XmlWriter {
public:
    explicit XmlWriter(XmlSettings settings = {}) : m_settings(settings) {}

    // The tree alone: no byte-order mark, no declaration beyond the tree's own.
    std::string CreateText(const XmlNode& tree, bool formatted) const;

    // The bytes of a file: with UTF-8 the byte-order mark; the declaration "<?xml version=\"1.0\"
    // encoding=\"...\"?>" unless the tree starts with its own ("utf-8", "SHIFT-JIS", else
    // `encodingName` or "ISO-8859-1"); then the text.
    std::string FileBytes(const XmlNode& tree, const char* encodingName, bool formatted) const;

    // Writes FileBytes through a temporary file beside `path`, so that a failure leaves an
    // existing file as it was. XML_CANNOT_OPEN_WRITE_FILE or XML_CANNOT_WRITE_FILE on failure,
    // with the system's reason in *reason.
    XmlError WriteFile(const XmlNode& tree, const std::string& path, const char* encodingName, bool formatted,
                       std::string* reason = nullptr) const;

private:
    XmlSettings m_settings;
};

// Text and attribute values with the characters that would end them as entities.
std::string XmlEscapeText(const std::string& text);
std::string XmlEscapeAttribute(const std::string& value);

} // namespace orvo
