// The handles and records shared by the resource manager's functions and objects.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/rm/res_container_type.h"

#include <cstdint>

// One loaded resource (key, data, size, retain count, delete mark). Opaque.
struct KTResourceType;
// A loaded module (on Linux the handle dlopen gave). Opaque.
struct KTNativeDLLRefType;
// The resource manager object of the process. Opaque.
struct KTResourceManagerType;

namespace kvKorvaneV10_0_3::RM {

// Converts raw bytes into the loaded form. Return 0 and set `out`/`outSize`; leaving `out`
// equal to `raw` keeps the raw buffer. A different buffer must be released by `dispose`
// (std::free when `dispose` is null) and the raw buffer is then freed by the library.
using KTResConvertFunc = KTErr (*)(const void* raw, unsigned int rawSize, void*& out,
                                   unsigned int& outSize, std::uintptr_t context);
using KTResDisposeFunc = void (*)(void* data, unsigned int size, std::uintptr_t context);

struct KSResConvertFuncs {
    KTResConvertFunc convert = nullptr;  // null: no conversion
    KTResDisposeFunc dispose = nullptr;
    std::uintptr_t context = 0;
};

// Fetch flag: load loose files only (no redirection, no archive); passed to the raw loader.
inline constexpr unsigned int kRMFetchLooseOnly = 2;

struct KSResourceManagerInfo {
    KCFixedString<63> ownerName;
    unsigned long long initFlags = 0;
    unsigned int openContainers = 0;
};

}  // namespace kvKorvaneV10_0_3::RM
