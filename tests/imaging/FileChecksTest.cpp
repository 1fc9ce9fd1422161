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

// Offsets in a DDS file: the magic, then the header's fields.
constexpr std::size_t DdsFlags = 8, DdsHeight = 12, DdsWidth = 16, DdsMipCount = 28,
                      DdsFormatFlags = 80, DdsFourCC = 84, DdsBitCount = 88, DdsCaps2 = 112,
                      DdsHeaderSize = 4;

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
        {"cube map without faces", DdsOutput::DXT1, [](auto& f) { PutLE32(f, DdsCaps2, 0x200); },
         FileProblem::BadLayout},
        {"unknown FourCC", DdsOutput::DXT5, [](auto& f) { PutLE32(f, DdsFourCC, 0x31305844); },
         FileProblem::BadChannels},
    };
    const Picture picture = Photo(8, 8);
    for (const DdsCase& c : cases) {
        std::vector<std::uint8_t> file = EncodeDds(picture.Pixels.data(), 8, 8, c.Output);
        c.Break(file);
        EXPECT_EQ(CheckDdsFile(file.data(), file.size()), c.Expected) << c.Name;
    }
}

} // namespace
