// Lock contracts the compiler can check. Under clang each macro becomes the matching
// thread-safety attribute, and -Wthread-safety reports a guarded member touched without its
// lock, a lock left held at a return, or a "lock held" function called without it. Other
// compilers see nothing. The thread and state tags of the comments ([gui-thread],
// [any-thread & lock held], ...) are defined in docs/architecture.md.
#pragma once

#if defined(__clang__)
#define KV_THREAD_ANNOTATION_(x) __attribute__((x))
#else
#define KV_THREAD_ANNOTATION_(x)
#endif

// On a class: its objects are locks; `name` only appears in the diagnostics ("mutex").
#define KV_CAPABILITY(name) KV_THREAD_ANNOTATION_(capability(name))

// On a class: an object that holds a lock for its own lifetime (a scope guard).
#define KV_SCOPED_CAPABILITY KV_THREAD_ANNOTATION_(scoped_lockable)

// On a member: read and written only while the lock is held.
#define KV_GUARDED_BY(lock) KV_THREAD_ANNOTATION_(guarded_by(lock))

// On a pointer member: what it points to is read and written only while the lock is held.
#define KV_PT_GUARDED_BY(lock) KV_THREAD_ANNOTATION_(pt_guarded_by(lock))

// On a function: the caller must hold the lock(s).
#define KV_REQUIRES(...) KV_THREAD_ANNOTATION_(requires_capability(__VA_ARGS__))

// On a function: takes the lock(s) and returns holding them (none named: the object itself).
#define KV_ACQUIRE(...) KV_THREAD_ANNOTATION_(acquire_capability(__VA_ARGS__))

// On a function: gives up the lock(s) (none named: the object itself).
#define KV_RELEASE(...) KV_THREAD_ANNOTATION_(release_capability(__VA_ARGS__))

// On a function: takes the lock(s) when it returns `result` (true for the usual try-lock).
#define KV_TRY_ACQUIRE(...) KV_THREAD_ANNOTATION_(try_acquire_capability(__VA_ARGS__))

// On a function: the caller must not hold the lock(s); the function takes them itself.
#define KV_EXCLUDES(...) KV_THREAD_ANNOTATION_(locks_excluded(__VA_ARGS__))

// On a function: returns a reference to the lock named, so contracts can name it from outside.
#define KV_RETURN_CAPABILITY(lock) KV_THREAD_ANNOTATION_(lock_returned(lock))

// On a function definition or declaration: the analysis skips its body. Every use says why.
#define KV_NO_THREAD_SAFETY_ANALYSIS KV_THREAD_ANNOTATION_(no_thread_safety_analysis)
