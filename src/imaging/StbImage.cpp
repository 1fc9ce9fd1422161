#include "imaging/StbImage.h"

// stb's own code is not ours to keep warning-free; the sizes it sees are checked before it runs.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wdouble-promotion"
#define STBI_NO_STDIO // files are read by us, size-checked, and handed over in memory
#define STBI_NO_PSD   // Photoshop files have a reader of our own
#define STBI_MAX_DIMENSIONS 16384
#define STBI_NO_FAILURE_STRINGS
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

#include <climits>
#include <cstring>

namespace quillon {

static_assert(STBI_MAX_DIMENSIONS == MaxTextureEdge, "stb refuses what we refuse");

// TGA files are written uncompressed, as they always were. Set before any thread can write.
[[maybe_unused]] const int TgaWithoutRunLengths = (stbi_write_tga_with_rle = 0);

bool StbImageInfo(const std::uint8_t* data, std::size_t size, int& width, int& height,
                  bool& hasAlpha) {
    if (size == 0 || size > static_cast<std::size_t>(INT_MAX)) {
        return false;
    }
    int channels = 0;
    if (stbi_info_from_memory(data, static_cast<int>(size), &width, &height, &channels) == 0) {
        return false;
    }
    hasAlpha = channels == 2 || channels == 4;
    return true;
}

bool StbDecode(const std::uint8_t* data, std::size_t size, RgbaImage& image) {
    if (size == 0 || size > static_cast<std::size_t>(INT_MAX)) {
        return false;
    }
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels =
        stbi_load_from_memory(data, static_cast<int>(size), &width, &height, &channels, 4);
    if (pixels == nullptr) {
        return false;
    }
    RgbaImage decoded(width, height, channels == 2 || channels == 4);
    std::memcpy(decoded.Pixels.data(), pixels, decoded.Pixels.size());
    stbi_image_free(pixels);
    image = std::move(decoded);
    return true;
}

namespace {

void Append(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

} // namespace

std::vector<std::uint8_t> StbEncode(const RgbaImage& image, const std::string& type) {
    const int channels = image.HasAlpha ? 4 : 3;
    std::vector<std::uint8_t> packed; // stb takes the channels it writes, packed
    const std::uint8_t* pixels = image.Pixels.data();
    if (channels == 3) {
        packed.resize(static_cast<std::size_t>(image.Width) * image.Height * 3);
        for (std::size_t i = 0, o = 0; o < packed.size(); i += 4, o += 3) {
            std::memcpy(&packed[o], &image.Pixels[i], 3);
        }
        pixels = packed.data();
    }
    std::vector<std::uint8_t> file;
    int ok = 0;
    if (type == "png") {
        ok = stbi_write_png_to_func(Append, &file, image.Width, image.Height, channels, pixels,
                                    image.Width * channels);
    } else if (type == "tga") {
        ok = stbi_write_tga_to_func(Append, &file, image.Width, image.Height, channels, pixels);
    } else if (type == "bmp") {
        ok = stbi_write_bmp_to_func(Append, &file, image.Width, image.Height, channels, pixels);
    } else if (type == "jpg") {
        ok = stbi_write_jpg_to_func(Append, &file, image.Width, image.Height, channels, pixels, 99);
    }
    return ok != 0 ? file : std::vector<std::uint8_t>();
}

} // namespace quillon
