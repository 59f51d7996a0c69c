// KvGain: the factor from the two parameters.
#include "kv_gain.h"

#include "korvane/graphs/gain_conversion.h"

namespace kvgain {

KvGain::KvGain(const korvane::KorvaneComponentInfo& info, KTResContainerType*& resources)
    : cALGORITHM(info, resources) {}

void KvGain::StoreFactor(std::vector<unsigned char>& image, double factor) const {
    const auto word = static_cast<std::size_t>(GetDSPWordSize());
    const auto& conversions = Process().GetConversions();
    if (conversions.doubleToCoef != nullptr && image.size() >= (kFactorCoef + 1) * word) {
        conversions.doubleToCoef(factor, image.data() + kFactorCoef * word);
    }
}

int KvGain::InitDataSelf() {
    // The bypass image: a factor of one, so bypassing passes the sound through.
    for (int setup = 0; setup < 2; ++setup) {
        StoreFactor(Process().CoefImage(setup, true), 1.0);
    }
    return 0;
}

korvane::BUFFER_HEADER* KvGain::FactorBuffer() {
    const auto setup = GetActiveSetup();
    const double gain = korvane::dbToGain(GetParam(kGain).GetRealWorld(setup));
    const bool invert = GetParam(kInvert).GetRealWorld(setup) != 0.0;
    StoreFactor(Process().CoefImage(setup, false), invert ? -gain : gain);
    return PrepareCoefBufferWithBypass(static_cast<int>(kFactorCoef), 1, true);
}

korvane::BUFFER_HEADER* KvGain::UpdateParamSelf(unsigned int index) {
    return index == kGain || index == kInvert ? FactorBuffer() : nullptr;
}

korvane::BUFFER_HEADER* KvGain::UpdateAlgSelf() {
    return FactorBuffer();
}

korvane::BUFFER_HEADER* KvGain::InitAlgSelf() {
    return FactorBuffer();
}

}  // namespace kvgain
