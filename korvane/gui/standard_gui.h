// CStandardGUI_X: the content of a plug-in window. Built for one algorithm from its "GUIXML"
// description, it owns the controls and the toolbar buttons, applies skins, turns pointer
// motion into parameter changes and runs the system commands (undo, presets, A/B setups, help,
// about).
#pragma once

#include "korvane/algorithm/algorithm.h"
#include "korvane/algorithm/algorithm_gui_abs.h"
#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/geometry.h"
#include "korvane/gui/gui_control.h"
#include "korvane/gui/gui_description.h"
#include "korvane/gui/mouse_delta.h"
#include "korvane/gui/pvm/event_receiver.h"
#include "korvane/gui/pvm/view_requests.h"
#include "korvane/gui/selectable.h"
#include "korvane/gui/skins_data.h"
#include "korvane/gui/toolbar_buttons.h"
#include "korvane/gui/widget_palette.h"
#include "korvane/undo/undo_manager.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {

namespace XML {
class CXMLElement;
}

// Bit numbers of the GUI flags ("Flag_List").
enum EGUIFlags : unsigned int {
    eGUIFlagNoSelectRect = 1,
    eGUIFlagNoAlwaysDraw = 2,
    eGUIFlagDropBaseImage = 3,
    eGUIFlagNoImages = 4,
    eGUIFlagNoAutomatableImages = 5,
};

// The pictures of "Pict_List": "ResID"s of "PNG_" resources, 0 for none.
struct KSGUIPictures {
    std::vector<short> base;  // the "Base" image, then each "AdditionalImageList" image
    short about = 0;
    short icon = 0;
};

// One "ControlOrder_List" or "TabOrder_List" list: control names in order ("" for a "Dummy"
// placeholder) and the list's flags.
struct KSControlOrder {
    std::vector<std::string> names;
    std::vector<std::string> flags;
};

class CKorvaneEditModes_X;

// The phase of one finger's touch.
enum ETouchPhase : int { eTouchDown = 0, eTouchMove, eTouchUp, eTouchCancel };

// One finger as a touch screen reports it: an id that stays the same from down to up, where it
// is, and what it did.
struct KSTouchPoint {
    int id = 0;
    KCPoint2D<short> location;
    ETouchPhase phase = eTouchMove;
};

// A two-finger pinch: the change of the fingers' distance on each axis (positive: spreading)
// and their centre.
struct KSPinchGesture {
    KCPoint2D<short> center;
    double dx = 0.0;
    double dy = 0.0;
};

