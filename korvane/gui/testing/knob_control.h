// A GUI control for tests: it records how it was read, refreshed and completed, and registers
// itself as the control type "Knob" while a KnobTypes lives.
#pragma once

#include "korvane/gui/gui_control.h"
#include "korvane/gui/gui_description.h"
#include "korvane/xml/xml_element.h"

#include <memory>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::testing {

struct Knob : KCGUIControl {
    explicit Knob(CStandardGUI_X* gui = nullptr) : KCGUIControl(gui), owner(gui) {}

    [[nodiscard]] KCBaseControl* Clone() const override { return new Knob(*this); }
    void UpdatePointer(unsigned int tag) override {
        ++refreshes;
        refreshedTags.push_back(tag);
    }
    int FinishCreate() override {
        ++finished;
        return KCGUIControl::FinishCreate();
    }
    BUFFER_HEADER* TouchLongDownSelf(const Event& event) override {
        longPresses.push_back(event.GetMouseLocation());
        return nullptr;
    }
    void ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg,
                            bool update) override {
        updates.push_back(update);
        if (const XML::CXMLElement* skin = element.SubElement("Skin")) {
            std::string value;
            skin->GetAttrib("Value", value);
            skins.push_back(value);
        }
        KCGUIControl::ReadFromXMLWithAlg(element, alg, update);
    }
    void UpdateFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg) override {
        ++skinUpdates;
        KCGUIControl::UpdateFromXMLWithAlg(element, alg);
    }

    CStandardGUI_X* owner = nullptr;
    bool special = false;
    int refreshes = 0;
    std::vector<unsigned int> refreshedTags;
    int finished = 0;
    std::vector<KCPoint2D<short>> longPresses;  // where each long press was
    int skinUpdates = 0;
    std::vector<bool> updates;
    std::vector<std::string> skins;
};

struct KnobTypes {
    KnobTypes() {
        RegisterGUIControlType("Knob", [](CStandardGUI_X& gui) -> std::unique_ptr<KCGUIControl> {
            return std::make_unique<Knob>(&gui);
        });
    }
    ~KnobTypes() { RegisterGUIControlType("Knob", nullptr); }
    KnobTypes(const KnobTypes&) = delete;
    KnobTypes& operator=(const KnobTypes&) = delete;
};

}  // namespace kvKorvaneV10_0_3::testing
