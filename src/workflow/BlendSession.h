// The blend session: what the tool does between its configuration and the screen, without any
// toolkit. It owns the catalogue, the settings, the current set and type, the image slots with
// their preview bitmaps, and the load, blend and save steps with the status texts and messages
// they give. The window drives it with what its controls show (a BlendChoice) and shows what it
// reports (SessionView); the head fix drives it alone. Single thread; the steps run parallel work
// on the task pool inside.
#pragma once

#include "catalogue/BlendEngine.h"
#include "imaging/DdsWriter.h"
#include "imaging/MipChain.h"
#include "imaging/PreviewBitmap.h"
#include "imaging/RgbaImage.h"
#include "imaging/TaskPool.h"
#include "platform/Problem.h"
#include "workflow/Configuration.h"
#include "workflow/Settings.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

// The image slots.
constexpr const char* SourceSlot = "Source"; // the texture to be modified
constexpr const char* ModSlot = "Mod";       // the modification
constexpr const char* FinalSlot = "Final";   // the blend of the two
constexpr const char* BlankSlot = "Blank";   // the placeholder, among the bitmaps only

// The three pictures, as bits that combine.
constexpr unsigned SourcePreviewFlag = 1;
constexpr unsigned ModPreviewFlag = 2;
constexpr unsigned FinalPreviewFlag = 4;
constexpr unsigned AllPreviews = SourcePreviewFlag | ModPreviewFlag | FinalPreviewFlag;

// Whether written textures get mip chains: like the installed texture they replace (a chain when
// it has one or there is none), always, or never.
enum class MipMapMode { Auto, Full, None };

// What the window's controls say when a step runs.
struct BlendChoice {
    bool UseInstalled = false;             // "Use Currently installed textures" is checked
    std::vector<std::string> Destinations; // the checked destination sub sets, in row order
    // The selected tree items' texts from the set item down, "\"-joined; empty when nothing is
    // selected.
    std::string SourceTreePath;
    std::string LibraryTreePath;
};

// What the session reports to whoever shows it; any of them may be left empty.
struct SessionView {
    std::function<void(const std::string& text)> Status; // the status line's whole text
    std::function<void(unsigned pictures, const BitmapHandle& bitmap)> Pictures;
    std::function<void(bool busy)> Busy; // true: the wait cursor on top; false: the one before
    // Why the last step failed, for the pictures it concerns (0: none in particular), or the
    // empty text when a step succeeded. The window keeps it in a second status field until the
    // next action, and as the concerned pictures' tooltip.
    std::function<void(unsigned pictures, const std::string& reason)> Reason;
};

class BlendSession {
public:
    BlendSession();
    BlendSession(BlendSession&&) = default;
    BlendSession& operator=(BlendSession&&) = default;

    // The game's registry entry, then "Config.xml" of the current directory; once, first.
    void LoadConfiguration(const InstalledPathReader& readInstalledPath);
    // Creates the catalogue, reads the set definitions and copies AlphaMatteColor and
    // NoStripPremultAlpha into the engine's flags.
    void StartEngine();

    // The settings the steps read. Unset folders read as the empty text (and are inserted).
    std::string DataPath();
    std::string OutputPath();
    bool UseInstalledByDefault();
    MipMapMode MipMaps(); // "full" or "none"; any other text, or none, is auto

    // Where a destination's texture is saved, and in what format.
    struct SaveTarget {
        std::string Path;                    // "\"-joined, below the base folder
        std::optional<TextureFormat> Format; // nothing: the catalogue names no known format
        bool MipChain = false;               // a DDS gets its full chain of mip levels
        MipKind Kind = MipKind::Colour;      // how the levels are filtered
    };
    // Nothing when no set has that name. In the auto mode the installed texture at the
    // destination's game path decides the chain.
    [[nodiscard]] std::optional<SaveTarget> FindSaveTarget(const std::string& baseFolder,
                                                           const std::string& setName,
                                                           const std::string& channelName,
                                                           const std::string& subSetName);

