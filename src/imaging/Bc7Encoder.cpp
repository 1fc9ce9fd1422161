#include "imaging/Bc7Encoder.h"

#include "imaging/Bc1Encoder.h"
#include "imaging/Bc7Tables.h"
#include "imaging/BlockErrors.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <iterator>

namespace quillon {

namespace {

using namespace bc7;

int Interpolate(int e0, int e1, int weight) {
    return ((64 - weight) * e0 + weight * e1 + 32) >> 6;
}

enum class PBits { None, Shared, Unique };

// How one mode stores a subset's endpoints.
struct EndpointFormat {
    int ColourBits;
    int AlphaBits; // 0: alpha is not stored and reads as 255
    PBits P;
};

// A stored endpoint channel widened to 8 bits, as the decoder does.
int Unquantize(int value, int bits, int pBit) {
    if (pBit >= 0) {
        value = value << 1 | pBit;
        ++bits;
    }
    return bits >= 8 ? value : (value << (8 - bits)) | (value >> (2 * bits - 8));
}

// For every 8-bit target, the stored value nearest to it: [bits 5..8][p-bit none, 0, 1][target].
struct QuantizeTables {
    std::uint8_t Nearest[4][3][256];
};

void FillQuantize(QuantizeTables* t) {
    for (int bits = 5; bits <= 8; ++bits) {
        for (int p = -1; p <= 1; ++p) {
            for (int target = 0; target < 256; ++target) {
                int best = NoCandidateYet, bestValue = 0;
                for (int value = 0; value < (1 << bits); ++value) {
                    const int d = std::abs(Unquantize(value, bits, p) - target);
                    if (d < best) {
                        best = d;
                        bestValue = value;
                    }
                }
                t->Nearest[bits - 5][p + 1][target] = static_cast<std::uint8_t>(bestValue);
            }
        }
    }
}

int QuantizeChannel(float target, int bits, int pBit) {
    static QuantizeTables tables;
    static const bool filled = (FillQuantize(&tables), true);
    (void)filled;
    const int t = static_cast<int>(std::clamp(target, 0.0f, 255.0f) + 0.5f);
    return tables.Nearest[bits - 5][pBit + 1][t];
}

struct Pixel {
    int C[4];
};

// A fitted subset: stored endpoint values, p-bits, the index of each of its pixels (in the order
// they were given) and the squared error over the channels it covers.
struct SubsetFit {
    int E[2][4] = {};
    int P[2] = {-1, -1};
    std::uint8_t Index[16] = {};
    int Error = NoCandidateYet;
};

// What a subset fit covers: channels First to Last - 1 of its pixels, with Format's storage and
// IndexBits-bit indices. Channel 3 without stored alpha reads as 255. FixedP 0 or 1 gives every
// endpoint that p-bit (a block of one alpha needs the p-bit its alpha has); -1 lets the fit choose.
struct SubsetJob {
    const Pixel* Pixels;
    int Count;
    int First, Last;
    EndpointFormat Format;
    int IndexBits;
    int FixedP = -1;
};

int ChannelBits(const EndpointFormat& f, int channel) {
    return channel < 3 ? f.ColourBits : f.AlphaBits;
}

// For a weight out of 64 along the endpoints' line, the index whose weight is nearest: [bits - 2].
struct NearestIndexTables {
    std::uint8_t Nearest[3][65];
};

void FillNearestIndex(NearestIndexTables* t) {
    for (int bits = 2; bits <= 4; ++bits) {
        const std::uint8_t* weights = WeightsFor(bits);
        for (int w = 0; w <= 64; ++w) {
            int best = 0;
            for (int k = 1; k < (1 << bits); ++k) {
                if (std::abs(weights[k] - w) < std::abs(weights[best] - w)) {
                    best = k;
                }
            }
            t->Nearest[bits - 2][w] = static_cast<std::uint8_t>(best);
        }
    }
}

const std::uint8_t* NearestIndex(int bits) {
    static NearestIndexTables tables;
    static const bool filled = (FillNearestIndex(&tables), true);
    (void)filled;
    return tables.Nearest[bits - 2];
}

// Gives each pixel its nearest palette entry for the stored endpoints and returns the error. The
// pixel's projection on the endpoints' line names a first guess; its neighbours are checked too.
int PickIndices(const SubsetJob& job, SubsetFit& fit) {
    const int entries = 1 << job.IndexBits;
    const std::uint8_t* weights = WeightsFor(job.IndexBits);
    const std::uint8_t* nearest = NearestIndex(job.IndexBits);
    int palette[16][4] = {}, e0[4] = {}, e1[4] = {}, use[4] = {};
    float direction[4] = {}, length = 0;
    for (int ch = job.First; ch < job.Last; ++ch) {
        const int bits = ChannelBits(job.Format, ch);
        use[ch] = 1;
        e0[ch] = e1[ch] = 255;
        if (bits != 0) {
            e0[ch] = Unquantize(fit.E[0][ch], bits, fit.P[0]);
            e1[ch] = Unquantize(fit.E[1][ch], bits, fit.P[1]);
        }
        for (int k = 0; k < entries; ++k) {
            palette[k][ch] = Interpolate(e0[ch], e1[ch], weights[k]);
        }
        direction[ch] = static_cast<float>(e1[ch] - e0[ch]);
        length += direction[ch] * direction[ch];
    }
    const float scale = length > 0 ? 64.0f / length : 0.0f;
    int total = 0;
    for (int i = 0; i < job.Count; ++i) {
        int c[4];
        float t = 0;
        for (int ch = 0; ch < 4; ++ch) {
            c[ch] = job.Pixels[i].C[ch] * use[ch];
            t += static_cast<float>(c[ch] - e0[ch]) * direction[ch];
        }
        const int guess = nearest[static_cast<int>(std::clamp(t * scale, 0.0f, 64.0f) + 0.5f)];
        int best = NoCandidateYet, bestIndex = 0;
        for (int k = std::max(guess - 1, 0); k <= std::min(guess + 1, entries - 1); ++k) {
            int e = 0;
            for (int ch = 0; ch < 4; ++ch) {
                const int d = c[ch] - palette[k][ch];
                e += d * d;
            }
            if (e < best) {
                best = e;
                bestIndex = k;
            }
        }
        fit.Index[i] = static_cast<std::uint8_t>(bestIndex);
        total += best;
    }
    fit.Error = total;
    return total;
}

// Quantizes unquantized endpoints and keeps the fit if it beats `best`. The p-bits are those
// that store the endpoints most closely.
void QuantizeAndPick(const SubsetJob& job, const float e0[4], const float e1[4], SubsetFit& best) {
    const PBits mode = job.Format.P;
    const float* ends[2] = {e0, e1};
    // How closely each endpoint is stored with p-bit 0 and with 1.
    int error[2][2] = {};
    if (mode != PBits::None && job.FixedP < 0) {
        for (int e = 0; e < 2; ++e) {
            for (int p = 0; p < 2; ++p) {
                float sum = 0;
                for (int ch = job.First; ch < job.Last; ++ch) {
                    const int bits = ChannelBits(job.Format, ch);
                    if (bits != 0) {
                        const float target = std::clamp(ends[e][ch], 0.0f, 255.0f);
                        const float d = static_cast<float>(
                                            Unquantize(QuantizeChannel(target, bits, p), bits, p)) -
                                        target;
                        sum += d * d;
                    }
                }
                error[e][p] = static_cast<int>(sum * 16);
            }
        }
    }
    {
        SubsetFit fit;
        if (mode != PBits::None && job.FixedP >= 0) {
            fit.P[0] = fit.P[1] = job.FixedP;
        } else if (mode == PBits::Shared) {
            fit.P[0] = fit.P[1] = error[0][1] + error[1][1] < error[0][0] + error[1][0] ? 1 : 0;
        } else if (mode == PBits::Unique) {
            fit.P[0] = error[0][1] < error[0][0] ? 1 : 0;
            fit.P[1] = error[1][1] < error[1][0] ? 1 : 0;
        }
        for (int ch = job.First; ch < job.Last; ++ch) {
            const int bits = ChannelBits(job.Format, ch);
            if (bits != 0) {
                fit.E[0][ch] = QuantizeChannel(e0[ch], bits, fit.P[0]);
                fit.E[1][ch] = QuantizeChannel(e1[ch], bits, fit.P[1]);
            }
        }
        if (PickIndices(job, fit) < best.Error) {
            best = fit;
        }
    }
}

// Least-squares endpoints for the fit's indices; false when they do not fix a line.
bool FitToIndices(const SubsetJob& job, const SubsetFit& fit, float e0[4], float e1[4]) {
    const std::uint8_t* weights = WeightsFor(job.IndexBits);
    double aa = 0, bb = 0, ab = 0, ax[4] = {}, bx[4] = {};
    for (int i = 0; i < job.Count; ++i) {
        const double beta = weights[fit.Index[i]] / 64.0, alpha = 1.0 - beta;
        aa += alpha * alpha;
        bb += beta * beta;
        ab += alpha * beta;
        for (int ch = job.First; ch < job.Last; ++ch) {
            ax[ch] += alpha * job.Pixels[i].C[ch];
            bx[ch] += beta * job.Pixels[i].C[ch];
        }
    }
    const double det = aa * bb - ab * ab;
    if (det < 1e-9) {
        return false;
    }
    for (int ch = job.First; ch < job.Last; ++ch) {
        e0[ch] = static_cast<float>((bb * ax[ch] - ab * bx[ch]) / det);
        e1[ch] = static_cast<float>((aa * bx[ch] - ab * ax[ch]) / det);
    }
    return true;
}

// The principal axis of the pixels' channels First..Last-1 around their mean (the others 0);
// false when they do not spread.
bool PrincipalAxis(const SubsetJob& job, const float mean[4], float axis[4]) {
    float use[4] = {};
    for (int ch = job.First; ch < job.Last; ++ch) {
        use[ch] = 1;
    }
    float cov[4][4] = {};
    for (int i = 0; i < job.Count; ++i) {
        float d[4];
        for (int ch = 0; ch < 4; ++ch) {
            d[ch] = (static_cast<float>(job.Pixels[i].C[ch]) - mean[ch]) * use[ch];
        }
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c) {
                cov[r][c] += d[r] * d[c];
            }
        }
    }
    int widest = job.First;
    for (int r = job.First; r < job.Last; ++r) {
        if (cov[r][r] > cov[widest][widest]) {
            widest = r;
        }
    }
    float v[4];
    for (int ch = 0; ch < 4; ++ch) {
        v[ch] = cov[widest][ch];
    }
    for (int iteration = 0; iteration < 3; ++iteration) {
        float w[4] = {}, length = 0;
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c) {
                w[r] += cov[r][c] * v[c];
            }
            length += w[r] * w[r];
        }
        if (!(length > 1e-12f)) {
            return false;
        }
        const float scale = 1.0f / std::sqrt(length);
        for (int ch = 0; ch < 4; ++ch) {
            v[ch] = w[ch] * scale;
        }
    }
    std::copy(v, v + 4, axis);
    return true;
}

