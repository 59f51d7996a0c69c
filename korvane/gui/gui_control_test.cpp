// A parameter accepts GUI controls as controllers and nothing else.
#include "korvane/gui/gui_control.h"

#include "korvane/algorithm/control_param.h"

#include <gtest/gtest.h>

namespace kvKorvaneV10_0_3 {
namespace {

struct Knob : KCGUIControl {
    int refreshes = 0;
    [[nodiscard]] KCBaseControl* Clone() const override { return new Knob(*this); }
    void UpdatePointer(unsigned int /*tag*/) override { ++refreshes; }
};

struct HostAutomation : KCBaseControl {
    [[nodiscard]] KCBaseControl* Clone() const override { return new HostAutomation(*this); }
};

TEST(GUIControl, OnlyGuiControlsBecomeControllers) {
    sCONTROL_PARAM param;
    Knob knob;
    HostAutomation automation;
    EXPECT_EQ(param.AddController(0, &knob), 0);
    EXPECT_EQ(param.AddController(0, &automation), -1);
    param.UpdateControllers();
    EXPECT_EQ(knob.refreshes, 1);

    std::unique_ptr<KCBaseControl> clone(knob.Clone());
    clone->SetName("Gain");
    EXPECT_TRUE(clone->IsGUIControl());
    EXPECT_EQ(clone->GetName(), "Gain");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
