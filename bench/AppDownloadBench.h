#pragma once

#include <QApplication>

#include <clocale>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace orvo::bench {

struct AppTransfer {
    uint64_t items = 0;
    double seconds = 0;
    // Longest gaps between two ticks of a 10 ms timer on the UI thread: while the blocks stream, and
    // the one that holds the switch from the last block to the results form.
    double longestStallMs = 0;
    double switchStallMs = 0;
};

// A widget application on the offscreen platform (none is made when one exists already).
inline std::unique_ptr<QApplication> MakeWidgetApplication() {
    static int qtArgc = 1;
    static char qtName[] = "orvo_bench";
    static char* qtArgv[] = {qtName, nullptr};
    std::unique_ptr<QApplication> app;
    if (!QCoreApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(qtArgc, qtArgv);
    }
    std::setlocale(LC_ALL, "C");
    return app;
}

// Sample 0 of the monitor on `devicePath`, downloaded through the application's download form
// in service mode; timed from Download to the results form.
std::optional<AppTransfer> DownloadInApplication(const std::string& devicePath);

// Seconds from opening the results of a service log of `items` items to the window painted.
std::optional<double> ResultsOfServiceLog(size_t items);

} // namespace orvo::bench
