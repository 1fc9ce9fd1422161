// Previews: the placeholder, slot previews and their matte, and the large pop-ups: their titles,
// how they close, and their release.
#include "app/PreviewWindow.h"
#include "app/WindowFixture.h"

#include <QPointer>

using namespace quillon;

namespace {

class PreviewsTest : public OpenWindowTest {
protected:
    // Puts an image of one colour (0xAABBGGRR) into an empty slot of the engine.
    void Put(const std::string& key, int width, int height, std::uint32_t pixel) {
        App->Session.Images[key] = Halves(width, height, pixel, pixel);
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
    const QImage shownBlank = ToQImage(blank);
    for (PictureControl* picture : {App->SourcePreview, App->ModPreview, App->FinalPreview}) {
        EXPECT_EQ(picture->Image(), blank);
        // Inside its sunken edge the picture shows the bitmap pixel for pixel.
        EXPECT_EQ(
            picture->grab(picture->contentsRect()).toImage().convertToFormat(QImage::Format_RGB32),
            shownBlank);
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

// A double click or Enter on a picture opens its pop-up, named after the picture and its file (an
// empty slot's is empty, named by the picture alone).
TEST_F(PreviewsTest, PopUpsOpenOnADoubleClickAreNamedCloseAsAskedAndAreReleased) {
    auto open = [this](PictureControl* picture) {
        QTest::mouseDClick(picture, Qt::LeftButton);
        Settle();
        return App->Previews.empty() ? nullptr : App->Previews.back()->Window;
    };
    const QWidget* empty = open(App->FinalPreview);
    ASSERT_EQ(App->Previews.size(), 1u);
    EXPECT_EQ(empty->windowTitle(), "Destination Preview");
    EXPECT_EQ(empty->findChild<PictureControl*>()->Image(), nullptr);

    ChooseHeadColor();
    Tick("BC");
    Click(App->PreviewButton);
    const QWidget* popUp = open(App->FinalPreview);
    ASSERT_EQ(App->Previews.size(), 2u);
    EXPECT_EQ(popUp->windowTitle(), "Destination Preview: B");
    EXPECT_TRUE(popUp->isVisible());
    EXPECT_EQ(popUp->size(), QSize(768, 768));
    EXPECT_EQ(popUp->windowFlags() & (Qt::WindowType_Mask | Qt::WindowStaysOnTopHint),
              Qt::Tool | Qt::WindowStaysOnTopHint);
    EXPECT_EQ(popUp->findChild<PictureControl*>()->Image(), App->Session.Bitmaps.at("Final"));
    EXPECT_EQ(App->Session.Bitmaps.at("Final")->Width, 768);
    EXPECT_EQ(App->FinalPreview->Image()->Width, 126) << "the small picture keeps its own bitmap";
    EXPECT_EQ(open(App->ModPreview)->windowTitle(), "Modification Preview: mod.psd");
    EXPECT_EQ(open(App->SourcePreview)->windowTitle(), "Source Preview: pale.dds");
    App->SourcePreview->setFocus();
    QTest::keyClick(App->SourcePreview, Qt::Key_Return); // the keyboard opens one too
    Settle();
    ASSERT_EQ(App->Previews.size(), 5u);
    QTest::mouseClick(App->SourcePreview, Qt::LeftButton);
    EXPECT_EQ(App->Previews.size(), 5u) << "a single click opens nothing";

    // Escape, Enter or a click closes one; it is released once the window hears of it, whichever
    // it is; the rest stay.
    const PreviewWindow* first = App->Previews[0].get();
    const std::function<void(QWidget*)> closings[] = {
        [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); },
        [](QWidget* w) { QTest::keyClick(w, Qt::Key_Enter); },
        [](QWidget* w) { QTest::mouseClick(w->findChild<PictureControl*>(), Qt::LeftButton); },
    };
    for (const auto& closing : closings) {
        const std::size_t before = App->Previews.size();
        QWidget* last = App->Previews.back()->Window;
        closing(last);
        EXPECT_FALSE(last->isVisible());
        EXPECT_EQ(App->Previews.size(), before) << "released later, not inside its own event";
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        ASSERT_EQ(App->Previews.size(), before - 1);
        EXPECT_EQ(App->Previews[0].get(), first);
    }
    // One open, one closed whose message is not yet delivered: both go with the application,
    // and the late message reaches nobody.
    open(App->ModPreview);
    const QPointer<QWidget> closed = first->Window, stillOpen = App->Previews.back()->Window;
    closed->close();
    Close();
    EXPECT_TRUE(stillOpen.isNull() && closed.isNull());
    QCoreApplication::processEvents();
}
