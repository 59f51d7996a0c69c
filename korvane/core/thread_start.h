// Starting the library's worker threads at a priority code, and naming threads for debuggers.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"

#include <cstdint>

namespace kvKorvaneV10_0_3 {
class KCFixedStringBase;

namespace kvThread {

// A started thread. kNullThreadHandle (0) is what a failed start yields; it is never a live
// thread. Every other handle must be passed once to JoinThread or DetachThread.
using KTThreadHandle = std::uint64_t;
inline constexpr KTThreadHandle kNullThreadHandle = 0;

// Priority codes; any value not listed means normal.
enum KEThreadPriority : int {
    eThreadPriorityNormal = 0,
    eThreadPriorityBelowNormal = 1,
    eThreadPriorityAsCreated = 2,  // keeps what the starting thread has
    eThreadPriorityAboveNormal = 3,
    eThreadPriorityTimeCritical = 4,
};

// A thread's Linux scheduling: SCHED_FIFO at rtPriority when realtime, else SCHED_OTHER at
// the nice value.
struct KSThreadSchedule {
    bool realtime = false;
    int nice = 0;
    int rtPriority = 0;
};

// What the process may ask of the scheduler.
struct KSSchedulingLimits {
    int processNice = 0;    // the process's (main thread's) nice value: "normal"
    int lowestNice = 0;     // the most favourable nice value a new thread may take
    int maxRtPriority = 0;  // the highest SCHED_FIFO priority allowed; 0 = none
};

// The schedule a priority code asks for under `limits`; false for eThreadPriorityAsCreated.
// Below normal = nice +5, above normal = nice -5, time critical = SCHED_FIFO 10 (capped by the
// limit) or, without real-time rights, nice -10; all relative to the process and clamped to
// what is allowed. [any-thread]
KORVANE_API bool PlanThreadSchedule(int priority, const KSSchedulingLimits& limits,
                                    KSThreadSchedule& out);
// The calling thread's schedule and limits. [any-thread]
KORVANE_API KSThreadSchedule GetCurrentThreadSchedule();
KORVANE_API KSSchedulingLimits GetSchedulingLimits();

// Runs entry(arg) on a new thread that first takes the schedule of `priority` (as closely as
// the process is allowed; it keeps the starting thread's when refused). On failure `out` is
// kNullThreadHandle, entry never runs and the OS error is returned. An exception leaving
// entry ends the process. [any-thread]
[[nodiscard]] KORVANE_API KTErr StartThread(void (*entry)(void*), void* arg, int priority,
                                            KTThreadHandle& out);
// Waits for the thread to end; eThreadSafeError for a null or own handle. [any-thread]
[[nodiscard]] KORVANE_API KTErr JoinThread(KTThreadHandle thread);
// Lets the thread end on its own. [any-thread]
[[nodiscard]] KORVANE_API KTErr DetachThread(KTThreadHandle thread);
KORVANE_API KTThreadHandle GetCurrentThreadHandle();

// Names a thread for debuggers, ps and top; the name is cut to the kernel's 15 bytes, never
// inside a UTF-8 character. [any-thread]
[[nodiscard]] KORVANE_API KTErr SetThreadName(KTThreadHandle thread, const char* name);
[[nodiscard]] KORVANE_API KTErr GetThreadName(KTThreadHandle thread, KCFixedStringBase& out);

}  // namespace kvThread
}  // namespace kvKorvaneV10_0_3
