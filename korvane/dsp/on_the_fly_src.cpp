#include "korvane/dsp/on_the_fly_src.h"

#include "korvane/dsp/polyphase_kernels.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>

namespace kvKorvaneV10_0_3 {

namespace {

constexpr int kMaxChannels = 8;
constexpr int kStride = 8;                 // floats per ring frame, whatever the channel count
constexpr int kTableUnit = 1000;           // sinc entries per input frame
constexpr int kKaiserSize = 5000;          // half window entries
constexpr int kMaxHalf = kKaiserSize * 2;  // round(i x 5000 / h) stays below 5000 up to here
constexpr int kSlack = 18;  // the newest frame sits 2h + 18 frames past the read position
constexpr int kPreallocatedFrames = kSRCPreallocatedRingFloats / kStride;

// Truncation of x + 0.5: the rounding of positive values the filter geometry is defined with.
int RoundPositive(double x) {
    return static_cast<int>(std::floor(x + 0.5));
}

double BesselI0(double x) {
    double sum = 1.0;
    double term = 1.0;
    const double q = x * x / 4.0;
    for (int k = 1; k < 200; ++k) {
        term *= q / (static_cast<double>(k) * k);
        sum += term;
        if (term < sum * 1e-17) {
            break;
        }
    }
    return sum;
}

// The half Kaiser window (beta 20), outer edge first, stored as floats.
const std::array<float, kKaiserSize>& KaiserHalf() {
    static const std::array<float, kKaiserSize> table = [] {
        std::array<float, kKaiserSize> k{};
        const double norm = BesselI0(20.0);
        for (int j = 0; j < kKaiserSize; ++j) {
            const double u = 1.0 - static_cast<double>(j) / kKaiserSize;
            k[static_cast<std::size_t>(j)] =
                static_cast<float>(BesselI0(20.0 * std::sqrt(1.0 - u * u)) / norm);
        }
        return k;
    }();
    return table;
}

struct Geometry {
    int half = 0;
    KTErr error = eNoErr;
};

// Polyphase filter: pass band to 20 kHz and stop band from 23.5 kHz for a lower rate of 44.1 kHz
// (scaled with the lower rate), 125 dB of stop-band attenuation; the taps needed at the input
// rate, per the Kaiser estimate, give h (half of an even tap count).
constexpr double kPolyPass = 20000.0 / 44100.0;
constexpr double kPolyStop = 23500.0 / 44100.0;
constexpr double kPolyAttenuation = 125.0;
constexpr int kPolyPhases = 1024;
constexpr int kPolyMaxHalf = 8192;

Geometry PolyphaseGeometry(int inRate, int outRate) {
    const double low = std::min(inRate, outRate);
    const double transition = (kPolyStop - kPolyPass) * low / inRate;  // cycles per input frame
    const double taps =
        std::ceil((kPolyAttenuation - 7.95) / (2.285 * 2 * std::numbers::pi * transition)) + 1;
    if (taps > 2.0 * kPolyMaxHalf) {
        return {0, eOutOfRangeNumber};
    }
    const int n = static_cast<int>(taps);
    return {(n + 1) / 2, eNoErr};
}

Geometry FilterGeometry(int inRate, int outRate, E_SRC_Flags mode) {
    if (inRate <= 0 || outRate <= 0) {
        return {0, eOutOfRangeNumber};
    }
    if (mode == eSRC_Polyphase) {
        return PolyphaseGeometry(inRate, outRate);
    }
    const int low = std::min(inRate, outRate);
    const int high = std::max(inRate, outRate);
    const double ratio = static_cast<double>(high) / low;
    int base = 101;
    if (mode == eSRC_HighQuality && outRate <= 44100) {
        base = 201;
    } else if (mode == eSRC_LowQuality || low >= 90001) {
        base = 33;
    } else if (low > 48000) {
        base = 47;
    }
    const double taps = std::floor(base * ratio + 0.5);
    if (taps > 2.0 * kMaxHalf + 1) {
        return {0, eOutOfRangeNumber};
    }
    int t = static_cast<int>(taps);
    if (t % 2 == 0) {
        ++t;
    }
    return {(t - 1) / 2, eNoErr};
}

// Smallest power of two that holds the window and the slack ahead of it.
int RingFramesFor(int half) {
    int frames = kPreallocatedFrames;
    while (frames < 2 * half + kSlack + 1) {
        frames *= 2;
    }
    return frames;
}

}  // namespace

KCOnTheFlySRC::KCOnTheFlySRC() {
    SetError(eSomeThingNotInitailzed);
}

KCOnTheFlySRC::KCOnTheFlySRC(int inRate, int outRate, E_SRC_Flags mode) {
    const KTErr err = SetFilter(inRate, outRate, mode);
    SetError(err != eNoErr ? err : eSomeThingNotInitailzed);
}

KCOnTheFlySRC::KCOnTheFlySRC(int inRate, int outRate, E_SRC_Flags mode, int channels) {
    SetError(eSomeThingNotInitailzed);
    (void)Init(inRate, outRate, mode, channels);
}

KCOnTheFlySRC::KCOnTheFlySRC(const KCOnTheFlySRC& other) : KUValidatable(other) {
    *this = other;
}

KCOnTheFlySRC& KCOnTheFlySRC::operator=(const KCOnTheFlySRC& other) {
    if (this == &other) {
        return *this;
    }
    KUValidatable::operator=(other);
    m_output = other.m_output;
    m_inRate = other.m_inRate;
    m_outRate = other.m_outRate;
    m_channels = other.m_channels;
    m_half = other.m_half;
    m_latency = other.m_latency;
    m_filterLength = other.m_filterLength;
    m_tableLength = other.m_tableLength;
    m_cutoff = other.m_cutoff;
    m_ringFrames = other.m_ringFrames;
    m_step = other.m_step;
    m_stepDouble = other.m_stepDouble;
    m_gain = other.m_gain;
    m_increment = other.m_increment;
    m_readFrame = other.m_readFrame;
    m_available = other.m_available;
    m_fraction = other.m_fraction;
    m_mode = other.m_mode;
    std::memcpy(m_last, other.m_last, sizeof m_last);
    m_ownSinc.clear();
    m_ownWindow.clear();
    m_ownRing.clear();
    m_sinc = m_window = nullptr;
    m_ring = nullptr;
    m_leftRows = other.m_leftRows;
    m_rightRows = other.m_rightRows;
    m_phases = other.m_phases;
    m_phaseStride = other.m_phaseStride;
    m_planar = other.m_planar;
    m_planarFrames = other.m_planarFrames;
    m_vector = other.m_vector;
    if (other.m_ring != nullptr && other.m_mode == eSRC_Polyphase) {
        m_ring = m_planar.data();
    }
    if (other.m_sinc != nullptr) {
        m_ownSinc.assign(other.m_sinc, other.m_sinc + m_tableLength);
        m_ownWindow.assign(other.m_window, other.m_window + m_half + 1);
        m_ownRing.assign(other.m_ring,
                         other.m_ring + static_cast<std::size_t>(m_ringFrames) * kStride);
        m_sinc = m_ownSinc.data();
        m_window = m_ownWindow.data();
        m_ring = m_ownRing.data();
    }
    return *this;
}

KCOnTheFlySRC::~KCOnTheFlySRC() = default;

double KCOnTheFlySRC::CalcCutoffCorrection(int rateA, int rateB) {
    const double m = std::min(rateA, rateB);
    const double nyquist = m / 2.0;
    double margin = 16000.0;
    if (m < 48000) {
        margin = 1000.0;
    } else if (m < 64000) {
        margin = 2000.0;
    } else if (m < 90000) {
        margin = 10000.0;
    }
    return (nyquist - margin) / nyquist;
}

int KCOnTheFlySRC::RequiredTableLength(int inRate, int outRate, E_SRC_Flags mode) {
    if (mode == eSRC_Polyphase) {
        return 0;  // builds its own bank
    }
    const Geometry g = FilterGeometry(inRate, outRate, mode);
    return g.error != eNoErr ? 0 : (g.half + 1) * kTableUnit;
}

KTErr KCOnTheFlySRC::SetFilter(int inRate, int outRate, E_SRC_Flags mode) {
    const Geometry g = FilterGeometry(inRate, outRate, mode);
    if (g.error != eNoErr) {
        return g.error;
    }
    m_inRate = inRate;
    m_outRate = outRate;
    m_mode = mode;
    m_half = g.half;
    m_cutoff = CalcCutoffCorrection(inRate, outRate);
    if (mode == eSRC_Polyphase) {
        m_filterLength = 2 * g.half;
        m_latency = g.half;  // the delay itself
        m_tableLength = 0;
        return eNoErr;
    }
    m_filterLength = 2 * g.half + 1;
    m_latency = g.half + 16;
    m_tableLength = (g.half + 1) * kTableUnit;
    return eNoErr;
}

void KCOnTheFlySRC::MakeSilent(KTErr error) {
    Dispose();
    SetError(error);
}

void KCOnTheFlySRC::Dispose() {
    m_leftRows = {};
    m_rightRows = {};
    m_phases = {};
    m_planar = {};
    m_planarFrames = 0;
    m_ownSinc = {};
    m_ownWindow = {};
    m_ownRing = {};
    m_sinc = m_window = nullptr;
    m_ring = nullptr;
    m_ringFrames = 0;
    // A refused Init must not leave the previous shape behind: the silent outputs and the
    // lengths are sized by it.
    m_channels = 0;
    m_inRate = 0;
    m_outRate = 0;
    m_half = 0;
    m_latency = 0;
    m_output = &KCOnTheFlySRC::OutputSilence;
    SetError(eSomeThingNotInitailzed);
}

KTErr KCOnTheFlySRC::Init(int inRate, int outRate, E_SRC_Flags mode, int channels) {
    if (IsValid() && inRate == m_inRate && outRate == m_outRate && mode == m_mode &&
        channels == m_channels) {
        InitFilter();
        return eNoErr;
    }
    return Build(inRate, outRate, mode, channels, nullptr, nullptr, nullptr);
}

KTErr KCOnTheFlySRC::InitPreallocated(int inRate, int outRate, E_SRC_Flags mode, int channels,
                                      double* sincTable, double* window, float* ring) {
    if (sincTable == nullptr || window == nullptr || ring == nullptr) {
        return eMemNullPointer;
    }
    return Build(inRate, outRate, mode, channels, sincTable, window, ring);
}

KTErr KCOnTheFlySRC::Build(int inRate, int outRate, E_SRC_Flags mode, int channels,
                           double* sincTable, double* window, float* ring) {
    if (channels < 1 || channels > kMaxChannels || inRate <= 0 || outRate <= 0) {
        MakeSilent(eOutOfRangeNumber);
        return eOutOfRangeNumber;
    }
    KTErr err = SetFilter(inRate, outRate, mode);
    // A lower rate of 2000 Hz or less leaves no band below the cutoff margin.
    if (err == eNoErr && CalcCutoffCorrection(inRate, outRate) <= 0.0) {
        err = eOutOfRangeNumber;
    }
    const bool preallocated = sincTable != nullptr;
    if (err == eNoErr && preallocated &&
        (mode == eSRC_Polyphase || RingFramesFor(m_half) > kPreallocatedFrames)) {
        err = eOutOfRangeNumber;  // the caller's ring cannot hold this filter's window
    }
    if (err != eNoErr) {
        MakeSilent(err);
        return err;
    }
    m_channels = channels;
    if (mode == eSRC_Polyphase) {
        return BuildPolyphase();
    }
    m_phases = {};
    m_planar = {};
    m_planarFrames = 0;
    m_ownSinc = {};
    m_ownWindow = {};
    m_ownRing = {};
    if (preallocated) {
        m_sinc = sincTable;
        m_window = window;
        m_ring = ring;
        m_ringFrames = kPreallocatedFrames;
    } else {
        m_ringFrames = RingFramesFor(m_half);
        m_ownSinc.resize(static_cast<std::size_t>(m_tableLength));
        m_ownWindow.resize(static_cast<std::size_t>(m_half) + 1);
        m_ownRing.resize(static_cast<std::size_t>(m_ringFrames) * kStride);
        m_sinc = m_ownSinc.data();
        m_window = m_ownWindow.data();
        m_ring = m_ownRing.data();
    }
    FillTables();
    m_leftRows = {};
    m_rightRows = {};
    if (!preallocated && !EqualRates()) {
        FillRows();
    }
    if (EqualRates()) {
        m_output = &KCOnTheFlySRC::OutputCopy;
    } else {
        switch (channels) {
            case 1:
                m_output = &KCOnTheFlySRC::OutputFixed<1>;
                break;
            case 2:
                m_output = &KCOnTheFlySRC::OutputFixed<2>;
                break;
            case 3:
                m_output = &KCOnTheFlySRC::OutputFixed<3>;
                break;
            case 4:
                m_output = &KCOnTheFlySRC::OutputFixed<4>;
                break;
            default:
                m_output = &KCOnTheFlySRC::OutputGeneral;
                break;
        }
    }
    SetError(eNoErr);
    InitFilter();
    return eNoErr;
}

void KCOnTheFlySRC::FillTables() {
    const double a = m_cutoff * std::numbers::pi / kTableUnit;
    m_sinc[0] = 1.0;
    for (int k = 1; k < m_tableLength; ++k) {
        const double x = k * a;
        m_sinc[k] = std::sin(x) / x;
    }
    const auto& kaiser = KaiserHalf();
    for (int i = 0; i < m_half; ++i) {
        m_window[i] = kaiser[static_cast<std::size_t>(
            RoundPositive(static_cast<double>(i) * kKaiserSize / m_half))];
    }
    m_window[m_half] = 1.0;
}

// Row r of the left table holds w[h - m] x t[m x step + r] over m = 0..h (the taps of frames h
// down to 0 at offset r); row r of the right table w[h - 1 - m] x t[m x step + r] over m = 0..h-1
// (frames h + 1 up, at offset step - r). Left rows run 0..step-1, right rows 1..step.
void KCOnTheFlySRC::FillRows() {
    const int h = m_half;
    const int step = m_outRate < m_inRate
                         ? RoundPositive(static_cast<double>(kTableUnit) * m_outRate / m_inRate)
                         : kTableUnit;
    const auto width = static_cast<std::size_t>(h) + 1;
    m_leftRows.assign(static_cast<std::size_t>(step + 1) * width, 0.0);
    m_rightRows.assign(static_cast<std::size_t>(step + 1) * width, 0.0);
    for (int r = 0; r <= step; ++r) {
        double* left = m_leftRows.data() + static_cast<std::size_t>(r) * width;
        double* right = m_rightRows.data() + static_cast<std::size_t>(r) * width;
        for (int m = 0; m <= h; ++m) {
            if (r < step) {
                left[m] = m_window[h - m] * m_sinc[m * step + r];
            }
            if (r > 0 && m < h) {
                right[m] = m_window[h - 1 - m] * m_sinc[m * step + r];
            }
        }
    }
}

void KCOnTheFlySRC::InitFilter() {
    if (m_ring == nullptr) {
        return;
    }
    m_step = kTableUnit;
    m_gain = m_cutoff;
    if (m_outRate < m_inRate) {
        m_step = RoundPositive(static_cast<double>(kTableUnit) * m_outRate / m_inRate);
        m_gain = m_cutoff * m_outRate / m_inRate;
    }
    m_stepDouble = m_step;
    m_increment = static_cast<double>(m_inRate) / m_outRate;
    std::fill(std::begin(m_last), std::end(m_last), 0.0F);
    m_readFrame = 0;
    m_fraction = 0.0;
    if (m_mode == eSRC_Polyphase) {
        std::fill(m_planar.begin(), m_planar.end(), 0.0F);
        // The first frame read completes the first window: N - 1 silent frames precede it.
        m_available = m_filterLength - 2;
        return;
    }
    std::fill(m_ring, m_ring + static_cast<std::size_t>(m_ringFrames) * kStride, 0.0F);
    m_available = m_filterLength + 16;
}

void KCOnTheFlySRC::ReadSample(float sample) {
    float frame[kMaxChannels] = {sample};
    ReadSample(frame);
}

void KCOnTheFlySRC::ReadSample(const float* frame) {
    if (m_ring == nullptr || frame == nullptr) {
        return;
    }
    if (EqualRates()) {
        std::memcpy(m_last, frame, sizeof(float) * static_cast<std::size_t>(m_channels));
        return;
    }
    if (m_mode == eSRC_Polyphase) {
        ReadPolyphase(frame);
        return;
    }
    ++m_available;
    float* slot =
        m_ring +
        static_cast<std::size_t>((m_readFrame + m_available) & (m_ringFrames - 1)) * kStride;
    std::memcpy(slot, frame, sizeof(float) * static_cast<std::size_t>(m_channels));
}

void KCOnTheFlySRC::OutSample(int& consumed, float* out) {
    if (out == nullptr) {
        consumed = 0;
        return;
    }
    (this->*m_output)(out);
    if (m_ring == nullptr || EqualRates()) {
        consumed = 1;
    } else {
        Advance(consumed);
    }
}

void KCOnTheFlySRC::Advance(int& consumed) {
    const double p = m_increment + m_fraction;
    const double n = std::floor(p);
    m_fraction = p - n;
    const int frames = static_cast<int>(n);
    m_available -= frames;
    m_readFrame = (m_readFrame + frames) & (m_ringFrames - 1);
    consumed = frames;
}

// The window runs over 2h + 1 frames from the read position; the interpolation point lies
// between frames h and h + 1 at the current fraction. Each tap's coefficient serves every channel.
template <int N>
void KCOnTheFlySRC::OutputFixed(float* out) {
    const int h = m_half;
    const int step = m_step;
    const int off = static_cast<int>(m_stepDouble * m_fraction);
    const int mask = m_ringFrames - 1;
    const float* ring = m_ring;
    const double* w = m_window;
    const double* t = m_sinc;
    double acc[N] = {};
    int frame = m_readFrame;
    if (!m_leftRows.empty()) {
        // The same products, read from rows laid out by offset: two contiguous runs per output.
        const auto width = static_cast<std::size_t>(h) + 1;
        const double* left = m_leftRows.data() + static_cast<std::size_t>(off) * width;
        for (int j = 0; j <= h; ++j) {
            const double c = left[h - j];
            const float* x = ring + static_cast<std::size_t>(frame) * kStride;
            for (int ch = 0; ch < N; ++ch) {
                acc[ch] += x[ch] * c;
            }
            frame = (frame + 1) & mask;
        }
        const double* right = m_rightRows.data() + static_cast<std::size_t>(step - off) * width;
        for (int j = h + 1; j <= 2 * h; ++j) {
            const double c = right[j - h - 1];
            const float* x = ring + static_cast<std::size_t>(frame) * kStride;
            for (int ch = 0; ch < N; ++ch) {
                acc[ch] += x[ch] * c;
            }
            frame = (frame + 1) & mask;
        }
        for (int ch = 0; ch < N; ++ch) {
            out[ch] = static_cast<float>(acc[ch] * m_gain);
        }
        return;
    }
    int index = h * step + off;
    for (int j = 0; j <= h; ++j, index -= step) {
        const double c = w[j] * t[index];
        const float* x = ring + static_cast<std::size_t>(frame) * kStride;
        for (int ch = 0; ch < N; ++ch) {
            acc[ch] += x[ch] * c;
        }
        frame = (frame + 1) & mask;
    }
    index = step - off;
    for (int j = h + 1; j <= 2 * h; ++j, index += step) {
        const double c = w[2 * h - j] * t[index];
        const float* x = ring + static_cast<std::size_t>(frame) * kStride;
        for (int ch = 0; ch < N; ++ch) {
            acc[ch] += x[ch] * c;
        }
        frame = (frame + 1) & mask;
    }
    for (int ch = 0; ch < N; ++ch) {
        out[ch] = static_cast<float>(acc[ch] * m_gain);
    }
}

void KCOnTheFlySRC::OutputGeneral(float* out) {
    const int h = m_half;
    const int off = static_cast<int>(m_stepDouble * m_fraction);
    const int mask = m_ringFrames - 1;
    double acc[kMaxChannels] = {};
    int frame = m_readFrame;
    for (int j = 0; j <= 2 * h; ++j) {
        const double c = j <= h ? m_window[j] * m_sinc[(h - j) * m_step + off]
                                : m_window[2 * h - j] * m_sinc[(j - h) * m_step - off];
        const float* x = m_ring + static_cast<std::size_t>(frame) * kStride;
        for (int ch = 0; ch < m_channels; ++ch) {
            acc[ch] += x[ch] * c;
        }
        frame = (frame + 1) & mask;
    }
    for (int ch = 0; ch < m_channels; ++ch) {
        out[ch] = static_cast<float>(acc[ch] * m_gain);
    }
}

void KCOnTheFlySRC::OutputCopy(float* out) {
    std::memcpy(out, m_last, sizeof(float) * static_cast<std::size_t>(m_channels));
}

void KCOnTheFlySRC::OutputSilence(float* out) {
    std::fill(out, out + std::max(m_channels, 1), 0.0F);
}

KTErr KCOnTheFlySRC::BuildPolyphase() {
    const int n = m_filterLength;
    const int half = m_half;
    m_phaseStride = (n + 7) / 8 * 8;
    const double low = std::min(m_inRate, m_outRate);
    const double fc = (kPolyPass + kPolyStop) / 2 * low / m_inRate;  // cycles per input frame
    const double beta = 0.1102 * (kPolyAttenuation - 8.7);
    const double norm = BesselI0(beta);
    m_phases.assign(static_cast<std::size_t>(kPolyPhases + 1) * m_phaseStride, 0.0F);
    for (int p = 0; p <= kPolyPhases; ++p) {
        float* row = m_phases.data() + static_cast<std::size_t>(p) * m_phaseStride;
        for (int k = 0; k < n; ++k) {
            const double u = k - (half - 1) - static_cast<double>(p) / kPolyPhases;
            const double r = u / half;
            if (r * r >= 1.0) {
                continue;
            }
            const double x = 2 * fc * u;
            const double sinc =
                x == 0.0 ? 1.0 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
            row[k] =
                static_cast<float>(2 * fc * sinc * BesselI0(beta * std::sqrt(1 - r * r)) / norm);
        }
    }
    int frames = 64;
    while (frames < m_phaseStride + 2) {
        frames *= 2;
    }
    m_planarFrames = frames;
    m_planar.assign(static_cast<std::size_t>(m_channels) * 2 * frames, 0.0F);
    m_ownSinc = {};
    m_ownWindow = {};
    m_ownRing = {};
    m_leftRows = {};
    m_rightRows = {};
    m_sinc = m_window = nullptr;
    m_ring = m_planar.data();
    m_ringFrames = frames;
    m_vector = dsp_detail::VectorPolyphaseKernel() != nullptr;
    m_output = EqualRates() ? &KCOnTheFlySRC::OutputCopy : &KCOnTheFlySRC::OutputPolyphase;
    SetError(eNoErr);
    InitFilter();
    return eNoErr;
}

void KCOnTheFlySRC::ReadPolyphase(const float* frame) {
    ++m_available;
    const auto at = static_cast<std::size_t>((m_readFrame + m_available) & (m_planarFrames - 1));
    const auto span = static_cast<std::size_t>(m_planarFrames) * 2;
    for (int ch = 0; ch < m_channels; ++ch) {
        float* line = m_planar.data() + static_cast<std::size_t>(ch) * span;
        line[at] = frame[ch];
        line[at + static_cast<std::size_t>(m_planarFrames)] = frame[ch];
    }
}

// The output lies at frame M - 1 + fraction of the window; its taps are interpolated between
// the two phases around the fraction.
void KCOnTheFlySRC::OutputPolyphase(float* out) {
    const double position = m_fraction * kPolyPhases;
    const int phase = std::min(static_cast<int>(position), kPolyPhases - 1);
    const auto alpha = static_cast<float>(position - phase);
    const float* rowA = m_phases.data() + static_cast<std::size_t>(phase) * m_phaseStride;
    const float* window[kMaxChannels] = {};
    const auto span = static_cast<std::size_t>(m_planarFrames) * 2;
    for (int ch = 0; ch < m_channels; ++ch) {
        window[ch] = m_planar.data() + static_cast<std::size_t>(ch) * span +
                     static_cast<std::size_t>(m_readFrame);
    }
    const dsp_detail::PolyphaseKernel kernel =
        m_vector ? dsp_detail::VectorPolyphaseKernel() : dsp_detail::PortablePolyphaseKernel();
    kernel(rowA, rowA + m_phaseStride, alpha, window, m_phaseStride, m_channels, out);
}

int KCOnTheFlySRC::RateConvertLength(int n) const {
    if (m_inRate <= 0 || m_outRate <= 0 || n <= 0) {
        return 0;
    }
    if (EqualRates()) {
        return n;
    }
    const double frames =
        std::ceil(static_cast<double>(m_outRate) / m_inRate * (n + 2.0 * m_latency));
    return frames < 2147483647.0 ? static_cast<int>(frames) : 2147483647;
}

int KCOnTheFlySRC::RateUnConvertLength(int n) const {
    if (m_inRate <= 0 || m_outRate <= 0 || n <= 0) {
        return 0;
    }
    if (EqualRates()) {
        return n;
    }
    const double frames =
        std::ceil(static_cast<double>(m_inRate) / m_outRate * n) - 2.0 * m_latency;
    return frames > 0 ? static_cast<int>(frames) : 0;
}

int KCOnTheFlySRC::GetInputLatency() const {
    return EqualRates() ? 0 : m_latency;
}

int KCOnTheFlySRC::GetOutputLatency() const {
    if (EqualRates() || m_inRate <= 0) {
        return 0;
    }
    if (m_mode == eSRC_Polyphase) {
        return GetMeasuredOutputDelay();
    }
    return static_cast<int>(std::ceil(static_cast<double>(m_outRate) / m_inRate * 3.0 * m_latency));
}

int KCOnTheFlySRC::GetMeasuredOutputDelay() const {
    if (EqualRates() || m_inRate <= 0) {
        return 0;
    }
    const int frames = m_mode == eSRC_Polyphase ? m_half : m_half + kSlack;
    return static_cast<int>(std::lround(static_cast<double>(frames) * m_outRate / m_inRate));
}

KTErr KCOnTheFlySRC::Convert(const float* in, float* out, int frames, int* latency) {
    if (in == nullptr || out == nullptr) {
        return eMemNullPointer;
    }
    const int outLength = RateConvertLength(frames);
    if (!IsValid() || m_ring == nullptr) {
        std::fill(out, out + static_cast<std::size_t>(outLength) * std::max(m_channels, 1), 0.0F);
        return GetError() != eNoErr ? GetError() : eSomeThingNotInitailzed;
    }
    const auto channels = static_cast<std::size_t>(m_channels);
    if (latency != nullptr) {
        *latency = GetMeasuredOutputDelay();
    }
    if (frames <= 0) {
        return eNoErr;  // nothing to convert; the filter's state is left as it was
    }
    if (EqualRates()) {
        std::memcpy(out, in, sizeof(float) * channels * static_cast<std::size_t>(frames));
        return eNoErr;
    }
    InitFilter();
    int produced = 0;
    int pending = 0;
    const float silence[kMaxChannels] = {};
    const int total = frames + 2 * m_latency;
    for (int i = 0; i < total; ++i) {
        ReadSample(i < frames ? in + static_cast<std::size_t>(i) * channels : silence);
        while (produced < outLength && pending == 0) {
            (this->*m_output)(out + static_cast<std::size_t>(produced) * channels);
            Advance(pending);
            ++produced;
        }
        --pending;
    }
    // Rounding of the phase may leave the last frame or so of the length unproduced.
    while (produced < outLength) {
        ReadSample(silence);
        while (produced < outLength && pending == 0) {
            (this->*m_output)(out + static_cast<std::size_t>(produced) * channels);
            Advance(pending);
            ++produced;
        }
        --pending;
    }
    return eNoErr;
}

int SampleRateConvertLength(int n, int inRate, int outRate, E_SRC_Flags mode) {
    return KCOnTheFlySRC(inRate, outRate, mode).RateConvertLength(n);
}

KTErr RateConvertFIR(const float* in, float* out, int n, int inRate, int outRate, E_SRC_Flags mode,
                     int* latency, double* sincTable, double* window, float* ring) {
    KCOnTheFlySRC converter;
    const KTErr err = converter.InitPreallocated(inRate, outRate, mode, 1, sincTable, window, ring);
    if (err != eNoErr) {
        return err;
    }
    return converter.Convert(in, out, n, latency);
}

}  // namespace kvKorvaneV10_0_3
