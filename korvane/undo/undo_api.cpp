// The undo handle functions.
#include "korvane/undo/undo_api.h"

#include "korvane/core/error_codes.h"

#include <cstring>
#include <new>

namespace kvKorvaneV10_0_3::Undo::API {

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
    if (manager == nullptr) {
        return eMemNullPointer;
    }
    manager->Undo();
    return eNoErr;
}

int ExecuteRedo(KTUndoManagerType* manager) {
    if (manager == nullptr) {
        return eMemNullPointer;
    }
    manager->Redo();
    return eNoErr;
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
    if (manager == nullptr) {
        return eMemNullPointer;
    }
    manager->addEvent(name);
    return eNoErr;
}

int ClearUndoEvents(KTUndoManagerType* manager) {
    if (manager == nullptr) {
        return eMemNullPointer;
    }
    manager->clearEvents();
    return eNoErr;
}

int GetUndoCommandName(KTUndoManagerType* manager, unsigned int index, KCFixedString<255>& name) {
    if (manager == nullptr) {
        return eMemNullPointer;
    }
    name = manager->GetUndoCommandName(index);
    return eNoErr;
}

int GetRedoCommandName(KTUndoManagerType* manager, unsigned int index, KCFixedString<255>& name) {
    if (manager == nullptr) {
        return eMemNullPointer;
    }
    name = manager->GetRedoCommandName(index);
    return eNoErr;
}

int GetLastUndoCommandName(KTUndoManagerType* manager, KCFixedString<255>& name) {
    if (manager == nullptr) {
        return eMemNullPointer;
    }
    name = manager->GetLastUndoCommandName();
    return eNoErr;
}

int GetUndoLevel(KTUndoManagerType* manager, unsigned short& level) {
    if (manager == nullptr) {
        return eMemNullPointer;
    }
    level = manager->getUndoLevel();
    return eNoErr;
}

int SetUndoLevel(KTUndoManagerType* manager, unsigned short level) {
    if (manager == nullptr) {
        return eMemNullPointer;
    }
    manager->setUndoLevel(level);
    return eNoErr;
}

bool IsDirty(KTUndoManagerType* manager) {
    return manager != nullptr && manager->IsDirty();
}

int SetClean(KTUndoManagerType* manager) {
    if (manager == nullptr) {
        return eMemNullPointer;
    }
    manager->SetClean();
    return eNoErr;
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
