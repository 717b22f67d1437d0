#pragma once

#include <QCoreApplication>

#include <clocale>
#include <memory>

namespace orvo::bench {

// QSerialPort wants an application object; no event loop runs, the link thread blocks instead. None
// is made when one exists already. Qt takes the locale from the environment: the figures are printed
// in the C locale.
inline std::unique_ptr<QCoreApplication> MakeApplication() {
    static int qtArgc = 1;
    static char qtName[] = "orvo_bench";
    static char* qtArgv[] = {qtName, nullptr};
    std::unique_ptr<QCoreApplication> app;
    if (!QCoreApplication::instance())
        app = std::make_unique<QCoreApplication>(qtArgc, qtArgv);
    std::setlocale(LC_ALL, "C");
    return app;
}

} // namespace orvo::bench
