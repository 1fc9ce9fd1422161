// The window as a user meets it, for widget tests: a workspace made by the test (as the current
// directory, with no game registry, with settings of its own), the application and its main
// window opened the way the program opens them, message boxes answered by a recorder on the GUI
// thread, and the status line recorded. A user's action returns once the work it started is done.
#pragma once

#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/PictureControl.h"
#include "platform/MessageBox.h"
#include "samples/SampleImages.h"
#include "workflow/TestWorkspace.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QThread>
#include <QTreeWidget>

#include <cstring>
#include <functional>

namespace quillon {

using Names = std::vector<std::string>;

// A message box as a line, "caption [style] text"; Box() ends the line.
inline std::string Shown(const std::string& caption, unsigned style, const std::string& text) {
    return caption + " [" + std::to_string(style) + "] " + text;
}
inline std::string Box(const std::string& caption, unsigned style, const std::string& text) {
    return Shown(caption, style, text) + "\n";
}
constexpr unsigned Info = msgbox::MB_OK | msgbox::MB_ICONINFORMATION;
// The confirmations of a multiple save, up to the list of files the program adds.
inline const std::string AskInstalled =
    Shown("Overwrite Multiple Files?", msgbox::MB_YESNO | msgbox::MB_ICONINFORMATION,
          "You have selected multiple destination files. This will modify all selected "
          "destination files with chosen library modification file.\r\n\r\nAre you sure?");
inline const std::string AskOneSource =
    Shown("Overwrite Multiple Files?", msgbox::MB_YESNO | msgbox::MB_ICONEXCLAMATION,
          "You have chosen a library source file and multiple destination files. This will "
          "overwrite ALL selected destination files with the SAME generated output file."
          "\r\n\r\nAre you sure?");

// Colours as WriteTexture takes them: 0xAABBGGRR, so that the bytes are R, G, B, A.
constexpr std::uint32_t Red = 0xFF0000FF, Green = 0xFF00FF00, Blue = 0xFFFF0000, White = 0xFFFFFFFF,
                        Yellow = 0xFF00FFFF, Cyan = 0xFFFFFF00;

// Adds every text a status line shows to `Texts`, a line each: the line is painted at once each
// time it changes (and again whenever the window repaints, which adds nothing new).
struct StatusRecorder : QObject {
    StatusRecorder(QLabel* status, std::string& texts) : QObject(status), Texts(texts) {
        status->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        const std::string text = static_cast<QLabel*>(watched)->text().toStdString();
        if (event->type() == QEvent::Paint && text != Last) {
            Texts += text + "\n";
            Last = text;
        }
        return false;
    }
    std::string& Texts;
    std::string Last = "  Ready";
};

class WindowTest : public ::testing::Test {
protected:
    TempFolder Root;
    CurrentDirectoryGuard Cwd{Root.Path()};
    EnvironmentGuard Home{"HOME", Root.Path().c_str()};
    EnvironmentGuard Wine{"WINEPREFIX", nullptr};
    std::string Boxes;          // the boxes shown, as Box() writes them
    int Answer = msgbox::IDYES; // what a Yes/No box answers
    // Runs as a box is shown, before it is answered (the user doing something meanwhile).
    std::function<void(const MessageBoxRequest&)> WhileShown = [](const MessageBoxRequest&) {};
    std::string Status; // the status texts shown
    std::unique_ptr<Application> App;
    std::unique_ptr<QuillonWindow> Window;

    // The sets "Head" and "Body". Head's type "Color" has the destinations A (DXT1, 16),
    // B (DXT5, 32) and C (RGB, 8), each with an installed texture of its own colour; the library
    // holds a modification, opaque red on its left half and transparent on its right, and a
    // folder; the source folder one file.
    void SetUp() override {
        // The window's size and place are kept in the test's own folder.
        QCoreApplication::setOrganizationName("QuillonTests");
        QCoreApplication::setApplicationName("WindowTest");
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(Root / "settings"));
        SetMessageBoxHandler([this](const MessageBoxRequest& request) {
            Boxes += Box(request.Caption, request.Style, request.Text);
            EXPECT_TRUE(request.Owned) << request.Text;
            EXPECT_EQ(QThread::currentThread(), qApp->thread()) << "boxes on the GUI thread";
            WhileShown(request);
            return (request.Style & msgbox::MB_TYPEMASK) == msgbox::MB_YESNO ? Answer
                                                                             : msgbox::IDOK;
        });
        WriteTextFile(Root / "SetDefs/Head.xml",
                      SetXml("Head", "textures\\head",
                             {{"A", ChannelXml("Color", "head_d", 16)},
                              {"B", ChannelXml("Color", "head_d", 32, true, true)},
                              {"C", ChannelXml("Color", "head_d", 8, false)}}) +
                          SetXml("Body", "b", {{"A", ChannelXml("Diffuse", "b")}}));
        WriteTexture("Game/Data/textures/head/A/head_d.dds", 64, Blue, Blue);
        WriteTexture("Game/Data/textures/head/B/head_d.dds", 64, Green, Green);
        WriteTexture("Game/Data/textures/head/C/head_d.dds", 64, White, White);
        WriteTexture("Library/Head/Color/mod.psd", 64, Red, 0);
        WriteTexture("Library/Head/Color/Folder/x.dds", 4, Red, Red);
        WriteTexture("Source/Head/Color/pale.dds", 64, Yellow, Yellow);
    }
    void TearDown() override {
        Close();
        SetMessageBoxHandler({});
    }

