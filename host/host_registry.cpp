// Refcon routing and the directory of live headers shared by every reference host.
#include "host/host_registry.h"

#include "host/reference_host.h"

#include "korvane/core/error_codes.h"

#include <atomic>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>

namespace KorvaneHost {
namespace {

struct Hosts {
    // Held shared for a whole dispatch, so a host cannot vanish under a call.
    std::shared_mutex mutex;
    std::unordered_map<int, ReferenceHost*> byRefcon;
    std::atomic<int> nextRefcon{0x4B480001};
    std::atomic<std::uint64_t> unknownCalls{0};
};

// Leaf lock: nothing is called while it is held.
struct Headers {
    std::mutex mutex;
    std::unordered_map<const void*, int> owner;
};

Hosts& TheHosts() {
    static Hosts hosts;
    return hosts;
}

Headers& TheHeaders() {
    static Headers headers;
    return headers;
}

}  // namespace

int HostExecCallBack(int selector, int refcon, void* a, void* b, void* c) {
    Hosts& hosts = TheHosts();
    const std::shared_lock lock(hosts.mutex);
    const auto it = hosts.byRefcon.find(refcon);
    if (it == hosts.byRefcon.end()) {
        hosts.unknownCalls.fetch_add(1, std::memory_order_relaxed);
        return korvane::eValueNotFound;
    }
    return it->second->Dispatch(selector, a, b, c);
}

std::uint64_t UnknownRefconCalls() {
    return TheHosts().unknownCalls.load(std::memory_order_relaxed);
}

namespace Registry {

int Register(ReferenceHost* host) {
    Hosts& hosts = TheHosts();
    const int refcon = hosts.nextRefcon.fetch_add(1);
    const std::unique_lock lock(hosts.mutex);
    hosts.byRefcon[refcon] = host;
    return refcon;
}

void Unregister(int refcon) {
    Hosts& hosts = TheHosts();
    const std::unique_lock lock(hosts.mutex);
    hosts.byRefcon.erase(refcon);
}

void AddHeader(const void* header, int refcon) {
    Headers& headers = TheHeaders();
    const std::lock_guard lock(headers.mutex);
    headers.owner[header] = refcon;
}

void RemoveHeader(const void* header) {
    Headers& headers = TheHeaders();
    const std::lock_guard lock(headers.mutex);
    headers.owner.erase(header);
}

int HeaderOwner(const void* header) {
    Headers& headers = TheHeaders();
    const std::lock_guard lock(headers.mutex);
    const auto it = headers.owner.find(header);
    return it == headers.owner.end() ? 0 : it->second;
}

}  // namespace Registry
}  // namespace KorvaneHost
