#pragma once

#include <QString>
#include <QStringList>

namespace orvo {

// What the command line asks for. The mode word is the whole text after the program name,
// its words joined by single blanks, compared exactly: "expert" or "service", anything else
// (a capital letter, a trailing blank, a second word) is standard mode. No word is ever
// taken for a file to open.
//
// One option of our own is taken out before the comparison: "--demo-connect" (or
// "--demo-connect=6.50") connects to the built-in demo monitor at start, without the
// connection dialog; scripts use it for screenshots and demonstrations.
struct CommandLine {
    QString modeWord;
    QString demoConnection; // the demo entry to connect to at start, empty for none

    static CommandLine Parse(const QStringList& argumentsAfterProgram);
};

} // namespace orvo
