// template save/send and config export/import: the register form's file tools from a terminal.

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "CliSession.h"
#include "Commands.h"
#include "link/RequestRecorder.h"
#include "model/COrvodeskDoc.h"
#include "platform/MessageService.h"
#include "service/ConfigExport.h"
#include "service/ConfigImport.h"
#include "service/LoggingTemplate.h"

namespace orvo {

namespace {

uint64_t RegisterAnswers(const SessionProgress& p) {
    return std::accumulate(p.registers.begin(), p.registers.end(), uint64_t(0));
}

// Waits for the answer to a template-name request or store: the link answers in order, so every
// request queued before it has then been answered.
int WaitForFence(CliSession& session, const SessionProgress& before) {
    const uint64_t fences = before.fences;
    return session.WaitUntil([fences](const SessionProgress& p) { return p.fences > fences; },
                             RegisterAnswers, before);
}

// Whether the last request that went out was a template-name request or store: its answer
// comes after every earlier answer, so waiting for it waits for them all.
bool EndsWithFence(const RequestRecorder& sent) {
    return !sent.sent.empty() &&
           (sent.sent.back().kind == "template-name" || sent.sent.back().kind == "template-name?");
}

enum class Answer { Ask, Yes, No };

// Messages on the terminal: information on stdout, the rest on stderr. The version question is
// answered by --yes or --no, else asked on the terminal; without a terminal the answer is No.
class TerminalMessages final : public MessageService {
public:
    explicit TerminalMessages(Answer answer) : m_answer(answer) {}

    MessageAnswer Show(const std::string& text, const std::string& caption, MessageIcon icon,
                       MessageButtons buttons) override {
        if (buttons == MessageButtons::YesNo)
            return Ask(text, caption.empty() ? "Orvodesk" : caption) ? MessageAnswer::Yes : MessageAnswer::No;
        if (icon == MessageIcon::Information)
            std::printf("%s\n", text.c_str());
        else
            PrintError(text);
        return MessageAnswer::Ok;
    }

private:
    bool Ask(const std::string& text, const std::string& caption) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        if (m_answer != Answer::Ask) {
            std::fprintf(stderr, "%s\n", m_answer == Answer::Yes ? "Yes (--yes)" : "No (--no)");
            return m_answer == Answer::Yes;
        }
        if (!::isatty(STDIN_FILENO)) {
            std::fprintf(stderr, "No (no terminal to ask; give --yes to continue)\n");
            return false;
        }
        std::fprintf(stderr, "[y/N] ");
        std::fflush(stderr);
        char line[64] = {};
        if (!std::fgets(line, sizeof line, stdin))
            return false;
        return line[0] == 'y' || line[0] == 'Y';
    }

