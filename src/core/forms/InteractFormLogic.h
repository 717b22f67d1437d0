#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "forms/InteractFormRules.h"

namespace orvo {

class COrvodeskDoc;
class DeviceRequests;
class MessageService;

enum class InteractControl {
    ValueEdit,
    ValueSet,
    Reload,
    ReloadAll,
    TemplateSaveAs,
    TemplateSend,
    TemplateBrowse,
    LoggingType,
    LoggingInterval,
    LoggingDelta,
    LoggingSet,
    SerialEntry, // the entry and its Set
    Export,
    Import,
    FactoryDefaults,
};
constexpr size_t INTERACT_CONTROL_COUNT = 15;
using InteractControls = std::array<bool, INTERACT_CONTROL_COUNT>;
constexpr size_t Index(InteractControl c) {
    return static_cast<size_t>(c);
}

// The detail panel of the selected register.
struct RegisterDetail {
    std::string name;
    std::string units;
    std::string value;
    int loggingType = -1; // "Never", "On Delta", "Header/Footer"; -1 for an unknown mode
    std::string interval;
    std::string delta;
};

// What the register form shows; the widget renders, the logic decides.
class IInteractFormView {
public:
    virtual ~IInteractFormView() = default;

    // "Connected" in dark green or "Not Connected" in dark red.
    virtual void ShowConnection(bool connected) = 0;
    virtual void ShowSerialNumber(const std::string& text) = 0;
    virtual void EnableSerialGroup(bool enabled) = 0;
    virtual void CreateColumns() = 0;
    // Rows carry their register number; the view keeps them in the order given.
    virtual void ClearRows() = 0;
    virtual void AppendRow(int number, const RegisterRow& texts) = 0;
    virtual void UpdateRow(int row, const RegisterRow& texts) = 0;
    virtual void FitColumns() = 0; // to content, at least REGISTER_LIST_MIN_WIDTH
    // Names, units and (when `withValue`) the value edit, the Type, Interval and Delta.
    virtual void ShowDetail(const RegisterDetail& detail, bool withValue) = 0;
    // Names, units and value edit become `text`; with `loggingFields` Interval and Delta too.
    virtual void BlankDetail(const std::string& text, bool loggingFields) = 0;
    // True while the value edit has the focus or holds typing not yet written: it is then
    // never overwritten.
    virtual bool ValueEditBusy() const = 0;
    // The typed value has gone to the monitor; its answer may show in the edit again.
    virtual void ReleaseValueEdit() = 0;
    virtual void SetValueReadOnly(bool readOnly) = 0;
    // Gives the value edit the focus with its whole text selected.
    virtual void FocusValueEdit() = 0;
    virtual void SetProgress(int maximum, int position) = 0;
    virtual void EnableControls(const InteractControls& enabled) = 0;
    virtual void ShowTemplateName(const std::string& text) = 0;
    virtual void ShowTemplatePath(const std::string& path) = 0;

    // File dialogs; an empty path means the user cancelled.
    virtual std::string AskTemplateSavePath() = 0;
    virtual std::string AskTemplateOpenPath() = 0;
    virtual std::string AskExportPath(const std::string& proposedName) = 0;
    virtual std::string AskImportPath() = 0;
    // The export's registers have been read again: call FinishExport once the update in hand
    // has been handled (a dialog must not open while the link thread waits for the form).
    virtual void ExportReady() = 0;
};

// The register interaction form without a window: the register list and its rolling refresh,
// the progress of loads and of an export, the detail panel, which controls a mode may use, and
// every button's checks and requests. Runs on the user-interface thread; never waits for the link.
class InteractFormLogic {
public:
    InteractFormLogic(COrvodeskDoc& doc, DeviceRequests& io, IInteractFormView& view,
                      MessageService& messages);

    // Whether Configure brought the user here; decides the progress ranges of loads.
    void SetFullList(bool fullList) { m_fullList = fullList; }

    void InitialUpdate() { Update(0, 0); }
    void Update(uint32_t hint, intptr_t value);

    // The user's actions, as the widgets report them.
    void SelectRow(int row);
    void SetValue(const std::string& text);
    void Reload();
    void ReloadAll();
    void SetLogging(int type, const std::string& intervalText, const std::string& deltaText);
    void FactoryDefaults();
    void SaveTemplate();
    void BrowseTemplate();
    void SendTemplate();
    void SetSerialNumber(const std::string& text);
    void Export();
    void FinishExport();
    void Import();

    const std::vector<int>& Rows() const { return m_rows; }
    int SelectedRow() const { return m_selected; }
    bool InitialLoadPending() const { return m_initialLoad; }
    bool ReloadPending() const { return m_reloadPending; }
    bool ExportPending() const { return m_exportPending; }
    int ProgressMaximum() const { return m_progressMax; }
    int ProgressPosition() const { return m_progressPos; }

private:
    void ShowDisconnected();
    void LoadAfterConnect();
    void FillRows(int count);
    void RefreshSerialControls();
    void OnRegister(int number);
    void AdvanceRefresh();
    void StepLoads();
    void StepExport(int number);
    void ApplyEnabling();
    void ShowSelectedDetail(bool withValue);
    void SetProgress(int maximum, int position);
    int RowOf(int number) const;
    int SelectedRegister() const;

    COrvodeskDoc& m_doc;
    DeviceRequests& m_io;
    IInteractFormView& m_view;
    MessageService& m_messages;

    std::vector<int> m_rows; // register number of each row
    int m_selected = -1;
    bool m_selectedEditable = false;
    int m_cursor = 0;          // the rolling refresh's row; -1 after the bottom
    int m_refreshAwaited = -1; // the register the refresh asked for, until it answers
    bool m_fullList = false;
    bool m_shownConnected = false;
    bool m_initialLoad = false;
    bool m_reloadPending = false;
    bool m_exportPending = false;
    bool m_exportReady = false;
    bool m_columnsMissing = true;
    bool m_serialGroup = false;
    bool m_serialEntry = false;
    std::bitset<PRC_COUNT> m_loadAwaited; // registers a fill asked for, until they answer
    std::bitset<PRC_COUNT> m_exportAwaited;
    int m_progressMax = 0;
    int m_progressPos = 0;
    std::string m_templatePath;
};

} // namespace orvo
