#include "ui/RegisterChartPanel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/RowChart.h"

namespace orvo {

RegisterChartPanel::RegisterChartPanel(QWidget* parent)
    : QWidget(parent), m_selector(new QComboBox(this)), m_chart(new RowChart(this)),
      m_fullRange(new QPushButton(QStringLiteral("Full Range"), this)), m_note(new QLabel(this)) {
    m_selector->setObjectName(QStringLiteral("registerSelector"));
    m_selector->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_selector->setMinimumContentsLength(24);
    m_chart->setObjectName(QStringLiteral("chart"));
    m_fullRange->setObjectName(QStringLiteral("fullRange"));
    m_fullRange->setAutoDefault(false);
    m_fullRange->setEnabled(false);
    m_fullRange->setToolTip(QStringLiteral("Show every row again (or double-click the chart)"));
    m_note->setObjectName(QStringLiteral("chartNote"));
    m_note->setWordWrap(true);
    m_note->hide();

    auto* label = new QLabel(QStringLiteral("Register:"), this);
    label->setBuddy(m_selector);
    auto* top = new QHBoxLayout;
    top->addWidget(label);
    top->addWidget(m_selector);
    top->addStretch(1);
    top->addWidget(m_fullRange);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addWidget(m_chart, 1);
    layout->addWidget(m_note);

    connect(m_selector, &QComboBox::activated, this, &RegisterChartPanel::Selected);
    connect(m_fullRange, &QPushButton::clicked, m_chart, &RowChart::ShowFullRange);
    connect(m_chart, &RowChart::VisibleRowsChanged, this,
            [this] { m_fullRange->setEnabled(m_chart->Zoomed()); });
}

void RegisterChartPanel::SetSelector(const std::vector<SelectorItem>& items) {
    m_selector->clear();
    for (const SelectorItem& item : items)
        m_selector->addItem(QString::fromStdString(item.name), item.data);
}

void RegisterChartPanel::Select(int position) {
    m_selector->setCurrentIndex(position);
}

void RegisterChartPanel::ShowChart(const ChartData& chart) {
    m_chart->SetValueTitle(m_selector->currentIndex() >= 0 ? m_selector->currentText() : QString());
    m_chart->SetRows(chart.times, chart.values);
    if (chart.fixedAxis)
        m_chart->SetValueAxis(std::make_pair(chart.minimum, chart.maximum));
    else
        m_chart->SetValueAxis(std::nullopt);
}

void RegisterChartPanel::SetNote(const QString& text) {
    m_note->setText(text);
    m_note->setVisible(!text.isEmpty());
}

} // namespace orvo
