// Mip chains in written textures: when the save writes them, and what each level holds against a
// downsample computed here. (Whether other readers take the files: OracleTest.cpp.)
#include "imaging/Composite.h"
#include "imaging/DdsFormat.h"
#include "imaging/ImageFile.h"
#include "imaging/ImagingTestSupport.h"
#include "support/TestSupport.h"
#include "workflow/BlendSession.h"
#include "workflow/MipMapsFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>

using namespace quillon;

namespace fs = std::filesystem;

namespace {

double ToLinear(double byte) {
    const double v = byte / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double ToSrgbByte(double linear) {
    const double v =
        linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
    return v * 255.0;
}

// The levels of a power-of-two image, made here: each texel the mean of the 2 x 2 texels above
// it, colour in linear light, normals as vectors made unit again, alpha as stored. Doubles,
// RGBA, in byte units; level 0 is the image itself.
std::vector<std::vector<double>> Downsamples(const RgbaImage& top, bool normals) {
    std::vector<double> level(top.Pixels.size());
    for (std::size_t i = 0; i < level.size(); ++i) {
        const double v = top.Pixels[i];
        level[i] = i % 4 == 3 ? v : normals ? v * 2.0 / 255.0 - 1.0 : ToLinear(v);
    }
    std::vector<std::vector<double>> linear{level};
    for (int width = top.Width, height = top.Height; width > 1 || height > 1;) {
        const int w = std::max(1, width / 2), h = std::max(1, height / 2);
        std::vector<double> next(static_cast<std::size_t>(w) * h * 4);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                double* texel = &next[(static_cast<std::size_t>(y) * w + x) * 4];
                for (int j = 0; j < height / h; ++j) {
                    for (int i = 0; i < width / w; ++i) {
                        const double* above =
                            &linear.back()[(static_cast<std::size_t>(y * height / h + j) * width +
                                            x * width / w + i) *
                                           4];
                        for (int c = 0; c < 4; ++c) {
                            texel[c] += above[c] / ((height / h) * (width / w));
                        }
                    }
                }
                const double length =
                    std::sqrt(texel[0] * texel[0] + texel[1] * texel[1] + texel[2] * texel[2]);
                for (int c = 0; normals && c < 3; ++c) {
                    texel[c] /= length;
                }
            }
        }
        linear.push_back(std::move(next));
        width = w;
        height = h;
    }
    for (std::vector<double>& texels : linear) {
        for (std::size_t i = 0; i < texels.size(); ++i) {
            if (i % 4 != 3) {
                texels[i] = normals ? (texels[i] + 1) * 127.5 : ToSrgbByte(texels[i]);
            }
        }
    }
    return linear;
}

std::string ToString(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

double Psnr(const RgbaImage& image, const std::vector<double>& reference, int channels) {
    double squares = 0;
    for (std::size_t i = 0; i < reference.size(); ++i) {
        if (static_cast<int>(i % 4) < channels) {
            const double d = image.Pixels[i] - reference[i];
            squares += d * d;
        }
    }
    const double count = reference.size() / 4.0 * channels;
    return squares == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * count / squares);
}

} // namespace

