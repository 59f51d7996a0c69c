// The reference host's records: the notifications and queries it received, and the misuse it
// refused. Both logs are safe to read while other threads append.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

namespace KorvaneHost {

// One notification or query. For 16 `value` is the state b points to; for 30 `a` and `b` are
// the words a and c point to; otherwise a and b are the arguments as integers.
struct HostEvent {
    int selector = 0;
    std::int64_t a = 0;
    std::int64_t b = 0;
    double value = 0.0;
};

class EventLog {
public:
    // [any-thread]
    void Add(const HostEvent& event);
    [[nodiscard]] std::vector<HostEvent> All() const;
    // Every event so far, leaving the log empty: what a host reading it as it goes needs.
    [[nodiscard]] std::vector<HostEvent> Take();
    [[nodiscard]] std::vector<HostEvent> Of(int selector) const;
    // The selectors in arrival order.
    [[nodiscard]] std::vector<int> Selectors() const;
    // The automation touches (17) and releases (18) for one control, in arrival order: the
    // gestures a GUI or editor opened and closed on it.
    [[nodiscard]] std::vector<int> Gestures(std::int64_t control) const;
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::vector<HostEvent> m_events;
};

enum class MisuseKind {
    DoubleFree,       // 4 on a chain this host already freed
    UseAfterFree,     // 0, 1 or 3 on a freed buffer
    WrongHost,        // a buffer another live host allocated
    UnknownPointer,   // a pointer no host allocated
    NullPointer,      // a null chain, request or out pointer
    Cycle,            // a join that would link a chain into itself
    BadRequest,       // an allocation outside the sized memory, an unknown space or operation
    UnpairedTouch,    // a touch (17) while that control's gesture is open, or one never released
    UnpairedRelease,  // a release (18) without a touch in progress on that control
};

struct MisuseReport {
    MisuseKind kind = MisuseKind::UnknownPointer;
    int selector = 0;
    const void* pointer = nullptr;  // never dereferenced
};

class MisuseLog {
public:
    // [any-thread]
    void Add(const MisuseReport& report);
    [[nodiscard]] std::vector<MisuseReport> All() const;
    [[nodiscard]] std::size_t Count() const;
    [[nodiscard]] std::size_t Count(MisuseKind kind) const;
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::vector<MisuseReport> m_reports;
};

}  // namespace KorvaneHost
