// The main window after start-up: its controls in order, place, text and state; the menu, the
// accelerators, the about box and the end of the run.
#include "app/PictureControl.h"
#include "workflow/WindowFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

class MainWindowTest : public WindowTest {
protected:
    void OpenWithTwoSets(const std::string& configChildren = "") {
        Write("SetDefs/Sets.xml",
              TextureSetXml("Head", "textures\\head", {{"Male", {{"Color", "head", "dds", 64}}}}) +
                  TextureSetXml("Body", "textures\\body", {}));
        Configure(configChildren);
        Open();
    }

    // The title of the modal box that the action opens, closed again at once; empty if none.
    static QString ModalTitleOpenedBy(const std::function<void()>& action) {
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
};

QString TextOf(const QWidget* widget) {
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        return label->text();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        return button->text();
    }
    return {};
}

} // namespace

TEST_F(MainWindowTest, ControlsStandInTheLayoutsOrderPlaceAndState) {
    OpenWithTwoSets();
    Application& app = *App;
    struct Row {
        const QWidget* Field; // the application's field, or null for a label
        QRect Geometry;       // height -1: the toolkit's own (a selector)
        const char* Text;
        bool Enabled;
    };
    const Row rows[] = {
        {nullptr, {10, 13, 40, 30}, "Set:", true},
        {app.SetSelector, {50, 10, 180, -1}, "", true},
        {nullptr, {10, 43, 40, 30}, "Type:", true},
        {app.TypeSelector, {50, 40, 180, -1}, "", false},
        {app.DestinationList, {10, 70, 220, 240}, "", false},
        {app.UseInstalledCheck, {15, 555, 220, 30}, "Use Currently installed textures", true},
        {nullptr, {10, 315, 220, 30}, "4. Choose Source Texture", true},
        {app.SourceTree, {10, 330, 220, 230}, "", false},
        {nullptr, {250, 10, 200, 30}, "5. Choose Texture Mod to Apply", true},
        {app.LibraryTree, {250, 30, 300, 550}, "", true},
        {nullptr, {570, 10, 200, 30}, "Source Preview", true},
        {app.SourcePreview, {570, 25, 128, 128}, "", true},
        {nullptr, {570, 160, 200, 30}, "Modification Preview", true},
        {app.ModPreview, {570, 175, 128, 128}, "", true},
        {nullptr, {570, 310, 200, 30}, "Destination Preview", true},
        {app.FinalPreview, {570, 325, 128, 128}, "", true},
        {app.PreviewButton, {570, 460, 128, 25}, "Preview", true},
        {app.BlendButton, {570, 510, 128, 50}, "Blend Images", true},
        {app.StatusLine, {0, 595, 714, 17}, "  Ready", true},
    };
    const QList<QWidget*> controls =
        Window->ClientArea()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(controls.size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        const QWidget* control = controls[static_cast<int>(i)];
        SCOPED_TRACE("row " + std::to_string(i + 1) + " " + row.Text);
        if (row.Field != nullptr) {
            EXPECT_EQ(control, row.Field);
        } else {
            EXPECT_NE(qobject_cast<const QLabel*>(control), nullptr);
        }
        EXPECT_EQ(control->x(), row.Geometry.x());
        EXPECT_EQ(control->y(), row.Geometry.y());
        EXPECT_EQ(control->width(), row.Geometry.width());
        if (row.Geometry.height() >= 0) {
            EXPECT_EQ(control->height(), row.Geometry.height());
        }
        EXPECT_EQ(TextOf(control).toStdString(), row.Text);
        EXPECT_EQ(control->isEnabled(), row.Enabled);
        EXPECT_FALSE(control->focusPolicy() & Qt::TabFocus) << "Tab never moves the focus";
    }
    EXPECT_EQ(Window->ClientArea()->size(), QSize(714, 612));
}

TEST_F(MainWindowTest, StartsWithThePlaceholdersAndTheSetsOfTheCatalogue) {
    OpenWithTwoSets();
    EXPECT_EQ(Window->windowTitle(), "Velloran's Quillon");
    ASSERT_EQ(App->SetSelector->count(), 3);
    EXPECT_EQ(App->SetSelector->itemText(0), "[1. Select Texture Set]");
    EXPECT_EQ(App->SetSelector->itemText(1), "Head");
    EXPECT_EQ(App->SetSelector->itemText(2), "Body");
    EXPECT_EQ(App->SetSelector->currentIndex(), 0);
    ASSERT_EQ(App->TypeSelector->count(), 1);
    EXPECT_EQ(App->TypeSelector->currentText(), "[2. Select Texture Type]");
    EXPECT_TRUE(App->SetName.empty());
    EXPECT_TRUE(App->TypeName.empty());
    EXPECT_EQ(App->DestinationList->topLevelItemCount(), 0);
    EXPECT_EQ(App->DestinationList->headerItem()->text(0), "3. Choose What to Change");
    EXPECT_EQ(App->DestinationList->columnWidth(0), 216);
    EXPECT_EQ(App->SourceTree->topLevelItemCount(), 0);
    EXPECT_EQ(App->LibraryTree->topLevelItemCount(), 0);
    EXPECT_EQ(App->StatusLine->font().pointSize(), 8);
    EXPECT_EQ(App->SetSelector->font(), App->Font);

    const QList<QAction*> menus = Window->menuBar()->actions();
    ASSERT_EQ(menus.size(), 2);
    EXPECT_EQ(menus[0]->text(), "&File");
    EXPECT_EQ(menus[0]->menu()->actions().front()->text(), "E&xit");
    EXPECT_EQ(menus[1]->text(), "&Help");
    EXPECT_EQ(menus[1]->menu()->actions().front()->text(), "&About ...");
}

