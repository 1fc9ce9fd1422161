#include "platform/FolderEnum.h"

#include "platform/Paths.h"

#include <algorithm>

namespace quillon {

namespace {

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool Match(std::string_view name, std::string_view pattern) {
    // Iterative wildcard match with backtracking to the last "*".
    size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || Upper(pattern[p]) == Upper(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

bool IsDotEntry(const std::string& name) {
    return name == "." || name == "..";
}

} // namespace

bool MatchesPattern(std::string_view name, std::string_view pattern) {
    if (pattern == "*.*" || pattern == "*") {
        return true; // Windows: every name, also one without a dot
    }
    return Match(name, pattern);
}

bool PrecedesInNtfsOrder(std::string_view a, std::string_view b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const auto ua = static_cast<unsigned char>(Upper(a[i]));
        const auto ub = static_cast<unsigned char>(Upper(b[i]));
        if (ua != ub) {
            return ua < ub;
        }
    }
    return a.size() < b.size();
}

void SortInNtfsOrder(std::vector<FoundEntry>& entries) {
    // "." and ".." come first, as NTFS returns them; names equal ignoring case (possible only on
    // a case-sensitive file system) keep a fixed order by their bytes.
    std::sort(entries.begin(), entries.end(), [](const FoundEntry& a, const FoundEntry& b) {
        const bool dotA = IsDotEntry(a.Name), dotB = IsDotEntry(b.Name);
        if (dotA != dotB) {
            return dotA;
        }
        if (PrecedesInNtfsOrder(a.Name, b.Name)) {
            return true;
        }
        if (PrecedesInNtfsOrder(b.Name, a.Name)) {
            return false;
        }
        return a.Name < b.Name;
    });
}

} // namespace quillon
