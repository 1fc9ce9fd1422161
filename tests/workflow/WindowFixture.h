// The window as a user meets it, for widget tests: a workspace folder made by the test (as the
// current directory, with no game registry), the application and its main window opened the
// way the program opens them, and message boxes answered by a recorder.
#pragma once

#include "app/Application.h"
#include "app/MainWindow.h"
#include "platform/MessageBox.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <IL/il.h>

#include <QImage>

#include <memory>
#include <string>
#include <vector>

struct ChannelDefinition {
    std::string Name;
    std::string FileName;
    std::string FileFormat = "dds";
    int Size = 0;
    int CompressTex = 1;
    int HasAlpha = 0;
};

struct SubSetDefinition {
    std::string Name;
    std::vector<ChannelDefinition> Channels;
};

// One top-level TextureSet element.
std::string TextureSetXml(const std::string& name, const std::string& path,
                          const std::vector<SubSetDefinition>& subSets);

class WindowTest : public ::testing::Test {
protected:
    TempFolder Root;
    CurrentDirectoryGuard Cwd{Root.Path()};
    EnvironmentGuard Home{"HOME", Root.Path().c_str()};
    EnvironmentGuard Wine{"WINEPREFIX", nullptr};
    std::vector<MessageBoxRequest> Boxes;
    int Answer = msgbox::IDYES; // what a Yes/No box answers
    std::unique_ptr<Application> App;
    std::unique_ptr<QuillonWindow> Window;

    void SetUp() override;
    void TearDown() override;

    // Writes a file below the workspace ("/"-separated relative path).
    void Write(const std::string& relative, const std::string& content = "x");
    // Writes an image: DDS (uncompressed RGBA) for ".dds", else by Qt's writer for the
    // extension.
    void WriteImage(const std::string& relative, const QImage& image);
    // Writes "Config.xml" with these children of its root (none: no file at all).
    void Configure(const std::string& children);
    // Opens the application and its window in the workspace.
    void Open();
    // Closes the application first, then the window, as the program does.
    void Close();
};

// An RGBA8 image put straight into a slot of the engine, `pixel` 0xAABBGGRR in memory order
// R, G, B, A. Rows are stored top-down.
ILuint PutImage(BlendEngine& engine, const std::string& key, int width, int height,
                std::uint32_t pixel);
