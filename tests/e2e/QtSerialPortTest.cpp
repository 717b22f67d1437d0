#include "port/QtSerialPort.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace orvo {
namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr int kGenerousMs = 5000;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// The far end of the cable: the master side of a pseudo-terminal in raw mode.
class PseudoTerminal {
public:
    PseudoTerminal() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        char name[128] = {};
        termios raw{};
        if (m_master >= 0 && ::grantpt(m_master) == 0 && ::unlockpt(m_master) == 0 &&
            ::ptsname_r(m_master, name, sizeof name) == 0 && ::tcgetattr(m_master, &raw) == 0 &&
            (::cfmakeraw(&raw), ::tcsetattr(m_master, TCSANOW, &raw) == 0))
            m_slave = name;
    }
    ~PseudoTerminal() { CloseMaster(); }

    bool ok() const { return m_master >= 0 && !m_slave.empty(); }
    const std::string& SlavePath() const { return m_slave; }

    void CloseMaster() {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

    bool Send(const Bytes& bytes) {
        for (size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }

    // Whatever arrives until `count` bytes are in or the generous bound runs out.
    Bytes Receive(size_t count) {
        Bytes got;
        const auto start = Clock::now();
        while (got.size() < count && MsSince(start) < kGenerousMs) {
            pollfd fd{m_master, POLLIN, 0};
            if (::poll(&fd, 1, 100) <= 0)
                continue;
            uint8_t buffer[256];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n <= 0)
                break;
            got.insert(got.end(), buffer, buffer + n);
        }
        return got;
    }

private:
    int m_master = -1;
    std::string m_slave;
};

// The adapter lives on the link thread, a plain thread without an event loop; so do the tests.
template <typename Body> void OnLinkThread(Body body) {
    std::thread thread(body);
    thread.join();
}

Bytes ReadAll(QtSerialPort& port, size_t count) {
    Bytes got;
    uint8_t byte = 0;
    while (got.size() < count && port.ReadByte(byte, kGenerousMs) == ReadResult::Byte)
        got.push_back(byte);
    return got;
}

class QtSerialPortTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_pty.ok()) << "no pseudo-terminal available"; }

    PseudoTerminal m_pty;
};

TEST_F(QtSerialPortTest, BytesCrossUntranslatedBothWays) {
    OnLinkThread([&] {
        QtSerialPort port;
        const PortOpenResult opened = port.Open(m_pty.SlavePath());
        ASSERT_TRUE(opened.ok()) << opened.reason;
        // A pseudo-terminal has no DTR line; refusing it must not harm the traffic below.
        EXPECT_FALSE(port.SetDtr(true));

        // A status request frame, then every byte value: nothing may be eaten or translated.
        Bytes out = {0xFF, 0x02, 0x02, 0x01, 0x02, 0x08, 0xFF, 0x03};
        for (int i = 0; i < 1024; ++i)
            out.push_back(static_cast<uint8_t>(i));
        ASSERT_TRUE(port.Write(out.data(), out.size()));
        EXPECT_EQ(m_pty.Receive(out.size()), out);

        // CR, LF, XON, XOFF, ^C, ^D, DEL and 0xFF would all be eaten or changed by a cooked line.
        const Bytes in = {0x0D, 0x0A, 0x11, 0x13, 0x03, 0x04, 0x7F, 0xFF, 0x00, 0x1A};
        ASSERT_TRUE(m_pty.Send(in));
        EXPECT_EQ(ReadAll(port, in.size()), in);

        // Silence waits out the time-out, not much longer, and does not spoil the port.
        uint8_t byte = 0;
        const auto start = Clock::now();
        EXPECT_EQ(port.ReadByte(byte, 100), ReadResult::Timeout);
        EXPECT_TRUE(MsSince(start) >= 95 && MsSince(start) < 1100) << MsSince(start);

        // The port can be opened again after closing it.
        port.Close();
        ASSERT_TRUE(port.Open(m_pty.SlavePath()).ok());
        ASSERT_TRUE(m_pty.Send({0x5A}));
        EXPECT_EQ(ReadAll(port, 1), Bytes{0x5A});
    });
}

