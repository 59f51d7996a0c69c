#include "korvane/gui/pvm/animation.h"

#include "korvane/xml/xml_values.h"

#include <algorithm>
#include <utility>

namespace kvKorvaneV10_0_3::PluginViewManager {

KCAnimation::KCAnimation(KTResContainerType* container, KTMicroClock clock)
    : m_container(container), m_clock(std::move(clock)) {}

KCAnimation::KCAnimation(const KCAnimation& other)
    : m_container(other.m_container),
      m_clock(other.m_clock),
      m_duration(other.m_duration),
      m_running(other.m_running),
      m_lastTime(other.m_lastTime),
      m_position(other.m_position),
      m_frame(other.m_frame) {
    m_images.reserve(other.m_images.size());
    for (const auto& image : other.m_images) {
        m_images.push_back(image->Clone());
    }
}

KCAnimation& KCAnimation::operator=(const KCAnimation& other) {
    if (this != &other) {
        KCAnimation copy(other);
        *this = std::move(copy);
    }
    return *this;
}

KCAnimation::~KCAnimation() = default;

void KCAnimation::SetClock(KTMicroClock clock) {
    m_clock = std::move(clock);
}

std::uint64_t KCAnimation::Now() const {
    return m_clock ? m_clock() : SteadyMicroseconds();
}

KTErr KCAnimation::ReadFromXML(const XML::CXMLElement* e) {
    if (e == nullptr) {
        return eXMLElementMissing;
    }
    Clear();
    KTErr first = eNoErr;
    if (const XML::CXMLElement* duration = e->SubElement("Duration")) {
        int milliseconds = 0;
        first = XML::ReadFromXML_Int(duration, milliseconds);
        m_duration = first == eNoErr ? milliseconds : 0;
    }
    for (const XML::CXMLElement* child : e->GetSubElements()) {
        if (child->GetName() != "Image") {
            continue;
        }
        std::unique_ptr<KCBaseImage> image = MakeImageForXML(child, m_container);
        const KTErr err = image->ReadFromXML(child);
        if (first == eNoErr) {
            first = err;
        }
        m_images.push_back(std::move(image));
    }
    return first;
}

void KCAnimation::WriteToXML(XML::CXMLElement* e) const {
    if (e == nullptr) {
        return;
    }
    if (m_duration != 0) {
        e->AddSubElement("Duration", XML::NumberText(m_duration));
    }
    for (const auto& image : m_images) {
        image->WriteToXML(e->AddSubElement("Image"));
    }
}

void KCAnimation::AddImage(std::unique_ptr<KCBaseImage> image) {
    if (image) {
        m_images.push_back(std::move(image));
    }
}

void KCAnimation::Clear() {
    m_images.clear();
    m_duration = 0;
    m_running = false;
    m_position = 0;
    m_frame = 0;
}

int KCAnimation::StartAnimation() {
    if (m_images.empty()) {
        return -1;
    }
    m_running = true;
    m_lastTime = Now();
    m_position = 0;
    m_frame = 0;
    return 0;
}

int KCAnimation::UpdateTimer() {
    if (!m_running) {
        return -1;
    }
    const std::uint64_t now = Now();
    const std::uint64_t elapsed = now >= m_lastTime ? now - m_lastTime : 0;
    m_lastTime = now;
    const auto count = static_cast<std::uint64_t>(m_images.size());
    if (m_duration <= 0 || count == 0) {
        // Without a duration there is no time per frame: the first frame stays.
        m_position = 0;
        m_frame = 0;
        return m_frame;
    }
    const std::uint64_t duration = static_cast<std::uint64_t>(m_duration) * 1000U;
    m_position += elapsed;
    if (m_position >= duration) {
        m_position %= duration;
    }
    // position × count / duration keeps the frame exact for durations shorter than the
    // number of frames, where a whole time per frame would be zero. position < duration, so
    // the product stays far inside 64 bits for any int duration and realistic frame count.
    const std::uint64_t frame = m_position * count / duration;
    m_frame = static_cast<int>(std::min(frame, count - 1));
    return m_frame;
}

KCBaseImage* KCAnimation::GetImageByIndex(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_images.size()) {
        return nullptr;
    }
    return m_images[static_cast<std::size_t>(index)].get();
}

bool KCAnimation::IsValid() const {
    return !m_images.empty() && std::all_of(m_images.begin(), m_images.end(),
                                            [](const auto& image) { return image->IsLoaded(); });
}

}  // namespace kvKorvaneV10_0_3::PluginViewManager
