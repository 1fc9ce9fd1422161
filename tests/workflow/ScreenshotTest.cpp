// A picture of the main window with a set and a type chosen, for the README: written to the
// build folder as screenshot.png.
#include "workflow/WindowFixture.h"

#include <QComboBox>
#include <QImage>
#include <QPixmap>
#include <QTreeWidget>

TEST_F(WindowTest, ScreenshotOfTheWindowWithASetAndTypeChosen) {
    Write("SetDefs/Head.xml",
          TextureSetXml("Head", "textures\\actors\\character\\female",
                        {{"Female", {{"Color", "femalehead"}, {"Normal", "femalehead_msn"}}},
                         {"Male", {{"Color", "malehead"}, {"Normal", "malehead_msn"}}}}) +
              TextureSetXml("Body", "textures\\actors\\character\\body", {}));
    Write("Library/Head/Color/Freckles.psd");
    Write("Library/Head/Color/Scars/Left cheek.psd");
    Write("Library/Head/Color/Scars/Brow.psd");
    Write("Source/Head/Color/Pale.dds");
    Open();

    App->SetSelector->setCurrentIndex(1);
    App->SetName = "Head";
    App->FillTypeSelector(App->SetName);
    App->TypeSelector->setEnabled(true);
    App->TypeSelector->setCurrentIndex(1);
    App->TypeName = "Color";
    App->FillDestinationList(App->SetName, App->TypeName);
    App->DestinationList->setEnabled(true);
    App->FillSourceTree(App->SetName, App->TypeName);
    App->SourceTree->setEnabled(true);
    App->FillLibraryTree(App->SetName, App->TypeName);

    const QImage shot = Window->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), Window->size());
    const std::string file = std::string(QUILLON_SCREENSHOT_DIR) + "/screenshot.png";
    EXPECT_TRUE(shot.save(QString::fromStdString(file), "PNG"));
    EXPECT_FALSE(QImage(QString::fromStdString(file)).isNull());
}
