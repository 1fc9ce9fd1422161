// The tool's figures, printed; nothing is asserted. Sections:
//   pipeline  for textures made in code (smooth gradients plus fine noise): load + composite, the
//             preview bitmaps, each save with and without a full mip chain, with the PSNR of the
//             written texture and libsquish's cluster fit on one thread as the reference, and the
//             rescale of an overlay
//   headfix   the head fix on the demo workspace at twice its size (two sub sets of Color DXT1
//             2048, Normal DXT5 2048, Specular RGB 1024): wall and CPU time, and peak memory;
//             with full mip chains against the top levels alone; then the same with
//             photographs (with their chains) installed as the colour and normal maps
//   backups   the head fix with the output folder the data folder and elsewhere, with and without
//             backups and journal (BackupBench.cpp)
//   decode    the DDS reader on a 2048 x 2048 top level of each layout, on one thread
//   encode    each block encoder on 1 and 2 threads, against libsquish's cluster fit
//   psd       the Photoshop reader on a 16384 x 16384 grey PackBits mask of 16 and of 8 bits:
//             peak memory and time (PsdBench.cpp)
//   archive   the game's files: a 2 GB archive of 20,000 files opened, a 2048 x 2048 DXT5
//             texture extracted from LZ4 and zlib archives, the head textures resolved through
//             500 mods (ArchiveBench.cpp)
//   xml       the XML reader on hostile files at the 4 MiB cap, and on a usual set definition
//             (XmlBench.cpp)
//
//   quillon_bench [runs] [section ...]      (defaults: 3 runs; every section)
#include "bench/ArchiveBench.h"
#include "bench/BackupBench.h"
#include "bench/BenchSupport.h"
#include "bench/DecodeBench.h"
#include "bench/EncodeBench.h"
#include "bench/PsdBench.h"
#include "bench/XmlBench.h"
#include "imaging/DdsWriter.h"
#include "imaging/Resample.h"
#include "samples/DemoWorkspace.h"
#include "samples/SampleImages.h"
#include "workflow/BlendSession.h"

#include <squish.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillon;

namespace fs = std::filesystem;

