// Thread start with the priority mapping, and thread naming.
#include "korvane/core/thread_start.h"

#include "korvane/core/fixed_string.h"
#include "korvane/core/platform/os_thread.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kvKorvaneV10_0_3::kvThread {

namespace {

constexpr int kNiceStep = 5;
constexpr int kTimeCriticalRtPriority = 10;  // above every normal thread, below host audio
constexpr int kMaxNice = 19;
constexpr unsigned int kMaxNameBytes = 15;

KSThreadSchedule FromPlatform(const platform::ThreadSchedule& s) {
    return {s.realtime, s.nice, s.rtPriority};
}

platform::ThreadSchedule ToPlatform(const KSThreadSchedule& s) {
    return {s.realtime, s.nice, s.rtPriority};
}

struct StartRecord {
    void (*entry)(void*);
    void* arg;
    int priority;
};

void TakePriority(int priority) {
    KSSchedulingLimits limits = GetSchedulingLimits();
    KSThreadSchedule plan;
    if (!PlanThreadSchedule(priority, limits, plan)) {
        return;
    }
    if (platform::ApplyCurrentThreadSchedule(ToPlatform(plan)) != 0 && plan.realtime) {
        // Real-time refused (a container may drop the right root normally has).
        limits.maxRtPriority = 0;
        PlanThreadSchedule(priority, limits, plan);
        platform::ApplyCurrentThreadSchedule(ToPlatform(plan));
    }
}

void Trampoline(void* p) {
    const StartRecord start = *static_cast<StartRecord*>(p);
    delete static_cast<StartRecord*>(p);
    TakePriority(start.priority);
    start.entry(start.arg);
}

}  // namespace

bool PlanThreadSchedule(int priority, const KSSchedulingLimits& limits, KSThreadSchedule& out) {
    const auto clampNice = [&limits](int nice) {
        return std::clamp(nice, std::min(limits.lowestNice, kMaxNice), kMaxNice);
    };
    const int normal = limits.processNice;
    out = KSThreadSchedule{false, clampNice(normal), 0};
    switch (priority) {
        case eThreadPriorityAsCreated:
            return false;
        case eThreadPriorityBelowNormal:
            out.nice = clampNice(normal + kNiceStep);
            break;
        case eThreadPriorityAboveNormal:
            out.nice = clampNice(normal - kNiceStep);
            break;
        case eThreadPriorityTimeCritical:
            if (limits.maxRtPriority > 0) {
                out.realtime = true;
                out.rtPriority = std::min(limits.maxRtPriority, kTimeCriticalRtPriority);
            } else {
                out.nice = clampNice(normal - 2 * kNiceStep);
            }
            break;
        default:
            break;
    }
    return true;
}

KSThreadSchedule GetCurrentThreadSchedule() {
    return FromPlatform(platform::CurrentThreadSchedule());
}

KSSchedulingLimits GetSchedulingLimits() {
    const platform::SchedulingLimits l = platform::CurrentSchedulingLimits();
    return {l.processNice, l.lowestNice, l.maxRtPriority};
}

KTErr StartThread(void (*entry)(void*), void* arg, int priority, KTThreadHandle& out) {
    out = kNullThreadHandle;
    if (entry == nullptr) {
        return eMemNullPointer;
    }
    auto* start = new (std::nothrow) StartRecord{entry, arg, priority};
    if (start == nullptr) {
        return eMemOutOfMemory;
    }
    platform::NativeThread thread = 0;
    if (const int rc = platform::StartNativeThread(&Trampoline, start, thread); rc != 0) {
        delete start;
        return ConvertErrorPOSIX(rc);
    }
    out = thread;
    return eNoErr;
}

KTErr JoinThread(KTThreadHandle thread) {
    // Joining oneself would deadlock; pthreads would only say EDEADLK.
    if (thread == kNullThreadHandle || thread == platform::CurrentNativeThread()) {
        return eThreadSafeError;
    }
    return ConvertErrorPOSIX(platform::JoinNativeThread(thread));
}

KTErr DetachThread(KTThreadHandle thread) {
    if (thread == kNullThreadHandle) {
        return eThreadSafeError;
    }
    return ConvertErrorPOSIX(platform::DetachNativeThread(thread));
}

KTThreadHandle GetCurrentThreadHandle() {
    return platform::CurrentNativeThread();
}

KTErr SetThreadName(KTThreadHandle thread, const char* name) {
    if (name == nullptr) {
        return eMemNullPointer;
    }
    if (thread == kNullThreadHandle) {
        return eThreadSafeError;
    }
    // No character is cut in half.
    const std::size_t len = KUUtf8CutLength(name, kMaxNameBytes);
    char cut[kMaxNameBytes + 1] = {};
    std::copy_n(name, len, cut);  // the rest of `cut` stays NUL
    return ConvertErrorPOSIX(platform::SetNativeThreadName(thread, cut));
}

KTErr GetThreadName(KTThreadHandle thread, KCFixedStringBase& out) {
    out.clear();
    if (thread == kNullThreadHandle) {
        return eThreadSafeError;
    }
    char name[kMaxNameBytes + 1] = {};
    if (const int rc = platform::GetNativeThreadName(thread, name, sizeof name); rc != 0) {
        return ConvertErrorPOSIX(rc);
    }
    out.assign(name);
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3::kvThread
