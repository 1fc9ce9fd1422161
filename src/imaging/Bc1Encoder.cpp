#include "imaging/Bc1Encoder.h"

#include "imaging/BlockErrors.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <iterator>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillon {

namespace {

constexpr int ChannelMax[3] = {31, 63, 31}; // red 5 bits, green 6, blue 5

// The 8-bit value of every 5-bit and 6-bit endpoint channel.
struct Expansions {
    int Five[32], Six[64];
    constexpr Expansions() : Five(), Six() {
        for (int v = 0; v < 32; ++v) {
            Five[v] = (v << 3) | (v >> 2);
        }
        for (int v = 0; v < 64; ++v) {
            Six[v] = (v << 2) | (v >> 4);
        }
    }
};
constexpr Expansions Expanded;

int Expand(int channel, int value) {
    return channel == 1 ? Expanded.Six[value] : Expanded.Five[value];
}

// A colour block's state: quantized endpoints, the mode, and the index of every pixel.
struct Candidate {
    int Q[2][3] = {}; // colour0 and colour1 as r5 g6 b5
    bool Three = false;
    std::uint8_t Selectors[16] = {};
    int Error = 0; // squared error over R, G and B
};

std::uint16_t Pack(const int q[3]) {
    return static_cast<std::uint16_t>(q[0] << 11 | q[1] << 5 | q[2]);
}

// The decoded value of one channel for an index, as libsquish decodes (integer division).
int Interpolate(int a, int b, int selector, bool three) {
    switch (selector) {
    case 0:
        return a;
    case 1:
        return b;
    case 2:
        return three ? (a + b) / 2 : (2 * a + b) / 3;
    default:
        return three ? 0 : (a + 2 * b) / 3;
    }
}

// The block's colours channel by channel, so the loops over its 16 pixels vectorize.
struct BlockPixels {
    int C[3][16];
#if defined(__SSE2__)
    alignas(16) float F[3][16]; // the same as floats, for the lanes
#endif
};

// The colours a candidate's endpoints decode to, by selector.
void FillPalette(const Candidate& c, int palette[4][3]) {
    for (int ch = 0; ch < 3; ++ch) {
        const int a = Expand(ch, c.Q[0][ch]), b = Expand(ch, c.Q[1][ch]);
        for (int s = 0; s < 4; ++s) {
            palette[s][ch] = Interpolate(a, b, s, c.Three);
        }
    }
}

// Gives every pixel its nearest palette entry (index 3 of the three-colour mode is never used)
// and returns the squared error.
#if defined(__SSE2__)
// Four pixels at a time: the same entries in the same order, ties to the lower, and errors that
// are integers below 2^24 in floats, so the portable loop's selectors and error.
int PickSelectors(const BlockPixels& px, Candidate& c) {
    int palette[4][3];
    FillPalette(c, palette);
    const int entries = c.Three ? 3 : 4;
    int total = 0;
    for (int group = 0; group < 16; group += 4) {
        const __m128 r = _mm_load_ps(px.F[0] + group), g = _mm_load_ps(px.F[1] + group);
        const __m128 b = _mm_load_ps(px.F[2] + group);
        __m128 best = _mm_set1_ps(1e30f), chosen = _mm_setzero_ps();
        for (int s = 0; s < entries; ++s) {
            const __m128 dr = _mm_sub_ps(r, _mm_set1_ps(static_cast<float>(palette[s][0])));
            const __m128 dg = _mm_sub_ps(g, _mm_set1_ps(static_cast<float>(palette[s][1])));
            const __m128 db = _mm_sub_ps(b, _mm_set1_ps(static_cast<float>(palette[s][2])));
            const __m128 e =
                _mm_add_ps(_mm_add_ps(_mm_mul_ps(dr, dr), _mm_mul_ps(dg, dg)), _mm_mul_ps(db, db));
            const __m128 better = _mm_cmplt_ps(e, best);
            best = _mm_or_ps(_mm_and_ps(better, e), _mm_andnot_ps(better, best));
            chosen = _mm_or_ps(_mm_and_ps(better, _mm_set1_ps(static_cast<float>(s))),
                               _mm_andnot_ps(better, chosen));
        }
        alignas(16) std::int32_t errors[4], indices[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(errors), _mm_cvttps_epi32(best));
        _mm_store_si128(reinterpret_cast<__m128i*>(indices), _mm_cvttps_epi32(chosen));
        for (int n = 0; n < 4; ++n) {
            total += errors[n];
            c.Selectors[group + n] = static_cast<std::uint8_t>(indices[n]);
        }
    }
    c.Error = total;
    return total;
}
#else
int PickSelectors(const BlockPixels& px, Candidate& c) {
    int palette[4][3];
    FillPalette(c, palette);
    const int entries = c.Three ? 3 : 4;
    int best[16], chosen[16];
    for (int s = 0; s < entries; ++s) {
        const int r = palette[s][0], g = palette[s][1], b = palette[s][2];
        for (int i = 0; i < 16; ++i) {
            const int dr = px.C[0][i] - r, dg = px.C[1][i] - g, db = px.C[2][i] - b;
            const int e = dr * dr + dg * dg + db * db;
            const bool better = s == 0 || e < best[i];
            best[i] = better ? e : best[i];
            chosen[i] = better ? s : chosen[i];
        }
    }
    int total = 0;
    for (int i = 0; i < 16; ++i) {
        total += best[i];
        c.Selectors[i] = static_cast<std::uint8_t>(chosen[i]);
    }
    c.Error = total;
    return total;
}
#endif

// What the error of fixed selectors needs: per index the pixel count and channel sums, and the
// channel sums of squares.
struct Moments {
    int Count[4] = {};
    int Sum[4][3] = {};
    int Squares[3] = {};
};

Moments MomentsOf(const BlockPixels& px, const std::uint8_t selectors[16]) {
    Moments m;
    for (int i = 0; i < 16; ++i) {
        const int s = selectors[i];
        ++m.Count[s];
        for (int ch = 0; ch < 3; ++ch) {
            m.Sum[s][ch] += px.C[ch][i];
            m.Squares[ch] += px.C[ch][i] * px.C[ch][i];
        }
    }
    return m;
}

// With the selectors fixed, each channel's error depends only on that channel's two endpoints:
// searches the three grid values around the nearest to the unquantized ones (a, b on 0..255),
// channel by channel. Returns the error of the selectors with the chosen endpoints.

template <bool Three>
int QuantizeEndpoints(const Moments& m, const float a[3], const float b[3], Candidate& c) {
    int total = 0;
    for (int ch = 0; ch < 3; ++ch) {
        const int top = ChannelMax[ch];
        const int* expand = ch == 1 ? Expanded.Six : Expanded.Five;
        const int qa = static_cast<int>(std::clamp(a[ch], 0.0f, 255.0f) * top / 255 + 0.5f);
        const int qb = static_cast<int>(std::clamp(b[ch], 0.0f, 255.0f) * top / 255 + 0.5f);
        int best = NoCandidateYet, bestA = qa, bestB = qb;
        for (int ea = std::max(qa - 1, 0); ea <= std::min(qa + 1, top); ++ea) {
            const int va = expand[ea];
            for (int eb = std::max(qb - 1, 0); eb <= std::min(qb + 1, top); ++eb) {
                const int vb = expand[eb];
                const int v2 = Three ? (va + vb) / 2 : (2 * va + vb) / 3;
                const int v3 = Three ? 0 : (va + 2 * vb) / 3;
                const int e = m.Count[0] * va * va - 2 * va * m.Sum[0][ch] + m.Count[1] * vb * vb -
                              2 * vb * m.Sum[1][ch] + m.Count[2] * v2 * v2 - 2 * v2 * m.Sum[2][ch] +
                              m.Count[3] * v3 * v3 - 2 * v3 * m.Sum[3][ch];
                if (e < best) {
                    best = e;
                    bestA = ea;
                    bestB = eb;
                }
            }
        }
        c.Q[0][ch] = bestA;
        c.Q[1][ch] = bestB;
        total += best + m.Squares[ch];
    }
    return total;
}

#if defined(__SSE2__)
// QuantizeEndpoints on the three channels at once, the nine pairs in the same order and ties to
// the first, as the scalar loops. Every value is an integer of magnitude below 2^24 in a float,
// so the errors and the choice are the scalar ones.
template <bool Three>
int QuantizeEndpointsLanes(const Moments& m, const float a[3], const float b[3], Candidate& c) {
    const __m128 zero = _mm_setzero_ps();
    const __m128 top = _mm_setr_ps(31.0f, 63.0f, 31.0f, 0.0f);
    const __m128 widen = _mm_setr_ps(8.0f, 4.0f, 8.0f, 0.0f);
    const __m128 low = _mm_setr_ps(0.25f, 0.0625f, 0.25f, 0.0f);
    const __m128 third = _mm_set1_ps(1.0f / 3.0f);
    const auto truncate = [](__m128 v) { return _mm_cvtepi32_ps(_mm_cvttps_epi32(v)); };
    const auto grid = [&](const float* e) {
        const __m128 v =
            _mm_min_ps(_mm_max_ps(_mm_setr_ps(e[0], e[1], e[2], 0.0f), zero), _mm_set1_ps(255.0f));
        return truncate(
            _mm_add_ps(_mm_div_ps(_mm_mul_ps(v, top), _mm_set1_ps(255.0f)), _mm_set1_ps(0.5f)));
    };
    const __m128 qa = grid(a), qb = grid(b);
    __m128 count[4], twiceSum[4];
    for (int s = 0; s < 4; ++s) {
        count[s] = _mm_set1_ps(static_cast<float>(m.Count[s]));
        twiceSum[s] = _mm_setr_ps(2.0f * static_cast<float>(m.Sum[s][0]),
                                  2.0f * static_cast<float>(m.Sum[s][1]),
                                  2.0f * static_cast<float>(m.Sum[s][2]), 0.0f);
    }
    // v (n v - 2 s): one index's share of the error, less the pixels' squares.
    const auto share = [&](__m128 v, int s) {
        return _mm_mul_ps(v, _mm_sub_ps(_mm_mul_ps(count[s], v), twiceSum[s]));
    };
    __m128 best = _mm_set1_ps(1e30f), bestA = qa, bestB = qb;
    for (int da = -1; da <= 1; ++da) {
        const __m128 ea = _mm_add_ps(qa, _mm_set1_ps(static_cast<float>(da)));
        const __m128 validA = _mm_and_ps(_mm_cmpge_ps(ea, zero), _mm_cmple_ps(ea, top));
        const __m128 va = _mm_add_ps(_mm_mul_ps(ea, widen), truncate(_mm_mul_ps(ea, low)));
        for (int db = -1; db <= 1; ++db) {
            const __m128 eb = _mm_add_ps(qb, _mm_set1_ps(static_cast<float>(db)));
            const __m128 valid =
                _mm_and_ps(validA, _mm_and_ps(_mm_cmpge_ps(eb, zero), _mm_cmple_ps(eb, top)));
            const __m128 vb = _mm_add_ps(_mm_mul_ps(eb, widen), truncate(_mm_mul_ps(eb, low)));
            __m128 error = _mm_add_ps(share(va, 0), share(vb, 1));
            if (Three) {
                error = _mm_add_ps(
                    error, share(truncate(_mm_mul_ps(_mm_add_ps(va, vb), _mm_set1_ps(0.5f))), 2));
            } else {
                const __m128 v2 = truncate(_mm_mul_ps(_mm_add_ps(_mm_add_ps(va, va), vb), third));
                const __m128 v3 = truncate(_mm_mul_ps(_mm_add_ps(va, _mm_add_ps(vb, vb)), third));
                error = _mm_add_ps(error, _mm_add_ps(share(v2, 2), share(v3, 3)));
            }
            const __m128 better = _mm_and_ps(valid, _mm_cmplt_ps(error, best));
            best = _mm_or_ps(_mm_and_ps(better, error), _mm_andnot_ps(better, best));
            bestA = _mm_or_ps(_mm_and_ps(better, ea), _mm_andnot_ps(better, bestA));
            bestB = _mm_or_ps(_mm_and_ps(better, eb), _mm_andnot_ps(better, bestB));
        }
    }
    alignas(16) float errors[4], ends[2][4];
    _mm_store_ps(errors, best);
    _mm_store_ps(ends[0], bestA);
    _mm_store_ps(ends[1], bestB);
    int total = 0;
    for (int ch = 0; ch < 3; ++ch) {
        c.Q[0][ch] = static_cast<int>(ends[0][ch]);
        c.Q[1][ch] = static_cast<int>(ends[1][ch]);
        total += static_cast<int>(errors[ch]) + m.Squares[ch];
    }
    return total;
}
#endif

int QuantizeEndpoints(const Moments& m, const float a[3], const float b[3], Candidate& c) {
#if defined(__SSE2__)
    return c.Three ? QuantizeEndpointsLanes<true>(m, a, b, c)
                   : QuantizeEndpointsLanes<false>(m, a, b, c);
#else
    return c.Three ? QuantizeEndpoints<true>(m, a, b, c) : QuantizeEndpoints<false>(m, a, b, c);
#endif
}

// Least-squares endpoints for selectors with the moments `m`. False when the selectors do not
// fix a line (every pixel on one weight).
bool FitEndpoints(const Moments& m, bool three, float a[3], float b[3]) {
    static constexpr double Four[4] = {1.0, 0.0, 2.0 / 3.0, 1.0 / 3.0};
    static constexpr double Three[4] = {1.0, 0.0, 0.5, 0.0};
    const double* weight = three ? Three : Four;
    double aa = 0, bb = 0, ab = 0, ax[3] = {}, bx[3] = {};
    for (int s = 0; s < 4; ++s) {
        const double alpha = weight[s], beta = 1.0 - alpha, n = m.Count[s];
        aa += n * alpha * alpha;
        bb += n * beta * beta;
        ab += n * alpha * beta;
        for (int ch = 0; ch < 3; ++ch) {
            ax[ch] += alpha * m.Sum[s][ch];
            bx[ch] += beta * m.Sum[s][ch];
        }
    }
    const double det = aa * bb - ab * ab;
    if (det < 1e-6) {
        return false;
    }
    for (int ch = 0; ch < 3; ++ch) {
        a[ch] = static_cast<float>((bb * ax[ch] - ab * bx[ch]) / det);
        b[ch] = static_cast<float>((aa * bx[ch] - ab * ax[ch]) / det);
    }
    return true;
}

// One cluster-fit ordering: the pixels sorted along the axis fall into the palette's entries in
// order, the first i, then up to j, up to k (four colours) and the rest. Over the centred colours
// its least-squares endpoints are mean + U * q and mean - Z * q, with q the sum of the prefix
// sums at i, j and k over 3 (four colours) or at i and j over 2 (three).
struct Ordering {
    bool Valid = false; // false: the ordering puts every pixel on one entry
    float U = 0, Z = 0;
};

struct OrderingTables {
    Ordering Four[17][17][17]; // [i][j][k]
    Ordering Three[17][17];    // [i][j]
};

Ordering MakeOrdering(double aa, double bb, double ab) {
    const double det = aa * bb - ab * ab;
    if (det < 1e-9) {
        return {};
    }
    return {true, static_cast<float>((bb + ab) / det), static_cast<float>((aa + ab) / det)};
}

void FillOrderings(OrderingTables* t) {
    for (int i = 0; i <= 16; ++i) {
        for (int j = i; j <= 16; ++j) {
            for (int k = j; k <= 16; ++k) {
                const double n0 = i, n1 = j - i, n2 = k - j, n3 = 16 - k;
                t->Four[i][j][k] = MakeOrdering(n0 + n1 * 4 / 9 + n2 / 9, n1 / 9 + n2 * 4 / 9 + n3,
                                                (n1 + n2) * 2 / 9);
            }
            const double n0 = i, n1 = j - i, n2 = 16 - j;
            t->Three[i][j] = MakeOrdering(n0 + n1 / 4, n1 / 4 + n2, n1 / 4);
        }
    }
}

const OrderingTables& Orderings() {
    static OrderingTables tables;
    static const bool filled = (FillOrderings(&tables), true);
    (void)filled;
    return tables;
}

// For a solid channel value: the endpoint pair whose index-2 colour comes nearest, in the four-
// and in the three-colour mode.
struct SolidFit {
    std::uint8_t A, B, Error;
};
struct SolidTables {
    SolidFit Four[2][256], Three[2][256]; // [0] five bits, [1] six bits
};

const SolidTables& Solid() {
    static const SolidTables tables = [] {
        SolidTables t{};
        for (int wide = 0; wide < 2; ++wide) {
            const int channel = wide ? 1 : 0, top = ChannelMax[channel];
            for (int v = 0; v < 256; ++v) {
                SolidFit four{0, 0, 255}, three{0, 0, 255};
                for (int a = 0; a <= top; ++a) {
                    for (int b = 0; b <= top; ++b) {
                        const int ea = Expand(channel, a), eb = Expand(channel, b);
                        const int d4 = std::abs(Interpolate(ea, eb, 2, false) - v);
                        const int d3 = std::abs(Interpolate(ea, eb, 2, true) - v);
                        if (d4 < four.Error) {
                            four = {static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b),
                                    static_cast<std::uint8_t>(d4)};
                        }
                        if (d3 < three.Error) {
                            three = {static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b),
                                     static_cast<std::uint8_t>(d3)};
                        }
                    }
                }
                t.Four[wide][v] = four;
                t.Three[wide][v] = three;
            }
        }
        return t;
    }();
    return tables;
}

