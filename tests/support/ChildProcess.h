#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace orvo::test {

std::vector<std::string> SplitLines(const std::string& text);

// The outcome of one run to the end.
struct RunResult {
    int exitCode = -1; // -1: killed or not started
    std::string out;
    std::string err;

    std::vector<std::string> OutLines() const { return SplitLines(out); }
    std::vector<std::string> ErrLines() const { return SplitLines(err); }
};

// A program started beside the test, argv[0] its path, `env` (NAME=VALUE each) added to this
// process's environment. Its streams go to files in memory, which never fill as an unread pipe
// would; the kernel kills it should this process die first, and it is ended (SIGTERM, then SIGKILL
// after five seconds) when the object goes.
class ChildProcess {
public:
    explicit ChildProcess(std::vector<std::string> argv, const std::vector<std::string>& env = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Ended(); // exited (and reaped), or never started
    pid_t Pid() const { return m_pid; }
    void Signal(int signal);
    std::string Out() const { return Read(m_files[0]); }
    std::string Err() const { return Read(m_files[1]); }

    // Looks again every 10 ms until `done` holds; false when `bound` runs out first.
    static bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds bound);
    // Waits for the child to end by itself, killing it once `bound` has run out. Its exit status, or
    // -1 when it had to be killed, ended by a signal or never ran.
    int Wait(std::chrono::milliseconds bound);

private:
    static std::string Read(int fd);

    pid_t m_pid = -1;
    bool m_ended = false;
    int m_status = -1;
    int m_files[2] = {-1, -1}; // stdout, stderr
};

// Runs argv to its end and collects both streams. A run that outlives `limitSeconds` is killed.
RunResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                     int limitSeconds = 60);

} // namespace orvo::test
