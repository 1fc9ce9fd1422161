#include "catalogue/BlendEngine.h"
#include "imaging/DdsFormat.h"
#include "imaging/ImageLibrary.h"
#include "imaging/ImagingTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <squish.h>

#include <cstring>

namespace fs = std::filesystem;

namespace {

constexpr const char* SetPath = "Textures\\Actors\\Character";

class SaveTexture : public ::testing::Test {
protected:
    void SetUp() override {
        InitialiseImageLibrary();
        auto set = std::make_unique<TextureSet>("Head", SetPath);
        set->AddChannel("Dxt1", "Color", "face", "dds", 0, 0);
        set->AddChannel("Dxt5", "Color", "face", "dds", 0, FlagHasAlpha);
        set->AddChannel("Rgb", "Color", "face", "dds", 0, FlagUncompressed);
        set->AddChannel("Rgba", "Color", "face", "dds", 0, FlagUncompressed | FlagHasAlpha);
        set->AddChannel("Png", "Color", "face", "png", 0, FlagUncompressed | FlagHasAlpha);
        set->AddChannel("Unwritable", "Color", "face", "xyz", 0, FlagUncompressed);
        Engine.TextureSets.push_back(std::move(set));
        Out = Folder.Path().string() + "\\";
    }

    void SetFinal(const Picture& picture) {
        Engine.Images["Final"] = CreateImage();
        SetBoundImagePixels(picture.Width, picture.Height, picture.Pixels.data());
    }

    bool Save(const std::string& subSet) {
        return Engine.SaveTexture("Final", Out, "Head", "Color", subSet);
    }

    std::string Written(const std::string& subSet, const std::string& extension = "dds") {
        return Folder / ("Textures/Actors/Character/" + subSet + "/face." + extension);
    }

    // The file as this program reads it back.
    Picture ReadBack(const std::string& path) {
        BlendEngine reader;
        EXPECT_NE(reader.LoadTexture("Back", path, true), 0u) << path;
        ilBindImage(reader.Images["Back"]);
        return BoundPicture();
    }

    static DDS_HEADER Header(const std::string& path) {
        const std::vector<std::uint8_t> file = ReadBytes(path);
        DDS_HEADER header{};
        if (file.size() >= DDS_FILE_HEADER_SIZE) {
            std::memcpy(&header, file.data() + 4, sizeof header);
        }
        return header;
    }

    TempFolder Folder;
    BlendEngine Engine;
    std::string Out;
};

struct FormatCase {
    const char* SubSet;
    std::uint32_t FourCC;   // 0: uncompressed
    std::uint32_t BitCount; // uncompressed only
    int SquishFlags;        // the reference encoding; 0: the file must be exact
    int AlphaTolerance;     // -1: the file has no alpha, it reads back opaque
};

// PSNR of libsquish's cluster fit on the same picture (DXT1 given opaque pixels).
double ReferencePsnr(const Picture& picture, int flags) {
    Picture source = picture;
    if (flags & squish::kDxt1) {
        for (std::size_t i = 3; i < source.Pixels.size(); i += 4) {
            source.Pixels[i] = 255;
        }
    }
    std::vector<std::uint8_t> blocks(
        squish::GetStorageRequirements(picture.Width, picture.Height, flags));
    squish::CompressImage(source.Pixels.data(), picture.Width, picture.Height, blocks.data(),
                          flags | squish::kColourClusterFit);
    Picture decoded = picture;
    squish::DecompressImage(decoded.Pixels.data(), picture.Width, picture.Height, blocks.data(),
                            flags);
    return Psnr(decoded, picture, 3);
}

TEST_F(SaveTexture, DecisionTableFormatsAndRoundTrip) {
    const FormatCase cases[] = {
        {"Dxt1", FOURCC_DXT1, 0, squish::kDxt1, -1},
        {"Dxt5", FOURCC_DXT5, 0, squish::kDxt5, 4},
        {"Rgb", 0, 24, 0, -1},
        {"Rgba", 0, 32, 0, 0},
    };
    const Picture picture = Photo(37, 21); // neither edge a multiple of 4
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.SubSet);
        SetFinal(picture);
        ASSERT_TRUE(Save(c.SubSet));
        const DDS_HEADER header = Header(Written(c.SubSet));
        EXPECT_EQ(header.dwWidth, 37u);
        EXPECT_EQ(header.dwHeight, 21u);
        EXPECT_EQ(header.dwMipMapCount, 0u);
        if (c.FourCC != 0) {
            EXPECT_EQ(header.ddspf.dwFlags, DDPF_FOURCC);
            EXPECT_EQ(header.ddspf.dwFourCC, c.FourCC);
        } else {
            EXPECT_EQ(header.ddspf.dwFlags & DDPF_RGB, DDPF_RGB);
            EXPECT_EQ(header.ddspf.dwRGBBitCount, c.BitCount);
        }
        const Picture back = ReadBack(Written(c.SubSet));
        ASSERT_EQ(back.Width, 37);
        ASSERT_EQ(back.Height, 21);
        if (c.SquishFlags != 0) {
            EXPECT_GE(Psnr(back, picture, 3), ReferencePsnr(picture, c.SquishFlags) - 0.05);
            EXPECT_GE(Psnr(back, picture, 3), 20.0); // a sanity floor for this busy picture
        } else {
            EXPECT_EQ(MaxDifference(back, picture, 3), 0);
        }
        if (c.AlphaTolerance < 0) {
            for (std::size_t i = 3; i < back.Pixels.size(); i += 4) {
                ASSERT_EQ(back.Pixels[i], 255);
            }
        } else {
            Picture alphaOnly = back;
            for (std::size_t i = 0; i < back.Pixels.size(); ++i) {
                if (i % 4 != 3) {
                    alphaOnly.Pixels[i] = picture.Pixels[i];
                }
            }
            EXPECT_LE(MaxDifference(alphaOnly, picture, 4), c.AlphaTolerance);
        }
    }
}