// The best block for one solid colour: every pixel on index 2 of one of the two modes.
Candidate SolidCandidate(const std::uint8_t mean[3], bool allowThree) {
    const SolidTables& t = Solid();
    Candidate four, three;
    four.Three = false;
    three.Three = true;
    int e4 = 0, e3 = 0;
    for (int ch = 0; ch < 3; ++ch) {
        const SolidFit f = t.Four[ch == 1][mean[ch]], h = t.Three[ch == 1][mean[ch]];
        four.Q[0][ch] = f.A;
        four.Q[1][ch] = f.B;
        three.Q[0][ch] = h.A;
        three.Q[1][ch] = h.B;
        e4 += f.Error * f.Error;
        e3 += h.Error * h.Error;
    }
    Candidate& best = allowThree && e3 < e4 ? three : four;
    std::fill(std::begin(best.Selectors), std::end(best.Selectors), std::uint8_t{2});
    best.Error = (&best == &three ? e3 : e4) * 16;
    return best;
}

// The error of a solid candidate (every pixel on index 2) over pixels with these channel sums and
// sums of squares.
int SolidError(const Candidate& c, const int sums[3], const int squares[3]) {
    int error = 0;
    for (int ch = 0; ch < 3; ++ch) {
        const int v = Interpolate(Expand(ch, c.Q[0][ch]), Expand(ch, c.Q[1][ch]), 2, c.Three);
        error += squares[ch] - 2 * v * sums[ch] + 16 * v * v;
    }
    return error;
}

