#pragma once

#include <optional>
#include <vector>

namespace orvo {

// y = intercept + slope * x
struct LineFit {
    double intercept = 0.0;
    double slope = 0.0;
};

// Least-squares polynomial of two terms: the normal equations (sums of x^(i+j) and y*x^i) solved by
// Gauss-Jordan elimination with full pivoting. Nothing when there are fewer than two points, the
// lists differ in length, a value is not finite, the equations are singular (all x equal) or the
// result is not finite: a caller must never go on with an undefined line.
std::optional<LineFit> FitLine(const std::vector<double>& x, const std::vector<double>& y);

// The same against the sample number 0, 1, 2, ...
std::optional<LineFit> FitLineOverIndex(const std::vector<double>& y);

// Least-squares slope per sample against the index 0..n-1 in closed form:
// (n*sum(i*y) - sum(i)*sum(y)) / (n*sum(i^2) - sum(i)^2). Nothing for fewer than two samples or a
// value that is not finite.
std::optional<double> IndexSlope(const std::vector<double>& y);

// Solves a * x = b in place by Gauss-Jordan elimination with full pivoting; false when singular.
bool SolveGaussJordan(std::vector<std::vector<double>>& a, std::vector<double>& b);

} // namespace orvo
