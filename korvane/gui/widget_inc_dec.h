// CIncDec: buttons that step a parameter up or down and keep stepping while held. A press
// steps once and starts a repeat timer; the release, a cancel, disabling or hiding the control
// stops it. The repeats run from the GUI's idle pass (UpdateMeter), so they need no timer of the
// view.
#pragma once

#include "korvane/core/export.h"
#include "korvane/gui/gui_control.h"
#include "korvane/gui/pvm/micro_clock.h"
#include "korvane/gui/pvm/plugin_view.h"

#include <cstdint>
#include <memory>

namespace kvKorvaneV10_0_3 {

// [gui-thread]
class KORVANE_API CIncDec : public KCGUIControl {
public:
    // Which way a press steps.
    enum EMode : int {
        eBoth = 0,  // the upper half of the control increments, the lower half decrements
        eIncrement = 1,
        eDecrement = 2,
    };

    explicit CIncDec(CStandardGUI_X* owner = nullptr);
    CIncDec(const CIncDec& other);
    CIncDec& operator=(const CIncDec&) = delete;
    ~CIncDec() override;
    [[nodiscard]] KCBaseControl* Clone() const override { return new CIncDec(*this); }

    // Besides the control's description: "IncDec" ("Inc", "Dec" or "Both") and "Constant", the
    // step in states (default 1; a discrete parameter moves at least one state).
    void ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg, bool update) override;
    void WriteToXMLWithAlg(XML::CXMLElement& parent, const cALGORITHM* alg,
                           const char* elementName) const override;

    [[nodiscard]] EMode GetMode() const { return m_mode; }
    [[nodiscard]] double GetConstant() const { return m_constant; }
    // Replaces the repeat clock (a test's); an empty one restores the monotonic clock.
    void SetClock(PluginViewManager::KTMicroClock clock);
    [[nodiscard]] bool IsRepeating() const { return m_repeatTimer != 0; }
    // Stops the repeat without a release: the gesture was cancelled.
    void CancelRepeat();

    // Runs the repeat when it is due; true when the parameter moved.
    bool UpdateMeter() override;
    void SetDisabled() override;

    // Both buttons (the one held lit), each with its arrow, then the selection level.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;

    static constexpr std::uint64_t kRepeatDelayUs = 400'000;
    static constexpr std::uint64_t kRepeatIntervalUs = 80'000;

protected:
    BUFFER_HEADER* MouseDownSelf(const Event& event, KURect<double>* range) override;
    BUFFER_HEADER* MouseUpSelf(const Event& event) override;
    // Steps every registration by the constant in `direction` (+1 or -1); a button that steps
    // something else overrides it and calls NoteMoved when something moved.
    virtual BUFFER_HEADER* Step(int direction);
    void NoteMoved() { m_movedOnRepeat = true; }

private:
    // Hands a repeat's changes on: through the GUI, else straight to the algorithm.
    void Deliver(BUFFER_HEADER* chain);
    void StartRepeat(std::uint64_t interval);

    EMode m_mode = eBoth;
    double m_constant = 1.0;
    int m_heldDirection = 0;  // +1, -1 while pressed, 0 otherwise
    int m_repeatTimer = 0;
    bool m_movedOnRepeat = false;  // a step moved a parameter since the idle pass began
    std::unique_ptr<PluginViewManager::KCViewTimers> m_timers;
};

}  // namespace kvKorvaneV10_0_3
