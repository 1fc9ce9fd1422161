// Reading and writing sample textures through the tool's own image layer.
#include "samples/SampleImages.h"

#include "imaging/DdsWriter.h"
#include "imaging/ImageFile.h"
#include "imaging/MipChain.h"
#include "platform/SafeWrite.h"

namespace quillon {

bool WriteDdsTexture(const std::string& nativePath, const RgbaImage& image,
                     const std::string& compression, bool mipChain) {
    const FormatFacts* format = FormatNamed(compression);
    if (format == nullptr || !format->Written) {
        return false;
    }
    const MipKind kind = IsNormalMapName(nativePath) ? MipKind::NormalMap : MipKind::Colour;
    const std::vector<RgbaImage> levels =
        mipChain ? MakeMipLevels(image, kind, TaskPool::Shared()) : std::vector<RgbaImage>();
    return WriteBytesSafely(nativePath,
                            EncodeDds(image, *format->Written, TaskPool::Shared(), levels));
}

bool ReadTexture(const std::string& nativePath, RgbaImage& image) {
    return static_cast<bool>(ReadImageFile(nativePath, true, image));
}

} // namespace quillon
