#include "SimProcess.h"

namespace orvo::test {

static std::vector<std::string> SimArgv(const std::vector<std::string>& args) {
    std::vector<std::string> argv{ORVO_SIM_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

SimProcess::SimProcess(const std::vector<std::string>& args) : ChildProcess(SimArgv(args)) {
    // The link, if asked for, exists once the path is out.
    WaitFor([&] { return Ended() || Out().find('\n') != std::string::npos; }, kBound);
    if (const std::string out = Out(); out.find('\n') != std::string::npos)
        m_path = out.substr(0, out.find('\n'));
}

} // namespace orvo::test
