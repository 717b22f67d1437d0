#include "link/TraceRing.h"

#include <algorithm>

namespace orvo {

void TraceRing::Bytes(bool sent, int64_t timeMs, const uint8_t* data, size_t length) {
    const size_t kept = std::min(length, LINE_BYTES);
    std::lock_guard lock(m_mutex);
    Entry& entry = m_entries[m_next];
    entry.timeMs = timeMs;
    entry.sent = sent;
    entry.length = length;
    entry.bytes.assign(data, data + kept);
    m_next = (m_next + 1) % LINES;
    m_count = std::min(m_count + 1, LINES);
}

std::vector<std::string> TraceRing::Lines() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> lines;
    lines.reserve(m_count);
    for (size_t i = 0; i < m_count; ++i) {
        const Entry& entry = m_entries[(m_next + LINES - m_count + i) % LINES];
        std::string line = FormatTraceLine(entry.sent, entry.timeMs, entry.bytes.data(), entry.bytes.size());
        if (entry.length > entry.bytes.size())
            line += " ... (" + std::to_string(entry.length) + " bytes)";
        lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace orvo
