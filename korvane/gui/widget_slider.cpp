#include "korvane/gui/widget_slider.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/buffer_chain.h"
#include "korvane/gui/pvm/base_image.h"
#include "korvane/gui/state_images.h"
#include "korvane/gui/widget_value_text.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_values.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kvKorvaneV10_0_3 {

using XML::CXMLElement;
using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;

namespace {

constexpr short kDefaultThumbLength = 10;

bool ReadRect(const CXMLElement* e, KURect<short>& rect) {
    KURect<short> read;
    if (e == nullptr || XML::ReadFromXML_KURect(e, read) != eNoErr) {
        return false;
    }
    rect = read;
    return true;
}

bool HasArea(const KURect<short>& rect) {
    return rect.Width() > 0 && rect.Height() > 0;
}

// A list's shadow under `rect`, moved by the list's offset.
void DrawShadow(kvGS::KCGraphicStreamBinaryWriter& writer, const KCControlImageList& images,
                KURect<short> rect) {
    if (images.shadow.IsSet()) {
        rect.Offset(images.shadowOffset.x, images.shadowOffset.y);
        DrawImageReference(writer, images.shadow, rect);
    }
}

bool Contains(const KURect<short>& rect, KCPoint2D<short> point) {
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top &&
           point.y < rect.bottom;
}

}  // namespace

// ------------------------------------------------------------------ description

void CSlider_X::ReadFromXMLWithAlg(const CXMLElement& element, cALGORITHM* alg, bool update) {
    if (!update) {
        m_movementRect = {};
        m_backPictRect = {};
        m_textOffset = {};
        m_textSize = {};
        m_resetFromRect = {};
        m_thumbWidth = 0;
        m_thumbHeight = 0;
        m_holdPoint = {};
        m_foregroundImages = {};
        m_backgroundImages = {};
        m_selectionImages = {};
        m_imageThumbSize = {};
    }
    KCGUIControl::ReadFromXMLWithAlg(element, alg, update);
    if (const CXMLElement* slit = element.SubElement("Slit")) {
        ReadRect(slit->SubElement("ThumbMovementArea"), m_movementRect);
        ReadRect(slit->SubElement("BackGroundPictRect"), m_backPictRect);
        ReadRect(slit->SubElement("ResetFromRect"), m_resetFromRect);
        KURect<short> offset;
        if (ReadRect(slit->SubElement("TextWindowRelativeToThumb"), offset)) {
            m_textOffset = {offset.left, offset.top};
            m_textSize = {offset.Width(), offset.Height()};
        }
        if (const CXMLElement* size = slit->SubElement("ThumbSize")) {
            size->GetAttrib("width", m_thumbWidth);
            size->GetAttrib("height", m_thumbHeight);
        }
    }
    const std::pair<const char*, KCControlImageList*> lists[] = {
        {"ForeGroundImageList", &m_foregroundImages},
        {"BackGroundImageList", &m_backgroundImages},
        {"SelectionImageList", &m_selectionImages}};
    for (const auto& [name, images] : lists) {
        if (const CXMLElement* list = element.SubElement(name)) {
            if (const CXMLElement* inner = list->SubElement("ImageList")) {
                images->ReadFromXML(*inner);
            }
        }
    }
    UpdateThumbFromLead();
}

