// The simulated monitor at virtual time. Every request frame and expected answer frame written out
// below was worked out by hand from the frame rules; the answers' and records' layouts are pinned
// through the application's tests against the simulator.

#include "SimMonitor.h"
#include "InMemoryPort.h"
#include "SimValues.h"
#include "link/FrameCodec.h"
#include "link/Protocol.h"
#include "platform/Clock.h"
#include "platform/TimeZoneSource.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace orvo::sim::test {
namespace {

using Bytes = std::vector<uint8_t>;

// 2023-11-14 22:13:20 UTC; 17:13:20 on a clock 300 minutes west of UTC.
constexpr int64_t kT0Ms = 1'700'000'000'000LL;
constexpr uint32_t kT0 = 1'700'000'000u;
constexpr uint32_t kT0Local = kT0 - 300 * 60;

// Status B request, command 24, sequence 1, and status A request, command 2, sequence 2.
const Bytes kStatusB1 = {0xFF, 0x02, 0x18, 0x01, 0x0E, 0x30, 0xFF, 0x03};
const Bytes kStatusA2 = {0xFF, 0x02, 0x02, 0x02, 0x02, 0x58, 0xFF, 0x03};
// Firmware 7.0 (40 E0 00 00), state 1, device time 1700000000 (65 53 F1 00).
const Bytes kStatusBAnswer1 = {0xFF, 0x02, 0x18, 0x01, 0x40, 0xE0, 0x00, 0x00, 0x01, 0x00,
                               0x00, 0x00, 0x65, 0x53, 0xF1, 0x00, 0x06, 0x10, 0xFF, 0x03};

// A monitor at T0 on a virtual clock, 300 minutes west of UTC.
class SimFixture : public ::testing::Test {
protected:
    std::unique_ptr<SimMonitor> Make(SimConfig config) {
        return std::make_unique<SimMonitor>(config, clock, zone);
    }
    std::unique_ptr<SimMonitor> Make(float firmware = 7.0f) {
        SimConfig config;
        config.firmware = firmware;
        return Make(config);
    }

