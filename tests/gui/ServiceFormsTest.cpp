// The register form and the live graph as a technician meets them, against the demo monitor:
// Configure loads the list, a value typed and set reaches the monitor, Reload All lists register
// 183, the list prints every row; Real-Time Graph opens a second window that samples and scrolls.

#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QValueAxis>

#include "GuiTestSupport.h"
#include "forms/CGraphForm.h"
#include "forms/CInteractForm.h"
#include "link/Protocol.h"
#include "ui/StripChart.h"

using namespace orvo;
using namespace orvo::test;

namespace {

COrvodeskForm* ReadyMainForm(DocumentSession* session) {
    COrvodeskForm* main = MainForm(session);
    if (!main ||
        !QTest::qWaitFor([&] { return main->Button(MainButton::Configure)->isEnabled(); }, kConnectMs))
        return nullptr;
    return main;
}

QString CellText(QTreeWidget* list, int row, int column) {
    QTreeWidgetItem* item = list->topLevelItem(row);
    return item ? item->text(column) : QString();
}

} // namespace

class ServiceFormsTest : public QObject {
    Q_OBJECT
private slots:
    void configureLoadsWritesReloadsAndPrints() {
        AppHarness harness({QStringLiteral("expert")});
        DocumentSession* session = harness.ConnectDemo(6.5f); // expert tools show with older firmware
        COrvodeskForm* main = ReadyMainForm(session);
        QVERIFY(main);
        QTest::mouseClick(main->Button(MainButton::Configure), Qt::LeftButton);
        auto* form = qobject_cast<CInteractForm*>(FirstFrame(session)->ActiveForm());
        QVERIFY(form);
        QCOMPARE(TextOf(form, "connection"), QStringLiteral("Connected"));
        QTRY_VERIFY_WITH_TIMEOUT(!form->Logic().InitialLoadPending(), kChangeMs);
        QTreeWidget* list = form->List();
        QCOMPARE(list->topLevelItemCount(), 183);
        QCOMPARE(list->headerItem()->text(8), QStringLiteral("Description"));

        // SHIFT WARMUP TIME: typed, set, written, shown as the monitor answers.
        list->setCurrentItem(list->topLevelItem(12));
        auto* value = Find<QLineEdit>(form, "valueEdit");
        QVERIFY(!value->isReadOnly());
        value->setFocus();
        value->selectAll();
        QTest::keyClicks(value, QStringLiteral("1800"));
        QTest::mouseClick(form->ControlButton(InteractControl::ValueSet), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(session->Demo()->Monitor().RegisterValue(12), 1800.0, kChangeMs);
        QTRY_COMPARE_WITH_TIMEOUT(CellText(list, 12, 1), QStringLiteral("1800"), kChangeMs);
        QVERIFY(harness.messages.shown.empty());

        QTest::mouseClick(form->ControlButton(InteractControl::ReloadAll), Qt::LeftButton);
        QCOMPARE(list->topLevelItemCount(), PRC_COUNT);
        QCOMPARE(CellText(list, 183, 0), QStringLiteral("Expert"));
        QTRY_VERIFY_WITH_TIMEOUT(!form->Logic().ReloadPending(), kChangeMs);

        // Every row on paper, however many pages it takes.
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("list.pdf"));
        int pages = 0;
        {
            QPdfWriter writer(pdf);
            writer.setResolution(600);
            pages = form->PrintTo(writer);
        }
        QVERIFY(pages >= 2);
        QFile file(pdf);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(int(file.readAll().count("/Type /Page\n")), pages);

        QTest::mouseClick(Find<QPushButton>(form, "done"), Qt::LeftButton);
        QVERIFY(qobject_cast<COrvodeskForm*>(FirstFrame(session)->ActiveForm()));
    }

    void graphOpensASecondWindowThatSamples() {
        AppHarness harness({QStringLiteral("service")});
        DocumentSession* session = harness.ConnectDemo(7.0f);
        COrvodeskForm* main = ReadyMainForm(session);
        QVERIFY(main);
        QTest::mouseClick(main->Button(MainButton::RealTimeGraph), Qt::LeftButton);
        QCOMPARE(session->Frames().size(), 2);
        auto* graph = qobject_cast<CGraphForm*>(session->Frames().last()->ActiveForm());
        QVERIFY(graph);
        QCOMPARE(session->Frames().last()->windowTitle(), FirstFrame(session)->windowTitle());

        auto* update = Find<QLineEdit>(graph, "update");
        update->setText(QStringLiteral("0.1"));
        emit update->editingFinished();
        QCOMPARE(update->text(), QStringLiteral("0.5"));
        QCOMPARE(graph->SampleTimer()->interval(), 500);
        auto* choices = Find<QComboBox>(graph, "registerChoices");
        for (int n : {72, 79, 104}) {
            choices->setCurrentIndex(n);
            emit choices->activated(n);
        }
        QCOMPARE(graph->Chart()->SeriesCount(), 3);
        session->Demo()->Monitor().ClearRequests();
        QTRY_VERIFY_WITH_TIMEOUT(graph->Chart()->Points(0).size() >= 3, kChangeMs);
        // The graph's reads, told from the document's own polls, which come far faster at virtual time.
        const auto graphReads = [&] {
            std::vector<std::vector<uint8_t>> reads;
            for (const sim::SimRequest& r : Received(session, CMD_READ_PRC))
                if (std::find(r.payload.begin(), r.payload.end(), 72) != r.payload.end())
                    reads.push_back(r.payload);
            return reads;
        };
        QVERIFY(graphReads().size() >= 3);

        // Paused, the chart holds still while sampling goes on.
        Find<QCheckBox>(graph, "pause")->setChecked(true);
        const QList<QPointF> held = graph->Chart()->Points(0);
        const size_t ticksBefore = graphReads().size();
        QTRY_VERIFY_WITH_TIMEOUT(graphReads().size() >= ticksBefore + 2, kChangeMs);
        QCOMPARE(graph->Chart()->Points(0), held);
        Find<QCheckBox>(graph, "pause")->setChecked(false);
        QVERIFY(graph->Chart()->Points(0) != held);

        QTest::mouseClick(Find<QPushButton>(graph, "done"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(session->Frames().size(), 1, kChangeMs);
        QVERIFY(!session->IsClosed());
    }

    // A register of thousands added to one of fractions: were the range set before the tick
    // interval, the axis would lay out tens of thousands of labels on the way.
    void graphAxisNeverHoldsMoreThanAFewTicks() {
        StripChart chart;
        auto* axis =
            qobject_cast<QValueAxis*>(chart.findChild<QChartView*>()->chart()->axes(Qt::Vertical).first());
        QVERIFY(axis);
        double most = 0;
        const auto count = [&] { most = std::max(most, (axis->max() - axis->min()) / axis->tickInterval()); };
        connect(axis, &QValueAxis::rangeChanged, this, count);
        connect(axis, &QValueAxis::tickIntervalChanged, this, count);
        const std::pair<double, double> ranges[] = {
            {0, 1}, {0, 12000}, {-0.5, 0.5}, {11990, 11991}, {-1e6, 1e6}};
        for (const auto& [low, high] : ranges)
            chart.SetValueRange(low, high);
        QVERIFY2(most <= 12, qPrintable(QString::number(most)));
    }
};

ORVO_GUI_TEST(ServiceFormsTest)
#include "ServiceFormsTest.moc"
