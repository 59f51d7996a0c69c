// Sub-views: instances made from template batches, laid out, bound to their own parameters,
// drawn, hit, dragged, paged, and added or removed while the GUI runs.
#include "korvane/gui/sub_views.h"

#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/gui/pvm/event_test_support.h"
#include "korvane/gui/pvm/png_image.h"
#include "korvane/gui/pvm/pvm_test_support.h"
#include "korvane/gui/testing/knob_control.h"
#include "korvane/gui/widget_basic.h"
#include "korvane/gui/widget_graph.h"
#include "korvane/gui/widget_scroller.h"
#include "korvane/gui/widget_slider.h"
#include "korvane/gui/widget_zoom_vertices_graph.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

namespace PVM = PluginViewManager;
using test_support::ParseXML;
using test_support::TestAlgorithm;

constexpr std::uint32_t kBlue = 0xFF0000FFU;
constexpr std::uint32_t kRed = 0xFFFF0000U;

std::string SolidPNG(int width, int height, std::uint32_t argb) {
    std::vector<std::uint8_t> rgba;
    for (int i = 0; i < width * height; ++i) {
        rgba.insert(rgba.end(),
                    {static_cast<std::uint8_t>(argb >> 16U), static_cast<std::uint8_t>(argb >> 8U),
                     static_cast<std::uint8_t>(argb), 255});
    }
    return PVM::testing::EncodePNG(width, height, rgba);
}

