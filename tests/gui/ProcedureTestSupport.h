#pragma once

// What the procedure forms' tests share: boxes recorded with the state of the poll timer, and an
// application on the real clock, since the procedures' timers run on it.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "GuiTestSupport.h"
#include "forms/CProcedureForm.h"

namespace orvo::test {

// Every box, with whether the poll timer of the procedure form in `frame` ran while it was open;
// questions are answered Yes.
class ProcedureMessages final : public MessageService {
public:
    struct Box {
        std::string text, caption;
        MessageIcon icon;
        bool timerRan;
    };
    std::vector<Box> boxes;
    std::function<CChildFrame*()> frame;

    MessageAnswer Show(const std::string& text, const std::string& caption, MessageIcon icon,
                       MessageButtons buttons) override {
        CChildFrame* f = frame ? frame() : nullptr;
        auto* form = f ? qobject_cast<CProcedureForm*>(f->ActiveForm()) : nullptr;
        boxes.push_back({text, caption, icon, form && form->PollTimer()->isActive()});
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Box& b : boxes)
            texts.push_back(b.text);
        return texts;
    }
};

inline std::unique_ptr<COrvodeskApp> RealTimeApp(MessageService& messages, const QString& mode = {}) {
    AppOptions options;
    options.arguments = mode.isEmpty() ? QStringList() : QStringList{mode};
    options.splash = false;
    options.messages = &messages;
    options.listPorts = [] { return std::vector<PortEntry>(); };
    auto app = std::make_unique<COrvodeskApp>(std::move(options));
    app->InitInstance();
    return app;
}

} // namespace orvo::test
