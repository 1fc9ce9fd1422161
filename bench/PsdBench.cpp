// A mask as large as textures get, 16384 x 16384 grey and PackBits-coded (8.4 MB at 16 bits, 4.2
// MB at 8), once took gigabytes to read. Each read here runs in a child process, so that its peak
// resident size (getrusage's ru_maxrss) is its own; a child that only reads the file's bytes gives
// the baseline the decoded image adds to.
#include "bench/PsdBench.h"

#include "bench/BenchSupport.h"
#include "imaging/ImageFile.h"
#include "imaging/PsdReader.h"
#include "samples/SampleImages.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>


namespace quillon {

namespace {

namespace fs = std::filesystem;

constexpr int Edge = 16384;

struct Figures {
    double Seconds = -1; // negative when the child failed
    double PeakMiB = 0;
};

// Runs `work` on the file's bytes in a child process: its time and the child's peak resident size.
Figures InChild(const std::string& path,
                const std::function<bool(const std::vector<std::uint8_t>&)>& work) {
    long peakKiB = 0;
    const std::optional<double> seconds = InChildProcess<double>(
        [&] {
            std::ifstream in(path, std::ios::binary);
            const std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)), {});
            const auto start = std::chrono::steady_clock::now();
            const bool ok = work(file);
            return ok ? std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
                            .count()
                      : -1.0;
        },
        &peakKiB);
    Figures figures;
    figures.Seconds = seconds.value_or(-1);
    figures.PeakMiB = peakKiB / 1024.0;
    return figures;
}

} // namespace

void BenchPsd(int runs) {
    const fs::path folder = BenchFolder("psd");
    const double decodedMiB = 4.0 * Edge * Edge / (1 << 20);
    std::printf("Photoshop reader, %d x %d grey PackBits mask, decoded RGBA8 %.0f MiB; peak "
                "resident size and time, medians of %d runs:\n",
                Edge, Edge, decodedMiB, runs);
    for (const int depth : {16, 8}) {
        const std::string path = (folder / ("mask" + std::to_string(depth) + ".psd")).string();
        std::uintmax_t size = 0;
        {
            const std::string file = MakeGreyPsd(Edge, Edge, depth);
            std::ofstream(path, std::ios::binary)
                .write(file.data(), static_cast<std::streamsize>(file.size()));
            size = file.size();
        }
        const std::pair<const char*, std::function<bool(const std::vector<std::uint8_t>&)>>
            readers[] = {
                {"file bytes only (baseline)", [](const auto&) { return true; }},
                {"DecodePsd",
                 [](const std::vector<std::uint8_t>& file) {
                     RgbaImage image;
                     return static_cast<bool>(DecodePsd(file.data(), file.size(), image));
                 }},
                {"ReadImageFile, as a slot loads it",
                 [&path](const auto&) {
                     RgbaImage image;
                     return static_cast<bool>(ReadImageFile(path, true, image));
                 }},
            };
        std::printf("  %d bits, %.1f MB file:\n", depth, size / 1e6);
        double baseline = 0;
        for (const auto& [name, reader] : readers) {
            std::vector<double> seconds, peaks;
            for (int run = 0; run < runs; ++run) {
                const Figures figures = InChild(path, reader);
                seconds.push_back(figures.Seconds);
                peaks.push_back(figures.PeakMiB);
            }
            const double peak = Median(peaks);
            if (baseline == 0) {
                baseline = peak;
                std::printf("    %-40s peak %6.0f MiB\n", name, peak);
                continue;
            }
            std::printf("    %-40s peak %6.0f MiB, %5.0f MiB over the baseline (%.2f x the "
                        "decoded size), %.2f s\n",
                        name, peak, peak - baseline, (peak - baseline) / decodedMiB,
                        Median(seconds));
        }
    }
    std::printf("\n");
    fs::remove_all(folder);
}

} // namespace quillon