// Rounds of least squares after the first fit of a subset.
constexpr int Refinements = 1;

// Where a subset fit starts: the ends of the pixels' span along their principal axis.
void InitialEndpoints(const SubsetJob& job, float e0[4], float e1[4]) {
    if (job.Last - job.First == 1) {
        // One channel's axis is the channel itself: its span is its lowest to highest value.
        int low = 255, high = 0;
        for (int i = 0; i < job.Count; ++i) {
            low = std::min(low, job.Pixels[i].C[job.First]);
            high = std::max(high, job.Pixels[i].C[job.First]);
        }
        e0[job.First] = static_cast<float>(low);
        e1[job.First] = static_cast<float>(high);
        return;
    }
    float mean[4] = {};
    for (int i = 0; i < job.Count; ++i) {
        for (int ch = job.First; ch < job.Last; ++ch) {
            mean[ch] += static_cast<float>(job.Pixels[i].C[ch]);
        }
    }
    for (int ch = job.First; ch < job.Last; ++ch) {
        mean[ch] /= static_cast<float>(job.Count);
        e0[ch] = e1[ch] = mean[ch];
    }
    float axis[4];
    if (!PrincipalAxis(job, mean, axis)) {
        return;
    }
    float low = 1e9f, high = -1e9f;
    for (int i = 0; i < job.Count; ++i) {
        float t = 0;
        for (int ch = job.First; ch < job.Last; ++ch) {
            t += (static_cast<float>(job.Pixels[i].C[ch]) - mean[ch]) * axis[ch];
        }
        low = std::min(low, t);
        high = std::max(high, t);
    }
    for (int ch = job.First; ch < job.Last; ++ch) {
        e0[ch] = mean[ch] + low * axis[ch];
        e1[ch] = mean[ch] + high * axis[ch];
    }
}

