// The undo manager: the abstract interface and KCUndoManager, a history of state snapshots
// with a merging insert, an undo level and a dirty counter.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/undo/undo_command.h"

#include <list>
#include <memory>

namespace kvKorvaneV10_0_3::Undo {

// 0 keeps every distinct state; 1 replaces the current state when the new one is of the same
// type (a run of edits of one kind becomes one step). While steps are left to redo a merge keeps
// the current state, the one an undo went back to; a new state equal to it changes nothing.
enum EInsertToStackType : int { eInsertNoMerge = 0, eInsertMerge = 1 };
// What a GUI records: parameter states or whole presets.
enum EUndoType : int { eUndoTypeParameters = 0, eUndoTypePreset = 1 };

// A manager and its commands are [gui-thread]; applying a command goes through the algorithm's
// entry points, which take the algorithm lock. Name getters count
// from the most recent entry (index 0 is the next to undo / to redo) and give "" out of range.
class KORVANE_API KCUndoManagerAbs {
public:
    KCUndoManagerAbs() = default;
    KCUndoManagerAbs(const KCUndoManagerAbs&) = delete;
    KCUndoManagerAbs& operator=(const KCUndoManagerAbs&) = delete;
    virtual ~KCUndoManagerAbs();

    // Takes ownership of `command` (deleted when it changes nothing). [gui-thread]
    virtual void InsertCommand(Command* command, EInsertToStackType mode) = 0;
    virtual void Undo() = 0;
    virtual void Redo() = 0;
    [[nodiscard]] virtual bool CanUndo() const = 0;
    [[nodiscard]] virtual bool CanRedo() const = 0;
    [[nodiscard]] virtual unsigned int GetUndoStackSize() const = 0;
    [[nodiscard]] virtual KCFixedString<255> GetUndoCommandName(unsigned int index) const = 0;
    [[nodiscard]] virtual KCFixedString<255> GetLastUndoCommandName() const = 0;
    [[nodiscard]] virtual unsigned int GetRedoStackSize() const = 0;
    [[nodiscard]] virtual KCFixedString<255> GetRedoCommandName(unsigned int index) const = 0;
    // The most undo entries kept; 0 stops recording.
    virtual void setUndoLevel(unsigned short level) = 0;
    [[nodiscard]] virtual unsigned short getUndoLevel() const = 0;
    // Events name what led to the next recorded state.
    virtual void addEvent(const char* /*name*/) {}
    virtual void addEvent(const KCFixedStringBase& /*name*/) {}
    virtual void clearEvents() {}
    [[nodiscard]] virtual unsigned int getNumPendingEvents() const { return 0; }
    // Whether the state differs from the one last marked clean.
    [[nodiscard]] virtual bool IsDirty() const { return false; }
    // Marks the present state as saved.
    virtual void SetClean() {}
};

class KORVANE_API KCUndoManager : public KCUndoManagerAbs {
public:
    KCUndoManager() = default;
    ~KCUndoManager() override;

    void InsertCommand(Command* command, EInsertToStackType mode) override;
    void Undo() override;
    void Redo() override;
    [[nodiscard]] bool CanUndo() const override { return !m_undo.empty(); }
    [[nodiscard]] bool CanRedo() const override { return !m_redo.empty(); }
    [[nodiscard]] unsigned int GetUndoStackSize() const override;
    [[nodiscard]] KCFixedString<255> GetUndoCommandName(unsigned int index) const override;
    [[nodiscard]] KCFixedString<255> GetLastUndoCommandName() const override;
    [[nodiscard]] unsigned int GetRedoStackSize() const override;
    [[nodiscard]] KCFixedString<255> GetRedoCommandName(unsigned int index) const override;
    // Lowering the level drops the oldest entries beyond it.
    void setUndoLevel(unsigned short level) override;
    [[nodiscard]] unsigned short getUndoLevel() const override { return m_level; }
    void addEvent(const char* name) override;
    void addEvent(const KCFixedStringBase& name) override;
    void clearEvents() override { m_events.clear(); }
    [[nodiscard]] unsigned int getNumPendingEvents() const override;
    [[nodiscard]] bool IsDirty() const override { return m_dirty != 0; }
    void SetClean() override { m_dirty = 0; }
    // The snapshot of the present state (in neither list), or null.
    [[nodiscard]] const Command* GetCurrentCommand() const { return m_current.get(); }
    [[nodiscard]] unsigned int GetDirtyCounter() const { return m_dirty; }

private:
    using Entry = std::unique_ptr<Command>;
    // Appends to the undo list within the level; `counted` also moves the dirty counter.
    void PushUndo(Entry command, bool counted);

    std::list<Entry> m_undo;  // oldest first
    std::list<Entry> m_redo;  // the last is the next to redo
    unsigned short m_level = 1;
    // Counts modulo 2^32: undoing from a clean state wraps, and redoing returns to 0.
    unsigned int m_dirty = 0;
    Entry m_current;
    KTEventSet m_events;
};

}  // namespace kvKorvaneV10_0_3::Undo
