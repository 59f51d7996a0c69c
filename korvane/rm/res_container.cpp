// The loaded-resource map every container kind shares: fetch, retain, release, conversion.
#include "korvane/rm/res_container.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace kvKorvaneV10_0_3::RM {

void KSFreeDeleter::operator()(void* p) const {
    std::free(p);
}

void KCResourceRegistry::Add(KTResourceType* resource,
                             const std::shared_ptr<KCResContainer_Base>& owner) {
    const std::lock_guard guard(m_lock);
    m_owners[resource] = owner;
}

void KCResourceRegistry::Remove(KTResourceType* resource) {
    const std::lock_guard guard(m_lock);
    m_owners.erase(resource);
}

std::shared_ptr<KCResContainer_Base> KCResourceRegistry::Find(KTResourceType* resource) {
    const std::lock_guard guard(m_lock);
    const auto it = m_owners.find(resource);
    return it == m_owners.end() ? nullptr : it->second.lock();
}

KCResContainer_Base::KCResContainer_Base(KCResContainerInfo info,
                                         std::shared_ptr<KCResourceRegistry> registry)
    : m_info(std::move(info)), m_registry(std::move(registry)) {
    m_lock.init();
}

KCResContainer_Base::~KCResContainer_Base() {
    const kvThread::ThreadMutexLock lock(m_lock);
    ReleaseAll();
}

KTErr KCResContainer_Base::Fetch(const KCResKey& key, const KSResConvertFuncs* convert,
                                 unsigned int flags, KTResourceType*& out) {
    out = nullptr;
    if (!key.IsSafe()) {
        return eRMInvalidResID;
    }
    if (const auto it = m_loaded.find(key); it != m_loaded.end()) {
        ++it->second->retainCount;
        out = it->second;
        return eNoErr;
    }
    Utils::KCStMemObj raw;
    if (const KTErr err = LoadRaw(key, raw, flags); err != eNoErr) {
        return err;
    }
    // The callbacks own malloc'd buffers, so the bytes move into one.
    KTRawBuffer buffer(std::malloc(raw.size == 0 ? 1 : raw.size));
    if (!buffer) {
        return eMemOutOfMemory;
    }
    if (raw.size != 0) {
        std::memcpy(buffer.get(), raw.ptr, raw.size);
    }
    auto record = std::make_unique<KTResourceType>();
    record->key = key;
    record->data = buffer.get();
    record->size = raw.size;
    if (convert != nullptr && convert->convert != nullptr) {
        void* converted = buffer.get();
        unsigned int convertedSize = raw.size;
        if (const KTErr err = convert->convert(buffer.get(), raw.size, converted, convertedSize,
                                               convert->context);
            err != eNoErr) {
            return err;
        }
        if (converted != buffer.get()) {
            buffer.reset();
            record->data = converted;
            record->dispose = convert->dispose;
            record->context = convert->context;
        }
        record->size = convertedSize;
    }
    static_cast<void>(buffer.release());
    record->retainCount = 1;
    out = record.get();
    m_loaded.emplace(key, record.release());
    m_registry->Add(out, shared_from_this());
    return eNoErr;
}

bool KCResContainer_Base::Owns(KTResourceType* resource) const {
    if (resource == nullptr) {
        return false;
    }
    const auto it = m_loaded.find(resource->key);
    return it != m_loaded.end() && it->second == resource;
}

bool KCResContainer_Base::Retain(KTResourceType* resource) {
    if (!Owns(resource)) {
        return false;
    }
    ++resource->retainCount;
    return true;
}

bool KCResContainer_Base::Release(KTResourceType* resource) {
    if (!Owns(resource)) {
        return false;
    }
    if (--resource->retainCount <= 0) {
        m_loaded.erase(resource->key);
        Free(resource);
    }
    return true;
}

void KCResContainer_Base::ReleaseAll() {
    for (auto& [key, resource] : m_loaded) {
        Free(resource);
    }
    m_loaded.clear();
}

void KCResContainer_Base::MarkLoadedForDelete(const KCResKey& key) {
    if (const auto it = m_loaded.find(key); it != m_loaded.end()) {
        it->second->markedForDelete = true;
    }
}

void KCResContainer_Base::DumpLoaded(std::string& out) const {
    for (const auto& [key, resource] : m_loaded) {
        out += "  ";
        out += key.GetType().c_str();
        out += "/";
        out += key.GetQualifiedName().c_str();
        out += " size " + std::to_string(resource->size) + " retain " +
               std::to_string(resource->retainCount) +
               (resource->markedForDelete ? " (delete)" : "") + "\n";
    }
}

void KCResContainer_Base::Free(KTResourceType* resource) {
    m_registry->Remove(resource);
    if (resource->dispose != nullptr) {
        resource->dispose(resource->data, resource->size, resource->context);
    } else {
        std::free(resource->data);
    }
    delete resource;  // NOLINT(cppcoreguidelines-owning-memory): the map owns its records
}

}  // namespace kvKorvaneV10_0_3::RM
