// The blending workflow driven as a user drives it: choosing set and type, the trees, "Preview"
// and "Blend Images" with their confirmations, status texts, message boxes and the files written.
#include "app/PictureControl.h"
#include "imaging/FileChecks.h"
#include "imaging/ImageLibrary.h"
#include "workflow/WindowFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

constexpr const char* ConfirmInstalled =
    "You have selected multiple destination files. This will modify all selected destination "
    "files with chosen library modification file.\r\n\r\nAre you sure?";
constexpr const char* ConfirmOneSource =
    "You have chosen a library source file and multiple destination files. This will overwrite "
    "ALL selected destination files with the SAME generated output file.\r\n\r\nAre you sure?";

struct Colour {
    int R, G, B;
};
constexpr Colour Blue{0, 0, 255};
constexpr Colour Green{0, 255, 0};
constexpr Colour White{255, 255, 255};
constexpr Colour Yellow{255, 255, 0};
constexpr Colour Red{255, 0, 0};
constexpr Colour Cyan{0, 255, 255};

// Every text the status line shows, in order: it is painted at once each time it changes.
class StatusRecorder : public QObject {
public:
    explicit StatusRecorder(QLabel* status) : Status(status) { status->installEventFilter(this); }
    Names Texts;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == Status && event->type() == QEvent::Paint) {
            Texts.push_back(Status->text().toStdString());
        }
        return false;
    }

private:
    QLabel* Status;
};

// What a DDS file that was written holds: its header's size and format, and one pixel.
struct Written {
    bool Exists = false;
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::string Format; // "DXT1", "DXT5", "RGB" or "RGBA"
};

class BlendWorkflowTest : public WindowTest {
protected:
    // Set "Head", type "Color", destinations A (DXT1, 16), B (DXT5, 32) and C (RGB, 8), each with
    // an installed texture of its own colour. The library holds a modification that is opaque red
    // on its left half and transparent on its right, and a folder; the source folder one file.
    void SetUp() override {
        WindowTest::SetUp();
        Write("SetDefs/Head.xml",
              TextureSetXml("Head", "textures\\head",
                            {{"A", {{"Color", "head_d", "dds", 16, 1, 0}}},
                             {"B", {{"Color", "head_d", "dds", 32, 1, 1}}},
                             {"C", {{"Color", "head_d", "dds", 8, 0, 0}}}}) +
                  TextureSetXml("Body", "textures\\body", {{"A", {{"Color", "body_d"}}}}));
        WriteDds("Game/Data/textures/head/A/head_d.dds", 64, Blue);
        WriteDds("Game/Data/textures/head/B/head_d.dds", 64, Green);
        WriteDds("Game/Data/textures/head/C/head_d.dds", 64, White);
        WriteMod("Library/Head/Color/mod.png", Red);
        fs::create_directories(Root.Path() / "Library/Head/Color/Folder/Inner");
        WriteDds("Library/Head/Color/Folder/Inner/x.dds", 4, Red);
        WriteDds("Source/Head/Color/pale.dds", 64, Yellow);
    }

    void OpenWith(const std::string& extra) {
        Configure("<GameDataPath>Game\\Data\\</GameDataPath><TexOutputPath>Out\\</TexOutputPath>" +
                  extra);
        Open();
        Status = std::make_unique<StatusRecorder>(App->StatusLine);
    }

    void TearDown() override {
        Status.reset();
        WindowTest::TearDown();
    }

    void WriteDds(const std::string& relative, int edge, Colour colour) {
        QImage image(edge, edge, QImage::Format_RGBA8888);
        image.fill(QColor(colour.R, colour.G, colour.B));
        WriteImage(relative, image);
    }

