#pragma once

#include "calibration/K0Logic.h"
#include "forms/CProcedureForm.h"
#include "ui/FileDialogs.h"

class QLabel;
class QPushButton;

namespace orvo {

// K0 Calibration and K0 Audit (the document's K0 sub-mode chooses): temperatures and frequency
// settling, the measurements of the four weights, the results, the last calibration's or audit's
// measurements with their CSV export, and the transducer's date of manufacture. K0Logic decides;
// this form renders, and owns the save and date dialogs and the Modify Mass and mass dialogs.
//
// The demo monitor has no hands: there the prompt to add a weight takes the transducer out, puts a
// 0.9 mg weight on its filter and fits it again (enter 0.9 mg for it); a new run, and leaving the
// form, take the weights off again.
class CK0Form final : public CProcedureForm {
    Q_OBJECT
public:
    static constexpr double DEMO_WEIGHT = 0.9; // mg, each of the demo's weights

    explicit CK0Form(const FormContext& context, QWidget* parent = nullptr);

    FormKind Kind() const override { return FormKind::K0; }
    bool OnLeave() override;

    K0Logic& Logic() const { return *m_logic; }
    // A text field of the procedure (K0Logic's identifiers, Cell and LastCell included).
    QLabel* Field(const std::string& id) const;
    QPushButton* ModifyMassButton() const { return m_modifyMass; }
    QPushButton* StartButton() const { return m_start; }
    QPushButton* ExportButton() const { return m_export; }
    QPushButton* CancelButton() const { return m_cancel; }
    QPushButton* UpdateButton() const { return m_update; }
    void SetFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }

    MessageAnswer Message(const std::string& title, const std::string& text, MessageIcon icon,
                          MessageButtons buttons) override;
    bool Dialog(const std::string& title, const std::string& prompt,
                std::vector<DialogNumber>& numbers) override;

private:
    void OnStart();
    void OnExport();
    void OnUpdateDate();
    void TakeDemoWeightsOff();

    K0Logic* m_logic;
    QPushButton* m_modifyMass;
    QPushButton* m_start;
    QPushButton* m_export;
    QPushButton* m_cancel;
    QPushButton* m_update;
    FileChooser m_chooser = AskFile;
    double m_demoWeights = 0.0; // mg the demo's filter carries
};

} // namespace orvo
