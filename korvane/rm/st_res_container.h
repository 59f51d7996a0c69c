// RM::KCStResContainer: an open container as an object that closes what it opened.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/validatable.h"
#include "korvane/fm/path.h"
#include "korvane/rm/res_container_user.h"
#include "korvane/rm/res_key.h"
#include "korvane/rm/res_types.h"

#include <cstdint>
#include <vector>

namespace kvKorvaneV10_0_3::RM {

// A failed opening is kept as the object's error. [any-thread] on distinct objects.
class KORVANE_API KCStResContainer : public KUValidatable, public KCResContainerUser {
public:
    // Opens the container (OpenResContainer) and closes it in the destructor.
    KCStResContainer(const FM::KCStPath& path, int permission, unsigned int flags = 0);
    // Attaches to a loaded module and detaches in the destructor.
    explicit KCStResContainer(KTNativeDLLRefType* module, unsigned int flags = 0);
    // Shares an open container without owning it.
    explicit KCStResContainer(KTResContainerType* container);
    KCStResContainer(const KCStResContainer&) = delete;
    KCStResContainer& operator=(const KCStResContainer&) = delete;
    // Releases the resources this object loaded, then closes what it opened.
    ~KCStResContainer() override;

    [[nodiscard]] bool IsValidSelf() const override { return m_container != nullptr; }
    [[nodiscard]] KTResContainerType* GetContainer() const { return m_container; }
    [[nodiscard]] bool DoesNativeResourceExist(const KCResKey& key) const;
    [[nodiscard]] bool DoesNativeResourceExist(const KCResType& type, short id) const;
    [[nodiscard]] KTErr GetContainerPath(FM::KCStPath& out) const;
    [[nodiscard]] KTErr GetPathToActualFile(const KCResKey& key, FM::KCStPath& out) const;
    [[nodiscard]] KTErr GetPathToActualFile(const KCResType& type, short id,
                                            FM::KCStPath& out) const;
    [[nodiscard]] KTErr GetRawResSize(const KCResKey& key, std::uint64_t& size) const;
    [[nodiscard]] KTErr GetResourceList(std::vector<KCResKey>& out) const;
    [[nodiscard]] KTErr GetResourceListByType(const KCResType& type,
                                              std::vector<KCResKey>& out) const;

private:
    enum class Opened { kNone, kOpened, kAttached };
    Opened m_opened = Opened::kNone;
};

}  // namespace kvKorvaneV10_0_3::RM