    // Opaque in its left half, transparent in its right.
    void WriteMod(const std::string& relative, Colour colour) {
        QImage image(64, 64, QImage::Format_RGBA8888);
        image.fill(Qt::transparent);
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 32; ++x) {
                image.setPixelColor(x, y, QColor(colour.R, colour.G, colour.B));
            }
        }
        WriteImage(relative, image);
    }

    static void Choose(QComboBox* selector, const std::string& text) {
        const int index = selector->findText(QString::fromStdString(text));
        ASSERT_GE(index, 0) << text;
        selector->setCurrentIndex(index);
        emit selector->activated(index);
    }

    void ChooseHeadColor() {
        Choose(App->SetSelector, "Head");
        Choose(App->TypeSelector, "Color");
    }

    static void Select(QTreeWidget* tree, const QString& text) {
        const QList<QTreeWidgetItem*> found =
            tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_FALSE(found.isEmpty()) << text.toStdString();
        tree->setCurrentItem(found.front());
    }

    void SetChecked(int row, bool checked) {
        App->DestinationList->topLevelItem(row)->setCheckState(0, checked ? Qt::Checked
                                                                          : Qt::Unchecked);
    }

    void Click(QAbstractButton* button, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mouseClick(button, Qt::LeftButton, modifiers);
    }

    Written Output(const std::string& subSet) const {
        Written written;
        const fs::path file = Root.Path() / "Out/textures/head" / subSet / "head_d.dds";
        std::ifstream in(file, std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                              std::istreambuf_iterator<char>());
        DdsInfo info;
        if (bytes.empty() || CheckDdsFile(bytes.data(), bytes.size(), &info) != FileProblem::None) {
            return written;
        }
        written.Exists = true;
        written.Width = info.Width;
        written.Height = info.Height;
        if (info.FourCC != 0) {
            written.Format = std::string(reinterpret_cast<const char*>(&info.FourCC), 4);
        } else {
            written.Format = bytes[88] == 24 ? "RGB" : "RGBA"; // the pixel format's bit count
        }
        return written;
    }

    // The colour of a pixel in the written file's left (modified) or right (kept) half.
    Colour OutputColour(const std::string& subSet, bool left) {
        const std::string path = "Out\\textures\\head\\" + subSet + "\\head_d.dds";
        const ImageName image = App->Engine->LoadTexture("Check", path, true);
        EXPECT_NE(image, 0u) << path;
        const std::vector<std::uint8_t> pixels = CopyBoundImagePixels();
        const int width = BoundImageWidth();
        const int x = left ? width / 8 : width - 1 - width / 8;
        const std::size_t at = (static_cast<std::size_t>(BoundImageHeight() / 2) * width + x) * 4;
        if (pixels.size() < at + 4) {
            return {-1, -1, -1};
        }
        return {pixels[at], pixels[at + 1], pixels[at + 2]};
    }

    void ExpectColour(const std::string& subSet, bool left, Colour expected) {
        const Colour actual = OutputColour(subSet, left);
        EXPECT_NEAR(actual.R, expected.R, 8) << subSet << (left ? " left" : " right");
        EXPECT_NEAR(actual.G, expected.G, 8) << subSet << (left ? " left" : " right");
        EXPECT_NEAR(actual.B, expected.B, 8) << subSet << (left ? " left" : " right");
    }

    bool Blank(const PictureControl* picture) const {
        return picture->Image() == App->Engine->Bitmaps.at("Blank");
    }

    std::unique_ptr<StatusRecorder> Status;
};

const Names LoadAndBlend{
    "  Loading Source Image... ",
    "  Ready ",
    "  Loading Modification Image... ",
    "  Ready ",
    "  Generating Blended Destination Image... ",
    "  Ready ",
};

Names WithSuffix(const Names& texts, const std::string& suffix) {
    Names result;
    for (const std::string& text : texts) {
        result.push_back(text + suffix);
    }
    return result;
}

Names Concat(std::initializer_list<Names> parts) {
    Names result;
    for (const Names& part : parts) {
        result.insert(result.end(), part.begin(), part.end());
    }
    return result;
}

} // namespace

