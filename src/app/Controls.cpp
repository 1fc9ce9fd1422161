// The main window's controls: one fixed layout in client pixels, made once before the window is
// first shown, never moved or resized. Every control reports to the window procedure with its
// id, as the Win32 controls did; none takes the focus by Tab.
#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/PictureControl.h"
#include "app/PreviewWindow.h"
#include "imaging/Previews.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include <algorithm>
#include <functional>
#include <utility>

namespace quillon {

namespace {

constexpr int ComboListExtent = 500;   // a selector's height including its drop-down list
constexpr int DestinationColumn = 216; // the destination list's one column

// A tree that reports double clicks anywhere in it, on an item or not (NM_DBLCLK).
class TreeControl : public QTreeWidget {
public:
    TreeControl(QWidget* parent, std::function<void(QTreeWidget*)> doubleClicked)
        : QTreeWidget(parent), DoubleClicked(std::move(doubleClicked)) {}

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        QTreeWidget::mouseDoubleClickEvent(event);
        if (event->button() == Qt::LeftButton) {
            DoubleClicked(this);
        }
    }

private:
    std::function<void(QTreeWidget*)> DoubleClicked;
};

// Draws the destination list's rows with a grid line below each. The row itself is the style's
// own item, so a selected row has the highlight and text colours of the trees' selection; a style
// sheet rule on the items would paint them itself and lose the selected row's text.
class GridLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem row(option);
        row.rect.setBottom(row.rect.bottom() - 1); // the line takes the row's last pixel row
        QStyledItemDelegate::paint(painter, row, index);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Midlight));
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(0, 1);
    }
};

QLabel* MakeLabel(QWidget* parent, const char* text, int x, int y, int width, int height) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    label->setGeometry(x, y, width, height);
    return label;
}

QComboBox* MakeSelector(QWidget* parent, const char* name) {
    auto* selector = new QComboBox(parent);
    selector->setObjectName(name);
    selector->setFocusPolicy(Qt::ClickFocus);
    selector->setEditable(false);
    return selector;
}

// Places a selector at its font's height; the rest of its extent is its drop-down list.
void PlaceSelector(QComboBox* selector, int x, int y, int width) {
    const int height = selector->sizeHint().height();
    selector->setGeometry(x, y, width, height);
    const int rowHeight = QFontMetrics(selector->font()).height() + 2;
    selector->setMaxVisibleItems(std::max(1, (ComboListExtent - height) / rowHeight));
}

void SetUpTree(QTreeWidget* tree, const char* name) {
    tree->setObjectName(name);
    tree->setFocusPolicy(Qt::ClickFocus);
    tree->setColumnCount(1);
    tree->setHeaderHidden(true);
    tree->setRootIsDecorated(true);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    tree->setSortingEnabled(false);
}

PictureControl* MakePicture(QWidget* parent, const char* name, int x, int y, bool scaled,
                            std::function<void(int)> notify) {
    auto* picture = new PictureControl(parent, std::move(notify));
    picture->setObjectName(name);
    picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picture->setLineWidth(1);
    picture->setScaledContents(scaled); // the picture is fitted to the control
    picture->setGeometry(x, y, PreviewEdge + 2, PreviewEdge + 2);
    return picture;
}

QPushButton* MakeButton(QWidget* parent, const char* text, int x, int y, int width, int height) {
    auto* button = new QPushButton(text, parent);
    button->setFocusPolicy(Qt::ClickFocus);
    button->setAutoDefault(false);
    button->setGeometry(x, y, width, height);
    return button;
}

} // namespace

