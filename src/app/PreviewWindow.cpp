#include "app/PreviewWindow.h"

#include "app/PictureControl.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

#include <utility>

namespace quillon {

namespace {

// The pop-up's window: it closes on a key or a click, and reports its closing.
class PreviewFrame : public QWidget {
public:
    explicit PreviewFrame(PreviewWindow& object)
        : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                               Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowCloseButtonHint),
          Object(object) {}

protected:
    void closeEvent(QCloseEvent* event) override {
        event->accept();
        if (!Object.Closed) {
            Object.Closed = true;
            if (Object.Owner != nullptr && Object.WhenClosed) {
                // Later: the owner deletes this window, which is still in its own event here.
                QTimer::singleShot(0, Object.Owner, Object.WhenClosed);
            }
        }
    }
    void keyPressEvent(QKeyEvent* event) override {
        const int key = event->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
            close();
            return;
        }
        QWidget::keyPressEvent(event);
    }
    void mousePressEvent(QMouseEvent*) override { close(); }

private:
    PreviewWindow& Object; // outlives this window: the object deletes it
};

// The picture inside lets clicks through to the frame.
class PreviewPicture : public PictureControl {
public:
    using PictureControl::PictureControl;

protected:
    void mousePressEvent(QMouseEvent* event) override { event->ignore(); }
};

} // namespace

PreviewWindow::PreviewWindow(QObject* owner, const QString& title, BitmapHandle bitmap,
                             std::function<void()> closed)
    : Owner(owner), WhenClosed(std::move(closed)) {
    auto* frame = new PreviewFrame(*this);
    frame->setWindowTitle(title);
    frame->setFixedSize(PreviewClientEdge, PreviewClientEdge);
    auto* picture = new PreviewPicture(frame);
    picture->setFrameStyle(QFrame::NoFrame);
    picture->setFocusPolicy(Qt::NoFocus);
    picture->setGeometry(0, 0, PreviewClientEdge, PreviewClientEdge);
    picture->SetImage(std::move(bitmap));
    Window = frame;
    frame->show();
    frame->activateWindow();
}

PreviewWindow::~PreviewWindow() {
    // Deleted while still open (the application is ending): the window goes with the object,
    // and nothing is reported, since there is nothing left to release.
    WhenClosed = nullptr;
    delete Window;
}

} // namespace quillon
