#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "model/PrcTable.h"

namespace orvo {

class COrvodeskDoc;
class DeviceRequests;

// The value axis of the chart.
struct AxisRange {
    double minimum = 0.0;
    double maximum = 1.0;
};

// What the graph form shows; the widget renders, the logic decides.
class IGraphFormView {
public:
    virtual ~IGraphFormView() = default;

    virtual void SetTitle(const std::string& title) = 0;
    virtual void ShowRegisterChoices(const std::vector<std::string>& names) = 0; // registers 0..183
    virtual void ShowHistory(const std::string& text) = 0;
    virtual void ShowUpdate(const std::string& seconds) = 0;
    virtual void SetAutoScaleChecked(bool checked) = 0;
    virtual void ShowAxisRange(const std::string& minimum, const std::string& maximum) = 0;
    virtual void SetLoggingChecked(bool checked) = 0;
    virtual void ShowLogPath(const std::string& path) = 0;
    // An open dialog for the log; an empty path means the user cancelled.
    virtual std::string AskLogPath() = 0;
    // The plotted list (and the chart's series) in order.
    virtual void ShowPlotted(const std::vector<std::string>& names) = 0;
    // OnTimerTick every `ms` milliseconds from now on.
    virtual void StartTimer(uint32_t ms) = 0;
    // The chart takes Samples() and Axis() and draws them once.
    virtual void Redraw() = 0;
};

// The live graph without a window: the plotted registers, the history of their samples (one
// column per register, the newest sample in the last row), the sampling timer with its one read
// request, the value axis (automatic, typed or zoomed) and the CSV log. Runs on the
// user-interface thread; never waits for the link.
class GraphFormLogic {
public:
    static constexpr size_t MAX_PLOTTED = 15; // what one read request carries
    static constexpr uint16_t HISTORY_DEFAULT = 240;
    static constexpr uint16_t HISTORY_MIN = 64;
    static constexpr uint16_t HISTORY_MAX = 512;
    static constexpr uint32_t UPDATE_DEFAULT_MS = 5000;
    static constexpr uint32_t UPDATE_MIN_MS = 500;
    static constexpr uint32_t UPDATE_MAX_MS = 300000;

    GraphFormLogic(COrvodeskDoc& doc, DeviceRequests& io, IGraphFormView& view);

    void InitialUpdate();
    void Update(uint32_t hint, intptr_t value);
    void OnTimerTick();

    // False when the list is full or the register is plotted already.
    bool AddRegister(int number);
    // Positions in the plotted list; the other registers keep their samples.
    void RemoveRegisters(std::vector<int> positions);

    // The fields, when they lose the focus.
    void SetHistoryText(const std::string& text);
    void SetUpdateText(const std::string& seconds);
    void SetAxisMinimumText(const std::string& text);
    void SetAxisMaximumText(const std::string& text);
    // "Y Axis Scale": checked is automatic scaling. Giving a limit field the focus unchecks it.
    void SetAutoScale(bool automatic);
    void BeginManualScale() { SetAutoScale(false); }
    // A drag on the chart from y0 to y1 (pixels, downwards) over a plot area that starts at
    // `plotTop` and is `plotHeight` high becomes the value axis.
    void Zoom(double y0, double y1, double plotTop, double plotHeight);

    // "Logging" checked or cleared by the user; "..." chooses the file.
    void SetLogging(bool checked);
    void BrowseLogPath();

    const std::vector<int>& Plotted() const { return m_plotted; }
    // Register `column`'s samples, oldest first, HistoryPoints() of them; NaN where none arrived.
    const std::deque<double>& Samples(size_t column) const { return m_samples[column]; }
    AxisRange Axis() const;
    bool AutoScale() const { return m_autoScale; }
    uint16_t HistoryPoints() const { return m_history; }
    uint32_t UpdateMs() const { return m_updateMs; }
    bool Logging() const { return m_logging; }
    const std::string& LogPath() const { return m_logPath; }

private:
    void ShowPlotted();
    void ShowAxisFields();
    void ShowAxisFields(const AxisRange& range);
    void ApplyHistory(uint16_t history);
    // Opens the log for appending, adds `text` and closes it; clears Logging when it cannot.
    bool AppendToLog(const std::string& text);
    bool AppendHeader();
    std::string ValuesLine() const;
    AxisRange AutomaticRange() const;

    COrvodeskDoc& m_doc;
    DeviceRequests& m_io;
    IGraphFormView& m_view;

    std::vector<int> m_plotted;
    std::vector<std::deque<double>> m_samples;
    std::bitset<PRC_COUNT> m_awaited; // registers of the last request not answered yet
    uint16_t m_history = HISTORY_DEFAULT;
    uint32_t m_updateMs = UPDATE_DEFAULT_MS;
    bool m_autoScale = true;
    AxisRange m_manual;
    bool m_logging = false;
    std::string m_logPath;
};

} // namespace orvo