void CSlider_X::WriteToXMLWithAlg(CXMLElement& parent, const cALGORITHM* alg,
                                  const char* elementName) const {
    KCGUIControl::WriteToXMLWithAlg(parent, alg, elementName);
    if (parent.GetSubElements().empty()) {
        return;
    }
    CXMLElement* element = parent.GetSubElements().back();
    CXMLElement* slit = element->AddSubElement("Slit");
    XML::WriteToXML_KURect(slit->AddSubElement("ThumbMovementArea"), m_movementRect);
    XML::WriteToXML_KURect(slit->AddSubElement("BackGroundPictRect"), m_backPictRect);
    XML::WriteToXML_KURect(slit->AddSubElement("TextWindowRelativeToThumb"),
                           KURect<short>(m_textOffset.y, m_textOffset.x,
                                         static_cast<short>(m_textOffset.y + m_textSize.y),
                                         static_cast<short>(m_textOffset.x + m_textSize.x)));
    XML::WriteToXML_KURect(slit->AddSubElement("ResetFromRect"), m_resetFromRect);
    if (m_thumbWidth != 0 || m_thumbHeight != 0) {
        CXMLElement* size = slit->AddSubElement("ThumbSize");
        size->SetAttrib("width", std::to_string(m_thumbWidth).c_str());
        size->SetAttrib("height", std::to_string(m_thumbHeight).c_str());
    }
    const std::pair<const char*, const KCControlImageList*> lists[] = {
        {"ForeGroundImageList", &m_foregroundImages},
        {"BackGroundImageList", &m_backgroundImages},
        {"SelectionImageList", &m_selectionImages}};
    for (const auto& [name, images] : lists) {
        if (!images->IsEmpty()) {
            images->WriteToXML(*element->AddSubElement(name)->AddSubElement("ImageList"));
        }
    }
}

int CSlider_X::FinishCreate() {
    const int result = KCGUIControl::FinishCreate();
    UpdateThumbFromLead();
    return result;
}

// ------------------------------------------------------------------ geometry

bool CSlider_X::IsVertical() const {
    const KCParamRegistrationData* lead = GetLeadRegistration();
    return lead != nullptr &&
           (lead->AnswersTo(eRegMouseVertical) || lead->AnswersTo(eRegMouseDrawHorizontal));
}

KURect<short> CSlider_X::GetMovementRect() const {
    return m_movementRect.Width() > 0 || m_movementRect.Height() > 0 ? m_movementRect
                                                                     : GetControlRect();
}

KCPoint2D<short> CSlider_X::GetTextWindowOrigin() const {
    if (!GetControlFlag(eCtrlSliderTextFollowKnob)) {
        return m_textOffset;
    }
    return {static_cast<short>(m_thumbRect.left + m_textOffset.x),
            static_cast<short>(m_thumbRect.top + m_textOffset.y)};
}

KURect<short> CSlider_X::GetValueRect() const {
    if (m_textSize.x <= 0 || m_textSize.y <= 0) {
        return GetControlRect();
    }
    const KCPoint2D<short> at = GetTextWindowOrigin();
    return {at.y, at.x, static_cast<short>(at.y + m_textSize.y),
            static_cast<short>(at.x + m_textSize.x)};
}

void CSlider_X::SetThumbSize(short width, short height) {
    m_thumbWidth = width;
    m_thumbHeight = height;
    UpdateThumbFromLead();
}

void CSlider_X::CalcThumbSize() {
    const PluginViewManager::KCBaseImage* thumb = m_thumbPixels.GetImagePtr(0);
    if (thumb == nullptr || !thumb->IsLoaded()) {
        return;
    }
    // A size beyond a coordinate's range is no size.
    const auto side = [](int pixels) {
        return pixels > 0 && pixels <= std::numeric_limits<short>::max()
                   ? static_cast<short>(pixels)
                   : short{0};
    };
    m_imageThumbSize = {side(thumb->GetWidth()), side(thumb->GetHeight())};
    UpdateThumbFromLead();
}

KTErr CSlider_X::LoadImagesSelf(KTResContainerType* container) {
    KTErr firstError = eNoErr;
    LoadImageReferences(m_trackPixels, m_backgroundImages.background, container, firstError);
    LoadImageReferences(m_thumbPixels, m_foregroundImages.foreground, container, firstError);
    std::vector<KCImageReference> shadows;
    for (const KCControlImageList* list : {&m_backgroundImages, &m_foregroundImages}) {
        if (list->shadow.IsSet()) {
            shadows.push_back(list->shadow);
        }
    }
    LoadImageReferences(m_shadowPixels, shadows, container, firstError);
    std::vector<KCImageReference> selections;
    for (const KCImageReference& selection : m_selectionImages.selection) {
        if (selection.IsSet()) {
            selections.push_back(selection);
        }
    }
    LoadImageReferences(m_selectionPixels, selections, container, firstError);
    m_imageThumbSize = {};
    CalcThumbSize();
    return firstError;
}

