// KCBaseImageVector: the images of one control (one per state, say), each a still image or an
// animation, with the index of the one shown.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/gui/pvm/animation.h"
#include "korvane/gui/pvm/base_image.h"
#include "korvane/xml/xml_element.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace kvKorvaneV10_0_3::PluginViewManager {

// [gui-thread]
class KORVANE_API KCBaseImageVector {
public:
    explicit KCBaseImageVector(KTResContainerType* container = nullptr);
    KCBaseImageVector(const KCBaseImageVector& other);
    KCBaseImageVector& operator=(const KCBaseImageVector& other);
    KCBaseImageVector(KCBaseImageVector&&) noexcept = default;
    KCBaseImageVector& operator=(KCBaseImageVector&&) noexcept = default;
    ~KCBaseImageVector();

    [[nodiscard]] KTResContainerType* GetResContainer() const { return m_container; }
    void SetResContainer(KTResContainerType* container) { m_container = container; }

    // Appends one entry per "Image" and "Animation" child of `e`, in document order; other
    // children are skipped. Entries that fail to load are kept (IsImageLoadable tells them);
    // the first error is returned, eXMLElementMissing for a null element.
    [[nodiscard]] KTErr AddFromXML(const XML::CXMLElement* e);
    // One "Image" or "Animation" child per entry.
    void WriteToXML(XML::CXMLElement* e) const;

    void AddImage(std::unique_ptr<KCBaseImage> image);
    void AddImage(const KCBaseImage& image) { AddImage(image.Clone()); }
    void AddAnimation(std::unique_ptr<KCAnimation> animation);
    // Inserts before `index`; an index past the end appends. The current index keeps
    // pointing at the same entry.
    void InsertImage(std::unique_ptr<KCBaseImage> image, std::size_t index);
    void PopBack();
    void Clear();

    [[nodiscard]] std::size_t size() const { return m_entries.size(); }
    [[nodiscard]] bool empty() const { return m_entries.empty(); }

    // Frame `frame` of entry `index` (a still image has the single frame 0); null outside
    // the entries or frames.
    [[nodiscard]] KCBaseImage* GetImagePtr(int index, int frame = 0) const;
    // Entry `index`'s animation; null for a still image or outside the entries.
    [[nodiscard]] KCAnimation* GetAnimation(int index) const;
    // The current entry's image (an animation's current frame); null when empty.
    [[nodiscard]] KCBaseImage* GetCurrentImage() const;
    [[nodiscard]] int GetCurrentImageIndex() const { return m_current; }
    // kNoImageResID when there is no current image.
    [[nodiscard]] short GetCurrentImageResID() const;
    // eOutOfRangeNumber (index unchanged) outside the entries.
    [[nodiscard]] KTErr SetCurrentImage(int index);
    // The next entry, back to the first after the last.
    void SetNextImage();
    // True when entry `index` exists and all its images are decoded.
    [[nodiscard]] bool IsImageLoadable(int index) const;

private:
    struct KSEntry {
        std::unique_ptr<KCBaseImage> image;      // a still image, or
        std::unique_ptr<KCAnimation> animation;  // an animation
    };
    [[nodiscard]] const KSEntry* Entry(int index) const;

    KTResContainerType* m_container = nullptr;  // not owned
    std::vector<KSEntry> m_entries;
    int m_current = 0;
};

}  // namespace kvKorvaneV10_0_3::PluginViewManager
