#pragma once

#include "SimTypes.h"

#include <cstdint>
#include <vector>

namespace orvo::sim {

// The programmed shift and its course: programmed -> warming -> running -> stopped.
//
// Shift time is the device clock (UTC milliseconds), running timeScale times faster from the moment of
// programming, so a test or a demo can watch a whole shift in a short while. The device clock itself (status
// answers, CURRENT TIME) keeps its normal pace.
class SimProgram {
public:
    enum State { Stopped = 1, Programmed = 2, Warming = 3, Running = 4 };

    // Stores a program. start and duration both 0 clear it. A start of 0 with a duration starts the shift
    // as soon as a warm-up from now is over. A shift whose end has already passed is kept but never runs.
    void Program(const SimShiftFields& fields, std::vector<uint8_t> payload, int64_t nowMs,
                 int64_t deviceUtcMs, uint32_t warmupSeconds, double timeScale);

    State StateAt(int64_t nowMs, int64_t deviceUtcMs) const;
    // Seconds of warm-up left (0 unless warming).
    uint32_t WarmupRemaining(int64_t nowMs, int64_t deviceUtcMs) const;
    // Share of the running shift done, 0..1, and whole minutes run.
    double RunFraction(int64_t nowMs, int64_t deviceUtcMs) const;
    int MinutesRun(int64_t nowMs, int64_t deviceUtcMs) const;

    // True once, when the running shift has reached its end: the caller stores the sample.
    bool TakeFinished(int64_t nowMs, int64_t deviceUtcMs);
    // Whole seconds of shift time run so far (0 unless running).
    uint32_t SecondsRun(int64_t nowMs, int64_t deviceUtcMs) const;

    // A program other than the clearing one is stored (it stays stored after its shift ended).
    bool HasProgram() const { return m_hasProgram; }
    uint32_t StartUtc() const { return m_startUtc; } // effective start, 0 without a program
    uint32_t Duration() const { return m_fields.duration; }
    const SimShiftFields& Fields() const { return m_fields; }
    const std::vector<uint8_t>& Payload() const { return m_payload; }

private:
    int64_t ShiftMs(int64_t nowMs, int64_t deviceUtcMs) const;

    SimShiftFields m_fields;
    std::vector<uint8_t> m_payload;
    bool m_hasProgram = false;
    bool m_active = false; // waiting, warming or running
    uint32_t m_startUtc = 0;
    uint32_t m_warmup = 0;
    int64_t m_programmedAtMs = 0;
    double m_scale = 1.0;
};

} // namespace orvo::sim
