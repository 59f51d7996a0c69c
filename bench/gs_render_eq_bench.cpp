// The example EQ's own window, 600×360, drawn from the live standard GUI on the reference host:
// its whole graphic stream rendered into the image surface, a full redraw (the GUI writing the
// stream, then the render), and the limit: Cairo replaying the same primitives from a list it
// prepared once (a recording surface the renderer drew into: paths, glyph runs and images, no
// stream to read, text already shaped).
#include "examples/eq/kv_eq.h"
#include "examples/eq/kv_eq_window.h"
#include "host/reference_host.h"
#include "korvane/fm/path.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/pvm/gs_renderer.h"
#include "korvane/gui/pvm/res_image_source.h"
#include "korvane/rm/resource_manager.h"

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <memory>
#include <vector>

namespace {

using namespace kvKorvaneV10_0_3;
namespace PM = ProcessMemory;

// The EQ on the reference host with its window open, made once for all cases.
struct KSEQWindow {
    KSEQWindow() {
        if (RM::Init(0x200, "KorvaneLib") != eNoErr ||
            RM::OpenResContainer(FM::KCStPath(KVEQ_MODULE), 0, container) != eNoErr) {
            return;
        }
        KorvaneComponentInfo info;
        info.componentType = KCFourCC("KvEQ");
        info.componentSubType = KCFourCC("ster");
        eq = std::make_unique<kvexample::KvEQ>(info, container);
        eq->SetExecCallBack(KorvaneHost::ReferenceHost::Callback(), host.Refcon());
        if (eq->FinishCreate() != 0 || eq->InitProcessCode() != 0 ||
            host.SizeSpace(PM::eCoefsSpace, static_cast<int>(eq->GetCoefsNum())) != eNoErr ||
            host.SizeSpace(PM::eStatesSpace, static_cast<int>(eq->GetStatesNum())) != eNoErr) {
            return;
        }
        eq->InitData();
        eq->InitInstanceData();
        eq->InitAlg(true);
        gui = std::make_unique<kvexample::KvEQWindow>(container);
        if (gui->InitDefaultGUI(eq.get()) != eNoErr) {
            gui.reset();
            return;
        }
        images = std::make_unique<PluginViewManager::KCResImageSource>(container);
        ok = true;
    }
    // The window's whole stream as the GUI writes it now.
    [[nodiscard]] std::unique_ptr<kvGS::KCGraphicStreamBinaryWriter> Stream() const {
        auto writer = std::make_unique<kvGS::KCGraphicStreamBinaryWriter>();
        gui->GetDrawInstructions(*writer);
        return writer;
    }

    bool ok = false;
    KTResContainerType* container = nullptr;
    KorvaneHost::ReferenceHost host;
    std::unique_ptr<kvexample::KvEQ> eq;
    std::unique_ptr<kvexample::KvEQWindow> gui;
    std::unique_ptr<PluginViewManager::KCResImageSource> images;
};

KSEQWindow& Window() {
    static KSEQWindow window;  // lives to the end of the process, as the host's plug-in would
    return window;
}

void Count(benchmark::State& state) {
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void EQWindowRender(benchmark::State& state) {
    KSEQWindow& w = Window();
    if (!w.ok) {
        state.SkipWithError("the EQ's window did not open");
        return;
    }
    const auto stream = w.Stream();
    const auto* bytes = static_cast<const char*>(stream->GetStream().ptr);
    PluginViewManager::KCGraphicStreamToCairo renderer(w.images.get());
    for (auto _ : state) {
        if (renderer.RenderInProcess(bytes, stream->GetStream().size) != eNoErr) {
            state.SkipWithError("render failed");
            break;
        }
        benchmark::DoNotOptimize(renderer.GetPixel(300, 180));
    }
    state.counters["records"] = static_cast<double>(renderer.GetRecordCount());
    Count(state);
}
BENCHMARK(EQWindowRender)->Name("gs.cairo_eq_window/korvane")->Unit(benchmark::kMillisecond);

// What a host's redraw costs: the GUI writes its stream, the renderer draws it.
void EQWindowFullRedraw(benchmark::State& state) {
    KSEQWindow& w = Window();
    if (!w.ok) {
        state.SkipWithError("the EQ's window did not open");
        return;
    }
    PluginViewManager::KCGraphicStreamToCairo renderer(w.images.get());
    for (auto _ : state) {
        const auto stream = w.Stream();
        if (renderer.RenderInProcess(static_cast<const char*>(stream->GetStream().ptr),
                                     stream->GetStream().size) != eNoErr) {
            state.SkipWithError("render failed");
            break;
        }
        benchmark::DoNotOptimize(renderer.GetPixel(300, 180));
    }
    Count(state);
}
BENCHMARK(EQWindowFullRedraw)
    ->Name("gs.cairo_eq_window/korvane_full_redraw")
    ->Unit(benchmark::kMillisecond);

void EQWindowCairoReplay(benchmark::State& state) {
    KSEQWindow& w = Window();
    if (!w.ok) {
        state.SkipWithError("the EQ's window did not open");
        return;
    }
    const auto stream = w.Stream();
    const cairo_rectangle_t extents{0, 0, 600, 360};
    cairo_surface_t* recording =
        cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &extents);
    {
        PluginViewManager::KCGraphicStreamToCairo recorder(w.images.get());
        recorder.SetTargetSurface(recording);
        if (recorder.RenderInProcess(static_cast<const char*>(stream->GetStream().ptr),
                                     stream->GetStream().size) != eNoErr) {
            state.SkipWithError("recording failed");
        }
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 600, 360);
    for (auto _ : state) {
        cairo_t* cr = cairo_create(surface);
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        cairo_paint(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        cairo_set_source_surface(cr, recording, 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
    }
    Count(state);
    cairo_surface_destroy(surface);
    cairo_surface_destroy(recording);
}
BENCHMARK(EQWindowCairoReplay)
    ->Name("gs.cairo_eq_window/limit:cairo_replay")
    ->Unit(benchmark::kMillisecond);

}  // namespace
