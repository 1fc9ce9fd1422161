#include "gamefiles/FolderIndex.h"

#include "platform/FolderEnum.h"
#include "platform/Paths.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace quillon {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Parts(std::string_view relative) {
    std::vector<std::string> parts;
    std::string part;
    for (const char c : relative) {
        if (c == '\\' || c == '/') {
            if (!part.empty()) {
                parts.push_back(std::move(part));
            }
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) {
        parts.push_back(std::move(part));
    }
    return parts;
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) {
        return name;
    }
    return folder.back() == '/' || folder.back() == '\\' ? folder + name
                                                         : folder + NativeSeparator + name;
}

} // namespace

const FolderIndex::Listing& FolderIndex::ListingOf(const std::string& folder) {
    const auto known = Listings.find(folder);
    if (known != Listings.end()) {
        return known->second;
    }
    Listing& listing = Listings[folder];
    std::error_code error;
    fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::string name = it->path().filename().string();
        std::error_code statError;
        const bool isFolder = it->is_directory(statError) && !statError;
        listing.Exact.emplace(name, isFolder);
        const std::string upper = ToUpperAscii(name);
        const auto other = listing.Folded.find(upper);
        // Of names equal ignoring case, the first in NTFS order, then by bytes: the same choice
        // whatever order the file system lists them in.
        if (other == listing.Folded.end() || PrecedesInNtfsOrder(name, other->second.Name) ||
            (!PrecedesInNtfsOrder(other->second.Name, name) && name < other->second.Name)) {
            listing.Folded[upper] = Entry{std::move(name), isFolder};
        }
    }
    return listing;
}

std::optional<FolderIndex::Entry> FolderIndex::Lookup(const std::string& folder,
                                                      const std::string& name) {
    const Listing& listing = ListingOf(folder);
    const auto exact = listing.Exact.find(name);
    if (exact != listing.Exact.end()) {
        return Entry{name, exact->second};
    }
    const auto folded = listing.Folded.find(ToUpperAscii(name));
    if (folded == listing.Folded.end()) {
        return std::nullopt;
    }
    return folded->second;
}

std::string FolderIndex::FindFile(const std::string& root, std::string_view relative) {
    const std::vector<std::string> parts = Parts(relative);
    for (const std::string& part : parts) {
        if (part == "." || part == "..") {
            return {}; // nothing the game loads lies outside its data folder
        }
    }
    if (parts.empty()) {
        return {};
    }
#ifdef _WIN32
    std::string path = root;
    for (const std::string& part : parts) {
        path = Join(path, part);
    }
    std::error_code error;
    return fs::is_regular_file(path, error) ? path : std::string();
#else
    std::string path = root;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::optional<Entry> entry = Lookup(path, parts[i]);
        const bool last = i + 1 == parts.size();
        if (!entry || entry->IsFolder == last) {
            return {};
        }
        path = Join(path, entry->Name);
    }
    return path;
#endif
}

std::vector<std::string> FolderIndex::FilesIn(const std::string& folder) {
    std::vector<std::string> files;
    for (const auto& [name, isFolder] : ListingOf(folder).Exact) {
        if (!isFolder) {
            files.push_back(name);
        }
    }
    std::sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
        return PrecedesInNtfsOrder(a, b) || (!PrecedesInNtfsOrder(b, a) && a < b);
    });
    return files;
}

} // namespace quillon
