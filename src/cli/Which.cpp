#include "cli/Which.h"

#include "cli/ExitCodes.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "workflow/BlendSession.h"

#include <iostream>

namespace quillon::cli {

int RunWhich(const std::string& relativePath) {
    BlendSession session;
    session.LoadConfiguration(ReadGameInstalledPath);
    // As the catalogue writes paths: "\" between the parts, none in front.
    std::string path;
    for (const char c : relativePath) {
        const char part = c == '/' ? '\\' : c;
        if (part != '\\' || (!path.empty() && path.back() != '\\')) {
            path += part;
        }
    }
    GameFiles& game = session.Game();
    const std::vector<GameFile> candidates = game.Candidates(path);
    for (const std::string& note : game.TakeNotes()) {
        std::cerr << note << std::endl;
    }
    if (candidates.empty()) {
        std::cerr << "quillon-cli: " << path << ": "
                  << (game.HasModOrganizer()
                          ? "no enabled mod, the data folder or a loaded archive holds it"
                          : "neither the data folder nor a loaded archive holds it")
                  << std::endl;
        return NotFound;
    }
    std::cout << path << std::endl;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const GameFile& file = candidates[i];
        std::cout << (i == 0 ? "  loaded from " : "  shadows     ") << DescribeOrigin(file) << ": "
                  << DisplayPath(file.NativePath)
                  << (file.QuillonOutput ? " (Quillon's output: blends start from what it shadows)"
                                         : "")
                  << std::endl;
    }
    return 0;
}

} // namespace quillon::cli
