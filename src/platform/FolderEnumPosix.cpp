#include "platform/FolderEnum.h"

#include "platform/Paths.h"

#include <filesystem>
#include <system_error>

namespace quillon {

namespace fs = std::filesystem;

bool FindEntries(std::string_view programPattern, std::vector<FoundEntry>& entries) {
    entries.clear();
    const size_t slash = programPattern.find_last_of('\\');
    const std::string_view folder =
        slash == std::string_view::npos ? std::string_view() : programPattern.substr(0, slash);
    const std::string_view mask =
        slash == std::string_view::npos ? programPattern : programPattern.substr(slash + 1);

    const std::string native = folder.empty() ? std::string(".") : ResolvePath(folder);
    std::error_code error;
    if (!fs::is_directory(native, error)) {
        return false;
    }
    fs::directory_iterator it(native, error);
    if (error) {
        return false;
    }
    for (const char* dot : {".", ".."}) {
        if (MatchesPattern(dot, mask)) {
            entries.push_back({dot, true});
        }
    }
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error) {
            break; // what was read so far stands, as a scan that ends early on Windows
        }
        std::string name = it->path().filename().string();
        if (!MatchesPattern(name, mask)) {
            continue;
        }
        std::error_code statError;
        const bool isDirectory = it->is_directory(statError);
        entries.push_back({std::move(name), isDirectory && !statError});
    }
    SortInNtfsOrder(entries);
    return true;
}

} // namespace quillon
