// Small text helpers that several readers of outside data share: setup files, the Wine registry,
// the backups' journal.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillon {

// The value of a hexadecimal digit (either letter case), or -1 for any other character.
int HexDigit(char c);

// Appends a code point (up to U+10FFFF) as UTF-8.
void AppendUtf8(std::string& out, std::uint32_t code);

// The text without leading and trailing spaces and tabs.
std::string_view TrimSpaces(std::string_view text);

} // namespace quillon
