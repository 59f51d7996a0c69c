// Link groups through the algorithm: the three laws, the controlling parameter, saturation and
// its correction, the processing of every moved member, last values across loads and setups,
// groups that form cycles, and discrete members that must stop at their last state.
#include "korvane/algorithm/link_groups.h"

#include "korvane/algorithm/testing/link_test_algorithm.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using test_support::LinkTestAlgorithm;
using Params = std::vector<sCONTROL_PARAM>;
constexpr unsigned int kA = LinkTestAlgorithm::kA;
constexpr unsigned int kB = LinkTestAlgorithm::kB;
constexpr unsigned int kC = LinkTestAlgorithm::kC;
constexpr unsigned int kSwitch = LinkTestAlgorithm::kSwitch;
constexpr unsigned int kSteps = LinkTestAlgorithm::kSteps;
constexpr unsigned int kMapped = LinkTestAlgorithm::kMapped;

// A and B in group 1 under `law`, switched on by the link switch.
LinkTestAlgorithm::Configure Pair(const char* law) {
    return [law](Params& p) {
        LinkTestAlgorithm::Join(p, kA, {1});
        LinkTestAlgorithm::Join(p, kB, {1});
        LinkTestAlgorithm::Control(p, kSwitch, {1}, law);
    };
}

std::unique_ptr<LinkTestAlgorithm> Make(const LinkTestAlgorithm::Configure& configure,
                                        bool linkOn = true) {
    auto alg = std::make_unique<LinkTestAlgorithm>(configure);
    EXPECT_EQ(alg->FinishCreate(), 0);
    if (linkOn) {
        alg->UpdateParamState(kSwitch, 1);
    }
    alg->processed.clear();
    alg->announced.clear();
    return alg;
}

bool Contains(const std::vector<unsigned int>& list, unsigned int index) {
    return std::ranges::find(list, index) != list.end();
}

TEST(LinkGroups, RelativeSaturationCorrectsEveryMemberByTheSmallestMove) {
    auto alg = Make(Pair("Relative"));
    alg->UpdateParamState(kA, 400);
    EXPECT_EQ(alg->GetParamState(kB), 400);
    alg->UpdateParamState(kB, 950);  // B alone moves A by 550 up to 950
    EXPECT_EQ(alg->GetParamState(kA), 950);
    alg->UpdateParamState(kA, 400);
    ASSERT_EQ(alg->GetParamState(kB), 400);

    // Rebuild the offset: A 400, B 950.
    alg->UpdateParamState(kSwitch, 0);
    alg->UpdateParamState(kB, 950);
    alg->UpdateParamState(kSwitch, 1);
    alg->AdjustLinkGroupsToCurrentGuiControls();

    alg->UpdateParamState(kA, 500);  // B could move only 50
    EXPECT_EQ(alg->GetParamState(kA), 450);
    EXPECT_EQ(alg->GetParamState(kB), 1000);
    EXPECT_DOUBLE_EQ(alg->GetParamRealWorld(kA), 45.0);
    alg->UpdateParamState(kA, 600);  // B can move 0: nobody moves
    EXPECT_EQ(alg->GetParamState(kA), 450);
    EXPECT_EQ(alg->GetParamState(kB), 1000);
    alg->UpdateParamState(kA, 300);  // downwards the offset is intact
    EXPECT_EQ(alg->GetParamState(kA), 300);
    EXPECT_EQ(alg->GetParamState(kB), 850);
}

TEST(LinkGroups, ReverseMovesAgainstAndAbsoluteCopiesTheValue) {
    auto reverse = Make(Pair("Reverse"));
    reverse->UpdateParamState(kB, 500);  // A: 0 - 500 saturates at 0, B corrected to 0
    EXPECT_EQ(reverse->GetParamState(kB), 0);
    reverse->UpdateParamState(kSwitch, 0);
    reverse->UpdateParamState(kA, 500);
    reverse->UpdateParamState(kB, 500);
    reverse->UpdateParamState(kSwitch, 1);
    reverse->AdjustLinkGroupsToCurrentGuiControls();
    reverse->UpdateParamState(kA, 550);
    EXPECT_EQ(reverse->GetParamState(kB), 450);

    auto absolute = Make(Pair("Absolute"));
    absolute->UpdateParamState(kB, 900);
    absolute->UpdateParamRealWorld(kA, 12.3);
    EXPECT_DOUBLE_EQ(absolute->GetParamRealWorld(kB), 12.3);
    EXPECT_NEAR(absolute->GetParamState(kB), 123, 1e-9);
    // No correction: the source keeps the value it was given.
    EXPECT_DOUBLE_EQ(absolute->GetParamRealWorld(kA), 12.3);
}

