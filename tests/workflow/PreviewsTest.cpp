// Previews: the placeholder, slot previews and their matte, and the large pop-ups with their
// release.
#include "app/PictureControl.h"
#include "imaging/ImageLibrary.h"
#include "imaging/PreviewWindow.h"
#include "workflow/WindowFixture.h"

#include <QApplication>
#include <QTest>

namespace {

class PreviewsTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        Open();
    }

    // Lets the window receive what the pop-ups posted.
    static void DeliverPosted() { QCoreApplication::sendPostedEvents(); }
};

std::uint32_t CentrePixel(const BitmapHandle& bitmap) {
    return bitmap
        ->Pixels[static_cast<std::size_t>(bitmap->Height / 2) * bitmap->Width + bitmap->Width / 2];
}

} // namespace

TEST_F(PreviewsTest, AllThreePicturesShowTheOneSharedPlaceholder) {
    const BitmapHandle blank = App->Engine->Bitmaps.at("Blank");
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(blank->Width, 126);
    EXPECT_EQ(blank->Height, 126);
    EXPECT_EQ(blank->Pixels.size(), 126u * 126u);
    for (const PictureControl* picture : {App->SourcePreview, App->ModPreview, App->FinalPreview}) {
        EXPECT_EQ(picture->Image(), blank);
        EXPECT_EQ(picture->pixmap().size(), QSize(126, 126));
    }
    EXPECT_EQ(App->Engine->GetBlankBitmap(), blank) << "made once per run";
}

TEST_F(PreviewsTest, ASlotIsPreviewedAtExactlyTheAskedSize) {
    PutImage(*App->Engine, "Source", 2048, 1024, 0xFF204080); // R 0x80, G 0x40, B 0x20
    App->UpdatePreviews(Application::SourcePreviewFlag, "Source", true);
    const BitmapHandle shown = App->SourcePreview->Image();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown, App->Engine->Bitmaps.at("Source"));
    EXPECT_EQ(shown->Width, 126);
    EXPECT_EQ(shown->Height, 126) << "proportions are not kept";
    EXPECT_EQ(CentrePixel(shown), 0xFF804020u);
    EXPECT_EQ(App->ModPreview->Image(), App->Engine->Bitmaps.at("Blank")) << "only flag 1";

    // Without rebuild the stored bitmap is reused; a slot that does not exist gives the
    // placeholder in the chosen pictures.
    EXPECT_EQ(App->Engine->GetPreviewBitmap("Source", false, 768, 768), shown);
    App->UpdatePreviews(Application::SourcePreviewFlag | Application::FinalPreviewFlag, "Final",
                        true);
    EXPECT_EQ(App->SourcePreview->Image(), App->Engine->Bitmaps.at("Blank"));
    EXPECT_EQ(App->FinalPreview->Image(), App->Engine->Bitmaps.at("Blank"));
}

TEST_F(PreviewsTest, TransparencyIsLaidOverBlackOrOverTheWindowColour) {
    PutImage(*App->Engine, "Mod", 64, 64, 0x00FFFFFF); // white, fully transparent
    const std::uint32_t window = DefaultMatteColour();
    EXPECT_EQ(window, Window->palette().color(QPalette::Window).rgb() & 0xFFFFFFu);
    for (const std::uint16_t black : {0, 1, 0}) {
        App->Engine->BlackMatte = black;
        const BitmapHandle preview = App->Engine->GetPreviewBitmap("Mod", true, 8, 8);
        ASSERT_NE(preview, nullptr);
        EXPECT_EQ(CentrePixel(preview), black ? 0xFF000000u : (0xFF000000u | window));
        EXPECT_TRUE(IsStateEnabled(black ? STATE_MATTE_BLACK : STATE_MATTE_DEFAULT));
    }
    PutImage(*App->Engine, "Mod", 4, 4, 0x80FFFFFF); // white at half alpha over black
    App->Engine->BlackMatte = 1;
    EXPECT_EQ(CentrePixel(App->Engine->GetPreviewBitmap("Mod", true, 4, 4)), 0xFF808080u);
}

TEST_F(PreviewsTest, ADoubleClickOpensTheLargePreviewOfItsSlot) {
    PutImage(*App->Engine, "Mod", 256, 256, 0xFF0000FF);
    App->UpdatePreviews(Application::ModPreviewFlag, "Mod", true);
    const BitmapHandle small = App->ModPreview->Image();
    QTest::mouseDClick(App->ModPreview, Qt::LeftButton);
    ASSERT_EQ(App->Previews.size(), 1u);
    const PreviewWindow& preview = *App->Previews.front();
    EXPECT_EQ(preview.Window->windowTitle(), "Preview");
    EXPECT_TRUE(preview.Window->isVisible());
    EXPECT_EQ(preview.Window->size(), QSize(768, 768));
    EXPECT_TRUE(preview.Window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(preview.Window->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_EQ(preview.Owner, Window.get());
    const auto* picture = preview.Window->findChild<PictureControl*>();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->Image(), App->Engine->Bitmaps.at("Mod"));
    EXPECT_EQ(picture->Image()->Width, 768);
    EXPECT_EQ(App->ModPreview->Image(), small) << "the small picture keeps its own bitmap";
    EXPECT_EQ(small->Width, 126);

    // A slot with nothing in it still opens an (empty) pop-up.
    App->OnCommand(STN_DBLCLK, IDC_FINAL_PREVIEW);
    ASSERT_EQ(App->Previews.size(), 2u);
    EXPECT_EQ(App->Previews.back()->Window->findChild<PictureControl*>()->Image(), nullptr);
    App->OnCommand(STN_CLICKED, IDC_SOURCE_PREVIEW);
    EXPECT_EQ(App->Previews.size(), 2u) << "a single click opens nothing";
}

TEST_F(PreviewsTest, PopUpsClosedInEitherOrderAreEachReleased) {
    PutImage(*App->Engine, "Source", 32, 32, 0xFF00FF00);
    for (const bool newestFirst : {false, true}) {
        App->OnCommand(STN_DBLCLK, IDC_SOURCE_PREVIEW);
        App->OnCommand(STN_DBLCLK, IDC_SOURCE_PREVIEW);
        ASSERT_EQ(App->Previews.size(), 2u);
        PreviewWindow* first = App->Previews[newestFirst ? 1 : 0].get();
        PreviewWindow* second = App->Previews[newestFirst ? 0 : 1].get();

        first->Window->close();
        EXPECT_EQ(App->Previews.size(), 2u) << "released when the window hears of it";
        DeliverPosted();
        ASSERT_EQ(App->Previews.size(), 1u);
        EXPECT_EQ(App->Previews.front().get(), second);
        EXPECT_TRUE(second->Window->isVisible()) << "the other pop-up stays open";

        second->Window->close();
        DeliverPosted();
        EXPECT_TRUE(App->Previews.empty());
        App->ReleaseClosedPreviews();
        EXPECT_TRUE(App->Previews.empty()) << "a further message does nothing";
    }
}

TEST_F(PreviewsTest, PopUpsStillOpenAreReleasedWithTheApplication) {
    PutImage(*App->Engine, "Source", 32, 32, 0xFF00FF00);
    App->OnCommand(STN_DBLCLK, IDC_SOURCE_PREVIEW);
    App->OnCommand(STN_DBLCLK, IDC_SOURCE_PREVIEW);
    QPointer<QWidget> first = App->Previews[0]->Window;
    QPointer<QWidget> second = App->Previews[1]->Window;
    first->close(); // closed, its message not yet delivered
    Close();
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(second.isNull());
    DeliverPosted(); // the message for a window that is gone reaches nobody
}
