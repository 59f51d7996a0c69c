// The calling thread's kernel id.
#include "korvane/core/thread_ref.h"

#include "korvane/core/platform/os_thread.h"

namespace kvKorvaneV10_0_3::kvThread {

KCThreadRef GetCurrentThreadRef() {
    return {platform::CurrentThreadId()};
}

}  // namespace kvKorvaneV10_0_3::kvThread
