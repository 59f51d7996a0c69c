// Polymorphic bases for what the GUI attaches to a parameter: the extension (meter ranges,
// images, menus, ...) with its per-setup data, and the controls that display the parameter.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/xmlable.h"

#include <cstdint>

namespace kvKorvaneV10_0_3 {

// Reads its own description element through XML::KCXMLable (ReadFromXML).
class KORVANE_API KCParamExtension : public XML::KCXMLable {
public:
    // Per-setup data of an extension.
    class KORVANE_API Data {
    public:
        Data() = default;
        Data(const Data&) = default;
        Data& operator=(const Data&) = default;
        virtual ~Data();
        // A new object of the same concrete type and content; the caller owns it.
        [[nodiscard]] virtual Data* CreateCopy() const = 0;
        // Copies `from` into this object; false when `from` is of another type.
        virtual bool CopyContent(const Data& from) = 0;
    };

    KCParamExtension() = default;
    KCParamExtension(const KCParamExtension&) = default;
    KCParamExtension& operator=(const KCParamExtension&) = default;
    ~KCParamExtension() override;
    // A new extension of the same concrete type; the caller owns it.
    [[nodiscard]] virtual KCParamExtension* CreateCopy() const = 0;
    // Tells the extension which data objects belong to it (after its parameter was copied).
    virtual void AttachData(Data* /*setupA*/, Data* /*setupB*/) {}
    // Tells the extension which data belongs to the setup that just became active.
    virtual void SetCurrentData(Data* /*data*/) {}
};

// What a meter tells a host about itself; `index` is the meter's position in the manager.
struct KorvaneMeterInfo {
    std::int32_t index = 0;
    std::int32_t kind = 0;     // the plug-in's own meter kind (level, gain reduction, ...)
    std::int32_t channel = 0;  // channel the meter watches, -1 for all
    std::int32_t lowDB = -60;  // displayed range
    std::int32_t highDB = 0;
    std::int32_t flags = 0;
    KCFixedString<63> name;
};

// The non-drawing side of a meter: where its value is read in the processing state block, the
// value itself (a linear gain), its peak and the displayed value that releases towards it. The
// meter manager finds meters through this type; the GUI derives the drawing from it.
// [gui-thread]: meters are read and refreshed at idle time.
class KORVANE_API KCParamExtensionMeter : public KCParamExtension {
public:
    KCParamExtensionMeter() = default;
    KCParamExtensionMeter(const KCParamExtensionMeter&) = default;
    KCParamExtensionMeter& operator=(const KCParamExtensionMeter&) = default;
    ~KCParamExtensionMeter() override;
    [[nodiscard]] KCParamExtensionMeter* CreateCopy() const override;
    // Children "Name", "ReadOffset", "ReadMultiplier", "PeakHoldMs", "LowDB" and "HighDB"; what
    // is missing or unreadable keeps its value.
    void ReadFromXML(XML::CXMLElement* element) override;
    XML::CXMLElement* WriteToXML(XML::CXMLElement* element) const override;
    // Called once when the meter manager takes the meter.
    virtual void FinishCreate() {}

    // A value read from the processing side: times the read multiplier, raises the peak (held
    // for the hold time, or until reset when it is 0) and marks the meter for a display update.
    virtual void SetValueFromProcess(double raw, double nowMs);
    [[nodiscard]] double GetCurrentValue() const { return m_value; }
    void ResetValue(double floor);
    [[nodiscard]] double GetPeak() const { return m_peak; }
    [[nodiscard]] double GetLastPeakTime() const { return m_lastPeakTime; }
    void ResetPeak(double floor);
    [[nodiscard]] double GetPeakHoldMs() const { return m_peakHoldMs; }
    void SetPeakHoldMs(double ms) { m_peakHoldMs = ms; }

    // The value the display shows, released towards the current value at idle time.
    [[nodiscard]] double GetDisplayedValue() const { return m_displayed; }
    void SetDisplayedValue(double value) { m_displayed = value; }
    [[nodiscard]] double* ReleaseTime() { return &m_releaseTime; }
    [[nodiscard]] double GetRiseCoef() const { return m_riseCoef; }
    [[nodiscard]] double GetFallCoef() const { return m_fallCoef; }
    void SetReleaseCoefs(double rise, double fall) {
        m_riseCoef = rise;
        m_fallCoef = fall;
    }

