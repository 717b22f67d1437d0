#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "service/XmlError.h"
#include "service/XmlNode.h"

namespace orvo {

struct XmlParseResult {
    XmlNode document;             // unnamed node holding the top-level nodes; empty after an error
    XmlError code = XML_NO_ERROR; // an error, or the first warning
    bool anyTag = false;          // some markup was seen
    bool anyElement = false;      // some element was seen
};

// Builds a tree from 8-bit text. Elements, attributes, text and declarations (<?name ...?>)
// become nodes; comments and DOCTYPE sections are skipped; a CDATA section becomes a text piece
// as written. Text between tags is trimmed of white space, and white space alone is dropped, so
// that indentation is not read as content. The five predefined entities are decoded in text and
// attribute values; any other '&' is XML_UNKNOWN_ENTITY.
//
// The text is untrusted: every step is bounds-checked, nesting is kept on a list of its own
// (no recursion), and the work is linear in the length of the text.
class XmlParser {
public:
    static XmlParseResult Parse(std::string_view text);

private:
    explicit XmlParser(std::string_view text) : m_text(text) {}

    bool Run();
    bool Fail(XmlError code);
    void Warn(XmlError code);
    bool StartsWith(std::string_view prefix) const;
    void SkipSpace();
    std::string_view ReadName();
    bool ReadText();
    bool ReadClearTag(std::string_view open, std::string_view close, bool keepAsText);
    bool SkipDoctype();
    bool ReadDeclaration();
    bool ReadStartTag();
    bool ReadEndTag();
    // Attributes up to the end of the tag; *selfClosed tells "/>" from ">" (elements only).
    bool ReadAttributes(XmlNode& node, bool declaration, bool* selfClosed);
    bool Decode(std::string_view raw, std::string& out);

    std::string_view m_text;
    size_t m_pos = 0;
    std::vector<XmlNode> m_open; // [0] the document, then the elements not yet closed
    XmlParseResult m_result;
};

} // namespace orvo
