// KvGain: the smallest complete plug-in. One gain in dB and a polarity switch; the algorithm
// turns them into one factor, which the native process function multiplies every sample by.
#pragma once

#include "korvane/algorithm/algorithm.h"
#include "korvane/core/thread_annotations.h"

#include <vector>

namespace kvgain {

class KvGain : public korvane::cALGORITHM {
public:
    // Parameter indices, in the order of the parameter description.
    static constexpr unsigned int kGain = 0;
    static constexpr unsigned int kInvert = 1;
    // The process memory's one coefficient: the factor.
    static constexpr unsigned int kFactorCoef = 0;

    KvGain(const korvane::KorvaneComponentInfo& info, KTResContainerType*& resources);

protected:
    korvane::BUFFER_HEADER* UpdateParamSelf(unsigned int index) KV_REQUIRES(AlgLock()) override;
    korvane::BUFFER_HEADER* UpdateAlgSelf() KV_REQUIRES(AlgLock()) override;
    korvane::BUFFER_HEADER* InitAlgSelf() KV_REQUIRES(AlgLock()) override;
    void UpdateParamDisplaySelf(unsigned int /*index*/) override {}
    void ProcessHookSelf() override {}
    int InitDataSelf() override;

private:
    // Writes the factor of the current settings into the active image and makes its buffer.
    korvane::BUFFER_HEADER* FactorBuffer() KV_REQUIRES(AlgLock());
    void StoreFactor(std::vector<unsigned char>& image, double factor) const;
};

}  // namespace kvgain
