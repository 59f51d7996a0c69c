// The undo handle functions.
#include "korvane/undo/undo_api.h"

#include "korvane/core/error_codes.h"

#include <cstring>
#include <new>

namespace kvKorvaneV10_0_3::Undo::API {
namespace {

// The shared prologue: eMemNullPointer without a manager, else `action` on it and eNoErr.
template <typename Action>
int WithManager(KTUndoManagerType* manager, Action action) {
    if (manager == nullptr) {
        return eMemNullPointer;
    }
    action(*manager);
    return eNoErr;
}

}  // namespace

int CreateDefaultUndoManager(KTUndoManagerType*& manager) {
    manager = new (std::nothrow) KCUndoManager();
    return manager == nullptr ? eMemNewFailed : eNoErr;
}

int DisposeUndoManager(KTUndoManagerType*& manager) {
    if (manager == nullptr) {
        return eMemNullPointer;
    }
    delete manager;
    manager = nullptr;
    return eNoErr;
}

int InsertCommand(KTUndoManagerType* manager, KTUndoCommandType* command, EInsertToStackType mode) {
    if (manager == nullptr) {
        delete command;
        return eMemNullPointer;
    }
    manager->InsertCommand(command, mode);
    return eNoErr;
}

int ExecuteUndo(KTUndoManagerType* manager) {
    return WithManager(manager, [&](KTUndoManagerType& m) { m.Undo(); });
}

int ExecuteRedo(KTUndoManagerType* manager) {
    return WithManager(manager, [&](KTUndoManagerType& m) { m.Redo(); });
}

bool CanUndo(KTUndoManagerType* manager) {
    return manager != nullptr && manager->CanUndo();
}

bool CanRedo(KTUndoManagerType* manager) {
    return manager != nullptr && manager->CanRedo();
}

unsigned int GetUndoStackSize(KTUndoManagerType* manager) {
    return manager == nullptr ? 0U : manager->GetUndoStackSize();
}

unsigned int GetRedoStackSize(KTUndoManagerType* manager) {
    return manager == nullptr ? 0U : manager->GetRedoStackSize();
}

unsigned int GetNumEvents(KTUndoManagerType* manager) {
    return manager == nullptr ? 0U : manager->getNumPendingEvents();
}

int AddUndoEvent(KTUndoManagerType* manager, const KCFixedString<63>& name) {
    return WithManager(manager, [&](KTUndoManagerType& m) { m.addEvent(name); });
}

int ClearUndoEvents(KTUndoManagerType* manager) {
    return WithManager(manager, [&](KTUndoManagerType& m) { m.clearEvents(); });
}

int GetUndoCommandName(KTUndoManagerType* manager, unsigned int index, KCFixedString<255>& name) {
    return WithManager(manager, [&](KTUndoManagerType& m) { name = m.GetUndoCommandName(index); });
}

int GetRedoCommandName(KTUndoManagerType* manager, unsigned int index, KCFixedString<255>& name) {
    return WithManager(manager, [&](KTUndoManagerType& m) { name = m.GetRedoCommandName(index); });
}

int GetLastUndoCommandName(KTUndoManagerType* manager, KCFixedString<255>& name) {
    return WithManager(manager, [&](KTUndoManagerType& m) { name = m.GetLastUndoCommandName(); });
}

int GetUndoLevel(KTUndoManagerType* manager, unsigned short& level) {
    return WithManager(manager, [&](KTUndoManagerType& m) { level = m.getUndoLevel(); });
}

int SetUndoLevel(KTUndoManagerType* manager, unsigned short level) {
    return WithManager(manager, [&](KTUndoManagerType& m) { m.setUndoLevel(level); });
}

bool IsDirty(KTUndoManagerType* manager) {
    return manager != nullptr && manager->IsDirty();
}

int SetClean(KTUndoManagerType* manager) {
    return WithManager(manager, [&](KTUndoManagerType& m) { m.SetClean(); });
}

bool IsPresetCommand(KTUndoManagerType* manager) {
    if (manager == nullptr) {
        return false;
    }
    const KCFixedString<255> name = manager->GetLastUndoCommandName();
    return std::strstr(name.c_str(), kLoadPresetMarker) != nullptr ||
           std::strstr(name.c_str(), kPastePresetMarker) != nullptr;
}

}  // namespace kvKorvaneV10_0_3::Undo::API
