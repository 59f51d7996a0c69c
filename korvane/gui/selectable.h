// Selection of controls: each selectable item is a link of its home's selection chain, which
// holds the selected items in the order they were selected.
#pragma once

#include "korvane/core/export.h"

#include <vector>

namespace kvKorvaneV10_0_3 {

// Index of a control's selection image and of the level its default drawing shows; -1 names
// none.
enum EContolSelectLevel : int {
    eSelectLevelNone = -1,
    eSelectLevelIdle = 0,
    eSelectLevelAutomated = 1,
    eSelectLevelSelected = 2,
    eSelectLevelActive = 3,
    eSelectLevelDisabled = 4,
    eSelectLevelHover = 5,
};
constexpr int kSelectLevelCount = 6;

// "Idle", "Automated", "Selected", "Active", "Disabled", "Hover"; anything else (null included)
// is eSelectLevelNone. [any-thread]
KORVANE_API EContolSelectLevel SelectLevelFromString(const char* name);
// The name of a level; empty for eSelectLevelNone. [any-thread]
KORVANE_API const char* SelectLevelName(EContolSelectLevel level);

class CSelectableHome;

// [gui-thread]
class KORVANE_API CSelectable {
public:
    CSelectable() = default;
    // A copy is not selected: the chain links stay with the original.
    CSelectable(const CSelectable& other);
    CSelectable& operator=(const CSelectable& other);
    virtual ~CSelectable();

    [[nodiscard]] bool IsSelected() const { return m_home != nullptr; }
    // Neighbours in the selection chain (null at either end and when not selected).
    [[nodiscard]] CSelectable* GetPrevSelected() const { return m_prev; }
    [[nodiscard]] CSelectable* GetNextSelected() const { return m_next; }

    // May the item join a selection of several? (A control's "NoMultipleSelection" says no.)
    [[nodiscard]] bool CanBeInMultipleSelection() const { return m_multiple; }
    void SetCanBeInMultipleSelection(bool on) { m_multiple = on; }

    // Leaves any selection.
    virtual void Reset();
    // Told after the item joined (true) or left (false) the selection.
    virtual void SetSelectionSelf(bool /*selected*/) {}
    // May the item be selected in the home's current mode? Default: yes.
    [[nodiscard]] virtual bool CanDoModeSelf(int /*mode*/) const { return true; }

private:
    friend class CSelectableHome;
    CSelectableHome* m_home = nullptr;
    CSelectable* m_prev = nullptr;
    CSelectable* m_next = nullptr;
    bool m_multiple = true;
};

// The owner of a selection chain (the standard GUI). Items unlink themselves when destroyed.
// [gui-thread]
class KORVANE_API CSelectableHome {
public:
    CSelectableHome() = default;
    CSelectableHome(const CSelectableHome&) = delete;
    CSelectableHome& operator=(const CSelectableHome&) = delete;
    virtual ~CSelectableHome();

    // Appends `item` to the chain (nothing when it is already selected here, or may not be
    // selected in the current mode). An item selected in another home leaves it first.
    void Select(CSelectable* item);
    void Deselect(CSelectable* item);
    void ClearSelection();
    // The selected items, first selected first.
    [[nodiscard]] std::vector<CSelectable*> GetSelection() const;
    [[nodiscard]] CSelectable* GetFirstSelected() const { return m_first; }
    [[nodiscard]] unsigned int GetSelectionCount() const { return m_count; }

    // The selection after a click on `clicked` (null: on no item). A plain click selects only
    // the clicked item; an extending click (shift) toggles it in the selection, unless it or
    // an item already selected may not be part of a multiple selection, in which case it
    // selects only the clicked item. A click on nothing clears the selection unless it extends.
    void AdjustSelectionToClick(CSelectable* clicked, bool extend);

    [[nodiscard]] int GetMode() const { return m_mode; }
    void SetMode(int mode) { m_mode = mode; }

private:
    void Unlink(CSelectable* item);

    CSelectable* m_first = nullptr;
    CSelectable* m_last = nullptr;
    unsigned int m_count = 0;
    int m_mode = 0;
};

}  // namespace kvKorvaneV10_0_3
