// The blend session: what the tool does between its configuration and the screen, without any
// toolkit. It owns the catalogue, the settings, the current set and type, the image slots with
// their preview bitmaps, and the load, blend and save steps with the status texts and messages
// they give. The window drives it with what its controls show (a BlendChoice) and shows what it
// reports (SessionView); the head fix drives it alone. Single thread; the steps run parallel work
// on the task pool inside.
#pragma once

#include "backup/BackupRun.h"
#include "backup/OutputHistory.h"
#include "catalogue/BlendEngine.h"
#include "gamefiles/GameFiles.h"
#include "imaging/DdsWriter.h"
#include "imaging/MipChain.h"
#include "imaging/PreviewBitmap.h"
#include "imaging/RgbaImage.h"
#include "imaging/TaskPool.h"
#include "platform/Problem.h"
#include "workflow/Configuration.h"
#include "workflow/InstalledTexture.h"
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
    // A save wrote a texture: its "\"-joined path (base folder and relative path).
    std::function<void(const std::string& path)> Written;
    // A multiple save's progress: the destination now blended or saved, 1-based, of `count`;
    // (0, 0) when the run ends.
    std::function<void(int position, int count)> Progress;
    // Asked before each further destination of a multiple save: true stops the run there.
    std::function<bool()> Stopped;
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

    // The game's file system as the settings describe it, made at first use. A step that reads
    // installed textures refreshes it first, so that it sees the files as they are then.
    GameFiles& Game();
    // Where the installed texture at a path below the data folder is read from. A loose file that
    // is Quillon's own output is passed over for the original it replaced; `note` then gets the
    // lines that say so (empty otherwise).
    InstalledTexture FindInstalled(const std::string& relative, std::string* note = nullptr);
    // Reads it; usable from any thread.
    [[nodiscard]] bool ReadInstalled(const InstalledTexture& texture, RgbaImage& image,
                                     SourceBlocks* blocks, InstalledRead& read) const;

    // Where a destination's texture is saved, and in what format.
    struct SaveTarget {
        std::string Path;                    // "\"-joined, below the base folder
        std::optional<TextureFormat> Format; // nothing: the catalogue names no known format
        bool MipChain = false;               // a DDS gets its full chain of mip levels
        MipKind Kind = MipKind::Colour;      // how the levels are filtered
        std::string OutputFolder = {};       // the base folder: backups and journal go below it
    };
    // Nothing when no set has that name. In the auto mode the installed texture of the
    // destination (the one the game loads) decides the chain.
    [[nodiscard]] std::optional<SaveTarget> FindSaveTarget(const std::string& baseFolder,
                                                           const std::string& setName,
                                                           const std::string& channelName,
                                                           const std::string& subSetName);

    // The pieces of a load and a save: reading a file named by a program path and the bytes of
    // the file a target gets (an RGB target takes the image's alpha away, as the slot loses it),
    // usable from any thread; and, on the session's thread, writing them with the target's
    // folders made, through the current run, which keeps what the file replaces (a run of its
    // own when none is open).
    // With `source`, the installed texture's untouched blocks go into the file as they are where
    // format and size match.
    Outcome ReadTexture(const std::string& path, RgbaImage& image) const;
    [[nodiscard]] std::vector<std::uint8_t>
    EncodeTexture(RgbaImage& image, const SaveTarget& target,
                  const SourceBlocks* source = nullptr) const;
    [[nodiscard]] bool WriteTexture(const SaveTarget& target,
                                    const std::vector<std::uint8_t>& bytes);

    // A run: one head fix, one "Blend Images", one command. Every file its writes replace is
    // kept, and its journal lists them, so that a restore can undo the run. EndRun records the
    // end (failed when a write failed); it does nothing when no run is open.
    void BeginRun(const std::string& what);
    void EndRun();

    // Image slots. A load that fails leaves the slot empty; an empty slot is no picture.
    [[nodiscard]] bool LoadTexture(const std::string& key, const std::string& path, bool reload);
    // Why the last load of a slot failed; empty when it did not.
    std::string LoadProblem(const std::string& key) const;
    // Loads the source slot with the installed texture at a path below the data folder, from
    // wherever the game loads it; SourceOrigin then names that place. Its stored blocks are kept
    // in InstalledBlocks; a composite over the source slot marks the blocks it left untouched,
    // and a save of "Final" copies those. Damaged archives passed over, problems of the setup
    // files and why the load failed go to the view's Reason.
    [[nodiscard]] bool LoadInstalledTexture(const std::string& relative, bool reload);
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
    // blend, a new "Final" from two good loads for a checked destination. A load of an installed
    // texture that the game takes from elsewhere than the data folder ends with the status
    // "Ready (from <origin>)": the mod's name, "Overwrite" or the archive's file name.
    void SetStatus(const std::string& message);
    void ShowBlankPreviews(unsigned pictures);
    void UpdatePreviews(unsigned pictures, const std::string& key, bool rebuild);
    bool LoadSourceImage(unsigned index, const BlendChoice& choice);
    bool LoadModImage(const BlendChoice& choice);
    bool GenerateBlend(unsigned index, const BlendChoice& choice);
    // "Blend Images": blends and saves to the checked destinations, asking first when there are
    // several. `reloadBoth`: Ctrl was held, both images are read from disk again. The messages
    // say, after the system's own texts, where the files go and why one was not written; after a
    // failed or stopped run the reason (View.Reason) says which were written and which skipped.
    void BlendImages(const BlendChoice& choice, bool reloadBoth);

    std::unique_ptr<BlendEngine> Engine; // the catalogue; null until StartEngine
    Settings Config;
    std::string SetName;
    std::string TypeName;
    std::string StatusSuffix; // appended to every status text (a multiple save's progress)
    bool HeadlessHeadFix = false;
    bool ModReload = true;    // the modification must be read again at its next load
    bool SourceReload = true; // the source must be read again at its next load
    std::string SourceOrigin; // OriginName of the installed texture the source slot holds
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
    // Why the last write failed, after the system's message.
    std::string LastWriteFailure;
    // What the last load of an installed source started from, when that was not the file the
    // game would load (Quillon's own output); also given to View.Reason for the source picture.
    std::string SourceNote;
    // False only for the bench's measure of what backups cost; StepDone is told each step of a
    // write (tests stop the process there).
    bool KeepBackups = true;
    std::function<void(const char* step)> BackupStepDone;
    std::unique_ptr<GameFiles> Files; // null until first needed

