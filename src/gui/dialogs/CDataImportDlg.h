#pragma once

#include <QDialog>

#include <memory>

#include "model/PrcTable.h"
#include "results/ImportedDataFile.h"
#include "results/SampleResults.h"
#include "ui/FileDialogs.h"

class QPushButton;

namespace orvo {

class MessageService;
class TimeZoneSource;
class RegisterChartPanel;

// "Data Import": a sample opened from a data file and viewed without a monitor: the chart of one
// register, the status list, the sample data file and the Dust Data Card, with the file's serial
// number, tonnage and notes. Modeless; the main frame keeps at most one.
class CDataImportDlg : public QDialog {
    Q_OBJECT
public:
    // Reads the file; on failure its message is shown and nothing is returned.
    static CDataImportDlg* Open(const QString& path, MessageService& messages, const TimeZoneSource& zone, FileChooser chooser,
                                QWidget* parent = nullptr);

    // After it is shown: the row-limit message and the status list, as after a download.
    void ShowFirstDialogs();

    const QString& Path() const { return m_path; }
    const SampleResults& Results() const { return m_results; }
    RegisterChartPanel* Panel() const { return m_panel; }
    QPushButton* SaveCsvButton() const { return m_saveCsv; }
    QPushButton* StatusListButton() const { return m_statusList; }
    QPushButton* PrintCardButton() const { return m_printCard; }
    void SetFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }

    void SaveCsv();
    void ShowStatusList();

private:
    CDataImportDlg(const QString& path, MessageService& messages, const TimeZoneSource& zone, FileChooser chooser, QWidget* parent);
    void Fill();

    QString m_path;
    MessageService& m_messages;
    const TimeZoneSource& m_zone;
    FileChooser m_chooser;
    PrcTable m_registers;
    ImportedDataFile m_file;
    SampleResults m_results;
    RegisterChartPanel* m_panel;
    QPushButton* m_saveCsv;
    QPushButton* m_statusList;
    QPushButton* m_printCard;
};

} // namespace orvo