void Application::CreateControls() {
    QuillonWindow* window = MainWindow;
    QWidget* client = window->ClientArea();
    client->setFont(Font);
    auto command = [window](int id) {
        return [window, id](int code) { window->SendCommand(code, id); };
    };

    // Rows in creation order; a later control lies above an earlier one it overlaps.
    MakeLabel(client, "Set:", 10, 13, 40, 30);
    SetSelector = MakeSelector(client, "SetSelector");
    PlaceSelector(SetSelector, 50, 10, 180);
    QObject::connect(SetSelector, &QComboBox::activated, window,
                     [window] { window->SendCommand(CBN_SELCHANGE, IDC_SET_SELECTOR); });
    SetSelector->clear();
    SetSelector->addItem("[1. Select Texture Set]");
    SetSelector->setCurrentIndex(0);
    Session.SetName.clear();

    MakeLabel(client, "Type:", 10, 43, 40, 30);
    TypeSelector = MakeSelector(client, "TypeSelector");
    PlaceSelector(TypeSelector, 50, 40, 180);
    TypeSelector->setEnabled(false);
    QObject::connect(TypeSelector, &QComboBox::activated, window,
                     [window] { window->SendCommand(CBN_SELCHANGE, IDC_TYPE_SELECTOR); });
    ResetTypeSelector();

    DestinationList = new QTreeWidget(client);
    DestinationList->setObjectName("DestinationList");
    DestinationList->setFocusPolicy(Qt::ClickFocus);
    DestinationList->setGeometry(10, 70, 220, 240);
    DestinationList->setEnabled(false);
    DestinationList->setColumnCount(1);
    DestinationList->setHeaderLabels({"3. Choose What to Change"});
    DestinationList->setColumnWidth(0, DestinationColumn);
    DestinationList->header()->setSectionsClickable(false);
    DestinationList->header()->setStretchLastSection(false);
    DestinationList->setRootIsDecorated(false);
    DestinationList->setItemsExpandable(false);
    DestinationList->setUniformRowHeights(true);
    DestinationList->setSortingEnabled(false);
    DestinationList->setSelectionMode(QAbstractItemView::SingleSelection);
    DestinationList->setSelectionBehavior(QAbstractItemView::SelectRows);
    DestinationList->setItemDelegate(new GridLineDelegate(DestinationList));
    QTreeWidget* list = DestinationList;
    QObject::connect(list, &QTreeWidget::itemChanged, window,
                     [window, list](QTreeWidgetItem* item, int) {
                         // Only check marks change on these rows once they are in the list.
                         const bool checked = item->checkState(0) == Qt::Checked;
                         ListViewNotification change;
                         change.Header = {list, IDC_DESTINATION_LIST, LVN_ITEMCHANGED};
                         change.Item = list->indexOfTopLevelItem(item);
                         change.NewState = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
                         change.OldState = INDEXTOSTATEIMAGEMASK(checked ? 1 : 2);
                         change.Changed = LVIF_STATE;
                         window->SendNotify(&change.Header);
                     });
    DestinationList->clear();

    UseInstalledCheck = new QCheckBox("Use Currently installed textures", client);
    UseInstalledCheck->setObjectName("UseInstalledCheck");
    UseInstalledCheck->setFocusPolicy(Qt::ClickFocus);
    UseInstalledCheck->setGeometry(15, 555, 220, 30);
    QObject::connect(UseInstalledCheck, &QCheckBox::clicked, window,
                     [window] { window->SendCommand(BN_CLICKED, IDC_USE_INSTALLED); });
    if (Session.UseInstalledByDefault()) {
        UseInstalledCheck->setChecked(true);
    }

    auto makeTree = [window, client](const char* name, int id) {
        auto* tree = new TreeControl(client, [window, id](QTreeWidget* self) {
            const NotificationHeader header{self, id, NM_DBLCLK};
            window->SendNotify(&header);
        });
        SetUpTree(tree, name);
        QObject::connect(tree, &QTreeWidget::itemSelectionChanged, window, [window, tree, id] {
            const NotificationHeader header{tree, id, TVN_SELCHANGEDA};
            window->SendNotify(&header);
        });
        return tree;
    };
    MakeLabel(client, "4. Choose Source Texture", 10, 315, 220, 30);
    SourceTree = makeTree("SourceTree", IDC_SOURCE_TREE);
    SourceTree->setGeometry(10, 330, 220, 230);
    SourceTree->setEnabled(false);
    SourceTree->clear();

    MakeLabel(client, "5. Choose Texture Mod to Apply", 250, 10, 200, 30);
    LibraryTree = makeTree("LibraryTree", IDC_LIBRARY_TREE);
    LibraryTree->setGeometry(250, 30, 300, 550);
    LibraryTree->clear();

    MakeLabel(client, "Source Preview", 570, 10, 200, 30);
    SourcePreview =
        MakePicture(client, "SourcePreview", 570, 25, false, command(IDC_SOURCE_PREVIEW));
    MakeLabel(client, "Modification Preview", 570, 160, 200, 30);
    ModPreview = MakePicture(client, "ModPreview", 570, 175, true, command(IDC_MOD_PREVIEW));
    MakeLabel(client, "Destination Preview", 570, 310, 200, 30);
    FinalPreview = MakePicture(client, "FinalPreview", 570, 325, true, command(IDC_FINAL_PREVIEW));

    PreviewButton = MakeButton(client, "Preview", 570, 460, 128, 25);
    QObject::connect(PreviewButton, &QPushButton::clicked, window,
                     [window] { window->SendCommand(BN_CLICKED, IDC_PREVIEW_BUTTON); });
    BlendButton = MakeButton(client, "Blend Images", 570, 510, 128, 50);
    QObject::connect(BlendButton, &QPushButton::clicked, window,
                     [window] { window->SendCommand(BN_CLICKED, IDC_BLEND_BUTTON); });

    StatusLine = new QLabel("  Ready", client);
    StatusLine->setObjectName("StatusLine");
    StatusLine->setTextFormat(Qt::PlainText);
    StatusLine->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusLine->setLineWidth(1);
    StatusLine->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    StatusLine->setGeometry(0, 595, 714, 17);
}

void Application::ResetTypeSelector() {
    TypeSelector->clear();
    TypeSelector->addItem("[2. Select Texture Type]");
    TypeSelector->setCurrentIndex(0);
    Session.TypeName.clear();
}

void Application::ClearDestinationList() {
    DestinationList->clear();
}

void Application::ClearSourceTree() {
    SourceTree->clear();
}

void Application::ClearLibraryTree() {
    LibraryTree->clear();
}

void Application::ReleaseClosedPreviews() {
    std::erase_if(Previews,
                  [](const std::unique_ptr<PreviewWindow>& preview) { return preview->Closed; });
}

} // namespace quillon
