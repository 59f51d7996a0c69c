#include "korvane/gui/widget_zoom_vertices_graph.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/arrow_key.h"
#include "korvane/gui/buffer_chain.h"
#include "korvane/gui/param_extensions.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/undo/undo_command.h"
#include "korvane/undo/undo_manager.h"
#include "korvane/xml/xml_element.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3 {

using XML::CXMLElement;
using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;

namespace {

bool ReadNumber(const CXMLElement& e, const char* name, double& value) {
    std::string text;
    if (!e.GetAttrib(name, text)) {
        return false;
    }
    double parsed = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() ||
        !std::isfinite(parsed)) {
        return false;
    }
    value = parsed;
    return true;
}

std::string Number(double value) {
    std::array<char, 32> digits{};
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    return {digits.data(), end.ptr};
}

std::uint8_t Channel(const CXMLElement& e, const char* name, int fallback) {
    int value = fallback;
    e.GetAttrib(name, value);
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

using Envelope = KCParamExtensionDynamicMarkers::Envelope;

// The parameters and the envelope of one "DynamicMarkers" extension: going back to it brings
// back the dynamic markers as they were, with their vertices.
class KCUndoCommandVertices : public Undo::KCUndoCommandParameters {
public:
    KCUndoCommandVertices(CStandardGUI_X& gui, unsigned int paramID, Envelope envelope)
        : KCUndoCommandParameters(gui.GetAlgorithm(), 0),
          m_gui(&gui),
          m_paramID(paramID),
          m_envelope(std::move(envelope)) {
        SetName(KCFixedString<255>("Vertex changes"));
    }
    // A parameter snapshot of the same states is the same moment, which this one describes
    // with its envelope: a merging insert replaces it.
    [[nodiscard]] bool IsSameType(const Command* other) const override {
        const auto* states = dynamic_cast<const KCUndoCommandParameters*>(other);
        return states != nullptr && states->GetStates() == GetStates();
    }
    bool operator==(const Command& other) const override {
        const auto* same = dynamic_cast<const KCUndoCommandVertices*>(&other);
        return same != nullptr && same->m_paramID == m_paramID && same->m_envelope == m_envelope &&
               same->GetStates() == GetStates();
    }
    void Execute() override {
        KCUndoCommandParameters::Execute();
        cALGORITHM* alg = m_gui->GetAlgorithm();
        auto* extension =
            alg != nullptr && m_paramID < alg->GetNumParams()
                ? dynamic_cast<KCParamExtensionDynamicMarkers*>(alg->GetParamExtension(m_paramID))
                : nullptr;
        if (extension == nullptr) {
            return;
        }
        extension->SetEnvelopeVec(m_envelope);
        // The GUI owns the history, so it outlives this command; its graphs may not.
        for (unsigned int i = 0; i < m_gui->GetNumGUIControllers(); ++i) {
            auto* graph = dynamic_cast<KCZoomVerticesGraph*>(m_gui->GetControlPtrByIndex(i));
            if (graph != nullptr && graph->GetDynamicMarkersExtension() == extension) {
                graph->EnvelopeReplaced();
            }
        }
    }

private:
    CStandardGUI_X* m_gui;  // not owned
    unsigned int m_paramID;
    Envelope m_envelope;
};

// Keeps [low, high] at least `minSize` long and inside [first, last].
void ClampAxis(double& low, double& high, double first, double last, double minSize) {
    double size = std::clamp(high - low, minSize, last - first);
    if (!std::isfinite(size)) {
        size = last - first;
    }
    low = std::clamp(low, first, last - size);
    high = low + size;
}

}  // namespace

