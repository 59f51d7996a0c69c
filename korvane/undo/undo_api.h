// Undo::API: the handle functions over an opaque manager and opaque commands.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/undo/undo_manager.h"

namespace kvKorvaneV10_0_3::Undo {

using KTUndoManagerType = KCUndoManagerAbs;
using KTUndoCommandType = Command;

// Each forwards to the manager's operation of the same meaning; int results are library codes
// (eMemNullPointer for a null manager), the others answer false / 0 for one. [gui-thread]
namespace API {

// A new KCUndoManager (eMemNewFailed when it cannot be made).
KORVANE_API int CreateDefaultUndoManager(KTUndoManagerType*& manager);
// Deletes the manager and nulls the handle.
KORVANE_API int DisposeUndoManager(KTUndoManagerType*& manager);
// Takes ownership of `command` (deleted at once when the manager is null).
KORVANE_API int InsertCommand(KTUndoManagerType* manager, KTUndoCommandType* command,
                              EInsertToStackType mode);
KORVANE_API int ExecuteUndo(KTUndoManagerType* manager);
KORVANE_API int ExecuteRedo(KTUndoManagerType* manager);
KORVANE_API bool CanUndo(KTUndoManagerType* manager);
KORVANE_API bool CanRedo(KTUndoManagerType* manager);
KORVANE_API unsigned int GetUndoStackSize(KTUndoManagerType* manager);
KORVANE_API unsigned int GetRedoStackSize(KTUndoManagerType* manager);
KORVANE_API unsigned int GetNumEvents(KTUndoManagerType* manager);
KORVANE_API int AddUndoEvent(KTUndoManagerType* manager, const KCFixedString<63>& name);
KORVANE_API int ClearUndoEvents(KTUndoManagerType* manager);
KORVANE_API int GetUndoCommandName(KTUndoManagerType* manager, unsigned int index,
                                   KCFixedString<255>& name);
KORVANE_API int GetRedoCommandName(KTUndoManagerType* manager, unsigned int index,
                                   KCFixedString<255>& name);
KORVANE_API int GetLastUndoCommandName(KTUndoManagerType* manager, KCFixedString<255>& name);
KORVANE_API int GetUndoLevel(KTUndoManagerType* manager, unsigned short& level);
KORVANE_API int SetUndoLevel(KTUndoManagerType* manager, unsigned short level);
KORVANE_API bool IsDirty(KTUndoManagerType* manager);
KORVANE_API int SetClean(KTUndoManagerType* manager);
// True when the last undo command's name contains kLoadPresetMarker or kPastePresetMarker.
KORVANE_API bool IsPresetCommand(KTUndoManagerType* manager);

}  // namespace API

}  // namespace kvKorvaneV10_0_3::Undo