// The colour of every pixel of the block when all 16 share one (alpha aside), else nothing:
// one comparison of each pixel's word.
bool UniformColour(const std::uint8_t* rgba) {
    static constexpr std::uint8_t ColourBytes[4] = {255, 255, 255, 0};
    std::uint32_t mask, first;
    std::memcpy(&mask, ColourBytes, 4);
    std::memcpy(&first, rgba, 4);
    std::uint32_t differ = 0;
    for (int i = 1; i < 16; ++i) {
        std::uint32_t pixel;
        std::memcpy(&pixel, rgba + 4 * i, 4);
        differ |= pixel ^ first;
    }
    return (differ & mask) == 0;
}

// The block SolidCandidate and WriteBlock make for one colour, straight from the tables: every
// pixel on index 2, or on the entry that becomes after the endpoints are put in their mode's
// order.
void WriteSolidBlock(const std::uint8_t colour[3], bool allowThree, std::uint8_t* block) {
    const SolidTables& t = Solid();
    int e4 = 0, e3 = 0, four[2] = {}, three[2] = {};
    static constexpr int Shift[3] = {11, 5, 0};
    for (int ch = 0; ch < 3; ++ch) {
        const SolidFit f = t.Four[ch == 1][colour[ch]], h = t.Three[ch == 1][colour[ch]];
        four[0] |= f.A << Shift[ch];
        four[1] |= f.B << Shift[ch];
        three[0] |= h.A << Shift[ch];
        three[1] |= h.B << Shift[ch];
        e4 += f.Error * f.Error;
        e3 += h.Error * h.Error;
    }
    int c0, c1;
    std::uint8_t selectors;
    if (allowThree && e3 < e4) {
        // Read as three colours when colour0 <= colour1; the midpoint stays index 2 either way.
        c0 = std::min(three[0], three[1]);
        c1 = std::max(three[0], three[1]);
        selectors = 0xAA;
    } else if (four[0] != four[1]) {
        // Four colours want colour0 > colour1; swapped, index 2 becomes index 3.
        c0 = std::max(four[0], four[1]);
        c1 = std::min(four[0], four[1]);
        selectors = four[0] > four[1] ? 0xAA : 0xFF;
    } else {
        c0 = c1 = four[0]; // equal endpoints: index 0 is the colour
        selectors = 0;
    }
    block[0] = static_cast<std::uint8_t>(c0);
    block[1] = static_cast<std::uint8_t>(c0 >> 8);
    block[2] = static_cast<std::uint8_t>(c1);
    block[3] = static_cast<std::uint8_t>(c1 >> 8);
    std::memset(block + 4, selectors, 4);
}