void KCZoomVerticesGraph::ReadFromXMLWithAlg(const CXMLElement& element, cALGORITHM* alg,
                                             bool update) {
    KCGraph::ReadFromXMLWithAlg(element, alg, update);
    if (!update) {
        m_range = {};
        m_lineColor = {80, 160, 255, 255};
        m_clearMasterOnMouseUp = false;
        m_master = -1;
    }
    if (const CXMLElement* range = element.SubElement("DataRange")) {
        KSDataWindow read = m_range;
        ReadNumber(*range, "XMin", read.xMin);
        ReadNumber(*range, "XMax", read.xMax);
        ReadNumber(*range, "YMin", read.yMin);
        ReadNumber(*range, "YMax", read.yMax);
        if (read.xMax > read.xMin) {
            m_range.xMin = read.xMin;
            m_range.xMax = read.xMax;
        }
        if (read.yMax > read.yMin) {
            m_range.yMin = read.yMin;
            m_range.yMax = read.yMax;
        }
    }
    if (const CXMLElement* color = element.SubElement("LineColor")) {
        m_lineColor = {Channel(*color, "R", 0), Channel(*color, "G", 0), Channel(*color, "B", 0),
                       Channel(*color, "A", 255)};
    }
    if (const CXMLElement* clear = element.SubElement("ClearMasterVertexOnMouseUp")) {
        std::string value;
        clear->GetAttrib("Value", value);
        m_clearMasterOnMouseUp = value != "false" && value != "off";
    }
    m_window = m_range;
    UpdateMarkersPosition();
}

void KCZoomVerticesGraph::WriteToXMLWithAlg(CXMLElement& parent, const cALGORITHM* alg,
                                            const char* elementName) const {
    KCGraph::WriteToXMLWithAlg(parent, alg, elementName);
    if (parent.GetSubElements().empty()) {
        return;
    }
    CXMLElement* element = parent.GetSubElements().back();
    CXMLElement* range = element->AddSubElement("DataRange");
    range->SetAttrib("XMin", Number(m_range.xMin).c_str());
    range->SetAttrib("XMax", Number(m_range.xMax).c_str());
    range->SetAttrib("YMin", Number(m_range.yMin).c_str());
    range->SetAttrib("YMax", Number(m_range.yMax).c_str());
    CXMLElement* color = element->AddSubElement("LineColor");
    color->SetAttrib("R", std::to_string(m_lineColor.red).c_str());
    color->SetAttrib("G", std::to_string(m_lineColor.green).c_str());
    color->SetAttrib("B", std::to_string(m_lineColor.blue).c_str());
    color->SetAttrib("A", std::to_string(m_lineColor.alpha).c_str());
    if (m_clearMasterOnMouseUp) {
        element->AddSubElement("ClearMasterVertexOnMouseUp")->SetAttrib("Value", "true");
    }
}

// ------------------------------------------------------------------ the window on the data

void KCZoomVerticesGraph::ClampWindow() {
    ClampAxis(m_window.xMin, m_window.xMax, m_range.xMin, m_range.xMax,
              (m_range.xMax - m_range.xMin) * kMinWindowFraction);
    ClampAxis(m_window.yMin, m_window.yMax, m_range.yMin, m_range.yMax,
              (m_range.yMax - m_range.yMin) * kMinWindowFraction);
    UpdateMarkersPosition();
    SetNeedToRedrawControl();
}

void KCZoomVerticesGraph::UpdateDisplayCoordinateSystem(double xMin, double xMax, double yMin,
                                                        double yMax) {
    if (!std::isfinite(xMin) || !std::isfinite(xMax) || !std::isfinite(yMin) ||
        !std::isfinite(yMax)) {
        return;
    }
    m_window = {std::min(xMin, xMax), std::max(xMin, xMax), std::min(yMin, yMax),
                std::max(yMin, yMax)};
    ClampWindow();
}

void KCZoomVerticesGraph::ZoomBy(double factor) {
    if (!std::isfinite(factor) || factor <= 0.0) {
        return;
    }
    const double cx = (m_window.xMin + m_window.xMax) / 2.0;
    const double cy = (m_window.yMin + m_window.yMax) / 2.0;
    const double hx = (m_window.xMax - m_window.xMin) / 2.0 / factor;
    const double hy = (m_window.yMax - m_window.yMin) / 2.0 / factor;
    UpdateDisplayCoordinateSystem(cx - hx, cx + hx, cy - hy, cy + hy);
}

void KCZoomVerticesGraph::ScrollBy(bool vertical, double fraction) {
    if (vertical) {
        const double step = (m_window.yMax - m_window.yMin) * fraction;
        UpdateDisplayCoordinateSystem(m_window.xMin, m_window.xMax, m_window.yMin + step,
                                      m_window.yMax + step);
    } else {
        const double step = (m_window.xMax - m_window.xMin) * fraction;
        UpdateDisplayCoordinateSystem(m_window.xMin + step, m_window.xMax + step, m_window.yMin,
                                      m_window.yMax);
    }
}

