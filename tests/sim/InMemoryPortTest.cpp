// The in-memory wire: pacing, reads at virtual time, and the cable's failures.

#include "InMemoryPort.h"
#include "SimTestSupport.h"

#include "platform/Clock.h"
#include "platform/TimeZoneSource.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace orvo::sim::test {
namespace {

const Bytes kStatusB1 = {0xFF, 0x02, 0x18, 0x01, 0x0E, 0x30, 0xFF, 0x03};
// 20 bytes: firmware 7.0, state 1, device time 1700000000.
const Bytes kStatusBAnswer1 = {0xFF, 0x02, 0x18, 0x01, 0x40, 0xE0, 0x00, 0x00, 0x01, 0x00,
                               0x00, 0x00, 0x65, 0x53, 0xF1, 0x00, 0x06, 0x10, 0xFF, 0x03};

class InMemoryPortTest : public ::testing::Test {
protected:
    std::shared_ptr<InMemoryWire> MakeWire(Clock& c, bool pace) {
        auto sim = std::make_shared<SimMonitor>(SimConfig{}, c, zone);
        return std::make_shared<InMemoryWire>(sim, c, pace);
    }
    static std::unique_ptr<SerialPort> OpenPort(InMemoryWire& wire) {
        auto port = wire.Factory()();
        EXPECT_TRUE(port->Open("sim").ok());
        return port;
    }

    VirtualClock clock{kT0Ms};
    FixedTimeZone zone{300, false};
};

TEST_F(InMemoryPortTest, PacedAnswerArrivesAtTheLineRate) {
    auto wire = MakeWire(clock, true);
    auto port = OpenPort(*wire);
    ASSERT_TRUE(port->Write(kStatusB1.data(), kStatusB1.size()));

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

    // Two requests in one write: the second answer queues behind the first on the line.
    const int64_t t1 = clock.NowMs();
    Bytes twice = kStatusB1;
    twice.insert(twice.end(), kStatusB1.begin(), kStatusB1.end());
    ASSERT_TRUE(port->Write(twice.data(), twice.size()));
    for (int i = 0; i < 40; ++i)
        ASSERT_EQ(port->ReadByte(b, 100), ReadResult::Byte);
    EXPECT_EQ(clock.NowMs(), t1 + 30); // 16 request bytes, then 40 answer bytes = 29.17 ms
}

TEST_F(InMemoryPortTest, VirtualReadAdvancesTheClockInsteadOfBlocking) {
    auto wire = MakeWire(clock, false);
    auto port = OpenPort(*wire);
    uint8_t b = 0;
    EXPECT_EQ(port->ReadByte(b, 25), ReadResult::Timeout);
    EXPECT_EQ(clock.NowMs(), kT0Ms + 25);

    // Unpaced answers are there at once and take no time.
    ASSERT_TRUE(port->Write(kStatusB1.data(), kStatusB1.size()));
    for (size_t i = 0; i < 20; ++i)
        ASSERT_EQ(port->ReadByte(b, 25), ReadResult::Byte);
    EXPECT_EQ(clock.NowMs(), kT0Ms + 25);

    // A byte further away than the time-out is not waited for.
    auto paced = MakeWire(clock, true);
    auto pacedPort = OpenPort(*paced);
    const int64_t t1 = clock.NowMs();
    ASSERT_TRUE(pacedPort->Write(kStatusB1.data(), kStatusB1.size()));
    ASSERT_EQ(pacedPort->ReadByte(b, 25), ReadResult::Byte);
    EXPECT_EQ(clock.NowMs(), t1 + 5);
}

TEST_F(InMemoryPortTest, SevenUnansweredRequestsTakeVirtualTimeOnly) {
    auto wire = MakeWire(clock, true);
    wire->Sim()->SetSilent(true);
    auto port = OpenPort(*wire);
    const auto started = std::chrono::steady_clock::now();
    uint8_t b = 0;
    for (int attempt = 0; attempt < 7; ++attempt) {
        ASSERT_TRUE(port->Write(kStatusB1.data(), kStatusB1.size()));
        for (int pass = 0; pass < 13; ++pass) // 13 passes of 25 ms = 325 ms
            ASSERT_EQ(port->ReadByte(b, 25), ReadResult::Timeout);
    }
    EXPECT_EQ(clock.NowMs(), kT0Ms + 7 * 325);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));

    const auto writes = wire->Writes();
    ASSERT_EQ(writes.size(), 7u);
    for (size_t i = 0; i < writes.size(); ++i) {
        EXPECT_EQ(writes[i].timeMs, kT0Ms + int64_t(i) * 325);
        EXPECT_EQ(writes[i].bytes, kStatusB1);
    }
    wire->ClearWrites();
    EXPECT_TRUE(wire->Writes().empty());
}

