// Timing and quality helpers shared by the benchmark's sections. Images are RGBA8, rows top-down.
#pragma once

#include "imaging/RgbaImage.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillon {

// A step the figures rely on; the bench stops when it fails, since its figures would lie.
inline void Require(bool ok) {
    if (!ok) {
        std::fprintf(stderr, "quillon_bench: a step failed\n");
        std::exit(1);
    }
}

// Runs `work` in a child process, so that its memory figures are its own, and returns the value
// it sends back (trivially copyable); nothing when the child could not run or send it.
// `peakKiB`, when given, receives the child's peak resident size.
template <typename Result>
std::optional<Result> InChildProcess(const std::function<Result()>& work, long* peakKiB = nullptr) {
    int channel[2];
    if (pipe(channel) != 0) {
        return std::nullopt;
    }
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const Result result = work();
        const bool sent = write(channel[1], &result, sizeof result) == sizeof result;
        _exit(sent ? 0 : 1);
    }
    close(channel[1]);
    Result result{};
    const bool received = child > 0 && read(channel[0], &result, sizeof result) == sizeof result;
    close(channel[0]);
    int status = 0;
    rusage usage{};
    if (child > 0 && wait4(child, &status, 0, &usage) == child && peakKiB != nullptr) {
        *peakKiB = usage.ru_maxrss; // kilobytes on Linux
    }
    return received ? std::optional<Result>(result) : std::nullopt;
}

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
