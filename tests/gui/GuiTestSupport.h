#pragma once

// Shared pieces of the widget tests: a registry of test classes, an application with the demo
// monitor at hand at virtual time, and the shift form filled in as a user would.

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QObject>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FormTestSupport.h" // the message service that records and answers
#include "SimMonitor.h"
#include "app/COrvodeskApp.h"
#include "app/DemoMonitor.h"
#include "app/DocumentSession.h"
#include "forms/COrvodeskForm.h"
#include "forms/CShiftForm.h"
#include "frame/CChildFrame.h"
#include "frame/CMainFrame.h"

namespace orvo::test {

// Bounds in real time. The demo monitor runs on the harness's virtual clock: its time moves
// only as the link handles requests, so a poll takes microseconds, not a quarter second.
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

// An application as a test wants it: no splash, recorded messages, the given serial ports, and
// a virtual clock starting on Tuesday 2023-11-14 17:13:20 in New York (TZ is set for the run).
struct AppHarness {
    ScriptedMessages messages;
    VirtualClock clock{1'700'000'000'000LL};
    std::unique_ptr<COrvodeskApp> app;

    explicit AppHarness(const QStringList& arguments = {}, std::vector<PortEntry> ports = {}) {
        AppOptions options;
        options.arguments = arguments;
        options.splash = false;
        options.messages = &messages;
        options.listPorts = [ports] { return ports; };
        options.clock = &clock;
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
    QDateTime Now() const { return QDateTime::fromMSecsSinceEpoch(clock.NowMs()); }
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

// The shift form on a connected demo monitor (warm-up 35 minutes), once it shows the monitor's
// program.
inline CShiftForm* OpenShiftForm(AppHarness& harness, float firmware, DocumentSession** out = nullptr) {
    DocumentSession* session = harness.ConnectDemo(firmware);
    if (!session)
        return nullptr;
    if (out)
        *out = session;
    COrvodeskForm* main = MainForm(session);
    // The main form has read register 12 once connected.
    if (!QTest::qWaitFor(
            [&] {
                return main->Button(MainButton::ProgramShift)->isEnabled() &&
                       session->Doc().Registers().Value(12) == 2100.0;
            },
            kConnectMs))
        return nullptr;
    QTest::mouseClick(main->Button(MainButton::ProgramShift), Qt::LeftButton);
    auto* form = qobject_cast<CShiftForm*>(FirstFrame(session)->ActiveForm());
    if (!form ||
        !QTest::qWaitFor([&] { return !Find<QLineEdit>(form, "dustStandard")->text().isEmpty(); }, kChangeMs))
        return nullptr;
    return form;
}

inline void Type(QWidget* form, const char* name, const QString& text) {
    auto* edit = Find<QLineEdit>(form, name);
    QVERIFY2(edit, name);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

inline void Choose(QWidget* form, const char* name, int row) {
    auto* combo = Find<QComboBox>(form, name);
    QVERIFY2(combo, name);
    combo->setCurrentIndex(row);
    emit combo->activated(row);
}

// Entries that pass every check in standard mode, Sunday only, eight hours, the start
// `minutesAhead` from the harness's now.
inline void EnterValid(AppHarness& harness, CShiftForm* form, int minutesAhead) {
    for (const auto& [name, text] : {std::pair{"wearerId", "1234"},
                                     {"mineId", "4601234"},
                                     {"contractorCode", "AB1"},
                                     {"mineName", "North Portal"},
                                     {"companyName", "Coal Co"},
                                     {"mmu", "0010"},
                                     {"dustStandard", "2.2"}})
        Type(form, name, QString::fromLatin1(text));
    for (const auto& [name, row] :
         {std::pair{"occupation", FindOccupation(36)}, {"sampleType", 0}, {"temperature", 2}})
        Choose(form, name, row);
    form->DayBox(0)->click();
    auto* duration = qobject_cast<QAbstractSpinBox*>(form->Field(ShiftField::Duration));
    duration->selectAll();
    QTest::keyClicks(duration, QStringLiteral("8:00"));
    Find<QDateTimeEdit>(form, "sampleStart")->setDateTime(harness.Now().addSecs(minutesAhead * 60));
}

} // namespace orvo::test
