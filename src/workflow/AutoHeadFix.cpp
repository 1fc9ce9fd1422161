#include "workflow/AutoHeadFix.h"

#include "imaging/Composite.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"

#include <deque>
#include <iostream>
#include <memory>
#include <vector>

namespace quillon {

namespace {

struct HeadFixRow {
    const char* Channel;
    const char* ModFile;
    const char* ModFailure;
    const char* SourceFailure; // the caption; the text is the path that failed
    const char* CompositeFailure;
    const char* SaveFailure;
};

// In the order they run. Row i fails with codes 4i+1 (mod), 4i+2 (source), 4i+3 (composite),
// 4i+4 (save).
const HeadFixRow HeadFixRows[] = {
    {"Color", "Library\\Head\\Color\\KORAv3_HeadNeckBlendColor.psd",
     "Failed to open Color Mod Image", "Failed to open Color Source",
     "Failed to generate color composite", "Failed to save Color output file"},
    {"Normal", "Library\\Head\\Normal\\KORAv3_HeadNeckBlend.psd", "Failed to open Normal Mod Image",
     "Failed to open Normal map Source", "Failed to generate Normal map composite",
     "Failed to save Normal map output file"},
    {"Specular", "Library\\Head\\Specular\\VelloranHeadSpecBlend.psd",
     "Failed to open Specular Mod Image", "Failed to open Specular Source",
     "Failed to generate specular map composite", "Failed to save specular map output file"},
};

enum class Step { Done, SourceFailed, CompositeFailed, EncodeFailed };

// One output: a sub set of a row, worked on by a job of the pool while the job's thread goes on.
struct Texture {
    const HeadFixRow* Row = nullptr;
    AutoHeadFixResult Codes = 0; // the row's first code less one
    std::string SubSet;
    InstalledTexture Installed; // where the source is read from
    InstalledRead Read;
    std::vector<std::string> Notes; // problems of the setup found while resolving it
    std::int32_t Size = 0;
    BlendSession::SaveTarget Target;
    std::shared_ptr<const RgbaImage> Mod; // as this texture's composite sees it
    RgbaImage Source;                     // the installed texture, then the blend
    SourceBlocks Stored; // its top level as stored, while a DXT target may copy from it
    std::vector<std::uint8_t> File;
    Step Outcome = Step::Done;
    std::unique_ptr<TaskPool::Group> Work;
};

class HeadFix {
public:
    explicit HeadFix(BlendSession& session)
        : Session(session), Pool(*session.Pool), Window(session.Pool->Threads()) {}

    ~HeadFix() {
        for (const auto& texture : InFlight) {
            texture->Work->Wait(); // a failure left them: they finish, nothing is written
        }
    }

    AutoHeadFixResult Run() {
        Session.SetName = "Head";
        Session.TypeName = "Color";
        Session.Game().Refresh(); // the game's files as they are when the job starts
        std::vector<std::string> subSets;
        AutoHeadFixResult codes = 0;
        for (const HeadFixRow& row : HeadFixRows) {
            Session.TypeName = row.Channel;
            RgbaImage mod;
            if (!Session.ReadTexture(row.ModFile, mod)) {
                // Whatever came before is written first, unless it fails itself.
                return CommitAll() ? Fail(row.ModFailure, "Error", codes + 1) : Failure;
            }
            std::shared_ptr<const RgbaImage> modNow = std::make_shared<RgbaImage>(std::move(mod));
            Session.Engine->GetSubSetNames(subSets, Session.SetName, Session.TypeName);
            for (const std::string& subSet : subSets) {
                if (InFlight.size() >= Window && !CommitOldest()) {
                    return Failure;
                }
                auto texture = std::make_unique<Texture>();
                texture->Row = &row;
                texture->Codes = codes;
                texture->SubSet = subSet;
                // Never a fix over our own fix: a line says where the blend starts instead.
                std::string note;
                texture->Installed = Session.FindInstalled(
                    Session.Engine->GetTexturePath(Session.SetName, row.Channel, subSet), &note);
                if (!note.empty()) {
                    std::cout << note << std::endl;
                }
                texture->Size =
                    Session.Engine->GetTextureSize(Session.SetName, row.Channel, subSet);
                const auto target = Session.FindSaveTarget(Session.OutputPath(), Session.SetName,
                                                           row.Channel, subSet);
                texture->Target = target.value_or(BlendSession::SaveTarget{});
                texture->Notes = Session.Game().TakeNotes();
                texture->Work = std::make_unique<TaskPool::Group>(Pool);
                Start(*texture, modNow);
                InFlight.push_back(std::move(texture));
            }
            codes += 4;
        }
        if (!CommitAll()) {
            return Failure;
        }
        Session.EndRun(); // recorded before the box waits for its click
        ShowMessageBox({"Automatic Neck Seam fix Successful!", "Velloran's Quillon",
                        msgbox::MB_ICONINFORMATION, false});
        return 0;
    }

private:
    // The modification a composite sees is the one the previous composite of the row left: the
    // rules may have scaled it to a size. With a size, that depends on the modification alone;
    // without one, on the installed texture too, which must then be read first. A size that no
    // blend can have leaves the modification as it is, and the composite fails.
    void Start(Texture& texture, std::shared_ptr<const RgbaImage>& modNow) {
        const bool valid = ValidCompositeSize(texture.Size);
        if (!valid || texture.Size != 0) {
            if (valid) {
                texture.Mod = Fitted(modNow, texture.Size, texture.Size, texture.Size);
                modNow = texture.Mod ? texture.Mod : modNow;
            }
            texture.Work->Run([this, &texture] {
                if (Load(texture)) {
                    Finish(texture);
                }
            });
            return;
        }
        texture.Work->Run([this, &texture] { Load(texture); });
        texture.Work->Wait();
        if (texture.Outcome == Step::Done) {
            texture.Mod = Fitted(modNow, texture.Source.Width, texture.Source.Height, 0);
            modNow = texture.Mod ? texture.Mod : modNow;
            texture.Work->Run([this, &texture] { Finish(texture); });
        }
    }

