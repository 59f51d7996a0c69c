// Pages and static texts of the standard GUI, checked by the pixels of a render and by hit
// testing.
#include "korvane/gui/standard_gui.h"

#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/gui/pvm/png_image.h"
#include "korvane/gui/pvm/pvm_test_support.h"
#include "korvane/gui/testing/knob_control.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using PluginViewManager::testing::EncodePNG;
using test_support::ParseXML;
using test_support::TestAlgorithm;

constexpr std::uint32_t kBlue = 0xFF0000FFU;
constexpr std::uint32_t kRed = 0xFFFF0000U;
constexpr std::uint32_t kGreen = 0xFF00FF00U;
constexpr std::uint32_t kYellow = 0xFFFFFF00U;
constexpr std::uint32_t kWhite = 0xFFFFFFFFU;

std::string SolidPNG(int width, int height, std::uint32_t argb) {
    std::vector<std::uint8_t> rgba;
    for (int i = 0; i < width * height; ++i) {
        rgba.insert(rgba.end(),
                    {static_cast<std::uint8_t>(argb >> 16U), static_cast<std::uint8_t>(argb >> 8U),
                     static_cast<std::uint8_t>(argb), 255});
    }
    return EncodePNG(width, height, rgba);
}

// A 120 × 60 GUI over a blue picture. A (red, page "One") and B (green, page "Two") share the
// rectangle (10, 10)-(30, 30); C (yellow, no page) at (40, 10) carries two static texts: a long
// black text over a white erase bitmap under C, and a hover-only "Hint" without a colour of its
// own (the palette's text colour) to its right.
constexpr const char* kGUI = R"(<GUIXML version='4'>
  <ViewRect_List><Rect Bottom="60" Right="120"/></ViewRect_List>
  <Pict_List><Image Type="Base" ResID="128"/></Pict_List>
  <Control_List>
    <cCONTROLLER Name="A" Page="One"><Class Type="Knob"/>
      <ControlRect left="10" top="10" width="20" height="20"/>
      <ImageList><Image Type="BackGround" ResID="200"/></ImageList></cCONTROLLER>
    <cCONTROLLER Name="B" Page="Two"><Class Type="Knob"/>
      <ControlRect left="10" top="10" width="20" height="20"/>
      <ImageList><Image Type="BackGround" ResID="201"/></ImageList></cCONTROLLER>
    <cCONTROLLER Name="C"><Class Type="Knob"/>
      <ControlRect left="40" top="10" width="20" height="20"/>
      <ImageList><Image Type="BackGround" ResID="202"/></ImageList>
      <StaticText Text="Gain Gain Gain Gain">
        <Font Name="DejaVu Sans" Size="14"><Color red="0" green="0" blue="0"/></Font>
        <PositionRect left="36" top="34" width="28" height="20"/>
        <Alignment Horizontal="Left" Vertical="Center"/>
        <Image Type="EraseBitmap" ResID="203"/>
      </StaticText>
      <StaticText Text="Hint">
        <Font Name="DejaVu Sans" Size="16" Flags="1"/>
        <PositionRect left="70" top="10" width="46" height="24"/>
        <ShowOnHover/>
      </StaticText>
    </cCONTROLLER>
  </Control_List>
</GUIXML>)";

class StandardGUIPages : public PluginViewManager::testing::BundleTest {
protected:
    void SetUp() override {
        BundleTest::SetUp();
        WriteResource("PNG_", "128", SolidPNG(120, 60, kBlue));
        WriteResource("PNG_", "200", SolidPNG(20, 20, kRed));
        WriteResource("PNG_", "201", SolidPNG(20, 20, kGreen));
        WriteResource("PNG_", "202", SolidPNG(20, 20, kYellow));
        WriteResource("PNG_", "203", SolidPNG(28, 20, kWhite));
        OpenBundle();
        ASSERT_NE(container, nullptr);
        ASSERT_EQ(alg.FinishCreate(), 0);
        gui = std::make_unique<CStandardGUI_X>(container);
        gui->AttachAlgorithm(&alg);
        ASSERT_EQ(gui->ReadFromXML(ParseXML(kGUI)), eNoErr);
        ASSERT_EQ(gui->GetNumGUIControllers(), 3U);
    }
    void TearDown() override {
        gui.reset();
        BundleTest::TearDown();
    }
    PluginViewManager::KCImagePixels Render() {
        std::vector<unsigned char> png;
        EXPECT_EQ(gui->RenderToPNG(png), eNoErr);
        PluginViewManager::KCImagePixels pixels;
        EXPECT_EQ(PluginViewManager::DecodePNG(png.data(), png.size(), pixels), eNoErr);
        return pixels;
    }
    std::vector<std::string> HitAt(short x, short y) const {
        std::vector<std::string> names;
        for (const KCGUIControl* control : gui->CreateClickedList({x, y}, nullptr)) {
            names.emplace_back(control->GetName().c_str());
        }
        return names;
    }
    static int Count(const PluginViewManager::KCImagePixels& p, int left, int top, int right,
                     int bottom, std::uint32_t colour) {
        int n = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                n += p.At(x, y) == colour ? 1 : 0;
            }
        }
        return n;
    }

    testing::KnobTypes types;
    TestAlgorithm alg;
    std::unique_ptr<CStandardGUI_X> gui;
};

