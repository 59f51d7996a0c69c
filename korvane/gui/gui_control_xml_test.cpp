// A control's description: every flag and synonym, the fields, the images and a skin applied
// over an existing control, each written back and read again.
#include "korvane/gui/gui_control.h"

#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/algorithm/testing/control_test_algorithm.h"
#include "korvane/xml/xml_element.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

namespace kvKorvaneV10_0_3 {
namespace {

using test_support::ControlTestAlgorithm;
using test_support::ParseXML;

struct Widget : KCGUIControl {
    [[nodiscard]] KCBaseControl* Clone() const override { return new Widget(*this); }
};

class ControlXML : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(alg.FinishCreate(), 0); }

    void Read(Widget& widget, const std::string& text, bool update = false) {
        widget.ReadFromXMLWithAlg(ParseXML(text), &alg, update);
    }
    // Written and read into a new control.
    std::unique_ptr<Widget> RoundTrip(const Widget& widget, XML::CXMLElement* out = nullptr) {
        XML::CXMLElement parent("GUI", "");
        widget.WriteToXMLWithAlg(parent, &alg, "cCONTROLLER");
        EXPECT_EQ(parent.GetSubElements().size(), 1U);
        auto back = std::make_unique<Widget>();
        back->ReadFromXMLWithAlg(*parent.GetSubElements()[0], &alg, false);
        if (out != nullptr) {
            *out = *parent.GetSubElements()[0];
        }
        return back;
    }

    ControlTestAlgorithm alg;
};

// Every one of the 41 flag numbers that has a name survives a write and a read, alone and all
// together; 32 and 33 have none.
TEST_F(ControlXML, EveryFlagRoundTrips) {
    std::uint64_t all = 0;
    for (unsigned int bit = 0; bit < kControlFlagCount; ++bit) {
        KCFixedString<63> name;
        ControlFlag2String(static_cast<EControlFlags>(bit), name);
        if (bit == 32 || bit == 33) {
            EXPECT_TRUE(name.empty()) << bit;
            continue;
        }
        ASSERT_FALSE(name.empty()) << bit;
        Widget widget;
        Read(widget, "<cCONTROLLER Name='W'><Flags><" + std::string(name.c_str()) +
                         "/></Flags></cCONTROLLER>");
        const std::uint64_t expected = std::uint64_t{1} << bit;
        EXPECT_EQ(widget.GetControlFlags(), expected) << name.c_str();
        XML::CXMLElement written;
        EXPECT_EQ(RoundTrip(widget, &written)->GetControlFlags(), expected) << name.c_str();
        ASSERT_NE(written.SubElement("Flags"), nullptr);
        EXPECT_NE(written.SubElement("Flags")->SubElement(name.c_str()), nullptr);
        all |= expected;
    }
    Widget widget;
    for (unsigned int bit = 0; bit < kControlFlagCount; ++bit) {
        widget.SetControlFlag(static_cast<EControlFlags>(bit), bit != 32 && bit != 33);
    }
    EXPECT_EQ(widget.GetControlFlags(), all);
    EXPECT_EQ(RoundTrip(widget)->GetControlFlags(), all);

    XML::CXMLElement written;
    static_cast<void>(RoundTrip(Widget(), &written));
    EXPECT_EQ(written.SubElement("Flags"), nullptr) << "no flags, no element";
}

