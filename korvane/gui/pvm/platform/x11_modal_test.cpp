// Popup menus, edit boxes and message boxes on a real X server (Xvfb, started by the tests),
// answered with real input (XTEST) sent while their windows hold the pointer and keyboard.
#include "korvane/gui/pvm/dialogs.h"
#include "korvane/gui/pvm/image_source.h"
#include "korvane/gui/pvm/menu.h"
#include "korvane/gui/pvm/platform/xvfb_test_support.h"
#include "korvane/gui/pvm/plugin_view.h"
#include "korvane/gui/pvm/pvm_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::PluginViewManager {
namespace {

using testing::RunUntil;
using testing::XTestClient;

// Calls the test's action on each mouse-down, as a control opening a menu or a box would.
struct ClickAction : KCViewEventReceiver {
    std::function<void(KCEventData&)> action;
    int downs = 0;
    int ups = 0;
    void DoMouseDown(KCEventData& e) override {
        ++downs;
        if (action) {
            action(e);
        }
    }
    void DoMouseUp(KCEventData& /*e*/) override { ++ups; }
    void DoMouseMove(KCEventData& /*e*/) override {}
    void DoMouseWheel(KCEventData& /*e*/) override {}
    void DoKey(KCEventData& /*e*/, bool& handled) override { handled = false; }
};

// A modal window's place on the screen.
struct Box {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

class X11Modal : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(client.Ok());
        const xcb_window_t parent = client.TopLevel(100, 100, 400 * scale, 300 * scale);
        KCPluginViewCreateOptions options;
        options.parent = parent;
        options.width = 400;
        options.height = 300;
        options.scale = scale;
        options.receiver = &receiver;
        ASSERT_EQ(CreatePluginView(options, view), eNoErr);
        ASSERT_EQ(view->Show(), eNoErr);
        RunEventLoopFor(20);
        SetModalWindowShownHook([this](std::uint32_t window) {
            windows.push_back(window);
            if (!steps.empty()) {
                auto step = steps.front();
                steps.erase(steps.begin());
                step(BoxOf(window));
            }
        });
    }
    void TearDown() override {
        SetModalWindowShownHook({});
        view.reset();
        RunEventLoopFor(10);
    }

    [[nodiscard]] Box BoxOf(xcb_window_t window) const {
        xcb_connection_t* c = client.Connection();
        xcb_get_geometry_reply_t* g =
            xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
        Box box;
        if (g != nullptr) {
            box = {g->x, g->y, g->width, g->height};  // a child of the root: root coordinates
        }
        std::free(g);
        return box;
    }

    // A click of the left button at a root position.
    void ClickAt(int x, int y) const {
        client.MoveTo(x, y);
        client.Button(1, true);
        client.Button(1, false);
    }

    void Type(xcb_keysym_t sym) const { client.Type(sym); }

    // Clicks the view at (20, 30) and runs the loop until the action has run.
    void ClickView() {
        const int before = receiver.downs;
        ClickAt(120, 130);
        ASSERT_TRUE(RunUntil([&] { return receiver.downs > before && done; }, 5000));
    }

    // The view's pixels per unit; a fixture of a scaled view sets it in its constructor.
    int scale = 1;
    XTestClient client;
    ClickAction receiver;
    std::unique_ptr<KCPluginView> view;
    // What the test does each time a modal window shows, in order.
    std::vector<std::function<void(const Box&)>> steps;
    std::vector<std::uint32_t> windows;
    bool done = false;
};

// A menu the view pops up at its clicks; each test fills it.
class X11Menu : public X11Modal {
protected:
    void SetUp() override {
        X11Modal::SetUp();
        ASSERT_EQ(CreatePopupMenu({}, menu), eNoErr);
        receiver.action = [this](KCEventData& e) {
            result = ActivatePopup(menu, nullptr, e.GetMouseLocation(), chosenMenu, chosen);
            done = true;
        };
    }
    void TearDown() override {
        if (view) {
            view->GetRenderer().SetImageSource(nullptr);
        }
        EXPECT_EQ(DisposeMenu(menu), eNoErr);
        X11Modal::TearDown();
    }

