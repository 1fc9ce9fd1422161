// Decode figures of the DDS reader: for each layout, the median and the fastest time to decode a
// 2048 x 2048 top level on one thread (header checks and the image's allocation included), and
// the input's bytes per second at the median; a memcpy of the decoded image's size is the
// memory's own speed for comparison. On a shared machine the fastest run is the one least
// disturbed.
#include "bench/DecodeBench.h"

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
    // Every file first: the encoder's threads must be idle while the decoder is timed.
    const RgbaImage source = MakeSeamedTexture(SampleKind::Skin, edge, edge, edge * 3 / 4, 1);
    std::vector<std::vector<std::uint8_t>> files;
    for (const char* name : layouts) {
        const auto sample = std::find_if(
            SampleDdsFormats().begin(), SampleDdsFormats().end(),
            [&](const NamedSampleFormat& s) { return std::strcmp(s.Name, name) == 0; });
        files.push_back(std::strcmp(name, "dx10-bc7") == 0 ? RandomBc7File(edge)
                                                           : MakeDds(source, sample->Format));
    }

    std::printf("\nDDS decode of a %d x %d top level, one thread, median of %d runs\n", edge, edge,
                runs);
    const auto report = [](const char* name, const std::vector<double>& times, std::size_t bytes,
                           const char* note) {
        const double ms = MedianOf(times);
        std::printf("  %-18s %7.2f ms (fastest %6.2f) %6.0f MB/s %s\n", name, ms,
                    *std::min_element(times.begin(), times.end()), bytes / ms / 1000, note);
    };
    std::vector<double> copies;
    std::vector<std::uint8_t> to;
    for (int run = 0; run < runs; ++run) {
        copies.push_back(Milliseconds([&] {
            std::vector<std::uint8_t> fresh(source.Pixels.size()); // as the decoder's image
            std::memcpy(fresh.data(), source.Pixels.data(), fresh.size());
            to.swap(fresh);
        }));
    }
    report("memcpy", copies, source.Pixels.size(), "(memory: allocate and copy 16 MB)");
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::vector<std::uint8_t>& file = files[i];
        std::vector<double> times;
        RgbaImage image;
        for (int run = 0; run < runs; ++run) {
            times.push_back(Milliseconds(
                [&] { static_cast<void>(DecodeDds(file.data(), file.size(), true, image)); }));
        }
        const bool bc7 = std::strcmp(layouts[i], "dx10-bc7") == 0;
        report(layouts[i], times, file.size() - 128,
               bc7 ? "of input (random blocks, all modes)" : "of input");
    }
}

} // namespace quillon
