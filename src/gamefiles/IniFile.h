// INI files as the game reads its own (Skyrim.ini, SkyrimCustom.ini) and as Mod Organizer 2
// writes its settings through Qt (ModOrganizer.ini, a profile's settings.ini): "[Section]"
// lines, "key=value" lines, comments after ";" or "#". Sections and keys ignore ASCII letter
// case, as Windows' profile functions do, and the first value of a key counts. Lines that are
// none of these are skipped.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

class IniFile {
public:
    IniFile() = default;
    explicit IniFile(const std::vector<std::string>& lines);

    // The value as written, without the white space around it.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

private:
    struct Entry {
        std::string Section, Key, Value; // section and key upper-cased
    };
    std::vector<Entry> Entries;
};

// A value as Qt's settings store it: "@ByteArray(...)" and "..." unwrapped, and the escapes
// "\\", "\"", "\n", "\t", "\r", "\0" and "\xhhhh" decoded. Other text stays as it is.
std::string QtSettingsText(std::string_view value);

} // namespace quillon
