#pragma once

#include <array>
#include <string>

namespace orvo {

class TimeZoneSource;

// The previous K0 calibration's or audit's measurements as read from the instrument (registers
// 156..165 or 166..175), with what follows from them.
struct K0LastMeasurements {
    std::array<double, 5> f{}; // Hz
    std::array<double, 4> m{}; // mg
    double time = 0.0;         // seconds since 1970
    bool timeKnown = false;

    // Register `index` (0..9) of the mode's ten.
    void Set(int index, double value);

    // K0 of each weight's cumulated mass, and its % difference against the stored K0 in an audit or
    // against the mean of the four in a calibration (not a number when that is 0).
    std::array<double, 4> K0s() const;
    std::array<double, 4> Differences(double stored, bool audit) const;

    // "Last Calibration Measurements" or "Last Audit Measurements", with " (date)" once the time is known.
    std::string Title(bool audit, const TimeZoneSource& zone) const;
    // The export: a header and one line per frequency F0..F4.
    std::string CsvText(double stored, bool audit, const TimeZoneSource& zone) const;
};

} // namespace orvo
