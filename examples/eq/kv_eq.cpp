// KvEQ: coefficients from the parameters, one band at a time.
#include "examples/eq/kv_eq.h"

#include "korvane/graphs/filter_design.h"
#include "korvane/graphs/gain_conversion.h"

namespace kvexample {

using namespace kvKorvaneV10_0_3;

KvEQ::KvEQ(const KorvaneComponentInfo& info, KTResContainerType*& resources)
    : cALGORITHM(info, resources) {}

BIQUAD KvEQ::DesignBand(int type, double freq, double gainDb, double q, bool on, int sampleRate) {
    BIQUAD section;
    if (!on) {
        return section;  // unity
    }
    switch (type) {
        case kBell:
            ComputeMitraBiquad(false, freq, q, gainDb, section, sampleRate);
            break;
        case kLowShelf:
            Shelv(false, false, freq, gainDb, section, sampleRate);
            break;
        case kHighShelf:
            Shelv(false, true, freq, gainDb, section, sampleRate);
            break;
        case kLowCut:
            O2Butterworth(true, freq, section, sampleRate);
            break;
        case kHighCut:
            O2Butterworth(false, freq, section, sampleRate);
            break;
        default:
            break;
    }
    return section;
}

void KvEQ::StoreCoef(std::vector<unsigned char>& image, unsigned int index, double value) const {
    const auto word = static_cast<std::size_t>(GetDSPWordSize());
    const auto& conversions = Process().GetConversions();
    if (conversions.doubleToCoef != nullptr && image.size() >= (index + 1) * word) {
        conversions.doubleToCoef(value, image.data() + index * word);
    }
}

int KvEQ::InitDataSelf() {
    // The bypass image: unity sections and unity gain, so bypassing passes the sound through.
    for (int setup = 0; setup < 2; ++setup) {
        auto& image = Process().CoefImage(setup, true);
        for (unsigned int band = 0; band < kBands; ++band) {
            const BIQUAD unity;
            const double coefs[kCoefsPerBand] = {unity.b0, unity.b1, unity.b2, unity.a1, unity.a2};
            for (unsigned int c = 0; c < kCoefsPerBand; ++c) {
                StoreCoef(image, band * kCoefsPerBand + c, coefs[c]);
            }
        }
        StoreCoef(image, kOutputGainCoef, 1.0);
    }
    return 0;
}

BUFFER_HEADER* KvEQ::BandBuffer(unsigned int band) {
    const auto value = [&](unsigned int first) KV_REQUIRES(AlgLock()) {
        return GetParam(first + band).GetRealWorld(GetActiveSetup());
    };
    const BIQUAD section = DesignBand(static_cast<int>(value(kType)), value(kFreq), value(kGain),
                                      value(kQ), value(kOn) != 0.0, GetSampleRate());
    auto& image = Process().CoefImage(GetActiveSetup(), false);
    const double coefs[kCoefsPerBand] = {section.b0, section.b1, section.b2, section.a1,
                                         section.a2};
    for (unsigned int c = 0; c < kCoefsPerBand; ++c) {
        StoreCoef(image, band * kCoefsPerBand + c, coefs[c]);
    }
    return PrepareCoefBufferWithBypass(static_cast<int>(band * kCoefsPerBand), kCoefsPerBand, true);
}

BUFFER_HEADER* KvEQ::OutputGainBuffer() {
    StoreCoef(Process().CoefImage(GetActiveSetup(), false), kOutputGainCoef,
              dbToGain(GetParam(kOutputGain).GetRealWorld(GetActiveSetup())));
    return PrepareCoefBufferWithBypass(static_cast<int>(kOutputGainCoef), 1, true);
}

BUFFER_HEADER* KvEQ::AllBuffers() {
    BUFFER_HEADER* chain = OutputGainBuffer();
    for (unsigned int band = 0; band < kBands; ++band) {
        chain = ChainBufs(chain, BandBuffer(band));
    }
    return chain;
}

BUFFER_HEADER* KvEQ::UpdateParamSelf(unsigned int index) {
    if (index < kOutputGain) {
        return BandBuffer(index % kBands);
    }
    if (index == kOutputGain) {
        return OutputGainBuffer();
    }
    if (index == kBypass) {
        // Switching the image: every coefficient goes again, from the image now in force.
        SetBypass(GetParam(kBypass).GetRealWorld(GetActiveSetup()) != 0.0);
        return AllBuffers();
    }
    return nullptr;
}

BUFFER_HEADER* KvEQ::UpdateAlgSelf() {
    return AllBuffers();
}

BUFFER_HEADER* KvEQ::InitAlgSelf() {
    return AllBuffers();
}

int KvEQ::ChangeSampleRateSelf() {
    SetUpdateAlgRequired();  // the bands are redesigned by the next UpdateAlg
    return 0;
}

}  // namespace kvexample
