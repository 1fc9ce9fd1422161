// `blend` does what a player does in the window, in the window's order: choose the set and the
// type, tick "Use Currently installed textures" or not, tick the destinations, double-click the
// modification (and the source file) in their trees, and press "Blend Images". The session then
// applies the window's rules; this file only reads its outcome back and words it for a console.
#include "cli/Commands.h"

#include "cli/ExitCodes.h"
#include "imaging/Composite.h"
#include "imaging/RgbaImage.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <filesystem>
#include <iostream>

namespace quillon::cli {

namespace {

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + Quoted(name);
    }
    return text.empty() ? "none" : text;
}

// A path given on the command line as a tree path: "/" and "\" both separate folders.
std::string AsProgramPath(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

bool IsAbsolute(const std::string& path) {
    return std::filesystem::path(path).is_absolute();
}

// While a blend runs: the session's boxes answered for a console, and what they said kept.
class ConsoleBoxes {
public:
    ConsoleBoxes(bool yes, const Question& ask) {
        SetMessageBoxHandler([this, yes, &ask](const MessageBoxRequest& request) {
            if ((request.Style & msgbox::MB_TYPEMASK) != msgbox::MB_YESNO) {
                if (request.Caption == "Error") {
                    // The box's first line; the command says the reason its own way.
                    Errors.push_back(request.Text.substr(0, request.Text.find("\r\n")));
                }
                return msgbox::IDOK; // a success box: the written files' lines say it
            }
            if (yes) {
                return msgbox::IDYES;
            }
            const std::optional<bool> answer = ask ? ask(request.Text) : std::nullopt;
            Refused = !answer.value_or(false);
            NoTerminal = !answer.has_value();
            return Refused ? msgbox::IDNO : msgbox::IDYES;
        });
    }
    ~ConsoleBoxes() { SetMessageBoxHandler({}); }
    ConsoleBoxes(const ConsoleBoxes&) = delete;
    ConsoleBoxes& operator=(const ConsoleBoxes&) = delete;

    std::vector<std::string> Errors;
    bool Refused = false;
    bool NoTerminal = false;
};

// The names the command line gives, checked against the catalogue; the destinations in the
// destination list's order, whatever order --only names them in.
int CheckNames(BlendSession& session, const BlendOptions& options,
               std::vector<std::string>& destinations, std::ostream& err) {
    const BlendEngine& engine = *session.Engine;
    std::vector<std::string> names;
    if (engine.FindTextureSet(options.Set) == nullptr) {
        engine.GetTextureSetNames(names);
        err << "quillon-cli: no set " << Quoted(options.Set)
            << " in the set definitions; sets: " << Joined(names) << std::endl;
        return UnknownName;
    }
    engine.GetChannelNames(names, options.Set);
    if (std::find(names.begin(), names.end(), options.Type) == names.end()) {
        err << "quillon-cli: the set " << Quoted(options.Set) << " has no type "
            << Quoted(options.Type) << "; types: " << Joined(names) << std::endl;
        return UnknownName;
    }
    std::vector<std::string> subSets;
    engine.GetSubSetNames(subSets, options.Set, options.Type);
    for (const std::string& only : options.Only) {
        if (std::find(subSets.begin(), subSets.end(), only) == subSets.end()) {
            err << "quillon-cli: the set " << Quoted(options.Set) << " has no sub set "
                << Quoted(only) << " of type " << Quoted(options.Type)
                << "; sub sets: " << Joined(subSets) << std::endl;
            return UnknownName;
        }
    }
    for (const std::string& subSet : subSets) {
        if (options.Only.empty() ||
            std::find(options.Only.begin(), options.Only.end(), subSet) != options.Only.end()) {
            destinations.push_back(subSet);
        }
    }
    return 0;
}

// The reason the session gave for its last failure, when it gave one, after a colon.
std::string Because(const std::string& reason) {
    return reason.empty() ? "" : ": " + reason;
}

// What could not be read, naming its path once: the session's reason may begin with it.
std::string CannotRead(const std::string& what, const std::string& path, std::string reason) {
    const std::string shown = DisplayPath(path);
    if (reason.starts_with(shown + ": ")) {
        reason.erase(0, shown.size() + 2);
    }
    return "cannot read the " + what + " " + shown + Because(reason);
}

} // namespace

