#include "service/XmlReader.h"

#include "platform/ReadFile.h"
#include "service/Utf16Text.h"
#include "service/XmlParser.h"

namespace orvo {

bool XmlReader::ToText(std::string_view fileBytes, std::string& text) const {
    text.clear();
    if (m_settings.guessUtf16) {
        size_t bom = 0;
        const Utf16Order order = DetectUtf16(fileBytes, &bom);
        if (order != Utf16Order::None)
            return ConvertUtf16(fileBytes.substr(bom), order, m_settings.encoding, text);
    }
    if (fileBytes.substr(0, 3) == "\xEF\xBB\xBF")
        fileBytes.remove_prefix(3);
    // The text ends where a C string of it would: at its first zero byte.
    const size_t zero = fileBytes.find('\0');
    text.assign(fileBytes.substr(0, zero));
    return true;
}

XmlNode XmlReader::OpenFile(const std::string& path, std::string_view topName, XmlError* code) const {
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) {
        *code = XML_FILE_NOT_FOUND;
        return {};
    }
    return Load(bytes, topName, code);
}

XmlNode XmlReader::Load(std::string_view fileBytes, std::string_view topName, XmlError* code) const {
    std::string text;
    if (!ToText(fileBytes, text)) {
        *code = XML_CHAR_CONVERSION;
        return {};
    }
    if (text.empty()) {
        *code = XML_EMPTY;
        return {};
    }
    XmlParseResult parsed = XmlParser::Parse(text);
    *code = parsed.code;
    if (parsed.document.IsEmpty())
        return {};
    if (topName.empty())
        return parsed.document;
    int index = 0;
    for (XmlNode top = parsed.document.Child(topName, &index); !top.IsEmpty();
         top = parsed.document.Child(topName, &index)) {
        if (!top.IsDeclaration())
            return top;
    }
    *code = !parsed.anyTag       ? XML_NO_TAG_FOUND
            : !parsed.anyElement ? XML_NO_ELEMENTS
                                 : XML_FIRST_TAG_NOT_FOUND;
    return {};
}

} // namespace orvo
