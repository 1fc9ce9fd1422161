// The main window after start-up: its controls in order, place, text and state; the menu, the
// accelerators, the about box and the end of the run.
#include "app/WindowFixture.h"

#include <QDialog>
#include <QMenuBar>
#include <QTimer>

using namespace quillon;

namespace {

// The title of the modal box that the action opens, closed again at once; empty if none.
QString ModalTitleOpenedBy(const std::function<void()>& action) {
    QString title;
    QTimer::singleShot(0, [&title] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            title = modal->windowTitle();
            modal->close();
        }
    });
    action();
    QCoreApplication::processEvents(); // runs the timer when nothing was opened
    return title;
}

class MainWindowTest : public OpenWindowTest {
protected:
    // The first item of a menu of the menu bar, as the user picks it.
    void Pick(int index, const QString& texts) {
        QAction* menu = Window->menuBar()->actions()[index];
        EXPECT_EQ(menu->text() + " " + menu->menu()->actions()[0]->text(), texts);
        menu->menu()->actions()[0]->trigger();
    }
};

} // namespace

TEST_F(MainWindowTest, StartsWithTheControlsInTheLayoutsOrderPlaceAndState) {
    // "<text or name> <x>,<y> <width>x<height>", " off" when disabled; a selector shows its
    // current entry, and its height is the toolkit's own.
    const Names expected{
        "Set: 10,13 40x30",
        "[1. Select Texture Set] 50,10 180",
        "Type: 10,43 40x30",
        "[2. Select Texture Type] 50,40 180 off",
        "DestinationList 10,70 220x240 off",
        "Use Currently installed textures 15,555 220x30",
        "4. Choose Source Texture 10,315 220x30",
        "SourceTree 10,330 220x230 off",
        "5. Choose Texture Mod to Apply 250,10 200x30",
        "LibraryTree 250,30 300x550",
        "Source Preview 570,10 200x30",
        "SourcePreview 570,25 128x128",
        "Modification Preview 570,160 200x30",
        "ModPreview 570,175 128x128",
        "Destination Preview 570,310 200x30",
        "FinalPreview 570,325 128x128",
        "Preview 570,460 128x25",
        "Blend Images 570,510 128x50",
        "  Ready 0,595 714x17",
    };
    Names controls;
    for (const QWidget* c :
         Window->ClientArea()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const bool selector = qobject_cast<const QComboBox*>(c) != nullptr;
        const QString text = c->property(selector ? "currentText" : "text").toString();
        controls.push_back(
            (text.isEmpty() ? c->objectName() : text).toStdString() + " " + std::to_string(c->x()) +
            "," + std::to_string(c->y()) + " " + std::to_string(c->width()) +
            (selector ? "" : "x" + std::to_string(c->height())) + (c->isEnabled() ? "" : " off"));
        EXPECT_FALSE(c->focusPolicy() & Qt::TabFocus) << "Tab never moves the focus";
    }
    EXPECT_EQ(controls, expected);
    EXPECT_EQ(Window->ClientArea()->size(), QSize(714, 612));
    EXPECT_EQ(Window->windowTitle(), "Velloran's Quillon");
    EXPECT_EQ(App->DestinationList->headerItem()->text(0), "3. Choose What to Change");
    EXPECT_EQ(App->StatusLine->font().pointSize(), 8);

    // The about box is laid out in dialog units of the dialog font: four horizontal ones are an
    // average character, eight vertical ones the font's height.
    const QFont font = QApplication::font();
    const QPoint size = DialogUnitsToPixels(font, 190, 62);
    EXPECT_EQ(CreateAboutBox(nullptr)->size(), QSize(size.x(), size.y()));
    EXPECT_GT(DialogUnitsToPixels(font, 4, 8).x(), 3);
    EXPECT_EQ(DialogUnitsToPixels(font, 4, 8).y(), QFontMetrics(font).height());
}

TEST_F(MainWindowTest, AboutBoxFromAltQuestionMarkAltSlashOrTheMenuThenExit) {
    ASSERT_EQ(QApplication::focusWidget(), nullptr) << "no control takes the focus at start";
    for (const char key : {'?', '/'}) {
        EXPECT_EQ(ModalTitleOpenedBy([&] { QTest::keyClick(Window.get(), key, Qt::AltModifier); }),
                  "About Velloran's Quillon")
            << key;
        EXPECT_EQ(ModalTitleOpenedBy([&] { QTest::keyClick(Window.get(), key); }), "");
    }
    EXPECT_EQ(ModalTitleOpenedBy([&] { Pick(1, "&Help &About ..."); }), "About Velloran's Quillon");
    // Alt+? and Alt+/ count only when the window itself has the keystroke: once a control has the
    // focus the keystroke is its own, even when it passes it on.
    QApplication::setActiveWindow(Window.get()); // again, after the modal boxes
    App->PreviewButton->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), App->PreviewButton);
    EXPECT_EQ(
        ModalTitleOpenedBy([&] { QTest::keyClick(App->PreviewButton, '?', Qt::AltModifier); }), "");
    // File, Exit ends the message loop with code 0.
    QTimer::singleShot(0, Window.get(), [this] { Pick(0, "&File E&xit"); });
    QTimer::singleShot(5000, Window.get(), [] { QCoreApplication::exit(99); }); // a safety net
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(Window->isVisible());
}
