// The shift program records a monitor answers with, both layouts, on arbitrary bytes. Beyond
// reading nothing outside the payload, the record text must say what the monitor holds: the
// simulated monitor's encoder, written apart from the application's decoding, turns the text's
// fields back into a record that must read as the same text; and the program the application
// sends from those fields must parse on the monitor's side into the same fields.
//
// Input: byte 0 picks the layout (bit 0), byte 1 the time zone; the rest is the payload.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "SimLayouts.h"
#include "link/Protocol.h"
#include "model/ShiftProgram.h"

using namespace orvo;
using orvo::fuzz::Field;
using orvo::fuzz::Require;

namespace {

constexpr int64_t kNow = 1'700'000'000;
constexpr size_t kFields = 14;

sim::SimShiftFields FieldsOf(const std::string& text) {
    sim::SimShiftFields f;
    f.startUtc = RecordUnsigned(text, 0);
    f.duration = RecordUnsigned(text, 1) - f.startUtc;
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
    return f;
}

ShiftProgram ProgramOf(const std::string& text, const sim::SimShiftFields& f) {
    ShiftProgram p;
    p.wearerId = f.wearerId;
    p.mineId = f.mineId;
    p.contractorCode = f.contractor;
    p.mineName = f.mineName;
    p.companyName = f.companyName;
    p.startTime = f.startUtc;
    p.duration = f.duration;
    p.sampleType = f.sampleType;
    p.mmu = f.mmu;
    p.occupationText = f.occupation;
    p.miinNumber = RecordUnsigned(text, 12);
    p.spareNumber = RecordUnsigned(text, 13);
    p.occupationCode = RecordUnsigned(text, 11);
    p.miinText = f.miin;
    p.spareText = f.spare;
    return p;
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
        return isLong ? LongProgramRecordText(p, n) : ShortProgramRecordText(p, n, zone, kNow);
    };
    const std::optional<std::string> text = decode(payload, length);
    Require(text.has_value() == (length >= (isLong ? LONG_PROGRAM_RECORD_SIZE : SHORT_PROGRAM_RECORD_SIZE)));
    if (!text || !fuzz::FieldsReadBack(*text, kFields))
        return 0;
    Require(Field(*text, 2) == "-" && Field(*text, 3) == "-");

    // The monitor's record of the same fields reads as the same text. On the short layout a start
    // of 0 means none on either side, so a start that is 0 on one clock does not come back.
    sim::SimShiftFields fields = FieldsOf(*text);
    const std::vector<uint8_t> again =
        isLong ? sim::EncodeLongProgramRecord(fields) : sim::EncodeShortProgramRecord(fields, simZone);
    const std::optional<std::string> reread = decode(again.data(), again.size());
    Require(reread.has_value());
    for (size_t i = !isLong && fields.startUtc == 0 ? 2 : 0; i < kFields; ++i)
        Require(RecordField(*reread, i) == RecordField(*text, i));

    // The program sent from those fields is what the monitor stores.
    const ShiftProgram program = ProgramOf(*text, fields);
    const std::vector<uint8_t> sent =
        isLong ? EncodeLongProgram(program) : EncodeShortProgram(program, zone, kNow);
    Require(sent.size() == (isLong ? LONG_PROGRAM_SIZE : SHORT_PROGRAM_SIZE));
    const sim::SimShiftFields stored =
        isLong ? sim::ParseLongProgram(sent.data()) : sim::ParseShortProgram(sent.data(), simZone);
    if (!isLong && GetU32(payload + 84) == 0)
        fields.startUtc = 0;
    Require(stored == fields);
    return 0;
}
