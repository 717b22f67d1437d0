#pragma once

#include <QAbstractSpinBox>

#include <cstdint>
#include <optional>

namespace orvo {

// A duration of hours and minutes ("8:30", "720:00"), not a time of day: a shift may run for
// days. The arrows step the section under the cursor and Page Up and Down by the page step,
// within the maximum; typed text is taken as typed, above the maximum too, for the form to
// refuse. The value is kept and reported in seconds.
class DurationEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit DurationEdit(QWidget* parent = nullptr);

    uint32_t Seconds() const { return m_minutes * 60u; }
    // Whole minutes; emits SecondsChanged when the value changes (unless signals are blocked).
    void SetSeconds(uint32_t seconds);
    // The limit of the arrows and page keys; a value above it is brought down to it.
    void SetMaximumSeconds(uint32_t seconds);
    void SetPageStepMinutes(int minutes) { m_pageStep = minutes; }

    // "h:mm"; nothing when the text is not a duration.
    static QString Format(uint32_t minutes);
    static std::optional<uint32_t> ParseMinutes(const QString& text);

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void SecondsChanged(uint32_t seconds);

protected:
    StepEnabled stepEnabled() const override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SetMinutes(uint32_t minutes, bool rewrite);
    void OnTextEdited(const QString& text);
    bool CursorInMinutes() const;

    uint32_t m_minutes = 0;
    uint32_t m_maxMinutes = 720 * 60;
    int m_pageStep = 60;
};

} // namespace orvo
