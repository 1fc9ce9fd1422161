// The blending workflow driven as a user drives it: choosing set and type, the trees, "Preview"
// and "Blend Images" with their confirmations, status texts, message boxes, the reasons shown and
// the files written; the window staying responsive while the work runs; File > "Restore Previous
// Textures..." over the backups the saves kept.
#include "app/PictureControl.h"
#include "app/WindowFixture.h"
#include "backup/BackupFolder.h"

#include <QMenu>
#include <QProgressBar>

#include <functional>
#include <iostream>

using namespace quillon;

namespace {

// The name of a colour 0xRRGGBB, each channel read as off or on.
std::string ColourName(std::uint32_t c) {
    static const char* const names[] = {"black", "blue",    "green",  "cyan",
                                        "red",   "magenta", "yellow", "white"};
    return names[((c >> 21) & 4) | ((c >> 14) & 2) | ((c >> 7) & 1)];
}

// The colour a user sees at a point of a picture, by name.
std::string SeenAt(QWidget* picture, double x, double y) {
    const QImage image = picture->grab().toImage();
    return ColourName(
        image.pixel(static_cast<int>(x * image.width()), static_cast<int>(y * image.height())) &
        0xFFFFFF);
}

// The status texts of loading both images and blending them, with a progress suffix; with
// `save`, then of saving.
std::string LoadAndBlend(const std::string& suffix = "", bool save = false) {
    std::string texts;
    for (const std::string text :
         {"Loading Source Image...", "Ready", "Loading Modification Image...", "Ready",
          "Generating Blended Destination Image...", "Ready", "Saving Blended Texture..."}) {
        texts += "  " + text + " " + suffix + "\n";
    }
    return save ? texts : texts.substr(0, texts.rfind("  Saving"));
}

// The output folder and a destination's texture in it, as the messages name them.
std::string OutFolder() {
    return (std::filesystem::current_path() / "Out").lexically_normal().string();
}
std::string OutFile(char destination) {
    return OutFolder() +
           NativePath("/textures/head/" + std::string(1, destination) + "/head_d.dds");
}
// What a multiple save's confirmation adds: the files it writes, and whether each is there.
std::string Listing(const std::string& letters, const std::string& existing = "") {
    std::string text = "\r\n\r\nFiles written in " + OutFolder() + ":";
    for (const char letter : letters) {
        text +=
            "\r\n" + NativePath("textures/head/" + std::string(1, letter) + "/head_d.dds") +
            (existing.find(letter) != std::string::npos ? " (replaces the file there)" : " (new)");
    }
    return text;
}

class BlendWorkflowTest : public WindowTest {
protected:
    // What the output folder holds, a line "<sub set> <size> <format> <left>|<right>" each: the
    // colours in the middle of the texture's left and right quarters.
    std::string Written() const {
        std::string files;
        for (const std::string subSet : {"A", "B", "C"}) {
            const std::string path = "Out/textures/head/" + subSet + "/head_d.dds";
            if (App->Session.LoadTexture("Check", path, true) != 0) {
                const auto& pixels = App->Session.GetPreviewBitmap("Check", true, 16, 16)->Pixels;
                files += subSet + " " + DescribeDds(path) + " " + ColourName(pixels[8 * 16 + 2]) +
                         "|" + ColourName(pixels[8 * 16 + 13]) + "\n";
            }
        }
        return files;
    }
};

} // namespace

