// The window's controller. It makes the main window's controls and connects each control's
// signal to the method named for what the player wants (ChooseSet, Preview, Blend ...). Those
// refill the views and keep the reload flags, and hand the long steps (loads, blends, saves) to
// the session on the worker thread with a copy of what the controls say (a BlendChoice); what the
// session reports comes back to the GUI thread in order and is shown here. The session is touched
// on the GUI thread only while no step runs. GUI thread only.
#pragma once

#include "app/SessionWorker.h"
#include "workflow/BlendSession.h"

#include <QFont>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QFileSystemWatcher;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class QUrl;
class QWidget;

namespace quillon {

class PictureControl;
class PreviewWindow;
class QuillonWindow;

// What undoing the most recent run would do, as the player reads it: a line per file, or why
// nothing can be undone. No lines: there is nothing to restore.
struct PendingRestore {
    std::vector<std::string> Lines;
    bool PutsBack = false; // some file would be put back or removed
    bool Changed = false;  // some file was changed since the run, and would be left alone
};

// What File > "Restore Previous Textures..." does. Any of them empty: the entry stays disabled.
struct RestoreActions {
    // Whether some run could be undone, from the journals alone: asked each time the File menu
    // opens, so no texture is read for it.
    std::function<bool()> Offered;
    std::function<PendingRestore()> Pending;
    // Puts them back; false with a reason when it could not.
    std::function<bool(std::string& reason)> Restore;
};

class Application {
public:
    // A session whose configuration was read already, or one that reads it now.
    explicit Application(BlendSession session);
    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Controls: created once, before the window is first shown; never in the headless mode.
    void CreateControls();
    void ResetTypeSelector();
    void ClearDestinationList();
    void ClearSourceTree();
    void ClearLibraryTree();
    // Places the controls for the client area's size and the textures the pictures show.
    void PlaceControls();

    // Texture browsers: the selectors, the destination list and the two trees.
    void FillSetSelector();
    void FillTypeSelector(const std::string& setName);
    void FillDestinationList(const std::string& setName, const std::string& typeName);
    void FillSourceTree(const std::string& setName, const std::string& typeName);
    void FillLibraryTree(const std::string& setName, const std::string& typeName);
    // Adds the entries of a folder below `parent`; the number of items inserted.
    std::int32_t AddFolderToTree(QTreeWidget* tree, const std::string& folder,
                                 QTreeWidgetItem* parent);
    // Appends the selected item's path (item texts from the top down, "\"-joined).
    bool GetSelectedTreePath(QTreeWidget* tree, std::string& text) const;
    std::int32_t GetCheckedDestinations(std::vector<std::string>& list) const;
    // What the controls say now, for the session's steps.
    BlendChoice CurrentChoice() const;
    // Which checked destination "Preview" shows: the selected row when it is checked, else the
    // first checked one.
    unsigned PreviewIndex(const BlendChoice& choice) const;

    // What the player does; each control's signal is connected to one of these.
    void ChooseSet();
    void ChooseType();
    void ToggleInstalledSources();
    void DestinationTicked();
    void DestinationSelected();
    void SourceSelected();
    void ModSelected();
    void LoadSource(); // a double click or Enter in the source tree
    void LoadMod();    // the same in the library tree
    void Preview();
    void Blend();
    void OpenPicture(unsigned picture); // SourcePreviewFlag, ModPreviewFlag or FinalPreviewFlag
    void Reload();                      // File > Reload: the trees show the folders as they are
    void RestorePreviousTextures();
    void OpenWorkspaceFolder();
    // The window asks before it closes: while a step runs it closes when the step ends, and a
    // save is asked whether to stop after the file it is writing.
    bool MayClose();

    // Shows what the session reports, and routes message boxes to the GUI thread.
    void ConnectSession();
    // A step is running on the worker thread.
    bool Working() const { return Worker.Busy(); }

