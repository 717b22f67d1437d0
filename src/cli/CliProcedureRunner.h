#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "calibration/ProcedureLogic.h"
#include "platform/Clock.h"

namespace orvo {

class CliSession;

// Runs one core procedure on the terminal: the procedure's form for orvoctl. Document updates come
// in on the link thread and are queued; the main thread hands them on and fires the procedure's
// timer, so the procedure itself runs on one thread only, as on the desktop. The timer runs
// `timeScale` times faster, for a simulated monitor whose dynamics run that much faster.
//
// SIGINT ends the run cleanly: the procedure is closed (its safe state written and answered) and
// the session can then close the connection as after any other command.
class CliProcedureRunner final : public IProcedureView, private IDocView {
public:
    enum class End { Done, Interrupted, LinkLost, NoAnswer };

    struct Hooks {
        // A box's answer; by default OK to information and Yes to questions.
        std::function<MessageAnswer(const std::string& text, MessageButtons buttons)> answer;
        // Every text the procedure shows, as it shows it.
        std::function<void(const std::string& field, const std::string& text)> shown;
    };

    CliProcedureRunner(CliSession& session, double timeScale, Hooks hooks);
    ~CliProcedureRunner() override;

    // Opens the procedure on first use, runs it until `done` holds, the link is lost or the run is
    // interrupted; with `close` the procedure is then finished (below).
    End Run(ProcedureLogic& procedure, const std::function<bool()>& done, bool close = true);
    // Closes the procedure and waits until its safe-state writes were answered: a run whose monitor
    // went silent near its end turns into NoAnswer here.
    End Finish(ProcedureLogic& procedure, End end);

    // The procedures' time: the computer's clock, running timeScale times faster from now on.
    Clock& ProcedureClock() { return m_clock; }

    // Whether SIGINT has arrived since the runner was made.
    static bool Interrupted();

    void SetText(const std::string& field, const std::string& text, TextTone tone) override;
    void SetEnabled(const std::string&, bool) override {}
    void SetChecked(const std::string&, bool) override {}
    void SetVisible(const std::string&, bool) override {}
    void Focus(const std::string&) override {}
    MessageAnswer Message(const std::string& title, const std::string& text, MessageIcon icon,
                          MessageButtons buttons) override;
    bool Dialog(const std::string&, const std::string&, std::vector<DialogNumber>&) override { return false; }
    void StartTimer(int ms) override;
    void StopTimer() override { m_timerOn = false; }
    void ReturnToMain() override { m_returned = true; }

private:
    using Steady = std::chrono::steady_clock;
    struct Update {
        uint32_t flags;
        intptr_t value;
    };

    class ScaledClock final : public Clock {
    public:
        explicit ScaledClock(double scale) : m_scale(scale), m_start(SystemClock::Instance().NowMs()) {}
        int64_t NowMs() const override {
            return m_start + int64_t(double(SystemClock::Instance().NowMs() - m_start) * m_scale);
        }
        void SleepMs(int64_t ms) override { SystemClock::Instance().SleepMs(int64_t(double(ms) / m_scale)); }

    private:
        const double m_scale;
        const int64_t m_start;
    };

    void OnDocUpdate(uint32_t flags, intptr_t value) override;

    CliSession& m_session;
    const double m_scale;
    ScaledClock m_clock;
    Hooks m_hooks;

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<Update> m_updates; // from the link thread

    bool m_timerOn = false;
    Steady::duration m_period{};
    Steady::time_point m_next{};
    bool m_returned = false;
    bool m_lost = false;
};

} // namespace orvo
