#include "ui/RowChart.h"

#include <QDateTime>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QMouseEvent>
#include <QRubberBand>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace orvo {

namespace {

// The band must cover a few pixels before a release counts as a zoom and not as a click.
constexpr int kMinimumBand = 24;
// Positions are taken this far inside the band's edges.
constexpr int kBandInset = 10;

} // namespace

RowChart::RowChart(QWidget* parent)
    : QChartView(parent), m_series(new QLineSeries), m_timeAxis(new QDateTimeAxis),
      m_valueAxis(new QValueAxis), m_band(new QRubberBand(QRubberBand::Rectangle, viewport())) {
    auto* chart = new QChart;
    chart->legend()->hide();
    chart->addSeries(m_series);
    m_timeAxis->setFormat(QStringLiteral("HH:mm<br>MM/dd/yyyy"));
    m_timeAxis->setTickCount(6);
    m_timeAxis->setTitleText(QStringLiteral("Time"));
    chart->addAxis(m_timeAxis, Qt::AlignBottom);
    chart->addAxis(m_valueAxis, Qt::AlignLeft);
    m_series->attachAxis(m_timeAxis);
    m_series->attachAxis(m_valueAxis);
    chart->setMargins(QMargins(4, 4, 8, 4));
    // The view made a chart of its own and lets go of it when given another: it goes here.
    QChart* made = this->chart();
    setChart(chart);
    delete made;
    setRenderHint(QPainter::Antialiasing, false);
    setRubberBand(QChartView::NoRubberBand);
    setMinimumSize(420, 260);
    setToolTip(QStringLiteral("Drag across the chart to zoom; double-click for every row."));
    SetRows({}, {});
}

void RowChart::SetRows(const std::vector<uint32_t>& times, const std::vector<double>& values) {
    const size_t n = std::min(times.size(), values.size());
    m_times.assign(times.begin(), times.begin() + long(n));
    m_values.assign(values.begin(), values.begin() + long(n));
    QList<QPointF> points;
    points.reserve(qsizetype(n));
    for (size_t i = 0; i < n; ++i)
        points.append(QPointF(double(m_times[i]) * 1000.0, m_values[i]));
    m_series->replace(points);
    m_first = 0;
    m_last = int(n) - 1;
    ApplyTimeRange();
    ApplyValueRange();
    emit VisibleRowsChanged(m_first, m_last);
}

void RowChart::SetValueAxis(std::optional<std::pair<double, double>> bounds) {
    m_fixed = bounds;
    ApplyValueRange();
}

void RowChart::SetValueTitle(const QString& title) {
    m_valueAxis->setTitleText(title);
}

void RowChart::SetVisibleRows(int first, int last) {
    const int count = RowCount();
    if (count == 0)
        return;
    first = std::clamp(first, 0, count - 1);
    last = std::clamp(last, first, count - 1);
    if (first == m_first && last == m_last)
        return;
    m_first = first;
    m_last = last;
    ApplyTimeRange();
    ApplyValueRange();
    emit VisibleRowsChanged(m_first, m_last);
}

void RowChart::ShowFullRange() {
    SetVisibleRows(0, RowCount() - 1);
}

std::pair<double, double> RowChart::ValueBounds() const {
    return {m_valueAxis->min(), m_valueAxis->max()};
}

void RowChart::ApplyTimeRange() {
    if (m_times.empty()) {
        const QDateTime now = QDateTime::currentDateTime();
        m_timeAxis->setRange(now.addSecs(-3600), now);
        return;
    }
    qint64 from = qint64(m_times[size_t(m_first)]) * 1000;
    qint64 to = qint64(m_times[size_t(m_last)]) * 1000;
    if (to <= from)
        to = from + 1000; // a single row still gets an axis
    m_timeAxis->setRange(QDateTime::fromMSecsSinceEpoch(from), QDateTime::fromMSecsSinceEpoch(to));
}

void RowChart::ApplyValueRange() {
    double lo = 0.0, hi = 1.0;
    if (m_fixed) {
        lo = m_fixed->first;
        hi = m_fixed->second;
    } else if (!m_values.empty() && m_last >= m_first) {
        const auto begin = m_values.begin() + m_first;
        const auto end = m_values.begin() + m_last + 1;
        const auto [min, max] = std::minmax_element(begin, end);
        lo = *min;
        hi = *max;
    }
    if (!(hi > lo)) {
        // A flat line sits in the middle of a unit band.
        lo -= 0.5;
        hi += 0.5;
    }
    m_valueAxis->setRange(lo, hi);
    if (!m_fixed)
        m_valueAxis->applyNiceNumbers();
}

int RowChart::RowAt(qreal x) const {
    if (m_times.empty())
        return 0;
    const QPointF value = chart()->mapToValue(QPointF(x, chart()->plotArea().center().y()), m_series);
    const double seconds = value.x() / 1000.0;
    const auto it = std::lower_bound(m_times.begin(), m_times.end(), seconds,
                                     [](uint32_t t, double s) { return double(t) < s; });
    return std::clamp(int(it - m_times.begin()), 0, RowCount() - 1);
}

void RowChart::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && chart()->plotArea().contains(event->position())) {
        m_dragging = true;
        m_dragStart = int(event->position().x());
        m_band->setGeometry(
            QRect(m_dragStart, int(chart()->plotArea().top()), 0, int(chart()->plotArea().height())));
        m_band->show();
        event->accept();
        return;
    }
    QChartView::mousePressEvent(event);
}

void RowChart::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging) {
        const QRectF plot = chart()->plotArea();
        const int x = int(std::clamp(event->position().x(), plot.left(), plot.right()));
        m_band->setGeometry(QRect(QPoint(std::min(m_dragStart, x), int(plot.top())),
                                  QPoint(std::max(m_dragStart, x), int(plot.bottom()))));
        event->accept();
        return;
    }
    QChartView::mouseMoveEvent(event);
}

void RowChart::mouseReleaseEvent(QMouseEvent* event) {
    if (m_dragging && event->button() == Qt::LeftButton) {
        m_dragging = false;
        m_band->hide();
        const QRect band = m_band->geometry();
        if (band.width() >= kMinimumBand) {
            const int first = RowAt(band.left() + kBandInset);
            const int last = RowAt(band.right() - kBandInset);
            if (last > first)
                SetVisibleRows(first, last);
        }
        event->accept();
        return;
    }
    QChartView::mouseReleaseEvent(event);
}

void RowChart::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        ShowFullRange();
        event->accept();
        return;
    }
    QChartView::mouseDoubleClickEvent(event);
}

} // namespace orvo
