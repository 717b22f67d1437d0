// The in-memory wire: pacing and reads at virtual time. That the monitor may be inspected while a
// link thread feeds it is shown under ThreadSanitizer by the calibration and download runs.

#include "InMemoryPort.h"
#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>

namespace orvo::sim::test {
namespace {

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

TEST_F(InMemoryPortTest, ReadsTakeVirtualTimeOnly) {
    auto wire = MakeWire(false);
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

} // namespace
} // namespace orvo::sim::test
