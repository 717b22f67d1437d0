#include "forms/CProcedureForm.h"

#include <QAbstractButton>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "app/DocumentSession.h"
#include "dialogs/CProcedureNumbersDlg.h"
#include "platform/Clock.h"
#include "platform/MessageService.h"

namespace orvo {

// The application's clock, running as many times faster as the poll timer does, from the form's
// creation on.
class CProcedureForm::ScaledClock final : public Clock {
public:
    ScaledClock(Clock& base, double scale) : m_base(base), m_scale(scale), m_start(base.NowMs()) {}

    int64_t NowMs() const override {
        return m_start + int64_t(std::llround(double(m_base.NowMs() - m_start) * m_scale));
    }
    void SleepMs(int64_t ms) override { m_base.SleepMs(int64_t(double(ms) / m_scale)); }

private:
    Clock& m_base;
    const double m_scale;
    const int64_t m_start;
};

CProcedureForm::CProcedureForm(const FormContext& context, QWidget* parent)
    : CFormView(context, parent), m_scale(context.session.ProcedureTimeScale()),
      m_clock(std::make_unique<ScaledClock>(context.services.clock, m_scale)), m_poll(new QTimer(this)) {
    m_poll->setObjectName(QStringLiteral("pollTimer"));
    connect(m_poll, &QTimer::timeout, this, [this] {
        if (m_procedure)
            m_procedure->OnTimer();
    });
}

CProcedureForm::~CProcedureForm() {
    // Normally closed already (OnLeave); a form destroyed without leaving still closes its
    // procedure. Whatever it writes then goes to a link that may be closed already.
    m_poll->stop();
    Finish();
}

Clock& CProcedureForm::ProcedureClock() {
    return *m_clock;
}

void CProcedureForm::OnInitialUpdate() {
    if (m_procedure)
        m_procedure->Open();
}

bool CProcedureForm::Finish() {
    if (!m_procedure || m_procedure->Closed())
        return false;
    m_procedure->Close();
    m_poll->stop();
    return true;
}

bool CProcedureForm::OnLeave() {
    return Finish();
}

void CProcedureForm::OnUpdate(uint32_t hint, intptr_t value) {
    if (m_modal > 0)
        m_held.emplace_back(hint, value);
    else if (m_procedure)
        m_procedure->OnDocUpdate(hint, value);
}

void CProcedureForm::BeginModal() {
    if (m_modal++ == 0)
        m_poll->stop();
}

void CProcedureForm::EndModal() {
    if (--m_modal > 0)
        return;
    if (m_procedure && m_procedure->TimerRunning() && !m_procedure->Closed())
        StartTimer(m_procedure->TimerMs());
    // A lost link among them takes the form back to the main form, as it would have at once.
    const std::vector<std::pair<uint32_t, intptr_t>> held = std::move(m_held);
    m_held.clear();
    for (const auto& [hint, value] : held)
        if (m_procedure)
            m_procedure->OnDocUpdate(hint, value);
}

void CProcedureForm::ReturnToMain() {
    // Close here as well as on leaving: the procedure asks for this in the middle of a step, and
    // the frame switches forms only once that step has returned.
    Finish();
    ReturnToMainForm();
}

void CProcedureForm::Bind(const std::string& id, QWidget* widget) {
    widget->setObjectName(QString::fromStdString(id));
    Binding& b = m_bound[id];
    b.widget = widget;
    b.font = std::make_unique<QFont>(widget->font());
    b.palette = std::make_unique<QPalette>(widget->palette());
}

void CProcedureForm::Accompany(const std::string& id, QWidget* companion) {
    m_bound[id].companions.emplace_back(companion);
}

QWidget* CProcedureForm::Bound(const std::string& id) const {
    const auto it = m_bound.find(id);
    return it == m_bound.end() ? nullptr : it->second.widget.data();
}

void CProcedureForm::SetText(const std::string& field, const std::string& text, TextTone tone) {
    const auto it = m_bound.find(field);
    if (it == m_bound.end() || !it->second.widget)
        return;
    QWidget* widget = it->second.widget;
    const QString shown = QString::fromStdString(text);
    if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(shown);
    else if (auto* edit = qobject_cast<QLineEdit*>(widget))
        edit->setText(shown);
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(shown);
    else if (auto* group = qobject_cast<QGroupBox*>(widget))
        group->setTitle(shown);

    QFont font = *it->second.font;
    QPalette palette = *it->second.palette;
    if (tone != TextTone::Normal) {
        const Rgb c = ToneColour(tone);
        font.setBold(true);
        palette.setColor(QPalette::WindowText, QColor(c.red, c.green, c.blue));
        palette.setColor(QPalette::Text, QColor(c.red, c.green, c.blue));
    }
    widget->setFont(font);
    widget->setPalette(palette);
}

void CProcedureForm::SetEnabled(const std::string& control, bool enabled) {
    if (QWidget* widget = Bound(control))
        widget->setEnabled(enabled);
}

void CProcedureForm::SetChecked(const std::string& control, bool checked) {
    if (auto* button = qobject_cast<QAbstractButton*>(Bound(control)))
        button->setChecked(checked);
}

void CProcedureForm::SetVisible(const std::string& control, bool visible) {
    const auto it = m_bound.find(control);
    if (it == m_bound.end())
        return;
    if (it->second.widget)
        it->second.widget->setVisible(visible);
    for (const QPointer<QWidget>& companion : it->second.companions)
        if (companion)
            companion->setVisible(visible);
}

void CProcedureForm::Focus(const std::string& control) {
    QWidget* widget = Bound(control);
    if (!widget)
        return;
    widget->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        edit->selectAll();
}

MessageAnswer CProcedureForm::Message(const std::string& title, const std::string& text, MessageIcon icon,
                                      MessageButtons buttons) {
    return Services().messages.Show(text, title, icon, buttons);
}

bool CProcedureForm::Dialog(const std::string& title, const std::string& prompt,
                            std::vector<DialogNumber>& numbers) {
    CProcedureNumbersDlg dialog(QString::fromStdString(title), QString::fromStdString(prompt), numbers,
                                Services().messages, this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    numbers = dialog.Numbers();
    return true;
}

void CProcedureForm::StartTimer(int ms) {
    m_poll->start(std::max(1, int(std::lround(ms / m_scale))));
}

void CProcedureForm::StopTimer() {
    m_poll->stop();
}

} // namespace orvo