// The principal axis of the centred colours by power iteration; false when they do not spread.
bool PrincipalAxis(const float centred[16][3], float axis[3]) {
    float cov[6] = {}; // rr rg rb gg gb bb
    for (int i = 0; i < 16; ++i) {
        const float* p = centred[i];
        cov[0] += p[0] * p[0];
        cov[1] += p[0] * p[1];
        cov[2] += p[0] * p[2];
        cov[3] += p[1] * p[1];
        cov[4] += p[1] * p[2];
        cov[5] += p[2] * p[2];
    }
    // Start from the row of the widest channel: it is never orthogonal to the axis.
    float v[3];
    if (cov[0] >= cov[3] && cov[0] >= cov[5]) {
        v[0] = cov[0], v[1] = cov[1], v[2] = cov[2];
    } else if (cov[3] >= cov[5]) {
        v[0] = cov[1], v[1] = cov[3], v[2] = cov[4];
    } else {
        v[0] = cov[2], v[1] = cov[4], v[2] = cov[5];
    }
    for (int iteration = 0; iteration < 4; ++iteration) {
        const float w[3] = {cov[0] * v[0] + cov[1] * v[1] + cov[2] * v[2],
                            cov[1] * v[0] + cov[3] * v[1] + cov[4] * v[2],
                            cov[2] * v[0] + cov[4] * v[1] + cov[5] * v[2]};
        const float length = std::max({std::fabs(w[0]), std::fabs(w[1]), std::fabs(w[2])});
        if (!(length > 1e-12f)) {
            return false;
        }
        for (int ch = 0; ch < 3; ++ch) {
            v[ch] = w[ch] / length;
        }
    }
    std::copy(v, v + 3, axis);
    return true;
}