    // Image 7 of the view's images: 10 × 10, its left column clear and the rest red.
    void AddRedImage() {
        const std::string png = testing::LeftColumnClearPNG(10, 10);
        ASSERT_EQ(images.AddPNG(7, png.data(), png.size()), eNoErr);
        view->GetRenderer().SetImageSource(&images);
    }

    KCPNGImageSource images;
    KSMenu* menu = nullptr;
    KSMenu* chosenMenu = nullptr;
    KCMenuItemInfo chosen;
    KTErr result = eGenericErr;
};

// One, Two (disabled), a separator, Three (checked), More → {Deep A, Deep B}. Rows are 20
// pixels high below 3 of padding, the separator 9.
class X11PopupMenu : public X11Menu {
protected:
    static constexpr int kRowMiddle[] = {13, 33, 0, 62, 82};

    void SetUp() override {
        X11Menu::SetUp();
        KCMenuItemInfo info;
        info.text = "One";
        info.userData = 1;
        ASSERT_EQ(AddMenuItem(menu, info), eNoErr);
        info.text = "Two";
        info.userData = 2;
        info.enabled = false;
        ASSERT_EQ(AddMenuItem(menu, info), eNoErr);
        KCMenuItemInfo separator;
        separator.separator = true;
        ASSERT_EQ(AddMenuItem(menu, separator), eNoErr);
        info = {};
        info.text = "Three";
        info.userData = 3;
        info.checked = true;
        ASSERT_EQ(AddMenuItem(menu, info), eNoErr);
        KSMenu* sub = nullptr;
        ASSERT_EQ(CreatePopupMenu({}, sub), eNoErr);
        info = {};
        info.text = "Deep A";
        info.userData = 10;
        ASSERT_EQ(AddMenuItem(sub, info), eNoErr);
        info.text = "Deep B";
        info.userData = 11;
        ASSERT_EQ(AddMenuItem(sub, info), eNoErr);
        info = {};
        info.text = "More";
        ASSERT_EQ(AddSubMenu(menu, info, sub), eNoErr);
    }
};

TEST_F(X11PopupMenu, OpensWhereClickedAndAClickChoosesAnEnabledItem) {
    steps.emplace_back([this](const Box& box) {
        // At the click, drawn by the renderer: the menu's background inside.
        EXPECT_EQ(box.x, 120);
        EXPECT_EQ(box.y, 130);
        const auto pixels = client.Pixels(windows.back(), box.width, box.height);
        ASSERT_FALSE(pixels.empty());
        EXPECT_EQ(pixels[(3 * box.width) + (box.width / 2)], 0xF4F4F4U);
        // A disabled item and the separator take no click; the first item does.
        ClickAt(box.x + 30, box.y + kRowMiddle[1]);
        ClickAt(box.x + 30, box.y + 47);
        ClickAt(box.x + 30, box.y + kRowMiddle[0]);
    });
    ClickView();
    ASSERT_EQ(result, eNoErr);
    EXPECT_EQ(chosenMenu, menu);
    EXPECT_EQ(chosen.text, "One");
    EXPECT_EQ(chosen.userData, 1);
    // The check mark moved to the chosen item.
    KCMenuItemInfo three;
    ASSERT_EQ(GetMenuItemByIndex(menu, 3, three), eNoErr);
    EXPECT_FALSE(three.checked);
    // The view's click ended when the menu took the pointer; it gets the pointer back.
    EXPECT_TRUE(RunUntil([&] { return receiver.ups == 1; }));
    EXPECT_FALSE(view->GetDispatcher().IsMouseButtonDown());
    receiver.action = nullptr;
    client.MoveTo(300, 300);
    client.Button(1, true);
    client.Button(1, false);
    EXPECT_TRUE(RunUntil([&] { return receiver.downs == 2 && receiver.ups == 2; }));
}

