// Previews: the placeholder, slot previews and their matte, and the large pop-ups with their
// release.
#include "app/PreviewWindow.h"
#include "app/WindowFixture.h"

#include <QPointer>

using namespace quillon;

namespace {

class PreviewsTest : public OpenWindowTest {
protected:
    // Puts an image of one colour (0xAABBGGRR) into an empty slot of the engine.
    void Put(const std::string& key, int width, int height, std::uint32_t pixel) {
        RgbaImage& image = App->Session.Images[key] = RgbaImage(width, height);
        for (std::size_t i = 0; i < image.Pixels.size(); i += 4) {
            std::memcpy(&image.Pixels[i], &pixel, 4);
        }
    }
};

std::uint32_t CentrePixel(const BitmapHandle& bitmap) {
    return bitmap
        ->Pixels[static_cast<std::size_t>(bitmap->Height / 2) * bitmap->Width + bitmap->Width / 2];
}

} // namespace

TEST_F(PreviewsTest, PicturesShowTheSharedPlaceholderOrTheirSlotAtTheAskedSize) {
    const BitmapHandle blank = App->Session.Bitmaps.at("Blank");
    EXPECT_EQ(QSize(blank->Width, blank->Height), QSize(126, 126));
    for (const PictureControl* picture : {App->SourcePreview, App->ModPreview, App->FinalPreview}) {
        EXPECT_EQ(picture->Image(), blank);
        EXPECT_EQ(picture->pixmap().size(), QSize(126, 126));
    }

    Put("Source", 2048, 1024, 0xFF204080); // R 0x80, G 0x40, B 0x20
    App->Session.UpdatePreviews(SourcePreviewFlag, "Source", true);
    const BitmapHandle shown = App->SourcePreview->Image();
    EXPECT_EQ(shown, App->Session.Bitmaps.at("Source"));
    EXPECT_EQ(QSize(shown->Width, shown->Height), QSize(126, 126)) << "proportions are not kept";
    EXPECT_EQ(CentrePixel(shown), 0xFF804020u);
    EXPECT_TRUE(Blank(App->ModPreview)) << "only the picture asked for";
    EXPECT_EQ(App->Session.GetPreviewBitmap("Source", false, 768, 768), shown) << "no rebuild";
    // A slot that does not exist gives the placeholder in the pictures asked for.
    App->Session.UpdatePreviews(SourcePreviewFlag | FinalPreviewFlag, "Final", true);
    EXPECT_TRUE(Blank(App->SourcePreview) && Blank(App->FinalPreview));
}

TEST_F(PreviewsTest, TransparencyIsLaidOverBlackOrOverTheWindowColour) {
    Put("Mod", 64, 64, 0x00FFFFFF);  // white, fully transparent
    Put("Source", 4, 4, 0x80FFFFFF); // white at half alpha
    const std::uint32_t window = App->Session.DefaultMatte;
    EXPECT_EQ(window, Window->palette().color(QPalette::Window).rgb() & 0xFFFFFFu);
    for (const std::uint16_t black : {0, 1, 0}) {
        App->Session.Engine->BlackMatte = black;
        EXPECT_EQ(CentrePixel(App->Session.GetPreviewBitmap("Mod", true, 8, 8)),
                  0xFF000000u | (black ? 0 : window));
    }
    App->Session.Engine->BlackMatte = 1;
    EXPECT_EQ(CentrePixel(App->Session.GetPreviewBitmap("Source", true, 4, 4)), 0xFF808080u);
}

TEST_F(PreviewsTest, PopUpsOpenOnADoubleClickAndAreReleasedWhenClosedOrWithTheApplication) {
    Put("Mod", 256, 256, 0xFF0000FF);
    App->Session.UpdatePreviews(ModPreviewFlag, "Mod", true);
    QTest::mouseDClick(App->ModPreview, Qt::LeftButton);
    ASSERT_EQ(App->Previews.size(), 1u);
    const QWidget* popUp = App->Previews[0]->Window;
    EXPECT_EQ(popUp->windowTitle(), "Preview");
    EXPECT_TRUE(popUp->isVisible());
    EXPECT_EQ(popUp->size(), QSize(768, 768));
    EXPECT_EQ(popUp->windowFlags() & (Qt::WindowType_Mask | Qt::WindowStaysOnTopHint),
              Qt::Tool | Qt::WindowStaysOnTopHint);
    EXPECT_EQ(App->Previews[0]->Owner, Window.get());
    EXPECT_EQ(popUp->findChild<PictureControl*>()->Image(), App->Session.Bitmaps.at("Mod"));
    EXPECT_EQ(App->Session.Bitmaps.at("Mod")->Width, 768);
    EXPECT_EQ(App->ModPreview->Image()->Width, 126) << "the small picture keeps its own bitmap";
    App->OnCommand(STN_DBLCLK, IDC_FINAL_PREVIEW); // nothing in the slot: an empty pop-up
    ASSERT_EQ(App->Previews.size(), 2u);
    EXPECT_EQ(App->Previews[1]->Window->findChild<PictureControl*>()->Image(), nullptr);
    App->OnCommand(STN_CLICKED, IDC_SOURCE_PREVIEW);
    EXPECT_EQ(App->Previews.size(), 2u) << "a single click opens nothing";

    // Closing one releases it once the window hears of it, whichever it is; the rest stay.
    App->OnCommand(STN_DBLCLK, IDC_MOD_PREVIEW);
    const PreviewWindow* first = App->Previews[0].get();
    const PreviewWindow* last = App->Previews[2].get();
    App->Previews[1]->Window->close();
    EXPECT_EQ(App->Previews.size(), 3u);
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(App->Previews.size(), 2u);
    ASSERT_TRUE(App->Previews[0].get() == first && App->Previews[1].get() == last);
    EXPECT_TRUE(first->Window->isVisible() && last->Window->isVisible());
    // One closed whose message is not yet delivered, one open: both go with the application,
    // and the late message reaches nobody.
    const QPointer<QWidget> closed = first->Window, open = last->Window;
    closed->close();
    Close();
    EXPECT_TRUE(open.isNull() && closed.isNull());
    QCoreApplication::sendPostedEvents();
}