TEST_F(BlendWorkflowTest, SetTypeAndTheOptionDecideWhatIsFilledAndEnabled) {
    // The option is checked at start and again on every set change only for the exact word "1";
    // otherwise the user's choice stands.
    for (const std::string option : {"1", "true", "11"}) {
        SCOPED_TRACE(option);
        const bool one = option == "1";
        Open(option);
        EXPECT_EQ(App->UseInstalledCheck->isChecked(), one);
        QTest::keyClick(App->SetSelector, Qt::Key_Down); // the entry after the placeholder
        EXPECT_EQ(App->Session.SetName, "Head") << "the newly chosen entry's text";
        EXPECT_FALSE(App->DestinationList->isEnabled() || App->SourceTree->isEnabled());
        QTest::keyClick(App->TypeSelector, Qt::Key_Down);
        EXPECT_EQ(App->Session.TypeName, "Color");
        EXPECT_TRUE(App->DestinationList->isEnabled());
        EXPECT_EQ(App->SourceTree->isEnabled(), !one);
        App->UseInstalledCheck->click();
        EXPECT_EQ(App->SourceTree->isEnabled(), one);
        Choose(App->SetSelector, "Body");
        EXPECT_TRUE(App->UseInstalledCheck->isChecked()) << "set again, or the click stands";
        Close();
    }
    // The placeholder is a set name like any other: what hangs below the set is emptied.
    Open();
    ChooseHeadColor();
    Click(App->PreviewButton);
    Choose(App->SetSelector, "[1. Select Texture Set]");
    EXPECT_EQ(App->Session.SetName, "[1. Select Texture Set]");
    EXPECT_TRUE(App->Session.TypeName.empty());
    EXPECT_EQ(App->TypeSelector->count(), 1);
    EXPECT_FALSE(App->DestinationList->isEnabled());
    EXPECT_EQ(App->DestinationList->topLevelItemCount() + App->SourceTree->topLevelItemCount() +
                  App->LibraryTree->topLevelItemCount(),
              0);
    EXPECT_TRUE(Blank(App->SourcePreview) && Blank(App->ModPreview) && Blank(App->FinalPreview));
}

// One window, run after run: each row sets the option, the ticks and the source, then clicks
// "Blend Images" (or "Preview"); the output folder is emptied after each.
TEST_F(BlendWorkflowTest, SavePathsConfirmationsProgressAndFiles) {
    Open();
    ChooseHeadColor();
    const std::string notBlended =
        NativePath("Source/Head/Color") + ": it is a folder, not a file"; // the source chosen
    const std::string notWritten =
        "writing the file failed (the disk may be full, or the folder read-only)";
    auto failed = [&](const std::string& why, char destination) {
        return Box("Error", msgbox::MB_OK | msgbox::MB_ICONERROR,
                   "Failed to save file\r\n\r\n" + why +
                       "\r\nNot written: " + OutFile(destination));
    };
    auto saved = [&](char destination) {
        return Box("Success", Info,
                   "File saved successfully!\r\n\r\nWritten to " + OutFile(destination));
    };
    const std::string savedThree =
        Box("Success", Info, "Files saved successfully!\r\n\r\n3 files written in " + OutFolder());
    const std::string one = LoadAndBlend("", true) + "  Ready \n";
    const std::string saving = "  Saving Blended Texture (";
    auto blockB = [&] {
        std::filesystem::create_directories(Root / "Out/textures/head/B/head_d.dds");
    };
    auto repaint = [&] {
        WriteTexture("Source/Head/Color/pale.dds", 64, Cyan, Cyan);
        WriteTexture("Library/Head/Color/mod.psd", 64, Green, 0);
    };
    struct Run {
        const char* What;
        bool Installed;
        const char* Ticked;
        const char* Source;
        std::string Boxes, Status, Files;
        std::string Reason = ""; // the second status field afterwards
        int Answer = msgbox::IDYES;
        std::function<void()> Before = [] {};
        Qt::KeyboardModifiers Modifiers = Qt::NoModifier;
        QPushButton* Application::*Button = &Application::BlendButton;
    };
    const Run runs[] = {
        {"installed, No", true, "ABC", "pale.dds", AskInstalled + Listing("ABC") + "\n", "", "", "",
         msgbox::IDNO},
        {"one source, No", false, "ABC", "pale.dds", AskOneSource + Listing("ABC") + "\n", "", "",
         "", msgbox::IDNO},
        {"nothing ticked: nothing at all", false, "", "pale.dds", "", "", ""},
        {"Preview, nothing ticked", true, "", "pale.dds", "",
         "  Loading Modification Image... \n  Ready \n  No Sub Set selected, composite not "
         "generated. \n",
         "", "", msgbox::IDYES, [] {}, Qt::NoModifier, &Application::PreviewButton},
        {"each destination on its own installed texture, at its size and in its format", true,
         "ABC", "pale.dds", AskInstalled + Listing("ABC") + "\n" + savedThree,
         LoadAndBlend("(1 of 3)", true) + LoadAndBlend("(2 of 3)", true) +
             LoadAndBlend("(3 of 3)", true) + "  Ready \n",
         "A 16x16 DXT1 red|blue\nB 32x32 DXT5 red|green\nC 8x8 RGB red|white\n"},
        {"the second save fails: the run stops there", true, "ABC", "pale.dds",
         AskInstalled + Listing("ABC", "B") + "\n" + failed(notWritten, 'B'),
         LoadAndBlend("(1 of 3)", true) + LoadAndBlend("(2 of 3)", true) +
             "  Failed while saving blended texture  (2 of 3)\n",
         "A 16x16 DXT1 red|blue\n", "1 of 3 files written; not written: B, C. " + notWritten,
         msgbox::IDYES, blockB},
        {"one blend, at the first destination's size, in each destination's format", false, "ABC",
         "pale.dds", AskOneSource + Listing("ABC") + "\n" + savedThree,
         LoadAndBlend() + saving + "1 of 3)... \n" + saving + "2 of 3)... \n" + saving +
             "3 of 3)... \n  Ready \n",
         "A 16x16 DXT1 red|yellow\nB 16x16 DXT5 red|yellow\nC 16x16 RGB red|yellow\n"},
        {"one destination: no question", false, "B", "pale.dds", saved('B'), one,
         "B 32x32 DXT5 red|yellow\n"},
        // The files change on disk; the images held stand until Ctrl asks for a new read.
        {"unchanged choices are not read again", false, "A", "pale.dds", saved('A'), one,
         "A 16x16 DXT1 red|yellow\n", "", msgbox::IDYES, repaint},
        {"Ctrl reads both again", false, "A", "pale.dds", saved('A'), one,
         "A 16x16 DXT1 green|cyan\n", "", msgbox::IDYES, [] {}, Qt::ControlModifier},
        // A folder as the source: its load fails, and "Final" still holds an earlier blend.
        {"failed load", false, "A", "Color", failed(notBlended, 'A'), one, "",
         "0 of 1 files written; not written: A. " + notBlended},
        {"failed load, not read again", false, "A", "Color", failed(notBlended, 'A'), one, "",
         "0 of 1 files written; not written: A. " + notBlended},
        {"failed load, two destinations", false, "AB", "Color",
         AskOneSource + Listing("AB") + "\n" + failed(notBlended, 'A'),
         LoadAndBlend() + saving + "1 of 2)... \n", "",
         "0 of 2 files written; not written: A, B. " + notBlended},
    };
    for (const Run& run : runs) {
        SCOPED_TRACE(run.What);
        if (App->UseInstalledCheck->isChecked() != run.Installed) {
            App->UseInstalledCheck->click();
        }
        Tick(run.Ticked);
        Select(App->SourceTree, run.Source);
        run.Before();
        Answer = run.Answer;
        Boxes = Status = "";
        Click((*App).*run.Button, run.Modifiers);
        EXPECT_EQ(Boxes, run.Boxes);
        EXPECT_EQ(Status, run.Status);
        EXPECT_EQ(Written(), run.Files);
        EXPECT_EQ(App->ReasonLine->isVisible() ? App->ReasonLine->text().toStdString() : "",
                  run.Reason);
        std::filesystem::remove_all(Root.Path() / "Out");
    }
}

