// orvo_soak: monitors connected to one application at once, with faults injected at random
// (seeded) while downloads, graph polling and register reloads run; afterwards every window is
// closed through its frame and the process is checked for left-over threads and growth.
//
//   orvo_soak [--seconds N] [--seed N]     exit status 0 when every check holds

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

constexpr int kMonitors = 16;
constexpr double kFaultsPerSecond = 0.5; // each monitor's

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

// Mostly spoiled answers; now and then six NAKs in a row (the request itself dropped: a transfer
// stalls until it is cancelled), a silence or a pulled cable.
void InjectFault(SoakMonitor& m, int64_t nowMs, std::mt19937& random) {
    static const sim::Fault kSpoiled[] = {sim::Fault::Drop, sim::Fault::Corrupt, sim::Fault::Runt,
                                          sim::Fault::Nak, sim::Fault::Short};
    const unsigned pick = random() % 50;
    const int64_t until = nowMs + 500 + int64_t(random() % 3500);
    if (pick == 0)
        m.Inject(sim::Fault::Nak, 6);
    else if (pick < 6 && !m.InOutage())
        m.StartOutage(pick < 3, until);
    else if (pick >= 6)
        m.Inject(kSpoiled[pick % 5], 1 + int(random() % 3));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qtApp(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    long long seconds = 20, seed = 1;
    for (int i = 1; i + 1 < argc; i += 2)
        (std::strcmp(argv[i], "--seed") == 0 ? seed : seconds) = std::strtoll(argv[i + 1], nullptr, 10);
    QTemporaryDir folder;
    std::mt19937 random{uint32_t(seed)};

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
    int64_t loadStart = 0;
    double midMb = 0; // RSS half-way through the load

    // Everything the soak does, every 25 ms on the user-interface thread, nested dialogs included.
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const int64_t now = clock.elapsed();
        // Dialogs the results open by themselves (the status list) are closed as they come.
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
        if (phase == SoakMonitor::Phase::Load) {
            if (midMb == 0 && now - loadStart >= seconds * 500)
                midMb = RssMb();
            if (std::uniform_real_distribution<double>(0, 1)(random) < kFaultsPerSecond * 0.025 * kMonitors)
                InjectFault(*monitors[random() % kMonitors], now, random);
        }
        for (auto& m : monitors)
            m->Tick(phase, now, random);
    });
    tick.start(25);

    // Connect, then the graph and register windows beside each main window.
    for (int i = 0; i < kMonitors; ++i)
        monitors.push_back(std::make_unique<SoakMonitor>(i, uint32_t(seed), *app, folder.path()));
    const auto all = [&](auto test) {
        return std::all_of(monitors.begin(), monitors.end(), [&](auto& m) { return test(*m); });
    };
    if (!RunUntil([&] { return all([](SoakMonitor& m) { return m.Identified(); }); }, 30000))
        fail("not every monitor was identified within 30 s");
    for (auto& m : monitors)
        m->OpenServiceWindows();
    QCoreApplication::processEvents();

    // Each stored sample once without faults: the files every later download must equal.
    if (!RunUntil([&] { return all([](SoakMonitor& m) { return m.HasAllReferences(); }); }, 120000))
        fail("the fault-free downloads did not all complete within 120 s");

    // The load: faults at random while the windows go on.
    phase = SoakMonitor::Phase::Load;
    loadStart = clock.elapsed();
    RunUntil([] { return false; }, int64_t(seconds) * 1000);
    const double endMb = RssMb();

    // Cables back, silences over; running downloads finish and are compared.
    phase = SoakMonitor::Phase::Drain;
    for (auto& m : monitors)
        m->EndOutages(clock.elapsed(), true);
    if (!RunUntil([&] { return all([](SoakMonitor& m) { return m.Idle() && m.Connected(); }); }, 120000))
        fail("not every monitor was idle and connected again within 120 s of the load");
    // Every link still hands updates to the windows: none is stuck in a hand-off.
    std::vector<uint64_t> updates;
    for (auto& m : monitors)
        updates.push_back(m->Updates());
    const auto live = [&] {
        for (size_t i = 0; i < monitors.size(); ++i)
            if (monitors[i]->Updates() <= updates[i])
                return false;
        return true;
    };
    if (!RunUntil(live, 10000))
        fail("a link stopped delivering updates after the load");

    // Every window through its frame; each document ends with its last window.
    tick.stop();
    for (auto& m : monitors)
        m->CloseWindows();
    // Sessions go by deferred deletion posted from here, outside any event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (!all([](SoakMonitor& m) { return m.SessionGone(); }))
        fail("a document outlived its last window");
    if (const int threadsAfter = ThreadCount(); threadsAfter != threadsBefore)
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

        // Memory: flat over the load's second half, allowing for allocator slack. The sanitizers hold
        // freed memory back on purpose.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    if (endMb - midMb > std::max(8.0, 0.03 * midMb))
        fail("RSS grew " + std::to_string(endMb - midMb) + " MB over the load's second half");
#endif
    std::printf(
        "soak: seed %lld, %lld s of faults; %d downloads compared; RSS half-way %.1f MB, end %.1f MB\n", seed,
        seconds, downloads, midMb, endMb);
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
