// A control with a place in the plug-in's GUI: geometry, images, selection and hover state, the
// disabled state, redraw requests, and how mouse, wheel, touch and keyboard input become
// parameter changes. The only kind of control a parameter accepts as a controller; every widget
// derives from it and overrides the protected hooks, not the public entries.
#pragma once

#include "korvane/algorithm/base_control.h"
#include "korvane/algorithm/param_base.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/geometry.h"
#include "korvane/gui/control_images.h"
#include "korvane/gui/drawable.h"
#include "korvane/gui/mouse_hover.h"
#include "korvane/gui/pvm/event_data.h"
#include "korvane/gui/pvm/image_vector.h"
#include "korvane/gui/selectable.h"
#include "korvane/gui/static_text.h"
#include "korvane/gui/widget_palette.h"
#include "korvane/process/host_callback.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace kvKorvaneV10_0_3 {

class CStandardGUI_X;

// Movement a control follows ("Direction").
enum EControlDirection : int {
    eDirectionNone = -1,
    eDirectionToggle = 0,
    eDirectionVertical = 1,
    eDirectionHorizontal = 2,
    eDirectionOmni = 3,
};

// When the control shows itself disabled ("DisableMode").
enum EControlDisableMode : int {
    eDisableWhenRequested = 0,   // its parameter at the index asks for it
    eDisableWhenAllDisabled = 1  // every registered parameter is disabled
};

// The items of a control's real-time MIDI menu, by their user data.
enum ERTMidiMenuItem : int {
    eRTMidiLearn = 1,  // "Learn", or "Cancel Learn" while the parameter is learned
    eRTMidiClear,      // detaches the parameter from every controller
    eRTMidiToggle,     // each press of a momentary button flips the parameter (latching)
    eRTMidiTempTouch,  // the press sets the parameter; the controller's release is ignored
    eRTMidiMomentary,  // the parameter follows the controller, its release included
};

