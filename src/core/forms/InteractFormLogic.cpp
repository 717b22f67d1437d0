#include "forms/InteractFormLogic.h"

#include <algorithm>

#include "link/DeviceRequests.h"
#include "link/Protocol.h"
#include "model/COrvodeskDoc.h"
#include "model/PrcRegisters.h"
#include "model/StatusAnswer.h"
#include "platform/Format.h"
#include "platform/MessageService.h"
#include "service/ConfigExport.h"
#include "service/ConfigImport.h"
#include "service/LoggingTemplate.h"

namespace orvo {

namespace {

constexpr size_t kValueChars = 64;
constexpr size_t kIntervalChars = 32;
constexpr size_t kSerialEntryChars = 11;

// The serial number becomes part of a proposed file name: a name, never a path.
std::string FileNameSafe(std::string text) {
    for (char& c : text)
        if (!SerialCharactersAcceptable(std::string_view(&c, 1)))
            c = '_';
    return text;
}

} // namespace

InteractFormLogic::InteractFormLogic(COrvodeskDoc& doc, DeviceRequests& io, IInteractFormView& view,
                                     MessageService& messages)
    : m_doc(doc), m_io(io), m_view(view), m_messages(messages) {}

void InteractFormLogic::Update(uint32_t hint, intptr_t value) {
    const bool all = hint == 0;
    if (!m_doc.Connected())
        ShowDisconnected();
    else if (!m_shownConnected)
        LoadAfterConnect();

    if (hint & UPDATE_REGISTER)
        OnRegister(static_cast<int>(value));

    ApplyEnabling();

    if (all || (hint & UPDATE_TEMPLATE_NAME))
        m_view.ShowTemplateName(m_doc.TemplateName());
    if ((all || (hint & UPDATE_SERIAL_TEXT)) && m_doc.Connected())
        RefreshSerialControls();
}

void InteractFormLogic::ShowDisconnected() {
    m_view.ShowConnection(false);
    m_view.ShowSerialNumber("");
    m_serialGroup = false;
    m_serialEntry = false;
    m_view.EnableSerialGroup(false);
    m_shownConnected = false;
}

void InteractFormLogic::LoadAfterConnect() {
    m_shownConnected = true;
    RefreshSerialControls();
    m_view.ShowConnection(true);
    const bool firstLoad = m_columnsMissing;
    if (m_columnsMissing) {
        m_view.CreateColumns();
        m_columnsMissing = false;
    }
    m_view.BlankDetail(" ", false);
    SetProgress(InitialLoadRange(m_fullList, firstLoad), 0);
    m_initialLoad = true;
    FillRows(PRC_COUNT - 1); // register 183 comes with Reload All only
}

void InteractFormLogic::FillRows(int count) {
    m_view.ClearRows();
    m_rows.clear();
    m_refreshAwaited = -1;
    m_loadAwaited.reset();
    m_selected = -1;
    m_selectedEditable = false;
    for (int n = 0; n < count; ++n) {
        m_rows.push_back(n);
        m_view.AppendRow(n, RegisterRowTexts(m_doc.Registers(), n));
        if (m_io.ReadFullRegister(n))
            m_loadAwaited.set(size_t(n));
    }
    m_view.FitColumns();
    m_io.RequestTemplateName();
}

void InteractFormLogic::RefreshSerialControls() {
    if (!m_doc.NewFirmware()) {
        m_serialGroup = false;
        m_serialEntry = false;
        m_view.ShowSerialNumber("");
    } else {
        m_serialGroup = true;
        m_serialEntry = m_doc.Mode() == ACCESS_EXPERT;
        m_view.ShowSerialNumber(m_doc.SerialTextKnown() ? m_doc.SerialText() : "");
    }
    m_view.EnableSerialGroup(m_serialGroup);
}

void InteractFormLogic::OnRegister(int number) {
    const int row = RowOf(number);
    if (row >= 0) {
        m_view.UpdateRow(row, RegisterRowTexts(m_doc.Registers(), number));
        if (row == m_selected)
            ShowSelectedDetail(!m_view.ValueEditBusy()); // typing is never overwritten
        // The refresh starts once a load's reads are answered and then keeps one read in flight:
        // only the answer it waits for moves it on. Moving on with every answer kept a load's worth
        // of reads queued for good, so that every command waited behind them, and queued one more
        // read per register of every multi-register answer (a graph window's fifteen a tick).
        if (PrcTable::IsValid(number) && m_loadAwaited.test(size_t(number))) {
            m_loadAwaited.reset(size_t(number));
            if (m_loadAwaited.none())
                AdvanceRefresh();
        } else if (m_loadAwaited.none() && (m_refreshAwaited < 0 || number == m_refreshAwaited)) {
            AdvanceRefresh();
        }
    }
    StepLoads();
    StepExport(number);
}

// Each answer asks for the next row, so the list keeps refreshing while the monitor answers.
// The bottom leads to -1 and then to row 0, neither of them read; the round goes on with row 1.
void InteractFormLogic::AdvanceRefresh() {
    m_refreshAwaited = -1;
    const int rows = static_cast<int>(m_rows.size());
    for (int step = 0; step < 3 && m_refreshAwaited < 0 && rows > 1; ++step) {
        const int next = m_cursor + 1;
        m_cursor = next >= rows ? -1 : next;
        if (m_cursor > 0 && m_io.ReadFullRegister(m_rows[size_t(m_cursor)]))
            m_refreshAwaited = m_rows[size_t(m_cursor)];
    }
}

void InteractFormLogic::StepLoads() {
    for (bool* pending : {&m_initialLoad, &m_reloadPending}) {
        if (!*pending)
            continue;
        if (m_progressPos < m_progressMax)
            SetProgress(m_progressMax, m_progressPos + 1);
        if (m_progressPos >= m_progressMax)
            *pending = false;
    }
}

// The export waits for the registers it asked for, listed or not: counting only registers
// without a row would never finish, as every exported register has one.
void InteractFormLogic::StepExport(int number) {
    if (!m_exportPending || !PrcTable::IsValid(number) || !m_exportAwaited.test(size_t(number)))
        return;
    m_exportAwaited.reset(size_t(number));
    SetProgress(m_progressMax, std::min(m_progressPos + 1, m_progressMax));
    if (m_exportAwaited.none()) {
        m_exportPending = false;
        m_exportReady = true;
        m_view.ExportReady();
    }
}

void InteractFormLogic::ApplyEnabling() {
    const bool idle = !m_initialLoad && !m_reloadPending;
    const bool expert = m_doc.Mode() == ACCESS_EXPERT;
    InteractControls enabled{};
    for (InteractControl c :
         {InteractControl::ValueEdit, InteractControl::Reload, InteractControl::ReloadAll,
          InteractControl::TemplateSaveAs, InteractControl::TemplateBrowse, InteractControl::Export,
          InteractControl::Import, InteractControl::FactoryDefaults})
        enabled[Index(c)] = idle;
    enabled[Index(InteractControl::ValueSet)] = idle && m_selected >= 0 && m_selectedEditable;
    enabled[Index(InteractControl::TemplateSend)] = idle && !m_templatePath.empty();
    for (InteractControl c : {InteractControl::LoggingType, InteractControl::LoggingInterval,
                              InteractControl::LoggingDelta, InteractControl::LoggingSet})
        enabled[Index(c)] = idle && expert;
    enabled[Index(InteractControl::SerialEntry)] = idle && m_serialEntry;
    m_view.EnableControls(enabled);
}

void InteractFormLogic::SelectRow(int row) {
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return;
    m_selected = row;
    const int n = m_rows[size_t(row)];
    m_selectedEditable =
        RegisterEditable(n, m_doc.Mode(), m_doc.NewFirmware(), m_doc.Registers().ReadOnly(n));
    m_view.SetValueReadOnly(!m_selectedEditable);
    ShowSelectedDetail(true);
    ApplyEnabling();
}

void InteractFormLogic::ShowSelectedDetail(bool withValue) {
    const int n = SelectedRegister();
    if (n < 0)
        return;
    const PrcTable& table = m_doc.Registers();
    const PrcLogging logging = table.Logging(n);
    RegisterDetail detail;
    detail.name = table.ShortName(n);
    detail.units = table.Unit(n);
    detail.value = table.ValueText(n);
    detail.loggingType = logging.mode <= LOG_MODE_HEADER_FOOTER ? logging.mode : -1;
    detail.interval = FormatUnsigned(logging.interval);
    detail.delta = FormatFixed(logging.delta, 6);
    m_view.ShowDetail(detail, withValue);
}

void InteractFormLogic::SetValue(const std::string& typed) {
    const int n = SelectedRegister();
    if (n < 0 || !m_selectedEditable)
        return;
    const std::string text = typed.substr(0, kValueChars);
    const PrcTable& table = m_doc.Registers();
    const std::string name = table.ShortName(n);
    if (name == "SERIAL NUMBER" && !SerialDigitsAcceptable(text)) {
        m_messages.Show(INTERACT_SERIAL_DIGITS);
        m_view.FocusValueEdit();
        return;
    }
    const uint32_t type = table.Type(n);
    if (!(type & (PRC_TYPE_INT | PRC_TYPE_FLOAT)))
        return;
    const std::optional<double> value = ParseRegisterValue(text, type);
    if (!value) { // an undefined value is never written
        m_messages.Show(NotANumberMessage(name));
        m_view.FocusValueEdit();
        return;
    }
    if (m_io.WriteRegisters({{n, *value}})) // the list follows the monitor's answer
        m_view.ReleaseValueEdit();
}

void InteractFormLogic::Reload() {
    const int n = SelectedRegister();
    if (n >= 0)
        m_io.ReadFullRegister(n);
}

void InteractFormLogic::ReloadAll() {
    m_view.BlankDetail(" ", true);
    // Without a monitor nothing would answer: the list stays as it is.
    if (!m_doc.Connected())
        return;
    SetProgress(ReloadRange(m_fullList), 0);
    m_reloadPending = true;
    FillRows(PRC_COUNT);
    ApplyEnabling();
}

void InteractFormLogic::SetLogging(int type, const std::string& intervalText, const std::string& deltaText) {
    const int n = SelectedRegister();
    if (n < 0 || type < 0 || type > 2)
        return;
    uint32_t code = type == 0 ? 0 : 1;
    if (type == 1) {
        const std::string text = intervalText.substr(0, kIntervalChars);
        const std::optional<double> interval = ParseRegisterValue(text, PRC_TYPE_INT);
        if (!interval || *interval >= 4294967295.0) {
            m_messages.Show(NotANumberMessage("Interval"));
            return;
        }
        code = uint32_t(*interval) + 1;
    }
    float delta = 0.0f;
    if (deltaText.find_first_not_of(' ') != std::string::npos) {
        const std::optional<double> value = ParseRegisterValue(deltaText, PRC_TYPE_FLOAT);
        if (!value) {
            m_messages.Show(NotANumberMessage("Delta"));
            return;
        }
        delta = float(*value);
    }
    m_io.SetLogging(n, code, delta);
    m_io.RequestTemplateName();
}

void InteractFormLogic::FactoryDefaults() {
    if (m_messages.Show(INTERACT_FACTORY_QUESTION, {}, MessageIcon::Question, MessageButtons::YesNoCancel) !=
        MessageAnswer::Yes)
        return;
    SetProgress(m_progressMax, 0);
    m_io.FactoryReset();
    m_io.ReadFullRegister(-1);
}

void InteractFormLogic::SaveTemplate() {
    const std::string path = m_view.AskTemplateSavePath();
    if (path.empty())
        return;
    if (!LoggingTemplate::Save(m_doc.Registers(), path))
        m_messages.Show(TEMPLATE_SAVE_ERROR);
}

void InteractFormLogic::BrowseTemplate() {
    const std::string path = m_view.AskTemplateOpenPath();
    if (path.empty())
        return;
    m_templatePath = path;
    m_view.ShowTemplatePath(path);
    ApplyEnabling();
}

void InteractFormLogic::SendTemplate() {
    std::vector<LoggingTemplateRecord> records;
    if (m_templatePath.empty() || !LoggingTemplate::Load(m_templatePath, records)) {
        m_messages.Show(TEMPLATE_OPEN_ERROR);
        return;
    }
    SetProgress(PRC_COUNT, 0);
    LoggingTemplate::Send(m_io, records, m_templatePath);
    m_reloadPending = true; // the progress bar follows the monitor's answers
    ApplyEnabling();
}

void InteractFormLogic::SetSerialNumber(const std::string& typed) {
    const std::string text = typed.substr(0, kSerialEntryChars);
    if (!SerialCharactersAcceptable(text)) {
        m_messages.Show(INTERACT_SERIAL_CHARS, INTERACT_SERIAL_CHARS_TITLE, MessageIcon::Stop);
        return;
    }
    m_io.SetSerialText(UpperCase(text)); // the line follows when the monitor reports it
}

void InteractFormLogic::Export() {
    m_view.BlankDetail("", true);
    if (!m_doc.Connected()) {
        m_messages.Show(INTERACT_NOT_CONNECTED);
        return;
    }
    const std::vector<int> registers = ConfigExport::RefreshRegisters(m_doc.Registers(), m_doc.NewFirmware());
    m_exportAwaited.reset();
    for (const int n : registers)
        m_exportAwaited.set(size_t(n));
    SetProgress(static_cast<int>(registers.size()), 0);
    m_exportReady = false;
    m_exportPending = true;
    for (const int n : registers)
        m_io.ReadFullRegister(n);
}

void InteractFormLogic::FinishExport() {
    if (!m_exportReady)
        return;
    m_exportReady = false;
    const PrcTable& table = m_doc.Registers();
    const bool newFirmware = m_doc.NewFirmware();
    const std::string serialText = m_doc.SerialText();
    const std::string serial = ConfigExport::SerialNumber(table, newFirmware, serialText);
    const std::string path = m_view.AskExportPath(ConfigExport::ProposedFileName(FileNameSafe(serial)));
    if (path.empty())
        return;
    std::string message;
    if (!ConfigExport::Write(ConfigExport::Build(table, newFirmware, serialText), path, &message))
        m_messages.Show(message, {}, MessageIcon::Stop);
}

void InteractFormLogic::Import() {
    const std::string path = m_view.AskImportPath();
    if (path.empty())
        return;
    ConfigImport import(m_doc.Registers(), m_doc.NewFirmware(), m_io, m_messages, [this] { ReloadAll(); });
    import.Run(path);
}

void InteractFormLogic::SetProgress(int maximum, int position) {
    m_progressMax = maximum;
    m_progressPos = position;
    m_view.SetProgress(maximum, position);
}

int InteractFormLogic::RowOf(int number) const {
    const auto it = std::find(m_rows.begin(), m_rows.end(), number);
    return it == m_rows.end() ? -1 : static_cast<int>(it - m_rows.begin());
}

int InteractFormLogic::SelectedRegister() const {
    return m_selected >= 0 && m_selected < static_cast<int>(m_rows.size()) ? m_rows[size_t(m_selected)] : -1;
}

} // namespace orvo