    BlendSession Session;
    RestoreActions Restore;
    // Opens a folder in the file manager; tests replace it.
    std::function<bool(const QUrl&)> OpenUrl;
    QFont Font; // the controls' font
    QuillonWindow* MainWindow = nullptr;
    // The open preview pop-ups, newest last. Each is released when the user closes it, the rest
    // with the application.
    std::vector<std::unique_ptr<PreviewWindow>> Previews;
    QLabel* StatusLine = nullptr;
    QLabel* ReasonLine = nullptr;     // why the last action failed, until the next one
    QProgressBar* Progress = nullptr; // a multiple save's "2 of 5"
    QComboBox* SetSelector = nullptr;
    QComboBox* TypeSelector = nullptr;
    QTreeWidget* DestinationList = nullptr;
    QCheckBox* UseInstalledCheck = nullptr;
    QTreeWidget* SourceTree = nullptr;
    QTreeWidget* LibraryTree = nullptr;
    QPushButton* BlendButton = nullptr;
    QPushButton* PreviewButton = nullptr;
    QLabel* FinalCaption = nullptr; // "Destination Preview", with the destination it shows
    PictureControl* SourcePreview = nullptr;
    PictureControl* ModPreview = nullptr;
    PictureControl* FinalPreview = nullptr;
    QFileSystemWatcher* Watcher = nullptr; // the folders the two trees show
    QTimer* RefreshTimer = nullptr;        // the trees are filled again once the folders settle
    QTimer* DetailTimer = nullptr;         // larger pictures get detail once the size settles

private:
    // What the running step works on, read on the worker thread while it runs.
    struct StepContext {
        BlendChoice Choice;
        unsigned Index = 0;          // the destination whose blend the pictures show
        bool FollowProgress = false; // each destination of a multiple save is blended anew
        bool Save = false;           // the step writes files
    };
    bool StartStep(StepContext context, std::function<void()> step,
                   std::function<void()> done = {});
    void SetWorking(bool working);
    void SourceChoiceChanged();
    void ModChoiceChanged();
    void ClearReason();
    void ShowReason(unsigned pictures, const std::string& reason);
    void ShowProgress(int position, int count);
    // Called on the worker thread (or the GUI thread while idle): what the session's picture
    // update shows, with the detail for larger pictures and the names for the captions.
    void SendPictures(unsigned pictures, const BitmapHandle& bitmap);
    // The picture's slot at the size larger pictures show it, or null when the preview bitmap
    // shows all there is; `textureEdge` gets the slot image's larger side (0: none).
    BitmapHandle MakeDetail(unsigned picture, int& textureEdge) const;
    std::string PictureName(unsigned picture) const;
    PictureControl* Picture(unsigned picture) const;
    void RefreshTrees();
    void WatchTreeFolders();
    void RefreshDetails();
    bool DetailsStale() const;
    void ReleaseClosedPreviews();

    StepContext Step;
    bool PendingSourceReload = false; // choices changed while a step ran
    bool PendingModReload = false;
    bool CloseWhenDone = false;
    bool RefreshDetailsWhenDone = false;
    bool TreesFilled = false; // a type was chosen since the last set
    std::atomic<bool> StopRequested{false};
    std::atomic<int> DetailEdge{0}; // the edge larger pictures' detail is made at
    std::vector<std::pair<QWidget*, bool>> HeldWhileWorking;
    std::vector<QAction*> ActionsHeldWhileWorking;
    SessionWorker Worker; // last: joined before anything the step uses is destroyed
};

// The largest detail a picture gets; larger textures are scaled down to it first.
constexpr int LargestDetail = 1024;

// The image slot a picture shows: "Source", "Mod" or "Final".
const char* SlotOf(unsigned picture);

// The window mode's start-up up to the message loop, in this order: the window, the control
// font, the controls, the window shown, the engine started, the placeholder in the three
// pictures, the set selector filled. The application keeps a pointer to the window it returns.
std::unique_ptr<QuillonWindow> OpenMainWindow(Application& application);

} // namespace quillon
