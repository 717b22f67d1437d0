#pragma once

#include <QWidget>

#include <vector>

#include "download/DisplayTable.h"
#include "results/SampleResults.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace orvo {

class RowChart;

// The register selector over the chart of the selected register, with the way back to every
// row and a note line: the part the results form and the Data Import window share.
class RegisterChartPanel : public QWidget {
    Q_OBJECT
public:
    explicit RegisterChartPanel(QWidget* parent = nullptr);

    void SetSelector(const std::vector<SelectorItem>& items);
    void Select(int position); // -1: none, without a signal
    void ShowChart(const ChartData& chart);
    void SetNote(const QString& text);

    QComboBox* Selector() const { return m_selector; }
    RowChart* Chart() const { return m_chart; }
    QPushButton* FullRangeButton() const { return m_fullRange; }

signals:
    void Selected(int position);

private:
    QComboBox* m_selector;
    RowChart* m_chart;
    QPushButton* m_fullRange;
    QLabel* m_note;
};

} // namespace orvo