std::optional<bool> AskOnTerminal(const std::string& question) {
    if (!InputIsTerminal()) {
        return std::nullopt;
    }
    std::string text;
    for (char c : question) {
        text += c == '\r' ? "" : std::string(1, c);
    }
    std::cerr << text << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) {
        return false;
    }
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
}

CLI::App* AddBlendCommand(CLI::App& app, BlendOptions& options) {
    CLI::App* blend = app.add_subcommand(
        "blend", "Blend a modification over textures of one set and type and write them below "
                 "the output folder, as the window's \"Blend Images\" does");
    blend->add_option("--set", options.Set, "The texture set, as `list` names it")->required();
    blend->add_option("--type", options.Type, "The texture type (channel)")->required();
    blend
        ->add_option("--mod", options.Mod,
                     "The modification; a relative path is looked up in Library/<set>/<type>")
        ->required();
    CLI::Option* source = blend->add_option(
        "--source", options.Source,
        "One source texture for every destination; a relative path is looked up in "
        "Source/<set>/<type>");
    CLI::Option* installed = blend->add_flag(
        "--installed", options.Installed,
        "Blend over each destination's installed texture (the default without --source)");
    source->excludes(installed);
    blend
        ->add_option("--only", options.Only,
                     "Only these sub sets, comma-separated (default: every one of the type)")
        ->delimiter(',');
    blend->add_flag("--dry-run", options.DryRun,
                    "Read the modification and the sources and print the files that would be "
                    "written, without writing any");
    blend->add_flag("--yes", options.Yes,
                    "Write several destinations without asking (needed without a terminal)");
    return blend;
}

