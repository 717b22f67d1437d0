// Shift programs at virtual time: the states a programmed shift runs through, the sample it leaves, a
// faster time scale and a cleared program. The record layouts are pinned through orvoctl's tests.

#include "SimTestSupport.h"

#include <gtest/gtest.h>

namespace orvo::sim::test {
namespace {

// Starts two hours after T0 and runs eight hours; the old monitor takes the start on its local clock.
constexpr uint32_t kShortStartLocal = kT0Local + 7200;
constexpr uint32_t kShortStartUtc = kT0 + 7200;

// A short (108 bytes, start at 84) or long (272 bytes, start at 160) program record.
Bytes Program(bool longRecord, uint32_t start, uint32_t duration) {
    Bytes p(longRecord ? 272 : 108, 0);
    PutBe32(p, longRecord ? 160 : 84, start);
    PutBe32(p, longRecord ? 164 : 88, duration);
    return p;
}

class SimProgramTest : public SimFixture {
protected:
    std::unique_ptr<SimMonitor> MakeShifting(float firmware, double timeScale = 1.0) {
        SimConfig config;
        config.firmware = firmware;
        config.timeScale = timeScale;
        config.recordsPerSample = 3;
        return Make(config);
    }
    void At(uint32_t utcSeconds) { clock.AdvanceTo(int64_t(utcSeconds) * 1000); }
    int StateAt(SimMonitor& sim, uint32_t utcSeconds) {
        At(utcSeconds);
        return sim.DeviceState();
    }
};

TEST_F(SimProgramTest, ShortRecordsShiftRunsOnTheLocalClockThroughItsStates) {
    auto sim = MakeShifting(6.5f);
    const int samplesBefore = sim->SampleCount();
    const Answer a = Ask(*sim, Frame(9, 30, Program(false, kShortStartLocal, 28800)));
    EXPECT_EQ(a.command, 9);
    EXPECT_EQ(Ask(*sim, Frame(8, 31, {})).payload, a.payload);
    EXPECT_EQ(sim->DeviceState(), 2);
    EXPECT_EQ(sim->RegisterWord(11), kShortStartLocal); // SHIFT START TIME on the monitor's own clock

    const uint32_t warmupStart = kShortStartUtc - 2100; // SHIFT WARMUP TIME default
    EXPECT_EQ(StateAt(*sim, warmupStart - 1), 2);
    EXPECT_EQ(StateAt(*sim, warmupStart), 3);
    At(kShortStartUtc - 600);
    EXPECT_EQ(sim->RegisterWord(13), 600u);
    EXPECT_EQ(Ask(*sim, kStatusA2).payload.at(12), 3); // the state byte of status A
    EXPECT_EQ(StateAt(*sim, kShortStartUtc), 4);
    EXPECT_EQ(StateAt(*sim, kShortStartUtc + 28800 - 1), 4);
    EXPECT_EQ(sim->SampleCount(), samplesBefore);

    At(kShortStartUtc + 28800);
    EXPECT_EQ(Ask(*sim, kStatusA2).payload.at(12), 1);
    ASSERT_EQ(sim->SampleCount(), samplesBefore + 1);
    const SimSample shift = sim->StoredSamples().back();
    EXPECT_EQ(shift.startUtc, kShortStartUtc);
    EXPECT_EQ(shift.endUtc, kShortStartUtc + 28800);
    // Header record first, its time on the old monitor's local clock; a data record a minute later.
    ASSERT_FALSE(shift.items.empty());
    EXPECT_EQ(shift.items[0].value, kShortStartLocal);
    EXPECT_EQ(shift.items[shift.items[0].tag].value, kShortStartLocal + 60);
}

TEST_F(SimProgramTest, TimeScaleRunsTheShiftFaster) {
    auto sim = MakeShifting(7.0f, 60.0);
    Ask(*sim, Frame(19, 32, Program(true, kT0 + 7200, 3600))); // 2100 s warm-up
    EXPECT_EQ(StateAt(*sim, kT0 + 84), 2);                     // 84 * 60 = 5040 s of shift time
    EXPECT_EQ(StateAt(*sim, kT0 + 86), 3);                     // 5160 s: within the warm-up
    EXPECT_EQ(StateAt(*sim, kT0 + 121), 4);                    // 7260 s
    EXPECT_EQ(StateAt(*sim, kT0 + 181), 1);                    // 10860 s: past the end
    EXPECT_EQ(sim->StoredSamples().back().endUtc, kT0 + 7200 + 3600);
    // The device clock itself keeps its pace.
    EXPECT_EQ(Be32(Ask(*sim, kStatusB1).payload, 8), kT0 + 181);
}

// One monitor is cleared while warming up and stores nothing; the other is cleared half an hour into
// its shift and keeps header, 30 data records and a footer saying the host ended it (18 items:
// registers 0, 1, 4 ... with STATUS CODE 0x0200, SAMPLE ENDED FROM ORVODESK).
TEST_F(SimProgramTest, AZeroRecordClearsTheProgram) {
    auto sim = MakeShifting(7.0f);
    auto running = MakeShifting(7.0f);
    EXPECT_EQ(Ask(*sim, Frame(18, 33, {})).payload, Bytes(276, 0)); // nothing programmed yet
    for (SimMonitor* m : {sim.get(), running.get()})
        Ask(*m, Frame(19, 32, Program(true, kT0 + 7200, 3600)));

    EXPECT_EQ(StateAt(*sim, kT0 + 6000), 3);
    EXPECT_EQ(Ask(*sim, Frame(19, 34, Bytes(272, 0))).payload, Bytes(276, 0));
    EXPECT_EQ(sim->DeviceState(), 1);
    EXPECT_EQ(sim->RegisterWord(11), 0u);
    EXPECT_EQ(Ask(*sim, Frame(18, 35, {})).payload, Bytes(276, 0));

    EXPECT_EQ(StateAt(*running, kT0 + 7200 + 1800), 4);
    Ask(*running, Frame(19, 34, Bytes(272, 0)));
    EXPECT_EQ(running->DeviceState(), 1);

    At(kT0 + 20000);
    EXPECT_EQ(sim->SampleCount(), 3);
    ASSERT_EQ(running->SampleCount(), 4);
    const SimSample shift = running->StoredSamples().back();
    EXPECT_EQ(shift.endUtc, kT0 + 7200 + 1800);
    ASSERT_EQ(shift.items.size(), 18u + 30u * 23u + 18u);
    const SimItem* footer = &shift.items[shift.items.size() - 18];
    EXPECT_EQ(footer[0], (SimItem{18, kT0 + 7200 + 1800}));
    EXPECT_EQ(footer[3], (SimItem{4, 0x0200u}));
}

} // namespace
} // namespace orvo::sim::test
