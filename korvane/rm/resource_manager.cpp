// The process-wide resource manager: the container set keyed by path with retain counts, and
// the free functions. The manager lock guards the set only; a container operation runs under
// the container's own lock, on a shared reference taken while the manager lock was held, so a
// concurrent close can never free a container under a running operation.
#include "korvane/rm/resource_manager.h"

#include "korvane/fm/path_ref.h"
#include "korvane/rm/bundle_container.h"
#include "korvane/rm/module_container.h"

#include <cctype>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <utility>

struct KTResourceManagerType {
    struct Entry {
        std::shared_ptr<kvKorvaneV10_0_3::RM::KCResContainer_Base> container;
        int retain = 0;
    };
    std::mutex lock;  // the manager lock
    std::map<std::string, Entry> byPath;
    std::map<KTResContainerType*, std::string> pathOf;
    std::shared_ptr<kvKorvaneV10_0_3::RM::KCResourceRegistry> registry =
        std::make_shared<kvKorvaneV10_0_3::RM::KCResourceRegistry>();
    kvKorvaneV10_0_3::KCFixedString<63> owner;
    unsigned long long flags = 0;
};

namespace kvKorvaneV10_0_3::RM {

namespace {

using Manager = KTResourceManagerType;
using ContainerPtr = std::shared_ptr<KCResContainer_Base>;

std::mutex g_managerLock;
std::shared_ptr<Manager> g_manager;
// Under g_managerLock: the users counted by Acquire, and whether the manager now current was
// created by one.
int g_acquired = 0;
bool g_createdByAcquire = false;

std::shared_ptr<Manager> Current() {
    const std::lock_guard guard(g_managerLock);
    return g_manager;
}

// Runs `body` and turns anything thrown into a code at the boundary.
template <typename F>
[[nodiscard]] KTErr Guarded(F&& body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return eMemOutOfMemory;
    } catch (...) {
        return eExceptionErr;
    }
}

// The container behind a handle, kept alive by the returned reference.
[[nodiscard]] KTErr Resolve(KTResContainerType* handle, ContainerPtr& out,
                            std::shared_ptr<Manager>* managerOut = nullptr) {
    if (handle == nullptr) {
        return eMemNullPointer;
    }
    auto manager = Current();
    if (!manager) {
        return eSomeThingNotInitailzed;
    }
    const std::lock_guard guard(manager->lock);
    const auto it = manager->pathOf.find(handle);
    if (it == manager->pathOf.end()) {
        return eRMContainerNotFound;
    }
    out = manager->byPath.at(it->second).container;
    if (managerOut != nullptr) {
        *managerOut = std::move(manager);
    }
    return eNoErr;
}

// Resolves, then runs `body(container)` under the container lock only.
template <typename F>
[[nodiscard]] KTErr WithContainer(KTResContainerType* handle, F&& body) {
    return Guarded([&]() -> KTErr {
        ContainerPtr container;
        if (const KTErr err = Resolve(handle, container); err != eNoErr) {
            return err;
        }
        const kvThread::ThreadMutexLock guard(container->lock());
        // Called as a member: the analysis then maps the argument onto the body's contract.
        return body.operator()(*container);
    });
}

template <typename F>
[[nodiscard]] KTErr WithResource(KTResourceType* resource, F&& body) {
    return Guarded([&]() -> KTErr {
        if (resource == nullptr) {
            return eMemNullPointer;
        }
        const auto manager = Current();
        if (!manager) {
            return eSomeThingNotInitailzed;
        }
        const ContainerPtr container = manager->registry->Find(resource);
        if (!container) {
            return eRMResRefNotFound;
        }
        const kvThread::ThreadMutexLock guard(container->lock());
        if (!container->Owns(resource)) {
            return eRMResRefNotFound;
        }
        // Called as a member: the analysis then maps the argument onto the body's contract.
        return body.operator()(*container);
    });
}

bool IsModuleExtension(const KCFixedString<255>& ext) {
    for (const char* known : {"so", "dll", "exe", "vst3", "dpm", "aaxplugin"}) {
        if (FM::IsSameExtension(ext.c_str(), known)) {
            return true;
        }
    }
    return false;
}

// Adds a new container to the set, or shares the one already open at the same path.
[[nodiscard]] KTErr Register(Manager& manager, const std::string& key, ContainerPtr created,
                             KTResContainerType*& out) {
    const std::lock_guard guard(manager.lock);
    auto& entry = manager.byPath[key];
    if (!entry.container) {
        entry.container = std::move(created);
        manager.pathOf[entry.container.get()] = key;
    }
    ++entry.retain;
    out = entry.container.get();
    return eNoErr;
}

// Shares an open container without creating anything.
bool ShareOpen(Manager& manager, const std::string& key, KTResContainerType*& out) {
    const std::lock_guard guard(manager.lock);
    const auto it = manager.byPath.find(key);
    if (it == manager.byPath.end()) {
        return false;
    }
    ++it->second.retain;
    out = it->second.container.get();
    return true;
}

}  // namespace

