// Reading and writing sample textures through the tool's own image layer.
#include "samples/SampleImages.h"

#include "imaging/DdsWriter.h"
#include "imaging/ImageLibrary.h"
#include "platform/SafeWrite.h"

#include <fstream>

namespace quillon {

bool WriteDdsTexture(const std::string& nativePath, const RgbaImage& image,
                     const std::string& compression) {
    DdsOutput output;
    if (compression == "DXT1") {
        output = DdsOutput::DXT1;
    } else if (compression == "DXT5") {
        output = DdsOutput::DXT5;
    } else if (compression == "RGB") {
        output = DdsOutput::RGB;
    } else if (compression == "RGBA") {
        output = DdsOutput::RGBA;
    } else {
        return false;
    }
    const std::vector<std::uint8_t> file =
        EncodeDds(image.Pixels.data(), image.Width, image.Height, output);
    return WriteFileSafely(nativePath, [&](const std::string& temp) {
        std::ofstream out(temp, std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.data()),
                  static_cast<std::streamsize>(file.size()));
        return static_cast<bool>(out.flush());
    });
}

bool ReadTexture(const std::string& nativePath, RgbaImage& image) {
    InitialiseImageLibrary();
    const ILuint name = CreateImage();
    const bool ok = name != 0 && LoadImageFile(nativePath);
    if (ok) {
        image = RgbaImage(BoundImageWidth(), BoundImageHeight());
        image.Pixels = CopyBoundImagePixels();
    }
    if (name != 0) {
        ilDeleteImage(name);
    }
    return ok;
}

} // namespace quillon
