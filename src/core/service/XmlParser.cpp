#include "service/XmlParser.h"

namespace orvo {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Names end at white space and at every character the markup itself uses.
bool IsNameChar(char c) {
    switch (c) {
    case '<':
    case '>':
    case '/':
    case '=':
    case '?':
    case '!':
    case '"':
    case '\'':
    case '&':
        return false;
    default:
        return !IsSpace(c);
    }
}

std::string_view Trim(std::string_view text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsSpace(text[first]))
        ++first;
    while (last > first && IsSpace(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

} // namespace

XmlParseResult XmlParser::Parse(std::string_view text) {
    XmlParser parser(text);
    parser.m_result.document = XmlNode::Create();
    parser.m_open.push_back(parser.m_result.document);
    if (!parser.Run())
        parser.m_result.document = XmlNode();
    return std::move(parser.m_result);
}

bool XmlParser::Fail(XmlError code) {
    m_result.code = code;
    return false;
}

void XmlParser::Warn(XmlError code) {
    if (m_result.code == XML_NO_ERROR)
        m_result.code = code;
}

bool XmlParser::StartsWith(std::string_view prefix) const {
    return m_text.size() - m_pos >= prefix.size() && m_text.compare(m_pos, prefix.size(), prefix) == 0;
}

void XmlParser::SkipSpace() {
    while (m_pos < m_text.size() && IsSpace(m_text[m_pos]))
        ++m_pos;
}

std::string_view XmlParser::ReadName() {
    const size_t start = m_pos;
    while (m_pos < m_text.size() && IsNameChar(m_text[m_pos]))
        ++m_pos;
    return m_text.substr(start, m_pos - start);
}

bool XmlParser::Run() {
    while (m_pos < m_text.size()) {
        bool ok;
        if (m_text[m_pos] != '<') {
            ok = ReadText();
        } else {
            m_result.anyTag = true;
            if (StartsWith("<!--"))
                ok = ReadClearTag("<!--", "-->", false);
            else if (StartsWith("<![CDATA["))
                ok = ReadClearTag("<![CDATA[", "]]>", true);
            else if (StartsWith("<!DOCTYPE"))
                ok = SkipDoctype();
            else if (StartsWith("<!"))
                ok = Fail(XML_UNEXPECTED_TOKEN);
            else if (StartsWith("<?"))
                ok = ReadDeclaration();
            else if (StartsWith("</"))
                ok = ReadEndTag();
            else
                ok = ReadStartTag();
        }
        if (!ok)
            return false;
    }
    if (m_open.size() > 1)
        Warn(XML_MISSING_END_TAG); // elements left open at the end are closed there
    return true;
}

bool XmlParser::ReadText() {
    size_t end = m_text.find('<', m_pos);
    if (end == std::string_view::npos)
        end = m_text.size();
    const std::string_view raw = Trim(m_text.substr(m_pos, end - m_pos));
    m_pos = end;
    if (raw.empty())
        return true;
    std::string text;
    if (!Decode(raw, text))
        return false;
    m_open.back().AddText(std::move(text));
    return true;
}

bool XmlParser::ReadClearTag(std::string_view open, std::string_view close, bool keepAsText) {
    const size_t start = m_pos + open.size();
    const size_t end = m_text.find(close, start);
    if (end == std::string_view::npos)
        return Fail(XML_UNMATCHED_CLEAR_TAG_END);
    if (keepAsText && end > start)
        m_open.back().AddText(std::string(m_text.substr(start, end - start)));
    m_pos = end + close.size();
    return true;
}

bool XmlParser::SkipDoctype() {
    // Up to the '>' that closes it: not one inside quotes or the internal subset's brackets.
    char quote = 0;
    size_t depth = 0;
    for (size_t i = m_pos + 9; i < m_text.size(); ++i) {
        const char c = m_text[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '[') {
            ++depth;
        } else if (c == ']') {
            if (depth > 0)
                --depth;
        } else if (c == '>' && depth == 0) {
            m_pos = i + 1;
            return true;
        }
    }
    return Fail(XML_UNMATCHED_CLEAR_TAG_END);
}

bool XmlParser::ReadDeclaration() {
    m_pos += 2;
    const std::string_view name = ReadName();
    if (name.empty())
        return Fail(XML_MISSING_TAG_NAME);
    XmlNode node = m_open.back().AddChild(std::string(name), true);
    return ReadAttributes(node, true, nullptr);
}

bool XmlParser::ReadStartTag() {
    m_pos += 1;
    const std::string_view name = ReadName();
    if (name.empty())
        return Fail(XML_MISSING_TAG_NAME);
    m_result.anyElement = true;
    XmlNode node = m_open.back().AddChild(std::string(name));
    bool selfClosed = false;
    if (!ReadAttributes(node, false, &selfClosed))
        return false;
    if (!selfClosed)
        m_open.push_back(std::move(node));
    return true;
}

bool XmlParser::ReadEndTag() {
    m_pos += 2;
    const std::string_view name = ReadName();
    if (name.empty())
        return Fail(XML_MISSING_END_TAG_NAME);
    SkipSpace();
    if (m_pos >= m_text.size() || m_text[m_pos] != '>')
        return Fail(XML_UNEXPECTED_TOKEN);
    ++m_pos;
    // The innermost open element of that name; elements opened inside it lost their end tags.
    for (size_t k = m_open.size(); k-- > 1;) {
        if (XmlNamesEqual(m_open[k].Name(), name)) {
            if (k != m_open.size() - 1)
                Warn(XML_MISSING_END_TAG);
            m_open.resize(k);
            return true;
        }
    }
    return Fail(XML_UNMATCHED_END_TAG);
}

bool XmlParser::ReadAttributes(XmlNode& node, bool declaration, bool* selfClosed) {
    // A declaration is a clear tag: running off the end is an unmatched clear tag end.
    const XmlError atEnd = declaration ? XML_UNMATCHED_CLEAR_TAG_END : XML_UNEXPECTED_TOKEN;
    for (;;) {
        SkipSpace();
        if (m_pos >= m_text.size())
            return Fail(atEnd);
        if (declaration) {
            if (StartsWith("?>")) {
                m_pos += 2;
                return true;
            }
        } else if (m_text[m_pos] == '>') {
            ++m_pos;
            *selfClosed = false;
            return true;
        } else if (StartsWith("/>")) {
            m_pos += 2;
            *selfClosed = true;
            return true;
        }
        const std::string_view name = ReadName();
        if (name.empty())
            return Fail(m_pos >= m_text.size() ? atEnd : XML_UNEXPECTED_TOKEN);
        SkipSpace();
        if (m_pos >= m_text.size())
            return Fail(atEnd);
        if (m_text[m_pos] != '=')
            return Fail(XML_UNEXPECTED_TOKEN); // an attribute needs a value
        ++m_pos;
        SkipSpace();
        if (m_pos >= m_text.size())
            return Fail(atEnd);
        const char quote = m_text[m_pos];
        if (quote != '"' && quote != '\'')
            return Fail(XML_UNEXPECTED_TOKEN);
        const size_t end = m_text.find(quote, m_pos + 1);
        if (end == std::string_view::npos)
            return Fail(atEnd);
        std::string value;
        if (!Decode(m_text.substr(m_pos + 1, end - m_pos - 1), value))
            return false;
        m_pos = end + 1;
        node.AddAttribute(std::string(name), std::move(value));
    }
}

bool XmlParser::Decode(std::string_view raw, std::string& out) {
    static constexpr struct {
        std::string_view entity;
        char character;
    } kEntities[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    out.reserve(raw.size());
    size_t i = 0;
    while (i < raw.size()) {
        const size_t amp = raw.find('&', i);
        if (amp == std::string_view::npos) {
            out.append(raw.substr(i));
            break;
        }
        out.append(raw.substr(i, amp - i));
        bool known = false;
        for (const auto& e : kEntities) {
            if (raw.compare(amp, e.entity.size(), e.entity) == 0) {
                out += e.character;
                i = amp + e.entity.size();
                known = true;
                break;
            }
        }
        if (!known)
            return Fail(XML_UNKNOWN_ENTITY);
    }
    return true;
}

} // namespace orvo
