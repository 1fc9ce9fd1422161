// Workspace files for the workflow tests, without Qt: set definitions (SampleDocuments.h), and
// what a DDS texture that was written declares.
#pragma once

#include "imaging/FileChecks.h"
#include "samples/SampleDocuments.h"
#include "support/TestSupport.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace quillon {

// "<width>x<height> <format>" (DXT1, DXT5, RGB or RGBA) of a DDS file, then " <n> levels" when
// it has a mip chain; "" for anything else.
inline std::string DescribeDds(const std::string& path) {
    const std::string bytes = ReadTextFile(path);
    DdsInfo info;
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (bytes.size() < 128 || CheckDdsFile(data, bytes.size(), &info) != FileProblem::None) {
        return "";
    }
    const std::string format = info.FourCC != 0  ? bytes.substr(84, 4)
                               : bytes[88] == 24 ? "RGB" // the pixel format's bit count
                                                 : "RGBA";
    std::uint32_t flags = 0, levels = 0;
    std::memcpy(&flags, data + 8, 4);   // the header's dwFlags
    std::memcpy(&levels, data + 28, 4); // its dwMipMapCount
    return std::to_string(info.Width) + "x" + std::to_string(info.Height) + " " + format +
           ((flags & 0x20000) && levels > 1 ? " " + std::to_string(levels) + " levels" : "");
}

} // namespace quillon
