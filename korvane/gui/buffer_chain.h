// Joining the parameter-change buffer chains that controls and the standard GUI hand on.
#pragma once

#include "korvane/process/host_callback.h"

namespace kvKorvaneV10_0_3 {

// `second` appended to the end of `first`; either may be null. A `second` already inside
// `first` is not appended again, so a chain can never loop. Returns the head. [any-thread] on
// distinct chains.
inline KPAPI_PROCESS_MEMORY::BUFFER_HEADER* ChainBuffers(
    KPAPI_PROCESS_MEMORY::BUFFER_HEADER* first, KPAPI_PROCESS_MEMORY::BUFFER_HEADER* second) {
    if (first == nullptr) {
        return second;
    }
    if (second == nullptr) {
        return first;
    }
    KPAPI_PROCESS_MEMORY::BUFFER_HEADER* last = first;
    for (;;) {
        if (last == second) {
            return first;
        }
        if (last->next == nullptr) {
            break;
        }
        last = last->next;
    }
    last->next = second;
    return first;
}

}  // namespace kvKorvaneV10_0_3