std::pair<double, double> KCZoomVerticesGraph::GetScrollFraction(bool vertical) const {
    const double first = vertical ? m_range.yMin : m_range.xMin;
    const double whole = vertical ? m_range.yMax - m_range.yMin : m_range.xMax - m_range.xMin;
    const double low = vertical ? m_window.yMin : m_window.xMin;
    const double high = vertical ? m_window.yMax : m_window.xMax;
    return {(low - first) / whole, (high - low) / whole};
}

void KCZoomVerticesGraph::ScrollTo(bool vertical, double fraction) {
    if (!std::isfinite(fraction)) {
        return;
    }
    if (vertical) {
        const double size = m_window.yMax - m_window.yMin;
        const double low = m_range.yMin + fraction * (m_range.yMax - m_range.yMin);
        UpdateDisplayCoordinateSystem(m_window.xMin, m_window.xMax, low, low + size);
    } else {
        const double size = m_window.xMax - m_window.xMin;
        const double low = m_range.xMin + fraction * (m_range.xMax - m_range.xMin);
        UpdateDisplayCoordinateSystem(low, low + size, m_window.yMin, m_window.yMax);
    }
}

KCPoint2D<double> KCZoomVerticesGraph::DataToView(KCPoint2D<double> data) const {
    const KURect<short> area = GetDrawArea();
    const double x =
        area.left + (data.x - m_window.xMin) / (m_window.xMax - m_window.xMin) * area.Width();
    // Up is more: the window's top is yMax.
    const double y =
        area.bottom - (data.y - m_window.yMin) / (m_window.yMax - m_window.yMin) * area.Height();
    return {x, y};
}

KCPoint2D<double> KCZoomVerticesGraph::ViewToData(KCPoint2D<short> point) const {
    const KURect<short> area = GetDrawArea();
    const double width = std::max(1, static_cast<int>(area.Width()));
    const double height = std::max(1, static_cast<int>(area.Height()));
    return {m_window.xMin + (point.x - area.left) / width * (m_window.xMax - m_window.xMin),
            m_window.yMin + (area.bottom - point.y) / height * (m_window.yMax - m_window.yMin)};
}

// ------------------------------------------------------------------ vertices

int KCZoomVerticesGraph::GetNumVertices() const {
    return static_cast<int>(GetRegistrations().size() / 2);
}

KCPoint2D<double> KCZoomVerticesGraph::GetVertex(int index) const {
    if (index < 0 || index >= GetNumVertices()) {
        return {};
    }
    const auto state = [this](std::size_t i) {
        const KCParamRegistrationData& r = GetRegistrations()[i];
        return r.HasParam() ? r.alg->GetParamState(r.paramID) : r.value;
    };
    const auto i = static_cast<std::size_t>(index) * 2;
    return {m_range.xMin + state(i) / 1000.0 * (m_range.xMax - m_range.xMin),
            m_range.yMin + state(i + 1) / 1000.0 * (m_range.yMax - m_range.yMin)};
}

void KCZoomVerticesGraph::OnVertexMoved(int index, double x, double y) {
    if (index < 0 || index >= GetNumVertices() || !std::isfinite(x) || !std::isfinite(y)) {
        return;
    }
    SetVertexStates(
        index, {std::clamp((x - m_range.xMin) / (m_range.xMax - m_range.xMin), 0.0, 1.0) * 1000.0,
                std::clamp((y - m_range.yMin) / (m_range.yMax - m_range.yMin), 0.0, 1.0) * 1000.0});
}

void KCZoomVerticesGraph::SetVertexStates(int index, const std::array<double, 2>& states) {
    for (std::size_t axis = 0; axis < 2; ++axis) {
        KCParamRegistrationData& r = Registrations()[static_cast<std::size_t>(index) * 2 + axis];
        if (std::isnan(states[axis]) || !r.HasParam() ||
            r.alg->GetParamState(r.paramID) == states[axis]) {
            continue;
        }
        BUFFER_HEADER* chain = r.alg->UpdateParamRequestState(r.paramID, states[axis]);
        // A marker's move arrives outside the GUI's input path: its changes go out here.
        if (GetOwner() != nullptr) {
            GetOwner()->ExecuteAndDisposeBuffer(&chain);
        } else if (chain != nullptr) {
            r.alg->SendAndFreeBuffers(chain, ProcessMemory::eSelExecuteChain, true);
        }
        r.UpdateValue();
    }
    m_master = index;
    SetNeedToRedrawControl();
    if (m_vertexListHook) {
        m_vertexListHook(*this);
    }
}

