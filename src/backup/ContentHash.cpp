#include "backup/ContentHash.h"

#include "platform/Text.h"

#define XXH_INLINE_ALL // header only: the Windows build needs no library of it
#include <xxhash.h>

#include <fstream>
#include <memory>

namespace quillon {

namespace {

ContentHash FromXxh(const XXH128_hash_t& value) {
    return {value.high64, value.low64};
}

} // namespace

ContentHash HashBytes(const std::uint8_t* data, std::size_t size) {
    return FromXxh(XXH3_128bits(data, size));
}

bool HashFile(const std::string& nativePath, ContentHash& hash) {
    std::ifstream in(nativePath, std::ios::binary);
    if (!in) {
        return false;
    }
    const std::unique_ptr<XXH3_state_t, XXH_errorcode (*)(XXH3_state_t*)> state(XXH3_createState(),
                                                                                XXH3_freeState);
    if (!state || XXH3_128bits_reset(state.get()) != XXH_OK) {
        return false;
    }
    std::vector<char> buffer(1 << 20);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const std::streamsize got = in.gcount();
        if (got > 0 && XXH3_128bits_update(state.get(), buffer.data(),
                                           static_cast<std::size_t>(got)) != XXH_OK) {
            return false;
        }
    }
    if (!in.eof()) {
        return false; // a read error, not the end of the file
    }
    hash = FromXxh(XXH3_128bits_digest(state.get()));
    return true;
}

std::string ToHex(const ContentHash& hash) {
    static constexpr char Digits[] = "0123456789abcdef";
    std::string text(32, '0');
    for (int i = 0; i < 16; ++i) {
        text[static_cast<std::size_t>(15 - i)] = Digits[(hash.High >> (4 * i)) & 0xF];
        text[static_cast<std::size_t>(31 - i)] = Digits[(hash.Low >> (4 * i)) & 0xF];
    }
    return text;
}

bool ParseHex(std::string_view text, ContentHash& hash) {
    if (text.size() != 32) {
        return false;
    }
    ContentHash parsed;
    for (std::size_t i = 0; i < 32; ++i) {
        const int digit = HexDigit(text[i]);
        if (digit < 0) {
            return false;
        }
        std::uint64_t& half = i < 16 ? parsed.High : parsed.Low;
        half = (half << 4) | static_cast<std::uint64_t>(digit);
    }
    hash = parsed;
    return true;
}

} // namespace quillon