    Answer m_answer;
};

int ReadFullRegisters(CliSession& session, const std::vector<int>& numbers) {
    const CliSession::Exchanged exchanged = session.Exchange([&numbers](CDeviceLink& link) {
        for (const int n : numbers)
            if (!link.ReadFullRegister(n))
                return false;
        return true;
    });
    if (exchanged.status != EXIT_OK)
        return exchanged.status;
    const SessionProgress after = session.Progress();
    for (const int n : numbers) {
        if (after.registers[size_t(n)] == exchanged.before.registers[size_t(n)]) {
            PrintError("the monitor did not answer for register " + std::to_string(n));
            return EXIT_FAILED;
        }
    }
    return EXIT_OK;
}

int SaveTemplate(CliSession& session, const std::string& path) {
    std::vector<int> all(PRC_COUNT);
    std::iota(all.begin(), all.end(), 0);
    const int status = ReadFullRegisters(session, all);
    if (status != EXIT_OK)
        return status;
    std::string reason;
    if (!LoggingTemplate::Save(session.Doc().Registers(), path, &reason)) {
        PrintError(TEMPLATE_SAVE_ERROR);
        PrintError(reason);
        return EXIT_FAILED;
    }
    std::printf("saved the logging of %d registers to %s\n", PRC_COUNT, path.c_str());
    return EXIT_OK;
}

int SendTemplate(CliSession& session, const std::string& path) {
    std::vector<LoggingTemplateRecord> records;
    if (!LoggingTemplate::Load(path, records)) {
        PrintError(TEMPLATE_OPEN_ERROR);
        return EXIT_FAILED;
    }
    const SessionProgress before = session.Progress();
    if (!LoggingTemplate::Send(session.Doc().Link(), records, path)) {
        PrintError("the request could not be queued");
        return EXIT_FAILED;
    }
    // The answer to the template name comes after every logging answer.
    const int status = WaitForFence(session, before);
    if (status != EXIT_OK)
        return status;
    std::printf("sent %zu records of %s, %zu registers set to never; template name \"%s\"\n", records.size(),
                path.c_str(), size_t(PRC_COUNT) - records.size(), session.Doc().TemplateName().c_str());
    return EXIT_OK;
}

int ExportConfig(CliSession& session, const std::string& path) {
    COrvodeskDoc& doc = session.Doc();
    const bool newFirmware = doc.NewFirmware();
    if (newFirmware && !doc.SerialTextKnown()) {
        const SessionProgress before = session.Progress();
        if (!doc.Link().RequestSerialText()) {
            PrintError("the request could not be queued");
            return EXIT_FAILED;
        }
        const uint64_t texts = before.serialTexts;
        const int status = session.WaitUntil(
            [texts](const SessionProgress& p) { return p.serialTexts > texts; }, nullptr, before);
        if (status != EXIT_OK)
            return status;
    }
    // The values written are the ones just read, as the register form does before an export.
    const int status =
        ReadFullRegisters(session, ConfigExport::RefreshRegisters(doc.Registers(), newFirmware));
    if (status != EXIT_OK)
        return status;
    const XmlNode root = ConfigExport::Build(doc.Registers(), newFirmware, doc.SerialText());
    std::string message;
    if (!ConfigExport::Write(root, path, &message)) {
        PrintError(message);
        return EXIT_FAILED;
    }
    std::printf("exported version %s, %d registers, serial number %s, to %s\n",
                root.Attribute("version").value_or("").c_str(), root.Child("PRCList").ChildCount("PRC"),
                ConfigExport::SerialNumber(doc.Registers(), newFirmware, doc.SerialText()).c_str(),
                path.c_str());
    return EXIT_OK;
}

int ImportConfig(CliSession& session, const std::string& path, Answer answer) {
    COrvodeskDoc& doc = session.Doc();
    // The import compares with the serial number the monitor holds now.
    int status = ReadRegisterValues(session, {1});
    if (status != EXIT_OK)
        return status;
    const SessionProgress before = session.Progress();
    RequestRecorder senders(&doc.Link());
    senders.recordRefused = false;
    TerminalMessages messages(answer);
    // The register form reads every register again; so does the terminal, for the same reason.
    const auto reloadAll = [&senders] { senders.ReadFullRegister(-1); };
    const ConfigImportResult result =
        ConfigImport(doc.Registers(), doc.NewFirmware(), senders, messages, reloadAll).Run(path);
    // An import that stopped at an error may have sent writes: they must reach the monitor
    // before the link closes, so a template-name request follows them as a fence.
    if (!senders.sent.empty()) {
        if (!EndsWithFence(senders) && !doc.Link().RequestTemplateName()) {
            PrintError("the request could not be queued");
            return EXIT_FAILED;
        }
        status = WaitForFence(session, before);
        if (status != EXIT_OK)
            return status;
    }
    if (!result.allQueued) {
        PrintError("the request could not be queued");
        return EXIT_FAILED;
    }
    switch (result.outcome) {
    case ConfigImportOutcome::Completed:
        return EXIT_OK;
    case ConfigImportOutcome::Declined:
        PrintError("nothing imported");
        return EXIT_FAILED;
    default:
        return EXIT_FAILED;
    }
}

} // namespace

void AddTemplateCommand(CLI::App& app, CliCommands& commands) {
    auto savePath = std::make_shared<std::string>();
    auto sendPath = std::make_shared<std::string>();
    CLI::App* sub = app.add_subcommand("template", "Logging templates (.qlt): save or send");
    sub->require_subcommand(1, 2);
    CLI::App* save = sub->add_subcommand("save", "Read every register's logging and save it as a template");
    save->add_option("FILE", *savePath, "The template file to write")->required();
    CLI::App* send = sub->add_subcommand("send", "Send a template: set every register's logging from a file");
    send->add_option("FILE", *sendPath, "The template file to read")->required();
    commands.push_back({sub, [sub, save, savePath, sendPath](CliSession& session) {
                            int status = EXIT_OK;
                            for (CLI::App* given : sub->get_subcommands()) {
                                if (status == EXIT_OK)
                                    status = given == save ? SaveTemplate(session, *savePath)
                                                           : SendTemplate(session, *sendPath);
                            }
                            return status;
                        }});
}

void AddConfigCommand(CLI::App& app, CliCommands& commands) {
    auto exportPath = std::make_shared<std::string>();
    auto importPath = std::make_shared<std::string>();
    auto yes = std::make_shared<bool>(false);
    auto no = std::make_shared<bool>(false);
    CLI::App* sub = app.add_subcommand("config", "Configuration files (.xfg): export or import");
    sub->require_subcommand(1, 2);
    CLI::App* exporting = sub->add_subcommand("export", "Read the calibration registers and export them");
    exporting->add_option("FILE", *exportPath, "The configuration file to write")->required();
    CLI::App* importing = sub->add_subcommand("import", "Write a configuration file's values to the monitor");
    importing->add_option("FILE", *importPath, "The configuration file to read")->required();
    CLI::Option* yesFlag = importing->add_flag(
        "--yes", *yes, "Continue when the file comes from newer firmware (older monitors)");
    importing
        ->add_flag("--no", *no, "Stop when the file comes from newer firmware (the default off a terminal)")
        ->excludes(yesFlag);
    commands.push_back({sub, [sub, exporting, exportPath, importPath, yes, no](CliSession& session) {
                            int status = EXIT_OK;
                            for (CLI::App* given : sub->get_subcommands()) {
                                if (status != EXIT_OK)
                                    break;
                                if (given == exporting) {
                                    status = ExportConfig(session, *exportPath);
                                } else {
                                    const Answer answer = *yes ? Answer::Yes : *no ? Answer::No : Answer::Ask;
                                    status = ImportConfig(session, *importPath, answer);
                                }
                            }
                            return status;
                        }});
}

} // namespace orvo
