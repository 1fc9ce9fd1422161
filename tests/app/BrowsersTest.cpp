// The texture browsers on folders made by the test: the two trees, the paths read back from
// them, the destination list with its check marks, and the trees following their folders.
#include "app/WindowFixture.h"

#include <QFileSystemWatcher>

#include <functional>

using namespace quillon;

namespace {

// A tree below an item as text: item names, "+" after an expanded item that has children,
// children in brackets.
std::string ShapeOf(const QTreeWidgetItem* item) {
    std::string shape = item->text(0).toStdString();
    for (int i = 0; i < item->childCount(); ++i) {
        shape += (i > 0 ? ", " : item->isExpanded() ? "+[" : "[") + ShapeOf(item->child(i));
    }
    return shape + (item->childCount() > 0 ? "]" : "");
}

using BrowsersTest = OpenWindowTest;

} // namespace

TEST_F(BrowsersTest, TreesShowTheFoldersOfTheSetAndTypeAndGiveTheSelectedPath) {
    for (const char* file : {"Diffuse/a.dds", "Diffuse/Alt/b.dds", "Dots/.cache/hidden.dds",
                             "Dots/Alt/.cache", "Dots/a.dds"}) {
        WriteTextFile(Root / ("Library/Body/" + std::string(file)), "x");
    }
    for (const char* folder : {"Empty", "Hollow/Empty", "Nested/Outer/Empty"}) {
        std::filesystem::create_directories(Root.Path() / "Library/Body" / folder);
    }
    WriteTextFile(Root / "Source/BODY/diffuse/s.dds", "x"); // letter case as Windows allows
    const std::pair<const char*, const char*> types[] = {
        {"Empty", "No Files Found for This Set and Type"},
        {"Missing", "No Files Found for This Set and Type"},
        // An empty folder is removed but was counted: no "No Files Found", its parent stays.
        {"Hollow", "Body+[Hollow]"},
        {"Nested", "Body+[Nested+[Outer]]"},
        {"Dots", "Body+[Dots+[a.dds, Alt+[.cache]]]"}, // dot-folders skipped, dot-files listed
        {"Diffuse", "Body+[Diffuse+[a.dds, Alt+[b.dds]]]"},
    };
    for (const auto& [type, shape] : types) {
        App->ClearLibraryTree();
        App->FillLibraryTree("Body", type);
        EXPECT_EQ(App->LibraryTree->topLevelItemCount(), 1) << type;
        EXPECT_EQ(ShapeOf(App->LibraryTree->topLevelItem(0)), shape) << type;
    }
    App->FillSourceTree("Body", "Diffuse");
    EXPECT_EQ(ShapeOf(App->SourceTree->topLevelItem(0)), "Body+[Diffuse+[s.dds]]");
    QTreeWidget tree;
    EXPECT_EQ(App->AddFolderToTree(&tree, "Library\\Body\\Diffuse", nullptr), 3);

    std::string path = "Library\\";
    EXPECT_FALSE(App->GetSelectedTreePath(App->LibraryTree, path));
    EXPECT_EQ(path, "Library\\") << "unchanged without a selection";
    Select(App->LibraryTree, "b.dds");
    EXPECT_TRUE(App->GetSelectedTreePath(App->LibraryTree, path));
    EXPECT_EQ(path, "Library\\Body\\Diffuse\\Alt\\b.dds");
}

// Rows cleared in turn; then a type the set lacks: no rows, and the list given stays as it was.
TEST_F(BrowsersTest, TheDestinationListGivesTheTickedSubSetsInItsOrder) {
    App->FillDestinationList("Head", "Color");
    Names names{"stale"};
    for (const auto& [row, ticked] : std::vector<std::pair<int, Names>>{
             {-1, {"A", "B", "C"}}, {1, {"A", "C"}}, {0, {"C"}}, {2, {}}}) {
        if (row >= 0) {
            App->DestinationList->topLevelItem(row)->setCheckState(0, Qt::Unchecked);
        }
        EXPECT_EQ(App->GetCheckedDestinations(names), static_cast<int>(ticked.size()));
        EXPECT_EQ(names, ticked);
    }
    App->FillDestinationList("Head", "Specular");
    names = {"stale"};
    EXPECT_EQ(App->GetCheckedDestinations(names), 0);
    EXPECT_EQ(names, Names{"stale"});
}

