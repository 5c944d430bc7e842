// Inverse lens polynomial by Householder least squares in double precision.
#include "lens_fit.h"

#include <cmath>
#include <vector>

#include "camera/lens.h"

namespace {

constexpr int kTerms = 8;      // c1..c8
constexpr int kSamples = 400;  // angles spread evenly over the field of view

// Solves min |A x - b| for a kSamples x kTerms matrix A (row-major) by
// Householder reflections; A and b are overwritten.
std::vector<double> crSolveLeastSquares(std::vector<double>& a, std::vector<double>& b) {
    const int m = kSamples, n = kTerms;
    for (int j = 0; j < n; ++j) {
        double norm = 0.0;
        for (int i = j; i < m; ++i) norm += a[i * n + j] * a[i * n + j];
        norm = std::sqrt(norm);
        const double alpha = a[j * n + j] > 0 ? -norm : norm;
        std::vector<double> v(m, 0.0);
        for (int i = j; i < m; ++i) v[i] = a[i * n + j];
        v[j] -= alpha;
        double vv = 0.0;
        for (int i = j; i < m; ++i) vv += v[i] * v[i];
        if (vv == 0.0) continue;
        for (int col = j; col < n; ++col) {
            double dot = 0.0;
            for (int i = j; i < m; ++i) dot += v[i] * a[i * n + col];
            for (int i = j; i < m; ++i) a[i * n + col] -= 2.0 * dot / vv * v[i];
        }
        double dot = 0.0;
        for (int i = j; i < m; ++i) dot += v[i] * b[i];
        for (int i = j; i < m; ++i) b[i] -= 2.0 * dot / vv * v[i];
    }
    std::vector<double> x(n, 0.0);
    for (int j = n - 1; j >= 0; --j) {
        double sum = b[j];
        for (int col = j + 1; col < n; ++col) sum -= a[j * n + col] * x[col];
        x[j] = sum / a[j * n + j];
    }
    return x;
}

}  // namespace

void crFitInverseLens(const float k[5], double maxAngle, float c[9]) {
    // Heights are scaled to [0, 1] for the fit, which keeps the columns of
    // the Vandermonde matrix well apart; the scale is undone afterwards.
    const double maxHeight = crLensAngleToHeight(k, static_cast<float>(maxAngle));
    std::vector<double> a(kSamples * kTerms), b(kSamples);
    for (int i = 0; i < kSamples; ++i) {
        const float theta = static_cast<float>(maxAngle * i / (kSamples - 1));
        const double t = crLensAngleToHeight(k, theta) / maxHeight;
        double power = 1.0;
        for (int j = 0; j < kTerms; ++j) {
            power *= t;
            a[i * kTerms + j] = power;
        }
        b[i] = theta;
    }
    const std::vector<double> x = crSolveLeastSquares(a, b);
    c[0] = 0.0f;
    for (int j = 0; j < kTerms; ++j) c[j + 1] = static_cast<float>(x[j] / std::pow(maxHeight, j + 1));
}