KTErr Init(unsigned long long flags, const char* owner) {
    return Guarded([&]() -> KTErr {
        const std::lock_guard guard(g_managerLock);
        if (!g_manager) {
            g_manager = std::make_shared<Manager>();
            g_manager->flags = flags;
            g_manager->owner = owner != nullptr ? owner : "";
        }
        return eNoErr;
    });
}

namespace {

// Closes every container of a manager already taken out of g_manager.
void CloseAll(const std::shared_ptr<Manager>& manager) {
    if (!manager) {
        return;
    }
    std::map<std::string, Manager::Entry> containers;
    {
        const std::lock_guard guard(manager->lock);
        containers.swap(manager->byPath);
        manager->pathOf.clear();
    }
    // Operations still running hold their own references; the last one frees the container.
    for (auto& [path, entry] : containers) {
        const kvThread::ThreadMutexLock guard(entry.container->lock());
        entry.container->ReleaseAll();
    }
}

}  // namespace

KTErr Dispose() {
    return Guarded([]() -> KTErr {
        std::shared_ptr<Manager> manager;
        {
            const std::lock_guard guard(g_managerLock);
            manager = std::move(g_manager);
            g_createdByAcquire = false;
        }
        CloseAll(manager);
        return eNoErr;
    });
}

KTErr Acquire(unsigned long long flags, const char* owner) {
    return Guarded([&]() -> KTErr {
        const std::lock_guard guard(g_managerLock);
        if (!g_manager) {
            g_manager = std::make_shared<Manager>();
            g_manager->flags = flags;
            g_manager->owner = owner != nullptr ? owner : "";
            g_createdByAcquire = true;
        }
        ++g_acquired;
        return eNoErr;
    });
}

KTErr Release() {
    return Guarded([]() -> KTErr {
        std::shared_ptr<Manager> manager;
        {
            const std::lock_guard guard(g_managerLock);
            if (g_acquired == 0) {
                return eSomeThingNotInitailzed;
            }
            // Taken out under the same lock that counts, so no Acquire can share it meanwhile.
            if (--g_acquired == 0 && g_createdByAcquire) {
                manager = std::move(g_manager);
                g_createdByAcquire = false;
            }
        }
        CloseAll(manager);
        return eNoErr;
    });
}