    // The pieces of a load and a save, usable from any thread: reading a file named by a
    // program path, the bytes of the file a target gets (an RGB target takes the image's alpha
    // away, as the slot loses it), and writing them with the target's folders made.
    // With `blocks`, a DXT1 or DXT5 file's top level is kept there as stored; with `source`, its
    // untouched blocks go into the file as they are where format and size match.
    Outcome ReadTexture(const std::string& path, RgbaImage& image,
                        SourceBlocks* blocks = nullptr) const;
    [[nodiscard]] std::vector<std::uint8_t>
    EncodeTexture(RgbaImage& image, const SaveTarget& target,
                  const SourceBlocks* source = nullptr) const;
    [[nodiscard]] bool WriteTexture(const SaveTarget& target,
                                    const std::vector<std::uint8_t>& bytes) const;

    // Image slots. A load that fails leaves the slot empty; an empty slot is no picture. A load
    // into the source slot of an installed texture (`installed`) keeps its stored blocks in
    // InstalledBlocks; a composite over the source slot marks the blocks it left untouched, and a
    // save of "Final" copies those.
    [[nodiscard]] bool LoadTexture(const std::string& key, const std::string& path, bool reload,
                                   bool installed = false);
    [[nodiscard]] bool CompositeTextures(const std::string& baseKey, const std::string& overlayKey,
                                         const std::string& resultKey, std::int32_t size);
    [[nodiscard]] bool SaveTexture(const std::string& key, const std::string& baseFolder,
                                   const std::string& setName, const std::string& channelName,
                                   const std::string& subSetName);
    [[nodiscard]] BitmapHandle GetBlankBitmap();
    // Null when the slot does not exist or holds no picture.
    [[nodiscard]] BitmapHandle GetPreviewBitmap(const std::string& key, bool rebuild, int width,
                                                int height);

    // The steps behind the window's controls, with status texts and the wait cursor. Each reports
    // whether it made what it was asked for: a load, a picture read from the chosen file; a
    // blend, a new "Final" from two good loads for a checked destination.
    void SetStatus(const std::string& message);
    void ShowBlankPreviews(unsigned pictures);
    void UpdatePreviews(unsigned pictures, const std::string& key, bool rebuild);
    bool LoadSourceImage(unsigned index, const BlendChoice& choice);
    bool LoadModImage(const BlendChoice& choice);
    bool GenerateBlend(unsigned index, const BlendChoice& choice);
    // "Blend Images": blends and saves to the checked destinations, asking first when there are
    // several. `reloadBoth`: Ctrl was held, both images are read from disk again.
    void BlendImages(const BlendChoice& choice, bool reloadBoth);

    std::unique_ptr<BlendEngine> Engine; // the catalogue; null until StartEngine
    Settings Config;
    std::string SetName;
    std::string TypeName;
    std::string StatusSuffix; // appended to every status text (a multiple save's progress)
    bool HeadlessHeadFix = false;
    bool ModReload = true;    // the modification must be read again at its next load
    bool SourceReload = true; // the source must be read again at its next load
    std::map<std::string, RgbaImage> Images;
    std::map<std::string, BitmapHandle> Bitmaps;
    // The stored top level of the installed texture the source slot holds, as long as it holds it;
    // Untouched: the blocks the last composite over it left alone.
    SourceBlocks InstalledBlocks;
    // The matte previews lay transparency over, 0xRRGGBB, unless BlackMatte is set: the window
    // gives its own background colour.
    std::uint32_t DefaultMatte = 0xF0F0F0;
    SessionView View;
    TaskPool* Pool = &TaskPool::Shared();

private:
    // LoadTexture and CompositeTextures, with the reason of a failure.
    Outcome Load(const std::string& key, const std::string& path, bool reload, bool installed);
    Outcome Composite(const std::string& baseKey, const std::string& overlayKey,
                      const std::string& resultKey, std::int32_t size);
    // Tells the view why a step failed, for the pictures it concerns, or that it succeeded.
    void ShowReason(unsigned pictures, const Outcome& outcome) const;
    void Busy(bool busy) const;
    bool SaveBlend(bool blended, const std::string& destination);
    void SaveToOneDestination(const BlendChoice& choice);
    void SaveWithInstalledSources(const BlendChoice& choice);
    void SaveOneBlendToAll(const BlendChoice& choice);

    std::map<std::string, Problem> LoadProblems; // why a slot's last load failed
};

// The pixel format a compression word of the catalogue asks for, by the format table: "DXT1",
// "DXT5", "BC7", "RGB" or "RGBA"; nothing for any other word.
std::optional<TextureFormat> FormatForCompression(const std::string& compression);

} // namespace quillon
