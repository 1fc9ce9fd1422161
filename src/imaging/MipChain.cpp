#include "imaging/MipChain.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillon {

namespace {

// A level between the top and the file: four floats a texel, linear colour (or a unit vector)
// and alpha in 0..255, so that no rounding piles up from level to level.
struct FloatImage {
    int Width = 0;
    int Height = 0;
    std::vector<float> Texels;
    float* At(int x, int y) { return &Texels[(static_cast<std::size_t>(y) * Width + x) * 4]; }
    const float* At(int x, int y) const {
        return &Texels[(static_cast<std::size_t>(y) * Width + x) * 4];
    }
};

float SrgbToLinear(float c) {
    return c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f);
}

float LinearToSrgb(float l) {
    return l <= 0.0031308f ? l * 12.92f : 1.055f * std::pow(l, 1.0f / 2.4f) - 0.055f;
}

// Linear light of each sRGB byte.
const std::array<float, 256>& DecodeTable() {
    static const std::array<float, 256> table = [] {
        std::array<float, 256> t{};
        for (int i = 0; i < 256; ++i) {
            t[i] = SrgbToLinear(i / 255.0f);
        }
        return t;
    }();
    return table;
}

// The sRGB byte of linear light in 1/65535 steps: finer than any byte step, also near black.
const std::vector<std::uint8_t>& EncodeTable() {
    static const std::vector<std::uint8_t> table = [] {
        std::vector<std::uint8_t> t(65536);
        for (int i = 0; i < 65536; ++i) {
            t[i] = static_cast<std::uint8_t>(std::lround(LinearToSrgb(i / 65535.0f) * 255.0f));
        }
        return t;
    }();
    return table;
}

// std::lround for the values a level holds, without the library call: halves round up, and
// anything below zero gives at most 0.
long RoundToNearest(float value) {
    if (!(value > 0.0f)) {
        return value > -0.5f ? 0 : -1;
    }
    const long whole = static_cast<long>(value);
    return value - static_cast<float>(whole) >= 0.5f ? whole + 1 : whole;
}

std::uint8_t ToByte(float value) {
    return static_cast<std::uint8_t>(std::clamp(RoundToNearest(value), 0L, 255L));
}

// Which source texels one target texel covers along an axis, and how much of each: the box
// [i * f, (i + 1) * f) with f = source / target, weights summing to 1.
struct Footprint {
    int First = 0;
    std::vector<float> Weights;
};

std::vector<Footprint> Footprints(int source, int target) {
    std::vector<Footprint> result(static_cast<std::size_t>(target));
    const double f = static_cast<double>(source) / target;
    for (int i = 0; i < target; ++i) {
        const double begin = i * f, end = (i + 1) * f;
        Footprint& fp = result[static_cast<std::size_t>(i)];
        fp.First = static_cast<int>(std::floor(begin));
        const int last = std::min(source - 1, static_cast<int>(std::ceil(end)) - 1);
        for (int s = fp.First; s <= last; ++s) {
            const double covered = std::min<double>(end, s + 1) - std::max<double>(begin, s);
            fp.Weights.push_back(static_cast<float>(covered / f));
        }
    }
    return result;
}

// A footprint along one axis in a fixed-size form for the filter's inner loop: a target texel
// never gathers more than four source texels when halving.
struct FlatFootprint {
    int First = 0, Count = 0;
    float Weights[4] = {};
};

std::vector<FlatFootprint> FlatFootprints(int source, int target) {
    std::vector<FlatFootprint> flat;
    for (const Footprint& fp : Footprints(source, target)) {
        FlatFootprint& f = flat.emplace_back();
        f.First = fp.First;
        f.Count = static_cast<int>(std::min<std::size_t>(fp.Weights.size(), 4));
        std::copy(fp.Weights.begin(), fp.Weights.begin() + f.Count, f.Weights);
    }
    return flat;
}

