#include "workflow/AutoHeadFix.h"

#include "imaging/Composite.h"
#include "imaging/ImageFile.h"
#include "imaging/MipChain.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"

#include <deque>
#include <iostream>
#include <memory>
#include <optional>
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
    Step Status = Step::Done;
    Problem Why; // the failure's reason
    std::unique_ptr<TaskPool::Group> Work;
};

// The reason a texture's bytes could not be made.
std::string EncodeProblem(const BlendSession::SaveTarget& target) {
    if (!target.Format) {
        return "its set definition names no format Quillon writes";
    }
    if (!CanEncodeImageFile(target.Path)) {
        return "Quillon writes no files of its extension";
    }
    return OutOfMemory().Text;
}

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
            if (const Outcome read = Session.ReadTexture(row.ModFile, mod); !read) {
                // Whatever came before is written first, unless it fails itself.
                return CommitAll()
                           ? Fail(WithReason(row.ModFailure, read.Why()), "Error", codes + 1)
                           : Failure;
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
    // The system's message, then the reason on the next line.
    static std::string WithReason(const std::string& message, const Problem& why) {
        return why.Text.empty() ? message : message + "\r\n" + why.Text;
    }

    // The modification a composite sees is the one the previous composite of the row left: the
    // composite may have scaled it. With a size, that depends on the modification alone and is
    // known at once; without one, on the installed texture too, which must then be read and
    // blended first.
    void Start(Texture& texture, std::shared_ptr<const RgbaImage>& modNow) {
        if (texture.Size != 0) {
            if (std::optional<RgbaImage> scaled = OverlayAtSize(*modNow, texture.Size)) {
                modNow = std::make_shared<const RgbaImage>(std::move(*scaled));
            }
            texture.Mod = modNow;
            texture.Work->Run([this, &texture] {
                if (Load(texture) && Blend(texture)) {
                    Encode(texture);
                }
            });
            return;
        }
        texture.Mod = modNow;
        RgbaImage scaledMod;
        texture.Work->Run([this, &texture, &scaledMod] {
            if (Load(texture)) {
                Blend(texture, &scaledMod);
            }
        });
        texture.Work->Wait();
        if (!scaledMod.Empty()) {
            modNow = std::make_shared<const RgbaImage>(std::move(scaledMod));
        }
        if (texture.Status == Step::Done) {
            texture.Work->Run([this, &texture] { Encode(texture); });
        }
    }

    bool Load(Texture& texture) const {
        const std::optional<TextureFormat> format = texture.Target.Format;
        const bool dxt = format == TextureFormat::DXT1 || format == TextureFormat::DXT5;
        if (!Session.ReadInstalled(texture.Installed, texture.Source,
                                   dxt ? &texture.Stored : nullptr, texture.Read)) {
            texture.Status = Step::SourceFailed;
            texture.Why = {texture.Read.Reason, std::nullopt};
            return false;
        }
        return true;
    }

    // The blend is made in place of the installed texture; `scaledMod`, when given, receives the
    // modification as the composite scaled it.
    bool Blend(Texture& texture, RgbaImage* scaledMod = nullptr) const {
        CompositeResult made;
        const Outcome composited =
            CompositeImages(std::move(texture.Source), *texture.Mod, texture.Size, made);
        texture.Source = std::move(made.Image);
        if (!composited) {
            texture.Mod.reset();
            texture.Status = Step::CompositeFailed;
            texture.Why = composited.Why();
            return false;
        }
        if (!texture.Stored.Blocks.empty()) {
            texture.Stored.Untouched = std::move(made.Untouched);
            if (texture.Target.MipChain) {
                const RgbaImage& mod =
                    made.ScaledOverlay.Empty() ? *texture.Mod : made.ScaledOverlay;
                texture.Stored.LowerUntouched =
                    UntouchedMipBlocks(mod, texture.Source.Width, texture.Source.Height);
            }
        }
        texture.Mod.reset();
        if (scaledMod != nullptr) {
            *scaledMod = std::move(made.ScaledOverlay);
        }
        return true;
    }

    void Encode(Texture& texture) const {
        texture.File = Session.EncodeTexture(texture.Source, texture.Target, &texture.Stored);
        texture.Stored = SourceBlocks();
        texture.Source = RgbaImage();
        if (texture.File.empty()) {
            texture.Status = Step::EncodeFailed;
            texture.Why = {EncodeProblem(texture.Target), std::nullopt};
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
        switch (texture.Status) {
        case Step::SourceFailed:
            Fail(WithReason(DisplayPath(texture.Installed.TriedPath), texture.Why),
                 row.SourceFailure, texture.Codes + 2);
            return false;
        case Step::CompositeFailed:
            Fail(std::string(row.CompositeFailure) + "\r\n\r\nSet \"" + Session.SetName +
                     "\", sub set \"" + texture.SubSet + "\", channel \"" + row.Channel +
                     "\": " + texture.Why.Text + ".",
                 "Error", texture.Codes + 3);
            return false;
        case Step::EncodeFailed:
            Fail(WithReason(row.SaveFailure, texture.Why), "Error", texture.Codes + 4);
            return false;
        case Step::Done:
            break;
        }
        if (!Session.WriteTexture(texture.Target, texture.File)) {
            Fail(WithReason(row.SaveFailure, {Session.LastWriteFailure, std::nullopt}), "Error",
                 texture.Codes + 4);
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