// ------------------------------------------------------------------ markers

int KCZoomVerticesGraph::FinishCreateSelf() {
    // A marker dropped from the list keeps reporting here; GetMarkerVertex ignores it then.
    for (CMarker_X* marker : GetMarkers()) {
        marker->SetMarkerListener(this);
    }
    UpdateMarkersList();
    return KCGraph::FinishCreateSelf();
}

std::vector<CMarker_X*> KCZoomVerticesGraph::GetMarkers() const {
    std::vector<CMarker_X*> markers;
    for (KCGUIControl* control : GetDependents()) {
        if (auto* marker = dynamic_cast<CMarker_X*>(control)) {
            markers.push_back(marker);
        }
    }
    return markers;
}

int KCZoomVerticesGraph::GetMarkerVertex(const CMarker_X& marker) const {
    const std::vector<CMarker_X*> markers = GetMarkers();
    const auto at = std::find(markers.begin(), markers.end(), &marker);
    return at == markers.end() ? -1 : static_cast<int>(at - markers.begin());
}

void KCZoomVerticesGraph::MarkerMoved(CMarker_X& marker, double /*xState*/, double /*yState*/) {
    if (const int dynamic = GetDynamicMarkerIndex(marker); dynamic >= 0) {
        DynamicMarkerMoved(dynamic);
        return;
    }
    const int index = GetMarkerVertex(marker);
    if (index < 0 || index >= GetNumVertices()) {
        return;
    }
    const KCPoint2D<double> fraction = marker.GetPositionFraction();
    std::array<double, 2> states{std::nan(""), std::nan("")};
    for (std::size_t axis = 0; axis < 2; ++axis) {
        const KCParamRegistrationData* own = marker.GetAxisRegistration(axis == 0);
        const KCParamRegistrationData& vertex =
            GetRegistrations()[static_cast<std::size_t>(index) * 2 + axis];
        const bool sameParam =
            own != nullptr && own->alg == vertex.alg && own->paramID == vertex.paramID;
        if (own != nullptr && !sameParam) {
            states[axis] = (axis == 0 ? fraction.x : fraction.y) * 1000.0;
        }
    }
    SetVertexStates(index, states);
}

BUFFER_HEADER* KCZoomVerticesGraph::UpdateMarkersKey(const Event& event, bool& handled) {
    handled = false;
    const std::vector<CMarker_X*> markers = GetMarkers();
    if (m_master < 0 || static_cast<std::size_t>(m_master) >= markers.size()) {
        return nullptr;
    }
    return markers[static_cast<std::size_t>(m_master)]->Key(event, handled);
}

BUFFER_HEADER* KCZoomVerticesGraph::KeySelf(const Event& event, bool& handled) {
    if (MoveSelectedMarkersByKey(event)) {
        handled = true;
        return nullptr;
    }
    return UpdateMarkersKey(event, handled);
}

bool KCZoomVerticesGraph::MoveSelectedMarkersByKey(const Event& event) {
    KCParamExtensionDynamicMarkers* extension = GetDynamicMarkersExtension();
    double delta = 0.0;
    bool vertical = true;
    const bool anySelected = std::any_of(m_dynamic.list.begin(), m_dynamic.list.end(),
                                         [](const DynamicMarker& m) { return m.selected; });
    if (extension == nullptr || !anySelected || !ArrowKeyStep(event, delta, vertical)) {
        return false;
    }
    const Envelope before = extension->GetEnvelopeVec();
    // One pixel of the draw area through the window, so a zoomed graph moves in finer steps.
    const KURect<short> area = GetDrawArea();
    const double step = vertical
                            ? (m_window.yMax - m_window.yMin) / std::max<short>(area.Height(), 1)
                            : (m_window.xMax - m_window.xMin) / std::max<short>(area.Width(), 1);
    const int count = GetNumDynamicMarkers();
    for (int n = 0; n < count; ++n) {
        // The leading marker first, so that a selected neighbour does not hold up the next.
        const int i = !vertical && delta > 0.0 ? count - 1 - n : n;
        KCPoint2D<double> vertex;
        if (!m_dynamic.list[static_cast<std::size_t>(i)].selected ||
            !extension->GetEnvelopePoint(static_cast<std::size_t>(i), vertex)) {
            continue;
        }
        if (vertical) {
            vertex.y = std::clamp(vertex.y + delta * step, m_range.yMin, m_range.yMax);
        } else {
            vertex.x = std::clamp(vertex.x + delta * step, m_range.xMin, m_range.xMax);
        }
        extension->UpdateVertex(static_cast<std::size_t>(i), vertex);
    }
    UpdateMarkersPosition();
    SetNeedToRedrawControl();
    if (extension->GetEnvelopeVec() != before) {
        if (m_vertexListHook) {
            m_vertexListHook(*this);
        }
        RecordEnvelopeUndo(before);
    }
    return true;
}