// File > "Restore Previous Textures..." over the backups a save from the window kept: offered
// only when there is something to put back, it lists the files and asks; No changes nothing, a
// file changed since the save is left alone with its reason, Yes puts the original bytes back
// and removes what the save made (off the GUI thread); when every file was changed, it says so
// instead of asking.
TEST_F(BlendWorkflowTest, RestorePreviousTexturesPutsBackWhatASaveReplaced) {
    Open();
    const std::string caption = "Restore Previous Textures";
    auto offered = [this] {
        emit Window->FileMenu->aboutToShow();
        return Window->RestoreAction->isEnabled();
    };
    EXPECT_FALSE(offered()) << "nothing saved yet";
    App->RestorePreviousTextures(); // chosen all the same
    EXPECT_EQ(Boxes, Box(caption, Info,
                         "Nothing to restore: no blend has replaced textures that could be put "
                         "back."));

    const std::string file = Root / "Out/textures/head/B/head_d.dds";
    const std::string made = Root / "Out/textures/head/C/head_d.dds";
    WriteTexture("Out/textures/head/B/head_d.dds", 64, Cyan, Cyan);
    const std::string original = ReadTextFile(file);
    ChooseHeadColor();
    Tick("BC"); // B replaced, C new; undone the other way round
    Click(App->BlendButton);
    const std::string blended = ReadTextFile(file);
    ASSERT_NE(blended, original) << Boxes;
    ASSERT_TRUE(std::filesystem::exists(made)) << Boxes;
    ASSERT_TRUE(offered());
    const std::function<bool(std::string&)> restore = App->Restore.Restore;
    App->Restore.Restore = [&restore](std::string& reason) {
        EXPECT_NE(QThread::currentThread(), qApp->thread());
        return restore(reason);
    };
    auto chosen = [this](int answer) {
        Answer = answer;
        Boxes = "";
        Window->RestoreAction->trigger();
        Settle();
        return Boxes;
    };
    auto ask = [&](const std::string& listed) {
        return Box(caption, msgbox::MB_YESNO | msgbox::MB_ICONEXCLAMATION,
                   "These files will be put back as they were before the last blend:" + listed +
                       "\r\n\r\nRestore them?");
    };
    const std::string changed = "it was changed since Quillon wrote it";
    const std::string leftAloneB = "\r\nleft alone (" + changed + "): " + OutFile('B');
    EXPECT_EQ(chosen(msgbox::IDNO),
              ask("\r\nremove: " + OutFile('C') + "\r\nput back: " + OutFile('B')));
    EXPECT_TRUE(ReadTextFile(file) == blended) << "No changes nothing";

    WriteTextFile(file, "the player's own");
    EXPECT_EQ(chosen(msgbox::IDYES),
              ask("\r\nremove: " + OutFile('C') + leftAloneB) +
                  Box("Error", msgbox::MB_OK | msgbox::MB_ICONERROR,
                      "Failed to restore textures\r\n\r\n" + OutFile('B') + ": " + changed));
    EXPECT_EQ(App->ReasonLine->text().toStdString(),
              "Textures not restored: " + OutFile('B') + ": " + changed);
    EXPECT_EQ(ReadTextFile(file), "the player's own");
    EXPECT_FALSE(std::filesystem::exists(made)) << "what could be undone is";

    WriteTextFile(file, blended);
    EXPECT_EQ(chosen(msgbox::IDYES), ask("\r\nput back: " + OutFile('B')) +
                                         Box(caption, Info, "Previous textures restored."));
    EXPECT_TRUE(ReadTextFile(file) == original) << "the original bytes";
    EXPECT_FALSE(offered()) << "the run is undone";

    Tick("B"); // B alone now
    Click(App->BlendButton);
    ASSERT_TRUE(offered());
    WriteTextFile(file, "the player's own");
    EXPECT_EQ(chosen(msgbox::IDYES),
              Box(caption, msgbox::MB_OK | msgbox::MB_ICONEXCLAMATION,
                  "Nothing can be put back:" + leftAloneB +
                      "\r\n\r\n\"quillon-cli --restore --force\" sets the changed files aside and "
                      "puts the originals back all the same."));
    EXPECT_EQ(ReadTextFile(file), "the player's own");

    // A damaged journal is named, not taken for "nothing to restore".
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(Root / "Out/Quillon Backups")) {
        if (entry.path().filename() == JournalFileName) {
            WriteTextFile(entry.path(), "not a journal");
        }
    }
    ASSERT_TRUE(offered());
    EXPECT_EQ(chosen(msgbox::IDYES)
                  .rfind("Restore Previous Textures [48] Nothing can be put "
                         "back:\r\ncannot restore: ",
                         0),
              0u)
        << Boxes;
}

