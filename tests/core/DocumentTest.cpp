#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <thread>

#include "LinkFixture.h"
#include "link/Protocol.h"
#include "platform/UpdateHandOff.h"

using namespace orvo;
using namespace orvo::test;

namespace {

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

constexpr uint32_t F7_0 = 0x40E00000, F6_5 = 0x40D00000, F6_68 = 0x40D5C28F, F6_69 = 0x40D6147B;

// A scripted monitor: answers status requests from its fields, register writes and reads
// with count 0 (so nothing is stored), the serial text from its field.
struct Monitor {
    std::atomic<uint32_t> firmware{F7_0};
    std::atomic<uint32_t> serial{1111};
    std::atomic<int> state{1};
    std::atomic<uint32_t> time{1'000'000'000};
    std::atomic<bool> oldClass{false};
    std::mutex textLock;
    std::string serialText = "ORV1";

    // Status layouts field by field: A = serial, firmware, unused, state, 3 reserved, time;
    // B = firmware, state, 3 reserved, time.
    Bytes Respond(const Written& w) {
        const uint32_t t = time.load();
        const Bytes stateWord = {uint8_t(state.load()), 0, 0, 0};
        switch (w.Command()) {
        case CMD_GET_STATUS:
            return Answer(w.Command(), w.Sequence(),
                          Concat({Be(serial), Be(firmware), Be(0), stateWord, Be(t)}));
        case CMD_GET_STATUS_EX:
            return oldClass ? Answer(CMD_NAK, w.Sequence())
                            : Answer(w.Command(), w.Sequence(), Concat({Be(firmware), stateWord, Be(t)}));
        case CMD_GET_SERIAL_TEXT: {
            std::lock_guard lock(textLock);
            return Answer(w.Command(), w.Sequence(),
                          Concat({Bytes(serialText.begin(), serialText.end()), {0}}));
        }
        case CMD_READ_PRC:
        case CMD_WRITE_PRC:
            return Answer(w.Command(), w.Sequence(), {0, 0, 0, 0});
        default:
            return {};
        }
    }
};

class DocumentTest : public LinkFixture {
protected:
    Monitor monitor;

