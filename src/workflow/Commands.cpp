// The main window's controller: every command and notification of its controls arrives here
// with the control's id and the notification code.
#include "app/Application.h"
#include "app/MainWindow.h"
#include "imaging/PreviewWindow.h"

int Application::OnCommand(int code, int id) {
    switch (id) {
    case IDC_SOURCE_PREVIEW:
    case IDC_MOD_PREVIEW:
    case IDC_FINAL_PREVIEW: {
        if (code != STN_DBLCLK) {
            break;
        }
        const char* key = id == IDC_SOURCE_PREVIEW ? "Source"
                          : id == IDC_MOD_PREVIEW  ? "Mod"
                                                   : "Final";
        const BitmapHandle bitmap =
            Engine ? Engine->GetPreviewBitmap(key, true, PreviewClientEdge, PreviewClientEdge)
                   : nullptr;
        // Also with no bitmap: the pop-up then shows an empty area.
        Previews.push_back(std::make_unique<PreviewWindow>(MainWindow, bitmap));
        break;
    }
    default:
        break;
    }
    return 1;
}

int Application::OnNotify(const NotificationHeader* /*header*/) {
    return 1;
}
