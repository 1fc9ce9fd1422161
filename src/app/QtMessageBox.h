// Message boxes as real modal Qt dialogs, for runs that have a display.
#pragma once

#include "platform/MessageBox.h"

class QWidget;

namespace quillon {

// Shows the request as a modal box; an owned request is owned by `mainWindow` (when not null).
int ShowQtMessageBox(const MessageBoxRequest& request, QWidget* mainWindow);

// Routes every ShowMessageBox of the run to Qt dialogs owned by `mainWindow`.
void InstallQtMessageBoxes(QWidget* mainWindow);

} // namespace quillon
