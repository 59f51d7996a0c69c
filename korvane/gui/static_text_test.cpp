// Static texts: shortening a text too wide for its rectangle, and the background under it.
#include "korvane/gui/static_text.h"

#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/gui/pvm/png_image.h"
#include "korvane/gui/pvm/pvm_test_support.h"
#include "korvane/gui/pvm/text_measure.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/gui/testing/knob_control.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

namespace PVM = PluginViewManager;
using test_support::ParseXML;

// Ten pixels a character (not a byte): the ellipsis counts as one.
int TenPerCharacter(const PVM::KCFontDescription& /*font*/, std::string_view text) {
    int characters = 0;
    for (const char c : text) {
        characters += (static_cast<unsigned char>(c) & 0xC0U) != 0x80U ? 1 : 0;
    }
    return characters * 10;
}

TEST(TruncateText, KeepsTheMostWholeCharactersThatFitAroundTheEllipsis) {
    const PVM::KCFontDescription font;
    const auto cut = [&font](std::string_view text, int width, ETruncationTextMode mode) {
        return TruncateText(text, width, mode, font, TenPerCharacter);
    };
    EXPECT_EQ(cut("Frequency", 50, ETruncationTextMode::eEnd), "Freq\xE2\x80\xA6");
    EXPECT_EQ(cut("Frequency", 50, ETruncationTextMode::eStart),
              "\xE2\x80\xA6"
              "ency");
    EXPECT_EQ(cut("Frequency", 50, ETruncationTextMode::eMiddle),
              "Fr\xE2\x80\xA6"
              "cy");
    EXPECT_EQ(cut("Frequency", 60, ETruncationTextMode::eMiddle),
              "Fre\xE2\x80\xA6"
              "cy")
        << "an odd count keeps the extra character in front";
    EXPECT_EQ(cut("Frequency", 59, ETruncationTextMode::eEnd), "Freq\xE2\x80\xA6");
    EXPECT_EQ(cut("Frequency", 50, ETruncationTextMode::eClip), "Frequency")
        << "clipping leaves the cut to the rectangle";
    EXPECT_EQ(cut("Frequency", 90, ETruncationTextMode::eEnd), "Frequency") << "it fits";
    EXPECT_EQ(cut("Frequency", 5, ETruncationTextMode::eEnd), "\xE2\x80\xA6");
    EXPECT_EQ(cut("", -1, ETruncationTextMode::eEnd), "");
    EXPECT_EQ(cut("Gr\xC3\xBCn \xC3\xBC"
                  "ber",
                  50, ETruncationTextMode::eEnd),
              "Gr\xC3\xBCn\xE2\x80\xA6")
        << "a two-byte character is kept or dropped whole";
    EXPECT_EQ(cut("\xC3\xBC"
                  "ber Gr\xC3\xBCn",
                  40, ETruncationTextMode::eStart),
              "\xE2\x80\xA6"
              "r\xC3\xBCn");
}

constexpr std::uint32_t kGreen = 0xFF00FF00U;
constexpr std::uint32_t kBlue = 0xFF0000FFU;

// One control with two labels: a long one shortened at its end over green, and a hover-only
// one over blue.
constexpr const char* kGUI = R"(<GUIXML version='4'>
  <ViewRect_List><Rect Bottom="70" Right="100"/></ViewRect_List>
  <Control_List>
    <cCONTROLLER Name="K"><Class Type="Knob"/>
      <ControlRect left="80" top="0" width="10" height="10"/>
      <StaticText Text="Frequency response" Truncation="End">
        <Font Name="DejaVu Sans" Size="12"><Color red="0" green="0" blue="0"/></Font>
        <PositionRect left="10" top="10" width="60" height="16"/>
        <Alignment Horizontal="Left" Vertical="Center"/>
        <Background red="0" green="255" blue="0"/>
      </StaticText>
      <StaticText Text="Hint">
        <Font Name="DejaVu Sans" Size="12"><Color red="255" green="255" blue="255"/></Font>
        <PositionRect left="10" top="40" width="30" height="16"/>
        <ShowOnHover/>
        <Background red="0" green="0" blue="255"/>
      </StaticText>
    </cCONTROLLER>
  </Control_List>
</GUIXML>)";

