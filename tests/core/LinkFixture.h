#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "ScriptedPort.h"
#include "TestZones.h"
#include "link/FrameCodec.h"
#include "model/COrvodeskDoc.h"
#include "platform/MessageSink.h"

namespace orvo::test {

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