TEST_F(X11PopupMenu, HoveringOpensTheSubMenuWhoseItemIsChosen) {
    steps.emplace_back(
        [this](const Box& box) { client.MoveTo(box.x + 30, box.y + kRowMiddle[4]); });
    steps.emplace_back([this](const Box& sub) {
        // Beside the item that opened it.
        EXPECT_EQ(sub.y, 130 + 72 - 3);
        ClickAt(sub.x + 30, sub.y + kRowMiddle[1]);
    });
    ClickView();
    ASSERT_EQ(result, eNoErr);
    EXPECT_EQ(chosen.text, "Deep B");
    KSMenu* sub = nullptr;
    ASSERT_EQ(GetSubMenuByIndex(menu, 4, sub), eNoErr);
    EXPECT_EQ(chosenMenu, sub);
    EXPECT_EQ(windows.size(), 2U);
}

TEST_F(X11PopupMenu, KeysMoveOverDisabledItemsAndEnterChooses) {
    steps.emplace_back([this](const Box& /*box*/) {
        Type(0xFF54);  // Down: One
        Type(0xFF54);  // Down: Three, past the disabled item and the separator
        Type(0xFF0D);  // Return
    });
    ClickView();
    ASSERT_EQ(result, eNoErr);
    EXPECT_EQ(chosen.text, "Three");
}

TEST_F(X11PopupMenu, EscapeAndAClickOutsideChooseNothing) {
    steps.emplace_back([this](const Box& /*box*/) {
        Type(0xFF54);
        Type(0xFF1B);  // Escape
    });
    ClickView();
    EXPECT_EQ(result, eUserCanceled);

    done = false;
    result = eGenericErr;
    steps.emplace_back([this](const Box& box) { ClickAt(box.x + box.width + 40, box.y + 10); });
    ClickView();
    EXPECT_EQ(result, eUserCanceled);
    KCMenuItemInfo three;
    ASSERT_EQ(GetMenuItemByIndex(menu, 3, three), eNoErr);
    EXPECT_TRUE(three.checked) << "nothing chosen, the check mark stays";
}

TEST_F(X11PopupMenu, WithoutAViewHandlingAnEventNothingIsShown) {
    // Called from outside the loop's handlers there is no view to show it over.
    EXPECT_EQ(ActivatePopup(menu, nullptr, {10, 10}, chosenMenu, chosen), eUserCanceled);
    EXPECT_TRUE(windows.empty());
}

// The leftmost dark (text) pixel of a row band of the window from `left` on, or -1.
int FirstInkColumn(const std::vector<std::uint32_t>& pixels, int width, int top, int bottom,
                   int left = 0) {
    int first = -1;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < width; ++x) {
            const std::uint32_t p = pixels[(static_cast<std::size_t>(y) * width) + x];
            const bool dark =
                ((p >> 16) & 0xFFU) < 128 && ((p >> 8) & 0xFFU) < 128 && (p & 0xFFU) < 128;
            if (dark && (first < 0 || x < first)) {
                first = x;
            }
        }
    }
    return first;
}

TEST_F(X11Menu, ItemImagesAreDrawnAtTheRowHeightBeforeAlignedText) {
    ASSERT_NO_FATAL_FAILURE(AddRedImage());  // drawn 20 × 20 after the check column
    KCMenuItemInfo info;
    info.text = "Item";
    info.imageResID = 7;
    ASSERT_EQ(AddMenuItem(menu, info), eNoErr);
    info.imageResID = 8;  // no such image
    ASSERT_EQ(AddMenuItem(menu, info), eNoErr);
    info.imageResID = kNoImageResID;
    ASSERT_EQ(AddMenuItem(menu, info), eNoErr);
    steps.emplace_back([&](const Box& box) {
        const auto pixels = client.Pixels(windows.back(), box.width, box.height);
        ASSERT_EQ(pixels.size(), static_cast<std::size_t>(box.width * box.height));
        const auto at = [&](int x, int y) {
            return pixels[(static_cast<std::size_t>(y) * box.width) + x] & 0xFFFFFFU;
        };
        // Rows of 20 below 3 of padding; the image spans x 20–39 of the first row only.
        EXPECT_EQ(at(30, 13), 0xFF0000U);
        EXPECT_EQ(at(36, 20), 0xFF0000U);
        EXPECT_EQ(at(30, 33), 0xF4F4F4U) << "a missing image draws nothing";
        EXPECT_EQ(at(30, 53), 0xF4F4F4U);
        // The same text starts at the same place in every row, after the image column.
        const int first = FirstInkColumn(pixels, box.width, 3, 23);
        EXPECT_GE(first, 40);
        EXPECT_EQ(FirstInkColumn(pixels, box.width, 23, 43), first);
        EXPECT_EQ(FirstInkColumn(pixels, box.width, 43, 63), first);
        Type(0xFF1B);
    });
    ClickView();
    EXPECT_EQ(result, eUserCanceled);
}

