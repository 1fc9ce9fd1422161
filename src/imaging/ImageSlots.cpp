// The engine's image slots: reading files into them and compositing "Mod" over "Source".
#include "catalogue/BlendEngine.h"

#include "imaging/ImageLibrary.h"
#include "platform/Paths.h"

#include <IL/il.h>
#include <IL/ilu.h>

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <vector>

namespace quillon {

static_assert(std::is_same_v<ImageName, ILuint>, "slot names are the image library's names");

namespace {

void DeleteImage(ImageName image) {
    if (image != 0) { // 0 is a slot without an image of its own: nothing to delete
        ilDeleteImage(image);
    }
}

void Rescale(ImageName image, int width, int height) {
    ilBindImage(image);
    iluImageParameter(ILU_FILTER, ILU_SCALE_BSPLINE);
    ScaleBoundImage(width, height);
}

// The overlay's colour laid over the base by the overlay's alpha, rounded to nearest; the
// base's alpha stays, since the overlay's alpha is a mask, not content. Both RGBA8, top-down;
// `result` starts as a copy of the base. Only the rows both images have are blended.
void BlendOver(std::vector<std::uint8_t>& result, int width, int height,
               const std::vector<std::uint8_t>& overlay, int overlayWidth, int overlayHeight) {
    const int rows = std::min(height, overlayHeight);
    const int columns = std::min(width, overlayWidth);
    for (int y = 0; y < rows; ++y) {
        std::uint8_t* out = result.data() + static_cast<std::size_t>(y) * width * 4;
        const std::uint8_t* over = overlay.data() + static_cast<std::size_t>(y) * overlayWidth * 4;
        for (int x = 0; x < columns; ++x, out += 4, over += 4) {
            const unsigned alpha = over[3];
            for (int c = 0; c < 3; ++c) {
                // x / 255 is never halfway between integers, so + 127 rounds to nearest.
                const unsigned sum = over[c] * alpha + out[c] * (255 - alpha);
                out[c] = static_cast<std::uint8_t>((sum + 127) / 255);
            }
        }
    }
}

} // namespace

void BlendEngine::ReleaseImages() {
    for (const auto& [key, image] : Images) {
        DeleteImage(image);
    }
    Images.clear();
}

ImageName BlendEngine::LoadTexture(const std::string& key, const std::string& path, bool reload) {
    auto slot = Images.find(key);
    if (!reload && slot != Images.end()) {
        return slot->second;
    }
    if (slot != Images.end()) {
        DeleteImage(slot->second);
    }
    const ImageName image = CreateImage();
    Images[key] = image;
    if (!StripPremultAlpha) {
        EnableState(STATE_NO_STRIP_PREMULT_ALPHA);
    }
    if (!LoadImageFile(ResolvePath(path))) {
        ilGetError(); // the read's error, consumed
        return 0;
    }
    return image;
}

bool BlendEngine::CompositeTextures(const std::string& baseKey, const std::string& overlayKey,
                                    const std::string& resultKey, std::int32_t size) {
    const auto overlaySlot = Images.find(overlayKey);
    if (overlaySlot == Images.end()) {
        return false;
    }
    const ImageName overlay = overlaySlot->second;
    ilBindImage(overlay);
    int overlayWidth = BoundImageWidth();
    int overlayHeight = BoundImageHeight();
    // The square scaling looks at widths only, whatever the image's proportions.
    if (size != 0 && overlayWidth != size) {
        Rescale(overlay, size, size);
        overlayWidth = overlayHeight = size;
    }

    const auto baseSlot = Images.find(baseKey);
    if (baseSlot == Images.end()) {
        return false;
    }
    const ImageName base = baseSlot->second;
    ilBindImage(base);
    int width = BoundImageWidth();
    int height = BoundImageHeight();
    if (size != 0 && width != size) {
        Rescale(base, size, size);
        width = height = size;
    }

    if (const auto old = Images.find(resultKey); old != Images.end()) {
        DeleteImage(old->second);
    }

    // The narrower image decides; heights are not compared.
    if (width < overlayWidth) {
        Rescale(overlay, width, height);
        overlayWidth = width;
        overlayHeight = height;
    } else if (width > overlayWidth) {
        Rescale(base, overlayWidth, overlayHeight);
        width = overlayWidth;
        height = overlayHeight;
    }

    ilBindImage(base);
    std::vector<std::uint8_t> pixels = CopyBoundImagePixels();
    ilBindImage(overlay);
    const std::vector<std::uint8_t> overlayPixels = CopyBoundImagePixels();
    const std::size_t expected = static_cast<std::size_t>(width) * height * 4;
    if (pixels.size() != expected) {
        pixels.assign(expected, 0); // a slot without a picture: nothing defined to copy
    }
    if (overlayPixels.size() == static_cast<std::size_t>(overlayWidth) * overlayHeight * 4) {
        BlendOver(pixels, width, height, overlayPixels, overlayWidth, overlayHeight);
    }

    // DevIL's blended blit is not used, but the library's state stays as the engine leaves it.
    EnableState(IL_BLIT_BLEND);
    Images[resultKey] = CreateImage();
    if (width > 0 && height > 0) {
        SetBoundImagePixels(width, height, pixels.data());
    }
    return true;
}

} // namespace quillon
