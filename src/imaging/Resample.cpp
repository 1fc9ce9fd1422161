#include "imaging/Resample.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace quillon {

namespace {

// The cubic B-spline, support [-2, 2]; it sums to 1 over unit-spaced samples and is never
// negative, so a blend of bytes stays within 0..255.
double BSpline(double t) {
    t = std::fabs(t);
    if (t < 1.0) {
        return (0.5 * t - 1.0) * t * t + 2.0 / 3.0;
    }
    if (t < 2.0) {
        t = 2.0 - t;
        return t * t * t / 6.0;
    }
    return 0.0;
}

// Which source samples make one target sample along an axis, and how much each counts.
struct Contributions {
    int Taps = 0;              // the same for every target sample; unused taps weigh 0
    std::vector<int> Index;    // target count x Taps source indices
    std::vector<float> Weight; // target count x Taps weights, each row summing to 1
};

int Mirror(int i, int count) {
    while (i < 0 || i >= count) {
        i = i < 0 ? -i - 1 : 2 * count - 1 - i;
    }
    return i;
}

Contributions Weigh(int sourceCount, int targetCount) {
    Contributions c;
    if (sourceCount == targetCount) { // an axis that keeps its size is left exactly as it is
        c.Taps = 1;
        c.Weight.assign(static_cast<std::size_t>(targetCount), 1.0f);
        for (int i = 0; i < targetCount; ++i) {
            c.Index.push_back(i);
        }
        return c;
    }
    const double scale = static_cast<double>(targetCount) / sourceCount;
    const double stretch = scale < 1.0 ? scale : 1.0; // the filter widens when shrinking
    const double support = 2.0 / stretch;
    c.Taps = static_cast<int>(std::ceil(2.0 * support)) + 1;
    c.Index.assign(static_cast<std::size_t>(targetCount) * c.Taps, 0);
    c.Weight.assign(static_cast<std::size_t>(targetCount) * c.Taps, 0.0f);
    std::vector<double> weights(static_cast<std::size_t>(c.Taps));
    for (int i = 0; i < targetCount; ++i) {
        const double centre = (i + 0.5) / scale - 0.5;
        const int first = static_cast<int>(std::ceil(centre - support));
        double sum = 0.0;
        for (int k = 0; k < c.Taps; ++k) {
            weights[k] = BSpline((centre - (first + k)) * stretch);
            sum += weights[k];
        }
        for (int k = 0; k < c.Taps; ++k) {
            const std::size_t at = static_cast<std::size_t>(i) * c.Taps + k;
            c.Index[at] = Mirror(first + k, sourceCount);
            c.Weight[at] = static_cast<float>(weights[k] / sum);
        }
    }
    return c;
}

std::uint8_t ToByte(float value) {
    return static_cast<std::uint8_t>(std::clamp(value + 0.5f, 0.0f, 255.0f));
}

} // namespace

void ResampleBSpline(const std::uint8_t* source, int sourceWidth, int sourceHeight,
                     std::uint8_t* target, int targetWidth, int targetHeight) {
    const Contributions across = Weigh(sourceWidth, targetWidth);
    const Contributions down = Weigh(sourceHeight, targetHeight);
    const std::size_t sourceRow = static_cast<std::size_t>(sourceWidth) * 4;
    const std::size_t targetRow = static_cast<std::size_t>(targetWidth) * 4;
    // One target row at a time: the source rows it needs are blended down into `column`, which
    // is then blended across. No intermediate image.
    std::vector<float> column(sourceRow);
    for (int y = 0; y < targetHeight; ++y) {
        std::fill(column.begin(), column.end(), 0.0f);
        for (int k = 0; k < down.Taps; ++k) {
            const std::size_t at = static_cast<std::size_t>(y) * down.Taps + k;
            const float weight = down.Weight[at];
            if (weight == 0.0f) {
                continue;
            }
            const std::uint8_t* row = source + static_cast<std::size_t>(down.Index[at]) * sourceRow;
            for (std::size_t x = 0; x < sourceRow; ++x) {
                column[x] += weight * row[x];
            }
        }
        std::uint8_t* out = target + static_cast<std::size_t>(y) * targetRow;
        for (int x = 0; x < targetWidth; ++x) {
            float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
            const std::size_t base = static_cast<std::size_t>(x) * across.Taps;
            for (int k = 0; k < across.Taps; ++k) {
                const float weight = across.Weight[base + k];
                const float* pixel = &column[static_cast<std::size_t>(across.Index[base + k]) * 4];
                r += weight * pixel[0];
                g += weight * pixel[1];
                b += weight * pixel[2];
                a += weight * pixel[3];
            }
            out[x * 4 + 0] = ToByte(r);
            out[x * 4 + 1] = ToByte(g);
            out[x * 4 + 2] = ToByte(b);
            out[x * 4 + 3] = ToByte(a);
        }
    }
}

bool Rescale(RgbaImage& image, int width, int height) {
    if (image.Empty() || width < 1 || height < 1) {
        return false;
    }
    RgbaImage scaled(width, height, true);
    ResampleBSpline(image.Pixels.data(), image.Width, image.Height, scaled.Pixels.data(), width,
                    height);
    image = std::move(scaled);
    return true;
}

} // namespace quillon
