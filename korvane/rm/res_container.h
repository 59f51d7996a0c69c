// The container classes behind KTResContainerType: the common base with its lock and map of
// loaded resources, and the hooks each kind (bundle, module) implements. Internal.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/mem_obj.h"
#include "korvane/core/thread_annotations.h"
#include "korvane/core/thread_mutex.h"
#include "korvane/fm/path.h"
#include "korvane/rm/res_key.h"
#include "korvane/rm/res_types.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

struct KTResContainerType {
    virtual ~KTResContainerType() = default;
};

namespace kvKorvaneV10_0_3::RM {

class KCResContainer_Base;

// What staging a resource may do with an existing one; the values are those the staging
// calls have always used.
enum class EStageMode : int {
    eAdd = 0,           // only a new resource (eRMResExists otherwise)
    eAddOrReplace = 1,  // new or replacing
    eUpdate = 2,        // only an existing one (eRMResNotFound otherwise)
};

// Which container a live resource handle belongs to. Its lock is a leaf: taken under a
// container lock, never the other way round, and nothing else is locked while it is held.
// [any-thread]
class KCResourceRegistry {
public:
    void Add(KTResourceType* resource, const std::shared_ptr<KCResContainer_Base>& owner);
    void Remove(KTResourceType* resource);
    std::shared_ptr<KCResContainer_Base> Find(KTResourceType* resource);

private:
    std::mutex m_lock;
    std::unordered_map<KTResourceType*, std::weak_ptr<KCResContainer_Base>> m_owners;
};

// Byte buffer allocated with std::malloc, as conversion callbacks expect.
struct KSFreeDeleter {
    void operator()(void* p) const;
};
using KTRawBuffer = std::unique_ptr<void, KSFreeDeleter>;

struct KCResContainerInfo {
    FM::KCStPath path;
    int permission = 0;
    unsigned int flags = 0;
};

// One container: its kind's hooks and the map of loaded resources, both under lock(). The
// resource manager takes that lock around every operation. [any-thread] through the manager.
class KCResContainer_Base : public KTResContainerType,
                            public std::enable_shared_from_this<KCResContainer_Base> {
public:
    KCResContainer_Base(KCResContainerInfo info, std::shared_ptr<KCResourceRegistry> registry);
    ~KCResContainer_Base() override;
    KCResContainer_Base(const KCResContainer_Base&) = delete;
    KCResContainer_Base& operator=(const KCResContainer_Base&) = delete;

    // Kind-specific operations; called with lock() held. [any-thread & lock held]
    virtual bool IsBundle() const = 0;
    // Fixed once the container exists. [any-thread]
    virtual KTNativeDLLRefType* GetModule() const { return nullptr; }
    [[nodiscard]] virtual KTErr GetTypes(std::vector<KCResType>& out) KV_REQUIRES(m_lock) = 0;
    [[nodiscard]] virtual KTErr GetNames(const KCResType& type,
                                         std::vector<KCFixedString<255>>& out)
        KV_REQUIRES(m_lock) = 0;
    virtual bool Exists(const KCResKey& key) KV_REQUIRES(m_lock) = 0;
    [[nodiscard]] virtual KTErr GetRawSize(const KCResKey& key, std::uint64_t& size)
        KV_REQUIRES(m_lock) = 0;
    [[nodiscard]] virtual KTErr LoadRaw(const KCResKey& key, Utils::KCStMemObj& out,
                                        unsigned int flags) KV_REQUIRES(m_lock) = 0;
    [[nodiscard]] virtual KTErr GetModTime(const KCResKey& key, std::int64_t& seconds)
        KV_REQUIRES(m_lock) = 0;
    [[nodiscard]] virtual KTErr Stage(const KCResKey& key, const void* data, unsigned int size,
                                      EStageMode mode) KV_REQUIRES(m_lock) = 0;
    [[nodiscard]] virtual KTErr StageDelete(const KCResKey& key) KV_REQUIRES(m_lock) = 0;
    [[nodiscard]] virtual KTErr WriteOne(const KCResKey& key) KV_REQUIRES(m_lock) = 0;
    [[nodiscard]] virtual KTErr WriteAll() KV_REQUIRES(m_lock) = 0;
    [[nodiscard]] virtual KTErr ActualPath(const KCResKey& key, FM::KCStPath& out)
        KV_REQUIRES(m_lock) = 0;
    [[nodiscard]] virtual KTErr TheoreticalPath(const KCResKey& key, FM::KCStPath& out)
        KV_REQUIRES(m_lock) = 0;

    // Shared logic over the map of loaded resources. [any-thread & lock held]
    [[nodiscard]] KTErr Fetch(const KCResKey& key, const KSResConvertFuncs* convert,
                              unsigned int flags, KTResourceType*& out) KV_REQUIRES(m_lock);
    // False when the handle is not one of this container's loaded resources.
    bool Retain(KTResourceType* resource) KV_REQUIRES(m_lock);
    bool Release(KTResourceType* resource) KV_REQUIRES(m_lock);
    void ReleaseAll() KV_REQUIRES(m_lock);
    bool IsLoaded(const KCResKey& key) const KV_REQUIRES(m_lock) {
        return m_loaded.count(key) != 0;
    }
    void MarkLoadedForDelete(const KCResKey& key) KV_REQUIRES(m_lock);
    bool Owns(KTResourceType* resource) const KV_REQUIRES(m_lock);
    [[nodiscard]] std::size_t LoadedCount() const KV_REQUIRES(m_lock) { return m_loaded.size(); }
    void DumpLoaded(std::string& out) const KV_REQUIRES(m_lock);

    // The container lock, recursive; under a manager lock, never the other way round.
    kvThread::ThreadMutexInited& lock() KV_RETURN_CAPABILITY(m_lock) { return m_lock; }
    // Fixed once the container exists. [any-thread]
    [[nodiscard]] const KCResContainerInfo& info() const { return m_info; }
    [[nodiscard]] bool MayWrite() const { return m_info.permission != 0; }

private:
    void Free(KTResourceType* resource) KV_REQUIRES(m_lock);

    KCResContainerInfo m_info;
    std::shared_ptr<KCResourceRegistry> m_registry;
    kvThread::ThreadMutexInited m_lock;
    std::map<KCResKey, KTResourceType*> m_loaded KV_GUARDED_BY(m_lock);  // owned; freed by Free()
};

}  // namespace kvKorvaneV10_0_3::RM

// One loaded resource.
struct KTResourceType {
    kvKorvaneV10_0_3::RM::KCResKey key;
    void* data = nullptr;  // owned: freed by `dispose` (std::free when null)
    unsigned int size = 0;
    int retainCount = 0;
    bool markedForDelete = false;
    kvKorvaneV10_0_3::RM::KTResDisposeFunc dispose = nullptr;
    std::uintptr_t context = 0;
};
