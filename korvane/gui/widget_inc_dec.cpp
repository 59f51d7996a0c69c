#include "korvane/gui/widget_inc_dec.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/buffer_chain.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/gui/widget_xml.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>
#include <utility>

namespace kvKorvaneV10_0_3 {

using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;
namespace PVM = PluginViewManager;

CIncDec::CIncDec(CStandardGUI_X* owner)
    : KCGUIControl(owner), m_timers(std::make_unique<PVM::KCViewTimers>()) {}

// A copy is a new button: not held, not repeating, on the original's clock.
CIncDec::CIncDec(const CIncDec& other)
    : KCGUIControl(other),
      m_mode(other.m_mode),
      m_constant(other.m_constant),
      m_timers(std::make_unique<PVM::KCViewTimers>()) {}

CIncDec::~CIncDec() = default;

void CIncDec::ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg, bool update) {
    KCGUIControl::ReadFromXMLWithAlg(element, alg, update);
    if (!update) {
        m_mode = eBoth;
        m_constant = 1.0;
    }
    std::string mode;
    if (WidgetChildValue(element, "IncDec", mode)) {
        m_mode = mode == "Inc" ? eIncrement : (mode == "Dec" ? eDecrement : eBoth);
    }
    double constant = m_constant;
    if (WidgetChildNumber(element, "Constant", constant) && std::isfinite(constant) &&
        constant > 0.0) {
        m_constant = constant;
    }
}

void CIncDec::WriteToXMLWithAlg(XML::CXMLElement& parent, const cALGORITHM* alg,
                                const char* elementName) const {
    KCGUIControl::WriteToXMLWithAlg(parent, alg, elementName);
    if (parent.GetSubElements().empty()) {
        return;
    }
    XML::CXMLElement* element = parent.GetSubElements().back();
    static constexpr std::array<const char*, 3> kModes{"Both", "Inc", "Dec"};
    element->AddSubElement("IncDec")->SetAttrib("Value", kModes[static_cast<std::size_t>(m_mode)]);
    std::array<char, 32> digits{};
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), m_constant);
    element->AddSubElement("Constant")
        ->SetAttrib("Value", std::string(digits.data(), end.ptr).c_str());
}

void CIncDec::SetClock(PVM::KTMicroClock clock) {
    m_timers->SetClock(std::move(clock));
}

BUFFER_HEADER* CIncDec::Step(int direction) {
    BUFFER_HEADER* chain = nullptr;
    for (KCParamRegistrationData& r : Registrations()) {
        if (!r.HasParam() || r.AnswersTo(eRegDisplayOnly)) {
            continue;
        }
        const double now = r.alg->GetParamState(r.paramID);
        const int states = r.alg->GetParamNumStates(r.paramID);
        // A discrete parameter moves at least one state; the ends hold, they do not wrap.
        const bool discrete = r.IsDiscrete() && states > 0;
        const double step = discrete ? std::max(1.0, std::round(m_constant)) : m_constant;
        const double last = discrete ? states - 1.0 : 1000.0;
        const double next = std::clamp(now + direction * step, 0.0, last);
        if (next != now) {
            m_movedOnRepeat = true;
            chain = ChainBuffers(chain, r.alg->UpdateParamRequestState(r.paramID, next));
            r.UpdateValue();
        }
    }
    SetNeedToRedrawControl();
    return chain;
}

void CIncDec::Deliver(BUFFER_HEADER* chain) {
    if (chain == nullptr) {
        return;
    }
    if (GetOwner() != nullptr) {
        GetOwner()->ExecuteAndDisposeBuffer(&chain);
        return;
    }
    for (const KCParamRegistrationData& r : GetRegistrations()) {
        if (r.HasParam()) {
            r.alg->SendAndFreeBuffers(chain, ProcessMemory::eSelExecuteChain, true);
            return;
        }
    }
}

