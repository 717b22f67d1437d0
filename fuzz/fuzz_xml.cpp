// The XML reader on untrusted bytes: a configuration file from anywhere. Whatever it parses must
// write back as text that parses again without error into a tree that writes the same text.
// (The import has a target of its own.)

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "service/Base64.h"
#include "service/XmlParser.h"
#include "service/XmlReader.h"
#include "service/XmlWriter.h"

namespace {

void CheckRoundTrip(const orvo::XmlNode& document, bool formatted) {
    const std::string text = document.CreateText(formatted);
    // Parsed as text: the file loader's byte-order mark sniffing has no part in this.
    const orvo::XmlParseResult again = orvo::XmlParser::Parse(text);
    if (again.document.IsEmpty() || (again.code != orvo::XML_NO_ERROR && !orvo::XmlIsWarning(again.code)))
        __builtin_trap();
    if (!formatted && again.document.CreateText(false) != text)
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
