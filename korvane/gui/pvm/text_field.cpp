// The edit field's editing, scrolling and drawing.
#include "korvane/gui/pvm/text_field.h"

#include "korvane/gui/pvm/text_measure.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace kvKorvaneV10_0_3::PluginViewManager::detail {
namespace {

constexpr const char* kFontName = "Sans";
const KCRGBAColor kBorder{90, 90, 90, 255};
const KCRGBAColor kText{20, 20, 20, 255};
const KCRGBAColor kHighlight{52, 101, 164, 255};
const KCRGBAColor kHighlightText{255, 255, 255, 255};
const KCRGBAColor kField{255, 255, 255, 255};

KURect<short> Rect(int top, int left, int bottom, int right) {
    return {static_cast<short>(top), static_cast<short>(left), static_cast<short>(bottom),
            static_cast<short>(right)};
}

void AppendUTF8(std::string& text, char32_t c) {
    if (c < 0x80) {
        text += static_cast<char>(c);
    } else if (c < 0x800) {
        text += static_cast<char>(0xC0 | (c >> 6));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        text += static_cast<char>(0xE0 | (c >> 12));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (c >> 18));
        text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// True when `c` may be typed into a field accepting `acceptable` (empty: any printable).
bool Accepts(const std::string& acceptable, char32_t c) {
    if (c < 0x20 || c == 0x7F) {
        return false;
    }
    if (acceptable.empty()) {
        return true;
    }
    std::string encoded;
    AppendUTF8(encoded, c);
    return acceptable.find(encoded) != std::string::npos;
}

}  // namespace

KCTextField::KCTextField(std::string text, std::string acceptable, int width, int fontSize)
    : m_text(std::move(text)),
      m_acceptable(std::move(acceptable)),
      m_width(width),
      m_fontSize(fontSize),
      m_caret(m_text.size()) {
    Reveal();
}

std::size_t KCTextField::Previous(std::size_t at) const {
    while (at > 0) {
        --at;
        if ((static_cast<unsigned char>(m_text[at]) & 0xC0U) != 0x80U) {
            break;
        }
    }
    return at;
}

std::size_t KCTextField::Next(std::size_t at) const {
    while (at < m_text.size()) {
        ++at;
        if (at == m_text.size() || (static_cast<unsigned char>(m_text[at]) & 0xC0U) != 0x80U) {
            break;
        }
    }
    return at;
}

int KCTextField::WidthTo(std::size_t at) const {
    KCFontDescription font;
    font.name = kFontName;
    font.size = m_fontSize;
    return GetTextWidth(font, std::string_view(m_text).substr(0, at));
}

int KCTextField::XOf(std::size_t at) const {
    return kInset + WidthTo(at) - m_scroll;
}

std::size_t KCTextField::OffsetAt(int x) const {
    const int target = x - kInset + m_scroll;
    std::size_t best = 0;
    int bestDistance = std::abs(target);
    for (std::size_t at = Next(0); at > 0 && at <= m_text.size(); at = Next(at)) {
        const int width = WidthTo(at);
        if (std::abs(width - target) < bestDistance) {
            best = at;
            bestDistance = std::abs(width - target);
        }
        if (at == m_text.size() || width > target) {
            break;  // farther on is farther away
        }
    }
    return best;
}

void KCTextField::EraseSelection() {
    const std::size_t from = SelectionStart();
    m_text.erase(from, SelectionEnd() - from);
    m_anchor = from;
    m_caret = from;
}

void KCTextField::MoveTo(std::size_t at, bool extend) {
    m_caret = at;
    if (!extend) {
        m_anchor = at;
    }
}

void KCTextField::Reveal() {
    const int room = std::max(1, Room());
    const int caretX = WidthTo(m_caret);
    // One pixel past the last character is the caret's own.
    const int textWidth = WidthTo(m_text.size()) + 1;
    if (caretX + 1 - m_scroll > room) {
        m_scroll = caretX + 1 - room;
    }
    if (caretX < m_scroll) {
        m_scroll = caretX;
    }
    // After a deletion the text may end short of the right edge: bring it back.
    m_scroll = std::clamp(m_scroll, 0, std::max(0, textWidth - room));
}

bool KCTextField::Key(KEKeyCode code, char32_t character, bool extend) {
    switch (code) {
        case eKeyCharacter: {
            if (!Accepts(m_acceptable, character)) {
                return true;  // refused: the field stays as it is
            }
            EraseSelection();
            std::string encoded;
            AppendUTF8(encoded, character);
            m_text.insert(m_caret, encoded);
            MoveTo(m_caret + encoded.size(), false);
            break;
        }
        case eKeyBackspace:
        case eKeyDelete:
            if (!HasSelection()) {
                // The character before (after) the caret becomes the selection.
                m_anchor = code == eKeyBackspace ? Previous(m_caret) : Next(m_caret);
            }
            EraseSelection();
            break;
        case eKeyLeft:
            // A selection collapses to its start (end) without moving further.
            MoveTo(HasSelection() && !extend ? SelectionStart() : Previous(m_caret), extend);
            break;
        case eKeyRight:
            MoveTo(HasSelection() && !extend ? SelectionEnd() : Next(m_caret), extend);
            break;
        case eKeyHome:
            MoveTo(0, extend);
            break;
        case eKeyEnd:
            MoveTo(m_text.size(), extend);
            break;
        default:
            return false;
    }
    Reveal();
    return true;
}

void KCTextField::Press(int x, bool extend) {
    MoveTo(OffsetAt(x), extend);
    Reveal();
}

void KCTextField::Drag(int x) {
    MoveTo(OffsetAt(x), true);
    Reveal();
}

void KCTextField::SelectAll() {
    m_anchor = 0;
    m_caret = m_text.size();
    Reveal();
}

void KCTextField::Draw(kvGS::KCGraphicStreamBinaryWriter& w, const KURect<short>& box) const {
    w.DrawSolidRect(kField, box);
    w.DrawWireRect(kBorder, Rect(box.top, box.left, box.bottom - 1, box.right - 1), 1.0F);
    const int height = box.bottom - box.top;
    const int room = std::max(0, Room());
    const int textWidth = WidthTo(m_text.size());
    // The text's frame starts `m_scroll` pixels left of the room; what leaves the room is clipped.
    const auto text = [&](const KCRGBAColor& color) {
        w.Font(kFontName, m_fontSize, color, 0);
        kvGS::KCStGSFrameStructWriter frame(w, KURect<int>(0, -m_scroll, height, textWidth + 8), 0);
        w.DrawTheText(m_text, 0, kvGS::eGSLeft, kvGS::eGSVCenter);
    };
    {
        kvGS::KCStGSFrameStructWriter inner(
            w, KURect<int>(box.top, box.left + kInset, box.bottom, box.left + kInset + room), 0);
        w.ClipRect(Rect(0, 0, height, room));
        text(kText);
        if (HasSelection()) {
            const int left = std::max(0, WidthTo(SelectionStart()) - m_scroll);
            const int right = std::min(room, WidthTo(SelectionEnd()) - m_scroll);
            if (right > left) {
                kvGS::KCStGSFrameStructWriter selection(w, KURect<int>(0, 0, height, room), 0);
                w.DrawSolidRect(kHighlight, Rect(2, left, height - 2, right));
                w.ClipRect(Rect(2, left, height - 2, right));
                text(kHighlightText);
            }
        }
    }
    const auto x = static_cast<short>(box.left + XOf(m_caret));
    w.DrawLine(kText, {x, static_cast<short>(box.top + 3)}, {x, static_cast<short>(box.bottom - 4)},
               1.0F, false);
}

}  // namespace kvKorvaneV10_0_3::PluginViewManager::detail
