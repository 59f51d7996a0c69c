// The process-wide cache of scaled fonts, and the text check before Cairo sees it.
#include "korvane/gui/pvm/cairo_fonts.h"

#include "korvane/core/utf8.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <mutex>
#include <tuple>
#include <vector>

namespace kvKorvaneV10_0_3::PluginViewManager::detail {

namespace {

struct KSFontEntry {
    std::string name;
    int size;
    int flags;
    cairo_scaled_font_t* font;
};

// A GUI uses a handful of fonts; a stream naming more than this many has the oldest dropped.
constexpr std::size_t kMaxCachedFonts = 64;

std::mutex& CacheLock() {
    static std::mutex lock;
    return lock;
}

std::vector<KSFontEntry>& Cache() {
    static std::vector<KSFontEntry> cache;
    return cache;
}

// The installed family fontconfig picks for the name. Cairo keeps a face for every distinct
// name it is given for the life of the process, so a stream naming endless fonts would grow it
// without bound; the installed families are few.
std::string InstalledFamily(const std::string& name) {
    std::string family = "DejaVu Sans";
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) {
        return family;
    }
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result); match != nullptr) {
        FcChar8* matched = nullptr;
        if (FcPatternGetString(match, FC_FAMILY, 0, &matched) == FcResultMatch &&
            matched != nullptr) {
            family = reinterpret_cast<const char*>(matched);
        }
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return family;
}

cairo_scaled_font_t* MakeFont(const std::string& name, int size, int flags) {
    cairo_font_face_t* face = cairo_toy_font_face_create(
        InstalledFamily(name).c_str(),
        (flags & 2) != 0 ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
        (flags & 1) != 0 ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_matrix_t fontMatrix;
    cairo_matrix_init_scale(&fontMatrix, size, size);
    cairo_matrix_t identity;
    cairo_matrix_init_identity(&identity);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_scaled_font_t* font = cairo_scaled_font_create(face, &fontMatrix, &identity, options);
    cairo_font_options_destroy(options);
    cairo_font_face_destroy(face);
    if (cairo_scaled_font_status(font) != CAIRO_STATUS_SUCCESS) {
        cairo_scaled_font_destroy(font);
        return nullptr;
    }
    return font;
}

}  // namespace

cairo_scaled_font_t* FindScaledFont(std::string_view name, int size, int flags) {
    size = size <= 0 ? kDefaultFontSize : std::min(size, kMaxFontSize);
    flags &= 3;
    std::string family;
    SanitizeText(name.empty() ? std::string_view("DejaVu Sans") : name, 64, family);
    const std::lock_guard<std::mutex> guard(CacheLock());
    std::vector<KSFontEntry>& cache = Cache();
    for (const KSFontEntry& entry : cache) {
        if (entry.size == size && entry.flags == flags && entry.name == family) {
            return cairo_scaled_font_reference(entry.font);
        }
    }
    cairo_scaled_font_t* font = MakeFont(family, size, flags);
    if (font == nullptr) {
        return nullptr;
    }
    if (cache.size() >= kMaxCachedFonts) {
        // Callers hold references of their own: dropping the cache's is safe.
        cairo_scaled_font_destroy(cache.front().font);
        cache.erase(cache.begin());
    }
    cache.push_back({std::move(family), size, flags, font});
    return cairo_scaled_font_reference(font);
}

void SanitizeText(std::string_view text, std::size_t maxBytes, std::string& out) {
    out.clear();
    std::size_t i = 0;
    while (i < text.size() && out.size() < maxBytes) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        if (lead >= 0xF0) {
            length = 4;
        } else if (lead >= 0xE0) {
            length = 3;
        } else if (lead >= 0xC0) {
            length = 2;
        }
        if (lead != 0 && i + length <= text.size() && out.size() + length <= maxBytes &&
            (lead < 0x80 || KUIsValidUtf8(text.substr(i, length)))) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            out += '?';
            ++i;
        }
    }
}

}  // namespace kvKorvaneV10_0_3::PluginViewManager::detail
