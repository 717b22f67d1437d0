#pragma once

#include <cstdio>
#include <string>

#include "platform/MessageSink.h"

namespace orvo {

// Exit status of orvoctl.
enum CliExit : int {
    EXIT_OK = 0,
    EXIT_FAILED = 1,    // anything else that went wrong
    EXIT_USAGE = 2,     // the command line cannot be carried out as written
    EXIT_NO_ANSWER = 3, // the monitor did not answer, or stopped answering
};

inline void PrintError(const std::string& text) {
    std::fprintf(stderr, "Error: %s\n", text.c_str());
}

// Port failures the core reports go to the terminal as "<caption>: <text>".
class StderrMessageSink final : public MessageSink {
public:
    void ShowError(const std::string& caption, const std::string& text) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }
};

} // namespace orvo
