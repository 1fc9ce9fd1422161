// The texture browsers on a catalogue and folders made by the test: the selectors, the
// destination list and its check marks, the two trees, and the paths read back from them.
#include "workflow/WindowFixture.h"

#include <QComboBox>
#include <QTreeWidget>

#include <filesystem>

namespace {

using Names = std::vector<std::string>;

class BrowsersTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        Write("SetDefs/Body.xml",
              TextureSetXml("Body", "textures\\actors\\character\\body",
                            {{"Muscular", {{"Diffuse", "body_d"}}},
                             {"Female", {{"Diffuse", "body_d"}, {"Normal", "body_n"}}},
                             {"Male", {{"Diffuse", "body_d"}}}}));
    }

    void MakeFolder(const std::string& relative) {
        std::filesystem::create_directories(Root.Path() / relative);
    }
};

// The tree as text: item names, "+" after an expanded item that has children, children in
// brackets; top-level items separated by " | ".
std::string ShapeOf(const QTreeWidgetItem* item) {
    std::string shape = item->text(0).toStdString();
    if (item->childCount() == 0) {
        return shape;
    }
    shape += item->isExpanded() ? "+[" : "[";
    for (int i = 0; i < item->childCount(); ++i) {
        shape += (i == 0 ? "" : ", ") + ShapeOf(item->child(i));
    }
    return shape + "]";
}

std::string ShapeOf(const QTreeWidget* tree) {
    std::string shape;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        shape += (i == 0 ? "" : " | ") + ShapeOf(tree->topLevelItem(i));
    }
    return shape;
}

QTreeWidgetItem* FindItem(QTreeWidget* tree, const QString& text) {
    const QList<QTreeWidgetItem*> found =
        tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.front();
}

} // namespace

TEST_F(BrowsersTest, BothTreesShowTheFoldersOfTheSetAndTypeExpanded) {
    Write("Library/Body/Diffuse/a.dds");
    Write("Library/Body/Diffuse/Alt/b.dds");
    Write("source/BODY/diffuse/s.dds"); // letter case differs from the names, as Windows allows
    Open();
    App->FillLibraryTree("Body", "Diffuse");
    EXPECT_EQ(ShapeOf(App->LibraryTree), "Body+[Diffuse+[a.dds, Alt+[b.dds]]]");
    App->FillSourceTree("Body", "Diffuse");
    EXPECT_EQ(ShapeOf(App->SourceTree), "Body+[Diffuse+[s.dds]]");

    QTreeWidget tree;
    auto* parent = new QTreeWidgetItem(&tree, QStringList{"Diffuse"});
    EXPECT_EQ(App->AddFolderToTree(&tree, "Library\\Body\\Diffuse", parent), 3)
        << "a.dds, Alt and b.dds";
    EXPECT_EQ(App->AddFolderToTree(&tree, "Library\\Body\\Missing", parent), 0);
}

TEST_F(BrowsersTest, AnEmptyOrMissingFolderShowsTheNoFilesItem) {
    MakeFolder("Library/Body/Diffuse");
    Open();
    for (const char* type : {"Diffuse", "Normal"}) {
        App->ClearLibraryTree();
        App->FillLibraryTree("Body", type);
        EXPECT_EQ(ShapeOf(App->LibraryTree), "No Files Found for This Set and Type") << type;
    }
}

TEST_F(BrowsersTest, AnEmptySubFolderIsRemovedButStillCounted) {
    MakeFolder("Library/Body/Diffuse/Empty");
    MakeFolder("Library/Body/Normal/Outer/Empty");
    Open();
    App->FillLibraryTree("Body", "Diffuse");
    EXPECT_EQ(ShapeOf(App->LibraryTree), "Body+[Diffuse]")
        << "the removed folder item was counted, so there is no 'No Files Found' item";
    App->ClearLibraryTree();
    App->FillLibraryTree("Body", "Normal");
    EXPECT_EQ(ShapeOf(App->LibraryTree), "Body+[Normal+[Outer]]")
        << "a folder whose only entry was a removed empty folder still counts as filled";
}

