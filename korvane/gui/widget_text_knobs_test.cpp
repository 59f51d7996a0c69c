// Text knobs on a real algorithm: the multi-field knob splits at every separator, steps a field
// with decimal carries and sets the parameter through its text, drags the field under the
// press on either axis, edits on a double click only when asked; the text knob steps on the
// press only with "SupportMouseDown"; both write their description back.
#include "korvane/gui/widget_text_knobs.h"

#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/algorithm/testing/control_test_algorithm.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gs/gs_yaml.h"
#include "korvane/gui/testing/widget_test_support.h"
#include "korvane/gui/widget_text_entry.h"
#include "korvane/xml/xml_element.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using test_support::ControlTestAlgorithm;
using test_support::ParseXML;
using testing::At;
using testing::Yaml;
using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;
namespace PVM = PluginViewManager;

// The pointer at (x, y) during a press that began at `from`.
PVM::KCEventData Moved(KCPoint2D<short> from, short x, short y) {
    PVM::KCEventData event = At(from.x, from.y);
    event.SetMouseLocation({x, y});
    return event;
}

TEST(MultiFieldText, SplitsAtEverySeparator) {
    const auto fields = X_CMultiField::SplitFields("1+2|3:4.5 dB");
    ASSERT_EQ(fields.size(), 5U);
    const std::string separators = "+|:.";
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(fields[i].text, std::to_string(i + 1));
        EXPECT_EQ(fields[i].separator, separators[i]);
    }
    EXPECT_EQ(fields[4].text, "5 dB");
    EXPECT_EQ(fields[4].separator, '\0');
    EXPECT_TRUE(X_CMultiField::SplitFields("").empty());
    const auto open = X_CMultiField::SplitFields("12.");
    ASSERT_EQ(open.size(), 2U) << "a trailing separator leaves an empty last field";
    EXPECT_EQ(open[1].text, "");
    EXPECT_EQ(X_CMultiField::SplitFields("-3 dB").size(), 1U) << "a minus is no separator";
    EXPECT_FALSE(X_CMultiField::IsSeparator(','));
}

TEST(MultiFieldText, StepsAFieldWithDecimalCarries) {
    EXPECT_EQ(X_CMultiField::StepField("6.9", 1, 1), "7.0");
    EXPECT_EQ(X_CMultiField::StepField("6.9", 0, 1), "7.9");
    EXPECT_EQ(X_CMultiField::StepField("7.0", 1, -1), "6.9");
    EXPECT_EQ(X_CMultiField::StepField("-6.9", 1, 1), "-6.8") << "up is more, also below 0";
    EXPECT_EQ(X_CMultiField::StepField("0.0", 1, -1), "-0.1") << "through zero";
    EXPECT_EQ(X_CMultiField::StepField("-0.1", 1, 2), "0.1");
    EXPECT_EQ(X_CMultiField::StepField("1:30.250", 2, 5), "1:30.255") << "widths are kept";
    EXPECT_EQ(X_CMultiField::StepField("1:30.250", 1, 75), "2:05.250");
    EXPECT_EQ(X_CMultiField::StepField("1+2|3", 0, 10), "11+2|3") << "the first field grows";
    EXPECT_EQ(X_CMultiField::StepField("6.0 dB", 1, 5), "6.5") << "units are dropped";
    EXPECT_EQ(X_CMultiField::StepField("6.0 dB", 2, 1), "") << "no such field";
    EXPECT_EQ(X_CMultiField::StepField("Off", 0, 1), "") << "no digits";
    EXPECT_EQ(X_CMultiField::StepField("1234567890.123456789", 1, 1), "") << "too long to count";
}

class TextKnobs : public ::testing::Test {
protected:
    static constexpr unsigned int kSteps = ControlTestAlgorithm::kSteps;
    static constexpr unsigned int kGain = ControlTestAlgorithm::kGain;

    void SetUp() override { ASSERT_EQ(alg.FinishCreate(), 0); }
    void TearDown() override { SetTextEntryPresenter({}); }

