#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvo::test {

// The outcome of one run to the end.
struct RunResult {
    int exitCode = -1; // -1: killed or not started
    std::string out;
    std::string err;

    std::vector<std::string> OutLines() const;
    std::vector<std::string> ErrLines() const;
};

std::vector<std::string> SplitLines(const std::string& text);

// A program started beside the test. Both of its streams are drained all the time by a thread of
// their own (a trace that filled a pipe would stall the child); it is killed by the kernel should
// this process die first, and ended (SIGTERM, then SIGKILL after five seconds) when the object goes.
class ChildProcess {
public:
    // What the child has written so far; `ended` once both streams are closed.
    struct Output {
        std::string out;
        std::string err;
        bool ended = false;
    };

    // argv[0] is the program's path. `env` (NAME=VALUE each) adds to or replaces this process's
    // environment; stdin is this process's own.
    explicit ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Started and not yet ended by Stop or Wait.
    bool Running() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }
    void Signal(int signal);

    std::string Out() const;
    std::string Err() const;

    // Waits until `done` holds of the output; false when `bound` runs out first.
    bool WaitFor(const std::function<bool(const Output&)>& done, std::chrono::milliseconds bound);

    // Waits for the child to end by itself, killing it once `bound` has run out. Its exit status, or
    // -1 when it had to be killed, ended by a signal or never ran.
    int Wait(std::chrono::milliseconds bound) { return Finish(0, bound); }

private:
    // Sends `signal` (unless 0), then waits up to `bound` before killing the child; status as Wait.
    int Finish(int signal, std::chrono::milliseconds bound);
    void Pump(int out, int err);

    pid_t m_pid = -1;
    int m_status = -1;
    int m_wake[2] = {-1, -1}; // ends the reader when a killed child left its pipes open elsewhere
    std::thread m_reader;
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    Output m_output;
};

// Runs argv to its end and collects both streams. A run that outlives `limitSeconds` is killed.
RunResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                     int limitSeconds = 60);

} // namespace orvo::test