class StaticTexts : public PVM::testing::BundleTest {
protected:
    void SetUp() override {
        BundleTest::SetUp();
        OpenBundle();
        gui = std::make_unique<CStandardGUI_X>(container);
        ASSERT_EQ(gui->ReadFromXML(ParseXML(kGUI)), eNoErr);
        control = gui->GetControlPtrByName("K");
        ASSERT_NE(control, nullptr);
        ASSERT_EQ(control->GetStaticTexts().size(), 2U);
    }
    void TearDown() override {
        gui.reset();
        BundleTest::TearDown();
    }
    PVM::KCImagePixels Render() {
        std::vector<unsigned char> png;
        EXPECT_EQ(gui->RenderToPNG(png), eNoErr);
        PVM::KCImagePixels pixels;
        EXPECT_EQ(PVM::DecodePNG(png.data(), png.size(), pixels), eNoErr);
        return pixels;
    }
    static int Count(const PVM::KCImagePixels& p, int left, int top, int right, int bottom,
                     std::uint32_t colour) {
        int n = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                n += p.At(x, y) == colour ? 1 : 0;
            }
        }
        return n;
    }

    testing::KnobTypes types;
    std::unique_ptr<CStandardGUI_X> gui;
    KCGUIControl* control = nullptr;
};

TEST_F(StaticTexts, ALongLabelIsShortenedToItsRectangleInTheRenderersFont) {
    const KCStaticText& label = control->GetStaticTexts()[0];
    EXPECT_EQ(label.GetTruncationMode(), ETruncationTextMode::eEnd);
    EXPECT_EQ(control->GetStaticTexts()[1].GetTruncationMode(), ETruncationTextMode::eClip);
    const PVM::KCFontDescription& font = label.GetText().font;
    ASSERT_GT(PVM::GetTextWidth(font, "Frequency response"), 60) << "the test needs a long text";
    const std::string shown = label.GetShownString();
    ASSERT_GE(shown.size(), 4U);
    EXPECT_EQ(shown.substr(shown.size() - 3), "\xE2\x80\xA6");
    EXPECT_EQ(shown.substr(0, 4), "Freq");
    EXPECT_LE(PVM::GetTextWidth(font, shown), 60);
    // One character more would not have fitted.
    const std::string longer =
        shown.substr(0, shown.size() - 3) +
        std::string(1, std::string_view("Frequency response")[shown.size() - 3]) + "\xE2\x80\xA6";
    EXPECT_GT(PVM::GetTextWidth(font, longer), 60);

    const PVM::KCImagePixels p = Render();
    const int green = Count(p, 10, 10, 70, 26, kGreen);
    EXPECT_GT(green, 600) << "the background under the text";
    EXPECT_GT(60 * 16 - green, 40) << "with the text on it";
    EXPECT_EQ(Count(p, 70, 10, 100, 26, 0), 30 * 16) << "nothing right of the rectangle";
}

TEST_F(StaticTexts, TheBackgroundIsDrawnEvenWhileAHoverTextIsHidden) {
    EXPECT_EQ(Count(Render(), 10, 40, 40, 56, kBlue), 30 * 16) << "erased, no text";
    control->SetMouseHover();
    const PVM::KCImagePixels hovered = Render();
    EXPECT_GT(30 * 16 - Count(hovered, 10, 40, 40, 56, kBlue), 20) << "the text on its background";
}

// A control that draws the backgrounds of its labels itself.
struct FramedLabels : testing::Knob {
    using testing::Knob::Knob;
    void GetDrawInstructionsForStaticTextBackground(kvGS::KCGraphicStreamBinaryWriter& writer,
                                                    const KCStaticText& text) override {
        writer.DrawSolidRect(KCRGBAColor{255, 0, 0, 255}, text.GetRect());
    }
};

TEST_F(StaticTexts, AControlMayDrawItsLabelsBackgroundItself) {
    RegisterGUIControlType("Knob", [](CStandardGUI_X& owner) -> std::unique_ptr<KCGUIControl> {
        return std::make_unique<FramedLabels>(&owner);
    });
    gui = std::make_unique<CStandardGUI_X>(container);
    ASSERT_EQ(gui->ReadFromXML(ParseXML(kGUI)), eNoErr);
    const PVM::KCImagePixels p = Render();
    EXPECT_EQ(Count(p, 10, 40, 40, 56, 0xFFFF0000U), 30 * 16);
    EXPECT_EQ(Count(p, 10, 10, 70, 26, kGreen), 0);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
