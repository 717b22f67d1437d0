#include "TraceLines.h"

#include <cstdio>
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

std::ostream& operator<<(std::ostream& out, const TracedFrame& f) {
    return out << "cmd " << f.command << " seq " << f.sequence << ":" << f.payload;
}

std::vector<TracedFrame> HostFrames(const RunResult& run, char direction) {
    static const std::regex pattern(R"(^\d\d:\d\d:\d\d\.\d{3} ([<>])((?: [0-9A-F]{2})+)$)");
    std::vector<uint8_t> wire;
    for (const std::string& line : run.ErrLines()) {
        std::smatch m;
        if (!std::regex_match(line, m, pattern) || m[1].str()[0] != direction)
            continue;
        const std::string hex = m[2];
        for (size_t i = 1; i + 1 < hex.size(); i += 3)
            wire.push_back(uint8_t(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    std::vector<TracedFrame> frames;
    std::vector<uint8_t> body;
    bool inFrame = false;
    for (size_t i = 0; i + 1 < wire.size(); ++i) {
        if (wire[i] != 0xFF) {
            if (inFrame)
                body.push_back(wire[i]);
            continue;
        }
        const uint8_t next = wire[++i];
        if (next == 0x02) {
            inFrame = true;
            body.clear();
        } else if (next == 0xFF && inFrame) {
            body.push_back(0xFF);
        } else if (next == 0x03 && inFrame) {
            inFrame = false;
            if (body.size() < 4)
                continue;
            TracedFrame frame{body[0], body[1], ""};
            for (size_t k = 2; k + 2 < body.size(); ++k) {
                char text[4];
                std::snprintf(text, sizeof text, " %02X", body[k]);
                frame.payload += text;
            }
            frames.push_back(frame);
        }
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
