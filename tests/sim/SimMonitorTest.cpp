// Framing, status, registers, refusals and faults of the simulated monitor. Every request frame and every
// expected answer frame below was worked out by hand from the frame rules.

#include "SimTestSupport.h"

#include <gtest/gtest.h>

namespace orvo::sim::test {
namespace {

// Read registers 12 SHIFT WARMUP TIME (integer) and 72 FLOW RATE SET PT (float).
const Bytes kRead12And72 = {0xFF, 0x02, 0x04, 0x03, 0x02, 0x0C, 0x48, 0x0B, 0x58, 0xFF, 0x03};
// Write 12 := 3600 (00 00 0E 10) and 72 := 2.5 (40 20 00 00).
const Bytes kWrite12And72 = {0xFF, 0x02, 0x05, 0x04, 0x02, 0x00, 0x00, 0x00, 0x0C, 0x00,
                             0x00, 0x00, 0x00, 0x00, 0x0E, 0x10, 0x48, 0x00, 0x00, 0x00,
                             0x40, 0x20, 0x00, 0x00, 0x0B, 0x28, 0xFF, 0x03};
// Logging of register 34: code 61, delta 1.0 (3F 80 00 00).
const Bytes kWriteLogging34 = {0xFF, 0x02, 0x07, 0x05, 0x22, 0x00, 0x00, 0x00, 0x00, 0x00,
                               0x00, 0x3D, 0x3F, 0x80, 0x00, 0x00, 0x04, 0x70, 0xFF, 0x03};

using SimMonitorTest = SimFixture;

TEST_F(SimMonitorTest, StatusAnswersAreByteExactForBothClasses) {
    auto sim = Make();
    EXPECT_EQ(Feed(*sim, kStatusB1), kStatusBAnswer1);
    // Sequence 255 is escaped on the way in and on the way back.
    const Bytes request255 = {0xFF, 0x02, 0x18, 0xFF, 0xFF, 0x0B, 0x68, 0xFF, 0x03};
    const Bytes answer255 = {0xFF, 0x02, 0x18, 0xFF, 0xFF, 0x40, 0xE0, 0x00, 0x00, 0x01, 0x00,
                             0x00, 0x00, 0x65, 0x53, 0xF1, 0x00, 0x05, 0x18, 0xFF, 0x03};
    EXPECT_EQ(Feed(*sim, request255), answer255);

    // Serial 1234567 (00 12 D6 87), firmware 6.5 (40 D0 00 00), unused word, state 1, three reserved,
    // device time on the local clock 1700000000 - 300 * 60 = 1699982000 (65 53 AA B0).
    const Bytes statusA = {0xFF, 0x02, 0x02, 0x02, 0x00, 0x12, 0xD6, 0x87, 0x40, 0xD0,
                           0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
                           0x65, 0x53, 0xAA, 0xB0, 0x0E, 0x70, 0xFF, 0x03};
    EXPECT_EQ(Feed(*Make(6.5f), kStatusA2), statusA);
}

TEST_F(SimMonitorTest, FirmwareClassDecidesWhichStatusCommandIsAnswered) {
    struct Case {
        float firmware;
        bool answersOld;
        uint8_t answerTo24;
        uint8_t answerTo2;
    };
    const Case cases[] = {
        {7.0f, false, 24, 1},
        {7.0f, true, 24, 2},
        {6.69f, false, 24, 1}, // 6.69f widened is above 6.69
        {6.68f, false, 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "firmware " << c.firmware << " answersOld " << c.answersOld);
        SimConfig config;
        config.firmware = c.firmware;
        config.answersOldCommands = c.answersOld;
        auto sim = Make(config);
        EXPECT_EQ(Ask(*sim, kStatusB1).command, c.answerTo24);
        EXPECT_EQ(Ask(*sim, kStatusA2).command, c.answerTo2);
    }
}

TEST_F(SimMonitorTest, RegistersAndLoggingAreReadWrittenAndFactoryReset) {
    auto sim = Make();
    const Answer read = Ask(*sim, kRead12And72); // 2100 and 2.2 (40 0C CC CD)
    EXPECT_EQ(read.command, 4);
    EXPECT_EQ(read.sequence, 3);
    EXPECT_EQ(read.payload, (Bytes{0x02, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00,
                                   0x08, 0x34, 0x48, 0x00, 0x00, 0x00, 0x40, 0x0C, 0xCC, 0xCD}));

    const Bytes written = {0x02, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00,
                           0x0E, 0x10, 0x48, 0x00, 0x00, 0x00, 0x40, 0x20, 0x00, 0x00};
    const Answer write = Ask(*sim, kWrite12And72);
    EXPECT_EQ(write.command, 5);
    EXPECT_EQ(write.payload, written);
    EXPECT_EQ(Ask(*sim, kRead12And72).payload, written);

    const Answer logging = Ask(*sim, kWriteLogging34);
    EXPECT_EQ(logging.command, 7);
    EXPECT_EQ(logging.payload, (Bytes{0x22, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3D,
                                      0x3F, 0x80, 0x00, 0x00}));
    EXPECT_EQ(sim->LoggingCode(34), 61u);
    EXPECT_EQ(sim->LoggingDelta(34), 1.0f);
    // Full read of register 0: firmware 7.0, logging code 1 (Header/Footer), delta 0.
    const Answer full = Ask(*sim, {0xFF, 0x02, 0x06, 0x06, 0x00, 0x0F, 0x50, 0xFF, 0x03});
    EXPECT_EQ(full.command, 6);
    EXPECT_EQ(full.payload, (Bytes{0x00, 0x00, 0x00, 0x00, 0x40, 0xE0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,
                                   0x00, 0x00, 0x00, 0x00}));

    sim->SetSerialNumber(7654321);
    const Answer reset = Ask(*sim, {0xFF, 0x02, 0x03, 0x18, 0x07, 0x28, 0xFF, 0x03});
    EXPECT_EQ(reset.command, 3);
    EXPECT_TRUE(reset.payload.empty());
    EXPECT_TRUE(sim->FactoryResetReceived());
    EXPECT_EQ(sim->RegisterValue(12), 2100.0);
    EXPECT_FLOAT_EQ(float(sim->RegisterValue(72)), 2.2f);
    EXPECT_EQ(sim->LoggingDelta(34), 0.0f);
    EXPECT_EQ(sim->RegisterValue(1), 7654321.0); // the serial number survives
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
        {"read of register 184",
         {0xFF, 0x02, 0x04, 0x09, 0x01, 0xB8, 0x0E, 0x30, 0xFF, 0x03},
         {0xFF, 0x02, 0x01, 0x09, 0x0E, 0x60, 0xFF, 0x03}},
        {"unused code 23",
         {0xFF, 0x02, 0x17, 0x0A, 0x05, 0x50, 0xFF, 0x03},
         {0xFF, 0x02, 0x01, 0x0A, 0x08, 0x60, 0xFF, 0x03}},
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
            if (fault == Fault::Drop) {
                EXPECT_TRUE(wire.empty());
            } else if (fault == Fault::Nak) {
                EXPECT_EQ(wire, nak1);
            } else if (fault == Fault::Runt) {
                EXPECT_EQ(wire, runt24);
            } else if (fault == Fault::Corrupt) {
                ASSERT_EQ(answers.size(), 1u);
                EXPECT_FALSE(answers[0].checkValid);
            } else {
                ASSERT_EQ(answers.size(), 1u);
                EXPECT_TRUE(answers[0].checkValid);
                EXPECT_EQ(answers[0].payload, (Bytes{0x40, 0xE0, 0x00, 0x00, 0x01, 0x00})); // half the status
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

TEST_F(SimMonitorTest, WritingLastSyncTimeSetsTheDeviceClock) {
    // Write register 2 := 1800000000 (6B 49 D2 00).
    const Bytes write = {0xFF, 0x02, 0x05, 0x32, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00,
                         0x00, 0x00, 0x6B, 0x49, 0xD2, 0x00, 0x02, 0x30, 0xFF, 0x03};
    auto sim = Make();
    EXPECT_EQ(Ask(*sim, write).command, 5);
    // An old monitor keeps local time: what the host writes is what its status reports.
    auto old = Make(6.5f);
    Ask(*old, write);
    clock.AdvanceTo(kT0Ms + 5000);
    EXPECT_EQ(Be32(Ask(*sim, kStatusB1).payload, 8), 1800000005u);
    EXPECT_EQ(sim->RegisterWord(3), 1800000005u);
    EXPECT_EQ(Be32(Ask(*old, kStatusA2).payload, 16), 1800000005u);
}

TEST_F(SimMonitorTest, TemplateNameAndSerialTextAnswerZeroTerminatedText) {
    auto sim = Make();
    const Answer set = Ask(*sim, {0xFF, 0x02, 0x0E, 0x14, 0x41, 0x42, 0x43, 0x0B, 0x78, 0xFF, 0x03});
    EXPECT_EQ(set.command, 14);
    EXPECT_EQ(set.payload, (Bytes{'A', 'B', 'C', 0}));
    EXPECT_EQ(Ask(*sim, {0xFF, 0x02, 0x0F, 0x15, 0x0E, 0x78, 0xFF, 0x03}).payload, (Bytes{'A', 'B', 'C', 0}));

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

} // namespace
} // namespace orvo::sim::test
