// Finds files below many folders quickly and as Windows would: each folder is listed once and
// its names are matched ignoring ASCII letter case (the exact spelling first, else the first in
// NTFS order). Windows' file system ignores case itself, so there a path is simply tried. Not
// thread safe: one index per thread that looks things up.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quillon {

class FolderIndex {
public:
    // The native path of the file at `relative` ("\" or "/" between the parts) below the native
    // folder `root`; empty when there is no such file.
    std::string FindFile(const std::string& root, std::string_view relative);

    // The names of the files (not folders) directly in a native folder, in NTFS order.
    std::vector<std::string> FilesIn(const std::string& folder);

private:
    struct Entry {
        std::string Name;
        bool IsFolder = false;
    };
    struct Listing {
        std::unordered_map<std::string, bool> Exact; // name: is a folder
        std::map<std::string, Entry> Folded;         // upper-cased name: the entry it finds
    };
    const Listing& ListingOf(const std::string& folder);
    // The entry of `folder` named `name`, ignoring case; nothing when none.
    std::optional<Entry> Lookup(const std::string& folder, const std::string& name);

    std::unordered_map<std::string, Listing> Listings;
};

} // namespace quillon
