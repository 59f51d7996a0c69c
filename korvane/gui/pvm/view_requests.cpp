// The view requests' recording view.
#include "korvane/gui/pvm/view_requests.h"

namespace kvKorvaneV10_0_3::PluginViewManager {

KCPluginViewAbs::~KCPluginViewAbs() = default;

KTErr KCRecordingView::SetPointerCaptured(bool captured) {
    m_captured = captured;
    return eNoErr;
}

KTErr KCRecordingView::SetCursorHidden(bool hidden) {
    m_hidden = hidden;
    if (hidden) {
        ++m_hides;
    }
    return eNoErr;
}

KTErr KCRecordingView::WarpPointer(KCPoint2D<short> where) {
    m_moved = true;
    m_position = where;
    return eNoErr;
}

bool KCRecordingView::GetCursorPosition(KCPoint2D<short>& where) const {
    if (m_moved) {
        where = m_position;
    }
    return m_moved;
}

}  // namespace kvKorvaneV10_0_3::PluginViewManager
