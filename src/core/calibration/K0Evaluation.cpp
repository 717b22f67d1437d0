#include "calibration/K0Evaluation.h"

#include <cmath>

namespace orvo {

double K0FromFrequencies(double massMg, double f0, double f) {
    if (std::fabs(f0) < 1.0 || std::fabs(f) < 1.0)
        return 0.0;
    return (massMg * 0.001) / (1.0 / (f * f) - 1.0 / (f0 * f0));
}

K0Evaluation K0Evaluation::OfK0s(const std::array<double, 4>& k0, double stored, bool audit) {
    K0Evaluation e;
    e.k0 = k0;
    e.calculated = (k0[0] + k0[1] + k0[2] + k0[3]) / 4.0;
    e.difference.fill(NAN);
    e.error = NAN;
    const double whole = std::trunc(e.calculated);
    // A K0 that is no positive whole number of the register would wrap on the wire.
    if (!std::isfinite(whole) || whole < 1.0 || whole > 4294967295.0) {
        e.suspect = true;
        e.problem = "Calculation error: no valid K0 could be calculated, nothing was written";
        return e;
    }
    for (size_t k = 0; k < 4; ++k) {
        e.difference[k] = (k0[k] - e.calculated) / e.calculated * 100.0;
        if (!(-SUSPECT_DIFFERENCE <= e.difference[k] && e.difference[k] <= SUSPECT_DIFFERENCE))
            e.suspect = true;
    }
    if (!audit)
        return e;
    if (!std::isfinite(stored) || !(stored > 0.0)) {
        e.problem = "Calculation error: the stored K0 is not valid, nothing was written";
        return e;
    }
    e.error = (e.calculated - stored) / stored * 100.0;
    e.passed = -AUDIT_ERROR <= e.error && e.error <= AUDIT_ERROR;
    return e;
}

K0Evaluation K0Evaluation::OfMeasurements(const std::array<double, 5>& f, const std::array<double, 4>& m,
                                          double stored, bool audit) {
    std::array<double, 4> k0{};
    double mass = 0.0;
    for (size_t k = 0; k < 4; ++k) {
        mass += m[k];
        k0[k] = K0FromFrequencies(mass, f[0], f[k + 1]);
    }
    return OfK0s(k0, stored, audit);
}

} // namespace orvo
