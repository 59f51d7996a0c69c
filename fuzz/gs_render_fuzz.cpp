// Graphic streams drawn into pixels: any bytes render into a small surface without a fault, and
// the renderer's verdict on the stream is the reader's.
#include "korvane/gs/gs_engine.h"
#include "korvane/gui/pvm/gs_renderer.h"
#include "korvane/gui/pvm/image_source.h"
#include "korvane/gui/pvm/text_measure.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace kvKorvaneV10_0_3;

namespace {

// Every id and name answers with the same 2×2 image, so image records draw.
class KCOneImage : public PluginViewManager::KCImageSource {
public:
    KCOneImage() {
        m_image.width = 2;
        m_image.height = 2;
        m_image.argb = {0xFFFF0000U, 0x80000080U, 0U, 0xFF00FF00U};
    }
    const PluginViewManager::KCImagePixels* GetImage(int /*resID*/,
                                                     std::string_view /*name*/) override {
        return &m_image;
    }

private:
    PluginViewManager::KCImagePixels m_image;
};

}  // namespace

// Fontconfig reads its configuration and font list once per process and keeps them: done here,
// before the first input, so the leak check of each input sees only what the input made.
// Fontconfig and Cairo keep their configuration, font lists and one face per installed family
// and style for the life of the process and never free them: not leaks of the renderer.
// NOLINTNEXTLINE(bugprone-reserved-identifier): the sanitizer runtime asks for this name.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libcairo.so\n";
}

// The faces for the families names fall back to are made before the first input.
extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    for (const char* name :
         {"", "DejaVu Sans", "DejaVu Serif", "DejaVu Sans Mono", "Arial", "serif", "monospace"}) {
        for (int flags = 0; flags < 4; ++flags) {
            PluginViewManager::KCFontDescription font;
            font.name = name;
            font.flags = flags;
            (void)PluginViewManager::GetTextWidth(font, "warm");
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* bytes = reinterpret_cast<const char*>(data);
    KCOneImage images;
    PluginViewManager::KCGraphicStreamToCairo renderer(&images);
    PluginViewManager::KSRenderLimits limits;
    limits.maxWidth = 64;
    limits.maxHeight = 64;
    limits.maxDrawRecords = 4096;
    limits.maxVertices = 4096;
    renderer.SetLimits(limits);
    renderer.SetWindowRect({0, 0, 32, 32});
    const KTErr rendered = renderer.Render(bytes, size);

    kvGS::KCGraphicStreamEngineBase reader;
    reader.SetWindowRect({0, 0, 32, 32});
    const KTErr read = reader.ExecStream(bytes, size);
    if (read < 0 && rendered != read) {
        std::abort();  // a stream the reader refuses is refused with the same code
    }
    if (rendered == eGMGenericErr) {
        std::abort();  // no record may put the Cairo context into its error state
    }
    if (renderer.GetWidth() > limits.maxWidth || renderer.GetHeight() > limits.maxHeight) {
        std::abort();
    }
    if (rendered == eNoErr) {
        std::vector<unsigned char> png;
        (void)renderer.WritePNG(png);
    }
    return 0;
}
