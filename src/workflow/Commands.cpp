// The main window's controller: every command and notification of its controls arrives here
// with the control's id and the notification code. It refills the views, keeps the reload
// flags, runs previews and saves, and words the outcome in message boxes and the status line.
#include "app/Application.h"
#include "app/MainWindow.h"
#include "imaging/PreviewWindow.h"
#include "platform/MessageBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QTreeWidget>

#include <cstdio>

namespace quillon {

namespace {

constexpr std::size_t SelectorTextLimit = 255;
constexpr unsigned AllPreviews =
    Application::SourcePreviewFlag | Application::ModPreviewFlag | Application::FinalPreviewFlag;

constexpr const char* ConfirmInstalledSources =
    "You have selected multiple destination files. This will modify all selected destination "
    "files with chosen library modification file.\r\n\r\nAre you sure?";
constexpr const char* ConfirmOneSource =
    "You have chosen a library source file and multiple destination files. This will overwrite "
    "ALL selected destination files with the SAME generated output file.\r\n\r\nAre you sure?";

std::string SelectorText(const QComboBox* selector) {
    std::string text = selector->currentText().toStdString();
    if (text.size() > SelectorTextLimit) {
        text.resize(SelectorTextLimit);
    }
    return text;
}

// A format of the form "...%d...%d..." filled with a position and a count.
std::string Progress(const char* format, int position, int count) {
    char text[256];
    std::snprintf(text, sizeof text, format, position, count);
    return text;
}

int Ask(const char* text, unsigned style) {
    return ShowMessageBox({text, "Overwrite Multiple Files?", style, true});
}

void Tell(const char* text, const char* caption, unsigned style) {
    ShowMessageBox({text, caption, style, true});
}

void TellSaveFailed() {
    Tell("Failed to save file", "Error", msgbox::MB_OK | msgbox::MB_ICONERROR);
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
            SourceReload = true;
        }
        break;
    case IDC_PREVIEW_BUTTON:
        GenerateBlend(0);
        SourceReload = false;
        ModReload = false;
        break;
    case IDC_BLEND_BUTTON:
        if (code == BN_CLICKED) {
            OnBlendImages();
        }
        break;
    case IDC_SOURCE_PREVIEW:
    case IDC_MOD_PREVIEW:
    case IDC_FINAL_PREVIEW:
        if (code == STN_DBLCLK) {
            OpenLargePreview(id == IDC_SOURCE_PREVIEW ? "Source"
                             : id == IDC_MOD_PREVIEW  ? "Mod"
                                                      : "Final");
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
                SourceReload = true;
            }
        }
        break;
    case IDC_SOURCE_TREE:
        if (header->Code == TVN_SELCHANGEDA) {
            SourceReload = true;
        } else if (header->Code == NM_DBLCLK) {
            LoadSourceImage(0);
            SourceReload = false;
        }
        break;
    case IDC_LIBRARY_TREE:
        if (header->Code == TVN_SELCHANGEDA) {
            ModReload = true;
        } else if (header->Code == NM_DBLCLK) {
            LoadModImage();
            ModReload = false;
        }
        break;
    default:
        break;
    }
    return 1;
}

void Application::OnSetChosen() {
    SetName = SelectorText(SetSelector);
    FillTypeSelector(SetName);
    TypeSelector->setEnabled(true);
    ClearDestinationList();
    DestinationList->setEnabled(false);
    ClearSourceTree();
    SourceTree->setEnabled(false);
    // The option is checked again for every set; it is never cleared here.
    if (Config.Contains("DefUseInstalledSource") && Config.Get("DefUseInstalledSource") == "1") {
        UseInstalledCheck->setChecked(true);
    }
    ClearLibraryTree();
    ShowBlankPreviews(AllPreviews);
    ModReload = true;
    SourceReload = true;
}

void Application::OnTypeChosen() {
    TypeName = SelectorText(TypeSelector);
    FillDestinationList(SetName, TypeName);
    DestinationList->setEnabled(true);
    if (!UseInstalledCheck->isChecked()) {
        SourceTree->setEnabled(true);
    }
    ClearSourceTree();
    FillSourceTree(SetName, TypeName);
    ClearLibraryTree();
    FillLibraryTree(SetName, TypeName);
    ShowBlankPreviews(AllPreviews);
    ModReload = true;
    SourceReload = true;
}

