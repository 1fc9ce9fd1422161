// Content hashes of files Quillon writes and replaces: XXH3 with 128 bits (xxHash, a Debian
// library), written as 32 lowercase hexadecimal digits. Not cryptographic: it tells our own
// outputs from a player's files, which nobody forges on purpose, and does so at memory speed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

struct ContentHash {
    std::uint64_t High = 0;
    std::uint64_t Low = 0;

    bool operator==(const ContentHash&) const = default;
    auto operator<=>(const ContentHash&) const = default;
};

ContentHash HashBytes(const std::uint8_t* data, std::size_t size);
inline ContentHash HashBytes(const std::vector<std::uint8_t>& bytes) {
    return HashBytes(bytes.data(), bytes.size());
}

// The hash of a file's content, read in pieces; false when it cannot be read to its end.
[[nodiscard]] bool HashFile(const std::string& nativePath, ContentHash& hash);

std::string ToHex(const ContentHash& hash);
// Exactly 32 hexadecimal digits (either case); false for anything else.
[[nodiscard]] bool ParseHex(std::string_view text, ContentHash& hash);

} // namespace quillon
