// The application's part of the download section: the same paced transfer driven through the
// download form, the update bridge and the event loop, with the longest stall of a 10 ms timer on
// the user-interface thread; and the switch to the results with the chart of a long service log.

#include "AppDownloadBench.h"
#include "BenchApplication.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QListWidget>
#include <QMdiArea>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "app/COrvodeskApp.h"
#include "app/DocumentSession.h"
#include "forms/CDLCompleteForm.h"
#include "forms/CDownloadForm.h"
#include "frame/CChildFrame.h"
#include "frame/CMainFrame.h"
#include "model/COrvodeskDoc.h"
#include "platform/MessageService.h"
#include "ui/RegisterChartPanel.h"
#include "ui/RowChart.h"

namespace orvo::bench {

namespace {

// Runs the event loop until `done`, at most `boundMs`. The loop sleeps between events as the
// application's does; a loop that spun would take a core from the link and the simulator.
template <typename Done> bool RunUntil(Done done, int boundMs) {
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() > boundMs)
            loop.quit();
    });
    poll.start();
    if (!done())
        loop.exec();
    return done();
}

// Dialogs the results open by themselves are closed as they come; the figures are the wire's.
void CloseModals(QTimer& timer) {
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    timer.start();
}

std::unique_ptr<COrvodeskApp> MakeApp(PrintedMessages& messages, const QString& mode) {
    AppOptions options;
    options.arguments = {mode};
    options.splash = false;
    options.messages = &messages;
    auto app = std::make_unique<COrvodeskApp>(std::move(options));
    app->InitInstance();
    return app;
}

} // namespace

std::optional<AppTransfer> DownloadInApplication(const std::string& devicePath) {
    PrintedMessages messages("orvo_bench");
    auto app = MakeApp(messages, QStringLiteral("service"));
    QTimer closer;
    CloseModals(closer);
    DocumentSession* session = app->Connect(QString::fromStdString(devicePath));
    if (!session)
        return std::nullopt;
    CChildFrame* frame = session->Frames().first();
    if (!RunUntil([&] { return session->Doc().Connected(); }, 20000) ||
        !frame->SwitchToView(FormKind::Download))
        return std::nullopt;
    auto* form = qobject_cast<CDownloadForm*>(frame->ActiveForm());
    if (!form || !RunUntil([&] { return form->List()->count() > 0; }, 20000))
        return std::nullopt;
    // The greeting's requests drain first, so that only the transfer is on the line.
    RunUntil([&] { return session->Doc().Link().QueueLength() == 0; }, 5000);
    form->List()->setCurrentRow(0);

    AppTransfer result;
    QElapsedTimer ticks;
    QTimer probe;
    probe.setInterval(10);
    qint64 last = 0;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = ticks.nsecsElapsed();
        const bool streaming = qobject_cast<CDownloadForm*>(frame->ActiveForm()) == form &&
                               form->Logic().ProgressPosition() < form->Logic().ProgressMaximum();
        double& longest = streaming ? result.longestStallMs : result.switchStallMs;
        longest = std::max(longest, double(now - last) / 1e6);
        last = now;
    });
    QElapsedTimer clock;
    clock.start();
    ticks.start();
    probe.start();
    form->Logic().OnDownload();
    const uint64_t items = form->Logic().ProgressMaximum();
    if (!RunUntil([&] { return qobject_cast<CDLCompleteForm*>(frame->ActiveForm()) != nullptr; }, 60000))
        return std::nullopt;
    result.seconds = double(clock.nsecsElapsed()) / 1e9;
    probe.stop();
    result.items = items;
    app->MainFrame()->CloseAllSessions();
    RunUntil([&] { return app->Sessions().isEmpty(); }, 5000);
    return result;
}

std::optional<double> ResultsOfServiceLog(size_t items) {
    PrintedMessages messages("orvo_bench");
    auto app = MakeApp(messages, QStringLiteral("service"));
    QTimer closer;
    CloseModals(closer);
    auto* session = new DocumentSession(app->Services());
    COrvodeskDoc& doc = session->Doc();
    doc.BeginConnection("service");
    doc.SetServiceLog(true);
    doc.SetDisplayInterval(60);
    // A log of records of one time item and twenty-four pairs, one a minute.
    constexpr size_t kItems = 25;
    char text[64];
    for (size_t r = 0; r < items / kItems; ++r) {
        std::string record = std::to_string(1'700'000'000u + 60u * uint32_t(r)) + ",24";
        for (int pair = 0; pair < 24; ++pair) {
            const int number = pair < 20 ? 100 + pair : 65 + pair; // 100..119, 85..88
            std::snprintf(text, sizeof text, ",%d,%.6f", number,
                          double((r * 7 + size_t(pair)) % 1000) * 0.01);
            record += text;
        }
        doc.AppendRecord(std::move(record));
    }
    QElapsedTimer clock;
    clock.start();
    CChildFrame* frame = app->MainFrame()->OpenWindow(*session, FormKind::DownloadComplete);
    if (!frame)
        return std::nullopt;
    frame->grab(); // laid out and painted, chart included
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    frame->ForceClose();
    RunUntil([&] { return app->MainFrame()->MdiArea()->subWindowList().isEmpty(); }, 5000);
    return seconds;
}

} // namespace orvo::bench
