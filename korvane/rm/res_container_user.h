// RM::KCResContainerUser: the mix-in of every object that loads resources and releases them
// together.
#pragma once

#include "korvane/core/export.h"
#include "korvane/rm/res_types.h"

#include <vector>

namespace kvKorvaneV10_0_3::RM {

// [any-thread] on distinct objects.
class KORVANE_API KCResContainerUser {
public:
    explicit KCResContainerUser(KTResContainerType* container = nullptr);
    // A copy uses the same container but has loaded nothing yet.
    KCResContainerUser(const KCResContainerUser& other);
    KCResContainerUser& operator=(const KCResContainerUser& other);
    virtual ~KCResContainerUser();

    [[nodiscard]] KTResContainerType* GetResContainer() const { return m_container; }
    void SetResContainer(KTResContainerType* container) { m_container = container; }
    // Keeps the resource for one release later; null is ignored.
    void remember_loaded_resource(KTResourceType* resource);
    // Releases each remembered resource once and forgets them.
    void release_all_loaded_resources();
    [[nodiscard]] std::size_t loaded_resource_count() const { return m_loaded.size(); }

protected:
    KTResContainerType* m_container = nullptr;  // not owned

private:
    std::vector<KTResourceType*> m_loaded;
};

}  // namespace kvKorvaneV10_0_3::RM