KTErr OpenResContainer(const FM::KCStPath& path, int permission, KTResContainerType*& out,
                       unsigned int flags) {
    out = nullptr;
    return Guarded([&]() -> KTErr {
        if (!path.IsValid()) {
            return path.GetError() != eNoErr ? path.GetError() : eFMIllegalPathRef;
        }
        const auto manager = Current();
        if (!manager) {
            return eSomeThingNotInitailzed;
        }
        const std::string key = path.GetPathString().c_str();
        if (ShareOpen(*manager, key, out)) {
            return eNoErr;
        }
        KCResContainerInfo info{path, permission, flags};
        ContainerPtr created;
        KTErr err = eNoErr;
        if (IsModuleExtension(path.GetExtension())) {
            err = KCResContainer_dll::Create(std::move(info), nullptr, manager->registry, created);
        } else if (FM::IsBundleExtension(path.GetExtension().c_str())) {
            err = KCResContainer_Bundle::Create(std::move(info), manager->registry, created);
        } else {
            err = eRMInvalidResContainer;
        }
        if (err != eNoErr) {
            return err;
        }
        // Two threads may have created the same container; Register keeps the first.
        return Register(*manager, key, std::move(created), out);
    });
}

KTErr CloseResContainer(KTResContainerType*& container) {
    const KTErr result = Guarded([&]() -> KTErr {
        if (container == nullptr) {
            return eMemNullPointer;
        }
        const auto manager = Current();
        if (!manager) {
            return eSomeThingNotInitailzed;
        }
        ContainerPtr last;  // destroyed after the manager lock is given up
        {
            const std::lock_guard guard(manager->lock);
            const auto it = manager->pathOf.find(container);
            if (it == manager->pathOf.end()) {
                return eRMContainerNotFound;
            }
            auto entry = manager->byPath.find(it->second);
            if (--entry->second.retain > 0) {
                return eNoErr;
            }
            last = std::move(entry->second.container);
            manager->byPath.erase(entry);
            manager->pathOf.erase(it);
        }
        const kvThread::ThreadMutexLock guard(last->lock());
        last->ReleaseAll();
        return eNoErr;
    });
    if (result == eNoErr) {
        container = nullptr;
    }
    return result;
}

KTErr AttachResContainer(KTNativeDLLRefType* module, KTResContainerType*& out, unsigned int flags) {
    out = nullptr;
    return Guarded([&]() -> KTErr {
        if (module == nullptr) {
            return eMemNullPointer;
        }
        const auto manager = Current();
        if (!manager) {
            return eSomeThingNotInitailzed;
        }
        ContainerPtr created;
        KCResContainerInfo info{FM::KCStPath(), 0, flags};
        if (const KTErr err =
                KCResContainer_dll::Create(std::move(info), module, manager->registry, created);
            err != eNoErr) {
            return err;
        }
        const std::string key = created->info().path.GetPathString().c_str();
        return Register(*manager, key, std::move(created), out);
    });
}

KTErr DetachResContainer(KTResContainerType*& container) {
    return CloseResContainer(container);
}

KTErr IsResContainer(const FM::KCStPath& path, bool& result) {
    result = false;
    return Guarded([&]() -> KTErr {
        if (!path.IsValid()) {
            return path.GetError();
        }
        if (IsModuleExtension(path.GetExtension())) {
            result = path.IsFile();
        } else {
            result = FM::IsExistingBundle(path.GetPathRef());
        }
        return eNoErr;
    });
}

bool IsOpenResContainer(const FM::KCStPath& path) {
    return GetRetainCount(path) > 0;
}

bool IsBundleResContainer(KTResContainerType* container) {
    bool result = false;
    // A bad handle answers false; the bool form has no code to carry.
    (void)WithContainer(container, [&](KCResContainer_Base& c) KV_REQUIRES(c.lock()) {
        result = c.IsBundle();
        return eNoErr;
    });
    return result;
}

KTErr GetContainerPath(KTResContainerType* container, FM::KCStPath& out) {
    return WithContainer(container, [&](KCResContainer_Base& c) KV_REQUIRES(c.lock()) {
        out = c.info().path;
        return eNoErr;
    });
}

KTNativeDLLRefType* GetHMODULE(KTResContainerType* container) {
    KTNativeDLLRefType* module = nullptr;
    // A bad handle answers null.
    (void)WithContainer(container, [&](KCResContainer_Base& c) KV_REQUIRES(c.lock()) {
        module = c.GetModule();
        return eNoErr;
    });
    return module;
}

