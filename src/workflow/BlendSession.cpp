#include "workflow/BlendSession.h"

#include "imaging/Composite.h"
#include "imaging/ImageFile.h"
#include "imaging/Previews.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/SafeWrite.h"

#include <cstdio>

namespace quillon {

namespace {

constexpr const char* ConfirmInstalledSources =
    "You have selected multiple destination files. This will modify all selected destination "
    "files with chosen library modification file.\r\n\r\nAre you sure?";
constexpr const char* ConfirmOneSource =
    "You have chosen a library source file and multiple destination files. This will overwrite "
    "ALL selected destination files with the SAME generated output file.\r\n\r\nAre you sure?";

// A format of the form "...%d...%d..." filled with a position and a count.
std::string Progress(const char* format, int position, int count) {
    char text[256];
    std::snprintf(text, sizeof text, format, position, count);
    return text;
}

int Ask(const char* text, unsigned style) {
    return ShowMessageBox({text, "Overwrite Multiple Files?", style, true});
}

void Tell(const char* text, const char* caption, unsigned style) {
    ShowMessageBox({text, caption, style, true});
}

void TellSaveFailed() {
    Tell("Failed to save file", "Error", msgbox::MB_OK | msgbox::MB_ICONERROR);
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

Outcome BlendSession::ReadTexture(const std::string& path, RgbaImage& image,
                                  SourceBlocks* blocks) const {
    const bool strip = Engine == nullptr || Engine->StripPremultAlpha;
    return ReadImageFile(ResolvePath(path), strip, image, blocks);
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
    target.Kind = IsNormalMapName(relative) ? MipKind::NormalMap : MipKind::Colour;
    switch (MipMaps()) {
    case MipMapMode::Full:
        target.MipChain = true;
        break;
    case MipMapMode::None:
        target.MipChain = false;
        break;
    case MipMapMode::Auto:
        // One level stays one level; a chain, or no installed texture at all, gives a chain.
        target.MipChain = TextureLevelCount(ResolvePath(DataPath() + relative)) != 1;
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

bool BlendSession::WriteTexture(const SaveTarget& target,
                                const std::vector<std::uint8_t>& bytes) const {
    if (bytes.empty()) {
        return false;
    }
    const std::size_t separator = target.Path.rfind('\\');
    if (separator != std::string::npos) {
        CreateFolderChain(target.Path.substr(0, separator)); // an existing folder is fine
    }
    return WriteBytesSafely(ResolvePath(target.Path), bytes);
}

bool BlendSession::LoadTexture(const std::string& key, const std::string& path, bool reload,
                               bool installed) {
    return static_cast<bool>(Load(key, path, reload, installed));
}

Outcome BlendSession::Load(const std::string& key, const std::string& path, bool reload,
                           bool installed) {
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
        InstalledBlocks = SourceBlocks();
    }
    const Outcome read =
        ReadTexture(path, image, key == SourceSlot && installed ? &InstalledBlocks : nullptr);
    LoadProblems[key] = read.Why();
    return read;
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
        InstalledBlocks.Untouched.clear(); // whatever "Final" becomes, it is not that blend
    }
    if (!composited) {
        // No blend can be made: the result holds no picture rather than an earlier one.
        Images[resultKey] = RgbaImage();
        return composited;
    }
    if (baseKey == SourceSlot && resultKey == FinalSlot && !InstalledBlocks.Blocks.empty()) {
        InstalledBlocks.Untouched = std::move(made.Untouched);
    }
    Images[resultKey] = std::move(made.Image);
    return {};
}

bool BlendSession::SaveTexture(const std::string& key, const std::string& baseFolder,
                               const std::string& setName, const std::string& channelName,
                               const std::string& subSetName) {
    const std::optional<SaveTarget> target =
        FindSaveTarget(baseFolder, setName, channelName, subSetName);
    const auto slot = Images.find(key);
    if (!target || slot == Images.end()) {
        return false;
    }
    const SourceBlocks* source = key == FinalSlot ? &InstalledBlocks : nullptr;
    return WriteTexture(*target, EncodeTexture(slot->second, *target, source));
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

void BlendSession::ShowReason(unsigned pictures, const Outcome& outcome) const {
    if (View.Reason) {
        View.Reason(outcome ? 0 : pictures, outcome.Why().Text);
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
    std::string path;
    if (choice.UseInstalled) {
        if (index >= choice.Destinations.size()) {
            ShowBlankPreviews(SourcePreviewFlag);
            Busy(false);
            return false; // the status line stays as it was
        }
        path = DataPath() + Engine->GetTexturePath(SetName, TypeName, choice.Destinations[index]);
    } else {
        path = "Source\\" + choice.SourceTreePath; // nothing selected: "Source\" names no file
    }
    SetStatus("Loading Source Image...");
    const Outcome loaded = Load(SourceSlot, path, SourceReload, choice.UseInstalled);
    // A failed read leaves no picture: the placeholder then says so, and the reason why.
    UpdatePreviews(SourcePreviewFlag, SourceSlot, true);
    Busy(false);
    SetStatus("Ready");
    ShowReason(SourcePreviewFlag, loaded);
    return static_cast<bool>(loaded);
}

bool BlendSession::LoadModImage(const BlendChoice& choice) {
    if (!Engine) {
        return false;
    }
    Busy(true);
    SetStatus("Loading Modification Image...");
    const Outcome loaded = Load(ModSlot, "Library\\" + choice.LibraryTreePath, ModReload, false);
    UpdatePreviews(ModPreviewFlag, ModSlot, true);
    Busy(false);
    SetStatus("Ready");
    ShowReason(ModPreviewFlag, loaded);
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

void BlendSession::BlendImages(const BlendChoice& choice, bool reloadBoth) {
    if (reloadBoth) {
        SourceReload = true;
        ModReload = true;
    }
    if (choice.Destinations.empty()) {
        return;
    }
    if (choice.Destinations.size() == 1) {
        SaveToOneDestination(choice);
    } else if (choice.UseInstalled) {
        SaveWithInstalledSources(choice);
    } else {
        SaveOneBlendToAll(choice);
    }
}

bool BlendSession::SaveBlend(bool blended, const std::string& destination) {
    // A blend that made no new "Final" is not saved: what "Final" still holds belongs to an
    // earlier blend, so writing it would put the wrong texture in place and report success.
    return blended && SaveTexture(FinalSlot, OutputPath(), SetName, TypeName, destination);
}

void BlendSession::SaveToOneDestination(const BlendChoice& choice) {
    const bool blended = GenerateBlend(0, choice);
    SourceReload = false;
    ModReload = false;
    SetStatus("Saving Blended Texture...");
    if (SaveBlend(blended, choice.Destinations.front())) {
        Tell("File saved successfully!", "Success", msgbox::MB_OK | msgbox::MB_ICONINFORMATION);
    } else {
        TellSaveFailed();
    }
    SetStatus("Ready");
}

void BlendSession::SaveWithInstalledSources(const BlendChoice& choice) {
    if (Ask(ConfirmInstalledSources, msgbox::MB_YESNO | msgbox::MB_ICONINFORMATION) ==
        msgbox::IDNO) {
        return;
    }
    const int count = static_cast<int>(choice.Destinations.size());
    bool failed = false;
    for (int i = 0; i < count; ++i) {
        StatusSuffix = Progress("(%d of %d)", i + 1, count);
        SourceReload = true; // each destination's own installed texture is the base
        const bool blended = GenerateBlend(static_cast<unsigned>(i), choice);
        SourceReload = false;
        ModReload = false;
        SetStatus("Saving Blended Texture...");
        if (!SaveBlend(blended, choice.Destinations[static_cast<std::size_t>(i)])) {
            TellSaveFailed();
            SetStatus("Failed while saving blended texture "); // still with the progress
            failed = true;
            break;
        }
    }
    StatusSuffix.clear();
    if (failed) {
        return; // the status line keeps the failure
    }
    Tell("Files saved successfully!", "Success", msgbox::MB_OK | msgbox::MB_ICONINFORMATION);
    SetStatus("Ready");
}

void BlendSession::SaveOneBlendToAll(const BlendChoice& choice) {
    if (Ask(ConfirmOneSource, msgbox::MB_YESNO | msgbox::MB_ICONEXCLAMATION) == msgbox::IDNO) {
        return;
    }
    const bool blended = GenerateBlend(0, choice);
    SourceReload = false;
    ModReload = false;
    const int count = static_cast<int>(choice.Destinations.size());
    bool failed = false;
    for (int i = 0; i < count; ++i) {
        SetStatus(Progress("Saving Blended Texture (%d of %d)...", i + 1, count));
        if (!SaveBlend(blended, choice.Destinations[static_cast<std::size_t>(i)])) {
            TellSaveFailed();
            failed = true;
            break;
        }
    }
    StatusSuffix.clear();
    if (failed) {
        return; // the status line keeps the last progress text
    }
    Tell("Files saved successfully!", "Success", msgbox::MB_OK | msgbox::MB_ICONINFORMATION);
    SetStatus("Ready");
}

} // namespace quillon
