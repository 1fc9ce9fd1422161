#include "app/Application.h"

#include "app/MainWindow.h"
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

std::unique_ptr<QuillonWindow> OpenMainWindow(Application& application) {
    auto window = std::make_unique<QuillonWindow>(WindowController{
        [&application](int code, int id) { application.OnCommand(code, id); },
        [&application](const NotificationHeader* header) { application.OnNotify(header); },
        [&application] { application.ReleaseClosedPreviews(); }});
    application.MainWindow = window.get();
    application.Font = ControlFont();
    application.CreateControls();
    application.ConnectSession();
    window->show();
    // Previews lay transparency over the window's own background unless black is configured.
    application.Session.DefaultMatte = window->palette().color(QPalette::Window).rgb() & 0xFFFFFF;
    application.Session.StartEngine();
    application.Session.ShowBlankPreviews(AllPreviews);
    application.FillSetSelector();
    return window;
}

} // namespace quillon
