#include "imaging/FileChecks.h"
#include "imaging/DdsWriter.h"
#include "imaging/ImagingTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

void PutLE32(std::vector<std::uint8_t>& file, std::size_t offset, std::uint32_t value) {
    std::memcpy(file.data() + offset, &value, 4);
}

void PutBE(std::vector<std::uint8_t>& file, std::size_t offset, std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i, value >>= 8) {
        file[offset + i] = static_cast<std::uint8_t>(value);
    }
}

// Offsets in a DDS file: the magic, then the header's fields.
constexpr std::size_t DdsFlags = 8, DdsHeight = 12, DdsWidth = 16, DdsMipCount = 28,
                      DdsFormatFlags = 80, DdsFourCC = 84, DdsBitCount = 88, DdsHeaderSize = 4;

struct DdsCase {
    const char* Name;
    DdsOutput Output;
    std::function<void(std::vector<std::uint8_t>&)> Break;
    FileProblem Expected;
};

TEST(FileChecks, DdsHeadersAreCheckedAgainstTheFile) {
    const DdsCase cases[] = {
        {"intact DXT1", DdsOutput::DXT1, [](auto&) {}, FileProblem::None},
        {"intact RGBA", DdsOutput::RGBA, [](auto&) {}, FileProblem::None},
        {"last byte missing", DdsOutput::DXT5, [](auto& f) { f.pop_back(); },
         FileProblem::Truncated},
        {"header cut short", DdsOutput::DXT5, [](auto& f) { f.resize(100); },
         FileProblem::Truncated},
        {"three bytes", DdsOutput::DXT1, [](auto& f) { f.resize(3); }, FileProblem::WrongMagic},
        {"not a DDS", DdsOutput::DXT1, [](auto& f) { f[0] = 'P'; }, FileProblem::WrongMagic},
        {"header size", DdsOutput::DXT1, [](auto& f) { PutLE32(f, DdsHeaderSize, 100); },
         FileProblem::WrongMagic},
        {"width 0", DdsOutput::DXT1, [](auto& f) { PutLE32(f, DdsWidth, 0); },
         FileProblem::BadDimensions},
        {"width beyond the limit", DdsOutput::DXT1, [](auto& f) { PutLE32(f, DdsWidth, 16385); },
         FileProblem::BadDimensions},
        {"absurd height", DdsOutput::RGB, [](auto& f) { PutLE32(f, DdsHeight, 0x7FFFFFFF); },
         FileProblem::BadDimensions},
        {"largest edges, no data", DdsOutput::RGBA,
         [](auto& f) {
             PutLE32(f, DdsWidth, 16384);
             PutLE32(f, DdsHeight, 16384);
         },
         FileProblem::Truncated},
        {"more mips than the size allows", DdsOutput::DXT1,
         [](auto& f) {
             PutLE32(f, DdsFlags, 0x1007 | 0x20000);
             PutLE32(f, DdsMipCount, 5); // 8 x 8 has 4 levels
         },
         FileProblem::BadDimensions},
        {"mips announced, not stored", DdsOutput::DXT1,
         [](auto& f) {
             PutLE32(f, DdsFlags, 0x1007 | 0x20000);
             PutLE32(f, DdsMipCount, 4);
         },
         FileProblem::Truncated},
        {"bit count 12", DdsOutput::RGB, [](auto& f) { PutLE32(f, DdsBitCount, 12); },
         FileProblem::BadChannels},
        {"no pixel format", DdsOutput::RGB, [](auto& f) { PutLE32(f, DdsFormatFlags, 0); },
         FileProblem::BadChannels},
        {"unknown FourCC", DdsOutput::DXT5, [](auto& f) { PutLE32(f, DdsFourCC, 0x31305844); },
         FileProblem::BadChannels},
    };
    const Picture picture = Photo(8, 8);
    for (const DdsCase& c : cases) {
        std::vector<std::uint8_t> file = EncodeDds(picture.Rgba.data(), 8, 8, c.Output);
        c.Break(file);
        EXPECT_EQ(CheckDdsFile(file.data(), file.size()), c.Expected) << c.Name;
    }
}

// Offsets in a PSD file of ours (no colour mode data, resources or layers).
constexpr std::size_t PsdVersion = 4, PsdChannels = 12, PsdHeight = 14, PsdWidth = 18,
                      PsdDepth = 22, PsdMode = 24, PsdResources = 30, PsdCompression = 38,
                      PsdRowCounts = 40;

struct PsdCase {
    const char* Name;
    bool PackBits;
    std::function<void(std::vector<std::uint8_t>&)> Break;
    FileProblem Expected;
};

TEST(FileChecks, PsdHeadersAreCheckedAgainstTheFile) {
    const PsdCase cases[] = {
        {"intact raw", false, [](auto&) {}, FileProblem::None},
        {"intact PackBits", true, [](auto&) {}, FileProblem::None},
        {"not a PSD", false, [](auto& f) { f[0] = 'D'; }, FileProblem::WrongMagic},
        {"large-document version", false, [](auto& f) { PutBE(f, PsdVersion, 2, 2); },
         FileProblem::WrongMagic},
        {"header cut short", false, [](auto& f) { f.resize(20); }, FileProblem::Truncated},
        {"no channels", false, [](auto& f) { PutBE(f, PsdChannels, 0, 2); },
         FileProblem::BadChannels},
        {"57 channels", false, [](auto& f) { PutBE(f, PsdChannels, 57, 2); },
         FileProblem::BadChannels},
        {"RGB with two channels", false, [](auto& f) { PutBE(f, PsdChannels, 2, 2); },
         FileProblem::BadChannels},
        {"depth 7", false, [](auto& f) { PutBE(f, PsdDepth, 7, 2); }, FileProblem::BadChannels},
        {"unknown colour mode", false, [](auto& f) { PutBE(f, PsdMode, 5, 2); },
         FileProblem::BadChannels},
        {"width 0", false, [](auto& f) { PutBE(f, PsdWidth, 0, 4); }, FileProblem::BadDimensions},
        {"absurd height", false, [](auto& f) { PutBE(f, PsdHeight, 300000, 4); },
         FileProblem::BadDimensions},
        {"largest edges, no data", false,
         [](auto& f) {
             PutBE(f, PsdWidth, 16384, 4);
             PutBE(f, PsdHeight, 16384, 4);
         },
         FileProblem::Truncated},
        {"raw data cut short", false, [](auto& f) { f.pop_back(); }, FileProblem::Truncated},
        {"section longer than the file", false,
         [](auto& f) { PutBE(f, PsdResources, 0x7FFFFFF0, 4); }, FileProblem::Truncated},
        {"zip compression", false, [](auto& f) { PutBE(f, PsdCompression, 2, 2); },
         FileProblem::BadLayout},
        {"row longer than the file", true, [](auto& f) { PutBE(f, PsdRowCounts, 0xFFFF, 2); },
         FileProblem::Truncated},
        {"row stored shorter than it decodes", true, [](auto& f) { PutBE(f, PsdRowCounts, 2, 2); },
         FileProblem::BadLayout},
    };
    const Picture picture = Photo(8, 8);
    for (const PsdCase& c : cases) {
        std::vector<std::uint8_t> file = MakePsd(picture, 4, 8, c.PackBits);
        c.Break(file);
        EXPECT_EQ(CheckPsdFile(file.data(), file.size()), c.Expected) << c.Name;
    }
}

} // namespace
