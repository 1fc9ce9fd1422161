// Preview bitmaps: small display copies of the slot images, and the placeholder shown when a slot
// has nothing to show. Previews are made from a scaled temporary copy, so the slot images are
// never resampled for display.
#include "catalogue/BlendEngine.h"
#include "imaging/ImageLibrary.h"

#include <IL/il.h>
#include <IL/ilu.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

namespace quillon {

namespace {

constexpr int BlankEdge = 126; // the main window's pictures are 128 x 128 with a sunken edge

// One colour channel of a pixel laid over the matte by its alpha.
std::uint32_t OverMatte(std::uint32_t colour, std::uint32_t matte, std::uint32_t alpha) {
    return (colour * alpha + matte * (255 - alpha) + 127) / 255;
}

// The bound image as an opaque display bitmap, transparency laid over the matte in force. Null
// when the image holds no pixels.
BitmapHandle ConvertBoundImage() {
    const int width = BoundImageWidth();
    const int height = BoundImageHeight();
    const std::vector<std::uint8_t> rgba = CopyBoundImagePixels(); // top-down, as it looks
    const std::size_t count = static_cast<std::size_t>(std::max(width, 0)) * std::max(height, 0);
    if (count == 0 || rgba.size() != count * 4) {
        return nullptr;
    }
    const std::uint32_t matte = MatteIsBlack() ? 0 : DefaultMatteColour();
    const std::uint32_t matteRed = (matte >> 16) & 0xFF;
    const std::uint32_t matteGreen = (matte >> 8) & 0xFF;
    const std::uint32_t matteBlue = matte & 0xFF;

    auto bitmap = std::make_shared<PreviewBitmap>();
    bitmap->Width = width;
    bitmap->Height = height;
    bitmap->Pixels.resize(count);
    const std::uint8_t* in = rgba.data();
    for (std::uint32_t& out : bitmap->Pixels) {
        const std::uint32_t alpha = in[3];
        out = 0xFF000000u | OverMatte(in[0], matteRed, alpha) << 16 |
              OverMatte(in[1], matteGreen, alpha) << 8 | OverMatte(in[2], matteBlue, alpha);
        in += 4;
    }
    return bitmap;
}

} // namespace

BitmapHandle BlendEngine::GetBlankBitmap() {
    if (const auto found = Bitmaps.find("Blank"); found != Bitmaps.end()) {
        return found->second;
    }
    const ILuint temporary = CreateImage();
    ilDefaultImage();
    iluImageParameter(ILU_FILTER, ILU_BILINEAR);
    iluScale(BlankEdge, BlankEdge, 1);
    Bitmaps["Blank"] = ConvertBoundImage();
    if (temporary != 0) {
        ilDeleteImage(temporary);
    }
    return Bitmaps["Blank"];
}

BitmapHandle BlendEngine::GetPreviewBitmap(const std::string& key, bool rebuild, int width,
                                           int height) {
    if (!rebuild) {
        if (const auto found = Bitmaps.find(key); found != Bitmaps.end()) {
            return found->second;
        }
    }
    const auto slot = Images.find(key);
    if (slot == Images.end()) {
        return nullptr;
    }
    if (width <= 0 || height <= 0) {
        return nullptr;
    }
    const ILuint temporary = CreateImage();
    ilCopyImage(slot->second);
    // The B-spline filter, through the library layer's resampler: DevIL's own point-samples
    // when it shrinks, which would alias a large texture's preview.
    iluImageParameter(ILU_FILTER, ILU_SCALE_BSPLINE);
    ScaleBoundImage(width, height);
    EnableState(BlackMatte != 0 ? STATE_MATTE_BLACK : STATE_MATTE_DEFAULT);
    // The bitmap this replaces is not released here: a control may still show it, and the
    // shared handle keeps it alive until the last one lets go.
    Bitmaps[key] = ConvertBoundImage();
    if (temporary != 0) {
        ilDeleteImage(temporary);
    }
    return Bitmaps[key];
}

} // namespace quillon
