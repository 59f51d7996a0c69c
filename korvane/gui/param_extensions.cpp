#include "korvane/gui/param_extensions.h"

#include "korvane/algorithm/param_extension_types.h"
#include "korvane/xml/xml_element.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string_view>

namespace kvKorvaneV10_0_3 {

namespace {

template <typename Extension>
void RegisterKeepingExisting(const char* type) {
    ParamExtensionFactory previous = RegisterParamExtensionType(
        type, [](KTResContainerType*) -> KCParamExtension* { return new Extension(); });
    if (previous) {
        RegisterParamExtensionType(type, std::move(previous));
    }
}

// Every algorithm knows these types without the plug-in asking.
const bool g_installed = [] {
    RegisterStandardParamExtensionTypes();
    return true;
}();

bool Is(const XML::CXMLElement& e, std::string_view name) {
    return std::string_view(e.GetName().c_str()) == name;
}

std::string Attrib(const XML::CXMLElement& e, const char* name) {
    std::string value;
    e.GetAttrib(name, value);
    return value;
}

double AttribDouble(const XML::CXMLElement& e, const char* name, double fallback) {
    const std::string text = Attrib(e, name);
    double value = fallback;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() ? value : fallback;
}

std::string Text(double value) {
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return {buffer.data(), result.ptr};
}

double GainToDB(double gain) {
    return 20.0 * std::log10(gain);
}

}  // namespace

void RegisterStandardParamExtensionTypes() {
    static const bool registered = [] {
        RegisterKeepingExisting<KCParamExtensionMeter>("Meter");
        RegisterKeepingExisting<KCParamExtensionMeterWithClip>("MeterWithClip");
        RegisterKeepingExisting<KCParamExtensionAttenuationMeter>("AttenuationMeter");
        RegisterKeepingExisting<KCParamExtensionBoostAttenMeter>("BoostAttenMeter");
        RegisterKeepingExisting<KCParamExtensionDynamicMarkers>("DynamicMarkers");
        RegisterKeepingExisting<KCParamExtensionMenu>("Menu");
        RegisterKeepingExisting<KCParamExtensionImage>("Image");
        RegisterKeepingExisting<KCParamExtensionMatrix>("Matrix");
        return true;
    }();
    static_cast<void>(registered);
    static_cast<void>(g_installed);
}

// ------------------------------------------------------------------ meters

KCParamExtensionAttenuationMeter* KCParamExtensionAttenuationMeter::CreateCopy() const {
    return new KCParamExtensionAttenuationMeter(*this);
}

double KCParamExtensionAttenuationMeter::GetAttenuationDB() const {
    const double range = std::max(0, GetInfo().highDB - GetInfo().lowDB);
    const double gain = GetDisplayedValue();
    if (gain <= 0.0) {
        return range;
    }
    return std::clamp(-GainToDB(gain), 0.0, range);
}

double KCParamExtensionAttenuationMeter::GetFillFraction() const {
    const double range = GetInfo().highDB - GetInfo().lowDB;
    return range > 0 ? GetAttenuationDB() / range : 0.0;
}

KCParamExtensionBoostAttenMeter* KCParamExtensionBoostAttenMeter::CreateCopy() const {
    return new KCParamExtensionBoostAttenMeter(*this);
}

double KCParamExtensionBoostAttenMeter::GetGainDB() const {
    const double low = std::min(0, GetInfo().lowDB);
    const double high = std::max(0, GetInfo().highDB);
    const double gain = GetDisplayedValue();
    return gain <= 0.0 ? low : std::clamp(GainToDB(gain), low, high);
}

double KCParamExtensionBoostAttenMeter::GetFillFraction() const {
    const double dB = GetGainDB();
    if (dB >= 0.0) {
        return GetInfo().highDB > 0 ? dB / GetInfo().highDB : 0.0;
    }
    return GetInfo().lowDB < 0 ? -dB / GetInfo().lowDB : 0.0;
}

// ------------------------------------------------------------------ dynamic markers

KCParamExtensionDynamicMarkers* KCParamExtensionDynamicMarkers::CreateCopy() const {
    // A copy keeps its own envelope until its parameter attaches data to it.
    auto* copy = new KCParamExtensionDynamicMarkers(*this);
    copy->m_own = Current();
    copy->m_data = nullptr;
    return copy;
}

void KCParamExtensionDynamicMarkers::ReadFromXML(XML::CXMLElement* element) {
    if (element == nullptr) {
        return;
    }
    for (const XML::CXMLElement* child : element->GetSubElements()) {
        if (Is(*child, "TemplateControl")) {
            child->GetAttrib("Name", m_template);
        }
    }
}

XML::CXMLElement* KCParamExtensionDynamicMarkers::WriteToXML(XML::CXMLElement* element) const {
    if (element == nullptr) {
        return nullptr;
    }
    element->SetAttrib("Type", "DynamicMarkers");
    element->AddSubElement("TemplateControl")->SetAttrib("Name", m_template.c_str());
    return element;
}

void KCParamExtensionDynamicMarkers::SetCurrentData(Data* data) {
    m_data = dynamic_cast<EnvelopeData*>(data);
}

std::size_t KCParamExtensionDynamicMarkers::CreateVertex(KCPoint2D<double> point) {
    Envelope& envelope = Current();
    const auto at = std::upper_bound(
        envelope.begin(), envelope.end(), point,
        [](const KCPoint2D<double>& a, const KCPoint2D<double>& b) { return a.x < b.x; });
    // The index before the insertion: it may move the vector.
    const auto index = static_cast<std::size_t>(at - envelope.begin());
    envelope.insert(at, point);
    return index;
}

bool KCParamExtensionDynamicMarkers::UpdateVertex(std::size_t index, KCPoint2D<double> point) {
    Envelope& envelope = Current();
    if (index >= envelope.size()) {
        return false;
    }
    if (index > 0) {
        point.x = std::max(point.x, envelope[index - 1].x);
    }
    if (index + 1 < envelope.size()) {
        point.x = std::min(point.x, envelope[index + 1].x);
    }
    envelope[index] = point;
    return true;
}

bool KCParamExtensionDynamicMarkers::RemoveVertex(std::size_t index) {
    Envelope& envelope = Current();
    if (index >= envelope.size()) {
        return false;
    }
    envelope.erase(envelope.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

void KCParamExtensionDynamicMarkers::SetEnvelopeVec(const Envelope& envelope) {
    Envelope& current = Current();
    current = envelope;
    std::stable_sort(
        current.begin(), current.end(),
        [](const KCPoint2D<double>& a, const KCPoint2D<double>& b) { return a.x < b.x; });
}

bool KCParamExtensionDynamicMarkers::GetEnvelopePoint(std::size_t index,
                                                      KCPoint2D<double>& point) const {
    const Envelope& envelope = Current();
    if (index >= envelope.size()) {
        return false;
    }
    point = envelope[index];
    return true;
}

int KCParamExtensionDynamicMarkers::find(KCPoint2D<double> point, double tolerance) const {
    const Envelope& envelope = Current();
    for (std::size_t i = 0; i < envelope.size(); ++i) {
        if (std::abs(envelope[i].x - point.x) <= tolerance &&
            std::abs(envelope[i].y - point.y) <= tolerance) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// ------------------------------------------------------------------ menu

KCParamExtensionMenu* KCParamExtensionMenu::CreateCopy() const {
    return new KCParamExtensionMenu(*this);
}

void KCParamExtensionMenu::ReadFromXML(XML::CXMLElement* element) {
    if (element == nullptr) {
        return;
    }
    m_items.clear();
    for (const XML::CXMLElement* child : element->GetSubElements()) {
        if (!Is(*child, "MenuItem")) {
            continue;
        }
        Item item;
        item.separator = Attrib(*child, "Separator") == "true";
        item.state = AttribDouble(*child, "State", 0.0);
        if (!child->GetAttrib("Text", item.text)) {
            item.text = child->GetText();
        }
        m_items.push_back(std::move(item));
    }
}

XML::CXMLElement* KCParamExtensionMenu::WriteToXML(XML::CXMLElement* element) const {
    if (element == nullptr) {
        return nullptr;
    }
    element->SetAttrib("Type", "Menu");
    for (const Item& item : m_items) {
        XML::CXMLElement* e = element->AddSubElement("MenuItem");
        if (item.separator) {
            e->SetAttrib("Separator", "true");
            continue;
        }
        e->SetAttrib("State", Text(item.state).c_str());
        e->SetAttrib("Text", item.text.c_str());
    }
    return element;
}

// ------------------------------------------------------------------ image

KCParamExtensionImage* KCParamExtensionImage::CreateCopy() const {
    return new KCParamExtensionImage(*this);
}

void KCParamExtensionImage::ReadFromXML(XML::CXMLElement* element) {
    if (element == nullptr) {
        return;
    }
    m_states.clear();
    m_readResult = eNoErr;
    m_duration = 0;
    if (element->GetAttrib("Duration", m_duration) && m_duration < 0) {
        m_duration = 0;
    }
    std::size_t slots = 0;  // frame references held by m_states
    for (const XML::CXMLElement* child : element->GetSubElements()) {
        if (!Is(*child, "Image")) {
            continue;
        }
        int state = 0;
        int frame = 0;
        child->GetAttrib("State", state);
        child->GetAttrib("Frame", frame);
        // Indices come from a description: far-off ones are mistakes, not sparse tables.
        constexpr int kMaxIndex = 4096;
        if (state < 0 || frame < 0 || state > kMaxIndex || frame > kMaxIndex) {
            continue;
        }
        // Many states padded to far-off frames add up: the frames of all states are capped too.
        const std::size_t held = static_cast<std::size_t>(state) < m_states.size()
                                     ? m_states[static_cast<std::size_t>(state)].size()
                                     : 0;
        const std::size_t grown =
            slots + std::max(held, static_cast<std::size_t>(frame) + 1) - held;
        if (grown > kMaxImageFrames) {
            m_readResult = eControlOutOfRange;
            continue;
        }
        slots = grown;
        KCImageReference image;
        child->GetAttrib("ResID", image.resID);
        child->GetAttrib("File", image.file);
        if (m_states.size() <= static_cast<std::size_t>(state)) {
            m_states.resize(static_cast<std::size_t>(state) + 1);
        }
        auto& frames = m_states[static_cast<std::size_t>(state)];
        if (frames.size() <= static_cast<std::size_t>(frame)) {
            frames.resize(static_cast<std::size_t>(frame) + 1);
        }
        frames[static_cast<std::size_t>(frame)] = image;
    }
}

XML::CXMLElement* KCParamExtensionImage::WriteToXML(XML::CXMLElement* element) const {
    if (element == nullptr) {
        return nullptr;
    }
    element->SetAttrib("Type", "Image");
    if (m_duration > 0) {
        element->SetAttrib("Duration", m_duration);
    }
    for (std::size_t s = 0; s < m_states.size(); ++s) {
        for (std::size_t f = 0; f < m_states[s].size(); ++f) {
            const KCImageReference& image = m_states[s][f];
            if (!image.IsSet()) {
                continue;
            }
            XML::CXMLElement* e = element->AddSubElement("Image");
            e->SetAttrib("State", static_cast<int>(s));
            e->SetAttrib("Frame", static_cast<int>(f));
            if (image.resID != 0) {
                e->SetAttrib("ResID", image.resID);
            } else {
                e->SetAttrib("File", image.file.c_str());
            }
        }
    }
    return element;
}

const std::vector<KCImageReference>* KCParamExtensionImage::FramesOf(double state) const {
    if (m_states.empty() || !std::isfinite(state)) {
        return nullptr;
    }
    const auto last = static_cast<double>(m_states.size() - 1);
    const auto index = static_cast<std::size_t>(std::clamp(std::round(state), 0.0, last));
    const auto& frames = m_states[index];
    return frames.empty() ? nullptr : &frames;
}

const KCImageReference* KCParamExtensionImage::GetImagePtr(double state, unsigned int frame) const {
    const auto* frames = FramesOf(state);
    if (frames == nullptr) {
        return nullptr;
    }
    const KCImageReference& image = (*frames)[frame % frames->size()];
    return image.IsSet() ? &image : nullptr;
}

std::vector<KCImageReference> KCParamExtensionImage::GetAllImages() const {
    std::vector<KCImageReference> images;
    for (const auto& frames : m_states) {
        for (const KCImageReference& image : frames) {
            if (image.IsSet() && std::find(images.begin(), images.end(), image) == images.end()) {
                images.push_back(image);
            }
        }
    }
    return images;
}

std::size_t KCParamExtensionImage::GetFrameCount(double state) const {
    const auto* frames = FramesOf(state);
    return frames != nullptr ? frames->size() : 0;
}

// ------------------------------------------------------------------ matrix

KCParamExtensionMatrix* KCParamExtensionMatrix::CreateCopy() const {
    auto* copy = new KCParamExtensionMatrix(*this);
    copy->m_own = Current();
    copy->m_data = nullptr;
    return copy;
}

void KCParamExtensionMatrix::ReadFromXML(XML::CXMLElement* element) {
    if (element == nullptr) {
        return;
    }
    int rows = 0;
    int columns = 0;
    element->GetAttrib("Rows", rows);
    element->GetAttrib("Columns", columns);
    // A routing grid, not a table of data: larger sizes are mistakes.
    constexpr int kMaxSide = 256;
    m_rows = std::clamp(rows, 0, kMaxSide);
    m_columns = std::clamp(columns, 0, kMaxSide);
    Resize();
}

XML::CXMLElement* KCParamExtensionMatrix::WriteToXML(XML::CXMLElement* element) const {
    if (element == nullptr) {
        return nullptr;
    }
    element->SetAttrib("Type", "Matrix");
    element->SetAttrib("Rows", m_rows);
    element->SetAttrib("Columns", m_columns);
    return element;
}

void KCParamExtensionMatrix::Resize() {
    Current().resize(static_cast<std::size_t>(m_rows) * static_cast<std::size_t>(m_columns), 0.0);
}

void KCParamExtensionMatrix::SetCurrentData(Data* data) {
    m_data = dynamic_cast<CellsData*>(data);
    Resize();
}

KCParamExtensionMatrix::CellsData* KCParamExtensionMatrix::CreateData() const {
    auto* data = new CellsData();
    data->content.assign(static_cast<std::size_t>(m_rows) * static_cast<std::size_t>(m_columns),
                         0.0);
    return data;
}

double KCParamExtensionMatrix::GetCell(int row, int column) const {
    if (row < 0 || column < 0 || row >= m_rows || column >= m_columns) {
        return 0.0;
    }
    return Current()[(static_cast<std::size_t>(row) * static_cast<std::size_t>(m_columns)) +
                     static_cast<std::size_t>(column)];
}

bool KCParamExtensionMatrix::SetCell(int row, int column, double value) {
    if (row < 0 || column < 0 || row >= m_rows || column >= m_columns) {
        return false;
    }
    Current()[(static_cast<std::size_t>(row) * static_cast<std::size_t>(m_columns)) +
              static_cast<std::size_t>(column)] = value;
    return true;
}

}  // namespace kvKorvaneV10_0_3
