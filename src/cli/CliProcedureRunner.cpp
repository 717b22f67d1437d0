#include "CliProcedureRunner.h"

#include <signal.h>

#include <algorithm>
#include <cstdio>

#include "CliSession.h"
#include "model/StatusAnswer.h"

namespace orvo {

namespace {

volatile sig_atomic_t g_interrupted = 0;
struct sigaction g_previous {};

void OnInterrupt(int) {
    g_interrupted = 1;
}

// The wait for the next event is bounded so that Ctrl+C is seen within this.
constexpr auto kSignalPoll = std::chrono::milliseconds(50);

} // namespace

CliProcedureRunner::CliProcedureRunner(CliSession& session, double timeScale, Hooks hooks)
    : m_session(session), m_scale(timeScale > 0.0 ? timeScale : 1.0), m_clock(m_scale),
      m_hooks(std::move(hooks)) {
    // No SA_RESTART: a prompt waiting for Enter gives up at once.
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &g_previous);
    m_session.Doc().AddView(this);
}

CliProcedureRunner::~CliProcedureRunner() {
    m_session.Doc().RemoveView(this);
    sigaction(SIGINT, &g_previous, nullptr);
}

bool CliProcedureRunner::Interrupted() {
    return g_interrupted != 0;
}

void CliProcedureRunner::OnDocUpdate(uint32_t flags, intptr_t value) {
    {
        std::lock_guard lock(m_lock);
        m_updates.push_back({flags, value});
    }
    m_changed.notify_all();
}

CliProcedureRunner::End CliProcedureRunner::Run(ProcedureLogic& procedure, const std::function<bool()>& done,
                                                bool close) {
    if (!procedure.Opened())
        procedure.Open();
    End end = End::Done;
    for (;;) {
        if (done())
            break;
        if (Interrupted()) {
            end = End::Interrupted;
            break;
        }
        if (m_lost || m_returned) {
            end = End::LinkLost;
            break;
        }
        std::deque<Update> batch;
        {
            std::unique_lock lock(m_lock);
            Steady::time_point wake = Steady::now() + kSignalPoll;
            if (m_timerOn)
                wake = std::min(wake, m_next);
            m_changed.wait_until(lock, wake, [this] { return !m_updates.empty(); });
            batch.swap(m_updates);
        }
        for (const Update& u : batch) {
            if ((u.flags & UPDATE_IDENTITY) && !m_session.Doc().Connected())
                m_lost = true;
            procedure.OnDocUpdate(u.flags, u.value);
        }
        const Steady::time_point now = Steady::now();
        if (m_timerOn && now >= m_next) {
            m_next += m_period;
            if (m_next < now) // fell behind: keep the period from now on rather than catch up
                m_next = now + m_period;
            procedure.OnTimer();
        }
    }
    return close ? Finish(procedure, end) : end;
}

CliProcedureRunner::End CliProcedureRunner::Finish(ProcedureLogic& procedure, End end) {
    procedure.Close();
    if (m_lost || !m_session.Doc().Connected())
        return End::LinkLost;
    if (m_session.Exchange([](CDeviceLink&) { return true; }).status != EXIT_OK)
        return End::NoAnswer;
    return end;
}

void CliProcedureRunner::StartTimer(int ms) {
    m_period =
        std::chrono::duration_cast<Steady::duration>(std::chrono::duration<double, std::milli>(ms / m_scale));
    m_next = Steady::now() + m_period;
    m_timerOn = true;
}

void CliProcedureRunner::SetText(const std::string& field, const std::string& text, TextTone) {
    if (m_hooks.shown)
        m_hooks.shown(field, text);
}

MessageAnswer CliProcedureRunner::Message(const std::string& title, const std::string& text, MessageIcon,
                                          MessageButtons buttons) {
    if (buttons == MessageButtons::YesNo) {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
        const MessageAnswer answer = m_hooks.answer ? m_hooks.answer(text, buttons) : MessageAnswer::Yes;
        std::fprintf(stderr, "%s\n", answer == MessageAnswer::Yes ? "Yes" : "No");
        return answer;
    }
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
    return m_hooks.answer ? m_hooks.answer(text, buttons) : MessageAnswer::Ok;
}

} // namespace orvo
