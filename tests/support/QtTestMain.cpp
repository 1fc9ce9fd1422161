// Main of the widget tests: one Qt application object for the whole run, on the offscreen
// platform unless another is asked for, so no display is needed.
#include <QApplication>
#include <QString>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// The offscreen platform notes every window request it cannot carry out; the rest is printed.
void QuietenOffscreenNotes(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
    if (message.startsWith("This plugin does not support")) {
        return;
    }
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qInstallMessageHandler(QuietenOffscreenNotes);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
