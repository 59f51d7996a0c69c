// Kernel thread ids, thread creation, naming and scheduling, behind functions that include no
// OS header. Results are errno values (0 = success) for the caller to convert.
#pragma once

#include <cstdint>

namespace kvKorvaneV10_0_3::platform {

// A joinable or detached OS thread; 0 is never a live thread.
using NativeThread = std::uint64_t;

struct ThreadSchedule {
    bool realtime = false;  // SCHED_FIFO at rtPriority, else SCHED_OTHER at nice
    int nice = 0;
    int rtPriority = 0;
};

struct SchedulingLimits {
    int processNice = 0;    // nice of the process's main thread
    int lowestNice = 0;     // most favourable nice the calling thread may take
    int maxRtPriority = 0;  // highest SCHED_FIFO priority allowed, 0 = none
};

// The kernel's id of the calling thread (gettid), cached per thread.
unsigned int CurrentThreadId();

// Runs entry(arg) on a new thread with the default stack; `out` is 0 on failure.
int StartNativeThread(void (*entry)(void*), void* arg, NativeThread& out);
int JoinNativeThread(NativeThread thread);
int DetachNativeThread(NativeThread thread);
NativeThread CurrentNativeThread();

// `name` must already fit the kernel's 15 characters.
int SetNativeThreadName(NativeThread thread, const char* name);
int GetNativeThreadName(NativeThread thread, char* buffer, unsigned int size);

ThreadSchedule CurrentThreadSchedule();
SchedulingLimits CurrentSchedulingLimits();
// Moves the calling thread to `schedule`; on failure it keeps its previous one.
int ApplyCurrentThreadSchedule(const ThreadSchedule& schedule);

}  // namespace kvKorvaneV10_0_3::platform
