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

TEST(MessageBox, ARunnerDecidesWhereTheHandlerShowsTheBoxAndMayAnswerUnseen) {
    std::string shown;
    SetMessageBoxHandler([&shown](const MessageBoxRequest& request) {
        shown += request.Caption + "\n";
        return msgbox::IDYES;
    });
    // The runner shows boxes whose caption starts with "Show" and dismisses the rest unseen.
    std::string ran;
    SetMessageBoxRunner([&ran](const MessageBoxRequest& request, const MessageBoxHandler& show) {
        ran += request.Caption + "\n";
        return request.Caption.starts_with("Show") ? show(request) : DismissedAnswer(request);
    });
    EXPECT_EQ(ShowMessageBox({"?", "Show", msgbox::MB_YESNO, true}), msgbox::IDYES);
    EXPECT_EQ(ShowMessageBox({"?", "Hidden question", msgbox::MB_YESNO, true}), msgbox::IDNO);
    EXPECT_EQ(ShowMessageBox({"!", "Hidden note", msgbox::MB_OK, true}), msgbox::IDOK);
    EXPECT_EQ(ran, "Show\nHidden question\nHidden note\n");
    EXPECT_EQ(shown, "Show\n");
    SetMessageBoxRunner({});
    EXPECT_EQ(ShowMessageBox({"?", "Direct", msgbox::MB_YESNO, true}), msgbox::IDYES);
    EXPECT_EQ(shown, "Show\nDirect\n");
    SetMessageBoxHandler({});
}
