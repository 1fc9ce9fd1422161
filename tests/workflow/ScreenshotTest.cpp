// A picture of the main window as a user sees it after choosing a set and a type, ticking
// "Use Currently installed textures", picking a modification and pressing "Preview": written
// to the build folder as screenshot.png for the README.
#include "workflow/WindowFixture.h"

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadialGradient>
#include <QTest>
#include <QTreeWidget>

namespace {

// A face-coloured texture: warm skin, darker towards the edges.
QImage Skin(int edge, QColor tone) {
    QImage image(edge, edge, QImage::Format_RGBA8888);
    QPainter painter(&image);
    QRadialGradient gradient(edge / 2.0, edge / 2.0, edge * 0.75);
    gradient.setColorAt(0, tone.lighter(115));
    gradient.setColorAt(1, tone.darker(140));
    painter.fillRect(image.rect(), gradient);
    return image;
}

// A modification: freckles on a transparent ground.
QImage Freckles(int edge) {
    QImage image(edge, edge, QImage::Format_RGBA8888);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    unsigned seed = 7;
    for (int i = 0; i < 160; ++i) {
        seed = seed * 1103515245u + 12345u;
        const double x = edge * 0.2 + (seed >> 8) % (edge * 6 / 10);
        seed = seed * 1103515245u + 12345u;
        const double y = edge * 0.3 + (seed >> 8) % (edge * 4 / 10);
        painter.setBrush(QColor(110, 55, 25, 150 + static_cast<int>(seed % 90)));
        painter.drawEllipse(QPointF(x, y), 1.5 + seed % 3, 1.5 + seed % 3);
    }
    return image;
}

void Choose(QComboBox* selector, const QString& text) {
    const int index = selector->findText(text);
    ASSERT_GE(index, 0);
    selector->setCurrentIndex(index);
    emit selector->activated(index);
}

} // namespace

TEST_F(WindowTest, ScreenshotOfTheWindowWithASetAndTypeChosen) {
    Write("SetDefs/Head.xml", TextureSetXml("Head", "textures\\actors\\character",
                                            {{"Female", {{"Color", "femalehead", "dds", 256}}},
                                             {"Male", {{"Color", "malehead", "dds", 256}}}}) +
                                  TextureSetXml("Body", "textures\\actors\\character", {}));
    WriteImage("Game/Data/textures/actors/character/Female/femalehead.dds",
               Skin(256, QColor(214, 168, 140)));
    WriteImage("Game/Data/textures/actors/character/Male/malehead.dds",
               Skin(256, QColor(196, 150, 120)));
    WriteImage("Library/Head/Color/Freckles.png", Freckles(256));
    WriteImage("Library/Head/Color/Scars/Brow.png", Freckles(64));
    WriteImage("Library/Head/Color/Scars/Left cheek.png", Freckles(64));
    WriteImage("Source/Head/Color/Pale.dds", Skin(64, QColor(236, 214, 200)));
    Configure("<GameDataPath>Game\\Data\\</GameDataPath><TexOutputPath>Out\\</TexOutputPath>"
              "<DefUseInstalledSource>1</DefUseInstalledSource>");
    Open();

    Choose(App->SetSelector, "Head");
    Choose(App->TypeSelector, "Color");
    App->LibraryTree->setCurrentItem(
        App->LibraryTree->findItems("Freckles.png", Qt::MatchExactly | Qt::MatchRecursive).front());
    QTest::mouseClick(App->PreviewButton, Qt::LeftButton);
    ASSERT_EQ(App->StatusLine->text(), "  Ready ");

    const QImage shot = Window->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), Window->size());
    const std::string file = std::string(QUILLON_SCREENSHOT_DIR) + "/screenshot.png";
    EXPECT_TRUE(shot.save(QString::fromStdString(file), "PNG"));
    EXPECT_FALSE(QImage(QString::fromStdString(file)).isNull());
}
