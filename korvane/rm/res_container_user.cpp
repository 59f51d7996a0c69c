// Resource users: the list of resources to release together.
#include "korvane/rm/res_container_user.h"

#include "korvane/rm/resource_manager.h"

namespace kvKorvaneV10_0_3::RM {

KCResContainerUser::KCResContainerUser(KTResContainerType* container) : m_container(container) {}

KCResContainerUser::KCResContainerUser(const KCResContainerUser& other)
    : m_container(other.m_container) {}

KCResContainerUser& KCResContainerUser::operator=(const KCResContainerUser& other) {
    if (this != &other) {
        release_all_loaded_resources();
        m_container = other.m_container;
    }
    return *this;
}

KCResContainerUser::~KCResContainerUser() {
    release_all_loaded_resources();
}

void KCResContainerUser::remember_loaded_resource(KTResourceType* resource) {
    if (resource == nullptr) {
        return;
    }
    if (m_loaded.empty()) {
        m_loaded.reserve(32);
    }
    m_loaded.push_back(resource);
}

void KCResContainerUser::release_all_loaded_resources() {
    std::vector<KTResourceType*> loaded;
    loaded.swap(m_loaded);
    for (KTResourceType* resource : loaded) {
        // A resource already released elsewhere needs nothing more.
        (void)ReleaseResource(resource);
    }
}

}  // namespace kvKorvaneV10_0_3::RM
