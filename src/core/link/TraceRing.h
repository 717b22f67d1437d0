#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "link/FrameTrace.h"

namespace orvo {

// The latest frames a link wrote and runs of bytes it read, kept for a support report. Always
// on, so it must stay cheap: a fixed number of slots whose buffers are reused (nothing is
// allocated once the ring has gone round) and lines formatted only when asked for.
class TraceRing final : public FrameTrace {
public:
    static constexpr size_t LINES = 200;
    static constexpr size_t LINE_BYTES = 256; // of a longer run only the length is kept beyond this

    void Bytes(bool sent, int64_t timeMs, const uint8_t* data, size_t length) override;
    // Oldest first, in the format of FormatTraceLine.
    std::vector<std::string> Lines() const;

private:
    struct Entry {
        int64_t timeMs = 0;
        bool sent = false;
        size_t length = 0; // of the whole run; bytes holds at most LINE_BYTES of it
        std::vector<uint8_t> bytes;
    };

    mutable std::mutex m_mutex;
    std::array<Entry, LINES> m_entries;
    size_t m_next = 0;
    size_t m_count = 0;
};

} // namespace orvo
