// Decoded PNG images by id or name, from memory or from a resources folder.
#include "korvane/gui/pvm/image_source.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::PluginViewManager {

namespace {

// A name that stays inside the folder when it becomes part of a file name.
bool SafeFileKey(std::string_view key) {
    if (key.empty() || key.find("..") != std::string_view::npos) {
        return false;
    }
    for (const char c : key) {
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) {
            return false;
        }
    }
    return true;
}

std::string KeyOf(int resID, std::string_view name) {
    return name.empty() ? std::to_string(resID) : std::string(name);
}

}  // namespace

KCImageSource::~KCImageSource() = default;

void KCPNGImageSource::SetFolder(std::string folder) {
    m_folder = std::move(folder);
    // What was missing from the old folder may be in the new one.
    ForgetMissing();
}

void KCPNGImageSource::ForgetMissing() {
    for (auto it = m_images.begin(); it != m_images.end();) {
        it = it->second.Empty() ? m_images.erase(it) : std::next(it);
    }
    m_missing = 0;
}

KTErr KCPNGImageSource::AddPNG(int resID, const void* data, std::size_t size) {
    return Add(std::to_string(resID), data, size);
}

KTErr KCPNGImageSource::AddPNG(std::string_view name, const void* data, std::size_t size) {
    return Add(std::string(name), data, size);
}

KTErr KCPNGImageSource::Add(std::string key, const void* data, std::size_t size) {
    KCImagePixels pixels;
    const KTErr err = DecodePNG(data, size, pixels);
    if (err != eNoErr) {
        return err;
    }
    m_images.insert_or_assign(std::move(key), std::move(pixels));
    return eNoErr;
}

const KCImagePixels* KCPNGImageSource::GetImage(int resID, std::string_view name) {
    const std::string key = KeyOf(resID, name);
    if (const auto it = m_images.find(key); it != m_images.end()) {
        return it->second.Empty() ? nullptr : &it->second;
    }
    return Load(key);
}

const KCImagePixels* KCPNGImageSource::Load(const std::string& key) {
    // A stream naming ever new missing images must not grow the cache without end.
    if (m_missing >= kMaxMissing) {
        ForgetMissing();
    }
    ++m_missing;
    KCImagePixels& pixels = m_images[key];  // stays empty when the file cannot be used
    if (m_folder.empty() || !SafeFileKey(key)) {
        return nullptr;
    }
    // Only a regular file: opening a pipe or a device named like an image would block.
    const std::string path = m_folder + "/PNG_" + key + ".png";
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        return nullptr;
    }
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        return nullptr;
    }
    const std::streamoff size = file.tellg();
    if (size <= 0 || static_cast<unsigned long long>(size) > kMaxFileBytes) {
        return nullptr;
    }
    std::vector<char> bytes(static_cast<std::size_t>(size));
    file.seekg(0);
    file.read(bytes.data(), size);
    if (!file || DecodePNG(bytes.data(), bytes.size(), pixels) != eNoErr) {
        pixels = KCImagePixels();
        return nullptr;
    }
    --m_missing;
    return &pixels;
}

}  // namespace kvKorvaneV10_0_3::PluginViewManager