TEST_F(MainWindowTest, AnEmptyCatalogueLeavesOnlyThePlaceholder) {
    Open();
    EXPECT_EQ(App->SetSelector->count(), 1);
    EXPECT_EQ(App->SetSelector->currentText(), "[1. Select Texture Set]");
}

TEST_F(MainWindowTest, TheOptionStartsCheckedOnlyForTheExactWordOne) {
    const std::pair<const char*, bool> cases[] = {
        {"", false},
        {"<DefUseInstalledSource>1</DefUseInstalledSource>", true},
        {"<DefUseInstalledSource>0</DefUseInstalledSource>", false},
        {"<DefUseInstalledSource>true</DefUseInstalledSource>", false},
        {"<DefUseInstalledSource>11</DefUseInstalledSource>", false},
    };
    for (const auto& [children, checked] : cases) {
        OpenWithTwoSets(children);
        EXPECT_EQ(App->UseInstalledCheck->isChecked(), checked) << children;
        Close();
    }
}

TEST_F(MainWindowTest, AltQuestionMarkAndAltSlashOpenTheAboutBoxOnlyFromTheWindowItself) {
    OpenWithTwoSets();
    ASSERT_EQ(QApplication::focusWidget(), nullptr) << "no control takes the focus at start";
    for (const char key : {'?', '/'}) {
        EXPECT_EQ(ModalTitleOpenedBy([&] { QTest::keyClick(Window.get(), key, Qt::AltModifier); }),
                  "About Velloran's Quillon")
            << key;
        EXPECT_EQ(ModalTitleOpenedBy([&] { QTest::keyClick(Window.get(), key); }), "")
            << "without Alt";
    }
    // Once a control has the focus the keystroke is its own, even when it passes it on.
    QApplication::setActiveWindow(Window.get()); // again, after the modal boxes
    App->PreviewButton->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), App->PreviewButton);
    EXPECT_EQ(
        ModalTitleOpenedBy([&] { QTest::keyClick(App->PreviewButton, '?', Qt::AltModifier); }), "");
    EXPECT_EQ(ModalTitleOpenedBy([&] { Window->SendCommand(0, IDM_ABOUT); }),
              "About Velloran's Quillon")
        << "the menu item";
}

TEST_F(MainWindowTest, TheAboutBoxIsLaidOutInDialogUnitsOfTheDialogFont) {
    const std::unique_ptr<QDialog> box = CreateAboutBox(nullptr);
    const QFont font = QApplication::font();
    auto pixels = [&font](int x, int y) { return DialogUnitsToPixels(font, x, y); };
    const QPoint size = pixels(190, 62);
    EXPECT_EQ(box->size(), QSize(size.x(), size.y()));
    const auto* icon = box->findChild<QLabel*>("AboutIcon");
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->pos(), pixels(14, 14));
    EXPECT_FALSE(icon->pixmap().isNull());
    for (const auto& [name, y] : {std::pair{"AboutName", 14}, std::pair{"AboutPurpose", 26}}) {
        const auto* line = box->findChild<QLabel*>(name);
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->pos(), pixels(42, y));
        EXPECT_EQ(line->width(), pixels(134, 8).x());
        EXPECT_FALSE(line->text().isEmpty());
    }
    const auto* ok = box->findChild<QPushButton*>("AboutOk");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(ok->pos(), pixels(113, 41));
    EXPECT_EQ(ok->size(), QSize(pixels(50, 14).x(), pixels(50, 14).y()));

    // Four horizontal units are one average character; eight vertical ones the font's height.
    const QPoint unit = pixels(4, 8);
    EXPECT_GT(unit.x(), 3);
    EXPECT_EQ(unit.y(), QFontMetrics(font).height());
}

TEST_F(MainWindowTest, ExitEndsTheMessageLoopWithCodeZero) {
    OpenWithTwoSets();
    QTimer::singleShot(0, Window.get(), [this] { Window->SendCommand(0, IDM_EXIT); });
    QTimer::singleShot(5000, Window.get(), [] { QCoreApplication::exit(99); }); // a safety net
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(Window->isVisible());
}
