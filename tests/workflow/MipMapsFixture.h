// The mip chain tests' fixture: a session with one set whose channels cover the DDS formats,
// saving pictures (RGBA8, rows top-down) made here, and reading back every level of a file.
#pragma once

#include "imaging/DdsFormat.h"
#include "imaging/ImageFile.h"
#include "support/TestSupport.h"
#include "workflow/BlendSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace quillon {

// Every level of a DDS this tool wrote, each read by the tool's reader from a file of its own;
// empty when the header's level count does not match the data's length exactly.
inline std::vector<RgbaImage> Levels(const std::string& file, const TempFolder& scratch) {
    DDS_HEADER header;
    std::memcpy(&header, file.data() + 4, sizeof header);
    const bool dxt = header.ddspf.dwFlags & DDPF_FOURCC;
    const std::size_t blockBytes = header.ddspf.dwFourCC == FOURCC_DXT1 ? 8 : 16;
    const std::size_t pixelBytes = header.ddspf.dwRGBBitCount / 8;
    const int count =
        (header.dwFlags & DDSD_MIPMAPCOUNT) ? static_cast<int>(header.dwMipMapCount) : 1;
    std::vector<RgbaImage> levels;
    std::size_t offset = DDS_FILE_HEADER_SIZE;
    int width = static_cast<int>(header.dwWidth), height = static_cast<int>(header.dwHeight);
    for (int level = 0; level < count; ++level) {
        const std::size_t bytes = dxt ? ((width + 3) / 4) * ((height + 3) / 4) * blockBytes
                                      : static_cast<std::size_t>(width) * height * pixelBytes;
        if (offset + bytes > file.size()) {
            return {};
        }
        DDS_HEADER one = header;
        one.dwWidth = static_cast<std::uint32_t>(width);
        one.dwHeight = static_cast<std::uint32_t>(height);
        one.dwFlags &= ~DDSD_MIPMAPCOUNT;
        one.dwMipMapCount = 0;
        std::string single = file.substr(0, 4);
        single.append(reinterpret_cast<const char*>(&one), sizeof one);
        single += file.substr(offset, bytes);
        WriteTextFile(scratch / "level.dds", single);
        levels.emplace_back();
        if (!ReadImageFile(scratch / "level.dds", true, levels.back())) {
            return {};
        }
        offset += bytes;
        width = std::max(1, width / 2);
        height = std::max(1, height / 2);
    }
    return offset == file.size() ? levels : std::vector<RgbaImage>();
}

// A field of tilted unit normals, or smooth colour with fine detail and a soft alpha.
inline RgbaImage Picture(int width, int height, bool normals) {
    RgbaImage image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = image.At(x, y);
            if (normals) {
                const double u = std::sin(x * 0.4) * 0.5, v = std::cos(y * 0.3) * 0.5;
                const double n = std::sqrt(u * u + v * v + 1);
                p[0] = static_cast<std::uint8_t>(std::lround((u / n + 1) * 127.5));
                p[1] = static_cast<std::uint8_t>(std::lround((v / n + 1) * 127.5));
                p[2] = static_cast<std::uint8_t>(std::lround((1 / n + 1) * 127.5));
            } else {
                p[0] = static_cast<std::uint8_t>(40 + 3 * x + ((x + y) % 2) * 30);
                p[1] = static_cast<std::uint8_t>(200 - 2 * y);
                p[2] = static_cast<std::uint8_t>((x * y) % 256);
            }
            p[3] = static_cast<std::uint8_t>(255 * x / (width - 1));
        }
    }
    return image;
}

class MipMaps : public ::testing::Test {
protected:
    void SetUp() override {
        Session.Engine = std::make_unique<BlendEngine>();
        auto set = std::make_unique<TextureSet>("Head", "t");
        set->AddChannel("Dxt1", "Color", "face", "dds", 0, 0);
        set->AddChannel("Dxt5", "Color", "face_msn", "dds", 0, FlagHasAlpha);
        set->AddChannel("Rgb", "Color", "face", "dds", 0, FlagUncompressed);
        set->AddChannel("Rgba", "Color", "face", "dds", 0, FlagUncompressed | FlagHasAlpha);
        Session.Engine->TextureSets.push_back(std::move(set));
        Session.Config.Set("SkyrimDataPath", Folder.Path().string() + "\\Data\\");
    }
    std::string Save(const std::string& subSet, const RgbaImage& picture) {
        Session.Images[FinalSlot] = picture;
        EXPECT_TRUE(Session.SaveTexture(FinalSlot, Folder.Path().string() + "\\Out\\", "Head",
                                        "Color", subSet));
        const std::string name =
            Session.Engine->TextureSets[0]->Channels["Color-" + subSet].FileName;
        return ReadTextFile(Folder / ("Out/t/" + subSet + "/" + name + ".dds"));
    }
    int LevelCount(const std::string& file) {
        return static_cast<int>(Levels(file, Folder).size());
    }

    TempFolder Folder;
    BlendSession Session;
};

} // namespace quillon
