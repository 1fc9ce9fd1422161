#include "cli/Commands.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <ostream>

namespace quillon::cli {

CLI::App* AddListCommand(CLI::App& app) {
    return app.add_subcommand(
        "list", "List the texture sets, their types and sub sets, with each texture's path "
                "below the game's data folder, its format and size (tab-separated)");
}

int RunList(BlendSession& session, std::ostream& out, std::ostream& err) {
    const BlendEngine& engine = *session.Engine;
    if (engine.TextureSets.empty()) {
        std::error_code error;
        err << "quillon-cli: no set definitions in "
            << (std::filesystem::current_path(error) / "SetDefs").string() << std::endl;
        return 0;
    }
    // Every set as read, also one whose name repeats: the window lists both, and finds the first.
    for (const auto& set : engine.TextureSets) {
        std::vector<std::string> types;
        set->ListChannelNames(types);
        for (const std::string& type : types) {
            std::vector<std::string> subSets;
            set->ListSubSetNames(type, subSets);
            for (const std::string& subSet : subSets) {
                out << set->Name << '\t' << type << '\t' << subSet << '\t'
                    << set->GetPath(type, subSet) << '\t' << set->GetCompression(type, subSet)
                    << '\t' << set->GetSize(type, subSet) << '\n';
            }
        }
    }
    out.flush();
    return 0;
}

} // namespace quillon::cli
