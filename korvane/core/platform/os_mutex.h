// A recursive OS mutex that knows its owner, behind functions that include no OS header.
#pragma once

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

}  // namespace kvKorvaneV10_0_3::platform
