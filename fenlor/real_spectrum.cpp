#include "real_spectrum.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>

namespace fenlor_detail {

WindowShape windowShape(unsigned short window) {
    switch (window) {
    case 1: return {0.5, 0.5, 0.0, 2.0};
    case 2: return {0.54, 0.46, 0.0, 1.0 / 0.54};
    case 3: return {0.42, 0.5, 0.08, 1.0 / 0.42};
    default: return {1.0, 0.0, 0.0, 1.0};
    }
}

namespace {

// Every helper taking or giving a v4 is inlined, so no call passes one by value.
#pragma GCC diagnostic ignored "-Wpsabi"

// Four doubles; the plain build runs it as two SSE2 halves, the AVX2 build in one register.
// Same operations in the same order either way, so both give the same bits. Lanes move with
// __builtin_shufflevector, which g++ (12 on) and clang++ both know.
typedef double v4 __attribute__((vector_size(32)));

[[gnu::always_inline]] inline v4 load(const double* p) {
    v4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
[[gnu::always_inline]] inline void store(double* p, v4 v) { std::memcpy(p, &v, sizeof v); }
[[gnu::always_inline]] inline v4 splat(double x) { return v4{x, x, x, x}; }

// emit(k, cos(k theta), sin(k theta)) for k < count. Exact values at every b-th angle and for
// the first b steps (b about the square root of count, at most 64), joined by one rotation
// each: two roundings per value, and only count/b + b calls of the library's sine.
template <class Emit>
[[gnu::always_inline]] inline void unitCircle(double theta, std::size_t count, Emit emit) {
    constexpr std::size_t kMaxBlock = 64;
    const std::size_t block = std::min<std::size_t>(std::size_t(1) << (std::bit_width(count) / 2), kMaxBlock);
    double ic[kMaxBlock];
    double is[kMaxBlock];
    const std::size_t inner = std::min(count, block);
    for (std::size_t b = 0; b < inner; ++b) {
        ic[b] = std::cos(double(b) * theta);
        is[b] = std::sin(double(b) * theta);
    }
    for (std::size_t a = 0; a < count; a += block) {
        const double ca = std::cos(double(a) * theta);
        const double sa = std::sin(double(a) * theta);
        const std::size_t end = std::min(block, count - a);
        for (std::size_t b = 0; b < end; ++b) emit(a + b, ca * ic[b] - sa * is[b], sa * ic[b] + ca * is[b]);
    }
}

// e^(-2 pi i k / n) for k < 3n/4 (n >= 8): the first eighth of the circle computed, the rest
// by its symmetries, exactly.
[[gnu::always_inline]] inline void twiddles(std::size_t n, double* __restrict tr, double* __restrict ti) {
    const std::size_t eighth = n / 8;
    const std::size_t quarter = n / 4;
    unitCircle(2.0 * std::numbers::pi / double(n), eighth + 1, [=](std::size_t k, double c, double s) {
        tr[k] = c;
        ti[k] = -s;
    });
    for (std::size_t k = eighth + 1; k < quarter; ++k) { // cos and sin swap about pi/4
        tr[k] = -ti[quarter - k];
        ti[k] = -tr[quarter - k];
    }
    for (std::size_t k = quarter; k < 2 * quarter; ++k) { // a quarter turn on
        tr[k] = ti[k - quarter];
        ti[k] = -tr[k - quarter];
    }
    for (std::size_t k = 2 * quarter; k < 3 * quarter; ++k) { // half a turn on
        tr[k] = -tr[k - 2 * quarter];
        ti[k] = -ti[k - 2 * quarter];
    }
}

struct Split {
    double* re;
    double* im;
};

[[gnu::always_inline]] inline void cmul(v4 ar, v4 ai, v4 wr, v4 wi, v4& outR, v4& outI) {
    outR = wr * ar - wi * ai;
    outI = wr * ai + wi * ar;
}

struct Turn {
    v4 r[3], i[3]; // w, w^2, w^3
};

[[gnu::always_inline]] inline Turn turnsOf(v4 w1r, v4 w1i) {
    Turn t;
    t.r[0] = w1r;
    t.i[0] = w1i;
    t.r[1] = w1r * w1r - w1i * w1i;
    t.i[1] = 2.0 * w1r * w1i;
    t.r[2] = w1r * t.r[1] - w1i * t.i[1];
    t.i[2] = w1r * t.i[1] + w1i * t.r[1];
    return t;
}

// 4-point butterfly of a, b, c, d (forward kernel); with `turn`, outputs 1 to 3 are turned
// by w, w^2, w^3.
template <bool kTurn>
[[gnu::always_inline]] inline void butterfly(const v4 (&r)[4], const v4 (&i)[4], const Turn& turn, v4 (&outR)[4],
                                             v4 (&outI)[4]) {
    const v4 apcR = r[0] + r[2], apcI = i[0] + i[2];
    const v4 amcR = r[0] - r[2], amcI = i[0] - i[2];
    const v4 bpdR = r[1] + r[3], bpdI = i[1] + i[3];
    const v4 jbmdR = i[3] - i[1], jbmdI = r[1] - r[3]; // i x (b - d)
    outR[0] = apcR + bpdR;
    outI[0] = apcI + bpdI;
    if constexpr (kTurn) {
        cmul(amcR - jbmdR, amcI - jbmdI, turn.r[0], turn.i[0], outR[1], outI[1]);
        cmul(apcR - bpdR, apcI - bpdI, turn.r[1], turn.i[1], outR[2], outI[2]);
        cmul(amcR + jbmdR, amcI + jbmdI, turn.r[2], turn.i[2], outR[3], outI[3]);
    } else {
        outR[1] = amcR - jbmdR;
        outI[1] = amcI - jbmdI;
        outR[2] = apcR - bpdR;
        outI[2] = apcI - bpdI;
        outR[3] = amcR + jbmdR;
        outI[3] = amcI + jbmdI;
    }
}

// One radix-4 pass with stride s >= 4 over sub-transforms of length 4m.
template <bool kTurn>
[[gnu::always_inline]] inline void radix4Pass(std::size_t m, std::size_t s, const Split& x, const Split& y,
                                              const double* tr, const double* ti) {
    const std::size_t sm = s * m;
    for (std::size_t p = 0; p < m; ++p) {
        Turn turn{};
        if constexpr (kTurn) {
            for (int k = 0; k < 3; ++k) {
                turn.r[k] = splat(tr[2 * (k + 1) * p * s]);
                turn.i[k] = splat(ti[2 * (k + 1) * p * s]);
            }
        }
        const double* ar = x.re + s * p;
        const double* ai = x.im + s * p;
        double* br = y.re + 4 * s * p;
        double* bi = y.im + 4 * s * p;
        for (std::size_t q = 0; q < s; q += 4) {
            v4 r[4], i[4], outR[4], outI[4];
            for (int k = 0; k < 4; ++k) {
                r[k] = load(ar + q + k * sm);
                i[k] = load(ai + q + k * sm);
            }
            butterfly<kTurn>(r, i, turn, outR, outI);
            for (int k = 0; k < 4; ++k) {
                store(br + q + k * s, outR[k]);
                store(bi + q + k * s, outI[k]);
            }
        }
    }
}

// Rows of four vectors become columns: out[l][k] = in[k][l].
[[gnu::always_inline]] inline void transpose(v4 (&v)[4]) {
    const v4 t0 = __builtin_shufflevector(v[0], v[1], 0, 4, 1, 5);
    const v4 t1 = __builtin_shufflevector(v[0], v[1], 2, 6, 3, 7);
    const v4 t2 = __builtin_shufflevector(v[2], v[3], 0, 4, 1, 5);
    const v4 t3 = __builtin_shufflevector(v[2], v[3], 2, 6, 3, 7);
    v[0] = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
    v[1] = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
    v[2] = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
    v[3] = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
}

// Stockham radix-4 passes over `size` complex points (size >= 16). The pass with sub-transform
// length n and stride s turns by e^(-2 pi i k p s / size) = t[2 k p s], k = 1 to 3. Returns
// where the result is.
[[gnu::always_inline]] inline Split complexTransform(std::size_t size, Split x, Split y, const double* tr,
                                                     const double* ti) {
    // First pass, stride 1: four butterflies side by side along p, the outputs transposed.
    {
        const std::size_t m = size / 4;
        for (std::size_t p = 0; p < m; p += 4) {
            v4 r[4], i[4], outR[4], outI[4];
            for (int k = 0; k < 4; ++k) {
                r[k] = load(x.re + p + k * m);
                i[k] = load(x.im + p + k * m);
            }
            const v4 w1r = __builtin_shufflevector(load(tr + 2 * p), load(tr + 2 * p + 4), 0, 2, 4, 6);
            const v4 w1i = __builtin_shufflevector(load(ti + 2 * p), load(ti + 2 * p + 4), 0, 2, 4, 6);
            butterfly<true>(r, i, turnsOf(w1r, w1i), outR, outI);
            transpose(outR);
            transpose(outI);
            for (int l = 0; l < 4; ++l) {
                store(y.re + 4 * (p + l), outR[l]);
                store(y.im + 4 * (p + l), outI[l]);
            }
        }
        std::swap(x, y);
    }
    std::size_t n = size / 4;
    std::size_t s = 4;
    for (; n >= 4; n /= 4, s *= 4) {
        if (n == 4)
            radix4Pass<false>(1, s, x, y, tr, ti); // the last pass turns by 1 only
        else
            radix4Pass<true>(n / 4, s, x, y, tr, ti);
        std::swap(x, y);
    }
    if (n == 2) {
        for (std::size_t q = 0; q < s; q += 4) {
            const v4 ar = load(x.re + q), ai = load(x.im + q);
            const v4 br = load(x.re + q + s), bi = load(x.im + q + s);
            store(y.re + q, ar + br);
            store(y.im + q, ai + bi);
            store(y.re + q + s, ar - br);
            store(y.im + q + s, ai - bi);
        }
        std::swap(x, y);
    }
    return x;
}

[[gnu::always_inline]] inline void spectrum(const float* input, unsigned n, unsigned short window, double* scratch,
                                            float* output) {
    const std::size_t half = n / 2;
    Split x{scratch, scratch + half};
    Split y{scratch + 2 * half, scratch + 3 * half};
    double* tr = scratch + 4 * half;
    double* ti = tr + 3 * half / 2;

    // Weights of samples 0 .. n/2-1 into y.re; the window is symmetric about the block's middle.
    const WindowShape shape = windowShape(window);
    double* w = y.re;
    if (shape.a1 != 0.0) {
        unitCircle(2.0 * std::numbers::pi / double(n - 1), half, [=](std::size_t k, double c, double) {
            w[k] = shape.a0 - shape.a1 * c + shape.a2 * (2.0 * c * c - 1.0);
        });
    } else {
        std::fill(w, w + half, 1.0);
    }

    // z[m] = w(2m) x(2m) + i w(2m+1) x(2m+1)
    const std::size_t quarter = half / 2;
    for (std::size_t m = 0; m < quarter; ++m) {
        x.re[m] = w[2 * m] * input[2 * m];
        x.im[m] = w[2 * m + 1] * input[2 * m + 1];
    }
    for (std::size_t r = 0; r < quarter; ++r) { // m = half - 1 - r: weights 2r + 1 and 2r
        x.re[half - 1 - r] = w[2 * r + 1] * input[n - 2 - 2 * r];
        x.im[half - 1 - r] = w[2 * r] * input[n - 1 - 2 * r];
    }

    twiddles(n, tr, ti);
    const Split z = complexTransform(half, x, y, tr, ti);
    double* power = z.re == x.re ? y.re : x.re; // the free buffer

    // Unfold: X[k] = E[k] + e^(-2 pi i k / n) O[k], with E and O the spectra of the even and
    // odd samples, E[k] = (Z[k] + conj Z[h-k]) / 2 and O[k] = (Z[k] - conj Z[h-k]) / 2i.
    // power[k] = |X[k]|^2.
    {
        const double dc = z.re[0] + z.im[0];
        power[0] = dc * dc;
        std::size_t k = 1;
        for (; k + 4 <= half; k += 4) {
            const std::size_t j = half - k - 3;
            const v4 zr = load(z.re + k), zi = load(z.im + k);
            const v4 jr = load(z.re + j), ji = load(z.im + j);
            const v4 cr = __builtin_shufflevector(jr, jr, 3, 2, 1, 0);
            const v4 ci = -__builtin_shufflevector(ji, ji, 3, 2, 1, 0);
            const v4 er = 0.5 * (zr + cr), ei = 0.5 * (zi + ci);
            const v4 orr = 0.5 * (zi - ci), oi = 0.5 * (cr - zr);
            const v4 twr = load(tr + k), twi = load(ti + k);
            const v4 xr = er + twr * orr - twi * oi;
            const v4 xi = ei + twr * oi + twi * orr;
            store(power + k, xr * xr + xi * xi);
        }
        for (; k < half; ++k) {
            const std::size_t j = half - k;
            const double zr = z.re[k], zi = z.im[k];
            const double cr = z.re[j], ci = -z.im[j];
            const double er = 0.5 * (zr + cr), ei = 0.5 * (zi + ci);
            const double orr = 0.5 * (zi - ci), oi = 0.5 * (cr - zr);
            const double xr = er + tr[k] * orr - ti[k] * oi;
            const double xi = ei + tr[k] * oi + ti[k] * orr;
            power[k] = xr * xr + xi * xi;
        }
    }

    // output = |X| / n, then times the gain. The root is taken in single precision, where the
    // result ends anyway: eight lanes instead of four.
    const double inv2 = 1.0 / (double(n) * double(n)); // exact: n is a power of two
    const double gain = shape.gain;
    for (std::size_t k = 0; k < half; ++k) output[k] = float(double(std::sqrt(float(power[k] * inv2))) * gain);
}

__attribute__((target("avx2"))) void spectrumAvx2(const float* input, unsigned n, unsigned short window,
                                                  double* scratch, float* output) {
    spectrum(input, n, window, scratch, output);
}

void spectrumPlain(const float* input, unsigned n, unsigned short window, double* scratch, float* output) {
    spectrum(input, n, window, scratch, output);
}

} // namespace

void realSpectrum(const float* input, unsigned n, unsigned short window, double* scratch, float* output) {
    if (__builtin_cpu_supports("avx2"))
        spectrumAvx2(input, n, window, scratch, output);
    else
        spectrumPlain(input, n, window, scratch, output);
}

} // namespace fenlor_detail
