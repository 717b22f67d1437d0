#include "CliCard.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "CliMessages.h"
#include "DustDataCardPdf.h"
#include "platform/AtomicFile.h"
#include "results/ExportFile.h"

namespace orvo {

namespace {

int g_cardStdout = -1; // the original standard output, once a card claimed it

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(size_t(written));
    }
    return true;
}

} // namespace

CLI::Option* AddPaperOption(CLI::App& command, std::string& paper) {
    return command.add_option("--paper", paper, "Paper size of the card: letter (default) or a4")
        ->transform(CLI::IsMember({"letter", "a4"}, CLI::ignore_case));
}

bool ReserveStdoutForCard() {
    if (isatty(STDOUT_FILENO)) {
        PrintError("the card is a PDF: give a file name, or send standard output to a file or a pipe");
        return false;
    }
    std::fflush(stdout);
    g_cardStdout = dup(STDOUT_FILENO);
    if (g_cardStdout < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        PrintError(std::string("standard output cannot be set aside for the card: ") + std::strerror(errno));
        return false;
    }
    return true;
}

int WriteCardPdf(const CardContent& card, const std::string& paper, const std::string& target) {
    const QByteArray pdf = RenderDustDataCardPdf(card, paper == "a4" ? CardPaper::A4 : CardPaper::Letter);
    if (pdf.isEmpty()) {
        PrintError("the Dust Data Card could not be drawn");
        return EXIT_FAILED;
    }
    const std::string_view bytes(pdf.constData(), size_t(pdf.size()));
    if (target == "-") {
        if (g_cardStdout < 0 || !WriteAll(g_cardStdout, bytes)) {
            PrintError(std::string("the card could not be written to standard output: ") +
                       std::strerror(errno));
            return EXIT_FAILED;
        }
        return EXIT_OK;
    }
    std::string reason;
    if (!WriteFileAtomically(target, bytes, &reason)) {
        PrintError(kOutputFileError);
        std::fprintf(stderr, "%s\n", reason.c_str());
        return EXIT_FAILED;
    }
    std::printf("card: %s\n", target.c_str());
    return EXIT_OK;
}

} // namespace orvo
