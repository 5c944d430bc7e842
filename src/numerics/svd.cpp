// Singular value decomposition A = U diag(w) V^T by Householder
// bidiagonalisation and implicit QR sweeps (Golub-Reinsch), in the form of
// the classic float svdcmp routine with 0-based indices. Its expressions are
// kept as that routine's C evaluates them: float variables, but a term with
// sqrt() or a double literal is computed in double and stored back to float.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "numerics.h"

namespace {

struct SvdState {
    float** a;  // m x n, becomes U
    int m;
    int n;
    float* w;     // singular values
    float** v;    // n x n, becomes V
    float* e;     // superdiagonal of the bidiagonal form
    float anorm;  // bound on the norm, the yardstick of negligible values
};

// |a| with the sign of b, in double like the routine's SIGN macro.
double crSignOf(double a, float b) { return b >= 0.0 ? std::fabs(a) : -std::fabs(a); }

// x vanishes next to the norm bound: (float)(|x| + anorm) == anorm.
bool crNegligible(float x, float anorm) {
    return static_cast<float>(std::fabs(static_cast<double>(x)) + anorm) == anorm;
}

// Plane rotation of columns p and q over `count` rows.
void crRotateColumns(float** rows, int count, int p, int q, float c, float s) {
    for (int r = 0; r < count; ++r) {
        const float y = rows[r][p];
        const float z = rows[r][q];
        rows[r][p] = y * c + z * s;
        rows[r][q] = z * c - y * s;
    }
}

// Householder reflection zeroing column i below the diagonal. Returns the
// new diagonal element.
float crReflectColumn(SvdState& st, int i) {
    float** a = st.a;
    float scale = 0.0f, s = 0.0f, g = 0.0f;
    if (i < st.m) {
        for (int k = i; k < st.m; ++k) scale += std::fabs(a[k][i]);
        if (scale != 0.0f) {
            for (int k = i; k < st.m; ++k) {
                a[k][i] /= scale;
                s += a[k][i] * a[k][i];
            }
            float f = a[i][i];
            g = static_cast<float>(-crSignOf(std::sqrt(static_cast<double>(s)), f));
            const float h = f * g - s;
            a[i][i] = f - g;
            for (int j = i + 1; j < st.n; ++j) {
                s = 0.0f;
                for (int k = i; k < st.m; ++k) s += a[k][i] * a[k][j];
                f = s / h;
                for (int k = i; k < st.m; ++k) a[k][j] += f * a[k][i];
            }
            for (int k = i; k < st.m; ++k) a[k][i] *= scale;
        }
    }
    return scale * g;
}

// Householder reflection zeroing row i right of the superdiagonal. Returns
// g and leaves the row's scale in *scale; their product is the next
// superdiagonal element.
float crReflectRow(SvdState& st, int i, float* scale) {
    float** a = st.a;
    float* e = st.e;
    const int l = i + 1;
    float s = 0.0f, g = 0.0f;
    *scale = 0.0f;
    if (i < st.m && i != st.n - 1) {
        for (int k = l; k < st.n; ++k) *scale += std::fabs(a[i][k]);
        if (*scale != 0.0f) {
            for (int k = l; k < st.n; ++k) {
                a[i][k] /= *scale;
                s += a[i][k] * a[i][k];
            }
            const float f = a[i][l];
            g = static_cast<float>(-crSignOf(std::sqrt(static_cast<double>(s)), f));
            const float h = f * g - s;
            a[i][l] = f - g;
            for (int k = l; k < st.n; ++k) e[k] = a[i][k] / h;
            for (int j = l; j < st.m; ++j) {
                s = 0.0f;
                for (int k = l; k < st.n; ++k) s += a[j][k] * a[i][k];
                for (int k = l; k < st.n; ++k) a[j][k] += s * e[k];
            }
            for (int k = l; k < st.n; ++k) a[i][k] *= *scale;
        }
    }
    return g;
}

void crBidiagonalise(SvdState& st) {
    float rowScale = 0.0f, rowG = 0.0f;
    st.anorm = 0.0f;
    for (int i = 0; i < st.n; ++i) {
        st.e[i] = rowScale * rowG;
        st.w[i] = crReflectColumn(st, i);
        rowG = crReflectRow(st, i, &rowScale);
        const float bound =
            static_cast<float>(std::fabs(static_cast<double>(st.w[i])) + std::fabs(static_cast<double>(st.e[i])));
        st.anorm = st.anorm > bound ? st.anorm : bound;
    }
}

// V from the row reflections, last to first. The last row had no
// reflection, so g starts at zero.
void crAccumulateRight(SvdState& st) {
    float** a = st.a;
    float** v = st.v;
    const int n = st.n;
    float g = 0.0f;
    int l = n;
    for (int i = n - 1; i >= 0; --i) {
        if (i < n - 1) {
            if (g != 0.0f) {
                for (int j = l; j < n; ++j) v[j][i] = (a[i][j] / a[i][l]) / g;
                for (int j = l; j < n; ++j) {
                    float s = 0.0f;
                    for (int k = l; k < n; ++k) s += a[i][k] * v[k][j];
                    for (int k = l; k < n; ++k) v[k][j] += s * v[k][i];
                }
            }
            for (int j = l; j < n; ++j) v[i][j] = v[j][i] = 0.0f;
        }
        v[i][i] = 1.0f;
        g = st.e[i];
        l = i;
    }
}

// U from the column reflections, in place of a.
void crAccumulateLeft(SvdState& st) {
    float** a = st.a;
    const int m = st.m, n = st.n;
    for (int i = (m < n ? m : n) - 1; i >= 0; --i) {
        const int l = i + 1;
        float g = st.w[i];
        for (int j = l; j < n; ++j) a[i][j] = 0.0f;
        if (g != 0.0f) {
            g = static_cast<float>(1.0 / g);
            for (int j = l; j < n; ++j) {
                float s = 0.0f;
                for (int k = l; k < m; ++k) s += a[k][i] * a[k][j];
                const float f = (s / a[i][i]) * g;
                for (int k = i; k < m; ++k) a[k][j] += f * a[k][i];
            }
            for (int j = i; j < m; ++j) a[j][i] *= g;
        } else {
            for (int j = i; j < m; ++j) a[j][i] = 0.0f;
        }
        ++a[i][i];
    }
}

// Lowest l <= k such that e[l] is negligible (the block w[l..k] splits off)
// or w[l-1] is. *cancel tells that w[l-1] was the negligible one, so e[l]
// must first be rotated away. e[0] is zero by construction; testing l == 0
// directly only matters for non-finite input.
int crFindSplit(const SvdState& st, int k, bool* cancel) {
    int l = k;
    for (; l >= 0; --l) {
        if (l == 0 || crNegligible(st.e[l], st.anorm)) {
            *cancel = false;
            return l;
        }
        if (crNegligible(st.w[l - 1], st.anorm)) break;
    }
    *cancel = true;
    return l;
}

// Zeroes e[l..k] by Givens rotations against the negligible w[l-1].
void crCancelSuperdiagonal(SvdState& st, int l, int k) {
    const int nm = l - 1;
    float c = 0.0f, s = 1.0f;
    for (int i = l; i <= k; ++i) {
        const float f = s * st.e[i];
        st.e[i] = c * st.e[i];
        if (crNegligible(f, st.anorm)) break;
        const float g = st.w[i];
        float h = crPythag(f, g);
        st.w[i] = h;
        h = static_cast<float>(1.0 / h);
        c = g * h;
        s = -f * h;
        crRotateColumns(st.a, st.m, nm, i, c, s);
    }
}

// One implicit QR sweep over w[l..k], shifted by the eigenvalue of the
// bottom 2 x 2 minor nearer to its last diagonal element.
void crQrSweep(SvdState& st, int l, int k) {
    float* w = st.w;
    float* e = st.e;
    float x = w[l];
    const int nm = k - 1;
    float y = w[nm];
    float z = w[k];
    float g = e[nm];
    float h = e[k];
    float f = static_cast<float>(static_cast<double>((y - z) * (y + z) + (g - h) * (g + h)) / (2.0 * h * y));
    g = crPythag(f, 1.0f);
    const double shifted = y / (f + crSignOf(g, f));
    f = static_cast<float>(((x - z) * (x + z) + h * (shifted - h)) / x);
    float c = 1.0f, s = 1.0f;
    for (int j = l; j <= nm; ++j) {
        const int i = j + 1;
        g = e[i];
        y = w[i];
        h = s * g;
        g = c * g;
        z = crPythag(f, h);
        e[j] = z;
        c = f / z;
        s = h / z;
        f = x * c + g * s;
        g = g * c - x * s;
        h = y * s;
        y *= c;
        crRotateColumns(st.v, st.n, j, i, c, s);
        z = crPythag(f, h);
        w[j] = z;
        if (z != 0.0f) {
            z = static_cast<float>(1.0 / z);
            c = f * z;
            s = h * z;
        }
        f = c * g + s * y;
        x = c * y - s * g;
        crRotateColumns(st.a, st.m, j, i, c, s);
    }
    e[l] = 0.0f;
    e[k] = f;
    w[k] = x;
}

// Iterates until w[k] is split off; a negative value is made non-negative
// with its column of V. False after 30 passes without convergence.
bool crDiagonaliseValue(SvdState& st, int k) {
    for (int its = 1; its <= 30; ++its) {
        bool cancel = false;
        const int l = crFindSplit(st, k, &cancel);
        if (cancel) crCancelSuperdiagonal(st, l, k);
        const float z = st.w[k];
        if (l == k) {
            if (z < 0.0f) {
                st.w[k] = -z;
                for (int j = 0; j < st.n; ++j) st.v[j][k] = -st.v[j][k];
            }
            return true;
        }
        if (its == 30) return false;
        crQrSweep(st, l, k);
    }
    return false;
}

}  // namespace

// False, with nothing written, for fewer rows than columns or without memory
// for the work vector. A value that does not converge is reported on the
// console but leaves the partial results, so the result is still true.
bool svdcmp(float** a, int m, int n, float* w, float** v) {
    if (m < n) {
        std::printf("Number of rows in A must be greater or equal to number of columns");
        return false;
    }
    SvdState st{a, m, n, w, v, crAllocArray<float>(n), 0.0f};
    if (!st.e) return false;
    crBidiagonalise(st);
    crAccumulateRight(st);
    crAccumulateLeft(st);
    for (int k = n - 1; k >= 0; --k) {
        if (!crDiagonaliseValue(st, k)) {
            std::printf("No convergence in 30 svdcmp iterations");
            break;
        }
    }
    std::free(st.e);
    return true;
}

float crPythag(float a, float b) {
    const float p = std::fabs(a);
    const float q = std::fabs(b);
    if (p > q) {
        const float ratio = q / p;
        return static_cast<float>(p * std::sqrt(1.0 + ratio * ratio));
    }
    if (q == 0.0f) return 0.0f;
    const float ratio = p / q;
    return static_cast<float>(q * std::sqrt(1.0 + ratio * ratio));
}
