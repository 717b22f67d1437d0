#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

extern char** environ;

namespace orvo::test {

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> RunResult::OutLines() const {
    return SplitLines(out);
}
std::vector<std::string> RunResult::ErrLines() const {
    return SplitLines(err);
}

namespace {

void ClosePair(int fds[2]) {
    for (int i = 0; i < 2; ++i) {
        if (fds[i] >= 0)
            close(fds[i]);
        fds[i] = -1;
    }
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    // Everything the child needs is built before the fork: after it only async-signal-safe calls.
    std::vector<std::string> argStore = argv;
    std::vector<char*> args;
    for (std::string& a : argStore)
        args.push_back(a.data());
    args.push_back(nullptr);

    std::vector<std::string> envStore;
    const auto name = [](const std::string& entry) { return entry.substr(0, entry.find('=') + 1); };
    for (char** e = environ; *e; ++e)
        if (std::none_of(env.begin(), env.end(), [&](const std::string& x) { return name(x) == name(*e); }))
            envStore.push_back(*e);
    envStore.insert(envStore.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (std::string& e : envStore)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    int outPipe[2] = {-1, -1}, errPipe[2] = {-1, -1};
    if (argv.empty() || pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0 ||
        pipe2(m_wake, O_CLOEXEC) != 0) {
        ClosePair(outPipe);
        ClosePair(errPipe);
        ClosePair(m_wake);
        m_output.ended = true;
        return;
    }
    const pid_t parent = getpid();
    m_pid = fork();
    if (m_pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    if (m_pid < 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        ClosePair(m_wake);
        m_output.ended = true;
        return;
    }
    m_reader = std::thread([this, out = outPipe[0], err = errPipe[0]] { Pump(out, err); });
}

ChildProcess::~ChildProcess() {
    Finish(SIGTERM, std::chrono::seconds(5));
    ClosePair(m_wake);
}

void ChildProcess::Signal(int signal) {
    if (m_pid > 0)
        kill(m_pid, signal);
}

std::string ChildProcess::Out() const {
    std::lock_guard lock(m_lock);
    return m_output.out;
}

std::string ChildProcess::Err() const {
    std::lock_guard lock(m_lock);
    return m_output.err;
}

bool ChildProcess::WaitFor(const std::function<bool(const Output&)>& done, std::chrono::milliseconds bound) {
    std::unique_lock lock(m_lock);
    return m_changed.wait_for(lock, bound, [&] { return done(m_output); });
}

int ChildProcess::Finish(int signal, std::chrono::milliseconds bound) {
    if (m_pid <= 0)
        return m_status;
    if (signal != 0)
        kill(m_pid, signal);
    const bool ended = WaitFor([](const Output& o) { return o.ended; }, bound);
    if (!ended)
        kill(m_pid, SIGKILL);
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
    if (!ended) {
        const char wake = 1;
        if (write(m_wake[1], &wake, 1) < 0) {
            // The reader still ends once the pipes close.
        }
    }
    m_reader.join();
    m_status = ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return m_status;
}

void ChildProcess::Pump(int out, int err) {
    pollfd fds[3] = {{out, POLLIN, 0}, {err, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
    std::string* sinks[2] = {&m_output.out, &m_output.err};
    int open = 2;
    while (open > 0) {
        if (poll(fds, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[2].revents != 0)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            std::lock_guard lock(m_lock);
            if (n > 0) {
                sinks[i]->append(buffer, size_t(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
            m_changed.notify_all();
        }
    }
    for (int i = 0; i < 2; ++i)
        if (fds[i].fd >= 0)
            close(fds[i].fd);
    std::lock_guard lock(m_lock);
    m_output.ended = true;
    m_changed.notify_all();
}

RunResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                     int limitSeconds) {
    RunResult result;
    ChildProcess child(argv, env);
    if (!child.Running())
        return result;
    result.exitCode = child.Wait(std::chrono::seconds(limitSeconds));
    result.out = child.Out();
    result.err = child.Err();
    return result;
}

} // namespace orvo::test
