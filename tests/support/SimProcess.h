#pragma once

#include "ChildProcess.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace orvo::test {

// orvo-sim as a child process on a pseudo-terminal of its own. Its first line is the terminal's
// device path; its stderr is the trace and the messages it logs.
class SimProcess : public ChildProcess {
public:
    static constexpr std::chrono::milliseconds kBound{10000};

    // `args` are orvo-sim's options. Returns once the device path is known (empty when the
    // simulator did not start).
    explicit SimProcess(const std::vector<std::string>& args);

    const std::string& DevicePath() const { return m_path; }

    std::string Log() const { return Err(); }

    // Waits until the simulator's stderr satisfies `done`; false when the bound runs out first.
    bool WaitForLog(const std::function<bool(const std::string&)>& done,
                    std::chrono::milliseconds bound = kBound);

private:
    std::string m_path;
};

} // namespace orvo::test