void KCZoomVerticesGraph::MarkerReleased(CMarker_X& marker) {
    if (GetMarkerVertex(marker) < 0) {
        return;
    }
    if (m_clearMasterOnMouseUp) {
        m_master = -1;
    }
    SetNeedToRedrawControl();
}

void KCZoomVerticesGraph::MarkerSwitched(CMarker_X& marker) {
    if (GetMarkerVertex(marker) >= 0) {
        SetNeedToRedrawControl();
    }
}

// ------------------------------------------------------------------ dynamic markers

const KCParamRegistrationData* KCZoomVerticesGraph::GetDynamicMarkersRegistration() const {
    for (const KCParamRegistrationData& r : GetRegistrations()) {
        if (r.HasParam() && dynamic_cast<KCParamExtensionDynamicMarkers*>(
                                r.alg->GetParamExtension(r.paramID)) != nullptr) {
            return &r;
        }
    }
    return nullptr;
}

KCParamExtensionDynamicMarkers* KCZoomVerticesGraph::GetDynamicMarkersExtension() const {
    const KCParamRegistrationData* r = GetDynamicMarkersRegistration();
    return r == nullptr ? nullptr
                        : dynamic_cast<KCParamExtensionDynamicMarkers*>(
                              r->alg->GetParamExtension(r->paramID));
}

void KCZoomVerticesGraph::RecordEnvelopeUndo(const Envelope& before) {
    CStandardGUI_X* gui = GetOwner();
    const KCParamRegistrationData* r = GetDynamicMarkersRegistration();
    if (gui == nullptr || r == nullptr || gui->GetAlgorithm() != r->alg) {
        return;
    }
    const KCParamExtensionDynamicMarkers* extension = GetDynamicMarkersExtension();
    if (extension->GetEnvelopeVec() == before) {
        return;
    }
    Undo::KCUndoManagerAbs* undo = gui->CreateUndoManager();
    // The snapshot of the moment before takes the envelope it had, so that going back to it
    // brings that envelope back; then the new state. The manager owns both.
    undo->InsertCommand(new KCUndoCommandVertices(*gui, r->paramID, before), Undo::eInsertMerge);
    undo->InsertCommand(new KCUndoCommandVertices(*gui, r->paramID, extension->GetEnvelopeVec()),
                        Undo::eInsertNoMerge);
}

std::unique_ptr<CMarker_X> KCZoomVerticesGraph::CloneTemplateMarker() {
    const KCParamExtensionDynamicMarkers* extension = GetDynamicMarkersExtension();
    if (extension == nullptr || GetOwner() == nullptr) {
        return nullptr;
    }
    const auto* model = dynamic_cast<const CMarker_X*>(
        GetOwner()->GetControlPtrByName(extension->GetTemplateControlName().c_str()));
    if (model == nullptr) {
        return nullptr;
    }
    std::unique_ptr<CMarker_X> marker(dynamic_cast<CMarker_X*>(model->Clone()));
    if (marker == nullptr) {
        return nullptr;
    }
    // The clone takes the template's look only: it stands for an envelope vertex, so it moves no
    // parameter, travels the graph's plotting area and reports here.
    marker->UnRegisterAll();
    marker->SetControlRect(GetDrawArea());
    marker->SetHidden(false);
    marker->SetMarkerListener(this);
    return marker;
}

