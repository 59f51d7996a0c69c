#include "korvane/gui/pvm/image_vector.h"

#include <utility>

namespace kvKorvaneV10_0_3::PluginViewManager {

KCBaseImageVector::KCBaseImageVector(KTResContainerType* container) : m_container(container) {}

KCBaseImageVector::KCBaseImageVector(const KCBaseImageVector& other)
    : m_container(other.m_container), m_current(other.m_current) {
    m_entries.reserve(other.m_entries.size());
    for (const KSEntry& entry : other.m_entries) {
        KSEntry copy;
        if (entry.image) {
            copy.image = entry.image->Clone();
        } else {
            copy.animation = std::make_unique<KCAnimation>(*entry.animation);
        }
        m_entries.push_back(std::move(copy));
    }
}

KCBaseImageVector& KCBaseImageVector::operator=(const KCBaseImageVector& other) {
    if (this != &other) {
        KCBaseImageVector copy(other);
        *this = std::move(copy);
    }
    return *this;
}

KCBaseImageVector::~KCBaseImageVector() = default;

KTErr KCBaseImageVector::AddFromXML(const XML::CXMLElement* e) {
    if (e == nullptr) {
        return eXMLElementMissing;
    }
    KTErr first = eNoErr;
    for (const XML::CXMLElement* child : e->GetSubElements()) {
        KTErr err = eNoErr;
        if (child->GetName() == "Image") {
            std::unique_ptr<KCBaseImage> image = MakeImageForXML(child, m_container);
            err = image->ReadFromXML(child);
            AddImage(std::move(image));
        } else if (child->GetName() == "Animation") {
            auto animation = std::make_unique<KCAnimation>(m_container);
            err = animation->ReadFromXML(child);
            AddAnimation(std::move(animation));
        }
        if (first == eNoErr) {
            first = err;
        }
    }
    return first;
}

void KCBaseImageVector::WriteToXML(XML::CXMLElement* e) const {
    if (e == nullptr) {
        return;
    }
    for (const KSEntry& entry : m_entries) {
        if (entry.image) {
            entry.image->WriteToXML(e->AddSubElement("Image"));
        } else {
            entry.animation->WriteToXML(e->AddSubElement("Animation"));
        }
    }
}

void KCBaseImageVector::AddImage(std::unique_ptr<KCBaseImage> image) {
    if (image) {
        m_entries.push_back({std::move(image), nullptr});
    }
}

void KCBaseImageVector::AddAnimation(std::unique_ptr<KCAnimation> animation) {
    if (animation) {
        m_entries.push_back({nullptr, std::move(animation)});
    }
}

void KCBaseImageVector::InsertImage(std::unique_ptr<KCBaseImage> image, std::size_t index) {
    if (!image) {
        return;
    }
    if (index >= m_entries.size()) {
        AddImage(std::move(image));
        return;
    }
    m_entries.insert(m_entries.begin() + static_cast<std::ptrdiff_t>(index),
                     KSEntry{std::move(image), nullptr});
    if (static_cast<std::size_t>(m_current) >= index && m_entries.size() > 1) {
        ++m_current;
    }
}

void KCBaseImageVector::PopBack() {
    if (m_entries.empty()) {
        return;
    }
    m_entries.pop_back();
    if (static_cast<std::size_t>(m_current) >= m_entries.size()) {
        m_current = m_entries.empty() ? 0 : static_cast<int>(m_entries.size()) - 1;
    }
}

void KCBaseImageVector::Clear() {
    m_entries.clear();
    m_current = 0;
}

const KCBaseImageVector::KSEntry* KCBaseImageVector::Entry(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_entries.size()) {
        return nullptr;
    }
    return &m_entries[static_cast<std::size_t>(index)];
}

KCBaseImage* KCBaseImageVector::GetImagePtr(int index, int frame) const {
    const KSEntry* entry = Entry(index);
    if (entry == nullptr) {
        return nullptr;
    }
    if (entry->image) {
        return frame == 0 ? entry->image.get() : nullptr;
    }
    return entry->animation->GetImageByIndex(frame);
}

KCAnimation* KCBaseImageVector::GetAnimation(int index) const {
    const KSEntry* entry = Entry(index);
    return entry == nullptr ? nullptr : entry->animation.get();
}

KCBaseImage* KCBaseImageVector::GetCurrentImage() const {
    const KSEntry* entry = Entry(m_current);
    if (entry == nullptr) {
        return nullptr;
    }
    return entry->image ? entry->image.get() : entry->animation->GetCurrentImage();
}

short KCBaseImageVector::GetCurrentImageResID() const {
    const KCBaseImage* image = GetCurrentImage();
    return image == nullptr ? kNoImageResID : image->GetResID();
}

KTErr KCBaseImageVector::SetCurrentImage(int index) {
    if (Entry(index) == nullptr) {
        return eOutOfRangeNumber;
    }
    m_current = index;
    return eNoErr;
}

void KCBaseImageVector::SetNextImage() {
    if (m_entries.empty()) {
        return;
    }
    m_current = (m_current + 1) % static_cast<int>(m_entries.size());
}

bool KCBaseImageVector::IsImageLoadable(int index) const {
    const KSEntry* entry = Entry(index);
    if (entry == nullptr) {
        return false;
    }
    return entry->image ? entry->image->IsLoaded() : entry->animation->IsValid();
}

}  // namespace kvKorvaneV10_0_3::PluginViewManager
