#include "SimValues.h"

#include "link/Protocol.h"
#include "model/PrcTable.h"

#include <algorithm>
#include <cmath>

namespace orvo::sim {

namespace {

constexpr double kTwoPi = 6.283185307179586;

uint64_t Mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// A slow swing with a phase fixed by the seed and register.
double Swing(uint32_t seed, int number, double t, double period) {
    const double phase = SimUniform(seed, 0x5157, uint64_t(number)) * kTwoPi;
    return std::sin(kTwoPi * t / period + phase);
}

// Noise that changes once a second.
double Jitter(uint32_t seed, int number, double t) {
    return SimNoise(seed, 0x4A17, uint64_t(number), uint64_t(int64_t(std::floor(t))));
}

} // namespace

uint64_t SimHash(uint32_t seed, uint64_t a, uint64_t b, uint64_t c) {
    return Mix(Mix(Mix(Mix(seed) ^ a) ^ b) ^ c);
}

double SimUniform(uint32_t seed, uint64_t a, uint64_t b, uint64_t c) {
    return double(SimHash(seed, a, b, c) >> 11) / 9007199254740992.0;
}

double SimNoise(uint32_t seed, uint64_t a, uint64_t b, uint64_t c) {
    return SimUniform(seed, a, b, c) * 2.0 - 1.0;
}

uint32_t SimWordOf(int number, double value) {
    const PrcDefinition* d = FindPrcDefinition(number);
    if (d && d->type == PRC_TYPE_FLOAT)
        return FloatToWord(static_cast<float>(value));
    if (!(value > 0.0))
        return 0;
    if (value >= 4294967295.0)
        return 0xFFFFFFFFu;
    return static_cast<uint32_t>(std::llround(value));
}

double SimValueOf(int number, uint32_t word) {
    const PrcDefinition* d = FindPrcDefinition(number);
    if (d && d->type == PRC_TYPE_FLOAT)
        return WordToFloat(word);
    return double(word);
}

bool IsLiveRegister(int number) {
    switch (number) {
    case 60:
    case 86:
    case 92:
    case 111:
        return true;
    default:
        return false;
    }
}

double LiveReading(int number, const LiveContext& c) {
    const bool running = c.state == 4;
    const double t = c.timeSeconds;
    switch (number) {
    case 60: // ambient pressure, mm Hg
        return 755.0 + 1.5 * Swing(c.seed, number, t, 600) + 0.1 * Jitter(c.seed, number, t);
    case 86: // ambient temperature
        return 22.0 + 1.5 * Swing(c.seed, number, t, 1800) + 0.05 * Jitter(c.seed, number, t);
    case 92: // battery percent charged
        return 85.0 + 8.0 * Swing(c.seed, number, t, 7200) + 0.2 * Jitter(c.seed, number, t);
    case 111: // cumulative concentration climbs through a running shift
        return running
                   ? std::max(0.0, c.finalConcentration * c.runFraction + 0.01 * Jitter(c.seed, number, t))
                   : 0.0;
    default:
        return 0.0;
    }
}

SampleProfile MakeSampleProfile(uint32_t seed, uint64_t key, int records, bool statusEvents) {
    SampleProfile p;
    p.seed = seed;
    p.key = key;
    p.records = std::max(records, 1);
    p.finalConcentration = 0.5 + 1.5 * SimUniform(seed, 0xC0C, key);
    p.f0 = 295.0 + 3.0 * SimUniform(seed, 0xF0, key);
    p.statusEvents = statusEvents;
    return p;
}

uint32_t ProfileStatus(const SampleProfile& p, int k) {
    if (!p.statusEvents)
        return 0;
    const int n = p.records;
    uint32_t status = 0;
    const int loadBegin = 2 * n / 5;
    const int loadEnd = std::max(7 * n / 10, loadBegin + 1);
    if (k >= loadBegin && k < loadEnd)
        status |= 0x0002; // HIGH FILTER LOAD
    if (k == n / 5)
        status |= 0x0004; // FLOW OUT OF RANGE, one record only
    return status;
}

double ProfileValue(const SampleProfile& p, int number, int k, double fallback) {
    const double frac = double(k + 1) / double(p.records);
    const double t = 60.0 * (k + 1);
    const auto noise = [&](double amplitude) {
        return amplitude * SimNoise(p.seed, p.key, uint64_t(number), k);
    };
    const auto swing = [&](double amplitude, double period) {
        return amplitude *
               std::sin(kTwoPi * t / period + SimUniform(p.seed, p.key, uint64_t(number)) * kTwoPi);
    };
    const double flow = 2.2 + noise(0.01);
    switch (number) {
    case 34: // air heater duty cycle
        return 30.0 + swing(5.0, 1800) + noise(1.0);
    case 41:
        return 43.0 + noise(0.3);
    case 47: // TE heater duty cycle
        return 40.0 + swing(4.0, 2400) + noise(1.0);
    case 54:
        return 46.0 + noise(0.1);
    case 60:
        return 755.0 + swing(2.0, 3600) + noise(0.2);
    case 66: // flow line pressure
        return 740.0 + swing(2.0, 3600) + noise(0.3);
    case 67: // differential pressure across the filter grows as it loads
        return -25.0 - 40.0 * frac + noise(0.5);
    case 73: // pump duty cycle climbs with the filter load
        return 45.0 + 10.0 * frac + noise(0.5);
    case 79:
        return flow;
    case 86:
        return 20.0 + swing(3.0, 7200) + noise(0.1);
    case 87: // battery volts
        return 3.9 - 0.5 * frac + noise(0.005);
    case 92:
        return 95.0 - 60.0 * frac + noise(0.2);
    case 93: // orifice block humidity
        return 40.0 + swing(5.0, 5400) + noise(0.5);
    case 94:
        return 30.0 + swing(1.0, 3600) + noise(0.1);
    case 95:
        return 12.0 + swing(1.0, 3600) + noise(0.1);
    case 104: // mass on the filter lowers the frequency
        return p.f0 - 2.0 * frac + noise(0.01);
    case 105:
        return p.f0 - 2.0 * frac - 0.02 + noise(0.01);
    case 107: // total mass, mg: concentration times the volume drawn so far
        return p.finalConcentration * 2.2e-3 * (k + 1) * frac + noise(0.0005);
    case 110: // 30-minute concentration wanders around the final value
        return std::max(0.0, p.finalConcentration + swing(0.3, 1800) + noise(0.05));
    case 111: // cumulative concentration rises steadily
        return p.finalConcentration * frac;
    case 120: // tilt Z duty cycle
        return 50.0 + noise(1.0);
    default:
        return fallback;
    }
}

} // namespace orvo::sim
