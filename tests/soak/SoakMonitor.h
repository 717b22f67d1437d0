#pragma once

#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "InMemoryPort.h"
#include "SimMonitor.h"
#include "app/COrvodeskApp.h"
#include "app/DocumentSession.h"
#include "forms/CDLCompleteForm.h"
#include "forms/CDownloadForm.h"
#include "forms/CGraphForm.h"
#include "forms/CInteractForm.h"
#include "frame/CChildFrame.h"
#include "frame/CMainFrame.h"
#include "platform/Clock.h"

namespace orvo::soak {

constexpr int64_t kListingMs = 15000; // a listing whose chain broke (a request refused six times)
constexpr int64_t kStallMs = 10000;   // a transfer whose next block was refused six times

// The document's last view: counts the updates that reached the user-interface thread.
struct UpdateCounter final : IDocView {
    void OnDocUpdate(uint32_t, intptr_t) override { ++count; }
    uint64_t count = 0;
};

// One simulated monitor on its own in-memory cable, connected through a document session with
// three windows: the main window (download form, results), a live graph and the register list.
// Tick() plays the user: it lists, downloads, saves the CSV and MSHA files and compares them.
class SoakMonitor {
public:
    enum class Phase { Reference, Load, Drain };

    SoakMonitor(int index, uint32_t seed, COrvodeskApp& app, const QString& folder)
        : m_index(index), m_app(app), m_folder(folder) {
        // Mixed firmware: both classes, and 6.69, which counts as new; records span blocks.
        static const float kFirmware[] = {7.0f, 6.5f, 6.69f, 6.2f};
        m_config.firmware = kFirmware[index % 4];
        m_config.serialNumber = 2000001u + uint32_t(index);
        m_config.serialText = "SOAK" + std::to_string(1000 + index);
        m_config.seed = seed * 97u + uint32_t(index);
        m_config.storedSamples = 2 + index % 2;
        m_config.recordsPerSample = 30 + 15 * (index % 4);
        m_config.maxItemsPerBlock = 23 + 14 * (index % 5);
        m_sim = std::make_shared<sim::SimMonitor>(m_config, SystemClock::Instance(), app.Services().zone);
        m_sim->SetRequestLimit(1000);
        m_wire = std::make_shared<sim::InMemoryWire>(m_sim, SystemClock::Instance());
        m_wire->SetWriteLimit(1000);
        auto* session = new DocumentSession(app.Services());
        m_session = session;
        COrvodeskDoc& doc = session->Doc();
        doc.BeginConnection(app.ModeWord().toStdString());
        const std::string name = "soak" + std::to_string(100 + index).substr(1);
        if (!doc.OpenConnection(name, m_wire->Factory())) {
            Problem("the port did not open");
            delete session;
            return;
        }
        m_main = app.MainFrame()->OpenWindow(*session, FormKind::Main);
        if (!m_main)
            Problem("no main window");
    }

    bool Connected() const { return m_session && m_session->Doc().Connected(); }
    // Connected, and a newer monitor's serial text read: the files carry it.
    bool Identified() const {
        return Connected() && (!m_session->Doc().NewFirmware() || m_session->Doc().SerialTextKnown());
    }
    // The graph and register windows, once connected.
    void OpenServiceWindows() {
        if (!m_session)
            return;
        CMainFrame* frame = m_app.MainFrame();
        m_graph = frame->OpenWindow(*m_session, FormKind::Graph);
        m_registers = frame->OpenWindow(*m_session, FormKind::Interact);
        auto* graph = m_graph ? qobject_cast<CGraphForm*>(m_graph->ActiveForm()) : nullptr;
        if (!graph || !m_registers) {
            Problem("the graph or register window did not open");
            return;
        }
        // The measured registers move on the simulated monitor: temperatures, pressures, flow, mass.
        static const int kPlotted[] = {28, 41, 54, 60, 66, 67, 73, 79, 86, 92, 104, 105, 107, 110, 111};
        GraphFormLogic& logic = graph->Logic();
        logic.SetHistoryText("64");
        logic.SetUpdateText("0.5");
        for (int i = 0; i < 5 + 5 * (m_index % 3); ++i)
            logic.AddRegister(kPlotted[i]);
        // Last in view order: an update counted here went through every form.
        m_session->Doc().AddView(&m_updates);
    }
    // Every stored sample has its fault-free files.
    bool HasAllReferences() const { return int(m_reference.size()) >= m_config.storedSamples; }
    void Tick(Phase phase, int64_t nowMs, std::mt19937& random) {
        EndOutages(nowMs, false);
        if (!m_session)
            return;
        TickDownload(phase, nowMs, random);
        if (phase == Phase::Drain || nowMs < m_nextReload || !m_registers)
            return;
        m_nextReload = nowMs + 4000 + int64_t(random() % 8000);
        auto* registers = qobject_cast<CInteractForm*>(m_registers->ActiveForm());
        QPushButton* reload = registers ? registers->ControlButton(InteractControl::ReloadAll) : nullptr;
        if (reload && reload->isEnabled() && !QApplication::activeModalWidget())
            reload->click();
    }
    // No download in flight: the window can close.
    bool Idle() const { return m_step == Step::Open || m_step == Step::Listing; }

