#pragma once

#include <string>

namespace orvo {

// Where the core reports failures the user must see (port errors). The desktop application
// shows a message box, the command-line tool prints to stderr.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void ShowError(const std::string& caption, const std::string& text) = 0;
};

class NullMessageSink final : public MessageSink {
public:
    void ShowError(const std::string&, const std::string&) override {}
};

} // namespace orvo
