#include "gamefiles/TextFile.h"

#include "platform/Paths.h"
#include "platform/ReadFile.h"
#include "platform/Text.h"

#include <filesystem>
#include <system_error>

namespace quillon {

namespace {

constexpr std::uint32_t Replacement = 0xFFFD;

std::string FromUtf16(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size() / 2);
    const auto unit = [&](std::size_t i) {
        const auto a = static_cast<std::uint8_t>(bytes[i]);
        const auto b = static_cast<std::uint8_t>(bytes[i + 1]);
        return static_cast<std::uint32_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    };
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const std::uint32_t first = unit(i);
        if (first >= 0xD800 && first < 0xDC00 && i + 3 < bytes.size()) {
            const std::uint32_t second = unit(i + 2);
            if (second >= 0xDC00 && second < 0xE000) {
                AppendUtf8(out, 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(out, first >= 0xD800 && first < 0xE000 ? Replacement : first);
    }
    if (i < bytes.size()) {
        AppendUtf8(out, Replacement); // an odd byte at the end
    }
    return out;
}

} // namespace

std::vector<std::string> DecodeTextLines(std::string_view bytes) {
    std::string text;
    const auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
    if (bytes.size() >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) {
        text = bytes.substr(3);
    } else if (bytes.size() >= 2 && at(0) == 0xFF && at(1) == 0xFE) {
        text = FromUtf16(bytes.substr(2), false);
    } else if (bytes.size() >= 2 && at(0) == 0xFE && at(1) == 0xFF) {
        text = FromUtf16(bytes.substr(2), true);
    } else if (bytes.size() >= 2 && at(0) != 0 && at(0) < 0x80 && at(1) == 0) {
        text = FromUtf16(bytes, false);
    } else if (bytes.size() >= 2 && at(0) == 0 && at(1) != 0 && at(1) < 0x80) {
        text = FromUtf16(bytes, true);
    } else {
        text = bytes;
    }
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

TextLines ReadTextLines(const std::string& nativePath) {
    TextLines result;
    std::error_code error;
    if (!std::filesystem::is_regular_file(nativePath, error)) {
        return result;
    }
    std::string bytes;
    if (const Outcome read = ReadWholeFile(nativePath, MaxSetupFileSize, bytes); !read) {
        result.Note = DisplayPath(nativePath) + ": " + read.Why().Text + ", so it is ignored";
        return result;
    }
    result.Found = true;
    result.Lines = DecodeTextLines(bytes);
    return result;
}

} // namespace quillon