// [gui-thread]
class KORVANE_API KCGUIControl : public KCBaseControl,
                                 public CSelectable,
                                 public CDrawable,
                                 public KCMouseHover {
public:
    using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;
    using Event = PluginViewManager::KCEventData;
    // Finds a control of the same GUI by name; null when there is none.
    using ControlLookup = std::function<KCGUIControl*(const char* name)>;

    // The owner is kept, never changed.
    explicit KCGUIControl(CStandardGUI_X* owner = nullptr);
    KCGUIControl(const KCGUIControl&) = default;
    KCGUIControl& operator=(const KCGUIControl&) = default;
    ~KCGUIControl() override;

    [[nodiscard]] bool IsGUIControl() const final { return true; }
    [[nodiscard]] CStandardGUI_X* GetOwner() const { return m_owner; }
    // Whether any registration names a parameter. A control bound to none (a scroll bar)
    // follows the pointer's place rather than converted deltas. [gui-thread]
    [[nodiscard]] bool HasParams() const;

    // ------------------------------------------------------------------ description
    // Besides the base's "Name", "Flags" and "ParameterList": "Page", and the children "Class",
    // "DependentsList" ("Dependent", "DrawDependent"), "FatherControl", "MaxSelection",
    // "AcceptableCharactersForTextEntry", "Direction", "DisableMode", "ControlRect",
    // "GeneralRect1", "GeneralRect2" and "ImageList". Unknown children are ignored. `update`
    // keeps what the element does not hold.
    void ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg, bool update) override;
    // A skin over an existing control: only what the element holds changes.
    virtual void UpdateFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg);
    void WriteToXMLWithAlg(XML::CXMLElement& parent, const cALGORITHM* alg,
                           const char* elementName) const override;
    // Besides the flag bits: "NoMultipleSelection" (no bit) keeps the control out of multiple
    // selections, "Hidden" also hides the control.
    void SetControlFlag(const char* name, bool on) override;
    using KCBaseControl::SetControlFlag;

    // Resolves the dependents by name once every control exists, in list order; names nobody
    // answers are dropped. The draw dependents are resolved only when `resolveDrawDependents`
    // (the GUI does not redraw everything anyway), then runs FinishCreateSelf; its result.
    // [gui-thread]
    int FinishCreate(const ControlLookup& lookup, bool resolveDrawDependents);
    // The same through the owner GUI's controls (ScopedControlLookup), draw dependents when it
    // has "NoAlwaysDraw"; without an owner no name resolves. [gui-thread]
    int FinishCreate() override;
    // Finds a dependent by name for this control: a control of a sub-view instance
    // ("Band2.Scroll") looks first among its own instance ("Band2.Graph"), then each enclosing
    // one, then the whole GUI. Null without an owner or a match. [gui-thread]
    [[nodiscard]] KCGUIControl* ScopedControlLookup(const char* name) const;
    // `control` is leaving the GUI: it is dropped from both dependents lists, and the widget
    // forgets whatever else it kept of it (ForgetControlSelf). [gui-thread]
    void ForgetControl(const KCGUIControl* control);

    // ------------------------------------------------------------------ fields
    [[nodiscard]] const KCFixedStringBase& GetClassName() const { return m_className; }
    // The kind of control the description asked for (the "Type" of its "Class"); empty for a
    // control made in code.
    [[nodiscard]] const KCFixedStringBase& GetTypeName() const { return m_typeName; }
    void SetTypeName(const char* type) { m_typeName = type; }
    // A marker: a handle on a graph, bar or arc ("Marker", "BarMarker", "ArcMarker", any type
    // named "...Marker"). Of markers that overlap, only the topmost takes a click.
    [[nodiscard]] virtual bool IsMarker() const;
    [[nodiscard]] const KCFixedStringBase& GetPageName() const { return m_pageName; }
    void SetPageName(const char* page) { m_pageName = page; }
    // Whether the control is on the page its GUI shows: always without a page or without a GUI.
    // A control on another page is neither drawn nor hit.
    [[nodiscard]] bool IsOnShownPage() const;
    // The "StaticText" children of the description; a skin's replace them all.
    [[nodiscard]] const std::vector<KCStaticText>& GetStaticTexts() const { return m_staticTexts; }
    std::vector<KCStaticText>& StaticTexts() { return m_staticTexts; }
    // Draws the static texts (after the control): each one's background
    // (GetDrawInstructionsForStaticTextBackground), then its text, a hover-only text only while
    // hovered.
    void GetDrawInstructionsStaticTexts(kvGS::KCGraphicStreamBinaryWriter& writer);
    [[nodiscard]] const KCFixedStringBase& GetFatherControlName() const { return m_fatherName; }
    [[nodiscard]] int GetMaxSelection() const { return m_maxSelection; }
    [[nodiscard]] const KCFixedStringBase& GetAcceptableCharactersForTextEntry() const {
        return m_acceptableChars;
    }
    [[nodiscard]] EControlDirection GetDirection() const { return m_direction; }
    [[nodiscard]] EControlDisableMode GetDisableMode() const { return m_disableMode; }
    [[nodiscard]] const KURect<short>& GetControlRect() const { return m_controlRect; }
    void SetControlRect(const KURect<short>& rect);
    [[nodiscard]] const KURect<short>& GetGeneralRect1() const { return m_generalRect1; }
    [[nodiscard]] const KURect<short>& GetGeneralRect2() const { return m_generalRect2; }
    [[nodiscard]] const KCControlImageList& GetImages() const { return m_images; }
    // Loads the images the description names into image vectors over `container`: the
    // background list, the foreground list and one per selection level (a file reference from
    // its file). Images that fail to load are kept and draw nothing; the first error, eNoErr
    // when every image loaded. Drawing takes the vectors' current images once loaded. A widget
    // loads images of its own in LoadImagesSelf. [gui-thread]
    KTErr LoadImages(KTResContainerType* container);
    // Appends the loaded images the control may draw (the current background, foreground and
    // selection images, and a widget's own), so a renderer takes their pixels rather than
    // reading them again. [gui-thread]
    virtual void GetLoadedImages(std::vector<const PluginViewManager::KCBaseImage*>& images) const;
    [[nodiscard]] const PluginViewManager::KCBaseImageVector& GetBackgroundImages() const {
        return m_backgroundImages;
    }
    [[nodiscard]] const PluginViewManager::KCBaseImageVector& GetForegroundImages() const {
        return m_foregroundImages;
    }
    // Empty for a level outside the table.
    [[nodiscard]] const PluginViewManager::KCBaseImageVector& GetSelectionImages(
        EContolSelectLevel level) const;
    [[nodiscard]] const std::vector<KCFixedString<63>>& GetDependentNames() const {
        return m_dependentNames;
    }
    [[nodiscard]] const std::vector<KCFixedString<63>>& GetDrawDependentNames() const {
        return m_drawDependentNames;
    }
    [[nodiscard]] const std::vector<KCGUIControl*>& GetDependents() const { return m_dependents; }
    [[nodiscard]] const std::vector<KCGUIControl*>& GetDrawDependents() const {
        return m_drawDependents;
    }
    [[nodiscard]] bool IsHidden() const { return m_hidden; }
    void SetHidden(bool hidden) { m_hidden = hidden; }
    [[nodiscard]] double GetClickStep() const { return m_clickStep; }
    void SetClickStep(double step) { m_clickStep = step; }
    [[nodiscard]] double GetDragFactor() const { return m_dragFactor; }
    void SetDragFactor(double factor) { m_dragFactor = factor; }
    void SetIgnoreNextMouseDown() { m_ignoreNextMouseDown = true; }
    void SetIgnoreNextMouseUp() { m_ignoreNextMouseUp = true; }
    // The next press or release was already handled elsewhere and will be swallowed.
    [[nodiscard]] bool WillIgnoreNextMouseDown() const { return m_ignoreNextMouseDown; }
    [[nodiscard]] bool WillIgnoreNextMouseUp() const { return m_ignoreNextMouseUp; }
    // Highlighted as automated (SetControlHighlightInfo).
    [[nodiscard]] bool IsHighlightedAutomated() const { return m_highlightAutomated; }
    [[nodiscard]] KCPoint2D<short> GetMouseDownPoint() const { return m_mouseDownPoint; }
    // A drag moved the value with "NoMouseUpAfterDrag"; still true inside MouseUpSelf.
    [[nodiscard]] bool HasMovedWhilePressed() const { return m_movedWhilePressed; }

    // ------------------------------------------------------------------ geometry
    virtual void Move(int dx, int dy);
    virtual void Resize(int width, int height);
    [[nodiscard]] virtual KURect<short> GetBounds() const { return m_controlRect; }
    // The area a drag moves over (default: the control rectangle).
    [[nodiscard]] virtual KURect<short> GetMovementRect() const { return m_controlRect; }
    // Where the control shows its value, which the edit box of a double click covers (default:
    // the control rectangle).
    [[nodiscard]] virtual KURect<short> GetValueRect() const { return m_controlRect; }
    // Where the GUI puts the pointer back after a gesture that hid it: the mouse-down point.
    // False when the control leaves the pointer where it is.
    [[nodiscard]] virtual bool GetCursorPosOnRelease(KCPoint2D<short>& where) const;
    // Inside the bounds and not hidden, then IsPointInsideSelf.
    [[nodiscard]] bool IsPointInside(KCPoint2D<short> point, const Event* event) const;
    // Shares an area with the bounds and not hidden, then DoYouIntersectSelf.
    [[nodiscard]] bool DoYouIntersect(const KURect<short>& rect, const Event* event) const;
    [[nodiscard]] bool IsInside(KCPoint2D<short> point) const;
    [[nodiscard]] bool IsPointInsideMovementRect(KCPoint2D<short> point) const;

    // ------------------------------------------------------------------ parameters
    // Any registered parameter wraps around.
    [[nodiscard]] virtual bool IsCyclicControl() const;
    // Registrations answer to both a vertical and a horizontal drag.
    [[nodiscard]] bool IsControllerOnTwoAxes() const;
    void GetControllerAxes(bool& x, bool& y) const;
    // A drag (or, with `wheel`, the wheel) can move a continuous parameter by less than a step:
    // the GUI may then offer a high-precision mode.
    [[nodiscard]] bool DoesControlSupportHighPrecision(const bool& wheel) const;
    [[nodiscard]] bool IsRegisteredToType(ERegisterType type) const;
    [[nodiscard]] bool IsAllRegisteredParamsDisabled() const;
    // Any of the four modifiers set (null: none).
    [[nodiscard]] static bool AreAnyModifiersPressed(const bool* modifiers);
    // The event asks for a reset of the registration: it answers to "Reset" and its own
    // (non-empty) modifiers are held, or it answers to "OptionReset" and the option (Alt) key is
    // held. A plain click never resets.
    [[nodiscard]] static bool NeedToResetParam(const bool* eventModifiers,
                                               const KCParamRegistrationData& registration);
    // Makes the next set of every registered parameter count even without a change.
    virtual void SetNeedToResetParams(bool need);
    // The registration whose parameter text entry sets: the first that names a parameter and
    // is not display-only; -1 for none.
    [[nodiscard]] virtual int WhichParamIndexCanEnterText() const;
    [[nodiscard]] virtual bool CanEnterText() const;
    // Converts a pixel delta of a drag to state units for registration `index`, as the standard
    // GUI does before MouseDrag: the parameter's mouse-delta function, then for a continuous
    // parameter times its state step; a discrete parameter collects the delta in `accumulator`
    // and moves one state per 96 units (truncated toward zero; the remainder stays). 0 for an
    // index past the registrations.
    [[nodiscard]] double PixelsToStateDelta(double pixels, double& accumulator,
                                            unsigned int index) const;

    // ------------------------------------------------------------------ input
    // Each returns the chain of parameter-change buffers the input produced, null when nothing
    // changed; the caller hands it on.
    BUFFER_HEADER* MouseDown(const Event& event, KURect<double>* range, bool& handled);
    BUFFER_HEADER* MouseDrag(const Event& event, double dx, double dy, KURect<double>* rect);
    BUFFER_HEADER* MouseUp(const Event& event);
    BUFFER_HEADER* MouseWheel(const Event& event, double dx, double dy, KURect<double>* rect);
    BUFFER_HEADER* MouseDraw(const Event& event, double dx, double dy, KURect<double>* rect);
    // Hover enters (`inside`) or leaves; a change asks for a redraw. `handled` may be null.
    BUFFER_HEADER* MouseOver(const Event& event, bool inside, bool* handled);
    // Touch follows the mouse logic; a pinch moves the "TouchPinch..." registrations.
    BUFFER_HEADER* TouchDown(const Event& event);
    BUFFER_HEADER* TouchDrag(const Event& event, double dx, double dy);
    // A finger held still on the control (the standard GUI generates it); TouchLongDownSelf.
    BUFFER_HEADER* TouchLongDown(const Event& event);
    BUFFER_HEADER* TouchPinchGesture(double dx, double dy);
    BUFFER_HEADER* TouchUp(const Event& event);
    // Arrow keys step the registrations of their axis to the next displayed value; `handled`
    // tells whether the control used the key.
    BUFFER_HEADER* Key(const Event& event, bool& handled);
    // A Shift-press on the control: true when the control changed a selection of its own (a
    // graph's markers) and the GUI is to leave its own selection of controls alone.
    // [gui-thread]
    bool ExtendOwnSelection(const Event& event);
    // Sets the text-entry parameter (WhichParamIndexCanEnterText) from `text`.
    BUFFER_HEADER* EnterText(const KCFixedStringBase& text, ETranslateTextRetType& result);

    // Gesture start and end on every registration that is not display-only.
    void Touch();
    void Release();

    // ------------------------------------------------------------------ real-time MIDI menu
    // The MIDI learn and mode menu of the lead registration's parameter. It exists when the
    // control has "CanAttachToRTMIDI", its lead parameter is not display-only and the
    // algorithm has a MIDI controller table.
    [[nodiscard]] bool HasRTMidiPopupMenu() const;
    // Fills `menu` with "Learn" ("Cancel Learn" while this parameter is learned), "Clear", a
    // separator and the modes "Toggle", "TempTouch", "Momentary" (user data ERTMidiMenuItem).
    // The mode of the parameter's attachment is checked; without an attachment "Clear" and the
    // modes are disabled. eWrongObjectState without such a menu, the menu layer's errors.
    KTErr SetRTMidiPopupMenu(PluginViewManager::KSMenu* menu) const;
    // Applies an item to the controller table: learn or stop learning, detach, or set every
    // attachment of the parameter to the mode. eWrongObjectState without a menu,
    // eValueNotFound for an unknown item, the algorithm's error when learning cannot start.
    KTErr ApplyRTMidiMenuItem(std::intptr_t item);
    // Builds the menu, shows it at the event's location through the popup presenter and
    // applies the choice. eUserCanceled when dismissed; the errors above.
    KTErr DoRTMidiControlPopupMenu(const Event& event);

    // ------------------------------------------------------------------ disabled state
    [[nodiscard]] virtual bool IsDisabled() const { return m_disabled; }
    virtual void SetDisabled();
    virtual void ClearDisabled();
    // Recomputes the disabled state for registration `index`, unless "IgnoreDisableMode".
    void UpdateDisabledMode(unsigned int index) override;
    // The parameter of registration `index` changed elsewhere: the registration takes its value
    // and the control asks for a redraw.
    void UpdatePointer(unsigned int index) override;
    // A gesture on the control belongs in the undo history: at least one registration names a
    // parameter, and none of those is display-only or flagged not to be recorded.
    [[nodiscard]] bool AreRegisteredParamsSavableToUndo() const;

    // ------------------------------------------------------------------ drawing
    // Asks for a redraw of the draw dependents, in list order, and of the control.
    void SetNeedToRedrawControl();
    virtual void SetNeedToRedrawControlOnly() { m_needRedraw = true; }
    [[nodiscard]] virtual bool NeedToRedrawControl() const { return m_needRedraw; }
    // The GUI drew the control.
    virtual void UpdateRedrawControl() { m_needRedraw = false; }
    // The GUI's idle pass: a control that shows a meter takes its current reading and asks
    // for a redraw when it changed (true then). Controls without a meter have nothing to do.
    virtual bool UpdateMeter() { return false; }
    // The level the default drawing shows: disabled, active (pressed), selected, hover,
    // automated (highlighted), else idle.
    [[nodiscard]] EContolSelectLevel GetSelectLevel() const;
    virtual void SetControlHighlightInfo(bool automated, bool selected);
    // Background, parameter data and the selection level, in that order.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;
    // Erases the control rectangle (not with "SliderNoBackground").
    virtual void GetDrawInstructionsControlBackground(kvGS::KCGraphicStreamBinaryWriter& writer);
    // What lies under one of the control's static texts: by default the text's own background
    // (its erase bitmap or colour); a control that knows better draws its own.
    virtual void GetDrawInstructionsForStaticTextBackground(
        kvGS::KCGraphicStreamBinaryWriter& writer, const KCStaticText& text);
    // "ParamID: <id> State: <state>" metadata per registration, for viewers and tests.
    virtual void GetDrawInstructionsParamsData(kvGS::KCGraphicStreamBinaryWriter& writer);
    // The selection image of the current level, or the default frame without one.
    virtual void GetDrawInstructionsSelectionBitmap(kvGS::KCGraphicStreamBinaryWriter& writer);
    // A frame around `rect` whose colour and width tell the level; nothing when idle.
    virtual void GetDrawInstructionsDefaultSelectionLevel(kvGS::KCGraphicStreamBinaryWriter& writer,
                                                          const KURect<short>& rect);

    // The colours the control draws with: its GUI's palette in force, the default palette
    // without a GUI.
    [[nodiscard]] const KSWidgetPalette& Palette() const;

