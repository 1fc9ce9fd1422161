// The window on the demo workspace, used as a new user would: choose "Head" and "Color", keep
// both destinations, pick the library's modification, preview, then blend and save on the
// installed textures, and again from one source file. After the preview pictures of the window
// are saved for the README (in the build folder): screenshot.png at the default size, and
// screenshot-enlarged.png with the window enlarged and previewed again.
#include "app/WindowFixture.h"
#include "support/ProcessRunner.h"

#include <QPixmap>
#include <QProgressBar>

using namespace quillon;

using DemoWorkspaceTest = WindowTest;

TEST_F(DemoWorkspaceTest, BlendsBothWaysAndGivesTheScreenshot) {
    const ProcessResult made = RunProcess(QUILLON_DEMO, {Root / "demo"}, Root.Path().string());
    ASSERT_EQ(made.ExitCode, 0) << made.StandardError;
    const CurrentDirectoryGuard inDemo(Root.Path() / "demo");
    Open();
    ASSERT_EQ(App->SetSelector->count(), 3) << "the placeholder, then Body and Head";
    Choose(App->SetSelector, "Head");
    Choose(App->TypeSelector, "Color");
    ASSERT_EQ(App->DestinationList->topLevelItemCount(), 2);
    Select(App->LibraryTree, "KORAv3_HeadNeckBlendColor.psd");
    ASSERT_TRUE(App->UseInstalledCheck->isChecked()) << "the demo configuration ticks it";
    Click(App->PreviewButton);
    EXPECT_FALSE(Blank(App->SourcePreview) || Blank(App->ModPreview) || Blank(App->FinalPreview));
    EXPECT_TRUE(Window->grab().save(QUILLON_SCREENSHOT_DIR "/screenshot.png", "PNG"));
    EXPECT_EQ(App->FinalCaption->text(), "Destination Preview: female");

    // Enlarged, the pictures grow and show the textures' detail.
    const int menu = Window->height() - Window->ClientArea()->height();
    Window->resize(1180, 1020 + menu);
    Select(App->DestinationList, "male");
    Click(App->PreviewButton);
    EXPECT_EQ(App->FinalCaption->text(), "Destination Preview: male");
    EXPECT_GT(App->FinalPreview->width(), 256);
    ASSERT_TRUE(App->FinalPreview->Detail());
    EXPECT_EQ(App->FinalPreview->Detail()->Width, App->FinalPreview->contentsRect().width());
    EXPECT_TRUE(Window->grab().save(QUILLON_SCREENSHOT_DIR "/screenshot-enlarged.png", "PNG"));

    const std::string female = Root / "demo/Output/textures/actors/character/female/femalehead.dds";
    const std::string male = Root / "demo/Output/textures/actors/character/male/malehead.dds";
    Click(App->BlendButton);
    EXPECT_EQ(Boxes.substr(0, AskInstalled.size() - 1),
              AskInstalled.substr(0, AskInstalled.size() - 1));
    EXPECT_NE(Boxes.find("Files saved successfully!"), std::string::npos);
    EXPECT_NE(DescribeDds(female), "");
    EXPECT_NE(ReadTextFile(female), ReadTextFile(male)) << "each on its own installed texture";

    QTest::mouseClick(App->UseInstalledCheck, Qt::LeftButton);
    Select(App->SourceTree, "SunKissed.dds");
    Boxes = "";
    Click(App->BlendButton);
    EXPECT_EQ(Boxes.substr(0, AskOneSource.size() - 1),
              AskOneSource.substr(0, AskOneSource.size() - 1));
    EXPECT_NE(Boxes.find("Files saved successfully!"), std::string::npos);
    EXPECT_NE(DescribeDds(female), "");
    EXPECT_EQ(ReadTextFile(female), ReadTextFile(male)) << "the same blend in both";
}
