#include "korvane/gui/widget_marker.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/arrow_key.h"
#include "korvane/gui/buffer_chain.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kvKorvaneV10_0_3 {

using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;

namespace {

// The last state of the registration's parameter: the last of a discrete one, else 1000.
double LastState(const KCParamRegistrationData& r) {
    if (r.HasParam() && r.IsDiscrete()) {
        return std::max(0, r.alg->GetParamNumStates(r.paramID) - 1);
    }
    return 1000.0;
}

double StateOf(const KCParamRegistrationData* r) {
    if (r == nullptr) {
        return 0.0;
    }
    return r->HasParam() ? r->alg->GetParamState(r->paramID) : r->value;
}

// Where a state lies between the first and last pixel of a travel of `length` pixels.
double Fraction(const KCParamRegistrationData* r) {
    if (r == nullptr) {
        return 0.5;
    }
    const double last = LastState(*r);
    return last > 0.0 ? std::clamp(StateOf(r) / last, 0.0, 1.0) : 0.0;
}

}  // namespace

KCMarkerListener::~KCMarkerListener() = default;

const KCParamRegistrationData* CMarker_X::GetAxisRegistration(bool horizontal) const {
    const ERegisterType type = horizontal ? eRegMouseHorizontal : eRegMouseVertical;
    for (const KCParamRegistrationData& r : GetRegistrations()) {
        if (r.AnswersTo(type)) {
            return &r;
        }
    }
    return nullptr;
}

KCPoint2D<short> CMarker_X::GetMarkerPoint() const {
    const KURect<short>& area = GetControlRect();
    const int spanX = std::max(0, area.Width() - 1);
    const int spanY = std::max(0, area.Height() - 1);
    const KCPoint2D<double> at = GetViewFraction();
    return {static_cast<short>(area.left + std::lround(at.x * spanX)),
            static_cast<short>(area.bottom - 1 - std::lround(at.y * spanY))};
}

void CMarker_X::SetFreePosition(KCPoint2D<double> fraction) {
    m_free = true;
    m_freeAt = {std::isfinite(fraction.x) ? fraction.x : 0.5,
                std::isfinite(fraction.y) ? fraction.y : 0.5};
    SetNeedToRedrawControl();
}

KCPoint2D<double> CMarker_X::GetPositionFraction() const {
    if (m_free) {
        return m_freeAt;
    }
    return {Fraction(GetAxisRegistration(true)), Fraction(GetAxisRegistration(false))};
}

void CMarker_X::SetViewWindow(KCPoint2D<double> low, KCPoint2D<double> size) {
    if (std::isfinite(low.x) && std::isfinite(size.x) && size.x > 0.0) {
        m_viewLow.x = low.x;
        m_viewSize.x = size.x;
    }
    if (std::isfinite(low.y) && std::isfinite(size.y) && size.y > 0.0) {
        m_viewLow.y = low.y;
        m_viewSize.y = size.y;
    }
    SetNeedToRedrawControl();
}

KCPoint2D<double> CMarker_X::GetViewFraction() const {
    const KCPoint2D<double> at = GetPositionFraction();
    return {(at.x - m_viewLow.x) / m_viewSize.x, (at.y - m_viewLow.y) / m_viewSize.y};
}

bool CMarker_X::IsInView() const {
    // A hair of slack, so a marker on the window's edge is not lost to rounding.
    constexpr double kSlack = 1e-9;
    const KCPoint2D<double> at = GetViewFraction();
    return at.x >= -kSlack && at.x <= 1.0 + kSlack && at.y >= -kSlack && at.y <= 1.0 + kSlack;
}

KCPoint2D<double> CMarker_X::PointToStates(KCPoint2D<short> point) const {
    const KURect<short>& area = GetControlRect();
    const double spanX = std::max(1, area.Width() - 1);
    const double spanY = std::max(1, area.Height() - 1);
    // Through the view window back onto the travel, stopping at the window's edges.
    const double fx = std::clamp(
        m_viewLow.x + std::clamp((point.x - area.left) / spanX, 0.0, 1.0) * m_viewSize.x, 0.0, 1.0);
    const double fy = std::clamp(
        m_viewLow.y + std::clamp((area.bottom - 1 - point.y) / spanY, 0.0, 1.0) * m_viewSize.y, 0.0,
        1.0);
    const KCParamRegistrationData* x = GetAxisRegistration(true);
    const KCParamRegistrationData* y = GetAxisRegistration(false);
    return {x == nullptr ? 0.0 : fx * LastState(*x), y == nullptr ? 0.0 : fy * LastState(*y)};
}

bool CMarker_X::IsSwitchedOn() const {
    for (const KCParamRegistrationData& r : GetRegistrations()) {
        if (r.AnswersTo(eRegMouseDown)) {
            return StateOf(&r) != 0.0;
        }
    }
    return true;
}

KURect<short> CMarker_X::GetBounds() const {
    const KCPoint2D<short> at = GetMarkerPoint();
    return {static_cast<short>(at.y - kRadius), static_cast<short>(at.x - kRadius),
            static_cast<short>(at.y + kRadius + 1), static_cast<short>(at.x + kRadius + 1)};
}

bool CMarker_X::IsPointInsideSelf(KCPoint2D<short> point, const Event* /*event*/) const {
    if (!IsInView()) {
        return false;
    }
    const KCPoint2D<short> at = GetMarkerPoint();
    const int dx = point.x - at.x;
    const int dy = point.y - at.y;
    return dx * dx + dy * dy <= kRadius * kRadius;
}

void CMarker_X::ForgetControlSelf(const KCGUIControl* control) {
    if (m_listener != nullptr && dynamic_cast<const KCMarkerListener*>(control) == m_listener) {
        m_listener = nullptr;
    }
}

