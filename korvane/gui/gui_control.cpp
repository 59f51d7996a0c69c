// The GUI control: its description, input handling, disabled state and default drawing.
#include "korvane/gui/gui_control.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/core/thread_mutex.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/arrow_key.h"
#include "korvane/gui/buffer_chain.h"
#include "korvane/gui/pvm/base_image.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/gui/state_images.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_values.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace kvKorvaneV10_0_3 {
namespace {

using XML::CXMLElement;
using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;

constexpr std::array<std::pair<const char*, EControlDirection>, 5> kDirections = {{
    {"none", eDirectionNone},
    {"toggle", eDirectionToggle},
    {"vertical", eDirectionVertical},
    {"horizontal", eDirectionHorizontal},
    {"omni", eDirectionOmni},
}};

constexpr std::array<const char*, 2> kDisableModes = {"WhenRequested", "WhenAllDisabled"};

// Delta units per state of a discrete parameter dragged with the mouse.
constexpr double kDiscreteDragUnits = 96.0;

// The kinds a wheel notch moves, each with the axis whose delta it takes (true: vertical).
constexpr std::array<std::pair<ERegisterType, bool>, 8> kWheelKinds = {{
    {eRegMouseVertical, true},
    {eRegMouseHorizontal, false},
    {eRegMouseWheelVertical, true},
    {eRegMouseWheelHorizontal, false},
    {eRegZoomY, true},
    {eRegZoomX, false},
    {eRegScrollY, true},
    {eRegScrollX, false},
}};

std::string_view ElementText(const CXMLElement& e) {
    std::string_view text(e.GetText());
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())) != 0) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0) {
        text.remove_suffix(1);
    }
    return text;
}

// The element's text, or failing that its "Value" attribute.
std::string TextOrValue(const CXMLElement& e) {
    std::string value(ElementText(e));
    if (value.empty()) {
        e.GetAttrib("Value", value);
    }
    return value;
}

// The name a dependents entry gives: its "Name" attribute or its text.
KCFixedString<63> DependentName(const CXMLElement& e) {
    KCFixedString<63> name;
    if (!e.GetAttrib("Name", name)) {
        name = std::string(ElementText(e)).c_str();
    }
    return name;
}

void ReadRect(const CXMLElement& e, KURect<short>& rect) {
    KURect<short> read;
    if (XML::ReadFromXML_KURect(&e, read) == eNoErr) {
        rect = read;
    }
}

void ResolveNames(const std::vector<KCFixedString<63>>& names,
                  const KCGUIControl::ControlLookup& lookup, std::vector<KCGUIControl*>& out) {
    out.clear();
    if (!lookup) {
        return;
    }
    for (const KCFixedString<63>& name : names) {
        if (KCGUIControl* control = lookup(name.c_str()); control != nullptr) {
            out.push_back(control);
        }
    }
}

}  // namespace

KCGUIControl::KCGUIControl(CStandardGUI_X* owner) : m_owner(owner) {}

const KSWidgetPalette& KCGUIControl::Palette() const {
    return m_owner != nullptr ? m_owner->GetWidgetPalette() : kDefaultWidgetPalette;
}

KCGUIControl::~KCGUIControl() = default;

// ------------------------------------------------------------------ description

