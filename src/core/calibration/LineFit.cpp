#include "calibration/LineFit.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

namespace orvo {

namespace {

bool AllFinite(const std::vector<double>& values) {
    for (double v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}

} // namespace

bool SolveGaussJordan(std::vector<std::vector<double>>& a, std::vector<double>& b) {
    const size_t n = b.size();
    if (a.size() != n)
        return false;
    for (const auto& row : a)
        if (row.size() != n)
            return false;
    std::vector<size_t> column(n); // column[k]: the unknown that ended up in column k
    std::iota(column.begin(), column.end(), size_t(0));
    for (size_t k = 0; k < n; ++k) {
        // Full pivoting: the largest remaining element anywhere below and right of (k, k).
        size_t pr = k, pc = k;
        double best = 0.0;
        for (size_t r = k; r < n; ++r)
            for (size_t c = k; c < n; ++c)
                if (std::fabs(a[r][c]) > best) {
                    best = std::fabs(a[r][c]);
                    pr = r;
                    pc = c;
                }
        if (!(best > 0.0) || !std::isfinite(best))
            return false;
        std::swap(a[k], a[pr]);
        std::swap(b[k], b[pr]);
        if (pc != k) {
            for (auto& row : a)
                std::swap(row[k], row[pc]);
            std::swap(column[k], column[pc]);
        }
        const double pivot = a[k][k];
        for (size_t c = 0; c < n; ++c)
            a[k][c] /= pivot;
        b[k] /= pivot;
        for (size_t r = 0; r < n; ++r) {
            if (r == k || a[r][k] == 0.0)
                continue;
            const double f = a[r][k];
            for (size_t c = 0; c < n; ++c)
                a[r][c] -= f * a[k][c];
            b[r] -= f * b[k];
        }
    }
    std::vector<double> x(n);
    for (size_t k = 0; k < n; ++k)
        x[column[k]] = b[k];
    b = std::move(x);
    return true;
}

std::optional<LineFit> FitLine(const std::vector<double>& x, const std::vector<double>& y) {
    if (x.size() != y.size() || x.size() < 2 || !AllFinite(x) || !AllFinite(y))
        return std::nullopt;
    double sx = 0, sxx = 0, sy = 0, sxy = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        sx += x[i];
        sxx += x[i] * x[i];
        sy += y[i];
        sxy += x[i] * y[i];
    }
    std::vector<std::vector<double>> a = {{double(x.size()), sx}, {sx, sxx}};
    std::vector<double> b = {sy, sxy};
    if (!SolveGaussJordan(a, b))
        return std::nullopt;
    // Equal x values leave a pivot that is only rounding noise.
    const double spread = double(x.size()) * sxx - sx * sx;
    if (!(std::fabs(spread) > 1e-12 * std::max(1.0, sxx * double(x.size()))))
        return std::nullopt;
    if (!std::isfinite(b[0]) || !std::isfinite(b[1]))
        return std::nullopt;
    return LineFit{b[0], b[1]};
}

std::optional<LineFit> FitLineOverIndex(const std::vector<double>& y) {
    std::vector<double> x(y.size());
    std::iota(x.begin(), x.end(), 0.0);
    return FitLine(x, y);
}

std::optional<double> IndexSlope(const std::vector<double>& y) {
    const size_t n = y.size();
    if (n < 2 || !AllFinite(y))
        return std::nullopt;
    double si = 0, sii = 0, sy = 0, siy = 0;
    for (size_t i = 0; i < n; ++i) {
        si += double(i);
        sii += double(i) * double(i);
        sy += y[i];
        siy += double(i) * y[i];
    }
    const double slope = (double(n) * siy - si * sy) / (double(n) * sii - si * si);
    if (!std::isfinite(slope))
        return std::nullopt;
    return slope;
}

} // namespace orvo
