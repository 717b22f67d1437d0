// Which status request the simulated monitor answers, its refusals, its faults and the texts it keeps.
// Every request frame and every expected answer frame below was worked out by hand from the frame rules;
// the answers' layouts are pinned through the application's tests against the simulator.

#include "SimTestSupport.h"

#include <gtest/gtest.h>

namespace orvo::sim::test {
namespace {

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

// What the demo shows after a template, a serial number or Factory Defaults: the texts kept,
// zero-terminated; a reset restores the defaults but keeps the serial number.
TEST_F(SimMonitorTest, TextsAreKeptAndAResetKeepsTheSerialNumber) {
    auto sim = Make();
    EXPECT_EQ(Ask(*sim, {0xFF, 0x02, 0x0E, 0x14, 0x41, 0x42, 0x43, 0x0B, 0x78, 0xFF, 0x03}).payload,
              (Bytes{'A', 'B', 'C', 0}));
    EXPECT_EQ(Ask(*sim, {0xFF, 0x02, 0x0F, 0x15, 0x0E, 0x78, 0xFF, 0x03}).payload, (Bytes{'A', 'B', 'C', 0}));
    const Bytes setSerial = {0xFF, 0x02, 0x10, 0x16, 0x53, 0x4E, 0x2D, 0x37, 0x37, 0x07, 0x30, 0xFF, 0x03};
    EXPECT_EQ(Ask(*sim, setSerial).payload, (Bytes{'S', 'N', '-', '7', '7', 0}));
    EXPECT_EQ(sim->SerialText(), "SN-77");

    sim->SetSerialNumber(7654321);
    sim->SetRegisterValue(12, 3600);
    EXPECT_EQ(Ask(*sim, Frame(3, 24, {})).command, 3);
    EXPECT_EQ(sim->RegisterValue(12), 2100.0);
    EXPECT_EQ(sim->RegisterValue(1), 7654321.0);
}

} // namespace
} // namespace orvo::sim::test