// How many orderings, best by their rounded cluster fit, are polished.
constexpr int Polished = 2;
// Blocks whose pixels fall on at most this many distinct places along the axis have few
// orderings: all are searched, as libsquish's merging of equal colours does, and the best one's
// rounding alone is polished.
constexpr int FewPlaces = 4;
// How far from the splits of the axis's ends, in places where the sorted colours change, the
// searched orderings' boundaries lie.
constexpr int OuterReach = 1, InnerReach = 3, ThreeReach = 1;
constexpr int MaxReach = FewPlaces; // the widest reach any search uses
static_assert(OuterReach <= MaxReach && InnerReach <= MaxReach && ThreeReach <= MaxReach);

constexpr float GridScale[3] = {31.0f / 255.0f, 63.0f / 255.0f, 31.0f / 255.0f};

// A block's pixels in order along its principal axis, with what every ordering's fit needs:
// prefix sums of the centred colours and of the colours, the colours' sums of squares, and the
// places where the sorted colours change (an ordering never splits equal colours).
struct SortedBlock {
    float Average[3];
    float GridAverage[3]; // the mean in grid units plus a half, so truncation rounds
    float Spread;         // the centred colours' sum of squares: the mean colour's error
    int Order[16];        // pixel indices, lowest projection first
    float Prefix[17][3];
    int Sums[17][3];
    int Squares[3];
    int Bounds[17];
    int Last; // the index of the last bound (the bound at 16)
    float Projection[16];
#if defined(__SSE2__)
    // The same sums as float lanes R, G, B, 0 for the vector error; all are integers or the
    // scalar path's floats, so both paths give the same errors.
    alignas(16) float PrefixLanes[17][4];
    alignas(16) float SumLanes[17][4];
    alignas(16) float SquareLanes[4];
    alignas(16) float GridAverageLanes[4];
#endif
};

// Sorts the block along its principal axis; false when its colours do not spread along one.
bool SortAlongAxis(const BlockPixels& px, const int squares[3], SortedBlock& s) {
    float centred[16][3];
    s.Spread = 0;
    for (int ch = 0; ch < 3; ++ch) {
        float sum = 0;
        for (int i = 0; i < 16; ++i) {
            sum += static_cast<float>(px.C[ch][i]);
        }
        s.Average[ch] = sum / 16;
        s.GridAverage[ch] = s.Average[ch] * GridScale[ch] + 0.5f;
        for (int i = 0; i < 16; ++i) {
            centred[i][ch] = static_cast<float>(px.C[ch][i]) - s.Average[ch];
            s.Spread += centred[i][ch] * centred[i][ch];
        }
        s.Squares[ch] = squares[ch];
    }
    float axis[3];
    if (!PrincipalAxis(centred, axis)) {
        return false;
    }
    // A stable insertion sort: equal projections keep pixel order.
    for (int i = 0; i < 16; ++i) {
        s.Projection[i] =
            centred[i][0] * axis[0] + centred[i][1] * axis[1] + centred[i][2] * axis[2];
        s.Order[i] = i;
    }
    for (int i = 1; i < 16; ++i) {
        const int moving = s.Order[i];
        int at = i;
        while (at > 0 && s.Projection[s.Order[at - 1]] > s.Projection[moving]) {
            s.Order[at] = s.Order[at - 1];
            --at;
        }
        s.Order[at] = moving;
    }
    for (int ch = 0; ch < 3; ++ch) {
        s.Prefix[0][ch] = 0;
        s.Sums[0][ch] = 0;
    }
    for (int n = 0; n < 16; ++n) {
        for (int ch = 0; ch < 3; ++ch) {
            s.Prefix[n + 1][ch] = s.Prefix[n][ch] + centred[s.Order[n]][ch];
            s.Sums[n + 1][ch] = s.Sums[n][ch] + px.C[ch][s.Order[n]];
        }
    }
    int count = 0;
    for (int n = 0; n <= 16; ++n) {
        if (n == 0 || n == 16 || s.Projection[s.Order[n]] != s.Projection[s.Order[n - 1]]) {
            s.Bounds[count++] = n;
        }
    }
    s.Last = count - 1;
#if defined(__SSE2__)
    for (int n = 0; n <= 16; ++n) {
        for (int ch = 0; ch < 3; ++ch) {
            s.PrefixLanes[n][ch] = s.Prefix[n][ch];
            s.SumLanes[n][ch] = static_cast<float>(s.Sums[n][ch]);
        }
        s.PrefixLanes[n][3] = s.SumLanes[n][3] = 0;
    }
    for (int ch = 0; ch < 3; ++ch) {
        s.SquareLanes[ch] = static_cast<float>(s.Squares[ch]);
        s.GridAverageLanes[ch] = s.GridAverage[ch];
    }
    s.SquareLanes[3] = s.GridAverageLanes[3] = 0;
#endif
    return true;
}

