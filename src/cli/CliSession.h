#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "CliMessages.h"
#include "link/FrameTrace.h"
#include "model/COrvodeskDoc.h"

namespace orvo {

namespace sim {
class InMemoryWire;
class SimMonitor;
} // namespace sim

struct SessionOptions {
    std::string port;          // a serial port, when not the demo
    bool demo = false;         // the simulated monitor, in this process
    float demoFirmware = 7.0f; // its firmware version
    bool trace = false;        // every frame in hex on stderr
    double timeoutSeconds = 10.0;
    double timeScale = 1.0; // procedures' timers run this many times faster (so do the demo's dynamics)
};

// What the document has told the session so far. Waits compare a copy taken before the requests
// were queued with the counts that follow.
struct SessionProgress {
    uint64_t identified = 0; // 0x02 while connected: the monitor identified itself
    uint64_t dropped = 0;    // 0x02 while not connected: lost, or another monitor on the port
    uint64_t fences = 0;     // 0x80: the template name answer that closes an exchange
    uint64_t recordsInserted = 0;
    uint64_t listingsEnded = 0;
    uint64_t recordsAppended = 0;
    uint64_t transfersEnded = 0;
    uint64_t serialTexts = 0;
    std::array<uint64_t, PRC_COUNT> registers{}; // answers per register
};

// One connection of the command-line tool: opens the port (or starts the demo monitor), waits for
// the monitor to identify itself, carries the commands' requests to their answers and closes.
//
// The document calls the session on the link thread. The session only records and signals there;
// the waiting happens on the main thread, which never holds the session's lock while it calls the
// link.
class CliSession final : private IDocView {
public:
    CliSession(SessionOptions options, const TimeZoneSource& zone);
    ~CliSession() override;
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    // Opens the connection and waits for identification: EXIT_OK, EXIT_FAILED (the port could not
    // be opened; the reason is printed) or EXIT_NO_ANSWER.
    int Connect();
    // Closes the link; a stopped or only programmed monitor is powered down.
    void Close();

    COrvodeskDoc& Doc() { return *m_doc; }
    SessionProgress Progress() const;

    struct Exchanged {
        int status = EXIT_OK;
        SessionProgress before; // taken before the requests were queued
    };
    // Queues the requests through `queue`, then the fence (a template name request), and waits for
    // the fence's answer: the link answers in order, so every request before it has then been
    // answered or refused. Prints the reason and returns EXIT_NO_ANSWER when the monitor stops
    // answering, EXIT_FAILED when a request cannot be queued.
    Exchanged Exchange(const std::function<bool(CDeviceLink&)>& queue);

    // Waits until `done` holds. The time-out runs from the start and again from every change of
    // `activity`, so that a long chained transfer is bounded per answer, not as a whole.
    int WaitUntil(const std::function<bool(const SessionProgress&)>& done,
                  const std::function<uint64_t(const SessionProgress&)>& activity,
                  const SessionProgress& since);

    const SessionOptions& Options() const { return m_options; }
    // The built-in simulated monitor, or nothing on a real port.
    sim::SimMonitor* DemoMonitor() const;

private:
    void OnDocUpdate(uint32_t flags, intptr_t value) override;

    const SessionOptions m_options;
    const TimeZoneSource& m_zone;
    StderrMessageSink m_messages;
    StreamFrameTrace m_trace{stderr};
    std::shared_ptr<sim::InMemoryWire> m_wire;

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    SessionProgress m_progress;

    std::unique_ptr<COrvodeskDoc> m_doc; // last: its link thread calls back into the members above
};

} // namespace orvo