    // Faults. Outages end by themselves at EndOutages or when their time is up.
    void Inject(sim::Fault fault, int count) { m_sim->InjectFault(fault, count); }
    // A silent monitor or a pulled cable until `untilMs`.
    void StartOutage(bool silence, int64_t untilMs) {
        silence ? m_sim->SetSilent(true) : m_wire->Unplug();
        m_outageUntil = untilMs;
    }
    bool InOutage() const { return m_outageUntil != 0; }
    void EndOutages(int64_t nowMs, bool all) {
        if (m_outageUntil == 0 || (!all && nowMs < m_outageUntil))
            return;
        m_sim->SetSilent(false);
        m_wire->Replug();
        m_outageUntil = 0;
    }

    // Closes each window through its frame, as the user's close button does; true when all went.
    bool CloseWindows() {
        // A window showing another form goes back to the main status form first, as for the user.
        for (QPointer<CChildFrame>* frame : {&m_registers, &m_graph, &m_main}) {
            for (int attempt = 0; attempt < 3 && !frame->isNull(); ++attempt) {
                (*frame)->close();
                QCoreApplication::processEvents();
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            }
            if (!frame->isNull()) {
                Problem("a window did not close");
                return false;
            }
        }
        return true;
    }
    bool SessionGone() const { return m_session.isNull(); }

    uint64_t Updates() const { return m_updates.count; }
    int Downloads() const { return m_downloads; } // completed under faults, saved and compared
    const std::string& Problems() const { return m_problems; }

private:
    enum class Step { Open, Listing, Downloading, Results };

