// The texture browsers: the two selectors filled from the catalogue, the destination list of sub
// sets, and the source and library trees filled from the folders "Source\<set>\<type>" and
// "Library\<set>\<type>". Items carry only their text; paths are rebuilt from the texts. The
// trees follow their folders: a watcher fills them again when files come or go.
#include "app/Application.h"
#include "platform/FolderEnum.h"
#include "platform/Paths.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileSystemWatcher>
#include <QSignalBlocker>
#include <QTreeWidget>

#include <algorithm>
#include <filesystem>

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

// Selects the item whose texts from the top down are `path` ("\"-joined); false when there is
// none.
bool SelectPath(QTreeWidget* tree, const std::string& path) {
    QTreeWidgetItem* item = nullptr;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        const QString text = QString::fromStdString(path.substr(start, end - start));
        const int count = item != nullptr ? item->childCount() : tree->topLevelItemCount();
        QTreeWidgetItem* found = nullptr;
        for (int i = 0; i < count && found == nullptr; ++i) {
            QTreeWidgetItem* child = item != nullptr ? item->child(i) : tree->topLevelItem(i);
            found = child->text(0) == text ? child : nullptr;
        }
        if (found == nullptr) {
            return false;
        }
        item = found;
        if (end == path.size()) {
            tree->setCurrentItem(item);
            return true;
        }
        start = end + 1;
    }
}

// Adds the folder, and with `below` its sub-folders up to a bound, to the watcher.
void WatchFolder(QFileSystemWatcher& watcher, const std::string& programPath, bool below) {
    constexpr int MostFolders = 256;
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path root = ResolvePath(programPath);
    if (!fs::is_directory(root, error)) {
        return;
    }
    QStringList folders{QString::fromStdString(root.string())};
    for (fs::recursive_directory_iterator it(root, error), end; below && !error && it != end;
         it.increment(error)) {
        if (it->is_directory(error) && folders.size() < MostFolders) {
            folders.append(QString::fromStdString(it->path().string()));
        }
    }
    watcher.addPaths(folders);
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
    tree->setRootIsDecorated(true);
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
    // Nothing to expand: the note takes the tree's whole width, so it shows whole.
    tree->setRootIsDecorated(false);
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

void Application::Reload() {
    if (!TreesFilled) {
        return;
    }
    // The trees show the folders as they are now; a selection that is still there stays, and
    // one that is gone counts as a changed choice.
    const std::pair<QTreeWidget*, void (Application::*)()> trees[] = {
        {SourceTree, &Application::SourceChoiceChanged},
        {LibraryTree, &Application::ModChoiceChanged}};
    for (const auto& [tree, changed] : trees) {
        std::string selected;
        const bool hadSelection = GetSelectedTreePath(tree, selected);
        bool kept = false;
        {
            const QSignalBlocker quiet(tree);
            tree->clear();
            if (tree == SourceTree) {
                FillSourceTree(Session.SetName, Session.TypeName);
            } else {
                FillLibraryTree(Session.SetName, Session.TypeName);
            }
            kept = hadSelection && SelectPath(tree, selected);
        }
        if (hadSelection && !kept) {
            (this->*changed)();
        }
    }
    WatchTreeFolders();
}

void Application::WatchTreeFolders() {
    if (!Watcher->directories().isEmpty()) {
        Watcher->removePaths(Watcher->directories());
    }
    if (!TreesFilled) {
        return;
    }
    for (const std::string prefix : {"Library", "Source"}) {
        // The folders above the type's too: the type's own folder may not be there yet.
        WatchFolder(*Watcher, prefix, false);
        WatchFolder(*Watcher, prefix + "\\" + Session.SetName, false);
        WatchFolder(*Watcher, prefix + "\\" + Session.SetName + "\\" + Session.TypeName, true);
    }
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

namespace quillon {

unsigned Application::PreviewIndex(const BlendChoice& choice) const {
    const QList<QTreeWidgetItem*> selected = DestinationList->selectedItems();
    if (selected.isEmpty() || selected.front()->checkState(0) == Qt::Unchecked) {
        return 0;
    }
    const std::string name = ItemText(selected.front());
    // Among the checked rows before it and itself: its place in the choice.
    unsigned index = 0;
    for (int row = 0; row < DestinationList->indexOfTopLevelItem(selected.front()); ++row) {
        index += DestinationList->topLevelItem(row)->checkState(0) != Qt::Unchecked ? 1 : 0;
    }
    return index < choice.Destinations.size() && choice.Destinations[index] == name ? index : 0;
}

} // namespace quillon
