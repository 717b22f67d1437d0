// The XML reader on untrusted bytes: a configuration file from anywhere. Whatever it parses must
// write back as text that parses again without error into the same tree, but for white space in
// texts. (The import has a target of its own.)

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "service/Base64.h"
#include "service/XmlParser.h"
#include "service/XmlReader.h"
#include "service/XmlWriter.h"

namespace {

// A node's text with every piece joined and white space left out: the reader trims text pieces
// (CDATA content too) and drops those of white space alone, as it may.
std::string TextOf(const orvo::XmlNode& node) {
    std::string text;
    for (int i = 0; i < node.TextCount(); ++i)
        text += node.Text(i).value_or("");
    std::erase_if(text, [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
    return text;
}

// Same names, attributes, children and texts, walked without recursion: a deep tree from a file
// must not run the stack out here either.
bool SameTree(const orvo::XmlNode& a, const orvo::XmlNode& b) {
    std::vector<std::pair<orvo::XmlNode, orvo::XmlNode>> pending = {{a, b}};
    while (!pending.empty()) {
        const auto [x, y] = pending.back();
        pending.pop_back();
        if (x.Name() != y.Name() || x.IsDeclaration() != y.IsDeclaration() || TextOf(x) != TextOf(y) ||
            x.AttributeCount() != y.AttributeCount() || x.ChildCount() != y.ChildCount())
            return false;
        for (int i = 0; i < x.AttributeCount(); ++i)
            if (x.AttributeAt(i) != y.AttributeAt(i))
                return false;
        for (int i = 0; i < x.ChildCount(); ++i)
            pending.emplace_back(x.ChildAt(i), y.ChildAt(i));
    }
    return true;
}

void CheckRoundTrip(const orvo::XmlNode& document, bool formatted) {
    const std::string text = document.CreateText(formatted);
    // Parsed as text: the file loader's byte-order mark sniffing has no part in this.
    const orvo::XmlParseResult again = orvo::XmlParser::Parse(text);
    if (again.document.IsEmpty() || (again.code != orvo::XML_NO_ERROR && !orvo::XmlIsWarning(again.code)))
        __builtin_trap();
    if (!SameTree(document, again.document))
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    orvo::XmlError code = orvo::XML_NO_ERROR;
    const orvo::XmlNode document = orvo::XmlReader().Load(bytes, "", &code);
    if (!document.IsEmpty()) {
        CheckRoundTrip(document, true);
        CheckRoundTrip(document, false);
        (void)orvo::XmlWriter().FileBytes(document, nullptr, true);
    }

    orvo::XmlSettings japanese;
    japanese.encoding = orvo::XmlEncoding::ShiftJis;
    (void)orvo::XmlReader(japanese).Load(bytes, "OrvoML", &code);

    (void)orvo::Base64Decode(bytes, &code);
    return 0;
}