// The next level of any image that gives its rows as four floats a texel: `row(y, scratch)`
// returns row y, written into `scratch` (width * 4 floats) when it is not at hand already.
template <typename Rows>
FloatImage Halve(const Rows& row, int width, int height, MipKind kind, TaskPool& pool) {
    FloatImage target;
    target.Width = std::max(1, width / 2);
    target.Height = std::max(1, height / 2);
    target.Texels.resize(static_cast<std::size_t>(target.Width) * target.Height * 4);
    const std::vector<FlatFootprint> across = FlatFootprints(width, target.Width);
    const std::vector<FlatFootprint> down = FlatFootprints(height, target.Height);
    pool.ParallelFor(static_cast<std::size_t>(target.Height), [&](std::size_t y) {
        const FlatFootprint& fy = down[y];
        // Rows converted from bytes go here; one buffer a thread, kept from row to row.
        thread_local std::vector<float> scratch;
        const std::size_t rowFloats = static_cast<std::size_t>(width) * 4;
        if (scratch.size() < rowFloats * 4) {
            scratch.resize(rowFloats * 4);
        }
        const float* rows[4];
        for (int j = 0; j < fy.Count; ++j) {
            rows[j] = row(fy.First + j, scratch.data() + static_cast<std::size_t>(j) * rowFloats);
        }
        for (int x = 0; x < target.Width; ++x) {
            const FlatFootprint& fx = across[static_cast<std::size_t>(x)];
            float sum[4] = {0, 0, 0, 0};
#if defined(__SSE2__)
            // A texel's four floats in one register: the same products and sums, in the same
            // order, as the loop below.
            __m128 lanes = _mm_setzero_ps();
            for (int j = 0; j < fy.Count; ++j) {
                const float* texel = rows[j] + static_cast<std::size_t>(fx.First) * 4;
                for (int i = 0; i < fx.Count; ++i, texel += 4) {
                    const __m128 w = _mm_set1_ps(fx.Weights[i] * fy.Weights[j]);
                    lanes = _mm_add_ps(lanes, _mm_mul_ps(w, _mm_loadu_ps(texel)));
                }
            }
            _mm_storeu_ps(sum, lanes);
#else
            for (int j = 0; j < fy.Count; ++j) {
                const float* texel = rows[j] + static_cast<std::size_t>(fx.First) * 4;
                for (int i = 0; i < fx.Count; ++i, texel += 4) {
                    const float w = fx.Weights[i] * fy.Weights[j];
                    for (int c = 0; c < 4; ++c) {
                        sum[c] += w * texel[c];
                    }
                }
            }
#endif
            if (kind == MipKind::NormalMap) {
                const float length = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
                if (length > 1e-6f) {
                    for (int c = 0; c < 3; ++c) {
                        sum[c] /= length;
                    }
                } else { // opposite vectors cancelled out: the surface faces the viewer
                    sum[0] = sum[1] = 0;
                    sum[2] = 1;
                }
            }
            std::copy(sum, sum + 4, target.At(x, static_cast<int>(y)));
        }
    });
    return target;
}

// Marks of the texels a filtered level draws on the overlay for, one byte a texel: the next
// level marks each texel whose footprint holds a marked one.
struct Marks {
    int Width = 0, Height = 0;
    std::vector<std::uint8_t> Marked;
};

Marks HalveMarks(const Marks& source) {
    Marks target;
    target.Width = std::max(1, source.Width / 2);
    target.Height = std::max(1, source.Height / 2);
    target.Marked.resize(static_cast<std::size_t>(target.Width) * target.Height);
    const std::vector<FlatFootprint> across = FlatFootprints(source.Width, target.Width);
    const std::vector<FlatFootprint> down = FlatFootprints(source.Height, target.Height);
    for (int y = 0; y < target.Height; ++y) {
        const FlatFootprint& fy = down[static_cast<std::size_t>(y)];
        std::uint8_t* out = &target.Marked[static_cast<std::size_t>(y) * target.Width];
        for (int j = 0; j < fy.Count; ++j) {
            const std::uint8_t* row =
                &source.Marked[static_cast<std::size_t>(fy.First + j) * source.Width];
            for (int x = 0; x < target.Width; ++x) {
                const FlatFootprint& fx = across[static_cast<std::size_t>(x)];
                std::uint8_t any = 0;
                for (int i = 0; i < fx.Count; ++i) {
                    any |= row[fx.First + i];
                }
                out[x] |= any;
            }
        }
    }
    return target;
}

std::vector<bool> UnmarkedBlocks(const Marks& level) {
    const int wide = (level.Width + 3) / 4, high = (level.Height + 3) / 4;
    std::vector<bool> unmarked(static_cast<std::size_t>(wide) * high, true);
    for (int y = 0; y < level.Height; ++y) {
        for (int x = 0; x < level.Width; ++x) {
            if (level.Marked[static_cast<std::size_t>(y) * level.Width + x]) {
                unmarked[static_cast<std::size_t>(y / 4) * wide + x / 4] = false;
            }
        }
    }
    return unmarked;
}

