#pragma once

#include <QCoreApplication>

#include <sys/resource.h>

#include <clocale>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/MessageService.h"

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

// What the application would show in a message box, printed on standard error under the
// section's name: a benchmark has nobody to click OK.
class PrintedMessages final : public MessageService {
public:
    explicit PrintedMessages(const char* section) : m_section(section) {}
    MessageAnswer Show(const std::string& text, const std::string&, MessageIcon, MessageButtons) override {
        std::fprintf(stderr, "%s: message: %s\n", m_section, text.c_str());
        return MessageAnswer::Ok;
    }

private:
    const char* m_section;
};

// User and system CPU time of the calling thread.
inline double ThreadCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace orvo::bench
