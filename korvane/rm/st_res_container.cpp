// The container object over the free functions.
#include "korvane/rm/st_res_container.h"

#include "korvane/rm/resource_manager.h"

#include <string>

namespace kvKorvaneV10_0_3::RM {

KCStResContainer::KCStResContainer(const FM::KCStPath& path, int permission, unsigned int flags) {
    KTResContainerType* container = nullptr;
    SetError(OpenResContainer(path, permission, container, flags));
    m_container = container;
    m_opened = container != nullptr ? Opened::kOpened : Opened::kNone;
}

KCStResContainer::KCStResContainer(KTNativeDLLRefType* module, unsigned int flags) {
    KTResContainerType* container = nullptr;
    SetError(AttachResContainer(module, container, flags));
    m_container = container;
    m_opened = container != nullptr ? Opened::kAttached : Opened::kNone;
}

KCStResContainer::KCStResContainer(KTResContainerType* container) : KCResContainerUser(container) {
    if (container == nullptr) {
        SetError(eMemNullPointer);
    } else if (!IsResContainerFromCurrentResourceManagerObject(container)) {
        SetError(eRMContainerNotFound);
    }
}

KCStResContainer::~KCStResContainer() {
    release_all_loaded_resources();
    if (m_opened == Opened::kOpened) {
        // Nothing to report from a destructor.
        (void)CloseResContainer(m_container);
    } else if (m_opened == Opened::kAttached) {
        (void)DetachResContainer(m_container);
    }
}

bool KCStResContainer::DoesNativeResourceExist(const KCResKey& key) const {
    return DoesResourceExist(m_container, key);
}

bool KCStResContainer::DoesNativeResourceExist(const KCResType& type, short id) const {
    return DoesResourceExist(m_container, type, id);
}

KTErr KCStResContainer::GetContainerPath(FM::KCStPath& out) const {
    return RM::GetContainerPath(m_container, out);
}

KTErr KCStResContainer::GetPathToActualFile(const KCResKey& key, FM::KCStPath& out) const {
    return RM::GetPathToActualFile(m_container, key, out);
}

KTErr KCStResContainer::GetPathToActualFile(const KCResType& type, short id,
                                            FM::KCStPath& out) const {
    return RM::GetPathToActualFile(m_container, KCResKey(type, id), out);
}

KTErr KCStResContainer::GetRawResSize(const KCResKey& key, std::uint64_t& size) const {
    return RM::GetRawResSize(m_container, key, size);
}

KTErr KCStResContainer::GetResourceList(std::vector<KCResKey>& out) const {
    return RM::GetResourceList(m_container, out);
}

KTErr KCStResContainer::GetResourceListByType(const KCResType& type,
                                              std::vector<KCResKey>& out) const {
    out.clear();
    std::vector<KCResKey> all;
    const KTErr err = RM::GetResourceList(m_container, all);
    for (const auto& key : all) {
        if (key.GetType() == type) {
            out.push_back(key);
        }
    }
    return err;
}

}  // namespace kvKorvaneV10_0_3::RM
