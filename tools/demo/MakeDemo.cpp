// Makes a small workspace in which Quillon runs end to end without the game: Config.xml, set
// definitions, a game Data folder with installed textures, and Library and Source folders with
// modifications and alternative sources. Everything is synthetic and made here.
//
//     quillon-demo <folder> [--head-fix]
//
// With --head-fix the configuration starts the headless head/neck seam fix.
#include "platform/SafeWrite.h"
#include "samples/SampleImages.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

using namespace quillon;

namespace fs = std::filesystem;

namespace {

bool WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    return WriteFileSafely(path.string(), [&](const std::string& temp) {
        std::ofstream out(temp, std::ios::binary);
        out << text;
        return static_cast<bool>(out.flush());
    });
}

bool WriteDds(const fs::path& path, const RgbaImage& image, const char* compression) {
    fs::create_directories(path.parent_path());
    return WriteDdsTexture(path.string(), image, compression);
}

bool WriteMod(const fs::path& path, const RgbaImage& image) {
    fs::create_directories(path.parent_path());
    return WritePsd(path.string(), image);
}

struct Texture {
    const char* Channel;
    const char* Suffix;
    const char* Compression;
    int Size;
    SampleKind Kind;
};

// The head textures as the game has them: colour DXT1 1024, normal map DXT5 1024, specular
// uncompressed 512.
const Texture HeadTextures[] = {
    {"Color", "", "DXT1", 1024, SampleKind::Skin},
    {"Normal", "_msn", "DXT5", 1024, SampleKind::Normal},
    {"Specular", "_s", "RGB", 512, SampleKind::Specular},
};
const Texture BodyTextures[] = {
    {"Diffuse", "_1", "DXT1", 512, SampleKind::Skin},
    {"Normal", "_1_msn", "DXT5", 512, SampleKind::Normal},
};
const char* const SubSets[] = {"female", "male"};

std::string ChannelXml(const Texture& texture, const std::string& fileName) {
    const std::string compression = texture.Compression;
    return std::string("      <Channel Name=\"") + texture.Channel + "\">\n        <FileName>" +
           fileName + "</FileName>\n        <FileFormat>dds</FileFormat>\n        <Size>" +
           std::to_string(texture.Size) + "</Size>\n" +
           (compression == "RGB" ? "" : "        <CompressTex>1</CompressTex>\n") +
           "        <HasAlpha>" + (compression == "DXT5" ? "1" : "0") + "</HasAlpha>\n" +
           "      </Channel>\n";
}

std::string SetXml(const std::string& name, const std::string& part, const Texture* textures,
                   size_t count) {
    std::string xml = "<?xml version=\"1.0\" ?>\n<TextureSet Name=\"" + name +
                      "\">\n  <Path>textures\\actors\\character</Path>\n";
    for (const char* subSet : SubSets) {
        xml += std::string("  <SubSet Name=\"") + subSet + "\">\n";
        for (size_t i = 0; i < count; ++i) {
            xml += ChannelXml(textures[i], subSet + part + textures[i].Suffix);
        }
        xml += "  </SubSet>\n";
    }
    return xml + "</TextureSet>\n";
}

bool MakeWorkspace(const fs::path& root, bool headFix) {
    bool ok =
        WriteText(root / "Config.xml", std::string("<?xml version=\"1.0\" ?>\n<QuillonConfig>\n") +
                                           "  <GameDataPath>Data\\</GameDataPath>\n"
                                           "  <TexOutputPath>Output\\</TexOutputPath>\n"
                                           "  <DefUseInstalledSource>1</DefUseInstalledSource>\n" +
                                           (headFix ? "  <AutoHeadFix>true</AutoHeadFix>\n" : "") +
                                           "</QuillonConfig>\n");
    ok = ok && WriteText(root / "SetDefs/Head.xml",
                         SetXml("Head", "head", HeadTextures, std::size(HeadTextures)));
    ok = ok && WriteText(root / "SetDefs/Body.xml",
                         SetXml("Body", "body", BodyTextures, std::size(BodyTextures)));

    const fs::path character = root / "Data/textures/actors/character";
    std::uint32_t seed = 1;
    // The neck seam sits low on a head texture; the installed textures show it plainly.
    for (const Texture& texture : HeadTextures) {
        const int seam = texture.Size * 4 / 5;
        for (const char* subSet : SubSets) {
            ok = ok &&
                 WriteDds(character / subSet /
                              (std::string(subSet) + "head" + texture.Suffix + ".dds"),
                          MakeSeamedTexture(texture.Kind, texture.Size, texture.Size, seam, seed++),
                          texture.Compression);
        }
    }
    const fs::path library = root / "Library/Head";
    const int colourSeam = 1024 * 4 / 5, specularSeam = 512 * 4 / 5;
    ok = ok && WriteMod(library / "Color/KORAv3_HeadNeckBlendColor.psd",
                        MakeSeamMod(SampleKind::Skin, 1024, 1024, colourSeam, 160));
    ok = ok && WriteMod(library / "Normal/KORAv3_HeadNeckBlend.psd",
                        MakeSeamMod(SampleKind::Normal, 1024, 1024, colourSeam, 160));
    ok = ok && WriteMod(library / "Specular/VelloranHeadSpecBlend.psd",
                        MakeSeamMod(SampleKind::Specular, 512, 512, specularSeam, 80));
    ok = ok && WriteDds(root / "Source/Head/Color/SunKissed.dds",
                        MakeSeamedTexture(SampleKind::Skin, 1024, 1024, colourSeam, 99), "DXT1");

    // A second set, so the window has more to offer than the head.
    for (const Texture& texture : BodyTextures) {
        for (const char* subSet : SubSets) {
            ok = ok && WriteDds(character / subSet /
                                    (std::string(subSet) + "body" + texture.Suffix + ".dds"),
                                MakeSeamedTexture(texture.Kind, texture.Size, texture.Size,
                                                  texture.Size / 3, seed++),
                                texture.Compression);
        }
    }
    ok = ok &&
         WriteMod(root / "Library/Body/Diffuse/Birthmark.psd", MakeDecal(512, 512, 0x8a5a44, 3));
    ok = ok &&
         WriteMod(root / "Library/Body/Diffuse/Tattoos/Woad.psd", MakeDecal(512, 512, 0x2f4f8f, 5));
    ok = ok && WriteMod(root / "Library/Body/Normal/WaistSeam.psd",
                        MakeSeamMod(SampleKind::Normal, 512, 512, 512 / 3, 80));
    ok = ok && WriteDds(root / "Source/Body/Diffuse/Pale.dds",
                        MakeSeamedTexture(SampleKind::Skin, 512, 512, 512 / 3, 42), "DXT1");
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || (argc == 3 && std::string(argv[2]) != "--head-fix")) {
        std::cerr << "usage: quillon-demo <folder> [--head-fix]" << std::endl;
        return 2;
    }
    std::error_code error;
    fs::create_directories(argv[1], error);
    if (!MakeWorkspace(argv[1], argc == 3)) {
        std::cerr << "quillon-demo: could not write the workspace in " << argv[1] << std::endl;
        return 1;
    }
    std::cout << "Demo workspace ready in " << argv[1] << std::endl;
    return 0;
}
