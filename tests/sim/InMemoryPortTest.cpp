// The in-memory wire: pacing, reads at virtual time or real time, and a monitor shared with the
// link thread.

#include "InMemoryPort.h"
#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace orvo::sim::test {
namespace {

class InMemoryPortTest : public SimFixture {
protected:
    std::shared_ptr<InMemoryWire> MakeWire(Clock& c, bool pace) {
        return std::make_shared<InMemoryWire>(std::make_shared<SimMonitor>(SimConfig{}, c, zone), c, pace);
    }
    static std::unique_ptr<SerialPort> OpenPort(InMemoryWire& wire) {
        auto port = wire.Factory()();
        EXPECT_TRUE(port->Open("sim").ok());
        return port;
    }
    static bool WriteStatus(SerialPort& port) { return port.Write(kStatusB1.data(), kStatusB1.size()); }
};

TEST_F(InMemoryPortTest, PacedAnswerArrivesAtTheLineRate) {
    auto wire = MakeWire(clock, true);
    auto port = OpenPort(*wire);
    ASSERT_TRUE(WriteStatus(*port));

    uint8_t b = 0;
    // The 8-byte request needs 4.17 ms to arrive, the first answer byte 0.52 ms more.
    EXPECT_EQ(port->ReadByte(b, 0), ReadResult::Timeout);
    EXPECT_EQ(clock.NowMs(), kT0Ms);
    Bytes got;
    for (size_t i = 0; i < kStatusBAnswer1.size(); ++i) {
        ASSERT_EQ(port->ReadByte(b, 100), ReadResult::Byte) << i;
        got.push_back(b);
        if (i == 0) {
            EXPECT_EQ(clock.NowMs(), kT0Ms + 5); // 4.69 ms, readable from the next whole millisecond
        }
    }
    EXPECT_EQ(got, kStatusBAnswer1);
    // (8 + 20) bytes * 10 bits / 19200 baud = 14.58 ms.
    EXPECT_EQ(clock.NowMs(), kT0Ms + 15);
}

TEST_F(InMemoryPortTest, ReadsTakeVirtualTimeOnly) {
    auto wire = MakeWire(clock, false);
    auto port = OpenPort(*wire);
    uint8_t b = 0;
    EXPECT_EQ(port->ReadByte(b, 25), ReadResult::Timeout);
    EXPECT_EQ(clock.NowMs(), kT0Ms + 25);
    // Unpaced answers are there at once and take no time.
    ASSERT_TRUE(WriteStatus(*port));
    for (size_t i = 0; i < 20; ++i)
        ASSERT_EQ(port->ReadByte(b, 25), ReadResult::Byte);
    EXPECT_EQ(clock.NowMs(), kT0Ms + 25);

    // Seven unanswered requests of 13 passes of 25 ms each: over two seconds virtual, far less real.
    wire->Sim()->SetSilent(true);
    const auto started = std::chrono::steady_clock::now();
    for (int attempt = 0; attempt < 7; ++attempt) {
        ASSERT_TRUE(WriteStatus(*port));
        for (int pass = 0; pass < 13; ++pass)
            ASSERT_EQ(port->ReadByte(b, 25), ReadResult::Timeout);
    }
    EXPECT_EQ(clock.NowMs(), kT0Ms + 25 + 7 * 325);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
    const auto writes = wire->Writes();
    ASSERT_EQ(writes.size(), 8u);
    EXPECT_EQ(writes[7].timeMs, kT0Ms + 25 + 6 * 325);
    EXPECT_EQ(writes[7].bytes, kStatusB1);
    // A monitor that runs for hours keeps only its newest writes.
    wire->SetWriteLimit(2);
    ASSERT_EQ(wire->Writes().size(), 2u);
    EXPECT_EQ(wire->Writes()[1].timeMs, writes[7].timeMs);
}

TEST_F(InMemoryPortTest, RealClockReadWaitsForThePacedAnswer) {
    auto wire = MakeWire(SystemClock::Instance(), true);
    auto port = OpenPort(*wire);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(WriteStatus(*port));
    uint8_t b = 0;
    size_t count = 0;
    while (port->ReadByte(b, 1000) == ReadResult::Byte && ++count < 20) {
    }
    EXPECT_EQ(count, 20u);
    // 20 bytes at 19200 baud cannot arrive in less than 10 ms.
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(10));
}

TEST_F(InMemoryPortTest, MonitorCanBeInspectedWhileTheLinkThreadFeedsIt) {
    auto wire = MakeWire(SystemClock::Instance(), false);
    auto sim = wire->Sim();
    std::atomic<bool> done{false};
    int answered = 0;
    std::thread link([&] {
        auto port = OpenPort(*wire);
        for (int i = 0; i < 200; ++i) {
            WriteStatus(*port);
            Bytes got;
            uint8_t b = 0;
            while (got.size() < 20 && port->ReadByte(b, 1000) == ReadResult::Byte)
                got.push_back(b);
            const auto answers = ParseAnswers(got);
            answered += answers.size() == 1 && answers[0].checkValid && answers[0].command == 24;
        }
        done = true;
    });
    while (!done) {
        EXPECT_GT(sim->RegisterValue(60), 700.0);
        sim->SetRegisterValue(155, 3);
        (void)sim->Requests();
    }
    link.join();
    EXPECT_EQ(answered, 200);
    EXPECT_EQ(sim->Requests().size(), 200u);
}

} // namespace
} // namespace orvo::sim::test
