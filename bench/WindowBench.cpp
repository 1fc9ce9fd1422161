// The window's figures, printed; nothing is asserted. A workspace made here: one set whose type
// "Color" has five destinations, each with an installed 2048 x 2048 texture, written as DXT1 2048
// with mip chains, and a 2048 x 2048 modification. With "Use Currently installed textures", a
// click on "Blend Images" blends and saves all five; the confirmation is answered Yes at once.
//
// For each run it prints the time from the click to the window's first repaint after it, the
// longest the GUI thread went without taking events meanwhile (a timer ticks every 5 ms), and the
// time to the end of the work; and, for comparison, how long the same blend holds the GUI thread
// when it runs there, as the window did before its work moved off that thread.
//
//   quillon_window_bench [runs]      (default 3; the offscreen platform unless QT_QPA_PLATFORM
//                                     names another)
#include "app/Application.h"
#include "app/MainWindow.h"
#include "platform/MessageBox.h"
#include "samples/SampleDocuments.h"
#include "samples/SampleImages.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

using namespace quillon;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int Edge = 2048;
constexpr int Destinations = 5;

double Milliseconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

bool MakeWorkspace(const fs::path& root) {
    std::vector<std::pair<std::string, std::string>> subSets;
    for (int i = 0; i < Destinations; ++i) {
        const std::string name = "variant" + std::to_string(i + 1);
        subSets.emplace_back(name, ChannelXml("Color", "skin", Edge));
        const RgbaImage installed =
            MakeSeamedTexture(SampleKind::Skin, Edge, Edge, Edge * 4 / 5, 11 + i);
        const fs::path file = root / "Game/Data/textures/bench" / name / "skin.dds";
        fs::create_directories(file.parent_path());
        if (!WriteDdsTexture(file.string(), installed, "RGBA")) {
            return false;
        }
    }
    WriteText(root / "SetDefs/Bench.xml", SetXml("Bench", "textures\\bench", subSets));
    WriteText(root / "Config.xml",
              ConfigXml("<GameDataPath>Game\\Data\\</GameDataPath><TexOutputPath>Out\\"
                        "</TexOutputPath><DefUseInstalledSource>1</DefUseInstalledSource>"));
    const fs::path mod = root / "Library/Bench/Color/seam.psd";
    fs::create_directories(mod.parent_path());
    return WritePsd(mod.string(), MakeSeamMod(SampleKind::Skin, Edge, Edge, Edge * 4 / 5, 48));
}

// Notes the first paint of any widget of the window after it is armed.
struct FirstPaint : QObject {
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (Armed && event->type() == QEvent::Paint && watched->isWidgetType()) {
            At = Clock::now();
            Armed = false;
        }
        return false;
    }
    bool Armed = false;
    Clock::time_point At;
};

// The longest gap between the ticks of a fast timer: how long the GUI thread took no events.
struct Stalls {
    Stalls() {
        Ticks.setInterval(5);
        QObject::connect(&Ticks, &QTimer::timeout, [this] {
            const Clock::time_point now = Clock::now();
            Longest = std::max(Longest, Milliseconds(Last, now));
            Last = now;
        });
    }
    void Start() {
        Longest = 0;
        Last = Clock::now();
        Ticks.start();
    }
    QTimer Ticks;
    Clock::time_point Last;
    double Longest = 0;
};

void RunUntil(const std::function<bool()>& done) {
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    QApplication qt(argc, argv);
    QCoreApplication::setOrganizationName("QuillonBench");
    const fs::path root = fs::temp_directory_path() / "quillon-window-bench";
    fs::remove_all(root);
    std::printf("making the workspace (%d destinations at %d x %d) in %s\n", Destinations, Edge,
                Edge, root.string().c_str());
    if (!MakeWorkspace(root)) {
        std::fprintf(stderr, "could not make the workspace\n");
        return 1;
    }
    fs::current_path(root);
    SetMessageBoxHandler([](const MessageBoxRequest&) { return msgbox::IDYES; });

    auto application = std::make_unique<Application>();
    std::unique_ptr<QuillonWindow> window = OpenMainWindow(*application);
    FirstPaint paint;
    qt.installEventFilter(&paint);
    application->SetSelector->setCurrentIndex(1);
    emit application->SetSelector->activated(1);
    application->TypeSelector->setCurrentIndex(1);
    emit application->TypeSelector->activated(1);
    application->LibraryTree->setCurrentItem(
        application->LibraryTree->findItems("seam.psd", Qt::MatchExactly | Qt::MatchRecursive)
            .value(0));
    QCoreApplication::processEvents();

    std::vector<double> toRepaint, stalled, toEnd, blocked;
    Stalls stalls;
    for (int run = 0; run < runs; ++run) {
        // Off the GUI thread, as the window works now.
        paint.Armed = true;
        stalls.Start();
        const Clock::time_point click = Clock::now();
        application->BlendButton->click();
        RunUntil([&] { return !paint.Armed; });
        toRepaint.push_back(Milliseconds(click, paint.At));
        RunUntil([&] { return !application->Working(); });
        toEnd.push_back(Milliseconds(click, Clock::now()));
        stalls.Ticks.stop();
        stalled.push_back(stalls.Longest);
        fs::remove_all(root / "Out");

        // The same blend on the GUI thread: no event is taken until it is done.
        application->Session.SourceReload = application->Session.ModReload = true;
        const Clock::time_point start = Clock::now();
        application->Session.BlendImages(application->CurrentChoice(), false);
        blocked.push_back(Milliseconds(start, Clock::now()));
        QCoreApplication::processEvents();
        fs::remove_all(root / "Out");
        std::printf("run %d: first repaint %.1f ms, longest stall %.0f ms, done %.0f ms; on the "
                    "GUI thread: held %.0f ms\n",
                    run + 1, toRepaint.back(), stalled.back(), toEnd.back(), blocked.back());
    }
    std::printf("median of %d: click to first repaint %.1f ms, longest stall %.0f ms, work done "
                "after %.0f ms; on the GUI thread it held the window %.0f ms\n",
                runs, Median(toRepaint), Median(stalled), Median(toEnd), Median(blocked));
    application.reset();
    window.reset();
    SetMessageBoxHandler({});
    fs::current_path(root.parent_path());
    fs::remove_all(root);
    return 0;
}
