// Small text helpers that several readers of outside data share: setup files, the Wine registry,
// the backups' journal.
#pragma once

#include <string_view>

namespace quillon {

// The value of a hexadecimal digit (either letter case), or -1 for any other character.
int HexDigit(char c);

// The text without leading and trailing spaces and tabs.
std::string_view TrimSpaces(std::string_view text);

} // namespace quillon
