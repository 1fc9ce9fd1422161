// Any bytes through the DDS reader: the header checks, then the decode of whatever they accept.
// Then the file as an installed texture: its stored levels kept (ReadImageFile's blocks), and a
// save over it that leaves every block alone must give back the stored bytes of each level kept.
// A crash, a sanitizer report, a hang or a large allocation is a finding.
#include "FuzzFolder.h"
#include "imaging/DdsFormat.h"
#include "imaging/DdsReader.h"
#include "imaging/DdsWriter.h"
#include "imaging/ImageFile.h"
#include "imaging/MipChain.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quillon::MakeFuzzFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillon;
    DdsLayout layout;
    if (ReadDdsLayout(data, size, layout) != DdsProblem::None) {
        return 0;
    }
    RgbaImage image;
    const bool decoded = static_cast<bool>(DecodeDds(data, size, (size & 1) != 0, image));
    // What the header checks accepted must decode, to the size they read.
    if (!decoded || image.Width != layout.Width || image.Height != layout.Height ||
        image.Pixels.size() != static_cast<std::size_t>(layout.Width) * layout.Height * 4) {
        __builtin_trap();
    }

    WriteFuzzInput("installed.dds", data, size);
    SourceBlocks source;
    RgbaImage installed;
    if (!ReadImageFile((FuzzFolder().Path / "installed.dds").string(), true, installed, &source) ||
        source.Blocks.empty()) {
        return 0;
    }
    const std::size_t blocks = static_cast<std::size_t>((installed.Width + 3) / 4) *
                               static_cast<std::size_t>((installed.Height + 3) / 4);
    source.Untouched.assign(blocks, true);
    source.LowerUntouched = UntouchedMipBlocks(RgbaImage(), installed.Width, installed.Height);
    static TaskPool pool(1);
    const std::vector<RgbaImage> levels = MakeMipLevels(installed, MipKind::Colour, pool);
    const std::vector<std::uint8_t> file =
        EncodeDds(installed, source.Format, pool, levels, &source);
    std::size_t at = file.size() < DDS_FILE_HEADER_SIZE ? file.size() : DDS_FILE_HEADER_SIZE;
    if (source.LowerBlocks.size() > levels.size() || file.size() < at + source.Blocks.size() ||
        std::memcmp(file.data() + at, source.Blocks.data(), source.Blocks.size()) != 0) {
        __builtin_trap(); // the top level is not the stored one
    }
    at += source.Blocks.size();
    for (const std::vector<std::uint8_t>& level : source.LowerBlocks) {
        if (file.size() < at + level.size() ||
            std::memcmp(file.data() + at, level.data(), level.size()) != 0) {
            __builtin_trap(); // a lower level is not the stored one
        }
        at += level.size();
    }
    return 0;
}
