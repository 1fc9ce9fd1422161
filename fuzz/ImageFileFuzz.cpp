// Any bytes through the image file reader, under every extension it reads by (and none, which
// reads by content): stb_image's formats, our BMP, DDS and Photoshop readers. The first byte
// picks the extension, the rest is the file. A crash, a sanitizer report, a hang or a large
// allocation is a finding; so is a read that succeeds with an image that does not hold its
// pixels, or one that fails without a reason.
#include "imaging/ImageFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const auto extensions = quillon::ReadableExtensions();
    const std::size_t pick = data[0] % (extensions.size() + 1);
    const std::string name =
        pick == extensions.size() ? "file" : std::string("file.") + extensions[pick];
    quillon::RgbaImage image;
    quillon::SourceBlocks blocks;
    const quillon::Outcome read =
        quillon::ReadImageBytes({data + 1, size - 1}, name, (size & 1) != 0, image, &blocks);
    if (read ? image.Pixels.size() != static_cast<std::size_t>(image.Width) * image.Height * 4 ||
                   image.Width < 1 || image.Height < 1
             : read.Why().Text.empty()) {
        __builtin_trap();
    }
    return 0;
}
