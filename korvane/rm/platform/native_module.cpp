// dlopen-based module loading for module containers.
#include "korvane/rm/platform/native_module.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

namespace kvKorvaneV10_0_3::RM::platform {

KTErr LoadModule(const char* path, void*& handle) {
    handle = nullptr;
    struct stat info {};
    if (path == nullptr || ::stat(path, &info) != 0 || !S_ISREG(info.st_mode)) {
        return eDLLNotFound;
    }
    handle = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
    return handle != nullptr ? eNoErr : eDLLLoadingFailed;
}

KTErr ReferenceLoadedModule(void* handle, void*& reference, std::string& path) {
    reference = nullptr;
    link_map* map = nullptr;
    if (handle == nullptr || ::dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr ||
        map->l_name == nullptr || map->l_name[0] != '/') {
        return eRMAttachResContainerFailed;
    }
    path = map->l_name;
    // RTLD_NOLOAD only references what is loaded already, so attaching never loads code.
    reference = ::dlopen(map->l_name, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    return reference != nullptr ? eNoErr : eRMAttachResContainerFailed;
}

void UnloadModule(void* handle) {
    if (handle != nullptr) {
        ::dlclose(handle);
    }
}

const void* FindSymbol(void* handle, const char* name) {
    if (handle == nullptr) {
        return nullptr;
    }
    void* symbol = ::dlsym(handle, name);
    if (symbol == nullptr) {
        return nullptr;
    }
    // dlsym also searches the module's dependencies: a name such as "exit" would answer the C
    // library's function. Only a symbol defined in the module itself counts.
    link_map* module = nullptr;
    link_map* owner = nullptr;
    Dl_info info{};
    if (::dlinfo(handle, RTLD_DI_LINKMAP, &module) != 0 ||
        ::dladdr1(symbol, &info, reinterpret_cast<void**>(&owner), RTLD_DL_LINKMAP) == 0 ||
        module == nullptr || owner != module) {
        return nullptr;
    }
    return symbol;
}

}  // namespace kvKorvaneV10_0_3::RM::platform
