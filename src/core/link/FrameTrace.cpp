#include "link/FrameTrace.h"

#include <string>

namespace orvo {

std::string FormatTraceLine(bool sent, int64_t timeMs, const uint8_t* data, size_t length) {
    static const char kHex[] = "0123456789ABCDEF";
    const int64_t dayMs = ((timeMs % 86400000) + 86400000) % 86400000;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03d", int(dayMs / 3600000), int(dayMs / 60000 % 60),
                  int(dayMs / 1000 % 60), int(dayMs % 1000));
    std::string line = std::string(stamp) + (sent ? " >" : " <");
    line.reserve(line.size() + 3 * length + 1);
    for (size_t i = 0; i < length; ++i) {
        line += ' ';
        line += kHex[data[i] >> 4];
        line += kHex[data[i] & 0xF];
    }
    return line;
}

void StreamFrameTrace::Bytes(bool sent, int64_t timeMs, const uint8_t* data, size_t length) {
    const std::string line = m_prefix + FormatTraceLine(sent, timeMs, data, length) + "\n";
    std::lock_guard lock(m_mutex);
    std::fputs(line.c_str(), m_out);
    std::fflush(m_out);
}

} // namespace orvo
