// Timing and quality helpers shared by the benchmark's sections. Images are RGBA8, rows top-down.
#pragma once

#include "imaging/RgbaImage.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

namespace quillon {

inline double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Of the colour channels; 99 for identical images.
inline double Psnr(const RgbaImage& a, const RgbaImage& b) {
    if (a.Pixels.size() != b.Pixels.size() || a.Pixels.empty()) {
        return 0;
    }
    double sum = 0;
    for (std::size_t i = 0; i < a.Pixels.size(); ++i) {
        if (i % 4 != 3) {
            const double d = double(a.Pixels[i]) - b.Pixels[i];
            sum += d * d;
        }
    }
    return sum == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * double(a.Pixels.size() / 4 * 3) / sum);
}

// A fresh folder for a section's files.
inline std::filesystem::path BenchFolder(const std::string& name) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("quillon-bench-" + name + "-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

} // namespace quillon
