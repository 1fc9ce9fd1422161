// The texture browsers on folders made by the test: the two trees, the paths read back from
// them, and the destination list with its check marks.
#include "app/WindowFixture.h"

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

TEST_F(BrowsersTest, TheDestinationListGivesTheTickedSubSetsInItsOrder) {
    App->FillDestinationList("Head", "Color");
    Names names{"stale"};
    EXPECT_EQ(App->GetCheckedDestinations(names), 3);
    EXPECT_EQ(names, (Names{"A", "B", "C"}));
    App->DestinationList->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(App->GetCheckedDestinations(names), 2);
    EXPECT_EQ(names, (Names{"A", "C"}));
    for (const int row : {0, 2}) {
        App->DestinationList->topLevelItem(row)->setCheckState(0, Qt::Unchecked);
    }
    EXPECT_EQ(App->GetCheckedDestinations(names), 0);
    EXPECT_TRUE(names.empty()) << "all rows cleared: the list is emptied";
    App->FillDestinationList("Head", "Specular");
    names = {"stale"};
    EXPECT_EQ(App->GetCheckedDestinations(names), 0);
    EXPECT_EQ(names, Names{"stale"}) << "a type the set lacks: no rows, the list as it was";
}