void CSlider_X::GetLoadedImages(std::vector<const PluginViewManager::KCBaseImage*>& images) const {
    KCGUIControl::GetLoadedImages(images);
    for (const PluginViewManager::KCBaseImageVector* pixels :
         {&m_trackPixels, &m_thumbPixels, &m_shadowPixels, &m_selectionPixels}) {
        for (std::size_t i = 0; i < pixels->size(); ++i) {
            if (const PluginViewManager::KCBaseImage* image =
                    pixels->GetImagePtr(static_cast<int>(i))) {
                images.push_back(image);
            }
        }
    }
}

std::string CSlider_X::GetValueText() const {
    const KCParamRegistrationData* lead = GetLeadRegistration();
    return lead == nullptr ? std::string() : WidgetValueText(*lead, LeadState());
}

double CSlider_X::ThumbPositionToState(KCPoint2D<short> hold, KCPoint2D<short> point) const {
    const KURect<short> m = GetMovementRect();
    if (IsVertical()) {
        const double length = m_thumbRect.bottom - m_thumbRect.top;
        const double travel = m.Height() - length;
        if (travel <= 0) {
            return StillState();
        }
        return (1.0 - ((point.y - m.top - hold.y) - length * 0.5) / travel) * 1000.0;
    }
    // Horizontal: the left end is state 0, as SetThumbRect places it.
    const double length = m_thumbRect.right - m_thumbRect.left;
    const double travel = m.Width() - length;
    if (travel <= 0) {
        return StillState();
    }
    return ((point.x - m.left - hold.x) - length * 0.5) / travel * 1000.0;
}

double CSlider_X::StateToThumbPosition(double state) const {
    const KURect<short> m = GetMovementRect();
    const bool vertical = IsVertical();
    const double length =
        vertical ? m_thumbRect.bottom - m_thumbRect.top : m_thumbRect.right - m_thumbRect.left;
    const double travel = std::max(0.0, (vertical ? m.Height() : m.Width()) - length);
    const double fraction = std::clamp(state / 1000.0, 0.0, 1.0);
    return vertical ? m.top + length * 0.5 + (1.0 - fraction) * travel
                    : m.left + length * 0.5 + fraction * travel;
}

void CSlider_X::SetThumbRect(int pos) {
    const KURect<short> m = GetMovementRect();
    // The description's size, else the thumb image's; a side without either takes the default.
    const short width = m_thumbWidth > 0 ? m_thumbWidth : m_imageThumbSize.x;
    const short height = m_thumbHeight > 0 ? m_thumbHeight : m_imageThumbSize.y;
    if (IsVertical()) {
        const short length = height > 0 ? height : kDefaultThumbLength;
        const short breadth = width > 0 ? width : m.Width();
        const auto above = static_cast<short>(length / 2);
        m_thumbRect.top = static_cast<short>(pos - above);
        m_thumbRect.bottom = static_cast<short>(pos + (length - above));
        m_thumbRect.left = static_cast<short>(m.left + (m.Width() - breadth) / 2);
        m_thumbRect.right = static_cast<short>(m_thumbRect.left + breadth);
    } else {
        const short length = width > 0 ? width : kDefaultThumbLength;
        const short breadth = height > 0 ? height : m.Height();
        const auto before = static_cast<short>(length / 2);
        m_thumbRect.left = static_cast<short>(pos - before);
        m_thumbRect.right = static_cast<short>(pos + (length - before));
        m_thumbRect.top = static_cast<short>(m.top + (m.Height() - breadth) / 2);
        m_thumbRect.bottom = static_cast<short>(m_thumbRect.top + breadth);
    }
    m_thumbCentre = {static_cast<short>((m_thumbRect.left + m_thumbRect.right) / 2),
                     static_cast<short>((m_thumbRect.top + m_thumbRect.bottom) / 2)};
    // The lead registration's icon rides on the thumb, centred on it, keeping its size.
    KCParamRegistrationData* lead = GetLeadRegistration();
    if (GetControlFlag(eCtrlSliderIconFollowKnob) && lead != nullptr &&
        lead->imageRect.Width() > 0 && lead->imageRect.Height() > 0) {
        lead->imageRect.MoveTo(
            {static_cast<short>(m_thumbCentre.x - lead->imageRect.Width() / 2),
             static_cast<short>(m_thumbCentre.y - lead->imageRect.Height() / 2)});
    }
}

