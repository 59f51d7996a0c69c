// Where the renderer finds the pixels of the images a graphic stream draws: an interface keyed
// by resource id or name, and one source over PNG files and PNG bytes.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/gui/pvm/png_image.h"

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace kvKorvaneV10_0_3::PluginViewManager {

// Answers the renderer's "ePNG" records. [gui-thread]: called by the renderer that holds it.
class KORVANE_API KCImageSource {
public:
    KCImageSource() = default;
    KCImageSource(const KCImageSource&) = delete;
    KCImageSource& operator=(const KCImageSource&) = delete;
    virtual ~KCImageSource();

    // The image with resource id `resID`, or, when `name` is not empty, the image of that name
    // (the stream's by-name records). Null when there is none. The pixels stay valid, at the
    // same address, until the source is changed or destroyed; finding or loading another image
    // is no change (a renderer keeps what it got for the length of one run).
    [[nodiscard]] virtual const KCImagePixels* GetImage(int resID, std::string_view name) = 0;
};

// PNG images held decoded: added as bytes under an id or a name, or read on first use from
// "PNG_<id or name>.png" in a folder (the layout of a bundle's resources). Names holding a
// path separator, "..", or a control character are never looked up on disk. [gui-thread]
class KORVANE_API KCPNGImageSource : public KCImageSource {
public:
    // Largest PNG file read from the folder.
    static constexpr std::size_t kMaxFileBytes = std::size_t{64} * 1024 * 1024;
    // Missing names remembered at most; past that they are all forgotten and looked up again.
    static constexpr std::size_t kMaxMissing = 256;

    KCPNGImageSource() = default;
    explicit KCPNGImageSource(std::string folder) : m_folder(std::move(folder)) {}

    void SetFolder(std::string folder);
    // Decodes the PNG and keeps it under the key; the errors of DecodePNG.
    [[nodiscard]] KTErr AddPNG(int resID, const void* data, std::size_t size);
    [[nodiscard]] KTErr AddPNG(std::string_view name, const void* data, std::size_t size);

    [[nodiscard]] const KCImagePixels* GetImage(int resID, std::string_view name) override;

private:
    [[nodiscard]] KTErr Add(std::string key, const void* data, std::size_t size);
    const KCImagePixels* Load(const std::string& key);
    void ForgetMissing();

    std::string m_folder;
    // Decoded images, and keys whose file was missing or damaged (an empty entry), so a stream
    // that draws a missing image many times reads the disk once.
    std::map<std::string, KCImagePixels, std::less<>> m_images;
    std::size_t m_missing = 0;  // empty entries in m_images
};

}  // namespace kvKorvaneV10_0_3::PluginViewManager
