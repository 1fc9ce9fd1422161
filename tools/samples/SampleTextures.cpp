// Reading and writing sample textures through the tool's own image layer.
#include "samples/SampleImages.h"

#include "imaging/DdsWriter.h"
#include "imaging/ImageFile.h"
#include "platform/SafeWrite.h"

namespace quillon {

bool WriteDdsTexture(const std::string& nativePath, const RgbaImage& image,
                     const std::string& compression) {
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
    return WriteBytesSafely(nativePath, EncodeDds(image, format, TaskPool::Shared()));
}

bool ReadTexture(const std::string& nativePath, RgbaImage& image) {
    return ReadImageFile(nativePath, true, image);
}

} // namespace quillon
