#include "app/PictureControl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <cstddef>
#include <utility>

namespace quillon {

PictureControl::PictureControl(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setFocusPolicy(Qt::StrongFocus);
}

void PictureControl::SetImage(BitmapHandle bitmap, BitmapHandle detail, int textureEdge) {
    Shown = std::move(bitmap);
    Detailed = std::move(detail);
    Edge = textureEdge;
    ShownImage = ToQImage(Shown);
    Scaled = QImage();
    if (Edge > 0) {
        SetFailed({}); // a picture came: whatever failed before, this one did not
    }
    update();
}

void PictureControl::SetFailed(const QString& reason) {
    FailureReason = reason;
    setToolTip(reason);
    update();
}

void PictureControl::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect area = contentsRect();
    const bool detailed =
        Detailed && (area.width() > ShownImage.width() || area.height() > ShownImage.height());
    if (detailed) {
        if (Scaled.size() != area.size()) {
            Scaled = ToQImage(Detailed).scaled(area.size(), Qt::IgnoreAspectRatio,
                                               Qt::SmoothTransformation);
        }
        painter.drawImage(area.topLeft(), Scaled);
    } else if (ShownImage.size() == area.size()) {
        painter.drawImage(area.topLeft(), ShownImage);
    } else if (!ShownImage.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(area, ShownImage);
    }
    if (Failed()) {
        // A red cross over the placeholder: this picture failed, it was not left unchosen.
        const int inset = area.width() / 8;
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(0xd0, 0x10, 0x10), std::max(3, area.width() / 16), Qt::SolidLine,
                            Qt::RoundCap));
        const QRect cross = area.adjusted(inset, inset, -inset, -inset);
        painter.drawLine(cross.topLeft(), cross.bottomRight());
        painter.drawLine(cross.topRight(), cross.bottomLeft());
    }
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = area.adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void PictureControl::mouseDoubleClickEvent(QMouseEvent* event) {
    QFrame::mouseDoubleClickEvent(event);
    if (Opened && event->button() == Qt::LeftButton) {
        Opened();
    }
}

void PictureControl::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (Opened && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)) {
        event->accept();
        Opened();
        return;
    }
    QFrame::keyPressEvent(event);
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