int KCZoomVerticesGraph::CreateDynamicMarker(KCPoint2D<double> data) {
    const KCParamExtensionDynamicMarkers* extension = GetDynamicMarkersExtension();
    if (extension == nullptr) {
        return -1;
    }
    const Envelope before = extension->GetEnvelopeVec();
    const int index = AddDynamicMarker(data);
    if (index >= 0) {
        RecordEnvelopeUndo(before);
    }
    return index;
}

int KCZoomVerticesGraph::AddDynamicMarker(KCPoint2D<double> data) {
    KCParamExtensionDynamicMarkers* extension = GetDynamicMarkersExtension();
    if (extension == nullptr || !std::isfinite(data.x) || !std::isfinite(data.y)) {
        return -1;
    }
    std::unique_ptr<CMarker_X> marker = CloneTemplateMarker();
    if (marker == nullptr) {
        return -1;
    }
    UpdateMarkersList();
    data = {std::clamp(data.x, m_range.xMin, m_range.xMax),
            std::clamp(data.y, m_range.yMin, m_range.yMax)};
    const std::size_t index = extension->CreateVertex(data);
    m_dynamic.list.insert(m_dynamic.list.begin() + static_cast<std::ptrdiff_t>(index),
                          DynamicMarker{std::move(marker), false});
    UpdateMarkersPosition();
    SetNeedToRedrawControl();
    if (m_vertexListHook) {
        m_vertexListHook(*this);
    }
    return static_cast<int>(index);
}

bool KCZoomVerticesGraph::DisposeDynamicMarker(int index) {
    const KCParamExtensionDynamicMarkers* extension = GetDynamicMarkersExtension();
    const Envelope before = extension != nullptr ? extension->GetEnvelopeVec() : Envelope();
    if (!RemoveDynamicMarker(index)) {
        return false;
    }
    RecordEnvelopeUndo(before);
    return true;
}

bool KCZoomVerticesGraph::RemoveDynamicMarker(int index) {
    if (index < 0 || index >= GetNumDynamicMarkers()) {
        return false;
    }
    if (KCParamExtensionDynamicMarkers* extension = GetDynamicMarkersExtension()) {
        extension->RemoveVertex(static_cast<std::size_t>(index));
    }
    m_dynamic.list.erase(m_dynamic.list.begin() + index);
    // A drag of the removed marker or one after it has lost its marker.
    m_draggedDynamic = -1;
    SetNeedToRedrawControl();
    if (m_vertexListHook) {
        m_vertexListHook(*this);
    }
    return true;
}

int KCZoomVerticesGraph::DisposeSelectedMarkers() {
    const KCParamExtensionDynamicMarkers* extension = GetDynamicMarkersExtension();
    const Envelope before = extension != nullptr ? extension->GetEnvelopeVec() : Envelope();
    int disposed = 0;
    // From the back, so the indices still to visit stay valid.
    for (int i = GetNumDynamicMarkers() - 1; i >= 0; --i) {
        if (m_dynamic.list[static_cast<std::size_t>(i)].selected && RemoveDynamicMarker(i)) {
            ++disposed;
        }
    }
    if (disposed > 0) {
        RecordEnvelopeUndo(before);
    }
    return disposed;
}

CMarker_X* KCZoomVerticesGraph::GetDynamicMarker(int index) const {
    if (index < 0 || index >= GetNumDynamicMarkers()) {
        return nullptr;
    }
    return m_dynamic.list[static_cast<std::size_t>(index)].marker.get();
}

void KCZoomVerticesGraph::SelectDynamicMarker(int index, bool selected) {
    if (index >= 0 && index < GetNumDynamicMarkers()) {
        m_dynamic.list[static_cast<std::size_t>(index)].selected = selected;
        SetNeedToRedrawControl();
    }
}

bool KCZoomVerticesGraph::IsDynamicMarkerSelected(int index) const {
    return index >= 0 && index < GetNumDynamicMarkers() &&
           m_dynamic.list[static_cast<std::size_t>(index)].selected;
}

