// The algorithm's view of its Redis reporter: the reporting layer sits above the algorithm, so
// the algorithm owns its reporter through this base, made by a factory the library installs.
#pragma once

#include "korvane/core/export.h"

#include <memory>

namespace kvKorvaneV10_0_3 {

class cALGORITHM;

// Implemented by Redis::KCPluginRedisReporter. Owned by the algorithm from
// StartRedisReporting until StopRedisReporting or the algorithm's end.
class KORVANE_API KCRedisReporterAbs {
public:
    KCRedisReporterAbs() = default;
    KCRedisReporterAbs(const KCRedisReporterAbs&) = delete;
    KCRedisReporterAbs& operator=(const KCRedisReporterAbs&) = delete;
    // Ends the subscription: no text command runs once it returns.
    virtual ~KCRedisReporterAbs();

    // Runs the text commands that touch the GUI, the controls or undo, queued by the
    // subscription thread; called from the algorithm's idle call. [gui-thread]
    virtual void RunIdleCommands() = 0;
    // One field of the instance's runtime details ("alg state", ...). [any-thread]
    virtual void ReportRuntimeDetail(const char* field, const char* value) = 0;
    // Starts or ends listening for text commands on the instance's channel. [gui-thread]
    virtual bool StartListening() = 0;
    virtual void StopListening() = 0;
    [[nodiscard]] virtual bool IsConnected() const = 0;

    // Makes the reporter of an algorithm; null when reporting is off (no configuration).
    using Factory = std::unique_ptr<KCRedisReporterAbs> (*)(cALGORITHM& alg);
    // Installs the factory StartRedisReporting uses; the reporting layer installs its own when
    // the library loads. Returns the previous one. [gui-thread]
    static Factory SetFactory(Factory factory);
    [[nodiscard]] static Factory GetFactory();
};

}  // namespace kvKorvaneV10_0_3
