// The link test algorithm with automation controls read from a GUI description given as text:
// the controls exist once FinishCreate has run, as with a plug-in's "GUIXML" resource.
#pragma once

#include "korvane/algorithm/testing/link_test_algorithm.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"

#include <string>
#include <utility>

namespace kvKorvaneV10_0_3::test_support {

inline XML::CXMLElement ParseXML(const std::string& text) {
    XML::CXMLElement root;
    XML::CXMLTreeBuilder builder(root);
    static_cast<void>(
        builder.BuildFromSingleBuffer(text.data(), static_cast<unsigned int>(text.size())));
    return root;
}

class AutomationTestAlgorithm : public LinkTestAlgorithm {
public:
    // "A" leads "B" and "C"; "Gain" is its own control, "Mode" a discrete lead.
    static constexpr const char* kDefaultDescription = R"(<GUIXML>
  <Control_List>
    <cCONTROLLER Name="Group" Class="Automation">
      <Flags><Automatable/></Flags>
      <ParameterList><Param Name="A"/><Param Name="B"/><Param Name="C"/></ParameterList>
    </cCONTROLLER>
    <cCONTROLLER Name="Gain" Class="Automation"><Flags><Automatable/></Flags>
      <ParameterList><Param Name="Gain"/></ParameterList></cCONTROLLER>
    <cCONTROLLER Name="Mode" Class="Automation"><Flags><Automatable/></Flags>
      <ParameterList><Param Name="Mode"/></ParameterList></cCONTROLLER>
  </Control_List>
</GUIXML>)";
    enum Control : unsigned int { kGroupControl, kGainControl, kModeControl };

    explicit AutomationTestAlgorithm(std::string description = kDefaultDescription,
                                     Configure configure = {})
        : LinkTestAlgorithm(std::move(configure)), m_description(std::move(description)) {}

protected:
    // The description stands in for the "GUIXML" resource: read while the control list may
    // still change.
    KTErr GetAutomationDescription(XML::CXMLElement& root) override {
        root = ParseXML(m_description);
        return eNoErr;
    }

private:
    std::string m_description;
};

}  // namespace kvKorvaneV10_0_3::test_support
