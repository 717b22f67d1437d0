#include "download/DirectoryEntry.h"

#include "link/Protocol.h"
#include "platform/Format.h"
#include "platform/TimeConversion.h"

namespace orvo {

namespace {

void Add(std::string& out, const std::string& field) {
    out += ',';
    out += field;
}

} // namespace

std::optional<std::string> ShortEntryText(const uint8_t* p, size_t length, const TimeZoneSource& zone,
                                          int64_t now) {
    if (length < SHORT_ENTRY_SIZE)
        return std::nullopt;
    std::string text = FormatUnsigned(MonitorLocalToUtc(GetU32(p + 4), zone, now));
    Add(text, FormatUnsigned(MonitorLocalToUtc(GetU32(p + 8), zone, now)));
    Add(text, FormatSigned(p[0]));
    Add(text, FormatUnsigned(GetU32(p + 12)));
    Add(text, FixedText(p + 16, 8));
    Add(text, FixedText(p + 24, 7));
    Add(text, FixedText(p + 31, 3));
    Add(text, FixedText(p + 34, 32));
    Add(text, FixedText(p + 66, 32));
    Add(text, FormatSigned(p[98]));
    Add(text, FixedText(p + 99, 4));
    Add(text, FixedText(p + 103, 3));
    Add(text, FormatUnsigned(GetU32(p + 108)));
    Add(text, FormatUnsigned(GetU32(p + 112)));
    return text;
}

std::optional<std::string> LongEntryText(const uint8_t* p, size_t length) {
    if (length < LONG_ENTRY_SIZE)
        return std::nullopt;
    std::string text = FormatUnsigned(GetU32(p + 4));
    Add(text, FormatUnsigned(GetU32(p + 8)));
    Add(text, FormatSigned(p[0]));
    Add(text, FormatUnsigned(GetU32(p + 12)));
    for (size_t offset : {16, 48, 80, 112, 144})
        Add(text, FixedText(p + offset, 32));
    Add(text, FormatSigned(p[176]));
    Add(text, FixedText(p + 177, 32));
    Add(text, FormatUnsigned(GetU32(p + 212)));
    Add(text, FixedText(p + 216, 32));
    Add(text, FixedText(p + 248, 32));
    return text;
}

} // namespace orvo
