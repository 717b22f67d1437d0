#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "TestZones.h"
#include "link/FrameCodec.h"
#include "link/SerialPort.h"
#include "model/COrvodeskDoc.h"
#include "platform/Clock.h"
#include "platform/MessageSink.h"

namespace orvo::test {

using Bytes = std::vector<uint8_t>;

inline Bytes Be(uint32_t v) {
    return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}

// A serial port for link tests: every write is recorded with its virtual time, answers come
// from a script, and virtual time only runs up to a limit the test sets, so a test can stop
// the link thread at an exact moment and look.

struct Written {
    int64_t timeMs;
    std::vector<uint8_t> bytes;
    // The unescaped body (command, sequence, payload, check bytes), empty if not one frame.
    std::vector<uint8_t> body;
    uint8_t Command() const { return body.size() > 0 ? body[0] : 0; }
    uint8_t Sequence() const { return body.size() > 1 ? body[1] : 0; }
    std::vector<uint8_t> Payload() const {
        return body.size() < 4 ? std::vector<uint8_t>{}
                               : std::vector<uint8_t>(body.begin() + 2, body.end() - 2);
    }
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
    std::vector<Written> WritesOf(uint8_t command) const {
        std::vector<Written> out;
        for (const Written& w : Writes())
            if (w.Command() == command)
                out.push_back(w);
        return out;
    }
    std::vector<int64_t> OpenTimes() const {
        std::lock_guard lock(m_mutex);
        return m_openTimes;
    }

    // Lets virtual time run to `ms` after the current time and waits (bounded in real time)
    // until the link thread has got there. Returns false on the real-time bound.
    bool RunFor(int64_t ms) {
        std::unique_lock lock(m_mutex);
        m_limit = m_clock.NowMs() + ms;
        m_changed.notify_all();
        return m_changed.wait_for(lock, std::chrono::seconds(10),
                                  [&] { return m_clock.NowMs() + 25 > m_limit; });
    }
    // Lets virtual time run freely (before a close, so that the link thread can end).
    void Release() {
        std::lock_guard lock(m_mutex);
        m_limit = INT64_MAX / 2;
        m_changed.notify_all();
    }
    // Waits, in real time, until the predicate holds; virtual time keeps its limit.
    bool WaitUntil(const std::function<bool()>& predicate, int realMs = 5000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(realMs);
        while (!predicate()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::unique_lock lock(m_mutex);
            m_changed.wait_for(lock, std::chrono::milliseconds(5));
        }
        return true;
    }