KCPoint2D<short> CSlider_X::CalcRelativeClickPoint(KCPoint2D<short> point) const {
    return {static_cast<short>(point.x - m_thumbCentre.x),
            static_cast<short>(point.y - m_thumbCentre.y)};
}

KCPoint2D<double> CSlider_X::GetTouchDelta(KCPoint2D<short> from, KCPoint2D<short> to) const {
    return {(to.x - from.x) * m_touchFactorX, -(to.y - from.y) * m_touchFactorY};
}

double CSlider_X::LeadState() const {
    const KCParamRegistrationData* lead = GetLeadRegistration();
    if (lead == nullptr) {
        return 0.0;
    }
    return lead->HasParam() ? lead->alg->GetParamState(lead->paramID) : lead->value;
}

double CSlider_X::StillState() const {
    // During a drag the base logic has already moved the lead by the pixel delta: the state to
    // keep is the one the drag began with.
    return m_stateAtDown >= 0.0 ? m_stateAtDown : LeadState();
}

void CSlider_X::UpdateThumbFromLead() {
    // The thumb's length must be known before the position is computed from it.
    SetThumbRect(0);
    SetThumbRect(static_cast<int>(std::lround(StateToThumbPosition(LeadState()))));
}

void CSlider_X::UpdatePointer(unsigned int index) {
    KCGUIControl::UpdatePointer(index);
    if (index < GetRegistrations().size() && GetLeadRegistration() == &GetRegistrations()[index]) {
        UpdateThumbFromLead();
    }
}

// ------------------------------------------------------------------ input

BUFFER_HEADER* CSlider_X::SetLeadState(double state, ERegisterType type) {
    KCParamRegistrationData* lead = GetLeadRegistration();
    if (lead == nullptr || !lead->AnswersTo(type)) {
        return nullptr;
    }
    const double now = lead->HasParam() ? lead->alg->GetParamState(lead->paramID) : lead->value;
    BUFFER_HEADER* chain = lead->OffsetParamValue(state - now, type, nullptr);
    UpdateThumbFromLead();
    return chain;
}

BUFFER_HEADER* CSlider_X::MouseDownSelf(const Event& event, KURect<double>* range) {
    BUFFER_HEADER* chain = KCGUIControl::MouseDownSelf(event, range);
    UpdateThumbFromLead();
    const KCPoint2D<short> point = event.GetMouseLocation();
    m_holdPoint = CalcRelativeClickPoint(point);
    m_stateAtDown = LeadState();
    if (m_resetFromRect.Width() > 0 && m_resetFromRect.Height() > 0 &&
        Contains(m_resetFromRect, point)) {
        SetNeedToResetParams(true);
        for (KCParamRegistrationData& r : Registrations()) {
            chain = ChainBuffers(chain, r.ResetParam());
        }
        SetNeedToResetParams(false);
        UpdateThumbFromLead();
    }
    return chain;
}

