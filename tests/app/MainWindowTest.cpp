// The main window after start-up: its controls' texts and states; the menu, the accelerators,
// the about box and the end of the run; the keyboard; the window enlarged, shrunk and
// remembered; the selection readable.
#include "app/Layout.h"
#include "app/WindowFixture.h"

#include <quillon/Version.h>

#include <QDialog>
#include <QDir>
#include <QImage>
#include <QMenuBar>
#include <QProgressBar>
#include <QStyleOptionViewItem>
#include <QTimer>
#include <QUrl>

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

// What an area of an image shows: its background (the commonest colour) and the WCAG contrast
// ratio (1 for equal colours, 21 for black on white) of its most contrasting colour, the text or
// a mark drawn on it, against that background.
std::pair<QRgb, double> LookOf(const QImage& image, const QRect& area) {
    std::map<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            ++counts[image.pixel(x, y)];
        }
    }
    auto luminance = [](QRgb c) {
        auto linear = [](int v) {
            const double s = v / 255.0;
            return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(qRed(c)) + 0.7152 * linear(qGreen(c)) + 0.0722 * linear(qBlue(c));
    };
    const QRgb background = std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) {
                                return a.second < b.second;
                            })->first;
    double contrast = 1;
    for (const auto& [colour, count] : counts) {
        const double a = luminance(colour), b = luminance(background);
        contrast = std::max(contrast, (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05));
    }
    return {background, contrast};
}

class MainWindowTest : public OpenWindowTest {
protected:
    // An item of a menu of the menu bar, as the user picks it.
    void Pick(int index, int item, const QString& texts) {
        QAction* menu = Window->menuBar()->actions()[index];
        EXPECT_EQ(menu->text() + " " + menu->menu()->actions()[item]->text(), texts);
        menu->menu()->actions()[item]->trigger();
    }
    // A control's place in the client area.
    QRect Place(const QWidget* control) const {
        return QRect(control->mapTo(Window->ClientArea(), QPoint(0, 0)), control->size());
    }
};

} // namespace

TEST_F(MainWindowTest, StartsWithTheControlsTextsWholeAndTheTypeChoicesOff) {
    // A selector shows its current entry; " off" marks a disabled control.
    std::string shown;
    for (QWidget* c : std::initializer_list<QWidget*>{
             App->SetSelector, App->TypeSelector, App->DestinationList, App->SourceTree,
             App->UseInstalledCheck, App->PreviewButton, App->BlendButton, App->StatusLine}) {
        const bool selector = qobject_cast<const QComboBox*>(c) != nullptr;
        // A mnemonic's "&" is no part of the caption the user reads.
        const QString text = c->property(selector ? "currentText" : "text").toString().remove('&');
        shown += text.toStdString() + (c->isEnabled() ? "" : " off") + "|";
    }
    EXPECT_EQ(shown, "[1. Select Texture Set]|[2. Select Texture Type] off| off| off|Use Currently "
                     "installed textures|Preview|Blend Images|  Ready|");
    // Whatever text a control shows, it shows whole, within the window.
    for (QLabel* label : Window->ClientArea()->findChildren<QLabel*>()) {
        const QRect visible = Place(label).intersected(Window->ClientArea()->rect());
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), visible.width())
            << label->text().toStdString();
    }
    EXPECT_EQ(Window->ClientArea()->size(), QSize(DefaultClientWidth, DefaultClientHeight));
    EXPECT_EQ(App->DestinationList->headerItem()->text(0), "3. Choose What to Change");
    EXPECT_EQ(App->StatusLine->font().pointSize(), 8);
    EXPECT_FALSE(App->ReasonLine->isVisible() || App->Progress->isVisible());

    // "No Files Found for This Set and Type" shows whole in the narrow source tree.
    Choose(App->SetSelector, "Body");
    Choose(App->TypeSelector, "Diffuse");
    QTreeWidget* tree = App->SourceTree;
    const QTreeWidgetItem* item = tree->topLevelItem(0);
    ASSERT_EQ(item->text(0), "No Files Found for This Set and Type");
    const QRect row = tree->visualItemRect(item);
    EXPECT_LE(row.right(), tree->viewport()->width());
    EXPECT_GE(row.width(), tree->fontMetrics().horizontalAdvance(item->text(0)) + 6);

    // The about box is laid out in dialog units of the dialog font: four horizontal ones are an
    // average character, eight vertical ones the font's height.
    const QPoint unit = DialogUnitsToPixels(QApplication::font(), 4, 8);
    EXPECT_GT(unit.x(), 3);
    EXPECT_EQ(unit.y(), QFontMetrics(QApplication::font()).height());
}

