// The window on the demo workspace, used as a new user would: choose "Head" and "Color", keep
// both destinations, pick the library's modification and preview. The pictures of the window are
// saved for the README (in the build folder): screenshot.png at the default size, and
// screenshot-enlarged.png with the window enlarged and previewed again. (What a save writes is
// seen in BlendWorkflowTest, and on the demo in the console program's tests.)
#include "app/WindowFixture.h"
#include "support/ProcessRunner.h"

#include <QPixmap>

using namespace quillon;

using DemoWorkspaceTest = WindowTest;

TEST_F(DemoWorkspaceTest, PreviewsAndGivesTheScreenshots) {
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
    // Read whole at the default size, clear of the library tree.
    const QLabel* caption = App->FinalCaption;
    EXPECT_LE(caption->fontMetrics().horizontalAdvance(caption->text()),
              Window->ClientArea()->width() - caption->x());
    EXPECT_GT(caption->x(), App->LibraryTree->geometry().right());

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
}