private:
    std::unique_ptr<BackupRun> Run;
    bool RunWriteFailed = false;
    OutputHistory History;
    std::vector<std::string> OwnOutputNotes; // what the last lookup passed over of ours

    // LoadTexture and CompositeTextures, with the reason of a failure.
    Outcome Load(const std::string& key, const std::string& path, bool reload);
    Outcome Composite(const std::string& baseKey, const std::string& overlayKey,
                      const std::string& resultKey, std::int32_t size);
    // Tells the view why a step failed, for the pictures it concerns, or that it succeeded.
    // `path`: the file a failed read came from, named before the reason.
    void ShowReason(unsigned pictures, const Outcome& outcome, const std::string& path = "") const;
    void Busy(bool busy) const;
    void Progress(int position, int count) const;
    bool Stopped() const;
    // The file a destination's blend is written to, as the player's system writes it.
    std::string OutputFileShown(const std::string& destination);
    // Why a save did not happen: the last reason a step gave, else what the save knows.
    std::string SaveFailure(bool blended) const;
    // Tells which destinations were written and which not, after a run that did not finish.
    void ReportUnfinished(const BlendChoice& choice, std::size_t written, const std::string& why);
    bool SaveBlend(bool blended, const std::string& destination);
    void SaveToOneDestination(const BlendChoice& choice);
    void SaveWithInstalledSources(const BlendChoice& choice);
    void SaveOneBlendToAll(const BlendChoice& choice);
    // The confirmation of a multiple save: the system's question, then the files it will write.
    int AskToOverwrite(const char* question, unsigned style, const BlendChoice& choice);
    // The end of a multiple save: the success message, or what a stopped run left undone.
    void FinishMultipleSave(const BlendChoice& choice, int written, bool failed);

    std::string LastReason; // the last failure reason a step gave during "Blend Images"
    std::map<std::string, Problem> LoadProblems; // why a slot's last load failed
};

// The pixel format a compression word of the catalogue asks for, by the format table: "DXT1",
// "DXT5", "BC7", "RGB" or "RGBA"; nothing for any other word.
std::optional<TextureFormat> FormatForCompression(const std::string& compression);

} // namespace quillon
