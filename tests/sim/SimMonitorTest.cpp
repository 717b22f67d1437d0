// Framing, status, registers, refusals and faults of the simulated monitor. Every request frame and every
// expected answer frame below was worked out by hand from the frame rules.

#include "SimTestSupport.h"

#include "platform/Clock.h"
#include "platform/TimeZoneSource.h"

#include <gtest/gtest.h>

#include <memory>

namespace orvo::sim::test {
namespace {

// Status B request, command 24, sequence 1.
const Bytes kStatusB1 = {0xFF, 0x02, 0x18, 0x01, 0x0E, 0x30, 0xFF, 0x03};
// Status A request, command 2, sequence 2.
const Bytes kStatusA2 = {0xFF, 0x02, 0x02, 0x02, 0x02, 0x58, 0xFF, 0x03};
// Firmware 7.0 (40 E0 00 00), state 1, device time 1700000000 (65 53 F1 00).
const Bytes kStatusBAnswer1 = {0xFF, 0x02, 0x18, 0x01, 0x40, 0xE0, 0x00, 0x00, 0x01, 0x00,
                               0x00, 0x00, 0x65, 0x53, 0xF1, 0x00, 0x06, 0x10, 0xFF, 0x03};

class SimMonitorTest : public ::testing::Test {
protected:
    std::unique_ptr<SimMonitor> Make(float firmware = 7.0f, bool answersOld = false) {
        SimConfig config;
        config.firmware = firmware;
        config.answersOldCommands = answersOld;
        return std::make_unique<SimMonitor>(config, clock, zone);
    }