TEST_F(BlendWorkflowTest, ReloadFlagsFollowTheChoicesThatDecideTheImages) {
    Open();
    ChooseHeadColor();
    auto enter = [this](QTreeWidget* tree) {
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_Return);
        Settle();
    };
    Click(App->PreviewButton);
    const std::tuple<const char*, std::function<void()>, bool, bool> steps[] = {
        {"source selection", [&] { Select(App->SourceTree, "Color"); }, 1, 0},
        {"source double click", [&] { DoubleClick(App->SourceTree); }, 0, 0},
        {"source selection again", [&] { Select(App->SourceTree, "pale.dds"); }, 1, 0},
        {"Enter in the source tree", [&] { enter(App->SourceTree); }, 0, 0},
        {"library selection", [&] { Select(App->LibraryTree, "Folder"); }, 0, 1},
        {"library double click", [&] { DoubleClick(App->LibraryTree); }, 0, 0},
        {"library selection again", [&] { Select(App->LibraryTree, "mod.psd"); }, 0, 1},
        {"Enter in the library tree", [&] { enter(App->LibraryTree); }, 0, 0},
        {"tick, option off", [&] { Tick("BC"); }, 0, 0},
        {"destination selected, option off", [&] { Select(App->DestinationList, "B"); }, 0, 0},
        {"option clicked", [&] { App->UseInstalledCheck->click(); }, 1, 0},
        {"Preview", [&] { Click(App->PreviewButton); }, 0, 0},
        {"tick, option on", [&] { Tick("ABC"); }, 1, 0},
        {"Preview", [&] { Click(App->PreviewButton); }, 0, 0},
        {"destination selected, option on", [&] { Select(App->DestinationList, "C"); }, 1, 0},
    };
    for (const auto& [event, act, source, modification] : steps) {
        act();
        EXPECT_EQ(App->Session.SourceReload, source) << event;
        EXPECT_EQ(App->Session.ModReload, modification) << event;
    }
    EXPECT_FALSE(Blank(App->ModPreview)) << "the library's file, opened with Enter";
    Choose(App->TypeSelector, "Color");
    EXPECT_TRUE(App->Session.SourceReload && App->Session.ModReload) << "type chosen";
}

