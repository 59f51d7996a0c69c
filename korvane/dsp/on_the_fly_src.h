// KCOnTheFlySRC: sample-rate conversion of interleaved float frames (1 to 8 channels), one
// output frame at a time or whole buffers, with a Kaiser-windowed sinc whose length follows the
// rate ratio and a quality mode.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/validatable.h"

#include <vector>

namespace kvKorvaneV10_0_3 {

// 1 = high quality (longer filters), 2 = low quality (short filters), 3 = polyphase (a bank of
// 1024 phases interpolated linearly, single precision, about 1.2 ms of delay), anything else
// standard.
enum E_SRC_Flags : int {
    eSRC_Standard = 0,
    eSRC_HighQuality = 1,
    eSRC_LowQuality = 2,
    eSRC_Polyphase = 3
};

// The ring a caller supplies to InitPreallocated: 512 frames of stride 8.
inline constexpr int kSRCPreallocatedRingFloats = 4096;

// States: not initialised (eSomeThingNotInitailzed) until Init succeeds; a refused Init
// (eOutOfRangeNumber: channels outside 1..8, a rate <= 0, a lower rate <= 2000 Hz, a filter too
// long for its window table or for a caller's ring) leaves the object invalid and silent: reads
// are ignored and outputs are zero. One object is used by one thread at a time.
//
// Delay: at different rates an input frame comes out (h + 18) input frames later, that is
// round((h + 18) x outRate / inRate) output frames, the value Convert reports. GetInputLatency
// and GetOutputLatency keep their historical formulas (h + 16, and 3 x that in output frames)
// and are not the measured delay. In the polyphase mode the delay is h (GetHalfLength) input
// frames and both getters return it. At equal rates frames are copied: delay and latencies are 0.
class KORVANE_API KCOnTheFlySRC : public KUValidatable {
public:
    KCOnTheFlySRC();
    // The filter geometry only, for the length and latency queries; allocates nothing and stays
    // not initialised (or eOutOfRangeNumber for unusable rates).
    KCOnTheFlySRC(int inRate, int outRate, E_SRC_Flags mode);
    KCOnTheFlySRC(int inRate, int outRate, E_SRC_Flags mode, int channels);
    // Copies get tables and ring of their own, whoever owned the original's.
    KCOnTheFlySRC(const KCOnTheFlySRC& other);
    KCOnTheFlySRC& operator=(const KCOnTheFlySRC& other);
    ~KCOnTheFlySRC() override;

    // Rebuilds the tables for new settings; the same settings on a valid object only restart
    // the stream (InitFilter).
    [[nodiscard]] KTErr Init(int inRate, int outRate, E_SRC_Flags mode, int channels);
    // As Init with caller storage: a sinc table of (h + 1) x 1000 doubles, a window of h + 1
    // doubles and a ring of kSRCPreallocatedRingFloats floats (see RequiredTableLength). A null
    // pointer gives eMemNullPointer and changes nothing; a filter whose window does not fit the
    // ring gives eOutOfRangeNumber.
    [[nodiscard]] KTErr InitPreallocated(int inRate, int outRate, E_SRC_Flags mode, int channels,
                                         double* sincTable, double* window, float* ring);
    // Restarts the stream: silence in the history, phase 0.
    void InitFilter();
    // Frees owned storage and returns to not initialised.
    void Dispose();

    // Appends one input frame: `sample` on channel 0 (other channels silent), or `frame` with one
    // float per channel.
    void ReadSample(float sample);
    void ReadSample(const float* frame);
    // Writes one output frame (one float per channel) and sets `consumed` to the number of input
    // frames to append before the next call.
    void OutSample(int& consumed, float* out);

    // Restarts the stream, converts `frames` interleaved input frames and the flush that empties
    // the filter into RateConvertLength(frames) output frames, and sets *latency (when given) to
    // the delay in output frames. eMemNullPointer for null buffers; the stored error (output
    // silent) when not initialised.
    [[nodiscard]] KTErr Convert(const float* in, float* out, int frames, int* latency);

    // Output frames Convert writes for n input frames (0 when the rates are unusable).
    [[nodiscard]] int RateConvertLength(int n) const;
    // The input length whose conversion gives about n output frames; never negative.
    [[nodiscard]] int RateUnConvertLength(int n) const;
    [[nodiscard]] int GetInputLatency() const;
    [[nodiscard]] int GetOutputLatency() const;

