#pragma once

#include "platform/MessageService.h"

namespace orvo {

// Message boxes on the desktop. Called from another thread (it should not be), the box is
// shown later on the user-interface thread and the answer is OK.
class QtMessageService final : public MessageService {
public:
    MessageAnswer Show(const std::string& text, const std::string& caption, MessageIcon icon,
                       MessageButtons buttons) override;
    MessageAnswer ShowLabelled(const std::string& text, const std::string& caption, MessageIcon icon,
                               MessageButtons buttons, const MessageLabels& labels) override;
};

} // namespace orvo
