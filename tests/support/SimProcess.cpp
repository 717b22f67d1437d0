#include "SimProcess.h"

namespace orvo::test {

namespace {

std::vector<std::string> SimArgv(const std::vector<std::string>& args) {
    std::vector<std::string> argv{ORVO_SIM_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

} // namespace

SimProcess::SimProcess(const std::vector<std::string>& args) : ChildProcess(SimArgv(args)) {
    // The first line is the terminal's device path; the link, if asked for, exists by then.
    WaitFor([](const Output& o) { return o.ended || o.out.find('\n') != std::string::npos; }, kBound);
    const std::string out = Out();
    const size_t newline = out.find('\n');
    if (newline != std::string::npos)
        m_path = out.substr(0, newline);
}

bool SimProcess::WaitForLog(const std::function<bool(const std::string&)>& done,
                            std::chrono::milliseconds bound) {
    return WaitFor([&](const Output& o) { return done(o.err); }, bound);
}

} // namespace orvo::test