TEST_F(QtSerialPortTest, HangUpWhileReadingIsAnError) {
    OnLinkThread([&] {
        QtSerialPort port;
        ASSERT_TRUE(port.Open(m_pty.SlavePath()).ok());
        // The far end goes while the read is (about to be) waiting.
        std::thread farEnd([&] { m_pty.CloseMaster(); });
        uint8_t byte = 0;
        const auto start = Clock::now();
        const ReadResult result = port.ReadByte(byte, 3 * kGenerousMs);
        farEnd.join();
        EXPECT_EQ(result, ReadResult::Error);
        EXPECT_LT(MsSince(start), kGenerousMs);

        // The failure sticks until the port is closed.
        EXPECT_EQ(port.ReadByte(byte, 10), ReadResult::Error);
        const uint8_t frame[] = {0xFF, 0x02};
        EXPECT_FALSE(port.Write(frame, sizeof frame));
    });
}

TEST_F(QtSerialPortTest, OpensThroughALinkAndNoticesItGo) {
    const auto dir = std::filesystem::temp_directory_path() / ("orvo-port-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto link = dir / "ttyORVO";
    std::filesystem::create_symlink(m_pty.SlavePath(), link);
    OnLinkThread([&] {
        QtSerialPort port;
        const PortOpenResult opened = port.Open(link.string());
        ASSERT_TRUE(opened.ok()) << opened.reason;
        ASSERT_TRUE(m_pty.Send({0x33}));
        EXPECT_EQ(ReadAll(port, 1), Bytes{0x33});

        // udev removes the node (and its by-id link) when an adapter is pulled out.
        std::filesystem::remove(link);
        uint8_t byte = 0;
        EXPECT_EQ(port.ReadByte(byte, 10), ReadResult::Error);
    });
    std::filesystem::remove_all(dir);
}

TEST(QtSerialPortOpen, MissingDeviceIsAnOpenFailureWithTheSystemsReason) {
    OnLinkThread([] {
        QtSerialPort port;
        for (const char* name : {"/nonexistent-orvo/ttyUSB0", "ttyORVO-missing"}) {
            const PortOpenResult result = port.Open(name);
            EXPECT_TRUE(result.error == PortOpenError::Open && !result.reason.empty()) << name;
        }
        uint8_t byte = 0;
        EXPECT_EQ(port.ReadByte(byte, 10), ReadResult::Error);
        EXPECT_FALSE(port.Write(&byte, 1));
    });
}

TEST(QtSerialPortPermission, BareNamesLiveUnderDevAndADeniedOneNamesTheGroupAndHowToJoinIt) {
    for (const auto& [name, path] :
         {std::pair{"ttyUSB0", "/dev/ttyUSB0"}, {"/dev/pts/7", "/dev/pts/7"}, {"./ttyLocal", "./ttyLocal"}})
        EXPECT_EQ(SerialDevicePath(name), path);
    EXPECT_EQ(
        PermissionDeniedReason("/dev/ttyUSB0", "dialout"),
        "Permission denied. The device /dev/ttyUSB0 belongs to the group \"dialout\"; add yourself with: "
        "sudo usermod -aG dialout $USER (then log out and back in).");
    // Joining root is no advice to give.
    const std::string root = PermissionDeniedReason("/dev/ttyS0", "root");
    EXPECT_TRUE(root.find("\"root\"") != std::string::npos && root.find("usermod") == std::string::npos)
        << root;
    const std::string unknown = PermissionDeniedReason("/dev/ttyS0", "");
    EXPECT_TRUE(unknown.rfind("Permission denied.", 0) == 0 && unknown.find("usermod") == std::string::npos)
        << unknown;
}

TEST(QtSerialPortPermission, FindsTheGroupOwningTheNode) {
    const auto file = std::filesystem::temp_directory_path() / ("orvo-group-" + std::to_string(::getpid()));
    std::ofstream(file).put('x');
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    const group* owner = ::getgrgid(info.st_gid);
    const std::string expected = owner != nullptr ? owner->gr_name : "";
    EXPECT_EQ(DeviceGroupName(file.string()), expected);
    std::filesystem::remove(file);
    EXPECT_EQ(DeviceGroupName(file.string()), "");
}

} // namespace
} // namespace orvo
