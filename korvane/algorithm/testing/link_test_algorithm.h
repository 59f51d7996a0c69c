// The test algorithm with parameters for link groups: three continuous members (0 ... 100 in
// steps of 0.1, so the real-world value is state / 10), a link switch, a "toggleRanges" and a
// "toggleMap" parameter. A test declares its groups on the records before FinishCreate; the
// algorithm records which parameters reached the processing and which were announced.
#pragma once

#include "korvane/algorithm/testing/test_algorithm.h"

#include <functional>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::test_support {

class LinkTestAlgorithm : public TestAlgorithm {
public:
    enum LinkParam : unsigned int { kA = kCount, kB, kC, kSwitch, kSteps, kMapped, kLinkCount };
    using Configure = std::function<void(std::vector<sCONTROL_PARAM>&)>;

    explicit LinkTestAlgorithm(Configure configure = {}) : m_configure(std::move(configure)) {
        SetCoefsNum(kLinkCount);
    }

    // Member `index` of groups `groups`.
    static void Join(std::vector<sCONTROL_PARAM>& params, unsigned int index,
                     const std::vector<int>& groups) {
        params[index].SetLinkGroups(groups);
    }
    // Parameter `index` controls `groups` with `law`, linking while its value is `enabled`.
    static void Control(std::vector<sCONTROL_PARAM>& params, unsigned int index,
                        std::vector<int> groups, const char* law, double enabled = 1.0) {
        std::vector<ControlledLinkGroup> controlled = params[index].GetControlledLinkGroups();
        controlled.push_back({std::move(groups), enabled, KCFixedString<15>(law)});
        params[index].SetControlledLinkGroups(controlled);
    }

    std::vector<unsigned int> processed;  // UpdateParamSelf calls, in order
    std::vector<unsigned int> announced;  // OnLinkedParamValueModified calls, in order

    void OnLinkedParamValueModified(unsigned int paramIndex) override {
        announced.push_back(paramIndex);
        TestAlgorithm::OnLinkedParamValueModified(paramIndex);
    }

protected:
    int BuildParameterList() override {
        TestAlgorithm::BuildParameterList();
        auto& params = GetParamVector();
        params.resize(kLinkCount);
        const KCFixedString<15> state("state");
        for (const unsigned int i : {kA, kB, kC}) {
            params[i].SetScaleLin(0, 100, 0.1);
            params[i].SetScaleDefaults(0, state, 0, state);
        }
        params[kA].SetName("A");
        params[kB].SetName("B");
        params[kC].SetName("C");
        params[kSwitch].SetName("Link");
        params[kSwitch].SetScaleToggle(2);
        params[kSteps].SetName("Steps");
        params[kSteps].SetScale(0, 0, 1, 0, 0, KCFixedString<31>("toggleRanges"), nullptr, nullptr,
                                {}, {10, 20, 40});
        params[kMapped].SetName("Mapped");
        params[kMapped].SetScale(0, 0, 1, 0, 0, KCFixedString<31>("toggleMap"), nullptr, nullptr,
                                 {0, 1, 2}, {5, 7, 9});
        for (const unsigned int i : {kSwitch, kSteps, kMapped}) {
            params[i].SetScaleDefaults(0, state, 0, state);
        }
        if (m_configure) {
            m_configure(params);
        }
        return 0;
    }

    BUFFER_HEADER* UpdateParamSelf(unsigned int index) override {
        processed.push_back(index);
        return TestAlgorithm::UpdateParamSelf(index);
    }

private:
    Configure m_configure;
};

}  // namespace kvKorvaneV10_0_3::test_support