// Fits one subset from its initial endpoints: quantized, then rounds of least squares.
SubsetFit FitSubset(const SubsetJob& job, const float start0[4], const float start1[4]) {
    float e0[4], e1[4];
    std::copy(start0, start0 + 4, e0);
    std::copy(start1, start1 + 4, e1);
    SubsetFit best;
    QuantizeAndPick(job, e0, e1, best);
    for (int round = 0; round < Refinements && best.Error > 0; ++round) {
        if (!FitToIndices(job, best, e0, e1)) {
            break;
        }
        const int before = best.Error;
        QuantizeAndPick(job, e0, e1, best);
        if (best.Error >= before) {
            break;
        }
    }
    return best;
}

SubsetFit FitSubset(const SubsetJob& job) {
    float e0[4] = {}, e1[4] = {};
    InitialEndpoints(job, e0, e1);
    return FitSubset(job, e0, e1);
}

// The block's 128 bits, written from the lowest up.
class BitWriter {
public:
    explicit BitWriter(std::uint8_t* block) : Block(block) { std::memset(block, 0, 16); }
    void Put(unsigned value, int count) {
        for (int i = 0; i < count; ++i, ++Position) {
            if ((value >> i) & 1) {
                Block[Position >> 3] =
                    static_cast<std::uint8_t>(Block[Position >> 3] | (1u << (Position & 7)));
            }
        }
    }

private:
    std::uint8_t* Block;
    int Position = 0;
};

