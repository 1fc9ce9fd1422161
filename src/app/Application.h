// The window's controller: the main window's controls, and the blend session it drives. Qt
// signals arrive as the commands and notifications of the control ids (OnCommand, OnNotify); the
// controller reads what the controls say into a BlendChoice, runs the session's steps and shows
// what the session reports. GUI thread only.
#pragma once

#include "app/ControlIds.h"
#include "workflow/BlendSession.h"

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

    // Shows what the session reports: status texts, pictures and the wait cursor.
    void ConnectSession();
    // Releases the pop-ups the user has closed (the main window's answer to
    // WM_APP_PREVIEW_CLOSED).
    void ReleaseClosedPreviews();

    // The controller: every command and notification of the main window.
    int OnCommand(int code, int id);
    int OnNotify(const NotificationHeader* header);

    BlendSession Session;
    QFont Font; // the controls' font
    QuillonWindow* MainWindow = nullptr;
    // The open preview pop-ups, newest last. Each is released when the user closes it, the rest
    // with the application.
    std::vector<std::unique_ptr<PreviewWindow>> Previews;
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

private:
    void OnSetChosen();
    void OnTypeChosen();
    void OpenLargePreview(const std::string& key);
};

} // namespace quillon
