// The edit field without a display: scrolling that keeps the caret in sight, presses mapped
// through the scroll, the selection and what typing does to it, and the drawing's clip.
#include "korvane/gui/pvm/text_field.h"

#include "korvane/gs/gs_writer.h"
#include "korvane/gui/pvm/gs_renderer.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace kvKorvaneV10_0_3::PluginViewManager::detail {
namespace {

constexpr int kWidth = 60;
constexpr int kFontSize = 12;
const std::string kLong = "12345678901234567890";

// The caret is drawn inside the field's room, never on or past its inset.
void ExpectCaretShown(const KCTextField& field) {
    EXPECT_GE(field.XOf(field.Caret()), KCTextField::kInset);
    EXPECT_LT(field.XOf(field.Caret()), kWidth - KCTextField::kInset);
}

TEST(TextField, TextWiderThanTheFieldScrollsWithTheCaret) {
    KCTextField field(kLong, "", kWidth, kFontSize);
    ASSERT_GT(field.XOf(kLong.size()) + field.Scroll(), kWidth) << "the text must not fit";
    EXPECT_GT(field.Scroll(), 0) << "the caret starts at the end";
    ExpectCaretShown(field);

    EXPECT_TRUE(field.Key(eKeyHome, 0, false));
    EXPECT_EQ(field.Scroll(), 0);
    ExpectCaretShown(field);
    for (int i = 0; i < 12; ++i) {
        field.Key(eKeyRight, 0, false);
        ExpectCaretShown(field);
    }
    field.Key(eKeyEnd, 0, false);
    const int atEnd = field.Scroll();
    field.Key(eKeyCharacter, U'5', false);
    EXPECT_GT(field.Scroll(), atEnd) << "typing at the end pushes the text left";
    ExpectCaretShown(field);

    // Deleting back to a text that fits leaves nothing scrolled out.
    for (int i = 0; i < 18; ++i) {
        field.Key(eKeyBackspace, 0, false);
        ExpectCaretShown(field);
    }
    EXPECT_EQ(field.Text(), "123");
    EXPECT_EQ(field.Scroll(), 0);
}

TEST(TextField, PressesMapThroughTheScroll) {
    KCTextField field(kLong, "", kWidth, kFontSize);
    ASSERT_GT(field.Scroll(), 0);
    // Each character boundary in sight is found where it is drawn.
    for (std::size_t at = kLong.size(); at > 0; --at) {
        const int x = field.XOf(at);
        if (x < KCTextField::kInset || x >= kWidth - KCTextField::kInset) {
            break;
        }
        field.Press(x, false);
        EXPECT_EQ(field.Caret(), at);
        EXPECT_EQ(field.SelectionStart(), field.SelectionEnd()) << "a press selects nothing";
        field.Key(eKeyEnd, 0, false);
    }
    // A press at the left edge finds the first character in sight, not the text's start.
    field.Press(KCTextField::kInset, false);
    EXPECT_GT(field.Caret(), 0U);
}

TEST(TextField, ShiftSelectsAndTypingReplacesTheSelection) {
    KCTextField field("1.5", "0123456789.+-", kWidth, kFontSize);
    EXPECT_EQ(field.SelectionStart(), 0U) << "all selected at first";
    EXPECT_EQ(field.SelectionEnd(), 3U);
    field.Key(eKeyLeft, 0, false);
    EXPECT_EQ(field.Caret(), 0U) << "Left collapses a selection to its start";
    field.Key(eKeyEnd, 0, false);
    field.Key(eKeyLeft, 0, true);
    field.Key(eKeyLeft, 0, true);
    EXPECT_EQ(field.SelectionStart(), 1U);
    EXPECT_EQ(field.SelectionEnd(), 3U);
    field.Key(eKeyCharacter, U'a', false);
    EXPECT_EQ(field.Text(), "1.5") << "a refused character keeps the selection";
    EXPECT_EQ(field.SelectionEnd(), 3U);
    field.Key(eKeyCharacter, U'7', false);
    EXPECT_EQ(field.Text(), "17");
    EXPECT_EQ(field.Caret(), 2U);

    field.Key(eKeyHome, 0, true);  // selects back to the start from the caret
    EXPECT_EQ(field.SelectionEnd(), 2U);
    field.Key(eKeyRight, 0, false);
    EXPECT_EQ(field.Caret(), 2U) << "Right collapses to the selection's end";
    field.Key(eKeyLeft, 0, true);
    field.Key(eKeyBackspace, 0, false);
    EXPECT_EQ(field.Text(), "1");
    field.Key(eKeyEnd, 0, false);
    field.Key(eKeyHome, 0, true);
    field.Key(eKeyDelete, 0, false);
    EXPECT_EQ(field.Text(), "");
}

TEST(TextField, ADragSelectsFromThePressAndSelectAllTakesEverything) {
    KCTextField field("123456", "", kWidth, kFontSize);
    field.Press(field.XOf(4), false);
    field.Drag(field.XOf(1));
    EXPECT_EQ(field.SelectionStart(), 1U);
    EXPECT_EQ(field.SelectionEnd(), 4U);
    field.Drag(field.XOf(5));
    EXPECT_EQ(field.SelectionStart(), 4U) << "the press's end stays";
    EXPECT_EQ(field.SelectionEnd(), 5U);
    field.Press(field.XOf(2), true);
    EXPECT_EQ(field.SelectionStart(), 2U) << "Shift+press extends from the anchor";
    EXPECT_EQ(field.SelectionEnd(), 4U);
    field.SelectAll();
    field.Key(eKeyCharacter, U'9', false);
    EXPECT_EQ(field.Text(), "9");
}

TEST(TextField, MultiByteCharactersMoveAndEraseWhole) {
    KCTextField field("a\xC3\xA9z", "", kWidth, kFontSize);  // a é z
    field.Key(eKeyEnd, 0, false);
    field.Key(eKeyLeft, 0, false);
    field.Key(eKeyLeft, 0, true);
    EXPECT_EQ(field.SelectionStart(), 1U);
    EXPECT_EQ(field.SelectionEnd(), 3U);
    field.Key(eKeyBackspace, 0, false);
    EXPECT_EQ(field.Text(), "az");
    field.Key(eKeyCharacter, U'\u00E8', false);
    EXPECT_EQ(field.Text(), "a\xC3\xA8z");
}

// The rendered pixel at (x, y) as premultiplied RGB (0 where nothing was drawn).
std::uint32_t PixelAt(KCGraphicStreamToCairo& r, int x, int y) {
    cairo_surface_t* surface = r.GetSurface();
    cairo_surface_flush(surface);
    const unsigned char* row = cairo_image_surface_get_data(surface) +
                               (static_cast<std::size_t>(y) *
                                static_cast<std::size_t>(cairo_image_surface_get_stride(surface)));
    return reinterpret_cast<const std::uint32_t*>(row)[x] & 0xFFFFFFU;
}

TEST(TextField, TextScrolledOutIsClippedToTheField) {
    KCTextField field(kLong, "", kWidth, kFontSize);
    field.Key(eKeyHome, 0, false);  // the text runs past the right edge
    // The stream is twice as wide as the field: nothing may be drawn right of the field.
    kvGS::KCGraphicStreamBinaryWriter w;
    kvGS::SGSStream stream;
    stream.rect = {0, 0, 2 * kWidth, 20};
    {
        kvGS::KCStGSStreamStructWriter guard(w, stream);
        field.Draw(w, KURect<short>(0, 0, 20, kWidth));
    }
    KCGraphicStreamToCairo r;
    ASSERT_EQ(r.RenderInProcess(static_cast<const char*>(w.GetStream().ptr), w.GetStream().size),
              eNoErr);
    bool inked = false;
    for (int y = 0; y < 20; ++y) {
        for (int x = kWidth; x < 2 * kWidth; ++x) {
            EXPECT_EQ(PixelAt(r, x, y), 0U) << "drawn past the field at " << x << "," << y;
        }
        for (int x = KCTextField::kInset; x < kWidth - KCTextField::kInset; ++x) {
            inked = inked || PixelAt(r, x, y) != 0xFFFFFFU;
        }
    }
    EXPECT_TRUE(inked) << "the text in sight is drawn";
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::PluginViewManager::detail
