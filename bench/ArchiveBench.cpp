// The game's files at the sizes players have them. The large archive is sparse, made once in the
// temporary folder and removed afterwards: its 20,000 files are holes, so only its index takes
// disk space. Each open of it runs in a child process, so that the child's peak resident size
// (getrusage's ru_maxrss) against its size when it started is the open's alone.
#include "bench/ArchiveBench.h"

#include "archive/BsaArchive.h"
#include "bench/BenchSupport.h"
#include "gamefiles/GameFiles.h"
#include "imaging/DdsWriter.h"
#include "imaging/MipChain.h"
#include "samples/SampleArchive.h"
#include "samples/SampleImages.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

namespace quillon {

namespace {

namespace fs = std::filesystem;

const char* const HeadPaths[] = {
    "textures\\actors\\character\\female\\femalehead.dds",
    "textures\\actors\\character\\female\\femalehead_msn.dds",
    "textures\\actors\\character\\female\\femalehead_s.dds",
    "textures\\actors\\character\\male\\malehead.dds",
    "textures\\actors\\character\\male\\malehead_msn.dds",
    "textures\\actors\\character\\male\\malehead_s.dds",
};

// Processor time of the calling thread: less disturbed by a busy machine than wall time.
double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// Wall and processor seconds of `work`.
std::pair<double, double> Timed(const std::function<void()>& work) {
    const double cpu = ThreadSeconds();
    const double wall = Seconds(work);
    return {wall, ThreadSeconds() - cpu};
}

std::size_t HeapInUse() {
    return mallinfo2().uordblks;
}

long PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct OpenFigures {
    double Seconds = -1;
    double CpuSeconds = 0;
    double IndexMiB = 0; // the heap the open archive keeps
    double PeakMiB = 0;  // the growth of the peak resident size during the open
};

// Opens the archive and resolves one path in a child process.
OpenFigures OpenInChild(const std::string& path, const std::string& wanted) {
    return InChildProcess<OpenFigures>([&] {
               OpenFigures figures;
               const long peakBefore = PeakKiB();
               const std::size_t heapBefore = HeapInUse();
               BsaArchive archive;
               bool ok = false;
               std::tie(figures.Seconds, figures.CpuSeconds) =
                   Timed([&] { ok = archive.Open(path) && archive.Contains(wanted); });
               figures.Seconds = ok ? figures.Seconds : -1;
               figures.IndexMiB = double(HeapInUse() - heapBefore) / (1 << 20);
               figures.PeakMiB = double(PeakKiB() - peakBefore) / 1024;
               return figures;
           })
        .value_or(OpenFigures{});
}

void LargeArchive(const fs::path& folder, int runs) {
    const int files = 20000;
    const std::uint64_t each = (std::uint64_t(2) << 30) / files; // 2 GiB in all
    std::vector<SampleArchiveFile> contents;
    contents.reserve(files);
    for (int i = 0; i < files; ++i) {
        SampleArchiveFile file;
        file.Path = "textures\\mod" + std::to_string(i % 400) + "\\set" + std::to_string(i % 7) +
                    "\\texture_" + std::to_string(i) + "_d.dds";
        file.HoleSize = each;
        contents.push_back(std::move(file));
    }
    const std::string path = (folder / "large.bsa").string();
    SampleArchiveOptions options;
    options.Compressed = false;
    Require(WriteSampleArchive(path, contents, options));
    const std::string wanted = contents[12345].Path;
    std::vector<double> seconds, cpu, index, peak;
    for (int run = 0; run < runs; ++run) {
        const OpenFigures figures = OpenInChild(path, wanted);
        Require(figures.Seconds >= 0);
        seconds.push_back(figures.Seconds);
        cpu.push_back(figures.CpuSeconds);
        index.push_back(figures.IndexMiB);
        peak.push_back(figures.PeakMiB);
    }
    std::printf("  open a %.1f GB archive of %d files and resolve one path: %.1f ms (%.1f ms of "
                "processor time); index %.2f MiB on the heap, peak resident size +%.2f MiB\n",
                double(fs::file_size(path)) / 1e9, files, Median(seconds) * 1e3, Median(cpu) * 1e3,
                Median(index), Median(peak));
}

void Extraction(const fs::path& folder, int runs) {
    TaskPool one(1);
    const RgbaImage image = MakeSeamedTexture(SampleKind::Skin, 2048, 2048, 1536, 3);
    const std::vector<RgbaImage> levels = MakeMipLevels(image, MipKind::Colour, one);
    const std::vector<std::uint8_t> dds = EncodeDds(image, TextureFormat::DXT5, one, levels);
    const std::string path = "textures\\actors\\character\\female\\femalehead.dds";
    for (const std::uint32_t version : {105u, 104u}) {
        const std::string file = (folder / ("extract" + std::to_string(version) + ".bsa")).string();
        Require(WriteSampleArchive(file, {{path, dds}}, {version}));
        BsaArchive archive;
        Require(archive.Open(file));
        std::vector<double> seconds, cpu;
        for (int run = 0; run < runs; ++run) {
            std::vector<std::uint8_t> bytes;
            std::string reason;
            const auto [wall, processor] =
                Timed([&] { Require(archive.Extract(path, bytes, reason)); });
            seconds.push_back(wall);
            cpu.push_back(processor);
            Require(bytes == dds);
        }
        std::printf("  extract a 2048 x 2048 DXT5 texture with its mip chain (%.1f MiB, %.1f MiB "
                    "stored) from %s: %.1f ms (%.1f ms of processor time)\n",
                    double(dds.size()) / (1 << 20), double(fs::file_size(file)) / (1 << 20),
                    version == 105 ? "an LZ4 archive (105)" : "a zlib archive (104)",
                    Median(seconds) * 1e3, Median(cpu) * 1e3);
    }
}

// 500 enabled mods, each with a plugin, some meshes and textures of its own, every tenth with an
// archive; the head textures in the vanilla archive, and loose in one mod.
void ManyMods(const fs::path& folder, int runs) {
    const fs::path game = folder / "Game";
    const fs::path instance = folder / "MO2";
    fs::create_directories(game / "Data");
    std::ofstream(game / "SkyrimSE.exe") << "";
    std::ofstream(game / "Data/Skyrim.esm") << "";
    std::vector<SampleArchiveFile> vanilla;
    for (const char* head : HeadPaths) {
        vanilla.push_back({head, std::vector<std::uint8_t>(256, 1)});
    }
    for (int i = 0; i < 2000; ++i) {
        vanilla.push_back({"textures\\vanilla\\t" + std::to_string(i) + ".dds", {1}});
    }
    Require(WriteSampleArchive((game / "Data/Skyrim - Textures0.bsa").string(), vanilla));
    std::string modList, plugins;
    for (int i = 0; i < 500; ++i) {
        const std::string name = "Mod " + std::to_string(i);
        const fs::path mod = instance / "mods" / name;
        fs::create_directories(mod / "meshes" / name);
        fs::create_directories(mod / "textures" / name);
        std::ofstream(mod / (name + ".esp")) << "";
        for (int f = 0; f < 5; ++f) {
            std::ofstream(mod / "meshes" / name / ("m" + std::to_string(f) + ".nif")) << "";
            std::ofstream(mod / "textures" / name / ("t" + std::to_string(f) + ".dds")) << "";
        }
        if (i % 10 == 0) {
            Require(WriteSampleArchive((mod / (name + ".bsa")).string(),
                                       {{"textures\\" + name + "\\packed.dds", {1, 2, 3}}}));
        }
        if (i == 250) {
            fs::create_directories(mod / "textures/actors/character/female");
            std::ofstream(mod / "textures/actors/character/female/femalehead.dds") << "loose";
        }
        modList += "+" + name + "\n";
        plugins += "*" + name + ".esp\n";
    }
    fs::create_directories(instance / "profiles/Default");
    std::ofstream(instance / "ModOrganizer.ini") << "[General]\ngamePath=" << game.string() << "\n";
    std::ofstream(instance / "profiles/Default/modlist.txt") << modList;
    std::ofstream(instance / "profiles/Default/plugins.txt") << plugins;
    std::vector<double> seconds, cpu;
    std::size_t found = 0;
    for (int run = 0; run < runs; ++run) {
        const auto [wall, processor] = Timed([&] {
            GameFiles files(GameSetup{(game / "Data/").string(), instance.string(), "", "", {}});
            found = 0;
            for (const char* head : HeadPaths) {
                found += files.SourceCandidates(head).size();
            }
        });
        seconds.push_back(wall);
        cpu.push_back(processor);
    }
    Require(found == 6);
    std::printf("  resolve the six head textures through 500 enabled mods and 500 active plugins "
                "(50 archives), from the instance's files: %.1f ms (%.1f ms of processor time)\n",
                Median(seconds) * 1e3, Median(cpu) * 1e3);
}

} // namespace

void BenchArchive(int runs) {
    const fs::path folder = BenchFolder("archive");
    std::printf("Game files (medians of %d runs):\n", runs);
    LargeArchive(folder, runs);
    Extraction(folder, runs);
    ManyMods(folder, runs);
    std::printf("\n");
    fs::remove_all(folder);
}

} // namespace quillon