int GetRetainCount(const FM::KCStPath& path) {
    const auto manager = Current();
    if (!manager || !path.IsValid()) {
        return 0;
    }
    const std::lock_guard guard(manager->lock);
    const auto it = manager->byPath.find(path.GetPathString().c_str());
    return it == manager->byPath.end() ? 0 : it->second.retain;
}

int GetRetainCount(KTResContainerType* container) {
    const auto manager = Current();
    if (!manager || container == nullptr) {
        return 0;
    }
    const std::lock_guard guard(manager->lock);
    const auto it = manager->pathOf.find(container);
    return it == manager->pathOf.end() ? 0 : manager->byPath.at(it->second).retain;
}

int GetOSRetainCount(KTResContainerType* container) {
    return GetHMODULE(container) != nullptr ? 1 : 0;
}

KTErr GetAResource(KTResContainerType* container, const KCResKey& key, KTResourceType*& out,
                   const KSResConvertFuncs* convert, unsigned int flags) {
    out = nullptr;
    return WithContainer(container, [&](KCResContainer_Base& c) KV_REQUIRES(c.lock()) {
        return c.Fetch(key, convert, flags, out);
    });
}

KTErr GetAResource(KTResContainerType* container, const KCResType& type, short id,
                   KTResourceType*& out, const KSResConvertFuncs* convert, unsigned int flags) {
    return GetAResource(container, KCResKey(type, id), out, convert, flags);
}

KTErr GetResourceAndData(KTResContainerType* container, const KCResKey& key, KTResourceType*& out,
                         void*& data, unsigned int& size, const KSResConvertFuncs* convert) {
    data = nullptr;
    size = 0;
    out = nullptr;
    return WithContainer(container, [&](KCResContainer_Base& c) KV_REQUIRES(c.lock()) {
        const KTErr err = c.Fetch(key, convert, 0, out);
        if (err == eNoErr) {
            data = out->data;
            size = out->size;
        }
        return err;
    });
}

KTErr GetResData(KTResourceType* resource, void*& data) {
    data = nullptr;
    return WithResource(resource, [&](KCResContainer_Base&) {
        data = resource->data;
        return eNoErr;
    });
}

KTErr GetResSize(KTResourceType* resource, unsigned int& size) {
    size = 0;
    return WithResource(resource, [&](KCResContainer_Base&) {
        size = resource->size;
        return eNoErr;
    });
}

KTErr GetResInfo(KTResourceType* resource, KCResKey& key) {
    return WithResource(resource, [&](KCResContainer_Base&) {
        key = resource->key;
        return eNoErr;
    });
}

KTErr GetResRetainCount(KTResourceType* resource, int& count) {
    count = 0;
    return WithResource(resource, [&](KCResContainer_Base&) {
        count = resource->retainCount;
        return eNoErr;
    });
}

KTErr RetainResource(KTResourceType* resource) {
    return WithResource(resource, [&](KCResContainer_Base& c) KV_REQUIRES(c.lock()) {
        c.Retain(resource);
        return eNoErr;
    });
}

KTErr ReleaseResource(KTResourceType*& resource) {
    const KTErr err = WithResource(resource, [&](KCResContainer_Base& c) KV_REQUIRES(c.lock()) {
        c.Release(resource);
        return eNoErr;
    });
    if (err == eNoErr) {
        resource = nullptr;
    }
    return err;
}

KTErr ReleaseResources(KTResContainerType* container, KTResourceType** resources,
                       unsigned int count) {
    if (resources == nullptr && count != 0) {
        return eMemNullPointer;
    }
    return WithContainer(container, [&](KCResContainer_Base& c) KV_REQUIRES(c.lock()) {
        KTErr first = eNoErr;
        for (unsigned int i = 0; i < count; ++i) {
            if (c.Release(resources[i])) {
                resources[i] = nullptr;
            } else if (first == eNoErr) {
                first = eRMResRefNotFound;
            }
        }
        return first;
    });
}