TEST(LinkGroups, TheControllingParameterDecidesWhetherTheGroupLinks) {
    auto alg = Make(Pair("Relative"), false);
    EXPECT_FALSE(alg->IsParamInLinkedMode(kA));
    EXPECT_FALSE(alg->IsLinkGroupEnabled(kA, 1));
    alg->UpdateParamState(kA, 300);
    EXPECT_EQ(alg->GetParamState(kB), 0);

    alg->UpdateParamState(kSwitch, 1);
    EXPECT_TRUE(alg->IsParamInLinkedMode(kA));
    EXPECT_TRUE(alg->IsLinkGroupEnabled(kA, 1));
    EXPECT_FALSE(alg->IsParamInLinkedMode(kC));
    alg->UpdateParamState(kA, 350);
    EXPECT_EQ(alg->GetParamState(kB), 50);  // measured from A's value when the switch came on

    // A plug-in without groups has no object and no enabled group.
    test_support::TestAlgorithm plain;
    ASSERT_EQ(plain.FinishCreate(), 0);
    EXPECT_FALSE(plain.IsLinkGroupEnabled(0, 1));
    const kvThread::ThreadMutexLock lock(plain.AlgLock());
    EXPECT_EQ(plain.GetLinkGroups(), nullptr);
}

TEST(LinkGroups, EveryMovedMemberReachesTheProcessingAndIsAnnounced) {
    auto alg = Make([](Params& p) {
        LinkTestAlgorithm::Join(p, kA, {1});
        LinkTestAlgorithm::Join(p, kB, {1});
        LinkTestAlgorithm::Join(p, kC, {1});
        LinkTestAlgorithm::Control(p, kSwitch, {1}, "Relative");
    });
    alg->UpdateParamState(kA, 100);
    EXPECT_TRUE(Contains(alg->processed, kA));
    EXPECT_TRUE(Contains(alg->processed, kB));
    EXPECT_TRUE(Contains(alg->processed, kC));
    EXPECT_EQ(alg->announced, (std::vector<unsigned int>{kA, kB, kC}));

    alg->processed.clear();
    alg->announced.clear();
    alg->SetNotifyOnLinkedParams(false);
    alg->UpdateParamRealWorld(kB, 20.0);
    EXPECT_TRUE(Contains(alg->processed, kA));
    EXPECT_TRUE(Contains(alg->processed, kC));
    EXPECT_TRUE(alg->announced.empty());
    EXPECT_EQ(alg->GetParamState(kC), 200);
}

// Always-active groups without a law, and a law name nobody registered, must not link.
TEST(LinkGroups, AGroupWithoutALawNeverLinks) {
    auto orphan = Make([](Params& p) {
        LinkTestAlgorithm::Join(p, kA, {7});
        LinkTestAlgorithm::Join(p, kB, {7});
    });
    {
        const kvThread::ThreadMutexLock lock(orphan->AlgLock());
        ASSERT_NE(orphan->GetLinkGroups(), nullptr);
        orphan->GetLinkGroups()->SetGroupAlwaysActive(7, true);
    }
    orphan->UpdateParamState(kA, 300);
    EXPECT_EQ(orphan->GetParamState(kA), 300);
    EXPECT_EQ(orphan->GetParamState(kB), 0);

    auto unknown = Make([](Params& p) {
        LinkTestAlgorithm::Join(p, kA, {2});
        LinkTestAlgorithm::Join(p, kB, {2});
        LinkTestAlgorithm::Control(p, kSwitch, {2}, "Sideways");
    });
    {
        const kvThread::ThreadMutexLock lock(unknown->AlgLock());
        unknown->GetLinkGroups()->SetGroupAlwaysActive(2, true);
    }
    unknown->UpdateParamState(kA, 300);
    EXPECT_EQ(unknown->GetParamState(kB), 0);
}

// A "toggleRanges" or "toggleMap" state past its last one would wrap to another table entry.
TEST(LinkGroups, DiscreteStatesStopAtTheirLastState) {
    auto alg = Make({}, false);
    alg->UpdateParamState(kSteps, 1000);
    EXPECT_EQ(alg->GetParamState(kSteps), 2);
    EXPECT_EQ(alg->GetParamRealWorld(kSteps), 40);
    alg->UpdateParamState(kMapped, 1000);
    EXPECT_EQ(alg->GetParamState(kMapped), 2);
    EXPECT_EQ(alg->GetParamRealWorld(kMapped), 9);
    alg->UpdateParamState(kSteps, 0.6);  // quantised
    EXPECT_EQ(alg->GetParamState(kSteps), 1);
    EXPECT_EQ(alg->GetParamRealWorld(kSteps), 20);
    alg->DragParam(kMapped, 4);
    EXPECT_EQ(alg->GetParamState(kMapped), 2);

    std::vector<std::int32_t> states(LinkTestAlgorithm::kLinkCount, -1);
    states[kSteps] = 1000;
    states[kMapped] = 3;
    ASSERT_EQ(alg->LoadStatesFromBuffer(states.data(), states.size(), eActiveSetup), 0);
    EXPECT_EQ(alg->GetParamState(kSteps), 2);
    EXPECT_EQ(alg->GetParamRealWorld(kSteps), 40);
    EXPECT_EQ(alg->GetParamState(kMapped), 2);
    EXPECT_EQ(alg->GetParamRealWorld(kMapped), 9);
}

