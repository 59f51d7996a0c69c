// Showing a finished frame in a window through the X11 path: the view's copy of its latest
// render to the server, through a shared-memory segment and through plain requests in row
// strips, for the example EQ's window (600×360) and a 2100×2100 one. The limit is memcpy of the
// same bytes. The copy costs the process and the server, so the time compared is the CPU time
// of both (the server's read from /proc), reported per frame as "child_cpu_s". The benchmark
// starts its own Xvfb, or skips with a message when it cannot.
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/pvm/platform/xvfb_server.h"
#include "korvane/gui/pvm/plugin_view.h"

#include <benchmark/benchmark.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace kvKorvaneV10_0_3;
namespace PVM = PluginViewManager;

// The server and the bench's own connection, which makes the parent windows.
struct KSServer {
    KSServer() {
        if (PVM::testing::StartXvfb(error).empty()) {
            return;
        }
        c = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(c) != 0) {
            error = "cannot connect to the benchmark's Xvfb";
            return;
        }
        screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        ok = true;
    }
    xcb_window_t TopLevel(int width, int height) const {
        const xcb_window_t w = xcb_generate_id(c);
        const std::uint32_t values[] = {screen->black_pixel, 1};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0,
                          static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(c, w);
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        return w;
    }

    bool ok = false;
    std::string error = "no X server";
    xcb_connection_t* c = nullptr;
    const xcb_screen_t* screen = nullptr;
};

KSServer& Server() {
    static KSServer server;  // lives as long as the process, as the server does
    return server;
}

double OwnCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + (static_cast<double>(t.tv_nsec) * 1e-9);
}

// The server's user and system time so far, from /proc/<pid>/stat (fields 14 and 15, after
// the parenthesised command name); 0 when it cannot be read.
double ServerCpuSeconds() {
    std::ifstream file("/proc/" + std::to_string(PVM::testing::XvfbPid()) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos) {
        return 0.0;
    }
    const char* p = text.data() + close + 1;
    const char* end = text.data() + text.size();
    unsigned long long ticks = 0;
    // Field 3 (the state) follows the name; utime and stime are fields 14 and 15.
    for (int field = 3; field <= 15 && p < end; ++field) {
        while (p < end && *p == ' ') {
            ++p;
        }
        unsigned long long value = 0;
        const auto [next, ec] = std::from_chars(p, end, value);
        if (field >= 14 && ec == std::errc()) {
            ticks += value;
        }
        p = next;
        while (p < end && *p != ' ') {
            ++p;
        }
    }
    return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// A frame of `width` × `height` with some content: what is copied does not change the cost.
std::vector<char> Frame(int width, int height) {
    kvGS::KCGraphicStreamBinaryWriter w;
    kvGS::SGSStream stream;
    stream.rect = {0, 0, width, height};
    {
        kvGS::KCStGSStreamStructWriter guard(w, stream);
        const auto W = static_cast<short>(width);
        const auto H = static_cast<short>(height);
        w.DrawSolidRect(KCRGBAColor{20, 40, 60, 255}, KURect<short>(0, 0, H, W));
        w.DrawSolidRect(KCRGBAColor{250, 10, 10, 255}, KURect<short>(10, 10, H / 2, W / 2));
    }
    const auto& s = w.GetStream();
    return {static_cast<const char*>(s.ptr), static_cast<const char*>(s.ptr) + s.size};
}

void CopyToWindow(benchmark::State& state, int width, int height, bool sharedMemory) {
    const KSServer& server = Server();
    if (!server.ok) {
        state.SkipWithError(("skipped: " + server.error).c_str());
        return;
    }
    PVM::KCPluginViewCreateOptions options;
    options.parent = server.TopLevel(width, height);
    options.width = width;
    options.height = height;
    options.useSharedMemory = sharedMemory;
    std::unique_ptr<PVM::KCPluginView> view;
    const auto frame = Frame(width, height);
    if (PVM::CreatePluginView(options, view) != eNoErr || view->Show() != eNoErr ||
        view->Draw(frame.data(), frame.size(), false) != eNoErr) {
        state.SkipWithError("the view did not draw");
        return;
    }
    PVM::RunEventLoopFor(20);
    if (view->IsSharedMemoryInUse() != sharedMemory) {
        state.SkipWithError("the server refused shared memory");
        return;
    }
    const double before = OwnCpuSeconds() + ServerCpuSeconds();
    for (auto _ : state) {
        if (view->Present() != eNoErr) {
            state.SkipWithError("the copy failed");
            break;
        }
    }
    const double after = OwnCpuSeconds() + ServerCpuSeconds();
    const auto frames = static_cast<double>(state.iterations());
    state.counters["child_cpu_s"] = frames > 0 ? (after - before) / frames : 0.0;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * width * height * 4);
}

void Memcpy(benchmark::State& state, int width, int height) {
    const auto bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    std::vector<std::uint8_t> source(bytes, 0x5A);
    std::vector<std::uint8_t> target(bytes);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), bytes);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bytes));
}

const bool kRegistered = [] {
    struct Size {
        int width;
        int height;
        const char* name;
    };
    for (const Size size : {Size{600, 360, "600x360"}, Size{2100, 2100, "2100x2100"}}) {
        for (const bool shm : {true, false}) {
            const std::string base =
                std::string(shm ? "gui.x11_copy_shm/" : "gui.x11_copy_strips/") + size.name;
            benchmark::RegisterBenchmark((base + "/korvane").c_str(), CopyToWindow, size.width,
                                         size.height, shm)
                ->Unit(benchmark::kMicrosecond);
            benchmark::RegisterBenchmark((base + "/memcpy").c_str(), Memcpy, size.width,
                                         size.height)
                ->Unit(benchmark::kMicrosecond);
        }
    }
    return true;
}();

}  // namespace