KTErr ReleaseAllResources(KTResContainerType* container) {
    return WithContainer(container, [&](KCResContainer_Base& c) KV_REQUIRES(c.lock()) {
        c.ReleaseAll();
        return eNoErr;
    });
}

bool IsResourceLoaded(KTResContainerType* container, const KCResKey& key) {
    bool loaded = false;
    // A bad handle answers false; the bool form has no code to carry.
    (void)WithContainer(container, [&](KCResContainer_Base& c) KV_REQUIRES(c.lock()) {
        loaded = c.IsLoaded(key);
        return eNoErr;
    });
    return loaded;
}

bool DoesResourceExist(KTResContainerType* container, const KCResKey& key) {
    bool exists = false;
    // A bad handle answers false; the bool form has no code to carry.
    (void)WithContainer(container, [&](KCResContainer_Base& c) KV_REQUIRES(c.lock()) {
        exists = c.Exists(key);
        return eNoErr;
    });
    return exists;
}

bool DoesResourceExist(KTResContainerType* container, const KCResType& type, short id) {
    return DoesResourceExist(container, KCResKey(type, id));
}

KTErr GetRawResSize(KTResContainerType* container, const KCResKey& key, std::uint64_t& size) {
    size = 0;
    return WithContainer(container, [&](KCResContainer_Base& c)
                                        KV_REQUIRES(c.lock()) { return c.GetRawSize(key, size); });
}

KTErr GetRawResourceData(KTResContainerType* container, const KCResKey& key,
                         Utils::KCStMemObj& out) {
    return WithContainer(container, [&](KCResContainer_Base& c) KV_REQUIRES(c.lock()) {
        if (!key.IsSafe()) {
            return static_cast<KTErr>(eRMInvalidResID);
        }
        Utils::KCStMemObj bytes;
        const KTErr err = c.LoadRaw(key, bytes, 0);
        if (err == eNoErr) {
            out = std::move(bytes);
        }
        return err;
    });
}

KTErr CopyResourceToKCStMemObj(KTResContainerType* container, const KCResKey& key,
                               Utils::KCStMemObj& out, const KSResConvertFuncs* convert) {
    return WithContainer(container, [&](KCResContainer_Base& c) KV_REQUIRES(c.lock()) {
        KTResourceType* resource = nullptr;
        KTErr err = c.Fetch(key, convert, 0, resource);
        if (err == eNoErr) {
            err = out.Assign(static_cast<const char*>(resource->data), resource->size);
            c.Release(resource);
        }
        return err;
    });
}

KTErr GetResTypeList(KTResContainerType* container, std::vector<KCResType>& out) {
    out.clear();
    return WithContainer(
        container, [&](KCResContainer_Base& c) KV_REQUIRES(c.lock()) { return c.GetTypes(out); });
}

KTErr GetResIDList(KTResContainerType* container, const KCResType& type,
                   std::vector<KCFixedString<255>>& out) {
    out.clear();
    return WithContainer(container, [&](KCResContainer_Base& c)
                                        KV_REQUIRES(c.lock()) { return c.GetNames(type, out); });
}

KTErr GetResIDList(KTResContainerType* container, const KCResType& type, std::vector<short>& out) {
    out.clear();
    std::vector<KCFixedString<255>> names;
    const KTErr err = GetResIDList(container, type, names);
    for (const auto& name : names) {
        short id = 0;
        if (KCResKey(type, name.c_str()).GetID(id)) {
            out.push_back(id);
        }
    }
    return err;
}