protected:
    // True while a touch press runs the mouse-down logic, so a widget can present itself for a
    // finger (a touch-friendly menu).
    [[nodiscard]] bool IsTouchGesture() const { return m_touchGesture; }
    // The base range hook widens `range` by the values of the registrations that answer, with
    // the event's modifiers, to a drag: "MouseVertical"/"MouseDrawHorizontal" its left and
    // right, "MouseHorizontal"/"MouseDrawVertical" its top and bottom.
    virtual BUFFER_HEADER* MouseDownSelf(const Event& event, KURect<double>* range);
    virtual BUFFER_HEADER* MouseDragSelf(const Event& /*event*/, double /*dx*/, double /*dy*/,
                                         KURect<double>* /*rect*/) {
        return nullptr;
    }
    virtual BUFFER_HEADER* MouseUpSelf(const Event& /*event*/) { return nullptr; }
    // Runs each time the dependents were resolved (again), so a widget can connect to them; it
    // must undo what an earlier run connected. 0 or an error code.
    virtual int FinishCreateSelf() { return 0; }
    virtual void ForgetControlSelf(const KCGUIControl* /*control*/) {}
    virtual BUFFER_HEADER* MouseWheelSelf(const Event& /*event*/, double /*dx*/, double /*dy*/,
                                          KURect<double>* /*rect*/) {
        return nullptr;
    }
    virtual BUFFER_HEADER* MouseDrawSelf(const Event& /*event*/, double /*dx*/, double /*dy*/,
                                         KURect<double>* /*rect*/) {
        return nullptr;
    }
    virtual BUFFER_HEADER* MouseOverSelf(const Event& /*event*/, bool /*inside*/) {
        return nullptr;
    }
    virtual BUFFER_HEADER* EnterTextSelf(const KCFixedStringBase& /*text*/) { return nullptr; }
    // Touch hooks, after the mouse logic that the touch entries share.
    virtual BUFFER_HEADER* TouchDownSelf(const Event& /*event*/) { return nullptr; }
    virtual BUFFER_HEADER* TouchDragSelf(const Event& /*event*/, double /*dx*/, double /*dy*/) {
        return nullptr;
    }
    virtual BUFFER_HEADER* TouchUpSelf(const Event& /*event*/) { return nullptr; }
    // A long press during a touch gesture; the gesture goes on after it.
    virtual BUFFER_HEADER* TouchLongDownSelf(const Event& /*event*/) { return nullptr; }
    // A key before the arrow-key stepping: a widget that uses the key sets `handled`, and the
    // stepping is skipped.
    virtual BUFFER_HEADER* KeySelf(const Event& /*event*/, bool& handled) {
        handled = false;
        return nullptr;
    }
    virtual bool ExtendOwnSelectionSelf(const Event& /*event*/) { return false; }
    // Loads the images a widget draws besides the description's lists; the first error.
    virtual KTErr LoadImagesSelf(KTResContainerType* /*container*/) { return eNoErr; }
    [[nodiscard]] virtual bool IsPointInsideSelf(KCPoint2D<short> /*point*/,
                                                 const Event* /*event*/) const {
        return true;
    }
    [[nodiscard]] virtual bool DoYouIntersectSelf(const KURect<short>& /*rect*/,
                                                  const Event* /*event*/) const {
        return true;
    }
    // With "WhenRequested", the parameter of registration `index` asks to be disabled; with
    // "WhenAllDisabled", every registered parameter is disabled.
    [[nodiscard]] virtual bool ShouldDisableGUIControl(unsigned int index) const;
    [[nodiscard]] static bool IsParamDisabled(const KCParamRegistrationData& registration);
    // Applies (delta, type) to every registration, chaining the buffers.
    BUFFER_HEADER* OffsetAll(double delta, ERegisterType type, const bool* modifiers);

