// Module containers: lookup in the embedded table with the type upper-cased and decimal names
// compared as numbers, as resource identifiers are.
#include "korvane/rm/module_container.h"

#include "korvane/fm/file_io.h"
#include "korvane/rm/platform/native_module.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <utility>

namespace kvKorvaneV10_0_3::RM {

namespace {

std::string Upper(const char* text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

bool ParseDecimal(const char* text, long long& value) {
    if (*text == '\0' || std::strlen(text) > 12) {
        return false;
    }
    value = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') {
            return false;
        }
        value = value * 10 + (*p - '0');
    }
    return true;
}

bool SameName(const char* a, const char* b) {
    long long na = 0;
    long long nb = 0;
    if (ParseDecimal(a, na) && ParseDecimal(b, nb)) {
        return na == nb;
    }
    return Upper(a) == Upper(b);
}

}  // namespace

KCResContainer_dll::KCResContainer_dll(KCResContainerInfo info,
                                       std::shared_ptr<KCResourceRegistry> registry)
    : KCResContainer_Base(std::move(info), std::move(registry)) {}

KCResContainer_dll::~KCResContainer_dll() {
    {
        // The records must go before the code that may own their dispose callbacks.
        const kvThread::ThreadMutexLock lock(this->lock());
        ReleaseAll();
    }
    platform::UnloadModule(m_module);
}

KTErr KCResContainer_dll::Create(KCResContainerInfo info, void* attached,
                                 std::shared_ptr<KCResourceRegistry> registry,
                                 std::shared_ptr<KCResContainer_Base>& out) {
    void* module = nullptr;
    if (attached != nullptr) {
        std::string path;
        if (const KTErr err = platform::ReferenceLoadedModule(attached, module, path);
            err != eNoErr) {
            return err;
        }
        info.path = FM::KCStPath(path.c_str());
    } else if (const KTErr err = platform::LoadModule(info.path.GetPathString().c_str(), module);
               err != eNoErr) {
        return err;
    }
    auto container = std::make_shared<KCResContainer_dll>(std::move(info), std::move(registry));
    container->m_module = module;
    const auto* table = static_cast<const KSEmbeddedResourceTable*>(
        platform::FindSymbol(module, kEmbeddedResourceSymbol));
    if (table == nullptr || table->magic != kEmbeddedResourceMagic ||
        table->version != kEmbeddedResourceVersion ||
        (table->count != 0 && table->entries == nullptr)) {
        return eRMInvalidNativeResContainer;
    }
    for (unsigned int i = 0; i < table->count; ++i) {
        const KSEmbeddedResource& entry = table->entries[i];
        if (entry.type == nullptr || entry.name == nullptr ||
            (entry.data == nullptr && entry.size != 0) || entry.size > 0xFFFFFFFFull) {
            return eRMInvalidNativeResContainer;
        }
    }
    container->m_table = table;
    out = std::move(container);
    return eNoErr;
}

KTNativeDLLRefType* KCResContainer_dll::GetModule() const {
    return static_cast<KTNativeDLLRefType*>(m_module);
}

const KSEmbeddedResource* KCResContainer_dll::Find(const KCResKey& key) const {
    if (!key.IsSafe()) {
        return nullptr;
    }
    const std::string type = Upper(key.GetType().c_str());
    const KCFixedString<255> name = key.GetQualifiedName();
    for (unsigned int i = 0; i < m_table->count; ++i) {
        const KSEmbeddedResource& entry = m_table->entries[i];
        if (Upper(entry.type) == type && SameName(entry.name, name.c_str())) {
            return &entry;
        }
    }
    return nullptr;
}

KTErr KCResContainer_dll::GetTypes(std::vector<KCResType>& out) {
    std::set<std::string> types;
    for (unsigned int i = 0; i < m_table->count; ++i) {
        types.insert(Upper(m_table->entries[i].type));
    }
    out.clear();
    for (const auto& type : types) {
        out.emplace_back(type.c_str());
    }
    return eNoErr;
}

KTErr KCResContainer_dll::GetNames(const KCResType& type, std::vector<KCFixedString<255>>& out) {
    std::set<std::string> names;
    const std::string wanted = Upper(type.c_str());
    for (unsigned int i = 0; i < m_table->count; ++i) {
        if (Upper(m_table->entries[i].type) == wanted) {
            names.insert(m_table->entries[i].name);
        }
    }
    out.clear();
    for (const auto& name : names) {
        out.emplace_back(name.c_str());
    }
    return eNoErr;
}

KTErr KCResContainer_dll::GetRawSize(const KCResKey& key, std::uint64_t& size) {
    const KSEmbeddedResource* entry = Find(key);
    if (entry == nullptr) {
        return key.IsSafe() ? eRMResNotFound : eRMInvalidResID;
    }
    size = entry->size;
    return eNoErr;
}

KTErr KCResContainer_dll::LoadRaw(const KCResKey& key, Utils::KCStMemObj& out,
                                  unsigned int /*flags*/) {
    const KSEmbeddedResource* entry = Find(key);
    if (entry == nullptr) {
        return key.IsSafe() ? eRMResNotFound : eRMInvalidResID;
    }
    return out.Assign(reinterpret_cast<const char*>(entry->data),
                      static_cast<unsigned int>(entry->size));
}

KTErr KCResContainer_dll::GetModTime(const KCResKey& key, std::int64_t& seconds) {
    if (Find(key) == nullptr) {
        return key.IsSafe() ? eRMResNotFound : eRMInvalidResID;
    }
    return FM::GetFileLastWriteTimeFromPathRef(info().path.GetPathRef(), seconds);
}

KTErr KCResContainer_dll::ActualPath(const KCResKey& key, FM::KCStPath& out) {
    if (Find(key) == nullptr) {
        return key.IsSafe() ? eRMResNotFound : eRMInvalidResID;
    }
    out = info().path;
    return eNoErr;
}

KTErr KCResContainer_dll::TheoreticalPath(const KCResKey& key, FM::KCStPath& out) {
    if (!key.IsSafe()) {
        return eRMInvalidResID;
    }
    FM::KCStPath path(info().path, Upper(key.GetType().c_str()).c_str());
    if (const KTErr err = path.Append(key.GetQualifiedName().c_str()); err != eNoErr) {
        return err;
    }
    out = std::move(path);
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3::RM
