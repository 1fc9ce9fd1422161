#include "workflow/WindowFixture.h"

#include <QApplication>
#include <QTest>

#include "imaging/DdsWriter.h"

#include <filesystem>
#include <fstream>

std::string TextureSetXml(const std::string& name, const std::string& path,
                          const std::vector<SubSetDefinition>& subSets) {
    std::string xml = "<TextureSet Name=\"" + name + "\"><Path>" + path + "</Path>";
    for (const SubSetDefinition& subSet : subSets) {
        xml += "<SubSet Name=\"" + subSet.Name + "\">";
        for (const ChannelDefinition& channel : subSet.Channels) {
            xml += "<Channel Name=\"" + channel.Name + "\"><FileName>" + channel.FileName +
                   "</FileName><FileFormat>" + channel.FileFormat + "</FileFormat><Size>" +
                   std::to_string(channel.Size) + "</Size><CompressTex>" +
                   std::to_string(channel.CompressTex) + "</CompressTex><HasAlpha>" +
                   std::to_string(channel.HasAlpha) + "</HasAlpha></Channel>";
        }
        xml += "</SubSet>";
    }
    return xml + "</TextureSet>";
}

void WindowTest::SetUp() {
    SetMessageBoxHandler([this](const MessageBoxRequest& request) {
        Boxes.push_back(request);
        return (request.Style & msgbox::MB_TYPEMASK) == msgbox::MB_YESNO ? Answer : msgbox::IDOK;
    });
}

void WindowTest::TearDown() {
    Close();
    SetMessageBoxHandler({});
}

void WindowTest::Write(const std::string& relative, const std::string& content) {
    WriteTextFile(Root / relative, content);
}

void WindowTest::WriteImage(const std::string& relative, const QImage& image) {
    const std::filesystem::path path = Root.Path() / relative;
    std::filesystem::create_directories(path.parent_path());
    if (path.extension() != ".dds") {
        ASSERT_TRUE(image.save(QString::fromStdString(path.string())));
        return;
    }
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < rgba.height(); ++y) {
        const auto* row = rgba.constScanLine(y);
        pixels.insert(pixels.end(), row, row + rgba.width() * 4);
    }
    const std::vector<std::uint8_t> dds =
        EncodeDds(pixels.data(), rgba.width(), rgba.height(), DdsOutput::RGBA);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(dds.data()), static_cast<std::streamsize>(dds.size()));
}

void WindowTest::Configure(const std::string& children) {
    Write("Config.xml", "<QuillonConfig>" + children + "</QuillonConfig>");
}

void WindowTest::Open() {
    App = std::make_unique<Application>();
    Window = OpenMainWindow(*App);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(Window.get())); // so that repaints paint at once
    QApplication::setActiveWindow(Window.get());
}

void WindowTest::Close() {
    App.reset();
    Window.reset();
}

ILuint PutImage(BlendEngine& engine, const std::string& key, int width, int height,
                std::uint32_t pixel) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height, pixel);
    ILuint name = 0;
    ilGenImages(1, &name);
    ilBindImage(name);
    ilTexImage(width, height, 1, 4, IL_RGBA, IL_UNSIGNED_BYTE, pixels.data());
    ilRegisterOrigin(IL_ORIGIN_UPPER_LEFT);
    if (const auto old = engine.Images.find(key); old != engine.Images.end()) {
        ilDeleteImage(old->second);
    }
    engine.Images[key] = name;
    return name;
}
