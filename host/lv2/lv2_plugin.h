// A plug-in bundle's algorithm created on an LV2 host: its whole life cycle, its automation
// controls as the ports an LV2 host sees, parameter changes applied off the audio thread, and
// its state chunk.
#pragma once

#include "host/lv2/lv2_host.h"
#include "host/plugin_loader.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/scan/component_info.h"

#include <atomic>
#include <memory>
#include <optional>
#include <semaphore>
#include <string>
#include <thread>
#include <vector>

namespace KorvaneLv2 {

// One control input port: an automation control, in its lead parameter's real-world units.
struct ControlPort {
    unsigned int control = 0;
    unsigned int lead = 0;
    std::string name;
    std::string symbol;
    double minimum = 0.0;
    double maximum = 0.0;
    double initial = 0.0;
    std::string units;
    bool discrete = false;
    // Each state of a discrete lead: its real-world value and display text.
    std::vector<std::pair<double, std::string>> points;
};

class Lv2Plugin {
public:
    Lv2Plugin() = default;
    ~Lv2Plugin();
    Lv2Plugin(const Lv2Plugin&) = delete;
    Lv2Plugin& operator=(const Lv2Plugin&) = delete;

    // Loads <name>.bundle at `bundlePath` and creates the plug-in through its life cycle at
    // `sampleRate`; an empty text on success, else what failed. [any-thread & unshared]
    std::string Open(const std::string& bundlePath, double sampleRate);

    [[nodiscard]] kvKorvaneV10_0_3::cALGORITHM& Alg() const { return m_loader.Alg(); }
    [[nodiscard]] Lv2Host& Host() { return m_host; }
    [[nodiscard]] const std::vector<ControlPort>& Controls() const { return m_controls; }
    [[nodiscard]] int NumInputs() const { return Alg().GetNumInputs(); }
    [[nodiscard]] int NumOutputs() const { return Alg().GetNumOutputs(); }
    // The through delay as of the last change made on the control side. [any-thread]
    [[nodiscard]] int Latency() const { return m_latency.load(std::memory_order_relaxed); }

    // Sets control port `port` to a real-world value at once (the next block hears it).
    // [any-thread]
    void SetControl(std::size_t port, double realWorld);
    // The real-world value the plug-in last reported for a port, if it reported one.
    // [audio-thread]
    [[nodiscard]] std::optional<double> ReportedValue(std::size_t port) const;

    // Hands a port value to the control thread, which applies it. [audio-thread]
    void QueueControl(std::size_t port, float realWorld);
    // Starts and stops the control thread. [any-thread & unshared]
    void StartControlThread();
    void StopControlThread();

    // The state chunk, and the plug-in brought up to date from one. [any-thread]
    [[nodiscard]] std::string SaveState();
    KTErr RestoreState(const void* data, std::size_t size);

    // Factory preset names in menu order, and loading one by name. [any-thread]
    [[nodiscard]] std::vector<std::string> FactoryPresetNames();
    KTErr LoadFactoryPreset(const std::string& name);
    // The real-world value of a port's lead parameter now. [any-thread]
    [[nodiscard]] double CurrentValue(std::size_t port) const;

private:
    void PostUpdate();
    void ControlLoop();
    void Wake();
    void RefreshLatency();

    Lv2Host m_host;
    // After the host: the plug-in is disposed of while its host still stands.
    KorvaneHost::PluginLoader m_loader;
    std::vector<ControlPort> m_controls;
    // The plug-in's through delay, copied after each change so the audio thread can read it
    // while the control thread changes the plug-in.
    std::atomic<int> m_latency{0};

    // Values queued by the audio thread: NaN where nothing is pending.
    std::unique_ptr<std::atomic<float>[]> m_pending;
    std::binary_semaphore m_wake{0};
    // Set while a release of m_wake is pending, so it is never released twice.
    std::atomic<bool> m_signalled{false};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// The control input ports of a created plug-in, in port order, with their symbols.
std::vector<ControlPort> DescribeControls(kvKorvaneV10_0_3::cALGORITHM& alg);
// Sets a control to a real-world value (clamped to the port's range; a non-number is ignored),
// and the real-world value of its lead parameter now. [any-thread]
void ApplyControl(kvKorvaneV10_0_3::cALGORITHM& alg, const ControlPort& control, double realWorld);
[[nodiscard]] double ControlValue(kvKorvaneV10_0_3::cALGORITHM& alg, const ControlPort& control);

// A port symbol from a control name: letters, digits and '_', never starting with a digit,
// lower case.
std::string PortSymbol(const std::string& name);

// The control input ports' symbols, one per name, apart from each other and from every other
// port's: in_1 ..., out_1 ..., latency, and each control's output `<symbol>_out`. A repeat
// takes `_2`, `_3` ...
std::vector<std::string> ControlSymbols(const std::vector<std::string>& names, int numInputs,
                                        int numOutputs);

// True when every state of a discrete port is a whole number, so the port may be declared
// integer.
bool IntegerValued(const ControlPort& port);

}  // namespace KorvaneLv2