    void SetUp() override {
        LinkFixture::SetUp();
        wire->SetResponder([this](const Written& w) { return monitor.Respond(w); });
    }
    // Payloads of the register writes, in order.
    std::vector<Bytes> WritePayloads() {
        std::vector<Bytes> out;
        for (const Written& w : wire->WritesOf(CMD_WRITE_PRC))
            out.push_back(w.Payload());
        return out;
    }
    uint32_t FirstStatusSecond(uint8_t command) {
        const std::vector<Written> polls = wire->WritesOf(command);
        return polls.empty() ? 0 : uint32_t(polls[0].timeMs / 1000);
    }
};

} // namespace

TEST(AccessMode, OnlyTheExactWordsSelectAMode) {
    const std::pair<const char*, AccessMode> cases[] = {
        {"expert", ACCESS_EXPERT},     {"service", ACCESS_SERVICE},  {"", ACCESS_STANDARD},
        {"Expert", ACCESS_STANDARD},   {"expert ", ACCESS_STANDARD}, {"expert service", ACCESS_STANDARD},
        {" service", ACCESS_STANDARD}, {"SERVICE", ACCESS_STANDARD},
    };
    for (const auto& [line, mode] : cases)
        EXPECT_EQ(COrvodeskDoc::AccessModeFromCommandLine(line), mode) << '"' << line << '"';
}

TEST_F(DocumentTest, FirmwareClassDecidesTheClockSetting) {
    // 6.68 keeps local time and gets no zone registers; 6.69 is the newer class: UTC and the zone.
    for (const bool newer : {false, true}) {
        SCOPED_TRACE(newer);
        clock.AdvanceTo(clock.NowMs() + 10'000);
        Restart();
        monitor.firmware = newer ? F6_69 : F6_68;
        monitor.oldClass = !newer;
        Open();
        ASSERT_TRUE(wire->RunFor(1500));
        ASSERT_TRUE(doc->Connected());
        EXPECT_EQ(doc->NewFirmware(), newer);
        const std::vector<Bytes> writes = WritePayloads();
        ASSERT_GE(writes.size(), newer ? 2u : 1u);
        const uint32_t connectedAt = FirstStatusSecond(newer ? CMD_GET_STATUS_EX : CMD_GET_STATUS);
        const uint32_t expected = newer ? connectedAt + 1 : connectedAt - 300 * 60 + 1;
        EXPECT_EQ(writes[0], Concat({{1, 0, 0, 0, 2, 0, 0, 0}, Be(expected)}));
        if (!newer) {
            for (const Bytes& p : writes)
                EXPECT_NE(p[4], 178) << "no zone registers";
            continue;
        }
        EXPECT_EQ(view.Updates().at(0), (Update{UPDATE_CONNECTION | UPDATE_IDENTITY, 0}))
            << "stopped: no state flag";
        // 300 minutes west with a daylight bias of -60; standard time from the first Sunday of
        // November at 02:00, daylight time from the second Sunday of March at 02:00.
        EXPECT_EQ(writes[1], (Bytes{3, 0,    0,    0,    178,  0,   0, 0, 0x80, 0x3C, 0x01, 0x2C, 179, 0, 0,
                                    0, 0xB0, 0x01, 0x02, 0x00, 180, 0, 0, 0,    0x30, 0x02, 0x02, 0x00}));
    }
}

TEST_F(DocumentTest, ALostLinkResetsTheConnectionStateAndDeviceTime) {
    monitor.state = STATE_RUNNING;
    Open();
    ASSERT_TRUE(wire->RunFor(3000));
    EXPECT_EQ(doc->State(), STATE_RUNNING);
    EXPECT_NE(doc->DeviceTime(), 0u);
    wire->SetResponder({});
    ASSERT_TRUE(wire->RunFor(3000));
    EXPECT_GE(view.Count(UPDATE_LINK_LOST), 1u);
    EXPECT_FALSE(doc->Connected());
    EXPECT_EQ(doc->State(), STATE_STOPPED);
    EXPECT_EQ(doc->DeviceTime(), 0u);
}

// Another monitor on the same port: a different serial text, another firmware still answering the
// newer status request, or an older monitor with another serial number. It is disconnected at once
// (no state flag), then identified; the older class's swap forgets the leak check, but only once the
// new monitor is identified.
TEST_F(DocumentTest, AnotherMonitorOnTheSamePortIsDisconnectedThenIdentified) {
    enum class Swap { SerialText, Firmware, SerialNumber };
    for (const Swap swap : {Swap::SerialText, Swap::Firmware, Swap::SerialNumber}) {
        SCOPED_TRACE(int(swap));
        Restart();
        const bool old = swap == Swap::SerialNumber;
        monitor.firmware = old ? F6_5 : F7_0;
        monitor.oldClass = old;
        monitor.serial = 1111;
        Open();
        ASSERT_TRUE(wire->RunFor(1500));
        ASSERT_TRUE(doc->Connected());
        if (!old) { // the newer class's poll reads the expert flag beside status and serial text
            EXPECT_EQ(wire->WritesOf(CMD_READ_PRC).at(0).Payload(), (Bytes{1, 183}));
        }
        doc->SetLeakCheck(0.25);
        view.Clear();
        if (swap == Swap::SerialText) {
            std::lock_guard lock(monitor.textLock);
            monitor.serialText = "ORV2";
        } else if (swap == Swap::Firmware) {
            monitor.firmware = F6_5;
        } else {
            monitor.serial = 2222;
        }
        for (int pass = 0; pass < 80 && view.With(UPDATE_IDENTITY).empty(); ++pass)
            ASSERT_TRUE(wire->RunFor(25));
        ASSERT_EQ(view.With(UPDATE_IDENTITY),
                  (std::vector<Update>{{UPDATE_CONNECTION | UPDATE_IDENTITY, 0}}));
        EXPECT_FALSE(doc->Connected());
        EXPECT_TRUE(doc->LeakCheckDone());

        ASSERT_TRUE(wire->RunFor(1500));
        EXPECT_GE(view.With(UPDATE_IDENTITY).size(), 2u) << "identified again";
        EXPECT_TRUE(doc->Connected());
        EXPECT_EQ(doc->NewFirmware(), swap == Swap::SerialText);
        if (old) {
            EXPECT_FALSE(doc->LeakCheckDone());
            EXPECT_EQ(doc->Registers().SerialNumberText(), "0002222");
        } else {
            EXPECT_EQ(view.Count(UPDATE_LINK_LOST), 0u);
            EXPECT_EQ(doc->SerialText(), "ORV2");
        }
    }
}

TEST_F(DocumentTest, CloseIsRefusedWhileBusyAndPowersDownOnlyAMonitorThatIsNotSampling) {
    for (const int state : {STATE_RUNNING, STATE_WARMING, STATE_PROGRAMMED, STATE_STOPPED}) {
        SCOPED_TRACE(state);
        Restart();
        monitor.state = state;
        Open();
        ASSERT_TRUE(wire->RunFor(1000));
        ASSERT_EQ(doc->State(), state);
        doc->SetProgrammingBusy(true);
        EXPECT_FALSE(doc->Close());
        doc->SetProgrammingBusy(false);
        doc->SetClearingBusy(true);
        EXPECT_FALSE(doc->Close());
        EXPECT_TRUE(doc->Link().IsOpen());
        doc->SetClearingBusy(false);

        wire->Release();
        EXPECT_TRUE(doc->Close());
        EXPECT_FALSE(doc->Link().IsOpen());
        const std::vector<Bytes> writes = WritePayloads();
        ASSERT_FALSE(writes.empty());
        const bool powerDown = state == STATE_PROGRAMMED || state == STATE_STOPPED;
        EXPECT_EQ(writes.back().size() == 4u + 7 * 8 && writes.back()[0] == 7, powerDown);
    }
}

// The link thread writes whole logging triples while the user-interface thread reads them: a reader
// sees one triple or another, never a mix. Under ThreadSanitizer a missing lock shows at once.
TEST_F(DocumentTest, RegisterTableIsReadWhileTheLinkWritesIt) {
    PrcTable& table = doc->Registers();
    table.SetLogging(34, PrcLogging{0, 0, 0.0f});
    constexpr uint32_t kWrites = 20000;
    std::atomic<bool> reading{false}, done{false};
    std::thread link([&] {
        while (!reading) {
        }
        for (uint32_t i = 1; i <= kWrites; ++i)
            table.SetLogging(34, PrcLogging{uint8_t(i % 3), i, float(i)});
        done = true;
    });
    uint64_t torn = 0;
    reading = true;
    while (!done) {
        const PrcLogging l = table.Logging(34);
        torn += l.mode != l.interval % 3 || l.delta != float(l.interval);
    }
    link.join();
    EXPECT_EQ(torn, 0u);
    EXPECT_EQ(table.LoggingInterval(34), kWrites);
}

namespace {

using Ms = std::chrono::milliseconds;

// Stands in for the user-interface thread's event queue: wake() posts, the test thread waits.
class UiQueue {
public:
    void Post() {
        std::lock_guard lock(m_mutex);
        ++m_posted;
        m_cv.notify_all();
    }
    bool Wait(Ms bound) {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, bound, [&] { return m_posted > m_taken; }) && ++m_taken;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    uint64_t m_posted = 0, m_taken = 0;
};

} // namespace

TEST(UpdateHandOff, RunsWorkOnTheConsumerAndWaitsForIt) {
    UiQueue ui;
    UpdateHandOff handOff([&] { ui.Post(); });
    std::thread::id ranOn;
    auto producer = std::async(std::launch::async,
                               [&] { return handOff.Run([&] { ranOn = std::this_thread::get_id(); }); });
    ASSERT_TRUE(ui.Wait(Ms(2000)));
    EXPECT_EQ(producer.wait_for(Ms(20)), std::future_status::timeout)
        << "the producer waits for the consumer";
    handOff.Drain();
    EXPECT_TRUE(producer.get());
    EXPECT_EQ(ranOn, std::this_thread::get_id());

    // On the consumer itself nobody else could drain it: the work runs at once instead of
    // waiting forever.
    bool inline_ = false;
    EXPECT_TRUE(handOff.Run([&] { inline_ = true; }));
    EXPECT_TRUE(inline_);
    EXPECT_FALSE(ui.Wait(Ms(0))) << "nothing was posted";
}

TEST(UpdateHandOff, CancelReleasesAWaitingProducerAndRefusesLaterWork) {
    UiQueue ui;
    UpdateHandOff handOff([&] { ui.Post(); });
    bool ran = false;
    auto producer = std::async(std::launch::async, [&] { return handOff.Run([&] { ran = true; }); });
    ASSERT_TRUE(ui.Wait(Ms(2000)));
    handOff.Cancel();
    EXPECT_FALSE(producer.get());
    handOff.Drain(); // a late posted event finds nothing to run
    EXPECT_FALSE(ran);
    EXPECT_FALSE(handOff.Run([&] { ran = true; }));
    EXPECT_FALSE(ran);
}

// Closing a document while a transfer streams record updates through the hand-off must never
// hang, whatever the link thread is doing at that moment.
TEST(DocumentClose, ClosingWhileUpdatesStreamNeverHangs) {
    constexpr int kRounds = 100;
    for (int round = 0; round < kRounds; ++round) {
        VirtualClock clock;
        const TimeZoneSource& zone = NewYork();
        RecordingSink messages;
        auto wire = std::make_shared<ScriptedWire>(clock);
        wire->SetResponder([](const Written& w) -> Bytes {
            const Bytes p = w.Payload();
            if (w.Command() == CMD_START_SAMPLE_DATA)
                return Answer(CMD_START_SAMPLE_DATA, w.Sequence(), {p[0], 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x00});
            if (w.Command() != CMD_GET_DATA_BLOCK)
                return {};
            // Fifty records of a header alone.
            Bytes a = {p[0], 0, 0, 0, p[4], p[5], p[6], p[7], 0, 0, 0, 50};
            for (uint8_t i = 0; i < 50; ++i)
                a.insert(a.end(), {1, p[4], p[5], p[6], uint8_t(p[7] + i)});
            return Answer(CMD_GET_DATA_BLOCK, w.Sequence(), a);
        });
        wire->Release();

        UiQueue ui;
        auto handOff = std::make_shared<UpdateHandOff>([&] { ui.Post(); });
        auto doc = std::make_unique<COrvodeskDoc>(clock, zone, messages);
        RecordingView view;
        doc->AddView(&view);
        doc->SetHandOff(handOff);
        ASSERT_TRUE(doc->OpenConnection("ttyTEST", wire->Factory()));
        ASSERT_TRUE(doc->Link().StartSampleData(0));

        // Handle a varying number of updates, then close with the link thread either waiting
        // for the next hand-off or busy elsewhere.
        const size_t handled = 1 + size_t(round % 7) * 10;
        while (view.Updates().size() < handled) {
            ASSERT_TRUE(ui.Wait(Ms(5000))) << "round " << round;
            handOff->Drain();
        }
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(doc->Close());
        EXPECT_LT(std::chrono::steady_clock::now() - start, Ms(2000)) << "round " << round;
        EXPECT_FALSE(doc->Link().IsOpen());
        doc.reset();
        handOff->Drain(); // late events after the document is gone are harmless
    }
}

// Without a hand-off (orvoctl) views are told on the link thread: a view removed meanwhile must
// not be told anything once RemoveView has returned, or its owner would free it under the call.
TEST(DocumentViews, RemoveViewWaitsForTheUpdateInHand) {
    VirtualClock clock;
    RecordingSink messages;
    COrvodeskDoc doc(clock, NewYork(), messages);
    std::promise<void> entered, release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> removed{false}, removedDuringCall{false};
    struct BlockingView : IDocView {
        std::function<void()> onUpdate;
        void OnDocUpdate(uint32_t, intptr_t) override { onUpdate(); }
    } view;
    view.onUpdate = [&] {
        entered.set_value();
        released.wait();
        removedDuringCall = removed.load();
    };
    doc.AddView(&view);
    std::thread link([&] { doc.UpdateViews(UPDATE_STATE, 0); });
    entered.get_future().wait();
    std::mutex mutex;
    std::condition_variable changed;
    std::thread owner([&] {
        doc.RemoveView(&view);
        std::lock_guard lock(mutex);
        removed = true;
        changed.notify_all();
    });
    {
        // The owner gets a tenth of a second to come back from RemoveView, which it must not.
        std::unique_lock lock(mutex);
        changed.wait_for(lock, Ms(100), [&] { return removed.load(); });
    }
    release.set_value();
    link.join();
    owner.join();
    EXPECT_FALSE(removedDuringCall);
    EXPECT_TRUE(removed);
}
