#pragma once

#include <array>
#include <string>

namespace orvo {

// K(m, f0, f) = (m * 0.001) / (1/f^2 - 1/f0^2), m in mg: the spring constant from the frequency before
// (f0) and after (f) a mass was added. 0 when a frequency lies within (-1, 1).
double K0FromFrequencies(double massMg, double f0, double f);

// The results of the four weights of a K0 calibration or audit.
struct K0Evaluation {
    static constexpr double SUSPECT_DIFFERENCE = 5.0; // %, either side, bounds pass
    static constexpr double AUDIT_ERROR = 10.0;       // %, either side, bounds pass

    std::array<double, 4> k0{}; // of weights 1..k cumulated
    double calculated = 0.0;    // their mean
    std::array<double, 4> difference{};
    bool suspect = false; // a difference outside its bounds: the masses may be wrong
    double error = 0.0;   // audit: the mean against the stored K0
    bool passed = false;  // audit
    // Empty when the result may be stored; otherwise the status saying why nothing is written.
    std::string problem;

    static K0Evaluation OfK0s(const std::array<double, 4>& k0, double stored, bool audit);
    static K0Evaluation OfMeasurements(const std::array<double, 5>& f, const std::array<double, 4>& m,
                                       double stored, bool audit);
};

} // namespace orvo
