#pragma once

#include <string>

#include "platform/MessageSink.h"

namespace orvo {

enum class MessageIcon { None, Information, Warning, Stop, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No, Retry };

// Texts a box puts on its buttons in place of their usual ones; empty keeps the usual text.
struct MessageLabels {
    std::string yes, no;
};

// Every message box of the application goes through one of these: the desktop shows a
// window, tests read the text and script the answer. Field checks come without icon,
// refusals with the stop icon, confirmations as Yes/No questions.
class MessageService : public MessageSink {
public:
    // An empty caption stands for the application's name.
    virtual MessageAnswer Show(const std::string& text, const std::string& caption = {},
                               MessageIcon icon = MessageIcon::None,
                               MessageButtons buttons = MessageButtons::Ok) = 0;

    // The same box with some buttons renamed ("Modify" for No, say). A service that cannot rename
    // them shows the usual buttons; the answer is the same either way.
    virtual MessageAnswer ShowLabelled(const std::string& text, const std::string& caption, MessageIcon icon,
                                       MessageButtons buttons, const MessageLabels& labels) {
        (void)labels;
        return Show(text, caption, icon, buttons);
    }

    // Port failures: their text with the caption the link gives ("Error").
    void ShowError(const std::string& caption, const std::string& text) override {
        Show(text, caption, MessageIcon::None, MessageButtons::Ok);
    }
};

} // namespace orvo
