#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

namespace orvo {

// "HH:MM:SS.mmm > FF 02 ..." (UTC; ">" written, "<" read), without a line end.
std::string FormatTraceLine(bool sent, int64_t timeMs, const uint8_t* data, size_t length);

// Receives every frame the link writes and every run of bytes it reads, for support.
class FrameTrace {
public:
    virtual ~FrameTrace() = default;
    virtual void Bytes(bool sent, int64_t timeMs, const uint8_t* data, size_t length) = 0;
};

// Writes "HH:MM:SS.mmm > FF 02 ..." lines (UTC) to a stdio stream.
class StreamFrameTrace final : public FrameTrace {
public:
    explicit StreamFrameTrace(std::FILE* out, const char* prefix = "") : m_out(out), m_prefix(prefix) {}
    void Bytes(bool sent, int64_t timeMs, const uint8_t* data, size_t length) override;

private:
    std::mutex m_mutex;
    std::FILE* m_out;
    const char* m_prefix;
};

} // namespace orvo
