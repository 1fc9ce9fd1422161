// Decode figures of the DDS reader: for each layout, the median time to decode a 2048 x 2048 top
// level on one thread (header checks included), and the input's bytes per second; a memcpy of
// the decoded image's size is the memory's own speed for comparison.
#include "DecodeBench.h"

#include "imaging/DdsFormat.h"
#include "imaging/DdsReader.h"
#include "samples/SampleDds.h"
#include "samples/SampleImages.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace quillon {

namespace {

double Milliseconds(const auto& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double MedianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Random blocks of every BC7 mode, in equal shares.
std::vector<std::uint8_t> RandomBc7File(int edge) {
    std::vector<std::uint8_t> file =
        MakeDdsHeader(static_cast<std::uint32_t>(edge), static_cast<std::uint32_t>(edge),
                      Dx10Format(DXGI_FORMAT_BC7_UNORM));
    const std::size_t header = file.size();
    file.resize(header + static_cast<std::size_t>(edge / 4) * (edge / 4) * 16);
    std::mt19937 random(7);
    for (std::size_t at = header; at < file.size(); ++at) {
        file[at] = static_cast<std::uint8_t>(random());
    }
    for (std::size_t at = header, block = 0; at < file.size(); at += 16, ++block) {
        const int mode = static_cast<int>(block % 8);
        file[at] =
            static_cast<std::uint8_t>(((file[at] >> (mode + 1)) << (mode + 1)) | (1 << mode));
    }
    return file;
}

} // namespace

void RunDecodeBench(int runs) {
    const int edge = 2048;
    const RgbaImage source = MakeSeamedTexture(SampleKind::Skin, edge, edge, edge * 3 / 4, 1);
    std::printf("\nDDS decode of a %d x %d top level, one thread, median of %d runs\n", edge, edge,
                runs);
    std::vector<double> copies;
    std::vector<std::uint8_t> from(source.Pixels), to(source.Pixels.size());
    for (int run = 0; run < runs; ++run) {
        copies.push_back(Milliseconds([&] {
            std::vector<std::uint8_t> fresh(from.size()); // the decoder allocates its image too
            std::memcpy(fresh.data(), from.data(), from.size());
            to.swap(fresh);
        }));
    }
    const double copy = MedianOf(copies);
    std::printf("  %-22s %7.2f ms  %7.0f MB/s (memory: allocate and copy 16 MB)\n", "memcpy", copy,
                from.size() / copy / 1000);
    const char* layouts[] = {"dxt1",
                             "dxt5",
                             "ati1",
                             "ati2",
                             "dx10-bc7",
                             "a8r8g8b8",
                             "x8r8g8b8",
                             "r8g8b8",
                             "dx10-r8g8b8a8",
                             "l8",
                             "dx10-b5g6r5",
                             "a4r4g4b4",
                             "dx10-r8g8",
                             "dx10-r16g16b16a16",
                             "dx10-r10g10b10a2"};
    for (const char* name : layouts) {
        const auto sample = std::find_if(
            SampleDdsFormats().begin(), SampleDdsFormats().end(),
            [&](const NamedSampleFormat& s) { return std::strcmp(s.Name, name) == 0; });
        const bool bc7 = std::strcmp(name, "dx10-bc7") == 0;
        const std::vector<std::uint8_t> file =
            bc7 ? RandomBc7File(edge) : MakeDds(source, sample->Format);
        std::vector<double> times;
        RgbaImage image;
        for (int run = 0; run < runs; ++run) {
            times.push_back(
                Milliseconds([&] { DecodeDds(file.data(), file.size(), true, image); }));
        }
        const double ms = MedianOf(times);
        std::printf("  %-22s %7.2f ms  %7.0f MB/s of input%s\n", name, ms,
                    (file.size() - 128) / ms / 1000, bc7 ? " (random blocks, all modes)" : "");
    }
}

} // namespace quillon