KTErr GetResourceList(KTResContainerType* container, std::vector<KCResKey>& out) {
    out.clear();
    return WithContainer(container, [&](KCResContainer_Base& c) KV_REQUIRES(c.lock()) {
        std::vector<KCResType> types;
        if (const KTErr err = c.GetTypes(types); err != eNoErr) {
            return err;
        }
        for (const auto& type : types) {
            std::vector<KCFixedString<255>> names;
            if (const KTErr err = c.GetNames(type, names); err != eNoErr) {
                return err;
            }
            for (const auto& name : names) {
                const std::string text = name.c_str();
                const auto mark = text.find('?');
                out.push_back(mark == std::string::npos
                                  ? KCResKey(type, text.c_str())
                                  : KCResKey(type, text.substr(0, mark).c_str(),
                                             text.substr(mark + 1).c_str()));
            }
        }
        return static_cast<KTErr>(eNoErr);
    });
}

KTErr GetModificationTime(KTResContainerType* container, const KCResKey& key,
                          std::int64_t& seconds) {
    seconds = 0;
    return WithContainer(container, [&](KCResContainer_Base& c) KV_REQUIRES(c.lock()) {
        return c.GetModTime(key, seconds);
    });
}

KTErr AddResource(KTResContainerType* container, const KCResKey& key, const void* data,
                  unsigned int size) {
    return WithContainer(container, [&](KCResContainer_Base& c) KV_REQUIRES(c.lock()) {
        return c.Stage(key, data, size, EStageMode::eAdd);
    });
}

KTErr AddOrReplaceResource(KTResContainerType* container, const KCResKey& key, const void* data,
                           unsigned int size) {
    return WithContainer(container, [&](KCResContainer_Base& c) KV_REQUIRES(c.lock()) {
        return c.Stage(key, data, size, EStageMode::eAddOrReplace);
    });
}

KTErr UpdateResource(KTResContainerType* container, const KCResKey& key, const void* data,
                     unsigned int size) {
    return WithContainer(container, [&](KCResContainer_Base& c) KV_REQUIRES(c.lock()) {
        return c.Stage(key, data, size, EStageMode::eUpdate);
    });
}

KTErr MarkResourceForDelete(KTResContainerType* container, const KCResKey& key) {
    return WithContainer(container, [&](KCResContainer_Base& c)
                                        KV_REQUIRES(c.lock()) { return c.StageDelete(key); });
}

KTErr WriteResource(KTResContainerType* container, const KCResKey& key) {
    return WithContainer(
        container, [&](KCResContainer_Base& c) KV_REQUIRES(c.lock()) { return c.WriteOne(key); });
}

KTErr WriteResContainer(KTResContainerType* container) {
    return WithContainer(
        container, [&](KCResContainer_Base& c) KV_REQUIRES(c.lock()) { return c.WriteAll(); });
}

KTErr GetPathToActualFile(KTResContainerType* container, const KCResKey& key, FM::KCStPath& out) {
    return WithContainer(container, [&](KCResContainer_Base& c)
                                        KV_REQUIRES(c.lock()) { return c.ActualPath(key, out); });
}

KTErr GetPathToTheoreticalFile(KTResContainerType* container, const KCResKey& key,
                               FM::KCStPath& out) {
    return WithContainer(container, [&](KCResContainer_Base& c) KV_REQUIRES(c.lock()) {
        return c.TheoreticalPath(key, out);
    });
}

KTErr GetResourceManagerInfo(KTResContainerType* container, KSResourceManagerInfo& out) {
    return Guarded([&]() -> KTErr {
        ContainerPtr resolved;
        std::shared_ptr<Manager> manager;
        if (const KTErr err = Resolve(container, resolved, &manager); err != eNoErr) {
            return err;
        }
        const std::lock_guard guard(manager->lock);
        out.ownerName = manager->owner;
        out.initFlags = manager->flags;
        out.openContainers = static_cast<unsigned int>(manager->byPath.size());
        return eNoErr;
    });
}

KTResourceManagerType* GetResourceManagerObjectCurrent() {
    return Current().get();
}

KCFixedString<63> GetResourceManagerObjectCurrentOwnerName() {
    const auto manager = Current();
    return manager ? manager->owner : KCFixedString<63>();
}