TEST(SubViewDescription, InstancesLineUpByTheirAlignment) {
    KTResContainerType* none = nullptr;
    X_CStandardGUI_SubViews gui(none);
    // Each first instance at (10, 20), 30 wide and 40 high, 5 apart.
    ASSERT_EQ(gui.ReadFromXML(ParseXML(R"(<GUIXML version='4'><SubViewRect_List>
      <SubView Name="H" Count="4" Spacing="5"><Rect Top="20" Left="10" Bottom="60" Right="40"/>
      </SubView>
      <SubView Name="V" Count="3" Spacing="5" Alignment="Vertical">
        <Rect Top="20" Left="10" Bottom="60" Right="40"/></SubView>
      <SubView Name="G" Count="5" Spacing="5" Alignment="Grid" Columns="3">
        <Rect Top="20" Left="10" Bottom="60" Right="40"/></SubView>
    </SubViewRect_List></GUIXML>)")),
              eNoErr);
    const auto rect = [&gui](const char* name, unsigned int index) {
        const KCSubView* view = gui.GetSubView(name, {index});
        return view != nullptr ? view->GetRect() : KURect<short>();
    };
    EXPECT_EQ(rect("H", 0), (KURect<short>{20, 10, 60, 40}));
    EXPECT_EQ(rect("H", 3), (KURect<short>{20, 115, 60, 145}));
    EXPECT_EQ(gui.GetSubView("H", {4}), nullptr);
    EXPECT_EQ(rect("V", 2), (KURect<short>{110, 10, 150, 40}));
    EXPECT_EQ(rect("G", 2), (KURect<short>{20, 80, 60, 110}));
    EXPECT_EQ(rect("G", 4), (KURect<short>{65, 45, 105, 75})) << "second row, second column";
    EXPECT_EQ(gui.GetSubView("G", {4})->GetName(), "G5");
}

TEST(SubViewDescription, TheReaderKeepsGeometryBatchesAndWhichSubViewsNest) {
    GUIXML::KCReader reader;
    reader.ReadSubViewRectList(ParseXML(R"(<SubViewRect_List>
      <SubView Name="Band" Count="4" Alignment="Grid" Columns="2" Spacing="3" ParamOffset="5"
               Page="Main">
        <Rect Top="1" Left="2" Bottom="11" Right="22"/><Batch Name="B"/><Batch Name="C"/>
      </SubView>
      <SubView Name="Dot" Count="99999" Alignment="Vertical"><Batch Name="D"/></SubView>
      <SubView Count="1"/>
    </SubViewRect_List>)"));
    reader.ReadTemplateBatchList(ParseXML(R"(<Control_Template_Batch_List>
      <Batch Name="B"><Control Name="Gain"/><SubView Name="Dot"/><Control Name="Freq"/></Batch>
    </Control_Template_Batch_List>)"));
    ASSERT_EQ(reader.GetSubViews().size(), 2U) << "a sub-view without a name is skipped";
    const GUIXML::KSSubView* band = reader.FindSubView("Band");
    ASSERT_NE(band, nullptr);
    EXPECT_EQ(band->count, 4U);
    EXPECT_EQ(band->alignment, GUIXML::ESubViewAlignment::eGrid);
    EXPECT_EQ(band->columns, 2U);
    EXPECT_EQ(band->spacing, 3);
    EXPECT_EQ(band->paramOffset, 5);
    EXPECT_EQ(band->page, "Main");
    EXPECT_EQ(band->rect, (KURect<short>{1, 2, 11, 22}));
    EXPECT_EQ(band->batches, (std::vector<std::string>{"B", "C"}));
    EXPECT_EQ(reader.FindSubView("Dot")->count, GUIXML::kMaxSubViewCount) << "capped";
    const GUIXML::KSTemplateBatch* batch = reader.FindBatch("B");
    ASSERT_NE(batch, nullptr);
    EXPECT_EQ(batch->controls, (std::vector<std::string>{"Gain", "Freq"}));
    EXPECT_EQ(batch->subViews, (std::vector<std::string>{"Dot"}));
    const auto top = reader.GetTopLevelSubViews();
    ASSERT_EQ(top.size(), 1U) << "a nested sub-view is laid out by its parent";
    EXPECT_EQ(top.front()->name, "Band");
}

// A 200 × 100 GUI over a blue picture: a plain control "Out" and two "Band" instances, 40 × 40
// each, 10 apart, from (10, 20). The band's template knob (red picture, 20 × 20 at the
// instance's corner) drives "Gain"; the second band's drives the parameter four further
// ("Frequency"). Each band nests two "Dot"s under the knob, one under the other.
constexpr const char* kGUI = R"(<GUIXML version='4'>
  <ViewRect_List><Rect Bottom="100" Right="200"/></ViewRect_List>
  <Pict_List><Image Type="Base" ResID="128"/></Pict_List>
  <Control_List>
    <cCONTROLLER Name="Out"><Class Type="Knob"/>
      <ControlRect left="170" top="70" width="20" height="20"/></cCONTROLLER>
  </Control_List>
  <Control_Template_List>
    <cCONTROLLER Name="Gain"><Class Type="Knob"/>
      <ControlRect left="0" top="0" width="20" height="20"/>
      <ImageList><Image Type="BackGround" ResID="200"/></ImageList>
      <ParameterList><Param Name="Gain"><MouseVertical/><MouseUp/></Param></ParameterList>
      <StaticText Text="G"><PositionRect left="0" top="22" width="20" height="10"/></StaticText>
    </cCONTROLLER>
    <cCONTROLLER Name="Led"><Class Type="Knob"/>
      <ControlRect left="0" top="0" width="4" height="4"/></cCONTROLLER>
  </Control_Template_List>
  <SubViewRect_List>
    <SubView Name="Band" Count="2" Spacing="10" ParamOffset="4">
      <Rect Top="20" Left="10" Bottom="60" Right="50"/><Batch Name="BandControls"/>
    </SubView>
    <SubView Name="Dot" Count="2" Alignment="Vertical" Spacing="1">
      <Rect Top="30" Left="30" Bottom="34" Right="34"/><Batch Name="DotControls"/>
    </SubView>
  </SubViewRect_List>
  <Control_Template_Batch_List>
    <Batch Name="BandControls"><Control Name="Gain"/><SubView Name="Dot"/></Batch>
    <Batch Name="DotControls"><Control Name="Led"/></Batch>
  </Control_Template_Batch_List>
</GUIXML>)";

class SubViews : public PVM::testing::BundleTest {
protected:
    void SetUp() override {
        BundleTest::SetUp();
        WriteResource("PNG_", "128", SolidPNG(200, 100, kBlue));
        WriteResource("PNG_", "200", SolidPNG(20, 20, kRed));
        OpenBundle();
        ASSERT_NE(container, nullptr);
        ASSERT_EQ(alg.FinishCreate(), 0);
        gui = std::make_unique<X_CStandardGUI_SubViews>(container);
        gui->AttachAlgorithm(&alg);
        ASSERT_EQ(gui->ReadFromXML(ParseXML(kGUI)), eNoErr);
        ASSERT_EQ(gui->FinishCreate(), 0);
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
    std::vector<std::string> HitAt(short x, short y) const {
        std::vector<std::string> names;
        for (const KCGUIControl* control : gui->CreateClickedList({x, y}, nullptr)) {
            names.emplace_back(control->GetName().c_str());
        }
        return names;
    }
    static PVM::KCEventData At(KCPoint2D<short> where, bool leftDown) {
        return PVM::testing::MouseEventAt(where, leftDown);
    }
    void Press(KCPoint2D<short> where) {
        PVM::KCEventData event = At(where, true);
        gui->DoMouseDown(event);
    }
    void MoveUp(KCPoint2D<short> from, short pixels) {
        PVM::KCEventData event = At({from.x, static_cast<short>(from.y - pixels)}, true);
        gui->DoMouseMove(event);
    }
    void Release(KCPoint2D<short> where) {
        PVM::KCEventData event = At(where, false);
        gui->DoMouseUp(event);
    }
    std::vector<std::string> ControlNames() const {
        std::vector<std::string> names;
        for (unsigned int i = 0; i < gui->GetNumGUIControllers(); ++i) {
            names.emplace_back(gui->GetControlPtrByIndex(i)->GetName().c_str());
        }
        return names;
    }

    testing::KnobTypes types;
    TestAlgorithm alg;
    std::unique_ptr<X_CStandardGUI_SubViews> gui;
};

TEST_F(SubViews, EachInstanceGetsTheTemplatesAtItsPlaceWithItsOwnParameters) {
    EXPECT_EQ(ControlNames(),
              (std::vector<std::string>{"Out", "Band1.Gain", "Band1.Dot1.Led", "Band1.Dot2.Led",
                                        "Band2.Gain", "Band2.Dot1.Led", "Band2.Dot2.Led"}));
    EXPECT_EQ(gui->GetNumTemplateControls(), 2U) << "the templates themselves stay templates";

    KCGUIControl* first = gui->GetSubViewControlPtr("Band", "Gain", {0});
    KCGUIControl* second = gui->GetSubViewControlPtr("Band", "Gain", {1});
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(gui->GetSubViewsControlPtrByName("Band2.Gain"), second);
    EXPECT_EQ(gui->GetSubViewsControlPtrByName("Out"), nullptr) << "not a sub-view's";
    EXPECT_EQ(first->GetBounds(), (KURect<short>{20, 10, 40, 30}));
    EXPECT_EQ(second->GetBounds(), (KURect<short>{20, 60, 40, 80})) << "one width and spacing on";
    ASSERT_EQ(second->GetStaticTexts().size(), 1U);
    EXPECT_EQ(second->GetStaticTexts()[0].GetRect(), (KURect<short>{42, 60, 52, 80}))
        << "the label moves with its control";

    EXPECT_EQ(first->GetLeadParamID(), TestAlgorithm::kGain);
    EXPECT_EQ(second->GetLeadParamID(), TestAlgorithm::kDragged) << "Gain + 4";
    EXPECT_EQ(gui->GetSubViewLeadParamID("Band", {1}), TestAlgorithm::kDragged);
    EXPECT_EQ(gui->GetSubViewLeadParamID("Band", {2}), kNoParamID);

    // Nested: relative to the band's corner, one under the other.
    const KCSubView* dot = gui->GetSubView("Dot", {1, 1});
    ASSERT_NE(dot, nullptr);
    EXPECT_EQ(dot->GetName(), "Band2.Dot2");
    EXPECT_EQ(dot->GetRect(), (KURect<short>{55, 90, 59, 94}));
    EXPECT_EQ(gui->GetSubViewControlPtr("Dot", "Led", {1, 1})->GetBounds(), dot->GetRect());
    EXPECT_EQ(gui->GetSubView("Dot", {2, 0}), nullptr);
    EXPECT_EQ(gui->GetSubView("Band", {0, 0}), nullptr) << "no band inside a band";
}

TEST_F(SubViews, InstancesAreDrawnAndTakeThePointerAsOrdinaryControls) {
    const PVM::KCImagePixels p = Render();
    EXPECT_EQ(p.At(20, 25), kRed) << "the first band's knob";
    EXPECT_EQ(p.At(70, 25), kRed) << "the second band's knob";
    EXPECT_EQ(p.At(45, 25), kBlue) << "the spacing between the bands";
    EXPECT_EQ(p.At(120, 25), kBlue) << "no third band";
    EXPECT_EQ(HitAt(70, 25), (std::vector<std::string>{"Band2.Gain"}));
    EXPECT_EQ(HitAt(91, 51), (std::vector<std::string>{"Band2.Dot1.Led"}));

    const double gain = alg.GetParamState(TestAlgorithm::kGain);
    const double frequency = alg.GetParamState(TestAlgorithm::kDragged);
    Press({70, 30});
    MoveUp({70, 30}, 20);
    Release({70, 10});
    EXPECT_GT(alg.GetParamState(TestAlgorithm::kDragged), frequency)
        << "the second band drives its own parameter";
    EXPECT_EQ(alg.GetParamState(TestAlgorithm::kGain), gain) << "not the template's";

    // A change of the parameter reaches the instance that shows it.
    auto* first = dynamic_cast<testing::Knob*>(gui->GetSubViewControlPtr("Band", "Gain", {0}));
    auto* second = dynamic_cast<testing::Knob*>(gui->GetSubViewControlPtr("Band", "Gain", {1}));
    const int before = first->refreshes;
    const int untouched = second->refreshes;
    alg.UpdateParamState(TestAlgorithm::kGain, 900);
    EXPECT_EQ(alg.UpdateDisplay(TestAlgorithm::kGain), 0);
    EXPECT_EQ(first->refreshes, before + 1);
    EXPECT_EQ(second->refreshes, untouched);
    EXPECT_TRUE(alg.ControllerExists(TestAlgorithm::kDragged, 0, second));
}

TEST_F(SubViews, ASubViewsPageShowsAndHidesItsControls) {
    std::string paged(kGUI);
    paged.insert(paged.find("ParamOffset"), "Page=\"Bands\" ");
    gui = std::make_unique<X_CStandardGUI_SubViews>(container);
    gui->AttachAlgorithm(&alg);
    ASSERT_EQ(gui->ReadFromXML(ParseXML(paged)), eNoErr);
    ASSERT_EQ(gui->FinishCreate(), 0);
    ASSERT_EQ(gui->GetSubViewControlPtr("Band", "Gain", {0})->GetPageName(), "Bands");
    ASSERT_EQ(gui->GetSubViewControlPtr("Dot", "Led", {0, 0})->GetPageName(), "Bands")
        << "nested instances share their parent's page";
    gui->SetCurrentPage("Other");
    EXPECT_EQ(Render().At(20, 25), kBlue);
    EXPECT_TRUE(HitAt(20, 25).empty());
    gui->SetCurrentPage("Bands");
    EXPECT_EQ(Render().At(20, 25), kRed);
    EXPECT_EQ(HitAt(20, 25), (std::vector<std::string>{"Band1.Gain"}));
}

TEST_F(SubViews, InstancesComeAndGoWhileTheGUIRuns) {
    EXPECT_EQ(gui->AddSubViewControls("Band", {1}), eSomeThingInitailzedTwice);
    EXPECT_EQ(gui->AddSubViewControls("Nothing", {0}), eValueNotFound);
    EXPECT_EQ(gui->AddSubViewControls("Band", {GUIXML::kMaxSubViewCount}), eControlOutOfRange);
    EXPECT_EQ(gui->AddSubViewControls("Dot", {5, 0}), eValueNotFound) << "no such parent";

    ASSERT_EQ(gui->AddSubViewControls("Band", {2}), eNoErr);
    KCGUIControl* third = gui->GetSubViewControlPtr("Band", "Gain", {2});
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->GetBounds(), (KURect<short>{20, 110, 40, 130}));
    EXPECT_EQ(third->GetLeadParamID(), kNoParamID) << "Gain + 8 is no parameter";
    EXPECT_EQ(dynamic_cast<testing::Knob&>(*third).finished, 1) << "a late control is completed";
    EXPECT_EQ(Render().At(120, 25), kRed);

    // A parameter reaches an instance added after the GUI was made.
    ASSERT_EQ(gui->RemoveSubViewControls("Band", {2}), eNoErr);
    EXPECT_EQ(gui->GetSubView("Band", {2}), nullptr);
    ASSERT_EQ(gui->RemoveSubViewControls("Band", {0}), eNoErr);
    ASSERT_EQ(gui->AddSubViewControls("Band", {0}), eNoErr);
    auto* again = dynamic_cast<testing::Knob*>(gui->GetSubViewControlPtr("Band", "Gain", {0}));
    ASSERT_NE(again, nullptr);
    const int before = again->refreshes;
    alg.UpdateParamState(TestAlgorithm::kGain, 100);
    EXPECT_EQ(alg.UpdateDisplay(TestAlgorithm::kGain), 0);
    EXPECT_EQ(again->refreshes, before + 1);

    ASSERT_EQ(gui->RemoveSubViewControls("Dot", {1, 0}), eNoErr);
    EXPECT_EQ(gui->GetSubViewsControlPtrByName("Band2.Dot1.Led"), nullptr);
    EXPECT_NE(gui->GetSubViewsControlPtrByName("Band2.Dot2.Led"), nullptr);
    EXPECT_EQ(gui->RemoveSubViewControls("Dot", {1, 0}), eValueNotFound);

    // Removed in the middle of a drag: the release must not reach it.
    Press({70, 30});
    MoveUp({70, 30}, 5);
    ASSERT_EQ(gui->ReplaceSubView("Band", {1}), eNoErr);
    Release({70, 25});
    EXPECT_FALSE(gui->IsMouseCaptured());
    EXPECT_EQ(gui->GetActiveControl(), nullptr);
    EXPECT_EQ(HitAt(70, 25), (std::vector<std::string>{"Band2.Gain"}));

    gui->RemoveSubViews();
    EXPECT_EQ(ControlNames(), (std::vector<std::string>{"Out"}));
    EXPECT_EQ(Render().At(20, 25), kBlue);
}

TEST(SubViewsNesting, ASubViewThatHoldsItselfStopsAtTheDepthLimit) {
    testing::KnobTypes types;
    KTResContainerType* none = nullptr;
    X_CStandardGUI_SubViews gui(none);
    ASSERT_EQ(gui.ReadFromXML(ParseXML(R"(<GUIXML version='4'>
      <Control_Template_List>
        <cCONTROLLER Name="K"><Class Type="Knob"/>
          <ControlRect left="0" top="0" width="2" height="2"/></cCONTROLLER>
      </Control_Template_List>
      <SubViewRect_List>
        <SubView Name="Top" Count="1"><Rect Bottom="2" Right="2"/><Batch Name="T"/></SubView>
        <SubView Name="Loop" Count="1"><Rect Bottom="2" Right="2"/><Batch Name="L"/></SubView>
      </SubViewRect_List>
      <Control_Template_Batch_List>
        <Batch Name="T"><SubView Name="Loop"/></Batch>
        <Batch Name="L"><Control Name="K"/><SubView Name="Loop"/></Batch>
      </Control_Template_Batch_List>
    </GUIXML>)")),
              eNoErr);
    EXPECT_EQ(gui.GetNumGUIControllers(), GUIXML::kMaxSubViewDepth - 1);
}

TEST(SubViewsPlacement, SlidersRadioButtonsAndGraphsKeepTheirPartsWithTheInstance) {
    // The second instance sits 60 right and 20 down of the templates' origin.
    KTResContainerType* none = nullptr;
    X_CStandardGUI_SubViews gui(none);
    ASSERT_EQ(gui.ReadFromXML(ParseXML(R"(<GUIXML version='4'>
      <Control_Template_List>
        <cCONTROLLER Name="Fader"><Class Type="Slider"/>
          <ControlRect left="0" top="0" width="20" height="40"/>
          <Slit><ThumbMovementArea left="0" top="0" width="20" height="40"/>
            <BackGroundPictRect left="5" top="0" width="10" height="40"/>
            <ResetFromRect left="0" top="30" width="20" height="10"/>
            <ThumbSize width="20" height="10"/></Slit>
        </cCONTROLLER>
        <cCONTROLLER Name="Mode"><Class Type="RadioButton"/>
          <ControlRect left="20" top="0" width="20" height="10"/>
          <RadioButtonDivision><Rect left="20" top="0" width="10" height="10"/></RadioButtonDivision>
          <RadioButtonDivision><Rect left="30" top="0" width="10" height="10"/></RadioButtonDivision>
        </cCONTROLLER>
        <cCONTROLLER Name="Curve"><Class Type="Graph"/>
          <ControlRect left="20" top="10" width="20" height="30"/>
          <DrawArea left="22" top="12" width="16" height="26"/>
          <ClippingArea left="24" top="14" width="12" height="22"/>
        </cCONTROLLER>
      </Control_Template_List>
      <SubViewRect_List>
        <SubView Name="S" Count="2" Spacing="10">
          <Rect Top="20" Left="10" Bottom="60" Right="50"/><Batch Name="T"/></SubView>
      </SubViewRect_List>
      <Control_Template_Batch_List>
        <Batch Name="T"><Control Name="Fader"/><Control Name="Mode"/><Control Name="Curve"/></Batch>
      </Control_Template_Batch_List>
    </GUIXML>)")),
              eNoErr);
    ASSERT_EQ(gui.FinishCreate(), 0);

    auto* fader = dynamic_cast<CSlider_X*>(gui.GetSubViewControlPtr("S", "Fader", {1}));
    ASSERT_NE(fader, nullptr);
    EXPECT_EQ(fader->GetControlRect(), (KURect<short>{20, 60, 60, 80}));
    EXPECT_EQ(fader->GetMovementRect(), (KURect<short>{20, 60, 60, 80}));
    EXPECT_EQ(fader->GetBackgroundPictRect(), (KURect<short>{20, 65, 60, 75}));
    EXPECT_EQ(fader->GetResetFromRect(), (KURect<short>{50, 60, 60, 80}));
    EXPECT_TRUE(fader->GetThumbRect().IsIntersecting(fader->GetMovementRect()))
        << "the thumb runs in the instance's travel";
    EXPECT_TRUE(fader->IsPointInside({70, 25}, nullptr));
    EXPECT_EQ(gui.CreateClickedList({70, 25}, nullptr).size(), 1U);

    auto* mode = dynamic_cast<CRadioButton_X*>(gui.GetSubViewControlPtr("S", "Mode", {1}));
    ASSERT_NE(mode, nullptr);
    EXPECT_EQ(mode->DivisionAt({95, 25}), 1);
    EXPECT_EQ(mode->DivisionAt({35, 5}), -1) << "nothing left at the template's place";
    EXPECT_TRUE(mode->IsPointInside({85, 25}, nullptr));

    auto* curve = dynamic_cast<KCGraph*>(gui.GetSubViewControlPtr("S", "Curve", {1}));
    ASSERT_NE(curve, nullptr);
    EXPECT_EQ(curve->GetDrawArea(), (KURect<short>{32, 82, 58, 98}));
    EXPECT_EQ(curve->GetClippingArea(), (KURect<short>{34, 84, 56, 96}));
}

// Two "Lane" instances, one under the other, each a 100 × 40 graph over x 0 ... 100 with a
// 100 × 10 scroll bar below it that names the graph; "Overview" (outside the sub-views) names
// the second lane's graph by its full name.
constexpr const char* kLanes = R"(<GUIXML version='4'>
  <Control_List>
    <cCONTROLLER Name="Overview"><Class Type="Scrollbar"/>
      <ControlRect left="0" top="100" width="100" height="10"/>
      <DependentsList><Dependent Name="Lane2.Graph"/></DependentsList></cCONTROLLER>
  </Control_List>
  <Control_Template_List>
    <cCONTROLLER Name="Graph"><Class Type="ZoomVerticesGraph"/>
      <ControlRect left="0" top="0" width="100" height="40"/>
      <DataRange XMin="0" XMax="100" YMin="-10" YMax="10"/></cCONTROLLER>
    <cCONTROLLER Name="Scroll"><Class Type="Scrollbar"/>
      <ControlRect left="0" top="40" width="100" height="10"/>
      <DependentsList><Dependent Name="Graph"/></DependentsList></cCONTROLLER>
  </Control_Template_List>
  <SubViewRect_List>
    <SubView Name="Lane" Count="2" Alignment="Vertical">
      <Rect Top="0" Left="0" Bottom="50" Right="100"/><Batch Name="L"/></SubView>
  </SubViewRect_List>
  <Control_Template_Batch_List>
    <Batch Name="L"><Control Name="Graph"/><Control Name="Scroll"/></Batch>
  </Control_Template_Batch_List>
</GUIXML>)";

TEST(SubViewsDependents, EachInstancesScrollBarDrivesItsOwnGraph) {
    KTResContainerType* none = nullptr;
    X_CStandardGUI_SubViews gui(none);
    ASSERT_EQ(gui.ReadFromXML(ParseXML(kLanes)), eNoErr);
    ASSERT_EQ(gui.FinishCreate(), 0);
    const auto graph = [&gui](unsigned int lane) {
        return dynamic_cast<KCZoomVerticesGraph*>(
            gui.GetSubViewControlPtr("Lane", "Graph", {lane}));
    };
    const auto bar = [&gui](unsigned int lane) {
        return dynamic_cast<CScroller*>(gui.GetSubViewControlPtr("Lane", "Scroll", {lane}));
    };
    ASSERT_NE(graph(0), nullptr);
    ASSERT_NE(graph(1), nullptr);
    ASSERT_NE(bar(1), nullptr);
    EXPECT_EQ(bar(0)->GetTarget(), graph(0));
    EXPECT_EQ(bar(1)->GetTarget(), graph(1)) << "its own lane's, not the first found";
    auto* overview = dynamic_cast<CScroller*>(gui.GetControlPtrByName("Overview"));
    ASSERT_NE(overview, nullptr);
    EXPECT_EQ(overview->GetTarget(), graph(1));

    // The second lane's thumb (x 25 ... 75, y 90 ... 100) dragged 10 of its 50 free pixels.
    graph(0)->UpdateDisplayCoordinateSystem(25, 75, -10, 10);
    graph(1)->UpdateDisplayCoordinateSystem(25, 75, -10, 10);
    PVM::KCEventData event;
    event.SetMouseClickCount(PVM::eSingleClick);
    event.SetMouseButtonPressed(PVM::eLeftButton, true);
    event.SetMouseLocation({50, 95});
    event.SetMouseDownLocation({50, 95});
    gui.DoMouseDown(event);
    event.SetMouseLocation({60, 95});
    gui.DoMouseMove(event);
    event.SetMouseButtonPressed(PVM::eLeftButton, false);
    gui.DoMouseUp(event);
    EXPECT_NEAR(graph(1)->GetDisplayWindow().xMin, 35, 1e-9);
    EXPECT_NEAR(graph(0)->GetDisplayWindow().xMin, 25, 1e-9) << "the other lane stays";

    // An instance made again while the GUI runs finds its new graph; no one keeps the old one.
    ASSERT_EQ(gui.ReplaceSubView("Lane", {1}), eNoErr);
    ASSERT_NE(bar(1), nullptr);
    EXPECT_EQ(bar(1)->GetTarget(), graph(1));
    EXPECT_EQ(overview->GetTarget(), nullptr) << "its graph was destroyed; resolved only once";
    ASSERT_EQ(gui.RemoveSubViewControls("Lane", {0}), eNoErr);
    EXPECT_EQ(bar(1)->GetTarget(), graph(1));
}

TEST(SubViewsPlacement, TheGUIGrowsToHoldItsInstances) {
    // A 100 × 50 view whose three 40 × 40 bands, 10 apart from (10, 5), end at x 150, y 45; the
    // third band's knob sticks out below its band to y 60.
    KTResContainerType* none = nullptr;
    testing::KnobTypes types;
    X_CStandardGUI_SubViews gui(none);
    ASSERT_EQ(gui.ReadFromXML(ParseXML(R"(<GUIXML version='4'>
      <ViewRect_List><Rect Bottom="50" Right="100"/></ViewRect_List>
      <Control_Template_List>
        <cCONTROLLER Name="K"><Class Type="Knob"/>
          <ControlRect left="0" top="20" width="40" height="35"/></cCONTROLLER>
      </Control_Template_List>
      <SubViewRect_List>
        <SubView Name="Band" Count="3" Spacing="10">
          <Rect Top="5" Left="10" Bottom="45" Right="50"/><Batch Name="T"/></SubView>
      </SubViewRect_List>
      <Control_Template_Batch_List><Batch Name="T"><Control Name="K"/></Batch>
      </Control_Template_Batch_List>
    </GUIXML>)")),
              eNoErr);
    ASSERT_EQ(gui.FinishCreate(), 0);
    EXPECT_EQ(gui.GetGUIRect(), (KURect<short>{0, 0, 60, 150}));

    std::vector<unsigned char> png;
    ASSERT_EQ(gui.RenderToPNG(png), eNoErr);
    PVM::KCImagePixels pixels;
    ASSERT_EQ(PVM::DecodePNG(png.data(), png.size(), pixels), eNoErr);
    EXPECT_EQ(pixels.width, 150);
    EXPECT_EQ(pixels.height, 60);
    const KCRGBAColor& knob = kDefaultWidgetPalette.background;
    const std::uint32_t drawn = (std::uint32_t{knob.alpha} << 24U) |
                                (std::uint32_t{knob.red} << 16U) |
                                (std::uint32_t{knob.green} << 8U) | std::uint32_t{knob.blue};
    EXPECT_EQ(pixels.At(130, 55), drawn) << "the third knob, outside the described view";

    // An instance added later widens it again; removing one keeps the window as it is.
    ASSERT_EQ(gui.AddSubViewControls("Band", {4}), eNoErr);
    EXPECT_EQ(gui.GetGUIRect(), (KURect<short>{0, 0, 60, 250}));
    ASSERT_EQ(gui.RemoveSubViewControls("Band", {4}), eNoErr);
    EXPECT_EQ(gui.GetGUIRect(), (KURect<short>{0, 0, 60, 250}));
}

TEST(SubViewsNesting, NestedCountsStayWithinTheGUIsBudget) {
    // 256 × 256 × 256 instances asked for: only the budget is made, and the reading says so.
    KTResContainerType* none = nullptr;
    X_CStandardGUI_SubViews gui(none);
    ASSERT_EQ(gui.ReadFromXML(ParseXML(R"(<GUIXML version='4'>
      <SubViewRect_List>
        <SubView Name="A" Count="256"><Rect Bottom="2" Right="2"/><Batch Name="TA"/></SubView>
        <SubView Name="B" Count="256"><Rect Bottom="2" Right="2"/><Batch Name="TB"/></SubView>
        <SubView Name="C" Count="256"><Rect Bottom="2" Right="2"/></SubView>
      </SubViewRect_List>
      <Control_Template_Batch_List>
        <Batch Name="TA"><SubView Name="B"/></Batch>
        <Batch Name="TB"><SubView Name="C"/></Batch>
      </Control_Template_Batch_List>
    </GUIXML>)")),
              eNoErr);
    EXPECT_EQ(gui.GetSubViewsResult(), eControlOutOfRange);
    std::size_t made = 0;
    std::vector<const KCSubView*> pending;
    for (const auto& view : gui.GetSubViews()) {
        pending.push_back(view.get());
    }
    while (!pending.empty()) {
        const KCSubView* view = pending.back();
        pending.pop_back();
        ++made;
        for (const auto& child : view->children) {
            pending.push_back(child.get());
        }
    }
    EXPECT_EQ(made, X_CStandardGUI_SubViews::kMaxSubViewInstances);
    EXPECT_EQ(gui.GetSubView("A", {5}), nullptr) << "the first instance used it all";
    EXPECT_EQ(gui.AddSubViewControls("A", {5}), eControlOutOfRange);

    // Removing instances gives their share of the budget back.
    ASSERT_EQ(gui.RemoveSubViewControls("A", {0}), eNoErr);
    EXPECT_EQ(gui.AddSubViewControls("A", {5}), eNoErr);
}

TEST(SubViewsNesting, FarOffParameterOffsetsDoNotOverflow) {
    GUIXML::KCReader reader;
    reader.ReadSubViewRectList(ParseXML(R"(<SubViewRect_List>
      <SubView Name="Up" Count="3" ParamOffset="2000000000"/>
      <SubView Name="Down" Count="3" ParamOffset="-2000000000"/>
    </SubViewRect_List>)"));
    const GUIXML::KSSubView* up = reader.FindSubView("Up");
    ASSERT_NE(up, nullptr);
    EXPECT_EQ(up->paramOffset, GUIXML::kMaxSubViewParamOffset);
    EXPECT_EQ(reader.FindSubView("Down")->paramOffset, -GUIXML::kMaxSubViewParamOffset);
    EXPECT_EQ(KCSubView(*up, 2, nullptr).GetParamOffset(), 2 * GUIXML::kMaxSubViewParamOffset);

    // A description made in code is not clamped: the sum is held at the ends of int instead.
    GUIXML::KSSubView huge = *up;
    huge.paramOffset = std::numeric_limits<int>::max();
    const KCSubView parent(huge, 255, nullptr);
    EXPECT_EQ(parent.GetParamOffset(), std::numeric_limits<int>::max());
    EXPECT_EQ(KCSubView(huge, 3, &parent).GetParamOffset(), std::numeric_limits<int>::max());
    huge.paramOffset = std::numeric_limits<int>::min();
    EXPECT_EQ(KCSubView(huge, 2, nullptr).GetParamOffset(), std::numeric_limits<int>::min());
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
