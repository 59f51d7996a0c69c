// Loading shared objects and finding symbols in them, behind functions that include no OS
// header. [any-thread]
#pragma once

#include "korvane/core/error_codes.h"

#include <string>

namespace kvKorvaneV10_0_3::RM::platform {

// Loads (or references once more) the shared object: eDLLNotFound when the file is missing,
// eDLLLoadingFailed when the loader refuses it.
[[nodiscard]] KTErr LoadModule(const char* path, void*& handle);
// A further reference to a module already loaded through `handle`, and its file path.
[[nodiscard]] KTErr ReferenceLoadedModule(void* handle, void*& reference, std::string& path);
void UnloadModule(void* handle);
// The address of a symbol the module itself exports, null when there is none (one found only
// in a library the module depends on is none).
const void* FindSymbol(void* handle, const char* name);

}  // namespace kvKorvaneV10_0_3::RM::platform