TEST(LinkGroups, DiscreteMembersSaturateAtTheirLastState) {
    for (const unsigned int member : {kSteps, kMapped}) {
        auto alg = Make([member](Params& p) {
            LinkTestAlgorithm::Join(p, kA, {1});
            LinkTestAlgorithm::Join(p, member, {1});
            LinkTestAlgorithm::Control(p, kSwitch, {1}, "Relative");
        });
        alg->UpdateParamState(kA, 4);  // the member can move 2 states, so A moves 2 too
        EXPECT_EQ(alg->GetParamState(member), 2) << member;
        EXPECT_EQ(alg->GetParamRealWorld(member), member == kSteps ? 40 : 9) << member;
        EXPECT_EQ(alg->GetParamState(kA), 2) << member;
        EXPECT_TRUE(Contains(alg->processed, member));
    }
}

TEST(LinkGroups, LinkedDiscreteSteppingStopsAtTheEnds) {
    auto alg = Make([](Params& p) {
        LinkTestAlgorithm::Join(p, kA, {1});
        LinkTestAlgorithm::Join(p, kSteps, {1});
        LinkTestAlgorithm::Control(p, kSwitch, {1}, "Relative");
    });
    alg->UpdateParamState(kSteps, 2);
    ASSERT_EQ(alg->GetParamState(kSteps), 2);
    EXPECT_EQ(alg->OffsetToNextDifferentState(kSteps, 1), 0);
    alg->UpdateParamState(kSwitch, 0);
    EXPECT_EQ(alg->OffsetToNextDifferentState(kSteps, 1), -2);  // alone it wraps
}

// Values set outside a pass are the reference of the next one: A at 400, a load sets A 900
// and B 100, A nudged to 905 moves B by 5.
TEST(LinkGroups, LoadedValuesAreNoLinkMovement) {
    auto alg = Make(Pair("Relative"));
    alg->UpdateParamState(kA, 400);
    ASSERT_EQ(alg->GetParamState(kB), 400);
    std::vector<std::int32_t> states(LinkTestAlgorithm::kLinkCount, -1);
    states[kA] = 900;
    states[kB] = 100;
    ASSERT_EQ(alg->LoadStatesFromBuffer(states.data(), states.size(), eActiveSetup), 0);
    alg->UpdateParamState(kA, 905);
    EXPECT_EQ(alg->GetParamState(kB), 105);

    // UpdateAlg takes the values in place too (a drag runs no pass).
    alg->DragParam(kA, 600);
    alg->UpdateAlg();
    alg->UpdateParamState(kA, 610);
    EXPECT_EQ(alg->GetParamState(kB), 115);
}

TEST(LinkGroups, CopySetupCarriesTheLastValues) {
    auto alg = Make(Pair("Relative"), false);
    alg->UpdateParamState(kA, 400);
    alg->UpdateParamState(kB, 700);
    alg->UpdateParamState(kSwitch, 1);
    alg->CopySetup();
    ASSERT_TRUE(alg->ChangeActiveSetup(eSetupB));
    ASSERT_EQ(alg->GetParamState(kB), 700);
    alg->UpdateParamState(kA, 410);
    EXPECT_EQ(alg->GetParamState(kA), 410);
    EXPECT_EQ(alg->GetParamState(kB), 710);
    ASSERT_TRUE(alg->ChangeActiveSetup(eSetupA));
    EXPECT_EQ(alg->GetParamState(kB), 700);
}