TEST_F(BlendWorkflowTest, ChoosingASetAndATypeFillsTheViewsBelowThem) {
    OpenWith("");
    QTest::keyClick(App->SetSelector, Qt::Key_Down); // the entry after the placeholder
    EXPECT_EQ(App->SetName, "Head") << "the newly chosen entry's text";
    EXPECT_TRUE(App->TypeSelector->isEnabled());
    EXPECT_FALSE(App->DestinationList->isEnabled());
    EXPECT_FALSE(App->SourceTree->isEnabled());
    ASSERT_EQ(App->TypeSelector->count(), 2);
    QTest::keyClick(App->TypeSelector, Qt::Key_Down);
    EXPECT_EQ(App->TypeName, "Color");
    EXPECT_TRUE(App->DestinationList->isEnabled());
    EXPECT_TRUE(App->SourceTree->isEnabled()) << "the option is off";
    EXPECT_EQ(App->DestinationList->topLevelItemCount(), 3);
    EXPECT_EQ(App->SourceTree->topLevelItem(0)->text(0), "Head");
    EXPECT_EQ(App->LibraryTree->topLevelItem(0)->text(0), "Head");

    // Another set empties what hangs below the set; the placeholder is a name like any other.
    Choose(App->SetSelector, "[1. Select Texture Set]");
    EXPECT_EQ(App->SetName, "[1. Select Texture Set]");
    EXPECT_EQ(App->TypeSelector->count(), 1);
    EXPECT_EQ(App->DestinationList->topLevelItemCount(), 0);
    EXPECT_FALSE(App->DestinationList->isEnabled());
    EXPECT_EQ(App->SourceTree->topLevelItemCount(), 0);
    EXPECT_EQ(App->LibraryTree->topLevelItemCount(), 0);
    EXPECT_TRUE(Blank(App->SourcePreview) && Blank(App->ModPreview) && Blank(App->FinalPreview));
}

TEST_F(BlendWorkflowTest, TheOptionIsCheckedAgainForEverySetOnlyWhenConfigured) {
    for (const bool configured : {true, false}) {
        OpenWith(configured ? "<DefUseInstalledSource>1</DefUseInstalledSource>" : "");
        ChooseHeadColor();
        EXPECT_EQ(App->UseInstalledCheck->isChecked(), configured);
        EXPECT_EQ(App->SourceTree->isEnabled(), !configured);
        Click(App->UseInstalledCheck); // the user turns it off, or on
        EXPECT_EQ(App->SourceTree->isEnabled(), configured);
        Choose(App->SetSelector, "Body");
        EXPECT_EQ(App->UseInstalledCheck->isChecked(), true) << configured;
        Close();
    }
}

TEST_F(BlendWorkflowTest, PreviewWithInstalledSourcesShowsAllThreeAndTheStatusSequence) {
    OpenWith("<DefUseInstalledSource>1</DefUseInstalledSource>");
    ChooseHeadColor();
    SetChecked(0, false); // the first checked row is now B
    Select(App->LibraryTree, "mod.png");
    Status->Texts.clear();
    Click(App->PreviewButton);
    EXPECT_EQ(Status->Texts, LoadAndBlend);
    for (const PictureControl* picture : {App->SourcePreview, App->ModPreview, App->FinalPreview}) {
        EXPECT_FALSE(Blank(picture));
    }
    const BitmapHandle source = App->SourcePreview->Image();
    EXPECT_EQ(source->Pixels[source->Pixels.size() / 2] & 0xFFFFFFu, 0x00FF00u) << "B is green";
    const BitmapHandle final = App->FinalPreview->Image();
    EXPECT_EQ(final->Pixels[63 * 126 + 10] & 0xFFFFFFu, 0xFF0000u) << "red on the left";
    EXPECT_EQ(final->Pixels[63 * 126 + 115] & 0xFFFFFFu, 0x00FF00u) << "B on the right";
    EXPECT_FALSE(App->SourceReload);
    EXPECT_FALSE(App->ModReload);
    EXPECT_FALSE(fs::exists(Root.Path() / "Out")) << "a preview saves nothing";
}