    template <typename Widget>
    std::unique_ptr<Widget> Make(const std::string& params, const std::string& rest = "",
                                 const std::string& rect = "width='100' height='20'") {
        auto widget = std::make_unique<Widget>();
        widget->ReadFromXMLWithAlg(
            ParseXML("<cCONTROLLER Name='W'><ControlRect left='0' top='0' " + rect +
                     "/><ParameterList>" + params + "</ParameterList>" + rest + "</cCONTROLLER>"),
            &alg, false);
        return widget;
    }
    void Free(BUFFER_HEADER* chain) { alg.FreeBuffers(chain); }
    double Gain() const { return alg.GetParamRealWorld(kGain); }
    void Down(KCGUIControl& control, const PVM::KCEventData& event) {
        KURect<double> range(1000, 1000, 0, 0);
        bool handled = true;
        Free(control.MouseDown(event, &range, handled));
    }
    void Drag(KCGUIControl& control, const PVM::KCEventData& event) {
        Free(control.MouseDrag(event, 0, 0, nullptr));
    }
    void Up(KCGUIControl& control, const PVM::KCEventData& event) { Free(control.MouseUp(event)); }

    ControlTestAlgorithm alg;
};

// "6.0 dB" in a 100 × 20 field: six cells of 10 pixels from x = 20; "6" at 20 ... 30, the
// full stop at 30 ... 40, "0 dB" at 40 ... 80.
TEST_F(TextKnobs, DraggingAFieldMovesTheValueByThatField) {
    auto knob = Make<X_CMultiField>("<Param Name='Gain'/>");
    Free(alg.UpdateParamRealWorld(kGain, 6.0));
    ASSERT_EQ(knob->GetValueText(), "6.0 dB");
    const auto rects = knob->GetFieldRects();
    ASSERT_EQ(rects.size(), 2U);
    EXPECT_EQ(rects[0], KURect<short>(0, 20, 20, 30));
    EXPECT_EQ(rects[1], KURect<short>(0, 40, 20, 80));
    EXPECT_EQ(knob->FieldAt({25, 10}), 0);
    EXPECT_EQ(knob->FieldAt({35, 10}), -1) << "the separator is no field";
    EXPECT_EQ(knob->FieldAt({45, 10}), 1);

    const KCPoint2D<short> tenths{45, 10};
    Down(*knob, At(tenths.x, tenths.y));
    EXPECT_EQ(knob->GetActiveField(), 1);
    Drag(*knob, Moved(tenths, 45, 7));
    EXPECT_DOUBLE_EQ(Gain(), 6.0) << "less than one step";
    Drag(*knob, Moved(tenths, 45, 2));
    EXPECT_NEAR(Gain(), 6.2, 1e-9) << "8 pixels up: two tenths";
    Drag(*knob, Moved(tenths, 45, 14));
    EXPECT_NEAR(Gain(), 5.9, 1e-9) << "steps count from the press, not from the last move";
    const std::string drawn = Yaml(*knob);
    EXPECT_NE(drawn.find("text: 5\n"), std::string::npos) << drawn;
    EXPECT_NE(drawn.find("text: 9 dB"), std::string::npos) << drawn;
    Up(*knob, Moved(tenths, 45, 14));
    EXPECT_EQ(knob->GetActiveField(), -1);

    const KCPoint2D<short> units{25, 10};
    Down(*knob, At(units.x, units.y));
    Drag(*knob, Moved(units, 25, 2));
    EXPECT_NEAR(Gain(), 7.9, 1e-9) << "two whole dB";
    Drag(*knob, Moved(units, 25, -54));
    EXPECT_NEAR(Gain(), 21.9, 1e-9);
    Drag(*knob, Moved(units, 25, -200));
    EXPECT_NEAR(Gain(), 21.9, 1e-9) << "text past the range is rejected: the last value stays";
    Up(*knob, Moved(units, 25, -200));

    // A press on the separator drags nothing.
    Down(*knob, At(35, 10));
    Drag(*knob, Moved({35, 10}, 35, -20));
    EXPECT_NEAR(Gain(), 21.9, 1e-9);
    Up(*knob, At(35, 10));
}

