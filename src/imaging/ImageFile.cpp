#include "imaging/ImageFile.h"

#include "imaging/BmpReader.h"
#include "imaging/DdsFormat.h"
#include "imaging/DdsReader.h"
#include "imaging/PsdReader.h"
#include "imaging/StbImage.h"
#include "platform/Paths.h"
#include "platform/ReadFile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <optional>

namespace quillon {

namespace {

// Larger files cannot hold a texture within the edge limit, mip levels included.
constexpr std::uint64_t MaxFileSize = std::uint64_t(2) << 30;

// What a compressed file may decode to: 4096 times its size (more than deflate, JPEG or
// run-length coding reach on real images), and never less than this, so small images of any
// coding pass.
constexpr std::uint64_t MaxExpansion = 4096;
constexpr std::uint64_t AlwaysAllowedBytes = std::uint64_t(64) << 20;

enum class FileType { Unknown, Dds, Psd, Png, Tga, Bmp, Jpeg, Gif, Hdr, Pnm, Unsupported };

struct Known {
    const char* Extension;
    FileType Type;
};
// Extensions of other image types make the read fail rather than guess, as the image library
// this replaces did.
constexpr Known KnownExtensions[] = {
    {"DDS", FileType::Dds},         {"PSD", FileType::Psd},         {"PSB", FileType::Psd},
    {"PNG", FileType::Png},         {"TGA", FileType::Tga},         {"VDA", FileType::Tga},
    {"ICB", FileType::Tga},         {"VST", FileType::Tga},         {"BMP", FileType::Bmp},
    {"DIB", FileType::Bmp},         {"JPG", FileType::Jpeg},        {"JPEG", FileType::Jpeg},
    {"JPE", FileType::Jpeg},        {"JFIF", FileType::Jpeg},       {"GIF", FileType::Gif},
    {"HDR", FileType::Hdr},         {"PNM", FileType::Pnm},         {"PPM", FileType::Pnm},
    {"PGM", FileType::Pnm},         {"TIF", FileType::Unsupported}, {"TIFF", FileType::Unsupported},
    {"PCX", FileType::Unsupported}, {"SGI", FileType::Unsupported}, {"ICO", FileType::Unsupported},
};

// The extension of a file name or path, upper-cased; empty when it has none.
std::string ExtensionOf(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    return ToUpperAscii(path.substr(dot + 1));
}

// The type an extension names.
FileType TypeFromExtension(const std::string& path) {
    const std::string ext = ExtensionOf(path);
    for (const Known& k : KnownExtensions) {
        if (ext == k.Extension) {
            return k.Type;
        }
    }
    return FileType::Unknown;
}

Problem Unsupported(const std::string& name) {
    return {"." + ExtensionOf(name) + " files are not read", std::nullopt};
}

FileType TypeFromContent(std::span<const std::uint8_t> file) {
    if (file.size() >= 4 && std::memcmp(file.data(), "DDS ", 4) == 0) {
        return FileType::Dds;
    }
    if (file.size() >= 4 && std::memcmp(file.data(), "8BPS", 4) == 0) {
        return FileType::Psd;
    }
    if (file.size() >= 2 && file[0] == 'B' && file[1] == 'M') {
        return FileType::Bmp;
    }
    return FileType::Png; // stb_image tells the rest apart by their content
}

Outcome DecodePhotoshop(std::span<const std::uint8_t> file, RgbaImage& image) {
    RgbaImage decoded;
    if (const Outcome read = DecodePsd(file.data(), file.size(), decoded); !read) {
        return read;
    }
    decoded.HasAlpha = true; // Photoshop files are read as RGBA, alpha channel or not
    image = std::move(decoded);
    return {};
}

// BMP files through our reader where stb_image refuses them; everything else through stb_image.
Outcome DecodeOther(std::span<const std::uint8_t> file, FileType type, RgbaImage& image) {
    if (type == FileType::Bmp) {
        if (const std::optional<BmpHeader> header = ReadBmpHeader(file)) {
            const int height = std::abs(header->Height);
            if (const Outcome fits = CheckDeclaredSize(header->Width, height, file.size()); !fits) {
                return fits;
            }
            return DecodeBmp(file, *header, image);
        }
    }
    int width = 0, height = 0;
    bool hasAlpha = false;
    if (const Outcome known = StbImageInfo(file, width, height, hasAlpha); !known) {
        return known;
    }
    if (const Outcome fits = CheckDeclaredSize(width, height, file.size()); !fits) {
        return fits;
    }
    return StbDecode(file, width, height, image);
}

// The levels below the top that the file declares and holds whole, as stored; a chain cut short
// keeps the levels before the cut.
void KeepLowerLevels(std::span<const std::uint8_t> file, const DdsLayout& layout,
                     std::uint64_t blockBytes, SourceBlocks& blocks) {
    std::uint64_t offset = layout.DataOffset + layout.TopLevelBytes;
    std::uint64_t width = static_cast<std::uint64_t>(layout.Width);
    std::uint64_t height = static_cast<std::uint64_t>(layout.Height);
    for (int level = 1; level < layout.MipCount; ++level) {
        width = std::max<std::uint64_t>(1, width / 2);
        height = std::max<std::uint64_t>(1, height / 2);
        const std::uint64_t bytes = (width + 3) / 4 * ((height + 3) / 4) * blockBytes;
        if (bytes > file.size() - offset) {
            return;
        }
        const auto stored = file.subspan(offset, static_cast<std::size_t>(bytes));
        try {
            blocks.LowerBlocks.emplace_back(stored.begin(), stored.end());
        } catch (const std::bad_alloc&) {
            blocks.LowerBlocks.clear();
            return;
        }
        offset += bytes;
    }
}

// The top level of a DXT1 or DXT5 file (DX10 files of those formats included) as stored, and its
// lower levels.
void KeepBlocks(std::span<const std::uint8_t> file, SourceBlocks& blocks) {
    DdsLayout layout;
    if (ReadDdsLayout(file.data(), file.size(), layout) != DdsProblem::None ||
        layout.Premultiplied) {
        return;
    }
    const std::optional<TextureFormat> format = FormatWrittenAs(layout.Format);
    if (format != TextureFormat::DXT1 && format != TextureFormat::DXT5) {
        return;
    }
    const auto top =
        file.subspan(layout.DataOffset, static_cast<std::size_t>(layout.TopLevelBytes));
    try {
        blocks.Blocks.assign(top.begin(), top.end());
    } catch (const std::bad_alloc&) {
        blocks.Blocks.clear(); // the blend is made all the same, every block encoded anew
        return;
    }
    blocks.Format = *format;
    blocks.Width = layout.Width;
    blocks.Height = layout.Height;
    KeepLowerLevels(file, layout, static_cast<std::uint64_t>(FactsOf(*format).BlockBytes), blocks);
}

} // namespace

std::span<const char* const> ReadableExtensions() {
    static const std::vector<const char*> extensions = [] {
        std::vector<const char*> readable;
        for (const Known& k : KnownExtensions) {
            if (k.Type != FileType::Unsupported) {
                readable.push_back(k.Extension);
            }
        }
        return readable;
    }();
    return extensions;
}

Outcome CheckDeclaredSize(int width, int height, std::uint64_t fileBytes) {
    if (width < 1 || height < 1 || width > MaxTextureEdge || height > MaxTextureEdge) {
        return Problem{"its size of " +
                           GroupedNumber(static_cast<std::uint64_t>(std::max(width, 0))) + " x " +
                           GroupedNumber(static_cast<std::uint64_t>(std::max(height, 0))) +
                           " pixels is outside 1 to " + GroupedNumber(MaxTextureEdge) + " a side",
                       std::nullopt};
    }
    const std::uint64_t decoded = std::uint64_t(width) * std::uint64_t(height) * 4;
    if (decoded > std::max(AlwaysAllowedBytes, MaxExpansion * fileBytes)) {
        return Problem{"its " + GroupedNumber(fileBytes) + " bytes cannot hold " +
                           GroupedNumber(static_cast<std::uint64_t>(width)) + " x " +
                           GroupedNumber(static_cast<std::uint64_t>(height)) + " pixels",
                       std::nullopt};
    }
    return {};
}

Outcome ReadImageBytes(std::span<const std::uint8_t> bytes, const std::string& name,
                       bool stripPremultipliedAlpha, RgbaImage& image, SourceBlocks* blocks) {
    if (blocks != nullptr) {
        *blocks = SourceBlocks();
    }
    FileType type = TypeFromExtension(name);
    if (type == FileType::Unsupported) {
        return Unsupported(name);
    }
    if (bytes.empty()) {
        return EmptyFile(); // whatever its type
    }
    if (type == FileType::Unknown) {
        type = TypeFromContent(bytes);
    }
    return CatchingOutOfMemory([&]() -> Outcome {
        switch (type) {
        case FileType::Dds:
            if (const Outcome read =
                    DecodeDds(bytes.data(), bytes.size(), stripPremultipliedAlpha, image);
                !read) {
                return read;
            }
            if (blocks != nullptr) {
                KeepBlocks(bytes, *blocks);
            }
            return {};
        case FileType::Psd:
            return DecodePhotoshop(bytes, image);
        default:
            return DecodeOther(bytes, type, image);
        }
    });
}

Outcome ReadImageFile(const std::string& nativePath, bool stripPremultipliedAlpha, RgbaImage& image,
                      SourceBlocks* blocks) {
    if (blocks != nullptr) {
        *blocks = SourceBlocks();
    }
    if (TypeFromExtension(nativePath) == FileType::Unsupported) {
        return Unsupported(nativePath); // not read at all
    }
    std::vector<std::uint8_t> file;
    if (const Outcome read = ReadWholeFile(nativePath, MaxFileSize, file); !read) {
        return read;
    }
    return ReadImageBytes(file, nativePath, stripPremultipliedAlpha, image, blocks);
}

int DdsLevelCount(const std::uint8_t* data, std::size_t size) {
    DDS_HEADER header;
    if (size < DDS_FILE_HEADER_SIZE || std::memcmp(data, &DDS_MAGIC, 4) != 0) {
        return 0;
    }
    std::memcpy(&header, data + 4, sizeof header);
    if (header.dwSize != sizeof(DDS_HEADER)) {
        return 0;
    }
    return (header.dwFlags & DDSD_MIPMAPCOUNT) && header.dwMipMapCount > 1
               ? static_cast<int>(std::min<std::uint32_t>(header.dwMipMapCount, 32))
               : 1;
}

int TextureLevelCount(const std::string& nativePath) {
    const FileType type = TypeFromExtension(nativePath);
    if (type == FileType::Unsupported) {
        return 0;
    }
    // A DDS tells its levels in its header: only that is read.
    std::ifstream in(nativePath, std::ios::binary);
    std::uint8_t bytes[DDS_FILE_HEADER_SIZE] = {};
    in.read(reinterpret_cast<char*>(bytes), sizeof bytes);
    const int levels = in ? DdsLevelCount(bytes, sizeof bytes) : 0;
    if (levels == 0) {
        RgbaImage image;
        return type != FileType::Dds && ReadImageFile(nativePath, true, image) ? 1 : 0;
    }
    return levels;
}

bool CanEncodeImageFile(const std::string& path) {
    switch (TypeFromExtension(path)) {
    case FileType::Dds:
    case FileType::Png:
    case FileType::Tga:
    case FileType::Bmp:
    case FileType::Jpeg:
        return true;
    default:
        return false;
    }
}

std::vector<std::uint8_t> EncodeImageFile(const std::string& path, const RgbaImage& image,
                                          TextureFormat format, TaskPool& pool,
                                          const std::vector<RgbaImage>& lowerLevels,
                                          const SourceBlocks* source) {
    if (image.Empty()) {
        return {};
    }
    switch (TypeFromExtension(path)) {
    case FileType::Dds:
        return EncodeDds(image, format, pool, lowerLevels, source);
    case FileType::Png:
        return StbEncode(image, "png");
    case FileType::Tga:
        return StbEncode(image, "tga");
    case FileType::Bmp:
        return StbEncode(image, "bmp");
    case FileType::Jpeg:
        return StbEncode(image, "jpg");
    default:
        return {}; // no writer for this type
    }
}

} // namespace quillon
