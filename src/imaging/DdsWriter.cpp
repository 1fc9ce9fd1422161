#include "imaging/DdsWriter.h"

#include "imaging/DdsFormat.h"
#include "imaging/ImageLibrary.h"

#include <squish.h>

#include <cstring>
#include <fstream>

namespace quillon {

namespace {

DDS_HEADER MakeHeader(int width, int height, DdsOutput output) {
    DDS_HEADER header{};
    header.dwSize = sizeof(DDS_HEADER);
    header.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    header.dwHeight = static_cast<std::uint32_t>(height);
    header.dwWidth = static_cast<std::uint32_t>(width);
    header.dwCaps = DDSCAPS_TEXTURE;
    DDS_PIXELFORMAT& format = header.ddspf;
    format.dwSize = sizeof(DDS_PIXELFORMAT);
    const std::uint32_t blocks = static_cast<std::uint32_t>(((width + 3) / 4) * ((height + 3) / 4));
    switch (output) {
    case DdsOutput::DXT1:
    case DdsOutput::DXT5:
        header.dwFlags |= DDSD_LINEARSIZE;
        header.dwPitchOrLinearSize = blocks * (output == DdsOutput::DXT1 ? 8 : 16);
        format.dwFlags = DDPF_FOURCC;
        format.dwFourCC = output == DdsOutput::DXT1 ? FOURCC_DXT1 : FOURCC_DXT5;
        break;
    case DdsOutput::RGB:
    case DdsOutput::RGBA: {
        const std::uint32_t bits = output == DdsOutput::RGB ? 24 : 32;
        header.dwFlags |= DDSD_PITCH;
        header.dwPitchOrLinearSize = static_cast<std::uint32_t>(width) * bits / 8;
        format.dwFlags = DDPF_RGB | (output == DdsOutput::RGBA ? DDPF_ALPHAPIXELS : 0);
        format.dwRGBBitCount = bits;
        format.dwRBitMask = 0x00FF0000;
        format.dwGBitMask = 0x0000FF00;
        format.dwBBitMask = 0x000000FF;
        format.dwRGBAlphaBitMask = output == DdsOutput::RGBA ? 0xFF000000 : 0;
        break;
    }
    }
    return header;
}

} // namespace

std::vector<std::uint8_t> EncodeDds(const std::uint8_t* rgba, int width, int height,
                                    DdsOutput output) {
    const DDS_HEADER header = MakeHeader(width, height, output);
    std::vector<std::uint8_t> file(DDS_FILE_HEADER_SIZE);
    std::memcpy(file.data(), &DDS_MAGIC, 4);
    std::memcpy(file.data() + 4, &header, sizeof header);
    const std::size_t pixels = static_cast<std::size_t>(width) * height;
    if (output == DdsOutput::DXT1 || output == DdsOutput::DXT5) {
        const int flags =
            (output == DdsOutput::DXT1 ? squish::kDxt1 : squish::kDxt5) | squish::kColourClusterFit;
        file.resize(file.size() + squish::GetStorageRequirements(width, height, flags));
        if (output == DdsOutput::DXT1) {
            // libsquish turns pixels with alpha below 128 into transparent black in DXT1.
            std::vector<std::uint8_t> opaque(rgba, rgba + pixels * 4);
            for (std::size_t i = 3; i < opaque.size(); i += 4) {
                opaque[i] = 255;
            }
            squish::CompressImage(opaque.data(), width, height, file.data() + DDS_FILE_HEADER_SIZE,
                                  flags);
        } else {
            squish::CompressImage(rgba, width, height, file.data() + DDS_FILE_HEADER_SIZE, flags);
        }
        return file;
    }
    const std::size_t bytesPerPixel = output == DdsOutput::RGB ? 3 : 4;
    file.resize(file.size() + pixels * bytesPerPixel);
    std::uint8_t* out = file.data() + DDS_FILE_HEADER_SIZE;
    for (std::size_t i = 0; i < pixels; ++i, out += bytesPerPixel) {
        const std::uint8_t* in = rgba + i * 4;
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
        if (bytesPerPixel == 4) {
            out[3] = in[3];
        }
    }
    return file;
}

bool WriteBoundImageAsDds(const std::string& nativePath) {
    DdsOutput output;
    switch (ilGetInteger(IL_DXTC_FORMAT)) {
    case IL_DXT1:
        output = DdsOutput::DXT1;
        break;
    case IL_DXT5:
        output = DdsOutput::DXT5;
        break;
    case IL_DXT_NO_COMP:
        output = BoundImageHasAlpha() ? DdsOutput::RGBA : DdsOutput::RGB;
        break;
    default:
        return false;
    }
    const int width = BoundImageWidth();
    const int height = BoundImageHeight();
    const std::vector<std::uint8_t> pixels = CopyBoundImagePixels();
    if (pixels.empty()) {
        return false;
    }
    const std::vector<std::uint8_t> file = EncodeDds(pixels.data(), width, height, output);
    std::ofstream out(nativePath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    out.close();
    return static_cast<bool>(out);
}

} // namespace quillon
