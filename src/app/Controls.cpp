// The main window's controls: made once before the window is first shown, each signal connected
// to the controller's method for what the player means by it, placed by the layout's table
// (Layout.h), and reachable with Tab in the order the eye reads them.
#include "app/Application.h"
#include "app/Layout.h"
#include "app/MainWindow.h"
#include "app/PictureControl.h"
#include "app/PreviewWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileSystemWatcher>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <functional>
#include <utility>

namespace quillon {

namespace {

constexpr int DestinationColumn = 216;  // the destination list's one column
constexpr int SettleMilliseconds = 250; // folder changes and resizing come in bursts

// A tree whose entries open with a double click (anywhere in it) or Enter.
class TreeControl : public QTreeWidget {
public:
    TreeControl(QWidget* parent, std::function<void()> opened)
        : QTreeWidget(parent), Opened(std::move(opened)) {}

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        QTreeWidget::mouseDoubleClickEvent(event);
        if (event->button() == Qt::LeftButton) {
            Opened();
        }
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            event->accept();
            Opened();
            return;
        }
        QTreeWidget::keyPressEvent(event);
    }

private:
    std::function<void()> Opened;
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

// A label whose text, when it does not fit in what the window shows of it, ends in "...".
class ElidedLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        drawFrame(&painter);
        QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
        if (parentWidget() != nullptr) { // a label may reach past the window's edge
            area &= parentWidget()->rect().translated(-pos());
        }
        painter.drawText(area, static_cast<int>(alignment()),
                         fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
    }
};

QLabel* MakeLabel(QLabel* label, const char* name) {
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    return label;
}

QComboBox* MakeSelector(QWidget* parent, const char* name) {
    auto* selector = new QComboBox(parent);
    selector->setObjectName(name);
    selector->setEditable(false);
    return selector;
}

void SetUpTree(QTreeWidget* tree, const char* name) {
    tree->setObjectName(name);
    tree->setColumnCount(1);
    tree->setHeaderHidden(true);
    tree->setRootIsDecorated(true);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    tree->setSortingEnabled(false);
}

PictureControl* MakePicture(QWidget* parent, const char* name, std::function<void()> opened) {
    auto* picture = new PictureControl(parent);
    picture->setObjectName(name);
    picture->Opened = std::move(opened);
    return picture;
}

QPushButton* MakeButton(QWidget* parent, const char* text, const char* name) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

// A selector takes the toolkit's height; the rest of its place is its drop-down list.
void PlaceSelector(QComboBox* selector, const QRect& place) {
    const int height = selector->sizeHint().height();
    selector->setGeometry(place.x(), place.y(), place.width(), height);
    const int rowHeight = QFontMetrics(selector->font()).height() + 2;
    selector->setMaxVisibleItems(std::max(1, (place.height() - height) / rowHeight));
}

} // namespace