BUFFER_HEADER* CMarker_X::Switch(const Event& event) {
    BUFFER_HEADER* chain = OffsetAll(1.0, eRegMouseDown, event.KeyModifiers().data());
    if (m_listener != nullptr) {
        m_listener->MarkerSwitched(*this);
    }
    SetNeedToRedrawControl();
    return chain;
}

BUFFER_HEADER* CMarker_X::MouseDownSelf(const Event& event, KURect<double>* range) {
    BUFFER_HEADER* chain = KCGUIControl::MouseDownSelf(event, range);
    const KCPoint2D<short> at = GetMarkerPoint();
    const KCPoint2D<short> mouse = event.GetMouseLocation();
    m_hold = {static_cast<short>(mouse.x - at.x), static_cast<short>(mouse.y - at.y)};
    m_moved = false;
    const PluginViewManager::KEClickCount clicks = event.GetMouseClickCount();
    if ((clicks == PluginViewManager::eSingleClick && GetControlFlag(eCtrlMarkerSwitchOnClick)) ||
        (clicks == PluginViewManager::eDoubleClick &&
         GetControlFlag(eCtrlMarkerSwitchOnDoubleClick))) {
        chain = ChainBuffers(chain, Switch(event));
    }
    return chain;
}

BUFFER_HEADER* CMarker_X::MouseDragSelf(const Event& event, double /*dx*/, double /*dy*/,
                                        KURect<double>* /*rect*/) {
    // The marker follows the pointer itself, whatever deltas the base applied before.
    const KCPoint2D<short> mouse = event.GetMouseLocation();
    if (m_free) {
        const KURect<short>& area = GetControlRect();
        const double spanX = std::max(1, area.Width() - 1);
        const double spanY = std::max(1, area.Height() - 1);
        m_freeAt = {std::clamp((mouse.x - m_hold.x - area.left) / spanX, 0.0, 1.0),
                    std::clamp((area.bottom - 1 - (mouse.y - m_hold.y)) / spanY, 0.0, 1.0)};
        m_moved = true;
        SetNeedToRedrawControl();
        if (m_listener != nullptr) {
            m_listener->MarkerMoved(*this, m_freeAt.x * 1000.0, m_freeAt.y * 1000.0);
        }
        return nullptr;
    }
    const KCPoint2D<double> target = PointToStates(
        {static_cast<short>(mouse.x - m_hold.x), static_cast<short>(mouse.y - m_hold.y)});
    BUFFER_HEADER* chain = nullptr;
    for (KCParamRegistrationData& r : Registrations()) {
        if (!r.HasParam()) {
            continue;
        }
        if (r.AnswersTo(eRegMouseHorizontal) && &r == GetAxisRegistration(true)) {
            chain = ChainBuffers(
                chain, r.OffsetParamValue(target.x - StateOf(&r), eRegMouseHorizontal, nullptr));
        } else if (r.AnswersTo(eRegMouseVertical) && &r == GetAxisRegistration(false)) {
            chain = ChainBuffers(
                chain, r.OffsetParamValue(target.y - StateOf(&r), eRegMouseVertical, nullptr));
        }
    }
    m_moved = true;
    SetNeedToRedrawControl();
    if (m_listener != nullptr) {
        m_listener->MarkerMoved(*this, StateOf(GetAxisRegistration(true)),
                                StateOf(GetAxisRegistration(false)));
    }
    return chain;
}

BUFFER_HEADER* CMarker_X::MouseUpSelf(const Event& event) {
    BUFFER_HEADER* chain = nullptr;
    if (m_moved) {
        if (m_listener != nullptr) {
            m_listener->MarkerReleased(*this);
        }
    } else if (GetControlFlag(eCtrlMarkerSwitchOnMouseUp)) {
        chain = Switch(event);
    }
    m_moved = false;
    return chain;
}

BUFFER_HEADER* CMarker_X::KeySelf(const Event& event, bool& handled) {
    handled = false;
    double delta = 0.0;
    bool vertical = true;
    if (!ArrowKeyStep(event, delta, vertical)) {
        return nullptr;
    }
    const KCParamRegistrationData* axis = GetAxisRegistration(!vertical);
    if (axis == nullptr || !axis->HasParam() || axis->AnswersTo(eRegDisplayOnly)) {
        return nullptr;
    }
    const ERegisterType type = vertical ? eRegMouseVertical : eRegMouseHorizontal;
    BUFFER_HEADER* chain = nullptr;
    for (KCParamRegistrationData& r : Registrations()) {
        if (&r == axis) {
            chain = r.OffsetParamValueToNextDifferentValue(delta, type, nullptr);
        }
    }
    handled = true;
    SetNeedToRedrawControl();
    if (m_listener != nullptr) {
        m_listener->MarkerMoved(*this, StateOf(GetAxisRegistration(true)),
                                StateOf(GetAxisRegistration(false)));
    }
    return chain;
}

void CMarker_X::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (IsHidden() || !IsInView()) {
        return;
    }
    const KCPoint2D<short> at = GetMarkerPoint();
    const KCRGBAColor& c = IsSwitchedOn() ? Palette().knobValue : Palette().toggleOff;
    // A ring as thick as its own radius fills the disc.
    const std::int32_t half = (kRadius + 1) / 2;
    kvGS::SGSDrawOval disc;
    disc.rect = {at.x - half, at.y - half, 2 * half, 2 * half};
    disc.stroke_width = static_cast<float>(2 * half);
    disc.draw_color = {c.red, c.green, c.blue, c.alpha};
    writer.DrawOval(disc);
    GetDrawInstructionsParamsData(writer);
    GetDrawInstructionsSelectionBitmap(writer);
}

}  // namespace kvKorvaneV10_0_3
