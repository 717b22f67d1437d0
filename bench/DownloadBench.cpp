// The download section of orvo_bench: a stored sample transferred at 19200 baud, from the
// in-process simulated monitor with pacing and from orvo-sim --pace on a pseudo-terminal. The
// figure is the transfer's payload (5 bytes an item) over what the line could carry in the time
// it took, with the rest accounted for.

#include "AppDownloadBench.h"
#include "BenchSections.h"
#include "InMemoryPort.h"
#include "SimMonitor.h"
#include "SimProcess.h"
#include "model/COrvodeskDoc.h"
#include "model/StatusAnswer.h"
#include "platform/Clock.h"
#include "platform/MessageSink.h"
#include "platform/TimeZoneSource.h"
#include "port/QtSerialPort.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace orvo::bench {

namespace {

using Steady = std::chrono::steady_clock;

constexpr double kLineBytesPerSecond = 19200.0 / 10.0; // 8N1: ten bits a byte
constexpr int kRecords = 240;                          // data records of the sample (~11 s of line)
constexpr auto kBound = std::chrono::seconds(60);

double Since(Steady::time_point start) {
    return std::chrono::duration<double>(Steady::now() - start).count();
}

// Counts what crosses the wire in each direction, and the DTR pulses.
struct WireCounts {
    std::atomic<uint64_t> written{0};
    std::atomic<uint64_t> read{0};
    std::atomic<uint64_t> frames{0};
};

class CountingPort final : public SerialPort {
public:
    CountingPort(std::unique_ptr<SerialPort> inner, WireCounts& counts)
        : m_inner(std::move(inner)), m_counts(counts) {}
    PortOpenResult Open(const std::string& name) override { return m_inner->Open(name); }
    ReadResult ReadByte(uint8_t& byte, int timeoutMs) override {
        const ReadResult result = m_inner->ReadByte(byte, timeoutMs);
        if (result == ReadResult::Byte)
            m_counts.read.fetch_add(1);
        return result;
    }
    bool Write(const uint8_t* data, size_t length) override {
        m_counts.written.fetch_add(length);
        m_counts.frames.fetch_add(1);
        return m_inner->Write(data, length);
    }
    bool SetDtr(bool on) override { return m_inner->SetDtr(on); }
    void Close() override { m_inner->Close(); }

private:
    std::unique_ptr<SerialPort> m_inner;
    WireCounts& m_counts;
};

SerialPortFactory Counting(SerialPortFactory inner, WireCounts& counts) {
    return [inner = std::move(inner), &counts] { return std::make_unique<CountingPort>(inner(), counts); };
}

class QuietSink final : public MessageSink {
public:
    void ShowError(const std::string& caption, const std::string& text) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }
};

// What the document tells: identification, the end of a listing, records and the transfer's end.
class Waiter final : public IDocView {
public:
    explicit Waiter(COrvodeskDoc& doc) : m_doc(doc) {}
    void OnDocUpdate(uint32_t flags, intptr_t value) override {
        std::lock_guard lock(m_lock);
        if ((flags & UPDATE_IDENTITY) && m_doc.Connected())
            m_connected = true;
        if ((flags & UPDATE_RECORD_FRONT) && value == NO_RECORD)
            ++m_listings;
        if (flags & UPDATE_RECORD_APPENDED) {
            if (value > 0)
                m_items += uint64_t(value);
            else
                ++m_transfers;
        }
        m_changed.notify_all();
    }
    template <typename Done> bool Wait(Done done) {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, kBound, [&] { return done(*this); });
    }
    bool connected() const { return m_connected; }
    uint64_t listings() const { return m_listings; }
    uint64_t transfers() const { return m_transfers; }
    uint64_t items() const { return m_items; }

private:
    COrvodeskDoc& m_doc;
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_connected = false;
    uint64_t m_listings = 0;
    uint64_t m_transfers = 0;
    uint64_t m_items = 0;
};

struct Transfer {
    uint64_t items = 0;
    double seconds = 0;
    uint64_t requestBytes = 0;
    uint64_t answerBytes = 0;
    uint64_t requests = 0;
};

// Connects, lists the directory, then times the transfer of sample 0 from its request to its end.
std::optional<Transfer> Download(const std::string& port, SerialPortFactory factory) {
    QuietSink sink;
    COrvodeskDoc doc(SystemClock::Instance(), SystemTimeZone::Instance(), sink);
    Waiter waiter(doc);
    doc.AddView(&waiter);
    WireCounts counts;
    std::optional<Transfer> result;
    doc.BeginConnection("");
    if (doc.OpenConnection(port, Counting(std::move(factory), counts)) &&
        waiter.Wait([](const Waiter& w) { return w.connected(); }) && doc.Link().RequestSampleCount() &&
        waiter.Wait([](const Waiter& w) { return w.listings() > 0; })) {
        // Let the greeting's requests drain so that only the transfer is on the line.
        const auto settle = Steady::now();
        while (doc.Link().QueueLength() != 0 && Since(settle) < 5.0)
            SystemClock::Instance().SleepMs(5);
        doc.ClearRecords();
        const uint64_t written = counts.written, read = counts.read, frames = counts.frames;
        const auto start = Steady::now();
        if (doc.Link().StartSampleData(0) && waiter.Wait([](const Waiter& w) { return w.transfers() > 0; })) {
            Transfer t;
            t.seconds = Since(start);
            t.items = waiter.items();
            t.requestBytes = counts.written - written;
            t.answerBytes = counts.read - read;
            t.requests = counts.frames - frames;
            result = t;
        }
    }
    if (!result)
        std::fprintf(stderr, "orvo_bench: the download from %s did not complete\n", port.c_str());
    doc.Close();
    doc.RemoveView(&waiter);
    return result;
}

