// The graph section of orvo_bench: the live graph at its heaviest (15 registers, a sample every
// 500 ms, 512 points of history) against the demo monitor, drawn on the offscreen platform. The
// figure is the user-interface thread's CPU time as a share of one core, and how much of it went
// into drawing the chart.

#include "BenchApplication.h"
#include "BenchSections.h"
#include "SimMonitor.h"
#include "SimTypes.h"
#include "app/COrvodeskApp.h"
#include "app/DemoMonitor.h"
#include "app/DocumentSession.h"
#include "forms/CGraphForm.h"
#include "frame/CChildFrame.h"
#include "frame/CMainFrame.h"
#include "model/COrvodeskDoc.h"
#include "model/StatusAnswer.h"
#include "platform/MessageService.h"
#include "ui/StripChart.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGraphicsView>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <clocale>
#include <cstdio>
#include <functional>
#include <memory>

namespace orvo::bench {

namespace {

constexpr int kRegisters = 15;
constexpr double kMeasureSeconds = 20.0;
constexpr int kConnectMs = 20000;

// Time spent painting the chart's view, on the thread that paints it.
class PaintClock final : public QObject {
public:
    double seconds = 0;
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint || m_inside)
            return false;
        m_inside = true;
        const double before = ThreadCpuSeconds();
        QCoreApplication::sendEvent(watched, event); // the paint itself, measured
        seconds += ThreadCpuSeconds() - before;
        ++paints;
        m_inside = false;
        return true;
    }

private:
    bool m_inside = false;
};

// Runs the event loop (without spinning: it sleeps between events) until `done` or `ms` passed.
bool WaitFor(const std::function<bool()>& done, int ms) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(10);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    if (!done())
        loop.exec();
    return done();
}

} // namespace

int RunGraphSection() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir settings; // the application reads its recent files from here, not the user's
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    static int argc = 1;
    static char name[] = "orvo_bench";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() && !qobject_cast<QApplication*>(QCoreApplication::instance())) {
        std::fprintf(stderr, "graph: another section left a non-widget application behind\n");
        return 1;
    }
    std::unique_ptr<QApplication> qtApp;
    if (!QCoreApplication::instance())
        qtApp = std::make_unique<QApplication>(argc, argv);
    std::setlocale(LC_ALL, "C");

    PrintedMessages messages("graph");
    AppOptions options;
    options.arguments = {QStringLiteral("service")};
    options.splash = false;
    options.messages = &messages;
    options.listPorts = [] { return std::vector<PortEntry>{}; };
    COrvodeskApp app(std::move(options));
    app.InitInstance();
    sim::SimConfig config;
    config.firmware = 7.0f;
    DocumentSession* session = app.Connect(DemoMonitor::NAME_NEW, &config);
    if (!session || !WaitFor([&] { return session->Doc().Connected(); }, kConnectMs)) {
        std::fprintf(stderr, "graph: the demo monitor did not connect\n");
        return 1;
    }
    CChildFrame* frame = app.MainFrame()->OpenWindow(*session, FormKind::Graph);
    auto* graph = frame ? qobject_cast<CGraphForm*>(frame->ActiveForm()) : nullptr;
    if (!graph) {
        std::fprintf(stderr, "graph: no graph window\n");
        return 1;
    }
    GraphFormLogic& logic = graph->Logic();
    // The measured registers move on the demo monitor: temperatures, pressures, flow, mass.
    const int plotted[kRegisters] = {28, 41, 54, 60, 66, 67, 73, 79, 86, 92, 104, 105, 107, 110, 111};
    for (const int n : plotted)
        logic.AddRegister(n);
    logic.SetHistoryText("512");
    logic.SetUpdateText("0.5");

    // A full history first, so that every drawing carries 15 x 512 points.
    for (int row = 0; row < GraphFormLogic::HISTORY_MAX; ++row) {
        logic.OnTimerTick();
        for (const int n : plotted) {
            session->Doc().Registers().SetValue(n, 1.0 + row % 37 + n * 0.01);
            logic.Update(UPDATE_REGISTER, n);
        }
    }
    WaitFor([&] { return session->Doc().Link().QueueLength() == 0; }, kConnectMs);

    PaintClock paintClock;
    auto* chartView = graph->Chart()->findChild<QGraphicsView*>();
    if (!chartView) {
        std::fprintf(stderr, "graph: no chart view\n");
        return 1;
    }
    chartView->viewport()->installEventFilter(&paintClock);
    size_t points = 0;
    const double cpuBefore = ThreadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    const auto requestsBefore = session->Demo()->Monitor().Requests().size();
    WaitFor([] { return false; }, int(kMeasureSeconds * 1000));
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    const double cpu = ThreadCpuSeconds() - cpuBefore;
    const auto requests = session->Demo()->Monitor().Requests().size() - requestsBefore;
    for (int i = 0; i < graph->Chart()->SeriesCount(); ++i)
        points += size_t(graph->Chart()->Points(i).size());

    std::printf("  setting                   %d registers, %u ms, %u points of history (%zu points drawn)\n",
                kRegisters, logic.UpdateMs(), logic.HistoryPoints(), points);
    std::printf("  measured                  %.1f s, %zu requests answered by the demo monitor\n", seconds,
                requests);
    std::printf("  user-interface thread     %.2f %% of a core (goal under 5 %%: %s)\n",
                100.0 * cpu / seconds, GoalText(cpu / seconds < 0.05));
    std::printf("    drawing the chart       %.0f %% of that (%d paints, %.2f ms each)\n",
                cpu > 0 ? 100.0 * paintClock.seconds / cpu : 0.0, paintClock.paints,
                paintClock.paints ? 1000.0 * paintClock.seconds / paintClock.paints : 0.0);
    std::printf("    everything else         %.0f %% (ticks, answers, the main status form)\n",
                cpu > 0 ? 100.0 * (cpu - paintClock.seconds) / cpu : 0.0);
    std::fflush(stdout);

    app.MainFrame()->CloseAllSessions();
    WaitFor([&] { return app.Sessions().isEmpty(); }, kConnectMs);
    return 0;
}

} // namespace orvo::bench
