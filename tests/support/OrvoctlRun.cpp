#include "OrvoctlRun.h"

#include <ctime>
#include <regex>

namespace orvo::test {

RunResult RunOrvoctl(const std::vector<std::string>& args, const std::vector<std::string>& env,
                     int limitSeconds) {
    std::vector<std::string> argv{ORVOCTL_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, env, limitSeconds);
}

std::vector<std::string> SplitFields(const std::string& record) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t comma = record.find(',', start);
        fields.push_back(
            record.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos)
            return fields;
        start = comma + 1;
    }
}

RegisterLine ParseRegisterLine(const std::string& line) {
    static const std::regex pattern(R"(^\s*(\d+)\s+(.*\S)\s+(\S+)$)");
    std::smatch m;
    RegisterLine parsed;
    if (std::regex_match(line, m, pattern)) {
        parsed.number = std::stoi(m[1]);
        parsed.name = m[2];
        parsed.value = m[3];
    }
    return parsed;
}

long GmtOffsetNow() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return tm.tm_gmtoff;
}

} // namespace orvo::test
