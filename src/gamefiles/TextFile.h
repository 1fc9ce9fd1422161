// Text files that the game, Mod Organizer 2 and other tools write (INIs, modlist.txt,
// plugins.txt, loadorder.txt), read as lines of UTF-8 whatever their encoding: UTF-8 with or
// without a byte-order mark, or UTF-16 in either byte order (with a mark, or without one when its
// first character is ASCII). Line ends may be CR LF, LF or CR. Damage never stops a read: an odd
// trailing byte or a broken surrogate becomes U+FFFD.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// Larger files are not read: these files take kilobytes.
constexpr std::uint64_t MaxSetupFileSize = std::uint64_t(16) << 20;

struct TextLines {
    bool Found = false;             // the file exists and was read
    std::vector<std::string> Lines; // without their line ends
    std::string Note;               // why it was not read or read only in part; empty when fine
};

// Reads a file by its native path. A missing file is not found, without a note.
TextLines ReadTextLines(const std::string& nativePath);

// The lines of a file's bytes.
std::vector<std::string> DecodeTextLines(std::string_view bytes);

} // namespace quillon