    [[nodiscard]] bool NeedsUpdate() const { return m_needsUpdate; }
    void SetNeedsUpdate(bool needs) { m_needsUpdate = needs; }

    // Where the value lies in the processing state block, and the factor applied to it.
    [[nodiscard]] unsigned int GetReadOffset() const { return m_readOffset; }
    void SetReadOffset(unsigned int offset) { m_readOffset = offset; }
    [[nodiscard]] double GetReadMultiplier() const { return m_multiplier; }
    void SetReadMultiplier(double factor) { m_multiplier = factor; }
    // Read with reset: the read swaps the reset value in, so the processing side starts a new
    // measurement after every read (a peak since the last read rather than a sample).
    [[nodiscard]] bool IsReadWithReset() const { return m_readWithReset; }
    void SetReadWithReset(bool on) { m_readWithReset = on; }
    [[nodiscard]] double GetReadResetValue(bool native) const {
        return native ? m_nativeResetValue : m_resetValue;
    }
    void SetReadResetValues(double process, double native) {
        m_resetValue = process;
        m_nativeResetValue = native;
    }

    [[nodiscard]] const KorvaneMeterInfo& GetInfo() const { return m_info; }
    void SetInfo(const KorvaneMeterInfo& info) { m_info = info; }

private:
    double m_value = 0.0;
    double m_peak = 0.0;
    double m_lastPeakTime = 0.0;
    double m_peakHoldMs = 0.0;
    double m_displayed = 0.0;
    double m_releaseTime = 0.0;
    double m_riseCoef = 0.0;
    double m_fallCoef = 0.0;
    bool m_needsUpdate = false;
    unsigned int m_readOffset = 0;
    double m_multiplier = 1.0;
    bool m_readWithReset = false;
    double m_resetValue = 0.0;
    double m_nativeResetValue = 0.0;
    KorvaneMeterInfo m_info;
};

// A meter that also shows clipping: a value over the clip level sets the clip indication,
// which stays until it is reset. [gui-thread]
class KORVANE_API KCParamExtensionMeterWithClip : public KCParamExtensionMeter {
public:
    [[nodiscard]] KCParamExtensionMeterWithClip* CreateCopy() const override;
    // Besides the meter's children: "ClipLevel" (a linear gain) and "ClipDetection" (true/false).
    void ReadFromXML(XML::CXMLElement* element) override;
    XML::CXMLElement* WriteToXML(XML::CXMLElement* element) const override;
    void SetValueFromProcess(double raw, double nowMs) override;
    [[nodiscard]] bool IsClipDetectionEnabled() const { return m_clipEnabled; }
    void SetClipDetectionEnabled(bool on) { m_clipEnabled = on; }
    [[nodiscard]] double GetClipLevel() const { return m_clipLevel; }
    void SetClipLevel(double gain) { m_clipLevel = gain; }
    [[nodiscard]] bool IsClipped() const { return m_clipped; }
    void ResetClip() { m_clipped = false; }

private:
    bool m_clipEnabled = true;
    double m_clipLevel = 1.0;
    bool m_clipped = false;
};

// What a parameter sees of a control that shows it. KCBaseControl derives from this;
// the parameter accepts only controls that are GUI controls.
class KORVANE_API KCParamController {
public:
    KCParamController() = default;
    KCParamController(const KCParamController&) = default;
    KCParamController& operator=(const KCParamController&) = default;
    virtual ~KCParamController();
    [[nodiscard]] virtual bool IsGUIControl() const { return false; }
    // Refresh from the parameter registered under `tag`.
    virtual void UpdatePointer(unsigned int /*tag*/) {}
    // Refresh the disabled look for the parameter registered under `tag`.
    virtual void UpdateDisabledMode(unsigned int /*tag*/) {}
};

}  // namespace kvKorvaneV10_0_3