// A whole block in one mode, ready to write.
struct Bc7Block {
    int Mode = -1;
    int Partition = 0;
    int Rotation = 0;
    int IndexSelection = 0;
    int E[4][4] = {};                 // endpoints: subset s has 2s and 2s + 1
    int P[4] = {-1, -1, -1, -1};      // p-bits of the endpoints
    std::uint8_t Index[16] = {};      // first index set, per pixel
    std::uint8_t AlphaIndex[16] = {}; // second index set of modes 4 and 5
    int Error = NoCandidateYet;
};

struct ModeLayout {
    int Subsets, PartitionBits, RotationBits, SelectionBits;
    EndpointFormat Format;
    int IndexBits, SecondIndexBits;
};

constexpr ModeLayout Layouts[8] = {
    {3, 4, 0, 0, {4, 0, PBits::Unique}, 3, 0}, {2, 6, 0, 0, {6, 0, PBits::Shared}, 3, 0},
    {3, 6, 0, 0, {5, 0, PBits::None}, 2, 0},   {2, 6, 0, 0, {7, 0, PBits::Unique}, 2, 0},
    {1, 0, 2, 1, {5, 6, PBits::None}, 2, 3},   {1, 0, 2, 0, {7, 8, PBits::None}, 2, 2},
    {1, 0, 0, 0, {7, 7, PBits::Unique}, 4, 0}, {2, 6, 0, 0, {5, 5, PBits::Unique}, 2, 0},
};

void WriteBlock(const Bc7Block& b, std::uint8_t* out) {
    const ModeLayout& layout = Layouts[b.Mode];
    BitWriter bits(out);
    bits.Put(1u << b.Mode, b.Mode + 1);
    bits.Put(static_cast<unsigned>(b.Partition), layout.PartitionBits);
    bits.Put(static_cast<unsigned>(b.Rotation), layout.RotationBits);
    bits.Put(static_cast<unsigned>(b.IndexSelection), layout.SelectionBits);
    const int endpoints = layout.Subsets * 2;
    for (int ch = 0; ch < 4; ++ch) {
        const int width = ch < 3 ? layout.Format.ColourBits : layout.Format.AlphaBits;
        for (int e = 0; e < endpoints; ++e) {
            bits.Put(static_cast<unsigned>(b.E[e][ch]), width);
        }
    }
    if (layout.Format.P == PBits::Unique) {
        for (int e = 0; e < endpoints; ++e) {
            bits.Put(static_cast<unsigned>(b.P[e]), 1);
        }
    } else if (layout.Format.P == PBits::Shared) {
        for (int s = 0; s < layout.Subsets; ++s) {
            bits.Put(static_cast<unsigned>(b.P[2 * s]), 1);
        }
    }
    const int anchor = layout.Subsets == 2 ? Anchors2[b.Partition] : 0;
    for (int i = 0; i < 16; ++i) {
        const bool isAnchor = i == 0 || (layout.Subsets == 2 && i == anchor);
        bits.Put(b.Index[i], layout.IndexBits - (isAnchor ? 1 : 0));
    }
    if (layout.SecondIndexBits != 0) {
        for (int i = 0; i < 16; ++i) {
            bits.Put(b.AlphaIndex[i], layout.SecondIndexBits - (i == 0 ? 1 : 0));
        }
    }
}

// The anchor pixel's index must have its top bit clear: otherwise swap the subset's endpoints
// (channels First..Last-1) and mirror its indices.
void FixAnchor(Bc7Block& b, std::uint8_t* indices, int bits, int subset, int anchor,
               const std::uint16_t mask, int first, int last, bool swapPBits) {
    const int top = (1 << bits) - 1;
    if (indices[anchor] <= top >> 1) {
        return;
    }
    for (int ch = first; ch < last; ++ch) {
        std::swap(b.E[2 * subset][ch], b.E[2 * subset + 1][ch]);
    }
    if (swapPBits) {
        std::swap(b.P[2 * subset], b.P[2 * subset + 1]);
    }
    for (int i = 0; i < 16; ++i) {
        if (static_cast<int>((mask >> i) & 1) == subset) {
            indices[i] = static_cast<std::uint8_t>(top - indices[i]);
        }
    }
}

void Keep(Bc7Block& best, const Bc7Block& candidate) {
    if (candidate.Error < best.Error) {
        best = candidate;
    }
}

// The stored alpha and p-bit with which both endpoints of a subset read as `alpha` exactly, so
// that every index does too; false when the format has no such value. Only for formats that
// store alpha with a p-bit (modes 6 and 7).
bool ExactAlphaEndpoint(const EndpointFormat& format, int alpha, int& value, int& pBit) {
    for (int p = 0; p < 2; ++p) {
        const int v = QuantizeChannel(static_cast<float>(alpha), format.AlphaBits, p);
        if (Unquantize(v, format.AlphaBits, p) == alpha) {
            value = v;
            pBit = p;
            return true;
        }
    }
    return false;
}

