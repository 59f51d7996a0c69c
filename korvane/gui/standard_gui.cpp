#include "korvane/gui/standard_gui.h"

#include "korvane/gui/gui_description.h"
#include "korvane/gui/standard_gui_edit_modes.h"
#include "korvane/gui/widget_types.h"
#include "korvane/scan/component_xml_resource.h"
#include "korvane/xml/xml_element.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstring>

namespace kvKorvaneV10_0_3 {

using XML::CXMLElement;

namespace {

// A control registers with each parameter it shows under its registration's index: the
// parameter hands that index back to say which registration changed.
int RegistrationTag(std::size_t index) {
    return static_cast<int>(index);
}

void ReadOrderEntries(const CXMLElement& list, KSControlOrder& order) {
    for (const CXMLElement* entry : list.GetSubElements()) {
        if (entry->GetName() == "Control") {
            std::string name;
            entry->GetAttrib("Name", name);
            order.names.push_back(name);
        } else if (entry->GetName() == "Dummy") {
            order.names.emplace_back();
        } else if (entry->GetName() == "Flags") {
            for (const CXMLElement* flag : entry->GetSubElements()) {
                order.flags.emplace_back(flag->GetName().c_str());
            }
        }
    }
}

}  // namespace

CStandardGUI_X::CStandardGUI_X(KTResContainerType*& resources)
    : m_editModes(std::make_unique<CKorvaneEditModes_X>(*this)),
      m_resources(resources),
      m_skins(resources),
      m_clock(MonotonicMicroseconds) {
    // The library's widgets answer their standard type names in every description.
    RegisterStandardWidgetTypes();
}

CStandardGUI_X::~CStandardGUI_X() {
    Dispose();
}

// ------------------------------------------------------------------ creation

void CStandardGUI_X::AttachAlgorithm(cALGORITHM* alg) {
    if (alg == m_alg) {
        return;
    }
    Detach();
    if (alg == nullptr) {
        return;
    }
    m_alg = alg;
    m_info = alg->GetComponentInfo();
    alg->SetGUI(this);
    alg->LockAlg();
    alg->Broadcaster()->AddListener(this);
    alg->UnLockAlg();
    ShowSetupTitle(alg->GetActiveSetup());
    if (alg->IsCreated()) {
        CreateUndoManager();
    }
}

void CStandardGUI_X::Detach() {
    if (m_alg == nullptr) {
        return;
    }
    for (const auto& control : m_controls) {
        const auto& regs = control->GetRegistrations();
        for (std::size_t i = 0; i < regs.size(); ++i) {
            m_alg->RemoveParamController(regs[i].paramID, RegistrationTag(i), control.get());
        }
    }
    m_alg->LockAlg();
    m_alg->Broadcaster()->RemoveListener(this);
    m_alg->UnLockAlg();
    if (m_alg->GetGUI() == this) {
        m_alg->SetGUI(nullptr);
    }
    m_alg = nullptr;
}

void CStandardGUI_X::AlgorithmGone() {
    // The algorithm is in its destructor: its lock and broadcaster still exist.
    if (m_alg != nullptr) {
        m_alg->Broadcaster()->RemoveListener(this);
        m_alg = nullptr;
    }
    // Nothing may reach the dead algorithm later: not a control's registrations, not an undo
    // step that would set its parameters.
    for (auto* list : {&m_controls, &m_templates}) {
        for (const auto& control : *list) {
            for (KCParamRegistrationData& reg : control->Registrations()) {
                reg.alg = nullptr;
            }
        }
    }
    m_undo.reset();
}

KTErr CStandardGUI_X::InitDefaultGUI(cALGORITHM* alg) {
    if (alg == nullptr) {
        return eMemNullPointer;
    }
    AttachAlgorithm(alg);
    KTResContainerType* container = m_resources != nullptr ? m_resources : alg->GetResContainer();
    CXMLElement root;
    if (const KTErr err = RM::GetAndFilterXMLResourceByComponentInfo(
            container, RM::KCResType("GUIXML"), GetGUIResourceID(), m_info, root);
        err != eNoErr) {
        return err;
    }
    const KTErr err = ReadFromXML(root);
    FinishCreate();
    // A skin is a look, not a part of the description: a broken one leaves the GUI usable.
    (void)InitSkinsFromResources();
    return err;
}

KTErr CStandardGUI_X::InitDefaultGUIWithoutImages(cALGORITHM* alg) {
    SetGUIFlag(eGUIFlagNoImages, true);
    return InitDefaultGUI(alg);
}

KTErr CStandardGUI_X::ReadFromXML(const CXMLElement& root) {
    std::string version;
    if (!root.GetAttrib("version", version) || version != kGUIDescriptionVersion) {
        return eNoErr;
    }
    KTErr firstError = eNoErr;
    const CXMLElement* pluginData = nullptr;
    m_reader.Clear();
    for (const CXMLElement* child : root.GetSubElements()) {
        const auto& name = child->GetName();
        if (name == "Pict_List") {
            ReadPictList(*child);
        } else if (name == "ViewRect_List") {
            ReadViewRectList(*child);
        } else if (name == "ControlOrder_List") {
            ReadControlOrderList(*child);
        } else if (name == "ToolBarControl_List") {
            ReadToolbarList(*child, false);
        } else if (name == "TabOrder_List") {
            ReadTabOrderList(*child);
        } else if (name == "Control_List") {
            ReadControlList(*child, false, firstError);
        } else if (name == "Control_Template_List") {
            ReadControlList(*child, true, firstError);
        } else if (name == "Flag_List") {
            ReadFlagList(*child);
        } else if (name == "PluginSpecificData") {
            pluginData = child;
        } else if (name == "SubViewRect_List") {
            m_reader.ReadSubViewRectList(*child);
        } else if (name == "Control_Template_Batch_List") {
            m_reader.ReadTemplateBatchList(*child);
        }
    }
    if (pluginData != nullptr) {
        ReadPluginSpecificData(*pluginData);
    }
    InitializeSubViews(m_reader);
    return firstError;
}

void CStandardGUI_X::ReadControlList(const CXMLElement& list, bool isTemplate, KTErr& firstError) {
    std::vector<std::string> names;
    for (const CXMLElement* element : list.GetSubElements()) {
        if (element->GetName() != "cCONTROLLER") {
            continue;
        }
        std::string name;
        element->GetAttrib("Name", name);
        if (const KTErr err = ExpandControlArrayName(name.c_str(), names); err != eNoErr) {
            if (firstError == eNoErr) {
                firstError = err;
            }
            continue;
        }
        const bool isArray = names.size() != 1 || names.front() != name;
        for (const std::string& instance : names) {
            std::unique_ptr<KCGUIControl> control;
            if (isArray) {
                CXMLElement copy(*element);
                copy.SetAttrib("Name", instance.c_str());
                control = CreateControlFromXML(copy);
            } else {
                control = CreateControlFromXML(*element);
            }
            if (control == nullptr) {
                break;  // an unknown type: the element is skipped
            }
            if (isTemplate) {
                m_reader.AddTemplateElement(instance, *element);
            }
            AddNewControl(std::move(control), isTemplate);
        }
    }
}

std::unique_ptr<KCGUIControl> CStandardGUI_X::CreateControlFromXML(const CXMLElement& element) {
    std::string type;
    if (const CXMLElement* cls = element.SubElement("Class")) {
        cls->GetAttrib("Type", type);
    }
    std::unique_ptr<KCGUIControl> control = CreateSpecificControls(type.c_str());
    if (control == nullptr) {
        control = CreateDefaultControls(type.c_str(), *this);
    }
    if (control == nullptr) {
        return nullptr;
    }
    control->ReadFromXMLWithAlg(element, m_alg, false);
    control->SetTypeName(type.c_str());
    if (!GetGUIFlag(eGUIFlagNoImages)) {
        (void)control->LoadImages(m_resources);  // a missing image draws nothing
    }
    return control;
}

void CStandardGUI_X::ReadPictList(const CXMLElement& list) {
    for (const CXMLElement* child : list.GetSubElements()) {
        std::string type;
        short id = 0;
        if (child->GetName() == "Image" && child->GetAttrib("Type", type) &&
            child->GetAttrib("ResID", id)) {
            if (type == "Base") {
                if (m_pictures.base.empty()) {
                    m_pictures.base.push_back(id);
                } else {
                    m_pictures.base.front() = id;
                }
            } else if (type == "About") {
                m_pictures.about = id;
            } else if (type == "Icon") {
                m_pictures.icon = id;
            }
        } else if (child->GetName() == "AdditionalImageList") {
            if (m_pictures.base.empty()) {
                m_pictures.base.push_back(0);
            }
            m_pictures.base.resize(1);
            for (const CXMLElement* image : child->GetSubElements()) {
                if (image->GetName() == "Image" && image->GetAttrib("ResID", id)) {
                    m_pictures.base.push_back(id);
                }
            }
        }
    }
    if (m_currentBasePicture >= m_pictures.base.size()) {
        m_currentBasePicture = 0;
    }
}

void CStandardGUI_X::ReadViewRectList(const CXMLElement& list) {
    m_viewRects.clear();
    for (const CXMLElement* child : list.GetSubElements()) {
        KURect<short> rect;
        if (child->GetName() == "Rect" && ReadRectFromXML(*child, rect)) {
            m_viewRects.push_back(rect);
        }
    }
    if (!m_viewRects.empty()) {
        m_rect = m_viewRects.front();
    }
}

void CStandardGUI_X::ReadControlOrderList(const CXMLElement& list) {
    m_controlOrder.clear();
    m_controlOrderFlags.clear();
    for (const CXMLElement* child : list.GetSubElements()) {
        if (child->GetName() == "ControlOrder") {
            KSControlOrder order;
            ReadOrderEntries(*child, order);
            m_controlOrder.push_back(std::move(order));
        } else if (child->GetName() == "Flags") {
            for (const CXMLElement* flag : child->GetSubElements()) {
                m_controlOrderFlags.emplace_back(flag->GetName().c_str());
            }
        }
    }
}

void CStandardGUI_X::ReadTabOrderList(const CXMLElement& list) {
    for (const CXMLElement* child : list.GetSubElements()) {
        if (child->GetName() == "TabHORIZ") {
            m_tabHoriz = KSControlOrder();
            ReadOrderEntries(*child, m_tabHoriz);
        } else if (child->GetName() == "TabVERT") {
            m_tabVert = KSControlOrder();
            ReadOrderEntries(*child, m_tabVert);
        }
    }
}

void CStandardGUI_X::ReadToolbarList(const CXMLElement& list, bool update) {
    for (const CXMLElement* child : list.GetSubElements()) {
        if (child->GetName() != "ToolButton") {
            continue;
        }
        if (update) {
            KCFixedString<63> name;
            child->GetAttrib("Name", name);
            if (X_CToolbarButton* button = GetToolbarButtonByName(name.c_str())) {
                button->ReadFromXML(*child, true);
            }
            continue;
        }
        std::string type;
        child->GetAttrib("type", type);
        if (auto button = CreateDefaultToolbarButtons(type.c_str())) {
            button->ReadFromXML(*child, false);
            m_buttons.push_back(std::move(button));
        }
    }
    if (m_alg != nullptr) {
        ShowSetupTitle(m_alg->GetActiveSetup());
    }
}

void CStandardGUI_X::ReadFlagList(const CXMLElement& list) {
    static constexpr struct {
        const char* name;
        EGUIFlags flag;
    } kFlags[] = {{"NoSelectRect", eGUIFlagNoSelectRect},
                  {"NoAlwaysDraw", eGUIFlagNoAlwaysDraw},
                  {"DropBaseImage", eGUIFlagDropBaseImage},
                  {"NoImages", eGUIFlagNoImages},
                  {"NoAutomatableImages", eGUIFlagNoAutomatableImages}};
    for (const CXMLElement* child : list.GetSubElements()) {
        if (child->GetName() == "GraphicStreamDataPtrThreshold") {
            if (!child->GetAttrib("Value", m_streamThreshold)) {
                int value = 0;
                const std::string& text = child->GetText();
                const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
                if (result.ec == std::errc()) {
                    m_streamThreshold = value;
                }
            }
            continue;
        }
        for (const auto& entry : kFlags) {
            if (child->GetName() == entry.name) {
                SetGUIFlag(entry.flag, true);
            }
        }
    }
}

int CStandardGUI_X::FinishCreate() {
    int result = 0;
    // Every control exists now, so each finds the dependents its description names.
    for (const auto& control : m_controls) {
        RegisterControlWithAlgorithm(*control);
        if (const int err = control->FinishCreate(); err != 0 && result == 0) {
            result = err;
        }
    }
    m_createFinished = true;
    return result;
}

void CStandardGUI_X::RegisterControlWithAlgorithm(KCGUIControl& control) {
    if (m_alg == nullptr) {
        return;
    }
    const auto& regs = control.GetRegistrations();
    for (std::size_t i = 0; i < regs.size(); ++i) {
        if (regs[i].paramID < m_alg->GetNumParams()) {
            m_alg->AddParamController(regs[i].paramID, RegistrationTag(i), &control);
        }
    }
}

void CStandardGUI_X::Dispose() {
    Detach();
    m_undo.reset();
    m_activeControl = nullptr;
    m_touchControl = nullptr;
    m_editModes->Cancel();
    m_controls.clear();
    m_templates.clear();
    m_buttons.clear();
    m_skins.release_all_loaded_resources();
}

KCGUIControl* CStandardGUI_X::AddNewControl(std::unique_ptr<KCGUIControl> control,
                                            bool isTemplate) {
    if (control == nullptr) {
        return nullptr;
    }
    List(isTemplate).push_back(std::move(control));
    return List(isTemplate).back().get();
}

bool CStandardGUI_X::DeleteControl(const KCGUIControl* control, bool isTemplate) {
    auto& list = List(isTemplate);
    const auto found = std::find_if(list.begin(), list.end(),
                                    [control](const auto& c) { return c.get() == control; });
    if (found == list.end()) {
        return false;
    }
    if (m_alg != nullptr) {
        const auto& regs = (*found)->GetRegistrations();
        for (std::size_t i = 0; i < regs.size(); ++i) {
            m_alg->RemoveParamController(regs[i].paramID, RegistrationTag(i), found->get());
        }
    }
    if (m_activeControl == control) {
        m_activeControl = nullptr;
    }
    if (m_touchControl == control) {
        m_touchControl = nullptr;
    }
    m_editModes->Cancel();
    // A gesture under way forgets the control rather than reaching it at the release.
    std::erase_if(m_dragAccumulators,
                  [control](const KSDragAccumulator& entry) { return entry.control == control; });
    std::erase(m_selectionAtPress, control);
    std::erase(m_drawnControls, control);
    // Controls that named it as a dependent, or report to it, must not reach it any more (told
    // while it still exists, so they can tell what it is).
    for (auto* others : {&m_controls, &m_templates}) {
        for (const auto& other : *others) {
            other->ForgetControl(control);
        }
    }
    list.erase(found);
    return true;
}

// ------------------------------------------------------------------ controls

KCGUIControl* CStandardGUI_X::GetControlPtrByIndex(unsigned int index) const {
    return index < m_controls.size() ? m_controls[index].get() : nullptr;
}

KCGUIControl* CStandardGUI_X::GetControlPtrByName(const char* name) const {
    const int index = GetControlIndexByName(name);
    return index < 0 ? nullptr : m_controls[static_cast<std::size_t>(index)].get();
}

int CStandardGUI_X::GetControlIndexByName(const char* name) const {
    if (name == nullptr) {
        return -1;
    }
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        if (m_controls[i]->GetName() == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

KCGUIControl* CStandardGUI_X::GetTemplateControlPtrByName(const char* name) const {
    if (name == nullptr) {
        return nullptr;
    }
    for (const auto& control : m_templates) {
        if (control->GetName() == name) {
            return control.get();
        }
    }
    return nullptr;
}

int CStandardGUI_X::GetControlNameOfLength(unsigned int index, unsigned int length,
                                           char* buffer) const {
    const KCGUIControl* control = GetControlPtrByIndex(index);
    if (control == nullptr) {
        return eControlOutOfRange;
    }
    return control->GetControlNameOfLength(length, buffer);
}

void CStandardGUI_X::DoOnAllControls(const std::function<void(KCGUIControl&)>& function) const {
    for (const auto& control : m_controls) {
        function(*control);
    }
}

void CStandardGUI_X::DoOnSomeControls(
    const std::function<void(KCGUIControl&)>& function,
    const std::function<bool(const KCGUIControl&)>& predicate) const {
    for (const auto& control : m_controls) {
        if (predicate(*control)) {
            function(*control);
        }
    }
}

void CStandardGUI_X::DoOnSomeControlsByLeadParam(
    unsigned int paramID, const std::function<void(KCGUIControl&)>& function) const {
    DoOnSomeControls(function, [paramID](const KCGUIControl& control) {
        return control.GetLeadParamID() == paramID;
    });
}

void CStandardGUI_X::DoOnControlRegistrationsByControlName(
    const char* name, const std::function<void(KCParamRegistrationData&)>& function) const {
    if (KCGUIControl* control = GetControlPtrByName(name)) {
        for (KCParamRegistrationData& reg : control->Registrations()) {
            function(reg);
        }
    }
}

void CStandardGUI_X::DoOnControlRegistrationsByParam(
    unsigned int paramID, const std::function<void(KCParamRegistrationData&)>& function) const {
    for (const auto& control : m_controls) {
        for (KCParamRegistrationData& reg : control->Registrations()) {
            if (reg.paramID == paramID) {
                function(reg);
            }
        }
    }
}

void CStandardGUI_X::SetGUIFlag(EGUIFlags flag, bool on) {
    const std::uint32_t bit = std::uint32_t{1} << flag;
    m_flags = on ? (m_flags | bit) : (m_flags & ~bit);
}

// ------------------------------------------------------------------ toolbar

X_CToolbarButton* CStandardGUI_X::GetToolbarButton(unsigned int index) const {
    return index < m_buttons.size() ? m_buttons[index].get() : nullptr;
}

X_CToolbarButton* CStandardGUI_X::GetToolbarButtonByName(const char* name) const {
    if (name == nullptr) {
        return nullptr;
    }
    for (const auto& button : m_buttons) {
        if (button->GetName() == name) {
            return button.get();
        }
    }
    return nullptr;
}

bool CStandardGUI_X::NotifyToolbar_update(const char* name, const char* text) {
    X_CToolbarButton* button = GetToolbarButtonByName(name);
    if (button == nullptr) {
        return false;
    }
    button->UpdateText(text);
    return true;
}

bool CStandardGUI_X::NotifyToolbar_updateIndex(const char* name, unsigned int index) {
    X_CToolbarButton* button = GetToolbarButtonByName(name);
    return button != nullptr && button->UpdateTextFromIndex(index);
}

// ------------------------------------------------------------------ skins

KTErr CStandardGUI_X::SetSkin() {
    const KCFixedStringBase& current = m_skins.GetCurrentSkinName();
    if (m_skins.GetNumSkins() < 2 || current.empty()) {
        return eNoErr;
    }
    std::vector<const CXMLElement*> generations;
    const KTErr err = m_skins.GetGenerationsSkinXMLs(current.c_str(), generations);
    // Oldest ancestor first, so that each generation overrides its father.
    for (std::size_t i = generations.size(); i > 0; --i) {
        UpdateFromSkinXML(*generations[i - 1]);
    }
    SelectSkinWidgetPalette();
    return err;
}

KTErr CStandardGUI_X::UpdateSkin(const char* name) {
    if (name == nullptr || m_skins.GetCurrentSkinName() == name) {
        return eNoErr;
    }
    KURect<short> rect;
    if (const KTErr err = m_skins.GetSkinViewRect(name, rect); err != eNoErr) {
        return err;
    }
    m_skins.SetCurrentSkinName(name);
    if (!(rect == m_rect)) {
        m_rect = rect;
    }
    const KTErr err = SetSkin();
    if (m_alg != nullptr) {
        m_alg->RefreshAllParams();
    }
    return err;
}

void CStandardGUI_X::UpdateFromSkinXML(const CXMLElement& element) {
    for (const CXMLElement* child : element.GetSubElements()) {
        const auto& name = child->GetName();
        if (name == "ViewRect_List") {
            ReadViewRectList(*child);
        } else if (name == "Pict_List") {
            ReadPictList(*child);
        } else if (name == "ToolBarControl_List") {
            ReadToolbarList(*child, true);
        } else if (name == "Control_List") {
            Update_Controls_List_SkinXML(*child);
        }
    }
}

void CStandardGUI_X::Update_Controls_List_SkinXML(const CXMLElement& list) {
    for (const CXMLElement* element : list.GetSubElements()) {
        KCFixedString<127> name;
        if (element->GetName() != "cCONTROLLER" || !element->GetAttrib("Name", name)) {
            continue;
        }
        if (KCGUIControl* control = GetControlPtrByName(name.c_str())) {
            control->UpdateFromXMLWithAlg(*element, m_alg);
            if (!GetGUIFlag(eGUIFlagNoImages)) {
                (void)control->LoadImages(m_resources);
            }
        }
    }
}

// ------------------------------------------------------------------ pointer

double CStandardGUI_X::MouseDelta_ActiveControlChangeResolutionFromPixelsToParams(
    double pixels, bool vertical, unsigned int index) {
    if (m_activeControl == nullptr) {
        return 0.0;
    }
    return MouseDelta_PixelsToState(m_activeControl->GetRegistrations(), index, pixels,
                                    vertical ? m_verticalAccumulator : m_horizontalAccumulator);
}

void CStandardGUI_X::SetActiveControl(KCGUIControl* control) {
    m_activeControl = control;
    m_verticalAccumulator = 0.0;
    m_horizontalAccumulator = 0.0;
}

void CStandardGUI_X::AccelerateMouseWheel(KSMouseDelta& delta) {
    kvKorvaneV10_0_3::AccelerateMouseWheel(delta, m_clock(), m_lastWheelTime);
}

void CStandardGUI_X::SetMicrosecondClock(KTMicrosecondClock clock) {
    m_clock = clock ? std::move(clock) : KTMicrosecondClock(MonotonicMicroseconds);
}

// ------------------------------------------------------------------ buffers

BUFFER_HEADER* CStandardGUI_X::ChainBuffers(BUFFER_HEADER* first, BUFFER_HEADER* second) {
    if (m_alg == nullptr) {
        return first != nullptr ? first : second;
    }
    return m_alg->ChainBufs(first, second);
}

int CStandardGUI_X::ExecuteAndDisposeBuffer(BUFFER_HEADER** chain) {
    if (chain == nullptr || *chain == nullptr || m_alg == nullptr) {
        return 0;
    }
    return m_alg->SendAndFreeBuffers(*chain, ProcessMemory::eSelExecuteChain, true);
}

}  // namespace kvKorvaneV10_0_3
