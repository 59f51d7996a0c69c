// KvEQ: the example parametric EQ. Four bands (frequency, gain, Q, type, on/off), an output gain
// and a bypass, described by the plug-in's resources and designed with the library's filters.
#pragma once

#include "korvane/algorithm/algorithm.h"
#include "korvane/core/geometry.h"
#include "korvane/core/thread_annotations.h"
#include "korvane/graphs/biquad.h"

namespace kvexample {

using kvKorvaneV10_0_3::BUFFER_HEADER;

class KvEQ : public kvKorvaneV10_0_3::cALGORITHM {
public:
    static constexpr unsigned int kBands = 4;
    // Parameter indices, in the order of the parameter description.
    static constexpr unsigned int kFreq = 0;
    static constexpr unsigned int kGain = 4;
    static constexpr unsigned int kQ = 8;
    static constexpr unsigned int kType = 12;
    static constexpr unsigned int kOn = 16;
    static constexpr unsigned int kOutputGain = 20;
    static constexpr unsigned int kBypass = 21;
    // The output level meter: display only, read from the process's peak state.
    static constexpr unsigned int kLevel = 22;
    // Process layout: five coefficients per band (b0 b1 b2 a1 a2), then the output gain.
    static constexpr unsigned int kCoefsPerBand = 5;
    static constexpr unsigned int kOutputGainCoef = kBands * kCoefsPerBand;
    static constexpr unsigned int kCoefCount = kOutputGainCoef + 1;

    // The curve shown by the window's graph: one point per pixel of its 558 x 122 draw area,
    // 20 Hz ... 20 kHz on a logarithmic x axis, +-18 dB from top to bottom (0 dB in the middle).
    static constexpr int kCurveWidth = 558;
    static constexpr int kCurveHeight = 122;
    static constexpr double kCurveRangeDb = 18.0;
    static constexpr double kCurveLowHz = 20.0;
    static constexpr double kCurveHighHz = 20000.0;
    // The graph data is a line series: the 0 dB line, then the curve's segments.
    static constexpr kvKorvaneV10_0_3::KCRGBAColor kCurveColor{255, 140, 40, 255};
    static constexpr float kCurveThickness = 2.0F;
    static constexpr kvKorvaneV10_0_3::KCRGBAColor kZeroDbColor{120, 128, 144, 255};

    enum BandType { kBell, kLowShelf, kHighShelf, kLowCut, kHighCut };

    KvEQ(const kvKorvaneV10_0_3::KorvaneComponentInfo& info, KTResContainerType*& resources);

    // The section band `band` has with the given settings (unity when off). [any-thread]
    static kvKorvaneV10_0_3::BIQUAD DesignBand(int type, double freq, double gainDb, double q,
                                               bool on, int sampleRate);

protected:
    // The base calls these with the algorithm lock held; the marks let clang check that the
    // values they read are read under it.
    BUFFER_HEADER* UpdateParamSelf(unsigned int index) KV_REQUIRES(AlgLock()) override;
    BUFFER_HEADER* UpdateAlgSelf() KV_REQUIRES(AlgLock()) override;
    BUFFER_HEADER* InitAlgSelf() KV_REQUIRES(AlgLock()) override;
    // Recomputes the curve when the output gain's display is refreshed after a change.
    void UpdateParamDisplaySelf(unsigned int index) KV_REQUIRES(AlgLock()) override;
    void ProcessHookSelf() override {}
    int InitDataSelf() override;
    int ChangeSampleRateSelf() KV_REQUIRES(AlgLock()) override;
    // "OutputMeter": the level meter over the process's output peak, with a clip lamp.
    void PrepareParamExtensionFactoryMapSelf(
        kvKorvaneV10_0_3::ParamExtensionFactoryMap& map) override;

private:
    // Writes band `band`'s section into the active image and makes its coefficient buffer.
    BUFFER_HEADER* BandBuffer(unsigned int band) KV_REQUIRES(AlgLock());
    BUFFER_HEADER* OutputGainBuffer() KV_REQUIRES(AlgLock());
    BUFFER_HEADER* AllBuffers() KV_REQUIRES(AlgLock());
    // Recomputes the combined response and hands it to the output gain's graph data.
    void UpdateCurve() KV_REQUIRES(AlgLock());
    // Leaves the curve to the output gain's next display refresh: a parameter change costs
    // no curve, however often automation moves a band.
    void InvalidateCurve() KV_REQUIRES(AlgLock());
    void StoreCoef(std::vector<unsigned char>& image, unsigned int index, double value) const;

    bool m_curveStale KV_GUARDED_BY(AlgLock()) = false;
};

}  // namespace kvexample