TEST_F(InMemoryPortTest, UnpluggedCableFailsUntilReplugged) {
    auto wire = MakeWire(clock, false);
    auto port = OpenPort(*wire);
    ASSERT_TRUE(port->Write(kStatusB1.data(), kStatusB1.size()));
    wire->Unplug();

    uint8_t b = 0;
    EXPECT_EQ(port->ReadByte(b, 25), ReadResult::Error); // the queued answer went with the cable
    EXPECT_FALSE(port->Write(kStatusB1.data(), kStatusB1.size()));
    const PortOpenResult r = wire->Factory()()->Open("sim");
    EXPECT_EQ(r.error, PortOpenError::Open);
    EXPECT_EQ(r.reason, "No such device");

    wire->Replug();
    ASSERT_TRUE(port->Write(kStatusB1.data(), kStatusB1.size()));
    ASSERT_EQ(port->ReadByte(b, 25), ReadResult::Byte);
    EXPECT_EQ(b, 0xFF);
}

TEST_F(InMemoryPortTest, FailNextOpenAndDtrPulses) {
    auto wire = MakeWire(clock, false);
    wire->FailNextOpen({PortOpenError::Configure, "Invalid argument"});
    auto port = wire->Factory()();
    const PortOpenResult r = port->Open("sim");
    EXPECT_EQ(r.error, PortOpenError::Configure);
    EXPECT_EQ(r.reason, "Invalid argument");
    EXPECT_TRUE(port->Open("sim").ok());

    for (bool level : {true, false, false, true, true, false, true})
        EXPECT_TRUE(port->SetDtr(level));
    EXPECT_EQ(wire->DtrPulses(), 3);

    port->Close();
    uint8_t b = 0;
    EXPECT_EQ(port->ReadByte(b, 25), ReadResult::Error);
    EXPECT_FALSE(port->Write(kStatusB1.data(), kStatusB1.size()));
}

TEST_F(InMemoryPortTest, RealClockReadWaitsForThePacedAnswer) {
    SystemClock& real = SystemClock::Instance();
    auto wire = MakeWire(real, true);
    auto port = OpenPort(*wire);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(port->Write(kStatusB1.data(), kStatusB1.size()));
    uint8_t b = 0;
    size_t count = 0;
    while (port->ReadByte(b, 1000) == ReadResult::Byte && ++count < 20) {
    }
    EXPECT_EQ(count, 20u);
    // 20 bytes at 19200 baud cannot arrive in less than 10 ms.
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(10));
    EXPECT_EQ(port->ReadByte(b, 20), ReadResult::Timeout);
}

TEST_F(InMemoryPortTest, MonitorCanBeInspectedWhileTheLinkThreadFeedsIt) {
    SystemClock& real = SystemClock::Instance();
    auto wire = MakeWire(real, false);
    auto sim = wire->Sim();
    std::atomic<bool> done{false};
    int answered = 0;
    std::thread link([&] {
        auto port = OpenPort(*wire);
        for (int i = 0; i < 200; ++i) {
            port->Write(kStatusB1.data(), kStatusB1.size());
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
        EXPECT_EQ(sim->DeviceState(), 1);
        sim->SetRegisterValue(155, 3);
        (void)sim->Requests();
    }
    link.join();
    EXPECT_EQ(answered, 200);
    EXPECT_EQ(sim->Requests().size(), 200u);
}

} // namespace
} // namespace orvo::sim::test
