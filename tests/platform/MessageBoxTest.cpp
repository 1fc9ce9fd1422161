#include "platform/MessageBox.h"

#include <gtest/gtest.h>

using namespace quillon;

TEST(MessageBox, WithoutAHandlerWritesOneLineAndAnswersAsIfDismissed) {
    SetMessageBoxHandler({});
    testing::internal::CaptureStderr();
    EXPECT_EQ(ShowMessageBox({"Failed to open Normal Mod Image", "Error", msgbox::MB_OK, false}),
              msgbox::IDOK);
    EXPECT_EQ(ShowMessageBox({"Several files.\r\n\r\nAre you sure?", "Overwrite Multiple Files?",
                              msgbox::MB_YESNO | msgbox::MB_ICONEXCLAMATION, true}),
              msgbox::IDNO);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: Failed to open Normal Mod Image\n"
              "Overwrite Multiple Files?: Several files. Are you sure?\n");
}
