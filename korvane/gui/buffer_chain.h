// Joining the parameter-change buffer chains that controls and the standard GUI hand on.
#pragma once

#include "korvane/process/host_callback.h"

namespace kvKorvaneV10_0_3 {

// `second` appended to the end of `first`, as the host joins chains; either may be null. Two
// chains that already share a buffer are left as they are (joining them would make a loop).
// Returns the head. [any-thread] on distinct chains.
inline KPAPI_PROCESS_MEMORY::BUFFER_HEADER* ChainBuffers(
    KPAPI_PROCESS_MEMORY::BUFFER_HEADER* first, KPAPI_PROCESS_MEMORY::BUFFER_HEADER* second) {
    if (first == nullptr) {
        return second;
    }
    if (second == nullptr) {
        return first;
    }
    // Chains are a handful of buffers: a quadratic check costs nothing.
    for (const KPAPI_PROCESS_MEMORY::BUFFER_HEADER* b = second; b != nullptr; b = b->next) {
        for (const KPAPI_PROCESS_MEMORY::BUFFER_HEADER* a = first; a != nullptr; a = a->next) {
            if (a == b) {
                return first;
            }
        }
    }
    KPAPI_PROCESS_MEMORY::BUFFER_HEADER* last = first;
    while (last->next != nullptr) {
        last = last->next;
    }
    last->next = second;
    return first;
}

}  // namespace kvKorvaneV10_0_3
