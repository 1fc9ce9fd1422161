// The main window: "Velloran's Quillon" and the workspace folder in its title, the menus, the
// about box and its accelerators, and the client area below the menu that holds the controls.
// It remembers its size and place (QSettings of the application's organisation and name) and
// asks the controller before it closes. The controller connects the menu's actions.
#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QDialog;
class QMenu;

namespace quillon {

class QuillonWindow : public QMainWindow {
public:
    QuillonWindow();
    ~QuillonWindow() override;

    // The parent of every control.
    QWidget* ClientArea() const { return Client; }

    QMenu* FileMenu = nullptr;
    QAction* ReloadAction = nullptr;  // File > Reload, F5
    QAction* RestoreAction = nullptr; // File > Restore Previous Textures...
    QAction* ExitAction = nullptr;
    QAction* AboutAction = nullptr; // also Alt+? and Alt+/
    QAction* OpenWorkspaceAction = nullptr;

    // Asked before the window closes: false keeps it open.
    std::function<bool()> MayClose;
    // The client area changed its size.
    std::function<void()> Resized;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* Client = nullptr;
};

// The key under which the window's geometry is remembered.
constexpr const char* WindowGeometryKey = "MainWindow/Geometry";

// Tahoma 8 pt, or the system's font at 8 pt where there is no Tahoma.
QFont ControlFont();

// Whether a key event is one of the about box's accelerators: Alt with the character '?' or
// '/'.
bool IsAboutAccelerator(const QKeyEvent& event);

// The about box, made for `owner`, at its dialog-unit layout, with the version; ShowAboutBox
// runs it modally.
std::unique_ptr<QDialog> CreateAboutBox(QWidget* owner);
void ShowAboutBox(QWidget* owner);

// Dialog units to pixels for a font, as dialog templates convert them: horizontal units are a
// quarter of the font's average character width, vertical units an eighth of its height.
QPoint DialogUnitsToPixels(const QFont& font, int x, int y);

// The program's icon, drawn in code: a textured tile with a quill across it.
QIcon QuillonIcon();

} // namespace quillon
