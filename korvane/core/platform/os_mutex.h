// A recursive OS mutex that knows its owner, and the futex calls under the library's own lock,
// behind functions that include no OS header.
#pragma once

#include <atomic>
#include <cstdint>

namespace kvKorvaneV10_0_3::platform {

struct RecursiveMutex;

// A new unlocked mutex; null when the OS refuses one.
RecursiveMutex* CreateRecursiveMutex();
// The mutex must not be held by another thread.
void DestroyRecursiveMutex(RecursiveMutex* m);

void LockRecursiveMutex(RecursiveMutex* m);
bool TryLockRecursiveMutex(RecursiveMutex* m);
// Does nothing unless the calling thread holds `m`.
void UnlockRecursiveMutex(RecursiveMutex* m);
bool RecursiveMutexHeldByCaller(const RecursiveMutex* m);

// Gives up every level the caller holds and returns how many; 0 when it held none.
unsigned int UnlockRecursiveMutexFully(RecursiveMutex* m);
// Takes `m` again `depth` times, undoing UnlockRecursiveMutexFully.
void RelockRecursiveMutex(RecursiveMutex* m, unsigned int depth);

// Sleeps while `word` still holds `expected`; may also return early or spuriously.
void FutexWait(std::atomic<std::uint32_t>& word, std::uint32_t expected);
// Wakes one thread sleeping in FutexWait on `word`, if any.
void FutexWakeOne(std::atomic<std::uint32_t>& word);
// Tells the CPU the caller is spinning (lets a sibling hyper-thread run).
void CpuRelax();

}  // namespace kvKorvaneV10_0_3::platform