// True when a pixel of rows [top, bottom) between `left` and the border is darker than the
// menu's background.
bool HasInk(const std::vector<std::uint32_t>& pixels, int width, int left, int top, int bottom) {
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < width - 3; ++x) {
            if (((pixels[(static_cast<std::size_t>(y) * width) + x] >> 8) & 0xFFU) < 0xC0U) {
                return true;
            }
        }
    }
    return false;
}

TEST_F(X11Menu, ATouchFriendlyMenuShowsTallRowsWithIconsAndDetailLines) {
    KSMenu* touch = nullptr;
    KCMenuCreationOptions options;
    options.touchFriendly = true;
    ASSERT_EQ(CreatePopupMenu(options, touch), eNoErr);
    receiver.action = [&](KCEventData& e) {
        result = ActivatePopup(touch, nullptr, e.GetMouseLocation(), chosenMenu, chosen);
        done = true;
    };
    ASSERT_NO_FATAL_FAILURE(AddRedImage());
    KCMenuItemInfo info;
    info.text = "One";
    info.userData = 1;
    info.imageResID = 8;  // missing: the icon is drawn instead
    info.touch.detail = "The first one";
    info.touch.iconResID = 7;
    ASSERT_EQ(AddMenuItem(touch, info), eNoErr);
    info = {};
    info.text = "Two";
    info.userData = 2;
    ASSERT_EQ(AddMenuItem(touch, info), eNoErr);
    // Rows of 44 below 3 of padding: the second row's middle is at 3 + 44 + 22.
    steps.emplace_back([&](const Box& box) {
        EXPECT_EQ(box.height, 3 + (2 * 44) + 3);
        const auto pixels = client.Pixels(windows.back(), box.width, box.height);
        ASSERT_EQ(pixels.size(), static_cast<std::size_t>(box.width * box.height));
        const auto at = [&](int x, int y) {
            return pixels[(static_cast<std::size_t>(y) * box.width) + x] & 0xFFFFFFU;
        };
        // The icon: 32 × 32 between 6-pixel insets of the first row, after the check column.
        EXPECT_EQ(at(40, 3 + 22), 0xFF0000U);
        EXPECT_EQ(at(40, 3 + 4), 0xF4F4F4U);
        EXPECT_EQ(at(40, 47 + 22), 0xF4F4F4U) << "the second item has no icon";
        // The detail line fills the lower part of the first row; the second row's text alone
        // is centred and leaves it empty.
        EXPECT_TRUE(HasInk(pixels, box.width, 56, 3 + 31, 3 + 42));
        EXPECT_FALSE(HasInk(pixels, box.width, 56, 47 + 31, 47 + 42));
        ClickAt(box.x + 60, box.y + 47 + 22);
    });
    ClickView();
    EXPECT_EQ(result, eNoErr);
    EXPECT_EQ(chosen.userData, 2);
    EXPECT_EQ(DisposeMenu(touch), eNoErr);
}

// 200 items, 4000 pixels: more than the test server's 2400-pixel screen.
class X11TallMenu : public X11Menu {
protected:
    static constexpr int kItems = 200;

