// The link section of orvo_bench: what an idle connection costs, how many register round trips the
// link makes when nothing slows it, and how much of a 19200-baud line a loop of reads fills.

#include "BenchApplication.h"
#include "BenchSections.h"
#include "InMemoryPort.h"
#include "SimMonitor.h"
#include "SimProcess.h"
#include "link/CDeviceLink.h"
#include "link/FrameTrace.h"
#include "model/COrvodeskDoc.h"
#include "model/StatusAnswer.h"
#include "platform/Clock.h"
#include "platform/MessageSink.h"
#include "platform/TimeZoneSource.h"
#include "port/QtSerialPort.h"

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace orvo::bench {

namespace {

using Steady = std::chrono::steady_clock;

constexpr double kIdleSeconds = 10.0;
constexpr double kRoundTripSeconds = 3.0;
constexpr double kPacedSeconds = 5.0;
constexpr double kLineBytesPerSecond = 19200.0 / 10.0; // 8N1: ten bits a byte
constexpr auto kConnectBound = std::chrono::seconds(10);

double SecondsOf(const timeval& t) {
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

struct Cpu {
    double user = 0;
    double sys = 0;
    double Total() const { return user + sys; }
};

Cpu ProcessCpu() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return {SecondsOf(usage.ru_utime), SecondsOf(usage.ru_stime)};
}

// Another process's CPU time, from /proc (it is not our waited-for child until it ends).
std::optional<Cpu> ProcessCpu(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (close == std::string::npos)
        return std::nullopt;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    // Fields 3..13 precede utime (14) and stime (15).
    for (int i = 3; i <= 13 && fields >> field; ++i) {
    }
    double utime = 0, stime = 0;
    if (!(fields >> utime >> stime))
        return std::nullopt;
    const double tick = double(sysconf(_SC_CLK_TCK));
    return Cpu{utime / tick, stime / tick};
}

double Since(Steady::time_point start) {
    return std::chrono::duration<double>(Steady::now() - start).count();
}

void SleepSeconds(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

class StderrSink final : public MessageSink {
public:
    void ShowError(const std::string& caption, const std::string& text) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }
};

// Counts the bytes of every frame written and every run of bytes read, as they go on the wire.
class ByteCounter final : public FrameTrace {
public:
    void Bytes(bool sent, int64_t, const uint8_t*, size_t length) override {
        (sent ? m_sent : m_received).fetch_add(length);
    }
    uint64_t Sent() const { return m_sent; }
    uint64_t Received() const { return m_received; }

private:
    std::atomic<uint64_t> m_sent{0};
    std::atomic<uint64_t> m_received{0};
};

// Tells when the monitor has identified itself and, while chaining, queues the next read of
// `registers` as soon as the last of them is answered. It runs on the link thread: no hand-off is
// set, so queueing from here is allowed. Answers are counted from the start of the chain on, those
// that arrive after it stopped included.
class BenchView final : public IDocView {
public:
    explicit BenchView(COrvodeskDoc& doc, std::vector<int> registers = {})
        : m_doc(doc), m_registers(std::move(registers)) {}

    void OnDocUpdate(uint32_t flags, intptr_t value) override {
        if (flags & UPDATE_IDENTITY) {
            std::lock_guard lock(m_lock);
            m_connected = m_doc.Connected();
            m_changed.notify_all();
        }
        if ((flags & UPDATE_REGISTER) && m_counting.load() && value == m_registers.back()) {
            const int64_t now = Steady::now().time_since_epoch().count();
            if (m_answers.fetch_add(1) == 0)
                m_first = now;
            m_last = now;
            if (m_chaining)
                m_doc.Link().ReadRegisters(m_registers);
        }
    }

    bool WaitConnected() {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, kConnectBound, [this] { return m_connected; });
    }

    void StartChain() {
        m_counting = true;
        m_chaining = true;
        m_doc.Link().ReadRegisters(m_registers);
    }
    uint64_t Answers() const { return m_answers; }
    // From the first answer to the last, so that the figure is not rounded to whole round trips.
    double MsPerAnswer() const {
        const uint64_t answers = m_answers;
        if (answers < 2)
            return 0.0;
        return std::chrono::duration<double, std::milli>(Steady::duration(m_last - m_first)).count() /
               double(answers - 1);
    }
    // Stops queueing and waits until the read under way has been answered.
    void StopChain() {
        m_chaining = false;
        const auto start = Steady::now();
        while (m_counting && m_doc.Link().QueueLength() != 0 && Since(start) < 5.0)
            SleepSeconds(0.001);
    }

private:
    COrvodeskDoc& m_doc;
    const std::vector<int> m_registers;
    std::atomic<bool> m_counting{false};
    std::atomic<bool> m_chaining{false};
    std::atomic<uint64_t> m_answers{0};
    std::atomic<int64_t> m_first{0}; // steady clock ticks
    std::atomic<int64_t> m_last{0};
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_connected = false;
};

// The system clock, keeping count of the time the link spends in SleepMs: on a running connection
// that is the DTR pulse before every write, two 1 ms sleeps.
class MeteredClock final : public Clock {
public:
    int64_t NowMs() const override { return SystemClock::Instance().NowMs(); }
    void SleepMs(int64_t ms) override {
        const auto start = Steady::now();
        SystemClock::Instance().SleepMs(ms);
        m_slept.fetch_add((Steady::now() - start).count());
    }
    double SleptMs() const {
        return std::chrono::duration<double, std::milli>(Steady::duration(m_slept.load())).count();
    }

private:
    std::atomic<Steady::rep> m_slept{0};
};

// A document with its view, connected through `factory`; closed (and the link thread joined) before
// the view goes.
class Connection {
public:
    explicit Connection(std::vector<int> chainRegisters = {})
        : m_doc(m_clock, SystemTimeZone::Instance(), m_sink), m_view(m_doc, std::move(chainRegisters)) {
        m_doc.AddView(&m_view);
    }
    ~Connection() {
        m_view.StopChain();
        m_doc.Close();
        m_doc.RemoveView(&m_view);
    }

    bool Open(const std::string& port, SerialPortFactory factory) {
        m_doc.BeginConnection("");
        if (!m_doc.OpenConnection(port, std::move(factory)))
            return false;
        if (!m_view.WaitConnected()) {
            std::fprintf(stderr, "orvo_bench: the monitor on %s did not identify itself\n", port.c_str());
            return false;
        }
        // Let the greeting (clock set, first polls) pass so that only the steady state is measured.
        const auto start = Steady::now();
        while (m_doc.Link().QueueLength() != 0 && Since(start) < 5.0)
            SleepSeconds(0.01);
        return true;
    }

    COrvodeskDoc& Doc() { return m_doc; }
    BenchView& View() { return m_view; }
    const MeteredClock& Metered() const { return m_clock; }

private:
    StderrSink m_sink;
    MeteredClock m_clock;
    COrvodeskDoc m_doc;
    BenchView m_view;
};

std::shared_ptr<sim::InMemoryWire> InProcessWire(bool pace) {
    auto monitor = std::make_shared<sim::SimMonitor>(sim::SimConfig{}, SystemClock::Instance(),
                                                     SystemTimeZone::Instance());
    return std::make_shared<sim::InMemoryWire>(std::move(monitor), SystemClock::Instance(), pace);
}

SerialPortFactory QtPorts() {
    return [] { return std::make_unique<QtSerialPort>(); };
}

struct IdleFigures {
    double seconds = 0;
    Cpu self;
    std::optional<Cpu> child;
    uint64_t frames = 0;
};

IdleFigures MeasureIdle(COrvodeskDoc& doc, pid_t child = -1) {
    IdleFigures f;
    const Cpu selfBefore = ProcessCpu();
    const std::optional<Cpu> childBefore = child > 0 ? ProcessCpu(child) : std::nullopt;
    const uint64_t framesBefore = doc.Link().Counters().framesWritten;
    const auto start = Steady::now();
    SleepSeconds(kIdleSeconds);
    f.seconds = Since(start);
    const Cpu selfAfter = ProcessCpu();
    f.self = {selfAfter.user - selfBefore.user, selfAfter.sys - selfBefore.sys};
    if (childBefore) {
        if (const std::optional<Cpu> childAfter = ProcessCpu(child))
            f.child = Cpu{childAfter->user - childBefore->user, childAfter->sys - childBefore->sys};
    }
    f.frames = doc.Link().Counters().framesWritten - framesBefore;
    return f;
}

double Percent(double cpuSeconds, double wallSeconds) {
    return 100.0 * cpuSeconds / wallSeconds;
}

void PrintIdle(const char* what, const IdleFigures& f) {
    std::printf("   %s: %.3f %% of one core (user %.3f s + sys %.3f s in %.1f s); %.1f frames/s written\n",
                what, Percent(f.self.Total(), f.seconds), f.self.user, f.self.sys, f.seconds,
                double(f.frames) / f.seconds);
}

int IdleCost() {
    std::printf("a. idle cost of a connected document (new firmware, idle polls only)\n");
    {
        Connection connection;
        if (!connection.Open("demo", InProcessWire(false)->Factory()))
            return 1;
        PrintIdle("in-process demo monitor, simulator included", MeasureIdle(connection.Doc()));
    }
    {
        test::SimProcess sim({});
        if (sim.DevicePath().empty()) {
            std::fprintf(stderr, "orvo_bench: orvo-sim (%s) did not start\n", ORVO_SIM_PATH);
            return 1;
        }
        Connection connection;
        if (!connection.Open(sim.DevicePath(), QtPorts()))
            return 1;
        const IdleFigures f = MeasureIdle(connection.Doc(), sim.Pid());
        PrintIdle("orvo-sim on a pseudo-terminal via QtSerialPort, this process only", f);
        // /proc counts in clock ticks (10 ms on most systems).
        const double tick = 1.0 / double(sysconf(_SC_CLK_TCK));
        if (f.child && f.child->Total() >= tick)
            std::printf("   orvo-sim itself, not counted above: %.3f %% of one core\n",
                        Percent(f.child->Total(), f.seconds));
        else if (f.child)
            std::printf("   orvo-sim itself, not counted above: under one %.0f ms tick in %.1f s, below %.3f "
                        "%% of one core\n",
                        tick * 1000.0, f.seconds, Percent(tick, f.seconds));
    }
    return 0;
}

// What a chain of reads costs, measured from its start until the last read is answered.
struct ChainFigures {
    uint64_t trips = 0;
    double seconds = 0;
    double msPerTrip = 0;
    double dtrMs = 0; // per transmission
    double cpuSeconds = 0;
    uint64_t sent = 0; // wire bytes
    uint64_t received = 0;
};

ChainFigures RunChain(Connection& connection, double seconds) {
    ByteCounter counter;
    CDeviceLink& link = connection.Doc().Link();
    link.SetTrace(&counter);
    const Cpu cpuBefore = ProcessCpu();
    const double sleptBefore = connection.Metered().SleptMs();
    const uint64_t framesBefore = link.Counters().framesWritten;
    const auto start = Steady::now();
    connection.View().StartChain();
    SleepSeconds(seconds);
    connection.View().StopChain();
    ChainFigures f;
    f.seconds = Since(start);
    f.cpuSeconds = ProcessCpu().Total() - cpuBefore.Total();
    f.trips = connection.View().Answers();
    f.msPerTrip = connection.View().MsPerAnswer();
    const uint64_t frames = link.Counters().framesWritten - framesBefore;
    f.dtrMs = frames ? (connection.Metered().SleptMs() - sleptBefore) / double(frames) : 0.0;
    // Every read written has been answered: the counts hold whole round trips.
    f.sent = counter.Sent();
    f.received = counter.Received();
    // The counter goes with this frame: the link thread is joined before the trace is taken away.
    connection.Doc().Close();
    link.SetTrace(nullptr);
    return f;
}

int RoundTrips() {
    std::printf("b. single-register read round trips, pacing off (in-process wire, real clock, %.0f s)\n",
                kRoundTripSeconds);
    Connection connection({96});
    if (!connection.Open("demo", InProcessWire(false)->Factory()))
        return 1;
    const ChainFigures f = RunChain(connection, kRoundTripSeconds);
    if (f.trips < 2)
        return 1;
    std::printf("   %llu round trips in %.2f s: %.3f ms each, %.0f per second; CPU %.1f %% of one core\n",
                static_cast<unsigned long long>(f.trips), f.seconds, f.msPerTrip, 1000.0 / f.msPerTrip,
                Percent(f.cpuSeconds, f.seconds));
    std::printf("   of each round trip %.3f ms (%.3f) is the DTR pulse's two 1 ms sleeps, %.3f ms the rest "
                "(frame out, simulated answer, decoding, the view queueing the next read)\n",
                f.dtrMs, f.dtrMs / f.msPerTrip, f.msPerTrip - f.dtrMs);
    return 0;
}

void PrintPaced(const ChainFigures& f) {
    const double trips = double(f.trips);
    const double cycleMs = f.msPerTrip;
    const double requestBytes = double(f.sent) / trips;
    const double answerBytes = double(f.received) / trips;
    const double answerMs = answerBytes * 1000.0 / kLineBytesPerSecond;
    const double requestMs = requestBytes * 1000.0 / kLineBytesPerSecond;
    const double turnaroundMs = cycleMs - answerMs - requestMs - f.dtrMs;
    const double wireBytesPerSecond = (requestBytes + answerBytes) * 1000.0 / cycleMs;
    std::printf(
        "   %llu reads in %.2f s: %.2f ms a read; %.1f request + %.1f answer bytes a read on the wire\n",
        static_cast<unsigned long long>(f.trips), f.seconds, cycleMs, requestBytes, answerBytes);
    std::printf("   wire bytes (requests + answers) %.0f/s / %.0f bytes/s = %.3f of the 19200-baud line\n",
                wireBytesPerSecond, kLineBytesPerSecond, wireBytesPerSecond / kLineBytesPerSecond);
    // Request and answer never overlap: the monitor answers only once the request is complete.
    std::printf(
        "   of a read's %.2f ms the request holds the line %.2f ms (%.3f) and the answer %.2f ms (%.3f); "
        "the rest: DTR pulse %.2f ms (%.3f), turnaround %.2f ms (%.3f: reading and decoding the answer, "
        "queueing and writing the next request)\n",
        cycleMs, requestMs, requestMs / cycleMs, answerMs, answerMs / cycleMs, f.dtrMs, f.dtrMs / cycleMs,
        turnaroundMs, turnaroundMs / cycleMs);
}

int PacedThroughput() {
    const std::vector<int> registers = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
    std::printf("c. 15-register reads at 19200 baud (%.0f s each)\n", kPacedSeconds);
    {
        std::printf("   in-process wire with pacing:\n");
        Connection connection(registers);
        if (!connection.Open("demo", InProcessWire(true)->Factory()))
            return 1;
        const ChainFigures f = RunChain(connection, kPacedSeconds);
        if (f.trips < 2)
            return 1;
        PrintPaced(f);
    }
    {
        std::printf("   orvo-sim --pace on a pseudo-terminal via QtSerialPort:\n");
        test::SimProcess sim({"--pace"});
        if (sim.DevicePath().empty())
            return 1;
        Connection connection(registers);
        if (!connection.Open(sim.DevicePath(), QtPorts()))
            return 1;
        const ChainFigures f = RunChain(connection, kPacedSeconds);
        if (f.trips < 2)
            return 1;
        PrintPaced(f);
    }
    return 0;
}

} // namespace

int RunLinkSection() {
    const auto app = MakeApplication();

    int failed = IdleCost();
    failed += RoundTrips();
    failed += PacedThroughput();
    return failed;
}

} // namespace orvo::bench
