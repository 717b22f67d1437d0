#include "forms/GraphFormLogic.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <string_view>

#include "link/DeviceRequests.h"
#include "model/COrvodeskDoc.h"
#include "model/StatusAnswer.h"
#include "platform/Format.h"
#include "platform/NumberParse.h"

namespace orvo {

namespace {

constexpr double kNoSample = std::numeric_limits<double>::quiet_NaN();

// A whole entry as "%f" reads it; blanks around it allowed.
std::optional<double> ReadNumber(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::nullopt;
    size_t used = 0;
    const std::string_view rest(text.data() + first, text.size() - first);
    const std::optional<double> value = ParseCDouble(rest, &used);
    if (!value || !std::isfinite(*value) || rest.find_first_not_of(' ', used) != std::string_view::npos)
        return std::nullopt;
    return value;
}

} // namespace

GraphFormLogic::GraphFormLogic(COrvodeskDoc& doc, DeviceRequests& io, IGraphFormView& view)
    : m_doc(doc), m_io(io), m_view(view) {}

void GraphFormLogic::InitialUpdate() {
    m_view.SetTitle(m_doc.Title());
    std::vector<std::string> names;
    for (int n = 0; n < PRC_COUNT; ++n)
        names.push_back(m_doc.Registers().ShortName(n));
    m_view.ShowRegisterChoices(names);
    m_history = HISTORY_DEFAULT;
    m_updateMs = UPDATE_DEFAULT_MS;
    m_view.ShowHistory(FormatUnsigned(m_history));
    m_view.ShowUpdate(FormatGeneral(m_updateMs / 1000.0));
    m_autoScale = true;
    m_view.SetAutoScaleChecked(true);
    ShowAxisFields();
    m_logging = false;
    m_view.SetLoggingChecked(false);
    ShowPlotted();
    m_view.Redraw();
    m_view.StartTimer(m_updateMs);
}

void GraphFormLogic::Update(uint32_t hint, intptr_t value) {
    if (!(hint & UPDATE_REGISTER))
        return;
    const int number = static_cast<int>(value);
    const auto it = std::find(m_plotted.begin(), m_plotted.end(), number);
    if (it == m_plotted.end())
        return;
    m_samples[size_t(it - m_plotted.begin())].back() = m_doc.Registers().Value(number);
    if (!PrcTable::IsValid(number) || !m_awaited.test(size_t(number)))
        return;
    // One drawing when the tick's answer is complete, not one per register.
    m_awaited.reset(size_t(number));
    if (m_awaited.none()) {
        if (m_autoScale)
            ShowAxisFields();
        m_view.Redraw();
    }
}

void GraphFormLogic::OnTimerTick() {
    if (m_plotted.empty())
        return;
    // Without a monitor the link would only queue the request, two a second while a cable is out.
    if (m_doc.Connected())
        m_io.ReadRegisters(m_plotted);
    // Every column moves up a row; the last row waits for the answer.
    for (std::deque<double>& column : m_samples) {
        column.pop_front();
        column.push_back(kNoSample);
    }
    m_awaited.reset();
    for (const int n : m_plotted)
        m_awaited.set(size_t(n));
    if (m_autoScale)
        ShowAxisFields();
    m_view.Redraw();
    if (m_logging)
        AppendToLog(ValuesLine() + "\n"); // the values last read; the line carries no time stamp
}

bool GraphFormLogic::AddRegister(int number) {
    if (!PrcTable::IsValid(number) || m_plotted.size() >= MAX_PLOTTED ||
        std::find(m_plotted.begin(), m_plotted.end(), number) != m_plotted.end())
        return false;
    m_plotted.push_back(number);
    m_samples.emplace_back(m_history, kNoSample);
    ShowPlotted();
    if (m_logging)
        AppendHeader();
    m_view.Redraw();
    return true;
}

void GraphFormLogic::RemoveRegisters(std::vector<int> positions) {
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    bool removed = false;
    for (auto it = positions.rbegin(); it != positions.rend(); ++it) {
        if (*it < 0 || size_t(*it) >= m_plotted.size())
            continue;
        m_awaited.reset(size_t(m_plotted[size_t(*it)]));
        m_plotted.erase(m_plotted.begin() + *it);
        m_samples.erase(m_samples.begin() + *it);
        removed = true;
    }
    if (!removed)
        return;
    ShowPlotted();
    if (m_logging)
        AppendHeader();
    m_view.Redraw();
}

void GraphFormLogic::ShowPlotted() {
    std::vector<std::string> names;
    for (const int n : m_plotted)
        names.push_back(m_doc.Registers().ShortName(n));
    m_view.ShowPlotted(names);
}

void GraphFormLogic::SetHistoryText(const std::string& text) {
    const std::optional<double> value = ReadNumber(text);
    if (value) {
        const double clamped = std::clamp(*value, double(HISTORY_MIN), double(HISTORY_MAX));
        ApplyHistory(static_cast<uint16_t>(clamped));
    }
    m_view.ShowHistory(FormatUnsigned(m_history)); // a limit or an unreadable entry shows what holds
}

void GraphFormLogic::ApplyHistory(uint16_t history) {
    if (history == m_history)
        return;
    // The newest samples stay in the last rows.
    for (std::deque<double>& column : m_samples) {
        while (column.size() > history)
            column.pop_front();
        while (column.size() < history)
            column.push_front(kNoSample);
    }
    m_history = history;
    m_view.Redraw();
}

void GraphFormLogic::SetUpdateText(const std::string& seconds) {
    const std::optional<double> value = ReadNumber(seconds);
    if (value) {
        const double ms = std::clamp(*value * 1000.0, double(UPDATE_MIN_MS), double(UPDATE_MAX_MS));
        const uint32_t updateMs = static_cast<uint32_t>(ms);
        if (updateMs != m_updateMs) {
            m_updateMs = updateMs;
            m_view.StartTimer(m_updateMs);
        }
    }
    m_view.ShowUpdate(FormatGeneral(m_updateMs / 1000.0));
}

void GraphFormLogic::SetAutoScale(bool automatic) {
    if (!automatic && m_autoScale)
        m_manual = AutomaticRange(); // manual scaling starts where the automatic one stood
    m_autoScale = automatic;
    m_view.SetAutoScaleChecked(automatic);
    ShowAxisFields();
    m_view.Redraw();
}

void GraphFormLogic::SetAxisMinimumText(const std::string& text) {
    const std::optional<double> value = ReadNumber(text);
    if (value && *value < m_manual.maximum && !m_autoScale) {
        m_manual.minimum = *value;
        m_view.Redraw();
    }
    ShowAxisFields();
}

void GraphFormLogic::SetAxisMaximumText(const std::string& text) {
    const std::optional<double> value = ReadNumber(text);
    if (value && *value > m_manual.minimum && !m_autoScale) {
        m_manual.maximum = *value;
        m_view.Redraw();
    }
    ShowAxisFields();
}

void GraphFormLogic::Zoom(double y0, double y1, double plotTop, double plotHeight) {
    if (plotHeight <= 0)
        return;
    const AxisRange current = Axis();
    const double perPixel = (current.maximum - current.minimum) / plotHeight;
    auto valueAt = [&](double y) { return current.minimum + (plotHeight - (y - plotTop)) * perPixel; };
    const double a = valueAt(y0);
    const double b = valueAt(y1);
    if (!(a != b)) // a click without a drag, or NaN
        return;
    m_autoScale = false;
    m_manual = {std::min(a, b), std::max(a, b)};
    m_view.SetAutoScaleChecked(false);
    ShowAxisFields();
    m_view.Redraw();
}

AxisRange GraphFormLogic::Axis() const {
    return m_autoScale ? AutomaticRange() : m_manual;
}

// The data with a margin, widened to whole steps of 1, 2 or 5 times a power of ten, so that the
// axis reads in round numbers.
AxisRange GraphFormLogic::AutomaticRange() const {
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (const std::deque<double>& column : m_samples)
        for (const double v : column)
            if (std::isfinite(v)) {
                low = std::min(low, v);
                high = std::max(high, v);
            }
    if (low > high)
        return {0.0, 1.0};
    const double pad = low == high ? std::max(std::fabs(low) * 0.1, 1.0) : (high - low) * 0.05;
    low -= pad;
    high += pad;
    const double rough = (high - low) / 4;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    const double fraction = rough / power;
    const double step = (fraction <= 1 ? 1 : fraction <= 2 ? 2 : fraction <= 5 ? 5 : 10) * power;
    return {std::floor(low / step) * step, std::ceil(high / step) * step};
}

void GraphFormLogic::ShowAxisFields() {
    ShowAxisFields(Axis());
}

void GraphFormLogic::ShowAxisFields(const AxisRange& range) {
    m_view.ShowAxisRange(FormatFixed(range.minimum, 6), FormatFixed(range.maximum, 6));
}

void GraphFormLogic::SetLogging(bool checked) {
    if (!checked) {
        m_logging = false;
        m_view.SetLoggingChecked(false);
        return;
    }
    if (m_logPath.empty()) {
        BrowseLogPath();
        return;
    }
    // A log taken up again starts with the names of what it holds now.
    m_logging = true;
    m_view.SetLoggingChecked(true);
    AppendHeader();
}

void GraphFormLogic::BrowseLogPath() {
    const std::string path = m_view.AskLogPath();
    if (path.empty()) {
        m_view.SetLoggingChecked(m_logging);
        return;
    }
    m_logPath = path;
    m_view.ShowLogPath(path);
    m_logging = true;
    m_view.SetLoggingChecked(true);
    AppendHeader();
}

// With nothing plotted the file is only opened: there is no name to write.
bool GraphFormLogic::AppendHeader() {
    std::string line;
    for (size_t i = 0; i < m_plotted.size(); ++i)
        line += m_doc.Registers().ShortName(m_plotted[i]) + (i + 1 < m_plotted.size() ? "," : "\n");
    return AppendToLog(line);
}

std::string GraphFormLogic::ValuesLine() const {
    std::string line;
    for (size_t i = 0; i < m_plotted.size(); ++i)
        line += m_doc.Registers().ValueText(m_plotted[i]) + (i + 1 < m_plotted.size() ? "," : "");
    return line;
}

bool GraphFormLogic::AppendToLog(const std::string& text) {
    std::FILE* file = m_logPath.empty() ? nullptr : std::fopen(m_logPath.c_str(), "ab");
    if (!file) {
        // Silently: the check box going off is the whole message.
        m_logging = false;
        m_view.SetLoggingChecked(false);
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        m_logging = false;
        m_view.SetLoggingChecked(false);
        return false;
    }
    return true;
}

} // namespace orvo
