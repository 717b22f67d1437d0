// When programming or clearing a shift stops being busy: the decision from the document's
// updates, and the whole path at virtual time against the simulated monitor on the in-memory
// cable, pulled and plugged back. TZ=America/New_York.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "FormTestSupport.h"
#include "InMemoryPort.h"
#include "SimMonitor.h"
#include "model/BusyOperation.h"
#include "model/StatusAnswer.h"
#include "platform/UpdateHandOff.h"

using namespace orvo;
using namespace orvo::test;

namespace {

struct Step {
    uint32_t flags;
    intptr_t value;
    bool connected;
    int32_t state;
};
const Step kStopped{0, 0, true, STATE_STOPPED}, kProgrammed{UPDATE_STATE, 0, true, STATE_PROGRAMMED},
    kAnswer{UPDATE_RECORD_FRONT, RECORD_INSERTED_AT_FRONT, true, STATE_STOPPED},
    kRegister{UPDATE_REGISTER, 14, true, STATE_STOPPED}, kLost{UPDATE_LINK_LOST, 0, false, STATE_STOPPED},
    kSwapped{UPDATE_CONNECTION | UPDATE_IDENTITY, 0, false, STATE_STOPPED};

} // namespace

TEST(BusyOperation, EndsWithTheOutcomeTheDroppedRequestOrTheLostLink) {
    const struct {
        const char* name;
        BusyKind kind;
        std::vector<Step> steps;
        size_t endsAt; // index of the step that ends it
        bool failed;
    } cases[] = {
        // The first status may answer a poll queued before the program; after the program's own
        // answer the next one tells.
        {"programmed", BusyKind::Programming, {kStopped, kAnswer, kRegister, kProgrammed}, 3, false},
        {"taken, still stopped", BusyKind::Programming, {kAnswer, kStopped}, 1, true},
        {"dropped after NAKs", BusyKind::Programming, {kStopped, kRegister, kStopped}, 2, true},
        {"dropped, old program stays", BusyKind::Programming, {kProgrammed, kProgrammed}, 1, true},
        {"cable pulled", BusyKind::Programming, {kRegister, kLost}, 1, true},
        {"another monitor on the port", BusyKind::Clearing, {kSwapped}, 0, true},
        {"cleared", BusyKind::Clearing, {kProgrammed, kAnswer, kStopped}, 2, false},
        {"not cleared", BusyKind::Clearing, {kAnswer, kProgrammed}, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BusyOperation busy;
        busy.Begin(c.kind);
        for (size_t i = 0; i < c.steps.size(); ++i) {
            const Step& s = c.steps[i];
            EXPECT_EQ(busy.Observe(s.flags, s.value, s.connected, s.state), i == c.endsAt) << "step " << i;
            EXPECT_EQ(busy.Kind(), i >= c.endsAt ? BusyKind::None : c.kind) << "step " << i;
        }
        const std::optional<std::string> failure = busy.TakeFailure();
        EXPECT_EQ(failure.has_value(), c.failed);
        if (failure)
            EXPECT_EQ(*failure, c.kind == BusyKind::Programming ? NOT_PROGRAMMED_TEXT : NOT_CLEARED_TEXT);
        EXPECT_FALSE(busy.TakeFailure()) << "given out once";
    }
}

namespace {

// The user-interface thread's event queue: the link thread's hand-off posts, the test drains.
class UiQueue {
public:
    void Post() {
        std::lock_guard lock(m_mutex);
        ++m_posted;
        m_cv.notify_all();
    }
    bool Wait(std::chrono::milliseconds bound) {
        std::unique_lock lock(m_mutex);
        const bool got = m_cv.wait_for(lock, bound, [&] { return m_posted > m_taken; });
        m_taken = m_posted;
        return got;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    uint64_t m_posted = 0, m_taken = 0;
};

// A monitor window at virtual time: the main status form, or the shift form in its place.
class ProgrammingOutcome : public ::testing::Test, public IDocView {
protected:
    VirtualClock clock{int64_t(kT0) * 1000};
    FixedTimeZone zone{300, false};
    NullMessageSink sink;
    std::shared_ptr<sim::SimMonitor> monitor =
        std::make_shared<sim::SimMonitor>(sim::SimConfig{}, clock, zone);
    std::shared_ptr<sim::InMemoryWire> wire = std::make_shared<sim::InMemoryWire>(monitor, clock);
    UiQueue ui;
    std::shared_ptr<UpdateHandOff> handOff = std::make_shared<UpdateHandOff>([this] { ui.Post(); });
    std::unique_ptr<COrvodeskDoc> doc = std::make_unique<COrvodeskDoc>(clock, zone, sink);
    FakeMainView mainView;
    MainStatusLogic main{*doc, doc->Link(), mainView};
    FakeShiftView shiftView;
    ScriptedMessages messages;
    std::unique_ptr<ShiftFormLogic> shift;

    void SetUp() override {
        doc->AddView(this);
        doc->SetHandOff(handOff);
        main.InitialUpdate();
        ASSERT_TRUE(doc->OpenConnection("sim", wire->Factory()));
        ASSERT_TRUE(Pump([&] { return mainView.sample == "STOP" && doc->Link().QueueLength() == 0; }));
    }
    void TearDown() override { doc.reset(); }

    void OnDocUpdate(uint32_t flags, intptr_t value) override {
        if (shift && !shift->Left())
            shift->Update(flags, value);
        else
            main.Update(flags, value);
    }
    // Handles updates as the user-interface thread would until `done`; a bound in real time
    // only, the link runs at virtual time.
    template <class Done> bool Pump(Done done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            ui.Wait(std::chrono::milliseconds(200));
            handOff->Drain();
        }
        return true;
    }
    // The shift form, filled in and OK pressed (the cable pulled just before, when asked); back on
    // the main status form.
    void ProgramShift(bool pullCable = false) {
        shift = std::make_unique<ShiftFormLogic>(*doc, doc->Link(), shiftView, messages, clock);
        shift->InitialUpdate();
        ASSERT_TRUE(Pump([&] { return !shiftView.entries.dustStandard.empty(); }));
        Enter(*shift, ValidEntries(clock.NowSeconds() + 7200));
        monitor->SetSilent(pullCable);
        ASSERT_TRUE(shift->Ok()) << (messages.shown.empty() ? "" : messages.shown[0].text);
        main.InitialUpdate();
    }
};

} // namespace

// Pull the cable, press OK, plug it back: the form must not stay busy for ever.
TEST_F(ProgrammingOutcome, ACablePulledEndsTheBusyStateAndSaysSo) {
    ProgramShift(true);
    EXPECT_TRUE(doc->ProgrammingBusy());
    EXPECT_FALSE(doc->CanClose());
    EXPECT_EQ(mainView.status, "Programming Shift");
    ASSERT_TRUE(Pump([&] { return !doc->ProgrammingBusy(); }));
    EXPECT_EQ(mainView.failures, std::vector<std::string>{NOT_PROGRAMMED_TEXT});
    EXPECT_EQ(mainView.status, "");
    EXPECT_TRUE(doc->CanClose());

    monitor->SetSilent(false);
    ASSERT_TRUE(Pump([&] { return doc->Connected() && mainView.sample == "STOP"; }));
    EXPECT_EQ(mainView.enabled, EnablingRule(STATE_STOPPED, false, false));
    EXPECT_EQ(mainView.failures.size(), 1u);
    EXPECT_EQ(monitor->DeviceState(), int(STATE_STOPPED));
}

TEST_F(ProgrammingOutcome, ATakenProgramEndsItQuietlyAndClearingWithoutACableSaysSo) {
    ProgramShift();
    ASSERT_TRUE(Pump([&] { return !doc->ProgrammingBusy(); }));
    EXPECT_EQ(doc->State(), STATE_PROGRAMMED);
    EXPECT_EQ(monitor->DeviceState(), int(STATE_PROGRAMMED));
    EXPECT_TRUE(mainView.failures.empty());
    EXPECT_EQ(mainView.status, "");
    EXPECT_EQ(mainView.enabled, EnablingRule(STATE_PROGRAMMED, false, false));

    monitor->SetSilent(true);
    main.ClearProgram();
    EXPECT_FALSE(doc->CanClose());
    ASSERT_TRUE(Pump([&] { return !doc->ClearingBusy(); }));
    EXPECT_EQ(mainView.failures, std::vector<std::string>{NOT_CLEARED_TEXT});
    EXPECT_TRUE(doc->CanClose());
}