RgbaImage ToRgba(const FloatImage& level, MipKind kind, bool hasAlpha) {
    RgbaImage image(level.Width, level.Height, hasAlpha);
    const std::vector<std::uint8_t>& encode = EncodeTable();
    for (std::size_t i = 0; i < level.Texels.size(); i += 4) {
        const float* in = &level.Texels[i];
        std::uint8_t* out = &image.Pixels[i];
        for (int c = 0; c < 3; ++c) {
            out[c] = kind == MipKind::NormalMap ? ToByte((in[c] + 1.0f) * 127.5f)
                                                : encode[static_cast<std::size_t>(RoundToNearest(
                                                      std::clamp(in[c], 0.0f, 1.0f) * 65535.0f))];
        }
        out[3] = ToByte(in[3]);
    }
    return image;
}

} // namespace

int FullMipCount(int width, int height) {
    int levels = 1;
    for (int edge = std::max(width, height); edge > 1; edge /= 2) {
        ++levels;
    }
    return levels;
}

std::vector<RgbaImage> MakeMipLevels(const RgbaImage& top, MipKind kind, TaskPool& pool) {
    std::vector<RgbaImage> levels;
    if (top.Empty()) {
        return levels;
    }
    const std::array<float, 256>& decode = DecodeTable();
    // The first level is read from the bytes themselves; later ones from the level above.
    // Each byte's value once, as a table: the same floats as converting it texel by texel.
    std::array<float, 256> vectors{};
    for (int i = 0; i < 256; ++i) {
        vectors[static_cast<std::size_t>(i)] = static_cast<float>(i) * (2.0f / 255.0f) - 1.0f;
    }
    const std::array<float, 256>& value = kind == MipKind::NormalMap ? vectors : decode;
    const auto fromTop = [&](int y, float* texels) -> const float* {
        const std::uint8_t* p = top.At(0, y);
        float* out = texels;
        for (int x = 0; x < top.Width; ++x, p += 4, out += 4) {
            out[0] = value[p[0]];
            out[1] = value[p[1]];
            out[2] = value[p[2]];
            out[3] = p[3];
        }
        return texels;
    };
    FloatImage level = Halve(fromTop, top.Width, top.Height, kind, pool);
    for (int count = FullMipCount(top.Width, top.Height) - 1; count > 0; --count) {
        levels.push_back(ToRgba(level, kind, top.HasAlpha));
        if (count > 1) {
            const FloatImage& above = level;
            const auto fromAbove = [&above](int y, float*) -> const float* {
                return above.At(0, y);
            };
            level = Halve(fromAbove, above.Width, above.Height, kind, pool);
        }
    }
    return levels;
}

std::vector<std::vector<bool>> UntouchedMipBlocks(const RgbaImage& overlay, int width, int height) {
    std::vector<std::vector<bool>> levels;
    if (width < 1 || height < 1) {
        return levels;
    }
    // BlendOver changes the texels of the rows and columns both images have, where the overlay's
    // alpha is not 0.
    Marks top;
    top.Width = width;
    top.Height = height;
    top.Marked.resize(static_cast<std::size_t>(width) * height);
    const int columns = std::min(width, overlay.Width), rows = std::min(height, overlay.Height);
    for (int y = 0; y < rows; ++y) {
        const std::uint8_t* texel = overlay.At(0, y);
        std::uint8_t* out = &top.Marked[static_cast<std::size_t>(y) * width];
        for (int x = 0; x < columns; ++x) {
            out[x] = texel[4 * x + 3] != 0;
        }
    }
    Marks level = HalveMarks(top);
    for (int count = FullMipCount(width, height) - 1; count > 0; --count) {
        levels.push_back(UnmarkedBlocks(level));
        if (count > 1) {
            level = HalveMarks(level);
        }
    }
    return levels;
}

bool IsNormalMapName(const std::string& path) {
    std::size_t start = path.find_last_of("/\\");
    start = start == std::string::npos ? 0 : start + 1;
    std::size_t end = path.rfind('.');
    if (end == std::string::npos || end < start) {
        end = path.size();
    }
    std::string stem = path.substr(start, end - start);
    std::transform(stem.begin(), stem.end(), stem.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return stem.ends_with("_n") || stem.ends_with("_msn");
}

} // namespace quillon
