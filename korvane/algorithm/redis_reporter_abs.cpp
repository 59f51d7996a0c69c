// The factory slot of the Redis reporter interface.
#include "korvane/algorithm/redis_reporter_abs.h"

#include <atomic>

namespace kvKorvaneV10_0_3 {

namespace {
// Constant-initialised, so the reporting layer's static registration may run in any order.
std::atomic<KCRedisReporterAbs::Factory> g_factory{nullptr};
}  // namespace

KCRedisReporterAbs::~KCRedisReporterAbs() = default;

KCRedisReporterAbs::Factory KCRedisReporterAbs::SetFactory(Factory factory) {
    return g_factory.exchange(factory);
}

KCRedisReporterAbs::Factory KCRedisReporterAbs::GetFactory() {
    return g_factory.load();
}

}  // namespace kvKorvaneV10_0_3
