// KCResContainer_dll: the resources a shared object embeds in its exported table. Internal.
#pragma once

#include "korvane/core/thread_annotations.h"
#include "korvane/rm/embedded_resources.h"
#include "korvane/rm/res_container.h"

namespace kvKorvaneV10_0_3::RM {

class KCResContainer_dll : public KCResContainer_Base {
public:
    // Loads the module at info.path (or references `attached` when it is not null) and
    // checks its table: eRMInvalidNativeResContainer without a usable one.
    [[nodiscard]] static KTErr Create(KCResContainerInfo info, void* attached,
                                      std::shared_ptr<KCResourceRegistry> registry,
                                      std::shared_ptr<KCResContainer_Base>& out);

    KCResContainer_dll(KCResContainerInfo info, std::shared_ptr<KCResourceRegistry> registry);
    ~KCResContainer_dll() override;
    KCResContainer_dll(const KCResContainer_dll&) = delete;
    KCResContainer_dll& operator=(const KCResContainer_dll&) = delete;

    bool IsBundle() const override { return false; }
    KTNativeDLLRefType* GetModule() const override;
    [[nodiscard]] KTErr GetTypes(std::vector<KCResType>& out) KV_REQUIRES(lock()) override;
    [[nodiscard]] KTErr GetNames(const KCResType& type, std::vector<KCFixedString<255>>& out)
        KV_REQUIRES(lock()) override;
    bool Exists(const KCResKey& key) KV_REQUIRES(lock()) override { return Find(key) != nullptr; }
    [[nodiscard]] KTErr GetRawSize(const KCResKey& key, std::uint64_t& size)
        KV_REQUIRES(lock()) override;
    [[nodiscard]] KTErr LoadRaw(const KCResKey& key, Utils::KCStMemObj& out, unsigned int flags)
        KV_REQUIRES(lock()) override;
    [[nodiscard]] KTErr GetModTime(const KCResKey& key, std::int64_t& seconds)
        KV_REQUIRES(lock()) override;
    // A module's resources are read-only here: eRMResUpdateFailed.
    [[nodiscard]] KTErr Stage(const KCResKey&, const void*, unsigned int, EStageMode)
        KV_REQUIRES(lock()) override {
        return eRMResUpdateFailed;
    }
    [[nodiscard]] KTErr StageDelete(const KCResKey&) KV_REQUIRES(lock()) override {
        return eRMResUpdateFailed;
    }
    [[nodiscard]] KTErr WriteOne(const KCResKey&) KV_REQUIRES(lock()) override {
        return eRMResUpdateFailed;
    }
    [[nodiscard]] KTErr WriteAll() KV_REQUIRES(lock()) override { return eRMResUpdateFailed; }
    [[nodiscard]] KTErr ActualPath(const KCResKey& key, FM::KCStPath& out)
        KV_REQUIRES(lock()) override;
    [[nodiscard]] KTErr TheoreticalPath(const KCResKey& key, FM::KCStPath& out)
        KV_REQUIRES(lock()) override;

private:
    [[nodiscard]] const KSEmbeddedResource* Find(const KCResKey& key) const;

    void* m_module = nullptr;  // our own reference, given back by the destructor
    const KSEmbeddedResourceTable* m_table = nullptr;
};

}  // namespace kvKorvaneV10_0_3::RM
