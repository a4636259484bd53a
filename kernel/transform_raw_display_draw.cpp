#include "transform_raw_display_draw.h"

#include <cmath>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Entries that are 0; all others are 1.
constexpr unsigned char kJitterZero[] = {1,   16,  22,  26,  32,  35,  37,  38,  41,  42,  43,  45,  46,  48,  49,  50,
                                         51,  56,  57,  60,  66,  67,  69,  72,  74,  75,  76,  77,  78,  84,  86,  95,
                                         102, 110, 112, 113, 116, 117, 119, 121, 126, 131, 138, 147, 152, 155, 157, 161,
                                         164, 166, 169, 175, 178, 180, 181, 184, 188, 189, 191, 197, 198};

struct JitterTable {
    unsigned char value[JITTER_TABLE_SIZE];
    constexpr JitterTable() : value() {
        for (auto& v : value) v = 1;
        for (unsigned char z : kJitterZero) value[z] = 0;
    }
};
constexpr JitterTable kJitter;

// A 16-bit multiplier m with (p x m) >> 16 == trunc(p x decay) for every byte p, or 0 when
// none of the candidates near decay x 65536 is exact.
unsigned fadeMultiplier(double decay) {
    if (!(decay > 0.0 && decay < 1.0)) return 0;
    const long base = static_cast<long>(decay * 65536.0);
    for (long m = base - 2; m <= base + 3; ++m) {
        if (m <= 0 || m > 65535) continue;
        bool exact = true;
        for (int p = 1; p < 256 && exact; ++p) exact = ((p * m) >> 16) == static_cast<long>(p * decay);
        if (exact) return static_cast<unsigned>(m);
    }
    return 0;
}

// Rows from..to of column x (clipped) get the step again; the step in a local, since the
// image's byte stores could alias the canvas.
void plotSpan(const TraceCanvas& c, int x, int from, int to) {
    if (from < 0) from = 0;
    if (to > c.height - 1) to = c.height - 1;
    unsigned char* p = c.image + static_cast<size_t>(x);
    const size_t w = static_cast<size_t>(c.width);
    const int step = c.step;
    for (int y = from; y <= to; ++y) {
        unsigned char& px = p[static_cast<size_t>(y) * w];
        const int v = px + step;
        px = static_cast<unsigned char>(v > INTENSITY_MAX ? INTENSITY_MAX : v);
    }
}

} // namespace

int clampIntensityStep(double step) {
    if (!(step > 0.0)) return 0; // also NaN
    if (step >= INTENSITY_MAX) return INTENSITY_MAX;
    return static_cast<int>(step);
}

int JitterSequence::next() {
    if (++d_counter >= JITTER_TABLE_SIZE) d_counter = 0;
    return kJitter.value[d_counter];
}

int JitterSequence::entry(int index) { return index >= 0 && index < JITTER_TABLE_SIZE ? kJitter.value[index] : 0; }

void fillDecayTable(double (&decay_)[PERSISTENCE_LEVELS], int timeDiv_) {
    double c = 0.05;
    if (timeDiv_ >= 0 && timeDiv_ <= 10) {
        static constexpr int kB[11] = {25, 20, 20, 20, 20, 20, 20, 20, 10, 5, 2};
        c = kB[timeDiv_] * 0.0015 + 0.02;
    } else if (timeDiv_ >= 11 && timeDiv_ <= 13) {
        c = 0.055;
    } else if (timeDiv_ >= 14 && timeDiv_ <= 25) {
        static constexpr double kM[12] = {0.001, 0.002, 0.004, 0.01, 0.02, 0.04, 0.1, 0.2, 0.4, 1, 2, 4};
        c = 0.055 + 1.5 * kM[timeDiv_ - 14];
    }
    decay_[0] = 0.1;
    for (int i = 1; i <= 9; ++i) decay_[i] = std::exp(-c / (0.05 * i));
    for (int j = 10; j <= 15; ++j) decay_[j] = std::exp(-c / (0.5 * (j - 9)));
    decay_[16] = 1.0;
}