void KCGUIControl::ReadFromXMLWithAlg(const CXMLElement& element, cALGORITHM* alg, bool update) {
    if (!update) {
        // A full read starts from the defaults; the base clears the flag bits, and the hidden
        // state and the selection setting go with them.
        m_hidden = false;
        SetCanBeInMultipleSelection(true);
        m_className = "";
        m_fatherName = "";
        m_dependentNames.clear();
        m_drawDependentNames.clear();
        m_maxSelection = 0;
        m_acceptableChars = "0123456789.+-";
        m_direction = eDirectionNone;
        m_disableMode = eDisableWhenRequested;
        m_controlRect = {};
        m_generalRect1 = {};
        m_generalRect2 = {};
        SetDrawableRect(m_controlRect);
        m_images = {};
        m_staticTexts.clear();
    }
    KCBaseControl::ReadFromXMLWithAlg(element, alg, update);
    KCFixedString<31> page;
    if (element.GetAttrib("Page", page) || !update) {
        m_pageName = page;
    }
    bool texts = false;
    for (const CXMLElement* child : element.GetSubElements()) {
        const auto& name = child->GetName();
        if (name == "StaticText") {
            if (!texts) {
                m_staticTexts.clear();
                texts = true;
            }
            m_staticTexts.emplace_back().ReadFromXML(*child);
        } else if (name == "Class") {
            m_className = TextOrValue(*child).c_str();
            if (std::string type; child->GetAttrib("Type", type)) {
                m_typeName = type.c_str();
            }
        } else if (name == "DependentsList") {
            m_dependentNames.clear();
            m_drawDependentNames.clear();
            for (const CXMLElement* entry : child->GetSubElements()) {
                if (entry->GetName() == "Dependent") {
                    m_dependentNames.push_back(DependentName(*entry));
                } else if (entry->GetName() == "DrawDependent") {
                    m_drawDependentNames.push_back(DependentName(*entry));
                }
            }
        } else if (name == "FatherControl") {
            m_fatherName = TextOrValue(*child).c_str();
        } else if (name == "MaxSelection") {
            const std::string text = TextOrValue(*child);
            int value = 0;
            if (std::from_chars(text.data(), text.data() + text.size(), value).ec == std::errc()) {
                m_maxSelection = value;
            }
        } else if (name == "AcceptableCharactersForTextEntry") {
            m_acceptableChars = TextOrValue(*child).c_str();
        } else if (name == "Direction") {
            const std::string text = TextOrValue(*child);
            for (const auto& [word, direction] : kDirections) {
                if (text == word) {
                    m_direction = direction;
                }
            }
        } else if (name == "DisableMode") {
            const std::string text = TextOrValue(*child);
            for (std::size_t i = 0; i < kDisableModes.size(); ++i) {
                if (text == kDisableModes[i]) {
                    m_disableMode = static_cast<EControlDisableMode>(i);
                }
            }
        } else if (name == "ControlRect") {
            ReadRect(*child, m_controlRect);
            SetDrawableRect(m_controlRect);
        } else if (name == "GeneralRect1") {
            ReadRect(*child, m_generalRect1);
        } else if (name == "GeneralRect2") {
            ReadRect(*child, m_generalRect2);
        } else if (name == "ImageList") {
            m_images.ReadFromXML(*child);
        }
    }
}

void KCGUIControl::UpdateFromXMLWithAlg(const CXMLElement& element, cALGORITHM* alg) {
    ReadFromXMLWithAlg(element, alg, true);
}

void KCGUIControl::WriteToXMLWithAlg(CXMLElement& parent, const cALGORITHM* alg,
                                     const char* elementName) const {
    KCBaseControl::WriteToXMLWithAlg(parent, alg, elementName);
    CXMLElement* element = parent.GetSubElements().back();
    if (!m_pageName.empty()) {
        element->AddAttrib("Page", m_pageName.c_str());
    }
    if (!m_className.empty()) {
        element->AddSubElement("Class", m_className.c_str());
    }
    if (!m_dependentNames.empty() || !m_drawDependentNames.empty()) {
        CXMLElement* list = element->AddSubElement("DependentsList");
        for (const auto& name : m_dependentNames) {
            list->AddSubElement("Dependent")->AddAttrib("Name", name.c_str());
        }
        for (const auto& name : m_drawDependentNames) {
            list->AddSubElement("DrawDependent")->AddAttrib("Name", name.c_str());
        }
    }
    if (!m_fatherName.empty()) {
        element->AddSubElement("FatherControl", m_fatherName.c_str());
    }
    if (m_maxSelection != 0) {
        element->AddSubElement("MaxSelection", std::to_string(m_maxSelection));
    }
    element->AddSubElement("AcceptableCharactersForTextEntry", m_acceptableChars.c_str());
    for (const auto& [word, direction] : kDirections) {
        if (direction == m_direction) {
            element->AddSubElement("Direction", word);
        }
    }
    element->AddSubElement("DisableMode",
                           kDisableModes[m_disableMode == eDisableWhenAllDisabled ? 1 : 0]);
    XML::WriteToXML_KURect(element->AddSubElement("ControlRect"), m_controlRect);
    XML::WriteToXML_KURect(element->AddSubElement("GeneralRect1"), m_generalRect1);
    XML::WriteToXML_KURect(element->AddSubElement("GeneralRect2"), m_generalRect2);
    if (!m_images.IsEmpty()) {
        m_images.WriteToXML(*element->AddSubElement("ImageList"));
    }
}

void KCGUIControl::SetControlFlag(const char* name, bool on) {
    if (name == nullptr) {
        return;
    }
    const std::string_view text(name);
    if (text == "NoMultipleSelection") {
        SetCanBeInMultipleSelection(!on);
        return;
    }
    if (text == "Hidden") {
        m_hidden = on;
    }
    KCBaseControl::SetControlFlag(name, on);
}

int KCGUIControl::FinishCreate() {
    if (m_owner == nullptr) {
        return FinishCreate(ControlLookup(), false);
    }
    return FinishCreate([this](const char* name) { return ScopedControlLookup(name); },
                        m_owner->GetGUIFlag(eGUIFlagNoAlwaysDraw));
}

