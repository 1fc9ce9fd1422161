// Per image, format and encoder: our BC1, BC3 and BC7 encoders on one and two threads and
// libsquish's cluster fit on one, with the PSNR each reaches. The images look like the tool's
// work (smooth skin and a normal map with a seam, a modification blended over a band around it)
// plus, where Debian's wallpaper packages left them in /usr/share/backgrounds, photographs
// (centre crops, made raw by /usr/bin/python3 with Pillow). Then BC7 on 2048 x 2048 textures
// (opaque, and with alpha) on two threads, the figure the format's use in the head fix depends on.
#include "bench/EncodeBench.h"

#include "imaging/Bc7Decoder.h"
#include "imaging/BlockDecoders.h"
#include "imaging/BlockEncoding.h"
#include "samples/SampleImages.h"

#include <omp.h>
#include <squish.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

namespace quillon {

namespace {

namespace fs = std::filesystem;

struct BenchImage {
    std::string Name;
    RgbaImage Image;
};

constexpr int Edge = 1024;   // the compared images
constexpr int MaxPhotos = 4; // photographs taken from the wallpaper folder

// The base texture with the modification blended over the band around its seam.
RgbaImage Blended(SampleKind kind, int edge, std::uint32_t seed, bool keepMask) {
    RgbaImage base = MakeSeamedTexture(kind, edge, edge, edge * 3 / 5, seed);
    const RgbaImage mod = MakeSeamMod(kind, edge, edge, edge * 3 / 5, edge / 12);
    for (std::size_t i = 0; i < base.Pixels.size(); i += 4) {
        const int a = mod.Pixels[i + 3];
        for (int c = 0; c < 3; ++c) {
            base.Pixels[i + c] = static_cast<std::uint8_t>(
                (base.Pixels[i + c] * (255 - a) + mod.Pixels[i + c] * a + 127) / 255);
        }
        base.Pixels[i + 3] = keepMask ? mod.Pixels[i + 3] : 255;
    }
    return base;
}

std::vector<BenchImage> Photographs(const fs::path& scratch) {
    std::vector<BenchImage> photos;
    const fs::path folder = "/usr/share/backgrounds";
    std::error_code error;
    if (!fs::is_directory(folder, error) || !fs::exists("/usr/bin/python3", error)) {
        return photos;
    }
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.find("_by_") != std::string::npos && entry.path().extension() == ".jpg") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    files.resize(std::min<std::size_t>(files.size(), MaxPhotos));
    for (const fs::path& file : files) {
        const fs::path raw = scratch / (file.stem().string() + ".rgba");
        const std::string command =
            "/usr/bin/python3 -c \"import sys; from PIL import Image; "
            "i = Image.open(sys.argv[1]).convert('RGBA'); w, h = i.size; e = " +
            std::to_string(Edge) +
            "; i = i.crop((w // 2 - e // 2, h // 2 - e // 2, w // 2 + e // 2, h // 2 + e // 2)); "
            "open(sys.argv[2], 'wb').write(i.tobytes())\" '" +
            file.string() + "' '" + raw.string() + "' 2>/dev/null";
        if (std::system(command.c_str()) != 0) {
            continue;
        }
        std::ifstream in(raw, std::ios::binary);
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
        if (bytes.size() != static_cast<std::size_t>(Edge) * Edge * 4) {
            continue;
        }
        RgbaImage image(Edge, Edge, false);
        image.Pixels = std::move(bytes);
        photos.push_back({"photo " + file.stem().string(), std::move(image)});
    }
    return photos;
}

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// PSNR over channels 0 to channels - 1.
double Psnr(const RgbaImage& a, const std::vector<std::uint8_t>& b, int channels) {
    double sum = 0;
    for (std::size_t i = 0; i < a.Pixels.size(); ++i) {
        if (static_cast<int>(i % 4) < channels) {
            const double d = double(a.Pixels[i]) - b[i];
            sum += d * d;
        }
    }
    const double samples = double(a.Pixels.size() / 4) * channels;
    return sum == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * samples / sum);
}

std::vector<std::uint8_t> Decode(const std::vector<std::uint8_t>& blocks, int edge,
                                 BlockFormat format) {
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(edge) * edge * 4);
    const std::size_t bytes = static_cast<std::size_t>(BlockBytes(format));
    const int wide = edge / 4;
    for (std::size_t b = 0; b < blocks.size() / bytes; ++b) {
        std::uint8_t block[64];
        const std::uint8_t* in = blocks.data() + b * bytes;
        if (format == BlockFormat::BC1) {
            DecodeBc1Block(in, block);
        } else if (format == BlockFormat::BC3) {
            DecodeBc3Block(in, block);
        } else {
            DecodeBc7Block(in, block);
        }
        const std::size_t bx = b % wide, by = b / wide;
        for (std::size_t y = 0; y < 4; ++y) {
            std::memcpy(&rgba[((by * 4 + y) * edge + bx * 4) * 4], block + y * 16, 16);
        }
    }
    return rgba;
}

} // namespace

