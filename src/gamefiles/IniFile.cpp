#include "gamefiles/IniFile.h"

#include "platform/Paths.h"
#include "platform/Text.h"

namespace quillon {

IniFile::IniFile(const std::vector<std::string>& lines) {
    std::string section;
    for (const std::string& line : lines) {
        const std::string_view text = TrimSpaces(line);
        if (text.empty() || text.front() == ';' || text.front() == '#') {
            continue;
        }
        if (text.front() == '[') {
            const std::size_t close = text.find(']');
            if (close != std::string_view::npos) {
                section = ToUpperAscii(TrimSpaces(text.substr(1, close - 1)));
            }
            continue;
        }
        const std::size_t equals = text.find('=');
        if (equals == std::string_view::npos || equals == 0) {
            continue;
        }
        Entries.push_back({section, ToUpperAscii(TrimSpaces(text.substr(0, equals))),
                           std::string(TrimSpaces(text.substr(equals + 1)))});
    }
}

std::optional<std::string> IniFile::Value(std::string_view section, std::string_view key) const {
    const std::string wantedSection = ToUpperAscii(section);
    const std::string wantedKey = ToUpperAscii(key);
    for (const Entry& entry : Entries) {
        if (entry.Section == wantedSection && entry.Key == wantedKey) {
            return entry.Value;
        }
    }
    return std::nullopt;
}

std::string QtSettingsText(std::string_view value) {
    if (value.starts_with("@ByteArray(") && value.ends_with(")")) {
        value = value.substr(11, value.size() - 12);
    } else if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        const char e = value[++i];
        switch (e) {
        case 'n':
            text += '\n';
            break;
        case 't':
            text += '\t';
            break;
        case 'r':
            text += '\r';
            break;
        case '0':
            text += '\0';
            break;
        case 'x': {
            unsigned code = 0;
            int digits = 0;
            while (digits < 4 && i + 1 < value.size() && HexDigit(value[i + 1]) >= 0) {
                code = code * 16 + static_cast<unsigned>(HexDigit(value[++i]));
                ++digits;
            }
            if (digits == 0) {
                text += 'x';
            } else {
                AppendUtf8(text, code);
            }
            break;
        }
        default:
            text += e; // "\\", "\"" and anything unknown stand for the character
        }
    }
    return text;
}

} // namespace quillon