bool KCGUIControl::HasParams() const {
    const auto& regs = GetRegistrations();
    return std::any_of(regs.begin(), regs.end(),
                       [](const KCParamRegistrationData& reg) { return reg.HasParam(); });
}

KCGUIControl* KCGUIControl::ScopedControlLookup(const char* name) const {
    if (m_owner == nullptr || name == nullptr) {
        return nullptr;
    }
    // Instance names are "<instance>.<template>", nested ones "<outer>.<inner>.<template>":
    // each prefix up to a dot is one enclosing instance, innermost first.
    const std::string_view own(GetName().c_str());
    for (std::size_t dot = own.rfind('.'); dot != std::string_view::npos && dot > 0;
         dot = own.rfind('.', dot - 1)) {
        std::string scoped(own.substr(0, dot + 1));
        scoped += name;
        if (KCGUIControl* found = m_owner->GetControlPtrByName(scoped.c_str())) {
            return found;
        }
    }
    return m_owner->GetControlPtrByName(name);
}

int KCGUIControl::FinishCreate(const ControlLookup& lookup, bool resolveDrawDependents) {
    ResolveNames(m_dependentNames, lookup, m_dependents);
    if (resolveDrawDependents) {
        ResolveNames(m_drawDependentNames, lookup, m_drawDependents);
    } else {
        m_drawDependents.clear();
    }
    return FinishCreateSelf();
}

void KCGUIControl::ForgetControl(const KCGUIControl* control) {
    std::erase(m_dependents, control);
    std::erase(m_drawDependents, control);
    ForgetControlSelf(control);
}

// ------------------------------------------------------------------ geometry

void KCGUIControl::SetControlRect(const KURect<short>& rect) {
    m_controlRect = rect;
    SetDrawableRect(rect);
}

void KCGUIControl::Move(int dx, int dy) {
    m_controlRect.Offset(static_cast<short>(dx), static_cast<short>(dy));
    m_generalRect1.Offset(static_cast<short>(dx), static_cast<short>(dy));
    m_generalRect2.Offset(static_cast<short>(dx), static_cast<short>(dy));
    // The labels stay with their control.
    for (KCStaticText& text : m_staticTexts) {
        text.Offset(static_cast<short>(dx), static_cast<short>(dy));
    }
    SetDrawableRect(m_controlRect);
}

void KCGUIControl::Resize(int width, int height) {
    m_controlRect.right = static_cast<short>(m_controlRect.left + width);
    m_controlRect.bottom = static_cast<short>(m_controlRect.top + height);
    SetDrawableRect(m_controlRect);
}

bool KCGUIControl::GetCursorPosOnRelease(KCPoint2D<short>& where) const {
    where = m_mouseDownPoint;
    return true;
}

bool KCGUIControl::IsInside(KCPoint2D<short> point) const {
    const KURect<short> bounds = GetBounds();
    return point.x >= bounds.left && point.x < bounds.right && point.y >= bounds.top &&
           point.y < bounds.bottom;
}

bool KCGUIControl::IsPointInsideMovementRect(KCPoint2D<short> point) const {
    const KURect<short> rect = GetMovementRect();
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top &&
           point.y < rect.bottom;
}

bool KCGUIControl::IsPointInside(KCPoint2D<short> point, const Event* event) const {
    return !m_hidden && IsOnShownPage() && IsInside(point) && IsPointInsideSelf(point, event);
}

bool KCGUIControl::DoYouIntersect(const KURect<short>& rect, const Event* event) const {
    return !m_hidden && IsOnShownPage() && GetBounds().IsIntersecting(rect) &&
           DoYouIntersectSelf(rect, event);
}

bool KCGUIControl::IsOnShownPage() const {
    return m_pageName.empty() || m_owner == nullptr || m_owner->IsPageShown(m_pageName.c_str());
}

void KCGUIControl::GetDrawInstructionsStaticTexts(kvGS::KCGraphicStreamBinaryWriter& writer) {
    for (const KCStaticText& text : m_staticTexts) {
        GetDrawInstructionsForStaticTextBackground(writer, text);
        text.GetDrawInstructions(writer, Palette(), IsMouseHover());
    }
}

void KCGUIControl::GetDrawInstructionsForStaticTextBackground(
    kvGS::KCGraphicStreamBinaryWriter& writer, const KCStaticText& text) {
    text.GetDrawInstructionsBackground(writer);
}

// ------------------------------------------------------------------ parameters

bool KCGUIControl::IsCyclicControl() const {
    return std::ranges::any_of(GetRegistrations(),
                               [](const KCParamRegistrationData& r) { return r.IsCyclic(); });
}