namespace {

// Runs events until `done` or a safety limit (not a time check).
bool Eventually(const std::function<bool()>& done) {
    return QTest::qWaitFor(done, 20000);
}

std::string LibraryShape(const Application& app) {
    return app.LibraryTree->topLevelItemCount() == 0 ? ""
                                                     : ShapeOf(app.LibraryTree->topLevelItem(0));
}

} // namespace

// Files that come and go in the library and source folders show without choosing the type
// again: the folders are watched, and File > Reload (F5) reads them at once. A selection that is
// still there stays, and no image is read again for it; one that is gone counts as a change.
TEST_F(BrowsersTest, TheTreesFollowTheirFolders) {
    ChooseHeadColor();
    App->Session.ModReload = App->Session.SourceReload = false; // as after a preview
    ASSERT_EQ(LibraryShape(*App), "Head+[Color+[Folder+[x.dds], mod.psd]]");

    WriteTexture("Library/Head/Color/Folder/y.dds", 4, Red, Red); // in a sub-folder
    EXPECT_TRUE(Eventually([&] {
        return LibraryShape(*App) == "Head+[Color+[Folder+[x.dds, y.dds], mod.psd]]";
    })) << LibraryShape(*App);
    EXPECT_EQ(App->LibraryTree->currentItem()->text(0), "mod.psd");
    EXPECT_FALSE(App->Session.ModReload || App->Session.SourceReload) << "the same choices";

    std::filesystem::remove(Root / "Source/Head/Color/pale.dds");
    EXPECT_TRUE(Eventually([&] {
        return App->SourceTree->topLevelItem(0)->text(0) == "No Files Found for This Set and Type";
    }));
    EXPECT_TRUE(App->Session.SourceReload) << "the chosen source is gone";
    EXPECT_FALSE(App->Session.ModReload);

    // A type folder made after the type was chosen is seen too.
    Choose(App->SetSelector, "Body");
    Choose(App->TypeSelector, "Diffuse");
    WriteTexture("Library/Body/Diffuse/new.dds", 4, Red, Red);
    EXPECT_TRUE(Eventually([&] { return LibraryShape(*App) == "Body+[Diffuse+[new.dds]]"; }))
        << LibraryShape(*App);

    // F5 reads the folders at once.
    App->Watcher->removePaths(App->Watcher->directories()); // as if no watcher had seen it
    WriteTexture("Library/Body/Diffuse/other.dds", 4, Red, Red);
    QTest::keyClick(Window.get(), Qt::Key_F5);
    EXPECT_EQ(LibraryShape(*App), "Body+[Diffuse+[new.dds, other.dds]]");
}

// Started where there are no set definitions, the window says what it looked for and where.
TEST_F(WindowTest, WithoutAWorkspaceTheWindowSaysWhatItLookedFor) {
    std::filesystem::remove_all(Root.Path() / "SetDefs");
    Open();
    const std::string where = (std::filesystem::current_path() / "SetDefs").string();
    const std::string said = "No texture sets: no set definitions (*.xml) were found in " + where +
                             ". Start Quillon in its workspace folder.";
    EXPECT_EQ(App->SetSelector->count(), 1);
    EXPECT_TRUE(App->ReasonLine->isVisible());
    EXPECT_EQ(App->ReasonLine->text().toStdString(), said);
    ASSERT_EQ(App->LibraryTree->topLevelItemCount(), 1);
    EXPECT_EQ(App->LibraryTree->topLevelItem(0)->text(0).toStdString(), said);
}
