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