    // An image of `left` in its left half and `right` in its right (0xAABBGGRR).
    static RgbaImage Halves(int width, int height, std::uint32_t left, std::uint32_t right) {
        RgbaImage image(width, height);
        for (int i = 0; i < width * height; ++i) {
            std::memcpy(&image.Pixels[i * 4], i % width < width / 2 ? &left : &right, 4);
        }
        return image;
    }
    // A square texture of two halves: uncompressed DDS for ".dds", else Photoshop.
    void WriteTexture(const std::string& relative, int edge, std::uint32_t left,
                      std::uint32_t right) {
        const RgbaImage image = Halves(edge, edge, left, right);
        std::filesystem::create_directories((Root.Path() / relative).parent_path());
        ASSERT_TRUE(relative.ends_with(".dds") ? WriteDdsTexture(Root / relative, image, "RGBA")
                                               : WritePsd(Root / relative, image));
    }
    // Opens the application and its window; `option` is the DefUseInstalledSource word.
    void Open(const std::string& option = "") {
        WriteTextFile(Root / "Config.xml",
                      "<QuillonConfig><GameDataPath>Game\\Data\\</GameDataPath><TexOutputPath>"
                      "Out\\</TexOutputPath><DefUseInstalledSource>" +
                          option + "</DefUseInstalledSource></QuillonConfig>");
        App = std::make_unique<Application>();
        Window = OpenMainWindow(*App);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(Window.get())); // so that repaints paint at once
        QApplication::setActiveWindow(Window.get());
        new StatusRecorder(App->StatusLine, Status);
    }
    // The application first, then the window, as the program closes them.
    void Close() {
        App.reset();
        Window.reset();
    }

    // Lets the work the last action started finish, with the window responding meanwhile.
    void Settle() {
        // The limit is a safety net against a hang, not a time check.
        ASSERT_TRUE(QTest::qWaitFor([this] { return !App->Working(); }, 60000))
            << "the work never ended";
        QCoreApplication::processEvents();
    }
    // Work started by something that starts it a moment later (a mnemonic animates its button's
    // click), then its end.
    void Started() {
        EXPECT_TRUE(QTest::qWaitFor([this] { return App->Working(); }, 10000)) << "nothing started";
        Settle();
    }
    // A click, then the work it started.
    void Click(QWidget* widget, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mouseClick(widget, Qt::LeftButton, modifiers);
        Settle();
    }

    // The user's choices: an entry of a selector, an item of a tree.
    static void Choose(QComboBox* selector, const QString& text) {
        selector->setCurrentIndex(selector->findText(text));
        emit selector->activated(selector->currentIndex());
    }
    static void Select(QTreeWidget* tree, const QString& text) {
        tree->setCurrentItem(tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive).value(0));
    }
    // Head and Color, the library's modification and the source folder's file.
    void ChooseHeadColor() {
        Choose(App->SetSelector, "Head");
        Choose(App->TypeSelector, "Color");
        Select(App->LibraryTree, "mod.psd");
        Select(App->SourceTree, "pale.dds");
    }
    // Ticks the destinations named by their letters and clears the rest.
    void Tick(const std::string& letters) {
        for (int row = 0; row < 3; ++row) {
            const bool ticked = letters.find(char('A' + row)) != std::string::npos;
            App->DestinationList->topLevelItem(row)->setCheckState(0, ticked ? Qt::Checked
                                                                             : Qt::Unchecked);
        }
    }
    // A double click on a tree's selected entry, as the user opens it, and the load it starts.
    void DoubleClick(QTreeWidget* tree) {
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {},
                           tree->visualItemRect(tree->currentItem()).center());
        Settle();
    }
    bool Blank(const PictureControl* picture) const {
        return picture->Image() == App->Session.Bitmaps.at("Blank");
    }
};

// The window already open on the workspace.
class OpenWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        Open();
    }
};

} // namespace quillon
