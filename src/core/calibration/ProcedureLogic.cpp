#include "calibration/ProcedureLogic.h"

#include <cfloat>
#include <cmath>

#include "model/PrcTable.h"
#include "model/StatusAnswer.h"
#include "platform/Clock.h"

namespace orvo {

ProcedureLogic::ProcedureLogic(COrvodeskDoc& doc, DeviceRequests& io, IProcedureView& view, Clock& clock,
                               std::string name)
    : m_doc(doc), m_io(io), m_view(view), m_clock(clock), m_name(std::move(name)) {}

bool ProcedureLogic::WritableValue(int number, double value) {
    const PrcDefinition* d = FindPrcDefinition(number);
    if (!d || !std::isfinite(value))
        return false;
    if (d->type == PRC_TYPE_INT)
        return value >= 0.0 && value <= 4294967295.0 && value == std::floor(value);
    if (d->type == PRC_TYPE_FLOAT)
        return std::fabs(value) <= double(FLT_MAX);
    return false;
}

void ProcedureLogic::Open() {
    if (m_opened || m_closed)
        return;
    m_opened = true;
    const Step step(*this);
    OnOpen();
}

void ProcedureLogic::Close() {
    if (m_closed)
        return;
    const Step step(*this);
    StopTimer();
    m_closed = true;
    m_held.clear();
    // With the monitor gone the writes would be tried for two seconds and dropped; the document
    // keeps them for when it answers again, so a pump left running is switched off then.
    m_owing = !m_doc.Connected();
    if (m_opened)
        WriteSafeState();
}

void ProcedureLogic::OnTimer() {
    if (!m_opened || m_closed || !m_timerRunning || m_modal > 0)
        return;
    const Step step(*this);
    OnTick();
}

void ProcedureLogic::OnDocUpdate(uint32_t flags, intptr_t value) {
    if (!m_opened || m_closed)
        return;
    if (m_depth > 0) {
        m_held.push_back({flags, value});
        return;
    }
    const Step step(*this);
    Deliver(flags, value);
}

void ProcedureLogic::Deliver(uint32_t flags, intptr_t value) {
    if (m_closed)
        return;
    // A lost monitor (0x07) or another one on the port: the frame returns to the main form, which
    // closes the procedure.
    if ((flags & UPDATE_IDENTITY) && !m_doc.Connected()) {
        m_view.ReturnToMain();
        return;
    }
    if ((flags & UPDATE_REGISTER) && PrcTable::IsValid(int(value)))
        OnRegister(int(value));
}

void ProcedureLogic::ReleaseHeld() {
    while (m_depth == 0 && !m_held.empty() && !m_closed) {
        const Held next = m_held.front();
        m_held.erase(m_held.begin());
        ++m_depth; // updates held meanwhile wait for this one
        Deliver(next.flags, next.value);
        --m_depth;
    }
}

double ProcedureLogic::Value(int number) const {
    return m_doc.Registers().Value(number);
}

bool ProcedureLogic::ShiftRunning() const {
    const int32_t state = m_doc.State();
    return state == STATE_WARMING || state == STATE_RUNNING;
}

int64_t ProcedureLogic::NowMs() const {
    return m_clock.NowMs();
}

bool ProcedureLogic::WriteTimes(int times, const std::vector<RegisterWrites>& requests) {
    bool ok = true;
    for (int i = 0; i < times; ++i)
        for (const RegisterWrites& r : requests)
            ok = Write(r) && ok;
    return ok;
}

bool ProcedureLogic::Write(const RegisterWrites& values) {
    for (const auto& [number, value] : values) {
        if (WritableValue(number, value))
            continue;
        OnRefusedWrite("Calculation error: no valid value for " + m_doc.Registers().ShortName(number) +
                       ", nothing was written");
        return false;
    }
    if (m_owing) {
        m_doc.OweOnReconnection(values);
        return true;
    }
    return m_io.WriteRegisters(values);
}

void ProcedureLogic::OnRefusedWrite(const std::string& status) {
    StopTimer();
    SetStatus(status);
    m_outcome = Outcome::Failed;
}

bool ProcedureLogic::Read(const std::vector<int>& numbers) {
    return m_io.ReadRegisters(numbers);
}

void ProcedureLogic::StartTimer(int ms) {
    m_timerRunning = true;
    m_timerMs = ms;
    if (m_modal == 0)
        m_view.StartTimer(ms);
}

void ProcedureLogic::StopTimer() {
    if (m_timerRunning && m_modal == 0)
        m_view.StopTimer();
    m_timerRunning = false;
}

void ProcedureLogic::Show(const std::string& field, const std::string& text, TextTone tone) {
    m_shown[field] = {text, tone};
    m_view.SetText(field, text, tone);
}

std::string ProcedureLogic::Shown(const std::string& field) const {
    const auto it = m_shown.find(field);
    return it == m_shown.end() ? std::string() : it->second.first;
}

TextTone ProcedureLogic::ShownTone(const std::string& field) const {
    const auto it = m_shown.find(field);
    return it == m_shown.end() ? TextTone::Normal : it->second.second;
}

// The poll timer stands still while a box is open; held updates follow once it has closed.
template <class F> auto ProcedureLogic::Modal(F&& show) {
    if (m_modal++ == 0 && m_timerRunning)
        m_view.StopTimer();
    auto answer = show();
    if (--m_modal == 0 && m_timerRunning && !m_closed)
        m_view.StartTimer(m_timerMs);
    return answer;
}

MessageAnswer ProcedureLogic::Message(const std::string& text, MessageIcon icon, MessageButtons buttons) {
    return Modal([&] { return m_view.Message(m_name, text, icon, buttons); });
}

bool ProcedureLogic::Ask(const std::string& text) {
    return Message(text, MessageIcon::Question, MessageButtons::YesNo) == MessageAnswer::Yes;
}

bool ProcedureLogic::Dialog(const std::string& prompt, std::vector<DialogNumber>& numbers) {
    return Modal([&] { return m_view.Dialog(m_name, prompt, numbers); });
}

} // namespace orvo
