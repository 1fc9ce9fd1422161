// The workspace: the folder that holds Config.xml, SetDefs, Library and Source. Every one of them
// is read relative to the current folder, so the workspace is made the current folder before the
// configuration is read. An installed program is started from a menu, not from its workspace:
// when the current folder is no workspace, the user's own one is taken, and made on first start
// with the example set definitions the program ships. No toolkit; native paths throughout.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quillon {

// Which rules name the user's own workspace.
enum class WorkspaceRules {
    Xdg,     // $XDG_DATA_HOME/quillon (an absolute one), else $HOME/.local/share/quillon
    Windows, // the program's folder when portable.txt lies beside the program, else
             // %APPDATA%\Quillon
};

// What the choice depends on. WorkspaceFactsOfThisProgram() gathers them; tests make their own.
struct WorkspaceFacts {
    WorkspaceRules Rules = WorkspaceRules::Xdg;
    std::filesystem::path CurrentFolder;
    std::filesystem::path ProgramFolder; // the running program's folder; empty when unknown
    std::string XdgDataHome;             // environment values; empty when unset
    std::string Home;
    std::string AppData;
};

WorkspaceFacts WorkspaceFactsOfThisProgram();

struct WorkspaceChoice {
    std::filesystem::path Folder; // empty when none can be named; Reason then says why
    bool IsCurrentFolder = false;
    std::string Reason;
};

// The current folder when it is a workspace, else the user's own workspace by the rules.
WorkspaceChoice ChooseWorkspace(const WorkspaceFacts& facts);

// A folder is a workspace when it holds Config.xml or a folder SetDefs, letter case ignored as
// the readers ignore it.
bool IsWorkspace(const std::filesystem::path& folder);

// The example set definitions a program ships: share/quillon/SetDefs below the program's folder
// (the Windows package; the build folder, where the build copies them) or below its parent
// (installed on Linux: /usr/bin/.. is /usr, so /usr/share/quillon). Empty when neither exists.
std::filesystem::path FindShippedSetDefs(const std::filesystem::path& programFolder);

// Makes what the workspace lacks: the folder itself; SetDefs with a copy of each shipped *.xml
// file, only when there is no SetDefs yet (a later start keeps the user's own choice of
// definitions) and shipped ones are at hand; empty Library and Source. `made` receives the native
// path of each thing created, so an empty list means a later start. False, with the reason, when
// something cannot be made.
bool PrepareWorkspace(const std::filesystem::path& folder,
                      const std::filesystem::path& shippedSetDefs, std::vector<std::string>& made,
                      std::string& reason);

// Larger shipped definition files are not copied; the catalogue does not read them either.
constexpr std::uintmax_t MaxShippedDefinitionSize = std::uintmax_t(4) << 20;

// A program's start: the workspace is chosen, prepared and made the current folder. When any of
// that fails, Problem says why and the run stays in the current folder, as it always did.
struct WorkspaceStart {
    std::filesystem::path Folder; // the current folder afterwards
    std::vector<std::string> Made;
    std::string Problem;
};
WorkspaceStart EnterWorkspace(const WorkspaceFacts& facts);

// EnterWorkspace for the running program, with its notes on standard error, each one line
// starting with `programName`: the workspace made on a first start, or why the run stays in the
// current folder.
WorkspaceStart EnterWorkspaceOfThisProgram(const std::string& programName);

} // namespace quillon
