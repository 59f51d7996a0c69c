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
    return handle == nullptr ? nullptr : ::dlsym(handle, name);
}

}  // namespace kvKorvaneV10_0_3::RM::platform