// The error of one ordering with its least-squares endpoints rounded to the grid: entries a,
// inner, inner, b over the clusters [0, i), [i, j), [j, k), [k, 16) (three colours: k = j, the
// inner one the midpoint). Each channel's error is at least zero, so the sum stops growing once
// it reaches `limit`.
template <bool Three>
int OrderingError(const SortedBlock& b, const Ordering& o, int i, int j, int k, int limit) {
    int error = 0;
    for (int ch = 0; ch < 3 && error < limit; ++ch) {
        const float q = (b.Prefix[i][ch] + b.Prefix[j][ch] + (Three ? 0.0f : b.Prefix[k][ch])) *
                        GridScale[ch] * (Three ? 0.5f : 1.0f / 3.0f);
        const int top = ChannelMax[ch];
        const int qa = std::clamp(static_cast<int>(b.GridAverage[ch] + o.U * q), 0, top);
        const int qb = std::clamp(static_cast<int>(b.GridAverage[ch] - o.Z * q), 0, top);
        const int* expand = ch == 1 ? Expanded.Six : Expanded.Five;
        const int va = expand[qa], vb = expand[qb];
        const int v1 = Three ? (va + vb) / 2 : (2 * va + vb) / 3;
        const int v2 = Three ? vb : (va + 2 * vb) / 3;
        const int s0 = b.Sums[i][ch], s1 = b.Sums[j][ch] - s0, s2 = b.Sums[k][ch] - b.Sums[j][ch];
        const int s3 = b.Sums[16][ch] - b.Sums[k][ch];
        error += b.Squares[ch] + va * (i * va - 2 * s0) + v1 * ((j - i) * v1 - 2 * s1) +
                 v2 * ((k - j) * v2 - 2 * s2) + vb * ((16 - k) * vb - 2 * s3);
    }
    return error;
}

// The orderings kept for polishing, best first.
struct KeptOrdering {
    int Error, I, J, K;
    bool Three;
};
struct KeptOrderings {
    KeptOrdering Items[Polished];
    int Count = 0;

    int Worst() const { return Count < Polished ? NoCandidateYet : Items[Polished - 1].Error; }
    void Offer(const KeptOrdering& o) {
        int at = Count < Polished ? Count++ : Polished - 1;
        while (at > 0 && Items[at - 1].Error > o.Error) {
            Items[at] = Items[at - 1];
            --at;
        }
        Items[at] = o;
    }
};

// Where the sorted pixels split between palette entries, as places among the bounds, with the
// endpoints at the ends of the axis: fractions of the span for four colours or three.
void AxisSplits(const SortedBlock& s, bool three, int splits[3]) {
    static constexpr float Fractions[2][3] = {{1.0f / 6, 0.5f, 5.0f / 6}, {0.25f, 0.75f, 0.75f}};
    const float low = s.Projection[s.Order[0]], high = s.Projection[s.Order[15]];
    for (int n = 0; n < 3; ++n) {
        const float at = low + (high - low) * Fractions[three][n];
        int place = 0;
        while (s.Bounds[place] < 16 && s.Projection[s.Order[s.Bounds[place]]] < at) {
            ++place;
        }
        splits[n] = place;
    }
}

// A boundary's places: those within `reach` of its split, and with `withEnd` also the place
// `end` (an empty end cluster: endpoints beyond the pixels, which fit the grid best where the
// pixels spread little). Returns how many were written to `out`.
int Places(int split, int reach, bool withEnd, int end, int last, int* out) {
    int n = 0;
    const int from = std::max(split - reach, 0), to = std::min(split + reach, last);
    if (withEnd && end < from) {
        out[n++] = end;
    }
    for (int p = from; p <= to; ++p) {
        out[n++] = p;
    }
    if (withEnd && end > to) {
        out[n++] = end;
    }
    return n;
}

