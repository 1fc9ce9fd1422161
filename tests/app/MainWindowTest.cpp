// The main window after start-up: its controls in order, place, text and state; the menu, the
// accelerators, the about box and the end of the run.
#include "app/WindowFixture.h"

#include <QDialog>
#include <QImage>
#include <QMenuBar>
#include <QStyleOptionViewItem>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <map>

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

// WCAG's contrast ratio of two colours: 1 for equal ones, 21 for black on white.
double Contrast(QRgb a, QRgb b) {
    auto luminance = [](QRgb c) {
        auto linear = [](int v) {
            const double s = v / 255.0;
            return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(qRed(c)) + 0.7152 * linear(qGreen(c)) + 0.0722 * linear(qBlue(c));
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// What a part of a row shows: its background (the commonest colour) and its most contrasting
// colour, the text or a mark drawn on it.
struct Look {
    QRgb Background = 0;
    double Contrast = 1;
};

Look LookOf(const QImage& image, const QRect& area) {
    std::map<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            ++counts[image.pixel(x, y)];
        }
    }
    Look look;
    look.Background = std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) {
                          return a.second < b.second;
                      })->first;
    for (const auto& [colour, count] : counts) {
        look.Contrast = std::max(look.Contrast, Contrast(colour, look.Background));
    }
    return look;
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

TEST_F(MainWindowTest, TheSelectedDestinationStaysReadableLikeTheTreesSelection) {
    Choose(App->SetSelector, "Head");
    Choose(App->TypeSelector, "Color");
    Select(App->LibraryTree, "mod.psd");
    QTreeWidget* tree = App->LibraryTree;
    const QImage treeImage = tree->viewport()->grab().toImage();
    const Look treeLook = LookOf(treeImage, tree->visualItemRect(tree->currentItem()));
    ASSERT_GE(treeLook.Contrast, 3.0) << "the trees' selection, the model";

    QTreeWidget* list = App->DestinationList;
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"clicked",
         [&] {
             QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                               list->visualItemRect(list->topLevelItem(0)).center());
         }},
        {"arrow key", [&] { QTest::keyClick(list, Qt::Key_Down); }},
    };
    for (const auto& [way, select] : ways) {
        SCOPED_TRACE(way);
        select();
        ASSERT_EQ(list->selectedItems().size(), 1);
        const QRect row = list->visualItemRect(list->selectedItems()[0]);
        // The check box as the style places it in the row; the text lies to its right.
        QStyleOptionViewItem option;
        option.initFrom(list);
        option.rect = row;
        option.features =
            QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        const QRect box =
            list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list);
        const QImage image = list->viewport()->grab().toImage();
        image.save(QUILLON_SCREENSHOT_DIR "/destination-selected.png", "PNG");
        const Look text =
            LookOf(image, QRect(QPoint(box.right() + 1, row.top()), row.bottomRight()));
        EXPECT_EQ(text.Background, treeLook.Background) << "the trees' highlight";
        EXPECT_GE(text.Contrast, 3.0) << "the name can be read on it";
        EXPECT_GE(LookOf(image, box.adjusted(2, 2, -2, -2)).Contrast, 3.0)
            << "the check mark can be seen in its box";
    }
}