    void SetUp() override {
        X11Menu::SetUp();
        for (int i = 0; i < kItems; ++i) {
            KCMenuItemInfo info;
            info.text = "Item " + std::to_string(i);
            info.userData = i;
            ASSERT_EQ(AddMenuItem(menu, info), eNoErr);
        }
    }

    // The middle of the lowest row the window shows: above the 14-pixel scroll band.
    static int LowestRow(const Box& box) { return box.y + box.height - 14 - 10; }
};

TEST_F(X11TallMenu, IsClampedToTheScreenAndTheKeysReachTheLastItem) {
    steps.emplace_back([this](const Box& box) {
        EXPECT_EQ(box.y, 0);
        EXPECT_EQ(box.height, 2400);
        Type(0xFF57);  // End
        Type(0xFF0D);
    });
    ClickView();
    ASSERT_EQ(result, eNoErr);
    EXPECT_EQ(chosen.userData, kItems - 1);

    // Up from nothing wraps to the last item, which scrolls into sight: a click on the lowest
    // row takes it; Home scrolls back and Enter takes the first.
    done = false;
    steps.emplace_back([this](const Box& box) {
        Type(0xFF52);  // Up
        ClickAt(box.x + 30, LowestRow(box));
    });
    ClickView();
    ASSERT_EQ(result, eNoErr);
    EXPECT_EQ(chosen.userData, kItems - 1);

    done = false;
    steps.emplace_back([this](const Box& /*box*/) {
        Type(0xFF57);
        Type(0xFF50);  // Home
        Type(0xFF0D);
    });
    ClickView();
    ASSERT_EQ(result, eNoErr);
    EXPECT_EQ(chosen.userData, 0);
}

TEST_F(X11TallMenu, TheWheelScrollsToTheLastItemWhichAClickChooses) {
    steps.emplace_back([this](const Box& box) {
        client.MoveTo(box.x + 30, box.y + 300);
        for (int notch = 0; notch < 40; ++notch) {  // 120 rows: past the end, which stops it
            client.Button(5, true);
            client.Button(5, false);
        }
        ClickAt(box.x + 30, LowestRow(box));
    });
    ClickView();
    ASSERT_EQ(result, eNoErr);
    EXPECT_EQ(chosen.userData, kItems - 1);

    // A press on the lower band pages down without choosing; a page of 2352 pixels is more
    // than is left, so the items end at the band and the top row shows the first of the rows
    // that fit.
    done = false;
    steps.emplace_back([this](const Box& box) {
        ClickAt(box.x + 30, box.y + box.height - 5);
        ClickAt(box.x + 30, box.y + 14 + 10);
    });
    ClickView();
    ASSERT_EQ(result, eNoErr);
    const int shownPixels = 2400 - (2 * 14);
    EXPECT_EQ(chosen.userData, ((kItems * 20) - shownPixels) / 20);
}

class X11TextBox : public X11Modal {
protected:
    void SetUp() override {
        X11Modal::SetUp();
        receiver.action = [this](KCEventData& /*e*/) {
            KCTextBoxOptions options;
            options.rect = KURect<short>(40, 10, 60, 110);
            options.text = "1.5";
            result = ActivateTextBox(options, text);
            done = true;
        };
    }
    std::string text = "unchanged";
    KTErr result = eGenericErr;
};

TEST_F(X11TextBox, EnterCommitsOnlyTheAcceptedCharacters) {
    steps.emplace_back([this](const Box& box) {
        // Over the control: the view's (10, 40) on the screen.
        EXPECT_EQ(box.x, 110);
        EXPECT_EQ(box.y, 140);
        EXPECT_EQ(box.width, 100);
        Type('-');  // replaces the selected text
        Type('2');
        Type('a');  // not accepted
        Type('5');
        Type(0xFF08);  // BackSpace
        Type('7');
        Type(0xFF0D);
    });
    ClickView();
    ASSERT_EQ(result, eNoErr);
    EXPECT_EQ(text, "-27");
}

