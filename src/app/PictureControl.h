// A picture control: shows one preview bitmap (the counterpart of a bitmap STATIC) and reports
// clicks and double clicks to whoever made it. It keeps the bitmap it shows alive.
#pragma once

#include "imaging/PreviewBitmap.h"

#include <QLabel>

#include <functional>

class QImage;

namespace quillon {

class PictureControl : public QLabel {
public:
    // `notify` receives STN_CLICKED and STN_DBLCLK; it may be empty.
    PictureControl(QWidget* parent, std::function<void(int code)> notify);

    // STM_SETIMAGE: shows the bitmap (a null handle shows an empty area).
    void SetImage(BitmapHandle bitmap);
    const BitmapHandle& Image() const { return Shown; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    std::function<void(int code)> Notify;
    BitmapHandle Shown;
};

// A copy of the bitmap as a Qt image; a null image for a null handle.
QImage ToQImage(const BitmapHandle& bitmap);

} // namespace quillon
