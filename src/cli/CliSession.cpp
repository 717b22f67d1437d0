#include "CliSession.h"

#include <chrono>

#include "InMemoryPort.h"
#include "SimMonitor.h"
#include "platform/Clock.h"
#include "platform/Format.h"
#include "port/QtSerialPort.h"

namespace orvo {

namespace {

using SteadyClock = std::chrono::steady_clock;

SteadyClock::duration Seconds(double seconds) {
    return std::chrono::duration_cast<SteadyClock::duration>(std::chrono::duration<double>(seconds));
}

} // namespace

CliSession::CliSession(SessionOptions options, const TimeZoneSource& zone)
    : m_options(std::move(options)), m_zone(zone),
      m_doc(std::make_unique<COrvodeskDoc>(SystemClock::Instance(), m_zone, m_messages)) {
    m_doc->AddView(this);
}

CliSession::~CliSession() {
    Close();
    m_doc->RemoveView(this);
}

int CliSession::Connect() {
    SerialPortFactory factory;
    std::string portName = m_options.port;
    if (m_options.demo) {
        sim::SimConfig config;
        config.firmware = m_options.demoFirmware;
        config.timeScale = m_options.timeScale;
        auto monitor = std::make_shared<sim::SimMonitor>(config, SystemClock::Instance(), m_zone);
        m_wire = std::make_shared<sim::InMemoryWire>(std::move(monitor), SystemClock::Instance());
        factory = m_wire->Factory();
        portName = "demo";
    } else {
        factory = [] { return std::make_unique<QtSerialPort>(); };
    }
    if (m_options.trace)
        m_doc->Link().SetTrace(&m_trace);

    m_doc->BeginConnection("");
    if (!m_doc->OpenConnection(portName, std::move(factory)))
        return EXIT_FAILED; // the link has printed why

    // Before identification a lost link is only a probe that went unanswered (an older monitor
    // refuses the newer status request): keep asking until the time-out.
    std::unique_lock lock(m_lock);
    const bool identified = m_changed.wait_until(lock, SteadyClock::now() + Seconds(m_options.timeoutSeconds),
                                                 [this] { return m_progress.identified > 0; });
    if (!identified) {
        lock.unlock();
        PrintError("no answer from the monitor on " + portName + " within " +
                   FormatGeneral(m_options.timeoutSeconds) + " s");
        return EXIT_NO_ANSWER;
    }
    return EXIT_OK;
}

void CliSession::Close() {
    if (!m_doc->Link().IsOpen())
        return;
    m_doc->Close();
    m_doc->Link().SetTrace(nullptr);
}

sim::SimMonitor* CliSession::DemoMonitor() const {
    return m_wire ? m_wire->Sim().get() : nullptr;
}

SessionProgress CliSession::Progress() const {
    std::lock_guard lock(m_lock);
    return m_progress;
}

void CliSession::OnDocUpdate(uint32_t flags, intptr_t value) {
    // The link thread holds none of the document's locks while it tells its views.
    const bool connected = (flags & UPDATE_IDENTITY) != 0 && m_doc->Connected();
    {
        std::lock_guard lock(m_lock);
        SessionProgress& p = m_progress;
        if (flags & UPDATE_IDENTITY)
            ++(connected ? p.identified : p.dropped);
        if ((flags & UPDATE_REGISTER) && PrcTable::IsValid(int(value)))
            ++p.registers[size_t(value)];
        if (flags & UPDATE_RECORD_FRONT)
            ++(value == RECORD_INSERTED_AT_FRONT ? p.recordsInserted : p.listingsEnded);
        if (flags & UPDATE_RECORD_APPENDED)
            ++(value != 0 ? p.recordsAppended : p.transfersEnded);
        if (flags & UPDATE_TEMPLATE_NAME)
            ++p.fences;
        if (flags & UPDATE_SERIAL_TEXT)
            ++p.serialTexts;
    }
    m_changed.notify_all();
}

int CliSession::WaitUntil(const std::function<bool(const SessionProgress&)>& done,
                          const std::function<uint64_t(const SessionProgress&)>& activity,
                          const SessionProgress& since) {
    const auto timeout = Seconds(m_options.timeoutSeconds);
    std::unique_lock lock(m_lock);
    uint64_t seen = activity ? activity(m_progress) : 0;
    auto deadline = SteadyClock::now() + timeout;
    for (;;) {
        if (m_progress.dropped > since.dropped) {
            lock.unlock();
            PrintError("the monitor stopped answering");
            return EXIT_NO_ANSWER;
        }
        if (done(m_progress))
            return EXIT_OK;
        if (activity && activity(m_progress) != seen) {
            seen = activity(m_progress);
            deadline = SteadyClock::now() + timeout;
        }
        if (SteadyClock::now() >= deadline) {
            lock.unlock();
            PrintError("no answer from the monitor");
            return EXIT_NO_ANSWER;
        }
        m_changed.wait_until(lock, deadline);
    }
}

CliSession::Exchanged CliSession::Exchange(const std::function<bool(CDeviceLink&)>& queue) {
    Exchanged result;
    result.before = Progress();
    // Queued from this thread while the link thread may be answering: nothing of ours is locked.
    if (!queue(m_doc->Link()) || !m_doc->Link().RequestTemplateName()) {
        PrintError("the request could not be queued");
        result.status = EXIT_FAILED;
        return result;
    }
    const uint64_t fences = result.before.fences;
    result.status =
        WaitUntil([fences](const SessionProgress& p) { return p.fences > fences; }, nullptr, result.before);
    return result;
}

} // namespace orvo
