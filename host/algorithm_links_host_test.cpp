// A linked change through the reference host: the processing of every moved member travels in
// the chain the change returns, so the coefficients agree with the displayed values.
#include "host/reference_host.h"
#include "host/testing/algorithm_start.h"

#include "korvane/algorithm/testing/link_test_algorithm.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using KorvaneHost::testing::ConnectAndInit;

using kvKorvaneV10_0_3::BUFFER_HEADER;
using kvKorvaneV10_0_3::sCONTROL_PARAM;
using kvKorvaneV10_0_3::test_support::LinkTestAlgorithm;
namespace PM = kvKorvaneV10_0_3::ProcessMemory;
using KorvaneHost::ReferenceHost;

TEST(LinkGroupsOnHost, EveryMovedMemberReachesTheCoefficients) {
    ReferenceHost host(KorvaneHost::Float32Config());
    LinkTestAlgorithm alg([](std::vector<sCONTROL_PARAM>& p) {
        for (const unsigned int i :
             {LinkTestAlgorithm::kA, LinkTestAlgorithm::kB, LinkTestAlgorithm::kC}) {
            LinkTestAlgorithm::Join(p, i, {1});
        }
        LinkTestAlgorithm::Control(p, LinkTestAlgorithm::kSwitch, {1}, "Reverse");
    });
    ASSERT_EQ(host.SizeSpace(PM::eCoefsSpace, LinkTestAlgorithm::kLinkCount), 0);
    ASSERT_TRUE(ConnectAndInit(host, alg));
    EXPECT_EQ(alg.InitAlg(true), nullptr);

    // B and C at 600 unlinked, then linked: A up by 300 moves both down by 300.
    for (const unsigned int i : {LinkTestAlgorithm::kB, LinkTestAlgorithm::kC}) {
        BUFFER_HEADER* chain = alg.UpdateParamState(i, 600);
        alg.SendAndFreeBuffers(chain, PM::eSelPostChain, true);
    }
    BUFFER_HEADER* on = alg.UpdateParamState(LinkTestAlgorithm::kSwitch, 1);
    alg.SendAndFreeBuffers(on, PM::eSelPostChain, true);
    host.ProcessBlock();

    BUFFER_HEADER* chain = alg.UpdateParamState(LinkTestAlgorithm::kA, 300);
    std::vector<int> offsets;
    for (const BUFFER_HEADER* b = chain; b != nullptr; b = b->next) {
        offsets.push_back(b->offset);
    }
    EXPECT_EQ(offsets, (std::vector<int>{LinkTestAlgorithm::kA, LinkTestAlgorithm::kB,
                                         LinkTestAlgorithm::kC}));
    ASSERT_EQ(alg.SendAndFreeBuffers(chain, PM::eSelPostChain, true), 0);
    host.ProcessBlock();
    for (const unsigned int i :
         {LinkTestAlgorithm::kA, LinkTestAlgorithm::kB, LinkTestAlgorithm::kC}) {
        const auto value = host.ReadCoefficient(static_cast<int>(i));
        ASSERT_TRUE(value.has_value());
        EXPECT_NEAR(*value, LinkTestAlgorithm::CoefValue(alg.GetParamState(i)), 1e-6) << i;
    }
    EXPECT_EQ(alg.GetParamState(LinkTestAlgorithm::kB), 300);
    EXPECT_EQ(host.LiveBuffers(), 0U);
    EXPECT_EQ(host.Misuse().Count(), 0U);
}

}  // namespace
