// Images the GUI draws: a PNG from the plug-in's "PNG_" resources (KCBaseImage) or from a file
// (KCBaseImageFromFile), decoded once and shared by every image of the same source.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/gui/pvm/png_image.h"
#include "korvane/rm/res_container_user.h"
#include "korvane/xml/xml_element.h"

#include <cstddef>
#include <memory>
#include <string>

namespace kvKorvaneV10_0_3::PluginViewManager {

// The resource type of PNG images and the id of "no image".
inline constexpr const char* kPNGResType = "PNG_";
inline constexpr short kNoImageResID = -1;

// Largest PNG file read from disk.
inline constexpr std::size_t kMaxImageFileSize = std::size_t{64} * 1024 * 1024;

// One image. Copies share the decoded pixels. [gui-thread]
class KORVANE_API KCBaseImage : public RM::KCResContainerUser {
public:
    explicit KCBaseImage(KTResContainerType* container = nullptr, short resID = kNoImageResID);
    KCBaseImage(const KCBaseImage& other);
    KCBaseImage& operator=(const KCBaseImage& other);
    ~KCBaseImage() override;

    // A copy of the same kind (a file image stays a file image).
    [[nodiscard]] virtual std::unique_ptr<KCBaseImage> Clone() const;

    [[nodiscard]] short GetResID() const { return m_resID; }
    // Changes the id; the pixels are dropped until the next load.
    void SetResID(short resID);

    // Decodes "PNG_" `resID` of the container (the cache serves a source decoded before).
    // eRMInvalidResContainer without a container, eRMInvalidResID for kNoImageResID, the
    // resource manager's error when the resource cannot be read, DecodePNG's for bad data.
    [[nodiscard]] KTErr LoadPNGFromResource(short resID);
    [[nodiscard]] KTErr LoadPNGFromResource() { return LoadPNGFromResource(m_resID); }
    // Decodes PNG bytes held by the caller; not cached.
    [[nodiscard]] KTErr LoadPNGFromMemory(const void* data, std::size_t size);
    // Loads from the image's own source.
    [[nodiscard]] virtual KTErr Load();
    void Unload();

    [[nodiscard]] bool IsLoaded() const { return m_pixels != nullptr; }
    // The result of the last load (eUninitalized before any).
    [[nodiscard]] KTErr GetLoadError() const { return m_loadError; }
    // 0 while nothing is loaded.
    [[nodiscard]] int GetWidth() const;
    [[nodiscard]] int GetHeight() const;
    [[nodiscard]] KCSize2D<short> GetImageSize() const;
    // True outside the image, while nothing is loaded, and where alpha is 0.
    [[nodiscard]] bool IsPixelTransparent(KCPoint2D<short> point) const;
    // Null while nothing is loaded.
    [[nodiscard]] const KCImagePixels* GetPixels() const { return m_pixels.get(); }
    [[nodiscard]] const std::shared_ptr<const KCImagePixels>& SharedPixels() const {
        return m_pixels;
    }

    // "ResID" (required), then loads. eXMLElementMissing for a null element or no "ResID",
    // the parse error for a malformed id; otherwise the load's result.
    [[nodiscard]] virtual KTErr ReadFromXML(const XML::CXMLElement* e);
    // Takes only what `e` has; reloads when the source changed.
    [[nodiscard]] virtual KTErr UpdateFromXML(const XML::CXMLElement* e);
    virtual void WriteToXML(XML::CXMLElement* e) const;

protected:
    void SetPixels(std::shared_ptr<const KCImagePixels> pixels, KTErr result);

private:
    short m_resID;
    std::shared_ptr<const KCImagePixels> m_pixels;
    KTErr m_loadError = eUninitalized;
};

// The same from a PNG file ("filename": an absolute UTF-8 path). [gui-thread]
class KORVANE_API KCBaseImageFromFile : public KCBaseImage {
public:
    KCBaseImageFromFile() = default;
    explicit KCBaseImageFromFile(std::string path) : m_path(std::move(path)) {}

    [[nodiscard]] std::unique_ptr<KCBaseImage> Clone() const override;

    [[nodiscard]] const std::string& GetFileName() const { return m_path; }
    void SetFileName(std::string path);
    // eFMFileNotFound unless the path names a regular file, the reading error when it cannot
    // be read, eGMInvalidImage past kMaxImageFileSize, DecodePNG's for bad data.
    [[nodiscard]] KTErr LoadPNGFromFile();
    [[nodiscard]] KTErr Load() override { return LoadPNGFromFile(); }

    // "filename" (required), then loads.
    [[nodiscard]] KTErr ReadFromXML(const XML::CXMLElement* e) override;
    [[nodiscard]] KTErr UpdateFromXML(const XML::CXMLElement* e) override;
    void WriteToXML(XML::CXMLElement* e) const override;

private:
    std::string m_path;
};

// An image for an "Image" element: from a file when it has "filename", else from the resources.
// Null only for a null element. [gui-thread]
KORVANE_API std::unique_ptr<KCBaseImage> MakeImageForXML(const XML::CXMLElement* e,
                                                         KTResContainerType* container);

// How many decoded images the cache holds alive now. [any-thread]
KORVANE_API std::size_t GetCachedImageCount();
// How many times a PNG was decoded for the cache since the process started. [any-thread]
KORVANE_API std::size_t GetImageDecodeCount();

}  // namespace kvKorvaneV10_0_3::PluginViewManager
