#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "calibration/IProcedureView.h"
#include "link/DeviceRequests.h"
#include "model/COrvodeskDoc.h"

namespace orvo {

class Clock;

// The frame every diagnostics and calibration procedure is built on: a plain state machine driven
// by register updates and timer events, talking to an abstract view and to register I/O. The Qt
// form only renders it and forwards clicks; orvoctl and the tests drive the same classes.
//
// Life of a procedure (all on one thread, see IProcedureView):
//   1. Construct it, add it to the document's views (it is an IDocView) and call Open().
//   2. Deliver document updates (OnDocUpdate) and timer events (OnTimer) as they come. A register
//      update (0x08) calls OnRegister with the number; the value is in the document's table.
//   3. Call Close() when the form goes, however it goes: Cancel/Close, a lost link (the procedure
//      itself asks for ReturnToMain), the document closing, the application ending. Close stops the
//      timer and writes the procedure's safe state once; then remove it from the views and destroy it.
//
// Message boxes: Message() stops the timer while the box is open and restarts it afterwards (unless
// the procedure stopped it meanwhile). Updates that arrive in the middle of a step (a modal loop
// still delivers them while a box is open) are held and handed on, in order, once the step is over,
// so that a procedure is never re-entered halfway. Entry points a subclass adds for the form's
// buttons open their step with `const Step step(*this);`.
//
// Writes: every value goes through Write(), which refuses a request whose values are not finite or
// do not fit their register's type (integer registers take whole numbers 0..4294967295, float
// registers the single-precision range). A refused request is not sent at all and the procedure
// ends as failed with a status saying so: a miscalculated result never reaches the monitor.
class ProcedureLogic : public IDocView {
public:
    enum class Outcome { Running, Passed, Failed };

    // Identifiers every procedure's form knows.
    static constexpr const char* STATUS = "status";

    // `clock` is the procedure's time: time-outs and the time stamps it writes (a host that runs the
    // timer faster for a faster simulated monitor gives a clock that runs as fast).
    ProcedureLogic(COrvodeskDoc& doc, DeviceRequests& io, IProcedureView& view, Clock& clock,
                   std::string name);
    ~ProcedureLogic() override = default;
    ProcedureLogic(const ProcedureLogic&) = delete;
    ProcedureLogic& operator=(const ProcedureLogic&) = delete;

    // The procedure's name: the title of its message boxes.
    const std::string& Name() const { return m_name; }

    void Open();
    void Close();
    void OnTimer();
    void OnDocUpdate(uint32_t flags, intptr_t value) override;

    bool Opened() const { return m_opened; }
    bool Closed() const { return m_closed; }
    bool TimerRunning() const { return m_timerRunning; }
    int TimerMs() const { return m_timerMs; }
    // How the last run ended; Running while one runs or none has.
    Outcome Result() const { return m_outcome; }
    // The last text set on a field, as the form shows it.
    std::string Shown(const std::string& field) const;
    TextTone ShownTone(const std::string& field) const;

    // Whether `value` may be written to register `number`: finite and of the register's type.
    static bool WritableValue(int number, double value);

protected:
    // Marks one step of the procedure; held updates follow when the outermost step ends.
    class Step {
    public:
        explicit Step(ProcedureLogic& p) : m_p(p) { ++m_p.m_depth; }
        ~Step() {
            if (--m_p.m_depth == 0)
                m_p.ReleaseHeld();
        }
        Step(const Step&) = delete;
        Step& operator=(const Step&) = delete;

    private:
        ProcedureLogic& m_p;
    };

    virtual void OnOpen() = 0;
    virtual void OnTick() = 0;
    virtual void OnRegister(int number) = 0;
    // Writes the state the instrument is left in when the form goes.
    virtual void WriteSafeState() = 0;
    // A write was refused (see Write); the default stops the timer and shows `status`.
    virtual void OnRefusedWrite(const std::string& status);

    COrvodeskDoc& Doc() { return m_doc; }
    const COrvodeskDoc& Doc() const { return m_doc; }
    IProcedureView& View() { return m_view; }
    double Value(int number) const;
    bool ShiftRunning() const; // the monitor warms up or samples under its own control
    int64_t NowMs() const;

    bool Write(const RegisterWrites& values);
    // The requests in order, `times` times over: a safe state that one lost request cannot undo.
    bool WriteTimes(int times, const std::vector<RegisterWrites>& requests);
    bool Read(const std::vector<int>& numbers);
    void StartTimer(int ms);
    void StopTimer();
    void Show(const std::string& field, const std::string& text, TextTone tone = TextTone::Normal);
    void SetStatus(const std::string& text) { Show(STATUS, text); }
    MessageAnswer Message(const std::string& text, MessageIcon icon = MessageIcon::Warning,
                          MessageButtons buttons = MessageButtons::Ok);
    bool Ask(const std::string& text); // Yes/No with the question icon; true on Yes
    bool Dialog(const std::string& prompt, std::vector<DialogNumber>& numbers);
    void SetOutcome(Outcome outcome) { m_outcome = outcome; }

private:
    struct Held {
        uint32_t flags;
        intptr_t value;
    };

    void Deliver(uint32_t flags, intptr_t value);
    void ReleaseHeld();
    template <class F> auto Modal(F&& show);

    COrvodeskDoc& m_doc;
    DeviceRequests& m_io;
    IProcedureView& m_view;
    Clock& m_clock;
    const std::string m_name;

    bool m_opened = false;
    bool m_closed = false;
    bool m_owing = false; // closed with the monitor gone: writes go to the document for later
    bool m_timerRunning = false;
    int m_timerMs = 0;
    int m_modal = 0; // message boxes and dialogs open
    int m_depth = 0; // steps under way
    std::vector<Held> m_held;
    Outcome m_outcome = Outcome::Running;
    std::map<std::string, std::pair<std::string, TextTone>> m_shown;
};

} // namespace orvo
