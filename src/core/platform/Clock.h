#pragma once

#include <atomic>
#include <cstdint>

namespace orvo {

// The source of wall-clock time and of waiting. The link, the simulated monitor and the
// document take one by reference so that tests can run whole protocols at virtual time.
class Clock {
public:
    virtual ~Clock() = default;

    // Milliseconds since 1 January 1970, UTC.
    virtual int64_t NowMs() const = 0;
    virtual void SleepMs(int64_t ms) = 0;
    // A virtual clock only moves when somebody sleeps on it or advances it; ports that
    // wait for bytes advance it instead of blocking.
    virtual bool IsVirtual() const { return false; }
    virtual void AdvanceTo(int64_t /*ms*/) {}

    uint32_t NowSeconds() const { return static_cast<uint32_t>(NowMs() / 1000); }
};

class SystemClock final : public Clock {
public:
    int64_t NowMs() const override;
    void SleepMs(int64_t ms) override;

    // One process-wide instance; it holds no state.
    static SystemClock& Instance();
};

class VirtualClock final : public Clock {
public:
    explicit VirtualClock(int64_t startMs = 1'700'000'000'000LL) : m_now(startMs) {}

    int64_t NowMs() const override { return m_now.load(); }
    void SleepMs(int64_t ms) override { m_now.fetch_add(ms > 0 ? ms : 0); }
    bool IsVirtual() const override { return true; }
    // Moves forward only; two threads advancing to different points never move time back.
    void AdvanceTo(int64_t ms) override;

private:
    std::atomic<int64_t> m_now;
};

} // namespace orvo