void Print(const Transfer& t) {
    const double payload = double(t.items) * 5.0;
    const double limit = t.seconds * kLineBytesPerSecond;
    const double answerLine = double(t.answerBytes) / kLineBytesPerSecond;
    const double requestLine = double(t.requestBytes) / kLineBytesPerSecond;
    const double framing = double(t.answerBytes) - payload;
    const double rest = t.seconds - answerLine - requestLine;
    std::printf("   %llu items (%.0f payload bytes) in %.2f s; the line could carry %.0f bytes\n",
                static_cast<unsigned long long>(t.items), payload, t.seconds, limit);
    std::printf("   fraction of the wire limit reached: %.3f\n", payload / limit);
    std::printf("   where the rest goes (share of the %.2f s):\n", t.seconds);
    std::printf("     answer framing and block headers: %6.0f bytes  %.3f\n", framing,
                framing / kLineBytesPerSecond / t.seconds);
    std::printf("     %llu requests, %llu bytes on the way out: %.3f (the monitor answers after a request "
                "has arrived)\n",
                static_cast<unsigned long long>(t.requests), static_cast<unsigned long long>(t.requestBytes),
                requestLine / t.seconds);
    std::printf("     turnaround (DTR pulse, decoding, the next request queued and written): %.3f s  %.3f\n",
                rest, rest / t.seconds);
}

} // namespace

int RunDownloadSection() {
    // The application's own forms take part below: a widget application on the offscreen platform.
    const auto app = MakeWidgetApplication();

    int failed = 0;
    double core = 0.0;
    std::printf("   a stored sample of %d data records, 200 items a block, 19200 baud\n", kRecords);
    {
        std::printf("   in-process wire with pacing:\n");
        sim::SimConfig config;
        config.storedSamples = 1;
        config.recordsPerSample = kRecords;
        auto monitor =
            std::make_shared<sim::SimMonitor>(config, SystemClock::Instance(), SystemTimeZone::Instance());
        auto wire = std::make_shared<sim::InMemoryWire>(std::move(monitor), SystemClock::Instance(), true);
        if (const std::optional<Transfer> t = Download("demo", wire->Factory()))
            Print(*t);
        else
            ++failed;
    }
    {
        std::printf("   orvo-sim --pace on a pseudo-terminal via QtSerialPort:\n");
        test::SimProcess sim({"--pace", "--samples", "1", "--records", std::to_string(kRecords)});
        if (sim.DevicePath().empty()) {
            std::fprintf(stderr, "orvo_bench: orvo-sim did not start\n");
            ++failed;
        } else if (const std::optional<Transfer> t =
                       Download(sim.DevicePath(), [] { return std::make_unique<QtSerialPort>(); })) {
            Print(*t);
            core = double(t->items) * 5.0 / (t->seconds * kLineBytesPerSecond);
        } else {
            ++failed;
        }
    }
    {
        std::printf("   orvo-sim --pace on a pseudo-terminal, in the application (download form, update "
                    "bridge, event loop):\n");
        test::SimProcess sim({"--pace", "--samples", "1", "--records", std::to_string(kRecords)});
        const std::optional<AppTransfer> t =
            sim.DevicePath().empty() ? std::nullopt : DownloadInApplication(sim.DevicePath());
        if (!t) {
            std::fprintf(stderr, "orvo_bench: the download in the application did not complete\n");
            ++failed;
        } else {
            const double fraction = double(t->items) * 5.0 / (t->seconds * kLineBytesPerSecond);
            std::printf("   %llu items in %.2f s, Download to results form\n",
                        static_cast<unsigned long long>(t->items), t->seconds);
            std::printf(
                "   fraction of the wire limit reached: application %.3f, core alone (as orvoctl) %.3f\n",
                fraction, core);
            std::printf(
                "   longest stall of a 10 ms timer on the user-interface thread while the blocks stream: "
                "%.1f ms (goal under 100 ms: %s)\n",
                t->longestStallMs, GoalText(t->longestStallMs < 100.0));
            std::printf("   the switch from the last block to the results form: %.1f ms\n", t->switchStallMs);
        }
    }
    {
        constexpr size_t kLogItems = 1'000'000;
        if (const std::optional<double> seconds = ResultsOfServiceLog(kLogItems))
            std::printf("   results form of a %zu-item service log, table built and chart drawn: %.3f s\n",
                        kLogItems, *seconds);
        else
            ++failed;
    }
    return failed;
}

} // namespace orvo::bench
