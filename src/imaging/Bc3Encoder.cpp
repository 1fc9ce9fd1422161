#include "imaging/Bc3Encoder.h"

#include "imaging/Bc1Encoder.h"
#include "imaging/BlockErrors.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace quillon {

namespace {

// A choice of the two endpoint bytes and the index of every pixel. alpha0 > alpha1 reads as
// eight values (the endpoints and six between); otherwise six (the endpoints, four between,
// then 0 and 255).
struct AlphaFit {
    int Alpha0 = 0, Alpha1 = 0;
    std::uint8_t Indices[16] = {};
    int Error = NoCandidateYet;
};

// The values the decoder gives the eight indices, as libsquish computes them.
void AlphaCodes(int alpha0, int alpha1, int codes[8]) {
    codes[0] = alpha0;
    codes[1] = alpha1;
    if (alpha0 <= alpha1) {
        for (int i = 1; i < 5; ++i) {
            codes[1 + i] = ((5 - i) * alpha0 + i * alpha1) / 5;
        }
        codes[6] = 0;
        codes[7] = 255;
    } else {
        for (int i = 1; i < 7; ++i) {
            codes[1 + i] = ((7 - i) * alpha0 + i * alpha1) / 7;
        }
    }
}

// Nearest index for every pixel (the lowest on ties); keeps the fit if it beats `best`.
void TryEndpoints(const int alpha[16], int alpha0, int alpha1, AlphaFit& best) {
    int codes[8];
    AlphaCodes(alpha0, alpha1, codes);
    AlphaFit fit;
    fit.Alpha0 = alpha0;
    fit.Alpha1 = alpha1;
    int total = 0;
    for (int i = 0; i < 16; ++i) {
        int nearest = NoCandidateYet, index = 0;
        for (int c = 0; c < 8; ++c) {
            const int d = alpha[i] - codes[c];
            if (d * d < nearest) {
                nearest = d * d;
                index = c;
            }
        }
        fit.Indices[i] = static_cast<std::uint8_t>(index);
        total += nearest;
        if (total >= best.Error) {
            return;
        }
    }
    fit.Error = total;
    best = fit;
}

// libsquish's widening of a range too narrow for its steps.
void FixRange(int& low, int& high, int steps) {
    if (high - low < steps) {
        high = std::min(low + steps, 255);
    }
    if (high - low < steps) {
        low = std::max(0, high - steps);
    }
}

// Tries the pair in the order its mode needs: eight values want alpha0 > alpha1, six want
// alpha0 <= alpha1. Out-of-range pairs, and eight-value pairs that cannot be ordered, are skipped.
void TryMode(const int alpha[16], bool eight, int low, int high, AlphaFit& best) {
    if (low < 0 || high > 255 || low > high) {
        return;
    }
    if (eight) {
        if (low < high) {
            TryEndpoints(alpha, high, low, best);
        }
    } else {
        TryEndpoints(alpha, low, high, best);
    }
}

// Least-squares endpoints for the fit's indices in its own mode; pixels on 0 or 255 of the
// six-value mode do not count. False when the indices do not fix two endpoints.
bool Refit(const int alpha[16], const AlphaFit& fit, int& low, int& high) {
    const bool eight = fit.Alpha0 > fit.Alpha1;
    double aa = 0, bb = 0, ab = 0, ax = 0, bx = 0;
    for (int i = 0; i < 16; ++i) {
        const int index = fit.Indices[i];
        double w; // weight of alpha0
        if (index == 0) {
            w = 1;
        } else if (index == 1) {
            w = 0;
        } else if (eight) {
            w = (8 - index) / 7.0;
        } else if (index < 6) {
            w = (6 - index) / 5.0;
        } else {
            continue;
        }
        aa += w * w;
        bb += (1 - w) * (1 - w);
        ab += w * (1 - w);
        ax += w * alpha[i];
        bx += (1 - w) * alpha[i];
    }
    const double det = aa * bb - ab * ab;
    if (det < 1e-9) {
        return false;
    }
    const double a0 = std::clamp((bb * ax - ab * bx) / det, 0.0, 255.0);
    const double a1 = std::clamp((aa * bx - ab * ax) / det, 0.0, 255.0);
    low = static_cast<int>(std::min(a0, a1) + 0.5);
    high = static_cast<int>(std::max(a0, a1) + 0.5);
    return true;
}

} // namespace

void EncodeBc3AlphaBlock(const std::uint8_t* rgba, std::uint8_t* block) {
    int alpha[16];
    int min7 = 255, max7 = 0, min5 = 255, max5 = 0, sum = 0;
    for (int i = 0; i < 16; ++i) {
        const int a = rgba[i * 4 + 3];
        alpha[i] = a;
        sum += a;
        min7 = std::min(min7, a);
        max7 = std::max(max7, a);
        if (a != 0) {
            min5 = std::min(min5, a);
        }
        if (a != 255) {
            max5 = std::max(max5, a);
        }
    }
    if (min7 == max7) {
        // One alpha value: both endpoints it, every index 0 (the six-value mode's first).
        block[0] = block[1] = static_cast<std::uint8_t>(min7);
        std::memset(block + 2, 0, 6);
        return;
    }
    AlphaFit best;
    // The solid block of the mean: no block comes out worse than it.
    const int mean = (sum + 8) / 16;
    TryEndpoints(alpha, mean, mean, best);
    // libsquish's two candidates, so no block comes out worse than it makes it.
    min5 = std::min(min5, max5);
    FixRange(min5, max5, 5);
    FixRange(min7, max7, 7);
    TryEndpoints(alpha, min5, max5, best);
    TryEndpoints(alpha, max7, min7, best);
    // Then from each mode's best, least squares and a local search of the endpoints.
    for (const bool eight : {true, false}) {
        AlphaFit mode;
        if (eight) {
            TryMode(alpha, true, min7, max7, mode);
        } else {
            TryMode(alpha, false, min5, max5, mode);
        }
        for (int round = 0; round < 2; ++round) {
            int low, high;
            if (mode.Error == NoCandidateYet || !Refit(alpha, mode, low, high)) {
                break;
            }
            const int before = mode.Error;
            TryMode(alpha, eight, low, high, mode);
            if (mode.Error >= before) {
                break;
            }
        }
        for (int round = 0; round < 2 && mode.Error != NoCandidateYet; ++round) {
            const int low = std::min(mode.Alpha0, mode.Alpha1);
            const int high = std::max(mode.Alpha0, mode.Alpha1);
            const int before = mode.Error;
            for (int dl = -2; dl <= 2; ++dl) {
                for (int dh = -2; dh <= 2; ++dh) {
                    if (dl != 0 || dh != 0) {
                        TryMode(alpha, eight, low + dl, high + dh, mode);
                    }
                }
            }
            if (mode.Error >= before) {
                break;
            }
        }
        if (mode.Error < best.Error) {
            best = mode;
        }
    }
    block[0] = static_cast<std::uint8_t>(best.Alpha0);
    block[1] = static_cast<std::uint8_t>(best.Alpha1);
    std::uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        bits |= static_cast<std::uint64_t>(best.Indices[i]) << (3 * i);
    }
    for (int i = 0; i < 6; ++i) {
        block[2 + i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
}

void EncodeBc3Block(const std::uint8_t* rgba, std::uint8_t* block) {
    EncodeBc3AlphaBlock(rgba, block);
    EncodeBc1Block(rgba, block + 8, Bc1Colours::FourOnly);
}

} // namespace quillon
