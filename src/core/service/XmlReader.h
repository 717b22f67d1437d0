#pragma once

#include <string>
#include <string_view>

#include "service/XmlError.h"
#include "service/XmlNode.h"
#include "service/XmlSettings.h"

namespace orvo {

// Loads XML files: reads the bytes, turns 16-bit text into 8-bit text of the settings' encoding,
// skips a UTF-8 byte-order mark, parses, and hands back the top-level element asked for.
class XmlReader {
public:
    explicit XmlReader(XmlSettings settings = {}) : m_settings(settings) {}

    // The first top-level element called `topName` (any letter case), or an empty handle. With
    // an empty `topName` the document node itself, which holds every top-level node. *code is
    // 0, a warning (the element is still delivered), or why there is nothing: XML_FILE_NOT_FOUND,
    // XML_EMPTY, XML_CHAR_CONVERSION, a parse error, XML_NO_TAG_FOUND, XML_NO_ELEMENTS or
    // XML_FIRST_TAG_NOT_FOUND.
    XmlNode OpenFile(const std::string& path, std::string_view topName, XmlError* code) const;

    // The same for the bytes of a file already in memory.
    XmlNode Load(std::string_view fileBytes, std::string_view topName, XmlError* code) const;

    // The file bytes as the parser sees them: converted from 16-bit text, without byte-order
    // mark, ending at the first zero byte. False (XML_CHAR_CONVERSION) when 16-bit text cannot
    // be converted.
    bool ToText(std::string_view fileBytes, std::string& text) const;

private:
    XmlSettings m_settings;
};

} // namespace orvo
