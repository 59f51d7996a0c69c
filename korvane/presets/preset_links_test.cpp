// A preset load is no link movement: linked followers move from the loaded values on.
#include "korvane/algorithm/testing/link_test_algorithm.h"
#include "korvane/core/error_codes.h"
#include "korvane/presets/preset_alg.h"
#include "korvane/presets/preset_info.h"

#include <gtest/gtest.h>

namespace kvKorvaneV10_0_3::Preset {
namespace {

using test_support::LinkTestAlgorithm;

void RelativePair(std::vector<sCONTROL_PARAM>& p) {
    LinkTestAlgorithm::Join(p, LinkTestAlgorithm::kA, {1});
    LinkTestAlgorithm::Join(p, LinkTestAlgorithm::kB, {1});
    LinkTestAlgorithm::Control(p, LinkTestAlgorithm::kSwitch, {1}, "Relative");
}

TEST(PresetLinks, FollowersMoveFromTheLoadedValues) {
    LinkTestAlgorithm source(RelativePair);
    LinkTestAlgorithm target(RelativePair);
    ASSERT_EQ(source.FinishCreate(), 0);
    ASSERT_EQ(target.FinishCreate(), 0);
    source.UpdateParamState(LinkTestAlgorithm::kA, 900);
    source.UpdateParamState(LinkTestAlgorithm::kB, 100);
    source.UpdateParamState(LinkTestAlgorithm::kSwitch, 1);
    CPresetInfo preset;
    ASSERT_EQ(SavePresetFromAlg(CPublicAlg(source), preset), eNoErr);

    target.UpdateParamState(LinkTestAlgorithm::kSwitch, 1);
    target.UpdateParamState(LinkTestAlgorithm::kA, 400);
    ASSERT_EQ(target.GetParamState(LinkTestAlgorithm::kB), 400);
    ASSERT_EQ(LoadPresetToAlg(CPublicAlg(target), preset, false), eNoErr);
    ASSERT_EQ(target.GetParamState(LinkTestAlgorithm::kA), 900);
    ASSERT_EQ(target.GetParamState(LinkTestAlgorithm::kB), 100);

    target.UpdateParamState(LinkTestAlgorithm::kA, 905);
    EXPECT_EQ(target.GetParamState(LinkTestAlgorithm::kB), 105);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Preset