// Mode 6: colour and alpha fitted together. A block of one alpha (`flatAlpha` >= 0) keeps it
// exactly: the p-bits are the ones its alpha needs and the colour is fitted under them, rather
// than p-bits chosen for the colour that would turn 255 into 254.
Bc7Block EncodeJoint(const Pixel* px, int flatAlpha) {
    const ModeLayout& layout = Layouts[6];
    int alphaValue = 0, pBit = -1;
    const bool exact =
        flatAlpha >= 0 && ExactAlphaEndpoint(layout.Format, flatAlpha, alphaValue, pBit);
    const SubsetFit fit =
        FitSubset({px, 16, 0, exact ? 3 : 4, layout.Format, layout.IndexBits, pBit});
    Bc7Block b;
    b.Mode = 6;
    for (int e = 0; e < 2; ++e) {
        std::copy(std::begin(fit.E[e]), std::end(fit.E[e]), b.E[e]);
        b.P[e] = fit.P[e];
        if (exact) {
            b.E[e][3] = alphaValue;
        }
    }
    std::copy(std::begin(fit.Index), std::end(fit.Index), b.Index);
    b.Error = fit.Error;
    FixAnchor(b, b.Index, layout.IndexBits, 0, 0, 0, 0, 4, true);
    return b;
}

// A one-subset mode with alpha apart (modes 4 and 5): colour and alpha fitted each with their
// own indices from the given starts. `selection` 1 gives colour the longer indices (mode 4 only).
// `px` is already rotated as `rotation` says.
Bc7Block EncodeSeparate(const Pixel* px, int mode, int selection, int rotation,
                        const float colourStart[2][4], const float alphaStart[2][4]) {
    const ModeLayout& layout = Layouts[mode];
    const int colourIndexBits = selection ? layout.SecondIndexBits : layout.IndexBits;
    const int alphaIndexBits = selection ? layout.IndexBits : layout.SecondIndexBits;
    const EndpointFormat format = layout.Format;
    const SubsetFit colour =
        FitSubset({px, 16, 0, 3, format, colourIndexBits}, colourStart[0], colourStart[1]);
    const SubsetFit alpha =
        FitSubset({px, 16, 3, 4, format, alphaIndexBits}, alphaStart[0], alphaStart[1]);
    Bc7Block b;
    b.Mode = mode;
    b.Rotation = rotation;
    b.IndexSelection = selection;
    for (int e = 0; e < 2; ++e) {
        for (int ch = 0; ch < 3; ++ch) {
            b.E[e][ch] = colour.E[e][ch];
        }
        b.E[e][3] = alpha.E[e][3];
    }
    std::uint8_t* colourIndices = selection ? b.AlphaIndex : b.Index;
    std::uint8_t* alphaIndices = selection ? b.Index : b.AlphaIndex;
    std::copy(std::begin(colour.Index), std::end(colour.Index), colourIndices);
    std::copy(std::begin(alpha.Index), std::end(alpha.Index), alphaIndices);
    b.Error = colour.Error + alpha.Error;
    FixAnchor(b, colourIndices, colourIndexBits, 0, 0, 0, 0, 3, false);
    FixAnchor(b, alphaIndices, alphaIndexBits, 0, 0, 0, 3, 4, false);
    return b;
}

// Modes 5 and, with `mode4`, 4 (both index selections) at one rotation: 1 to 3 exchanges alpha
// with red, green or blue before the fit (the decoder exchanges them back), so a colour channel
// that varies on its own gets the separate indices. The layouts share their starting endpoints.
void EncodeRotation(const Pixel* source, int rotation, bool mode4, Bc7Block& best) {
    Pixel rotated[16];
    const Pixel* px = source;
    if (rotation != 0) {
        for (int i = 0; i < 16; ++i) {
            rotated[i] = source[i];
            std::swap(rotated[i].C[3], rotated[i].C[rotation - 1]);
        }
        px = rotated;
    }
    float colourStart[2][4] = {}, alphaStart[2][4] = {};
    InitialEndpoints({px, 16, 0, 3, Layouts[5].Format, 2}, colourStart[0], colourStart[1]);
    InitialEndpoints({px, 16, 3, 4, Layouts[5].Format, 2}, alphaStart[0], alphaStart[1]);
    Keep(best, EncodeSeparate(px, 5, 0, rotation, colourStart, alphaStart));
    if (mode4) {
        Keep(best, EncodeSeparate(px, 4, 0, rotation, colourStart, alphaStart));
        Keep(best, EncodeSeparate(px, 4, 1, rotation, colourStart, alphaStart));
    }
}

