// A picture control: one preview inside a sunken edge. At the default size it shows the preview
// bitmap pixel for pixel; larger, it shows a more detailed bitmap of the same image, smoothly
// scaled to fit. A picture whose load failed shows the placeholder crossed out in red, with the
// reason as its tooltip. Double click, Enter or Space opens it (`Opened`). GUI thread only.
#pragma once

#include "imaging/PreviewBitmap.h"

#include <QFrame>
#include <QImage>

#include <functional>

namespace quillon {

class PictureControl : public QFrame {
public:
    explicit PictureControl(QWidget* parent);

    // Shows `bitmap` (null: an empty area) and, where the control is larger than it, `detail`
    // (may be null). `textureEdge`: the larger side of the image it was made from, 0 for none.
    void SetImage(BitmapHandle bitmap, BitmapHandle detail = nullptr, int textureEdge = 0);
    const BitmapHandle& Image() const { return Shown; }
    const BitmapHandle& Detail() const { return Detailed; }
    int TextureEdge() const { return Edge; }

    // Marks the picture as failed, with the reason; an empty reason clears the mark.
    void SetFailed(const QString& reason);
    bool Failed() const { return !FailureReason.isEmpty(); }

    std::function<void()> Opened;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    BitmapHandle Shown;
    BitmapHandle Detailed;
    int Edge = 0;
    QString FailureReason;
    QImage ShownImage;
    QImage Scaled; // the detail at the size last painted
};

// A copy of the bitmap as a Qt image; a null image for a null handle.
QImage ToQImage(const BitmapHandle& bitmap);

} // namespace quillon
