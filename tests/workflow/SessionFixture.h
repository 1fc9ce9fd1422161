// The fixture of the slot, save and mip chain tests: a session in a folder of its own, with one set
// whose channels cover every output format; loading files into slots, saving "Final"; a picture
// of smooth ramps (RGBA8, rows top-down), and what the DDS cases expect of each save.
#pragma once

#include "support/TestSupport.h"
#include "workflow/BlendSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace quillon {

// Smooth ramps: green grows downwards, so a picture upside down shows; alpha runs from 0 to 255.
inline RgbaImage Ramps(int width, int height) {
    RgbaImage image(width, height);
    for (std::size_t i = 0; i < image.Pixels.size(); ++i) {
        const int x = static_cast<int>(i / 4) % width, y = static_cast<int>(i / 4) / width;
        const int values[] = {40 + 160 * x / width, 240 * y / height, 200 - 2 * (x + y),
                              255 * (x + y) / (width + height - 2)};
        image.Pixels[i] = static_cast<std::uint8_t>(values[i % 4]);
    }
    return image;
}

// The largest difference between two images in channels first to last - 1.
inline int Worst(const RgbaImage& a, const RgbaImage& b, std::size_t first, std::size_t last) {
    int worst = a.Pixels.size() == b.Pixels.size() ? 0 : 256;
    for (std::size_t i = 0; i < a.Pixels.size() && i < b.Pixels.size(); ++i) {
        if (i % 4 >= first && i % 4 < last) {
            worst = std::max(worst, std::abs(a.Pixels[i] - b.Pixels[i]));
        }
    }
    return worst;
}

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        Session.Engine = std::make_unique<BlendEngine>();
        auto set = std::make_unique<TextureSet>("Head", "Textures\\Actors\\Character");
        set->AddChannel("Dxt1", "Color", "face", "dds", 0, 0);
        set->AddChannel("Dxt5", "Color", "face", "dds", 0, FlagHasAlpha);
        set->AddChannel("Rgb", "Color", "face", "dds", 0, FlagUncompressed);
        set->AddChannel("Rgba", "Color", "face", "dds", 0, FlagUncompressed | FlagHasAlpha);
        set->AddChannel("Png", "Color", "face", "png", 0, FlagUncompressed | FlagHasAlpha);
        set->AddChannel("Xyz", "Color", "face", "xyz", 0, FlagUncompressed);
        set->AddChannel("Bc7", "Color", "face", "dds", 0, 0, "BC7");
        Session.Engine->TextureSets.push_back(std::move(set));
        // The start of the chain exists in other letter case: it is reused, the rest is made.
        std::filesystem::create_directories(Folder.Path() / "textures/actors");
    }

    // Slots: a file of the given bytes loaded under a key, and what a slot holds.
    bool Load(const std::string& key, const std::string& name, const std::string& bytes) {
        WriteTextFile(Folder / name, bytes);
        return Session.LoadTexture(key, Folder / name, true);
    }
    RgbaImage Slot(const std::string& key) { return Session.Images.at(key); }
    bool Composite(int size) { return Session.CompositeTextures("Source", "Mod", "Final", size); }

    // Saves of "Final" to a sub set of the set, and the file a save writes.
    void SetFinal(const RgbaImage& picture) { Session.Images["Final"] = picture; }
    bool Save(const std::string& subSet, const std::string& setName = "Head") {
        return Session.SaveTexture("Final", Folder.Path().string() + "\\", setName, "Color",
                                   subSet);
    }
    std::string Written(const std::string& subSet, const std::string& extension = "dds") {
        const std::string name =
            Session.Engine->TextureSets[0]->Channels["Color-" + subSet].FileName;
        return Folder / ("textures/actors/Character/" + subSet + "/" + name + "." + extension);
    }

    TempFolder Folder;
    BlendSession Session;
};

class ImageSlots : public SessionTest {};
class SaveTexture : public SessionTest {};

// One slot saved again and again: each save sets its own format, but "RGB" drops the slot's
// own alpha, which the later RGBA save inherits. The second RGBA save overwrites the first.
struct SaveCase {
    const char* SubSet;
    std::string Compression, Mode;       // as ImageMagick and Pillow see the file
    int ColourTolerance, AlphaTolerance; // -1: opaque, so DXT1 turns no pixel black
};
inline const SaveCase SaveCases[] = {{"Rgba", "None", "RGBA", 0, 0},
                                     {"Dxt5", "DXT5", "RGBA", 12, 4},
                                     {"Dxt1", "DXT1", "RGBA", 12, -1},
                                     {"Rgb", "None", "RGB", 0, -1},
                                     {"Rgba", "None", "RGB", 0, -1}};

} // namespace quillon