TEST_F(X11TextBox, KeysMoveTheCaretAndEditWhereItIs) {
    steps.emplace_back([this](const Box& /*box*/) {
        Type(0xFF50);  // Home: the selection goes, the caret before "1.5"
        Type('-');     // -|1.5
        Type(0xFF53);  // Right: -1|.5
        Type('2');     // -12|.5
        Type(0xFFFF);  // Delete: -12|5
        Type(0xFF57);  // End: -125|
        Type(0xFF08);  // BackSpace: -12|
        Type(0xFF51);  // Left
        Type(0xFF51);  // -|12
        Type(0xFF08);  // |12
        Type('a');     // not accepted
        Type('9');     // 9|12
        Type(0xFF0D);
    });
    ClickView();
    ASSERT_EQ(result, eNoErr);
    EXPECT_EQ(text, "912");
}

TEST_F(X11TextBox, AClickPlacesTheCaret) {
    steps.emplace_back([this](const Box& box) {
        ClickAt(box.x + box.width - 5, box.y + 10);  // past the text: at its end
        Type('7');
        ClickAt(box.x + 1, box.y + 10);  // before the first character
        Type('3');
        Type(0xFF0D);
    });
    ClickView();
    ASSERT_EQ(result, eNoErr);
    EXPECT_EQ(text, "31.57");
}

TEST_F(X11TextBox, ShiftADragAndADoubleClickSelectAndTypingReplaces) {
    steps.emplace_back([this](const Box& box) {
        const std::uint8_t shift = client.KeycodeOf(0xFFE1);
        Type(0xFF57);  // End
        client.Key(shift, true);
        Type(0xFF51);  // Shift+Left: "5" selected
        client.Key(shift, false);
        Type('9');  // 1.9
        // A drag from past the end to the field's left edge selects everything.
        client.MoveTo(box.x + box.width - 5, box.y + 10);
        client.Button(1, true);
        client.MoveTo(box.x + 1, box.y + 10);
        client.Button(1, false);
        Type('2');
        Type('3');  // 23
        // Two quick clicks in the middle: all selected again.
        ClickAt(box.x + 40, box.y + 10);
        ClickAt(box.x + 40, box.y + 10);
        Type('4');
        Type(0xFF0D);
    });
    ClickView();
    ASSERT_EQ(result, eNoErr);
    EXPECT_EQ(text, "4");
}

TEST_F(X11TextBox, TextWiderThanTheBoxScrollsAndKeepsEveryCharacter) {
    const std::string typed = "1234567890123456789012345";  // far wider than 100 pixels
    steps.emplace_back([&](const Box& /*box*/) {
        for (const char c : typed) {
            Type(static_cast<xcb_keysym_t>(c));
        }
        Type(0xFF50);  // Home
        Type('7');
        Type(0xFF0D);
    });
    ClickView();
    ASSERT_EQ(result, eNoErr);
    EXPECT_EQ(text, "7" + typed);
}

TEST_F(X11TextBox, EscapeAndAClickElsewhereCancel) {
    steps.emplace_back([this](const Box& /*box*/) {
        Type('9');
        Type(0xFF1B);
    });
    ClickView();
    EXPECT_EQ(result, eUserCanceled);
    EXPECT_EQ(text, "unchanged");

    done = false;
    steps.emplace_back([this](const Box& /*box*/) {
        Type('9');
        ClickAt(350, 350);
    });
    ClickView();
    EXPECT_EQ(result, eUserCanceled);
    EXPECT_EQ(text, "unchanged");
}

class X11MessageBox : public X11Modal {
protected:
    // The view's click shows "Save" with two lines and OK, Cancel; `answer` gets the answer.
    void ShowMessageBoxOnClick() {
        options.title = "Save";
        options.message = "Keep the changes?\nThey are not saved yet.";
        options.buttons = eMBOkCancel;
        receiver.action = [this](KCEventData& /*e*/) {
            answer = DisplayMessageBox(options);
            done = true;
        };
    }
    // The view's click asks for a preset name, starting with "Old"; `result` gets the answer.
    void ShowTextDialogOnClick() {
        dialog.title = "Name";
        dialog.prompt = "Preset name:";
        dialog.text = "Old";
        receiver.action = [this](KCEventData& /*e*/) {
            result = ActivateWindowDialog(dialog);
            done = true;
        };
    }

