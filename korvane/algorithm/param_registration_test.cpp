// A registration's input kinds are a 64-bit set: kinds past bit 31 must not alias lower ones.
#include "korvane/algorithm/param_registration.h"

#include <gtest/gtest.h>

namespace kvKorvaneV10_0_3 {
namespace {

TEST(ParamRegistration, InputKindsAboveBit31AreDistinct) {
    KCParamRegistrationData r;
    r.SetRegisterType(eRegUser6, true);
    r.SetRegisterType(eRegReset, true);
    EXPECT_TRUE(r.AnswersTo(eRegUser6));
    EXPECT_TRUE(r.AnswersTo(eRegReset));
    EXPECT_FALSE(r.AnswersTo(eRegMouseDown));  // 34 - 32 would alias bit 2 with a 32-bit shift
    EXPECT_FALSE(r.AnswersTo(eRegMouseUp));
    r.SetRegisterType(eRegUser6, false);
    EXPECT_FALSE(r.AnswersTo(eRegUser6));
    EXPECT_TRUE(r.AnswersTo(eRegReset));

    KCParamRegistrationData other = r;
    EXPECT_EQ(other, r);
    other.modifiers[eModAlt] = true;
    EXPECT_NE(other, r);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