TEST_F(BlendWorkflowTest, PreviewWithoutACheckedDestinationBlendsNothing) {
    OpenWith("<DefUseInstalledSource>1</DefUseInstalledSource>");
    ChooseHeadColor();
    for (int row = 0; row < 3; ++row) {
        SetChecked(row, false);
    }
    Select(App->LibraryTree, "mod.png");
    Status->Texts.clear();
    App->OnCommand(BN_CLICKED, IDC_PREVIEW_BUTTON);
    EXPECT_EQ(Status->Texts, (Names{"  Loading Modification Image... ", "  Ready ",
                                    "  No Sub Set selected, composite not generated. "}));
    EXPECT_TRUE(Blank(App->SourcePreview));
    EXPECT_FALSE(Blank(App->ModPreview));
    EXPECT_TRUE(Blank(App->FinalPreview));
    App->OnCommand(BN_CLICKED, IDC_BLEND_BUTTON);
    EXPECT_TRUE(Boxes.empty()) << "no destination: Blend Images does nothing at all";
}

TEST_F(BlendWorkflowTest, ThreeDestinationsEachBlendedWithTheirOwnInstalledTexture) {
    OpenWith("<DefUseInstalledSource>1</DefUseInstalledSource>");
    ChooseHeadColor();
    Select(App->LibraryTree, "mod.png");
    Status->Texts.clear();
    Click(App->BlendButton);

    ASSERT_EQ(Boxes.size(), 2u);
    EXPECT_EQ(Boxes[0].Text, ConfirmInstalled);
    EXPECT_EQ(Boxes[0].Caption, "Overwrite Multiple Files?");
    EXPECT_EQ(Boxes[0].Style, msgbox::MB_YESNO | msgbox::MB_ICONINFORMATION);
    EXPECT_TRUE(Boxes[0].Owned);
    EXPECT_EQ(Boxes[1].Text, "Files saved successfully!");
    EXPECT_EQ(Boxes[1].Caption, "Success");
    EXPECT_EQ(Boxes[1].Style, msgbox::MB_OK | msgbox::MB_ICONINFORMATION);
    Names expected;
    for (int i = 1; i <= 3; ++i) {
        const std::string suffix = "(" + std::to_string(i) + " of 3)";
        expected = Concat({expected,
                           WithSuffix(LoadAndBlend, suffix),
                           {"  Saving Blended Texture... " + suffix}});
    }
    expected.push_back("  Ready ");
    EXPECT_EQ(Status->Texts, expected);
    EXPECT_TRUE(App->StatusSuffix.empty());

    // Formats and sizes are the catalogue's, destination by destination.
    const std::tuple<const char*, std::uint32_t, const char*, Colour> files[] = {
        {"A", 16, "DXT1", Blue}, {"B", 32, "DXT5", Green}, {"C", 8, "RGB", White}};
    for (const auto& [subSet, edge, format, installed] : files) {
        const Written written = Output(subSet);
        ASSERT_TRUE(written.Exists) << subSet;
        EXPECT_EQ(written.Width, edge) << subSet;
        EXPECT_EQ(written.Height, edge) << subSet;
        EXPECT_EQ(written.Format, format) << subSet;
        ExpectColour(subSet, true, Red);
        ExpectColour(subSet, false, installed);
    }
}

TEST_F(BlendWorkflowTest, ASecondSaveFailingStopsTheRunAndKeepsItsProgress) {
    OpenWith("<DefUseInstalledSource>1</DefUseInstalledSource>");
    fs::create_directories(Root.Path() / "Out/textures/head/B/head_d.dds"); // not writable
    ChooseHeadColor();
    Select(App->LibraryTree, "mod.png");
    Click(App->BlendButton);
    ASSERT_EQ(Boxes.size(), 2u);
    EXPECT_EQ(Boxes[1].Text, "Failed to save file");
    EXPECT_EQ(Boxes[1].Caption, "Error");
    EXPECT_EQ(Boxes[1].Style, msgbox::MB_OK | msgbox::MB_ICONERROR);
    EXPECT_EQ(App->StatusLine->text().toStdString(),
              "  Failed while saving blended texture  (2 of 3)");
    EXPECT_TRUE(App->StatusSuffix.empty());
    EXPECT_TRUE(Output("A").Exists) << "written before the failure, and kept";
    EXPECT_FALSE(fs::exists(Root.Path() / "Out/textures/head/C")) << "never reached";
}