TEST_F(SaveTexture, Dxt1IsOpaqueSoTransparentPixelsKeepTheirColour) {
    SetFinal(Uniform(8, 8, 200, 120, 40, 0));
    ASSERT_TRUE(Save("Dxt1"));
    const Picture back = ReadBack(Written("Dxt1"));
    const std::uint8_t* pixel = back.At(3, 3);
    EXPECT_NEAR(pixel[0], 200, 4);
    EXPECT_NEAR(pixel[1], 120, 4);
    EXPECT_NEAR(pixel[2], 40, 4);
}

TEST_F(SaveTexture, EachSaveSetsItsOwnFormatButRgbConvertsTheSlot) {
    SetFinal(Photo(16, 16));
    ASSERT_TRUE(Save("Dxt5"));
    ASSERT_TRUE(Save("Dxt1"));
    EXPECT_EQ(Header(Written("Dxt5")).ddspf.dwFourCC, FOURCC_DXT5);
    EXPECT_EQ(Header(Written("Dxt1")).ddspf.dwFourCC, FOURCC_DXT1);

    ASSERT_TRUE(Save("Rgb"));
    ASSERT_TRUE(Save("Rgba"));
    EXPECT_EQ(Header(Written("Rgb")).ddspf.dwRGBBitCount, 24u);
    EXPECT_EQ(Header(Written("Rgba")).ddspf.dwRGBBitCount, 24u) << "the slot lost its alpha";
    ilBindImage(Engine.Images["Final"]);
    EXPECT_EQ(ilGetInteger(IL_IMAGE_FORMAT), IL_RGB);
}

TEST_F(SaveTexture, FoldersAreCreatedOrReusedAndFilesOverwritten) {
    // The chain exists only in other letter case: it is reused, not duplicated.
    fs::create_directories(Folder.Path() / "textures" / "actors");
    SetFinal(Uniform(4, 4, 1, 2, 3, 4));
    ASSERT_TRUE(Save("Rgba"));
    const std::string written = Folder / "textures/actors/Character/Rgba/face.dds";
    ASSERT_TRUE(fs::exists(written));
    EXPECT_FALSE(fs::exists(Folder.Path() / "Textures"));

    SetFinal(Uniform(8, 4, 5, 6, 7, 8));
    ASSERT_TRUE(Save("Rgba"));
    EXPECT_EQ(Header(written).dwWidth, 8u);
    EXPECT_EQ(fs::directory_entry(written).path().parent_path(), fs::path(written).parent_path());
    int files = 0;
    for ([[maybe_unused]] const auto& entry :
         fs::directory_iterator(fs::path(written).parent_path())) {
        ++files;
    }
    EXPECT_EQ(files, 1) << "no temporary file is left";
}