TEST_F(BrowsersTest, DotFoldersAreSkippedAndDotFilesListed) {
    Write("Library/Body/Diffuse/.cache/hidden.dds");
    Write("Library/Body/Diffuse/Alt/.cache");
    Write("Library/Body/Diffuse/Alt/b.dds");
    Write("Library/Body/Diffuse/a.dds");
    Open();
    App->FillLibraryTree("Body", "Diffuse");
    EXPECT_EQ(ShapeOf(App->LibraryTree), "Body+[Diffuse+[a.dds, Alt+[.cache, b.dds]]]");
}

TEST_F(BrowsersTest, TheSelectedItemGivesItsPathFromTheSetDown) {
    Write("Library/Body/Diffuse/a.dds");
    Write("Library/Body/Diffuse/Alt/b.dds");
    Open();
    App->FillLibraryTree("Body", "Diffuse");

    std::string path = "Library\\";
    EXPECT_FALSE(App->GetSelectedTreePath(App->LibraryTree, path));
    EXPECT_EQ(path, "Library\\") << "unchanged without a selection";

    App->LibraryTree->setCurrentItem(FindItem(App->LibraryTree, "b.dds"));
    EXPECT_TRUE(App->GetSelectedTreePath(App->LibraryTree, path));
    EXPECT_EQ(path, "Library\\Body\\Diffuse\\Alt\\b.dds");

    App->LibraryTree->setCurrentItem(FindItem(App->LibraryTree, "Body"));
    path.clear();
    EXPECT_TRUE(App->GetSelectedTreePath(App->LibraryTree, path));
    EXPECT_EQ(path, "Body");
}

TEST_F(BrowsersTest, TheDestinationListHoldsTheSubSetsCheckedInCatalogueOrder) {
    Open();
    App->FillDestinationList("Body", "Diffuse");
    Names names{"stale"};
    EXPECT_EQ(App->GetCheckedDestinations(names), 3);
    EXPECT_EQ(names, (Names{"Female", "Male", "Muscular"}));

    App->DestinationList->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(App->GetCheckedDestinations(names), 2);
    EXPECT_EQ(names, (Names{"Female", "Muscular"}));

    for (int row = 0; row < 3; ++row) {
        App->DestinationList->topLevelItem(row)->setCheckState(0, Qt::Unchecked);
    }
    EXPECT_EQ(App->GetCheckedDestinations(names), 0);
    EXPECT_TRUE(names.empty()) << "all rows cleared: the list is emptied";

    App->ClearDestinationList();
    names = {"stale"};
    EXPECT_EQ(App->GetCheckedDestinations(names), 0);
    EXPECT_EQ(names, Names{"stale"}) << "no rows at all: the list is left as it was";

    App->FillDestinationList("Body", "Specular");
    EXPECT_EQ(App->DestinationList->topLevelItemCount(), 0) << "a type the set lacks";
}

TEST_F(BrowsersTest, TheTypeSelectorListsTheSetsChannelsAfterItsPlaceholder) {
    Open();
    App->TypeName = "stale";
    App->FillTypeSelector("Body");
    ASSERT_EQ(App->TypeSelector->count(), 3);
    EXPECT_EQ(App->TypeSelector->itemText(0), "[2. Select Texture Type]");
    EXPECT_EQ(App->TypeSelector->itemText(1), "Diffuse");
    EXPECT_EQ(App->TypeSelector->itemText(2), "Normal");
    EXPECT_EQ(App->TypeSelector->currentIndex(), 0);
    EXPECT_TRUE(App->TypeName.empty());

    App->FillTypeSelector("[1. Select Texture Set]");
    EXPECT_EQ(App->TypeSelector->count(), 1) << "a name the catalogue does not hold";
}

TEST_F(BrowsersTest, WithoutSetsTheSelectorsAndListAreLeftAlone) {
    std::filesystem::remove_all(Root.Path() / "SetDefs");
    Open();
    App->TypeSelector->addItem("kept");
    App->FillTypeSelector("Body");
    EXPECT_EQ(App->TypeSelector->count(), 2);
    auto* row = new QTreeWidgetItem(App->DestinationList, QStringList{"kept"});
    App->FillDestinationList("Body", "Diffuse");
    EXPECT_EQ(App->DestinationList->topLevelItem(0), row);
    App->FillSetSelector();
    EXPECT_EQ(App->SetSelector->count(), 1);
}
