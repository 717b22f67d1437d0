#include "calibration/FrequencyStability.h"

#include <cmath>

#include "calibration/LineFit.h"
#include "platform/Format.h"

namespace orvo {

namespace {

constexpr double kSame = 1e-8;

} // namespace

std::optional<double> FrequencyRate(const circular_buffer& frequencies) {
    if (!frequencies.full())
        return std::nullopt;
    const std::optional<double> slope = IndexSlope(frequencies.values());
    if (!slope)
        return std::nullopt;
    return *slope * 12000.0;
}

bool FrequencyAlive(const circular_buffer& frequencies) {
    bool changed = false;
    for (size_t i = 1; i < frequencies.size(); ++i) {
        if (std::fabs(frequencies[i] - frequencies[0]) > kSame)
            changed = true;
        if (std::fabs(frequencies[i] - frequencies[i - 1]) <= kSame)
            return false;
    }
    return changed;
}

bool FrequencyStable(const circular_buffer& frequencies, double goal) {
    const std::optional<double> rate = FrequencyRate(frequencies);
    return rate && -goal < *rate && *rate < goal && FrequencyAlive(frequencies);
}

std::string GoalText(double setPoint, double tolerance, const std::string& unit) {
    return FormatFixed(setPoint - tolerance, 1) + " to " + FormatFixed(setPoint + tolerance, 1) + " " + unit;
}

std::string RateGoalText(double goal) {
    return "0 \xC2\xB1" + FormatFixed(goal, 2) + " mHz/min";
}

std::string RateText(double rate) {
    return FormatFixed(rate, 2) + " mHz/min";
}

} // namespace orvo