    VirtualClock clock{kT0Ms};
    FixedTimeZone zone{300, false};
};

struct Answer {
    uint8_t command = 0;
    uint8_t sequence = 0;
    Bytes payload;
    bool checkValid = false;
};

std::vector<Answer> ParseAnswers(const Bytes& wire) {
    std::vector<Answer> out;
    FrameReceiver receiver;
    for (uint8_t b : wire) {
        if (!receiver.Feed(b))
            continue;
        const uint8_t* body = receiver.Body();
        const size_t n = receiver.Length();
        Answer a;
        if (n >= 4) {
            a.command = body[0];
            a.sequence = body[1];
            a.payload.assign(body + 2, body + n - 2);
        }
        a.checkValid = BodyCheckValid(body, n);
        out.push_back(a);
    }
    return out;
}

Bytes Feed(SimMonitor& sim, const Bytes& request) {
    Bytes out;
    sim.FeedHostBytes(request.data(), request.size(), out);
    return out;
}

// The one valid answer a request must get.
Answer Ask(SimMonitor& sim, const Bytes& request) {
    const std::vector<Answer> answers = ParseAnswers(Feed(sim, request));
    if (answers.size() != 1 || !answers[0].checkValid) {
        ADD_FAILURE() << "expected exactly one valid answer, got " << answers.size();
        return {};
    }
    return answers[0];
}

// Requests whose bytes are not the point of a test; the codec itself is pinned by its own tests.
Bytes Frame(uint8_t command, uint8_t sequence, const Bytes& payload) {
    return EncodeFrame(command, sequence, payload.data(), payload.size());
}

uint32_t Be32(const Bytes& p, size_t offset) {
    if (offset + 4 > p.size()) {
        ADD_FAILURE() << "offset " << offset << " beyond payload of " << p.size();
        return 0;
    }
    return (uint32_t(p[offset]) << 24) | (uint32_t(p[offset + 1]) << 16) | (uint32_t(p[offset + 2]) << 8) |
           uint32_t(p[offset + 3]);
}

void PutBe32(Bytes& p, size_t offset, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[offset + size_t(i)] = uint8_t(v >> (24 - 8 * i));
}

// The in-memory wire: pacing and reads at virtual time. That the monitor may be inspected while a
// link thread feeds it is shown under ThreadSanitizer by the calibration and download runs.

class InMemoryPortTest : public SimFixture {
protected:
    std::shared_ptr<InMemoryWire> MakeWire(bool pace) {
        return std::make_shared<InMemoryWire>(std::make_shared<SimMonitor>(SimConfig{}, clock, zone), clock,
                                              pace);
    }
    static std::unique_ptr<SerialPort> OpenPort(InMemoryWire& wire) {
        auto port = wire.Factory()();
        EXPECT_TRUE(port->Open("sim").ok());
        return port;
    }
    static bool WriteStatus(SerialPort& port) { return port.Write(kStatusB1.data(), kStatusB1.size()); }
};

TEST_F(InMemoryPortTest, PacedAnswerArrivesAtTheLineRate) {
    auto wire = MakeWire(true);
    auto port = OpenPort(*wire);
    ASSERT_TRUE(WriteStatus(*port));

    uint8_t b = 0;
    // The 8-byte request needs 4.17 ms to arrive, the first answer byte 0.52 ms more.
    EXPECT_EQ(port->ReadByte(b, 0), ReadResult::Timeout);
    EXPECT_EQ(clock.NowMs(), kT0Ms);
    std::vector<int64_t> times;
    Bytes got;
    while (got.size() < kStatusBAnswer1.size() && port->ReadByte(b, 100) == ReadResult::Byte) {
        got.push_back(b);
        times.push_back(clock.NowMs());
    }
    EXPECT_EQ(times.at(0), kT0Ms + 5); // 4.69 ms: readable from the next whole millisecond
    EXPECT_EQ(got, kStatusBAnswer1);
    // (8 + 20) bytes * 10 bits / 19200 baud = 14.58 ms.
    EXPECT_EQ(clock.NowMs(), kT0Ms + 15);
}

// Which status request the monitor answers, its refusals, its faults and the texts it keeps.

using SimMonitorTest = SimFixture;

TEST_F(SimMonitorTest, FirmwareClassDecidesWhichStatusCommandIsAnswered) {
    // Firmware, answers the old command, answer to 24, answer to 2; 6.69f widened is above 6.69.
    const struct {
        float firmware;
        bool answersOld;
        uint8_t answerTo24, answerTo2;
    } cases[] = {{7.0f, false, 24, 1}, {7.0f, true, 24, 2}, {6.69f, false, 24, 1}, {6.68f, false, 1, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "firmware " << c.firmware << " answersOld " << c.answersOld);
        SimConfig config;
        config.firmware = c.firmware;
        config.answersOldCommands = c.answersOld;
        auto sim = Make(config);
        EXPECT_EQ(Ask(*sim, kStatusB1).command, c.answerTo24);
        EXPECT_EQ(Ask(*sim, kStatusA2).command, c.answerTo2);
    }
}

TEST_F(SimMonitorTest, MalformedAndUnknownRequestsAreNaked) {
    // A read with count 0, a read of register 184, unused code 23, a write entry cut short.
    const std::pair<Bytes, Bytes> cases[] = {
        {{0xFF, 0x02, 0x04, 0x07, 0x00, 0x06, 0x50, 0xFF, 0x03},
         {0xFF, 0x02, 0x01, 0x07, 0x06, 0x68, 0xFF, 0x03}},
        {{0xFF, 0x02, 0x04, 0x09, 0x01, 0xB8, 0x0E, 0x30, 0xFF, 0x03},
         {0xFF, 0x02, 0x01, 0x09, 0x0E, 0x60, 0xFF, 0x03}},
        {{0xFF, 0x02, 0x17, 0x0A, 0x05, 0x50, 0xFF, 0x03}, {0xFF, 0x02, 0x01, 0x0A, 0x08, 0x60, 0xFF, 0x03}},
        {{0xFF, 0x02, 0x05, 0x0D, 0x01, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x04, 0x38, 0xFF, 0x03},
         {0xFF, 0x02, 0x01, 0x0D, 0x04, 0x60, 0xFF, 0x03}}};
    auto sim = Make();
    for (const auto& [request, nak] : cases)
        EXPECT_EQ(Feed(*sim, request), nak);
    EXPECT_EQ(sim->RegisterValue(12), 2100.0); // the half write changed nothing
}

TEST_F(SimMonitorTest, EveryFaultKindSpoilsExactlyItsAnswers) {
    const Bytes nak1 = {0xFF, 0x02, 0x01, 0x01, 0x09, 0x68, 0xFF, 0x03};
    // Command 24 and the check bytes of its CRC alone (low byte 0x3A).
    const Bytes runt24 = {0xFF, 0x02, 0x18, 0x0A, 0x18, 0xFF, 0x03};
    for (Fault fault : {Fault::Drop, Fault::Corrupt, Fault::Nak, Fault::Short, Fault::Runt}) {
        SCOPED_TRACE(int(fault));
        auto sim = Make();
        sim->InjectFault(fault, 2);
        for (int i = 0; i < 2; ++i) {
            const Bytes wire = Feed(*sim, kStatusB1);
            const std::vector<Answer> answers = ParseAnswers(wire);
            if (fault == Fault::Drop || fault == Fault::Nak || fault == Fault::Runt) {
                EXPECT_EQ(wire, fault == Fault::Drop ? Bytes{} : fault == Fault::Nak ? nak1 : runt24);
                continue;
            }
            ASSERT_EQ(answers.size(), 1u);
            EXPECT_EQ(answers[0].checkValid, fault == Fault::Short);
            if (fault == Fault::Short) { // half the status
                EXPECT_EQ(answers[0].payload, (Bytes{0x40, 0xE0, 0x00, 0x00, 0x01, 0x00}));
            }
        }
        EXPECT_EQ(Feed(*sim, kStatusB1), kStatusBAnswer1);
    }

    // A damaged request goes unanswered; a silent monitor neither answers nor hears.
    auto sim = Make();
    EXPECT_TRUE(Feed(*sim, {0xFF, 0x02, 0x18, 0x01, 0x0E, 0x31, 0xFF, 0x03}).empty()); // check byte B off
    sim->SetSilent(true);
    EXPECT_TRUE(Feed(*sim, kStatusB1).empty());
    EXPECT_TRUE(sim->Requests().empty());
    sim->SetSilent(false);
    EXPECT_EQ(Feed(*sim, kStatusB1), kStatusBAnswer1);
}

// Factory Defaults restore the registers but keep the serial number.
TEST_F(SimMonitorTest, AResetKeepsTheSerialNumber) {
    auto sim = Make();
    sim->SetSerialNumber(7654321);
    sim->SetRegisterValue(12, 3600);
    EXPECT_EQ(Ask(*sim, Frame(3, 24, {})).command, 3);
    EXPECT_EQ(sim->RegisterValue(12), 2100.0);
    EXPECT_EQ(sim->RegisterValue(1), 7654321.0);
}

// Shift programs at virtual time: the states a programmed shift runs through, the sample it
// leaves, a faster time scale and a cleared program.

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

// A zero record half an hour into the shift ends it: header, 30 data records and a footer whose
// STATUS CODE says the host ended it (0x0200).
TEST_F(SimProgramTest, AZeroRecordEndsARunningShiftKeepingWhatItGot) {
    auto sim = MakeShifting(7.0f);
    Ask(*sim, Frame(19, 32, Program(true, kT0 + 7200, 3600)));
    EXPECT_EQ(StateAt(*sim, kT0 + 7200 + 1800), 4);
    EXPECT_EQ(Ask(*sim, Frame(19, 34, Bytes(272, 0))).payload, Bytes(276, 0));
    EXPECT_EQ(sim->DeviceState(), 1);
    const SimSample shift = sim->StoredSamples().back();
    EXPECT_EQ(shift.endUtc, kT0 + 7200 + 1800);
    ASSERT_EQ(shift.items.size(), 18u + 30u * 23u + 18u);
    EXPECT_EQ(shift.items[shift.items.size() - 15], (SimItem{4, 0x0200u}));
}

// Stored samples: block transfers and the service log.

// From the register table: 16 registers log Header/Footer, 21 Delta 60; STATUS CODE joins both.
constexpr size_t kHeaderItems = 1 + 16 + 1;
constexpr size_t kDataItems = 1 + 21 + 1;
constexpr size_t kSampleItems = kHeaderItems + 3 * kDataItems + kHeaderItems;

// T0's day began at 1699920000 on either clock; sample 0 of 2 starts two days earlier at 07:00.
constexpr uint32_t kFirstStart = 1699920000u - 2 * 86400 + 7 * 3600;

class SimStorageTest : public SimFixture {
protected:
    std::unique_ptr<SimMonitor> MakeStoring(float firmware, int blockItems = 200) {
        SimConfig config;
        config.firmware = firmware;
        config.storedSamples = 2;
        config.recordsPerSample = 3;
        config.serviceLogRecords = 4;
        config.maxItemsPerBlock = blockItems;
        return Make(config);
    }

