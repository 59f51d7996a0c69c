// Fetching a resource that is already loaded (retain and release through the manager and the
// container locks) against a plain map lookup of the same key (the limit).
#include "korvane/fm/path.h"
#include "korvane/rm/resource_manager.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

namespace RM = kvKorvaneV10_0_3::RM;
using kvKorvaneV10_0_3::FM::KCStPath;

std::filesystem::path MakeBundle() {
    auto bundle = std::filesystem::temp_directory_path() / "korvane_bench_resources.bundle";
    std::filesystem::remove_all(bundle);
    const auto folder = bundle / "Contents" / "Resources" / "PNG_";
    std::filesystem::create_directories(folder);
    for (int i = 0; i < 64; ++i) {
        std::ofstream(folder / std::to_string(128 + i)) << std::string(4096, 'x');
    }
    return bundle;
}

void CachedFetch(benchmark::State& state) {
    const auto bundle = MakeBundle();
    KTResContainerType* container = nullptr;
    const RM::KCResKey key(RM::KCResType("PNG_"), 160);
    KTResourceType* held = nullptr;
    // The resource is loaded once here; every fetch below finds it.
    if (RM::Init(0x200, "KorvaneLib") != kvKorvaneV10_0_3::eNoErr ||
        RM::OpenResContainer(KCStPath(bundle.string().c_str()), 0, container) !=
            kvKorvaneV10_0_3::eNoErr ||
        RM::GetAResource(container, key, held) != kvKorvaneV10_0_3::eNoErr) {
        state.SkipWithError("the bundle could not be opened");
    }
    for (auto _ : state) {
        KTResourceType* resource = nullptr;
        benchmark::DoNotOptimize(RM::GetAResource(container, key, resource));
        benchmark::DoNotOptimize(RM::ReleaseResource(resource));
    }
    // Clean-up of a finished measurement: failures change no result.
    (void)RM::ReleaseResource(held);
    (void)RM::CloseResContainer(container);
    (void)RM::Dispose();
    std::filesystem::remove_all(bundle);
}
BENCHMARK(CachedFetch)->Name("resources.fetch_cached_key/korvane");

void MapLookup(benchmark::State& state) {
    std::map<std::string, std::vector<char>> loaded;
    for (int i = 0; i < 64; ++i) {
        loaded["PNG_/" + std::to_string(128 + i)] = std::vector<char>(4096, 'x');
    }
    const std::string key = "PNG_/160";
    for (auto _ : state) {
        benchmark::DoNotOptimize(loaded.find(key));
    }
}
BENCHMARK(MapLookup)->Name("resources.fetch_cached_key/limit:std::map_find");

}  // namespace