// [gui-thread]: the host's GUI thread builds, drives and destroys it. The algorithm's
// notifications arrive on the thread that caused them, with the algorithm lock held; they only
// update what the GUI shows.
class KORVANE_API CStandardGUI_X : public KCAlgorithmListener,
                                   public KCAlgorithmGUIAbs,
                                   public PluginViewManager::KCViewEventReceiver {
public:
    explicit CStandardGUI_X(KTResContainerType*& resources);
    CStandardGUI_X(const CStandardGUI_X&) = delete;
    CStandardGUI_X& operator=(const CStandardGUI_X&) = delete;
    // Detaches from the algorithm (Dispose).
    ~CStandardGUI_X() override;

    // ------------------------------------------------------------------ creation
    // Attaches to `alg` (its GUI and a listener of its events), reads its "GUIXML" resource
    // (GetGUIResourceID, the component's variant first) with ReadFromXML and completes the
    // controls (FinishCreate). A missing resource leaves a GUI without controls and gives the
    // resource layer's error; otherwise ReadFromXML's result.
    KTErr InitDefaultGUI(cALGORITHM* alg);
    // The same without loading pictures (the "NoImages" flag is set first).
    KTErr InitDefaultGUIWithoutImages(cALGORITHM* alg);
    // Attaches to `alg` without reading anything: for a GUI described by other means.
    void AttachAlgorithm(cALGORITHM* alg);
    // Reads a description whose root has "version" "4" (any other: nothing is read, eNoErr).
    // Children by name: "Pict_List", "ViewRect_List", "ControlOrder_List",
    // "ToolBarControl_List", "TabOrder_List", "Control_List", "Control_Template_List",
    // "Flag_List", "PluginSpecificData" (handed to ReadPluginSpecificData), then
    // "SubViewRect_List" and "Control_Template_Batch_List" go with the templates to
    // InitializeSubViews, last; others are ignored. The first error of an element that was
    // skipped (eControlOutOfRange for an oversized control array), eNoErr when none was.
    KTErr ReadFromXML(const XML::CXMLElement& root);
    // Runs each control's FinishCreate once all exist; the first non-zero result.
    int FinishCreate();
    // Destroys the controls and buttons and detaches from the algorithm.
    void Dispose();
    // Appends a control (to the templates with `isTemplate`); the GUI owns it.
    KCGUIControl* AddNewControl(std::unique_ptr<KCGUIControl> control, bool isTemplate = false);
    // Destroys a control of the GUI (unregistered from its parameters, out of the gesture under
    // way, forgotten by the controls that depend on it); false when it is not one.
    bool DeleteControl(const KCGUIControl* control, bool isTemplate = false);

    [[nodiscard]] cALGORITHM* GetAlgorithm() const { return m_alg; }
    [[nodiscard]] const KorvaneComponentInfo& GetCD() const { return m_info; }
    [[nodiscard]] KTResContainerType* GetResContainer() const { return m_resources; }

    // ------------------------------------------------------------------ controls
    [[nodiscard]] unsigned int GetNumGUIControllers() const {
        return static_cast<unsigned int>(m_controls.size());
    }
    [[nodiscard]] KCGUIControl* GetControlPtrByIndex(unsigned int index) const;
    [[nodiscard]] KCGUIControl* GetControlPtrByName(const char* name) const;
    // -1 for an unknown name.
    [[nodiscard]] int GetControlIndexByName(const char* name) const;
    [[nodiscard]] KCGUIControl* GetTemplateControlPtrByName(const char* name) const;
    [[nodiscard]] unsigned int GetNumTemplateControls() const {
        return static_cast<unsigned int>(m_templates.size());
    }
    // Copies at most `length` characters of control `index`'s name and terminates;
    // eControlOutOfRange for a bad index.
    int GetControlNameOfLength(unsigned int index, unsigned int length, char* buffer) const;
    void DoOnAllControls(const std::function<void(KCGUIControl&)>& function) const;
    void DoOnSomeControls(const std::function<void(KCGUIControl&)>& function,
                          const std::function<bool(const KCGUIControl&)>& predicate) const;
    // The controls whose lead parameter is `paramID`.
    void DoOnSomeControlsByLeadParam(unsigned int paramID,
                                     const std::function<void(KCGUIControl&)>& function) const;
    // Each registration of the control named `name`.
    void DoOnControlRegistrationsByControlName(
        const char* name, const std::function<void(KCParamRegistrationData&)>& function) const;
    // Each registration, of any control, of parameter `paramID`.
    void DoOnControlRegistrationsByParam(
        unsigned int paramID, const std::function<void(KCParamRegistrationData&)>& function) const;

    // ------------------------------------------------------------------ description
    [[nodiscard]] bool GetGUIFlag(EGUIFlags flag) const { return ((m_flags >> flag) & 1U) != 0; }
    void SetGUIFlag(EGUIFlags flag, bool on);
    [[nodiscard]] int GetGraphicStreamDataPtrThreshold() const { return m_streamThreshold; }
    [[nodiscard]] const KSGUIPictures& GetPictures() const { return m_pictures; }
    [[nodiscard]] unsigned int GetCurrentBasePicture() const { return m_currentBasePicture; }
    [[nodiscard]] const std::vector<KURect<short>>& GetViewRects() const { return m_viewRects; }
    // The GUI's own rectangle: the first view rectangle until a skin changes it.
    [[nodiscard]] const KURect<short>& GetGUIRect() const { return m_rect; }
    void SetGUIRect(const KURect<short>& rect) { m_rect = rect; }
    [[nodiscard]] const std::vector<KSControlOrder>& GetControlOrder() const {
        return m_controlOrder;
    }
    [[nodiscard]] const std::vector<std::string>& GetControlOrderFlags() const {
        return m_controlOrderFlags;
    }
    [[nodiscard]] const KSControlOrder& GetTabOrderHorizontal() const { return m_tabHoriz; }
    [[nodiscard]] const KSControlOrder& GetTabOrderVertical() const { return m_tabVert; }

    // ------------------------------------------------------------------ toolbar
    [[nodiscard]] unsigned int GetNumToolbarButtons() const {
        return static_cast<unsigned int>(m_buttons.size());
    }
    [[nodiscard]] X_CToolbarButton* GetToolbarButton(unsigned int index) const;
    [[nodiscard]] X_CToolbarButton* GetToolbarButtonByName(const char* name) const;
    // Shows `text` on the button named `name`; false without such a button.
    bool NotifyToolbar_update(const char* name, const char* text);
    // Shows text string `index` of the button named `name`; false without such a button or
    // string.
    bool NotifyToolbar_updateIndex(const char* name, unsigned int index);

    // ------------------------------------------------------------------ skins
    [[nodiscard]] KCSkinsData& GetSkinsData() { return m_skins; }
    [[nodiscard]] const KCSkinsData& GetSkinsData() const { return m_skins; }
    [[nodiscard]] bool HasSkins() const { return m_skins.GetNumSkins() > 1; }
    // Applies the current skin's generations, oldest ancestor first. Nothing with fewer than
    // two skins or no current name; eGUISkinNotFound for an unknown current skin; the chain's
    // kSkinFatherCycle after applying each skin of the loop once.
    KTErr SetSkin();
    // Makes `name` the current skin: its view rectangle becomes the GUI's, SetSkin applies it
    // and every parameter is refreshed. Nothing when `name` is current already or unknown
    // (eGUISkinNotFound).
    KTErr UpdateSkin(const char* name);
    // Applies a skin element over the GUI: "ViewRect_List", "Pict_List",
    // "ToolBarControl_List" (buttons matched by "Name") and "Control_List" (controls matched
    // by "Name").
    void UpdateFromSkinXML(const XML::CXMLElement& element);
    void Update_Controls_List_SkinXML(const XML::CXMLElement& list);
    // Reads the component's "SkinXML" resource (GetSkinResourceID, the sub-type's variant
    // first) and makes the algorithm's default skin current, else the first skin, applying it.
    // No resource means no skins (eNoErr); otherwise SetSkin's result.
    KTErr InitSkinsFromResources();

    // ------------------------------------------------------------------ pages
    // Controls with a "Page" show one page at a time; controls without one show on every page.
    // The pages in the order the controls name them first.
    [[nodiscard]] std::vector<std::string> GetPageNames() const;
    // The page shown: the one set last, else the first page of the description ("" without
    // pages).
    [[nodiscard]] std::string GetCurrentPage() const;
    // Shows page `name` (unknown names too: then only page-less controls show). A change asks
    // for a full redraw and drops the hidden controls from the selection.
    void SetCurrentPage(const char* name);
    [[nodiscard]] bool IsPageShown(const char* name) const;

    // ------------------------------------------------------------------ widget colours
    // The palette the widgets draw with now.
    [[nodiscard]] const KSWidgetPalette& GetWidgetPalette() const { return m_palette; }
    // The GUI's own palette: in force without skins, and under a skin none of whose
    // generations has a palette of its own.
    void SetWidgetPalette(const KSWidgetPalette& palette);
    // The palette of skin `name`, in force while that skin or a descendant without a palette
    // of its own is current.
    void SetSkinWidgetPalette(const char* name, const KSWidgetPalette& palette);

    // ------------------------------------------------------------------ pointer
    // Pixels to state units through the active control's registration `index`, with the
    // accumulator of the vertical or horizontal axis.
    double MouseDelta_ActiveControlChangeResolutionFromPixelsToParams(double pixels, bool vertical,
                                                                      unsigned int index);
    // Starts a gesture on `control` (null: none): both accumulators go back to 0.
    void SetActiveControl(KCGUIControl* control);
    [[nodiscard]] KCGUIControl* GetActiveControl() const { return m_activeControl; }
    // The wheel delta accelerated by the time since the previous wheel event (the clock).
    void AccelerateMouseWheel(KSMouseDelta& delta);
    // Replaces the microsecond clock of the wheel (a test's); null restores the monotonic one.
    void SetMicrosecondClock(KTMicrosecondClock clock);

    // ------------------------------------------------------------------ drawing
    // True when the GUI asked for a full redraw or a visible control needs one.
    [[nodiscard]] bool NeedToRedrawGUI() const;
    void SetNeedToRedrawGUI() { m_needRedrawGUI = true; }
    // The whole GUI as one stream over its rectangle: the base picture, each visible control
    // in order, the selection rectangle. Clears every redraw request.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer);
    // The current base picture at `rect`'s corner; nothing without one or with "NoImages".
    void GetDrawInstructionsBasePict(kvGS::KCGraphicStreamBinaryWriter& writer,
                                     const KURect<short>& rect);
    // Control `index`, unless hidden; false for a bad index or a hidden control.
    bool GetDrawInstructionsForControl(unsigned int index,
                                       kvGS::KCGraphicStreamBinaryWriter& writer);
    // The selection rectangle while one is dragged (not with "NoSelectRect").
    void GetDrawInstructionsSelectedRect(kvGS::KCGraphicStreamBinaryWriter& writer);
    // The rectangle a draw may be cut to: the GUI's.
    [[nodiscard]] KURect<short> GetRectToLimitDrawWithScissors() const { return m_rect; }
    // The rectangle a pointer drag selects over; empty when none.
    void SetSelectRect(const KURect<short>& rect);
    [[nodiscard]] const KURect<short>& GetSelectRect() const { return m_selectRect; }
    // Writes the stream held by `writer` as a YAML document to the file `path`.
    // The reader's error for a damaged stream, eFMWriteFailed when the file cannot be written.
    KTErr WriteGraphicStreamToFile(const kvGS::KCGraphicStreamBinaryWriter& writer,
                                   const char* path) const;
    // Draws the GUI as it is now and encodes the picture as PNG (replacing `png`), images taken
    // from what the controls loaded, then from the plug-in's resources; needs no display. The
    // renderer's errors.
    KTErr RenderToPNG(std::vector<unsigned char>& png);

    // ------------------------------------------------------------------ buffers
    // Joins two chains; the head.
    BUFFER_HEADER* ChainBuffers(BUFFER_HEADER* first, BUFFER_HEADER* second);
    // Executes the chain through the host and frees it; *chain is null afterwards. The send's
    // result; 0 for no chain, or without an algorithm (the chain is then left alone).
    int ExecuteAndDisposeBuffer(BUFFER_HEADER** chain);

    // ------------------------------------------------------------------ undo
    // The undo manager, made with the algorithm's undo level when the GUI attaches to a created
    // algorithm (or on first use), holding the parameters' state of that moment.
    Undo::KCUndoManagerAbs* CreateUndoManager();
    [[nodiscard]] Undo::KCUndoManagerAbs* GetUndoManager() const { return m_undo.get(); }
    // Records the present state (the parameters, or the current preset) as an undo step.
    void RecordUndo(Undo::EInsertToStackType mode, Undo::EUndoType type);

    // ------------------------------------------------------------------ system commands
    // Each is what its toolbar button or menu item does; results are library codes.
    // Undoes / redoes up to `count` steps; the number done.
    virtual int System_ExecuteUndo(unsigned int count);
    virtual int System_ExecuteRedo(unsigned int count);
    // Every parameter but display-only ones to its reset state, executed, recorded for undo.
    virtual int System_ExecuteReset();
    // The other setup becomes active.
    virtual int System_ExecuteSwitch();
    // The active setup over the passive one.
    virtual int System_ExecuteCopy();
    // The factory preset after (before) the current one, wrapping around and passing over
    // separators and titles; the first (last) when the current preset is none of them.
    // eNoFactoryPresets without any. Recorded for undo.
    virtual int System_ExecuteNextPrevPreset(bool next);
    // The presets manager's load / save menu at `where`.
    virtual int System_ExecuteLoadPreset(KCPoint2D<short> where);
    // The older, flat load menu at `where`: the factory presets alone, one item each, the
    // current one checked; the chosen preset is loaded and recorded for undo. eNoFactoryPresets
    // without any, eUserCanceled when the menu is dismissed.
    virtual int System_ExecuteOldLoadPresetMenu(KCPoint2D<short> where);
    virtual int System_ExecuteSavePreset(KCPoint2D<short> where);
    // The documentation: LaunchHelpFile over GetHelpFolder and the algorithm's user-manual
    // name; its message goes to ShowMessage.
    virtual int System_ExecuteHelp();
    // Builds the about text (GetAboutText) and shows it with ShowAbout.
    virtual int System_ExecuteAbout();
    virtual int System_ExecuteSideChainActive(bool active);
    // A plug-in's own button; eNotImplemented by default.
    virtual int System_ExecutePluginSpecific(const char* name);
    virtual int System_ExecuteOpenHtmlView(KCPoint2D<short> where);

    // "About <name>", "Version: <version>", "Process Type: [<bits>bit]", one a line, then the
    // text of each child of the component's "InfoXML" resource, one a line.
    [[nodiscard]] std::string GetAboutText() const;
    // "Setup A" or "Setup B".
    [[nodiscard]] static const char* GetSetupTitle(EPluginSetup setup);
    [[nodiscard]] bool IsPresetModified(EPluginSetup setup) const;

    // ------------------------------------------------------------------ idle
    // The host's idle timer: the algorithm's idle pass (meters read from the running process
    // and released, display strings, controls refreshed from their parameters; see
    // cALGORITHM::DoIdle), then every visible control takes its meter reading (UpdateMeter).
    // A touch held long enough becomes a long press here (CheckTouchLongPress).
    // The algorithm's result (kAlgLockBusy while it is locked elsewhere); 0 without one.
    // Afterwards NeedToRedrawGUI tells whether anything has to be drawn again.
    int DoIdle(short level = 0);

    // ------------------------------------------------------------------ event routing
    // The view manager's input, routed to the controls. A press captures the pointer, selects
    // the topmost visible control under it (Shift only adjusts the selection) and presses every
    // selected control; a move drags them (pixels through high precision, the axis lock and
    // each control's pixels-to-state conversion) or, with no button, updates the hover; the
    // release ends the gesture on every selected control and closes the undo step. The wheel
    // (ignored while a button is down) turns the control under the pointer; keys go to the
    // selected controls.
    void DoMouseDown(PluginViewManager::KCEventData& event) override;
    void DoMouseMove(PluginViewManager::KCEventData& event) override;
    void DoMouseUp(PluginViewManager::KCEventData& event) override;
    void DoMouseWheel(PluginViewManager::KCEventData& event) override;
    void DoKey(PluginViewManager::KCEventData& event, bool& handled) override;
    // The visible controls under `point`, in description order (the last is drawn on top).
    [[nodiscard]] std::vector<KCGUIControl*> CreateClickedList(
        KCPoint2D<short> point, const PluginViewManager::KCEventData* event) const;
    [[nodiscard]] CSelectableHome& GetSelectionHome() { return m_selection; }
    // The selected controls, first selected first.
    [[nodiscard]] std::vector<KCGUIControl*> GetSelectedControls() const;
    // True between a press the GUI took and its release.
    [[nodiscard]] bool IsMouseCaptured() const { return m_mouseCaptured; }
    // Where the last gesture asked the pointer to go back to (GetCursorPosOnRelease of the
    // active control); false when the last release asked for nothing.
    [[nodiscard]] bool GetLastCursorPosOnRelease(KCPoint2D<short>& where) const;

    // The modifiers that ask for high precision and for the axis lock while dragging.
    static constexpr KEModifier kHighPrecisionModifier = eModPrimary;
    static constexpr KEModifier kRestrictAxisModifier = eModSecondary;

    // Drops the controls of `clicked` that are hidden or on a page not shown.
    static void FilterHiddenClickedControls(std::vector<KCGUIControl*>& clicked);
    // Of the markers in `clicked` (KCGUIControl::IsMarker) only the one drawn on top stays: the
    // others lie under it.
    static void FilterOverlappedMarkers(std::vector<KCGUIControl*>& clicked);
    // The control a press at `point` goes to: the marker left by FilterOverlappedMarkers when
    // there is one (a marker is a handle on what it marks and is grabbed through it), else the
    // control drawn on top; null for none.
    [[nodiscard]] KCGUIControl* GetClickedControl(
        KCPoint2D<short> point, const PluginViewManager::KCEventData* event) const;

    // ------------------------------------------------------------------ selection
    // Selects control `index` alone, or with `extend` adds it to the selection (a control that
    // may not be part of a multiple selection then ends up alone, as with a Shift click).
    // False for a bad index or a control not shown (hidden, or on another page).
    bool SelectControl(unsigned int index, bool extend = false);
    bool SelectControlByName(const char* name, bool extend = false);
    // Every shown control that may be part of a multiple selection, in control order; the
    // number selected.
    unsigned int SelectAllControls();
    void DeSelectAllControls();
    // The control selected first; null with none.
    [[nodiscard]] KCGUIControl* GetSelectedController() const;
    [[nodiscard]] unsigned int GetNumSelectedControllers() const {
        return m_selection.GetSelectionCount();
    }
    [[nodiscard]] bool IsMultipleControlsSelected() const {
        return m_selection.GetSelectionCount() > 1;
    }
    // Tells control `index` how to show itself (automated, selected); false for a bad index.
    bool SetControlHighlightInfo(unsigned int index, bool automated, bool selected);

    // ------------------------------------------------------------------ touch
    // One finger follows the mouse paths: the down presses the control under it (selecting it
    // alone; on no control a toolbar button under it is pressed), each move drags it by the
    // finger's motion converted as a mouse drag's, the up releases it. So one touch is one
    // automation gesture and one undo step. Touch input is ignored while a mouse gesture or
    // another touch is under way, and a mouse press is ignored during a touch.
    void DoSingleTouchDown(PluginViewManager::KCEventData& event);
    void DoSingleTouchMove(PluginViewManager::KCEventData& event);
    void DoSingleTouchUp(PluginViewManager::KCEventData& event);
    void DoSingleTouch(PluginViewManager::KCEventData& event, ETouchPhase phase);
    // The fingers' state as a touch screen reports it (see KSTouchPoint). One finger goes to
    // DoSingleTouch; when a second finger lands the single touch ends and the two fingers
    // pinch: the change of their distance on each axis goes to DoPinchGesture at their centre.
    void DoTouch(const std::vector<KSTouchPoint>& touches);
    // A pinch of `gesture.dx` and `gesture.dy` pixels (positive: spreading) at `gesture.center`:
    // the control under it moves its "TouchPinchVertical"/"TouchPinchHorizontal" registrations
    // as one gesture and one undo step. `handled` tells whether a control answered.
    void DoPinchGesture(const KSPinchGesture& gesture, bool& handled);
    [[nodiscard]] bool IsTouchActive() const { return m_touchControl != nullptr || m_touchDown; }
    // A finger held on a control for kLongPressDelayUs on the GUI's clock, never farther than
    // kLongPressSlop pixels (per axis) from where it landed, is a long press: the control's
    // TouchLongDown, once per touch. DoIdle checks; true when it fired now. [gui-thread]
    bool CheckTouchLongPress();
    static constexpr std::int64_t kLongPressDelayUs = 500'000;
    static constexpr int kLongPressSlop = 8;

    // ------------------------------------------------------------------ window
    // The window that shows the GUI became active: `view` (when given) becomes the GUI's view
    // and everything is drawn again.
    void ActivateWindow(PluginViewManager::KCPluginViewAbs* view);
    // The window lost the activation: a mouse or touch gesture under way ends as if released
    // where the pointer was (its release reaches the parameters and the host), an edit-mode
    // drag ends, a hidden pointer is shown where it is, hover ends on every control. The
    // selection stays.
    void DeactivateWindow();
    [[nodiscard]] bool IsWindowActive() const { return m_windowActive; }
    // Detaches the GUI from its view: DeactivateWindow, then no view.
    void ResetPluginView();

    // ------------------------------------------------------------------ edit modes
    // The designer's overlay; off until a mode is set. Events go to it first while it is on.
    [[nodiscard]] CKorvaneEditModes_X& GetEditModes() { return *m_editModes; }
    // Replaces the overlay (a plug-in's own); null restores the default.
    void SetEditModes(std::unique_ptr<CKorvaneEditModes_X> modes);

protected:
    // The pointer should go back to `where` (view coordinates) after a gesture; the view
    // manager's GUI moves it, the default only remembers it.
    virtual void SetCursorPosOnRelease(KCPoint2D<short> where);
    // Presses every selected control and executes what they change.
    virtual void ModifyControlsOnMouseDown(const PluginViewManager::KCEventData& event);
    // A double click a control passed on (it cleared `handled`): the view manager's edit box
    // over the control's value; committed text goes through the parameter's text translation.
    void OpenTextEntryOnControl(KCGUIControl& control);
    // A drag step: the pointer's motion through high precision, the axis lock and each pressed
    // control's pixels-to-state conversion, to MouseDrag.
    virtual void ModifyControlsOnMouseDrag(const PluginViewManager::KCEventData& event);
    virtual void ModifyControlsOnMouseHover(const PluginViewManager::KCEventData& event);
    // What a wheel turn does to `control` (the one under the pointer): the notches accelerated
    // by the time since the last turn, applied by MouseWheel as one gesture. A plug-in may
    // change the event (notches, modifiers) and call this, or act on its own; the GUI records
    // one undo step after it either way.
    virtual void ModifyControlsOnMouseWheel(const PluginViewManager::KCEventData& event,
                                            KCGUIControl& control);
    // What a key does to `control`, one of the selected controls: its Key. True when it used
    // the key. A plug-in may change the event (another key) and call this; the GUI records one
    // undo step for all the controls that used the key.
    virtual bool ModifyControlsOnKey(const PluginViewManager::KCEventData& event,
                                     KCGUIControl& control);

private:
    // Per selected control, the remainders of its pixels-to-state conversion on each axis.
    struct KSDragAccumulator {
        KCGUIControl* control = nullptr;
        double horizontal = 0.0;
        double vertical = 0.0;
    };
    // Records an undo step when any of `controls` keeps its gestures in the history.
    void CloseUndoStep(const std::vector<KCGUIControl*>& controls);

    CSelectableHome m_selection;
    bool m_mouseCaptured = false;
    KCPoint2D<short> m_lastMouseLocation;
    std::vector<KSDragAccumulator> m_dragAccumulators;
    bool m_hasCursorPosOnRelease = false;
    KCPoint2D<short> m_cursorPosOnRelease;
    // touch
    bool m_touchDown = false;
    KCGUIControl* m_touchControl = nullptr;
    KSDragAccumulator m_touchAccumulator;
    KCPoint2D<short> m_lastTouchLocation;
    PluginViewManager::KCEventData m_touchEvent;
    bool m_longPressPending = false;
    std::int64_t m_touchDownTime = 0;
    // DoTouch's fingers: the first finger's id, and both fingers' last places while pinching.
    int m_firstFinger = -1;
    bool m_pinching = false;
    KCPoint2D<short> m_pinchA;
    KCPoint2D<short> m_pinchB;
    // window
    bool m_windowActive = false;
    PluginViewManager::KCEventData m_lastEvent;
    std::unique_ptr<CKorvaneEditModes_X> m_editModes;

public:
    // ------------------------------------------------------------------ pointer modes
    // What a press starts besides a control gesture. On no control, a toolbar button under the
    // point is pressed and runs its command if the release is still on it; on neither, a drag
    // spans a selection rectangle (not with "NoSelectRect") that selects the controls it
    // touches (DoYouIntersect), added to the selection of the press with Shift. A press on a
    // control registered to "MouseDrawVertical" or "MouseDrawHorizontal" starts draw mode:
    // every such control the pointer crosses gets MouseDraw, is touched when first reached and
    // released at the release. A left press on a control that is dragged (registered to
    // "MouseVertical" or "MouseHorizontal", no "DisplayCursor" flag, not drawing) hides the
    // pointer until the release, which puts it at the control's GetCursorPosOnRelease point
    // first. A right press on a control that has a real-time MIDI menu
    // (KCGUIControl::HasRTMidiPopupMenu) shows that menu instead of starting a gesture.

    // The view the GUI is shown in (not owned; null: none), told of capture and cursor
    // requests. A hidden cursor is shown again on the old view when the view changes.
    void SetPluginView(PluginViewManager::KCPluginViewAbs* view);
    [[nodiscard]] PluginViewManager::KCPluginViewAbs* GetPluginView() const { return m_view; }
    // The last toolbar button whose rectangle holds `point`; null for none.
    [[nodiscard]] X_CToolbarButton* GetToolbarButtonAt(KCPoint2D<short> point) const;
    // The button pressed and not yet released; null for none.
    [[nodiscard]] X_CToolbarButton* GetPressedToolbarButton() const { return m_pressedButton; }
    // True while a press on empty space spans the selection rectangle.
    [[nodiscard]] bool IsSelectingRect() const { return m_selectingRect; }
    // The selection rectangle from the press to the event's location, inside the GUI's
    // rectangle; selects what it touches.
    void UpdateSelectRect(const PluginViewManager::KCEventData& event);
    // The selection becomes the controls of the press's selection (with Shift held at the
    // press; else none) and every control `rect` touches, in control order.
    void UpdateControlsSelectionToSelectionRect(const KURect<short>& rect,
                                                const PluginViewManager::KCEventData* event);
    [[nodiscard]] bool IsInDrawMode() const { return m_drawMode; }
    // True from a press that hid the cursor until its release.
    [[nodiscard]] bool IsCursorHidden() const { return m_cursorHidden; }

protected:
    // A press on no control: presses the toolbar button under it; false when there is none.
    virtual bool ModifyToolBarControlsOnMouseDown(const PluginViewManager::KCEventData& event);
    // The release of a pressed button: its command when the release is on the button (its
    // result), 0 otherwise.
    virtual int ModifyToolBarControlsOnMouseUp(const PluginViewManager::KCEventData& event);
    // A move in draw mode: MouseDraw on each draw control under the pointer.
    virtual void ModifyControlsOnMouseDraw(const PluginViewManager::KCEventData& event);
    // Whether a press on `control` hides the pointer (see above).
    [[nodiscard]] virtual bool ShouldHideCursor(const KCGUIControl& control,
                                                const PluginViewManager::KCEventData& event) const;

private:
    // The pointer-mode parts of the press, move and release.
    void BeginPress(const PluginViewManager::KCEventData& event);
    bool StartPointerModeOnNothing(const PluginViewManager::KCEventData& event);
    void StartPointerModeOnControl(KCGUIControl& control,
                                   const PluginViewManager::KCEventData& event);
    // A right press on a control with a real-time MIDI menu: the menu, and true.
    bool OpenRTMidiMenu(KCGUIControl& control, const PluginViewManager::KCEventData& event);
    // Ends the pointer modes at a release; the controls drawn on that were not pressed.
    std::vector<KCGUIControl*> EndPointerModes(const PluginViewManager::KCEventData& event);
    // Shows a cursor the press hid, at `where` when given.
    void ShowCursorAfterGesture(const KCPoint2D<short>* where);

    PluginViewManager::KCPluginViewAbs* m_view = nullptr;  // not owned
    KCPoint2D<short> m_mouseDownLocation;
    X_CToolbarButton* m_pressedButton = nullptr;
    bool m_selectingRect = false;
    std::vector<KCGUIControl*> m_selectionAtPress;
    bool m_drawMode = false;
    std::vector<KCGUIControl*> m_drawnControls;
    bool m_cursorHidden = false;

public:
    // ------------------------------------------------------------------ algorithm events
    void ActiveSetupChanged(EPluginSetup setup) override;
    void ActiveSideChainChanged(bool active) override;
    void PresetLoaded(const Preset::CPresetInfo& preset) override;
    void PresetModified(EPluginSetup setup) override;
    virtual void PresetModifiedReset(EPluginSetup setup);
    void SetupTitleChanged(EPluginSetup setup, const KCFixedStringBase& title) override;
    void SetupTitleChangedWithString(EPluginSetup setup, const char* title) override;
    void AlgorithmGone() override;

protected:
    // A plug-in's own control for `type`; null leaves it to the type table.
    virtual std::unique_ptr<KCGUIControl> CreateSpecificControls(const char* /*type*/) {
        return nullptr;
    }
    // The plug-in's "PluginSpecificData", after everything else was read.
    virtual void ReadPluginSpecificData(const XML::CXMLElement& /*data*/) {}
    // The sub-views the description holds, once everything else is read; the plain GUI makes
    // none (X_CStandardGUI_SubViews does).
    virtual void InitializeSubViews(const GUIXML::KCReader& /*reader*/) {}
    // A control of the type its "Class" names (CreateSpecificControls, then the type table),
    // read from `element` and with its images loaded; null for an unknown type.
    std::unique_ptr<KCGUIControl> CreateControlFromXML(const XML::CXMLElement& element);
    // Registers `control` with the parameters it shows, as FinishCreate does for all.
    void RegisterControlWithAlgorithm(KCGUIControl& control);
    // True once FinishCreate has run: a control added later registers and finishes itself.
    [[nodiscard]] bool IsCreateFinished() const { return m_createFinished; }
    // The id of the GUI description resource.
    [[nodiscard]] virtual short GetGUIResourceID() const { return 128; }
    // The id of the skins resource.
    [[nodiscard]] virtual short GetSkinResourceID() const { return 128; }
    // Where the documentation PDF is: the resources folder of the plug-in's container.
    virtual KTErr GetHelpFolder(std::string& folder) const;
    // Tells the user something (the algorithm's message display by default).
    virtual void ShowMessage(const char* text);
    // Shows the about box; by default through ShowMessage.
    virtual void ShowAbout(const std::string& text);

private:
    void ReadControlList(const XML::CXMLElement& list, bool isTemplate, KTErr& firstError);
    void ReadPictList(const XML::CXMLElement& list);
    void ReadViewRectList(const XML::CXMLElement& list);
    void ReadControlOrderList(const XML::CXMLElement& list);
    void ReadTabOrderList(const XML::CXMLElement& list);
    void ReadToolbarList(const XML::CXMLElement& list, bool update);
    void ReadFlagList(const XML::CXMLElement& list);
    // Shows the setup title on the "Switch" buttons.
    void ShowSetupTitle(EPluginSetup setup);
    void Detach();
    std::vector<std::unique_ptr<KCGUIControl>>& List(bool isTemplate) {
        return isTemplate ? m_templates : m_controls;
    }

    KTResContainerType* m_resources;  // not owned
    cALGORITHM* m_alg = nullptr;      // not owned
    KorvaneComponentInfo m_info;
    std::vector<std::unique_ptr<KCGUIControl>> m_controls;
    std::vector<std::unique_ptr<KCGUIControl>> m_templates;
    std::vector<std::unique_ptr<X_CToolbarButton>> m_buttons;
    KSGUIPictures m_pictures;
    unsigned int m_currentBasePicture = 0;
    std::vector<KURect<short>> m_viewRects;
    KURect<short> m_rect;
    std::vector<KSControlOrder> m_controlOrder;
    std::vector<std::string> m_controlOrderFlags;
    KSControlOrder m_tabHoriz;
    KSControlOrder m_tabVert;
    std::uint32_t m_flags = 0;
    int m_streamThreshold = 0;
    KCSkinsData m_skins;
    GUIXML::KCReader m_reader;
    bool m_createFinished = false;
    // Puts the current skin's palette (its own or its nearest ancestor's) in force, else the
    // GUI's own.
    void SelectSkinWidgetPalette();
    std::string m_currentPage;
    KSWidgetPalette m_basePalette;
    KSWidgetPalette m_palette;
    std::vector<std::pair<std::string, KSWidgetPalette>> m_skinPalettes;
    KCGUIControl* m_activeControl = nullptr;
    double m_verticalAccumulator = 0.0;
    double m_horizontalAccumulator = 0.0;
    std::int64_t m_lastWheelTime = 0;
    KTMicrosecondClock m_clock;
    std::unique_ptr<Undo::KCUndoManagerAbs> m_undo;
    unsigned int m_undoID = 0;
    bool m_presetModified[2] = {false, false};
    // drawing
    bool m_needRedrawGUI = true;
    KURect<short> m_selectRect;
};

}  // namespace kvKorvaneV10_0_3
