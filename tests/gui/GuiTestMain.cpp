// Runs the widget tests: all of them, or the one class named first on the command line
// (ctest runs each class on its own).

#include <QApplication>
#include <QStandardPaths>
#include <QtTest>

#include <memory>

#include "GuiTestSupport.h"

namespace orvo::test {

std::vector<std::pair<QString, TestFactory>>& TestRegistry() {
    static std::vector<std::pair<QString, TestFactory>> registry;
    return registry;
}

} // namespace orvo::test

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QString only;
    std::vector<char*> args(argv, argv + argc);
    if (args.size() > 1 && args[1][0] != '-') {
        only = QString::fromLocal8Bit(args[1]);
        args.erase(args.begin() + 1);
    }
    int failures = 0;
    bool ran = false;
    for (const auto& [name, factory] : orvo::test::TestRegistry()) {
        if (!only.isEmpty() && name != only)
            continue;
        ran = true;
        std::unique_ptr<QObject> test(factory());
        failures += QTest::qExec(test.get(), int(args.size()), args.data());
    }
    if (!ran) {
        qWarning("no test class named %s", qPrintable(only));
        return 1;
    }
    return failures == 0 ? 0 : 1;
}
