// Reading and writing sample textures through the tool's own image layer.
#include "samples/SampleImages.h"

#include "imaging/DdsWriter.h"
#include "imaging/ImageFile.h"
#include "imaging/MipChain.h"
#include "platform/SafeWrite.h"

namespace quillon {

bool WriteDdsTexture(const std::string& nativePath, const RgbaImage& image,
                     const std::string& compression, bool mipChain) {
    TextureFormat format;
    if (compression == "DXT1") {
        format = TextureFormat::DXT1;
    } else if (compression == "DXT5") {
        format = TextureFormat::DXT5;
    } else if (compression == "RGB") {
        format = TextureFormat::RGB;
    } else if (compression == "RGBA") {
        format = TextureFormat::RGBA;
    } else {
        return false;
    }
    const MipKind kind = IsNormalMapName(nativePath) ? MipKind::NormalMap : MipKind::Colour;
    const std::vector<RgbaImage> levels =
        mipChain ? MakeMipLevels(image, kind, TaskPool::Shared()) : std::vector<RgbaImage>();
    return WriteBytesSafely(nativePath, EncodeDds(image, format, TaskPool::Shared(), levels));
}

bool ReadTexture(const std::string& nativePath, RgbaImage& image) {
    return ReadImageFile(nativePath, true, image);
}

} // namespace quillon
