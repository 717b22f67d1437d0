// Shift programs: the record layouts the monitor answers and the course of a programmed shift at virtual
// time.

#include "SimTestSupport.h"

#include "platform/Clock.h"
#include "platform/TimeZoneSource.h"

#include <gtest/gtest.h>

#include <memory>

namespace orvo::sim::test {
namespace {

const std::string kName32 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"; // exactly 32 characters
const Bytes kStatusA2 = {0xFF, 0x02, 0x02, 0x02, 0x02, 0x58, 0xFF, 0x03};
const Bytes kStatusB1 = {0xFF, 0x02, 0x18, 0x01, 0x0E, 0x30, 0xFF, 0x03};
const Bytes kGetShort = {0xFF, 0x02, 0x08, 0x1F, 0x0C, 0x70, 0xFF, 0x03}; // command 8, sequence 31
const Bytes kGetLong = {0xFF, 0x02, 0x12, 0x21, 0x09, 0x28, 0xFF, 0x03};  // command 18, sequence 33

// Starts two hours after T0 on the local clock (1699989200 = 65 53 C6 D0), runs eight hours.
constexpr uint32_t kShortStartLocal = kT0Local + 7200;
constexpr uint32_t kShortStartUtc = kT0 + 7200;

Bytes ShortProgram() {
    Bytes p(108, 0);
    PutString(p, 0, "12345678");
    PutString(p, 8, "4601234");
    PutString(p, 15, "AB");
    PutString(p, 18, kName32);
    PutString(p, 50, "Coal Co");
    PutBe32(p, 84, kShortStartLocal);
    PutBe32(p, 88, 28800);
    p[92] = 1;
    PutString(p, 93, "0010");
    PutString(p, 97, "036");
    PutBe32(p, 100, 1234);
    return p;
}

// Starts at 1700007200 UTC (65 54 0D 20), runs one hour.
Bytes LongProgram() {
    Bytes p(272, 0);
    PutString(p, 0, "W-LONG");
    PutString(p, 32, "4605678");
    PutString(p, 96, kName32);
    PutString(p, 128, "Long Coal Company");
    PutBe32(p, 160, kT0 + 7200);
    PutBe32(p, 164, 3600);
    p[168] = 5;
    PutString(p, 169, "MMU-0020");
    PutBe32(p, 204, 36);
    PutString(p, 208, "M12345678");
    return p;
}

// Check bytes worked out by hand for these payloads.
Bytes ShortProgramFrame() {
    return HandFrame(0x09, 0x1E, ShortProgram(), 0x07, 0x20);
}
Bytes LongProgramFrame() {
    return HandFrame(0x13, 0x20, LongProgram(), 0x08, 0x68);
}
Bytes ClearLongFrame() {
    return HandFrame(0x13, 0x22, Bytes(272, 0), 0x0B, 0x20);
}

class SimProgramTest : public ::testing::Test {
protected:
    std::unique_ptr<SimMonitor> Make(float firmware, double timeScale = 1.0) {
        SimConfig config;
        config.firmware = firmware;
        config.timeScale = timeScale;
        config.recordsPerSample = 3;
        return std::make_unique<SimMonitor>(config, clock, zone);
    }
    void At(uint32_t utcSeconds) { clock.AdvanceTo(int64_t(utcSeconds) * 1000); }

