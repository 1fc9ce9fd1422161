// The large preview: a top-most tool window titled "Preview" whose 768 x 768 client area shows one
// bitmap. When the user closes it, it marks itself closed and posts WM_APP_PREVIEW_CLOSED to its
// owner, which then releases it; deleting the object closes its window. No window outlives its
// object. GUI thread only.
#pragma once

#include "imaging/PreviewBitmap.h"

#include <QEvent>

class QWidget;

namespace quillon {

constexpr int PreviewClientEdge = 768;

// The event type that carries WM_APP_PREVIEW_CLOSED to the owner.
QEvent::Type PreviewClosedEventType();

class PreviewWindow {
public:
    // Creates and shows the pop-up; `owner` (may be null) is told when the user closes it.
    PreviewWindow(QWidget* owner, BitmapHandle bitmap);
    ~PreviewWindow();
    PreviewWindow(const PreviewWindow&) = delete;
    PreviewWindow& operator=(const PreviewWindow&) = delete;

    QWidget* Window = nullptr; // the pop-up, owned
    QWidget* Owner = nullptr;
    bool Closed = false; // closed by the user; waiting to be released
};

} // namespace quillon