    VirtualClock clock{kT0Ms};
    FixedTimeZone zone{300, false};
};

TEST_F(SimMonitorTest, StatusBAnswerIsByteExact) {
    auto sim = Make();
    EXPECT_EQ(Feed(*sim, kStatusB1), kStatusBAnswer1);

    // Sequence 255 is escaped on the way in and on the way back.
    const Bytes request255 = {0xFF, 0x02, 0x18, 0xFF, 0xFF, 0x0B, 0x68, 0xFF, 0x03};
    const Bytes answer255 = {0xFF, 0x02, 0x18, 0xFF, 0xFF, 0x40, 0xE0, 0x00, 0x00, 0x01, 0x00,
                             0x00, 0x00, 0x65, 0x53, 0xF1, 0x00, 0x05, 0x18, 0xFF, 0x03};
    EXPECT_EQ(Feed(*sim, request255), answer255);
}

TEST_F(SimMonitorTest, StatusAAnswerCarriesSerialAndLocalTime) {
    auto sim = Make(6.5f);
    // Serial 1234567 (00 12 D6 87), firmware 6.5 (40 D0 00 00), unused word, state 1, three reserved,
    // device time 1700000000 - 300 * 60 = 1699982000 (65 53 AA B0).
    const Bytes expected = {0xFF, 0x02, 0x02, 0x02, 0x00, 0x12, 0xD6, 0x87, 0x40, 0xD0,
                            0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
                            0x65, 0x53, 0xAA, 0xB0, 0x0E, 0x70, 0xFF, 0x03};
    EXPECT_EQ(Feed(*sim, kStatusA2), expected);
}

TEST_F(SimMonitorTest, FirmwareClassDecidesWhichStatusCommandIsAnswered) {
    struct Case {
        float firmware;
        bool answersOld;
        uint8_t answerTo24;
        uint8_t answerTo2;
    };
    const Case cases[] = {
        {7.0f, false, 24, 1}, {7.0f, true, 24, 2}, {6.69f, false, 24, 1}, // 6.69f widened is above 6.69
        {6.68f, false, 1, 2}, {5.0f, true, 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "firmware " << c.firmware << " answersOld " << c.answersOld);
        auto sim = Make(c.firmware, c.answersOld);
        EXPECT_EQ(Ask(*sim, kStatusB1).command, c.answerTo24);
        EXPECT_EQ(Ask(*sim, kStatusA2).command, c.answerTo2);
    }
}

TEST_F(SimMonitorTest, ReadsIntegerAndFloatRegisters) {
    auto sim = Make();
    // Read 2 registers: 12 SHIFT WARMUP TIME (integer, 2100) and 72 FLOW RATE SET PT (float, 2.2).
    const Answer a = Ask(*sim, {0xFF, 0x02, 0x04, 0x03, 0x02, 0x0C, 0x48, 0x0B, 0x58, 0xFF, 0x03});
    EXPECT_EQ(a.command, 4);
    EXPECT_EQ(a.sequence, 3);
    const Bytes expected = {0x02, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00,
                            0x08, 0x34, 0x48, 0x00, 0x00, 0x00, 0x40, 0x0C, 0xCC, 0xCD};
    EXPECT_EQ(a.payload, expected);
}

TEST_F(SimMonitorTest, WriteIsAnsweredWithTheNewValuesAndReadBack) {
    auto sim = Make();
    // Write 12 := 3600 (00 00 0E 10) and 72 := 2.5 (40 20 00 00).
    const Bytes write = {0xFF, 0x02, 0x05, 0x04, 0x02, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00,
                         0x0E, 0x10, 0x48, 0x00, 0x00, 0x00, 0x40, 0x20, 0x00, 0x00, 0x0B, 0x28, 0xFF, 0x03};
    const Bytes list = {0x02, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00,
                        0x0E, 0x10, 0x48, 0x00, 0x00, 0x00, 0x40, 0x20, 0x00, 0x00};
    const Answer w = Ask(*sim, write);
    EXPECT_EQ(w.command, 5);
    EXPECT_EQ(w.payload, list);

    const Answer r = Ask(*sim, {0xFF, 0x02, 0x04, 0x03, 0x02, 0x0C, 0x48, 0x0B, 0x58, 0xFF, 0x03});
    EXPECT_EQ(r.payload, list);
    EXPECT_EQ(sim->RegisterValue(12), 3600.0);
    EXPECT_FLOAT_EQ(float(sim->RegisterValue(72)), 2.5f);
}

TEST_F(SimMonitorTest, LoggingIsStoredAndAnsweredAsFullRegister) {
    auto sim = Make();
    EXPECT_EQ(sim->LoggingCode(41), 61u); // default Delta 60
    EXPECT_EQ(sim->LoggingCode(0), 1u);   // default Header/Footer
    EXPECT_EQ(sim->LoggingCode(2), 0u);   // default Never

    // Register 34: code 61, delta 1.0 (3F 80 00 00).
    const Answer a = Ask(*sim, {0xFF, 0x02, 0x07, 0x05, 0x22, 0x00, 0x00, 0x00, 0x00, 0x00,
                                0x00, 0x3D, 0x3F, 0x80, 0x00, 0x00, 0x04, 0x70, 0xFF, 0x03});
    EXPECT_EQ(a.command, 7);
    const Bytes full = {0x22, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                        0x00, 0x00, 0x00, 0x3D, 0x3F, 0x80, 0x00, 0x00};
    EXPECT_EQ(a.payload, full);
    EXPECT_EQ(sim->LoggingCode(34), 61u);
    EXPECT_EQ(sim->LoggingDelta(34), 1.0f);

    // Full read of register 0: firmware 7.0, logging code 1, delta 0.
    const Answer f = Ask(*sim, {0xFF, 0x02, 0x06, 0x06, 0x00, 0x0F, 0x50, 0xFF, 0x03});
    const Bytes firmware = {0x00, 0x00, 0x00, 0x00, 0x40, 0xE0, 0x00, 0x00,
                            0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(f.command, 6);
    EXPECT_EQ(f.payload, firmware);
}

TEST_F(SimMonitorTest, MalformedAndUnknownRequestsAreNaked) {
    struct Case {
        const char* what;
        Bytes request;
        Bytes nak;
    };
    const Case cases[] = {
        {"read with count 0",
         {0xFF, 0x02, 0x04, 0x07, 0x00, 0x06, 0x50, 0xFF, 0x03},
         {0xFF, 0x02, 0x01, 0x07, 0x06, 0x68, 0xFF, 0x03}},
        {"read with count 16",
         {0xFF, 0x02, 0x04, 0x08, 0x10, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
          0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x00, 0x48, 0xFF, 0x03},
         {0xFF, 0x02, 0x01, 0x08, 0x0D, 0x60, 0xFF, 0x03}},
        {"read of register 184",
         {0xFF, 0x02, 0x04, 0x09, 0x01, 0xB8, 0x0E, 0x30, 0xFF, 0x03},
         {0xFF, 0x02, 0x01, 0x09, 0x0E, 0x60, 0xFF, 0x03}},
        {"unused code 23",
         {0xFF, 0x02, 0x17, 0x0A, 0x05, 0x50, 0xFF, 0x03},
         {0xFF, 0x02, 0x01, 0x0A, 0x08, 0x60, 0xFF, 0x03}},
        {"full read without register",
         {0xFF, 0x02, 0x06, 0x0B, 0x0B, 0x60, 0xFF, 0x03},
         {0xFF, 0x02, 0x01, 0x0B, 0x0B, 0x60, 0xFF, 0x03}},
        {"status with a payload",
         {0xFF, 0x02, 0x18, 0x0C, 0x00, 0x06, 0x30, 0xFF, 0x03},
         {0xFF, 0x02, 0x01, 0x0C, 0x07, 0x60, 0xFF, 0x03}},
        {"write entry cut short",
         {0xFF, 0x02, 0x05, 0x0D, 0x01, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x04, 0x38, 0xFF, 0x03},
         {0xFF, 0x02, 0x01, 0x0D, 0x04, 0x60, 0xFF, 0x03}},
    };
    auto sim = Make();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Feed(*sim, c.request), c.nak);
    }
    EXPECT_EQ(sim->RegisterValue(12), 2100.0); // the half write changed nothing
}

TEST_F(SimMonitorTest, DamagedRequestGetsNoAnswerAndIsNotRecorded) {
    auto sim = Make();
    const Bytes damaged = {0xFF, 0x02, 0x18, 0x01, 0x0E, 0x31, 0xFF, 0x03}; // check byte B off by one
    EXPECT_TRUE(Feed(*sim, damaged).empty());
    EXPECT_TRUE(sim->Requests().empty());

    Feed(*sim, kStatusB1);
    clock.AdvanceTo(kT0Ms + 1500);
    Feed(*sim, kStatusA2);
    const auto requests = sim->Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].command, 24);
    EXPECT_EQ(requests[0].sequence, 1);
    EXPECT_EQ(requests[0].timeMs, kT0Ms);
    EXPECT_EQ(requests[1].command, 2);
    EXPECT_EQ(requests[1].timeMs, kT0Ms + 1500);
}

