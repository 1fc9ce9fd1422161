#include "gamefiles/LoadOrder.h"

#include "platform/Paths.h"
#include "platform/Text.h"

#include <algorithm>
#include <set>

namespace quillon {

namespace {

bool Skipped(std::string_view line) {
    return line.empty() || line.front() == '#';
}

} // namespace

bool HasActiveMarks(const std::vector<std::string>& plugins) {
    return std::any_of(plugins.begin(), plugins.end(),
                       [](const std::string& line) { return TrimSpaces(line).starts_with("*"); });
}

std::vector<std::string> ActivePlugins(const std::vector<std::string>& plugins,
                                       const std::vector<std::string>& loadOrder,
                                       bool starMarksActive) {
    std::vector<std::string> active;
    std::set<std::string> seen; // upper-cased
    for (const std::string& line : plugins) {
        std::string_view name = TrimSpaces(line);
        if (Skipped(name)) {
            continue;
        }
        if (starMarksActive) {
            if (name.front() != '*') {
                continue;
            }
            name = TrimSpaces(name.substr(1));
        }
        if (!name.empty() && seen.insert(ToUpperAscii(name)).second) {
            active.emplace_back(name);
        }
    }
    // loadorder.txt decides the order of those it lists; the others keep theirs after them.
    std::vector<std::string> ordered;
    std::set<std::string> placed;
    for (const std::string& line : loadOrder) {
        std::string_view name = TrimSpaces(line);
        if (!Skipped(name) && name.front() == '*') {
            name = TrimSpaces(name.substr(1));
        }
        const std::string upper = ToUpperAscii(name);
        if (!Skipped(name) && seen.count(upper) != 0 && placed.insert(upper).second) {
            ordered.emplace_back(name);
        }
    }
    for (const std::string& name : active) {
        if (placed.insert(ToUpperAscii(name)).second) {
            ordered.push_back(name);
        }
    }
    return ordered;
}

std::vector<std::string> ArchiveListNames(std::string_view list) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string_view name = TrimSpaces(list.substr(start, comma - start));
        if (!name.empty()) {
            names.emplace_back(name);
        }
        start = comma + 1;
    }
    return names;
}

std::vector<std::string> PluginArchiveNames(std::string_view plugin) {
    const std::size_t dot = plugin.rfind('.');
    const std::string stem(dot == std::string_view::npos ? plugin : plugin.substr(0, dot));
    return {stem + ".bsa", stem + " - Textures.bsa"};
}

} // namespace quillon