    // Fraction of the lower rate's Nyquist frequency the cutoff sits at (<= 0 below 2001 Hz).
    [[nodiscard]] static double CalcCutoffCorrection(int rateA, int rateB);
    // Sinc table entries for a rate pair and mode (the window has h + 1); 0 when unusable.
    [[nodiscard]] static int RequiredTableLength(int inRate, int outRate, E_SRC_Flags mode);

    // The mode the filter was last built for (-1 before any).
    [[nodiscard]] int GetMode() const { return m_mode; }
    [[nodiscard]] int GetHalfLength() const { return m_half; }
    [[nodiscard]] int GetFilterLength() const { return m_filterLength; }
    [[nodiscard]] int GetChannels() const { return m_channels; }
    [[nodiscard]] int GetInputRate() const { return m_inRate; }
    [[nodiscard]] int GetOutputRate() const { return m_outRate; }
    [[nodiscard]] double GetCutoff() const { return m_cutoff; }
    [[nodiscard]] double GetGain() const { return m_gain; }
    [[nodiscard]] int GetTableStep() const { return m_step; }
    // Input frames the ring holds.
    [[nodiscard]] int GetRingFrames() const {
        return m_mode == eSRC_Polyphase ? m_planarFrames : m_ringFrames;
    }
    // Whether the polyphase mode runs its AVX2 kernel (chosen once per process from what the
    // processor offers); UsePortableKernel switches this object to the portable one, which
    // gives the same results within float rounding.
    [[nodiscard]] bool UsesVectorKernel() const { return m_vector; }
    void UsePortableKernel() { m_vector = false; }
    // The delay in output frames (see the class comment).
    [[nodiscard]] int GetMeasuredOutputDelay() const;

private:
    using OutputFunction = void (KCOnTheFlySRC::*)(float*);

    [[nodiscard]] KTErr SetFilter(int inRate, int outRate, E_SRC_Flags mode);
    [[nodiscard]] KTErr Build(int inRate, int outRate, E_SRC_Flags mode, int channels,
                              double* sincTable, double* window, float* ring);
    void FillTables();
    void FillRows();
    void MakeSilent(KTErr error);
    void Advance(int& consumed);
    template <int N>
    void OutputFixed(float* out);
    void OutputGeneral(float* out);
    void OutputCopy(float* out);
    void OutputPolyphase(float* out);
    [[nodiscard]] KTErr BuildPolyphase();
    void ReadPolyphase(const float* frame);
    void OutputSilence(float* out);
    [[nodiscard]] bool EqualRates() const { return m_inRate == m_outRate; }

    OutputFunction m_output = &KCOnTheFlySRC::OutputSilence;
    int m_inRate = 0;
    int m_outRate = 0;
    int m_channels = 0;
    int m_half = 0;
    int m_latency = 0;
    int m_filterLength = 0;
    int m_tableLength = 0;
    double m_cutoff = 0.0;
    double* m_sinc = nullptr;
    double* m_window = nullptr;
    float* m_ring = nullptr;
    int m_ringFrames = 0;
    int m_step = 1000;
    double m_stepDouble = 1000.0;
    double m_gain = 0.0;
    double m_increment = 1.0;
    int m_readFrame = 0;
    int m_available = 0;
    double m_fraction = 0.0;
    int m_mode = -1;
    float m_last[8] = {};
    std::vector<double> m_ownSinc;
    std::vector<double> m_ownWindow;
    std::vector<float> m_ownRing;
    // Owned storage only: window x sinc products laid out by offset (see FillRows).
    std::vector<double> m_leftRows;
    std::vector<double> m_rightRows;
    // Polyphase mode: rows of m_phaseStride taps (zero-padded), one per phase and one more; the
    // history per channel, written twice (at i and i + frames) so every window is contiguous.
    std::vector<float> m_phases;
    int m_phaseStride = 0;
    std::vector<float> m_planar;
    int m_planarFrames = 0;
    bool m_vector = false;
};

// Output frames for n input frames (0 when the rates are unusable).
KORVANE_API int SampleRateConvertLength(int n, int inRate, int outRate, E_SRC_Flags mode);
// Converts a mono buffer with caller storage (see InitPreallocated); `out` takes
// SampleRateConvertLength(n, ...) frames.
[[nodiscard]] KORVANE_API KTErr RateConvertFIR(const float* in, float* out, int n, int inRate,
                                               int outRate, E_SRC_Flags mode, int* latency,
                                               double* sincTable, double* window, float* ring);

}  // namespace kvKorvaneV10_0_3