TEST_F(BlendWorkflowTest, OneChosenSourceIsWrittenToEveryDestination) {
    OpenWith("");
    ChooseHeadColor();
    Select(App->SourceTree, "pale.dds");
    Select(App->LibraryTree, "mod.png");
    Status->Texts.clear();
    Click(App->BlendButton);

    ASSERT_EQ(Boxes.size(), 2u);
    EXPECT_EQ(Boxes[0].Text, ConfirmOneSource);
    EXPECT_EQ(Boxes[0].Caption, "Overwrite Multiple Files?");
    EXPECT_EQ(Boxes[0].Style, msgbox::MB_YESNO | msgbox::MB_ICONEXCLAMATION);
    EXPECT_EQ(Boxes[1].Text, "Files saved successfully!");
    EXPECT_EQ(Status->Texts, Concat({LoadAndBlend,
                                     {"  Saving Blended Texture (1 of 3)... ",
                                      "  Saving Blended Texture (2 of 3)... ",
                                      "  Saving Blended Texture (3 of 3)... ", "  Ready "}}));
    // One blend, made at the first destination's size, written in each destination's format.
    for (const auto& [subSet, format] :
         {std::pair{"A", "DXT1"}, std::pair{"B", "DXT5"}, std::pair{"C", "RGB"}}) {
        const Written written = Output(subSet);
        ASSERT_TRUE(written.Exists) << subSet;
        EXPECT_EQ(written.Width, 16u) << subSet;
        EXPECT_EQ(written.Format, format) << subSet;
        ExpectColour(subSet, true, Red);
        ExpectColour(subSet, false, Yellow);
    }
}

TEST_F(BlendWorkflowTest, AnsweringNoChangesNothing) {
    for (const bool installed : {true, false}) {
        OpenWith(installed ? "<DefUseInstalledSource>1</DefUseInstalledSource>" : "");
        ChooseHeadColor();
        Select(App->SourceTree, "pale.dds");
        Select(App->LibraryTree, "mod.png");
        Answer = msgbox::IDNO;
        Boxes.clear();
        Status->Texts.clear();
        Click(App->BlendButton);
        EXPECT_EQ(Boxes.size(), 1u);
        EXPECT_TRUE(Status->Texts.empty()) << "nothing blended";
        EXPECT_TRUE(App->SourceReload && App->ModReload);
        EXPECT_FALSE(App->Engine->Images.contains("Final"));
        EXPECT_FALSE(fs::exists(Root.Path() / "Out"));
        Close();
    }
}

TEST_F(BlendWorkflowTest, OneDestinationIsSavedWithoutAsking) {
    OpenWith("");
    ChooseHeadColor();
    SetChecked(0, false);
    SetChecked(2, false);
    Select(App->SourceTree, "pale.dds");
    Select(App->LibraryTree, "mod.png");
    Status->Texts.clear();
    Click(App->BlendButton);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, "File saved successfully!");
    EXPECT_EQ(Boxes[0].Caption, "Success");
    EXPECT_EQ(Status->Texts, Concat({LoadAndBlend, {"  Saving Blended Texture... ", "  Ready "}}));
    EXPECT_EQ(Output("B").Width, 32u);
    EXPECT_FALSE(Output("A").Exists);
}

TEST_F(BlendWorkflowTest, AnUnchangedChoiceIsNotReadAgainUnlessCtrlIsHeld) {
    OpenWith("");
    ChooseHeadColor();
    SetChecked(1, false);
    SetChecked(2, false);
    Select(App->SourceTree, "pale.dds");
    Select(App->LibraryTree, "mod.png");
    Click(App->PreviewButton);
    // The files change on disk; the held images stand until Ctrl asks for a new read.
    WriteDds("Source/Head/Color/pale.dds", 64, Cyan);
    WriteMod("Library/Head/Color/mod.png", Green);
    Click(App->BlendButton);
    ExpectColour("A", true, Red);
    ExpectColour("A", false, Yellow);
    Click(App->BlendButton, Qt::ControlModifier);
    ExpectColour("A", true, Green);
    ExpectColour("A", false, Cyan);
}

