#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <string>

#include "app/AppServices.h"

namespace orvo {

class CChildFrame;
class COrvodeskDoc;
class DemoMonitor;
class FrameTrace;
class UpdateHandOff;

namespace sim {
struct SimConfig;
}

// Selectors a form sets on the document before it switches to another form.
struct FormSelectors {
    int diagnosticsMode = 0; // 0 diagnostics, 1 board test
    int k0Mode = 0;          // 0 audit, 1 calibration
    int tiltMode = 0;        // 0 audit, 1 calibration
    bool enteredFromConfigure = false;
};

// One connection: the document with its link, the bridge that brings its updates to the
// user-interface thread, the demo monitor when it is one, and the windows that show it. The
// session ends when its last window is gone.
class DocumentSession : public QObject {
    Q_OBJECT
public:
    explicit DocumentSession(const AppServices& services, QObject* parent = nullptr);
    ~DocumentSession() override;

    // Resets the document, takes the access mode from the mode word and opens the port, or
    // the demo monitor for a demo entry (or when `demo` is given). False, with the link's
    // message shown, when the port does not open.
    bool Open(const QString& portName, const QString& modeWord, const sim::SimConfig* demo = nullptr);

    COrvodeskDoc& Doc() { return *m_doc; }
    const COrvodeskDoc& Doc() const { return *m_doc; }
    const AppServices& Services() const { return m_services; }
    QString PortName() const { return m_portName; }
    DemoMonitor* Demo() const { return m_demo.get(); }
    FormSelectors& Selectors() { return m_selectors; }
    // How many times faster than real time the procedures' timers run: the demo monitor's time
    // scale, or ORVODESK_TIME_SCALE for a simulated monitor on a port; 1 for a real monitor.
    double ProcedureTimeScale() const { return m_procedureScale; }

    void AddFrame(CChildFrame* frame);
    QList<CChildFrame*> Frames() const { return m_frames; }

    // Closing is refused while a shift is programmed or cleared, and while a window's form
    // must not be left (a download running).
    bool CanCloseDocument() const;
    // Closes the link (powering a stopped or programmed monitor down); false when refused.
    // The windows' forms leave first, and what they queue on leaving (a procedure's safe
    // state) reaches a monitor that answers before the link goes.
    bool CloseDocument();
    bool IsClosed() const { return m_closed; }

signals:
    // The last window is gone; the session deletes itself afterwards.
    void Finished(DocumentSession* session);

private:
    void OnFrameDestroyed(QObject* frame);
    void LeaveForms();

    AppServices m_services;
    std::unique_ptr<DemoMonitor> m_demo;
    std::unique_ptr<FrameTrace> m_trace; // ORVODESK_TRACE: every frame on stderr, for support
    std::string m_tracePrefix;
    std::unique_ptr<COrvodeskDoc> m_doc;
    std::shared_ptr<UpdateHandOff> m_handOff;
    QString m_portName;
    QList<CChildFrame*> m_frames;
    FormSelectors m_selectors;
    bool m_closed = false;
    double m_procedureScale = 1.0;
};

} // namespace orvo
