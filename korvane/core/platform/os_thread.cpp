// Linux threads: pthreads for creation and naming, gettid for ids, sched and setpriority for
// the per-thread policy and nice value (Linux applies both to single threads).
#include "korvane/core/platform/os_thread.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <new>

namespace kvKorvaneV10_0_3::platform {

static_assert(sizeof(pthread_t) <= sizeof(NativeThread), "pthread_t must fit a handle");

namespace {

pthread_t ToPthread(NativeThread t) {
    return static_cast<pthread_t>(t);
}

int NiceOf(id_t id) {
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, id);
    return errno == 0 ? nice : 0;
}

}  // namespace

unsigned int CurrentThreadId() {
    thread_local const auto id = static_cast<unsigned int>(gettid());
    return id;
}

int StartNativeThread(void (*entry)(void*), void* arg, NativeThread& out) {
    out = 0;
    pthread_t thread{};
    // The cast only forgets the return type; the trampoline the caller passes returns nothing.
    struct Start {
        void (*entry)(void*);
        void* arg;
    };
    auto* start = new (std::nothrow) Start{entry, arg};
    if (start == nullptr) {
        return ENOMEM;
    }
    const int rc = pthread_create(
        &thread, nullptr,
        [](void* p) -> void* {
            const Start s = *static_cast<Start*>(p);
            delete static_cast<Start*>(p);
            s.entry(s.arg);
            return nullptr;
        },
        start);
    if (rc != 0) {
        delete start;
        return rc;
    }
    out = static_cast<NativeThread>(thread);
    return 0;
}

int JoinNativeThread(NativeThread thread) {
    return pthread_join(ToPthread(thread), nullptr);
}

int DetachNativeThread(NativeThread thread) {
    return pthread_detach(ToPthread(thread));
}

NativeThread CurrentNativeThread() {
    return static_cast<NativeThread>(pthread_self());
}

int SetNativeThreadName(NativeThread thread, const char* name) {
    return pthread_setname_np(ToPthread(thread), name);
}

int GetNativeThreadName(NativeThread thread, char* buffer, unsigned int size) {
    return pthread_getname_np(ToPthread(thread), buffer, size);
}

ThreadSchedule CurrentThreadSchedule() {
    ThreadSchedule schedule;
    int policy = SCHED_OTHER;
    sched_param param{};
    if (pthread_getschedparam(pthread_self(), &policy, &param) == 0 &&
        (policy == SCHED_FIFO || policy == SCHED_RR)) {
        schedule.realtime = true;
        schedule.rtPriority = param.sched_priority;
    }
    schedule.nice = NiceOf(static_cast<id_t>(CurrentThreadId()));
    return schedule;
}

SchedulingLimits CurrentSchedulingLimits() {
    SchedulingLimits limits;
    limits.processNice = NiceOf(static_cast<id_t>(getpid()));
    const int own = NiceOf(static_cast<id_t>(CurrentThreadId()));
    // Root normally holds CAP_SYS_NICE; a container may have dropped it, which the caller
    // finds out when applying and then falls back.
    if (geteuid() == 0) {
        limits.lowestNice = -20;
        limits.maxRtPriority = sched_get_priority_max(SCHED_FIFO);
        return limits;
    }
    rlimit rl{};
    limits.lowestNice = own;
    if (getrlimit(RLIMIT_NICE, &rl) == 0) {
        const long ceiling = rl.rlim_cur == RLIM_INFINITY ? 40 : static_cast<long>(rl.rlim_cur);
        const int allowed = static_cast<int>(20 - (ceiling > 40 ? 40 : ceiling));
        limits.lowestNice = allowed < own ? allowed : own;
    }
    if (getrlimit(RLIMIT_RTPRIO, &rl) == 0) {
        const int top = sched_get_priority_max(SCHED_FIFO);
        limits.maxRtPriority =
            rl.rlim_cur == RLIM_INFINITY || rl.rlim_cur > static_cast<rlim_t>(top)
                ? top
                : static_cast<int>(rl.rlim_cur);
    }
    return limits;
}

int ApplyCurrentThreadSchedule(const ThreadSchedule& schedule) {
    const ThreadSchedule before = CurrentThreadSchedule();
    sched_param param{};
    if (schedule.realtime) {
        param.sched_priority = schedule.rtPriority;
        return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
    }
    if (before.realtime) {
        if (const int rc = pthread_setschedparam(pthread_self(), SCHED_OTHER, &param); rc != 0) {
            return rc;
        }
    }
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(CurrentThreadId()), schedule.nice) != 0) {
        const int rc = errno;
        if (before.realtime) {
            param.sched_priority = before.rtPriority;
            pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
        }
        return rc;
    }
    return 0;
}

}  // namespace kvKorvaneV10_0_3::platform