#if defined(__SSE2__)
// OrderingError on the three channels at once. Every value is an integer below 2^24 (or the
// scalar path's float, computed in the same order), so the float lanes give the scalar error
// exactly: the bytes do not depend on which path runs. Truncating (2a + b) times the float
// nearest a third, which lies above it, gives (2a + b) / 3 for every sum up to 765.
template <bool Three>
int OrderingErrorLanes(const SortedBlock& b, const Ordering& o, int i, int j, int k) {
    const __m128 Scale = _mm_setr_ps(GridScale[0], GridScale[1], GridScale[2], 0.0f);
    const __m128 Top = _mm_setr_ps(31.0f, 63.0f, 31.0f, 0.0f);
    const __m128 Widen = _mm_setr_ps(8.0f, 4.0f, 8.0f, 0.0f);
    const __m128 Low = _mm_setr_ps(0.25f, 0.0625f, 0.25f, 0.0f);
    const __m128 zero = _mm_setzero_ps();
    __m128 sum = _mm_add_ps(_mm_load_ps(b.PrefixLanes[i]), _mm_load_ps(b.PrefixLanes[j]));
    sum = _mm_add_ps(sum, Three ? zero : _mm_load_ps(b.PrefixLanes[k]));
    const __m128 q = _mm_mul_ps(_mm_mul_ps(sum, Scale), _mm_set1_ps(Three ? 0.5f : 1.0f / 3.0f));
    const __m128 average = _mm_load_ps(b.GridAverageLanes);
    const auto grid = [&](__m128 value) { // truncated, then held to 0..top, as an integer float
        const __m128 whole = _mm_cvtepi32_ps(_mm_cvttps_epi32(value));
        return _mm_min_ps(_mm_max_ps(whole, zero), Top);
    };
    const __m128 qa = grid(_mm_add_ps(average, _mm_mul_ps(_mm_set1_ps(o.U), q)));
    const __m128 qb = grid(_mm_sub_ps(average, _mm_mul_ps(_mm_set1_ps(o.Z), q)));
    const auto expand = [&](__m128 v) { // (v << 3) | (v >> 2), or (v << 2) | (v >> 4) for green
        return _mm_add_ps(_mm_mul_ps(v, Widen),
                          _mm_cvtepi32_ps(_mm_cvttps_epi32(_mm_mul_ps(v, Low))));
    };
    const __m128 va = expand(qa), vb = expand(qb);
    const __m128 third = _mm_set1_ps(1.0f / 3.0f);
    const auto truncate = [](__m128 v) { return _mm_cvtepi32_ps(_mm_cvttps_epi32(v)); };
    const __m128 v1 = Three ? truncate(_mm_mul_ps(_mm_add_ps(va, vb), _mm_set1_ps(0.5f)))
                            : truncate(_mm_mul_ps(_mm_add_ps(_mm_add_ps(va, va), vb), third));
    const __m128 v2 = Three ? vb : truncate(_mm_mul_ps(_mm_add_ps(va, _mm_add_ps(vb, vb)), third));
    const __m128 si = _mm_load_ps(b.SumLanes[i]), sj = _mm_load_ps(b.SumLanes[j]);
    const __m128 sk = _mm_load_ps(b.SumLanes[k]), all = _mm_load_ps(b.SumLanes[16]);
    // v * (n v - 2 s) for each cluster: n pixels whose values sum to s.
    const auto term = [](__m128 v, int n, __m128 sums) {
        return _mm_mul_ps(v, _mm_sub_ps(_mm_mul_ps(_mm_set1_ps(static_cast<float>(n)), v),
                                        _mm_add_ps(sums, sums)));
    };
    __m128 error = _mm_load_ps(b.SquareLanes);
    error = _mm_add_ps(error, term(va, i, si));
    error = _mm_add_ps(error, term(v1, j - i, _mm_sub_ps(sj, si)));
    error = _mm_add_ps(error, term(v2, k - j, _mm_sub_ps(sk, sj)));
    error = _mm_add_ps(error, term(vb, 16 - k, _mm_sub_ps(all, sk)));
    // Lanes 0 + 2 and 1 + 3 (which is 0), then those two: exact integers still.
    error = _mm_add_ps(error, _mm_movehl_ps(error, error));
    error = _mm_add_ss(error, _mm_shuffle_ps(error, error, 1));
    return _mm_cvttss_si32(error);
}
#endif

// One ordering as a cluster fit sees it: kept when its rounded error beats the kept ones.
template <bool Three>
void TryOrdering(const SortedBlock& s, const Ordering& o, int i, int j, int k,
                 KeptOrderings& kept) {
    const int limit = kept.Worst();
    if (!o.Valid) {
        return;
    }
#if defined(__SSE2__)
    const int error = OrderingErrorLanes<Three>(s, o, i, j, k);
#else
    const int error = OrderingError<Three>(s, o, i, j, k, limit);
#endif
    if (error < limit) {
        kept.Offer({error, i, j, k, Three});
    }
}

// Every ordering within reach of the axis's splits, four colours and, where allowed, three.
KeptOrderings SearchOrderings(const SortedBlock& s, bool allowThree, bool few) {
    const OrderingTables& tables = Orderings();
    const int last = s.Last;
    const int outerReach = few ? last : OuterReach, innerReach = few ? last : InnerReach;
    const int threeReach = few ? last : ThreeReach;
    KeptOrderings kept;
    int splits[3];
    int placesI[2 * MaxReach + 2], placesJ[2 * MaxReach + 2], placesK[2 * MaxReach + 2];
    AxisSplits(s, false, splits);
    const int countI = Places(splits[0], outerReach, true, 0, last, placesI);
    const int countJ = Places(splits[1], innerReach, false, 0, last, placesJ);
    const int countK = Places(splits[2], outerReach, true, last, last, placesK);
    for (int ni = 0; ni < countI; ++ni) {
        for (int nj = 0; nj < countJ; ++nj) {
            for (int nk = 0; nk < countK; ++nk) {
                if (placesI[ni] > placesJ[nj] || placesJ[nj] > placesK[nk]) {
                    continue;
                }
                const int i = s.Bounds[placesI[ni]], j = s.Bounds[placesJ[nj]];
                const int k = s.Bounds[placesK[nk]];
                TryOrdering<false>(s, tables.Four[i][j][k], i, j, k, kept);
            }
        }
    }
    if (allowThree) {
        AxisSplits(s, true, splits);
        const int countA = Places(splits[0], threeReach, true, 0, last, placesI);
        const int countB = Places(splits[1], threeReach, true, last, last, placesK);
        for (int na = 0; na < countA; ++na) {
            for (int nb = 0; nb < countB; ++nb) {
                if (placesI[na] <= placesK[nb]) {
                    const int i = s.Bounds[placesI[na]], j = s.Bounds[placesK[nb]];
                    TryOrdering<true>(s, tables.Three[i][j], i, j, j, kept);
                }
            }
        }
    }
    return kept;
}

