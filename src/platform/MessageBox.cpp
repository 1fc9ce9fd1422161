#include "platform/MessageBox.h"

#include <cstdlib>
#include <iostream>
#include <string>
#include <utility>

namespace quillon {

namespace {

MessageBoxHandler& InstalledHandler() {
    static MessageBoxHandler handler;
    return handler;
}

MessageBoxRunner& InstalledRunner() {
    static MessageBoxRunner runner;
    return runner;
}

int ShowWithHandler(const MessageBoxRequest& request) {
    const MessageBoxHandler& handler = InstalledHandler();
    return handler ? handler(request) : WriteMessageBoxToStandardError(request);
}

} // namespace

int WriteMessageBoxToStandardError(const MessageBoxRequest& request) {
    // One line per box: line breaks inside the text become single spaces.
    std::string text;
    for (char c : request.Text) {
        const bool lineBreak = c == '\r' || c == '\n';
        if (!lineBreak) {
            text += c;
        } else if (text.empty() || text.back() != ' ') {
            text += ' ';
        }
    }
    std::cerr << request.Caption << ": " << text << std::endl;
    return DismissedAnswer(request);
}

int DismissedAnswer(const MessageBoxRequest& request) {
    return (request.Style & msgbox::MB_TYPEMASK) == msgbox::MB_YESNO ? msgbox::IDNO : msgbox::IDOK;
}

int ShowMessageBox(const MessageBoxRequest& request) {
    const MessageBoxRunner& runner = InstalledRunner();
    return runner ? runner(request, ShowWithHandler) : ShowWithHandler(request);
}

void SetMessageBoxHandler(MessageBoxHandler handler) {
    InstalledHandler() = std::move(handler);
}

void SetMessageBoxRunner(MessageBoxRunner runner) {
    InstalledRunner() = std::move(runner);
}

bool DisplayAvailable() {
#ifdef _WIN32
    return true;
#else
    auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY");
#endif
}

} // namespace quillon
