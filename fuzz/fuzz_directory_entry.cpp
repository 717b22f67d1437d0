// The sample directory entries a monitor lists, both layouts, on arbitrary bytes. The entry text
// must say what the monitor holds: the simulated monitor's encoder, written apart from the
// application's decoding, turns the text's fields back into an entry that reads as the same
// text. The entry's mine ID then becomes part of the proposed export file names, which must stay
// names whatever the monitor sent.
//
// Input: byte 0 picks the layout (bit 0), byte 1 the time zone; the rest is the payload.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "SimLayouts.h"
#include "download/DirectoryEntry.h"
#include "link/Protocol.h"
#include "results/CsvExport.h"
#include "results/ExportSource.h"
#include "results/MshaFile.h"

using namespace orvo;
using orvo::fuzz::Field;
using orvo::fuzz::Require;

namespace {

constexpr int64_t kNow = 1'700'000'000;
constexpr size_t kFields = 14;

sim::SimSample SampleOf(const std::string& text) {
    sim::SimSample s;
    s.startUtc = RecordUnsigned(text, 0);
    s.endUtc = RecordUnsigned(text, 1);
    s.index = int(RecordUnsigned(text, 2));
    sim::SimShiftFields& f = s.fields;
    f.wearerId = Field(text, 4);
    f.mineId = Field(text, 5);
    f.contractor = Field(text, 6);
    f.mineName = Field(text, 7);
    f.companyName = Field(text, 8);
    f.sampleType = static_cast<uint8_t>(RecordUnsigned(text, 9));
    f.mmu = Field(text, 10);
    f.occupation = Field(text, 11);
    f.miin = Field(text, 12);
    f.spare = Field(text, 13);
    return s;
}

bool IsName(const std::string& name) {
    return !name.empty() && name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const bool isLong = data[0] & 1;
    const FixedTimeZone zone = fuzz::ZoneFromByte(data[1]);
    const sim::SimZone simZone{zone.OffsetMinutesWest(), zone.DaylightAt(kNow)};
    const uint8_t* payload = data + 2;
    const size_t length = size - 2;

    auto decode = [&](const uint8_t* p, size_t n) {
        return isLong ? LongEntryText(p, n) : ShortEntryText(p, n, zone, kNow);
    };
    const std::optional<std::string> text = decode(payload, length);
    Require(text.has_value() == (length >= (isLong ? LONG_ENTRY_SIZE : SHORT_ENTRY_SIZE)));
    if (!text)
        return 0;

    ExportSource source;
    source.entry = *text;
    source.serialNumber = "ORV1234567";
    Require(IsName(CsvExport::SampleDataName(source)) && IsName(CsvExport::StatusListName(source)) &&
            IsName(MshaFile::ProposedName(source)));

    if (!fuzz::FieldsReadBack(*text, kFields))
        return 0;
    Require(RecordUnsigned(*text, 2) == EntryIndex(payload));
    const uint32_t items = RecordUnsigned(*text, 3);
    const std::vector<uint8_t> again = isLong ? sim::EncodeLongEntry(SampleOf(*text), items)
                                              : sim::EncodeShortEntry(SampleOf(*text), items, simZone);
    Require(decode(again.data(), again.size()) == text);
    return 0;
}