void CIncDec::StartRepeat(std::uint64_t interval) {
    m_repeatTimer = m_timers->Start(interval, [this] {
        // The first repeat comes after the longer delay; the rest at the interval.
        if (m_timers->IsRunning(m_repeatTimer)) {
            m_timers->Stop(m_repeatTimer);
        }
        Deliver(Step(m_heldDirection));
        StartRepeat(kRepeatIntervalUs);
    });
}

void CIncDec::CancelRepeat() {
    if (m_repeatTimer != 0) {
        m_timers->Stop(m_repeatTimer);
        m_repeatTimer = 0;
    }
    m_heldDirection = 0;
}

bool CIncDec::UpdateMeter() {
    if (m_repeatTimer == 0) {
        return false;
    }
    m_movedOnRepeat = false;
    m_timers->RunDue();
    return m_movedOnRepeat;
}

void CIncDec::SetDisabled() {
    CancelRepeat();
    KCGUIControl::SetDisabled();
}

BUFFER_HEADER* CIncDec::MouseDownSelf(const Event& event, KURect<double>* range) {
    BUFFER_HEADER* chain = KCGUIControl::MouseDownSelf(event, range);
    CancelRepeat();
    if (m_mode == eBoth) {
        const KURect<short>& rect = GetControlRect();
        const int middle = (rect.top + rect.bottom) / 2;
        m_heldDirection = event.GetMouseLocation().y < middle ? 1 : -1;
    } else {
        m_heldDirection = m_mode == eIncrement ? 1 : -1;
    }
    chain = ChainBuffers(chain, Step(m_heldDirection));
    StartRepeat(kRepeatDelayUs);
    return chain;
}

BUFFER_HEADER* CIncDec::MouseUpSelf(const Event& /*event*/) {
    CancelRepeat();
    SetNeedToRedrawControl();
    return nullptr;
}

void CIncDec::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (IsHidden()) {
        return;
    }
    GetDrawInstructionsControlBackground(writer);
    const KURect<short>& rect = GetControlRect();
    const KSWidgetPalette& palette = Palette();
    // One button per direction the control steps; "Both" splits the rectangle.
    const auto middle = static_cast<short>((rect.top + rect.bottom) / 2);
    struct Button {
        KURect<short> area;
        int direction;
    };
    std::array<Button, 2> buttons{};
    std::size_t count = 0;
    if (m_mode != eDecrement) {
        buttons[count++] = {
            KURect<short>(rect.top, rect.left, m_mode == eBoth ? middle : rect.bottom, rect.right),
            1};
    }
    if (m_mode != eIncrement) {
        buttons[count++] = {
            KURect<short>(m_mode == eBoth ? middle : rect.top, rect.left, rect.bottom, rect.right),
            -1};
    }
    for (std::size_t i = 0; i < count; ++i) {
        const Button& b = buttons[i];
        const bool held = m_heldDirection == b.direction;
        const short inset = 1;
        const KURect<short> face(
            static_cast<short>(b.area.top + inset), static_cast<short>(b.area.left + inset),
            static_cast<short>(b.area.bottom - inset), static_cast<short>(b.area.right - inset));
        writer.DrawSolidRect(held ? palette.active : palette.sliderThumb, face);
        // The arrow: a line from the middle of one edge to the tip in the middle of the other.
        const auto cx = static_cast<short>((face.left + face.right) / 2);
        const short quarter = static_cast<short>(std::max(1, face.Height() / 4));
        const auto tipY =
            static_cast<short>(b.direction > 0 ? face.top + quarter : face.bottom - quarter);
        const auto baseY =
            static_cast<short>(b.direction > 0 ? face.bottom - quarter : face.top + quarter);
        const auto half = static_cast<short>(std::max(1, face.Width() / 4));
        writer.DrawLine(palette.knobRing, {static_cast<short>(cx - half), baseY}, {cx, tipY}, 2.0F,
                        true);
        writer.DrawLine(palette.knobRing, {cx, tipY}, {static_cast<short>(cx + half), baseY}, 2.0F,
                        true);
    }
    GetDrawInstructionsParamsData(writer);
    GetDrawInstructionsSelectionBitmap(writer);
}

}  // namespace kvKorvaneV10_0_3
