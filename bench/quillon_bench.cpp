// The image pipeline's figures: for textures made in code (smooth gradients plus fine noise),
// the time of load + composite and of each save, the PSNR of the written texture against the
// uncompressed composite, and libsquish's cluster fit on one thread as the reference, and the
// preview bitmaps of the composite; then the rescale of an overlay to half its edge. First, the
// Photoshop reader's peak memory and time on a large mask (PsdBench.cpp). Prints medians; asserts
// nothing.
//
//   quillon_bench [runs] [edge ...]      (defaults: 3 runs; edges 1024 2048 4096)
#include "bench/PsdBench.h"
#include "catalogue/BlendEngine.h"
#include "imaging/DdsWriter.h"
#include "imaging/ImageLibrary.h"

#include <IL/ilu.h>
#include <omp.h>
#include <squish.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

using namespace quillon;

namespace fs = std::filesystem;

namespace {

using Pixels = std::vector<std::uint8_t>; // RGBA8, rows top-down

Pixels Photographic(int edge, unsigned seed, bool maskAlpha) {
    Pixels p(static_cast<std::size_t>(edge) * edge * 4);
    std::mt19937 random(seed);
    std::normal_distribution<float> noise(0.0f, 3.0f);
    for (int y = 0; y < edge; ++y) {
        for (int x = 0; x < edge; ++x) {
            std::uint8_t* px = &p[(static_cast<std::size_t>(y) * edge + x) * 4];
            const float u = static_cast<float>(x) / edge, v = static_cast<float>(y) / edge;
            for (int c = 0; c < 3; ++c) {
                const float value = 128 + 70 * std::sin(6.0f * u * (c + 1) + 4.0f * v) +
                                    40 * std::cos(9.0f * v - 3.0f * u * c) + noise(random);
                px[c] = static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
            }
            // The overlay's mask: a soft-edged disc; the base is opaque.
            const float d = std::hypot(u - 0.5f, v - 0.5f);
            px[3] = maskAlpha
                        ? static_cast<std::uint8_t>(std::clamp((0.35f - d) * 2000.0f, 0.0f, 255.0f))
                        : 255;
        }
    }
    return p;
}

void WriteFile(const std::string& path, const Pixels& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// An uncompressed 8-bit RGBA PSD of one merged image, as editors save modification layers.
Pixels Psd(const Pixels& rgba, int edge) {
    Pixels out{'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, 4};
    auto be32 = [&](std::uint32_t v) {
        for (int s = 24; s >= 0; s -= 8) {
            out.push_back(static_cast<std::uint8_t>(v >> s));
        }
    };
    be32(static_cast<std::uint32_t>(edge));
    be32(static_cast<std::uint32_t>(edge));
    out.insert(out.end(), {0, 8, 0, 3});
    be32(0);
    be32(0);
    be32(0);
    out.insert(out.end(), {0, 0});
    for (int c = 0; c < 4; ++c) {
        for (std::size_t i = c; i < rgba.size(); i += 4) {
            out.push_back(rgba[i]);
        }
    }
    return out;
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

double Psnr(const Pixels& a, const Pixels& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (i % 4 != 3) {
            const double d = double(a[i]) - b[i];
            sum += d * d;
        }
    }
    return sum == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * (a.size() / 4 * 3) / sum);
}

// Decodes a DDS this program wrote: squish for DXT, B, G, R(, A) for uncompressed.
Pixels Decode(const std::string& path, int edge, const char* format) {
    std::ifstream in(path, std::ios::binary);
    Pixels file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Pixels rgba(static_cast<std::size_t>(edge) * edge * 4, 255);
    const std::uint8_t* data = file.data() + 128;
    if (std::string(format) == "RGB") {
        for (std::size_t i = 0; i < rgba.size() / 4; ++i) {
            rgba[i * 4] = data[i * 3 + 2];
            rgba[i * 4 + 1] = data[i * 3 + 1];
            rgba[i * 4 + 2] = data[i * 3];
        }
    } else {
        squish::DecompressImage(rgba.data(), edge, edge, data,
                                std::string(format) == "DXT1" ? squish::kDxt1 : squish::kDxt5);
    }
    return rgba;
}

// libsquish's cluster fit on one thread, the reference: seconds, and the PSNR it reaches.
std::pair<double, double> Reference(const Pixels& composite, int edge, int flags) {
    Pixels source = composite;
    if (flags & squish::kDxt1) {
        for (std::size_t i = 3; i < source.size(); i += 4) {
            source[i] = 255;
        }
    }
    Pixels blocks(static_cast<std::size_t>(squish::GetStorageRequirements(edge, edge, flags)));
    const int threads = omp_get_max_threads();
    omp_set_num_threads(1);
    const double seconds = Seconds([&] {
        squish::CompressImage(source.data(), edge, edge, blocks.data(),
                              flags | squish::kColourClusterFit);
    });
    omp_set_num_threads(threads);
    Pixels decoded(composite.size());
    squish::DecompressImage(decoded.data(), edge, edge, blocks.data(), flags);
    return {seconds, Psnr(decoded, composite)};
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::vector<int> edges;
    for (int i = 2; i < argc; ++i) {
        edges.push_back(std::atoi(argv[i]));
    }
    if (edges.empty()) {
        edges = {1024, 2048, 4096};
    }
    InitialiseImageLibrary();
    const fs::path folder =
        fs::temp_directory_path() / ("quillon-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    std::printf("medians of %d runs; %d encoder threads\n\n", runs, omp_get_max_threads());
    BenchPsd(runs);

    for (const int edge : edges) {
        const std::string source = (folder / "source.dds").string();
        const std::string mod = (folder / "mod.psd").string();
        const Pixels base = Photographic(edge, 1, false);
        WriteFile(source, EncodeDds(base.data(), edge, edge, DdsOutput::DXT1));
        WriteFile(mod, Psd(Photographic(edge, 2, true), edge));

        BlendEngine engine;
        auto set = std::make_unique<TextureSet>("Head", "out");
        set->AddChannel("Dxt1", "Color", "face", "dds", edge, 0);
        set->AddChannel("Dxt5", "Color", "face", "dds", edge, FlagHasAlpha);
        set->AddChannel("Rgb", "Color", "face", "dds", edge, FlagUncompressed);
        engine.TextureSets.push_back(std::move(set));
        const std::string out = folder.string() + "\\";

        std::vector<double> loadComposite;
        Pixels composite;
        for (int run = 0; run < runs; ++run) {
            loadComposite.push_back(Seconds([&] {
                engine.LoadTexture("Source", source, true);
                engine.LoadTexture("Mod", mod, true);
                engine.CompositeTextures("Source", "Mod", "Final", edge);
            }));
        }
        ilBindImage(engine.Images["Final"]);
        composite = CopyBoundImagePixels();
        std::printf("%d x %d  load (DXT1 DDS + RGBA PSD) + composite: %.3f s\n", edge, edge,
                    Median(loadComposite));

        // The window's preview of the composite, and the pop-up's.
        std::vector<double> picture, popUp;
        for (int run = 0; run < runs; ++run) {
            picture.push_back(Seconds([&] { engine.GetPreviewBitmap("Final", true, 126, 126); }));
            popUp.push_back(Seconds([&] { engine.GetPreviewBitmap("Final", true, 768, 768); }));
        }
        std::printf("  preview bitmap 126 x 126: %.3f s, 768 x 768: %.3f s\n", Median(picture),
                    Median(popUp));

        for (const char* format : {"DXT1", "DXT5", "RGB"}) {
            const std::string subSet =
                format[0] == 'R' ? "Rgb" : (format[3] == '1' ? "Dxt1" : "Dxt5");
            std::vector<double> save, encode;
            for (int run = 0; run < runs; ++run) {
                // A fresh RGBA Final each time: an RGB save converts the slot.
                ilBindImage(engine.Images["Final"]);
                SetBoundImagePixels(edge, edge, composite.data());
                save.push_back(
                    Seconds([&] { engine.SaveTexture("Final", out, "Head", "Color", subSet); }));
                if (format[0] == 'D') {
                    const DdsOutput output = format[3] == '1' ? DdsOutput::DXT1 : DdsOutput::DXT5;
                    encode.push_back(
                        Seconds([&] { EncodeDds(composite.data(), edge, edge, output); }));
                }
            }
            const Pixels written =
                Decode((folder / "out" / subSet / "face.dds").string(), edge, format);
            std::printf("  %-4s save %.3f s, load+composite+save %.3f s, PSNR %.2f dB", format,
                        Median(save), Median(loadComposite) + Median(save),
                        Psnr(written, composite));
            if (format[0] == 'D') {
                const int flags = format[3] == '1' ? squish::kDxt1 : squish::kDxt5;
                std::vector<double> reference;
                double referencePsnr = 0;
                for (int run = 0; run < runs; ++run) {
                    const auto [seconds, psnr] = Reference(composite, edge, flags);
                    reference.push_back(seconds);
                    referencePsnr = psnr;
                }
                std::printf("; encode %.3f s vs cluster fit on one thread %.3f s (ratio %.2f), "
                            "reference PSNR %.2f dB (difference %+.3f)",
                            Median(encode), Median(reference), Median(encode) / Median(reference),
                            referencePsnr, Psnr(written, composite) - referencePsnr);
            }
            std::printf("\n");
        }
        std::printf("\n");
    }

    // Rescale of a 4096 x 4096 overlay to 2048 x 2048: ours (B-spline) and DevIL's iluScale.
    const Pixels big = Photographic(4096, 3, true);
    std::vector<double> ours, devil;
    ILuint image = CreateImage();
    for (int run = 0; run < runs; ++run) {
        SetBoundImagePixels(4096, 4096, big.data());
        ours.push_back(Seconds([] { ScaleBoundImage(2048, 2048); }));
        SetBoundImagePixels(4096, 4096, big.data());
        iluImageParameter(ILU_FILTER, ILU_SCALE_BSPLINE);
        devil.push_back(Seconds([] { iluScale(2048, 2048, 1); }));
    }
    ilDeleteImage(image);
    std::printf("rescale 4096 x 4096 -> 2048 x 2048: B-spline resampler %.3f s "
                "(DevIL iluScale, which point-samples when shrinking: %.3f s)\n",
                Median(ours), Median(devil));
    fs::remove_all(folder);
    return 0;
}