// A kept ordering as a block: its selectors, and its least-squares endpoints with their rounding
// searched.
Candidate FromOrdering(const SortedBlock& s, const KeptOrdering& o) {
    const OrderingTables& tables = Orderings();
    const Ordering& ordering = o.Three ? tables.Three[o.I][o.J] : tables.Four[o.I][o.J][o.K];
    Candidate c;
    c.Three = o.Three;
    Moments m;
    const int bounds[5] = {0, o.I, o.J, o.K, 16};
    const int entry[4] = {0, 2, o.Three ? 1 : 3, 1};
    for (int cluster = 0; cluster < 4; ++cluster) {
        const int e = entry[cluster], from = bounds[cluster], to = bounds[cluster + 1];
        m.Count[e] += to - from;
        for (int ch = 0; ch < 3; ++ch) {
            m.Sum[e][ch] += s.Sums[to][ch] - s.Sums[from][ch];
        }
        for (int at = from; at < to; ++at) {
            c.Selectors[s.Order[at]] = static_cast<std::uint8_t>(e);
        }
    }
    std::copy(std::begin(s.Squares), std::end(s.Squares), std::begin(m.Squares));
    float a[3], b[3];
    for (int ch = 0; ch < 3; ++ch) {
        const float q =
            (s.Prefix[o.I][ch] + s.Prefix[o.J][ch] + (o.Three ? 0.0f : s.Prefix[o.K][ch])) *
            (o.Three ? 0.5f : 1.0f / 3.0f);
        a[ch] = s.Average[ch] + ordering.U * q;
        b[ch] = s.Average[ch] - ordering.Z * q;
    }
    c.Error = QuantizeEndpoints(m, a, b, c);
    return c;
}

// How many times a polished candidate is refitted.
constexpr int RefineRounds = 2;

// Alternates refitting the endpoints to the selectors and picking selectors while the error falls.
void Refine(const BlockPixels& px, Candidate& c) {
    for (int round = 0; round < RefineRounds; ++round) {
        Candidate next = c;
        const Moments m = MomentsOf(px, next.Selectors);
        float a[3], b[3];
        if (!FitEndpoints(m, next.Three, a, b)) {
            return;
        }
        QuantizeEndpoints(m, a, b, next);
        if (PickSelectors(px, next) >= c.Error) {
            return;
        }
        c = next;
    }
}

void WriteBlock(Candidate c, std::uint8_t* block) {
    std::uint16_t c0 = Pack(c.Q[0]), c1 = Pack(c.Q[1]);
    if (c.Three) {
        // The three-colour mode is read when colour0 <= colour1; its midpoint is symmetric.
        if (c0 > c1) {
            std::swap(c0, c1);
            for (std::uint8_t& s : c.Selectors) {
                s = s == 2 ? 2 : static_cast<std::uint8_t>(s ^ 1);
            }
        }
    } else if (c0 < c1) {
        std::swap(c0, c1);
        for (std::uint8_t& s : c.Selectors) {
            s ^= 1; // 0 <-> 1, 2 <-> 3
        }
    } else if (c0 == c1) {
        // Equal endpoints read as three colours, where index 3 is black: every entry but that
        // one is the same colour.
        std::fill(std::begin(c.Selectors), std::end(c.Selectors), std::uint8_t{0});
    }
    std::uint32_t indices = 0;
    for (int i = 0; i < 16; ++i) {
        indices |= static_cast<std::uint32_t>(c.Selectors[i]) << (2 * i);
    }
    block[0] = static_cast<std::uint8_t>(c0);
    block[1] = static_cast<std::uint8_t>(c0 >> 8);
    block[2] = static_cast<std::uint8_t>(c1);
    block[3] = static_cast<std::uint8_t>(c1 >> 8);
    for (int i = 0; i < 4; ++i) {
        block[4 + i] = static_cast<std::uint8_t>(indices >> (8 * i));
    }
}

// The block's colours channel by channel, their sums and sums of squares.
void LoadBlock(const std::uint8_t* rgba, BlockPixels& px, int sums[3], int squares[3]) {
    for (int ch = 0; ch < 3; ++ch) {
        sums[ch] = squares[ch] = 0;
    }
    for (int i = 0; i < 16; ++i) {
        for (int ch = 0; ch < 3; ++ch) {
            const int v = rgba[i * 4 + ch];
            px.C[ch][i] = v;
#if defined(__SSE2__)
            px.F[ch][i] = static_cast<float>(v);
#endif
            sums[ch] += v;
            squares[ch] += v * v;
        }
    }
}

} // namespace

void BlockMeanColour(const std::uint8_t* rgba, std::uint8_t* mean) {
    for (int ch = 0; ch < 4; ++ch) {
        int sum = 0;
        for (int i = 0; i < 16; ++i) {
            sum += rgba[i * 4 + ch];
        }
        mean[ch] = static_cast<std::uint8_t>((sum + 8) / 16);
    }
}

void EncodeBc1Block(const std::uint8_t* rgba, std::uint8_t* block, Bc1Colours colours) {
    const bool allowThree = colours == Bc1Colours::OpaqueDxt1;
    if (UniformColour(rgba)) {
        WriteSolidBlock(rgba, allowThree, block);
        return;
    }
    BlockPixels px;
    int sums[3], squares[3];
    LoadBlock(rgba, px, sums, squares);
    std::uint8_t mean[3];
    for (int ch = 0; ch < 3; ++ch) {
        mean[ch] = static_cast<std::uint8_t>((sums[ch] + 8) / 16);
    }
    // The block of the mean colour: no result may be worse.
    Candidate best = SolidCandidate(mean, allowThree);
    best.Error = SolidError(best, sums, squares);
    SortedBlock sorted;
    if (!SortAlongAxis(px, squares, sorted)) {
        WriteBlock(best, block);
        return;
    }
    const bool few = sorted.Last <= FewPlaces;
    const KeptOrderings kept = SearchOrderings(sorted, allowThree, few);
    // The kept orderings with their endpoints' rounding searched, then selectors picked afresh
    // and refined; a block of few places keeps its best ordering's selectors.
    for (int n = 0; n < (few ? std::min(kept.Count, 1) : kept.Count) && best.Error > 0; ++n) {
        Candidate c = FromOrdering(sorted, kept.Items[n]);
        if (!few) {
            PickSelectors(px, c);
            Refine(px, c);
        }
        if (c.Error < best.Error) {
            best = c;
        }
    }
    WriteBlock(best, block);
}

} // namespace quillon