TEST_F(MainWindowTest, TitleAboutBoxAcceleratorsWorkspaceFolderAndExit) {
    // The title names the workspace: the folder the program started in.
    EXPECT_EQ(Window->windowTitle(),
              "Velloran's Quillon - " + QDir::toNativeSeparators(QDir::currentPath()));
    EXPECT_EQ(CreateAboutBox(nullptr)->findChild<QLabel*>("AboutName")->text(),
              QString("Velloran's Quillon ") + QuillonVersion);

    for (const char key : {'?', '/'}) {
        EXPECT_EQ(ModalTitleOpenedBy([&] { QTest::keyClick(Window.get(), key, Qt::AltModifier); }),
                  "About Velloran's Quillon")
            << key;
        EXPECT_EQ(ModalTitleOpenedBy([&] { QTest::keyClick(Window.get(), key); }), "");
    }
    EXPECT_EQ(ModalTitleOpenedBy([&] { Pick(1, 0, "&Help &About ..."); }),
              "About Velloran's Quillon");
    // Now that controls take the focus, Alt+? reaches the window from any of them.
    QApplication::setActiveWindow(Window.get()); // again, after the modal boxes
    App->PreviewButton->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), App->PreviewButton);
    EXPECT_EQ(
        ModalTitleOpenedBy([&] { QTest::keyClick(App->PreviewButton, '?', Qt::AltModifier); }),
        "About Velloran's Quillon");

    std::vector<QUrl> opened;
    App->OpenUrl = [&opened](const QUrl& url) {
        opened.push_back(url);
        return true;
    };
    Pick(1, 1, "&Help Open &Workspace Folder");
    EXPECT_EQ(opened, std::vector<QUrl>{QUrl::fromLocalFile(QDir::currentPath())});

    // File, Exit ends the message loop with code 0.
    QTimer::singleShot(0, Window.get(), [this] { Pick(0, 3, "&File E&xit"); });
    QTimer::singleShot(5000, Window.get(), [] { QCoreApplication::exit(99); }); // a safety net
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(Window->isVisible());
}

// Tab visits every control in the order the eye reads them; Alt+P and Alt+B press the buttons.
TEST_F(MainWindowTest, TheKeyboardReachesEveryControl) {
    ChooseHeadColor();
    App->SetSelector->setFocus();
    Names visited{QApplication::focusWidget()->objectName().toStdString()};
    for (int i = 0; i < 10; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(QApplication::focusWidget()->objectName().toStdString());
    }
    EXPECT_EQ(visited, (Names{"SetSelector", "TypeSelector", "DestinationList", "SourceTree",
                              "UseInstalledCheck", "LibraryTree", "SourcePreview", "ModPreview",
                              "FinalPreview", "PreviewButton", "BlendButton"}));
    // Space ticks the selected destination, as a click on its box does.
    App->DestinationList->setFocus();
    App->DestinationList->setCurrentItem(App->DestinationList->topLevelItem(1));
    QTest::keyClick(App->DestinationList, Qt::Key_Space);
    EXPECT_EQ(App->DestinationList->topLevelItem(1)->checkState(0), Qt::Unchecked);

    App->LibraryTree->setFocus();
    QTest::keyClick(App->LibraryTree, Qt::Key_P, Qt::AltModifier);
    Started();
    EXPECT_NE(Status.find("Generating Blended Destination Image..."), std::string::npos);
    EXPECT_FALSE(Blank(App->FinalPreview));
    Answer = msgbox::IDNO;
    QTest::keyClick(App->LibraryTree, Qt::Key_B, Qt::AltModifier);
    Started();
    EXPECT_EQ(Boxes.substr(0, AskOneSource.size()), AskOneSource);
}