TEST_F(SaveTexture, OtherExtensionsUseTheLibraryWriters) {
    const Picture picture = Photo(9, 7);
    SetFinal(picture);
    ASSERT_TRUE(Save("Png"));
    EXPECT_EQ(MaxDifference(ReadBack(Written("Png", "png")), picture, 4), 0);
}

TEST_F(SaveTexture, AFailedSaveLeavesTheOldFileIntact) {
    const std::string target = Written("Unwritable", "xyz");
    WriteTextFile(target, "the modder's texture");
    SetFinal(Photo(8, 8));
    EXPECT_FALSE(Save("Unwritable")); // DevIL has no writer for this extension
    EXPECT_EQ(ReadTextFile(target), "the modder's texture");
    int files = 0;
    for ([[maybe_unused]] const auto& entry :
         fs::directory_iterator(fs::path(target).parent_path())) {
        ++files;
    }
    EXPECT_EQ(files, 1) << "no temporary file is left";
}

TEST_F(SaveTexture, NothingIsWrittenWithoutASetOrASlot) {
    SetFinal(Uniform(4, 4, 1, 2, 3, 4));
    EXPECT_FALSE(Engine.SaveTexture("Final", Out, "head", "Color", "Rgba"));
    EXPECT_FALSE(Engine.SaveTexture("Source", Out, "Head", "Color", "Rgba"));
    EXPECT_TRUE(fs::is_empty(Folder.Path()));
    // A pair the set does not declare names no file.
    EXPECT_FALSE(Engine.SaveTexture("Final", Out, "Head", "Normal", "Rgba"));
}

// Lower-left storage must still be written the right way up.
Picture BottomUpFinal(BlendEngine& engine, const TempFolder& folder, const Picture& picture) {
    WriteWithDevil(folder / "final.tga", picture, IL_RGBA, IL_ORIGIN_LOWER_LEFT);
    engine.LoadTexture("Final", folder / "final.tga", true);
    ilBindImage(engine.Images["Final"]);
    EXPECT_EQ(ilGetInteger(IL_IMAGE_ORIGIN), IL_ORIGIN_LOWER_LEFT);
    return picture;
}

TEST_F(SaveTexture, WrittenFilesOpenInImageMagickAndPillowRightWayUp) {
    if (!ToolExists("identify") || !ToolExists("/usr/bin/python3")) {
        GTEST_SKIP() << "ImageMagick or Python missing";
    }
    const Picture picture = BottomUpFinal(Engine, Folder, Photo(37, 21));
    const std::pair<const char*, const char*> cases[] = {
        {"Dxt1", "DXT1"}, {"Dxt5", "DXT5"}, {"Rgb", "None"}, {"Rgba", "None"}};
    for (const auto& [subSet, compression] : cases) {
        SCOPED_TRACE(subSet);
        ASSERT_TRUE(Save(subSet));
        bool ok = false;
        const std::string magick = RunCommand(
            "identify -format '%w %h %[compression]' '" + Written(subSet) + "' 2>&1", ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(magick, std::string("37 21 ") + compression);

        // Pillow's size, mode and top-left pixel: a bottom-up file would show the last row.
        const std::string pillow = RunCommand("/usr/bin/python3 -c \"import sys; from PIL import "
                                              "Image; im = Image.open(sys.argv[1]); "
                                              "im.load(); print(im.size[0], im.size[1], im.mode, "
                                              "*im.convert('RGB').getpixel((0, 0)))\" '" +
                                                  Written(subSet) + "' 2>&1",
                                              ok);
        EXPECT_TRUE(ok) << pillow;
        int width = 0, height = 0, r = 0, g = 0, b = 0;
        char mode[8] = {};
        ASSERT_EQ(
            std::sscanf(pillow.c_str(), "%d %d %7s %d %d %d", &width, &height, mode, &r, &g, &b), 6)
            << pillow;
        EXPECT_EQ(width, 37);
        EXPECT_EQ(height, 21);
        EXPECT_NEAR(r, picture.At(0, 0)[0], 12);
        EXPECT_NEAR(g, picture.At(0, 0)[1], 12);
        EXPECT_NEAR(b, picture.At(0, 0)[2], 12);
    }
}

} // namespace