void RunEncodeBench(int runs) {
    const fs::path scratch =
        fs::temp_directory_path() / ("quillon-encode-bench-" + std::to_string(getpid()));
    fs::create_directories(scratch);
    std::vector<BenchImage> images = {
        {"skin, blend band", Blended(SampleKind::Skin, Edge, 1, false)},
        {"normal map, blend band", Blended(SampleKind::Normal, Edge, 2, false)},
        {"skin, masked band (alpha)", Blended(SampleKind::Skin, Edge, 3, true)},
    };
    for (BenchImage& photo : Photographs(scratch)) {
        images.push_back(std::move(photo));
    }
    std::printf("\nblock encoders, %d x %d, medians of %d runs (seconds); PSNR over RGB for DXT1, "
                "RGBA otherwise\n",
                Edge, Edge, runs);
    TaskPool one(1), two(2);
    const int ompThreads = omp_get_max_threads();
    for (const BenchImage& bench : images) {
        std::printf("%s\n", bench.Name.c_str());
        struct Row {
            const char* Name;
            BlockFormat Format;
            int SquishFlags; // 0: no libsquish counterpart
        };
        for (const Row& row :
             {Row{"DXT1", BlockFormat::BC1, squish::kDxt1},
              Row{"DXT5", BlockFormat::BC3, squish::kDxt5}, Row{"BC7 ", BlockFormat::BC7, 0}}) {
            const int channels = row.Format == BlockFormat::BC1 ? 3 : 4;
            std::vector<double> onThread, onTwo;
            std::vector<std::uint8_t> blocks;
            for (int run = 0; run < runs; ++run) {
                onThread.push_back(
                    Seconds([&] { blocks = EncodeBlocks(bench.Image, row.Format, one); }));
                onTwo.push_back(Seconds([&] { EncodeBlocks(bench.Image, row.Format, two); }));
            }
            const double ours = Psnr(bench.Image, Decode(blocks, Edge, row.Format), channels);
            std::printf("  %s ours: 1 thread %.3f, 2 threads %.3f, PSNR %.3f dB", row.Name,
                        Median(onThread), Median(onTwo), ours);
            if (row.SquishFlags != 0) {
                RgbaImage source = bench.Image;
                if (row.Format == BlockFormat::BC1) {
                    for (std::size_t i = 3; i < source.Pixels.size(); i += 4) {
                        source.Pixels[i] = 255;
                    }
                }
                std::vector<std::uint8_t> reference(static_cast<std::size_t>(
                    squish::GetStorageRequirements(Edge, Edge, row.SquishFlags)));
                std::vector<double> times;
                omp_set_num_threads(1);
                for (int run = 0; run < runs; ++run) {
                    times.push_back(Seconds([&] {
                        squish::CompressImage(source.Pixels.data(), Edge, Edge, reference.data(),
                                              row.SquishFlags | squish::kColourClusterFit);
                    }));
                }
                omp_set_num_threads(ompThreads);
                std::vector<std::uint8_t> decoded(source.Pixels.size());
                squish::DecompressImage(decoded.data(), Edge, Edge, reference.data(),
                                        row.SquishFlags);
                const double theirs = Psnr(bench.Image, decoded, channels);
                std::printf("; libsquish cluster fit 1 thread %.3f, PSNR %.3f dB; time ratio "
                            "%.3f, PSNR difference %+.3f dB",
                            Median(times), theirs, Median(onThread) / Median(times), ours - theirs);
            }
            std::printf("\n");
        }
    }

    // BC7 at the head fix's size, on the two threads of this machine.
    const RgbaImage large = Blended(SampleKind::Skin, 2048, 4, false);
    std::vector<double> large2;
    for (int run = 0; run < runs; ++run) {
        large2.push_back(Seconds([&] { EncodeBlocks(large, BlockFormat::BC7, two); }));
    }
    std::printf("BC7 2048 x 2048 skin with blend band, 2 threads: %.3f s\n", Median(large2));
    const RgbaImage masked = Blended(SampleKind::Skin, 2048, 5, true);
    std::vector<double> masked2;
    for (int run = 0; run < runs; ++run) {
        masked2.push_back(Seconds([&] { EncodeBlocks(masked, BlockFormat::BC7, two); }));
    }
    std::printf("BC7 2048 x 2048 skin, masked band (alpha), 2 threads: %.3f s\n", Median(masked2));
    fs::remove_all(scratch);
}

} // namespace quillon
