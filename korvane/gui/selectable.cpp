// The selection chain and how a click changes it.
#include "korvane/gui/selectable.h"

#include <array>
#include <string_view>

namespace kvKorvaneV10_0_3 {
namespace {

constexpr std::array<const char*, kSelectLevelCount> kLevelNames = {
    "Idle", "Automated", "Selected", "Active", "Disabled", "Hover"};

}  // namespace

EContolSelectLevel SelectLevelFromString(const char* name) {
    if (name == nullptr) {
        return eSelectLevelNone;
    }
    for (int i = 0; i < kSelectLevelCount; ++i) {
        if (std::string_view(name) == kLevelNames[static_cast<std::size_t>(i)]) {
            return static_cast<EContolSelectLevel>(i);
        }
    }
    return eSelectLevelNone;
}

const char* SelectLevelName(EContolSelectLevel level) {
    return level >= 0 && level < kSelectLevelCount ? kLevelNames[static_cast<std::size_t>(level)]
                                                   : "";
}

CSelectable::CSelectable(const CSelectable& other) : m_multiple(other.m_multiple) {}

CSelectable& CSelectable::operator=(const CSelectable& other) {
    if (this != &other) {
        m_multiple = other.m_multiple;
    }
    return *this;
}

CSelectable::~CSelectable() {
    // A selection must never point at a destroyed item.
    if (m_home != nullptr) {
        m_home->Deselect(this);
    }
}

void CSelectable::Reset() {
    if (m_home != nullptr) {
        m_home->Deselect(this);
    }
}

CSelectableHome::~CSelectableHome() {
    ClearSelection();
}

void CSelectableHome::Select(CSelectable* item) {
    if (item == nullptr || item->m_home == this || !item->CanDoModeSelf(m_mode)) {
        return;
    }
    if (item->m_home != nullptr) {
        item->m_home->Deselect(item);
    }
    item->m_home = this;
    item->m_prev = m_last;
    item->m_next = nullptr;
    if (m_last != nullptr) {
        m_last->m_next = item;
    } else {
        m_first = item;
    }
    m_last = item;
    ++m_count;
    item->SetSelectionSelf(true);
}

void CSelectableHome::Unlink(CSelectable* item) {
    (item->m_prev != nullptr ? item->m_prev->m_next : m_first) = item->m_next;
    (item->m_next != nullptr ? item->m_next->m_prev : m_last) = item->m_prev;
    item->m_home = nullptr;
    item->m_prev = nullptr;
    item->m_next = nullptr;
    --m_count;
}

void CSelectableHome::Deselect(CSelectable* item) {
    if (item == nullptr || item->m_home != this) {
        return;
    }
    Unlink(item);
    item->SetSelectionSelf(false);
}

void CSelectableHome::ClearSelection() {
    while (m_first != nullptr) {
        Deselect(m_first);
    }
}

std::vector<CSelectable*> CSelectableHome::GetSelection() const {
    std::vector<CSelectable*> items;
    for (CSelectable* item = m_first; item != nullptr; item = item->m_next) {
        items.push_back(item);
    }
    return items;
}

void CSelectableHome::AdjustSelectionToClick(CSelectable* clicked, bool extend) {
    if (clicked == nullptr) {
        if (!extend) {
            ClearSelection();
        }
        return;
    }
    bool multipleAllowed = clicked->CanBeInMultipleSelection();
    for (CSelectable* item = m_first; item != nullptr && multipleAllowed; item = item->m_next) {
        multipleAllowed = item == clicked || item->CanBeInMultipleSelection();
    }
    if (extend && multipleAllowed) {
        if (clicked->m_home == this) {
            Deselect(clicked);
        } else {
            Select(clicked);
        }
        return;
    }
    // Only the clicked item stays (or becomes) selected.
    for (CSelectable* item = m_first; item != nullptr;) {
        CSelectable* next = item->m_next;
        if (item != clicked) {
            Deselect(item);
        }
        item = next;
    }
    Select(clicked);
}

}  // namespace kvKorvaneV10_0_3
