#include "korvane/dsp/time_measures_converter.h"

#include <cmath>

namespace kvKorvaneV10_0_3 {

namespace {

bool Positive(double v) {
    return std::isfinite(v) && v > 0.0;
}

double MultiplierOf(eNoteLengths noteLength) {
    switch (noteLength) {
        case eNoteNormal:
            return 1.0;
        case eNoteDotted:
            return 1.5;
        case eNoteTriplet:
            return 0.666666666666;
    }
    return 0.0;
}

}  // namespace

KUTimeMeasuresConverter::KUTimeMeasuresConverter() = default;

KUTimeMeasuresConverter::KUTimeMeasuresConverter(double sampleRate, double tempo, double resolution,
                                                 double numerator, double denominator,
                                                 eNoteLengths noteLength)
    : m_sampleRate(sampleRate),
      m_tempo(tempo),
      m_resolution(resolution),
      m_numerator(numerator),
      m_denominator(denominator),
      m_noteLength(noteLength),
      m_noteMultiplier(MultiplierOf(noteLength)) {
    Recalculate();
}

KUTimeMeasuresConverter::KUTimeMeasuresConverter(double sampleRate, const KCMusicInfo& info,
                                                 eNoteLengths noteLength) {
    SetAllTimeMeasures(info, sampleRate, noteLength);
}

KUTimeMeasuresConverter::~KUTimeMeasuresConverter() = default;

KUTimeMeasuresConverter& KUTimeMeasuresConverter::operator=(const KCMusicInfo& info) {
    m_tempo = info.tempo;
    m_resolution = info.resolution;
    m_numerator = info.timeSigNum;
    m_denominator = info.timeSigDen;
    Recalculate();
    return *this;
}

void KUTimeMeasuresConverter::SetAllTimeMeasures(const KCMusicInfo& info, double sampleRate,
                                                 eNoteLengths noteLength) {
    m_sampleRate = sampleRate;
    m_noteLength = noteLength;
    m_noteMultiplier = MultiplierOf(noteLength);
    *this = info;
}

void KUTimeMeasuresConverter::SetSampleRate(double sampleRate) {
    m_sampleRate = sampleRate;
    Recalculate();
}

void KUTimeMeasuresConverter::SetTempo(double tempo) {
    m_tempo = tempo;
    Recalculate();
}

void KUTimeMeasuresConverter::SetResolution(double resolution) {
    m_resolution = resolution;
    Recalculate();
}

void KUTimeMeasuresConverter::SetTimeSigNum(double numerator) {
    m_numerator = numerator;
    Recalculate();
}

void KUTimeMeasuresConverter::SetTimeSigDen(double denominator) {
    m_denominator = denominator;
    Recalculate();
}

void KUTimeMeasuresConverter::SetNoteLengthModifiers(eNoteLengths noteLength) {
    m_noteLength = noteLength;
    m_noteMultiplier = MultiplierOf(noteLength);
}

// The derived values keep their previous contents while tempo, denominator or resolution
// cannot be divided by.
void KUTimeMeasuresConverter::Recalculate() {
    if (!Positive(m_tempo) || !Positive(m_denominator) || !Positive(m_resolution)) {
        return;
    }
    const double quarter = m_denominator * 0.25;
    m_ticksPerBeat = 960.0 / quarter;
    const double effectiveTempo = m_tempo / m_resolution * quarter;
    m_samplesPerTick = (60.0 / effectiveTempo) * m_sampleRate / m_ticksPerBeat;
    m_samplesPerBeat = m_samplesPerTick * m_ticksPerBeat;
    m_samplesPerBar = m_numerator * m_samplesPerBeat;
}

bool KUTimeMeasuresConverter::ClockUsable() const {
    return Positive(m_tempo) && Positive(m_denominator) && Positive(m_resolution) &&
           Positive(m_sampleRate);
}

bool KUTimeMeasuresConverter::MusicUsable() const {
    return ClockUsable() && Positive(m_numerator) && m_noteMultiplier > 0.0;
}

KTErr KUTimeMeasuresConverter::ConvertMeasuresDetailsToSamples(const KSMeasuresDetails& details,
                                                               double& samples) const {
    if (!MusicUsable()) {
        return eOutOfRangeNumber;
    }
    const double v = details.ticks * m_samplesPerTick + details.beats * m_samplesPerBeat;
    const double m = m_noteMultiplier * v >= m_samplesPerBar ? 1.0 : m_noteMultiplier;
    samples = m * v + details.bars * m_samplesPerBar;
    return eNoErr;
}

KTErr KUTimeMeasuresConverter::ConvertSamplesToMeasure(double samples, KSMeasuresDetails& details,
                                                       bool roundToBeat) const {
    if (!MusicUsable() || !std::isfinite(samples)) {
        return eOutOfRangeNumber;
    }
    double bars = std::floor(samples / m_samplesPerBar);
    // The remainder within the bar was scaled by the multiplier on the way in.
    const double within = (samples - bars * m_samplesPerBar) / m_noteMultiplier;
    double beats = std::floor(within / m_samplesPerBeat);
    double ticks = (within - beats * m_samplesPerBeat) / m_samplesPerTick;
    if (roundToBeat) {
        if (ticks >= m_ticksPerBeat * 0.5) {
            beats += 1.0;
        }
        ticks = 0.0;
        // A carried beat may complete the bar (only when the multiplier is 1 is that exact).
        if (m_noteMultiplier == 1.0 && beats >= m_numerator) {
            beats -= m_numerator;
            bars += 1.0;
        }
    }
    details.bars = bars;
    details.beats = beats;
    details.ticks = ticks;
    return eNoErr;
}

KTErr KUTimeMeasuresConverter::ConvertSTimeHMSmToSamples(const KSTimeHMSm& time,
                                                         double& samples) const {
    if (!ClockUsable()) {
        return eOutOfRangeNumber;
    }
    samples =
        (time.hours * 3600.0 + time.minutes * 60.0 + time.seconds + time.milliseconds / 1000.0) *
        m_sampleRate;
    return eNoErr;
}

KTErr KUTimeMeasuresConverter::ConvertSamplesToKSTimeHMSm(double samples, KSTimeHMSm& time) const {
    if (!ClockUsable() || !std::isfinite(samples)) {
        return eOutOfRangeNumber;
    }
    double t = samples * 1000.0 / m_sampleRate;
    time.milliseconds = std::trunc(std::fmod(t, 1000.0));
    t /= 1000.0;
    time.seconds = std::trunc(std::fmod(t, 60.0));
    t /= 60.0;
    time.minutes = std::trunc(std::fmod(t, 60.0));
    time.hours = std::trunc(t / 60.0);
    return eNoErr;
}

KTErr KUTimeMeasuresConverter::ConvertFragmentTimeMeasuresWithDiffrentGridSeperetor(
    double& out, double value, double gridSeparator) const {
    if (!MusicUsable() || !Positive(gridSeparator) || value == 0.0 || !std::isfinite(value)) {
        return eOutOfRangeNumber;
    }
    const double r = m_samplesPerBar / (m_numerator * gridSeparator / m_denominator) * value;
    out = m_samplesPerBar > r * m_noteMultiplier ? r * m_noteMultiplier : r;
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3