void fadeImage(unsigned char* image_, size_t count_, double decay_) {
    if (decay_ == 1.0) return;
    const unsigned m = fadeMultiplier(decay_);
    if (m == 0) {
        for (size_t i = 0; i < count_; ++i)
            if (image_[i]) image_[i] = static_cast<unsigned char>(image_[i] * decay_);
        return;
    }
    size_t i = 0;
#ifdef __SSE2__
    const __m128i mul = _mm_set1_epi16(static_cast<short>(m));
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= count_; i += 16) {
        // Traces are sparse: most of the picture is dark and stays so; 64 dark bytes at once.
        if (i % 64 == 0 && i + 64 <= count_) {
            const auto* q = reinterpret_cast<const __m128i*>(image_ + i);
            const __m128i any = _mm_or_si128(_mm_or_si128(_mm_loadu_si128(q), _mm_loadu_si128(q + 1)),
                                             _mm_or_si128(_mm_loadu_si128(q + 2), _mm_loadu_si128(q + 3)));
            if (_mm_movemask_epi8(_mm_cmpeq_epi8(any, zero)) == 0xFFFF) {
                i += 48;
                continue;
            }
        }
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(image_ + i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)) == 0xFFFF) continue;
        __m128i lo = _mm_mulhi_epu16(_mm_unpacklo_epi8(v, zero), mul);
        __m128i hi = _mm_mulhi_epu16(_mm_unpackhi_epi8(v, zero), mul);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(image_ + i), _mm_packus_epi16(lo, hi));
    }
#endif
    for (; i < count_; ++i) image_[i] = static_cast<unsigned char>((image_[i] * m) >> 16);
}

void drawDots(const TraceCanvas& c, const short* record_, int size_, JitterSequence* jitter_) {
    if (c.width <= 0 || size_ <= 0) return;
    const int perColumn = size_ / c.width;
    for (int x = 0; x < c.width; ++x) {
        const short* s = record_ + static_cast<size_t>(x) * static_cast<size_t>(perColumn);
        for (int i = 0; i < perColumn; ++i) {
            const int code = sampleCode(s[i]);
            if (!isDrawableCode(code, c.adcLevels)) continue;
            int row = c.rows[code];
            if (jitter_) row += jitter_->next();
            plotHit(c, x, row);
        }
    }
}

void drawVectors(const TraceCanvas& c, const short* record_, int size_) {
    if (c.width <= 0) return;
    const size_t per = size_ > 0 ? static_cast<size_t>(size_ / c.width) : 0;
    // The canvas in locals: the image's byte stores could alias it, and it would be read
    // again per sample. Successive samples of a column often hit the same pixel, each hit
    // then waiting for the one before: two columns are walked side by side, so that their
    // hits (on different pixels) overlap. Every pixel gets the same hits.
    unsigned char* const image = c.image;
    const size_t width = static_cast<size_t>(c.width);
    const unsigned height = static_cast<unsigned>(c.height > 0 ? c.height : 0);
    const int step = c.step;
    const int32_t* const rows = c.rows;
    const unsigned levels = static_cast<unsigned>(c.adcLevels > 0 ? c.adcLevels : 0);
    auto hit = [&](unsigned char* column, int raw, int& lo, int& hi) {
        const int code = sampleCode(raw);
        if (static_cast<unsigned>(code) >= levels || code == 4096) return; // isDrawableCode
        const int row = rows[code];
        lo = row < lo ? row : lo;
        hi = row > hi ? row : hi;
        if (static_cast<unsigned>(row) >= height) return;
        unsigned char& p = column[static_cast<size_t>(row) * width];
        const int v = p + step;
        p = static_cast<unsigned char>(v > INTENSITY_MAX ? INTENSITY_MAX : v);
    };
    size_t x = 0;
    for (; x + 2 <= width; x += 2) {
        int lo0 = c.height, hi0 = -1, lo1 = c.height, hi1 = -1;
        const short* s = record_ + x * per;
        for (size_t i = 0; i < per; ++i) {
            hit(image + x, s[i], lo0, hi0);
            hit(image + x + 1, s[per + i], lo1, hi1);
        }
        c.columnMin[x] = lo0;
        c.columnMax[x] = hi0;
        c.columnMin[x + 1] = lo1;
        c.columnMax[x + 1] = hi1;
    }
    if (x < width) {
        int lo = c.height, hi = -1;
        const short* s = record_ + x * per;
        for (size_t i = 0; i < per; ++i) hit(image + x, s[i], lo, hi);
        c.columnMin[x] = lo;
        c.columnMax[x] = hi;
    }
    joinColumns(c);
}

void joinColumns(const TraceCanvas& c) {
    for (int x = 0; x + 1 < c.width; ++x) {
        const int lo = c.columnMin[x];
        const int hi = c.columnMax[x];
        if (hi < lo) continue;
        plotSpan(c, x, lo, hi);
        const int nextLo = c.columnMin[x + 1];
        const int nextHi = c.columnMax[x + 1];
        if (nextHi < nextLo) continue;
        if (hi < nextLo)
            plotSpan(c, x, hi, nextLo);
        else if (nextHi < lo)
            plotSpan(c, x, nextHi, lo);
    }
}

void holdRecord(short* record_, int size_) {
    int i = 0;
    while (i < size_ && record_[i] == 4096) ++i;
    if (i == size_) return;
    short held = record_[i];
    for (int k = 0; k < size_; ++k) {
        if (record_[k] == 4096)
            record_[k] = held;
        else
            held = record_[k];
    }
}
