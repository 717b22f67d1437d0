#include "TraceLines.h"

#include <regex>

namespace orvo::test {

std::vector<std::string> SentFrames(const RunResult& run) {
    static const std::regex pattern(R"(^\d\d:\d\d:\d\d\.\d{3} > (.*)$)");
    std::vector<std::string> frames;
    for (const std::string& line : run.ErrLines()) {
        std::smatch m;
        if (std::regex_match(line, m, pattern))
            frames.push_back(m[1]);
    }
    return frames;
}

std::vector<TracedFrame> SimFrames(const std::string& log, const std::string& direction) {
    static const std::regex pattern(R"(^(->|<-) cmd (\d+) seq (\d+)( BAD CHECK)?:((?: [0-9A-F]{2})*)$)");
    std::vector<TracedFrame> frames;
    for (const std::string& line : SplitLines(log)) {
        std::smatch m;
        if (std::regex_match(line, m, pattern) && m[1] == direction)
            frames.push_back({std::stoi(m[2]), std::stoi(m[3]), m[5]});
    }
    return frames;
}

} // namespace orvo::test
