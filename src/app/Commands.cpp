// What the player does in the main window. Choosing a set or a type refills the views below it;
// selections and check marks keep the reload flags; "Preview", "Blend Images", a double click
// (or Enter) in a tree and a double click on a picture hand their step to the worker thread with
// what the controls say at that moment. The order of refills, flags, status texts and messages is
// the original window's; what changed is only where the long steps run.
#include "app/Application.h"
#include "app/Layout.h"
#include "app/MainWindow.h"
#include "app/PictureControl.h"
#include "app/PreviewWindow.h"
#include "imaging/Previews.h"
#include "platform/MessageBox.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <algorithm>

namespace quillon {

namespace {

constexpr std::size_t SelectorTextLimit = 255;

std::string SelectorText(const QComboBox* selector) {
    std::string text = selector->currentText().toStdString();
    if (text.size() > SelectorTextLimit) {
        text.resize(SelectorTextLimit);
    }
    return text;
}

// Ctrl held while "Blend Images" is clicked.
bool ControlKeyDown() {
    return (QGuiApplication::keyboardModifiers() & Qt::ControlModifier) != 0;
}

} // namespace

void Application::SourceChoiceChanged() {
    // While a step runs the flag is the step's; the change counts once it has ended.
    (Working() ? PendingSourceReload : Session.SourceReload) = true;
}

void Application::ModChoiceChanged() {
    (Working() ? PendingModReload : Session.ModReload) = true;
}

void Application::ChooseSet() {
    ClearReason();
    Session.SetName = SelectorText(SetSelector);
    FillTypeSelector(Session.SetName);
    TypeSelector->setEnabled(true);
    ClearDestinationList();
    DestinationList->setEnabled(false);
    ClearSourceTree();
    SourceTree->setEnabled(false);
    // The option is checked again for every set; it is never cleared here.
    if (Session.UseInstalledByDefault()) {
        UseInstalledCheck->setChecked(true);
    }
    ClearLibraryTree();
    TreesFilled = false;
    WatchTreeFolders();
    for (PictureControl* picture : {SourcePreview, ModPreview, FinalPreview}) {
        picture->SetFailed({});
    }
    Session.ShowBlankPreviews(AllPreviews);
    Session.ModReload = true;
    Session.SourceReload = true;
}

void Application::ChooseType() {
    ClearReason();
    Session.TypeName = SelectorText(TypeSelector);
    FillDestinationList(Session.SetName, Session.TypeName);
    DestinationList->setEnabled(true);
    if (!UseInstalledCheck->isChecked()) {
        SourceTree->setEnabled(true);
    }
    ClearSourceTree();
    FillSourceTree(Session.SetName, Session.TypeName);
    ClearLibraryTree();
    FillLibraryTree(Session.SetName, Session.TypeName);
    TreesFilled = true;
    WatchTreeFolders();
    for (PictureControl* picture : {SourcePreview, ModPreview, FinalPreview}) {
        picture->SetFailed({});
    }
    Session.ShowBlankPreviews(AllPreviews);
    Session.ModReload = true;
    Session.SourceReload = true;
}

void Application::ToggleInstalledSources() {
    SourceTree->setEnabled(!UseInstalledCheck->isChecked());
    SourceChoiceChanged();
}

void Application::DestinationTicked() {
    // With installed sources the source depends on the checked destinations.
    if (UseInstalledCheck->isChecked()) {
        SourceChoiceChanged();
    }
}

void Application::DestinationSelected() {
    // "Preview" shows the selected destination: with installed sources, its own texture.
    if (UseInstalledCheck->isChecked()) {
        SourceChoiceChanged();
    }
}

void Application::SourceSelected() {
    SourceChoiceChanged();
}

void Application::ModSelected() {
    ModChoiceChanged();
}

void Application::LoadSource() {
    if (Working()) {
        return; // what started first finishes first
    }
    BlendChoice choice = CurrentChoice();
    ClearReason();
    StartStep({choice}, [this, choice] {
        (void)Session.LoadSourceImage(0, choice);
        Session.SourceReload = false;
    });
}

void Application::LoadMod() {
    if (Working()) {
        return; // what started first finishes first
    }
    BlendChoice choice = CurrentChoice();
    ClearReason();
    StartStep({choice}, [this, choice] {
        (void)Session.LoadModImage(choice);
        Session.ModReload = false;
    });
}

void Application::Preview() {
    if (Working()) {
        return; // what started first finishes first
    }
    BlendChoice choice = CurrentChoice();
    const unsigned index = PreviewIndex(choice);
    ClearReason();
    StartStep({choice, index}, [this, choice, index] {
        (void)Session.GenerateBlend(index, choice);
        Session.SourceReload = false;
        Session.ModReload = false;
    });
}

void Application::Blend() {
    const bool reloadBoth = ControlKeyDown();
    BlendChoice choice = CurrentChoice();
    if (Working()) {
        return;
    }
    if (choice.Destinations.empty()) {
        Session.BlendImages(choice, reloadBoth); // nothing to blend: only Ctrl's flags
        return;
    }
    ClearReason();
    const bool eachOnItsOwn = choice.UseInstalled && choice.Destinations.size() > 1;
    StartStep({choice, 0, eachOnItsOwn, true},
              [this, choice, reloadBoth] { Session.BlendImages(choice, reloadBoth); });
}

void Application::OpenPicture(unsigned picture) {
    if (Working()) {
        return; // what started first finishes first
    }
    const char* key = SlotOf(picture);
    const char* caption = picture == SourcePreviewFlag ? "Source Preview"
                          : picture == ModPreviewFlag  ? "Modification Preview"
                                                       : "Destination Preview";
    const QString name = Picture(picture)->property("Name").toString();
    const QString title = name.isEmpty() ? caption : QString(caption) + ": " + name;
    auto bitmap = std::make_shared<BitmapHandle>();
    StartStep(
        {},
        [this, key, bitmap] {
            if (Session.Engine) {
                *bitmap = Session.GetPreviewBitmap(key, true, PreviewClientEdge, PreviewClientEdge);
            }
        },
        [this, title, bitmap] {
            // Also with no bitmap: the pop-up then shows an empty area.
            Previews.push_back(std::make_unique<PreviewWindow>(
                MainWindow, title, *bitmap, [this] { ReleaseClosedPreviews(); }));
        });
}

void Application::RestorePreviousTextures() {
    const char* caption = "Restore Previous Textures";
    if (!Restore.Pending || !Restore.Restore || Working()) {
        return;
    }
    const PendingRestore pending = Restore.Pending();
    if (pending.Lines.empty()) {
        ShowMessageBox(
            {"Nothing to restore: no blend has replaced textures that could be put back.", caption,
             msgbox::MB_OK | msgbox::MB_ICONINFORMATION, true});
        return;
    }
    if (!pending.PutsBack) {
        // Asking would promise a restore that puts nothing back.
        std::string text = "Nothing can be put back:";
        for (const std::string& line : pending.Lines) {
            text += "\r\n" + line;
        }
        if (pending.Changed) {
            text += "\r\n\r\n\"quillon-cli --restore --force\" sets the changed files aside and "
                    "puts the originals back all the same.";
        }
        ShowMessageBox({text, caption, msgbox::MB_OK | msgbox::MB_ICONEXCLAMATION, true});
        return;
    }
    std::string text = "These files will be put back as they were before the last blend:";
    for (const std::string& line : pending.Lines) {
        text += "\r\n" + line;
    }
    if (ShowMessageBox({text + "\r\n\r\nRestore them?", caption,
                        msgbox::MB_YESNO | msgbox::MB_ICONEXCLAMATION, true}) != msgbox::IDYES) {
        return;
    }
    ClearReason();
    StepContext restoring;
    restoring.Save = true;
    StartStep(restoring, [this, caption] {
        std::string reason;
        if (Restore.Restore(reason)) {
            ShowMessageBox({"Previous textures restored.", caption,
                            msgbox::MB_OK | msgbox::MB_ICONINFORMATION, true});
        } else {
            ShowMessageBox({"Failed to restore textures\r\n\r\n" + reason, "Error",
                            msgbox::MB_OK | msgbox::MB_ICONERROR, true});
            if (Session.View.Reason) {
                Session.View.Reason(0, "Textures not restored: " + reason);
            }
        }
    });
}

void Application::OpenWorkspaceFolder() {
    OpenUrl(QUrl::fromLocalFile(QDir::currentPath()));
}

bool Application::MayClose() {
    if (!Working()) {
        return true;
    }
    if (Step.Save) {
        const int answer = ShowMessageBox(
            {"Quillon is still writing textures. Stop after the file it is writing now, and "
             "close?\r\n\r\nFiles already written stay written; the one being written is "
             "finished first.",
             "Still Saving", msgbox::MB_YESNO | msgbox::MB_ICONEXCLAMATION, true});
        if (answer != msgbox::IDYES) {
            return false;
        }
        StopRequested = true;
    }
    CloseWhenDone = true; // the step ends, then the window closes
    return false;
}

bool Application::DetailsStale() const {
    // A picture shown larger than its detail, of a texture that has more to show.
    for (const PictureControl* picture : {SourcePreview, ModPreview, FinalPreview}) {
        const int wanted =
            std::min({picture->contentsRect().width(), picture->TextureEdge(), LargestDetail});
        const int made = picture->Detail() ? picture->Detail()->Width : PreviewEdge;
        if (wanted > made) {
            return true;
        }
    }
    return false;
}

void Application::RefreshDetails() {
    RefreshDetailsWhenDone = false;
    if (!DetailsStale()) {
        return;
    }
    if (Working()) {
        RefreshDetailsWhenDone = true;
        return;
    }
    // Each picture that shows a texture gets its detail again, at the size it now has room for,
    // from what its slot holds now (a blend brings the source and the modification to the
    // destination's size).
    std::vector<std::pair<unsigned, BitmapHandle>> shown;
    for (const unsigned picture : {SourcePreviewFlag, ModPreviewFlag, FinalPreviewFlag}) {
        if (Picture(picture)->TextureEdge() > 0) {
            shown.emplace_back(picture, Picture(picture)->Image());
        }
    }
    StartStep({}, [this, shown] {
        for (const auto& [picture, bitmap] : shown) {
            int edge = 0;
            const BitmapHandle detail = MakeDetail(picture, edge);
            Worker.Post([this, picture, bitmap, detail, edge] {
                Picture(picture)->SetImage(bitmap, detail, edge);
            });
        }
    });
}

} // namespace quillon
