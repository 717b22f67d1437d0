#pragma once

#include <QColor>
#include <QWidget>

#include <deque>
#include <vector>

class QChart;
class QChartView;
class QLineSeries;
class QRubberBand;
class QValueAxis;

namespace orvo {

// A strip chart: one line per series over a fixed number of rows, the newest sample in the
// last row, and a vertical drag that reports the range the user marked (the owner decides what
// the value axis becomes). The owner shows the legend, in SeriesColour.
class StripChart : public QWidget {
    Q_OBJECT
public:
    explicit StripChart(QWidget* parent = nullptr);
    ~StripChart() override;

    static QColor SeriesColour(int index);

    void SetSeriesNames(const std::vector<QString>& names);
    // One column of samples per series, oldest first; NaN is a row without a sample.
    void SetSamples(const std::vector<const std::deque<double>*>& columns, int rows);
    void SetValueRange(double minimum, double maximum);

    int SeriesCount() const;
    // The points series `index` draws now (tests and the benchmark look at them).
    QList<QPointF> Points(int index) const;
    QRectF PlotArea() const;

signals:
    // A drag from y0 to y1, in pixels of this widget, over the plot area given.
    void ZoomDragged(double y0, double y1, double plotTop, double plotHeight);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QChart* m_chart;
    QChartView* m_view;
    QValueAxis* m_rowAxis;
    QValueAxis* m_valueAxis;
    std::vector<QLineSeries*> m_series;
    QRubberBand* m_band = nullptr;
    bool m_dragging = false;
    int m_dragStart = 0;
};

} // namespace orvo
