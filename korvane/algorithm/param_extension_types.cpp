#include "korvane/algorithm/param_extension_types.h"

#include <mutex>
#include <utility>

namespace kvKorvaneV10_0_3 {

namespace {

struct KSRegistry {
    std::mutex mutex;
    ParamExtensionFactoryMap types;
};

// Built on first use: the library's own types register from static initialisers.
KSRegistry& Registry() {
    static KSRegistry registry;
    return registry;
}

}  // namespace

ParamExtensionFactory RegisterParamExtensionType(const char* type, ParamExtensionFactory factory) {
    KSRegistry& registry = Registry();
    const std::lock_guard<std::mutex> lock(registry.mutex);
    ParamExtensionFactory previous;
    const KCFixedString<63> key(type);
    if (auto it = registry.types.find(key); it != registry.types.end()) {
        previous = std::move(it->second);
        registry.types.erase(it);
    }
    if (factory) {
        registry.types.emplace(key, std::move(factory));
    }
    return previous;
}

void AddRegisteredParamExtensionTypes(ParamExtensionFactoryMap& map) {
    KSRegistry& registry = Registry();
    const std::lock_guard<std::mutex> lock(registry.mutex);
    for (const auto& [type, factory] : registry.types) {
        map[type] = factory;
    }
}

}  // namespace kvKorvaneV10_0_3
