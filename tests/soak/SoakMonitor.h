#pragma once

#include <QPointer>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "SimTypes.h"
#include "UpdateLatencyProbe.h"

namespace orvo {
class CChildFrame;
class COrvodeskApp;
class DocumentSession;
namespace sim {
class InMemoryWire;
class SimMonitor;
} // namespace sim
} // namespace orvo

namespace orvo::soak {

// What one monitor's windows went through.
struct MonitorFigures {
    int downloads = 0;         // completed, saved and compared
    int mismatches = 0;        // files that differ from the fault-free download
    int restartsLostLink = 0;  // downloads the window left because the link was lost
    int restartsStalled = 0;   // downloads cancelled because no item arrived for a while
    int listingsRestarted = 0; // listings that never completed
    int reloads = 0;           // Reload All pressed in the register window
};

// One simulated monitor on its own in-memory cable, connected through a document session with
// three windows: the main window (download form, results), a live graph and the register list.
// Tick() plays the user: it lists, downloads, saves the CSV and MSHA files and compares them.
class SoakMonitor {
public:
    enum class Phase { Reference, Load, Drain };

    SoakMonitor(int index, uint32_t seed, COrvodeskApp& app, const QString& folder);
    ~SoakMonitor();

    bool Connected() const;
    // Connected, and a newer monitor's serial text read: the files carry it.
    bool Identified() const;
    // The graph and register windows, once connected; false when a window cannot be made.
    bool OpenServiceWindows();
    void Tick(Phase phase, int64_t nowMs, std::mt19937& random);
    // Every stored sample has its fault-free files.
    bool HasAllReferences() const;
    // No download in flight: the window can close.
    bool Idle() const { return m_step == Step::Open || m_step == Step::Listing; }

    // Faults. Outages end by themselves at EndOutages or when their time is up.
    void Inject(sim::Fault fault, int count);
    void StartSilence(int64_t untilMs);
    void StartUnplug(int64_t untilMs);
    bool InOutage() const { return m_outageUntil != 0; }
    void EndOutages(int64_t nowMs, bool all);

    // Closes each window through its frame, as the user's close button does; true when all went.
    bool CloseWindows();
    bool SessionGone() const { return m_session.isNull(); }

    DocumentSession* Session() const { return m_session.data(); }
    test::UpdateLatencyProbe& Probe() { return m_probe; }
    const MonitorFigures& Figures() const { return m_figures; }
    const std::string& Problems() const { return m_problems; }
    const sim::SimConfig& Config() const { return m_config; }

private:
    enum class Step { Open, Listing, Downloading, Results };

    void TickDownload(Phase phase, int64_t nowMs, std::mt19937& random);
    void SaveAndCompare();
    void Problem(const std::string& text);

    int m_index;
    COrvodeskApp& m_app;
    QString m_folder;
    sim::SimConfig m_config;
    std::shared_ptr<sim::SimMonitor> m_sim;
    std::shared_ptr<sim::InMemoryWire> m_wire;
    test::UpdateLatencyProbe m_probe; // outlives the session: the link thread traces into it
    QPointer<DocumentSession> m_session;
    QPointer<CChildFrame> m_main, m_graph, m_registers;

    Step m_step = Step::Open;
    int64_t m_since = 0;
    uint64_t m_progress = 0;
    std::string m_target; // entry of the sample being downloaded
    std::map<std::string, std::pair<std::string, std::string>> m_reference; // entry -> CSV, MSHA
    int64_t m_nextReload = 0;
    int64_t m_outageUntil = 0;
    bool m_silent = false;
    bool m_unplugged = false;
    int m_saved = 0;
    MonitorFigures m_figures;
    std::string m_problems;
};

} // namespace orvo::soak
