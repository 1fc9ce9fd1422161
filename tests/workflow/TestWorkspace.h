// Workspace files for the workflow tests, without Qt: set definitions (SampleDocuments.h), and
// what a DDS texture that was written declares.
#pragma once

#include "imaging/DdsReader.h"
#include "samples/SampleDocuments.h"
#include "support/TestSupport.h"

#include <string>
#include <utility>
#include <vector>

namespace quillon {

// "<width>x<height> <format>" of a DDS file: the FourCC (DXT1, DXT5 ...), RGB or RGBA for 24 or
// 32 bits a pixel, or "DXGI <number>" with the DX10 header; then " <n> levels" when it has a mip
// chain; "" for anything the reader refuses.
inline std::string DescribeDds(const std::string& path) {
    const std::string bytes = ReadTextFile(path);
    DdsLayout layout;
    if (ReadDdsLayout(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), layout) !=
        DdsProblem::None) {
        return "";
    }
    const std::string format = layout.Dx10          ? "DXGI " + std::to_string(layout.DxgiFormat)
                               : layout.FourCC != 0 ? bytes.substr(84, 4)
                               : layout.BytesPerPixel == 3 ? "RGB"
                               : layout.BytesPerPixel == 4 ? "RGBA"
                                                           : "masked";
    return std::to_string(layout.Width) + "x" + std::to_string(layout.Height) + " " + format +
           (layout.MipCount > 1 ? " " + std::to_string(layout.MipCount) + " levels" : "");
}

} // namespace quillon
