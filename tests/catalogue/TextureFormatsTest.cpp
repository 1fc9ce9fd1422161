// The format table: a row's facts must agree with each other, each code and word must name one
// row, and every pixel format written must be reachable from its word.
#include "catalogue/TextureFormats.h"
#include "catalogue/TextureSet.h"

#include <gtest/gtest.h>

#include <bit>
#include <cctype>
#include <set>
#include <string>

using namespace quillon;

TEST(TextureFormats, EveryRowIsConsistent) {
    std::set<std::uint32_t> fourCCs, dxgis;
    std::set<std::string> words;
    for (const FormatFacts& row : FormatTable()) {
        SCOPED_TRACE(row.Name);
        EXPECT_TRUE(row.FourCC == 0 || fourCCs.insert(row.FourCC).second) << "FourCC twice";
        EXPECT_TRUE(row.Dxgi == 0 || dxgis.insert(row.Dxgi).second) << "DXGI format twice";
        EXPECT_TRUE(row.FourCC == 0 || row.Dxgi == 0) << "one code, in one header";
        EXPECT_EQ(row.Word != nullptr, row.Written.has_value());
        EXPECT_TRUE(row.Word == nullptr || words.insert(row.Word).second) << "word twice";
        if (!row.Decoded) {
            EXPECT_FALSE(row.Written) << "a format written is read back";
            continue;
        }
        const bool blocks = row.Layout != DdsPixelFormat::Masked &&
                            row.Layout != DdsPixelFormat::Rg8 &&
                            row.Layout != DdsPixelFormat::Rgba16;
        if (blocks) {
            const bool small = row.Layout == DdsPixelFormat::Bc1 ||
                               row.Layout == DdsPixelFormat::Bc4 ||
                               row.Layout == DdsPixelFormat::Bc4Signed;
            EXPECT_EQ(row.BlockBytes, small ? 8 : 16);
            EXPECT_EQ(row.BitsPerPixel, 0);
            continue;
        }
        EXPECT_EQ(row.BlockBytes, 0);
        EXPECT_EQ(row.BitsPerPixel % 8, 0);
        if (row.Layout != DdsPixelFormat::Masked) {
            continue;
        }
        std::uint32_t all = 0;
        for (const std::uint32_t mask : row.Masks) {
            EXPECT_EQ(all & mask, 0u) << "masks overlap";
            all |= mask;
        }
        EXPECT_LE(std::bit_width(all), row.BitsPerPixel) << "a mask beyond the pixel";
        EXPECT_EQ(row.Alpha, row.Masks[3] != 0);
        EXPECT_TRUE(!row.Luminance || (row.Masks[1] == 0 && row.Masks[2] == 0));
    }
}

TEST(TextureFormats, EachFormatWrittenHasItsWordAndRow) {
    for (const TextureFormat format : {TextureFormat::DXT1, TextureFormat::DXT5, TextureFormat::BC7,
                                       TextureFormat::RGB, TextureFormat::RGBA}) {
        const FormatFacts& row = FactsOf(format);
        ASSERT_EQ(row.Written, format);
        ASSERT_NE(row.Word, nullptr);
        EXPECT_EQ(FormatNamed(row.Word), &row);
        std::string lower = row.Word;
        for (char& c : lower) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        EXPECT_EQ(CompressionNamed(lower), row.Word) << "a Format element in any letter case";
        EXPECT_EQ(FormatNamed(lower), nullptr) << "the catalogue's words are exact";
        EXPECT_TRUE(row.BlockBytes == 0 || FormatWrittenAs(row.Layout) == format);
    }
    EXPECT_EQ(FormatNamed("BC5"), nullptr);
    EXPECT_EQ(FormatWrittenAs(DdsPixelFormat::Bc5), std::nullopt);
}