    KCMessageBoxCreateOptions options;
    KEMessageBoxAnswer answer = eMBYes;
    KCGetUserTextCreateOpts dialog;
    KTErr result = eGenericErr;
};

TEST_F(X11MessageBox, AClickOnAButtonAnswersAndKeysAnswerToo) {
    ShowMessageBoxOnClick();
    // Two buttons 76 wide, 8 apart, 12 from the right and bottom edges, 26 high: their middles
    // are 134 and 50 from the right edge, 25 from the bottom.
    steps.emplace_back([this](const Box& box) {
        ClickAt(box.x + 10, box.y + 40);  // not a button: ignored
        ClickAt(box.x + box.width - 134, box.y + box.height - 25);
    });
    ClickView();
    EXPECT_EQ(answer, eMBOkAnswer);

    done = false;
    steps.emplace_back(
        [this](const Box& box) { ClickAt(box.x + box.width - 50, box.y + box.height - 25); });
    ClickView();
    EXPECT_EQ(answer, eMBCancelled);

    done = false;
    options.buttons = eMBYesNo;
    steps.emplace_back([this](const Box& /*box*/) { Type(0xFF0D); });
    ClickView();
    EXPECT_EQ(answer, eMBYes);
}

TEST_F(X11MessageBox, TheTextDialogReturnsWhatWasTyped) {
    ShowTextDialogOnClick();
    steps.emplace_back([this](const Box& /*box*/) {
        Type('a');
        Type('b');
        Type(0xFF0D);
    });
    ClickView();
    ASSERT_EQ(result, eNoErr);
    EXPECT_EQ(dialog.text, "ab");

    done = false;
    steps.emplace_back([this](const Box& /*box*/) {
        Type('c');
        Type(0xFF1B);
    });
    ClickView();
    EXPECT_EQ(result, eUserCanceled);
    EXPECT_EQ(dialog.text, "ab");
}

// The same windows opened from a view drawn at scale 2: each of their units is 2 × 2 pixels, and
// the view's click at root (120, 130) is at (10, 15) in its units.
template <class Fixture>
class AtScaleTwo : public Fixture {
protected:
    AtScaleTwo() { this->scale = 2; }
};
using X11ScaledMenu = AtScaleTwo<X11Menu>;

TEST_F(X11ScaledMenu, RowsTextAndImagesGrowWithTheViewAndAClickOnTheSecondRowChoosesIt) {
    ASSERT_NO_FATAL_FAILURE(AddRedImage());
    KCMenuItemInfo info;
    info.text = "One";
    info.userData = 1;
    info.imageResID = 7;
    ASSERT_EQ(AddMenuItem(menu, info), eNoErr);
    info.text = "Two";
    info.userData = 2;
    info.imageResID = kNoImageResID;
    ASSERT_EQ(AddMenuItem(menu, info), eNoErr);
    steps.emplace_back([&](const Box& box) {
        EXPECT_EQ(box.x, 120);
        EXPECT_EQ(box.y, 130);
        EXPECT_EQ(box.height, 2 * (3 + 20 + 20 + 3));
        const auto pixels = client.Pixels(windows.back(), box.width, box.height);
        ASSERT_EQ(pixels.size(), static_cast<std::size_t>(box.width * box.height));
        const auto at = [&](int x, int y) {
            return pixels[(static_cast<std::size_t>(y) * box.width) + x] & 0xFFFFFFU;
        };
        // The image covers units 20–39 of the first row, pixels 40–79 × 6–45.
        EXPECT_EQ(at(60, 26), 0xFF0000U);
        EXPECT_EQ(at(72, 40), 0xFF0000U);
        EXPECT_EQ(at(60, 66), 0xF4F4F4U);
        // Past the 2-pixel border, the first row's text starts after the image column.
        EXPECT_GE(FirstInkColumn(pixels, box.width, 6, 46, 4), 80);
        // The second row's middle is unit 33: pixel 66 (at scale 1 it would be past the menu).
        ClickAt(box.x + 60, box.y + 66);
    });
    ClickView();
    ASSERT_EQ(result, eNoErr);
    EXPECT_EQ(chosen.userData, 2);
}

