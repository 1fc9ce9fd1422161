// Message boxes behind one small interface. The application installs a handler that shows real
// modal boxes when a display is available; without one, the default handler writes one line
// "Caption: text" to standard error and answers as if the box had been dismissed (a Yes/No box
// answers No), so a headless run never waits for a click nobody can make. Tests install a
// recorder. A runner, when installed, decides on which thread boxes are shown: the window carries
// the boxes its worker thread asks for to the GUI thread.
#pragma once

#include <functional>
#include <string>

namespace quillon {

// Styles and results, valued and named as Win32 names them.
namespace msgbox {
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_TYPEMASK = 0xF;
constexpr int IDOK = 1;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
} // namespace msgbox

struct MessageBoxRequest {
    std::string Text;
    std::string Caption;
    unsigned Style = msgbox::MB_OK;
    bool Owned = false; // owned by the main window (interactive) or without owner (headless)
};

using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;

// Gets the request and the handler that shows it, and returns the answer: it may show the box
// elsewhere (on another thread), or answer DismissedAnswer without showing it.
using MessageBoxRunner =
    std::function<int(const MessageBoxRequest&, const MessageBoxHandler& show)>;

// Shows the box through the installed handler (by way of the runner, when one is installed) and
// returns the button that closed it.
int ShowMessageBox(const MessageBoxRequest& request);

// Installs a handler; an empty one restores the default, standard-error handler.
void SetMessageBoxHandler(MessageBoxHandler handler);

// Installs a runner; an empty one shows boxes on the thread that asks for them. Install both
// before other threads ask for boxes.
void SetMessageBoxRunner(MessageBoxRunner runner);

// What a box answers when it is dismissed unseen: IDNO for a Yes/No box, else IDOK.
int DismissedAnswer(const MessageBoxRequest& request);

// The default handler: one line on standard error; IDNO for a Yes/No box, else IDOK.
int WriteMessageBoxToStandardError(const MessageBoxRequest& request);

// Whether a display is available for real windows (DISPLAY or WAYLAND_DISPLAY on Linux).
bool DisplayAvailable();

} // namespace quillon
