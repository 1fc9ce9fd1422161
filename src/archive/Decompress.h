// The two codecs of the archives' compressed files, through Debian's libraries: zlib streams
// (versions 103 and 104) and LZ4 frames (105). Output goes into a buffer of the size the archive
// declares; a stream that would write past it is cut off there and fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillon::bsa {

enum class Codec { Zlib, Lz4Frame };

// Neither codec makes more than this many bytes of one byte of stream (deflate's limit is
// 1032; LZ4's about 255), so a declared size beyond it is a lie found before any allocation.
constexpr std::uint64_t MaxExpansion = 1032;

// Decompresses `in` into `out`. With `whole`, the stream must give exactly `outSize` bytes and
// end there; without, only the first `outSize` bytes are made and the rest is not looked at.
// The empty text on success, else why it failed.
std::string Decompress(Codec codec, const std::uint8_t* in, std::size_t inSize, std::uint8_t* out,
                       std::size_t outSize, bool whole);

} // namespace quillon::bsa
