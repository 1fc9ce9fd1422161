// The blending workflow driven as a user drives it: choosing set and type, the trees, "Preview"
// and "Blend Images" with their confirmations, status texts, message boxes and the files written.
#include "app/WindowFixture.h"

#include <functional>

using namespace quillon;

namespace {

// The name of a colour 0xRRGGBB, each channel read as off or on.
std::string ColourName(std::uint32_t c) {
    static const char* const names[] = {"black", "blue",    "green",  "cyan",
                                        "red",   "magenta", "yellow", "white"};
    return names[((c >> 21) & 4) | ((c >> 14) & 2) | ((c >> 7) & 1)];
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

class BlendWorkflowTest : public WindowTest {
protected:
    void ChooseHeadColor() {
        Choose(App->SetSelector, "Head");
        Choose(App->TypeSelector, "Color");
        Select(App->LibraryTree, "mod.psd");
        Select(App->SourceTree, "pale.dds");
    }
    // Ticks the destinations named by their letters and clears the rest.
    void Tick(const std::string& letters) {
        for (int row = 0; row < 3; ++row) {
            const bool ticked = letters.find(char('A' + row)) != std::string::npos;
            App->DestinationList->topLevelItem(row)->setCheckState(0, ticked ? Qt::Checked
                                                                             : Qt::Unchecked);
        }
    }
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
    const std::pair<const char*, bool> options[] = {
        {"", false}, {"1", true}, {"0", false}, {"true", false}, {"11", false}};
    for (const auto& [option, one] : options) {
        SCOPED_TRACE(option);
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
        Select(App->LibraryTree, "mod.psd");
        App->PreviewButton->click();
        // The placeholder is a set name like any other: what hangs below the set is emptied.
        Choose(App->SetSelector, "[1. Select Texture Set]");
        EXPECT_EQ(App->Session.SetName, "[1. Select Texture Set]");
        EXPECT_TRUE(App->Session.TypeName.empty());
        EXPECT_EQ(App->TypeSelector->count(), 1);
        EXPECT_FALSE(App->DestinationList->isEnabled());
        EXPECT_EQ(App->DestinationList->topLevelItemCount() + App->SourceTree->topLevelItemCount() +
                      App->LibraryTree->topLevelItemCount(),
                  0);
        EXPECT_TRUE(Blank(App->SourcePreview) && Blank(App->ModPreview) &&
                    Blank(App->FinalPreview));
        EXPECT_TRUE(App->UseInstalledCheck->isChecked());
        Close();
    }
}

// One window, run after run: each row sets the option, the ticks and the source, then clicks
// "Blend Images" (or "Preview"); the output folder is emptied after each.
TEST_F(BlendWorkflowTest, SavePathsConfirmationsProgressAndFiles) {
    Open();
    ChooseHeadColor();
    const std::string failed =
        Box("Error", msgbox::MB_OK | msgbox::MB_ICONERROR, "Failed to save file");
    const std::string saved =
        Box("Success", msgbox::MB_OK | msgbox::MB_ICONINFORMATION, "File saved successfully!");
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
        int Answer = msgbox::IDYES;
        std::function<void()> Before = [] {};
        Qt::KeyboardModifiers Modifiers = Qt::NoModifier;
        QPushButton* Application::*Button = &Application::BlendButton;
    };
    const Run runs[] = {
        {"installed, No", true, "ABC", "pale.dds", AskInstalled, "", "", msgbox::IDNO},
        {"one source, No", false, "ABC", "pale.dds", AskOneSource, "", "", msgbox::IDNO},
        {"nothing ticked: nothing at all", false, "", "pale.dds", "", "", ""},
        {"Preview, nothing ticked", true, "", "pale.dds", "",
         "  Loading Modification Image... \n  Ready \n  No Sub Set selected, composite not "
         "generated. \n",
         "", msgbox::IDYES, [] {}, Qt::NoModifier, &Application::PreviewButton},
        {"each destination on its own installed texture, at its size and in its format", true,
         "ABC", "pale.dds", AskInstalled + SavedAll,
         LoadAndBlend("(1 of 3)", true) + LoadAndBlend("(2 of 3)", true) +
             LoadAndBlend("(3 of 3)", true) + "  Ready \n",
         "A 16x16 DXT1 red|blue\nB 32x32 DXT5 red|green\nC 8x8 RGB red|white\n"},
        {"the second save fails: the run stops there", true, "ABC", "pale.dds",
         AskInstalled + failed,
         LoadAndBlend("(1 of 3)", true) + LoadAndBlend("(2 of 3)", true) +
             "  Failed while saving blended texture  (2 of 3)\n",
         "A 16x16 DXT1 red|blue\n", msgbox::IDYES, blockB},
        {"one blend, at the first destination's size, in each destination's format", false, "ABC",
         "pale.dds", AskOneSource + SavedAll,
         LoadAndBlend() + saving + "1 of 3)... \n" + saving + "2 of 3)... \n" + saving +
             "3 of 3)... \n  Ready \n",
         "A 16x16 DXT1 red|yellow\nB 16x16 DXT5 red|yellow\nC 16x16 RGB red|yellow\n"},
        {"one destination: no question", false, "B", "pale.dds", saved, one,
         "B 32x32 DXT5 red|yellow\n"},
        // The files change on disk; the images held stand until Ctrl asks for a new read.
        {"unchanged choices are not read again", false, "A", "pale.dds", saved, one,
         "A 16x16 DXT1 red|yellow\n", msgbox::IDYES, repaint},
        {"Ctrl reads both again", false, "A", "pale.dds", saved, one, "A 16x16 DXT1 green|cyan\n",
         msgbox::IDYES, [] {}, Qt::ControlModifier},
        // A folder as the source: its load fails, and "Final" still holds an earlier blend.
        {"failed load", false, "A", "Color", failed, one, ""},
        {"failed load, not read again", false, "A", "Color", failed, one, ""},
        {"failed load, two destinations", false, "AB", "Color", AskOneSource + failed,
         LoadAndBlend() + saving + "1 of 2)... \n", ""},
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
        QTest::mouseClick((*App).*run.Button, Qt::LeftButton, run.Modifiers);
        EXPECT_EQ(Boxes, run.Boxes);
        EXPECT_EQ(Status, run.Status);
        EXPECT_EQ(Written(), run.Files);
        std::filesystem::remove_all(Root.Path() / "Out");
    }
}

TEST_F(BlendWorkflowTest, ReloadFlagsFollowTheChoicesThatDecideTheImages) {
    Open();
    ChooseHeadColor();
    auto doubleClick = [this](int id) {
        const NotificationHeader header{nullptr, id, NM_DBLCLK};
        App->OnNotify(&header);
    };
    App->PreviewButton->click();
    const BitmapHandle mod = App->ModPreview->Image();
    const std::tuple<const char*, std::function<void()>, bool, bool> steps[] = {
        {"source selection", [&] { Select(App->SourceTree, "Color"); }, 1, 0},
        {"source double click", [&] { doubleClick(IDC_SOURCE_TREE); }, 0, 0},
        {"library selection", [&] { Select(App->LibraryTree, "Folder"); }, 0, 1},
        {"library double click", [&] { doubleClick(IDC_LIBRARY_TREE); }, 0, 0},
        {"tick, option off", [&] { Tick("BC"); }, 0, 0},
        {"option clicked", [&] { App->UseInstalledCheck->click(); }, 1, 0},
        {"Preview", [&] { App->PreviewButton->click(); }, 0, 0},
        {"tick, option on", [&] { Tick("ABC"); }, 1, 0},
        {"Preview", [&] { App->PreviewButton->click(); }, 0, 0},
    };
    for (const auto& [event, act, source, modification] : steps) {
        act();
        EXPECT_EQ(App->Session.SourceReload, source) << event;
        EXPECT_EQ(App->Session.ModReload, modification) << event;
    }
    EXPECT_EQ(App->ModPreview->Image(), mod) << "a folder in the library loaded nothing";
    Choose(App->TypeSelector, "Color");
    EXPECT_TRUE(App->Session.SourceReload && App->Session.ModReload) << "type chosen";
}
