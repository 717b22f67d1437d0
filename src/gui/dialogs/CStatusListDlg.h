#pragma once

#include <QDialog>

#include "ui/FileDialogs.h"

class QPushButton;
class QTreeWidget;

namespace orvo {

class MessageService;
class SampleResults;

// "Status List": every status condition that turned on during the sample, with its time. Save
// As... writes the status list file (and closes the dialog once written), Print prints the
// two columns.
class CStatusListDlg : public QDialog {
    Q_OBJECT
public:
    CStatusListDlg(const SampleResults& results, MessageService& messages, FileChooser chooser,
                   QWidget* parent = nullptr);

    QTreeWidget* List() const { return m_list; }
    void SaveAs();
    void Print();

private:
    const SampleResults& m_results;
    MessageService& m_messages;
    FileChooser m_chooser;
    QTreeWidget* m_list;
};

} // namespace orvo