    // Port side.
    PortOpenResult Open() {
        std::lock_guard lock(m_mutex);
        m_openTimes.push_back(m_clock.NowMs());
        return m_openResult;
    }
    ReadResult Read(uint8_t& byte, int timeoutMs) {
        std::unique_lock lock(m_mutex);
        // Silence: the read time-out passes in virtual time, but never beyond the test's limit.
        const int64_t target = m_clock.NowMs() + timeoutMs;
        for (;;) {
            if (m_readError)
                return ReadResult::Error;
            if (!m_rx.empty()) {
                byte = m_rx.front();
                m_rx.pop_front();
                return ReadResult::Byte;
            }
            if (target <= m_limit)
                break;
            m_changed.notify_all();
            m_changed.wait_for(lock, std::chrono::milliseconds(20));
        }
        m_clock.AdvanceTo(target);
        m_changed.notify_all();
        return ReadResult::Timeout;
    }
    bool Write(const uint8_t* data, size_t length) {
        std::lock_guard lock(m_mutex);
        Written w{m_clock.NowMs(), std::vector<uint8_t>(data, data + length), {}};
        FrameReceiver receiver;
        for (uint8_t b : w.bytes)
            if (receiver.Feed(b) && w.body.empty())
                w.body.assign(receiver.Body(), receiver.Body() + receiver.Length());
        if (m_responder) {
            const std::vector<uint8_t> answer = m_responder(w);
            m_rx.insert(m_rx.end(), answer.begin(), answer.end());
        }
        m_writes.push_back(std::move(w));
        m_changed.notify_all();
        return true;
    }

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

class ScriptedPort final : public SerialPort {
public:
    explicit ScriptedPort(std::shared_ptr<ScriptedWire> wire) : m_wire(std::move(wire)) {}
    PortOpenResult Open(const std::string&) override { return m_wire->Open(); }
    ReadResult ReadByte(uint8_t& byte, int timeoutMs) override { return m_wire->Read(byte, timeoutMs); }
    bool Write(const uint8_t* data, size_t length) override { return m_wire->Write(data, length); }
    bool SetDtr(bool) override { return false; }
    void Close() override {}

private:
    std::shared_ptr<ScriptedWire> m_wire;
};

inline SerialPortFactory ScriptedWire::Factory() {
    auto self = shared_from_this();
    return [self] { return std::make_unique<ScriptedPort>(self); };
}

// Builds an answer frame with the codec (framing only; payloads are written by hand in tests).
inline std::vector<uint8_t> Answer(uint8_t command, uint8_t sequence, std::vector<uint8_t> payload = {}) {
    return EncodeFrame(command, sequence, payload.data(), payload.size());
}

struct Update {
    uint32_t flags;
    intptr_t value;
    bool operator==(const Update&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Update& u) {
    return os << "{0x" << std::hex << u.flags << std::dec << ", " << u.value << "}";
}

// Records every update it is given, from whichever thread.
class RecordingView : public IDocView {
public:
    void OnDocUpdate(uint32_t flags, intptr_t value) override {
        std::lock_guard lock(m_mutex);
        m_updates.push_back({flags, value});
    }
    std::vector<Update> Updates() const {
        std::lock_guard lock(m_mutex);
        return m_updates;
    }
    std::vector<Update> With(uint32_t flag) const {
        std::vector<Update> out;
        for (const Update& u : Updates())
            if (u.flags & flag)
                out.push_back(u);
        return out;
    }
    size_t Count(uint32_t flags) const {
        size_t n = 0;
        for (const Update& u : Updates())
            n += u.flags == flags;
        return n;
    }
    void Clear() {
        std::lock_guard lock(m_mutex);
        m_updates.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Update> m_updates;
};

class RecordingSink : public MessageSink {
public:
    void ShowError(const std::string& caption, const std::string& text) override {
        std::lock_guard lock(m_mutex);
        messages.emplace_back(caption, text);
    }
    std::mutex m_mutex;
    std::vector<std::pair<std::string, std::string>> messages;
};

class LinkFixture : public ::testing::Test {
protected:
    static constexpr int64_t kStart = 1'700'000'000'000; // 2023-11-14 22:13:20 UTC

    VirtualClock clock{kStart};
    const TimeZoneSource& zone = NewYork();
    RecordingSink messages;
    std::shared_ptr<ScriptedWire> wire = std::make_shared<ScriptedWire>(clock);
    std::unique_ptr<COrvodeskDoc> doc = std::make_unique<COrvodeskDoc>(clock, zone, messages);
    RecordingView view;

    void SetUp() override { doc->AddView(&view); }
    void TearDown() override {
        wire->Release();
        doc.reset();
    }
    // A fresh wire and document, for tables whose cases each need a new link.
    void Restart() {
        TearDown();
        wire = std::make_shared<ScriptedWire>(clock);
        doc = std::make_unique<COrvodeskDoc>(clock, zone, messages);
        view.Clear();
        SetUp();
    }
    void Open() { ASSERT_TRUE(doc->OpenConnection("ttyTEST", wire->Factory())); }
    CDeviceLink& link() { return doc->Link(); }

    // Hands the link an answer as if it had come off the wire: command, sequence 0 (which any
    // request accepts), payload and check bytes. Only while no link thread runs beside the test.
    void FeedAnswer(uint8_t command, const std::vector<uint8_t>& payload) {
        std::vector<uint8_t> body = {command, 0};
        body.insert(body.end(), payload.begin(), payload.end());
        const uint8_t low = uint8_t(Crc16(body.data(), body.size()));
        body.push_back(CheckByteA(low));
        body.push_back(CheckByteB(low));
        link().ProcessFrame(body.data(), body.size());
    }
};

} // namespace orvo::test
