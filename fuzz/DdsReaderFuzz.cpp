// Any bytes through the DDS reader: the header checks, then the decode of whatever they accept.
// A crash, a sanitizer report, a hang or a large allocation is a finding.
#include "imaging/DdsReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quillon::DdsLayout layout;
    if (quillon::ReadDdsLayout(data, size, layout) != quillon::DdsProblem::None) {
        return 0;
    }
    quillon::RgbaImage image;
    const bool decoded = static_cast<bool>(quillon::DecodeDds(data, size, (size & 1) != 0, image));
    // What the header checks accepted must decode, to the size they read.
    if (!decoded || image.Width != layout.Width || image.Height != layout.Height ||
        image.Pixels.size() != static_cast<std::size_t>(layout.Width) * layout.Height * 4) {
        __builtin_trap();
    }
    return 0;
}
