#include "ui/DurationEdit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionSpinBox>

#include <algorithm>

#include "platform/NumberParse.h"

namespace orvo {

namespace {

// Hours, then optionally a colon and the minutes; partial entries while typing. A duration
// above the maximum is typed as it is: the form refuses it with its message rather than the
// keys being swallowed.
const QRegularExpression& Pattern() {
    static const QRegularExpression pattern(QStringLiteral("^\\s*([0-9]{0,5})(?::([0-9]{0,2}))?\\s*$"));
    return pattern;
}

} // namespace

DurationEdit::DurationEdit(QWidget* parent) : QAbstractSpinBox(parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setAccelerated(true);
    lineEdit()->setText(Format(m_minutes));
    connect(lineEdit(), &QLineEdit::textEdited, this, &DurationEdit::OnTextEdited);
    connect(this, &QAbstractSpinBox::editingFinished, this, [this] {
        if (lineEdit()->text() != Format(m_minutes))
            lineEdit()->setText(Format(m_minutes));
    });
}

QString DurationEdit::Format(uint32_t minutes) {
    return QStringLiteral("%1:%2").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

std::optional<uint32_t> DurationEdit::ParseMinutes(const QString& text) {
    const QRegularExpressionMatch match = Pattern().match(text);
    if (!match.hasMatch() || match.captured(1).isEmpty())
        return std::nullopt;
    // Minutes past 59 carry into the hours ("1:90" is 2:30).
    const uint32_t hours = uint32_t(ParseWholeUnsigned(match.captured(1).toStdString(), 99999).value_or(0));
    const uint32_t minutes = uint32_t(ParseWholeUnsigned(match.captured(2).toStdString(), 99).value_or(0));
    return hours * 60 + minutes;
}

void DurationEdit::SetSeconds(uint32_t seconds) {
    SetMinutes(seconds / 60, true);
}

void DurationEdit::SetMaximumSeconds(uint32_t seconds) {
    m_maxMinutes = seconds / 60;
    if (m_minutes > m_maxMinutes)
        SetMinutes(m_maxMinutes, true);
}

void DurationEdit::SetMinutes(uint32_t minutes, bool rewrite) {
    if (rewrite && lineEdit()->text() != Format(minutes))
        lineEdit()->setText(Format(minutes));
    if (minutes == m_minutes)
        return;
    m_minutes = minutes;
    emit SecondsChanged(Seconds());
}

void DurationEdit::OnTextEdited(const QString& text) {
    if (const std::optional<uint32_t> minutes = ParseMinutes(text))
        SetMinutes(*minutes, false);
}

bool DurationEdit::CursorInMinutes() const {
    const int colon = lineEdit()->text().indexOf(QLatin1Char(':'));
    return colon >= 0 && lineEdit()->cursorPosition() > colon;
}

void DurationEdit::stepBy(int steps) {
    const bool inMinutes = CursorInMinutes();
    const int64_t step = inMinutes ? 1 : 60;
    const int64_t target = std::clamp<int64_t>(int64_t(m_minutes) + steps * step, 0, m_maxMinutes);
    SetMinutes(uint32_t(target), true);
    // Stay in the section that was stepped.
    const int colon = lineEdit()->text().indexOf(QLatin1Char(':'));
    if (inMinutes)
        lineEdit()->setSelection(colon + 1, 2);
    else
        lineEdit()->setSelection(0, colon);
}

QAbstractSpinBox::StepEnabled DurationEdit::stepEnabled() const {
    StepEnabled enabled = StepNone;
    if (m_minutes > 0)
        enabled |= StepDownEnabled;
    if (m_minutes < m_maxMinutes)
        enabled |= StepUpEnabled;
    return enabled;
}

void DurationEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown) {
        const int64_t delta = event->key() == Qt::Key_PageUp ? m_pageStep : -m_pageStep;
        SetMinutes(uint32_t(std::clamp<int64_t>(int64_t(m_minutes) + delta, 0, m_maxMinutes)), true);
        event->accept();
        return;
    }
    QAbstractSpinBox::keyPressEvent(event);
}

QValidator::State DurationEdit::validate(QString& input, int&) const {
    const QRegularExpressionMatch match = Pattern().match(input);
    if (!match.hasMatch())
        return QValidator::Invalid;
    return ParseMinutes(input) && input.contains(QLatin1Char(':')) && match.captured(2).size() == 2
               ? QValidator::Acceptable
               : QValidator::Intermediate;
}

void DurationEdit::fixup(QString& input) const {
    input = Format(ParseMinutes(input).value_or(m_minutes));
}

QSize DurationEdit::sizeHint() const {
    ensurePolished();
    const QFontMetrics metrics(font());
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    const QSize text(metrics.horizontalAdvance(QStringLiteral("00000:00")) + 8,
                     lineEdit()->sizeHint().height());
    return style()->sizeFromContents(QStyle::CT_SpinBox, &option, text, this);
}

QSize DurationEdit::minimumSizeHint() const {
    return sizeHint();
}

} // namespace orvo