TEST_F(BlendWorkflowTest, ReloadFlagsFollowTheChoicesThatDecideTheImages) {
    OpenWith("");
    ChooseHeadColor();
    Select(App->SourceTree, "pale.dds");
    Select(App->LibraryTree, "mod.png");
    struct Step {
        const char* Event;
        std::function<void()> Act;
        bool Source;
        bool Mod;
    };
    auto notify = [this](int id, int code) {
        const NotificationHeader header{nullptr, id, code};
        App->OnNotify(&header);
    };
    const Step steps[] = {
        {"Preview", [this] { Click(App->PreviewButton); }, false, false},
        {"source selection", [&] { Select(App->SourceTree, "Color"); }, true, false},
        {"source double click", [&] { notify(IDC_SOURCE_TREE, NM_DBLCLK); }, false, false},
        {"library selection", [&] { Select(App->LibraryTree, "Folder"); }, false, true},
        {"library double click", [&] { notify(IDC_LIBRARY_TREE, NM_DBLCLK); }, false, false},
        {"check mark, option off", [this] { SetChecked(0, false); }, false, false},
        {"option clicked", [this] { Click(App->UseInstalledCheck); }, true, false},
        {"Preview", [this] { Click(App->PreviewButton); }, false, false},
        {"check mark, option on", [this] { SetChecked(0, true); }, true, false},
        {"Preview", [this] { Click(App->PreviewButton); }, false, false},
        {"type chosen", [this] { Choose(App->TypeSelector, "Color"); }, true, true},
    };
    for (const Step& step : steps) {
        step.Act();
        EXPECT_EQ(App->SourceReload, step.Source) << step.Event;
        EXPECT_EQ(App->ModReload, step.Mod) << step.Event;
    }
}

TEST_F(BlendWorkflowTest, AFolderChosenInTheLibraryLoadsNothing) {
    OpenWith("");
    ChooseHeadColor();
    Select(App->SourceTree, "pale.dds");
    Select(App->LibraryTree, "mod.png");
    Click(App->PreviewButton);
    const BitmapHandle modShown = App->ModPreview->Image();
    Select(App->LibraryTree, "Folder");
    Status->Texts.clear();
    const NotificationHeader doubleClick{App->LibraryTree, IDC_LIBRARY_TREE, NM_DBLCLK};
    App->OnNotify(&doubleClick);
    EXPECT_EQ(App->ModPreview->Image(), modShown) << "the preview stays as it was";
    EXPECT_EQ(Status->Texts, (Names{"  Loading Modification Image... ", "  Ready "}));
}

TEST_F(BlendWorkflowTest, AFailedLoadNeverWritesAStaleFinal) {
    OpenWith("");
    ChooseHeadColor();
    SetChecked(1, false);
    SetChecked(2, false);
    Select(App->SourceTree, "pale.dds");
    Select(App->LibraryTree, "mod.png");
    Click(App->BlendButton);
    ASSERT_TRUE(Output("A").Exists);
    fs::remove(Root.Path() / "Out/textures/head/A/head_d.dds");

    // The source is now a folder: its load fails, and "Final" still holds the earlier blend.
    Select(App->SourceTree, "Color");
    for (int attempt = 0; attempt < 2; ++attempt) { // the second without a new read
        Boxes.clear();
        Click(App->BlendButton);
        ASSERT_EQ(Boxes.size(), 1u) << attempt;
        EXPECT_EQ(Boxes[0].Text, "Failed to save file");
        EXPECT_EQ(App->StatusLine->text().toStdString(), "  Ready ");
        EXPECT_FALSE(Output("A").Exists) << attempt;
    }
    // With several destinations the first save is the failed one.
    SetChecked(1, true);
    Boxes.clear();
    Click(App->BlendButton);
    ASSERT_EQ(Boxes.size(), 2u);
    EXPECT_EQ(Boxes[1].Text, "Failed to save file");
    EXPECT_EQ(App->StatusLine->text().toStdString(), "  Saving Blended Texture (1 of 2)... ");
    EXPECT_FALSE(fs::exists(Root.Path() / "Out/textures/head/B"));
}
