// orvo_soak: monitors connected to one application at once, with faults injected at random
// (seeded) while downloads, graph polling and register reloads run; afterwards every window is
// closed through its frame and the process is checked for left-over threads and growth.
//
//   orvo_soak [--seconds N] [--seed N] [--monitors N]
//
// Exit status 0 when every check holds; the figures are printed either way.

#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include "SoakMonitor.h"
#include "link/CDeviceLink.h"
#include "platform/MessageService.h"

using namespace orvo;
using namespace orvo::soak;

namespace {

struct Options {
    long long seconds = 20, seed = 1, monitors = 16;
    double faultsPerSecond = 0.5; // each monitor's
};

Options ParseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2)
        for (auto [name, field] :
             {std::pair{"--seconds", &Options::seconds}, std::pair{"--seed", &Options::seed},
              std::pair{"--monitors", &Options::monitors}})
            if (std::strcmp(argv[i], name) == 0)
                o.*field = std::strtoll(argv[i + 1], nullptr, 10);
    return o;
}

// Messages the application shows: none is expected; each is printed.
class NotedMessages final : public MessageService {
public:
    MessageAnswer Show(const std::string& text, const std::string&, MessageIcon, MessageButtons) override {
        ++shown[text];
        return MessageAnswer::Ok;
    }
    std::map<std::string, int> shown;
};

// This process's threads. Qt's pools ("Thread (pooled)") start and expire threads
// by themselves, the image pool of Qt Gui out of reach of waitForDone, so they are not counted.
int ThreadCount() {
    int count = 0;
    for (const QString& task :
         QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        std::ifstream comm(("/proc/self/task/" + task + "/comm").toStdString());
        std::string name;
        std::getline(comm, name);
        count += name != "Thread (pooled)";
    }
    return count;
}

double RssMb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Runs the event loop until `done` or `boundMs` have passed; the soak's timer ticks meanwhile.
bool RunUntil(const std::function<bool()>& done, int64_t boundMs) {
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        // Windows and documents go by deferred deletion, which a nested loop does not run.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (done() || clock.elapsed() > boundMs)
            loop.quit();
    });
    check.start(20);
    if (!done())
        loop.exec();
    return done();
}

struct FaultKind {
    bool silence;
    int weight;
    sim::Fault fault;
    int maxCount; // answers spoiled in a row; 0 for the outages
};