// Two-subset modes for one partition, sharing each subset's starting endpoints: modes 1 and 3
// for opaque blocks (alpha left out: they read it as 255), mode 7 otherwise. A block of one alpha
// (`flatAlpha` >= 0) tries mode 7 only where its endpoints store that alpha exactly.
void EncodePartitioned(const Pixel* px, bool opaque, int flatAlpha, int partition, Bc7Block& best) {
    int alphaValue = 0, pBit = -1;
    const bool exact = !opaque && flatAlpha >= 0;
    if (exact && !ExactAlphaEndpoint(Layouts[7].Format, flatAlpha, alphaValue, pBit)) {
        return;
    }
    const std::uint16_t mask = Partitions2[partition];
    Pixel members[2][16];
    int count[2] = {}, where[16];
    for (int i = 0; i < 16; ++i) {
        const int s = (mask >> i) & 1;
        where[i] = count[s];
        members[s][count[s]++] = px[i];
    }
    const int channels = opaque || exact ? 3 : 4;
    float start[2][2][4] = {};
    for (int s = 0; s < 2; ++s) {
        InitialEndpoints({members[s], count[s], 0, channels, Layouts[6].Format, 4}, start[s][0],
                         start[s][1]);
    }
    static constexpr int OpaqueModes[2] = {1, 3};
    static constexpr int AlphaModes[1] = {7};
    const int* modes = opaque ? OpaqueModes : AlphaModes;
    for (int m = 0; m < (opaque ? 2 : 1); ++m) {
        const ModeLayout& layout = Layouts[modes[m]];
        Bc7Block b;
        b.Mode = modes[m];
        b.Partition = partition;
        b.Error = 0;
        SubsetFit fits[2];
        for (int s = 0; s < 2 && b.Error < best.Error; ++s) {
            fits[s] = FitSubset(
                {members[s], count[s], 0, channels, layout.Format, layout.IndexBits, pBit},
                start[s][0], start[s][1]);
            b.Error += fits[s].Error;
            for (int e = 0; e < 2; ++e) {
                std::copy(std::begin(fits[s].E[e]), std::end(fits[s].E[e]), b.E[2 * s + e]);
                b.P[2 * s + e] = fits[s].P[e];
                if (exact) {
                    b.E[2 * s + e][3] = alphaValue;
                }
            }
        }
        if (b.Error >= best.Error) {
            continue;
        }
        for (int i = 0; i < 16; ++i) {
            b.Index[i] = fits[(mask >> i) & 1].Index[where[i]];
        }
        const bool unique = layout.Format.P == PBits::Unique;
        FixAnchor(b, b.Index, layout.IndexBits, 0, 0, mask, 0, 4, unique);
        FixAnchor(b, b.Index, layout.IndexBits, 1, Anchors2[partition], mask, 0, 4, unique);
        best = b;
    }
}

// Partition estimates work on sums over each subset of 16 terms per pixel: 1, the four
// channels, and their ten products (the last term is padding).
constexpr int Terms = 16;

// The variance of one partition's subsets left off each subset's principal axis, summed: how far
// they lie from a line each. Lower is more promising.
float LineResidual(const std::int32_t sums[2][Terms], int channels) {
    static constexpr int PairAt[4][4] = {
        {5, 6, 7, 8}, {6, 9, 10, 11}, {7, 10, 12, 13}, {8, 11, 13, 14}};
    float residual = 0;
    for (int s = 0; s < 2; ++s) {
        const float n = static_cast<float>(sums[s][0]);
        float cov[4][4], trace = 0;
        for (int r = 0; r < channels; ++r) {
            for (int c = r; c < channels; ++c) {
                cov[r][c] = cov[c][r] =
                    static_cast<float>(sums[s][PairAt[r][c]]) -
                    static_cast<float>(sums[s][1 + r]) * static_cast<float>(sums[s][1 + c]) / n;
            }
            trace += cov[r][r];
        }
        // The largest eigenvalue, near enough: power steps from the widest channel's row.
        int widest = 0;
        for (int r = 1; r < channels; ++r) {
            if (cov[r][r] > cov[widest][widest]) {
                widest = r;
            }
        }
        float v[4], lambda = 0;
        for (int c = 0; c < channels; ++c) {
            v[c] = cov[widest][c];
        }
        for (int iteration = 0; iteration < 3; ++iteration) {
            float w[4] = {}, vv = 0, vw = 0;
            for (int r = 0; r < channels; ++r) {
                for (int c = 0; c < channels; ++c) {
                    w[r] += cov[r][c] * v[c];
                }
                vv += v[r] * v[r];
                vw += v[r] * w[r];
            }
            if (vv < 1e-6f) {
                break;
            }
            lambda = vw / vv;
            const float scale = 1.0f / std::sqrt(vv);
            for (int c = 0; c < channels; ++c) {
                v[c] = w[c] * scale;
            }
        }
        residual += std::max(trace - lambda, 0.0f);
    }
    return residual;
}