BUFFER_HEADER* CSlider_X::MouseDragSelf(const Event& event, double /*dx*/, double /*dy*/,
                                        KURect<double>* /*rect*/) {
    const double state = ThumbPositionToState(m_holdPoint, event.GetMouseLocation());
    return SetLeadState(state, IsVertical() ? eRegMouseVertical : eRegMouseHorizontal);
}

BUFFER_HEADER* CSlider_X::MouseUpSelf(const Event& /*event*/) {
    m_stateAtDown = -1.0;
    return nullptr;
}

BUFFER_HEADER* CSlider_X::MouseDrawSelf(const Event& event, double /*dx*/, double /*dy*/,
                                        KURect<double>* /*rect*/) {
    const double state = ThumbPositionToState({}, event.GetMouseLocation());
    return SetLeadState(state, IsVertical() ? eRegMouseDrawHorizontal : eRegMouseDrawVertical);
}

void CSlider_X::Move(int dx, int dy) {
    KCGUIControl::Move(dx, dy);
    const auto x = static_cast<short>(dx);
    const auto y = static_cast<short>(dy);
    m_movementRect.Offset(x, y);
    m_backPictRect.Offset(x, y);
    m_resetFromRect.Offset(x, y);
    m_thumbRect.Offset(x, y);
    m_thumbCentre = {static_cast<short>(m_thumbCentre.x + x),
                     static_cast<short>(m_thumbCentre.y + y)};
}

bool CSlider_X::IsPointInsideSelf(KCPoint2D<short> point, const Event* /*event*/) const {
    return Contains(GetMovementRect(), point) || Contains(m_thumbRect, point);
}

bool CSlider_X::DoYouIntersectSelf(const KURect<short>& rect, const Event* /*event*/) const {
    return m_thumbRect.IsIntersecting(rect);
}

// ------------------------------------------------------------------ drawing

void CSlider_X::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (IsHidden()) {
        return;
    }
    GetDrawInstructionsControlBackground(writer);
    const KURect<short> track = HasArea(m_backPictRect) ? m_backPictRect : GetMovementRect();
    DrawShadow(writer, m_backgroundImages, track);
    if (!m_backgroundImages.background.empty()) {
        DrawImageReference(writer, m_backgroundImages.background.front(), track);
    } else {
        writer.DrawSolidRect(Palette().sliderTrack, track);
    }
    DrawShadow(writer, m_foregroundImages, m_thumbRect);
    if (!m_foregroundImages.foreground.empty()) {
        DrawImageReference(writer, m_foregroundImages.foreground.front(), m_thumbRect);
    } else {
        writer.DrawSolidRect(Palette().sliderThumb, m_thumbRect);
    }
    const std::string text = GetValueText();
    if (m_textSize.x > 0 && m_textSize.y > 0 && !text.empty()) {
        // The text fills most of the window's height, centred in it.
        const KURect<short> window = GetValueRect();
        writer.Font("Arial", std::max(6, window.Height() * 3 / 4), Palette().text, 0);
        const kvGS::KCStGSFrameStructWriter frame(
            writer, KURect<int>(window.top, window.left, window.bottom, window.right), 0);
        writer.DrawTheText(text, 0, kvGS::eGSHCenter, kvGS::eGSVCenter);
    }
    // The lead registration's icon: the first additional image in its image rectangle.
    const KCParamRegistrationData* lead = GetLeadRegistration();
    if (lead != nullptr && lead->imageRect.Width() > 0 && lead->imageRect.Height() > 0 &&
        !GetImages().additional.empty()) {
        DrawImageReference(writer, GetImages().additional.front(), lead->imageRect);
    }
    GetDrawInstructionsParamsData(writer);
    const KCImageReference& selection =
        m_selectionImages.selection[static_cast<std::size_t>(GetSelectLevel())];
    if (selection.IsSet()) {
        DrawImageReference(writer, selection, GetControlRect());
    } else {
        GetDrawInstructionsSelectionBitmap(writer);
    }
}

}  // namespace kvKorvaneV10_0_3
