#include "calibration/K0LastMeasurements.h"

#include <cmath>

#include "calibration/K0Evaluation.h"
#include "platform/Format.h"
#include "platform/LocalTime.h"

namespace orvo {

namespace {

bool Near(double v, double limit) {
    return -limit < v && v < limit;
}

std::string DateText(const TimeZoneSource& zone, double seconds, const char* format, const char* unknown) {
    return seconds == 0.0 ? unknown : FormatLocalTime(zone, int64_t(seconds), format);
}

// ",%.3f", or just "," for a value that is no number.
std::string Field(double v) {
    return std::isfinite(v) ? "," + FormatFixed(v, 3) : std::string(",");
}

} // namespace

void K0LastMeasurements::Set(int index, double value) {
    if (index >= 0 && index < 5) {
        f[size_t(index)] = value;
    } else if (index >= 5 && index < 9) {
        m[size_t(index - 5)] = value;
    } else if (index == 9) {
        time = value;
        timeKnown = true;
    }
}

std::array<double, 4> K0LastMeasurements::K0s() const {
    std::array<double, 4> k0{};
    double mass = 0.0;
    for (size_t k = 0; k < 4; ++k) {
        mass += m[k];
        k0[k] = K0FromFrequencies(mass, f[0], f[k + 1]);
    }
    return k0;
}

std::array<double, 4> K0LastMeasurements::Differences(double stored, bool audit) const {
    const std::array<double, 4> k0 = K0s();
    const double reference = audit ? stored : (k0[0] + k0[1] + k0[2] + k0[3]) / 4.0;
    std::array<double, 4> difference{};
    for (size_t k = 0; k < 4; ++k)
        difference[k] = reference != 0.0 ? (k0[k] - reference) / reference * 100.0 : NAN;
    return difference;
}

std::string K0LastMeasurements::Title(bool audit, const TimeZoneSource& zone) const {
    std::string title = audit ? "Last Audit Measurements" : "Last Calibration Measurements";
    if (timeKnown)
        title += " (" + DateText(zone, time, "%m/%d/%Y", "--/--/----") + ")";
    return title;
}

std::string K0LastMeasurements::CsvText(double stored, bool audit, const TimeZoneSource& zone) const {
    const std::array<double, 4> k0 = K0s();
    const std::array<double, 4> difference = Differences(stored, audit);
    std::string text = "Date,Frequency (Hz),Mass (mg),K0,% Difference,Stored K0\n";
    text += DateText(zone, time, "%m/%d/%Y %H:%M:%S", "--/--/---- --:--:--");
    text += Near(f[0], 1.0) ? "," : "," + FormatFixed(f[0], 6);
    text += ",,,," + FormatFixed(stored, 1) + "\n";
    for (size_t row = 1; row <= 4; ++row) {
        text += Near(f[row], 1.0) ? "," : "," + FormatFixed(f[row], 6);
        text += Near(m[row - 1], 0.1) ? "," : "," + FormatFixed(m[row - 1], 3);
        text += Near(f[row], 1.0) ? ",," : Field(k0[row - 1]) + Field(difference[row - 1]);
        text += ",\n";
    }
    return text;
}

} // namespace orvo