// Each member moves at most once per pass: the source's groups in its list order decide, then
// the moved members' groups in the order they moved.
TEST(LinkGroups, GroupsFormingACycleEndWithTheFirstLinkingGroupsResult) {
    const auto twoGroups = [](Params& p) {
        LinkTestAlgorithm::Join(p, kA, {1, 2});
        LinkTestAlgorithm::Join(p, kB, {2, 1});
        LinkTestAlgorithm::Control(p, kSwitch, {1}, "Relative");
        LinkTestAlgorithm::Control(p, kSwitch, {2}, "Reverse");
    };
    auto alg = Make(twoGroups);
    alg->UpdateParamState(kA, 300);  // group 1 first: B follows
    EXPECT_EQ(alg->GetParamState(kB), 300);
    alg->UpdateParamState(kB, 200);  // group 2 first: A moves against
    EXPECT_EQ(alg->GetParamState(kA), 400);
    EXPECT_EQ(alg->announced, (std::vector<unsigned int>{kA, kB, kB, kA}));

    auto ring = Make([](Params& p) {
        LinkTestAlgorithm::Join(p, kA, {1, 3});
        LinkTestAlgorithm::Join(p, kB, {1, 2});
        LinkTestAlgorithm::Join(p, kC, {2, 3});
        LinkTestAlgorithm::Control(p, kSwitch, {1, 2}, "Relative");
        LinkTestAlgorithm::Control(p, kSwitch, {3}, "Absolute");
    });
    ring->UpdateParamState(kB, 100);  // A and C through groups 1 and 2; A's group 3 finds C moved
    EXPECT_EQ(ring->GetParamState(kA), 100);
    EXPECT_EQ(ring->GetParamState(kC), 100);
    ring->UpdateParamState(kA, 250);  // B by group 1, C copies A by group 3
    EXPECT_EQ(ring->GetParamState(kB), 250);
    EXPECT_DOUBLE_EQ(ring->GetParamRealWorld(kC), 25.0);
}

// Groups come from the parameter description; a law nobody registered and odd group numbers
// leave groups that never link, without harm.
class DescribedLinks : public test_support::TestAlgorithm {
public:
    explicit DescribedLinks(const char* text) {
        XML::CXMLTreeBuilder builder(m_root);
        EXPECT_EQ(builder.BuildFromSingleBuffer(text, static_cast<unsigned int>(std::strlen(text))),
                  0);
    }

protected:
    int BuildParameterList() override { return ReadParametersXML(m_root); }

private:
    XML::CXMLElement m_root;
};

TEST(LinkGroups, TheDescriptionDeclaresGroupsAndTheirControllingParameter) {
    DescribedLinks alg(R"(<ParamXML>
      <Parameter Name="Link"><Scale><ScaleType>toggle</ScaleType><Resolution>2</Resolution></Scale>
        <InitialValue Type="state">1</InitialValue>
        <LinkGroupsThisParamControls>
          <ControlledGroup Groups="1,2" EnabledValue="1" LinkFunction="Relative"/>
          <ControlledGroup Groups="4" EnabledValue="1" LinkFunction="Unknown"/>
        </LinkGroupsThisParamControls></Parameter>
      <Parameter Name="Left"><Scale><ScaleType>linear</ScaleType><Minimum>0</Minimum>
        <Maximum>100</Maximum><Resolution>0.1</Resolution></Scale><LinkGroups>1 4</LinkGroups>
      </Parameter>
      <Parameter Name="Right"><Scale><ScaleType>linear</ScaleType><Minimum>0</Minimum>
        <Maximum>100</Maximum><Resolution>0.1</Resolution></Scale><LinkGroups>4 1 -7</LinkGroups>
      </Parameter>
      <Parameter Name="Type"><Scale><ScaleType Type="toggleRanges"><RealWorld>10 20 40</RealWorld>
        </ScaleType></Scale><LinkGroups>2</LinkGroups></Parameter>
    </ParamXML>)");
    ASSERT_EQ(alg.FinishCreate(), 0);
    ASSERT_EQ(alg.GetNumParams(), 4U);
    {
        const kvThread::ThreadMutexLock lock(alg.AlgLock());
        const KCLinkGroups* groups = alg.GetLinkGroups();
        ASSERT_NE(groups, nullptr);
        const auto& info = groups->GetLinkGroupInfo();
        ASSERT_EQ(info.size(), 4U);  // 1, 2, 4 and -7
        EXPECT_EQ(info.at(1).members, (std::vector<unsigned int>{1, 2}));
        EXPECT_EQ(info.at(1).controllingParam, 0);
        EXPECT_EQ(info.at(4).linkFunc, nullptr);
        EXPECT_EQ(info.at(-7).controllingParam, -1);
        EXPECT_EQ(groups->GetParamControlledLinkGroups(0), (std::vector<int>{1, 2, 4}));
    }
    EXPECT_TRUE(alg.IsParamInLinkedMode(1));
    alg.UpdateParamState(1, 300);
    EXPECT_EQ(alg.GetParamState(2), 300);
    alg.UpdateParamState(2, 301);  // group 4 (first in Right's list) has no law; group 1 links
    EXPECT_EQ(alg.GetParamState(1), 301);
    EXPECT_EQ(alg.GetParamState(3), 0);  // group 2 has only one member
    alg.UpdateParamState(3, 1000);
    EXPECT_EQ(alg.GetParamState(3), 2);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
