// orvodesk: the desktop companion of the Orvo dust monitor.
//
//   orvodesk [expert|service] [--demo-connect[=6.50]]
//   orvodesk --version
//
// The mode word is the whole command line (see CommandLine.h).

#include <cstdio>
#include <cstring>

#include <QApplication>

#include "app/COrvodeskApp.h"

int main(int argc, char** argv) {
    // Answered before Qt looks for a display, so that it works where no window can open. Only
    // as the whole command line: any other line keeps its meaning as a mode word.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Orvodesk %s\n", qUtf8Printable(orvo::COrvodeskApp::VERSION));
        return 0;
    }
    QApplication qtApp(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    orvo::AppOptions options;
    options.arguments = arguments;
    orvo::COrvodeskApp app(std::move(options));
    if (!app.InitInstance())
        return 1;
    return qtApp.exec();
}
