#pragma once

#include <QPointer>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "calibration/IProcedureView.h"
#include "calibration/ProcedureLogic.h"
#include "forms/CFormView.h"

class QFont;
class QPalette;
class QTimer;

namespace orvo {

// The Qt side that every diagnostics and calibration form shares. The procedure (a ProcedureLogic
// in core) decides everything; this base renders what it asks for and forwards what the user does.
//
// - Widgets are bound to the procedure's field and control identifiers (Bind); an identifier a
//   form does not bind is ignored, as IProcedureView allows. SetText fills a label, an entry, a
//   button or a group box's title; SetChecked works on check boxes, Focus selects an entry's text.
// - Text in TextTone::Pass or Fail is bold, in dark green (0,127,0) or dark red (127,0,0); Normal
//   puts back the font and colours the widget had when it was bound.
// - Message boxes go through the application's MessageService, titled with the procedure's name,
//   so tests answer them; Dialog shows CProcedureNumbersDlg.
// - The poll timer is a QTimer the procedure starts and stops (and stops while a box is open). It
//   runs TimeScale() times faster against a simulated monitor whose time runs that much faster; the
//   procedure's clock (ProcedureClock) runs as fast.
// - ProcedureLogic::Close, which writes the instrument's safe state, runs exactly once whichever way
//   the form goes, while the link is still open: the form's own buttons or a lost link
//   (ReturnToMain), the window closed (the frame switching back to the main status form calls
//   OnLeave), the document or the application closing (OnLeave, before the link closes), and as a
//   last resort the form's destruction.
//
// A form built on it makes its widgets, creates its procedure with MakeProcedure (the procedure is
// opened on the initial update), binds the identifiers and connects its buttons to the
// procedure's entry points. Print commands have nothing to print from these forms.
class CProcedureForm : public CFormView, public IProcedureView {
    Q_OBJECT
public:
    CProcedureForm(const FormContext& context, QWidget* parent = nullptr);
    ~CProcedureForm() override;

    void OnInitialUpdate() override;
    bool OnLeave() override;

    ProcedureLogic& Procedure() const { return *m_procedure; }
    QTimer* PollTimer() const { return m_poll; }
    double TimeScale() const { return m_scale; }

    // IProcedureView
    void SetText(const std::string& field, const std::string& text, TextTone tone) override;
    void SetEnabled(const std::string& control, bool enabled) override;
    void SetChecked(const std::string& control, bool checked) override;
    void SetVisible(const std::string& control, bool visible) override;
    void Focus(const std::string& control) override;
    MessageAnswer Message(const std::string& title, const std::string& text, MessageIcon icon,
                          MessageButtons buttons) override;
    bool Dialog(const std::string& title, const std::string& prompt,
                std::vector<DialogNumber>& numbers) override;
    void StartTimer(int ms) override;
    void StopTimer() override;
    void ReturnToMain() override;

protected:
    // Creates the form's procedure on its document, its link, this view and the procedure clock.
    template <class Logic, class... Args> Logic& MakeProcedure(Args&&... args) {
        auto logic = std::make_unique<Logic>(Doc(), Doc().Link(), *this, ProcedureClock(),
                                             std::forward<Args>(args)...);
        Logic& made = *logic;
        m_procedure = std::move(logic);
        return made;
    }
    Clock& ProcedureClock();

    // `widget` shows the procedure's field or control `id` (also its object name).
    void Bind(const std::string& id, QWidget* widget);
    QWidget* Bound(const std::string& id) const;
    // `companion` (a caption, a unit, the rest of a column) is shown and hidden with `id`.
    void Accompany(const std::string& id, QWidget* companion);
    // Runs a dialog of the form's own (a file or date dialog) as the procedure runs its boxes: the
    // poll timer stands still and document updates wait until the dialog has closed.
    template <class F> auto Modal(F&& show) {
        BeginModal();
        auto result = show();
        EndModal();
        return result;
    }

    void OnUpdate(uint32_t hint, intptr_t value) override;

private:
    struct Binding {
        QPointer<QWidget> widget;
        std::unique_ptr<QFont> font;
        std::unique_ptr<QPalette> palette;
        std::vector<QPointer<QWidget>> companions;
    };
    class ScaledClock;

    // Closes the procedure unless it is closed already; true when it closed now.
    bool Finish();
    void BeginModal();
    void EndModal();

    const double m_scale;
    std::unique_ptr<ScaledClock> m_clock;
    QTimer* m_poll;
    std::unique_ptr<ProcedureLogic> m_procedure;
    std::map<std::string, Binding> m_bound;
    int m_modal = 0;                                   // the form's own dialogs open
    std::vector<std::pair<uint32_t, intptr_t>> m_held; // updates that came meanwhile
};

} // namespace orvo
