// The window on the demo workspace, used as a new user would: choose "Head" and "Color", keep
// both destinations, pick the library's modification, preview, blend and save. The workspace is
// made once by the demo generator; each test starts without an output folder. One test saves a
// picture of the window for the README (screenshot.png in the build folder).
#include "app/PictureControl.h"
#include "support/ProcessRunner.h"
#include "workflow/WindowFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;

class DemoWorkspaceTest : public WindowTest {
protected:
    static void SetUpTestSuite() {
        Demo = new TempFolder;
        const ProcessResult made =
            RunProcess(QUILLON_DEMO, {(Demo->Path() / "demo").string()}, Demo->Path().string());
        ASSERT_EQ(made.ExitCode, 0) << made.StandardError;
    }
    static void TearDownTestSuite() {
        delete Demo;
        Demo = nullptr;
    }

    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_NE(Demo, nullptr);
        fs::remove_all(Workspace() / "Output");
        InDemo = std::make_unique<CurrentDirectoryGuard>(Workspace());
        Open();
    }
    void TearDown() override {
        WindowTest::TearDown();
        InDemo.reset();
    }

    static fs::path Workspace() { return Demo->Path() / "demo"; }
    static fs::path Written(const char* subSet, const char* file) {
        return Workspace() / "Output/textures/actors/character" / subSet / file;
    }
    static std::string Bytes(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    static void Choose(QComboBox* selector, const char* text) {
        const int index = selector->findText(text);
        ASSERT_GE(index, 0) << text;
        selector->setCurrentIndex(index);
        emit selector->activated(index);
    }
    static void Select(QTreeWidget* tree, const char* text) {
        const QList<QTreeWidgetItem*> found =
            tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_FALSE(found.isEmpty()) << text;
        tree->setCurrentItem(found.front());
    }

    // Head, Color, both destinations kept, the library's colour modification chosen.
    void ChooseTheHeadColourBlend() {
        ASSERT_EQ(App->SetSelector->count(), 3) << "the placeholder, then Body and Head";
        Choose(App->SetSelector, "Head");
        Choose(App->TypeSelector, "Color");
        ASSERT_EQ(App->DestinationList->topLevelItemCount(), 2);
        Select(App->LibraryTree, "KORAv3_HeadNeckBlendColor.psd");
    }

    bool Blank(const PictureControl* picture) const {
        return picture->Image() == App->Engine->Bitmaps.at("Blank");
    }

    static TempFolder* Demo;
    std::unique_ptr<CurrentDirectoryGuard> InDemo;
};

TempFolder* DemoWorkspaceTest::Demo = nullptr;

} // namespace

TEST_F(DemoWorkspaceTest, InstalledTexturesBlendedAndSavedForBothDestinations) {
    ChooseTheHeadColourBlend();
    ASSERT_TRUE(App->UseInstalledCheck->isChecked()) << "the demo configuration ticks it";
    QTest::mouseClick(App->PreviewButton, Qt::LeftButton);
    for (const PictureControl* picture : {App->SourcePreview, App->ModPreview, App->FinalPreview}) {
        EXPECT_FALSE(Blank(picture));
    }
    QTest::mouseClick(App->BlendButton, Qt::LeftButton);
    ASSERT_EQ(Boxes.size(), 2u);
    EXPECT_EQ(Boxes[0].Caption, "Overwrite Multiple Files?");
    EXPECT_EQ(Boxes[1].Text, "Files saved successfully!");
    EXPECT_TRUE(fs::is_regular_file(Written("female", "femalehead.dds")));
    EXPECT_TRUE(fs::is_regular_file(Written("male", "malehead.dds")));
    EXPECT_NE(Bytes(Written("female", "femalehead.dds")), Bytes(Written("male", "malehead.dds")))
        << "each on its own installed texture";
}

TEST_F(DemoWorkspaceTest, OneSourceFileWritesTheSameBlendToBothDestinations) {
    ChooseTheHeadColourBlend();
    QTest::mouseClick(App->UseInstalledCheck, Qt::LeftButton);
    ASSERT_FALSE(App->UseInstalledCheck->isChecked());
    Select(App->SourceTree, "SunKissed.dds");
    QTest::mouseClick(App->BlendButton, Qt::LeftButton);
    ASSERT_EQ(Boxes.size(), 2u);
    EXPECT_EQ(Boxes[0].Style, msgbox::MB_YESNO | msgbox::MB_ICONEXCLAMATION);
    EXPECT_EQ(Boxes[1].Text, "Files saved successfully!");
    const std::string female = Bytes(Written("female", "femalehead.dds"));
    EXPECT_FALSE(female.empty());
    EXPECT_EQ(female, Bytes(Written("male", "malehead.dds")));
}

TEST_F(DemoWorkspaceTest, ScreenshotOfTheWindowAfterAPreview) {
    ChooseTheHeadColourBlend();
    QTest::mouseClick(App->PreviewButton, Qt::LeftButton);
    ASSERT_EQ(App->StatusLine->text(), "  Ready ");

    const QImage shot = Window->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), Window->size());
    const std::string file = std::string(QUILLON_SCREENSHOT_DIR) + "/screenshot.png";
    EXPECT_TRUE(shot.save(QString::fromStdString(file), "PNG"));
    EXPECT_FALSE(QImage(QString::fromStdString(file)).isNull());
}