// Picks the `count` most promising partitions, best first: all 64 ranked by a quick estimate
// (the spread of each subset off lines parallel to the block's principal axis), the best
// Shortlist of those ranked again by each subset's own line.
constexpr int Shortlist = 8;

void ChoosePartitions(const Pixel* px, bool opaque, const float axis[4], int count, int* chosen) {
    const int channels = opaque ? 3 : 4;
    // Quick pass: per pixel 1, the channels, the squared length, the projection and its square.
    float quick[16][8] = {}, total[8] = {};
    for (int i = 0; i < 16; ++i) {
        float length = 0, t = 0;
        quick[i][0] = 1;
        for (int ch = 0; ch < channels; ++ch) {
            const float v = static_cast<float>(px[i].C[ch]);
            quick[i][1 + ch] = v;
            length += v * v;
            t += v * axis[ch];
        }
        quick[i][5] = length;
        quick[i][6] = t;
        quick[i][7] = t * t;
        for (int k = 0; k < 8; ++k) {
            total[k] += quick[i][k];
        }
    }
    float estimate[64];
    for (int p = 0; p < 64; ++p) {
        float sums[2][8] = {};
        for (unsigned mask = Partitions2[p]; mask != 0; mask &= mask - 1) {
            const float* q = quick[std::countr_zero(mask)];
            for (int k = 0; k < 8; ++k) {
                sums[1][k] += q[k];
            }
        }
        float spread = 0;
        for (int s = 0; s < 2; ++s) {
            float* m = sums[s];
            if (s == 0) {
                for (int k = 0; k < 8; ++k) {
                    m[k] = total[k] - sums[1][k];
                }
            }
            const float n = m[0];
            const float centre = (m[1] * m[1] + m[2] * m[2] + m[3] * m[3] + m[4] * m[4]) / n;
            spread += (m[5] - centre) - (m[7] - m[6] * m[6] / n);
        }
        estimate[p] = spread;
    }
    int order[64];
    for (int p = 0; p < 64; ++p) {
        order[p] = p;
    }
    auto better = [](const float* by) {
        return [by](int a, int b) { return by[a] < by[b] || (by[a] == by[b] && a < b); };
    };
    std::partial_sort(order, order + Shortlist, order + 64, better(estimate));

    // Second pass on the shortlist: exact moments and each subset's own axis.
    std::int32_t moments[16][Terms] = {};
    for (int i = 0; i < 16; ++i) {
        int n = 0;
        moments[i][n++] = 1;
        for (int r = 0; r < 4; ++r) {
            moments[i][n++] = px[i].C[r];
        }
        for (int r = 0; r < 4; ++r) {
            for (int c = r; c < 4; ++c) {
                moments[i][n++] = px[i].C[r] * px[i].C[c];
            }
        }
    }
    float residual[64];
    for (int n = 0; n < Shortlist; ++n) {
        const int p = order[n];
        std::int32_t sums[2][Terms] = {};
        for (int i = 0; i < 16; ++i) {
            const int s = (Partitions2[p] >> i) & 1;
            for (int t = 0; t < Terms; ++t) {
                sums[s][t] += moments[i][t];
            }
        }
        residual[p] = LineResidual(sums, channels);
    }
    std::partial_sort(order, order + count, order + Shortlist, better(residual));
    std::copy(order, order + count, chosen);
}

// Of rotations 1 to 3, the one with the least quick estimate of the error modes 4 and 5 reach:
// mode 5 from the starting endpoints, without least squares. Blocks with alpha try modes 4 and 5
// with alpha in its place and exchanged with that colour channel only.
int BestRotation(const Pixel* source) {
    int best = 1;
    float bestEstimate = 0;
    for (int rotation = 1; rotation <= 3; ++rotation) {
        Pixel px[16];
        for (int i = 0; i < 16; ++i) {
            px[i] = source[i];
            std::swap(px[i].C[3], px[i].C[rotation - 1]);
        }
        float error = 0;
        for (int part = 0; part < 2; ++part) {
            const SubsetJob job{px,
                                16,
                                part == 0 ? 0 : 3,
                                part == 0 ? 3 : 4,
                                Layouts[5].Format,
                                Layouts[5].IndexBits};
            float e0[4] = {}, e1[4] = {};
            InitialEndpoints(job, e0, e1);
            SubsetFit fit;
            QuantizeAndPick(job, e0, e1, fit);
            error += static_cast<float>(fit.Error);
        }
        if (rotation == 1 || error < bestEstimate) {
            best = rotation;
            bestEstimate = error;
        }
    }
    return best;
}

// A single-subset fit this close (squared error over the block) is kept without trying the
// two-subset modes: they seldom gain much there and cost most of the time.
constexpr int GoodEnough = 64;

