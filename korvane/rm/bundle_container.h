// KCResContainer_Bundle: resources as loose files, redirections and type archives below a
// bundle's "Contents/Resources". Internal.
#pragma once

#include "korvane/core/thread_annotations.h"
#include "korvane/rm/bundle_config.h"
#include "korvane/rm/res_container.h"

#include <optional>

namespace kvKorvaneV10_0_3::RM {

class KCResContainer_Bundle : public KCResContainer_Base {
public:
    // Reads the configuration; a failure is returned and no container made.
    [[nodiscard]] static KTErr Create(KCResContainerInfo info,
                                      std::shared_ptr<KCResourceRegistry> registry,
                                      std::shared_ptr<KCResContainer_Base>& out);

    KCResContainer_Bundle(KCResContainerInfo info, std::shared_ptr<KCResourceRegistry> registry);

    bool IsBundle() const override { return true; }
    [[nodiscard]] KTErr GetTypes(std::vector<KCResType>& out) KV_REQUIRES(lock()) override;
    [[nodiscard]] KTErr GetNames(const KCResType& type, std::vector<KCFixedString<255>>& out)
        KV_REQUIRES(lock()) override;
    bool Exists(const KCResKey& key) KV_REQUIRES(lock()) override;
    [[nodiscard]] KTErr GetRawSize(const KCResKey& key, std::uint64_t& size)
        KV_REQUIRES(lock()) override;
    [[nodiscard]] KTErr LoadRaw(const KCResKey& key, Utils::KCStMemObj& out, unsigned int flags)
        KV_REQUIRES(lock()) override;
    [[nodiscard]] KTErr GetModTime(const KCResKey& key, std::int64_t& seconds)
        KV_REQUIRES(lock()) override;
    [[nodiscard]] KTErr Stage(const KCResKey& key, const void* data, unsigned int size,
                              EStageMode mode) KV_REQUIRES(lock()) override;
    [[nodiscard]] KTErr StageDelete(const KCResKey& key) KV_REQUIRES(lock()) override;
    [[nodiscard]] KTErr WriteOne(const KCResKey& key) KV_REQUIRES(lock()) override;
    [[nodiscard]] KTErr WriteAll() KV_REQUIRES(lock()) override;
    [[nodiscard]] KTErr ActualPath(const KCResKey& key, FM::KCStPath& out)
        KV_REQUIRES(lock()) override;
    [[nodiscard]] KTErr TheoreticalPath(const KCResKey& key, FM::KCStPath& out)
        KV_REQUIRES(lock()) override;

private:
    // Where a key's bytes are: a plain file, or an entry of an archive.
    struct Location {
        FM::KCStPath file;
        KCFixedString<255> entry;  // empty for a plain file
    };
    [[nodiscard]] KTErr ReadConfig();
    [[nodiscard]] KTErr Locate(const KCResKey& key, unsigned int flags, Location& out) const;
    [[nodiscard]] std::string ExtensionOf(const KCResType& type) const;
    [[nodiscard]] std::string LeafOf(const KCResKey& key) const;
    [[nodiscard]] FM::KCStPath ArchiveOf(const KCResType& type) const;

    FM::KCStPath m_resources;
    KSBundleConfig m_config;
    std::map<KCResKey, std::optional<Utils::KCStMemObj>> m_staged;  // nullopt: delete
};

}  // namespace kvKorvaneV10_0_3::RM
