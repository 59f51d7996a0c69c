// The parameter extensions the widgets read their own data from, known to every algorithm by
// the "Type" of an "ExtensionClass" element: "Meter", "MeterWithClip", "AttenuationMeter",
// "BoostAttenMeter", "DynamicMarkers", "Menu", "Image" and "Matrix".
#pragma once

#include "korvane/algorithm/param_extension.h"
#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/geometry.h"
#include "korvane/gui/control_images.h"

#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {

// Registers the types above with RegisterParamExtensionType; a type registered before keeps its
// factory. The library does this when it loads; later calls do nothing. [any-thread]
KORVANE_API void RegisterStandardParamExtensionTypes();

// Per-setup data holding one value of type T. [gui-thread]
template <typename T>
class KCParamExtensionDataOf : public KCParamExtension::Data {
public:
    T content{};

    [[nodiscard]] KCParamExtensionDataOf* CreateCopy() const override {
        return new KCParamExtensionDataOf(*this);
    }
    bool CopyContent(const KCParamExtension::Data& from) override {
        const auto* same = dynamic_cast<const KCParamExtensionDataOf*>(&from);
        if (same == nullptr) {
            return false;
        }
        content = same->content;
        return true;
    }
};

// A gain-reduction meter: 0 dB at rest, growing as the gain falls below 1. The range is
// HighDB − LowDB. [gui-thread]
class KORVANE_API KCParamExtensionAttenuationMeter : public KCParamExtensionMeter {
public:
    [[nodiscard]] KCParamExtensionAttenuationMeter* CreateCopy() const override;
    // The attenuation the displayed value stands for, in dB (>= 0); the full range for a gain
    // of 0 or less.
    [[nodiscard]] double GetAttenuationDB() const;
    // How much of the meter is filled, 0 ... 1.
    [[nodiscard]] double GetFillFraction() const;
};

// A meter centred on 0 dB that shows a boost up to HighDB and an attenuation down to LowDB.
// [gui-thread]
class KORVANE_API KCParamExtensionBoostAttenMeter : public KCParamExtensionMeter {
public:
    [[nodiscard]] KCParamExtensionBoostAttenMeter* CreateCopy() const override;
    // The displayed value in dB, within LowDB ... HighDB.
    [[nodiscard]] double GetGainDB() const;
    // −1 ... 1: a boost as a share of HighDB, an attenuation as a share of −LowDB.
    [[nodiscard]] double GetFillFraction() const;
};

// Markers cloned at run time from a template control, one per vertex of an envelope. The
// envelope belongs to the setup (its Data); vertices stay ordered by x. [gui-thread]
class KORVANE_API KCParamExtensionDynamicMarkers : public KCParamExtension {
public:
    using Envelope = std::vector<KCPoint2D<double>>;
    using EnvelopeData = KCParamExtensionDataOf<Envelope>;

    [[nodiscard]] KCParamExtensionDynamicMarkers* CreateCopy() const override;
    // "TemplateControl" with "Name".
    void ReadFromXML(XML::CXMLElement* element) override;
    XML::CXMLElement* WriteToXML(XML::CXMLElement* element) const override;
    void AttachData(Data* setupA, Data* /*setupB*/) override { SetCurrentData(setupA); }
    // Data of another type is ignored: the extension keeps its own envelope then.
    void SetCurrentData(Data* data) override;
    // A new, empty envelope for a setup; the caller owns it.
    [[nodiscard]] static EnvelopeData* CreateData() { return new EnvelopeData(); }

    [[nodiscard]] const KCFixedStringBase& GetTemplateControlName() const { return m_template; }
    // Inserts a vertex at its place by x (after any vertex with the same x); its index.
    std::size_t CreateVertex(KCPoint2D<double> point);
    // Moves vertex `index`; its x is held between its neighbours' so the order stays. False for
    // an index past the envelope.
    bool UpdateVertex(std::size_t index, KCPoint2D<double> point);
    bool RemoveVertex(std::size_t index);
    // Replaces the whole envelope (an undo step going back); the vertices are put in order by x.
    void SetEnvelopeVec(const Envelope& envelope);
    bool GetEnvelopePoint(std::size_t index, KCPoint2D<double>& point) const;
    [[nodiscard]] const Envelope& GetEnvelopeVec() const { return Current(); }
    // The first vertex within `tolerance` of `point` on both axes; -1 for none.
    [[nodiscard]] int find(KCPoint2D<double> point, double tolerance) const;

private:
    [[nodiscard]] const Envelope& Current() const {
        return m_data != nullptr ? m_data->content : m_own;
    }
    Envelope& Current() { return m_data != nullptr ? m_data->content : m_own; }