    // Collects a whole transfer block by block, checking each block's header.
    static std::vector<SimItem> Transfer(SimMonitor& sim, bool serviceLog, uint32_t total, size_t perBlock) {
        std::vector<SimItem> items;
        const size_t head = serviceLog ? 8 : 12;
        while (items.size() < total) {
            Bytes request(head - 4, 0);
            PutBe32(request, head - 8, uint32_t(items.size()));
            const Answer a = Ask(sim, Frame(serviceLog ? 22 : 13, uint8_t(100 + items.size()), request));
            EXPECT_EQ(Be32(a.payload, head - 8), items.size()); // first item echoed
            const uint32_t count = Be32(a.payload, head - 4);
            EXPECT_LE(count, perBlock);
            if (count == 0 || a.payload.size() != head + 5 * size_t(count)) {
                ADD_FAILURE() << "block of " << count << " items in " << a.payload.size() << " bytes";
                break;
            }
            for (size_t i = 0; i < count; ++i)
                items.push_back({a.payload[head + 5 * i], Be32(a.payload, head + 5 * i + 1)});
        }
        return items;
    }
};

TEST_F(SimStorageTest, RecordsSpanSmallBlocks) {
    auto sim = MakeStoring(6.5f, 7);
    const Answer start = Ask(*sim, Frame(12, 1, {0}));
    EXPECT_EQ(start.command, 12);
    ASSERT_EQ(start.payload.size(), 8u);
    ASSERT_EQ(Be32(start.payload, 4), kSampleItems);

    const std::vector<SimItem> items = Transfer(*sim, false, kSampleItems, 7);
    ASSERT_EQ(items.size(), kSampleItems);
    EXPECT_EQ(items, sim->StoredSamples().at(0).items);

    // Header, three data records a minute apart on the local clock, footer. Cum1 Conc (111, a float)
    // grows; status conditions come and go: high filter load (bit 1) and flow out of range (bit 2).
    std::vector<SimItem> heads;
    std::vector<uint32_t> statuses;
    float cumulative = 0.0f;
    for (size_t at = 0; at < items.size() && items[at].tag > 0; at += items[at].tag) {
        heads.push_back(items[at]);
        for (size_t k = at + 1; items[at].tag == kDataItems && k < at + kDataItems; ++k) {
            if (items[k].tag == 4)
                statuses.push_back(items[k].value);
            if (items[k].tag == 111) {
                const float now = std::bit_cast<float>(items[k].value);
                EXPECT_GT(now, std::exchange(cumulative, now));
            }
        }
    }
    EXPECT_EQ(heads, (std::vector<SimItem>{{kHeaderItems, kFirstStart},
                                           {kDataItems, kFirstStart + 60},
                                           {kDataItems, kFirstStart + 120},
                                           {kDataItems, kFirstStart + 180},
                                           {kHeaderItems, kFirstStart + 180}}));
    ASSERT_EQ(statuses.size(), 3u);
    EXPECT_GT(cumulative, 0.0f) << "every data record holds Cum1 Conc";
    EXPECT_EQ((statuses[0] | statuses[1] | statuses[2]) & 0x6, 0x6u);
    EXPECT_NE(statuses.front(), statuses.back());

    // A block past the end holds nothing; an entry past the count and the newer protocol's commands
    // are refused.
    Bytes past(8, 0);
    PutBe32(past, 4, kSampleItems);
    EXPECT_EQ(Ask(*sim, Frame(13, 1, past)).payload.size(), 12u);
    EXPECT_EQ(Ask(*sim, Frame(11, 3, {5})).command, 1);
    EXPECT_EQ(Ask(*sim, Frame(20, 4, {0})).command, 1);
    EXPECT_EQ(Ask(*sim, Frame(21, 5, {})).command, 1);
}

TEST_F(SimStorageTest, ServiceLogTransfersMinuteRecordsUpToNow) {
    auto sim = MakeStoring(7.0f, 10);
    const Answer start = Ask(*sim, Frame(21, 1, {}));
    EXPECT_EQ(start.command, 21);
    ASSERT_EQ(start.payload.size(), 4u);
    ASSERT_EQ(Be32(start.payload, 0), 4 * kDataItems);

    const std::vector<SimItem> items = Transfer(*sim, true, 4 * kDataItems, 10);
    ASSERT_EQ(items.size(), 4 * kDataItems);
    EXPECT_EQ(items, sim->ServiceLogItems());
    for (size_t r = 1; r < 4; ++r)
        EXPECT_EQ(items[r * kDataItems].value, items[(r - 1) * kDataItems].value + 60);
    EXPECT_LE(items[3 * kDataItems].value, kT0);
    EXPECT_GT(items[3 * kDataItems].value, kT0 - 60);
}

// The calibration runs check the instrument's course; what they cannot see is that one seed
// always gives the same course.
TEST_F(SimFixture, OneSeedGivesOneCourse) {
    auto sim = Make(), twin = Make();
    for (SimMonitor* m : {sim.get(), twin.get()}) {
        m->SetRegisterValue(10, 1);
        m->SetRegisterValue(146, 1); // the transducer at its temperature, as the K0 calibration keeps it
    }
    clock.SleepMs(600'000);
    EXPECT_NE(sim->RegisterWord(104), 0u);
    EXPECT_EQ(sim->RegisterWord(104), twin->RegisterWord(104));
}

} // namespace
} // namespace orvo::sim::test
