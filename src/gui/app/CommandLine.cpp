#include "app/CommandLine.h"

#include "app/DemoMonitor.h"

namespace orvo {

CommandLine CommandLine::Parse(const QStringList& argumentsAfterProgram) {
    static const QString kDemoOption = QStringLiteral("--demo-connect");
    CommandLine result;
    QStringList words;
    for (const QString& argument : argumentsAfterProgram) {
        if (argument == kDemoOption) {
            result.demoConnection = DemoMonitor::NAME_NEW;
        } else if (argument.startsWith(kDemoOption + '=')) {
            const QString firmware = argument.mid(kDemoOption.size() + 1);
            result.demoConnection =
                firmware.startsWith(QStringLiteral("6")) ? DemoMonitor::NAME_OLD : DemoMonitor::NAME_NEW;
        } else {
            words << argument;
        }
    }
    result.modeWord = words.join(' ');
    return result;
}

} // namespace orvo