// A full chain: every level read back against the downsample made here. Uncompressed levels
// are near it; compressed ones as near as the top level is to its picture; stored exactly,
// normals stay unit vectors. The compressed cases are blends as the head fix makes them.
TEST_F(MipMaps, EveryLevelIsTheDownsampleInTheChannelsFormat) {
    Session.Config.Set("MipMaps", "full");
    // Smooth shading and fine noise, without the seam, whose hard edge fills a larger share of
    // the blocks at every level down and so would set the bar by the picture, not the filter.
    const auto blend = [](SampleKind kind) { return MakeSeamedTexture(kind, 256, 128, 128, 3); };
    auto& channel = Session.Engine->TextureSets[0]->Channels;
    channel["Color-Rgba"].FileName = "face_n"; // a normal map stored without loss
    const std::tuple<const char*, bool, RgbaImage> cases[] = {
        {"Rgba", true, Picture(64, 32, true)},
        {"Rgb", false, Picture(64, 32, false)},
        {"Dxt1", false, blend(SampleKind::Skin)},
        {"Dxt5", true, blend(SampleKind::Normal)},
    };
    for (const auto& [subSet, normals, picture] : cases) {
        SCOPED_TRACE(subSet);
        const std::string file = Save(subSet, picture);
        const std::vector<RgbaImage> levels = Levels(file, Folder);
        ASSERT_EQ(levels.size(),
                  static_cast<std::size_t>(FullMipCount(picture.Width, picture.Height)))
            << "down to 1 x 1, each level stored in full";
        const int channels = std::string(subSet) == "Rgb" ? 3 : 4;
        const bool exact = subSet[0] == 'R';
        const std::vector<std::vector<double>> references = Downsamples(picture, normals);
        const double topPsnr = Psnr(levels[0], Downsamples(picture, false)[0], channels);
        for (int level = 1; level < static_cast<int>(levels.size()); ++level) {
            const std::vector<double>& reference = references[static_cast<std::size_t>(level)];
            const double psnr = Psnr(levels[level], reference, channels);
            const auto Encoded = [&](const std::vector<double>& texels, const std::string& format) {
                RgbaImage image(levels[level].Width, levels[level].Height);
                for (std::size_t i = 0; i < texels.size(); ++i) {
                    image.Pixels[i] = static_cast<std::uint8_t>(std::lround(texels[i]));
                }
                TaskPool one(1);
                WriteTextFile(
                    Folder / "reference.dds",
                    ToString(EncodeDds(
                        image, format == "Dxt1" ? TextureFormat::DXT1 : TextureFormat::DXT5, one)));
                RgbaImage back;
                EXPECT_TRUE(ReadImageFile(Folder / "reference.dds", true, back));
                return Psnr(back, texels, channels);
            };
            // A compressed level is held to the top's quality, or, where the level itself is
            // harder to compress than the top, to what the encoder makes of the downsample.
            const double bar = exact ? 40.0 : std::min(topPsnr, Encoded(reference, subSet)) - 1.0;
            EXPECT_GE(psnr, bar) << "level " << level;
            for (std::size_t i = 0; normals && exact && i < levels[level].Pixels.size(); i += 4) {
                double length = 0;
                for (int c = 0; c < 3; ++c) {
                    const double v = levels[level].Pixels[i + c] * 2.0 / 255.0 - 1.0;
                    length += v * v;
                }
                ASSERT_NEAR(std::sqrt(length), 1.0, 0.02) << "level " << level;
            }
        }
    }
}

// Which files get a chain: "full" and "none" say so; "auto" does what the installed texture at
// the destination's game path does, and gives a chain where there is none.
TEST_F(MipMaps, AutoFollowsTheInstalledTexture) {
    const RgbaImage picture = Picture(16, 16, false);
    const auto install = [&](const std::string& installed) {
        fs::remove_all(Folder.Path() / "Data");
        if (installed != "nothing installed") {
            BlendSession installer; // a mod's installer, not Quillon: no journal names its files
            installer.KeepBackups = false;
            installer.Engine = std::make_unique<BlendEngine>();
            installer.Config.Set("MipMaps", installed == "chain" ? "full" : "none");
            auto set = std::make_unique<TextureSet>("Head", "t");
            set->AddChannel("Dxt1", "Color", "face", "dds", 0, 0);
            installer.Engine->TextureSets.push_back(std::move(set));
            installer.Images[FinalSlot] = Picture(8, 8, false);
            ASSERT_TRUE(installer.SaveTexture(FinalSlot, Folder.Path().string() + "\\Data\\",
                                              "Head", "Color", "Dxt1"));
        }
    };
    const std::tuple<const char*, const char*, int> cases[] = {
        {"", "nothing installed", 5}, {"auto", "one level", 1}, {"auto", "chain", 5},
        {"none", "chain", 1},         {"full", "one level", 5}, {"Full", "one level", 1},
    };
    for (const auto& [mode, installed, levels] : cases) {
        SCOPED_TRACE(std::string(mode) + ", " + installed);
        install(installed);
        if (*mode != '\0') {
            Session.Config.Set("MipMaps", mode);
        }
        EXPECT_EQ(LevelCount(Save("Dxt1", picture)), levels);
    }
}
