// KCAnimation: images played in turn over a duration, timed by an injectable clock.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/gui/pvm/base_image.h"
#include "korvane/gui/pvm/micro_clock.h"
#include "korvane/xml/xml_element.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace kvKorvaneV10_0_3::PluginViewManager {

// XML: "Duration" (milliseconds, optional) and one "Image" per frame, in order.
// [gui-thread]
class KORVANE_API KCAnimation {
public:
    // Without a clock the steady system clock is used.
    explicit KCAnimation(KTResContainerType* container = nullptr, KTMicroClock clock = {});
    KCAnimation(const KCAnimation& other);
    KCAnimation& operator=(const KCAnimation& other);
    KCAnimation(KCAnimation&&) noexcept = default;
    KCAnimation& operator=(KCAnimation&&) noexcept = default;
    ~KCAnimation();

    void SetClock(KTMicroClock clock);
    [[nodiscard]] KTResContainerType* GetResContainer() const { return m_container; }

    // Replaces the frames and duration. Every frame is kept even when it fails to load; the
    // first error is returned (eXMLElementMissing for a null element).
    [[nodiscard]] KTErr ReadFromXML(const XML::CXMLElement* e);
    void WriteToXML(XML::CXMLElement* e) const;

    void AddImage(std::unique_ptr<KCBaseImage> image);
    void Clear();
    // Milliseconds for the whole sequence; ≤ 0 shows the first frame only.
    void SetDuration(int milliseconds) { m_duration = milliseconds; }
    [[nodiscard]] int GetDuration() const { return m_duration; }

    // −1 when there are no images; otherwise starts from the first frame and returns 0.
    int StartAnimation();
    void StopAnimation() { m_running = false; }
    [[nodiscard]] bool IsRunning() const { return m_running; }
    // Advances by the time since the previous call: the current frame, −1 when not running.
    int UpdateTimer();

    [[nodiscard]] int GetImageCount() const { return static_cast<int>(m_images.size()); }
    [[nodiscard]] int GetCurrentFrame() const { return m_frame; }
    // Null when there are no images.
    [[nodiscard]] KCBaseImage* GetCurrentImage() const { return GetImageByIndex(m_frame); }
    // Null outside 0 … count − 1.
    [[nodiscard]] KCBaseImage* GetImageByIndex(int index) const;
    // True when there is at least one image and every image is loaded.
    [[nodiscard]] bool IsValid() const;

private:
    std::uint64_t Now() const;

    KTResContainerType* m_container = nullptr;  // not owned
    KTMicroClock m_clock;
    std::vector<std::unique_ptr<KCBaseImage>> m_images;
    int m_duration = 0;
    bool m_running = false;
    std::uint64_t m_lastTime = 0;  // clock at the previous start or update
    std::uint64_t m_position = 0;  // microseconds into the sequence, < duration
    int m_frame = 0;
};

}  // namespace kvKorvaneV10_0_3::PluginViewManager
