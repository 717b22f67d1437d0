// orvo-sim: a simulated monitor on a pseudo-terminal, for end-to-end tests and demonstrations.
//
// Prints the terminal's device path as its first line; a host opens that path as its serial port.
// SIGUSR1 pulls and replugs the cable (toggles silence); SIGUSR2 is a technician adding a 0.9 mg
// reference weight to the transducer's filter (taking the transducer out and fitting it again), as
// the K0 procedures ask; SIGINT, SIGTERM and SIGHUP end it. The
// instrument behind the registers (heaters, transducer, tilt, pump, leaks) follows its own dynamics;
// --fault, --inlet and the leak rates set up the calibration procedures' cases.

#include "SimMonitor.h"
#include "link/FrameCodec.h"
#include "platform/Clock.h"
#include "platform/TimeZoneSource.h"

#include <CLI/CLI.hpp>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

using namespace orvo;
using namespace orvo::sim;

namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int signal) {
    const int saved = errno;
    const char c = signal == SIGUSR1 ? 'u' : signal == SIGUSR2 ? 'w' : 'q';
    [[maybe_unused]] ssize_t n = write(g_signalPipe[1], &c, 1);
    errno = saved;
}

bool InstallSignals() {
    if (pipe(g_signalPipe) != 0)
        return false;
    for (int fd : g_signalPipe) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGUSR1, SIGUSR2, SIGINT, SIGTERM, SIGHUP})
        if (sigaction(s, &action, nullptr) != 0)
            return false;
    signal(SIGPIPE, SIG_IGN);
    return true;
}

int64_t MonotonicNs() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

int64_t LineNanos(int64_t bytes) {
    return bytes * 10 * 1'000'000'000LL / 19200;
}

// Logs every complete frame that passes in one direction.
class Tracer {
public:
    explicit Tracer(const char* direction) : m_direction(direction) {}

    void Feed(const uint8_t* data, size_t length) {
        for (size_t i = 0; i < length; ++i) {
            if (!m_receiver.Feed(data[i]))
                continue;
            const uint8_t* body = m_receiver.Body();
            const size_t n = m_receiver.Length();
            std::string line = m_direction;
            if (n >= 2) {
                char head[64];
                std::snprintf(head, sizeof head, " cmd %u seq %u%s:", body[0], body[1],
                              BodyCheckValid(body, n) ? "" : " BAD CHECK");
                line += head;
            }
            for (size_t k = 2; k + 2 < n; ++k) {
                char hex[4];
                std::snprintf(hex, sizeof hex, " %02X", body[k]);
                line += hex;
            }
            std::fprintf(stderr, "%s\n", line.c_str());
        }
    }

private:
    const char* m_direction;
    FrameReceiver m_receiver;
};

struct Outgoing {
    int64_t readyNs;
    uint8_t byte;
};

constexpr double kReferenceWeightMg = 0.9;

// More than this waiting for a host that does not read is thrown away.
constexpr size_t kMaxPending = 64 * 1024;

} // namespace

