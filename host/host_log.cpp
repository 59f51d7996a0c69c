// The reference host's event and misuse logs.
#include "host/host_log.h"

#include "korvane/process/host_callback.h"

#include <algorithm>

namespace KorvaneHost {

void EventLog::Add(const HostEvent& event) {
    const std::lock_guard lock(m_mutex);
    m_events.push_back(event);
}

std::vector<HostEvent> EventLog::All() const {
    const std::lock_guard lock(m_mutex);
    return m_events;
}

std::vector<HostEvent> EventLog::Take() {
    std::vector<HostEvent> taken;
    const std::lock_guard lock(m_mutex);
    taken.swap(m_events);
    return taken;
}

std::vector<HostEvent> EventLog::Of(int selector) const {
    const std::lock_guard lock(m_mutex);
    std::vector<HostEvent> result;
    std::copy_if(m_events.begin(), m_events.end(), std::back_inserter(result),
                 [selector](const HostEvent& e) { return e.selector == selector; });
    return result;
}

std::vector<int> EventLog::Selectors() const {
    const std::lock_guard lock(m_mutex);
    std::vector<int> result;
    result.reserve(m_events.size());
    for (const auto& e : m_events) {
        result.push_back(e.selector);
    }
    return result;
}

std::vector<int> EventLog::Gestures(std::int64_t control) const {
    const std::lock_guard lock(m_mutex);
    std::vector<int> result;
    for (const auto& e : m_events) {
        if ((e.selector == kvKorvaneV10_0_3::ProcessMemory::eSelAutomationTouch ||
             e.selector == kvKorvaneV10_0_3::ProcessMemory::eSelAutomationRelease) &&
            e.a == control) {
            result.push_back(e.selector);
        }
    }
    return result;
}

void EventLog::Clear() {
    const std::lock_guard lock(m_mutex);
    m_events.clear();
}

void MisuseLog::Add(const MisuseReport& report) {
    const std::lock_guard lock(m_mutex);
    m_reports.push_back(report);
}

std::vector<MisuseReport> MisuseLog::All() const {
    const std::lock_guard lock(m_mutex);
    return m_reports;
}

std::size_t MisuseLog::Count() const {
    const std::lock_guard lock(m_mutex);
    return m_reports.size();
}

std::size_t MisuseLog::Count(MisuseKind kind) const {
    const std::lock_guard lock(m_mutex);
    return static_cast<std::size_t>(
        std::count_if(m_reports.begin(), m_reports.end(),
                      [kind](const MisuseReport& r) { return r.kind == kind; }));
}

void MisuseLog::Clear() {
    const std::lock_guard lock(m_mutex);
    m_reports.clear();
}

}  // namespace KorvaneHost
