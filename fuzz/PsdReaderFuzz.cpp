// The Photoshop reader on any bytes.
#include "imaging/PsdReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quillon::RgbaImage image;
    if (quillon::DecodePsd(data, size, image) &&
        image.Pixels.size() != static_cast<std::size_t>(image.Width) * image.Height * 4) {
        __builtin_trap(); // a decoded image always holds all its pixels
    }
    return 0;
}
