// The process-wide tables behind the plain C exec callback: which host a refcon names, and
// which host allocated each live buffer header.
#pragma once

#include <cstdint>

namespace KorvaneHost {

class ReferenceHost;

// The exec callback handed to plug-ins: routes to the host registered under `refcon`; an
// unknown refcon answers eValueNotFound. [any-thread]
int HostExecCallBack(int selector, int refcon, void* a, void* b, void* c);

// Calls that named no registered host since the process started. [any-thread]
std::uint64_t UnknownRefconCalls();

namespace Registry {

// A fresh non-zero refcon for `host`; Unregister waits for calls in flight. [any-thread]
int Register(ReferenceHost* host);
void Unregister(int refcon);

// Live buffer headers by owner refcon (pointers are only compared, never followed).
void AddHeader(const void* header, int refcon);
void RemoveHeader(const void* header);
// The owner's refcon, or 0 when no live host allocated `header`.
int HeaderOwner(const void* header);

}  // namespace Registry
}  // namespace KorvaneHost