// After a load or a blend that fails, a picture with nothing to show shows the placeholder (not
// the previous file, not a flat colour), crossed out in red where its own load failed, with the
// reason as its tooltip and in the second status field until the next action. A large source is
// no failure.
TEST_F(BlendWorkflowTest, AFailedPictureShowsThePlaceholderCrossedOutAndWhy) {
    Open();
    ChooseHeadColor();
    Tick("A");
    auto redPixels = [](QWidget* picture) {
        const QImage image = picture->grab().toImage();
        int red = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y);
                red += qRed(c) > 180 && qGreen(c) < 60 && qBlue(c) < 60 ? 1 : 0;
            }
        }
        return red;
    };
    const int plain = redPixels(App->ModPreview); // never chosen: the plain placeholder
    const std::tuple<const char*, std::string, std::function<void()>> steps[] = {
        {"picture|picture|picture", "", [] {}},
        {"picture|crossed|placeholder",
         NativePath("Library/Head/Color/Folder") + ": it is a folder, not a file",
         [&] { Select(App->LibraryTree, "Folder"); }},
        {"picture|picture|picture", "", [&] { Select(App->LibraryTree, "mod.psd"); }},
        // Deleted after the tree was filled.
        {"picture|crossed|placeholder",
         NativePath("Library/Head/Color/mod.psd") + ": there is no such file",
         [&] { std::filesystem::remove(Root / "Library/Head/Color/mod.psd"); }},
        {"picture|picture|picture", "",
         [&] {
             WriteTexture("Library/Head/Color/mod.psd", 64, Red, 0);
             RgbaImage wide(6000, 4); // a source of 6000 pixels
             std::fill(wide.Pixels.begin(), wide.Pixels.end(), 200);
             ASSERT_TRUE(WriteDdsTexture(Root / "Source/Head/Color/pale.dds", wide, "RGB"));
             App->Session.SourceReload = true;
         }},
    };
    for (const auto& [shown, reason, act] : steps) {
        SCOPED_TRACE(shown);
        act();
        App->Session.ModReload = true; // as a changed selection does
        Click(App->PreviewButton);
        std::string pictures;
        for (const PictureControl* picture :
             {App->SourcePreview, App->ModPreview, App->FinalPreview}) {
            pictures +=
                std::string(pictures.empty() ? "" : "|") + (!Blank(picture)     ? "picture"
                                                            : picture->Failed() ? "crossed"
                                                                                : "placeholder");
        }
        EXPECT_EQ(pictures, shown);
        EXPECT_EQ(App->ModPreview->toolTip().toStdString(), reason);
        EXPECT_EQ(App->ReasonLine->isVisible() ? App->ReasonLine->text().toStdString() : "",
                  reason);
        if (!reason.empty()) {
            EXPECT_GT(redPixels(App->ModPreview), plain + 100) << "crossed out in red";
        }
    }
}