    VirtualClock clock{kT0Ms};
    FixedTimeZone zone{300, false};
};

TEST_F(SimProgramTest, ShortRecordShiftsTheTextsByOneByte) {
    auto sim = Make(6.5f);
    const Answer a = Ask(*sim, ShortProgramFrame());
    EXPECT_EQ(a.command, 9);
    EXPECT_EQ(a.sequence, 0x1E);
    ASSERT_EQ(a.payload.size(), 108u);
    const Bytes& r = a.payload;
    EXPECT_EQ(r[0], 0);
    EXPECT_EQ(Field(r, 1, 8), "12345678");
    EXPECT_EQ(Field(r, 9, 7), "4601234");
    EXPECT_EQ(Field(r, 16, 3), Padded("AB", 3));
    EXPECT_EQ(Field(r, 19, 32), kName32); // full field, no terminator: the company name follows at once
    EXPECT_EQ(Field(r, 51, 32), Padded("Coal Co", 32));
    EXPECT_EQ(r[83], 0);
    EXPECT_EQ(Be32(r, 84), kShortStartLocal);
    EXPECT_EQ(Be32(r, 88), 28800u);
    EXPECT_EQ(r[92], 1);
    EXPECT_EQ(Field(r, 93, 4), "0010");
    EXPECT_EQ(Field(r, 97, 3), "036");
    EXPECT_EQ(Be32(r, 100), 1234u);
    EXPECT_EQ(Be32(r, 104), 0u);

    EXPECT_EQ(sim->StoredProgram(), ShortProgram());
    EXPECT_EQ(Ask(*sim, kGetShort).payload, r);
}

TEST_F(SimProgramTest, LongRecordLayout) {
    auto sim = Make(7.0f);
    EXPECT_EQ(Ask(*sim, kGetLong).payload, Bytes(276, 0)); // nothing programmed yet

    const Answer a = Ask(*sim, LongProgramFrame());
    EXPECT_EQ(a.command, 19);
    ASSERT_EQ(a.payload.size(), 276u);
    const Bytes& r = a.payload;
    EXPECT_EQ(r[0], 0);
    EXPECT_EQ(Field(r, 1, 32), Padded("W-LONG", 32));
    EXPECT_EQ(Field(r, 33, 32), Padded("4605678", 32));
    EXPECT_EQ(Field(r, 65, 32), Padded("", 32));
    EXPECT_EQ(Field(r, 97, 32), kName32);
    EXPECT_EQ(Field(r, 129, 32), Padded("Long Coal Company", 32));
    EXPECT_EQ(Field(r, 161, 3), Padded("", 3));
    EXPECT_EQ(Be32(r, 164), kT0 + 7200);
    EXPECT_EQ(Be32(r, 168), 3600u);
    EXPECT_EQ(r[172], 5);
    EXPECT_EQ(Field(r, 173, 32), Padded("MMU-0020", 32));
    EXPECT_EQ(Field(r, 205, 3), Padded("", 3));
    EXPECT_EQ(Be32(r, 208), 36u);
    EXPECT_EQ(Field(r, 212, 32), Padded("M12345678", 32));
    EXPECT_EQ(Field(r, 244, 32), Padded("", 32));

    EXPECT_EQ(sim->StoredProgram(), LongProgram());
    EXPECT_EQ(Ask(*sim, kGetLong).payload, r);
}

TEST_F(SimProgramTest, ShiftRunsThroughItsStatesAndIsStored) {
    auto sim = Make(6.5f);
    const int samplesBefore = sim->SampleCount();
    Ask(*sim, ShortProgramFrame());
    EXPECT_EQ(sim->DeviceState(), 2);
    EXPECT_EQ(sim->RegisterWord(11), kShortStartLocal); // SHIFT START TIME on the monitor's own clock

    const uint32_t warmupStart = kShortStartUtc - 2100; // SHIFT WARMUP TIME default
    At(warmupStart - 1);
    EXPECT_EQ(sim->DeviceState(), 2);
    EXPECT_EQ(sim->RegisterWord(13), 0u);

    At(warmupStart);
    EXPECT_EQ(sim->DeviceState(), 3);
    EXPECT_EQ(sim->RegisterWord(13), 2100u);
    At(kShortStartUtc - 600);
    EXPECT_EQ(sim->RegisterWord(13), 600u);
    EXPECT_EQ(Ask(*sim, kStatusA2).payload.at(12), 3); // the state byte of status A

    At(kShortStartUtc);
    EXPECT_EQ(sim->DeviceState(), 4);
    EXPECT_EQ(sim->RegisterWord(13), 0u);
    At(kShortStartUtc + 28800 - 1);
    EXPECT_EQ(sim->DeviceState(), 4);
    EXPECT_EQ(sim->SampleCount(), samplesBefore);

    At(kShortStartUtc + 28800);
    EXPECT_EQ(Ask(*sim, kStatusA2).payload.at(12), 1);
    ASSERT_EQ(sim->SampleCount(), samplesBefore + 1);

    const SimSample shift = sim->StoredSamples().back();
    EXPECT_EQ(shift.index, samplesBefore);
    EXPECT_EQ(shift.startUtc, kShortStartUtc);
    EXPECT_EQ(shift.endUtc, kShortStartUtc + 28800);
    EXPECT_EQ(shift.fields.mineName, kName32);
    EXPECT_EQ(shift.fields.wearerId, "12345678");
    // Header record first: its time on the old monitor's local clock; 480 minutes of data records follow.
    ASSERT_FALSE(shift.items.empty());
    EXPECT_EQ(shift.items[0].value, kShortStartLocal);
    const size_t header = shift.items[0].tag;
    EXPECT_EQ(shift.items[header].value, kShortStartLocal + 60);
    EXPECT_EQ(shift.items.back().tag, 134); // the footer's last register, as in the header
}

TEST_F(SimProgramTest, TimeScaleRunsTheShiftFaster) {
    auto sim = Make(7.0f, 60.0);
    Ask(*sim, LongProgramFrame()); // starts 7200 s after T0, one hour long, 2100 s warm-up
    const auto after = [&](int seconds) {
        clock.AdvanceTo(kT0Ms + seconds * 1000LL);
        return sim->DeviceState();
    };
    EXPECT_EQ(after(84), 2);  // 84 * 60 = 5040 s of shift time
    EXPECT_EQ(after(86), 3);  // 5160 s: within the warm-up
    EXPECT_EQ(after(121), 4); // 7260 s
    EXPECT_EQ(after(179), 4);
    EXPECT_EQ(after(181), 1); // 10860 s: past the end
    EXPECT_EQ(sim->SampleCount(), 4);
    EXPECT_EQ(sim->StoredSamples().back().endUtc, kT0 + 7200 + 3600);
    // The device clock itself keeps its pace.
    EXPECT_EQ(Be32(Ask(*sim, kStatusB1).payload, 8), kT0 + 181);
}

TEST_F(SimProgramTest, ZeroProgramClearsAndNothingIsStored) {
    auto sim = Make(7.0f);
    Ask(*sim, LongProgramFrame());
    At(kT0 + 6000);
    EXPECT_EQ(sim->DeviceState(), 3);

    const Answer cleared = Ask(*sim, ClearLongFrame());
    EXPECT_EQ(cleared.payload, Bytes(276, 0));
    EXPECT_EQ(sim->DeviceState(), 1);
    EXPECT_EQ(sim->RegisterWord(11), 0u);
    EXPECT_EQ(sim->RegisterWord(13), 0u);
    EXPECT_EQ(Ask(*sim, kGetLong).payload, Bytes(276, 0));

    At(kT0 + 20000);
    EXPECT_EQ(sim->SampleCount(), 3);
}

TEST_F(SimProgramTest, ClearingARunningShiftKeepsWhatItSampled) {
    auto sim = Make(7.0f);
    Ask(*sim, LongProgramFrame());
    At(kT0 + 7200 + 1800); // half an hour into the shift
    EXPECT_EQ(sim->DeviceState(), 4);

    Ask(*sim, ClearLongFrame());
    EXPECT_EQ(sim->DeviceState(), 1);
    ASSERT_EQ(sim->SampleCount(), 4);
    const SimSample shift = sim->StoredSamples().back();
    EXPECT_EQ(shift.startUtc, kT0 + 7200);
    EXPECT_EQ(shift.endUtc, kT0 + 7200 + 1800);
    // Header, 30 data records, footer; the footer (18 items, registers 0, 1, 4, ...) says the host ended it.
    const size_t footer = shift.items.size() - 18;
    EXPECT_EQ(shift.items[footer].tag, 18);
    EXPECT_EQ(shift.items[footer].value, kT0 + 7200 + 1800);
    EXPECT_EQ(shift.items[footer + 3].tag, 4);
    EXPECT_EQ(shift.items[footer + 3].value, 0x0200u); // SAMPLE ENDED FROM ORVODESK
    EXPECT_EQ(shift.items.size(), 18u + 30u * 23u + 18u);
}

} // namespace
} // namespace orvo::sim::test
