#include "imaging/Bc1Encoder.h"

#include "imaging/BlockErrors.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <vector>

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
};

// Gives every pixel its nearest palette entry (index 3 of the three-colour mode is never used)
// and returns the squared error.
int PickSelectors(const BlockPixels& px, Candidate& c) {
    int palette[4][3];
    for (int ch = 0; ch < 3; ++ch) {
        const int a = Expand(ch, c.Q[0][ch]), b = Expand(ch, c.Q[1][ch]);
        for (int s = 0; s < 4; ++s) {
            palette[s][ch] = Interpolate(a, b, s, c.Three);
        }
    }
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

int QuantizeEndpoints(const Moments& m, const float a[3], const float b[3], Candidate& c) {
    return c.Three ? QuantizeEndpoints<true>(m, a, b, c) : QuantizeEndpoints<false>(m, a, b, c);
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

// What a cluster fit needs of a block sorted along its axis: prefix sums of the centred colours
// and of the colours, the colours' sums of squares, and the mean in grid units plus a half.
struct SortedBlock {
    float Prefix[17][3];
    int Sums[17][3];
    int Squares[3];
    float GridAverage[3];
};

constexpr float GridScale[3] = {31.0f / 255.0f, 63.0f / 255.0f, 31.0f / 255.0f};

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
    BlockPixels px;
    bool uniform = true;
    int channelSums[3] = {}, squares[3] = {};
    for (int i = 0; i < 16; ++i) {
        for (int ch = 0; ch < 3; ++ch) {
            const int v = rgba[i * 4 + ch];
            px.C[ch][i] = v;
            uniform = uniform && v == rgba[ch];
            channelSums[ch] += v;
            squares[ch] += v * v;
        }
    }
    std::uint8_t mean[3];
    for (int ch = 0; ch < 3; ++ch) {
        mean[ch] = static_cast<std::uint8_t>((channelSums[ch] + 8) / 16);
    }
    // The block of the mean colour: no result may be worse.
    Candidate best = SolidCandidate(mean, allowThree);
    if (uniform) {
        WriteBlock(best, block);
        return;
    }
    best.Error = SolidError(best, channelSums, squares);

    float average[3] = {};
    for (int i = 0; i < 16; ++i) {
        for (int ch = 0; ch < 3; ++ch) {
            average[ch] += static_cast<float>(px.C[ch][i]);
        }
    }
    float centred[16][3];
    for (int ch = 0; ch < 3; ++ch) {
        average[ch] /= 16;
        for (int i = 0; i < 16; ++i) {
            centred[i][ch] = static_cast<float>(px.C[ch][i]) - average[ch];
        }
    }
    float axis[3];
    if (!PrincipalAxis(centred, axis)) {
        WriteBlock(best, block);
        return;
    }

    // The pixels in order along the axis (a stable sort, so equal projections keep pixel order).
    float projection[16];
    int order[16];
    for (int i = 0; i < 16; ++i) {
        projection[i] = centred[i][0] * axis[0] + centred[i][1] * axis[1] + centred[i][2] * axis[2];
        order[i] = i;
    }
    for (int i = 1; i < 16; ++i) {
        const int moving = order[i];
        int at = i;
        while (at > 0 && projection[order[at - 1]] > projection[moving]) {
            order[at] = order[at - 1];
            --at;
        }
        order[at] = moving;
    }
    float prefix[17][3] = {};
    for (int s = 0; s < 16; ++s) {
        for (int ch = 0; ch < 3; ++ch) {
            prefix[s + 1][ch] = prefix[s][ch] + centred[order[s]][ch];
        }
    }

    // Integer prefix sums of the sorted pixels: with the squares, the moments of any ordering.
    int sums[17][3] = {};
    for (int s = 0; s < 16; ++s) {
        for (int ch = 0; ch < 3; ++ch) {
            sums[s + 1][ch] = sums[s][ch] + px.C[ch][order[s]];
        }
    }

    // The places where the sorted colours change: an ordering never splits equal colours, so
    // its boundaries lie among these. Blocks of few colours have few orderings.
    int bounds[17], boundCount = 0;
    for (int s = 0; s <= 16; ++s) {
        if (s == 0 || s == 16 || projection[order[s]] != projection[order[s - 1]]) {
            bounds[boundCount++] = s;
        }
    }
    // Where the sorted pixels split between palette entries, as places among the bounds, for
    // endpoints at `low` and `high` along the axis.
    auto split = [&](float low, float high, float fraction) {
        const float at = low + (high - low) * fraction;
        int n = 0;
        while (bounds[n] < 16 && projection[order[bounds[n]]] < at) {
            ++n;
        }
        return n;
    };
    // With the endpoints at the ends of the axis, where the sorted pixels would split between
    // the palette's entries (fractions of the span), as places among the bounds: the orderings
    // searched lie within reach of those.
    auto centre = [&](bool three, int splits[3]) {
        const float fractions[2][3] = {{1.0f / 6, 0.5f, 5.0f / 6}, {0.25f, 0.75f, 0.75f}};
        for (int n = 0; n < 3; ++n) {
            splits[n] = split(projection[order[0]], projection[order[15]], fractions[three][n]);
        }
    };
    const int last = boundCount - 1;
    const bool few = last <= FewPlaces;
    const int outerReach = few ? last : OuterReach, innerReach = few ? last : InnerReach;
    const int threeReach = few ? last : ThreeReach;
    // Every ordering in reach, as a cluster fit does: least-squares endpoints rounded to the
    // grid, and the error of the ordering's own selectors with them. The best few go on.
    const OrderingTables& tables = Orderings();
    struct Kept {
        int Error, I, J, K;
        bool Three;
    };
    Kept kept[Polished];
    int keptCount = 0;
    auto keep = [&](int error, int i, int j, int k, bool three) {
        int at = keptCount < Polished ? keptCount++ : Polished - 1;
        while (at > 0 && kept[at - 1].Error > error) {
            kept[at] = kept[at - 1];
            --at;
        }
        kept[at] = {error, i, j, k, three};
    };
    auto worstKept = [&] {
        return keptCount < Polished ? NoCandidateYet : kept[Polished - 1].Error;
    };
    // In grid units (0..31 or 0..63) the endpoints are average + U * q and average - Z * q.
    float gridAverage[3];
    for (int ch = 0; ch < 3; ++ch) {
        gridAverage[ch] = average[ch] * GridScale[ch] + 0.5f; // + 0.5: rounds when truncated
    }
    // The error of one ordering: entries a, inner, inner, b over the clusters [0, i), [i, j),
    // [j, k), [k, 16) (three colours: k = j, and the inner is the midpoint).
    SortedBlock sorted;
    std::copy(&prefix[0][0], &prefix[0][0] + 17 * 3, &sorted.Prefix[0][0]);
    std::copy(&sums[0][0], &sums[0][0] + 17 * 3, &sorted.Sums[0][0]);
    std::copy(std::begin(squares), std::end(squares), std::begin(sorted.Squares));
    std::copy(std::begin(gridAverage), std::end(gridAverage), std::begin(sorted.GridAverage));
    int splits[3];
    centre(false, splits);
    // Each boundary's places: those within Reach of its split, and for the outer two also the
    // very ends (an empty end cluster: endpoints beyond the pixels, which fit the grid best
    // where the pixels spread little).
    auto places = [&](int centrePlace, int reach, bool withEnd, int end, int* out) {
        int n = 0;
        const int from = std::max(centrePlace - reach, 0), to = std::min(centrePlace + reach, last);
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
    };
    int placesI[2 * MaxReach + 2], placesJ[2 * MaxReach + 2], placesK[2 * MaxReach + 2];
    const int countI = places(splits[0], outerReach, true, 0, placesI);
    const int countJ = places(splits[1], innerReach, false, 0, placesJ);
    const int countK = places(splits[2], outerReach, true, last, placesK);
    for (int ni = 0; ni < countI; ++ni) {
        for (int nj = 0; nj < countJ; ++nj) {
            for (int nk = 0; nk < countK; ++nk) {
                if (placesI[ni] > placesJ[nj] || placesJ[nj] > placesK[nk]) {
                    continue;
                }
                const int i = bounds[placesI[ni]], j = bounds[placesJ[nj]], k = bounds[placesK[nk]];
                const Ordering& o = tables.Four[i][j][k];
                if (o.Valid) {
                    const int limit = worstKept();
                    const int error = OrderingError<false>(sorted, o, i, j, k, limit);
                    if (error < limit) {
                        keep(error, i, j, k, false);
                    }
                }
            }
        }
    }
    if (allowThree) {
        centre(true, splits);
        const int countA = places(splits[0], threeReach, true, 0, placesI);
        const int countB = places(splits[1], threeReach, true, last, placesK);
        for (int na = 0; na < countA; ++na) {
            for (int nb = 0; nb < countB; ++nb) {
                if (placesI[na] > placesK[nb]) {
                    continue;
                }
                const int i = bounds[placesI[na]], j = bounds[placesK[nb]];
                const Ordering& o = tables.Three[i][j];
                if (o.Valid) {
                    const int limit = worstKept();
                    const int error = OrderingError<true>(sorted, o, i, j, j, limit);
                    if (error < limit) {
                        keep(error, i, j, j, true);
                    }
                }
            }
        }
    }

    // The kept orderings with their endpoints' rounding searched, then selectors picked afresh
    // and refined.
    for (int n = 0; n < (few ? std::min(keptCount, 1) : keptCount) && best.Error > 0; ++n) {
        const Kept& o = kept[n];
        const Ordering& ordering = o.Three ? tables.Three[o.I][o.J] : tables.Four[o.I][o.J][o.K];
        Candidate c;
        c.Three = o.Three;
        Moments m;
        const int bounds[5] = {0, o.I, o.J, o.K, 16};
        const int entry[4] = {0, 2, o.Three ? 1 : 3, 1};
        for (int cluster = 0; cluster < 4; ++cluster) {
            const int s = entry[cluster], from = bounds[cluster], to = bounds[cluster + 1];
            m.Count[s] += to - from;
            for (int ch = 0; ch < 3; ++ch) {
                m.Sum[s][ch] += sums[to][ch] - sums[from][ch];
            }
            for (int at = from; at < to; ++at) {
                c.Selectors[order[at]] = static_cast<std::uint8_t>(s);
            }
        }
        std::copy(std::begin(squares), std::end(squares), std::begin(m.Squares));
        float a[3], b[3];
        for (int ch = 0; ch < 3; ++ch) {
            const float q =
                (prefix[o.I][ch] + prefix[o.J][ch] + (o.Three ? 0.0f : prefix[o.K][ch])) *
                (o.Three ? 0.5f : 1.0f / 3.0f);
            a[ch] = average[ch] + ordering.U * q;
            b[ch] = average[ch] - ordering.Z * q;
        }
        c.Error = QuantizeEndpoints(m, a, b, c);
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