TEST_F(ControlXML, SynonymsOffAndTheFlagsThatAreNoBits) {
    Widget widget;
    Read(widget,
         "<cCONTROLLER Name='W'><Flags><SliderCopyFromBackground/><ClippingRect/>"
         "<Momentary Value='OFF'/><NoSuchFlag/><NoMultipleSelection/><Hidden/>"
         "</Flags></cCONTROLLER>");
    EXPECT_TRUE(widget.GetControlFlag(eCtrlEraseWithBackground));
    EXPECT_TRUE(widget.GetControlFlag(eCtrlShouldClip));
    EXPECT_FALSE(widget.GetControlFlag(eCtrlMomentary));
    EXPECT_TRUE(widget.GetControlFlag(eCtrlHidden));
    EXPECT_TRUE(widget.IsHidden()) << "\"Hidden\" also hides the control";
    EXPECT_FALSE(widget.CanBeInMultipleSelection());
    EXPECT_EQ(widget.GetControlFlags(), (std::uint64_t{1} << eCtrlEraseWithBackground) |
                                            (std::uint64_t{1} << eCtrlShouldClip) |
                                            (std::uint64_t{1} << eCtrlHidden))
        << "\"NoMultipleSelection\" is no bit";

    XML::CXMLElement written;
    const auto back = RoundTrip(widget, &written);
    const XML::CXMLElement* flags = written.SubElement("Flags");
    ASSERT_NE(flags, nullptr);
    EXPECT_NE(flags->SubElement("EraseWithBackground"), nullptr);
    EXPECT_EQ(flags->SubElement("SliderCopyFromBackground"), nullptr);
    EXPECT_NE(flags->SubElement("ShouldClip"), nullptr);
    EXPECT_TRUE(back->IsHidden());

    // "OFF" in any case clears a flag a skin finds set.
    Read(widget,
         "<cCONTROLLER><Flags><ShouldClip Value='oFf'/><Hidden value='x' Value='Off'/>"
         "</Flags></cCONTROLLER>",
         true);
    EXPECT_FALSE(widget.GetControlFlag(eCtrlShouldClip));
    EXPECT_FALSE(widget.GetControlFlag(eCtrlHidden));
    EXPECT_FALSE(widget.IsHidden());
    EXPECT_TRUE(widget.GetControlFlag(eCtrlEraseWithBackground)) << "untouched by the skin";
    EXPECT_EQ(widget.GetName(), "W");
}

TEST_F(ControlXML, FieldsRoundTrip) {
    Widget widget;
    Read(widget, R"(<cCONTROLLER Name="Knob1" Page="Main">
      <Class>KCKnob</Class>
      <DependentsList><Dependent Name="A"/><DrawDependent Name="B"/></DependentsList>
      <FatherControl>Group</FatherControl>
      <MaxSelection>3</MaxSelection>
      <AcceptableCharactersForTextEntry>0123456789</AcceptableCharactersForTextEntry>
      <Direction>omni</Direction>
      <DisableMode>WhenAllDisabled</DisableMode>
      <ControlRect left="10" top="20" width="30" height="40"/>
      <GeneralRect1 left="1" top="2" width="3" height="4"/>
      <GeneralRect2 left="5" top="6" width="7" height="8"/>
      <Unknown/>
      <ImageList>
        <Image Type="BackGround" ResID="200"/>
        <Image Type="BackGround" File="back2.png"/>
        <Image Type="ForeGround" File="knob.png"/>
        <Image Type="Selection" Level="Hover" ResID="205"/>
        <Image Type="Selection" Level="Sideways" ResID="206"/>
        <Image Type="AlphaSelection" ResID="207"/>
        <Image Type="ScaleMarksMask" ResID="208"/>
        <Image Type="AdditionalImages" ResID="209"/>
      </ImageList>
      <ParameterList><Param Name="Gain" Modifiers="Primary Alt"><MouseVertical/></Param>
        <Param Name="Mode" LeadParam="true"><MouseUp/></Param></ParameterList>
    </cCONTROLLER>)");
    const auto check = [](const Widget& w) {
        EXPECT_EQ(w.GetName(), "Knob1");
        EXPECT_EQ(w.GetPageName(), "Main");
        EXPECT_EQ(w.GetClassName(), "KCKnob");
        ASSERT_EQ(w.GetDependentNames().size(), 1U);
        EXPECT_EQ(w.GetDependentNames()[0], "A");
        ASSERT_EQ(w.GetDrawDependentNames().size(), 1U);
        EXPECT_EQ(w.GetDrawDependentNames()[0], "B");
        EXPECT_EQ(w.GetFatherControlName(), "Group");
        EXPECT_EQ(w.GetMaxSelection(), 3);
        EXPECT_EQ(w.GetAcceptableCharactersForTextEntry(), "0123456789");
        EXPECT_EQ(w.GetDirection(), eDirectionOmni);
        EXPECT_EQ(w.GetDisableMode(), eDisableWhenAllDisabled);
        EXPECT_EQ(w.GetControlRect(), KURect<short>(20, 10, 60, 40));
        EXPECT_EQ(w.GetGeneralRect1(), KURect<short>(2, 1, 6, 4));
        EXPECT_EQ(w.GetGeneralRect2(), KURect<short>(6, 5, 14, 12));
        const KCControlImageList& images = w.GetImages();
        ASSERT_EQ(images.background.size(), 2U);
        EXPECT_EQ(images.background[0].resID, 200);
        EXPECT_EQ(images.background[1].file, "back2.png");
        ASSERT_EQ(images.foreground.size(), 1U);
        EXPECT_EQ(images.selection[eSelectLevelHover].resID, 205);
        int selectionImages = 0;
        for (const KCImageReference& image : images.selection) {
            selectionImages += image.IsSet() ? 1 : 0;
        }
        EXPECT_EQ(selectionImages, 1) << "a selection image of an unknown level is ignored";
        EXPECT_EQ(images.alphaSelection.resID, 207);
        EXPECT_EQ(images.scaleMarksMask.resID, 208);
        ASSERT_EQ(images.additional.size(), 1U);
        ASSERT_EQ(w.GetRegistrations().size(), 2U);
        EXPECT_TRUE(w.GetRegistrations()[0].modifiers[eModAlt]);
        EXPECT_FALSE(w.GetRegistrations()[0].modifiers[eModPrimary]);
        EXPECT_EQ(w.GetLeadParamIndex(), 1U);
    };
    check(widget);
    const auto back = RoundTrip(widget);
    check(*back);
    EXPECT_EQ(back->GetImages(), widget.GetImages());

    Widget defaults;
    Read(defaults, "<cCONTROLLER Name='D'/>");
    Read(widget, "<cCONTROLLER Name='D'/>");
    EXPECT_TRUE(widget.GetImages().IsEmpty()) << "a full read starts from the defaults";
    EXPECT_EQ(widget.GetControlRect(), KURect<short>());
    EXPECT_TRUE(widget.GetClassName().empty());
    EXPECT_EQ(defaults.GetAcceptableCharactersForTextEntry(), "0123456789.+-");
    EXPECT_EQ(defaults.GetDirection(), eDirectionNone);
    EXPECT_EQ(defaults.GetDisableMode(), eDisableWhenRequested);
    EXPECT_EQ(RoundTrip(defaults)->GetDirection(), eDirectionNone);
}

