// The one application object: configuration, engine, the current choices and, in the window
// mode, the main window's controls. Reached through CurrentApplication. Single thread.
#pragma once

#include "app/ControlIds.h"
#include "catalogue/BlendEngine.h"
#include "workflow/Settings.h"

#include <QFont>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace quillon {

class PictureControl;
class PreviewWindow;
class QuillonWindow;

// The head fix's result and the process exit code: 0 success, 1 to 12 the first failure.
using AutoHeadFixResult = std::int32_t;

class Application {
public:
    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Configuration (registry, then "Config.xml"); called once by the constructor.
    void LoadConfiguration();
    // Creates the engine, initialises the image library, reads the set definitions and copies
    // AlphaMatteColor and NoStripPremultAlpha into the engine's flags.
    void StartEngine();
    // The headless head/neck seam fix; its result is the process exit code.
    AutoHeadFixResult RunAutoHeadFix();

    // Controls: created once, before the window is first shown; never in the headless mode.
    void CreateControls();
    void ResetTypeSelector();
    void ClearDestinationList();
    void ClearSourceTree();
    void ClearLibraryTree();

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

    // Previews in the three pictures; `flags` combines the bits below.
    static constexpr unsigned SourcePreviewFlag = 1;
    static constexpr unsigned ModPreviewFlag = 2;
    static constexpr unsigned FinalPreviewFlag = 4;
    void ShowBlankPreviews(unsigned flags);
    void UpdatePreviews(unsigned flags, const std::string& key, bool rebuild);
    // Releases the pop-ups the user has closed (the main window's answer to
    // WM_APP_PREVIEW_CLOSED).
    void ReleaseClosedPreviews();

    // Load and blend steps, with the status line and the wait cursor. Each reports whether it
    // made what it was asked for: a load, a picture read from the chosen file; a blend, a new
    // "Final" composited from two good loads for a checked destination.
    void SetStatus(const std::string& message);
    bool LoadSourceImage(unsigned index);
    bool LoadModImage();
    bool GenerateBlend(unsigned index);

    // The controller: every command and notification of the main window.
    int OnCommand(int code, int id);
    int OnNotify(const NotificationHeader* header);

    QFont Font; // the controls' font
    QuillonWindow* MainWindow = nullptr;
    // The open preview pop-ups, newest last. Each is released when the user closes it, the rest
    // with the application.
    std::vector<std::unique_ptr<PreviewWindow>> Previews;
    std::string SetName;
    std::string TypeName;
    bool HeadlessHeadFix = false;
    QLabel* StatusLine = nullptr;
    QComboBox* SetSelector = nullptr;
    QComboBox* TypeSelector = nullptr;
    QTreeWidget* DestinationList = nullptr;
    QCheckBox* UseInstalledCheck = nullptr;
    QTreeWidget* SourceTree = nullptr;
    QTreeWidget* LibraryTree = nullptr;
    QPushButton* BlendButton = nullptr;
    QPushButton* PreviewButton = nullptr;
    PictureControl* SourcePreview = nullptr;
    PictureControl* ModPreview = nullptr;
    PictureControl* FinalPreview = nullptr;
    std::unique_ptr<BlendEngine> Engine;
    bool ModReload = true;
    bool SourceReload = true;
    Settings Config;
    std::string StatusSuffix;
    // The last read of the slot's file failed; the empty image it left is no picture.
    bool SourceReadFailed = false;
    bool ModReadFailed = false;

private:
    bool LoadSlot(const std::string& key, const std::string& path, bool reload, bool& readFailed);
    void OnSetChosen();
    void OnTypeChosen();
    void OpenLargePreview(const std::string& key);
    void OnBlendImages();
    bool SaveBlend(bool blended, const std::string& destination);
    void SaveToOneDestination(const std::string& destination);
    void SaveWithInstalledSources(const std::vector<std::string>& destinations);
    void SaveOneBlendToAll(const std::vector<std::string>& destinations);
};

// The process-wide current application; null before it is created and after it is gone.
extern Application* CurrentApplication;

} // namespace quillon