bool KCGUIControl::IsRegisteredToType(ERegisterType type) const {
    return std::ranges::any_of(
        GetRegistrations(), [type](const KCParamRegistrationData& r) { return r.AnswersTo(type); });
}

void KCGUIControl::GetControllerAxes(bool& x, bool& y) const {
    x = IsRegisteredToType(eRegMouseHorizontal);
    y = IsRegisteredToType(eRegMouseVertical);
}

bool KCGUIControl::IsControllerOnTwoAxes() const {
    bool x = false;
    bool y = false;
    GetControllerAxes(x, y);
    return x && y;
}

bool KCGUIControl::DoesControlSupportHighPrecision(const bool& wheel) const {
    return std::ranges::any_of(GetRegistrations(), [wheel](const KCParamRegistrationData& r) {
        const bool moves =
            wheel ? r.AnswersTo(eRegMouseWheelVertical) || r.AnswersTo(eRegMouseWheelHorizontal)
                  : r.AnswersTo(eRegMouseVertical) || r.AnswersTo(eRegMouseHorizontal);
        return moves && r.HasParam() && !r.IsDiscrete() && !r.AnswersTo(eRegDisplayOnly);
    });
}

bool KCGUIControl::IsParamDisabled(const KCParamRegistrationData& registration) {
    if (!registration.HasParam()) {
        return false;
    }
    const kvThread::ThreadMutexLock lock(registration.alg->AlgLock());
    return registration.alg->GetParamDisabledMode(registration.paramID) != 0;
}

bool KCGUIControl::IsAllRegisteredParamsDisabled() const {
    const auto& registrations = GetRegistrations();
    return !registrations.empty() && std::ranges::all_of(registrations, IsParamDisabled);
}

bool KCGUIControl::AreAnyModifiersPressed(const bool* modifiers) {
    return modifiers != nullptr &&
           std::any_of(modifiers, modifiers + eModCount, [](bool on) { return on; });
}

bool KCGUIControl::NeedToResetParam(const bool* eventModifiers,
                                    const KCParamRegistrationData& registration) {
    if (eventModifiers == nullptr) {
        return false;
    }
    if (registration.AnswersTo(eRegReset) &&
        AreAnyModifiersPressed(registration.modifiers.data()) &&
        registration.MatchModifiers(eventModifiers)) {
        return true;
    }
    return registration.AnswersTo(eRegOptionReset) && eventModifiers[eModAlt];
}

void KCGUIControl::SetNeedToResetParams(bool need) {
    for (const KCParamRegistrationData& r : GetRegistrations()) {
        if (r.HasParam()) {
            const kvThread::ThreadMutexLock lock(r.alg->AlgLock());
            r.alg->GetParam(r.paramID).SetNeedToReset(need);
        }
    }
}