// A run of six NAKs drops the request itself: a transfer then stalls until it is cancelled.
// Spoiled answers, then a silence and a pulled cable (outages).
const FaultKind kFaults[] = {
    {false, 20, sim::Fault::Drop, 2}, {false, 20, sim::Fault::Corrupt, 2}, {false, 15, sim::Fault::Runt, 2},
    {false, 15, sim::Fault::Nak, 3},  {false, 15, sim::Fault::Short, 2},   {false, 2, sim::Fault::Nak, 6},
    {true, 5, sim::Fault::Drop, 0},   {false, 5, sim::Fault::Drop, 0},
};
constexpr int kFaultWeights = 97;

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qtApp(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    const Options options = ParseOptions(argc, argv);
    QTemporaryDir folder;
    std::mt19937 random(uint32_t(options.seed));

    // Declared before the application: the link threads trace into the monitors' probes until
    // the sessions have gone with the application's windows.
    std::vector<std::unique_ptr<SoakMonitor>> monitors;
    NotedMessages messages;
    AppOptions appOptions;
    appOptions.arguments = {QStringLiteral("service")};
    appOptions.splash = false;
    appOptions.messages = &messages;
    appOptions.listPorts = [] { return std::vector<PortEntry>{}; };
    auto app = std::make_unique<COrvodeskApp>(std::move(appOptions));
    app->InitInstance();
    QCoreApplication::processEvents();
    const int threadsBefore = ThreadCount();
    std::string problems;
    const auto fail = [&](const std::string& text) { problems += text + "\n"; };

    QElapsedTimer clock;
    clock.start();
    SoakMonitor::Phase phase = SoakMonitor::Phase::Reference;
    std::vector<std::pair<double, double>> rss; // seconds into the load, MB
    int64_t loadStart = -1, nextSample = 0;

    // Everything the soak does, every 25 ms on the user-interface thread, nested dialogs included.
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const int64_t now = clock.elapsed();
        // Dialogs the results open by themselves (the status list) are closed as they come.
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
        if (phase == SoakMonitor::Phase::Load && now >= nextSample) {
            rss.emplace_back(double(now - loadStart) / 1000.0, RssMb());
            nextSample = now + 1000;
        }
        if (phase == SoakMonitor::Phase::Load && !monitors.empty() &&
            std::uniform_real_distribution<double>(0, 1)(random) <
                options.faultsPerSecond * 0.025 * double(monitors.size())) {
            SoakMonitor& m = *monitors[random() % monitors.size()];
            int pick = int(random() % unsigned(kFaultWeights));
            const FaultKind* kind = kFaults;
            while (pick >= kind->weight)
                pick -= (kind++)->weight;
            const int64_t until = now + 500 + int64_t(random() % 3500);
            if (kind->maxCount > 0)
                m.Inject(kind->fault, kind->maxCount == 6 ? 6 : 1 + int(random() % unsigned(kind->maxCount)));
            else if (!m.InOutage())
                kind->silence ? m.StartSilence(until) : m.StartUnplug(until);
        }
        for (auto& m : monitors)
            m->Tick(phase, now, random);
    });
    tick.start(25);

    // Connect, then the graph and register windows beside each main window.
    for (int i = 0; i < options.monitors; ++i)
        monitors.push_back(std::make_unique<SoakMonitor>(i, uint32_t(options.seed), *app, folder.path()));
    const auto all = [&](auto test) {
        for (auto& m : monitors)
            if (!test(*m))
                return false;
        return true;
    };
    if (!RunUntil([&] { return all([](SoakMonitor& m) { return m.Identified(); }); }, 30000))
        fail("not every monitor was identified within 30 s");
    for (auto& m : monitors)
        m->OpenServiceWindows();
    QCoreApplication::processEvents();

    // Each stored sample once without faults: the files every later download must equal.
    if (!RunUntil([&] { return all([](SoakMonitor& m) { return m.HasAllReferences(); }); }, 120000))
        fail("the fault-free downloads did not all complete within 120 s");
    for (auto& m : monitors)
        m->Probe().Take();

    // The load: faults at random while the windows go on.
    phase = SoakMonitor::Phase::Load;
    loadStart = clock.elapsed();
    nextSample = loadStart;
    RunUntil([] { return false; }, int64_t(options.seconds) * 1000);
    const double loadSeconds = double(clock.elapsed() - loadStart) / 1000.0;
    rss.emplace_back(loadSeconds, RssMb());
    test::LatencyHistogram latencies;
    for (auto& m : monitors)
        latencies.Merge(m->Probe().Take());

    // Cables back, silences over; running downloads finish and are compared.
    phase = SoakMonitor::Phase::Drain;
    for (auto& m : monitors)
        m->EndOutages(clock.elapsed(), true);
    if (!RunUntil([&] { return all([](SoakMonitor& m) { return m.Idle() && m.Connected(); }); }, 120000))
        fail("not every monitor was idle and connected again within 120 s of the load");
    // Every link still hands updates to the windows: none is stuck in a hand-off.
    std::vector<uint64_t> updates;
    for (auto& m : monitors)
        updates.push_back(m->Probe().Updates());
    int live = 0;
    RunUntil(
        [&] {
            live = 0;
            for (size_t i = 0; i < monitors.size(); ++i)
                live += monitors[i]->Probe().Updates() > updates[i];
            return live == int(monitors.size());
        },
        10000);
    if (live != int(monitors.size()))
        fail("links still delivering updates after the load: " + std::to_string(live));

    // Every window through its frame; each document ends with its last window.
    tick.stop();
    int windowsClosed = 0;
    for (auto& m : monitors)
        windowsClosed += m->CloseWindows();
    // Sessions go by deferred deletion posted from here, outside any event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    int sessionsEnded = 0;
    for (auto& m : monitors)
        sessionsEnded += m->SessionGone();
    if (sessionsEnded != int(monitors.size()))
        fail("documents ended with their last window: " + std::to_string(sessionsEnded));
    const int threadsAfter = ThreadCount();
    if (threadsAfter != threadsBefore)
        fail("threads before " + std::to_string(threadsBefore) + ", after " + std::to_string(threadsAfter));

    int downloads = 0;
    for (auto& m : monitors) {
        downloads += m->Downloads();
        problems += m->Problems();
    }
    if (downloads == 0)
        fail("no download completed under faults");
    for (const auto& [text, count] : messages.shown)
        fail("message shown " + std::to_string(count) + " times: " + text);

    // Memory: flat over the load's second half, allowing for allocator slack.
    double mid = rss.front().second, end = rss.back().second;
    for (const auto& [t, mb] : rss)
        if (t <= loadSeconds / 2)
            mid = mb;
    const double allowed = std::max(8.0, 0.03 * mid);
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    constexpr bool judged = false; // the sanitizers hold freed memory back on purpose
#else
    constexpr bool judged = true;
#endif
    if (judged && end - mid > allowed)
        fail("RSS grew " + std::to_string(end - mid) + " MB over the load's second half");

    const test::LatencyFigures latency = latencies.Figures();
    std::printf("soak: %lld monitors, seed %lld, %.1f s of faults; %d downloads compared; update latency "
                "median %.1f ms, p99 %.1f ms, max %.1f ms; windows closed %d, documents ended %d, links "
                "delivering %d; threads before %d, after %d; RSS half-way %.1f MB, end %.1f MB%s\n",
                options.monitors, options.seed, loadSeconds, downloads, latency.median, latency.p99,
                latency.max, windowsClosed, sessionsEnded, live, threadsBefore, threadsAfter, mid, end,
                judged ? "" : " (not judged under a sanitizer)");
    app.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    monitors.clear();
    if (!problems.empty()) {
        folder.setAutoRemove(false); // the files that differ stay for a look
        std::printf("FAILED:\n%s", problems.c_str());
        return 1;
    }
    std::printf("passed\n");
    return 0;
}
