#include "forms/CDiagnosticsForm.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/DocumentSession.h"

namespace orvo {

namespace {

using Diag = DiagnosticsLogic;

// A column as wide as the widest text it shows, so that no reading is cut off as it changes.
void FitColumn(QGridLayout* grid, int column, const QFontMetrics& metrics,
               std::initializer_list<const char*> texts) {
    int width = 0;
    for (const char* text : texts)
        width = std::max(width, metrics.horizontalAdvance(QString::fromUtf8(text)));
    grid->setColumnMinimumWidth(column, width + 8);
}

} // namespace

CDiagnosticsForm::CDiagnosticsForm(const FormContext& context, QWidget* parent)
    : CProcedureForm(context, parent) {
    setObjectName(QStringLiteral("diagnosticsForm"));
    const bool boardTest = context.session.Selectors().diagnosticsMode == 1;
    m_logic = &MakeProcedure<Diag>(boardTest);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    auto* group = new QGroupBox(QString::fromStdString(m_logic->Name()), this);
    Bind(Diag::TITLE, group);
    auto* grid = new QGridLayout(group);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(5); // fourteen rows that must fit a small screen
    QFont bold = font();
    bold.setBold(true);
    const char* headings[] = {"Reading", "Range", "Pass/Fail"};
    for (int c = 0; c < 3; ++c) {
        auto* heading = new QLabel(QString::fromLatin1(headings[c]), group);
        heading->setFont(bold);
        grid->addWidget(heading, 0, c + 1);
    }
    for (int r = 0; r < Diag::ROW_COUNT; ++r) {
        const auto row = Diag::Row(r);
        grid->addWidget(new QLabel(QString::fromLatin1(Diag::RowLabel(row)), group), r + 1, 0);
        for (auto column : {Diag::Column::Reading, Diag::Column::Range, Diag::Column::Result}) {
            auto* cell = new QLabel(group);
            cell->setTextInteractionFlags(Qt::TextSelectableByMouse);
            if (column == Diag::Column::Result)
                cell->setFont(bold); // results are bold, decided or not
            grid->addWidget(cell, r + 1,
                            column == Diag::Column::Reading ? 1
                            : column == Diag::Column::Range ? 2
                                                            : 3);
            Bind(Diag::Field(row, column), cell);
        }
    }
    FitColumn(grid, 1, fontMetrics(), {"12/31/2023 23:59:59", "-1234.567 mm Hg", "-12.345 °C"});
    FitColumn(grid, 2, fontMetrics(), {"Approaching setpoint", "-20 - -70 mm Hg", "500 - 850 mm Hg"});
    FitColumn(grid, 3, QFontMetrics(bold), {"Pass/Fail"});
    layout->addWidget(group);

    auto* bottom = new QHBoxLayout;
    m_pump = new QCheckBox(QStringLiteral("Activate Pump && Heaters"), this);
    Bind(Diag::PUMP_AND_HEATERS, m_pump);
    connect(m_pump, &QCheckBox::clicked, this,
            [this](bool checked) { m_logic->OnPumpAndHeatersClicked(checked); });
    m_done = new QPushButton(QStringLiteral("Done"), this);
    m_done->setObjectName(QStringLiteral("done"));
    connect(m_done, &QPushButton::clicked, this, &CProcedureForm::ReturnToMain);
    bottom->addWidget(m_pump, 1);
    bottom->addWidget(m_done);
    layout->addLayout(bottom);
    layout->addStretch(1); // a larger window keeps the rows together
}

QLabel* CDiagnosticsForm::Cell(DiagnosticsLogic::Row row, DiagnosticsLogic::Column column) const {
    return qobject_cast<QLabel*>(Bound(Diag::Field(row, column)));
}

} // namespace orvo
