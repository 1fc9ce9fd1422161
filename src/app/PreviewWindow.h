// The large preview: a top-most tool window whose 768 x 768 client area shows one bitmap, titled
// with what it shows ("Destination Preview: female"). Escape, Enter or a click closes it, as does
// its close box. When the user closes it, it marks itself closed and tells `closed` through its
// owner's event queue, so the owner may release it then; deleting the object closes its window. No
// window outlives its object. GUI thread only.
#pragma once

#include "imaging/PreviewBitmap.h"

#include <QString>

#include <functional>

class QObject;
class QWidget;

namespace quillon {

constexpr int PreviewClientEdge = 768;

class PreviewWindow {
public:
    PreviewWindow(QObject* owner, const QString& title, BitmapHandle bitmap,
                  std::function<void()> closed);
    ~PreviewWindow();
    PreviewWindow(const PreviewWindow&) = delete;
    PreviewWindow& operator=(const PreviewWindow&) = delete;

    QWidget* Window = nullptr; // the pop-up, owned
    bool Closed = false;       // closed by the user; waiting to be released
    QObject* Owner = nullptr;
    std::function<void()> WhenClosed;
};

} // namespace quillon
