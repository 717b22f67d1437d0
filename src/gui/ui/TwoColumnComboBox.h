#pragma once

#include <QComboBox>

namespace orvo {

// A drop-down list of (code, name) rows drawn in two columns. The list opens as wide as its
// longest row (within the screen); a row or a selection that is cut off anyway shows itself
// whole in a tip.
class TwoColumnComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TwoColumnComboBox(QWidget* parent = nullptr);

    // The row's text is the code, a blank and the name, as the closed box shows it.
    void AddRow(const QString& code, const QString& name);

    void showPopup() override;

protected:
    bool event(QEvent* event) override;
};

} // namespace orvo
