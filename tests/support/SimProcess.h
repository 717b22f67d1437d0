#pragma once

#include "ChildProcess.h"

namespace orvo::test {

// orvo-sim with `args`, on a pseudo-terminal of its own. Its first line is the terminal's device
// path (empty when the simulator did not start); its stderr is the trace and the messages it logs.
class SimProcess : public ChildProcess {
public:
    static constexpr std::chrono::milliseconds kBound{10000};

    explicit SimProcess(const std::vector<std::string>& args);

    const std::string& DevicePath() const { return m_path; }
    std::string Log() const { return Err(); }
    bool WaitForLog(const std::function<bool(const std::string&)>& done,
                    std::chrono::milliseconds bound = kBound) {
        return WaitFor([&] { return done(Err()); }, bound);
    }

private:
    std::string m_path;
};

} // namespace orvo::test
