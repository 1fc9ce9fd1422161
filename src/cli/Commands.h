// quillon-cli's commands besides the head fix: `list`, what the set definitions declare, and
// `blend`, the window's "Blend Images" scripted. Each registers itself with CLI11 and runs after
// the workspace is entered, on a session that has read the configuration and started its engine.
#pragma once

#include "workflow/BlendSession.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace quillon::cli {

// `list`: one line per texture the catalogue declares, in catalogue order, fields separated by
// tabs: set, type, sub set, path relative to the game's data folder, format, size (0: as blended).
CLI::App* AddListCommand(CLI::App& app);
int RunList(BlendSession& session, std::ostream& out, std::ostream& err);

struct BlendOptions {
    std::string Set;
    std::string Type;
    std::string Mod;    // relative: below Library\<set>\<type>, as the library tree shows it
    std::string Source; // relative: below Source\<set>\<type>; empty: the installed textures
    bool Installed = false;
    std::vector<std::string> Only; // the sub sets to write; empty: all the set has for the type
    bool DryRun = false;
    bool Yes = false;
    // The workspace is not the folder the command was started in: the files written are printed
    // from the root, so that the caller's shell finds them.
    bool WholePaths = false;
};

// Asks a yes/no question; nothing when there is no terminal to ask on.
using Question = std::function<std::optional<bool>(const std::string& question)>;

// The question on the terminal of standard input and standard error, answered "y" or "yes".
std::optional<bool> AskOnTerminal(const std::string& question);

// Whether standard input is a terminal someone can answer on (Terminal.cpp).
bool InputIsTerminal();

CLI::App* AddBlendCommand(CLI::App& app, BlendOptions& options);
// Prints each texture written (or that would be) on `out`, errors with their reasons on `err`;
// returns 0 or one of the blend's exit codes (ExitCodes.h).
int RunBlend(BlendSession& session, const BlendOptions& options, std::ostream& out,
             std::ostream& err, const Question& ask);

} // namespace quillon::cli
