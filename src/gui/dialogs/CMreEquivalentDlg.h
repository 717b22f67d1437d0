#pragma once

#include <QDialog>

class QCheckBox;

namespace orvo {

class COrvodeskDoc;

// "MRE Equivalent": one box, "Enable", OK and Cancel. Register 149 of the monitor.
class CMreEquivalentDlg : public QDialog {
    Q_OBJECT
public:
    explicit CMreEquivalentDlg(bool enabled, QWidget* parent = nullptr);

    bool Enabled() const;
    QCheckBox* EnableBox() const { return m_enable; }

    // The Options menu's command: the box shows the monitor's register; OK writes it back.
    static void Run(COrvodeskDoc& doc, QWidget* parent);

private:
    QCheckBox* m_enable;
};

} // namespace orvo
