// Dialogs without a display: the responders answer, and the default one cancels.
#include "korvane/gui/pvm/dialogs.h"

#include "korvane/gui/pvm/plugin_view.h"

#include <gtest/gtest.h>

#include <string>

namespace kvKorvaneV10_0_3::PluginViewManager {
namespace {

class DialogsWithoutDisplay : public ::testing::Test {
protected:
    void SetUp() override {
        // Each test runs in its own process under CTest; run alone, this file's tests come
        // before any view connects.
        ASSERT_FALSE(IsDisplayConnected());
    }
    void TearDown() override {
        SetMessageBoxResponder({});
        SetTextBoxResponder({});
        SetTextDialogResponder({});
    }
};

TEST_F(DialogsWithoutDisplay, AMessageBoxIsCancelledUnlessAResponderAnswers) {
    KCMessageBoxCreateOptions options;
    options.title = "Delete";
    options.message = "Delete the preset?";
    options.buttons = eMBYesNoCancel;
    EXPECT_EQ(DisplayMessageBox(options), eMBCancelled);

    std::string asked;
    SetMessageBoxResponder([&](const KCMessageBoxCreateOptions& o) {
        asked = o.message;
        return o.buttons == eMBYesNoCancel ? eMBNo : eMBOkAnswer;
    });
    EXPECT_EQ(DisplayMessageBox(options), eMBNo);
    EXPECT_EQ(asked, "Delete the preset?");

    SetMessageBoxResponder({});
    EXPECT_EQ(DisplayMessageBox(options), eMBCancelled);
}

TEST_F(DialogsWithoutDisplay, TextBoxesAndTextDialogsKeepTheTextWhenCancelled) {
    KCTextBoxOptions box;
    box.text = "1.5";
    std::string text = "kept";
    EXPECT_EQ(ActivateTextBox(box, text), eUserCanceled);
    EXPECT_EQ(text, "kept");

    SetTextBoxResponder([](const KCTextBoxOptions& o, std::string& answer) {
        EXPECT_EQ(answer, o.text) << "the responder starts from the box's text";
        answer = "-3";
        return true;
    });
    EXPECT_EQ(ActivateTextBox(box, text), eNoErr);
    EXPECT_EQ(text, "-3");
    SetTextBoxResponder([](const KCTextBoxOptions&, std::string& answer) {
        answer = "lost";
        return false;
    });
    EXPECT_EQ(ActivateTextBox(box, text), eUserCanceled);
    EXPECT_EQ(text, "-3");

    KCGetUserTextCreateOpts dialog;
    dialog.text = "Old";
    EXPECT_EQ(ActivateWindowDialog(dialog), eUserCanceled);
    EXPECT_EQ(dialog.text, "Old");
    SetTextDialogResponder([](KCGetUserTextCreateOpts& o) {
        o.text += " new";
        return true;
    });
    EXPECT_EQ(ActivateWindowDialog(dialog), eNoErr);
    EXPECT_EQ(dialog.text, "Old new");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::PluginViewManager
