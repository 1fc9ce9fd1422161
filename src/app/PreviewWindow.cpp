#include "app/PreviewWindow.h"

#include "app/ControlIds.h"
#include "app/PictureControl.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QWidget>

#include <utility>

namespace quillon {

namespace {

// The pop-up's window: the one event it needs is its closing.
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
            if (Object.Owner != nullptr) {
                QCoreApplication::postEvent(Object.Owner, new QEvent(PreviewClosedEventType()));
            }
        }
    }

private:
    PreviewWindow& Object; // outlives this window: the object deletes it
};

} // namespace

QEvent::Type PreviewClosedEventType() {
    return static_cast<QEvent::Type>(QEvent::User + WM_APP_PREVIEW_CLOSED);
}

PreviewWindow::PreviewWindow(QWidget* owner, BitmapHandle bitmap) : Owner(owner) {
    auto* frame = new PreviewFrame(*this);
    frame->setWindowTitle("Preview");
    frame->setFixedSize(PreviewClientEdge, PreviewClientEdge);
    auto* picture = new PictureControl(frame, {});
    picture->setGeometry(0, 0, PreviewClientEdge, PreviewClientEdge);
    picture->SetImage(std::move(bitmap));
    Window = frame;
    frame->show();
}

PreviewWindow::~PreviewWindow() {
    // Deleted while still open (the application is ending): the window goes with the object,
    // and nothing is posted, since there is nothing left to release.
    delete Window;
}

} // namespace quillon
