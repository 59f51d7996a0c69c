// The standard GUI's input: the view manager's events routed to the controls, as gestures that
// pair their automation touch and release and leave one undo step each.
#include "korvane/gui/standard_gui.h"

#include "korvane/gui/standard_gui_edit_modes.h"
#include "korvane/gui/widget_text_entry.h"
#include "korvane/gui/widget_value_text.h"

#include <algorithm>
#include <string>

namespace kvKorvaneV10_0_3 {

using PluginViewManager::KCEventData;
using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;

namespace {

// The registration whose parameter a drag on `type` moves, for the pixels-to-state conversion;
// the first one when none answers to it.
unsigned int DragRegistration(const KCGUIControl& control, ERegisterType type) {
    const auto& registrations = control.GetRegistrations();
    for (unsigned int i = 0; i < registrations.size(); ++i) {
        if (registrations[i].HasParam() && registrations[i].AnswersTo(type)) {
            return i;
        }
    }
    return 0;
}

}  // namespace

std::vector<KCGUIControl*> CStandardGUI_X::CreateClickedList(KCPoint2D<short> point,
                                                             const KCEventData* event) const {
    std::vector<KCGUIControl*> clicked;
    for (const auto& control : m_controls) {
        if (control->IsPointInside(point, event)) {
            clicked.push_back(control.get());
        }
    }
    FilterHiddenClickedControls(clicked);
    return clicked;
}

void CStandardGUI_X::FilterHiddenClickedControls(std::vector<KCGUIControl*>& clicked) {
    std::erase_if(clicked, [](const KCGUIControl* control) {
        return control->IsHidden() || !control->IsOnShownPage();
    });
}

void CStandardGUI_X::FilterOverlappedMarkers(std::vector<KCGUIControl*>& clicked) {
    const auto top = std::find_if(clicked.rbegin(), clicked.rend(),
                                  [](const KCGUIControl* control) { return control->IsMarker(); });
    if (top == clicked.rend()) {
        return;
    }
    const KCGUIControl* keep = *top;
    std::erase_if(clicked, [keep](const KCGUIControl* control) {
        return control->IsMarker() && control != keep;
    });
}

KCGUIControl* CStandardGUI_X::GetClickedControl(KCPoint2D<short> point,
                                                const KCEventData* event) const {
    std::vector<KCGUIControl*> clicked = CreateClickedList(point, event);
    FilterOverlappedMarkers(clicked);
    if (clicked.empty()) {
        return nullptr;
    }
    const auto marker =
        std::find_if(clicked.begin(), clicked.end(),
                     [](const KCGUIControl* control) { return control->IsMarker(); });
    // The last control of the description is drawn on top: it takes the click.
    return marker != clicked.end() ? *marker : clicked.back();
}

// ------------------------------------------------------------------ selection

bool CStandardGUI_X::SelectControl(unsigned int index, bool extend) {
    KCGUIControl* control = GetControlPtrByIndex(index);
    if (control == nullptr || control->IsHidden() || !control->IsOnShownPage()) {
        return false;
    }
    if (!extend || !control->IsSelected()) {
        m_selection.AdjustSelectionToClick(control, extend);
    }
    SetNeedToRedrawGUI();
    return true;
}

bool CStandardGUI_X::SelectControlByName(const char* name, bool extend) {
    const int index = GetControlIndexByName(name);
    return index >= 0 && SelectControl(static_cast<unsigned int>(index), extend);
}

unsigned int CStandardGUI_X::SelectAllControls() {
    m_selection.ClearSelection();
    for (const auto& control : m_controls) {
        if (!control->IsHidden() && control->IsOnShownPage() &&
            control->CanBeInMultipleSelection()) {
            m_selection.Select(control.get());
        }
    }
    SetNeedToRedrawGUI();
    return m_selection.GetSelectionCount();
}

void CStandardGUI_X::DeSelectAllControls() {
    m_selection.ClearSelection();
    SetNeedToRedrawGUI();
}

KCGUIControl* CStandardGUI_X::GetSelectedController() const {
    return dynamic_cast<KCGUIControl*>(m_selection.GetFirstSelected());
}

bool CStandardGUI_X::SetControlHighlightInfo(unsigned int index, bool automated, bool selected) {
    KCGUIControl* control = GetControlPtrByIndex(index);
    if (control == nullptr) {
        return false;
    }
    control->SetControlHighlightInfo(automated, selected);
    return true;
}

std::vector<KCGUIControl*> CStandardGUI_X::GetSelectedControls() const {
    std::vector<KCGUIControl*> selected;
    for (CSelectable* item : m_selection.GetSelection()) {
        if (auto* control = dynamic_cast<KCGUIControl*>(item)) {
            selected.push_back(control);
        }
    }
    return selected;
}

bool CStandardGUI_X::GetLastCursorPosOnRelease(KCPoint2D<short>& where) const {
    if (m_hasCursorPosOnRelease) {
        where = m_cursorPosOnRelease;
    }
    return m_hasCursorPosOnRelease;
}

void CStandardGUI_X::SetCursorPosOnRelease(KCPoint2D<short> where) {
    m_hasCursorPosOnRelease = true;
    m_cursorPosOnRelease = where;
}

void CStandardGUI_X::CloseUndoStep(const std::vector<KCGUIControl*>& controls) {
    if (std::any_of(controls.begin(), controls.end(), [](const KCGUIControl* control) {
            return control->AreRegisteredParamsSavableToUndo();
        })) {
        RecordUndo(Undo::eInsertNoMerge, Undo::eUndoTypeParameters);
    }
}

// ------------------------------------------------------------------ mouse down

void CStandardGUI_X::DoMouseDown(KCEventData& event) {
    m_lastEvent = event;
    if (m_editModes->MouseDown(event)) {
        return;
    }
    if (IsTouchActive()) {
        return;  // one gesture at a time
    }
    m_mouseCaptured = true;
    m_lastMouseLocation = event.GetMouseLocation();
    m_hasCursorPosOnRelease = false;
    SetActiveControl(nullptr);
    m_dragAccumulators.clear();
    BeginPress(event);

    KCGUIControl* target = GetClickedControl(event.GetMouseLocation(), &event);
    const bool extend = event.GetKeyModifiers(eModShift);
    // On no control: a toolbar button, or the selection rectangle.
    if (target == nullptr && StartPointerModeOnNothing(event)) {
        return;
    }
    if (target != nullptr && OpenRTMidiMenu(*target, event)) {
        return;
    }
    // A control with a selection of its own (a graph's dynamic markers) takes the Shift-click
    // and stays selected, so that the arrow keys still reach it.
    if (extend && target != nullptr && target->ExtendOwnSelection(event)) {
        if (!target->IsSelected()) {
            m_selection.AdjustSelectionToClick(target, true);
        }
        return;
    }
    m_selection.AdjustSelectionToClick(target, extend);
    if (target == nullptr || extend) {
        return;
    }
    SetActiveControl(target);
    StartPointerModeOnControl(*target, event);
    ModifyControlsOnMouseDown(event);
    if (m_drawMode) {
        ModifyControlsOnMouseDraw(event);  // the pressed control takes the pointer's value
    }
}

void CStandardGUI_X::ModifyControlsOnMouseDown(const KCEventData& event) {
    for (KCGUIControl* control : GetSelectedControls()) {
        m_dragAccumulators.push_back({control, 0.0, 0.0});
        // The range starts empty; each control widens it with the values it drags.
        KURect<double> range(1.0e300, 1.0e300, -1.0e300, -1.0e300);
        bool handled = true;
        BUFFER_HEADER* chain = control->MouseDown(event, &range, handled);
        ExecuteAndDisposeBuffer(&chain);
        if (!handled) {
            OpenTextEntryOnControl(*control);
            return;  // one edit box at a time
        }
    }
}

void CStandardGUI_X::OpenTextEntryOnControl(KCGUIControl& control) {
    const int index = control.WhichParamIndexCanEnterText();
    if (index < 0) {
        return;
    }
    const KCParamRegistrationData& r = control.GetRegistrations()[static_cast<std::size_t>(index)];
    KSTextEntryRequest request;
    request.rect = control.GetValueRect();
    request.text = WidgetValueText(r, r.alg->GetParamState(r.paramID));
    request.allowedCharacters = control.GetAcceptableCharactersForTextEntry().c_str();
    std::string entered;
    if (RunTextEntry(request, entered) != eNoErr) {
        return;  // Escape, a click outside, or a character the control does not take
    }
    if (entered.empty() && !control.GetControlFlag(eCtrlReceiveEmptyTextEntry)) {
        return;
    }
    ETranslateTextRetType result = eTranslateTextRejected;
    BUFFER_HEADER* chain = control.EnterText(KCFixedString<255>(entered.c_str()), result);
    ExecuteAndDisposeBuffer(&chain);
    control.SetNeedToRedrawControl();
}

// ------------------------------------------------------------------ mouse move

void CStandardGUI_X::DoMouseMove(KCEventData& event) {
    m_lastEvent = event;
    if (m_editModes->MouseMove(event)) {
        m_lastMouseLocation = event.GetMouseLocation();
        return;
    }
    if (IsTouchActive()) {
        return;
    }
    if (m_mouseCaptured && event.GetMouseButtonPressed(PluginViewManager::eLeftButton) &&
        event.GetMouseClickCount() == PluginViewManager::eSingleClick) {
        if (m_selectingRect) {
            UpdateSelectRect(event);
        } else if (m_drawMode) {
            ModifyControlsOnMouseDraw(event);
        } else {
            ModifyControlsOnMouseDrag(event);
        }
    } else if (!m_mouseCaptured) {
        ModifyControlsOnMouseHover(event);
    }
    m_lastMouseLocation = event.GetMouseLocation();
}

void CStandardGUI_X::ModifyControlsOnMouseDrag(const KCEventData& event) {
    if (m_activeControl == nullptr || m_dragAccumulators.empty()) {
        return;
    }
    KSMouseDelta delta = MouseDelta_Calculate(m_lastMouseLocation, event.GetMouseLocation());
    bool allSupportHighPrecision = true;
    bool anyTwoAxes = false;
    for (const KSDragAccumulator& entry : m_dragAccumulators) {
        allSupportHighPrecision =
            allSupportHighPrecision && entry.control->DoesControlSupportHighPrecision(false);
        anyTwoAxes = anyTwoAxes || entry.control->IsControllerOnTwoAxes();
    }
    MouseDelta_HighPrecision(delta, event.GetKeyModifiers(kHighPrecisionModifier),
                             allSupportHighPrecision);
    MouseDelta_RestrictToAxis(delta, event.GetKeyModifiers(kRestrictAxisModifier), anyTwoAxes);
    if (delta.dx == 0.0 && delta.dy == 0.0) {
        return;
    }
    for (KSDragAccumulator& entry : m_dragAccumulators) {
        KCGUIControl& control = *entry.control;
        const double dx = delta.dx == 0.0 ? 0.0
                                          : control.PixelsToStateDelta(
                                                delta.dx, entry.horizontal,
                                                DragRegistration(control, eRegMouseHorizontal));
        const double dy = delta.dy == 0.0 ? 0.0
                                          : control.PixelsToStateDelta(
                                                delta.dy, entry.vertical,
                                                DragRegistration(control, eRegMouseVertical));
        // A discrete parameter still collecting toward its next state waits; a control bound
        // to no parameter follows the pointer's place, so it gets every move.
        if (dx == 0.0 && dy == 0.0 && control.HasParams()) {
            continue;
        }
        BUFFER_HEADER* chain = control.MouseDrag(event, dx, dy, nullptr);
        ExecuteAndDisposeBuffer(&chain);
    }
}

void CStandardGUI_X::ModifyControlsOnMouseHover(const KCEventData& event) {
    for (const auto& control : m_controls) {
        const bool inside = control->IsPointInside(event.GetMouseLocation(), &event);
        BUFFER_HEADER* chain = control->MouseOver(event, inside, nullptr);
        ExecuteAndDisposeBuffer(&chain);
    }
}

// ------------------------------------------------------------------ mouse up

void CStandardGUI_X::DoMouseUp(KCEventData& event) {
    m_lastEvent = event;
    if (m_editModes->MouseUp(event)) {
        return;
    }
    if (!m_mouseCaptured) {
        return;
    }
    m_mouseCaptured = false;
    const std::vector<KCGUIControl*> drawn = EndPointerModes(event);
    std::vector<KCGUIControl*> pressed;
    pressed.reserve(m_dragAccumulators.size());
    for (const KSDragAccumulator& entry : m_dragAccumulators) {
        pressed.push_back(entry.control);
    }
    for (KCGUIControl* control : pressed) {
        BUFFER_HEADER* chain = control->MouseUp(event);
        ExecuteAndDisposeBuffer(&chain);
        // MouseUp finished the drag; the release closes the gesture the press opened.
        control->Release();
    }
    KCPoint2D<short> where;
    const bool back = m_activeControl != nullptr && m_activeControl->GetCursorPosOnRelease(where);
    if (back) {
        SetCursorPosOnRelease(where);
    }
    ShowCursorAfterGesture(back ? &where : nullptr);
    SetActiveControl(nullptr);
    m_dragAccumulators.clear();
    MouseDelta_ClearRestrictedAxis();
    pressed.insert(pressed.end(), drawn.begin(), drawn.end());
    CloseUndoStep(pressed);
}

// ------------------------------------------------------------------ wheel and keys

void CStandardGUI_X::DoMouseWheel(KCEventData& event) {
    m_lastEvent = event;
    // The designer's edit modes move controls, not values.
    if (m_mouseCaptured || IsTouchActive() || m_editModes->IsOn() ||
        event.GetMouseWheelDelta() == 0) {
        return;
    }
    KCGUIControl* control = GetClickedControl(event.GetMouseLocation(), &event);
    if (control == nullptr) {
        return;
    }
    ModifyControlsOnMouseWheel(event, *control);
    CloseUndoStep({control});
}

void CStandardGUI_X::ModifyControlsOnMouseWheel(const KCEventData& event, KCGUIControl& control) {
    KSMouseDelta delta{0.0, static_cast<double>(event.GetMouseWheelDelta())};
    AccelerateMouseWheel(delta);
    BUFFER_HEADER* chain = control.MouseWheel(event, delta.dx, delta.dy, nullptr);
    ExecuteAndDisposeBuffer(&chain);
    // Each notch is a gesture of its own: touched by MouseWheel, released here.
    control.Release();
}

void CStandardGUI_X::DoKey(KCEventData& event, bool& handled) {
    m_lastEvent = event;
    handled = false;
    if (m_editModes->Key(event)) {
        handled = true;
        return;
    }
    std::vector<KCGUIControl*> used;
    for (KCGUIControl* control : GetSelectedControls()) {
        if (ModifyControlsOnKey(event, *control)) {
            used.push_back(control);
        }
    }
    handled = !used.empty();
    CloseUndoStep(used);
}

bool CStandardGUI_X::ModifyControlsOnKey(const KCEventData& event, KCGUIControl& control) {
    bool handled = false;
    BUFFER_HEADER* chain = control.Key(event, handled);
    ExecuteAndDisposeBuffer(&chain);
    return handled;
}

}  // namespace kvKorvaneV10_0_3