// How many partitions, best estimated first, are fitted in full.
constexpr int PartitionsTried = 2;

// The solid block of one colour: mode 5, colour on index 1 between two 7-bit endpoints chosen per
// channel, alpha exact.
struct SolidEntry {
    std::uint8_t Low, High;
};

void FillSolid(SolidEntry* table) {
    for (int v = 0; v < 256; ++v) {
        // The best pair lies within a few steps of the value itself.
        const int centre = v >> 1;
        int best = NoCandidateYet;
        for (int a = std::max(centre - 6, 0); a <= std::min(centre + 6, 127); ++a) {
            for (int b = std::max(centre - 6, 0); b <= std::min(centre + 6, 127); ++b) {
                const int d = std::abs(
                    Interpolate(Unquantize(a, 7, -1), Unquantize(b, 7, -1), Weights2[1]) - v);
                if (d < best) {
                    best = d;
                    table[v] = {static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b)};
                }
            }
        }
    }
}

Bc7Block SolidBlock(const std::uint8_t rgba[4]) {
    static SolidEntry table[256];
    static const bool filled = (FillSolid(table), true);
    (void)filled;
    Bc7Block b;
    b.Mode = 5;
    for (int ch = 0; ch < 3; ++ch) {
        b.E[0][ch] = table[rgba[ch]].Low;
        b.E[1][ch] = table[rgba[ch]].High;
    }
    b.E[0][3] = b.E[1][3] = rgba[3];
    std::fill(std::begin(b.Index), std::end(b.Index), std::uint8_t{1});
    return b;
}

// The squared error of a mode 5 block without rotation against the pixels.
int SolidError(const Bc7Block& b, const Pixel* px) {
    int colour[4];
    for (int ch = 0; ch < 3; ++ch) {
        colour[ch] =
            Interpolate(Unquantize(b.E[0][ch], 7, -1), Unquantize(b.E[1][ch], 7, -1), Weights2[1]);
    }
    colour[3] = b.E[0][3];
    int total = 0;
    for (int i = 0; i < 16; ++i) {
        for (int ch = 0; ch < 4; ++ch) {
            const int d = px[i].C[ch] - colour[ch];
            total += d * d;
        }
    }
    return total;
}

} // namespace

void EncodeBc7Block(const std::uint8_t* rgba, std::uint8_t* block) {
    Pixel px[16];
    bool uniform = true, opaque = true, flatAlpha = true;
    for (int i = 0; i < 16; ++i) {
        for (int ch = 0; ch < 4; ++ch) {
            px[i].C[ch] = rgba[i * 4 + ch];
            uniform = uniform && rgba[i * 4 + ch] == rgba[ch];
        }
        opaque = opaque && rgba[i * 4 + 3] == 255;
        flatAlpha = flatAlpha && rgba[i * 4 + 3] == rgba[3];
    }
    std::uint8_t mean[4];
    BlockMeanColour(rgba, mean);
    Bc7Block best = SolidBlock(mean);
    best.Error = SolidError(best, px);
    if (uniform || best.Error == 0) {
        WriteBlock(best, block);
        return;
    }

    // A block of one alpha decodes to exactly that alpha: every mode below either stores it
    // exactly at both endpoints or is left out for the block.
    const int exactAlpha = flatAlpha ? rgba[3] : -1;
    Keep(best, EncodeJoint(px, exactAlpha));
    // Alpha of one value needs no indices of its own, so mode 4 seldom gains there. A rotation
    // stores it as a colour channel of 7 bits, whose two endpoints the fit leaves equal on a
    // channel of one value: exact wherever 7 bits hold the value.
    EncodeRotation(px, 0, !flatAlpha, best);
    const bool rotatable =
        !flatAlpha || Unquantize(QuantizeChannel(rgba[3], 7, -1), 7, -1) == rgba[3];
    if (!opaque && rotatable) {
        EncodeRotation(px, BestRotation(px), !flatAlpha, best);
    }
    if (best.Error > GoodEnough) {
        // The block's principal axis, for the quick partition estimate.
        const SubsetJob whole{px, 16, 0, opaque ? 3 : 4, Layouts[6].Format, 4};
        float average[4] = {}, axis[4] = {};
        for (int i = 0; i < 16; ++i) {
            for (int ch = 0; ch < 4; ++ch) {
                average[ch] += static_cast<float>(px[i].C[ch]) / 16;
            }
        }
        PrincipalAxis(whole, average, axis);
        int chosen[PartitionsTried];
        ChoosePartitions(px, opaque, axis, PartitionsTried, chosen);
        for (const int partition : chosen) {
            EncodePartitioned(px, opaque, exactAlpha, partition, best);
        }
    }
    WriteBlock(best, block);
}

} // namespace quillon
