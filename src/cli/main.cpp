// orvoctl: drives a monitor from a terminal.
//
//   orvoctl (--port PATH | --demo [--firmware 7.0|6.5]) [--trace] [--timeout SECONDS] [--time-scale N]
//           COMMAND...
//
// Commands run in the order given, over one connection.

#include <clocale>
#include <cstdio>
#include <memory>

#include <QCoreApplication>
#include <QGuiApplication>

#include "CliCard.h"
#include "CliParse.h"
#include "CliSession.h"
#include "Commands.h"
#include "platform/TimeZoneSource.h"

using namespace orvo;

int main(int argc, char** argv) {
    // The computer's zone, given to everything that shows or reads a local time.
    const TimeZoneSource& zone = SystemTimeZone::Instance();

    CLI::App app{"Drive an Orvo monitor from a terminal.", "orvoctl"};
    SessionOptions options;
    std::string firmware = "7.0";
    std::string timeoutText;
    CLI::Option_group* connection = app.add_option_group("connection");
    CLI::Option* port =
        connection->add_option("--port", options.port, "Serial port (a bare name lies under /dev/)");
    CLI::Option* demo = connection->add_flag("--demo", options.demo, "Use the built-in simulated monitor");
    // Commands that only read or write files need no monitor; the others check below.
    connection->require_option(0, 1);
    app.add_option("--firmware", firmware, "Firmware of the simulated monitor")
        ->check(CLI::IsMember({"7.0", "6.5"}))
        ->needs(demo)
        ->excludes(port);
    app.add_flag("--trace", options.trace, "Every frame in hex on stderr");
    // A wait beyond a day would overflow the clock's deadline and end at once.
    app.add_option("--timeout", timeoutText, "Seconds to wait for the monitor (default 10, at most 86400)")
        ->check([](const std::string& text) -> std::string {
            const std::optional<double> seconds = ParseDecimal(text);
            if (seconds && *seconds > 0 && *seconds <= 86400)
                return {};
            return "'" + text + "' is not a number of seconds above 0 and up to 86400";
        });
    app.add_option("--time-scale", options.timeScale,
                   "Run the procedures' timers this many times faster (at most 20), for a simulated monitor "
                   "started with the same time scale; the demo's follows it")
        ->check(CLI::Range(1.0, 20.0));
    app.require_subcommand(1, 0);
    app.footer("Commands run in the order given, each at most once, over one connection.\n"
               "Exit status: 0 done, 1 failed, 2 bad usage, 3 no answer from the monitor.");

    CliCommands commands;
    AddAllCommands(app, commands, zone);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? EXIT_OK : EXIT_USAGE;
    }
    // The parser folds a repeated command into its first appearance; refuse rather than reorder.
    for (CLI::App* given : app.get_subcommands()) {
        if (given->count() > 1) {
            PrintError("the command '" + given->get_name() + "' can be given only once");
            return EXIT_USAGE;
        }
    }
    bool needsMonitor = false;
    for (CLI::App* given : app.get_subcommands())
        for (const CliCommand& command : commands)
            if (command.subcommand == given && command.needsMonitor)
                needsMonitor = true;
    if (needsMonitor && !*port && !*demo) {
        PrintError("a monitor is needed: give --port PATH or --demo");
        return EXIT_USAGE;
    }
    options.demoFirmware = firmware == "6.5" ? 6.5f : 7.0f;
    if (!timeoutText.empty())
        options.timeoutSeconds = *ParseDecimal(timeoutText);

    int cardsToStdout = 0;
    int exportsToStdout = 0;
    bool drawsCard = false;
    for (CLI::App* given : app.get_subcommands())
        for (const CliCommand& command : commands) {
            if (command.subcommand == given && command.cardTarget) {
                const std::string target = command.cardTarget();
                drawsCard |= !target.empty();
                cardsToStdout += target == "-";
            }
            if (command.subcommand == given && command.exportsToStdout)
                exportsToStdout += command.exportsToStdout();
        }
    if (cardsToStdout + exportsToStdout > 1) {
        PrintError("only one card or export can go to standard output");
        return EXIT_USAGE;
    }
    if (cardsToStdout == 1 && !ReserveStdoutForCard())
        return EXIT_USAGE;

    // QtSerialPort wants an application object; its event loop never runs, the link thread uses
    // blocking calls. Fonts want a gui application, which is slower to start, so only a card gets
    // one, on the offscreen platform: no display is needed. Qt adopts the environment's locale,
    // and none of our texts may follow it.
    static int qtArgc = 1;
    static char qtName[] = "orvoctl";
    static char* qtArgv[] = {qtName, nullptr};
    std::unique_ptr<QCoreApplication> qtApp;
    if (drawsCard) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qtApp = std::make_unique<QGuiApplication>(qtArgc, qtArgv);
    } else {
        qtApp = std::make_unique<QCoreApplication>(qtArgc, qtArgv);
    }
    std::setlocale(LC_ALL, "C");

    CliSession session(options, zone);
    int status = needsMonitor ? session.Connect() : EXIT_OK;
    for (CLI::App* given : app.get_subcommands()) {
        if (status != EXIT_OK)
            break;
        for (const CliCommand& command : commands)
            if (command.subcommand == given)
                status = command.run(session);
    }
    std::fflush(stdout);
    session.Close();
    return status;
}
