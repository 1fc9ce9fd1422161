#include "platform/Paths.h"

#include "platform/FolderEnum.h"

#include <filesystem>
#include <system_error>

namespace quillon {

namespace fs = std::filesystem;

std::string ToUpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ToUpperAscii(a) == ToUpperAscii(b);
}

std::string ToNativePath(std::string_view programPath) {
    std::string native(programPath);
#ifndef _WIN32
    for (char& c : native) {
        if (c == '\\') {
            c = '/';
        }
    }
#endif
    return native;
}

std::string DisplayPath(std::string_view programPath) {
    return ToNativePath(programPath);
}

namespace {

#ifndef _WIN32
bool Exists(const std::string& nativePath) {
    std::error_code error;
    return fs::exists(fs::path(nativePath), error);
}

// The entry of `folder` whose name equals `name` ignoring case; the first in NTFS order when
// several do, so the choice does not depend on the file system's order.
bool FindCaseVariant(const std::string& folder, const std::string& name, std::string& found) {
    std::error_code error;
    fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), error);
    if (error) {
        return false;
    }
    bool any = false;
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error) {
            break;
        }
        const std::string candidate = it->path().filename().string();
        const bool earlier = PrecedesInNtfsOrder(candidate, found) ||
                             (!PrecedesInNtfsOrder(found, candidate) && candidate < found);
        if (EqualsIgnoringCase(candidate, name) && (!any || earlier)) {
            found = candidate;
            any = true;
        }
    }
    return any;
}
#endif

} // namespace

std::string ResolvePath(std::string_view programPath) {
    std::string native = ToNativePath(programPath);
#ifdef _WIN32
    return native; // the file system itself ignores case
#else
    if (native.empty() || Exists(native)) {
        return native;
    }
    std::string resolved;
    size_t start = 0;
    if (native.front() == '/') {
        resolved = "/";
        start = 1;
    }
    while (start <= native.size()) {
        size_t end = native.find('/', start);
        const bool last = end == std::string::npos;
        if (last) {
            end = native.size();
        }
        const std::string component = native.substr(start, end - start);
        std::string next = resolved + component;
        if (!component.empty() && component != "." && component != ".." && !Exists(next)) {
            std::string variant;
            if (!FindCaseVariant(resolved, component, variant)) {
                // Nothing further can exist: the rest stays as written.
                return resolved + native.substr(start);
            }
            next = resolved + variant;
        }
        resolved = last ? next : next + "/";
        start = end + 1;
    }
    return resolved;
#endif
}

bool CreateFolderChain(std::string_view programPath) {
    if (programPath.empty()) {
        return false;
    }
    const fs::path folder(ResolvePath(programPath));
    std::error_code error;
    fs::create_directories(folder, error);
    return fs::is_directory(folder, error);
}

std::string AbsoluteDisplayPath(const std::string& programPath) {
    std::error_code error;
    const fs::path absolute = fs::absolute(ResolvePath(programPath), error);
    if (error) {
        return DisplayPath(programPath);
    }
    const fs::path normal = absolute.lexically_normal();
    return (normal.has_filename() ? normal : normal.parent_path()).string();
}

} // namespace quillon
