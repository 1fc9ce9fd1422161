#include "imaging/ImageFile.h"

#include "imaging/DdsFormat.h"
#include "imaging/DdsReader.h"
#include "imaging/PsdReader.h"
#include "imaging/StbImage.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <new>

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

// The type an extension names. Extensions of other image types make the read fail rather than
// guess, as the image library this replaces did.
FileType TypeFromExtension(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return FileType::Unknown;
    }
    const std::string ext = ToUpperAscii(path.substr(dot + 1));
    struct Known {
        const char* Extension;
        FileType Type;
    };
    static const Known known[] = {
        {"DDS", FileType::Dds},          {"PSD", FileType::Psd},
        {"PSB", FileType::Psd},          {"PNG", FileType::Png},
        {"TGA", FileType::Tga},          {"VDA", FileType::Tga},
        {"ICB", FileType::Tga},          {"VST", FileType::Tga},
        {"BMP", FileType::Bmp},          {"DIB", FileType::Bmp},
        {"JPG", FileType::Jpeg},         {"JPEG", FileType::Jpeg},
        {"JPE", FileType::Jpeg},         {"JFIF", FileType::Jpeg},
        {"GIF", FileType::Gif},          {"HDR", FileType::Hdr},
        {"PNM", FileType::Pnm},          {"PPM", FileType::Pnm},
        {"PGM", FileType::Pnm},          {"TIF", FileType::Unsupported},
        {"TIFF", FileType::Unsupported}, {"PCX", FileType::Unsupported},
        {"SGI", FileType::Unsupported},  {"ICO", FileType::Unsupported},
    };
    for (const Known& k : known) {
        if (ext == k.Extension) {
            return k.Type;
        }
    }
    return FileType::Unknown;
}

FileType TypeFromContent(const std::vector<std::uint8_t>& file) {
    if (file.size() >= 4 && std::memcmp(file.data(), "DDS ", 4) == 0) {
        return FileType::Dds;
    }
    if (file.size() >= 4 && std::memcmp(file.data(), "8BPS", 4) == 0) {
        return FileType::Psd;
    }
    return FileType::Png; // stb_image tells the rest apart by their content
}

bool ReadWholeFile(const std::string& nativePath, std::vector<std::uint8_t>& bytes) {
    std::ifstream in(nativePath, std::ios::binary);
    if (!in) {
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size <= 0 || static_cast<std::uint64_t>(size) > MaxFileSize) {
        return false;
    }
    in.seekg(0, std::ios::beg);
    bytes.resize(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), size);
    return static_cast<bool>(in);
}

bool DecodePhotoshop(const std::vector<std::uint8_t>& file, RgbaImage& image) {
    RgbaImage decoded;
    if (!DecodePsd(file.data(), file.size(), decoded)) {
        return false;
    }
    decoded.HasAlpha = true; // Photoshop files are read as RGBA, alpha channel or not
    image = std::move(decoded);
    return true;
}

bool DecodeOther(const std::vector<std::uint8_t>& file, RgbaImage& image) {
    int width = 0, height = 0;
    bool hasAlpha = false;
    if (!StbImageInfo(file.data(), file.size(), width, height, hasAlpha) || width < 1 ||
        height < 1 || width > MaxTextureEdge || height > MaxTextureEdge) {
        return false;
    }
    const std::uint64_t decoded = std::uint64_t(width) * std::uint64_t(height) * 4;
    if (decoded > std::max(AlwaysAllowedBytes, MaxExpansion * file.size())) {
        return false; // more than the file can hold: a damaged or hostile header
    }
    return StbDecode(file.data(), file.size(), image);
}

// The top level of a DXT1 or DXT5 file (DX10 files of those formats included) as stored.
void KeepBlocks(const std::vector<std::uint8_t>& file, SourceBlocks& blocks) {
    DdsLayout layout;
    if (ReadDdsLayout(file.data(), file.size(), layout) != DdsProblem::None ||
        layout.Premultiplied) {
        return;
    }
    const std::optional<TextureFormat> format = FormatWrittenAs(layout.Format);
    if (format != TextureFormat::DXT1 && format != TextureFormat::DXT5) {
        return;
    }
    try {
        const auto first = file.begin() + static_cast<std::ptrdiff_t>(layout.DataOffset);
        blocks.Blocks.assign(first, first + static_cast<std::ptrdiff_t>(layout.TopLevelBytes));
    } catch (const std::bad_alloc&) {
        blocks.Blocks.clear();
        return;
    }
    blocks.Format = *format;
    blocks.Width = layout.Width;
    blocks.Height = layout.Height;
}

} // namespace

bool ReadImageFile(const std::string& nativePath, bool stripPremultipliedAlpha, RgbaImage& image,
                   SourceBlocks* blocks) {
    if (blocks != nullptr) {
        *blocks = SourceBlocks();
    }
    FileType type = TypeFromExtension(nativePath);
    if (type == FileType::Unsupported) {
        return false;
    }
    std::vector<std::uint8_t> file;
    if (!ReadWholeFile(nativePath, file)) {
        return false;
    }
    if (type == FileType::Unknown) {
        type = TypeFromContent(file);
    }
    switch (type) {
    case FileType::Dds:
        if (!DecodeDds(file.data(), file.size(), stripPremultipliedAlpha, image)) {
            return false;
        }
        if (blocks != nullptr) {
            KeepBlocks(file, *blocks);
        }
        return true;
    case FileType::Psd:
        return DecodePhotoshop(file, image);
    default:
        return DecodeOther(file, image);
    }
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
    if (!in) {
        RgbaImage image;
        return type != FileType::Dds && ReadImageFile(nativePath, true, image) ? 1 : 0;
    }
    DDS_HEADER header;
    std::memcpy(&header, bytes + 4, sizeof header);
    if (std::memcmp(bytes, &DDS_MAGIC, 4) != 0 || header.dwSize != sizeof(DDS_HEADER)) {
        RgbaImage image;
        return type != FileType::Dds && ReadImageFile(nativePath, true, image) ? 1 : 0;
    }
    return (header.dwFlags & DDSD_MIPMAPCOUNT) && header.dwMipMapCount > 1
               ? static_cast<int>(std::min<std::uint32_t>(header.dwMipMapCount, 32))
               : 1;
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
