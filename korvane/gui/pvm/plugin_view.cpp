#include "korvane/gui/pvm/plugin_view.h"

namespace kvKorvaneV10_0_3::PluginViewManager {

KCPluginViewAbs::~KCPluginViewAbs() = default;

void KCHeadlessView::SetCursorHidden(bool hidden) {
    m_hidden = hidden;
    if (hidden) {
        ++m_hides;
    }
}

void KCHeadlessView::MoveCursorTo(KCPoint2D<short> where) {
    m_moved = true;
    m_position = where;
}

bool KCHeadlessView::GetCursorPosition(KCPoint2D<short>& where) const {
    if (m_moved) {
        where = m_position;
    }
    return m_moved;
}

}  // namespace kvKorvaneV10_0_3::PluginViewManager
