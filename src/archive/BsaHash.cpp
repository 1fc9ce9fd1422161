#include "archive/BsaHash.h"

#include <string>

namespace quillon::bsa {

namespace {

std::string Normalised(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        } else if (c == '/') {
            c = '\\';
        }
    }
    return out;
}

std::uint32_t TextHash(std::string_view text) {
    std::uint32_t hash = 0;
    for (const char c : text) {
        hash = hash * 0x1003F + static_cast<std::uint8_t>(c);
    }
    return hash;
}

std::uint8_t Byte(std::string_view text, std::size_t i) {
    return static_cast<std::uint8_t>(text[i]);
}

// The low word from the stem's first, last and second-to-last characters and its length; the
// high word from the characters between and from the extension.
std::uint64_t StemHash(std::string_view stem, std::string_view extension) {
    std::uint32_t low = 0;
    const std::size_t n = stem.size();
    if (n > 0) {
        low = Byte(stem, n - 1) + (n > 2 ? std::uint32_t(Byte(stem, n - 2)) << 8 : 0) +
              (static_cast<std::uint32_t>(n) << 16) + (std::uint32_t(Byte(stem, 0)) << 24);
    }
    std::uint32_t high = n > 3 ? TextHash(stem.substr(1, n - 3)) : 0;
    if (!extension.empty()) {
        high += TextHash(extension);
        // Four extensions mark bytes 0, 1 and 3 of the low word.
        int kind = 0;
        if (extension == ".nif") {
            kind = 1;
        } else if (extension == ".kf") {
            kind = 2;
        } else if (extension == ".dds") {
            kind = 3;
        } else if (extension == ".wav") {
            kind = 4;
        }
        if (kind != 0) {
            const auto k = static_cast<std::uint32_t>(kind);
            const std::uint32_t b0 = (((k & 0xFE) << 6) + (low & 0xFF)) & 0xFF;
            const std::uint32_t b1 = ((k << 7) + ((low >> 8) & 0xFF)) & 0xFF;
            const std::uint32_t b3 = (((k & 0xFC) << 5) + (low >> 24)) & 0xFF;
            low = (low & 0x00FF0000) | (b3 << 24) | (b1 << 8) | b0;
        }
    }
    return (std::uint64_t(high) << 32) | low;
}

} // namespace

std::uint64_t FolderHash(std::string_view folder) {
    return StemHash(Normalised(folder), {});
}

std::uint64_t FileHash(std::string_view fileName) {
    const std::string name = Normalised(fileName);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) {
        return StemHash(name, {});
    }
    return StemHash(std::string_view(name).substr(0, dot), std::string_view(name).substr(dot));
}

} // namespace quillon::bsa
