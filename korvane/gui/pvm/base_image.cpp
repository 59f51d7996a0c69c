#include "korvane/gui/pvm/base_image.h"

#include "korvane/core/mem_obj.h"
#include "korvane/fm/path.h"
#include "korvane/rm/res_key.h"
#include "korvane/rm/resource_manager.h"
#include "korvane/xml/xml_values.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::PluginViewManager {
namespace {

// Decoded images by source. A source is a container path and id, or a file path; the stamp
// (modification time and size) makes a rewritten source decode again. Entries are weak: an
// image nobody shows any more is freed, and its entry is dropped on the next lookup.
struct KSStamp {
    std::int64_t time = 0;
    std::uint64_t size = 0;
    bool operator==(const KSStamp&) const = default;
};

struct KSCacheEntry {
    std::weak_ptr<const KCImagePixels> pixels;
    KSStamp stamp;
};

struct KSImageCache {
    std::mutex lock;
    std::map<std::string, KSCacheEntry> entries;
    std::atomic<std::size_t> decodes{0};
};

// Past this many entries, those of freed images are swept on insertion.
constexpr std::size_t kSweepThreshold = 256;

KSImageCache& Cache() {
    static KSImageCache cache;
    return cache;
}

// The cached pixels of `source`, or those `decode` makes (then cached). The decode runs
// outside the lock: two threads asking at once may both decode, and one result is kept.
template <typename Decode>
KTErr CachedDecode(const std::string& source, KSStamp stamp, Decode decode,
                   std::shared_ptr<const KCImagePixels>& out) {
    KSImageCache& cache = Cache();
    {
        std::lock_guard<std::mutex> guard(cache.lock);
        const auto it = cache.entries.find(source);
        if (it != cache.entries.end()) {
            if (auto alive = it->second.pixels.lock(); alive && it->second.stamp == stamp) {
                out = std::move(alive);
                return eNoErr;
            }
            cache.entries.erase(it);
        }
    }
    auto pixels = std::make_shared<KCImagePixels>();
    if (const KTErr err = decode(*pixels); err != eNoErr) {
        return err;
    }
    cache.decodes.fetch_add(1, std::memory_order_relaxed);
    std::lock_guard<std::mutex> guard(cache.lock);
    KSCacheEntry& entry = cache.entries[source];
    if (auto alive = entry.pixels.lock(); alive && entry.stamp == stamp) {
        out = std::move(alive);
        return eNoErr;
    }
    entry.pixels = pixels;
    entry.stamp = stamp;
    out = std::move(pixels);
    if (cache.entries.size() > kSweepThreshold) {
        std::erase_if(cache.entries, [](const auto& item) { return item.second.pixels.expired(); });
    }
    return eNoErr;
}

KTErr DecodeMemObj(const Utils::KCStMemObj& bytes, KCImagePixels& out) {
    return DecodePNG(bytes.ptr, bytes.size, out);
}

// Reads at most kMaxImageFileSize bytes of the file: one that grew past it since it was
// measured is refused rather than read whole.
KTErr ReadImageFile(const std::filesystem::path& path, std::vector<char>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return eFMFileNotFound;
    }
    out.resize(kMaxImageFileSize + 1);
    in.read(out.data(), static_cast<std::streamsize>(out.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    if (got > kMaxImageFileSize) {
        return eGMInvalidImage;
    }
    out.resize(got);
    return eNoErr;
}

}  // namespace

// ---- KCBaseImage

KCBaseImage::KCBaseImage(KTResContainerType* container, short resID)
    : RM::KCResContainerUser(container), m_resID(resID) {}

KCBaseImage::KCBaseImage(const KCBaseImage& other) = default;
KCBaseImage& KCBaseImage::operator=(const KCBaseImage& other) = default;
KCBaseImage::~KCBaseImage() = default;

std::unique_ptr<KCBaseImage> KCBaseImage::Clone() const {
    return std::make_unique<KCBaseImage>(*this);
}

void KCBaseImage::SetResID(short resID) {
    if (resID != m_resID) {
        m_resID = resID;
        Unload();
    }
}

KTErr KCBaseImage::LoadPNGFromResource(short resID) {
    if (resID != m_resID) {
        m_resID = resID;
    }
    if (m_container == nullptr) {
        SetPixels(nullptr, eRMInvalidResContainer);
        return eRMInvalidResContainer;
    }
    if (resID == kNoImageResID) {
        SetPixels(nullptr, eRMInvalidResID);
        return eRMInvalidResID;
    }
    const RM::KCResKey key(RM::KCResType(kPNGResType), resID);
    FM::KCStPath containerPath;
    if (const KTErr err = RM::GetContainerPath(m_container, containerPath); err != eNoErr) {
        SetPixels(nullptr, err);
        return err;
    }
    std::uint64_t size = 0;
    if (const KTErr err = RM::GetRawResSize(m_container, key, size); err != eNoErr) {
        SetPixels(nullptr, err);
        return err;
    }
    if (size > kMaxImageFileSize) {
        SetPixels(nullptr, eGMInvalidImage);
        return eGMInvalidImage;
    }
    std::int64_t seconds = 0;
    if (RM::GetModificationTime(m_container, key, seconds) != eNoErr) {
        seconds = 0;
    }
    std::string source = "res:";
    source += containerPath.GetPathString().c_str();
    source += '#';
    source += std::to_string(resID);

    KTResContainerType* container = m_container;
    std::shared_ptr<const KCImagePixels> pixels;
    const KTErr err = CachedDecode(
        source, KSStamp{seconds, size},
        [container, &key](KCImagePixels& out) -> KTErr {
            Utils::KCStMemObj bytes;
            if (const KTErr readErr = RM::GetRawResourceData(container, key, bytes);
                readErr != eNoErr) {
                return readErr;
            }
            if (bytes.size > kMaxImageFileSize) {
                return eGMInvalidImage;
            }
            return DecodeMemObj(bytes, out);
        },
        pixels);
    SetPixels(std::move(pixels), err);
    return err;
}

KTErr KCBaseImage::LoadPNGFromMemory(const void* data, std::size_t size) {
    auto pixels = std::make_shared<KCImagePixels>();
    const KTErr err = DecodePNG(data, size, *pixels);
    SetPixels(err == eNoErr ? std::move(pixels) : nullptr, err);
    return err;
}

KTErr KCBaseImage::Load() {
    return LoadPNGFromResource();
}

void KCBaseImage::Unload() {
    m_pixels.reset();
    m_loadError = eUninitalized;
}

void KCBaseImage::SetPixels(std::shared_ptr<const KCImagePixels> pixels, KTErr result) {
    m_pixels = std::move(pixels);
    m_loadError = result;
}

int KCBaseImage::GetWidth() const {
    return m_pixels ? m_pixels->width : 0;
}

int KCBaseImage::GetHeight() const {
    return m_pixels ? m_pixels->height : 0;
}

KCSize2D<short> KCBaseImage::GetImageSize() const {
    // kMaxImageSide fits a short, so nothing is cut.
    return {static_cast<short>(GetWidth()), static_cast<short>(GetHeight())};
}

bool KCBaseImage::IsPixelTransparent(KCPoint2D<short> point) const {
    if (!m_pixels || point.x < 0 || point.y < 0 || point.x >= m_pixels->width ||
        point.y >= m_pixels->height) {
        return true;
    }
    return (m_pixels->At(point.x, point.y) >> 24U) == 0;
}

KTErr KCBaseImage::ReadFromXML(const XML::CXMLElement* e) {
    if (e == nullptr) {
        return eXMLElementMissing;
    }
    short resID = kNoImageResID;
    if (const KTErr err = XML::ReadFromXML_Int(e->SubElement("ResID"), resID); err != eNoErr) {
        return err;
    }
    m_resID = resID;
    return LoadPNGFromResource();
}

KTErr KCBaseImage::UpdateFromXML(const XML::CXMLElement* e) {
    if (e == nullptr || e->SubElement("ResID") == nullptr) {
        return eNoErr;
    }
    short resID = m_resID;
    if (const KTErr err = XML::ReadFromXML_Int(e->SubElement("ResID"), resID); err != eNoErr) {
        return err;
    }
    if (resID == m_resID && IsLoaded()) {
        return eNoErr;
    }
    m_resID = resID;
    return LoadPNGFromResource();
}

void KCBaseImage::WriteToXML(XML::CXMLElement* e) const {
    if (e != nullptr) {
        e->AddSubElement("ResID", XML::NumberText(m_resID));
    }
}

// ---- KCBaseImageFromFile

std::unique_ptr<KCBaseImage> KCBaseImageFromFile::Clone() const {
    return std::make_unique<KCBaseImageFromFile>(*this);
}

void KCBaseImageFromFile::SetFileName(std::string path) {
    if (path != m_path) {
        m_path = std::move(path);
        Unload();
    }
}

KTErr KCBaseImageFromFile::LoadPNGFromFile() {
    const FM::KCStPath path(m_path.c_str());
    if (!path.IsValidSelf()) {
        SetPixels(nullptr, path.GetError());
        return path.GetError();
    }
    std::error_code ec;
    const std::filesystem::path native(m_path);
    // Only regular files: a device or pipe named in a skin must not be read.
    if (!std::filesystem::is_regular_file(native, ec)) {
        SetPixels(nullptr, eFMFileNotFound);
        return eFMFileNotFound;
    }
    const auto size = std::filesystem::file_size(native, ec);
    if (ec) {
        SetPixels(nullptr, eFMFileNotFound);
        return eFMFileNotFound;
    }
    if (size > kMaxImageFileSize) {
        SetPixels(nullptr, eGMInvalidImage);
        return eGMInvalidImage;
    }
    const auto written = std::filesystem::last_write_time(native, ec);
    const KSStamp stamp{ec ? 0 : static_cast<std::int64_t>(written.time_since_epoch().count()),
                        static_cast<std::uint64_t>(size)};

    std::shared_ptr<const KCImagePixels> pixels;
    const KTErr err = CachedDecode(
        "file:" + m_path, stamp,
        [&native](KCImagePixels& out) -> KTErr {
            std::vector<char> bytes;
            if (const KTErr readErr = ReadImageFile(native, bytes); readErr != eNoErr) {
                return readErr;
            }
            return DecodePNG(bytes.data(), bytes.size(), out);
        },
        pixels);
    SetPixels(std::move(pixels), err);
    return err;
}

KTErr KCBaseImageFromFile::ReadFromXML(const XML::CXMLElement* e) {
    if (e == nullptr) {
        return eXMLElementMissing;
    }
    const XML::CXMLElement* name = e->SubElement("filename");
    if (name == nullptr) {
        return eXMLElementMissing;
    }
    m_path = name->GetText();
    return LoadPNGFromFile();
}

KTErr KCBaseImageFromFile::UpdateFromXML(const XML::CXMLElement* e) {
    if (e == nullptr || e->SubElement("filename") == nullptr) {
        return eNoErr;
    }
    const std::string& path = e->SubElement("filename")->GetText();
    if (path == m_path && IsLoaded()) {
        return eNoErr;
    }
    m_path = path;
    return LoadPNGFromFile();
}

void KCBaseImageFromFile::WriteToXML(XML::CXMLElement* e) const {
    if (e != nullptr) {
        e->AddSubElement("filename", m_path);
    }
}

std::unique_ptr<KCBaseImage> MakeImageForXML(const XML::CXMLElement* e,
                                             KTResContainerType* container) {
    if (e == nullptr) {
        return nullptr;
    }
    if (e->SubElement("filename") != nullptr) {
        return std::make_unique<KCBaseImageFromFile>();
    }
    return std::make_unique<KCBaseImage>(container);
}

std::size_t GetCachedImageCount() {
    KSImageCache& cache = Cache();
    std::lock_guard<std::mutex> guard(cache.lock);
    std::size_t alive = 0;
    for (const auto& [source, entry] : cache.entries) {
        alive += entry.pixels.expired() ? 0 : 1;
    }
    return alive;
}

std::size_t GetImageDecodeCount() {
    return Cache().decodes.load(std::memory_order_relaxed);
}

}  // namespace kvKorvaneV10_0_3::PluginViewManager