    KCFixedString<63> m_template;
    Envelope m_own;
    EnvelopeData* m_data = nullptr;  // not owned: the parameter's
};

// The items a menu offers for a parameter: children "MenuItem" with "State", "Text" and
// "Separator"="true". [gui-thread]
class KORVANE_API KCParamExtensionMenu : public KCParamExtension {
public:
    struct Item {
        double state = 0.0;
        std::string text;
        bool separator = false;
        bool operator==(const Item& other) const = default;
    };
    [[nodiscard]] KCParamExtensionMenu* CreateCopy() const override;
    void ReadFromXML(XML::CXMLElement* element) override;
    XML::CXMLElement* WriteToXML(XML::CXMLElement* element) const override;
    [[nodiscard]] const std::vector<Item>& GetItems() const { return m_items; }

private:
    std::vector<Item> m_items;
};

// Images by state and animation frame: children "Image" with "State", "Frame" (default 0) and
// "ResID" or "File"; the attribute "Duration" is the milliseconds of one pass through a state's
// frames (absent or 0: the first frame stays). [gui-thread]
class KORVANE_API KCParamExtensionImage : public KCParamExtension {
public:
    [[nodiscard]] KCParamExtensionImage* CreateCopy() const override;
    void ReadFromXML(XML::CXMLElement* element) override;
    XML::CXMLElement* WriteToXML(XML::CXMLElement* element) const override;
    // The image of the state (rounded, held within the listed states) at `frame`, counted
    // around that state's frames; null without images.
    [[nodiscard]] const KCImageReference* GetImagePtr(double state, unsigned int frame) const;
    // Every image named, each once, in state and frame order.
    [[nodiscard]] std::vector<KCImageReference> GetAllImages() const;
    // Frames of the state's image; 0 without images.
    [[nodiscard]] std::size_t GetFrameCount(double state) const;
    [[nodiscard]] int GetDuration() const { return m_duration; }
    // eControlOutOfRange when the last read skipped images past kMaxImageFrames frames in all.
    [[nodiscard]] KTErr GetReadResult() const { return m_readResult; }

    // The frames all states may hold together, gaps included.
    static constexpr std::size_t kMaxImageFrames = 65536;

private:
    [[nodiscard]] const std::vector<KCImageReference>* FramesOf(double state) const;
    std::vector<std::vector<KCImageReference>> m_states;  // [state][frame]
    int m_duration = 0;
    KTErr m_readResult = eNoErr;
};

// A matrix of values per setup (a routing grid): attributes "Rows" and "Columns". [gui-thread]
class KORVANE_API KCParamExtensionMatrix : public KCParamExtension {
public:
    using Cells = std::vector<double>;
    using CellsData = KCParamExtensionDataOf<Cells>;

    [[nodiscard]] KCParamExtensionMatrix* CreateCopy() const override;
    void ReadFromXML(XML::CXMLElement* element) override;
    XML::CXMLElement* WriteToXML(XML::CXMLElement* element) const override;
    void AttachData(Data* setupA, Data* /*setupB*/) override { SetCurrentData(setupA); }
    void SetCurrentData(Data* data) override;
    // Data of the matrix's size, every cell 0; the caller owns it.
    [[nodiscard]] CellsData* CreateData() const;

    [[nodiscard]] int GetRows() const { return m_rows; }
    [[nodiscard]] int GetColumns() const { return m_columns; }
    // 0 outside the matrix.
    [[nodiscard]] double GetCell(int row, int column) const;
    // False outside the matrix.
    bool SetCell(int row, int column, double value);

private:
    [[nodiscard]] const Cells& Current() const {
        return m_data != nullptr ? m_data->content : m_own;
    }
    Cells& Current() { return m_data != nullptr ? m_data->content : m_own; }
    void Resize();

    int m_rows = 0;
    int m_columns = 0;
    Cells m_own;
    CellsData* m_data = nullptr;  // not owned: the parameter's
};

}  // namespace kvKorvaneV10_0_3
