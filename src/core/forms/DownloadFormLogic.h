#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvo {

class COrvodeskDoc;
class DeviceRequests;
class TimeZoneSource;

// Which of the download form's optional controls show.
struct DownloadVisibility {
    bool interval = false;   // the "Data Interval" label and its edit (expert mode)
    bool serviceLog = false; // "Service Log" (service and expert mode, newer firmware)
};

// Which controls take input; Cancel is always enabled.
struct DownloadEnabling {
    bool list = true;
    bool download = false;
    bool serviceLog = false;
    bool interval = true;
    bool autoBox = true;
};

// What the download form shows; the widget renders, the logic decides.
class IDownloadView {
public:
    virtual ~IDownloadView() = default;

    virtual void SetVisibility(const DownloadVisibility& visible) = 0;
    virtual void SetEnabling(const DownloadEnabling& enabled) = 0;
    virtual void ClearList() = 0;
    virtual void AddLine(const std::string& text) = 0; // widens the list's extent when needed
    virtual void ClearSelection() = 0;
    virtual void SetIntervalText(const std::string& text) = 0;
    virtual std::string IntervalText() const = 0;
    virtual bool AutoChecked() const = 0;
    virtual void SetProgress(uint64_t position, uint64_t maximum) = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void ShowMessage(const std::string& text) = 0;
    // Leaving the form: the results of a completed transfer (before the update returns, so that
    // they read the record list as the transfer left it), or the main status form.
    virtual void ShowResults() = 0;
    virtual void ShowMainForm() = 0;
};

// The rules of the download form: the listing, the transfer of one sample or of the service
// log, its progress, completion and cancel. Runs on the user-interface thread and never waits
// for the link; the link's answers arrive as document updates.
class DownloadFormLogic {
public:
    static constexpr const char* kNoDataText = "The monitor reported no data for this sample.";
    static constexpr const char* kStateError = "Error determining shift program state";

    DownloadFormLogic(COrvodeskDoc& doc, DeviceRequests& io, IDownloadView& view);

    void InitialUpdate();
    void Update(uint32_t hint, intptr_t value);
    void OnSelectionChanged(int line); // -1: none
    void OnDownload();
    void OnServiceLog();
    void OnCancel();

    bool Downloading() const { return m_downloading; }
    bool Latest() const { return m_latest; }
    uint64_t ProgressPosition() const { return m_position; }
    uint64_t ProgressMaximum() const { return m_maximum; }
    const std::vector<std::string>& Entries() const { return m_entries; }

    // "%s - %s (%lu Bytes)": the entry's local start and end, "%H:%M:%S, %A, %m/%d/%Y", and its
    // item count times five.
    static std::string LineText(const std::string& entry, const TimeZoneSource& zone);

private:
    void StartTransfer(const std::string& entry, bool serviceLog, bool latest);
    void OnCompleted();
    bool ServiceLogAllowed() const;
    void Apply();

    COrvodeskDoc& m_doc;
    DeviceRequests& m_io;
    IDownloadView& m_view;

    std::vector<std::string> m_entries; // in list order
    int m_selected = -1;
    bool m_downloading = false;
    bool m_latest = false;
    bool m_cancelled = false; // since the last transfer started
    uint64_t m_position = 0;
    uint64_t m_maximum = 0;
    DownloadVisibility m_visible;
    DownloadEnabling m_enabled;
};

} // namespace orvo
