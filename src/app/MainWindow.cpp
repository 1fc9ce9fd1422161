#include "app/MainWindow.h"

#include "app/Application.h"
#include "app/PreviewWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>

namespace quillon {

namespace {

constexpr const char* WindowTitle = "Velloran's Quillon";

// Win32's MulDiv for the non-negative values used here: a * b / c, rounded.
int MulDiv(int a, int b, int c) {
    return static_cast<int>((static_cast<long long>(a) * b + c / 2) / c);
}

} // namespace

QuillonWindow::QuillonWindow(Application& application) : App(application) {
    setWindowTitle(WindowTitle);
    setWindowIcon(QuillonIcon());

    QMenu* file = menuBar()->addMenu("&File");
    connect(file->addAction("E&xit"), &QAction::triggered, this,
            [this] { SendCommand(0, IDM_EXIT); });
    QMenu* help = menuBar()->addMenu("&Help");
    connect(help->addAction("&About ..."), &QAction::triggered, this,
            [this] { SendCommand(0, IDM_ABOUT); });

    Client = new QWidget(this);
    Client->setObjectName("ClientArea");
    setCentralWidget(Client);
    resize(MainWindowClientWidth, MainWindowClientHeight + menuBar()->sizeHint().height());
}

void QuillonWindow::SendCommand(int code, int id) {
    App.OnCommand(code, id);
    if (id == IDM_ABOUT) {
        ShowAboutBox(this);
    } else if (id == IDM_EXIT) {
        close();
    }
}

void QuillonWindow::SendNotify(const NotificationHeader* header) {
    App.OnNotify(header);
}

void QuillonWindow::keyPressEvent(QKeyEvent* event) {
    // Like an accelerator table applied with the keystroke's own target: only a keystroke that
    // the window itself receives counts, not one a focused control passed on.
    const QWidget* focus = QApplication::focusWidget();
    if (IsAboutAccelerator(*event) && (focus == nullptr || focus == this)) {
        event->accept();
        SendCommand(ACCELERATOR_COMMAND, IDM_ABOUT);
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void QuillonWindow::closeEvent(QCloseEvent* event) {
    // The window is gone for good: the run ends with exit code 0.
    event->accept();
    QCoreApplication::exit(0);
}

bool QuillonWindow::event(QEvent* event) {
    if (event->type() == PreviewClosedEventType()) {
        App.ReleaseClosedPreviews();
        return true;
    }
    return QMainWindow::event(event);
}

std::unique_ptr<QuillonWindow> OpenMainWindow(Application& application) {
    auto window = std::make_unique<QuillonWindow>(application);
    application.MainWindow = window.get();
    application.Font = ControlFont();
    application.CreateControls();
    application.ConnectSession();
    window->show();
    // Previews lay transparency over the window's own background unless black is configured.
    application.Session.DefaultMatte = window->palette().color(QPalette::Window).rgb() & 0xFFFFFF;
    application.Session.StartEngine();
    application.Session.ShowBlankPreviews(AllPreviews);
    application.FillSetSelector();
    return window;
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

    auto* name = new QLabel("Velloran's Quillon 0.1", box.get());
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