    void TickDownload(Phase phase, int64_t nowMs, std::mt19937& random) {
        if (!m_main)
            return;
        CFormView* form = m_main->ActiveForm();
        const FormKind kind = form ? form->Kind() : FormKind::Main;
        auto* download = qobject_cast<CDownloadForm*>(form);
        switch (m_step) {
        case Step::Open:
            if (phase == Phase::Drain)
                return;
            // The fault-free files are made once a newer monitor's serial text is known: they carry it.
            if (phase == Phase::Reference && !Identified())
                return;
            if (kind == FormKind::Download ||
                (kind == FormKind::Main && Connected() && m_main->SwitchToView(FormKind::Download))) {
                m_step = Step::Listing;
                m_since = nowMs;
            }
            return;
        case Step::Listing: {
            if (kind == FormKind::Main) {
                m_step = Step::Open;
                return;
            }
            if (!download || phase == Phase::Drain || QApplication::activeModalWidget())
                return;
            const std::vector<std::string>& entries = download->Logic().Entries();
            if (int(entries.size()) < m_config.storedSamples) {
                if (nowMs - m_since > kListingMs) {
                    download->CancelButton()->click(); // not downloading: back to the main form
                    m_step = Step::Open;
                }
                return;
            }
            // First each sample once without faults; then any of them, under faults.
            int line = -1;
            for (size_t i = 0; i < entries.size() && line < 0; ++i)
                if (!m_reference.count(entries[i]))
                    line = int(i);
            if (phase == Phase::Load && line >= 0) {
                Problem("a sample appeared that had no fault-free download: " + entries[size_t(line)]);
                line = -1;
            }
            if (line < 0 && phase == Phase::Load)
                line = int(random() % entries.size());
            if (line < 0)
                return;
            download->List()->setCurrentRow(line);
            if (!download->DownloadButton()->isEnabled())
                return;
            m_target = entries[size_t(line)];
            download->DownloadButton()->click();
            m_step = Step::Downloading;
            m_since = nowMs;
            m_progress = 0;
            return;
        }
        case Step::Downloading:
            if (kind == FormKind::DownloadComplete) {
                m_step = Step::Results;
            } else if (kind == FormKind::Main) { // the window left the transfer with the link
                m_step = Step::Open;
            } else if (download && !download->Logic().Downloading()) {
                m_step = Step::Listing;
                m_since = nowMs;
            } else if (download && download->Logic().ProgressPosition() != m_progress) {
                m_progress = download->Logic().ProgressPosition();
                m_since = nowMs;
            } else if (download && nowMs - m_since > kStallMs) {
                download->CancelButton()->click();
                m_step = Step::Listing;
                m_since = nowMs;
            }
            return;
        case Step::Results:
            if (kind != FormKind::DownloadComplete) {
                Problem("the results form went away by itself");
                m_step = Step::Open;
                return;
            }
            if (QApplication::activeModalWidget())
                return; // its status list, closed by the soak's next tick
            SaveAndCompare();
            static_cast<CDLCompleteForm*>(form)->CancelButton()->click(); // back to the download form
            m_step = Step::Listing;
            m_since = nowMs;
            return;
        }
    }
    void SaveAndCompare() {
        auto* results = static_cast<CDLCompleteForm*>(m_main->ActiveForm());
        const QString base = QStringLiteral("%1/m%2-%3").arg(m_folder).arg(m_index).arg(++m_saved);
        results->SetFileChooser(
            [base](QWidget*, const FileRequest& request) { return base + '.' + request.defaultSuffix; });
        results->SaveDataButton()->click(); // the CSV file, then the MSHA file
        const auto read = [&](const char* suffix) {
            QFile file(base + suffix);
            return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
        };
        const std::string csv = read(".CSV"), msha = read(".MSHA");
        if (csv.empty() || msha.empty()) {
            Problem("download " + std::to_string(m_saved) + ": the files were not written");
            return;
        }
        const auto reference = m_reference.find(m_target);
        if (reference == m_reference.end()) {
            m_reference.emplace(m_target, std::make_pair(csv, msha));
            return; // kept: the fault-free download of this sample
        }
        ++m_downloads;
        if (csv != reference->second.first || msha != reference->second.second) {
            Problem("download " + std::to_string(m_saved) +
                    " differs from the fault-free one (files kept: " + base.toStdString() + ".*)");
            return;
        }
        QFile::remove(base + ".CSV");
        QFile::remove(base + ".MSHA");
    }
    void Problem(const std::string& text) {
        m_problems += "monitor " + std::to_string(m_index) + ": " + text + "\n";
    }

    int m_index;
    COrvodeskApp& m_app;
    QString m_folder;
    sim::SimConfig m_config;
    std::shared_ptr<sim::SimMonitor> m_sim;
    std::shared_ptr<sim::InMemoryWire> m_wire;
    UpdateCounter m_updates;
    QPointer<DocumentSession> m_session;
    QPointer<CChildFrame> m_main, m_graph, m_registers;

    Step m_step = Step::Open;
    int64_t m_since = 0;
    uint64_t m_progress = 0;
    std::string m_target; // entry of the sample being downloaded
    std::map<std::string, std::pair<std::string, std::string>> m_reference; // entry -> CSV, MSHA
    int64_t m_nextReload = 0;
    int64_t m_outageUntil = 0;
    int m_saved = 0;
    int m_downloads = 0;
    std::string m_problems;
};

} // namespace orvo::soak
