// The load and blend steps behind the trees, "Preview" and "Blend Images": the source (an
// installed texture or a file of "Source\"), the modification (a file of "Library\"), and the
// composite for one checked destination, each shown in its picture. Status line and wait cursor
// tell the user what runs; nothing here shows a message box.
#include "app/Application.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QTreeWidget>

namespace quillon {

namespace {

// The wait cursor while it lives, or until it is restored.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { Restore(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

    void Restore() {
        if (!Restored) {
            QApplication::restoreOverrideCursor();
            Restored = true;
        }
    }

private:
    bool Restored = false;
};

} // namespace

void Application::SetStatus(const std::string& message) {
    StatusLine->setText(QString::fromStdString("  " + message + " " + StatusSuffix));
    StatusLine->repaint(); // shown at once: the step that follows keeps the loop busy
}

bool Application::LoadSlot(const std::string& key, const std::string& path, bool reload,
                           bool& readFailed) {
    // A read happens on a reload, or when the slot does not exist yet. A failed read leaves an
    // empty image in the slot, which a later load without reload would hand back as if it were
    // the picture: the failure stands until the next read.
    const bool reads = reload || !Engine->Images.contains(key);
    const ImageName image = Engine->LoadTexture(key, path, reload);
    if (reads) {
        readFailed = image == 0;
    }
    return image != 0 && !readFailed;
}

bool Application::LoadSourceImage(unsigned index) {
    if (!Engine) {
        return false;
    }
    WaitCursor wait;
    std::string path;
    if (UseInstalledCheck->isChecked()) {
        std::vector<std::string> names;
        GetCheckedDestinations(names);
        if (index >= names.size()) {
            ShowBlankPreviews(SourcePreviewFlag);
            return false; // the status line stays as it was
        }
        path =
            Config.Get("SkyrimDataPath") + Engine->GetTexturePath(SetName, TypeName, names[index]);
    } else {
        path = "Source\\";
        GetSelectedTreePath(SourceTree, path); // nothing selected: "Source\" names no file
    }
    SetStatus("Loading Source Image...");
    const bool loaded = LoadSlot("Source", path, SourceReload, SourceReadFailed);
    if (loaded) {
        UpdatePreviews(SourcePreviewFlag, "Source", true);
    }
    wait.Restore();
    SetStatus("Ready");
    return loaded;
}

bool Application::LoadModImage() {
    if (!Engine) {
        return false;
    }
    WaitCursor wait;
    std::string path = "Library\\";
    GetSelectedTreePath(LibraryTree, path);
    SetStatus("Loading Modification Image...");
    const bool loaded = LoadSlot("Mod", path, ModReload, ModReadFailed);
    if (loaded) {
        UpdatePreviews(ModPreviewFlag, "Mod", true);
    }
    wait.Restore();
    SetStatus("Ready");
    return loaded;
}

bool Application::GenerateBlend(unsigned index) {
    if (!Engine) {
        return false;
    }
    WaitCursor wait;
    // The composite works on whatever the slots hold; only the result reports the failures.
    const bool sourceLoaded = LoadSourceImage(index);
    const bool modLoaded = LoadModImage();
    std::vector<std::string> names;
    GetCheckedDestinations(names);
    if (index >= names.size()) {
        ShowBlankPreviews(FinalPreviewFlag);
        wait.Restore();
        SetStatus("No Sub Set selected, composite not generated.");
        return false;
    }
    SetStatus("Generating Blended Destination Image...");
    const std::int32_t size = Engine->GetTextureSize(SetName, TypeName, names[index]);
    const bool composited = Engine->CompositeTextures("Source", "Mod", "Final", size);
    if (composited) {
        UpdatePreviews(FinalPreviewFlag, "Final", true);
    }
    wait.Restore();
    SetStatus("Ready");
    return composited && sourceLoaded && modLoaded;
}

} // namespace quillon
