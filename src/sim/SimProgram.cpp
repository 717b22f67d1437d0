#include "SimProgram.h"

#include <algorithm>
#include <cmath>

namespace orvo::sim {

void SimProgram::Program(const SimShiftFields& fields, std::vector<uint8_t> payload, int64_t nowMs,
                         int64_t deviceUtcMs, uint32_t warmupSeconds, double timeScale) {
    m_fields = fields;
    m_payload = std::move(payload);
    m_programmedAtMs = nowMs;
    m_scale = timeScale > 0 ? timeScale : 1.0;
    m_warmup = warmupSeconds;

    if (fields.startUtc == 0 && fields.duration == 0) {
        m_hasProgram = false;
        m_active = false;
        m_startUtc = 0;
        return;
    }
    m_hasProgram = true;
    const int64_t shiftMs = ShiftMs(nowMs, deviceUtcMs);
    m_startUtc = fields.startUtc != 0
                     ? fields.startUtc
                     : static_cast<uint32_t>((shiftMs + 999) / 1000 + int64_t(warmupSeconds));
    // A start that lies so far back that the whole shift is over was missed: nothing runs.
    m_active = (int64_t(m_startUtc) + int64_t(fields.duration)) * 1000 > shiftMs;
}

int64_t SimProgram::ShiftMs(int64_t nowMs, int64_t deviceUtcMs) const {
    if (m_scale == 1.0)
        return deviceUtcMs;
    return deviceUtcMs + std::llround(double(nowMs - m_programmedAtMs) * (m_scale - 1.0));
}

SimProgram::State SimProgram::StateAt(int64_t nowMs, int64_t deviceUtcMs) const {
    if (!m_active)
        return Stopped;
    const int64_t t = ShiftMs(nowMs, deviceUtcMs);
    const int64_t start = int64_t(m_startUtc) * 1000;
    if (t >= start + int64_t(m_fields.duration) * 1000)
        return Stopped;
    if (t >= start)
        return Running;
    if (t >= start - int64_t(m_warmup) * 1000)
        return Warming;
    return Programmed;
}

uint32_t SimProgram::WarmupRemaining(int64_t nowMs, int64_t deviceUtcMs) const {
    if (StateAt(nowMs, deviceUtcMs) != Warming)
        return 0;
    const int64_t left = int64_t(m_startUtc) * 1000 - ShiftMs(nowMs, deviceUtcMs);
    return static_cast<uint32_t>((left + 999) / 1000);
}

double SimProgram::RunFraction(int64_t nowMs, int64_t deviceUtcMs) const {
    if (StateAt(nowMs, deviceUtcMs) != Running || m_fields.duration == 0)
        return 0.0;
    const double run = double(ShiftMs(nowMs, deviceUtcMs) - int64_t(m_startUtc) * 1000);
    return std::clamp(run / (double(m_fields.duration) * 1000.0), 0.0, 1.0);
}

int SimProgram::MinutesRun(int64_t nowMs, int64_t deviceUtcMs) const {
    if (StateAt(nowMs, deviceUtcMs) != Running)
        return 0;
    return int((ShiftMs(nowMs, deviceUtcMs) - int64_t(m_startUtc) * 1000) / 60000);
}

uint32_t SimProgram::SecondsRun(int64_t nowMs, int64_t deviceUtcMs) const {
    if (StateAt(nowMs, deviceUtcMs) != Running)
        return 0;
    return static_cast<uint32_t>((ShiftMs(nowMs, deviceUtcMs) - int64_t(m_startUtc) * 1000) / 1000);
}

bool SimProgram::TakeFinished(int64_t nowMs, int64_t deviceUtcMs) {
    if (!m_active)
        return false;
    const int64_t end = (int64_t(m_startUtc) + int64_t(m_fields.duration)) * 1000;
    if (ShiftMs(nowMs, deviceUtcMs) < end)
        return false;
    m_active = false;
    return true;
}

} // namespace orvo::sim
