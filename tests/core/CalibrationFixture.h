#pragma once

// Procedures against the simulated instrument at virtual time, through the real document and link.
// The link thread may only run virtual time up to a limit; the test moves the limit from one timer
// event to the next and delivers the event while the link thread waits with nothing left to read, so
// every run is the same run.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "SimMonitor.h"
#include "calibration/ProcedureLogic.h"
#include "link/RequestRecorder.h"
#include "link/SerialPort.h"
#include "model/COrvodeskDoc.h"
#include "platform/Clock.h"
#include "platform/MessageSink.h"
#include "platform/TimeZoneSource.h"

namespace orvo::test {

class SteppedSimWire : public std::enable_shared_from_this<SteppedSimWire> {
public:
    SteppedSimWire(sim::SimMonitor& sim, VirtualClock& clock) : m_sim(sim), m_clock(clock) {}

    SerialPortFactory Factory();
    // Lets virtual time run to `ms`; returns once the link thread waits there with nothing to read
    // (false after ten seconds of real time).
    bool RunTo(int64_t ms);
    void Release();

    ReadResult Read(uint8_t& byte, int timeoutMs);
    bool Write(const uint8_t* data, size_t length);

private:
    sim::SimMonitor& m_sim;
    VirtualClock& m_clock;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<uint8_t> m_rx;
    int64_t m_limit = 0;
    int64_t m_parkedAt = -1;
};

// A form that remembers what it was told and answers boxes by a script.
struct ScriptedView : IProcedureView {
    struct Box {
        std::string title, text;
        MessageIcon icon;
        MessageButtons buttons;
    };

    std::map<std::string, std::string> texts;
    std::map<std::string, bool> enabled, checked, visible;
    std::vector<Box> boxes;
    // Default: Yes to questions, OK to the rest.
    std::function<MessageAnswer(const Box&)> answer;
    // Default: the dialog is cancelled.
    std::function<bool(const std::string& prompt, std::vector<DialogNumber>&)> dialog;
    int returns = 0;

    bool timerOn = false;
    int64_t periodMs = 0, nextMs = 0;
    std::function<int64_t()> now; // the time a timer started now counts from

    void SetText(const std::string& f, const std::string& t, TextTone) override { texts[f] = t; }
    void SetEnabled(const std::string& c, bool e) override { enabled[c] = e; }
    void SetChecked(const std::string& c, bool on) override { checked[c] = on; }
    void SetVisible(const std::string& c, bool v) override { visible[c] = v; }
    void Focus(const std::string&) override {}
    MessageAnswer Message(const std::string& title, const std::string& text, MessageIcon icon,
                          MessageButtons buttons) override {
        boxes.push_back({title, text, icon, buttons});
        if (answer)
            return answer(boxes.back());
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    }
    bool Dialog(const std::string&, const std::string& prompt, std::vector<DialogNumber>& numbers) override {
        return dialog && dialog(prompt, numbers);
    }
    void StartTimer(int ms) override {
        timerOn = true;
        periodMs = ms;
        nextMs = now() + ms;
    }
    void StopTimer() override { timerOn = false; }
    void ReturnToMain() override { ++returns; }

    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> out;
        for (const Box& b : boxes)
            out.push_back(b.text);
        return out;
    }
};

// A document without a link: its table holds exactly the readings a procedure is given, so that a
// rule can be met on its limit; the recorder notes what the procedure asks for.
struct OfflineDoc {
    VirtualClock clock;
    FixedTimeZone zone{300, false};
    NullMessageSink sink;
    COrvodeskDoc doc{clock, zone, sink};
    RequestRecorder io;
    ScriptedView view;

    OfflineDoc() {
        view.now = [this] { return clock.NowMs(); };
    }
    void Set(IDocView& procedure, int number, double value) {
        doc.Registers().SetValue(number, value);
        procedure.OnDocUpdate(0x08, number);
    }
};

class CalibrationFixture : public ::testing::Test {
protected:
    static constexpr int64_t kStart = 1'700'000'000'000;

    void SetUp() override;
    void TearDown() override;

    // A monitor with `config`, connected and identified.
    void Connect(sim::SimConfig config = {});
    // A procedure the fixture owns until TearDown, so that a failed assertion never leaves the
    // fixture closing one that is gone.
    template <class P, class... Args> P& Make(Args&&... args) {
        auto made = std::make_unique<P>(std::forward<Args>(args)...);
        P& p = *made;
        m_owned = std::move(made);
        return p;
    }
    // Adds the procedure to the document's views and opens it.
    void Open(ProcedureLogic& procedure);
    // Delivers the procedure's timer events until `done` holds (true) or `limitS` seconds of
    // virtual time have passed (false); then lets the link send what is queued.
    bool RunUntil(const std::function<bool()>& done, int limitS);
    // Closes the procedure as its form would go and lets its last writes out.
    void CloseProcedure();
    // A fresh document, link and view for the next case of a table.
    void Reset();

    // The register writes the procedure asked for, one "write n=v ..." line each.
    std::vector<std::string> Writes() const;
    double VirtualSeconds() const { return double(clock.NowMs() - m_opened) / 1000.0; }

    VirtualClock clock{kStart};
    FixedTimeZone zone{300, false};
    NullMessageSink sink;
    std::shared_ptr<sim::SimMonitor> sim;
    std::shared_ptr<SteppedSimWire> wire;
    std::unique_ptr<COrvodeskDoc> doc;
    std::unique_ptr<RequestRecorder> io;
    ScriptedView view;
    ProcedureLogic* procedure = nullptr;

private:
    std::unique_ptr<ProcedureLogic> m_owned;
    int64_t m_tickMs = -1; // the timer event being delivered
    int64_t m_opened = 0;
};

} // namespace orvo::test
