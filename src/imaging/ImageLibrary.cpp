#include "imaging/ImageLibrary.h"

#include "imaging/DdsFormat.h"
#include "imaging/FileChecks.h"
#include "imaging/PsdReader.h"
#include "imaging/Resample.h"

#include <IL/ilu.h>
#include <squish.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <limits>

namespace quillon {

namespace {

struct OwnStates {
    bool Initialised = false;
    bool NoStripPremultAlpha = false;
    bool MatteDefault = false;
    bool MatteBlack = false;
    bool LastMatteBlack = false;
    std::uint32_t MatteColour = 0xF0F0F0;
};

OwnStates& States() {
    static OwnStates states;
    return states;
}

} // namespace

void InitialiseImageLibrary() {
    if (States().Initialised) {
        return;
    }
    ilInit();
    iluInit();
    States().Initialised = true;
}

ILuint CreateImage() {
    while (ilGetError() != IL_NO_ERROR) {
    }
    ILuint name = 0;
    ilGenImages(1, &name);
    ilBindImage(name);
    return ilGetError() == IL_NO_ERROR ? name : 0;
}

void EnableState(ILenum state) {
    OwnStates& states = States();
    switch (state) {
    case STATE_NO_STRIP_PREMULT_ALPHA:
        states.NoStripPremultAlpha = true;
        break;
    case STATE_MATTE_DEFAULT:
        states.MatteDefault = true;
        states.LastMatteBlack = false;
        break;
    case STATE_MATTE_BLACK:
        states.MatteBlack = true;
        states.LastMatteBlack = true;
        break;
    default:
        ilEnable(state);
    }
}

bool IsStateEnabled(ILenum state) {
    const OwnStates& states = States();
    switch (state) {
    case STATE_NO_STRIP_PREMULT_ALPHA:
        return states.NoStripPremultAlpha;
    case STATE_MATTE_DEFAULT:
        return states.MatteDefault;
    case STATE_MATTE_BLACK:
        return states.MatteBlack;
    default:
        return ilIsEnabled(state) == IL_TRUE;
    }
}

bool MatteIsBlack() {
    return States().LastMatteBlack;
}

void SetDefaultMatteColour(std::uint32_t rgb) {
    States().MatteColour = rgb & 0xFFFFFF;
}

std::uint32_t DefaultMatteColour() {
    return States().MatteColour;
}

namespace {

// Larger files cannot hold a texture within the edge limit, mip levels included.
constexpr std::uint64_t MaxFileSize = std::uint64_t(2) << 30;

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

void FlipRows(std::uint8_t* pixels, int width, int height) {
    const std::size_t row = static_cast<std::size_t>(width) * 4;
    std::vector<std::uint8_t> spare(row);
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        std::uint8_t* a = pixels + static_cast<std::size_t>(top) * row;
        std::uint8_t* b = pixels + static_cast<std::size_t>(bottom) * row;
        std::memcpy(spare.data(), a, row);
        std::memcpy(a, b, row);
        std::memcpy(b, spare.data(), row);
    }
}

int SquishFormat(std::uint32_t fourCC) {
    switch (fourCC) {
    case FOURCC_DXT1:
        return squish::kDxt1;
    case FOURCC_DXT2:
    case FOURCC_DXT3:
        return squish::kDxt3;
    case FOURCC_DXT4:
    case FOURCC_DXT5:
        return squish::kDxt5;
    default:
        return 0;
    }
}

// The top level of a DXT1 to DXT5 file, decoded exactly as our encoder's decoder does (DevIL's
// decoder is off by up to 6 levels). DXT2 and DXT4 are DXT3 and DXT5 blocks whose colours were
// multiplied by alpha.
bool LoadBlockCompressedDds(const std::vector<std::uint8_t>& file, const DdsInfo& info) {
    const int width = static_cast<int>(info.Width);
    const int height = static_cast<int>(info.Height);
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
    squish::DecompressImage(rgba.data(), width, height, file.data() + DDS_FILE_HEADER_SIZE,
                            SquishFormat(info.FourCC));
    const bool premultiplied = info.FourCC == FOURCC_DXT2 || info.FourCC == FOURCC_DXT4;
    if (premultiplied && !IsStateEnabled(STATE_NO_STRIP_PREMULT_ALPHA)) {
        for (std::size_t i = 0; i < rgba.size(); i += 4) {
            const unsigned alpha = rgba[i + 3];
            if (alpha == 0) {
                continue; // no colour to recover
            }
            for (int c = 0; c < 3; ++c) {
                rgba[i + c] = static_cast<std::uint8_t>(
                    std::min(255u, (rgba[i + c] * 255u + alpha / 2) / alpha));
            }
        }
    }
    return SetBoundImagePixels(width, height, rgba.data());
}

// Photoshop files are read by our own reader: DevIL misplaces or loses their alpha.
bool LoadPsd(const std::vector<std::uint8_t>& file) {
    RgbaImage image;
    return DecodePsd(file.data(), file.size(), image) &&
           SetBoundImagePixels(image.Width, image.Height, image.Pixels.data());
}

} // namespace