void Application::OpenLargePreview(const std::string& key) {
    const BitmapHandle bitmap =
        Engine ? Engine->GetPreviewBitmap(key, true, PreviewClientEdge, PreviewClientEdge)
               : nullptr;
    // Also with no bitmap: the pop-up then shows an empty area.
    Previews.push_back(std::make_unique<PreviewWindow>(MainWindow, bitmap));
}

void Application::OnBlendImages() {
    if (ControlKeyDown()) {
        SourceReload = true; // both images are read from disk again
        ModReload = true;
    }
    std::vector<std::string> destinations;
    const std::int32_t count = GetCheckedDestinations(destinations);
    if (count == 0) {
        return;
    }
    if (count == 1) {
        SaveToOneDestination(destinations.front());
    } else if (UseInstalledCheck->isChecked()) {
        SaveWithInstalledSources(destinations);
    } else {
        SaveOneBlendToAll(destinations);
    }
}

bool Application::SaveBlend(bool blended, const std::string& destination) {
    // A blend that made no new "Final" is not saved: what "Final" still holds belongs to an
    // earlier blend, so writing it would put the wrong texture in place and report success.
    return blended && Engine->SaveTexture("Final", Config.Get("SkyrimOutPath"), SetName, TypeName,
                                          destination);
}

void Application::SaveToOneDestination(const std::string& destination) {
    const bool blended = GenerateBlend(0);
    SourceReload = false;
    ModReload = false;
    SetStatus("Saving Blended Texture...");
    if (SaveBlend(blended, destination)) {
        Tell("File saved successfully!", "Success", msgbox::MB_OK | msgbox::MB_ICONINFORMATION);
    } else {
        TellSaveFailed();
    }
    SetStatus("Ready");
}

void Application::SaveWithInstalledSources(const std::vector<std::string>& destinations) {
    if (Ask(ConfirmInstalledSources, msgbox::MB_YESNO | msgbox::MB_ICONINFORMATION) ==
        msgbox::IDNO) {
        return;
    }
    const int count = static_cast<int>(destinations.size());
    bool failed = false;
    for (int i = 0; i < count; ++i) {
        StatusSuffix = Progress("(%d of %d)", i + 1, count);
        SourceReload = true; // each destination's own installed texture is the base
        const bool blended = GenerateBlend(static_cast<unsigned>(i));
        SourceReload = false;
        ModReload = false;
        SetStatus("Saving Blended Texture...");
        if (!SaveBlend(blended, destinations[static_cast<std::size_t>(i)])) {
            TellSaveFailed();
            SetStatus("Failed while saving blended texture "); // still with the progress
            failed = true;
            break;
        }
    }
    StatusSuffix.clear();
    if (failed) {
        return; // the status line keeps the failure
    }
    Tell("Files saved successfully!", "Success", msgbox::MB_OK | msgbox::MB_ICONINFORMATION);
    SetStatus("Ready");
}

void Application::SaveOneBlendToAll(const std::vector<std::string>& destinations) {
    if (Ask(ConfirmOneSource, msgbox::MB_YESNO | msgbox::MB_ICONEXCLAMATION) == msgbox::IDNO) {
        return;
    }
    const bool blended = GenerateBlend(0);
    SourceReload = false;
    ModReload = false;
    const int count = static_cast<int>(destinations.size());
    bool failed = false;
    for (int i = 0; i < count; ++i) {
        SetStatus(Progress("Saving Blended Texture (%d of %d)...", i + 1, count));
        if (!SaveBlend(blended, destinations[static_cast<std::size_t>(i)])) {
            TellSaveFailed();
            failed = true;
            break;
        }
    }
    StatusSuffix.clear();
    if (failed) {
        return; // the status line keeps the last progress text
    }
    Tell("Files saved successfully!", "Success", msgbox::MB_OK | msgbox::MB_ICONINFORMATION);
    SetStatus("Ready");
}

} // namespace quillon
