#include "ui/StripChart.h"

#include <QChart>
#include <QChartView>
#include <QLegend>
#include <QLineSeries>
#include <QMouseEvent>
#include <QRubberBand>
#include <QVBoxLayout>
#include <QValueAxis>

#include <cmath>

namespace orvo {

namespace {

// Fifteen lines told apart at a glance; the chart's own theme repeats after five.
const QColor kLineColours[] = {
    {31, 119, 180}, {214, 39, 40}, {44, 160, 44},   {148, 103, 189}, {255, 127, 14},
    {23, 190, 207}, {140, 86, 75}, {227, 119, 194}, {127, 127, 127}, {188, 189, 34},
    {0, 0, 128},    {128, 0, 0},   {0, 100, 0},     {255, 0, 255},   {0, 0, 0},
};

} // namespace

StripChart::StripChart(QWidget* parent)
    : QWidget(parent), m_chart(new QChart), m_rowAxis(new QValueAxis), m_valueAxis(new QValueAxis) {
    m_chart->setAnimationOptions(QChart::NoAnimation);
    // Names are long and cut short in the chart's own legend: the owner's list is the legend.
    m_chart->legend()->setVisible(false);
    m_chart->setMargins(QMargins(4, 4, 4, 4));
    m_rowAxis->setLabelFormat(QStringLiteral("%d"));
    m_rowAxis->setTitleText(QStringLiteral("Samples"));
    m_valueAxis->setLabelFormat(QStringLiteral("%g"));
    m_valueAxis->setTickType(QValueAxis::TicksDynamic);
    m_chart->addAxis(m_rowAxis, Qt::AlignBottom);
    m_chart->addAxis(m_valueAxis, Qt::AlignLeft);
    m_rowAxis->setTickCount(5);
    m_rowAxis->setRange(0, 240);
    m_valueAxis->setRange(0, 1);

    m_view = new QChartView(m_chart, this); // takes the chart
    m_view->setObjectName(QStringLiteral("chartView"));
    m_view->setFrameShape(QFrame::NoFrame);
    m_view->setRubberBand(QChartView::NoRubberBand);
    m_view->viewport()->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    setMinimumSize(360, 260);
}

StripChart::~StripChart() = default;

QColor StripChart::SeriesColour(int index) {
    return kLineColours[size_t(index) % std::size(kLineColours)];
}

void StripChart::SetSeriesNames(const std::vector<QString>& names) {
    while (m_series.size() > names.size()) {
        QLineSeries* last = m_series.back();
        m_series.pop_back();
        m_chart->removeSeries(last);
        delete last;
    }
    while (m_series.size() < names.size()) {
        auto* series = new QLineSeries;
        QPen pen(SeriesColour(int(m_series.size())));
        pen.setWidth(1);
        pen.setCosmetic(true);
        series->setPen(pen);
        m_chart->addSeries(series);
        series->attachAxis(m_rowAxis);
        series->attachAxis(m_valueAxis);
        m_series.push_back(series);
    }
    for (size_t i = 0; i < names.size(); ++i)
        m_series[i]->setName(names[i]);
}

void StripChart::SetSamples(const std::vector<const std::deque<double>*>& columns, int rows) {
    // Row r is drawn at r + 1, so that the axis runs from 0 to the history's length in even steps.
    m_rowAxis->setRange(0, std::max(1, rows));
    for (size_t i = 0; i < m_series.size() && i < columns.size(); ++i) {
        QList<QPointF> points;
        points.reserve(qsizetype(columns[i]->size()));
        int row = 0;
        for (const double v : *columns[i]) {
            if (std::isfinite(v))
                points.append(QPointF(row + 1, v));
            ++row;
        }
        m_series[i]->replace(points);
    }
}

void StripChart::SetValueRange(double minimum, double maximum) {
    if (!(minimum < maximum))
        return;
    // Grid lines on round numbers: 1, 2 or 5 times a power of ten, about five of them.
    const double rough = (maximum - minimum) / 5;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    const double fraction = rough / power;
    const double step = (fraction <= 1 ? 1 : fraction <= 2 ? 2 : fraction <= 5 ? 5 : 10) * power;
    if (!std::isfinite(step) || step <= 0) {
        m_valueAxis->setRange(minimum, maximum);
        return;
    }
    // The axis lays its labels out at every change: a wider step goes first and a narrower one
    // last, so that a jump from fractions to thousands never passes through thousands of ticks.
    const bool wider = step > m_valueAxis->tickInterval();
    if (wider)
        m_valueAxis->setTickInterval(step);
    m_valueAxis->setRange(minimum, maximum);
    m_valueAxis->setTickAnchor(std::ceil(minimum / step) * step);
    if (!wider)
        m_valueAxis->setTickInterval(step);
}

int StripChart::SeriesCount() const {
    return static_cast<int>(m_series.size());
}

QList<QPointF> StripChart::Points(int index) const {
    return index >= 0 && size_t(index) < m_series.size() ? m_series[size_t(index)]->points()
                                                         : QList<QPointF>{};
}

QRectF StripChart::PlotArea() const {
    return m_view->mapFromScene(m_chart->mapToScene(m_chart->plotArea())).boundingRect();
}

bool StripChart::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_view->viewport())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            break;
        m_dragging = true;
        m_dragStart = mouse->position().toPoint().y();
        if (!m_band)
            m_band = new QRubberBand(QRubberBand::Rectangle, m_view->viewport());
        const QRectF plot = PlotArea();
        m_band->setGeometry(QRect(int(plot.left()), m_dragStart, int(plot.width()), 1));
        m_band->show();
        return true;
    }
    case QEvent::MouseMove:
        if (m_dragging) {
            const int y = static_cast<QMouseEvent*>(event)->position().toPoint().y();
            const QRectF plot = PlotArea();
            m_band->setGeometry(QRect(QPoint(int(plot.left()), std::min(m_dragStart, y)),
                                      QPoint(int(plot.right()), std::max(m_dragStart, y))));
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (m_dragging && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            m_dragging = false;
            m_band->hide();
            const QRectF plot = PlotArea();
            emit ZoomDragged(m_dragStart, static_cast<QMouseEvent*>(event)->position().y(), plot.top(),
                             plot.height());
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace orvo
