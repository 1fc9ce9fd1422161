// The hashes by which an archive's records are sorted and, in an archive without names, found:
// of a folder path ("textures\actors\character") and of a file name ("femalehead.dds"), each
// lower-cased with "/" turned into "\" first, as the format's public description computes them.
#pragma once

#include <cstdint>
#include <string_view>

namespace quillon::bsa {

std::uint64_t FolderHash(std::string_view folder);
std::uint64_t FileHash(std::string_view fileName);

} // namespace quillon::bsa
