#pragma once

#include <string>

#include <CLI/CLI.hpp>

namespace orvo {

struct CardContent;

// --paper PAPER: "letter" (the default) or "a4", in any case.
CLI::Option* AddPaperOption(CLI::App& command, std::string& paper);

// Sets standard output aside for a card written to "-": whatever the commands print from here on
// goes to standard error, so that nothing but the PDF reaches the pipe. Refused (false, with the
// reason on stderr) when standard output is a terminal.
bool ReserveStdoutForCard();

// Draws the card and writes it: to a temporary file beside `target` renamed over it, or for "-"
// to the standard output set aside above. Prints the path written; EXIT_OK or EXIT_FAILED.
int WriteCardPdf(const CardContent& card, const std::string& paper, const std::string& target);

} // namespace orvo
