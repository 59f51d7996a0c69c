// KCUndoManager: the history of snapshots, its merging insert and the dirty counter.
#include "korvane/undo/undo_manager.h"

#include <iterator>

namespace kvKorvaneV10_0_3::Undo {

KCUndoManagerAbs::~KCUndoManagerAbs() = default;

KCUndoManager::~KCUndoManager() = default;

void KCUndoManager::PushUndo(Entry command, bool counted) {
    if (m_level == 0) {
        return;
    }
    while (m_undo.size() >= m_level) {
        m_undo.pop_front();
    }
    m_undo.push_back(std::move(command));
    if (!counted) {
        return;
    }
    // With states ahead to redo, undoing back must never reach a falsely clean state.
    if (!m_redo.empty()) {
        m_dirty = static_cast<unsigned int>(m_undo.size() + 1 + m_redo.size());
    } else {
        ++m_dirty;
    }
}

void KCUndoManager::InsertCommand(Command* command, EInsertToStackType mode) {
    if (command == nullptr) {
        return;
    }
    Entry entry(command);
    entry->SetEvents(m_events);
    m_events.clear();
    if (mode != eInsertNoMerge) {
        // With steps left to redo the current state is one an undo went back to: a merge must
        // not swallow it. A snapshot of that same moment changes nothing and keeps the redo steps.
        if (m_current && entry->IsSameType(m_current.get()) && m_redo.empty()) {
            m_current.reset();
        } else if (m_current && !m_redo.empty() && *entry == *m_current) {
            return;
        }
    } else if (m_current && *entry == *m_current) {
        return;
    }
    if (m_current) {
        PushUndo(std::move(m_current), true);
    }
    m_current = std::move(entry);
    m_redo.clear();
}

void KCUndoManager::Undo() {
    if (!CanUndo()) {
        return;
    }
    --m_dirty;
    Entry previous = std::move(m_undo.back());
    m_undo.pop_back();
    previous->Execute();
    if (m_current) {
        m_redo.push_back(std::move(m_current));
    }
    m_current = std::move(previous);
}

void KCUndoManager::Redo() {
    if (!CanRedo()) {
        return;
    }
    // Counted once here: the push below must not count the same step again.
    ++m_dirty;
    Entry next = std::move(m_redo.back());
    m_redo.pop_back();
    next->Execute();
    if (m_current) {
        PushUndo(std::move(m_current), false);
    }
    m_current = std::move(next);
}

unsigned int KCUndoManager::GetUndoStackSize() const {
    return static_cast<unsigned int>(m_undo.size());
}

unsigned int KCUndoManager::GetRedoStackSize() const {
    return static_cast<unsigned int>(m_redo.size());
}

KCFixedString<255> KCUndoManager::GetUndoCommandName(unsigned int index) const {
    if (index >= m_undo.size()) {
        return {};
    }
    return (*std::next(m_undo.rbegin(), index))->getName();
}

KCFixedString<255> KCUndoManager::GetLastUndoCommandName() const {
    return GetUndoCommandName(0);
}

KCFixedString<255> KCUndoManager::GetRedoCommandName(unsigned int index) const {
    if (index >= m_redo.size()) {
        return {};
    }
    return (*std::next(m_redo.rbegin(), index))->getName();
}

void KCUndoManager::setUndoLevel(unsigned short level) {
    m_level = level;
    while (m_undo.size() > m_level) {
        m_undo.pop_front();
    }
}

void KCUndoManager::addEvent(const char* name) {
    if (name != nullptr) {
        m_events.insert(KCFixedString<63>(name));
    }
}

void KCUndoManager::addEvent(const KCFixedStringBase& name) {
    m_events.insert(KCFixedString<63>(name));
}

unsigned int KCUndoManager::getNumPendingEvents() const {
    return static_cast<unsigned int>(m_events.size());
}

}  // namespace kvKorvaneV10_0_3::Undo
