#include "app/DocumentSession.h"

#include "SimTypes.h"
#include "app/DemoMonitor.h"
#include "app/DocUpdateBridge.h"
#include "forms/CFormView.h"
#include "frame/CChildFrame.h"
#include "link/FrameTrace.h"
#include "model/COrvodeskDoc.h"
#include "platform/MessageService.h"
#include "platform/UpdateHandOff.h"
#include "port/QtSerialPort.h"

#include <chrono>
#include <cmath>
#include <thread>

namespace orvo {

namespace {

// A simulated monitor may run faster than real time (its time scale); the procedures' timers
// then run as fast. Anything else reads as real time.
double ProcedureScale(double scale) {
    return std::isfinite(scale) && scale >= 1.0 && scale <= 1000.0 ? scale : 1.0;
}

double ScaleFromEnvironment() {
    bool ok = false;
    const double scale = qEnvironmentVariable("ORVODESK_TIME_SCALE").toDouble(&ok);
    return ok ? ProcedureScale(scale) : 1.0;
}

// How long closing waits for the forms' last requests to be answered.
constexpr auto kLeaveBound = std::chrono::milliseconds(2000);

} // namespace

DocumentSession::DocumentSession(const AppServices& services, QObject* parent)
    : QObject(parent), m_services(services),
      m_doc(std::make_unique<COrvodeskDoc>(services.clock, services.zone, services.messages)) {
    m_handOff = DocUpdateBridge::Attach(*m_doc);
}

DocumentSession::~DocumentSession() {
    // The document cancels its hand-off and joins the link thread before anything else goes.
    m_doc.reset();
    m_demo.reset();
    m_trace.reset();
}

bool DocumentSession::Open(const QString& portName, const QString& modeWord, const sim::SimConfig* demo) {
    m_portName = portName;
    m_procedureScale = demo                                ? ProcedureScale(demo->timeScale)
                       : DemoMonitor::IsDemoName(portName) ? 1.0
                                                           : ScaleFromEnvironment();
    m_doc->BeginConnection(modeWord.toStdString());
    SerialPortFactory factory;
    if (demo || DemoMonitor::IsDemoName(portName)) {
        m_demo = std::make_unique<DemoMonitor>(demo ? *demo : DemoMonitor::ConfigFor(portName),
                                               m_services.clock, m_services.zone);
        factory = m_demo->PortFactory();
    } else {
        factory = [] { return std::make_unique<QtSerialPort>(); };
    }
    if (!qEnvironmentVariableIsEmpty("ORVODESK_TRACE")) {
        m_tracePrefix = portName.toStdString() + " ";
        m_trace = std::make_unique<StreamFrameTrace>(stderr, m_tracePrefix.c_str());
        m_doc->Link().SetTrace(m_trace.get());
    }
    return m_doc->OpenConnection(portName.toStdString(), std::move(factory));
}

void DocumentSession::AddFrame(CChildFrame* frame) {
    m_frames.append(frame);
    connect(frame, &QObject::destroyed, this, &DocumentSession::OnFrameDestroyed);
}

bool DocumentSession::CanCloseDocument() const {
    if (!m_doc->CanClose())
        return false;
    for (CChildFrame* frame : m_frames)
        if (CFormView* form = frame->ActiveForm(); form && form->BlocksClose())
            return false;
    return true;
}

bool DocumentSession::CloseDocument() {
    if (m_closed)
        return true;
    if (!CanCloseDocument())
        return false;
    LeaveForms();
    if (!m_doc->Close())
        return false;
    m_closed = true;
    return true;
}

void DocumentSession::LeaveForms() {
    bool flush = false;
    for (CChildFrame* frame : m_frames)
        if (CFormView* form = frame->ActiveForm())
            flush = form->OnLeave() || flush;
    // Closing the link drops whatever is still queued: let a monitor that answers have the
    // forms' last requests first. The link thread may be waiting on the views meanwhile.
    const auto deadline = std::chrono::steady_clock::now() + kLeaveBound;
    while (flush && m_doc->Connected() && m_doc->Link().QueueLength() > 0 &&
           std::chrono::steady_clock::now() < deadline) {
        m_handOff->Drain();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void DocumentSession::OnFrameDestroyed(QObject* frame) {
    m_frames.removeIf([frame](CChildFrame* f) { return static_cast<QObject*>(f) == frame; });
    if (!m_frames.isEmpty())
        return;
    // A window that went without a close (the main window destroyed) still ends the
    // connection the usual way. A busy document is left to its destructor, which cancels
    // the hand-off and closes the link without touching the monitor.
    if (!m_closed)
        m_closed = m_doc->Close();
    emit Finished(this);
    deleteLater();
}

} // namespace orvo
