// The main window's controller: every command and notification of its controls arrives here
// with the control's id and the notification code. It refills the views, keeps the reload
// flags, and hands previews and saves to the session with what the controls say.
#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/PreviewWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QTreeWidget>

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

int Application::OnCommand(int code, int id) {
    switch (id) {
    case IDC_SET_SELECTOR:
        if (code == CBN_SELCHANGE) {
            OnSetChosen();
        }
        break;
    case IDC_TYPE_SELECTOR:
        if (code == CBN_SELCHANGE) {
            OnTypeChosen();
        }
        break;
    case IDC_USE_INSTALLED:
        if (code == BN_CLICKED) {
            SourceTree->setEnabled(!UseInstalledCheck->isChecked());
            Session.SourceReload = true;
        }
        break;
    case IDC_PREVIEW_BUTTON:
        Session.GenerateBlend(0, CurrentChoice());
        Session.SourceReload = false;
        Session.ModReload = false;
        break;
    case IDC_BLEND_BUTTON:
        if (code == BN_CLICKED) {
            Session.BlendImages(CurrentChoice(), ControlKeyDown());
        }
        break;
    case IDC_SOURCE_PREVIEW:
    case IDC_MOD_PREVIEW:
    case IDC_FINAL_PREVIEW:
        if (code == STN_DBLCLK) {
            OpenLargePreview(id == IDC_SOURCE_PREVIEW ? SourceSlot
                             : id == IDC_MOD_PREVIEW  ? ModSlot
                                                      : FinalSlot);
        }
        break;
    default:
        break; // the lists and trees speak through notifications; menu ids are the window's
    }
    return 1;
}

int Application::OnNotify(const NotificationHeader* header) {
    if (header == nullptr) {
        return 1;
    }
    switch (header->IdFrom) {
    case IDC_DESTINATION_LIST:
        if (header->Code == LVN_ITEMCHANGED) {
            // With installed sources the source depends on the checked destinations.
            const auto* change = reinterpret_cast<const ListViewNotification*>(header);
            if ((change->Changed & LVIF_STATE) != 0 &&
                (change->NewState & INDEXTOSTATEIMAGEMASK(3)) != 0 &&
                UseInstalledCheck->isChecked()) {
                Session.SourceReload = true;
            }
        }
        break;
    case IDC_SOURCE_TREE:
        if (header->Code == TVN_SELCHANGEDA) {
            Session.SourceReload = true;
        } else if (header->Code == NM_DBLCLK) {
            Session.LoadSourceImage(0, CurrentChoice());
            Session.SourceReload = false;
        }
        break;
    case IDC_LIBRARY_TREE:
        if (header->Code == TVN_SELCHANGEDA) {
            Session.ModReload = true;
        } else if (header->Code == NM_DBLCLK) {
            Session.LoadModImage(CurrentChoice());
            Session.ModReload = false;
        }
        break;
    default:
        break;
    }
    return 1;
}

void Application::OnSetChosen() {
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
    Session.ShowBlankPreviews(AllPreviews);
    Session.ModReload = true;
    Session.SourceReload = true;
}

void Application::OnTypeChosen() {
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
    Session.ShowBlankPreviews(AllPreviews);
    Session.ModReload = true;
    Session.SourceReload = true;
}

void Application::OpenLargePreview(const std::string& key) {
    const BitmapHandle bitmap =
        Session.Engine ? Session.GetPreviewBitmap(key, true, PreviewClientEdge, PreviewClientEdge)
                       : nullptr;
    // Also with no bitmap: the pop-up then shows an empty area.
    Previews.push_back(std::make_unique<PreviewWindow>(MainWindow, bitmap));
}

} // namespace quillon
