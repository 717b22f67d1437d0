#pragma once

#include <QChartView>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

class QDateTimeAxis;
class QLineSeries;
class QRubberBand;
class QValueAxis;

namespace orvo {

// One series over rows labelled by their times: the value axis scales itself or takes fixed
// bounds, the visible rows can be set, a drag across the plot zooms to the rows under the band
// and a double-click (or ShowFullRange) returns to every row. Shared by the results form and the
// Data Import window.
class RowChart : public QChartView {
    Q_OBJECT
public:
    explicit RowChart(QWidget* parent = nullptr);

    // times: UTC seconds of each row, ascending; values: one per row.
    void SetRows(const std::vector<uint32_t>& times, const std::vector<double>& values);
    // Fixed bounds, or nothing for bounds of the chart's own choosing.
    void SetValueAxis(std::optional<std::pair<double, double>> bounds);
    void SetValueTitle(const QString& title);
    // Shows rows first..last (inclusive, clamped).
    void SetVisibleRows(int first, int last);
    void ShowFullRange();

    int RowCount() const { return int(m_times.size()); }
    std::pair<int, int> VisibleRows() const { return {m_first, m_last}; }
    bool Zoomed() const { return m_first > 0 || m_last < RowCount() - 1; }
    std::pair<double, double> ValueBounds() const;

signals:
    void VisibleRowsChanged(int first, int last);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void ApplyTimeRange();
    void ApplyValueRange();
    int RowAt(qreal x) const;

    QLineSeries* m_series;
    QDateTimeAxis* m_timeAxis;
    QValueAxis* m_valueAxis;
    QRubberBand* m_band;
    std::vector<uint32_t> m_times;
    std::vector<double> m_values;
    std::optional<std::pair<double, double>> m_fixed;
    int m_first = 0;
    int m_last = -1;
    int m_dragStart = 0;
    bool m_dragging = false;
};

} // namespace orvo
