// The workflow tests whose oracles are ImageMagick's identify and Pillow (/usr/bin/python3), Linux
// programs: built for Linux only. They open the files the saves write.
#include "imaging/DdsReader.h"
#include "imaging/PillowDecoder.h"
#include "support/ProcessRunner.h"
#include "workflow/SessionFixture.h"
#include "workflow/TestWorkspace.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

using namespace quillon;

namespace fs = std::filesystem;

TEST_F(SaveTexture, OtherReadersSeeTheDeclaredFormats) {
    const RgbaImage picture = Ramps(37, 21);
    SetFinal(picture);
    std::vector<std::string> files;
    std::string identified;
    for (const SaveCase& c : SaveCases) {
        ASSERT_TRUE(Save(c.SubSet)) << c.SubSet;
        EXPECT_NE(DescribeDds(Written(c.SubSet)).find(" 6 levels"), std::string::npos)
            << "with its chain, as nothing is installed";
        files.push_back(Folder / (std::to_string(files.size()) + ".dds"));
        fs::copy_file(Written(c.SubSet), files.back());
        identified += "37 21 " + c.Compression + "\n";
    }

    std::vector<std::string> arguments = {"-format", "%w %h %[compression]\n"};
    arguments.insert(arguments.end(), files.begin(), files.end());
    const ProcessResult magick = RunProcess("/usr/bin/identify", arguments, Folder / "");
    EXPECT_EQ(magick.StandardOutput, identified) << magick.StandardError;
    arguments = {"-c",
                 "import sys\nfrom PIL import Image\nfor name in sys.argv[1:]:\n"
                 "    image = Image.open(name)\n"
                 "    print(*image.size, image.mode, *image.convert('RGB').getpixel((0, 0)))"};
    arguments.insert(arguments.end(), files.begin(), files.end());
    const ProcessResult pillow = RunProcess("/usr/bin/python3", arguments, Folder / "");
    std::istringstream lines(pillow.StandardOutput);
    for (const SaveCase& c : SaveCases) {
        int width = 0, height = 0, r = 0, g = 0, b = 0;
        std::string mode;
        ASSERT_TRUE(lines >> width >> height >> mode >> r >> g >> b) << pillow.StandardError;
        EXPECT_EQ(std::make_tuple(width, height, mode), std::make_tuple(37, 21, c.Mode));
        // The top row first, colours in their places.
        const std::uint8_t* top = picture.At(0, 0);
        EXPECT_LE(std::max({std::abs(r - top[0]), std::abs(g - top[1]), std::abs(b - top[2])}), 12)
            << c.SubSet;
    }
}

// Pillow reads the BC7 files the saves write, with or without a chain, as our decoder does.
TEST_F(SaveTexture, Bc7ReadsTheSameInPillow) {
    std::vector<std::vector<std::uint8_t>> files;
    for (const char* mode : {"none", "full"}) {
        Session.Config.Set("MipMaps", mode);
        SetFinal(Ramps(37, 21));
        ASSERT_TRUE(Save("Bc7")) << mode;
        const std::string bytes = ReadTextFile(Written("Bc7"));
        files.emplace_back(bytes.begin(), bytes.end());
    }
    const auto pillow = DecodeWithPillow(files);
    for (std::size_t i = 0; i < files.size(); ++i) {
        RgbaImage ours;
        ASSERT_TRUE(DecodeDds(files[i].data(), files[i].size(), true, ours));
        EXPECT_TRUE(pillow[i] == ours.Pixels) << "Pillow reads file " << i << " differently";
    }
}
