#pragma once

// Shared pieces of the widget tests: a registry of test classes, a message service that
// records and answers, and an application with the demo monitor at hand.

#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QObject>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "SimMonitor.h"
#include "app/COrvodeskApp.h"
#include "app/DemoMonitor.h"
#include "app/DocumentSession.h"
#include "forms/COrvodeskForm.h"
#include "frame/CChildFrame.h"
#include "frame/CMainFrame.h"
#include "model/COrvodeskDoc.h"
#include "platform/MessageService.h"

namespace orvo::test {

// Generous bounds: the demo monitor runs on the real clock and the link polls every 250 ms.
constexpr int kConnectMs = 20000;
constexpr int kChangeMs = 10000;

using TestFactory = std::function<QObject*()>;
std::vector<std::pair<QString, TestFactory>>& TestRegistry();

struct RegisterTest {
    RegisterTest(const char* name, TestFactory factory) {
        TestRegistry().emplace_back(name, std::move(factory));
    }
};
#define ORVO_GUI_TEST(Class)                                                                                 \
    static ::orvo::test::RegisterTest s_register##Class(#Class, [] { return new Class; });

class ScriptedMessages : public MessageService {
public:
    struct Shown {
        std::string text;
        std::string caption;
        MessageIcon icon;
        MessageButtons buttons;
    };

    MessageAnswer Show(const std::string& text, const std::string& caption, MessageIcon icon,
                       MessageButtons buttons) override {
        std::lock_guard lock(m_lock);
        m_shown.push_back({text, caption, icon, buttons});
        if (m_answers.empty())
            return MessageAnswer::Ok;
        const MessageAnswer answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    std::vector<Shown> AllShown() const {
        std::lock_guard lock(m_lock);
        return m_shown;
    }
    void Clear() {
        std::lock_guard lock(m_lock);
        m_shown.clear();
    }
    void Answer(MessageAnswer answer) {
        std::lock_guard lock(m_lock);
        m_answers.push_back(answer);
    }

private:
    mutable std::mutex m_lock;
    std::vector<Shown> m_shown;
    std::deque<MessageAnswer> m_answers;
};

// An application as a test wants it: no splash, recorded messages, the given serial ports.
struct AppHarness {
    ScriptedMessages messages;
    std::unique_ptr<COrvodeskApp> app;

    explicit AppHarness(const QStringList& arguments = {}, std::vector<PortEntry> ports = {}) {
        AppOptions options;
        options.arguments = arguments;
        options.splash = false;
        options.messages = &messages;
        options.listPorts = [ports] { return ports; };
        app = std::make_unique<COrvodeskApp>(std::move(options));
        app->InitInstance();
    }
    ~AppHarness() {
        app.reset();
        // Windows and documents go by deferred deletion.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    DocumentSession* ConnectDemo(float firmware, const std::function<void(sim::SimConfig&)>& tweak = {}) {
        sim::SimConfig config;
        config.firmware = firmware;
        if (tweak)
            tweak(config);
        const QString name = firmware > 6.69f ? DemoMonitor::NAME_NEW : DemoMonitor::NAME_OLD;
        return app->Connect(name, &config);
    }
};

inline CChildFrame* FirstFrame(DocumentSession* session) {
    return session && !session->Frames().isEmpty() ? session->Frames().first() : nullptr;
}

inline COrvodeskForm* MainForm(DocumentSession* session) {
    CChildFrame* frame = FirstFrame(session);
    return frame ? qobject_cast<COrvodeskForm*>(frame->ActiveForm()) : nullptr;
}

template <class T> T* Find(QWidget* parent, const char* name) {
    return parent ? parent->findChild<T*>(QString::fromLatin1(name)) : nullptr;
}

inline QString TextOf(QWidget* form, const char* name) {
    QLabel* label = Find<QLabel>(form, name);
    return label ? label->text() : QStringLiteral("<missing %1>").arg(QLatin1String(name));
}

// Runs `action` once the next modal dialog is up (the test's own thread is inside exec()).
inline void WhenModal(std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        }
    });
    timer->start();
}

// Requests the demo monitor has received with the given command.
inline std::vector<sim::SimRequest> Received(DocumentSession* session, uint8_t command) {
    std::vector<sim::SimRequest> out;
    for (const sim::SimRequest& r : session->Demo()->Monitor().Requests())
        if (r.command == command)
            out.push_back(r);
    return out;
}

} // namespace orvo::test
