// The main window after start-up: its controls in order, place, text and state; the menu, the
// accelerators, the about box and the end of the run; the keyboard; the window enlarged, shrunk
// and remembered.
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
    // An item of a menu of the menu bar, as the user picks it.
    void Pick(int index, int item, const QString& texts) {
        QAction* menu = Window->menuBar()->actions()[index];
        EXPECT_EQ(menu->text() + " " + menu->menu()->actions()[item]->text(), texts);
        menu->menu()->actions()[item]->trigger();
    }
    QWidget* Control(const char* name) const { return Window->findChild<QWidget*>(name); }
    // A control's place in the client area.
    QRect Place(const char* name) const {
        QWidget* control = Control(name);
        return QRect(control->mapTo(Window->ClientArea(), QPoint(0, 0)), control->size());
    }
};

} // namespace

TEST_F(MainWindowTest, StartsWithTheControlsInPlaceWithTheirTextsWhole) {
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
    for (const char* name :
         {"SetLabel", "SetSelector", "TypeLabel", "TypeSelector", "DestinationList",
          "UseInstalledCheck", "SourceLabel", "SourceTree", "LibraryLabel", "LibraryTree",
          "SourceCaption", "SourcePreview", "ModCaption", "ModPreview", "FinalCaption",
          "FinalPreview", "PreviewButton", "BlendButton", "StatusLine"}) {
        const QWidget* c = Control(name);
        const bool selector = qobject_cast<const QComboBox*>(c) != nullptr;
        // A mnemonic's "&" is no part of the caption the user reads.
        const QString text = c->property(selector ? "currentText" : "text").toString().remove('&');
        const QRect place = Place(name);
        controls.push_back((text.isEmpty() ? c->objectName() : text).toStdString() + " " +
                           std::to_string(place.x()) + "," + std::to_string(place.y()) + " " +
                           std::to_string(place.width()) +
                           (selector ? "" : "x" + std::to_string(place.height())) +
                           (c->isEnabled() ? "" : " off"));
        // Whatever text a control shows, it shows whole, within the window.
        const QRect visible = place.intersected(Window->ClientArea()->rect());
        if (!text.isEmpty() && !selector) {
            EXPECT_LE(c->fontMetrics().horizontalAdvance(text), visible.width()) << name;
        }
    }
    EXPECT_EQ(controls, expected);
    EXPECT_EQ(Window->ClientArea()->size(), QSize(714, 612));
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
    const QFont font = QApplication::font();
    const QPoint size = DialogUnitsToPixels(font, 190, 62);
    EXPECT_EQ(CreateAboutBox(nullptr)->size(), QSize(size.x(), size.y()));
    EXPECT_GT(DialogUnitsToPixels(font, 4, 8).x(), 3);
    EXPECT_EQ(DialogUnitsToPixels(font, 4, 8).y(), QFontMetrics(font).height());
}