// A skin changes only what its element holds.
TEST_F(ControlXML, SkinUpdateChangesOnlyWhatItHolds) {
    Widget widget;
    Read(widget, R"(<cCONTROLLER Name="K" Page="P"><Class>KCKnob</Class>
      <ControlRect left="10" top="20" width="30" height="40"/>
      <ImageList><Image Type="BackGround" ResID="1"/><Image Type="BackGround" ResID="2"/>
        <Image Type="ForeGround" ResID="3"/><Image Type="Selection" Level="Active" ResID="4"/>
      </ImageList>
      <Flags><DefaultDraw/></Flags>
      <ParameterList><Param Name="Gain"><MouseVertical/></Param></ParameterList>
    </cCONTROLLER>)");
    widget.UpdateFromXMLWithAlg(ParseXML(R"(<cCONTROLLER>
      <ControlRect left="0" top="0" width="50" height="50"/>
      <ImageList><Image Type="BackGround" ResID="9"/><Image Type="Selection" Value="off"/>
      </ImageList></cCONTROLLER>)"),
                                &alg);
    EXPECT_EQ(widget.GetName(), "K");
    EXPECT_EQ(widget.GetPageName(), "P");
    EXPECT_EQ(widget.GetClassName(), "KCKnob");
    EXPECT_EQ(widget.GetControlRect(), KURect<short>(0, 0, 50, 50));
    ASSERT_EQ(widget.GetImages().background.size(), 1U);
    EXPECT_EQ(widget.GetImages().background[0].resID, 9);
    ASSERT_EQ(widget.GetImages().foreground.size(), 1U) << "the skin names no foreground";
    EXPECT_FALSE(widget.GetImages().selection[eSelectLevelActive].IsSet());
    EXPECT_TRUE(widget.GetControlFlag(eCtrlDefaultDraw));
    EXPECT_EQ(widget.GetRegistrations().size(), 1U);

    widget.UpdateFromXMLWithAlg(
        ParseXML("<cCONTROLLER><ImageList><Image Type='ForeGround' Value='off'/></ImageList>"
                 "</cCONTROLLER>"),
        &alg);
    EXPECT_TRUE(widget.GetImages().foreground.empty());
    EXPECT_EQ(widget.GetImages().background.size(), 1U);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