// While a blend runs the window repaints and takes clicks: what would start other work waits,
// the choices stay open and count once the work is done; the confirmation is asked on the GUI
// thread; a progress bar counts the destinations, and the destination's caption follows them.
TEST_F(BlendWorkflowTest, TheWindowWorksOnWhileItBlendsAndSaves) {
    Open("1");
    ChooseHeadColor();
    std::vector<std::string> progress;
    QObject::connect(App->Progress, &QProgressBar::valueChanged, App->Progress,
                     [&] { progress.push_back(App->Progress->text().toStdString()); });
    bool checked = false;
    WhileShown = [&](const MessageBoxRequest& request) {
        if (request.Caption != "Overwrite Multiple Files?") {
            return;
        }
        checked = true;
        EXPECT_TRUE(App->Working());
        EXPECT_FALSE(App->BlendButton->isEnabled() || App->PreviewButton->isEnabled() ||
                     App->SetSelector->isEnabled() || App->TypeSelector->isEnabled());
        EXPECT_TRUE(App->LibraryTree->isEnabled() && App->DestinationList->isEnabled());
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::ArrowCursor)
            << "a question is asked with the normal cursor";
        Select(App->LibraryTree, "Folder"); // the user looks around meanwhile
    };
    QTest::mouseClick(App->BlendButton, Qt::LeftButton);
    ASSERT_TRUE(App->Working()) << "the click returns while the work goes on";
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Settle();
    EXPECT_TRUE(checked);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(App->BlendButton->isEnabled() && App->SetSelector->isEnabled() &&
                App->TypeSelector->isEnabled());
    EXPECT_EQ(progress, (Names{"1 of 3", "2 of 3", "3 of 3"}));
    EXPECT_FALSE(App->Progress->isVisible());
    EXPECT_EQ(Written(), "A 16x16 DXT1 red|blue\nB 32x32 DXT5 red|green\nC 8x8 RGB red|white\n")
        << "the blend used the modification chosen before the click";
    EXPECT_TRUE(App->Session.ModReload) << "the selection made meanwhile counts now";
    EXPECT_EQ(App->FinalCaption->text(), "Destination Preview: C");
    EXPECT_EQ(SeenAt(App->FinalPreview, 0.8, 0.5), "white") << "C's own installed texture";
}

// "Preview" shows the selected destination when it is checked, else the first checked one, and
// says which.
TEST_F(BlendWorkflowTest, PreviewFollowsTheSelectedDestination) {
    Open("1");
    ChooseHeadColor();
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        {"ABC", "B", "B", "green"}, {"AC", "B", "A", "blue"}, // B is not checked
    };
    for (const auto& [ticked, selected, shown, installed] : cases) {
        SCOPED_TRACE(selected);
        Tick(ticked);
        Select(App->DestinationList, selected);
        Click(App->PreviewButton);
        EXPECT_EQ(App->FinalCaption->text().toStdString(),
                  std::string("Destination Preview: ") + shown);
        EXPECT_EQ(SeenAt(App->SourcePreview, 0.5, 0.5), installed);
        EXPECT_EQ(SeenAt(App->FinalPreview, 0.2, 0.5) + "|" + SeenAt(App->FinalPreview, 0.8, 0.5),
                  std::string("red|") + installed);
    }
}

// Closing the window during work: a load or preview is waited for; a save asks, and stops after
// the file it is writing. Nothing is left half written.
TEST_F(BlendWorkflowTest, ClosingDuringWorkWaitsOrAsks) {
    Open("1");
    ChooseHeadColor();
    Tick("A");
    QTest::mouseClick(App->PreviewButton, Qt::LeftButton);
    Window->close();
    EXPECT_TRUE(Window->isVisible()) << "the preview is waited for";
    Settle();
    EXPECT_FALSE(Window->isVisible());
    EXPECT_EQ(Boxes, "");
    EXPECT_FALSE(Blank(App->FinalPreview));
    Close();

    Open("1");
    ChooseHeadColor();
    WhileShown = [&](const MessageBoxRequest& request) {
        if (request.Caption == "Overwrite Multiple Files?") {
            Window->close(); // as the run starts
        }
    };
    Click(App->BlendButton);
    EXPECT_NE(Boxes.find(Shown("Still Saving", msgbox::MB_YESNO | msgbox::MB_ICONEXCLAMATION,
                               "Quillon is still writing textures.")),
              std::string::npos)
        << Boxes;
    EXPECT_EQ(Boxes.find("Success"), std::string::npos);
    EXPECT_EQ(Written(), "A 16x16 DXT1 red|blue\n");
    EXPECT_EQ(App->ReasonLine->text(), "1 of 3 files written; not written: B, C. Stopped.");
    EXPECT_FALSE(Window->isVisible());
    int files = 0; // A's texture, and no temporary file beside it
    for (auto entry = std::filesystem::recursive_directory_iterator(Root.Path() / "Out");
         entry != std::filesystem::recursive_directory_iterator(); ++entry) {
        if (entry->path().filename() == BackupFolderName) {
            entry.disable_recursion_pending(); // the run's journal
        }
        files += entry->is_regular_file() ? 1 : 0;
    }
    EXPECT_EQ(files, 1);
}