KTResourceManagerType* GetResourceManagerObjectFromContainerPtr(KTResContainerType* container) {
    ContainerPtr resolved;
    std::shared_ptr<Manager> manager;
    return Resolve(container, resolved, &manager) == eNoErr ? manager.get() : nullptr;
}

bool IsResContainerFromCurrentResourceManagerObject(KTResContainerType* container) {
    return GetResourceManagerObjectFromContainerPtr(container) != nullptr;
}

unsigned long long GetRuntimeEnviron() {
    const auto manager = Current();
    return manager ? manager->flags : 0;
}

std::string DumpResFileMap() {
    std::string out;
    const auto manager = Current();
    if (!manager) {
        return out;
    }
    std::map<std::string, Manager::Entry> containers;
    {
        const std::lock_guard guard(manager->lock);
        containers = manager->byPath;
    }
    for (const auto& [path, entry] : containers) {
        out += path + " (retain " + std::to_string(entry.retain) + ")\n";
        const kvThread::ThreadMutexLock guard(entry.container->lock());
        entry.container->DumpLoaded(out);
    }
    return out;
}

// The (type, identifier) forms build the key and forward.
KTErr GetResourceAndData(KTResContainerType* container, const KCResType& type, short id,
                         KTResourceType*& out, void*& data, unsigned int& size,
                         const KSResConvertFuncs* convert) {
    return GetResourceAndData(container, KCResKey(type, id), out, data, size, convert);
}

bool IsResourceLoaded(KTResContainerType* container, const KCResType& type, short id) {
    return IsResourceLoaded(container, KCResKey(type, id));
}

KTErr GetRawResSize(KTResContainerType* container, const KCResType& type, short id,
                    std::uint64_t& size) {
    return GetRawResSize(container, KCResKey(type, id), size);
}

KTErr GetRawResourceData(KTResContainerType* container, const KCResType& type, short id,
                         Utils::KCStMemObj& out) {
    return GetRawResourceData(container, KCResKey(type, id), out);
}

KTErr CopyResourceToKCStMemObj(KTResContainerType* container, const KCResType& type, short id,
                               Utils::KCStMemObj& out, const KSResConvertFuncs* convert) {
    return CopyResourceToKCStMemObj(container, KCResKey(type, id), out, convert);
}

KTErr GetModificationTime(KTResContainerType* container, const KCResType& type, short id,
                          std::int64_t& seconds) {
    return GetModificationTime(container, KCResKey(type, id), seconds);
}

KTErr AddResource(KTResContainerType* container, const KCResType& type, short id, const void* data,
                  unsigned int size) {
    return AddResource(container, KCResKey(type, id), data, size);
}

KTErr AddOrReplaceResource(KTResContainerType* container, const KCResType& type, short id,
                           const void* data, unsigned int size) {
    return AddOrReplaceResource(container, KCResKey(type, id), data, size);
}

KTErr UpdateResource(KTResContainerType* container, const KCResType& type, short id,
                     const void* data, unsigned int size) {
    return UpdateResource(container, KCResKey(type, id), data, size);
}

KTErr MarkResourceForDelete(KTResContainerType* container, const KCResType& type, short id) {
    return MarkResourceForDelete(container, KCResKey(type, id));
}

KTErr WriteResource(KTResContainerType* container, const KCResType& type, short id) {
    return WriteResource(container, KCResKey(type, id));
}

KTErr GetPathToActualFile(KTResContainerType* container, const KCResType& type, short id,
                          FM::KCStPath& out) {
    return GetPathToActualFile(container, KCResKey(type, id), out);
}

KTErr GetPathToTheoreticalFile(KTResContainerType* container, const KCResType& type, short id,
                               FM::KCStPath& out) {
    return GetPathToTheoreticalFile(container, KCResKey(type, id), out);
}

}  // namespace kvKorvaneV10_0_3::RM
