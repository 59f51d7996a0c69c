// The steps a host takes before an algorithm processes, for tests that play the host: the
// callback installed, then FinishCreate, InitProcessCode, InitData and InitInstanceData.
#pragma once

#include "host/reference_host.h"

#include "korvane/algorithm/algorithm.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

namespace KorvaneHost::testing {

// Connects `alg` to `host` and runs the life cycle up to (not including) InitAlg, stopping at
// `lastStep` ("FinishCreate", "InitData", ...) when given; fails naming the first step that
// did not answer 0.
inline ::testing::AssertionResult ConnectAndInit(ReferenceHost& host,
                                                 kvKorvaneV10_0_3::cALGORITHM& alg,
                                                 const std::string& lastStep = {}) {
    using kvKorvaneV10_0_3::cALGORITHM;
    const std::initializer_list<std::pair<const char*, int (cALGORITHM::*)()>> steps = {
        {"FinishCreate", &cALGORITHM::FinishCreate},
        {"InitProcessCode", &cALGORITHM::InitProcessCode},
        {"InitData", &cALGORITHM::InitData},
        {"InitInstanceData", &cALGORITHM::InitInstanceData},
    };
    if (const int err = alg.SetExecCallBack(ReferenceHost::Callback(), host.Refcon()); err != 0) {
        return ::testing::AssertionFailure() << "SetExecCallBack answered " << err;
    }
    for (const auto& [name, run] : steps) {
        if (const int err = (alg.*run)(); err != 0) {
            return ::testing::AssertionFailure() << name << " answered " << err;
        }
        if (lastStep == name) {
            break;
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace KorvaneHost::testing
