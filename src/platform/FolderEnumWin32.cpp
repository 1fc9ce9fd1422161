#include "platform/FolderEnum.h"

#include <windows.h>

namespace quillon {

bool FindEntries(std::string_view programPattern, std::vector<FoundEntry>& entries) {
    entries.clear();
    const std::string pattern(programPattern);
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        // An existing folder without a match is not a failure.
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    do {
        entries.push_back(
            {data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileA(find, &data));
    FindClose(find);
    // NTFS gives this order already; FAT and network drives do not.
    SortInNtfsOrder(entries);
    return true;
}

} // namespace quillon
