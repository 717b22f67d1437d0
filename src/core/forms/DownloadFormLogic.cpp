#include "forms/DownloadFormLogic.h"

#include <cctype>
#include <cstdint>

#include "download/RecordText.h"
#include "link/DeviceRequests.h"
#include "model/COrvodeskDoc.h"
#include "model/ShiftProgram.h"
#include "model/StatusAnswer.h"
#include "platform/Format.h"
#include "platform/LocalTime.h"

namespace orvo {

namespace {

constexpr uint64_t kItemBytes = 5;

// "%H:%M:%S, %A, %m/%d/%Y" with English day names whatever the desktop's language.
std::string ListTime(const TimeZoneSource& zone, uint32_t utcSeconds) {
    static constexpr const char* kDays[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                             "Thursday", "Friday", "Saturday"};
    const std::string day = FormatLocalTime(zone, utcSeconds, "%w");
    const int index = day.size() == 1 ? day[0] - '0' : -1;
    return FormatLocalTime(zone, utcSeconds, "%H:%M:%S, ") + (index >= 0 && index < 7 ? kDays[index] : "") +
           FormatLocalTime(zone, utcSeconds, ", %m/%d/%Y");
}

// The edit's text as a decimal integer the way the form always read it: leading digits after
// an optional sign, 0 when there are none.
int64_t DecimalPrefix(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        value = std::min<int64_t>(value * 10 + (text[i] - '0'), INT32_MAX);
    return negative ? -value : value;
}

} // namespace

DownloadFormLogic::DownloadFormLogic(COrvodeskDoc& doc, DeviceRequests& io, IDownloadView& view)
    : m_doc(doc), m_io(io), m_view(view) {}

std::string DownloadFormLogic::LineText(const std::string& entry, const TimeZoneSource& zone) {
    return ListTime(zone, RecordUnsigned(entry, 0)) + " - " + ListTime(zone, RecordUnsigned(entry, 1)) +
           " (" + FormatUnsigned(uint64_t(RecordUnsigned(entry, 3)) * kItemBytes) + " Bytes)";
}

void DownloadFormLogic::InitialUpdate() {
    const AccessMode mode = m_doc.Mode();
    m_visible.interval = mode == ACCESS_EXPERT;
    m_visible.serviceLog = mode != ACCESS_STANDARD && m_doc.NewFirmware();
    m_view.SetVisibility(m_visible);
    m_view.SetIntervalText("60");
    m_enabled = DownloadEnabling{};
    m_entries.clear();
    m_selected = -1;
    m_view.ClearList();
    m_doc.ClearRecords();
    m_downloading = false;
    m_position = m_maximum = 0;
    m_view.SetProgress(0, 0);
    m_view.SetStatusText({});
    Apply();
    m_io.RequestSampleCount();
}

bool DownloadFormLogic::ServiceLogAllowed() const {
    const int32_t state = m_doc.State();
    return m_visible.serviceLog && !m_downloading && !m_entries.empty() &&
           (state == STATE_STOPPED || state == STATE_PROGRAMMED);
}

void DownloadFormLogic::Apply() {
    // A second transfer must never start beside a running one: everything that starts one is
    // off while downloading.
    m_enabled.list = !m_downloading;
    m_enabled.interval = !m_downloading && !m_view.AutoChecked();
    m_enabled.autoBox = !m_downloading;
    m_enabled.download = !m_downloading && m_selected >= 0;
    m_enabled.serviceLog = ServiceLogAllowed();
    m_view.SetEnabling(m_enabled);
}

void DownloadFormLogic::Update(uint32_t hint, intptr_t value) {
    if (hint & UPDATE_IDENTITY) {
        if (!m_doc.Connected()) {
            m_view.ShowMainForm();
            return;
        }
        const int32_t state = m_doc.State();
        if (state < STATE_STOPPED || state > STATE_RUNNING)
            m_view.ShowMessage(kStateError);
    }
    if ((hint & UPDATE_SERVICE_LOG_TOTAL) && m_downloading) {
        m_maximum = uint64_t(value > 0 ? value : 0);
        m_view.SetProgress(m_position, m_maximum);
    }
    if (hint & UPDATE_RECORD_FRONT) {
        if (value == RECORD_INSERTED_AT_FRONT && !m_downloading) {
            // Entries arrive in index order from 0. A cleared program's record coming back ("-"
            // for its index) or an entry of an earlier listing still being answered is no line.
            const std::vector<std::string> records = m_doc.Records();
            if (!records.empty() && RecordField(records.front(), 2) == FormatUnsigned(m_entries.size())) {
                m_entries.push_back(records.front());
                m_view.AddLine(LineText(records.front(), m_doc.Zone()));
            }
        } else if (value == NO_RECORD && m_downloading) {
            // The monitor has nothing to send for this sample. The form stays as it is until
            // Cancel, but the user learns why nothing moves.
            m_view.SetStatusText(kNoDataText);
        }
    }
    if ((hint & UPDATE_RECORD_APPENDED) && !m_downloading && m_cancelled && value > 0) {
        // The block that was in flight at Cancel still arrives: its records are no result.
        m_doc.ClearRecords();
    }
    if ((hint & UPDATE_RECORD_APPENDED) && m_downloading) {
        if (value > 0) {
            m_position += uint64_t(value);
            m_view.SetProgress(m_position, m_maximum);
        } else {
            OnCompleted();
            return;
        }
    }
    // The state and the listing decide Service Log, whichever update brought them.
    if (hint & (UPDATE_IDENTITY | UPDATE_STATE | UPDATE_RECORD_FRONT))
        Apply();
}

void DownloadFormLogic::OnSelectionChanged(int line) {
    m_selected = line >= 0 && size_t(line) < m_entries.size() ? line : -1;
    Apply();
}

void DownloadFormLogic::StartTransfer(const std::string& entry, bool serviceLog, bool latest) {
    m_doc.SetCurrentEntry(entry);
    m_position = 0;
    m_maximum = RecordUnsigned(entry, 3);
    m_view.SetProgress(m_position, m_maximum);
    m_view.SetStatusText({});
    m_doc.SetServiceLog(serviceLog);
    m_doc.ClearRecords();
    m_latest = latest;
    m_cancelled = false;
    m_downloading = true;
    Apply();
    const bool queued =
        serviceLog ? m_io.StartServiceLog() : m_io.StartSampleData(uint8_t(RecordUnsigned(entry, 2)));
    if (!queued) {
        m_downloading = false;
        Apply();
    }
}

void DownloadFormLogic::OnDownload() {
    if (m_downloading || m_selected < 0)
        return;
    StartTransfer(m_entries[size_t(m_selected)], false, m_selected == 0);
}

void DownloadFormLogic::OnServiceLog() {
    if (!ServiceLogAllowed())
        return;
    StartTransfer(m_entries.front(), true, false);
}

void DownloadFormLogic::OnCompleted() {
    m_downloading = false;
    m_selected = -1;
    m_view.ClearSelection();
    m_position = 0;
    m_view.SetProgress(0, m_maximum);
    Apply();
    m_doc.SetDisplayInterval(m_view.AutoChecked() ? -1 : DecimalPrefix(m_view.IntervalText()));
    // The latest sample of a stopped monitor has been read: its program is cleared.
    if (m_latest && m_doc.State() == STATE_STOPPED)
        m_io.ProgramShift(ShiftProgram{}, m_doc.NewFirmware());
    m_view.ShowResults();
}

void DownloadFormLogic::OnCancel() {
    if (!m_downloading) {
        m_view.ShowMainForm();
        return;
    }
    m_io.CancelTransfer();
    m_cancelled = true;
    m_entries.clear();
    m_selected = -1;
    m_view.ClearList();
    m_doc.ClearRecords();
    m_downloading = false;
    m_position = 0;
    m_view.SetProgress(0, m_maximum);
    m_view.SetStatusText({});
    Apply();
    m_io.RequestSampleCount();
}

} // namespace orvo