int KCGUIControl::WhichParamIndexCanEnterText() const {
    const auto& registrations = GetRegistrations();
    for (std::size_t i = 0; i < registrations.size(); ++i) {
        if (registrations[i].HasParam() && !registrations[i].AnswersTo(eRegDisplayOnly)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool KCGUIControl::CanEnterText() const {
    return GetControlFlag(eCtrlReciveTextEntery) && WhichParamIndexCanEnterText() >= 0;
}

double KCGUIControl::PixelsToStateDelta(double pixels, double& accumulator,
                                        unsigned int index) const {
    const auto& registrations = GetRegistrations();
    if (index >= registrations.size() || !registrations[index].HasParam()) {
        return 0.0;
    }
    const KCParamRegistrationData& r = registrations[index];
    const double delta = r.UpdateMouseDeltaStep(pixels);
    const double step = r.alg->GetStateStep(r.paramID);
    if (!r.IsDiscrete()) {
        return delta * step;
    }
    accumulator += delta;
    const double steps = std::trunc(accumulator / kDiscreteDragUnits);
    accumulator -= steps * kDiscreteDragUnits;
    return steps * step;
}

double KCGUIControl::FirstValue() const {
    const auto& registrations = GetRegistrations();
    if (registrations.empty()) {
        return 0.0;
    }
    const KCParamRegistrationData& first = registrations.front();
    return first.HasParam() ? first.alg->GetParamState(first.paramID) : first.value;
}

BUFFER_HEADER* KCGUIControl::OffsetAll(double delta, ERegisterType type, const bool* modifiers) {
    BUFFER_HEADER* chain = nullptr;
    for (KCParamRegistrationData& r : Registrations()) {
        chain = ChainBuffers(chain, r.OffsetParamValue(delta, type, modifiers));
    }
    return chain;
}

// ------------------------------------------------------------------ input

BUFFER_HEADER* KCGUIControl::MouseDownSelf(const Event& event, KURect<double>* range) {
    if (range == nullptr) {
        return nullptr;
    }
    const bool* modifiers = event.KeyModifiers().data();
    for (const KCParamRegistrationData& r : GetRegistrations()) {
        if (!r.MatchModifiers(modifiers)) {
            continue;
        }
        const double value = r.HasParam() ? r.alg->GetParamState(r.paramID) : r.value;
        if (r.AnswersTo(eRegMouseVertical) || r.AnswersTo(eRegMouseDrawHorizontal)) {
            range->left = std::min(range->left, value);
            range->right = std::max(range->right, value);
        }
        if (r.AnswersTo(eRegMouseHorizontal) || r.AnswersTo(eRegMouseDrawVertical)) {
            range->top = std::min(range->top, value);
            range->bottom = std::max(range->bottom, value);
        }
    }
    return nullptr;
}

BUFFER_HEADER* KCGUIControl::MouseDown(const Event& event, KURect<double>* range, bool& handled) {
    if (m_ignoreNextMouseDown) {
        m_ignoreNextMouseDown = false;
        return nullptr;
    }
    SetMouseDownOnHover();
    m_mouseDownPoint = event.GetMouseLocation();
    m_movedSinceDown = {};
    m_movedWhilePressed = false;
    m_pressed = true;
    Touch();
    BUFFER_HEADER* chain = MouseDownSelf(event, range);
    const bool* modifiers = event.KeyModifiers().data();
    for (KCParamRegistrationData& r : Registrations()) {
        if (NeedToResetParam(modifiers, r)) {
            SetNeedToResetParams(true);
            BUFFER_HEADER* reset = r.ResetParam();
            SetNeedToResetParams(false);
            chain = ChainBuffers(chain, reset);
        }
    }
    if (GetControlFlag(eCtrlReciveTextEntery) && !GetRegistrations().empty() &&
        event.GetMouseClickCount() == PluginViewManager::eDoubleClick) {
        handled = false;  // the GUI opens text entry instead
    }
    m_valueAtMouseDown = FirstValue();
    return chain;
}

BUFFER_HEADER* KCGUIControl::MouseDrag(const Event& event, double dx, double dy,
                                       KURect<double>* rect) {
    dx *= m_dragFactor;
    dy *= m_dragFactor;
    const KCPoint2D<short> distance = event.GetMouseDistanceFromDragStart();
    m_movedSinceDown = distance;
    BUFFER_HEADER* chain = nullptr;
    // A drag moves every registration whatever modifiers are held now: they chose the
    // registrations at mouse-down.
    for (KCParamRegistrationData& r : Registrations()) {
        chain = ChainBuffers(chain, r.OffsetParamValue(dy, eRegMouseVertical, nullptr));
        chain = ChainBuffers(chain, r.OffsetParamValue(dx, eRegMouseHorizontal, nullptr));
    }
    if (GetControlFlag(eCtrlNoMouseUpAfterDrag) && FirstValue() != m_valueAtMouseDown) {
        m_movedWhilePressed = true;
    }
    return ChainBuffers(chain, MouseDragSelf(event, dx, dy, rect));
}

BUFFER_HEADER* KCGUIControl::MouseUp(const Event& event) {
    if (m_ignoreNextMouseUp) {
        m_ignoreNextMouseUp = false;
        return nullptr;
    }
    m_pressed = false;
    SetMouseUpOnHover();
    // The click step holds for this release only.
    const double clickStep = m_clickStep;
    m_clickStep = 1.0;
    if (GetControlFlag(eCtrlCanAttachToMIDI) &&
        event.GetMouseButtonPressed(PluginViewManager::eRightButton) &&
        event.GetMouseClickCount() == PluginViewManager::eSingleClick) {
        // The right button opens the control's MIDI menu; a drag made with it still ends.
        m_movedWhilePressed = false;
        BUFFER_HEADER* chain = nullptr;
        for (KCParamRegistrationData& r : Registrations()) {
            chain = ChainBuffers(chain, r.FinishDragParam());
        }
        return chain;
    }
    const double step = m_movedWhilePressed ? 0.0 : clickStep;
    // The widget's hook still sees whether the gesture was a drag.
    BUFFER_HEADER* chain = MouseUpSelf(event);
    m_movedWhilePressed = false;
    const bool* modifiers = event.KeyModifiers().data();
    for (KCParamRegistrationData& r : Registrations()) {
        if (step != 0.0) {
            chain = ChainBuffers(chain, r.OffsetParamValue(step, eRegMouseUp, modifiers));
        }
        chain = ChainBuffers(chain, r.FinishDragParam());
    }
    return chain;
}

BUFFER_HEADER* KCGUIControl::MouseWheel(const Event& event, double dx, double dy,
                                        KURect<double>* rect) {
    dx *= m_dragFactor;
    dy *= m_dragFactor;
    const bool* modifiers = event.KeyModifiers().data();
    for (const KCParamRegistrationData& r : GetRegistrations()) {
        if (r.MatchModifiers(modifiers) && !r.AnswersTo(eRegDisplayOnly)) {
            r.Touch();
        }
    }
    BUFFER_HEADER* chain = nullptr;
    for (KCParamRegistrationData& r : Registrations()) {
        if (!r.MatchModifiers(modifiers)) {
            continue;
        }
        for (const auto& [type, vertical] : kWheelKinds) {
            const double delta = vertical ? dy : dx;
            if (delta == 0.0 || !r.AnswersTo(type)) {
                continue;
            }
            // One notch always changes what the control displays.
            chain = ChainBuffers(
                chain, r.DoesNewStateChangeRealWorld(delta, type, modifiers)
                           ? r.OffsetParamValue(delta, type, modifiers)
                           : r.OffsetParamValueToNextDifferentValue(delta, type, modifiers));
        }
    }
    return ChainBuffers(chain, MouseWheelSelf(event, dx, dy, rect));
}

BUFFER_HEADER* KCGUIControl::MouseDraw(const Event& event, double dx, double dy,
                                       KURect<double>* rect) {
    dx *= m_dragFactor;
    dy *= m_dragFactor;
    BUFFER_HEADER* chain = OffsetAll(dy, eRegMouseDrawVertical, nullptr);
    chain = ChainBuffers(chain, OffsetAll(dx, eRegMouseDrawHorizontal, nullptr));
    return ChainBuffers(chain, MouseDrawSelf(event, dx, dy, rect));
}

BUFFER_HEADER* KCGUIControl::MouseOver(const Event& event, bool inside, bool* handled) {
    if (inside != IsMouseHover()) {
        if (inside) {
            SetMouseHover();
        } else {
            ClearMouseHover();
        }
        SetNeedToRedrawControl();
    }
    if (handled != nullptr) {
        *handled = inside;
    }
    return MouseOverSelf(event, inside);
}

BUFFER_HEADER* KCGUIControl::TouchDown(const Event& event) {
    KURect<double> range(1000.0, 1000.0, 0.0, 0.0);
    bool handled = true;
    m_touchGesture = true;
    BUFFER_HEADER* chain = MouseDown(event, &range, handled);
    m_touchGesture = false;
    return ChainBuffers(chain, TouchDownSelf(event));
}

BUFFER_HEADER* KCGUIControl::TouchDrag(const Event& event, double dx, double dy) {
    BUFFER_HEADER* chain = MouseDrag(event, dx, dy, nullptr);
    return ChainBuffers(chain, TouchDragSelf(event, dx * m_dragFactor, dy * m_dragFactor));
}

BUFFER_HEADER* KCGUIControl::TouchLongDown(const Event& event) {
    return TouchLongDownSelf(event);
}

BUFFER_HEADER* KCGUIControl::TouchPinchGesture(double dx, double dy) {
    BUFFER_HEADER* chain = OffsetAll(dy * m_dragFactor, eRegTouchPinchVertical, nullptr);
    return ChainBuffers(chain, OffsetAll(dx * m_dragFactor, eRegTouchPinchHorizontal, nullptr));
}

BUFFER_HEADER* KCGUIControl::TouchUp(const Event& event) {
    BUFFER_HEADER* chain = ChainBuffers(MouseUp(event), TouchUpSelf(event));
    Release();
    return chain;
}

BUFFER_HEADER* KCGUIControl::Key(const Event& event, bool& handled) {
    handled = false;
    if (BUFFER_HEADER* own = KeySelf(event, handled); handled) {
        return own;
    }
    double delta = 0.0;
    bool vertical = true;
    if (!ArrowKeyStep(event, delta, vertical)) {
        return nullptr;
    }
    const ERegisterType type = vertical ? eRegMouseVertical : eRegMouseHorizontal;
    BUFFER_HEADER* chain = nullptr;
    for (KCParamRegistrationData& r : Registrations()) {
        if (r.AnswersTo(type) && !r.AnswersTo(eRegDisplayOnly)) {
            handled = true;
            chain =
                ChainBuffers(chain, r.OffsetParamValueToNextDifferentValue(delta, type, nullptr));
        }
    }
    return chain;
}

bool KCGUIControl::ExtendOwnSelection(const Event& event) {
    if (IsHidden() || IsDisabled() || !event.GetKeyModifiers(eModShift)) {
        return false;
    }
    return ExtendOwnSelectionSelf(event);
}

BUFFER_HEADER* KCGUIControl::EnterText(const KCFixedStringBase& text,
                                       ETranslateTextRetType& result) {
    result = eTranslateTextRejected;
    const int index = WhichParamIndexCanEnterText();
    if (index < 0) {
        return nullptr;
    }
    KCParamRegistrationData& r = Registrations()[static_cast<std::size_t>(index)];
    BUFFER_HEADER* chain = r.alg->UpdateParamFromText(r.paramID, text, result);
    r.UpdateValue();
    return ChainBuffers(chain, EnterTextSelf(text));
}

void KCGUIControl::Touch() {
    for (const KCParamRegistrationData& r : GetRegistrations()) {
        if (!r.AnswersTo(eRegDisplayOnly)) {
            r.Touch();
        }
    }
}

void KCGUIControl::Release() {
    ResetHover();
    for (const KCParamRegistrationData& r : GetRegistrations()) {
        if (!r.AnswersTo(eRegDisplayOnly)) {
            r.Release();
        }
    }
}

bool KCGUIControl::IsMarker() const {
    const std::string_view type(m_typeName.c_str());
    constexpr std::string_view kMarker = "Marker";
    return type.size() >= kMarker.size() && type.substr(type.size() - kMarker.size()) == kMarker;
}

// ------------------------------------------------------------------ disabled state

void KCGUIControl::SetDisabled() {
    m_disabled = true;
    SetNeedToRedrawControl();
}

void KCGUIControl::ClearDisabled() {
    m_disabled = false;
    SetNeedToRedrawControl();
}

bool KCGUIControl::ShouldDisableGUIControl(unsigned int index) const {
    const auto& registrations = GetRegistrations();
    switch (m_disableMode) {
        case eDisableWhenRequested:
            return index < registrations.size() && IsParamDisabled(registrations[index]);
        case eDisableWhenAllDisabled:
            return IsAllRegisteredParamsDisabled();
        default:
            return false;
    }
}

void KCGUIControl::UpdateDisabledMode(unsigned int index) {
    if (GetControlFlag(eCtrlIgnoreDisableMode)) {
        return;
    }
    const bool disable = ShouldDisableGUIControl(index);
    if (disable != IsDisabled()) {
        if (disable) {
            SetDisabled();
        } else {
            ClearDisabled();
        }
    }
}

void KCGUIControl::UpdatePointer(unsigned int index) {
    auto& registrations = Registrations();
    if (index < registrations.size()) {
        registrations[index].UpdateValue();
    }
    SetNeedToRedrawControl();
}

bool KCGUIControl::AreRegisteredParamsSavableToUndo() const {
    bool any = false;
    for (const KCParamRegistrationData& r : GetRegistrations()) {
        if (!r.HasParam()) {
            continue;
        }
        const auto flags = r.alg->GetParamFlags(r.paramID);
        if (flags.IsSet(eParamFlagDontRecordUndo) || flags.IsSet(eParamFlagDisplayOnlyParam) ||
            r.AnswersTo(eRegDisplayOnly)) {
            return false;
        }
        any = true;
    }
    return any;
}

// ------------------------------------------------------------------ drawing

void KCGUIControl::SetNeedToRedrawControl() {
    for (KCGUIControl* dependent : m_drawDependents) {
        dependent->SetNeedToRedrawControlOnly();
    }
    SetNeedToRedrawControlOnly();
}

EContolSelectLevel KCGUIControl::GetSelectLevel() const {
    if (IsDisabled()) {
        return eSelectLevelDisabled;
    }
    if (m_pressed) {
        return eSelectLevelActive;
    }
    if (IsSelected() || m_highlightSelected) {
        return eSelectLevelSelected;
    }
    if (IsMouseHover()) {
        return eSelectLevelHover;
    }
    return m_highlightAutomated ? eSelectLevelAutomated : eSelectLevelIdle;
}

void KCGUIControl::SetControlHighlightInfo(bool automated, bool selected) {
    if (automated != m_highlightAutomated || selected != m_highlightSelected) {
        m_highlightAutomated = automated;
        m_highlightSelected = selected;
        SetNeedToRedrawControl();
    }
}

KTErr KCGUIControl::LoadImages(KTResContainerType* container) {
    KTErr firstError = eNoErr;
    LoadImageReferences(m_backgroundImages, m_images.background, container, firstError);
    LoadImageReferences(m_foregroundImages, m_images.foreground, container, firstError);
    for (std::size_t level = 0; level < m_selectionImages.size(); ++level) {
        const KCImageReference& reference = m_images.selection[level];
        LoadImageReferences(m_selectionImages[level],
                            reference.IsSet() ? std::vector<KCImageReference>{reference}
                                              : std::vector<KCImageReference>{},
                            container, firstError);
    }
    if (const KTErr err = LoadImagesSelf(container); err != eNoErr && firstError == eNoErr) {
        firstError = err;
    }
    SetNeedToRedrawControl();
    return firstError;
}

void KCGUIControl::GetLoadedImages(
    std::vector<const PluginViewManager::KCBaseImage*>& images) const {
    const auto add = [&images](const PluginViewManager::KCBaseImage* image) {
        if (image != nullptr) {
            images.push_back(image);
        }
    };
    add(m_backgroundImages.GetCurrentImage());
    add(m_foregroundImages.GetCurrentImage());
    for (const PluginViewManager::KCBaseImageVector& level : m_selectionImages) {
        add(level.GetCurrentImage());
    }
}

const PluginViewManager::KCBaseImageVector& KCGUIControl::GetSelectionImages(
    EContolSelectLevel level) const {
    static const PluginViewManager::KCBaseImageVector kNone;
    return level >= 0 && static_cast<std::size_t>(level) < m_selectionImages.size()
               ? m_selectionImages[static_cast<std::size_t>(level)]
               : kNone;
}

bool KCGUIControl::DrawImage(kvGS::KCGraphicStreamBinaryWriter& writer,
                             const PluginViewManager::KCBaseImageVector& images,
                             const KCImageReference* reference) const {
    // Loaded images come first; a control whose images were never loaded draws its references.
    if (const PluginViewManager::KCBaseImage* image = images.GetCurrentImage()) {
        if (const auto* file = dynamic_cast<const PluginViewManager::KCBaseImageFromFile*>(image)) {
            writer.DrawPNGScaled(file->GetFileName(), m_controlRect);
        } else {
            writer.DrawPNGScaled(image->GetResID(), m_controlRect);
        }
        return true;
    }
    if (reference == nullptr) {
        return false;
    }
    if (reference->resID != 0) {
        writer.DrawPNGScaled(reference->resID, m_controlRect);
    } else {
        writer.DrawPNGScaled(reference->file.c_str(), m_controlRect);
    }
    return true;
}

void KCGUIControl::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (m_hidden) {
        return;
    }
    GetDrawInstructionsControlBackground(writer);
    GetDrawInstructionsParamsData(writer);
    GetDrawInstructionsSelectionBitmap(writer);
}

void KCGUIControl::GetDrawInstructionsControlBackground(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (GetControlFlag(eCtrlSliderNoBackground)) {
        return;
    }
    if (DrawImage(writer, m_backgroundImages,
                  m_images.background.empty() ? nullptr : &m_images.background.front())) {
        return;
    }
    writer.DrawSolidRect(Palette().background, m_controlRect);
}

void KCGUIControl::GetDrawInstructionsParamsData(kvGS::KCGraphicStreamBinaryWriter& writer) {
    for (const KCParamRegistrationData& r : GetRegistrations()) {
        if (!r.HasParam()) {
            continue;
        }
        std::array<char, 32> state{};
        const auto end = std::to_chars(state.data(), state.data() + state.size(),
                                       r.alg->GetParamState(r.paramID));
        writer.MetaData("ParamID: " + std::to_string(r.paramID) +
                        " State: " + std::string(state.data(), end.ptr));
    }
}

void KCGUIControl::GetDrawInstructionsSelectionBitmap(kvGS::KCGraphicStreamBinaryWriter& writer) {
    const EContolSelectLevel level = GetSelectLevel();
    const KCImageReference& image = m_images.selection[static_cast<std::size_t>(level)];
    if (DrawImage(writer, GetSelectionImages(level), image.IsSet() ? &image : nullptr)) {
        return;
    }
    GetDrawInstructionsDefaultSelectionLevel(writer, m_controlRect);
}

void KCGUIControl::GetDrawInstructionsDefaultSelectionLevel(
    kvGS::KCGraphicStreamBinaryWriter& writer, const KURect<short>& rect) {
    switch (GetSelectLevel()) {
        case eSelectLevelAutomated:
            writer.DrawWireRect(Palette().automated, rect, 1.0F);
            break;
        case eSelectLevelSelected:
            writer.DrawWireRect(Palette().selected, rect, 2.0F);
            break;
        case eSelectLevelActive:
            writer.DrawWireRect(Palette().active, rect, 2.0F);
            break;
        case eSelectLevelDisabled:
            // Dashed: disabled reads as "not there" rather than as a state of the value.
            writer.DrawWireRect(Palette().disabled, rect, 1.0F, 0xF0F0);
            break;
        case eSelectLevelHover:
            writer.DrawWireRect(Palette().hover, rect, 1.0F);
            break;
        default:
            break;
    }
}

}  // namespace kvKorvaneV10_0_3