TEST_F(SimMonitorTest, EveryFaultKindSpoilsExactlyItsAnswers) {
    const Bytes nak1 = {0xFF, 0x02, 0x01, 0x01, 0x09, 0x68, 0xFF, 0x03};
    for (Fault fault : {Fault::Drop, Fault::Corrupt, Fault::Nak, Fault::Short}) {
        SCOPED_TRACE(int(fault));
        auto sim = Make();
        sim->InjectFault(fault, 2);
        for (int i = 0; i < 2; ++i) {
            const Bytes wire = Feed(*sim, kStatusB1);
            const std::vector<Answer> answers = ParseAnswers(wire);
            switch (fault) {
            case Fault::Drop:
                EXPECT_TRUE(wire.empty());
                break;
            case Fault::Nak:
                EXPECT_EQ(wire, nak1);
                break;
            case Fault::Corrupt:
                ASSERT_EQ(answers.size(), 1u);
                EXPECT_FALSE(answers[0].checkValid);
                EXPECT_EQ(wire.size(), kStatusBAnswer1.size());
                EXPECT_NE(wire, kStatusBAnswer1);
                break;
            case Fault::Short: {
                ASSERT_EQ(answers.size(), 1u);
                EXPECT_TRUE(answers[0].checkValid);
                EXPECT_EQ(answers[0].command, 24);
                const Bytes half = {0x40, 0xE0, 0x00, 0x00, 0x01, 0x00};
                EXPECT_EQ(answers[0].payload, half);
                break;
            }
            }
        }
        EXPECT_EQ(sim->PendingFaults(), 0);
        EXPECT_EQ(Feed(*sim, kStatusB1), kStatusBAnswer1);
    }
}

TEST_F(SimMonitorTest, SilentMonitorHearsAndAnswersNothing) {
    auto sim = Make();
    sim->SetSilent(true);
    EXPECT_TRUE(Feed(*sim, kStatusB1).empty());
    EXPECT_TRUE(sim->Requests().empty());
    sim->SetSilent(false);
    EXPECT_EQ(Feed(*sim, kStatusB1), kStatusBAnswer1);
}

TEST_F(SimMonitorTest, WritingLastSyncTimeSetsTheDeviceClock) {
    // Write register 2 := 1800000000 (6B 49 D2 00).
    const Bytes write = {0xFF, 0x02, 0x05, 0x32, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00,
                         0x00, 0x00, 0x6B, 0x49, 0xD2, 0x00, 0x02, 0x30, 0xFF, 0x03};
    {
        auto sim = Make();
        EXPECT_EQ(Ask(*sim, write).command, 5);
        clock.AdvanceTo(kT0Ms + 5000);
        const Answer status = Ask(*sim, kStatusB1);
        EXPECT_EQ(Be32(status.payload, 8), 1800000005u);
        EXPECT_EQ(sim->RegisterWord(3), 1800000005u);
        EXPECT_EQ(sim->RegisterWord(2), 1800000000u);
    }
    {
        // An old monitor keeps local time: what the host writes is what its status reports.
        auto sim = Make(6.5f);
        Ask(*sim, write);
        clock.AdvanceTo(kT0Ms + 10000);
        EXPECT_EQ(Be32(Ask(*sim, kStatusA2).payload, 16), 1800000005u);
    }
}

