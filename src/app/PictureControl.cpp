#include "app/PictureControl.h"

#include "app/ControlIds.h"

#include <QImage>
#include <QMouseEvent>
#include <QPixmap>

#include <cstddef>
#include <utility>

namespace quillon {

PictureControl::PictureControl(QWidget* parent, std::function<void(int code)> notify)
    : QLabel(parent), Notify(std::move(notify)) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void PictureControl::SetImage(BitmapHandle bitmap) {
    Shown = std::move(bitmap);
    if (Shown) {
        setPixmap(QPixmap::fromImage(ToQImage(Shown)));
    } else {
        clear();
    }
}

void PictureControl::mousePressEvent(QMouseEvent* event) {
    QLabel::mousePressEvent(event);
    if (Notify && event->button() == Qt::LeftButton) {
        Notify(STN_CLICKED);
    }
}

void PictureControl::mouseDoubleClickEvent(QMouseEvent* event) {
    QLabel::mouseDoubleClickEvent(event);
    if (Notify && event->button() == Qt::LeftButton) {
        Notify(STN_DBLCLK);
    }
}

QImage ToQImage(const BitmapHandle& bitmap) {
    if (!bitmap || bitmap->Width <= 0 || bitmap->Height <= 0 ||
        bitmap->Pixels.size() <
            static_cast<std::size_t>(bitmap->Width) * static_cast<std::size_t>(bitmap->Height)) {
        return QImage();
    }
    // Format_RGB32 is exactly the bitmap's layout: 0xFFRRGGBB words, rows top-down.
    const QImage view(reinterpret_cast<const uchar*>(bitmap->Pixels.data()), bitmap->Width,
                      bitmap->Height, bitmap->Width * 4, QImage::Format_RGB32);
    return view.copy();
}

} // namespace quillon
