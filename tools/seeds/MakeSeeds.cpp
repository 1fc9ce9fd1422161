// Writes the seed corpus of every fuzz target: small valid inputs of each kind the reader takes,
// made by the generators the tests use, so the fuzzers start from the formats' real structure.
//
//     quillon-seeds <folder>        (writes <folder>/<fuzz target>/<seed files>)
#include "platform/SafeWrite.h"
#include "samples/SampleDds.h"
#include "samples/SampleImages.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace quillon {

bool WriteSeed(const fs::path& path, const std::vector<std::uint8_t>& bytes);

namespace {

using SeedWriter = std::function<bool(const fs::path& folder)>;

// One small file per layout the DDS reader decodes; 6 x 5 so that blocks are cut at both edges.
bool WriteDdsSeeds(const fs::path& folder) {
    const RgbaImage image = MakeSeamedTexture(SampleKind::Normal, 6, 5, 3, 1);
    bool ok = true;
    for (const NamedSampleFormat& sample : SampleDdsFormats()) {
        ok = WriteSeed(folder / (std::string(sample.Name) + ".dds"),
                       MakeDds(image, sample.Format)) &&
             ok;
    }
    return ok;
}

// Blocks of the kinds textures have (solid, two colours, a gradient, a seam, a soft mask's edge),
// some followed by the two bytes that make the fuzzer encode a small image too.
bool WriteBlockSeeds(const fs::path& folder) {
    const RgbaImage skin = MakeSeamedTexture(SampleKind::Skin, 64, 64, 30, 3);
    const RgbaImage mod = MakeSeamMod(SampleKind::Skin, 64, 64, 30, 8);
    auto blockAt = [](const RgbaImage& image, int x, int y) {
        std::vector<std::uint8_t> block;
        for (int row = 0; row < 4; ++row) {
            block.insert(block.end(), image.At(x, y + row), image.At(x, y + row) + 16);
        }
        return block;
    };
    std::vector<std::vector<std::uint8_t>> seeds = {
        std::vector<std::uint8_t>(64, 200), blockAt(skin, 8, 8),
        blockAt(skin, 20, 28), // across the seam
        blockAt(mod, 12, 20),  // the mask's soft edge
    };
    std::vector<std::uint8_t> two(64);
    for (std::size_t i = 0; i < 64; ++i) {
        two[i] = (i / 4) % 3 == 0 ? 255 : static_cast<std::uint8_t>(i % 4 * 60);
    }
    seeds.push_back(two);
    for (std::size_t n = 1; n < 4; ++n) {
        std::vector<std::uint8_t> withImage = seeds[n];
        withImage.push_back(static_cast<std::uint8_t>(4 * n + 1));
        withImage.push_back(static_cast<std::uint8_t>(7 * n));
        seeds.push_back(withImage);
    }
    for (std::size_t n = 0; n < seeds.size(); ++n) {
        if (!WriteSeed(folder / ("block" + std::to_string(n)), seeds[n])) {
            return false;
        }
    }
    return true;
}

struct Corpus {
    const char* Target; // the fuzz target's name; its seeds go into a folder of that name
    SeedWriter Write;
};

// One row per fuzz target.
const std::vector<Corpus>& Corpora() {
    static const std::vector<Corpus> corpora = {
        {"DdsReaderFuzz", WriteDdsSeeds},
        {"BlockEncoderFuzz", WriteBlockSeeds},
    };
    return corpora;
}

} // namespace

// Writes one seed file; used by the corpus writers.
bool WriteSeed(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    return WriteFileSafely(path.string(), [&](const std::string& temp) {
        std::ofstream out(temp, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return static_cast<bool>(out.flush());
    });
}

} // namespace quillon

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: quillon-seeds <folder>" << std::endl;
        return 2;
    }
    bool ok = true;
    for (const quillon::Corpus& corpus : quillon::Corpora()) {
        const fs::path folder = fs::path(argv[1]) / corpus.Target;
        std::error_code error;
        fs::create_directories(folder, error);
        if (error || !corpus.Write(folder)) {
            std::cerr << "quillon-seeds: could not write the seeds of " << corpus.Target
                      << std::endl;
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
