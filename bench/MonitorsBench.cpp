// The monitors section of orvo_bench: sixteen demo monitors connected to one application and
// polling. The figures are the user-interface latency (from an answer read on a link thread to the
// last view's handler on the user-interface thread), that thread's share of a core with the
// monitors idle and with a 15-register graph each, and the memory a connected monitor costs.

#include "AppDownloadBench.h"
#include "BenchApplication.h"
#include "BenchSections.h"
#include "SimTypes.h"
#include "UpdateLatencyProbe.h"
#include "app/COrvodeskApp.h"
#include "app/DemoMonitor.h"
#include "app/DocumentSession.h"
#include "forms/CGraphForm.h"
#include "frame/CChildFrame.h"
#include "frame/CMainFrame.h"
#include "model/COrvodeskDoc.h"
#include "platform/MessageService.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

namespace orvo::bench {

namespace {

constexpr int kMonitors = 16;
constexpr int kMeasureMs = 15000;
constexpr double kLatencyGoalMs = 50.0;

double RssMb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Runs the event loop (sleeping between events, as the application's does) until `done` or `ms`.
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

// The user-interface thread's share of a core and the latency of every answer over `ms`.
void Measure(const char* what, std::vector<std::unique_ptr<test::UpdateLatencyProbe>>& probes) {
    for (auto& probe : probes)
        probe->Take();
    const double cpuBefore = ThreadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    WaitFor([] { return false; }, kMeasureMs);
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    const double cpu = ThreadCpuSeconds() - cpuBefore;
    test::LatencyHistogram latency;
    for (auto& probe : probes)
        latency.Merge(probe->Take());
    const test::LatencyFigures f = latency.Figures();
    std::printf("  %s, %.0f s:\n", what, seconds);
    std::printf("    user-interface thread   %.2f %% of a core\n", 100.0 * cpu / seconds);
    std::printf(
        "    latency                 median %.1f ms, p99 %.1f ms (max %.1f ms, %llu answers; goal p99 "
        "under %.0f ms: %s)\n",
        f.median, f.p99, f.max, static_cast<unsigned long long>(f.count), kLatencyGoalMs,
        GoalText(f.p99 < kLatencyGoalMs));
    std::fflush(stdout);
}

} // namespace

int RunMonitorsSection() {
    const auto qtApp = MakeWidgetApplication();
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        std::fprintf(stderr, "monitors: another section left a non-widget application behind\n");
        return 1;
    }
    QTemporaryDir settings; // the application reads its recent files from here, not the user's
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());

    // Declared before the application: the link threads trace into them until the documents end.
    std::vector<std::unique_ptr<test::UpdateLatencyProbe>> probes;
    PrintedMessages messages("monitors");
    AppOptions options;
    options.arguments = {QStringLiteral("service")};
    options.splash = false;
    options.messages = &messages;
    options.listPorts = [] { return std::vector<PortEntry>{}; };
    COrvodeskApp app(std::move(options));
    app.InitInstance();
    WaitFor([] { return false; }, 500);
    const double rssNone = RssMb();

    std::vector<DocumentSession*> sessions;
    for (int i = 0; i < kMonitors; ++i) {
        sim::SimConfig config;
        config.firmware = i % 2 ? 6.5f : 7.0f;
        config.serialNumber = 3000001u + uint32_t(i);
        config.seed = uint32_t(i + 1);
        DocumentSession* session =
            app.Connect(config.firmware > 6.69f ? DemoMonitor::NAME_NEW : DemoMonitor::NAME_OLD, &config);
        if (!session) {
            std::fprintf(stderr, "monitors: demo monitor %d did not open\n", i);
            return 1;
        }
        sessions.push_back(session);
    }
    const auto connected = [&] {
        for (DocumentSession* s : sessions)
            if (!s->Doc().Connected())
                return false;
        return true;
    };
    if (!WaitFor(connected, 30000)) {
        std::fprintf(stderr, "monitors: not every demo monitor connected\n");
        return 1;
    }
    for (DocumentSession* s : sessions) {
        probes.push_back(std::make_unique<test::UpdateLatencyProbe>());
        s->Doc().Link().SetTrace(probes.back().get());
        s->Doc().AddView(probes.back().get());
    }
    WaitFor([] { return false; }, 3000); // the greetings' requests drain
    const double rssConnected = RssMb();

    std::printf("  %d demo monitors in this process (%d newer firmware, %d older), each polled by its link\n",
                kMonitors, kMonitors / 2, kMonitors / 2);
    std::printf("  memory per connected monitor: %.2f MB (RSS %.1f MB with none, %.1f MB with %d, main "
                "windows open)\n",
                (rssConnected - rssNone) / kMonitors, rssNone, rssConnected, kMonitors);
    Measure("idle, main windows only", probes);

    // The measured registers move on the demo monitor: temperatures, pressures, flow, mass.
    const int plotted[] = {28, 41, 54, 60, 66, 67, 73, 79, 86, 92, 104, 105, 107, 110, 111};
    for (size_t i = 0; i < sessions.size(); ++i) {
        DocumentSession* s = sessions[i];
        CChildFrame* frame = app.MainFrame()->OpenWindow(*s, FormKind::Graph);
        auto* graph = frame ? qobject_cast<CGraphForm*>(frame->ActiveForm()) : nullptr;
        if (!graph) {
            std::fprintf(stderr, "monitors: no graph window\n");
            return 1;
        }
        graph->Logic().SetUpdateText("0.5");
        for (const int n : plotted)
            graph->Logic().AddRegister(n);
        // Behind the graph in view order, as before.
        s->Doc().RemoveView(probes[i].get());
        s->Doc().AddView(probes[i].get());
    }
    WaitFor([] { return false; }, 2000);
    const double rssGraphs = RssMb();
    Measure("a 15-register graph each, sampling every 500 ms", probes);
    std::printf("  memory per graph window: %.2f MB\n", (rssGraphs - rssConnected) / kMonitors);

    app.MainFrame()->CloseAllSessions();
    WaitFor([&] { return app.Sessions().isEmpty(); }, 20000);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}

} // namespace orvo::bench
