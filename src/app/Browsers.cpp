// The texture browsers: the two selectors filled from the catalogue, the destination list of sub
// sets, and the source and library trees filled from the folders "Source\<set>\<type>" and
// "Library\<set>\<type>". Items carry only their text; paths are rebuilt from the texts.
#include "app/Application.h"
#include "platform/FolderEnum.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTreeWidget>

#include <algorithm>

namespace quillon {

namespace {

constexpr std::size_t ItemTextLimit = 255; // texts are read into 256-byte buffers
constexpr const char* NoFilesFound = "No Files Found for This Set and Type";

std::string ItemText(const QTreeWidgetItem* item) {
    std::string text = item->text(0).toStdString();
    if (text.size() > ItemTextLimit) {
        text.resize(ItemTextLimit);
    }
    return text;
}

// Appends an item as the last child of `parent`, or at the top level when there is none.
QTreeWidgetItem* InsertItem(QTreeWidget* tree, QTreeWidgetItem* parent, const std::string& text) {
    auto* item = new QTreeWidgetItem(QStringList{QString::fromStdString(text)});
    if (parent != nullptr) {
        parent->addChild(item);
    } else {
        tree->addTopLevelItem(item);
    }
    return item;
}

} // namespace

void Application::FillSetSelector() {
    if (!Session.Engine || Session.Engine->TextureSets.empty()) {
        return;
    }
    std::vector<std::string> names;
    Session.Engine->GetTextureSetNames(names);
    // The placeholder entry stays first and chosen.
    for (const std::string& name : names) {
        SetSelector->addItem(QString::fromStdString(name));
    }
}

void Application::FillTypeSelector(const std::string& setName) {
    if (!Session.Engine || Session.Engine->TextureSets.empty()) {
        return;
    }
    ResetTypeSelector();
    std::vector<std::string> names;
    Session.Engine->GetChannelNames(names, setName);
    for (const std::string& name : names) {
        TypeSelector->addItem(QString::fromStdString(name));
    }
}

void Application::FillDestinationList(const std::string& setName, const std::string& typeName) {
    if (!Session.Engine || Session.Engine->TextureSets.empty()) {
        return;
    }
    DestinationList->clear();
    std::vector<std::string> names;
    Session.Engine->GetSubSetNames(names, setName, typeName);
    for (std::size_t row = 0; row < names.size(); ++row) {
        auto* item = new QTreeWidgetItem(QStringList{QString::fromStdString(names[row])});
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
                       Qt::ItemNeverHasChildren);
        item->setCheckState(0, Qt::Unchecked); // a new row's check box starts cleared
        DestinationList->insertTopLevelItem(static_cast<int>(row), item);
        item->setCheckState(0, Qt::Checked);
    }
}

namespace {

// The two tree fills differ only in the tree and the folder prefix.
void FillTree(Application& application, QTreeWidget* tree, const std::string& prefix,
              const std::string& setName, const std::string& typeName) {
    QTreeWidgetItem* root = InsertItem(tree, nullptr, setName);
    root->setExpanded(true);
    QTreeWidgetItem* type = InsertItem(tree, root, typeName);
    const std::string folder = prefix + setName + "\\" + typeName;
    if (application.AddFolderToTree(tree, folder, type) != 0) {
        root->setExpanded(true);
        type->setExpanded(true);
        return;
    }
    tree->clear();
    tree->insertTopLevelItem(0, new QTreeWidgetItem(QStringList{NoFilesFound}));
}

} // namespace

void Application::FillSourceTree(const std::string& setName, const std::string& typeName) {
    FillTree(*this, SourceTree, "Source\\", setName, typeName);
}

void Application::FillLibraryTree(const std::string& setName, const std::string& typeName) {
    FillTree(*this, LibraryTree, "Library\\", setName, typeName);
}

std::int32_t Application::AddFolderToTree(QTreeWidget* tree, const std::string& folder,
                                          QTreeWidgetItem* parent) {
    std::vector<FoundEntry> entries;
    if (!FindEntries(folder + "\\*.*", entries)) {
        return 0;
    }
    std::int32_t count = 0;
    for (const FoundEntry& entry : entries) {
        if (entry.IsDirectory && entry.Name.starts_with('.')) {
            continue; // ".", ".." and dot-folders such as ".cache"; dot-files are listed
        }
        QTreeWidgetItem* item = InsertItem(tree, parent, entry.Name);
        ++count;
        if (!entry.IsDirectory) {
            continue;
        }
        const std::int32_t inside = AddFolderToTree(tree, folder + "\\" + entry.Name, item);
        if (inside >= 1) {
            item->setExpanded(true);
            count += inside;
        } else {
            delete item; // an empty folder is not shown, though it was counted
        }
    }
    return count;
}

bool Application::GetSelectedTreePath(QTreeWidget* tree, std::string& text) const {
    const QList<QTreeWidgetItem*> selected = tree->selectedItems();
    if (selected.isEmpty()) {
        return false;
    }
    std::vector<std::string> texts;
    for (const QTreeWidgetItem* item = selected.front(); item != nullptr; item = item->parent()) {
        texts.push_back(ItemText(item));
    }
    std::reverse(texts.begin(), texts.end());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        text += (i == 0 ? "" : "\\") + texts[i];
    }
    return true;
}

std::int32_t Application::GetCheckedDestinations(std::vector<std::string>& list) const {
    const int rows = DestinationList->topLevelItemCount();
    if (rows == 0) {
        return 0;
    }
    list.clear();
    for (int row = 0; row < rows; ++row) {
        const QTreeWidgetItem* item = DestinationList->topLevelItem(row);
        // Only a cleared check box excludes a row; a row without one counts as chosen.
        const QVariant state = item->data(0, Qt::CheckStateRole);
        if (state.isValid() && state.toInt() == Qt::Unchecked) {
            continue;
        }
        list.push_back(ItemText(item));
    }
    return static_cast<std::int32_t>(list.size());
}

BlendChoice Application::CurrentChoice() const {
    BlendChoice choice;
    choice.UseInstalled = UseInstalledCheck->isChecked();
    GetCheckedDestinations(choice.Destinations);
    GetSelectedTreePath(SourceTree, choice.SourceTreePath);
    GetSelectedTreePath(LibraryTree, choice.LibraryTreePath);
    return choice;
}

} // namespace quillon
