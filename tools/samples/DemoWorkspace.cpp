#include "samples/DemoWorkspace.h"

#include "platform/SafeWrite.h"
#include "samples/SampleImages.h"

#include <fstream>
#include <iterator>
#include <string>

namespace quillon {

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

// Installed textures carry full mip chains, as the game's do.
bool WriteDds(const fs::path& path, const RgbaImage& image, const char* compression) {
    fs::create_directories(path.parent_path());
    return WriteDdsTexture(path.string(), image, compression, true);
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

std::string ChannelXml(const Texture& texture, const std::string& fileName, int scale) {
    const std::string compression = texture.Compression;
    return std::string("      <Channel Name=\"") + texture.Channel + "\">\n        <FileName>" +
           fileName + "</FileName>\n        <FileFormat>dds</FileFormat>\n        <Size>" +
           std::to_string(texture.Size * scale) + "</Size>\n" +
           (compression == "RGB" ? "" : "        <CompressTex>1</CompressTex>\n") +
           "        <HasAlpha>" + (compression == "DXT5" ? "1" : "0") + "</HasAlpha>\n" +
           "      </Channel>\n";
}

std::string SetXml(const std::string& name, const std::string& part, const Texture* textures,
                   size_t count, int scale) {
    std::string xml = "<?xml version=\"1.0\" ?>\n<TextureSet Name=\"" + name +
                      "\">\n  <Path>textures\\actors\\character</Path>\n";
    for (const char* subSet : SubSets) {
        xml += std::string("  <SubSet Name=\"") + subSet + "\">\n";
        for (size_t i = 0; i < count; ++i) {
            xml += ChannelXml(textures[i], subSet + part + textures[i].Suffix, scale);
        }
        xml += "  </SubSet>\n";
    }
    return xml + "</TextureSet>\n";
}

} // namespace

bool MakeDemoWorkspace(const fs::path& root, bool headFix, int scale) {
    bool ok =
        WriteText(root / "Config.xml", std::string("<?xml version=\"1.0\" ?>\n<QuillonConfig>\n") +
                                           "  <GameDataPath>Data\\</GameDataPath>\n"
                                           "  <TexOutputPath>Output\\</TexOutputPath>\n"
                                           "  <DefUseInstalledSource>1</DefUseInstalledSource>\n" +
                                           (headFix ? "  <AutoHeadFix>true</AutoHeadFix>\n" : "") +
                                           "</QuillonConfig>\n");
    ok = ok && WriteText(root / "SetDefs/Head.xml",
                         SetXml("Head", "head", HeadTextures, std::size(HeadTextures), scale));
    ok = ok && WriteText(root / "SetDefs/Body.xml",
                         SetXml("Body", "body", BodyTextures, std::size(BodyTextures), scale));

    const fs::path character = root / "Data/textures/actors/character";
    std::uint32_t seed = 1;
    // The neck seam sits low on a head texture; the installed textures show it plainly.
    for (const Texture& texture : HeadTextures) {
        const int edge = texture.Size * scale;
        const int seam = edge * 4 / 5;
        for (const char* subSet : SubSets) {
            ok = ok && WriteDds(character / subSet /
                                    (std::string(subSet) + "head" + texture.Suffix + ".dds"),
                                MakeSeamedTexture(texture.Kind, edge, edge, seam, seed++),
                                texture.Compression);
        }
    }
    const fs::path library = root / "Library/Head";
    const int large = 1024 * scale, small = 512 * scale;
    const int colourSeam = large * 4 / 5, specularSeam = small * 4 / 5;
    ok = ok && WriteMod(library / "Color/KORAv3_HeadNeckBlendColor.psd",
                        MakeSeamMod(SampleKind::Skin, large, large, colourSeam, 160 * scale));
    ok = ok && WriteMod(library / "Normal/KORAv3_HeadNeckBlend.psd",
                        MakeSeamMod(SampleKind::Normal, large, large, colourSeam, 160 * scale));
    ok = ok && WriteMod(library / "Specular/VelloranHeadSpecBlend.psd",
                        MakeSeamMod(SampleKind::Specular, small, small, specularSeam, 80 * scale));
    ok = ok && WriteDds(root / "Source/Head/Color/SunKissed.dds",
                        MakeSeamedTexture(SampleKind::Skin, large, large, colourSeam, 99), "DXT1");

    // A second set, so the window has more to offer than the head.
    for (const Texture& texture : BodyTextures) {
        const int edge = texture.Size * scale;
        for (const char* subSet : SubSets) {
            ok = ok && WriteDds(character / subSet /
                                    (std::string(subSet) + "body" + texture.Suffix + ".dds"),
                                MakeSeamedTexture(texture.Kind, edge, edge, edge / 3, seed++),
                                texture.Compression);
        }
    }
    ok = ok && WriteMod(root / "Library/Body/Diffuse/Birthmark.psd",
                        MakeDecal(small, small, 0x8a5a44, 3));
    ok = ok && WriteMod(root / "Library/Body/Diffuse/Tattoos/Woad.psd",
                        MakeDecal(small, small, 0x2f4f8f, 5));
    ok = ok && WriteMod(root / "Library/Body/Normal/WaistSeam.psd",
                        MakeSeamMod(SampleKind::Normal, small, small, small / 3, 80 * scale));
    ok = ok && WriteDds(root / "Source/Body/Diffuse/Pale.dds",
                        MakeSeamedTexture(SampleKind::Skin, small, small, small / 3, 42), "DXT1");
    return ok;
}

} // namespace quillon
