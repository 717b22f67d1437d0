#include "ChildProcess.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

extern char** environ;

namespace orvo::test {

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
        end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

ChildProcess::ChildProcess(std::vector<std::string> argv, const std::vector<std::string>& env) {
    if (!env.empty()) { // env(1) sets the variables: nothing to build between fork and exec
        argv.insert(argv.begin(), env.begin(), env.end());
        argv.insert(argv.begin(), "/usr/bin/env");
    }
    std::vector<char*> args;
    for (std::string& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    m_files[0] = memfd_create("out", MFD_CLOEXEC);
    m_files[1] = memfd_create("err", MFD_CLOEXEC);
    if (argv.empty() || m_files[0] < 0 || m_files[1] < 0)
        return;
    const pid_t parent = getpid();
    m_pid = fork();
    if (m_pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        dup2(m_files[0], STDOUT_FILENO);
        dup2(m_files[1], STDERR_FILENO);
        execve(args[0], args.data(), environ);
        _exit(127);
    }
}

ChildProcess::~ChildProcess() {
    if (!Ended()) {
        kill(m_pid, SIGTERM);
        Wait(std::chrono::seconds(5));
    }
    for (int fd : m_files)
        if (fd >= 0)
            close(fd);
}

void ChildProcess::Signal(int signal) {
    if (!Ended())
        kill(m_pid, signal);
}

std::string ChildProcess::Read(int fd) {
    std::string text;
    char buffer[65536];
    for (ssize_t n; fd >= 0 && (n = pread(fd, buffer, sizeof buffer, off_t(text.size()))) > 0;)
        text.append(buffer, size_t(n));
    return text;
}

bool ChildProcess::Ended() {
    int status = 0;
    if (!m_ended && m_pid > 0 && waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_ended = true;
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return m_ended || m_pid <= 0;
}

bool ChildProcess::WaitFor(const std::function<bool()>& done, std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

int ChildProcess::Wait(std::chrono::milliseconds bound) {
    if (m_pid > 0 && !WaitFor([this] { return Ended(); }, bound)) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_ended = true;
    }
    return m_status;
}

RunResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                     int limitSeconds) {
    ChildProcess child(argv, env);
    RunResult result;
    result.exitCode = child.Wait(std::chrono::seconds(limitSeconds));
    result.out = child.Out();
    result.err = child.Err();
    return result;
}

} // namespace orvo::test
