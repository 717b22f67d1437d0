#pragma once

#include <optional>
#include <string>

#include "calibration/circular_buffer.h"

namespace orvo {

// The stability tests the K0 and tilt procedures share: one transducer frequency per 5-second poll in
// a ring of 12, i.e. one minute.

constexpr double kRateGoal = 1.0; // mHz/min either side of zero
constexpr const char* kCalculatingRate = "Calculating 1 minute rolling average...";

// Least-squares slope of the samples against their index, times 12000 (Hz per 5-second sample to
// mHz per minute). Nothing until the ring is full, or when a sample is not a number.
std::optional<double> FrequencyRate(const circular_buffer& frequencies);

// The transducer is alive: some sample differs from the oldest by more than 1e-8 and no two
// neighbours are equal within 1e-8. A frozen reading has a perfect zero slope and must not pass.
bool FrequencyAlive(const circular_buffer& frequencies);

// Full, alive and -goal < rate < goal.
bool FrequencyStable(const circular_buffer& frequencies, double goal);

// "%.1f to %.1f " of set point -/+ tolerance, then the unit.
std::string GoalText(double setPoint, double tolerance, const std::string& unit);
// "0 ±%.2f mHz/min"
std::string RateGoalText(double goal);
// "%.2f mHz/min"
std::string RateText(double rate);

} // namespace orvo