void Application::CreateControls() {
    QuillonWindow* window = MainWindow;
    QWidget* client = window->ClientArea();
    client->setFont(Font);
    client->setMinimumSize(MinimumClientSize());
    // Rows in creation order; a later control lies above an earlier one it overlaps.
    MakeLabel(new QLabel("Set:", client), "SetLabel");
    SetSelector = MakeSelector(client, "SetSelector");
    QObject::connect(SetSelector, &QComboBox::activated, window, [this] { ChooseSet(); });
    SetSelector->clear();
    SetSelector->addItem("[1. Select Texture Set]");
    SetSelector->setCurrentIndex(0);
    Session.SetName.clear();

    MakeLabel(new QLabel("Type:", client), "TypeLabel");
    TypeSelector = MakeSelector(client, "TypeSelector");
    TypeSelector->setEnabled(false);
    QObject::connect(TypeSelector, &QComboBox::activated, window, [this] { ChooseType(); });
    ResetTypeSelector();

    DestinationList = new QTreeWidget(client);
    DestinationList->setObjectName("DestinationList");
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
    // Only check marks change on these rows once they are in the list.
    QObject::connect(DestinationList, &QTreeWidget::itemChanged, window,
                     [this] { DestinationTicked(); });
    QObject::connect(DestinationList, &QTreeWidget::itemSelectionChanged, window,
                     [this] { DestinationSelected(); });
    DestinationList->clear();

    UseInstalledCheck = new QCheckBox("Use Currently installed textures", client);
    UseInstalledCheck->setObjectName("UseInstalledCheck");
    QObject::connect(UseInstalledCheck, &QCheckBox::clicked, window,
                     [this] { ToggleInstalledSources(); });
    if (Session.UseInstalledByDefault()) {
        UseInstalledCheck->setChecked(true);
    }

    MakeLabel(new QLabel("4. Choose Source Texture", client), "SourceLabel");
    SourceTree = new TreeControl(client, [this] { LoadSource(); });
    SetUpTree(SourceTree, "SourceTree");
    QObject::connect(SourceTree, &QTreeWidget::itemSelectionChanged, window,
                     [this] { SourceSelected(); });
    SourceTree->setEnabled(false);
    SourceTree->clear();

    MakeLabel(new QLabel("5. Choose Texture Mod to Apply", client), "LibraryLabel");
    LibraryTree = new TreeControl(client, [this] { LoadMod(); });
    SetUpTree(LibraryTree, "LibraryTree");
    QObject::connect(LibraryTree, &QTreeWidget::itemSelectionChanged, window,
                     [this] { ModSelected(); });
    LibraryTree->clear();

    MakeLabel(new QLabel("Source Preview", client), "SourceCaption");
    SourcePreview =
        MakePicture(client, "SourcePreview", [this] { OpenPicture(SourcePreviewFlag); });
    MakeLabel(new QLabel("Modification Preview", client), "ModCaption");
    ModPreview = MakePicture(client, "ModPreview", [this] { OpenPicture(ModPreviewFlag); });
    FinalCaption = MakeLabel(new ElidedLabel("Destination Preview", client), "FinalCaption");
    FinalPreview = MakePicture(client, "FinalPreview", [this] { OpenPicture(FinalPreviewFlag); });

    // "&" marks the mnemonic: Alt+P and Alt+B press them; the captions read as before.
    PreviewButton = MakeButton(client, "&Preview", "PreviewButton");
    QObject::connect(PreviewButton, &QPushButton::clicked, window, [this] { Preview(); });
    BlendButton = MakeButton(client, "&Blend Images", "BlendButton");
    QObject::connect(BlendButton, &QPushButton::clicked, window, [this] { Blend(); });

    // The status bar: the status line, the last failure's reason, a multiple save's progress.
    auto* statusBar = new QWidget(client);
    statusBar->setObjectName("StatusBar");
    auto* row = new QHBoxLayout(statusBar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    StatusLine = new QLabel("  Ready", statusBar);
    ReasonLine = new ElidedLabel(statusBar);
    for (QLabel* field : {StatusLine, ReasonLine}) {
        field->setTextFormat(Qt::PlainText);
        field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        field->setLineWidth(1);
        field->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        field->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        row->addWidget(field, 1);
    }
    StatusLine->setObjectName("StatusLine");
    ReasonLine->setObjectName("ReasonLine");
    ReasonLine->hide();
    Progress = new QProgressBar(statusBar);
    Progress->setObjectName("Progress");
    Progress->setFormat("%v of %m");
    Progress->setFixedWidth(QFontMetrics(Font).horizontalAdvance("000 of 000") * 2);
    Progress->hide();
    row->addWidget(Progress);

    // Tab follows the eye: down the left column, then the library, the pictures, the buttons.
    QWidget* const chain[] = {SetSelector,       TypeSelector,  DestinationList, SourceTree,
                              UseInstalledCheck, LibraryTree,   SourcePreview,   ModPreview,
                              FinalPreview,      PreviewButton, BlendButton};
    for (std::size_t i = 1; i < std::size(chain); ++i) {
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    }

    QObject::connect(window->ReloadAction, &QAction::triggered, window, [this] { Reload(); });
    QObject::connect(window->RestoreAction, &QAction::triggered, window,
                     [this] { RestorePreviousTextures(); });
    QObject::connect(window->FileMenu, &QMenu::aboutToShow, window, [this] {
        // Offered only when wired, and when the last run left something to put back.
        MainWindow->RestoreAction->setEnabled(Restore.Offered && Restore.Pending &&
                                              Restore.Restore && !Working() && Restore.Offered());
    });
    MainWindow->RestoreAction->setEnabled(Restore.Offered && Restore.Pending && Restore.Restore);
    QObject::connect(window->OpenWorkspaceAction, &QAction::triggered, window,
                     [this] { OpenWorkspaceFolder(); });
    window->MayClose = [this] { return MayClose(); };
    window->Resized = [this] { PlaceControls(); };

    Watcher = new QFileSystemWatcher(window);
    RefreshTimer = new QTimer(window);
    RefreshTimer->setSingleShot(true);
    RefreshTimer->setInterval(SettleMilliseconds);
    QObject::connect(Watcher, &QFileSystemWatcher::directoryChanged, RefreshTimer,
                     qOverload<>(&QTimer::start));
    QObject::connect(RefreshTimer, &QTimer::timeout, window, [this] { Reload(); });
    DetailTimer = new QTimer(window);
    DetailTimer->setSingleShot(true);
    DetailTimer->setInterval(SettleMilliseconds);
    QObject::connect(DetailTimer, &QTimer::timeout, window, [this] { RefreshDetails(); });
    PlaceControls();
}

void Application::PlaceControls() {
    QWidget* client = MainWindow->ClientArea();
    int largest = 0;
    for (const PictureControl* picture : {SourcePreview, ModPreview, FinalPreview}) {
        largest = std::max(largest, picture->TextureEdge());
    }
    const int frame = 2 * SourcePreview->frameWidth();
    const ControlPlaces places = quillon::PlaceControls(client->size(), largest + frame);
    DetailEdge = PictureRoom(client->size()) - frame;
    auto place = [client](const char* name, const QRect& rect) {
        client->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly)->setGeometry(rect);
    };
    place("SetLabel", places.SetLabel);
    PlaceSelector(SetSelector, places.SetSelector);
    place("TypeLabel", places.TypeLabel);
    PlaceSelector(TypeSelector, places.TypeSelector);
    DestinationList->setGeometry(places.DestinationList);
    UseInstalledCheck->setGeometry(places.UseInstalledCheck);
    place("SourceLabel", places.SourceLabel);
    SourceTree->setGeometry(places.SourceTree);
    place("LibraryLabel", places.LibraryLabel);
    LibraryTree->setGeometry(places.LibraryTree);
    place("SourceCaption", places.SourceCaption);
    SourcePreview->setGeometry(places.SourcePicture);
    place("ModCaption", places.ModCaption);
    ModPreview->setGeometry(places.ModPicture);
    FinalCaption->setGeometry(FitCaption(
        places.FinalCaption, FinalCaption->fontMetrics().horizontalAdvance(FinalCaption->text()),
        client->width(), places.LibraryTree));
    FinalPreview->setGeometry(places.FinalPicture);
    PreviewButton->setGeometry(places.PreviewButton);
    BlendButton->setGeometry(places.BlendButton);
    place("StatusBar", places.StatusBar);
    if (DetailsStale()) {
        DetailTimer->start();
    }
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