bool LoadImageFile(const std::string& nativePath) {
    std::vector<std::uint8_t> file;
    if (!ReadWholeFile(nativePath, file)) {
        return false;
    }
    if (file.size() > std::numeric_limits<ILuint>::max()) {
        return false;
    }
    ILenum type = ilTypeFromExt(nativePath.c_str());
    if (type == IL_TYPE_UNKNOWN) {
        type = ilDetermineTypeL(file.data(), static_cast<ILuint>(file.size()));
    }
    if (type == IL_TYPE_UNKNOWN) {
        return false;
    }
    if (type == IL_DDS) {
        DdsInfo info;
        if (CheckDdsFile(file.data(), file.size(), &info) != FileProblem::None) {
            return false;
        }
        if (SquishFormat(info.FourCC) != 0) {
            return LoadBlockCompressedDds(file, info);
        }
    } else if (type == IL_PSD) {
        return LoadPsd(file);
    }
    return ilLoadL(type, file.data(), static_cast<ILuint>(file.size())) == IL_TRUE;
}

int BoundImageWidth() {
    return ilGetInteger(IL_IMAGE_WIDTH);
}

int BoundImageHeight() {
    return ilGetInteger(IL_IMAGE_HEIGHT);
}

bool BoundImageHasAlpha() {
    switch (ilGetInteger(IL_IMAGE_FORMAT)) {
    case IL_RGBA:
    case IL_BGRA:
    case IL_LUMINANCE_ALPHA:
        return true;
    case IL_COLOUR_INDEX: {
        const ILint palette = ilGetInteger(IL_PALETTE_TYPE);
        return palette == IL_PAL_RGBA32 || palette == IL_PAL_BGRA32;
    }
    default:
        return false;
    }
}

std::vector<std::uint8_t> CopyBoundImagePixels() {
    const int width = BoundImageWidth();
    const int height = BoundImageHeight();
    if (width <= 0 || height <= 0) {
        return {};
    }
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    const ILubyte* data = ilGetData();
    if (ilGetInteger(IL_IMAGE_FORMAT) == IL_RGBA &&
        ilGetInteger(IL_IMAGE_TYPE) == IL_UNSIGNED_BYTE && data != nullptr) {
        std::memcpy(pixels.data(), data, pixels.size()); // already the form asked for
    } else if (ilCopyPixels(0, 0, 0, width, height, 1, IL_RGBA, IL_UNSIGNED_BYTE, pixels.data()) ==
               0) {
        return {};
    }
    if (ilGetInteger(IL_IMAGE_ORIGIN) == IL_ORIGIN_LOWER_LEFT) {
        FlipRows(pixels.data(), width, height);
    }
    return pixels;
}

bool SetBoundImagePixels(int width, int height, const std::uint8_t* rgba) {
    // ilTexImage copies the data; it takes a mutable pointer but does not write through it.
    if (!ilTexImage(width, height, 1, 4, IL_RGBA, IL_UNSIGNED_BYTE,
                    const_cast<std::uint8_t*>(rgba))) {
        return false;
    }
    ilRegisterOrigin(IL_ORIGIN_UPPER_LEFT);
    return true;
}

namespace {

bool BoundImageIsRGBA8UpperLeft() {
    return ilGetInteger(IL_IMAGE_FORMAT) == IL_RGBA &&
           ilGetInteger(IL_IMAGE_TYPE) == IL_UNSIGNED_BYTE &&
           ilGetInteger(IL_IMAGE_ORIGIN) == IL_ORIGIN_UPPER_LEFT && ilGetData() != nullptr;
}

// Converts the bound image in place to 8-bit RGBA stored upper-left first; a no-op when it
// already is.
bool MakeBoundImageRGBA8() {
    if (BoundImageIsRGBA8UpperLeft()) {
        return true;
    }
    const std::vector<std::uint8_t> pixels = CopyBoundImagePixels();
    return !pixels.empty() &&
           SetBoundImagePixels(BoundImageWidth(), BoundImageHeight(), pixels.data());
}

} // namespace

bool ScaleBoundImage(int width, int height) {
    if (width <= 0 || height <= 0 || !MakeBoundImageRGBA8()) {
        return false;
    }
    std::vector<std::uint8_t> scaled(static_cast<std::size_t>(width) * height * 4);
    ResampleBSpline(ilGetData(), BoundImageWidth(), BoundImageHeight(), scaled.data(), width,
                    height);
    return SetBoundImagePixels(width, height, scaled.data());
}

} // namespace quillon