TEST_F(TextKnobs, HorizontalTypeAndEditOnDoubleClick) {
    auto knob = Make<X_CMultiField>("<Param Name='Gain'/>", "<Type Value='Horizontal'/><Edit/>");
    EXPECT_TRUE(knob->IsHorizontal());
    EXPECT_TRUE(knob->IsEditable());
    Free(alg.UpdateParamRealWorld(kGain, 1.0));
    Down(*knob, At(45, 10));
    Drag(*knob, Moved({45, 10}, 53, 0));
    EXPECT_NEAR(Gain(), 1.2, 1e-9) << "8 pixels right; the vertical move counts for nothing";
    Up(*knob, At(45, 10));

    int asked = 0;
    SetTextEntryPresenter([&](const KSTextEntryRequest& request, std::string& entered) {
        ++asked;
        EXPECT_EQ(request.text, "1.2 dB");
        entered = "-3";
        return true;
    });
    Down(*knob, At(45, 10, PVM::eDoubleClick));
    EXPECT_EQ(asked, 1);
    EXPECT_DOUBLE_EQ(Gain(), -3.0);
    EXPECT_EQ(knob->GetActiveField(), -1) << "an edit drags nothing";
    Up(*knob, At(45, 10));

    auto fixed = Make<X_CMultiField>("<Param Name='Gain'/>", "<Edit Value='false'/>");
    EXPECT_FALSE(fixed->IsEditable());
    Down(*fixed, At(45, 10, PVM::eDoubleClick));
    EXPECT_EQ(asked, 1) << "no entry without \"Edit\"";
    Up(*fixed, At(45, 10));
}

TEST_F(TextKnobs, MultiFieldDescriptionRoundTrips) {
    auto knob = Make<X_CMultiField>("<Param Name='Gain'/>",
                                    "<Image ResID='301'/><Type Value='Horizontal'/><Edit/>");
    EXPECT_EQ(knob->GetImageResID(), 301);
    EXPECT_NE(Yaml(*knob).find("301"), std::string::npos) << "the picture is drawn";
    XML::CXMLElement parent("Control_List", "");
    knob->WriteToXMLWithAlg(parent, &alg, "cCONTROLLER");
    ASSERT_EQ(parent.GetSubElements().size(), 1U);
    X_CMultiField back;
    back.ReadFromXMLWithAlg(*parent.GetSubElements()[0], &alg, false);
    EXPECT_EQ(back.GetImageResID(), 301);
    EXPECT_TRUE(back.IsHorizontal());
    EXPECT_TRUE(back.IsEditable());
    back.ReadFromXMLWithAlg(ParseXML("<cCONTROLLER Name='W'><Edit Value='Off'/></cCONTROLLER>"),
                            &alg, true);
    EXPECT_FALSE(back.IsEditable());
    EXPECT_TRUE(back.IsHorizontal()) << "an update keeps what it does not name";
}

// ------------------------------------------------------------------ text knob

TEST_F(TextKnobs, TextKnobStepsOnThePressOnlyWhenItSupportsIt) {
    const std::string params = "<Param Name='Steps'><MouseVertical/><MouseDown/></Param>";
    auto plain = Make<CButton_X>(params);
    Free(alg.UpdateParamState(kSteps, 0));
    EXPECT_FALSE(plain->SupportsMouseDown());
    Down(*plain, At(5, 5));
    EXPECT_DOUBLE_EQ(alg.GetParamState(kSteps), 0) << "a press alone changes nothing";
    Free(plain->MouseDrag(Moved({5, 5}, 5, 2), 0, 3, nullptr));
    EXPECT_DOUBLE_EQ(alg.GetParamState(kSteps), 3) << "a drag moves it like a knob";
    Up(*plain, At(5, 5));
    EXPECT_NE(Yaml(*plain).find("text: 3\n"), std::string::npos) << Yaml(*plain);

    auto pressing = Make<CButton_X>(params, "<SupportMouseDown/>");
    ASSERT_TRUE(pressing->SupportsMouseDown());
    Down(*pressing, At(5, 5));
    EXPECT_DOUBLE_EQ(alg.GetParamState(kSteps), 4);
    Up(*pressing, At(5, 5));
    Free(alg.UpdateParamState(kSteps, 7));
    Down(*pressing, At(5, 5));
    EXPECT_DOUBLE_EQ(alg.GetParamState(kSteps), 0) << "past the last state it wraps";
    Up(*pressing, At(5, 5));

    XML::CXMLElement parent("Control_List", "");
    pressing->WriteToXMLWithAlg(parent, &alg, "cCONTROLLER");
    CButton_X back;
    back.ReadFromXMLWithAlg(*parent.GetSubElements()[0], &alg, false);
    EXPECT_TRUE(back.SupportsMouseDown());
    XML::CXMLElement plainParent("Control_List", "");
    plain->WriteToXMLWithAlg(plainParent, &alg, "cCONTROLLER");
    back.ReadFromXMLWithAlg(*plainParent.GetSubElements()[0], &alg, false);
    EXPECT_FALSE(back.SupportsMouseDown());
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
