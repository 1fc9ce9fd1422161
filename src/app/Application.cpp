#include "app/Application.h"

#include "app/PictureControl.h"
#include "app/PreviewWindow.h"
#include "platform/Registry.h"

#include <QApplication>
#include <QLabel>

#include <utility>

namespace quillon {

Application::Application(BlendSession session) : Session(std::move(session)) {}

Application::Application() {
    Session.LoadConfiguration(ReadGameInstalledPath);
}

Application::~Application() {
    // The session first, then the pop-ups: each shows a bitmap of its own, which outlives both.
    Session.Engine.reset();
    Session.View = {};
    Previews.clear();
}

void Application::ConnectSession() {
    Session.View.Status = [this](const std::string& text) {
        StatusLine->setText(QString::fromStdString(text));
        StatusLine->repaint(); // shown at once: the step that follows keeps the loop busy
    };
    Session.View.Pictures = [this](unsigned pictures, const BitmapHandle& bitmap) {
        for (const auto& [flag, picture] :
             {std::pair{SourcePreviewFlag, SourcePreview}, std::pair{ModPreviewFlag, ModPreview},
              std::pair{FinalPreviewFlag, FinalPreview}}) {
            if ((pictures & flag) != 0 && picture != nullptr) {
                picture->SetImage(bitmap);
            }
        }
    };
    Session.View.Busy = [](bool busy) {
        if (busy) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
        } else {
            QApplication::restoreOverrideCursor();
        }
    };
}

} // namespace quillon
