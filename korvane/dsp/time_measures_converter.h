// KUTimeMeasuresConverter: sample counts to and from musical time (bars, beats, ticks) and
// clock time (hours, minutes, seconds, milliseconds) at a sample rate, tempo and time signature.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"

namespace kvKorvaneV10_0_3 {

// Note-length modifier: normal, dotted (×1.5) or triplet (×2/3).
enum eNoteLengths : int { eNoteNormal = 0, eNoteDotted = 1, eNoteTriplet = 2 };

// What a host reports about the music: tempo in beats per minute, a tempo divisor and the
// time signature.
struct KCMusicInfo {
    double tempo = 120.0;
    double resolution = 1.0;
    double timeSigNum = 4.0;
    double timeSigDen = 4.0;
};

struct KSMeasuresDetails {
    double bars = 0.0;
    double beats = 0.0;
    double ticks = 0.0;
};

struct KSTimeHMSm {
    double hours = 0.0;
    double minutes = 0.0;
    double seconds = 0.0;
    double milliseconds = 0.0;
};

// Every conversion returns 0 or eOutOfRangeNumber when a value it divides by is not a positive
// finite number (sample rate, tempo, resolution, numerator, denominator, grid) or the note
// multiplier is 0; outputs are untouched then. [any-thread] on distinct objects.
class KORVANE_API KUTimeMeasuresConverter {
public:
    KUTimeMeasuresConverter();
    KUTimeMeasuresConverter(double sampleRate, double tempo, double resolution, double numerator,
                            double denominator, eNoteLengths noteLength);
    KUTimeMeasuresConverter(double sampleRate, const KCMusicInfo& info, eNoteLengths noteLength);
    KUTimeMeasuresConverter(const KUTimeMeasuresConverter&) = default;
    KUTimeMeasuresConverter& operator=(const KUTimeMeasuresConverter&) = default;
    virtual ~KUTimeMeasuresConverter();

    KUTimeMeasuresConverter& operator=(const KCMusicInfo& info);
    void SetAllTimeMeasures(const KCMusicInfo& info, double sampleRate, eNoteLengths noteLength);
    void SetSampleRate(double sampleRate);
    void SetTempo(double tempo);
    void SetResolution(double resolution);
    void SetTimeSigNum(double numerator);
    void SetTimeSigDen(double denominator);
    // Any value other than the three modifiers sets the multiplier to 0, which the musical
    // conversions refuse.
    void SetNoteLengthModifiers(eNoteLengths noteLength);

    [[nodiscard]] double GetNumOfSamplesInOneBeat() const { return m_samplesPerBeat; }
    [[nodiscard]] double GetNumOfSamplesInOneTick() const { return m_samplesPerTick; }
    [[nodiscard]] double GetNumOfTicksInOneBeat() const { return m_ticksPerBeat; }
    [[nodiscard]] double GetNumOfSamplesInOneBar() const { return m_samplesPerBar; }
    [[nodiscard]] double GetNoteMultiplier() const { return m_noteMultiplier; }

    // The note multiplier scales beats and ticks only while the scaled length stays below a bar.
    [[nodiscard]] KTErr ConvertMeasuresDetailsToSamples(const KSMeasuresDetails& details,
                                                        double& samples) const;
    // The inverse: whole bars, whole beats and the rest in ticks (fractional), the multiplier
    // divided out. With roundToBeat the position is rounded to the nearest beat instead: ticks
    // of half a beat or more carry into the next beat (and bar), and ticks become 0.
    [[nodiscard]] KTErr ConvertSamplesToMeasure(double samples, KSMeasuresDetails& details,
                                                bool roundToBeat) const;
    [[nodiscard]] KTErr ConvertSTimeHMSmToSamples(const KSTimeHMSm& time, double& samples) const;
    // Hours, minutes, seconds and milliseconds as whole numbers (truncated).
    [[nodiscard]] KTErr ConvertSamplesToKSTimeHMSm(double samples, KSTimeHMSm& time) const;
    // The length in samples of `value` notes of 1/grid (a zero value is refused too).
    [[nodiscard]] KTErr ConvertFragmentTimeMeasuresWithDiffrentGridSeperetor(
        double& out, double value, double gridSeparator) const;

private:
    void Recalculate();
    [[nodiscard]] bool ClockUsable() const;
    [[nodiscard]] bool MusicUsable() const;

    double m_sampleRate = 44100.0;
    double m_tempo = 120.0;
    double m_resolution = 1.0;
    double m_numerator = 4.0;
    double m_denominator = 4.0;
    eNoteLengths m_noteLength = eNoteNormal;
    double m_noteMultiplier = 1.0;
    double m_ticksPerBeat = 960.0;
    double m_samplesPerBar = 88200.0;
    double m_samplesPerBeat = 22050.0;
    double m_samplesPerTick = 22.96875;
};

}  // namespace kvKorvaneV10_0_3