TEST_F(SimMonitorTest, FactoryResetRestoresDefaultsButKeepsTheSerialNumber) {
    auto sim = Make();
    Ask(*sim, {0xFF, 0x02, 0x05, 0x04, 0x02, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00,
               0x0E, 0x10, 0x48, 0x00, 0x00, 0x00, 0x40, 0x20, 0x00, 0x00, 0x0B, 0x28, 0xFF, 0x03});
    Ask(*sim, {0xFF, 0x02, 0x07, 0x05, 0x22, 0x00, 0x00, 0x00, 0x00, 0x00,
               0x00, 0x3D, 0x3F, 0x80, 0x00, 0x00, 0x04, 0x70, 0xFF, 0x03});
    sim->SetSerialNumber(7654321);
    EXPECT_FALSE(sim->FactoryResetReceived());

    const Answer a = Ask(*sim, {0xFF, 0x02, 0x03, 0x18, 0x07, 0x28, 0xFF, 0x03});
    EXPECT_EQ(a.command, 3);
    EXPECT_TRUE(a.payload.empty());
    EXPECT_TRUE(sim->FactoryResetReceived());
    EXPECT_EQ(sim->RegisterValue(12), 2100.0);
    EXPECT_FLOAT_EQ(float(sim->RegisterValue(72)), 2.2f);
    EXPECT_EQ(sim->LoggingDelta(34), 0.0f);
    EXPECT_EQ(sim->RegisterValue(1), 7654321.0);
}

TEST_F(SimMonitorTest, TemplateNameAndSerialTextAnswerZeroTerminatedText) {
    auto sim = Make();
    EXPECT_EQ(sim->TemplateName(), "1");
    const Answer set = Ask(*sim, {0xFF, 0x02, 0x0E, 0x14, 0x41, 0x42, 0x43, 0x0B, 0x78, 0xFF, 0x03});
    EXPECT_EQ(set.command, 14);
    EXPECT_EQ(set.payload, (Bytes{'A', 'B', 'C', 0}));
    const Answer get = Ask(*sim, {0xFF, 0x02, 0x0F, 0x15, 0x0E, 0x78, 0xFF, 0x03});
    EXPECT_EQ(get.payload, (Bytes{'A', 'B', 'C', 0}));
    EXPECT_EQ(sim->TemplateName(), "ABC");

    const Bytes setSerial = {0xFF, 0x02, 0x10, 0x16, 0x53, 0x4E, 0x2D, 0x37, 0x37, 0x07, 0x30, 0xFF, 0x03};
    const Bytes getSerial = {0xFF, 0x02, 0x11, 0x17, 0x0C, 0x20, 0xFF, 0x03};
    EXPECT_EQ(Ask(*sim, getSerial).payload, (Bytes{'O', 'R', 'V', '1', '2', '3', '4', '5', '6', '7', 0}));
    EXPECT_EQ(Ask(*sim, setSerial).payload, (Bytes{'S', 'N', '-', '7', '7', 0}));
    EXPECT_EQ(sim->SerialText(), "SN-77");

    // The old protocol has no serial text.
    auto old = Make(6.5f);
    EXPECT_EQ(Ask(*old, getSerial).command, 1);
    EXPECT_EQ(Ask(*old, setSerial).command, 1);
}

TEST_F(SimMonitorTest, LiveReadingsWanderDeterministically) {
    auto a = Make();
    auto b = Make();
    double first = a->RegisterValue(41);
    bool moved = false;
    for (int s = 1; s <= 30; ++s) {
        clock.AdvanceTo(kT0Ms + s * 1000);
        const double v = a->RegisterValue(41);
        EXPECT_EQ(v, b->RegisterValue(41)); // same seed, same reading
        EXPECT_GT(v, 20.0);                 // a stopped monitor's air heater sits near ambient
        EXPECT_LT(v, 30.0);
        moved = moved || v != first;
    }
    EXPECT_TRUE(moved);

    // A written reading stays as written.
    a->SetRegisterValue(41, 39.5);
    clock.AdvanceTo(kT0Ms + 60000);
    EXPECT_FLOAT_EQ(float(a->RegisterValue(41)), 39.5f);
}

} // namespace
} // namespace orvo::sim::test