int RunBlend(BlendSession& session, const BlendOptions& options, std::ostream& out,
             std::ostream& err, const Question& ask) {
    std::vector<std::string> destinations;
    if (const int code = CheckNames(session, options, destinations, err); code != 0) {
        return code;
    }
    BlendChoice choice;
    choice.UseInstalled = options.Source.empty();
    choice.Destinations = destinations;
    const std::string tree = options.Set + "\\" + options.Type + "\\";
    choice.LibraryTreePath = tree + AsProgramPath(options.Mod);
    choice.SourceTreePath = choice.UseInstalled ? "" : tree + AsProgramPath(options.Source);

    std::string reason; // the session's word on its last failure, when it has one
    session.View = SessionView();
    // The view refers to this call's locals: it goes with them.
    struct ViewReset {
        BlendSession& Session;
        ~ViewReset() { Session.View = SessionView(); }
    } viewReset{session};
    // A picture's reason says why its load or blend failed; the run's summary (no picture) is
    // what this command says itself.
    session.View.Reason = [&reason](unsigned pictures, const std::string& text) {
        if (pictures != 0) {
            reason = text;
        }
    };
    const auto printed = [&options](const std::string& path) {
        return options.WholePaths ? AbsoluteDisplayPath(path) : ResolvePath(path);
    };
    std::size_t written = 0;
    session.View.Written = [&](const std::string& path) {
        out << printed(path) << std::endl;
        ++written;
    };

    // The set and the type are chosen: both images are to be read anew.
    session.SetName = options.Set;
    session.TypeName = options.Type;
    session.SourceReload = true;
    session.ModReload = true;

    // The modification, double-clicked in its tree; a path outside the tree is read directly.
    const std::string modPath =
        IsAbsolute(options.Mod) ? options.Mod : "Library\\" + choice.LibraryTreePath;
    const bool modLoaded = IsAbsolute(options.Mod) ? session.LoadTexture(ModSlot, options.Mod, true)
                                                   : session.LoadModImage(choice);
    if (!modLoaded) {
        err << "quillon-cli: "
            << CannotRead("modification", modPath,
                          IsAbsolute(options.Mod) ? session.LoadProblem(ModSlot) : reason)
            << std::endl;
        return ModificationUnreadable;
    }
    session.ModReload = false;

    // One source for all, double-clicked in the source tree in the same way.
    if (!choice.UseInstalled) {
        const std::string sourcePath =
            IsAbsolute(options.Source) ? options.Source : "Source\\" + choice.SourceTreePath;
        const bool sourceLoaded = IsAbsolute(options.Source)
                                      ? session.LoadTexture(SourceSlot, options.Source, true)
                                      : session.LoadSourceImage(0, choice);
        if (!sourceLoaded) {
            err << "quillon-cli: "
                << CannotRead("source", sourcePath,
                              IsAbsolute(options.Source) ? session.LoadProblem(SourceSlot) : reason)
                << std::endl;
            return SourceUnreadable;
        }
        session.SourceReload = false;
    }

    const auto installedPath = [&](std::size_t i) {
        return session.DataPath() +
               session.Engine->GetTexturePath(options.Set, options.Type, destinations[i]);
    };
    const auto outputPath = [&](std::size_t i) {
        return session.OutputPath() +
               session.Engine->GetTexturePath(options.Set, options.Type, destinations[i]);
    };
    const auto sizeFault = [&](std::size_t i) {
        const std::int32_t size =
            session.Engine->GetTextureSize(options.Set, options.Type, destinations[i]);
        return "set " + Quoted(options.Set) + ", sub set " + Quoted(destinations[i]) + ", type " +
               Quoted(options.Type) + ": Size " + std::to_string(size) + " is outside 0 to " +
               std::to_string(MaxTextureEdge);
    };

    if (options.DryRun) {
        // Every source read as the blend would read it; nothing composited, nothing written.
        // The files are named once every check passed, so a failed dry run names none.
        std::vector<std::string> wouldWrite;
        for (std::size_t i = 0; i < destinations.size(); ++i) {
            if (choice.UseInstalled) {
                session.SourceReload = true;
                if (!session.LoadSourceImage(static_cast<unsigned>(i), choice)) {
                    err << "quillon-cli: "
                        << CannotRead("installed texture", installedPath(i), reason) << std::endl;
                    return SourceUnreadable;
                }
            }
            if (!ValidCompositeSize(
                    session.Engine->GetTextureSize(options.Set, options.Type, destinations[i]))) {
                err << "quillon-cli: cannot blend: " << sizeFault(i) << std::endl;
                return BlendFailed;
            }
            wouldWrite.push_back(printed(outputPath(i)));
        }
        for (const std::string& path : wouldWrite) {
            out << path << '\n';
        }
        out.flush();
        return 0;
    }

    ConsoleBoxes boxes(options.Yes, ask);
    session.BlendImages(choice, false);
    if (boxes.Refused) {
        err << "quillon-cli: " << destinations.size() << " destinations were not written: "
            << (boxes.NoTerminal ? "there is no terminal to ask on; pass --yes to write them all"
                                 : "the answer was no")
            << std::endl;
        return NotConfirmed;
    }
    if (boxes.Errors.empty()) {
        return 0;
    }
    // The first failure ended the run; the slots show which step it was. The destination is the
    // one after those written, or the first when one blend went to all.
    const std::size_t failed = choice.UseInstalled ? written : 0;
    const auto slotEmpty = [&](const char* key) {
        const auto slot = session.Images.find(key);
        return slot == session.Images.end() || slot->second.Empty();
    };
    err << "Error: " << boxes.Errors.front();
    if (slotEmpty(SourceSlot)) {
        err << ": " << CannotRead("installed texture", installedPath(failed), reason) << std::endl;
        return SourceUnreadable;
    }
    if (slotEmpty(FinalSlot)) {
        const bool sizeValid = ValidCompositeSize(
            session.Engine->GetTextureSize(options.Set, options.Type, destinations[failed]));
        err << ": cannot blend"
            << (sizeValid ? " for sub set " + Quoted(destinations[failed]) + Because(reason)
                          : ": " + sizeFault(failed))
            << std::endl;
        return BlendFailed;
    }
    err << ": cannot write " << DisplayPath(outputPath(written))
        << Because(reason.empty() ? session.LastWriteFailure : reason) << std::endl;
    return SaveFailed;
}

} // namespace quillon::cli