namespace {

RgbaImage Photographic(int edge, unsigned seed, bool maskAlpha) {
    RgbaImage image(edge, edge);
    std::mt19937 random(seed);
    std::normal_distribution<float> noise(0.0f, 3.0f);
    for (int y = 0; y < edge; ++y) {
        for (int x = 0; x < edge; ++x) {
            std::uint8_t* px = image.At(x, y);
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
    return image;
}

// libsquish's cluster fit on one thread, the reference: seconds, and the PSNR it reaches.
std::pair<double, double> Reference(const RgbaImage& composite, int flags) {
    RgbaImage source = composite;
    if (flags & squish::kDxt1) {
        for (std::size_t i = 3; i < source.Pixels.size(); i += 4) {
            source.Pixels[i] = 255;
        }
    }
    std::vector<std::uint8_t> blocks(static_cast<std::size_t>(
        squish::GetStorageRequirements(composite.Width, composite.Height, flags)));
    TaskPool one(1);
    const double seconds = Seconds([&] {
        squish::CompressImage(source.Pixels.data(), composite.Width, composite.Height,
                              blocks.data(), flags | squish::kColourClusterFit);
    });
    RgbaImage decoded(composite.Width, composite.Height);
    squish::DecompressImage(decoded.Pixels.data(), composite.Width, composite.Height, blocks.data(),
                            flags);
    return {seconds, Psnr(decoded, composite)};
}

void Pipeline(int runs) {
    const fs::path folder = BenchFolder("pipeline");
    for (const int edge : {1024, 2048, 4096}) {
        const std::string source = (folder / "source.dds").string();
        const std::string mod = (folder / "mod.psd").string();
        WriteDdsTexture(source, Photographic(edge, 1, false), "DXT1");
        WritePsd(mod, Photographic(edge, 2, true));

        BlendSession session;
        session.Engine = std::make_unique<BlendEngine>();
        auto set = std::make_unique<TextureSet>("Head", "out");
        set->AddChannel("Dxt1", "Color", "face", "dds", edge, 0);
        set->AddChannel("Dxt5", "Color", "face", "dds", edge, FlagHasAlpha);
        set->AddChannel("Rgb", "Color", "face", "dds", edge, FlagUncompressed);
        session.Engine->TextureSets.push_back(std::move(set));
        const std::string out = folder.string() + "\\";

        std::vector<double> loadComposite;
        for (int run = 0; run < runs; ++run) {
            loadComposite.push_back(Seconds([&] {
                Require(session.LoadTexture(SourceSlot, source, true) &&
                        session.LoadTexture(ModSlot, mod, true) &&
                        session.CompositeTextures(SourceSlot, ModSlot, FinalSlot, edge));
            }));
        }
        const RgbaImage composite = session.Images[FinalSlot];
        std::printf("%d x %d  load (DXT1 DDS + RGBA PSD) + composite: %.3f s\n", edge, edge,
                    Median(loadComposite));

        std::vector<double> picture, popUp;
        for (int run = 0; run < runs; ++run) {
            picture.push_back(Seconds(
                [&] { Require(session.GetPreviewBitmap(FinalSlot, true, 126, 126) != nullptr); }));
            popUp.push_back(Seconds(
                [&] { Require(session.GetPreviewBitmap(FinalSlot, true, 768, 768) != nullptr); }));
        }
        std::printf("  preview bitmap 126 x 126: %.3f s, 768 x 768: %.3f s\n", Median(picture),
                    Median(popUp));

        for (const char* format : {"DXT1", "DXT5", "RGB"}) {
            const std::string subSet =
                format[0] == 'R' ? "Rgb" : (format[3] == '1' ? "Dxt1" : "Dxt5");
            // Saves with a full chain and with the top level alone alternate; the top level is
            // the same bytes either way.
            std::vector<double> save, top, chainRatios;
            for (int run = 0; run < runs; ++run) {
                for (const char* mipMaps : {"full", "none"}) {
                    session.Config.Set("MipMaps", mipMaps);
                    session.Images[FinalSlot] = composite; // an RGB save converts the slot
                    (mipMaps[0] == 'f' ? save : top).push_back(Seconds([&] {
                        Require(session.SaveTexture(FinalSlot, out, "Head", "Color", subSet));
                    }));
                }
                chainRatios.push_back(save.back() / top.back());
            }
            RgbaImage written;
            ReadTexture((folder / "out" / subSet / "face.dds").string(), written);
            std::printf("  %-4s save %.3f s with a full chain (top level alone %.3f s, chain / "
                        "top %.2f), PSNR %.2f dB",
                        format, Median(save), Median(top), Median(chainRatios),
                        Psnr(written, composite));
            if (format[0] == 'D') {
                const int flags = format[3] == '1' ? squish::kDxt1 : squish::kDxt5;
                std::vector<double> reference;
                double referencePsnr = 0;
                for (int run = 0; run < runs; ++run) {
                    const auto [seconds, psnr] = Reference(composite, flags);
                    reference.push_back(seconds);
                    referencePsnr = psnr;
                }
                std::printf(
                    "; cluster fit on one thread %.3f s (top-level save / that %.2f), its PSNR "
                    "%.2f dB (difference %+.3f)",
                    Median(reference), Median(top) / Median(reference), referencePsnr,
                    Psnr(written, composite) - referencePsnr);
            }
            std::printf("\n");
        }
        std::printf("\n");
    }

    const RgbaImage big = Photographic(4096, 3, true);
    std::vector<double> rescale;
    for (int run = 0; run < runs; ++run) {
        RgbaImage copy = big;
        rescale.push_back(Seconds([&] { Require(Rescale(copy, 2048, 2048)); }));
    }
    std::printf("rescale 4096 x 4096 -> 2048 x 2048 (B-spline): %.3f s\n\n", Median(rescale));
    fs::remove_all(folder);
}

// One head fix by the console program, so that its peak memory and its threads are its own (a
// fork of this process would have the shared task pool without its threads): wall seconds, CPU
// seconds, peak resident MiB.
struct Run {
    double Wall = 0, Cpu = 0, PeakMiB = 0;
    int Exit = -1;
};

Run HeadFixInChild(const fs::path& workspace) {
    fs::remove_all(workspace / "Output");
    std::fflush(stdout); // else the child's freopen would print what this process has buffered
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        // No progress lines in the figures.
        if (chdir(workspace.c_str()) != 0 || !std::freopen("/dev/null", "w", stdout)) {
            std::_Exit(127);
        }
        execl(QUILLON_CLI, "quillon-cli", static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    Run run;
    run.Wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.Cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
              usage.ru_stime.tv_usec / 1e6;
    run.PeakMiB = usage.ru_maxrss / 1024.0;
    run.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// The workspace's configuration with the given <MipMaps> setting.
bool SetMipMaps(const fs::path& workspace, const std::string& mode) {
    std::ifstream in(workspace / "Config.xml");
    std::string config((std::istreambuf_iterator<char>(in)), {});
    in.close();
    const std::size_t old = config.find("<MipMaps>");
    if (old != std::string::npos) {
        config.erase(old, config.find("</MipMaps>") + 10 - old);
    }
    const std::size_t end = config.find("</QuillonConfig>");
    if (end == std::string::npos) {
        return false;
    }
    config.insert(end, "<MipMaps>" + mode + "</MipMaps>");
    std::ofstream out(workspace / "Config.xml", std::ios::trunc);
    out << config;
    return static_cast<bool>(out);
}

// The head fix in `workspace`, with full chains and with top levels alone, alternating.
void HeadFixOn(const fs::path& workspace, int runs) {
    std::vector<double> wall, cpu, peak, topWall, topCpu, topPeak, ratios, cpuRatios;
    int exit = 0;
    for (int run = 0; run < runs; ++run) {
        if (!SetMipMaps(workspace, "full")) {
            std::printf("headfix: could not write the configuration\n");
            return;
        }
        const Run r = HeadFixInChild(workspace);
        wall.push_back(r.Wall);
        cpu.push_back(r.Cpu);
        peak.push_back(r.PeakMiB);
        exit = std::max(exit, r.Exit);
        SetMipMaps(workspace, "none");
        const Run top = HeadFixInChild(workspace);
        topWall.push_back(top.Wall);
        topCpu.push_back(top.Cpu);
        topPeak.push_back(top.PeakMiB);
        ratios.push_back(r.Wall / top.Wall);
        cpuRatios.push_back(r.Cpu / top.Cpu);
        exit = std::max(exit, top.Exit);
    }
    const double texture = 2048.0 * 2048.0 * 4 / (1 << 20);
    std::printf("head fix, 2 sub sets x (Color DXT1 2048, Normal DXT5 2048, Specular RGB 1024), "
                "%u threads, full mip chains: wall %.3f s, CPU %.3f s (CPU / wall %.2f), peak "
                "resident %.0f MiB (%.1f full-size RGBA8 textures), exit %d\n",
                TaskPool::Shared().Threads(), Median(wall), Median(cpu), Median(cpu) / Median(wall),
                Median(peak), Median(peak) / texture, exit);
    std::printf("  top levels alone: wall %.3f s, CPU %.3f s, peak resident %.0f MiB (%.1f "
                "textures); full chains / top levels, medians of the alternating pairs: wall "
                "%.3f, CPU %.3f\n\n",
                Median(topWall), Median(topCpu), Median(topPeak), Median(topPeak) / texture,
                Median(ratios), Median(cpuRatios));
    fs::remove_all(workspace);
}

// A 2048 x 2048 centre crop of a photograph through /usr/bin/python3 with Pillow, RGBA8 rows
// top-down; empty when it cannot be had.
RgbaImage PhotographCrop(const fs::path& photo, const fs::path& scratch) {
    const fs::path raw = scratch / "crop.rgba";
    const std::string command =
        "/usr/bin/python3 -c \"import sys; from PIL import Image; "
        "i = Image.open(sys.argv[1]).convert('RGBA'); w, h = i.size; e = 2048; "
        "i = i.crop((w // 2 - e // 2, h // 2 - e // 2, w // 2 + e // 2, h // 2 + e // 2)); "
        "open(sys.argv[2], 'wb').write(i.tobytes())\" '" +
        photo.string() + "' '" + raw.string() + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0) {
        return {};
    }
    std::ifstream in(raw, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    if (bytes.size() != std::size_t(2048) * 2048 * 4) {
        return {};
    }
    RgbaImage image(2048, 2048, false);
    image.Pixels = std::move(bytes);
    return image;
}

// The workspace's installed colour and normal maps (2048 x 2048, DXT1 and DXT5) become
// photographs with their full chains: Debian's wallpapers where /usr/share/backgrounds has
// them (lomiri-wallpapers-20.04), else generated ones. Says which.
std::string InstallPhotographs(const fs::path& workspace) {
    std::vector<fs::path> photos;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/usr/share/backgrounds", error)) {
        if (entry.path().extension() == ".jpg") {
            photos.push_back(entry.path());
        }
    }
    std::sort(photos.begin(), photos.end());
    const fs::path character = workspace / "Data/textures/actors/character";
    const char* const files[] = {"female/femalehead.dds", "male/malehead.dds",
                                 "female/femalehead_msn.dds", "male/malehead_msn.dds"};
    bool real = !photos.empty();
    for (std::size_t n = 0; n < std::size(files); ++n) {
        RgbaImage image;
        if (!photos.empty()) {
            image = PhotographCrop(photos[n % photos.size()], workspace);
        }
        if (image.Empty()) {
            real = false;
            image = Photographic(2048, static_cast<unsigned>(10 + n), false);
        }
        Require(
            WriteDdsTexture((character / files[n]).string(), image, n < 2 ? "DXT1" : "DXT5", true));
    }
    return real ? "Debian's wallpaper photographs" : "generated photograph-like images";
}

// Runs with full mip chains (as the installed textures have) and with the top level alone
// alternate, so that the load of the machine falls on both alike. Twice: the demo workspace at
// twice its size, then the same with photographs installed as its colour and normal maps.
void HeadFix(int runs) {
    for (const bool photographs : {false, true}) {
        const fs::path workspace = BenchFolder("headfix");
        if (!MakeDemoWorkspace(workspace, true, 2)) {
            std::printf("headfix: could not make the workspace\n");
            return;
        }
        if (photographs) {
            std::printf("installed colour and normal maps: %s\n",
                        InstallPhotographs(workspace).c_str());
        }
        HeadFixOn(workspace, runs);
    }
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::map<std::string, std::function<void(int)>> sections = {
        {"pipeline", Pipeline},     {"headfix", HeadFix}, {"decode", RunDecodeBench},
        {"encode", RunEncodeBench}, {"psd", BenchPsd},    {"backups", BenchBackups},
        {"archive", BenchArchive},
        {"xml", BenchXml},
    };
    std::vector<std::string> chosen(argv + std::min(argc, 2), argv + argc);
    if (chosen.empty()) {
        for (const auto& [name, section] : sections) {
            chosen.push_back(name);
        }
    }
    std::printf("medians of %d runs\n\n", runs);
    for (const std::string& name : chosen) {
        const auto section = sections.find(name);
        if (section == sections.end()) {
            std::fprintf(stderr, "quillon_bench: no section %s\n", name.c_str());
            return 2;
        }
        section->second(runs);
    }
    return 0;
}
