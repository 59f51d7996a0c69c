// Looking up a plug-in's native process function in its loaded module.
#include "korvane/process/native_process.h"

#include "korvane/rm/platform/native_module.h"

namespace kvKorvaneV10_0_3::ProcessMemory {

KTErr FindNativeProcessFunction(KTNativeDLLRefType* module, const char* name,
                                KTNativeProcessFunction& out) {
    out = nullptr;
    if (module == nullptr) {
        return eDLLNotFound;
    }
    if (name == nullptr || *name == '\0') {
        return eFuncPointerNotFound;
    }
    const void* symbol = RM::platform::FindSymbol(module, name);
    if (symbol == nullptr) {
        return eFuncPointerNotFound;
    }
    // An exported function's address, as the loader hands it out.
    out = reinterpret_cast<KTNativeProcessFunction>(const_cast<void*>(symbol));
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3::ProcessMemory
