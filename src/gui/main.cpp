// orvodesk: the desktop companion of the Orvo dust monitor.
//
//   orvodesk [expert|service] [--demo-connect[=6.50]]
//
// The mode word is the whole command line (see CommandLine.h).

#include <QApplication>

#include "app/COrvodeskApp.h"

int main(int argc, char** argv) {
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
