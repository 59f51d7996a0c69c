// The one-line edit field of the edit box and the text dialog: its text, caret, selection and
// horizontal scroll, and its drawing into a graphic stream.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/pvm/event_data.h"

#include <algorithm>
#include <cstddef>
#include <string>

namespace kvKorvaneV10_0_3::PluginViewManager::detail {

// Offsets are bytes of the UTF-8 text, always at character boundaries; x positions are pixels
// from the field's left edge. A field starts with all of its text selected.
// [any-thread] on distinct objects
class KORVANE_API KCTextField {
public:
    // Pixels between the field's border and its text.
    static constexpr int kInset = 3;

    // `acceptable`: the characters typing takes (empty: every printable one). `width`: the
    // field's width in pixels, `fontSize` its text's size.
    KCTextField(std::string text, std::string acceptable, int width, int fontSize);

    // Applies a key (`extend`: Shift is down, so movement extends the selection); false when
    // the key is no edit and no movement.
    bool Key(KEKeyCode code, char32_t character, bool extend);

    // A press at `x`: the caret goes to the nearest character boundary (`extend`: the selection
    // runs from where it started to there). A drag moves the caret, keeping the press's end.
    void Press(int x, bool extend);
    void Drag(int x);
    void SelectAll();

    // Draws the field filling `box`: border, text scrolled so the caret shows, selection, caret.
    void Draw(kvGS::KCGraphicStreamBinaryWriter& w, const KURect<short>& box) const;

    [[nodiscard]] const std::string& Text() const { return m_text; }
    [[nodiscard]] std::size_t Caret() const { return m_caret; }
    [[nodiscard]] std::size_t SelectionStart() const { return std::min(m_anchor, m_caret); }
    [[nodiscard]] std::size_t SelectionEnd() const { return std::max(m_anchor, m_caret); }
    // Pixels of the text scrolled out at the left.
    [[nodiscard]] int Scroll() const { return m_scroll; }
    // The width the text may take before it scrolls.
    [[nodiscard]] int Room() const { return m_width - (2 * kInset); }
    // The x of a text offset in the field, through the scroll.
    [[nodiscard]] int XOf(std::size_t at) const;

private:
    [[nodiscard]] bool HasSelection() const { return m_anchor != m_caret; }
    [[nodiscard]] std::size_t Previous(std::size_t at) const;
    [[nodiscard]] std::size_t Next(std::size_t at) const;
    [[nodiscard]] int WidthTo(std::size_t at) const;
    [[nodiscard]] std::size_t OffsetAt(int x) const;
    void EraseSelection();
    // Moves the caret; the selection collapses to it unless `extend`.
    void MoveTo(std::size_t at, bool extend);
    // Scrolls the least that shows the caret, and no further than the text needs.
    void Reveal();

    std::string m_text;
    std::string m_acceptable;
    int m_width;
    int m_fontSize;
    std::size_t m_anchor = 0;
    std::size_t m_caret;
    int m_scroll = 0;
};

}  // namespace kvKorvaneV10_0_3::PluginViewManager::detail
