#pragma once

// A serial port for link tests: every write is recorded with its virtual time, answers come
// from a script, and virtual time only runs up to a limit the test sets, so a test can stop
// the link thread at an exact moment and look.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "link/FrameCodec.h"
#include "link/SerialPort.h"
#include "platform/Clock.h"

namespace orvo::test {

struct Written {
    int64_t timeMs;
    std::vector<uint8_t> bytes;
    // The unescaped body (command, sequence, payload, check bytes), empty if not one frame.
    std::vector<uint8_t> body;
    uint8_t Command() const { return body.size() > 0 ? body[0] : 0; }
    uint8_t Sequence() const { return body.size() > 1 ? body[1] : 0; }
};

class ScriptedWire : public std::enable_shared_from_this<ScriptedWire> {
public:
    using Responder = std::function<std::vector<uint8_t>(const Written&)>;

    explicit ScriptedWire(VirtualClock& clock) : m_clock(clock), m_limit(clock.NowMs()) {}

    SerialPortFactory Factory();

    void SetResponder(Responder responder) {
        std::lock_guard lock(m_mutex);
        m_responder = std::move(responder);
    }
    void SetReadError(bool fail) {
        std::lock_guard lock(m_mutex);
        m_readError = fail;
        m_changed.notify_all();
    }
    void SetOpenResult(PortOpenResult result) {
        std::lock_guard lock(m_mutex);
        m_openResult = std::move(result);
    }

    std::vector<Written> Writes() const {
        std::lock_guard lock(m_mutex);
        return m_writes;
    }
    std::vector<Written> WritesOf(uint8_t command) const;
    std::vector<int64_t> OpenTimes() const {
        std::lock_guard lock(m_mutex);
        return m_openTimes;
    }

    // Lets virtual time run to `ms` after the current time and waits (bounded in real time)
    // until the link thread has got there. Returns false on the real-time bound.
    bool RunFor(int64_t ms);
    // Lets virtual time run freely (before a close, so that the link thread can end).
    void Release() {
        std::lock_guard lock(m_mutex);
        m_limit = INT64_MAX / 2;
        m_changed.notify_all();
    }
    // Waits, in real time, until the predicate holds; virtual time keeps its limit.
    bool WaitUntil(const std::function<bool()>& predicate, int realMs = 5000);

    // Port side.
    PortOpenResult Open();
    ReadResult Read(uint8_t& byte, int timeoutMs);
    bool Write(const uint8_t* data, size_t length);

private:
    VirtualClock& m_clock;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    int64_t m_limit;
    std::deque<uint8_t> m_rx;
    std::vector<Written> m_writes;
    Responder m_responder;
    PortOpenResult m_openResult;
    bool m_readError = false;
    std::vector<int64_t> m_openTimes;
};

// Builds an answer frame with the codec (framing only; payloads are written by hand in tests).
inline std::vector<uint8_t> Answer(uint8_t command, uint8_t sequence, std::vector<uint8_t> payload = {}) {
    return EncodeFrame(command, sequence, payload.data(), payload.size());
}

} // namespace orvo::test