private:
    [[nodiscard]] double FirstValue() const;

    CStandardGUI_X* m_owner = nullptr;  // not owned
    bool m_disabled = false;
    bool m_ignoreNextMouseUp = false;
    bool m_ignoreNextMouseDown = false;
    bool m_hidden = false;
    bool m_needRedraw = false;
    bool m_pressed = false;
    bool m_touchGesture = false;
    bool m_highlightAutomated = false;
    bool m_highlightSelected = false;
    double m_clickStep = 1.0;
    double m_dragFactor = 1.0;
    KCFixedString<31> m_pageName;
    std::vector<KCStaticText> m_staticTexts;
    int m_maxSelection = 0;
    KCFixedString<63> m_className;
    KCFixedString<63> m_typeName;
    KCFixedString<63> m_fatherName;
    std::vector<KCFixedString<63>> m_dependentNames;
    std::vector<KCFixedString<63>> m_drawDependentNames;
    std::vector<KCGUIControl*> m_dependents;      // not owned
    std::vector<KCGUIControl*> m_drawDependents;  // not owned
    // Draws the current image of `images`, else `reference` (may be null); false when neither
    // names an image.
    bool DrawImage(kvGS::KCGraphicStreamBinaryWriter& writer,
                   const PluginViewManager::KCBaseImageVector& images,
                   const KCImageReference* reference) const;

    KCControlImageList m_images;
    PluginViewManager::KCBaseImageVector m_backgroundImages;
    PluginViewManager::KCBaseImageVector m_foregroundImages;
    std::array<PluginViewManager::KCBaseImageVector, kSelectLevelCount> m_selectionImages;
    EControlDirection m_direction = eDirectionNone;
    KCPoint2D<short> m_mouseDownPoint;
    KCPoint2D<short> m_movedSinceDown;
    KCFixedString<127> m_acceptableChars{"0123456789.+-"};
    KURect<short> m_generalRect1;
    KURect<short> m_generalRect2;
    KURect<short> m_controlRect;
    EControlDisableMode m_disableMode = eDisableWhenRequested;
    bool m_movedWhilePressed = false;
    double m_valueAtMouseDown = 0.0;
};

}  // namespace kvKorvaneV10_0_3