int main(int argc, char** argv) {
    SimConfig config;
    std::string linkPath;
    bool pace = false;
    bool silent = false;
    bool trace = false;

    CLI::App app{"Simulated monitor on a pseudo-terminal"};
    app.add_option("--firmware", config.firmware, "Firmware version (below 6.69: the old protocol)")
        ->capture_default_str();
    app.add_option("--serial", config.serialNumber, "Serial number")->capture_default_str();
    app.add_option("--serial-text", config.serialText, "Serial number text (new firmware, at most 12 bytes)")
        ->capture_default_str();
    app.add_option("--template", config.templateName, "Logging template name")->capture_default_str();
    app.add_option("--seed", config.seed, "Seed of the generated data")->capture_default_str();
    app.add_option("--samples", config.storedSamples, "Stored samples")
        ->capture_default_str()
        ->check(CLI::Range(0, 255));
    app.add_option("--records", config.recordsPerSample, "Data records per stored sample")
        ->capture_default_str()
        ->check(CLI::NonNegativeNumber);
    app.add_option("--service-records", config.serviceLogRecords, "Service log records")
        ->capture_default_str()
        ->check(CLI::NonNegativeNumber);
    app.add_option("--block-items", config.maxItemsPerBlock, "Items per data block")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    app.add_option("--time-scale", config.timeScale,
                   "Programmed shifts and the instrument's dynamics run this many times faster")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    std::vector<std::string> faults;
    app.add_option("--fault", faults,
                   "Hardware fault: heater (never settles), frequency (frozen), "
                   "case-leak, membrane (missing); may be repeated")
        ->check(CLI::IsMember({"heater", "frequency", "case-leak", "membrane"}));
    std::string inlet = "open";
    app.add_option("--inlet", inlet,
                   "What is fitted to the inlet: open, plug (leak check), adapter (case check)")
        ->capture_default_str()
        ->check(CLI::IsMember({"open", "plug", "adapter"}));
    app.add_option("--path-leak", config.pathLeak,
                   "mm Hg/s the plugged sample path leaks back at 200 mm Hg below ambient")
        ->capture_default_str()
        ->check(CLI::NonNegativeNumber);
    app.add_option("--case-leak", config.caseLeak, "The same for the case")
        ->capture_default_str()
        ->check(CLI::NonNegativeNumber);
    app.add_option("--link", linkPath, "Also make a symbolic link PATH to the terminal");
    app.add_flag("--pace", pace, "Send answers at 19200 baud");
    app.add_flag("--silent", silent, "Answer nothing from the start (a pulled cable)");
    app.add_flag("--trace", trace, "Log requests and answers in hex on stderr");
    CLI11_PARSE(app, argc, argv);
    for (const std::string& fault : faults) {
        config.faults.heaterUnstable |= fault == "heater";
        config.faults.frequencyFrozen |= fault == "frequency";
        config.faults.caseLeak |= fault == "case-leak";
        config.faults.membraneMissing |= fault == "membrane";
    }
    config.inlet = inlet == "plug"      ? SimInlet::Plugged
                   : inlet == "adapter" ? SimInlet::CaseAdapter
                                        : SimInlet::Open;

    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("orvo-sim: pseudo-terminal");
        return 1;
    }
    const char* name = ptsname(master);
    if (!name) {
        std::perror("orvo-sim: ptsname");
        return 1;
    }
    const std::string slavePath = name;
    // Held open for the whole run: when the host closes its side the master then sees no hang-up (EIO).
    const int slave = open(slavePath.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0) {
        std::perror("orvo-sim: open terminal");
        return 1;
    }
    termios tio{};
    if (tcgetattr(slave, &tio) == 0) {
        cfmakeraw(&tio);
        cfsetispeed(&tio, B19200);
        cfsetospeed(&tio, B19200);
        tcsetattr(slave, TCSANOW, &tio);
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    bool linked = false;
    if (!linkPath.empty()) {
        struct stat st {};
        if (lstat(linkPath.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                std::fprintf(stderr, "orvo-sim: %s exists and is not a symbolic link\n", linkPath.c_str());
                return 1;
            }
            unlink(linkPath.c_str()); // left behind by an earlier run
        }
        if (symlink(slavePath.c_str(), linkPath.c_str()) != 0) {
            std::perror("orvo-sim: symlink");
            return 1;
        }
        linked = true;
    }

    if (!InstallSignals()) {
        std::perror("orvo-sim: signals");
        return 1;
    }

    SimMonitor sim(config, SystemClock::Instance(), SystemTimeZone::Instance());
    sim.SetSilent(silent);
    sim.SetRequestLimit(1024);

    std::printf("%s\n", slavePath.c_str());
    std::fflush(stdout);

    Tracer hostTrace("->");
    Tracer simTrace("<-");
    std::deque<Outgoing> pending;
    int64_t toHostFreeNs = 0;
    bool running = true;
    double weights = 0.0; // mg added by SIGUSR2
    std::vector<uint8_t> answer;
    uint8_t buffer[4096];

    while (running) {
        const int64_t now = MonotonicNs();
        int timeoutMs = -1;
        bool wantWrite = false;
        if (!pending.empty()) {
            if (pending.front().readyNs <= now)
                wantWrite = true;
            else
                timeoutMs = int((pending.front().readyNs - now + 999'999) / 1'000'000);
        }

        pollfd fds[2] = {{master, short(POLLIN | (wantWrite ? POLLOUT : 0)), 0},
                         {g_signalPipe[0], POLLIN, 0}};
        const int ready = poll(fds, 2, timeoutMs);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            std::perror("orvo-sim: poll");
            break;
        }

        if (fds[1].revents & POLLIN) {
            char c;
            while (read(g_signalPipe[0], &c, 1) == 1) {
                if (c == 'q') {
                    running = false;
                } else if (c == 'w') {
                    sim.SetTransducerInstalled(false);
                    sim.AddWeight(kReferenceWeightMg);
                    sim.SetTransducerInstalled(true);
                    weights += kReferenceWeightMg;
                    std::fprintf(stderr, "orvo-sim: weight added, %.1f mg on the filter\n", weights);
                } else {
                    sim.SetSilent(!sim.Silent());
                    std::fprintf(stderr, "orvo-sim: %s\n", sim.Silent() ? "silent" : "answering");
                }
            }
        }

        if (fds[0].revents & POLLIN) {
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n > 0) {
                if (trace)
                    hostTrace.Feed(buffer, size_t(n));
                answer.clear();
                sim.FeedHostBytes(buffer, size_t(n), answer);
                if (!pace) {
                    for (uint8_t b : answer)
                        pending.push_back({0, b});
                } else if (!answer.empty()) {
                    // As on the in-memory wire: the request's own bytes take line time (a pseudo-terminal
                    // delivers them at once), then the answer leaves when the line is free, one byte
                    // every 10 bit times.
                    const int64_t start = std::max(MonotonicNs() + LineNanos(n), toHostFreeNs);
                    for (size_t i = 0; i < answer.size(); ++i)
                        pending.push_back({start + LineNanos(int64_t(i) + 1), answer[i]});
                    toHostFreeNs = start + LineNanos(int64_t(answer.size()));
                }
                while (pending.size() > kMaxPending)
                    pending.pop_back();
            } else if (n < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) {
                std::perror("orvo-sim: read");
                break;
            }
        }

        // Everything due goes out; what the terminal will not take now waits for POLLOUT.
        const int64_t due = MonotonicNs();
        std::vector<uint8_t> out;
        for (const Outgoing& o : pending) {
            if (o.readyNs > due)
                break;
            out.push_back(o.byte);
        }
        if (!out.empty()) {
            const ssize_t written = write(master, out.data(), out.size());
            if (written > 0) {
                if (trace)
                    simTrace.Feed(out.data(), size_t(written));
                pending.erase(pending.begin(), pending.begin() + written);
            } else if (written < 0 && errno != EAGAIN && errno != EINTR) {
                std::perror("orvo-sim: write");
                break;
            }
        }
    }

    if (linked)
        unlink(linkPath.c_str());
    close(slave);
    close(master);
    return 0;
}