int KCZoomVerticesGraph::GetDynamicMarkerIndex(const CMarker_X& marker) const {
    for (std::size_t i = 0; i < m_dynamic.list.size(); ++i) {
        if (m_dynamic.list[i].marker.get() == &marker) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void KCZoomVerticesGraph::UpdateMarkersList() {
    const KCParamExtensionDynamicMarkers* extension = GetDynamicMarkersExtension();
    const std::size_t wanted = extension == nullptr ? 0 : extension->GetEnvelopeVec().size();
    if (m_dynamic.list.size() > wanted) {
        m_dynamic.list.resize(wanted);
        m_draggedDynamic = -1;
    }
    while (m_dynamic.list.size() < wanted) {
        std::unique_ptr<CMarker_X> marker = CloneTemplateMarker();
        if (marker == nullptr) {
            break;
        }
        m_dynamic.list.push_back({std::move(marker), false});
    }
    UpdateMarkersPosition();
}

void KCZoomVerticesGraph::EnvelopeReplaced() {
    for (DynamicMarker& marker : m_dynamic.list) {
        marker.selected = false;
    }
    m_draggedDynamic = -1;
    UpdateMarkersList();
    SetNeedToRedrawControl();
    if (m_vertexListHook) {
        m_vertexListHook(*this);
    }
}

void KCZoomVerticesGraph::UpdateMarkersPosition() {
    // The parameter markers stand at their vertex's place in the data range: show that through
    // the window.
    const auto [xLow, xSize] = GetScrollFraction(false);
    const auto [yLow, ySize] = GetScrollFraction(true);
    for (CMarker_X* marker : GetMarkers()) {
        marker->SetViewWindow({xLow, yLow}, {xSize, ySize});
    }
    const KCParamExtensionDynamicMarkers* extension = GetDynamicMarkersExtension();
    const KURect<short> area = GetDrawArea();
    for (std::size_t i = 0; i < m_dynamic.list.size(); ++i) {
        CMarker_X& marker = *m_dynamic.list[i].marker;
        KCPoint2D<double> vertex;
        if (extension == nullptr || !extension->GetEnvelopePoint(i, vertex)) {
            marker.SetHidden(true);
            continue;
        }
        const KCPoint2D<double> at{(vertex.x - m_window.xMin) / (m_window.xMax - m_window.xMin),
                                   (vertex.y - m_window.yMin) / (m_window.yMax - m_window.yMin)};
        marker.SetControlRect(area);
        marker.SetFreePosition(at);
        // A vertex scrolled or zoomed out of the window has no marker to grab.
        marker.SetHidden(at.x < 0.0 || at.x > 1.0 || at.y < 0.0 || at.y > 1.0);
    }
}

void KCZoomVerticesGraph::DynamicMarkerMoved(int index) {
    KCParamExtensionDynamicMarkers* extension = GetDynamicMarkersExtension();
    if (extension == nullptr) {
        return;
    }
    const KCPoint2D<double> at = GetDynamicMarker(index)->GetPositionFraction();
    extension->UpdateVertex(static_cast<std::size_t>(index),
                            {m_window.xMin + at.x * (m_window.xMax - m_window.xMin),
                             m_window.yMin + at.y * (m_window.yMax - m_window.yMin)});
    // The envelope keeps its order: the marker shows where its vertex was held.
    UpdateMarkersPosition();
    SetNeedToRedrawControl();
    if (m_vertexListHook) {
        m_vertexListHook(*this);
    }
}

int KCZoomVerticesGraph::GetDynamicMarkerAt(const Event& event) const {
    // The topmost (last drawn) dynamic marker under the pointer.
    for (int i = GetNumDynamicMarkers() - 1; i >= 0; --i) {
        if (m_dynamic.list[static_cast<std::size_t>(i)].marker->IsPointInside(
                event.GetMouseLocation(), &event)) {
            return i;
        }
    }
    return -1;
}

bool KCZoomVerticesGraph::ExtendOwnSelectionSelf(const Event& event) {
    const int i = GetDynamicMarkerAt(event);
    if (i < 0) {
        return false;
    }
    SelectDynamicMarker(i, !IsDynamicMarkerSelected(i));
    return true;
}

// ------------------------------------------------------------------ zoom selection

BUFFER_HEADER* KCZoomVerticesGraph::MouseDownSelf(const Event& event, KURect<double>* range) {
    BUFFER_HEADER* chain = KCGraph::MouseDownSelf(event, range);
    m_draggedDynamic = -1;
    m_selecting = false;
    if (const int i = GetDynamicMarkerAt(event); i >= 0) {
        for (DynamicMarker& other : m_dynamic.list) {
            other.selected = false;
        }
        SelectDynamicMarker(i, true);
        m_draggedDynamic = i;
        if (const KCParamExtensionDynamicMarkers* extension = GetDynamicMarkersExtension()) {
            m_envelopeAtPress = extension->GetEnvelopeVec();
        }
        bool handled = false;
        return ChainBuffers(chain, GetDynamicMarker(i)->MouseDown(event, range, handled));
    }
    m_zoomStart = event.GetMouseLocation();
    m_zoomRect = {};
    m_selecting = true;
    return chain;
}

BUFFER_HEADER* KCZoomVerticesGraph::MouseDragSelf(const Event& event, double dx, double dy,
                                                  KURect<double>* rect) {
    if (m_draggedDynamic >= 0) {
        return GetDynamicMarker(m_draggedDynamic)->MouseDrag(event, dx, dy, rect);
    }
    if (!m_selecting) {
        return nullptr;
    }
    const KURect<short> area = GetDrawArea();
    const KCPoint2D<short> at = event.GetMouseLocation();
    const auto x = std::clamp(at.x, area.left, area.right);
    const auto y = std::clamp(at.y, area.top, area.bottom);
    m_zoomRect = KURect<short>(std::min(m_zoomStart.y, y), std::min(m_zoomStart.x, x),
                               std::max(m_zoomStart.y, y), std::max(m_zoomStart.x, x));
    SetNeedToRedrawControl();
    return nullptr;
}

BUFFER_HEADER* KCZoomVerticesGraph::MouseUpSelf(const Event& event) {
    if (m_draggedDynamic >= 0) {
        CMarker_X* marker = GetDynamicMarker(m_draggedDynamic);
        m_draggedDynamic = -1;
        BUFFER_HEADER* chain = marker->MouseUp(event);
        RecordEnvelopeUndo(m_envelopeAtPress);  // a press without a move records nothing
        m_envelopeAtPress.clear();
        return chain;
    }
    if (m_selecting && m_zoomRect.Width() >= kMinZoomPixels &&
        m_zoomRect.Height() >= kMinZoomPixels) {
        const KCPoint2D<double> low = ViewToData({m_zoomRect.left, m_zoomRect.bottom});
        const KCPoint2D<double> high = ViewToData({m_zoomRect.right, m_zoomRect.top});
        const KSDataWindow asked{low.x, high.x, low.y, high.y};
        if (!m_zoomHook || !m_zoomHook(*this, asked)) {
            UpdateDisplayCoordinateSystem(asked.xMin, asked.xMax, asked.yMin, asked.yMax);
        }
    }
    m_selecting = false;
    m_zoomRect = {};
    if (m_clearMasterOnMouseUp) {
        m_master = -1;
    }
    SetNeedToRedrawControl();
    return nullptr;
}

// ------------------------------------------------------------------ drawing

void KCZoomVerticesGraph::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (IsHidden()) {
        return;
    }
    KCGraph::GetDrawInstructions(writer);
    const KURect<short> clip = GetClippingArea();
    if (clip.Width() > 0 && clip.Height() > 0 && GetNumVertices() > 1) {
        // The envelope through the vertices, clipped to the graph; the markers draw the points.
        kvGS::KCStGSFrameStructWriter frame(
            writer, KURect<int>(clip.top, clip.left, clip.bottom, clip.right), 0);
        writer.ClipRect(KURect<short>(0, 0, clip.Height(), clip.Width()));
        const auto local = [&](int i) {
            const KCPoint2D<double> p = DataToView(GetVertex(i));
            return KCPoint2D<short>{static_cast<short>(std::lround(p.x) - clip.left),
                                    static_cast<short>(std::lround(p.y) - clip.top)};
        };
        for (int i = 1; i < GetNumVertices(); ++i) {
            writer.DrawLine(m_lineColor, local(i - 1), local(i), 1.5F, true);
        }
        frame.CloseFrame();
    }
    for (const DynamicMarker& dynamic : m_dynamic.list) {
        dynamic.marker->GetDrawInstructions(writer);
        if (dynamic.selected && !dynamic.marker->IsHidden()) {
            writer.DrawWireRect(Palette().selected, dynamic.marker->GetBounds(), 1.0F);
        }
    }
    if (m_selecting && m_zoomRect.Width() > 0 && m_zoomRect.Height() > 0) {
        writer.DrawWireRect(Palette().selected, m_zoomRect, 1.0F);
    }
}

}  // namespace kvKorvaneV10_0_3