TEST_F(StandardGUIPages, OnlyTheCurrentPagesControlsAreDrawnAndHit) {
    EXPECT_EQ(gui->GetPageNames(), (std::vector<std::string>{"One", "Two"}));
    EXPECT_EQ(gui->GetCurrentPage(), "One") << "a paged GUI opens on its first page";

    PluginViewManager::KCImagePixels one = Render();
    EXPECT_EQ(one.At(20, 20), kRed);
    EXPECT_EQ(one.At(50, 20), kYellow) << "a control without a page shows on every page";
    EXPECT_EQ(HitAt(20, 20), (std::vector<std::string>{"A"})) << "B under A is not hit";
    EXPECT_EQ(HitAt(50, 20), (std::vector<std::string>{"C"}));
    EXPECT_FALSE(gui->NeedToRedrawGUI());

    gui->GetSelectionHome().Select(gui->GetControlPtrByName("A"));
    gui->SetCurrentPage("Two");
    EXPECT_TRUE(gui->NeedToRedrawGUI()) << "switching pages redraws";
    EXPECT_TRUE(gui->GetSelectedControls().empty()) << "a control gone from view is deselected";
    const PluginViewManager::KCImagePixels two = Render();
    EXPECT_EQ(two.At(20, 20), kGreen);
    EXPECT_EQ(two.At(50, 20), kYellow);
    EXPECT_EQ(HitAt(20, 20), (std::vector<std::string>{"B"}));

    gui->SetCurrentPage("Elsewhere");
    EXPECT_EQ(Render().At(20, 20), kBlue) << "no control of an unknown page";
    EXPECT_TRUE(HitAt(20, 20).empty());
    EXPECT_EQ(HitAt(50, 20), (std::vector<std::string>{"C"}));
}

TEST_F(StandardGUIPages, StaticTextsDrawInsideTheirRectangleOverTheirEraseBitmap) {
    const KCGUIControl* c = gui->GetControlPtrByName("C");
    ASSERT_EQ(c->GetStaticTexts().size(), 2U);
    EXPECT_EQ(c->GetStaticTexts()[0].GetEraseBitmap(), 203);

    const PluginViewManager::KCImagePixels p = Render();
    // The rectangle (36, 34)-(64, 54): white erase bitmap with black text on it.
    EXPECT_GT(Count(p, 36, 34, 64, 54, kWhite), 100) << "the erase bitmap";
    EXPECT_GT(Count(p, 36, 34, 64, 54, 0xFF000000U), 5) << "the text, in its font's colour";
    // The long text is cut at the rectangle: right of it stays the base picture.
    EXPECT_EQ(Count(p, 64, 34, 120, 54, kBlue), 56 * 20 - Count(p, 64, 34, 120, 54, 0));
    for (int y = 34; y < 54; ++y) {
        EXPECT_EQ(p.At(64, y), kBlue) << "row " << y;
        EXPECT_EQ(p.At(35, y), kBlue) << "row " << y;
    }
    EXPECT_EQ(Count(p, 70, 10, 116, 34, kBlue), 46 * 24) << "the hover text waits for a hover";
}

TEST_F(StandardGUIPages, AHoverTextShowsOnHoverInThePalettesTextColour) {
    KSWidgetPalette palette;
    palette.text = {255, 0, 0, 255};
    gui->SetWidgetPalette(palette);
    gui->GetControlPtrByName("C")->SetMouseHover();
    const PluginViewManager::KCImagePixels p = Render();
    EXPECT_GT(Count(p, 70, 10, 116, 34, kRed), 5) << "the palette's text colour";
    EXPECT_EQ(Count(p, 70, 10, 116, 34, 0xFF000000U), 0);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