using X11ScaledPopupMenu = AtScaleTwo<X11PopupMenu>;

TEST_F(X11ScaledPopupMenu, ASubMenuOpensBesideItsItemInPixelsAndTakesScaledClicks) {
    int menuRight = 0;
    steps.emplace_back([&](const Box& box) {
        menuRight = box.x + box.width;
        client.MoveTo(box.x + 60, box.y + (2 * kRowMiddle[4]));
    });
    steps.emplace_back([&](const Box& sub) {
        // Overlapping the menu by 2 units, its top at its item's top less the padding.
        EXPECT_EQ(sub.x, menuRight - 4);
        EXPECT_EQ(sub.y, 130 + (2 * (72 - 3)));
        ClickAt(sub.x + 60, sub.y + (2 * kRowMiddle[1]));
    });
    ClickView();
    ASSERT_EQ(result, eNoErr);
    EXPECT_EQ(chosen.text, "Deep B");
}

using X11ScaledMessageBox = AtScaleTwo<X11MessageBox>;

TEST_F(X11ScaledMessageBox, IsDrawnAtTheViewsScaleOverItsMiddleAndItsButtonsAnswerThere) {
    ShowMessageBoxOnClick();
    steps.emplace_back([this](const Box& box) {
        // Centred over the view, 800 × 600 pixels at (100, 100).
        EXPECT_EQ(box.x + (box.width / 2), 500);
        EXPECT_EQ(box.y + (box.height / 2), 400);
        // Title 24, margin 12, two lines of 18, margin 12, buttons 26, margin 12.
        EXPECT_EQ(box.height, 2 * (24 + 12 + 36 + 12 + 26 + 12));
        const auto pixels = client.Pixels(windows.back(), box.width, box.height);
        ASSERT_EQ(pixels.size(), static_cast<std::size_t>(box.width * box.height));
        const auto at = [&](int x, int y) {
            return pixels[(static_cast<std::size_t>(y) * box.width) + x] & 0xFFFFFFU;
        };
        EXPECT_EQ(at(box.width - 10, 40), 0x3465A4U) << "the title bar is 48 pixels high";
        EXPECT_EQ(at(box.width - 10, 52), 0xF4F4F4U);
        // OK's middle is 134 units from the right edge and 25 from the bottom.
        ClickAt(box.x + box.width - 268, box.y + box.height - 50);
    });
    ClickView();
    EXPECT_EQ(answer, eMBOkAnswer);
}

TEST_F(X11ScaledMessageBox, TheTextDialogsFieldAndButtonsTakeClicksAtTheirScaledPlaces) {
    ShowTextDialogOnClick();
    // The field spans units 12 to width − 12 across and 60–84 down, its text 3 units in.
    steps.emplace_back([this](const Box& box) {
        const auto pixels = client.Pixels(windows.back(), box.width, box.height);
        ASSERT_EQ(pixels.size(), static_cast<std::size_t>(box.width * box.height));
        EXPECT_EQ(
            pixels[(static_cast<std::size_t>(2 * 80) * box.width) + (box.width - 40)] & 0xFFFFFFU,
            0xFFFFFFU)
            << "the field's lower part, below the scale-1 field";
        ClickAt(box.x + (2 * 15), box.y + (2 * 72));  // the caret before the first character
        Type('x');
        ClickAt(box.x + box.width - 268, box.y + box.height - 50);  // OK
    });
    ClickView();
    ASSERT_EQ(result, eNoErr);
    EXPECT_EQ(dialog.text, "xOld");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::PluginViewManager