// Enlarged, the trees take the height and the pictures grow square, up to the textures' own
// size, showing more of them; the smallest size cuts nothing off; the size is remembered.
TEST_F(MainWindowTest, TheWindowGrowsShrinksAndIsRemembered) {
    WriteTexture("Source/Head/Color/pale.dds", 300, Yellow, Blue);
    ChooseHeadColor();
    DoubleClick(App->SourceTree);
    const int menu = Window->height() - Window->ClientArea()->height();

    Window->resize(1200, 1150 + menu);
    QCoreApplication::processEvents();
    EXPECT_EQ(Window->ClientArea()->size(), QSize(1200, 1150));
    const int taller = 1150 - DefaultClientHeight;
    EXPECT_EQ(Place(App->LibraryTree).height(), DefaultPlaces.LibraryTree.height() + taller);
    EXPECT_EQ(Place(App->DestinationList).height() + Place(App->SourceTree).height(),
              DefaultPlaces.DestinationList.height() + DefaultPlaces.SourceTree.height() + taller);
    EXPECT_EQ(Place(App->StatusLine).bottom(), 1149);
    // The source is 300 pixels wide; the pictures stop there, inside their edge.
    EXPECT_EQ(Place(App->SourcePreview).size(), QSize(302, 302));
    EXPECT_EQ(Place(App->ModPreview).size(), QSize(302, 302));
    QTest::qWait(400); // the details are made once the size settles
    Settle();
    ASSERT_TRUE(App->SourcePreview->Detail());
    EXPECT_EQ(App->SourcePreview->Detail()->Width, 300) << "the texture at its own size";
    // Loaded now, the modification's picture is made at the size it is shown: it has only 64
    // pixels, which the small bitmap shows all of.
    DoubleClick(App->LibraryTree);
    EXPECT_FALSE(Blank(App->ModPreview));
    EXPECT_EQ(App->ModPreview->Detail(), nullptr);
    const QImage seen = App->SourcePreview->grab(App->SourcePreview->contentsRect()).toImage();
    EXPECT_EQ(seen.pixel(140, 150) & 0xFFFFFF, 0xFFFF00u) << "yellow, left of the middle";
    EXPECT_EQ(seen.pixel(160, 150) & 0xFFFFFF, 0x0000FFu) << "blue, right of it";

    // Shrunk as far as it goes, everything is still whole and inside the window.
    Window->resize(400, 300);
    QCoreApplication::processEvents();
    EXPECT_EQ(Window->ClientArea()->size(), MinimumClientSize());
    for (const QWidget* control : std::initializer_list<const QWidget*>{
             App->DestinationList, App->SourceTree, App->LibraryTree, App->UseInstalledCheck,
             App->FinalPreview, App->BlendButton, App->StatusLine}) {
        EXPECT_TRUE(Window->ClientArea()->rect().contains(Place(control)))
            << control->objectName().toStdString();
    }

    Window->resize(900, 700 + menu);
    const QSize left = Window->size();
    Window->close();
    Close();
    Open();
    EXPECT_EQ(Window->size(), left) << "reopened as it was left";
}

// The selected destination (clicked, then reached with an arrow key) shows as the trees' selection
// does: their highlight, its name and its check mark readable on it.
TEST_F(MainWindowTest, TheSelectedDestinationStaysReadableLikeTheTreesSelection) {
    ChooseHeadColor();
    QTreeWidget* tree = App->LibraryTree;
    const auto [highlight, treeContrast] =
        LookOf(tree->viewport()->grab().toImage(), tree->visualItemRect(tree->currentItem()));
    ASSERT_GE(treeContrast, 3.0) << "the trees' selection, the model";

    QTreeWidget* list = App->DestinationList;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->topLevelItem(1)).center());
    QTest::keyClick(list, Qt::Key_Up); // the keyboard moves the selection as well
    ASSERT_EQ(list->selectedItems().size(), 1);
    const QRect row = list->visualItemRect(list->selectedItems()[0]);
    // The check box as the style places it in the row; the text lies to its right.
    QStyleOptionViewItem option;
    option.initFrom(list);
    option.rect = row;
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    const QRect box =
        list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list);
    const QImage image = list->viewport()->grab().toImage();
    image.save(QUILLON_SCREENSHOT_DIR "/destination-selected.png", "PNG");
    const auto [background, contrast] =
        LookOf(image, QRect(QPoint(box.right() + 1, row.top()), row.bottomRight()));
    EXPECT_EQ(background, highlight) << "the trees' highlight";
    EXPECT_GE(contrast, 3.0) << "the name can be read on it";
    EXPECT_GE(LookOf(image, box.adjusted(2, 2, -2, -2)).second, 3.0)
        << "the check mark can be seen in its box";
}
