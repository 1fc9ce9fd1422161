// The main window: "Velloran's Quillon", the menu, the accelerators, the about box, and the
// window procedure that hands every command and notification of its controls to the controller
// it is given. Its client area, below the menu, holds the controls at fixed positions.
#pragma once

#include "app/ControlIds.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QDialog;

namespace quillon {

constexpr int MainWindowOuterWidth = 730;
constexpr int MainWindowOuterHeight = 670;
// The client area below the menu that a 730 x 670 window with the standard frame leaves; the
// controls are laid out in it.
constexpr int MainWindowClientWidth = 714;
constexpr int MainWindowClientHeight = 612;

// Where the window hands what happens in it: the controller's OnCommand and OnNotify, and the
// release of closed pop-ups (WM_APP_PREVIEW_CLOSED).
struct WindowController {
    std::function<void(int code, int id)> Command;
    std::function<void(const NotificationHeader* header)> Notify;
    std::function<void()> PreviewClosed;
};

class QuillonWindow : public QMainWindow {
public:
    explicit QuillonWindow(WindowController controller);

    // The parent of every control; positions are client pixels.
    QWidget* ClientArea() const { return Client; }

    // WM_COMMAND: the controller first, then the menu commands IDM_ABOUT and IDM_EXIT.
    void SendCommand(int code, int id);
    // WM_NOTIFY: the controller.
    void SendNotify(const NotificationHeader* header);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    WindowController Controller;
    QWidget* Client = nullptr;
};

// Tahoma 8 pt, or the system's font at 8 pt where there is no Tahoma.
QFont ControlFont();

// Whether a key event is one of the about box's accelerators: Alt with the character '?' or
// '/'.
bool IsAboutAccelerator(const QKeyEvent& event);

// The about box, made for `owner`, at its dialog-unit layout; ShowAboutBox runs it modally.
std::unique_ptr<QDialog> CreateAboutBox(QWidget* owner);
void ShowAboutBox(QWidget* owner);

// Dialog units to pixels for a font, as dialog templates convert them: horizontal units are a
// quarter of the font's average character width, vertical units an eighth of its height.
QPoint DialogUnitsToPixels(const QFont& font, int x, int y);

// The program's icon, drawn in code: a textured tile with a quill across it.
QIcon QuillonIcon();

} // namespace quillon
