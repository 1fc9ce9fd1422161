#include "app/Application.h"

#include "app/Layout.h"
#include "app/MainWindow.h"
#include "app/PictureControl.h"
#include "app/PreviewWindow.h"
#include "backup/Restore.h"
#include "imaging/Previews.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/Registry.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <algorithm>
#include <filesystem>
#include <utility>

namespace quillon {

namespace {

// The last component of a "\"-joined path.
std::string Leaf(const std::string& path) {
    const std::size_t separator = path.rfind('\\');
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

} // namespace

Application::Application(BlendSession session) : Session(std::move(session)) {
    OpenUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    Restore.Offered = [this] {
        std::string problem;
        return !UndoableRuns(Session.OutputPath(), problem).empty() || !problem.empty();
    };
    Restore.Pending = [this] {
        PendingRestore pending;
        const RestorePlan plan = PlanRestore(Session.OutputPath());
        if (!plan.Problem.empty()) { // a damaged journal: say so rather than "nothing to restore"
            pending.Lines.push_back("cannot restore: " + plan.Problem);
        }
        for (const RestoreFile& file : plan.Files) {
            if (file.Action == RestoreAction::PutBack) {
                pending.Lines.push_back("put back: " + file.Path);
            } else if (file.Action == RestoreAction::Remove) {
                pending.Lines.push_back("remove: " + file.Path);
            } else if (file.Action == RestoreAction::LeaveAlone) {
                pending.Lines.push_back("left alone (" + file.Reason + "): " + file.Path);
                pending.Changed = true;
            } else if (file.Action == RestoreAction::Fail) {
                pending.Lines.push_back("cannot be put back (" + file.Reason + "): " + file.Path);
            }
            pending.PutsBack = pending.PutsBack || file.Action == RestoreAction::PutBack ||
                               file.Action == RestoreAction::Remove;
        }
        return pending;
    };
    Restore.Restore = [this](std::string& reason) {
        const RestorePlan done = RestoreMostRecentRun(Session.OutputPath());
        if (done.Undone) {
            return true;
        }
        reason = done.Problem;
        for (const RestoreFile& file : done.Files) {
            if (file.Action == RestoreAction::LeaveAlone || file.Action == RestoreAction::Fail) {
                reason += (reason.empty() ? "" : "\r\n") + file.Path + ": " + file.Reason;
            }
        }
        return false;
    };
}

Application::Application() : Application(BlendSession()) {
    Session.LoadConfiguration(ReadGameInstalledPath);
}

Application::~Application() {
    // A step still running stops after the file it is writing; no further box is shown.
    StopRequested = true;
    Worker.Finish();
    SetMessageBoxRunner({});
    // The session first, then the pop-ups: each shows a bitmap of its own, which outlives both.
    Session.Engine.reset();
    Session.View = {};
    Previews.clear();
}

void Application::ConnectSession() {
    Session.View.Status = [this](const std::string& text) {
        Worker.Post([this, text] {
            StatusLine->setText(QString::fromStdString(text));
            StatusLine->repaint(); // each text is seen, however fast the next one follows
        });
    };
    Session.View.Pictures = [this](unsigned pictures, const BitmapHandle& bitmap) {
        SendPictures(pictures, bitmap);
    };
    Session.View.Reason = [this](unsigned pictures, const std::string& reason) {
        Worker.Post([this, pictures, reason] { ShowReason(pictures, reason); });
    };
    Session.View.Progress = [this](int position, int count) {
        if (Step.FollowProgress && position > 0) {
            Step.Index = static_cast<unsigned>(position - 1);
        }
        Worker.Post([this, position, count] { ShowProgress(position, count); });
    };
    Session.View.Stopped = [this] { return StopRequested.load(); };
    // Boxes asked for on the worker thread are shown on the GUI thread, with the normal cursor;
    // the step waits for the answer.
    SetMessageBoxRunner([this](const MessageBoxRequest& request, const MessageBoxHandler& show) {
        return Worker.Ask(
            [request, show] {
                const bool waiting = QApplication::overrideCursor() != nullptr;
                if (waiting) {
                    QApplication::setOverrideCursor(Qt::ArrowCursor);
                }
                const int answer = show(request);
                if (waiting) {
                    QApplication::restoreOverrideCursor();
                }
                return answer;
            },
            DismissedAnswer(request));
    });
}

PictureControl* Application::Picture(unsigned picture) const {
    return picture == SourcePreviewFlag ? SourcePreview
           : picture == ModPreviewFlag  ? ModPreview
                                        : FinalPreview;
}

std::string Application::PictureName(unsigned picture) const {
    const BlendChoice& choice = Step.Choice;
    const std::string destination =
        Step.Index < choice.Destinations.size() ? choice.Destinations[Step.Index] : "";
    if (picture == SourcePreviewFlag) {
        return choice.UseInstalled ? destination + (destination.empty() ? "" : " (installed)")
                                   : Leaf(choice.SourceTreePath);
    }
    return picture == ModPreviewFlag ? Leaf(choice.LibraryTreePath) : destination;
}

const char* SlotOf(unsigned picture) {
    return picture == SourcePreviewFlag ? SourceSlot
           : picture == ModPreviewFlag  ? ModSlot
                                        : FinalSlot;
}

BitmapHandle Application::MakeDetail(unsigned picture, int& textureEdge) const {
    textureEdge = 0;
    const auto slot = Session.Images.find(SlotOf(picture));
    if (slot == Session.Images.end() || slot->second.Empty()) {
        return nullptr;
    }
    const RgbaImage& image = slot->second;
    textureEdge = std::max(image.Width, image.Height);
    const int edge = std::min({textureEdge, DetailEdge.load(), LargestDetail});
    if (edge <= PreviewEdge) {
        return nullptr; // the preview bitmap itself has all there is to show
    }
    const bool black = Session.Engine && Session.Engine->BlackMatte != 0;
    return MakePreviewBitmap(image, edge, edge, black ? 0 : Session.DefaultMatte);
}

void Application::SendPictures(unsigned pictures, const BitmapHandle& bitmap) {
    struct Shown {
        unsigned Picture = 0;
        BitmapHandle Detail;
        int Edge = 0;
        std::string Name;
    };
    std::vector<Shown> shown;
    const auto blank = Session.Bitmaps.find(BlankSlot);
    const bool placeholder = !bitmap || (blank != Session.Bitmaps.end() && blank->second == bitmap);
    for (const unsigned picture : {SourcePreviewFlag, ModPreviewFlag, FinalPreviewFlag}) {
        if ((pictures & picture) == 0) {
            continue;
        }
        Shown entry;
        entry.Picture = picture;
        if (!placeholder) {
            entry.Detail = MakeDetail(picture, entry.Edge);
            entry.Name = entry.Edge > 0 ? PictureName(picture) : "";
        }
        shown.push_back(std::move(entry));
    }
    Worker.Post([this, bitmap, shown = std::move(shown)] {
        for (const Shown& entry : shown) {
            PictureControl* picture = Picture(entry.Picture);
            picture->SetImage(bitmap, entry.Detail, entry.Edge);
            picture->setProperty("Name", QString::fromStdString(entry.Name));
            if (entry.Picture == FinalPreviewFlag) {
                const std::string caption = "Destination Preview";
                FinalCaption->setText(QString::fromStdString(
                    entry.Name.empty() ? caption : caption + ": " + entry.Name));
                FinalCaption->setToolTip(FinalCaption->text());
            }
        }
        PlaceControls(); // the pictures may grow with what they show
    });
}

void Application::ShowReason(unsigned pictures, const std::string& reason) {
    const QString text = QString::fromStdString(reason);
    for (const unsigned picture : {SourcePreviewFlag, ModPreviewFlag, FinalPreviewFlag}) {
        if ((pictures & picture) != 0) {
            Picture(picture)->SetFailed(text);
        }
    }
    if (!reason.empty()) {
        ReasonLine->setText(text);
        ReasonLine->setToolTip(text);
        ReasonLine->show();
    }
}

void Application::ClearReason() {
    ReasonLine->clear();
    ReasonLine->setToolTip({});
    ReasonLine->hide();
}

void Application::ShowProgress(int position, int count) {
    if (count <= 0) {
        Progress->hide();
        return;
    }
    Progress->setRange(0, count);
    Progress->setValue(position);
    Progress->show();
}

bool Application::StartStep(StepContext context, std::function<void()> step,
                            std::function<void()> done) {
    if (Working()) {
        return false;
    }
    Step = std::move(context);
    StopRequested = false;
    SetWorking(true);
    return Worker.Start(std::move(step), [this, done = std::move(done)] {
        SetWorking(false);
        Progress->hide();
        // Choices changed while the step ran count now, after the step cleared the flags.
        Session.SourceReload = Session.SourceReload || PendingSourceReload;
        Session.ModReload = Session.ModReload || PendingModReload;
        PendingSourceReload = PendingModReload = false;
        if (done) {
            done();
        }
        if (CloseWhenDone) {
            MainWindow->close();
        } else if (RefreshDetailsWhenDone) {
            RefreshDetails();
        }
    });
}

void Application::SetWorking(bool working) {
    // What would start other work waits; the choices themselves stay open.
    if (working) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        for (QWidget* control :
             {static_cast<QWidget*>(SetSelector), static_cast<QWidget*>(TypeSelector),
              static_cast<QWidget*>(PreviewButton), static_cast<QWidget*>(BlendButton)}) {
            HeldWhileWorking.emplace_back(control, control->isEnabled());
            control->setEnabled(false);
        }
        for (QAction* action : {MainWindow->ReloadAction, MainWindow->RestoreAction}) {
            if (action->isEnabled()) {
                ActionsHeldWhileWorking.push_back(action);
                action->setEnabled(false);
            }
        }
        return;
    }
    for (const auto& [control, enabled] : HeldWhileWorking) {
        control->setEnabled(enabled);
    }
    for (QAction* action : ActionsHeldWhileWorking) {
        action->setEnabled(true);
    }
    HeldWhileWorking.clear();
    ActionsHeldWhileWorking.clear();
    QApplication::restoreOverrideCursor();
}

std::unique_ptr<QuillonWindow> OpenMainWindow(Application& application) {
    auto window = std::make_unique<QuillonWindow>();
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
    if (application.Session.Engine->TextureSets.empty()) {
        // No workspace: say what was looked for, and where, rather than show an empty list.
        const std::string where = AbsoluteDisplayPath("SetDefs");
        const std::string text = "No texture sets: no set definitions (*.xml) were found in " +
                                 where + ". Start Quillon in its workspace folder.";
        auto* item = new QTreeWidgetItem(QStringList{QString::fromStdString(text)});
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemNeverHasChildren);
        application.LibraryTree->addTopLevelItem(item);
        application.LibraryTree->setWordWrap(true);
        application.ReasonLine->setText(QString::fromStdString(text));
        application.ReasonLine->setToolTip(application.ReasonLine->text());
        application.ReasonLine->show();
    }
    return window;
}

} // namespace quillon