    static std::shared_ptr<const RgbaImage> Fitted(const std::shared_ptr<const RgbaImage>& mod,
                                                   int baseWidth, int baseHeight,
                                                   std::int32_t size) {
        const CompositeSizes sizes =
            PlanComposite(baseWidth, baseHeight, mod->Width, mod->Height, size);
        if (sizes.OverlayWidth == mod->Width && sizes.OverlayHeight == mod->Height) {
            return mod;
        }
        auto scaled = std::make_shared<RgbaImage>(*mod);
        return FitTo(*scaled, sizes.OverlayWidth, sizes.OverlayHeight) ? scaled : nullptr;
    }

    bool Load(Texture& texture) const {
        const std::optional<TextureFormat> format = texture.Target.Format;
        const bool dxt = format == TextureFormat::DXT1 || format == TextureFormat::DXT5;
        if (!Session.ReadInstalled(texture.Installed, texture.Source,
                                   dxt ? &texture.Stored : nullptr, texture.Read)) {
            texture.Outcome = Step::SourceFailed;
            return false;
        }
        return true;
    }

    // The blend is made in place of the installed texture, then encoded.
    void Finish(Texture& texture) const {
        if (!texture.Mod) {
            texture.Outcome = Step::CompositeFailed;
            return;
        }
        RgbaImage& base = texture.Source;
        const RgbaImage& mod = *texture.Mod;
        const CompositeSizes sizes =
            PlanComposite(base.Width, base.Height, mod.Width, mod.Height, texture.Size);
        if (!FitTo(base, sizes.BaseWidth, sizes.BaseHeight)) {
            texture.Outcome = Step::CompositeFailed;
            return;
        }
        base.HasAlpha = true; // a composite has alpha, as the slot it stands for
        BlendOver(base, mod);
        if (!texture.Stored.Blocks.empty()) {
            texture.Stored.Untouched = UntouchedBlocks(mod, base.Width, base.Height);
            if (texture.Target.MipChain) {
                texture.Stored.LowerUntouched = UntouchedMipBlocks(mod, base.Width, base.Height);
            }
        }
        texture.Mod.reset();
        texture.File = Session.EncodeTexture(base, texture.Target, &texture.Stored);
        texture.Stored = SourceBlocks();
        base = RgbaImage();
        if (texture.File.empty()) {
            texture.Outcome = Step::EncodeFailed;
        }
    }

    // Waits for the oldest texture and writes it, with its line; false after a failure.
    bool CommitOldest() {
        Texture& texture = *InFlight.front();
        texture.Work->Wait();
        const HeadFixRow& row = *texture.Row;
        // What went wrong on the way, one line each, before the texture's own outcome.
        for (const std::string& line : texture.Notes) {
            std::cerr << line << std::endl;
        }
        for (const std::string& line : texture.Read.Skipped) {
            std::cerr << line << std::endl;
        }
        switch (texture.Outcome) {
        case Step::SourceFailed: {
            const std::string& reason = texture.Read.Reason;
            Fail(DisplayPath(texture.Installed.TriedPath) + (reason.empty() ? "" : "\r\n" + reason),
                 row.SourceFailure, texture.Codes + 2);
            return false;
        }
        case Step::CompositeFailed:
            Fail(std::string(row.CompositeFailure) + "\r\n\r\nSet \"" + Session.SetName +
                     "\", sub set \"" + texture.SubSet + "\", channel \"" + row.Channel +
                     "\": Size " + std::to_string(texture.Size) + " is outside 0 to " +
                     std::to_string(MaxTextureEdge) + ".",
                 "Error", texture.Codes + 3);
            return false;
        case Step::EncodeFailed:
            Fail(row.SaveFailure, "Error", texture.Codes + 4);
            return false;
        case Step::Done:
            break;
        }
        if (!Session.WriteTexture(texture.Target, texture.File)) {
            Fail(row.SaveFailure, "Error", texture.Codes + 4);
            return false;
        }
        // Progress for a terminal: where the source came from, unless the data folder, then the
        // texture just written.
        if (const std::string origin = SourceOriginLine(texture.Installed, texture.Read);
            !origin.empty()) {
            std::cout << origin << std::endl;
        }
        std::cout << ResolvePath(texture.Target.Path) << std::endl;
        InFlight.pop_front();
        return true;
    }

    bool CommitAll() {
        while (!InFlight.empty()) {
            if (!CommitOldest()) {
                return false;
            }
        }
        return true;
    }

    AutoHeadFixResult Fail(const std::string& text, const std::string& caption,
                           AutoHeadFixResult code) {
        Session.EndRun();
        ShowMessageBox({text, caption, msgbox::MB_OK, false});
        Failure = code;
        return code;
    }

    BlendSession& Session;
    TaskPool& Pool;
    const std::size_t Window; // textures in work at once: one per thread
    std::deque<std::unique_ptr<Texture>> InFlight;
    AutoHeadFixResult Failure = 0;
};

} // namespace

AutoHeadFixResult RunAutoHeadFix(BlendSession& session) {
    session.BeginRun("head fix");
    AutoHeadFixResult result = 0;
    {
        HeadFix job(session);
        result = job.Run();
    }
    session.EndRun();
    return result;
}

} // namespace quillon
