#include "workflow/BlendSession.h"

#include "imaging/Composite.h"
#include "imaging/ImageFile.h"
#include "imaging/Previews.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/SafeWrite.h"
#include "workflow/GameSettings.h"

#include <cstdio>
#include <filesystem>

namespace quillon {

namespace {

constexpr const char* ConfirmInstalledSources =
    "You have selected multiple destination files. This will modify all selected destination "
    "files with chosen library modification file.\r\n\r\nAre you sure?";
constexpr const char* ConfirmOneSource =
    "You have chosen a library source file and multiple destination files. This will overwrite "
    "ALL selected destination files with the SAME generated output file.\r\n\r\nAre you sure?";

// A format of the form "...%d...%d..." filled with a position and a count.
std::string Formatted(const char* format, int position, int count) {
    char text[256];
    std::snprintf(text, sizeof text, format, position, count);
    return text;
}

int Ask(const std::string& text, unsigned style) {
    return ShowMessageBox({text, "Overwrite Multiple Files?", style, true});
}

void Tell(const std::string& text, const char* caption, unsigned style) {
    ShowMessageBox({text, caption, style, true});
}

// The system's text first, then what went wrong and where.
void TellSaveFailed(const std::string& details) {
    Tell("Failed to save file\r\n\r\n" + details, "Error", msgbox::MB_OK | msgbox::MB_ICONERROR);
}

} // namespace

std::optional<TextureFormat> FormatForCompression(const std::string& compression) {
    const FormatFacts* format = FormatNamed(compression);
    return format != nullptr ? format->Written : std::nullopt;
}

BlendSession::BlendSession() = default;

void BlendSession::LoadConfiguration(const InstalledPathReader& readInstalledPath) {
    ReadConfiguration(Config, HeadlessHeadFix, readInstalledPath);
}

void BlendSession::StartEngine() {
    Engine = std::make_unique<BlendEngine>();
    Engine->LoadSetDefinitions();
    if (Config.Contains("AlphaMatteColor")) {
        Engine->BlackMatte = Config.Get("AlphaMatteColor") == "black" ? 1 : 0;
    }
    if (Config.Contains("NoStripPremultAlpha")) {
        Engine->StripPremultAlpha = Config.Get("NoStripPremultAlpha") != "1";
    }
}

std::string BlendSession::DataPath() {
    return Config.Get("SkyrimDataPath");
}

std::string BlendSession::OutputPath() {
    return Config.Get("SkyrimOutPath");
}

bool BlendSession::UseInstalledByDefault() {
    // Contains first, so that reading the switch inserts no setting.
    return Config.Contains("DefUseInstalledSource") && Config.Get("DefUseInstalledSource") == "1";
}

Outcome BlendSession::ReadTexture(const std::string& path, RgbaImage& image) const {
    const bool strip = Engine == nullptr || Engine->StripPremultAlpha;
    return ReadImageFile(ResolvePath(path), strip, image);
}

GameFiles& BlendSession::Game() {
    if (!Files) {
        Files = std::make_unique<GameFiles>(GameSetupFromSettings(Config));
        // Never a fix over our own fix: a loose file Quillon wrote gives way to the original it
        // replaced, or, when it replaced nothing, to the next place the game would load from.
        Files->SetLooseFilter([this](const std::string& nativePath) {
            if (!Run) {
                History.Forget(); // between runs: read what is recorded now
            }
            const InstalledOrigin origin = History.Trace(nativePath);
            if (!origin.Note.empty()) {
                OwnOutputNotes.push_back(origin.Note);
            }
            switch (origin.Which) {
            case InstalledOrigin::Kind::OursReplaced:
                return LooseChoice{LooseChoice::Action::UseOther, origin.Path};
            case InstalledOrigin::Kind::OursNew:
                return LooseChoice{LooseChoice::Action::Skip, {}};
            case InstalledOrigin::Kind::Player:
                break;
            }
            return LooseChoice{};
        });
    }
    return *Files;
}

InstalledTexture BlendSession::FindInstalled(const std::string& relative, std::string* note) {
    OwnOutputNotes.clear();
    InstalledTexture texture = FindInstalledTexture(Game(), DataPath(), relative);
    if (note != nullptr) {
        note->clear();
        for (const std::string& line : OwnOutputNotes) {
            *note += (note->empty() ? "" : "\n") + line;
        }
    }
    return texture;
}

bool BlendSession::ReadInstalled(const InstalledTexture& texture, RgbaImage& image,
                                 SourceBlocks* blocks, InstalledRead& read) const {
    const bool strip = Engine == nullptr || Engine->StripPremultAlpha;
    return ReadInstalledTexture(texture, strip, image, blocks, read);
}

MipMapMode BlendSession::MipMaps() {
    if (!Config.Contains("MipMaps")) {
        return MipMapMode::Auto;
    }
    const std::string mode = Config.Get("MipMaps");
    return mode == "full" ? MipMapMode::Full : mode == "none" ? MipMapMode::None : MipMapMode::Auto;
}

std::optional<BlendSession::SaveTarget>
BlendSession::FindSaveTarget(const std::string& baseFolder, const std::string& setName,
                             const std::string& channelName, const std::string& subSetName) {
    const TextureSet* set = Engine ? Engine->FindTextureSet(setName) : nullptr;
    if (set == nullptr) {
        return std::nullopt;
    }
    const std::string relative = Engine->GetTexturePath(setName, channelName, subSetName);
    SaveTarget target{baseFolder + relative,
                      FormatForCompression(set->GetCompression(channelName, subSetName))};
    target.OutputFolder = baseFolder;
    target.Kind = IsNormalMapName(relative) ? MipKind::NormalMap : MipKind::Colour;
    switch (MipMaps()) {
    case MipMapMode::Full:
        target.MipChain = true;
        break;
    case MipMapMode::None:
        target.MipChain = false;
        break;
    case MipMapMode::Auto:
        // One level stays one level; a chain, or no installed texture at all, gives a chain. Where
        // the installed file is our own output, the original it replaced decides.
        target.MipChain = InstalledLevelCount(FindInstalled(relative)) != 1;
        break;
    }
    return target;
}

std::vector<std::uint8_t> BlendSession::EncodeTexture(RgbaImage& image, const SaveTarget& target,
                                                      const SourceBlocks* source) const {
    if (!target.Format) {
        return {};
    }
    TextureFormat format = *target.Format;
    if (format == TextureFormat::RGB && image.HasAlpha) {
        image.HasAlpha = false;
        for (std::size_t i = 3; i < image.Pixels.size(); i += 4) {
            image.Pixels[i] = 255;
        }
    } else if (format == TextureFormat::RGBA && !image.HasAlpha) {
        format = TextureFormat::RGB; // no alpha to store
    }
    const std::vector<RgbaImage> levels =
        target.MipChain ? MakeMipLevels(image, target.Kind, *Pool) : std::vector<RgbaImage>();
    return EncodeImageFile(target.Path, image, format, *Pool, levels, source);
}

bool BlendSession::WriteTexture(const SaveTarget& target, const std::vector<std::uint8_t>& bytes) {
    LastWriteFailure.clear();
    if (bytes.empty()) {
        return false;
    }
    const bool ownRun = Run == nullptr;
    if (ownRun) {
        BeginRun("save");
    }
    const bool written = Run->Write(target.OutputFolder, target.Path, bytes);
    if (!written) {
        RunWriteFailed = true;
        LastWriteFailure = Run->Failure();
    }
    if (ownRun) {
        EndRun();
    }
    return written;
}

void BlendSession::BeginRun(const std::string& what) {
    EndRun();
    Run = std::make_unique<BackupRun>(what);
    Run->Keep = KeepBackups;
    Run->StepDone = BackupStepDone;
    RunWriteFailed = false;
    History.Forget(); // another run, or another program, may have written since
}

void BlendSession::EndRun() {
    if (Run) {
        Run->Finish(!RunWriteFailed);
        Run.reset();
    }
}

bool BlendSession::LoadTexture(const std::string& key, const std::string& path, bool reload) {
    return static_cast<bool>(Load(key, path, reload));
}

std::string BlendSession::LoadProblem(const std::string& key) const {
    const auto problem = LoadProblems.find(key);
    return problem == LoadProblems.end() ? "" : problem->second.Text;
}

Outcome BlendSession::Load(const std::string& key, const std::string& path, bool reload) {
    const auto slot = Images.find(key);
    if (!reload && slot != Images.end()) {
        if (!slot->second.Empty()) {
            return {};
        }
        const Problem& earlier = LoadProblems[key];
        return earlier.Text.empty() ? Problem{"it holds no picture", std::nullopt} : earlier;
    }
    RgbaImage& image = Images[key];
    image = RgbaImage(); // the old picture is gone, whatever the read gives
    if (key == SourceSlot) {
        InstalledBlocks = SourceBlocks(); // they belonged to the picture the slot held
    }
    const Outcome read = ReadTexture(path, image);
    LoadProblems[key] = read.Why();
    return read;
}

bool BlendSession::LoadInstalledTexture(const std::string& relative, bool reload) {
    const auto slot = Images.find(SourceSlot);
    if (!reload && slot != Images.end()) {
        return !slot->second.Empty();
    }
    RgbaImage& image = Images[SourceSlot];
    image = RgbaImage();
    InstalledBlocks = SourceBlocks();
    SourceOrigin.clear();
    Game().Refresh();
    const InstalledTexture texture = FindInstalled(relative, &SourceNote);
    InstalledRead read;
    const bool loaded = ReadInstalled(texture, image, &InstalledBlocks, read);
    if (loaded) {
        SourceOrigin = OriginName(*read.From);
    }
    LoadProblems[SourceSlot] = {read.Reason, std::nullopt};
    std::vector<std::string> lines = Game().TakeNotes();
    if (!SourceNote.empty()) {
        lines.insert(lines.begin(), SourceNote);
    }
    lines.insert(lines.end(), read.Skipped.begin(), read.Skipped.end());
    if (!read.Reason.empty()) {
        lines.push_back(DisplayPath(texture.TriedPath) + ": " + read.Reason);
    }
    if (View.Reason) {
        std::string text;
        for (const std::string& line : lines) {
            text += (text.empty() ? "" : "\n") + line;
        }
        // Only a failure marks the picture; what a good load passed over is told beside it.
        View.Reason(loaded ? 0 : SourcePreviewFlag, text);
    }
    return loaded;
}

bool BlendSession::CompositeTextures(const std::string& baseKey, const std::string& overlayKey,
                                     const std::string& resultKey, std::int32_t size) {
    return static_cast<bool>(Composite(baseKey, overlayKey, resultKey, size));
}

Outcome BlendSession::Composite(const std::string& baseKey, const std::string& overlayKey,
                                const std::string& resultKey, std::int32_t size) {
    const auto overlaySlot = Images.find(overlayKey);
    if (overlaySlot == Images.end()) {
        return Problem{"there is no modification picture", std::nullopt};
    }
    RgbaImage& overlay = overlaySlot->second;
    const auto baseSlot = Images.find(baseKey);
    RgbaImage noBase;
    RgbaImage& base = baseSlot != Images.end() ? baseSlot->second : noBase;
    CompositeResult made;
    const Outcome composited = CompositeImages(base, overlay, size, made);
    // Both slots keep the sizes the rules gave them, the overlay's square scaling even when
    // there is no base: a later composite or preview sees those.
    if (!made.ScaledOverlay.Empty()) {
        overlay = std::move(made.ScaledOverlay);
    }
    if (baseSlot == Images.end()) {
        return composited;
    }
    if (resultKey == FinalSlot) {
        // Whatever "Final" becomes, it is not that blend.
        InstalledBlocks.Untouched.clear();
        InstalledBlocks.LowerUntouched.clear();
    }
    if (!composited) {
        // No blend can be made: the result holds no picture rather than an earlier one.
        Images[resultKey] = RgbaImage();
        return composited;
    }
    if (baseKey == SourceSlot && resultKey == FinalSlot && !InstalledBlocks.Blocks.empty()) {
        InstalledBlocks.Untouched = std::move(made.Untouched);
        InstalledBlocks.LowerUntouched =
            UntouchedMipBlocks(overlay, made.Image.Width, made.Image.Height);
    }
    Images[resultKey] = std::move(made.Image);
    return {};
}

bool BlendSession::SaveTexture(const std::string& key, const std::string& baseFolder,
                               const std::string& setName, const std::string& channelName,
                               const std::string& subSetName) {
    Game().Refresh(); // the installed texture, as it is now, decides the mip chain
    const std::optional<SaveTarget> target =
        FindSaveTarget(baseFolder, setName, channelName, subSetName);
    const auto slot = Images.find(key);
    if (!target || slot == Images.end()) {
        return false;
    }
    const SourceBlocks* source = key == FinalSlot ? &InstalledBlocks : nullptr;
    if (!WriteTexture(*target, EncodeTexture(slot->second, *target, source))) {
        return false;
    }
    if (View.Written) {
        View.Written(target->Path);
    }
    return true;
}

BitmapHandle BlendSession::GetBlankBitmap() {
    BitmapHandle& blank = Bitmaps[BlankSlot];
    if (!blank) {
        blank = MakePlaceholderBitmap();
    }
    return blank;
}

BitmapHandle BlendSession::GetPreviewBitmap(const std::string& key, bool rebuild, int width,
                                            int height) {
    if (!rebuild) {
        if (const auto found = Bitmaps.find(key); found != Bitmaps.end()) {
            return found->second;
        }
    }
    const auto slot = Images.find(key);
    if (slot == Images.end()) {
        return nullptr;
    }
    const bool black = Engine != nullptr && Engine->BlackMatte != 0;
    // The bitmap this replaces is not released here: a control may still show it, and the
    // shared handle keeps it alive until the last one lets go.
    BitmapHandle& bitmap = Bitmaps[key];
    bitmap = MakePreviewBitmap(slot->second, width, height, black ? 0 : DefaultMatte);
    return bitmap;
}

void BlendSession::Busy(bool busy) const {
    if (View.Busy) {
        View.Busy(busy);
    }
}

void BlendSession::ShowReason(unsigned pictures, const Outcome& outcome,
                              const std::string& path) const {
    if (View.Reason) {
        // A failed read names its file: beside "Not written: ..." a bare cause would seem to
        // be the output's.
        const std::string& why = outcome.Why().Text;
        View.Reason(outcome ? 0 : pictures,
                    outcome || path.empty() ? why : DisplayPath(path) + ": " + why);
    }
}

void BlendSession::SetStatus(const std::string& message) {
    if (View.Status) {
        View.Status("  " + message + " " + StatusSuffix);
    }
}

void BlendSession::ShowBlankPreviews(unsigned pictures) {
    if (Engine && View.Pictures) {
        View.Pictures(pictures, GetBlankBitmap());
    }
}

void BlendSession::UpdatePreviews(unsigned pictures, const std::string& key, bool rebuild) {
    const BitmapHandle bitmap =
        Engine ? GetPreviewBitmap(key, rebuild, PreviewEdge, PreviewEdge) : nullptr;
    if (!bitmap) {
        ShowBlankPreviews(pictures);
    } else if (View.Pictures) {
        View.Pictures(pictures, bitmap);
    }
}

bool BlendSession::LoadSourceImage(unsigned index, const BlendChoice& choice) {
    if (!Engine) {
        return false;
    }
    Busy(true);
    if (choice.UseInstalled && index >= choice.Destinations.size()) {
        ShowBlankPreviews(SourcePreviewFlag);
        Busy(false);
        return false; // the status line stays as it was
    }
    SetStatus("Loading Source Image...");
    bool loaded = false;
    if (choice.UseInstalled) {
        loaded = LoadInstalledTexture(
            Engine->GetTexturePath(SetName, TypeName, choice.Destinations[index]), SourceReload);
    } else {
        // Nothing selected: "Source\" names no file.
        const std::string path = "Source\\" + choice.SourceTreePath;
        const Outcome read = Load(SourceSlot, path, SourceReload);
        SourceOrigin.clear();
        ShowReason(SourcePreviewFlag, read, path);
        loaded = static_cast<bool>(read);
    }
    // A failed read leaves no picture: the placeholder then says so, and the reason why.
    UpdatePreviews(SourcePreviewFlag, SourceSlot, true);
    Busy(false);
    SetStatus(loaded && !SourceOrigin.empty() ? "Ready (from " + SourceOrigin + ")" : "Ready");
    return loaded;
}

bool BlendSession::LoadModImage(const BlendChoice& choice) {
    if (!Engine) {
        return false;
    }
    Busy(true);
    SetStatus("Loading Modification Image...");
    const std::string path = "Library\\" + choice.LibraryTreePath;
    const Outcome loaded = Load(ModSlot, path, ModReload);
    UpdatePreviews(ModPreviewFlag, ModSlot, true);
    Busy(false);
    SetStatus("Ready");
    ShowReason(ModPreviewFlag, loaded, path);
    return static_cast<bool>(loaded);
}

bool BlendSession::GenerateBlend(unsigned index, const BlendChoice& choice) {
    if (!Engine) {
        return false;
    }
    Busy(true);
    // The composite works on whatever the slots hold; only the result reports the failures.
    const bool sourceLoaded = LoadSourceImage(index, choice);
    const bool modLoaded = LoadModImage(choice);
    if (index >= choice.Destinations.size()) {
        ShowBlankPreviews(FinalPreviewFlag);
        Busy(false);
        SetStatus("No Sub Set selected, composite not generated.");
        return false;
    }
    SetStatus("Generating Blended Destination Image...");
    const std::int32_t size = Engine->GetTextureSize(SetName, TypeName, choice.Destinations[index]);
    const Outcome composited = Composite(SourceSlot, ModSlot, FinalSlot, size);
    UpdatePreviews(FinalPreviewFlag, FinalSlot, true);
    Busy(false);
    SetStatus("Ready");
    if (sourceLoaded && modLoaded) { // else the load's reason stands
        ShowReason(FinalPreviewFlag, composited);
    }
    return composited && sourceLoaded && modLoaded;
}

void BlendSession::Progress(int position, int count) const {
    if (View.Progress) {
        View.Progress(position, count);
    }
}

bool BlendSession::Stopped() const {
    return View.Stopped && View.Stopped();
}

std::string BlendSession::OutputFileShown(const std::string& destination) {
    const std::string relative =
        Engine ? Engine->GetTexturePath(SetName, TypeName, destination) : "";
    return AbsoluteDisplayPath(OutputPath() + relative);
}

std::string BlendSession::SaveFailure(bool blended) const {
    if (!LastReason.empty()) {
        return LastReason;
    }
    if (blended && !LastWriteFailure.empty()) {
        return LastWriteFailure;
    }
    return blended ? "The file could not be written."
                   : "No blended texture was made from the chosen images.";
}

void BlendSession::ReportUnfinished(const BlendChoice& choice, std::size_t written,
                                    const std::string& why) {
    if (!View.Reason) {
        return;
    }
    std::string skipped;
    for (std::size_t i = written; i < choice.Destinations.size(); ++i) {
        skipped += (i == written ? "" : ", ") + choice.Destinations[i];
    }
    // The count first: a narrow status field cuts the end of a long reason.
    View.Reason(0, std::to_string(written) + " of " + std::to_string(choice.Destinations.size()) +
                       " files written; not written: " + skipped + ". " + why);
}

void BlendSession::BlendImages(const BlendChoice& choice, bool reloadBoth) {
    if (reloadBoth) {
        SourceReload = true;
        ModReload = true;
    }
    if (choice.Destinations.empty()) {
        return;
    }
    BeginRun("Blend Images");
    // The reasons the steps give are kept for the messages that close the run.
    const std::function<void(unsigned, const std::string&)> shown = View.Reason;
    LastReason.clear();
    View.Reason = [this, shown](unsigned pictures, const std::string& reason) {
        if (!reason.empty()) {
            LastReason = reason;
        }
        if (shown) {
            shown(pictures, reason);
        }
    };
    if (choice.Destinations.size() == 1) {
        SaveToOneDestination(choice);
    } else if (choice.UseInstalled) {
        SaveWithInstalledSources(choice);
    } else {
        SaveOneBlendToAll(choice);
    }
    View.Reason = shown;
    EndRun();
}

bool BlendSession::SaveBlend(bool blended, const std::string& destination) {
    // A blend that made no new "Final" is not saved: what "Final" still holds belongs to an
    // earlier blend, so writing it would put the wrong texture in place and report success.
    return blended && SaveTexture(FinalSlot, OutputPath(), SetName, TypeName, destination);
}

int BlendSession::AskToOverwrite(const char* question, unsigned style, const BlendChoice& choice) {
    // The files it writes, below the output folder; at most a screenful of them.
    constexpr std::size_t Listed = 12;
    std::string text = std::string(question) + "\r\n\r\nFiles written in " +
                       AbsoluteDisplayPath(OutputPath()) + ":";
    for (std::size_t i = 0; i < choice.Destinations.size() && i < Listed; ++i) {
        const std::string relative =
            Engine->GetTexturePath(SetName, TypeName, choice.Destinations[i]);
        const bool exists = std::filesystem::exists(ResolvePath(OutputPath() + relative));
        text += "\r\n" + DisplayPath(relative) + (exists ? " (replaces the file there)" : " (new)");
    }
    if (choice.Destinations.size() > Listed) {
        text += "\r\n... and " + std::to_string(choice.Destinations.size() - Listed) + " more";
    }
    return Ask(text, style);
}

void BlendSession::SaveToOneDestination(const BlendChoice& choice) {
    const bool blended = GenerateBlend(0, choice);
    SourceReload = false;
    ModReload = false;
    SetStatus("Saving Blended Texture...");
    const std::string file = OutputFileShown(choice.Destinations.front());
    if (SaveBlend(blended, choice.Destinations.front())) {
        Tell("File saved successfully!\r\n\r\nWritten to " + file, "Success",
             msgbox::MB_OK | msgbox::MB_ICONINFORMATION);
    } else {
        const std::string why = SaveFailure(blended);
        TellSaveFailed(why + "\r\nNot written: " + file);
        ReportUnfinished(choice, 0, why);
    }
    SetStatus("Ready");
}

void BlendSession::SaveWithInstalledSources(const BlendChoice& choice) {
    if (AskToOverwrite(ConfirmInstalledSources, msgbox::MB_YESNO | msgbox::MB_ICONINFORMATION,
                       choice) == msgbox::IDNO) {
        return;
    }
    const int count = static_cast<int>(choice.Destinations.size());
    int written = 0;
    bool failed = false;
    for (int i = 0; i < count && !failed; ++i) {
        if (i > 0 && Stopped()) {
            break;
        }
        Progress(i + 1, count);
        StatusSuffix = Formatted("(%d of %d)", i + 1, count);
        SourceReload = true; // each destination's own installed texture is the base
        const bool blended = GenerateBlend(static_cast<unsigned>(i), choice);
        SourceReload = false;
        ModReload = false;
        SetStatus("Saving Blended Texture...");
        const std::string& destination = choice.Destinations[static_cast<std::size_t>(i)];
        if (!SaveBlend(blended, destination)) {
            const std::string why = SaveFailure(blended);
            TellSaveFailed(why + "\r\nNot written: " + OutputFileShown(destination));
            SetStatus("Failed while saving blended texture "); // still with the progress
            ReportUnfinished(choice, static_cast<std::size_t>(i), why);
            failed = true;
        } else {
            ++written;
        }
    }
    Progress(0, 0);
    StatusSuffix.clear();
    FinishMultipleSave(choice, written, failed);
}

void BlendSession::SaveOneBlendToAll(const BlendChoice& choice) {
    if (AskToOverwrite(ConfirmOneSource, msgbox::MB_YESNO | msgbox::MB_ICONEXCLAMATION, choice) ==
        msgbox::IDNO) {
        return;
    }
    const bool blended = GenerateBlend(0, choice);
    SourceReload = false;
    ModReload = false;
    const int count = static_cast<int>(choice.Destinations.size());
    int written = 0;
    bool failed = false;
    for (int i = 0; i < count && !failed; ++i) {
        if (i > 0 && Stopped()) {
            break;
        }
        Progress(i + 1, count);
        SetStatus(Formatted("Saving Blended Texture (%d of %d)...", i + 1, count));
        const std::string& destination = choice.Destinations[static_cast<std::size_t>(i)];
        if (!SaveBlend(blended, destination)) {
            const std::string why = SaveFailure(blended);
            TellSaveFailed(why + "\r\nNot written: " + OutputFileShown(destination));
            ReportUnfinished(choice, static_cast<std::size_t>(i), why);
            failed = true; // the status line keeps the last progress text
        } else {
            ++written;
        }
    }
    Progress(0, 0);
    StatusSuffix.clear();
    FinishMultipleSave(choice, written, failed);
}

void BlendSession::FinishMultipleSave(const BlendChoice& choice, int written, bool failed) {
    if (failed) {
        return; // the status line keeps what the failure left there
    }
    if (static_cast<std::size_t>(written) < choice.Destinations.size()) {
        ReportUnfinished(choice, static_cast<std::size_t>(written), "Stopped.");
        SetStatus("Ready");
        return;
    }
    Tell("Files saved successfully!\r\n\r\n" + std::to_string(written) + " files written in " +
             AbsoluteDisplayPath(OutputPath()),
         "Success", msgbox::MB_OK | msgbox::MB_ICONINFORMATION);
    SetStatus("Ready");
}

} // namespace quillon
