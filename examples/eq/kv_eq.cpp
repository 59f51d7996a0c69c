// KvEQ: coefficients from the parameters, one band at a time.
#include "examples/eq/kv_eq.h"

#include "examples/eq/kv_eq_process.h"
#include "korvane/algorithm/param_extension.h"
#include "korvane/graphs/draw_graph_series.h"
#include "korvane/graphs/eq_curve.h"
#include "korvane/graphs/filter_design.h"
#include "korvane/graphs/gain_conversion.h"
#include "korvane/graphs/graph_data.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kvexample {

using namespace kvKorvaneV10_0_3;

namespace {

// The curve's frequency axis: state 0 ... 1000 spread logarithmically over 20 Hz ... 20 kHz.
struct CurveAxis {
    [[nodiscard]] double StateToRealWorld(double state) const {
        return KvEQ::kCurveLowHz * std::pow(KvEQ::kCurveHighHz / KvEQ::kCurveLowHz, state / 1000.0);
    }
    [[nodiscard]] static int Position(double freq) {
        const double s = 1000.0 * std::log(freq / KvEQ::kCurveLowHz) /
                         std::log(KvEQ::kCurveHighHz / KvEQ::kCurveLowHz);
        return static_cast<int>(std::lround(std::isfinite(s) ? s : 0.0));
    }
};

}  // namespace

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

void KvEQ::UpdateCurve() {
    constexpr int n = kCurveWidth;
    const int sampleRate = GetSampleRate() > 0 ? GetSampleRate() : 48000;
    std::vector<KCPoint2D<float>> band(n);
    std::vector<TKorvaneComplex<double>> z1(n);
    std::vector<TKorvaneComplex<double>> z2(n);
    KUInit_ZPlain_Axes(n, band.data(), CurveAxis{}, z1.data(), z2.data(), sampleRate, 0.0);

    const auto setup = GetActiveSetup();
    std::vector<double> db(n, GetParam(kOutputGain).GetRealWorld(setup));
    for (unsigned int b = 0; b < kBands; ++b) {
        const auto value = [&](unsigned int first) KV_REQUIRES(AlgLock()) {
            return GetParam(first + b).GetRealWorld(setup);
        };
        const double freq = value(kFreq);
        BIQUAD section = DesignBand(static_cast<int>(value(kType)), freq, value(kGain), value(kQ),
                                    value(kOn) != 0.0, sampleRate);
        // The point nearest the band's frequency is evaluated at the frequency itself.
        section.omega = Translate_Frequency(freq, sampleRate);
        section.position = CurveAxis::Position(freq);
        ComputeSingleBiquadCurve(n, section, band.data(), z1.data(), z2.data(), 10.0);
        for (int k = 0; k < n; ++k) {
            db[k] += band[k].y;
        }
    }

    // Pixel centres: row r spans r ... r + 1, so 0 dB lies on the centre of the middle row.
    const float mid = static_cast<float>(kCurveHeight - 1) / 2.0F;
    const double pixelsPerDb = (kCurveHeight - 1) / 2.0 / kCurveRangeDb;
    KCDrawGraph_LineSeries series;
    series.SetLine(0, {{0.0F, mid}, {static_cast<float>(n), mid}, kZeroDbColor, 1.0F});
    const auto row = [&](int k) {
        // Out-of-range levels stay just outside the area, so the line leaves it cleanly.
        return static_cast<float>(std::clamp(mid - db[k] * pixelsPerDb, -3.0, kCurveHeight + 3.0));
    };
    for (int k = 1; k < n; ++k) {
        const auto x = static_cast<float>(k) + 0.5F;
        series.SetLine(static_cast<unsigned int>(k),
                       {{x - 1.0F, row(k - 1)}, {x, row(k)}, kCurveColor, kCurveThickness});
    }
    SetParamGraphData(kOutputGain, series);
    m_curveStale = false;
}

void KvEQ::InvalidateCurve() {
    m_curveStale = true;
    GetParam(kOutputGain).SetUpdateLevel(eUpdateLevelRefresh);
}

void KvEQ::UpdateParamDisplaySelf(unsigned int index) {
    if (index == kOutputGain && m_curveStale) {
        UpdateCurve();
    }
}

BUFFER_HEADER* KvEQ::AllBuffers() {
    UpdateCurve();
    BUFFER_HEADER* chain = OutputGainBuffer();
    for (unsigned int band = 0; band < kBands; ++band) {
        chain = ChainBufs(chain, BandBuffer(band));
    }
    return chain;
}

BUFFER_HEADER* KvEQ::UpdateParamSelf(unsigned int index) {
    if (index < kOutputGain) {
        InvalidateCurve();
        return BandBuffer(index % kBands);
    }
    if (index == kOutputGain) {
        InvalidateCurve();
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

void KvEQ::PrepareParamExtensionFactoryMapSelf(ParamExtensionFactoryMap& map) {
    map["OutputMeter"] = [](KTResContainerType* /*resources*/) -> KCParamExtension* {
        auto* meter = new KCParamExtensionMeterWithClip();
        meter->SetReadOffset(static_cast<unsigned int>(kEQPeakState));
        // Each read takes the peak since the previous one and starts a new measurement.
        meter->SetReadWithReset(true);
        meter->SetReadResetValues(0.0, 0.0);
        return meter;
    };
}

int KvEQ::ChangeSampleRateSelf() {
    SetUpdateAlgRequired();  // the bands are redesigned by the next UpdateAlg
    return 0;
}

}  // namespace kvexample