TEST_F(MainWindowTest, TitleAboutBoxAcceleratorsWorkspaceFolderAndExit) {
    // The title names the workspace: the folder the program started in.
    EXPECT_EQ(Window->windowTitle(),
              "Velloran's Quillon - " + QDir::toNativeSeparators(QDir::currentPath()));
    const std::unique_ptr<QDialog> about = CreateAboutBox(nullptr);
    EXPECT_EQ(about->findChild<QLabel*>("AboutName")->text(),
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
    Choose(App->SetSelector, "Head");
    Choose(App->TypeSelector, "Color");
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

    Select(App->LibraryTree, "mod.psd");
    Select(App->SourceTree, "pale.dds");
    App->LibraryTree->setFocus();
    QTest::keyClick(App->LibraryTree, Qt::Key_P, Qt::AltModifier);
    Started();
    EXPECT_NE(Status.find("Generating Blended Destination Image..."), std::string::npos);
    EXPECT_FALSE(Blank(App->FinalPreview));
    Status = "";
    Answer = msgbox::IDNO;
    QTest::keyClick(App->LibraryTree, Qt::Key_B, Qt::AltModifier);
    Started();
    EXPECT_EQ(Boxes.substr(0, AskOneSource.size() - 1),
              AskOneSource.substr(0, AskOneSource.size() - 1));
}

// Enlarged, the trees take the height and the pictures grow square, up to the textures' own
// size, showing more of them; the smallest size cuts nothing off; the size is remembered.
TEST_F(MainWindowTest, TheWindowGrowsShrinksAndIsRemembered) {
    WriteTexture("Source/Head/Color/pale.dds", 300, Yellow, Blue);
    Choose(App->SetSelector, "Head");
    Choose(App->TypeSelector, "Color");
    Select(App->LibraryTree, "mod.psd");
    Select(App->SourceTree, "pale.dds");
    QTest::mouseDClick(App->SourceTree->viewport(), Qt::LeftButton, {},
                       App->SourceTree->visualItemRect(App->SourceTree->currentItem()).center());
    Settle();
    const int menu = Window->height() - Window->ClientArea()->height();

    Window->resize(1200, 1150 + menu); // the client area 1200 x 1150
    QCoreApplication::processEvents();
    EXPECT_EQ(Window->ClientArea()->size(), QSize(1200, 1150));
    const int taller = 1150 - 612;
    EXPECT_EQ(Place("LibraryTree").height(), 550 + taller);
    EXPECT_EQ(Place("DestinationList").height() + Place("SourceTree").height(), 240 + 230 + taller);
    EXPECT_EQ(Place("UseInstalledCheck").y(), 555 + taller);
    EXPECT_EQ(Place("StatusLine").bottom(), 1149);
    // The source is 300 pixels wide; the pictures stop there, inside their edge.
    const QRect source = Place("SourcePreview");
    EXPECT_EQ(source.size(), QSize(302, 302));
    EXPECT_EQ(Place("ModPreview").size(), source.size());
    EXPECT_EQ(Place("BlendButton").bottom(), Place("FinalPreview").bottom() + 107);
    EXPECT_EQ(Place("BlendButton").right(), 1200 - 16 - 1);
    QTest::qWait(400); // the details are made once the size settles
    Settle();
    ASSERT_TRUE(App->SourcePreview->Detail());
    EXPECT_EQ(App->SourcePreview->Detail()->Width, 300) << "the texture at its own size";
    // Loaded now, the modification's picture is made at the size it is shown: it has only 64
    // pixels, which the small bitmap shows all of.
    QTest::mouseDClick(App->LibraryTree->viewport(), Qt::LeftButton, {},
                       App->LibraryTree->visualItemRect(App->LibraryTree->currentItem()).center());
    Settle();
    EXPECT_FALSE(Blank(App->ModPreview));
    EXPECT_EQ(App->ModPreview->Detail(), nullptr);
    const QImage seen = App->SourcePreview->grab(App->SourcePreview->contentsRect()).toImage();
    EXPECT_EQ(seen.pixel(140, 150) & 0xFFFFFF, 0xFFFF00u) << "yellow, left of the middle";
    EXPECT_EQ(seen.pixel(160, 150) & 0xFFFFFF, 0x0000FFu) << "blue, right of it";

    // Shrunk as far as it goes, everything is still whole and inside the window.
    Window->resize(400, 300);
    QCoreApplication::processEvents();
    EXPECT_EQ(Window->ClientArea()->size(), MinimumClientSize());
    for (const char* name : {"DestinationList", "SourceTree", "LibraryTree", "UseInstalledCheck",
                             "FinalPreview", "BlendButton", "StatusLine"}) {
        EXPECT_TRUE(Window->ClientArea()->rect().contains(Place(name))) << name;
    }

    Window->resize(900, 700 + menu);
    Window->move(40, 30);
    const QRect left = Window->geometry();
    Window->close();
    Close();
    Open();
    EXPECT_EQ(Window->geometry().size(), left.size()) << "reopened as it was left";
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

// File > "Restore Previous Textures...": offered only when wired to the backups and when there
// is something to put back; it lists the files and asks first, and restores off the GUI thread.
TEST_F(MainWindowTest, RestorePreviousTexturesListsTheFilesAndAsks) {
    QAction* restore = Window->RestoreAction;
    emit Window->FileMenu->aboutToShow();
    EXPECT_FALSE(restore->isEnabled()) << "nothing wired";

    std::vector<std::string> pending;
    std::string restored, failure;
    App->Restore.Pending = [&pending] { return pending; };
    App->Restore.Restore = [&](std::string& reason) {
        EXPECT_NE(QThread::currentThread(), qApp->thread());
        restored += "restored;";
        reason = failure;
        return failure.empty();
    };
    emit Window->FileMenu->aboutToShow();
    EXPECT_FALSE(restore->isEnabled()) << "nothing to restore";
    App->RestorePreviousTextures(); // chosen just as the last run's backups went
    const unsigned info = msgbox::MB_OK | msgbox::MB_ICONINFORMATION;
    EXPECT_EQ(Boxes, Box("Restore Previous Textures", info,
                         "Nothing to restore: no blend has replaced textures that could be put "
                         "back."));

    pending = {"textures/a.dds", "textures/b.dds"};
    emit Window->FileMenu->aboutToShow();
    ASSERT_TRUE(restore->isEnabled());
    const std::string ask =
        Box("Restore Previous Textures", msgbox::MB_YESNO | msgbox::MB_ICONEXCLAMATION,
            "These files will be put back as they were before the last blend:\r\ntextures/a.dds"
            "\r\ntextures/b.dds\r\n\r\nRestore them?");
    const std::tuple<int, std::string, std::string, std::string> answers[] = {
        {msgbox::IDNO, "", ask, ""},
        {msgbox::IDYES, "",
         ask + Box("Restore Previous Textures", info, "Previous textures restored."), "restored;"},
        {msgbox::IDYES, "the backup of textures/b.dds is missing",
         ask + Box("Error", msgbox::MB_OK | msgbox::MB_ICONERROR,
                   "Failed to restore textures\r\n\r\nthe backup of textures/b.dds is missing"),
         "restored;"},
    };
    for (const auto& [answer, fails, boxes, done] : answers) {
        Answer = answer;
        failure = fails;
        Boxes = restored = "";
        restore->trigger();
        Settle();
        EXPECT_EQ(Boxes, boxes);
        EXPECT_EQ(restored, done);
    }
    EXPECT_EQ(App->ReasonLine->text(),
              "Textures not restored: the backup of textures/b.dds is missing");
}
