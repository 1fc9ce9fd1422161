#include "app/MainWindow.h"

#include "app/Layout.h"

#include <quillon/Version.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QSettings>
#include <QThread>

#include <utility>

namespace quillon {

namespace {

constexpr const char* WindowTitle = "Velloran's Quillon";

// Win32's MulDiv for the non-negative values used here: a * b / c, rounded.
int MulDiv(int a, int b, int c) {
    return static_cast<int>((static_cast<long long>(a) * b + c / 2) / c);
}

// The client area: reports its resizing, where the controls are placed again.
class ClientWidget : public QWidget {
public:
    explicit ClientWidget(QuillonWindow& window) : QWidget(&window), Window(window) {}

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        if (Window.Resized) {
            Window.Resized();
        }
    }

private:
    QuillonWindow& Window;
};

} // namespace

QuillonWindow::QuillonWindow() {
    setWindowTitle(QString(WindowTitle) + " - " + QDir::toNativeSeparators(QDir::currentPath()));
    setWindowIcon(QuillonIcon());

    FileMenu = menuBar()->addMenu("&File");
    ReloadAction = FileMenu->addAction("&Reload");
    ReloadAction->setShortcut(QKeySequence(Qt::Key_F5));
    RestoreAction = FileMenu->addAction("Restore &Previous Textures...");
    FileMenu->addSeparator();
    ExitAction = FileMenu->addAction("E&xit");
    QMenu* help = menuBar()->addMenu("&Help");
    AboutAction = help->addAction("&About ...");
    OpenWorkspaceAction = help->addAction("Open &Workspace Folder");
    connect(ExitAction, &QAction::triggered, this, &QWidget::close);
    connect(AboutAction, &QAction::triggered, this, [this] { ShowAboutBox(this); });
    // Alt+? and Alt+/ reach the window from whichever control has the focus.
    qApp->installEventFilter(this);

    Client = new ClientWidget(*this);
    Client->setObjectName("ClientArea");
    setCentralWidget(Client);
    resize(DefaultClientWidth, DefaultClientHeight + menuBar()->sizeHint().height());
    restoreGeometry(QSettings().value(WindowGeometryKey).toByteArray());
}

QuillonWindow::~QuillonWindow() {
    qApp->removeEventFilter(this);
}

void QuillonWindow::closeEvent(QCloseEvent* event) {
    if (MayClose && !MayClose()) {
        event->ignore();
        return;
    }
    QSettings().setValue(WindowGeometryKey, saveGeometry());
    event->accept();
    // The window is gone for good: the run's message loop ends with exit code 0. Outside a loop
    // there is nothing to end (and an exit then would end the next modal box at once).
    if (QThread::currentThread()->loopLevel() > 0) {
        QCoreApplication::exit(0);
    }
}

bool QuillonWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this &&
        IsAboutAccelerator(*static_cast<QKeyEvent*>(event))) {
        AboutAction->trigger();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

QFont ControlFont() {
    if (QFontDatabase::hasFamily("Tahoma")) {
        return QFont("Tahoma", 8);
    }
    QFont font = QApplication::font();
    font.setPointSize(8);
    return font;
}

bool IsAboutAccelerator(const QKeyEvent& event) {
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    if (!(modifiers & Qt::AltModifier) || (modifiers & Qt::ControlModifier)) {
        return false;
    }
    // Character codes, not keys: '?' may need Shift, and either way the character decides.
    const QString text = event.text();
    return text == "?" || text == "/" || event.key() == Qt::Key_Question ||
           event.key() == Qt::Key_Slash;
}

QPoint DialogUnitsToPixels(const QFont& font, int x, int y) {
    const QFontMetrics metrics(font);
    const int averageWidth =
        (metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 +
         1) /
        2;
    return QPoint(MulDiv(x, averageWidth, 4), MulDiv(y, metrics.height(), 8));
}

std::unique_ptr<QDialog> CreateAboutBox(QWidget* owner) {
    auto box = std::make_unique<QDialog>(owner, Qt::Dialog | Qt::CustomizeWindowHint |
                                                    Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                                    Qt::WindowCloseButtonHint);
    const QFont font = QApplication::font(); // the system's dialog font
    box->setFont(font);
    box->setWindowTitle(QString("About ") + WindowTitle);
    auto place = [&font](QWidget* widget, int x, int y, int width, int height) {
        const QPoint at = DialogUnitsToPixels(font, x, y);
        const QPoint size = DialogUnitsToPixels(font, width, height);
        widget->setGeometry(at.x(), at.y(), size.x(), size.y());
    };
    const QPoint boxSize = DialogUnitsToPixels(font, 190, 62);
    box->setFixedSize(boxSize.x(), boxSize.y());

    auto* icon = new QLabel(box.get());
    icon->setObjectName("AboutIcon");
    icon->setPixmap(QuillonIcon().pixmap(32, 32));
    const QPoint iconAt = DialogUnitsToPixels(font, 14, 14);
    icon->setGeometry(iconAt.x(), iconAt.y(), 32, 32); // an icon control takes the icon's size

    auto* name = new QLabel(QString(WindowTitle) + " " + QuillonVersion, box.get());
    name->setObjectName("AboutName");
    name->setTextFormat(Qt::PlainText);
    place(name, 42, 14, 134, 8);
    auto* purpose = new QLabel("Texture blending for Skyrim", box.get());
    purpose->setObjectName("AboutPurpose");
    purpose->setTextFormat(Qt::PlainText);
    place(purpose, 42, 26, 134, 8);

    auto* ok = new QPushButton("OK", box.get());
    ok->setObjectName("AboutOk");
    ok->setDefault(true);
    place(ok, 113, 41, 50, 14);
    QObject::connect(ok, &QPushButton::clicked, box.get(), &QDialog::accept); // Escape rejects
    return box;
}

void ShowAboutBox(QWidget* owner) {
    const std::unique_ptr<QDialog> box = CreateAboutBox(owner);
    box->exec();
}

QIcon QuillonIcon() {
    QIcon icon;
    for (const int edge : {16, 24, 32, 48, 64}) {
        QPixmap pixmap(edge, edge);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(edge / 32.0, edge / 32.0);

        // A texture tile: a rounded square of four warm checker squares.
        QPainterPath tile;
        tile.addRoundedRect(QRectF(2, 2, 28, 28), 5, 5);
        painter.setClipPath(tile);
        const QColor light(0xd9, 0xac, 0x6f);
        const QColor dark(0xa8, 0x74, 0x42);
        painter.fillRect(QRectF(2, 2, 14, 14), light);
        painter.fillRect(QRectF(16, 2, 14, 14), dark);
        painter.fillRect(QRectF(2, 16, 14, 14), dark);
        painter.fillRect(QRectF(16, 16, 14, 14), light);
        painter.setClipping(false);
        painter.setPen(QPen(QColor(0x3b, 0x2a, 0x1a), 1.2));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(tile);

        // A quill across it, from the nib at the lower left to the vane's tip at the upper right.
        QPainterPath vane;
        vane.moveTo(9, 24);
        vane.cubicTo(10, 14, 18, 6, 29, 3);
        vane.cubicTo(26, 13, 19, 21, 9, 24);
        painter.setPen(QPen(QColor(0x2b, 0x2b, 0x2b), 1.0));
        painter.setBrush(QColor(0xf6, 0xf3, 0xec));
        painter.drawPath(vane);
        painter.setPen(QPen(QColor(0x2b, 0x2b, 0x2b), 1.4, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(4.5, 28.5), QPointF(22, 10));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace quillon
