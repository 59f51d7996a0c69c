// Scanning a plug-in folder of 2,000 generated bundles against the limit: a plain recursive
// walk that opens each bundle's information file and parses it with the library's XML tree.
// "cold" drops the files from the page cache before each pass; "warm" scans files just read.
// The cached scans rescan the unchanged folder through a scan cache written beforehand, either
// with the copy the process keeps or reading the cache file each time.
#include "korvane/fm/path.h"
#include "korvane/rm/resource_manager.h"
#include "korvane/scan/folder_scanner.h"
#include "korvane/scan/scan_test_support.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;
namespace KSC = kvKorvaneV10_0_3::KSC;
namespace RM = kvKorvaneV10_0_3::RM;
namespace XML = kvKorvaneV10_0_3::XML;
using kvKorvaneV10_0_3::KCFourCC;
using kvKorvaneV10_0_3::FM::KCStPath;

constexpr int kBundles = 2000;

// Where the folder is kept between runs, if anywhere (see Folder()).
fs::path KeptFolder() {
    const char* kept = std::getenv("KORVANE_BENCH_SCAN_FOLDER");
    return kept != nullptr && *kept != '\0' ? fs::path(kept) : fs::path();
}

fs::path TemporaryFolder() {
    return fs::temp_directory_path() / ("korvane_bench_scan_" + std::to_string(::getpid()));
}

// The folder, made once: bundles spread over 20 sub-folders, as an installation sorts them by
// product. With KORVANE_BENCH_SCAN_FOLDER set (the smoke test points it into the build tree)
// the folder is kept and reused by later runs: deleting its 10,000 files costs more than the
// whole run on a file system that discards freed blocks at once. Otherwise it belongs to this
// process and is removed at exit.
const fs::path& Folder() {
    static const fs::path folder = [] {
        const fs::path kept = KeptFolder();
        fs::path dir = kept.empty() ? TemporaryFolder() : kept;
        const fs::path complete = fs::path(dir.string() + ".complete");
        if (!kept.empty() && fs::is_regular_file(complete)) {
            return dir;
        }
        std::error_code ec;
        fs::remove(complete, ec);
        fs::remove_all(dir, ec);
        for (int i = 0; i < kBundles; ++i) {
            KSC::testing::MakeBundle(dir / ("group" + std::to_string(i % 20)),
                                     "Plugin" + std::to_string(i), {});
        }
        std::ofstream(complete) << kBundles << '\n';
        return dir;
    }();
    return folder;
}

fs::path CacheFile() {
    return fs::temp_directory_path() / ("korvane_bench_scan_cache_" + std::to_string(::getpid())) /
           "ScanCache.txt";
}

struct RemoveFolder {
    ~RemoveFolder() {
        std::error_code ec;
        if (KeptFolder().empty()) {
            fs::remove_all(TemporaryFolder(), ec);
        }
        fs::remove_all(CacheFile().parent_path(), ec);
    }
} g_remove;

void DropFileFromPageCache(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

// Asks the kernel to drop the folder's files, and the scan cache file, from the page cache
// (clean pages go at once).
void DropFromPageCache() {
    for (const auto& entry : fs::recursive_directory_iterator(Folder())) {
        if (entry.is_regular_file()) {
            DropFileFromPageCache(entry.path());
        }
    }
    DropFileFromPageCache(CacheFile());
}

enum class Cache { eNone, eProcessCopy, eFile };

void Scan(benchmark::State& state, bool cold, Cache cache) {
    if (RM::Init(0x200, "KorvaneLib") != kvKorvaneV10_0_3::eNoErr) {
        state.SkipWithError("no resource manager");
    }
    KSC::KCScanFilter filter;
    filter.AddComponentType(KCFourCC("TsT1"));
    filter.AddAffiliation(KCFourCC("Kvne"));
    filter.SetFolderSearchDepth(1);
    const KCStPath folder(Folder().c_str());
    const KCStPath cacheFile(CacheFile().c_str());
    const auto scan = [&](KSC::KCPluginDiskScannerResults& results, int& hits) {
        KSC::KCKorvanePluginFolderScanner scanner("bench");
        scanner.SetPluginFolderPath(folder);
        scanner.SetPluginScanFilterForFolder(filter);
        if (cache != Cache::eNone) {
            scanner.SetScanCacheFile(cacheFile);
        }
        const int err = scanner.ScanFolderForComponents(results);
        hits = scanner.GetScanCacheHits();
        return err == kvKorvaneV10_0_3::eNoErr && results.GetNumComponents() == kBundles;
    };
    if (cache != Cache::eNone) {
        // Results made from files younger than the settle time are not kept: let the generated
        // folder age past it, then write the cache once.
        static const bool aged = [] {
            std::this_thread::sleep_for(
                std::chrono::nanoseconds(KSC::kDefaultScanCacheSettleTime + 100'000'000));
            return true;
        }();
        (void)aged;
        KSC::KCPluginDiskScannerResults results;
        int hits = 0;
        if (!scan(results, hits) || !fs::is_regular_file(CacheFile())) {
            state.SkipWithError("the cache was not written");
        }
    }
    for (auto _ : state) {
        if (cold || cache == Cache::eFile) {
            state.PauseTiming();
            if (cache == Cache::eFile) {
                // A new time on the file: the process's copy no longer serves.
                fs::last_write_time(CacheFile(), fs::file_time_type::clock::now());
            }
            if (cold) {
                DropFromPageCache();
            }
            state.ResumeTiming();
        }
        KSC::KCPluginDiskScannerResults results;
        int hits = 0;
        if (!scan(results, hits)) {
            state.SkipWithError("the scan did not accept every bundle");
            break;
        }
        if (cache != Cache::eNone && hits != kBundles) {
            state.SkipWithError("the rescan did not take every bundle from the cache");
            break;
        }
    }
    state.counters["bundles/s"] =
        benchmark::Counter(static_cast<double>(kBundles) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    (void)RM::Dispose();
}

void Walk(benchmark::State& state, bool cold) {
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            DropFromPageCache();
            state.ResumeTiming();
        }
        int parsed = 0;
        for (auto it = fs::recursive_directory_iterator(Folder());
             it != fs::recursive_directory_iterator(); ++it) {
            if (it->path().extension() != ".bundle") {
                continue;
            }
            it.disable_recursion_pending();
            std::ifstream in(it->path() / "Contents/Resources/InfoXML/1000.xml", std::ios::binary);
            const std::string text{std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>()};
            XML::CXMLElement root;
            XML::CXMLTreeBuilder builder(root);
            if (builder.BuildFromSingleBuffer(text.data(),
                                              static_cast<unsigned int>(text.size())) ==
                kvKorvaneV10_0_3::eNoErr) {
                ++parsed;
            }
        }
        if (parsed != kBundles) {
            state.SkipWithError("the walk did not parse every bundle");
            break;
        }
    }
    state.counters["bundles/s"] =
        benchmark::Counter(static_cast<double>(kBundles) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

BENCHMARK_CAPTURE(Scan, warm, false, Cache::eNone)
    ->Name("scan.folder_2000_warm/korvane")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Scan, warm_cached, false, Cache::eProcessCopy)
    ->Name("scan.folder_2000_warm/korvane_cached")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Scan, warm_cache_file, false, Cache::eFile)
    ->Name("scan.folder_2000_warm/korvane_cached_file")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Walk, warm, false)
    ->Name("scan.folder_2000_warm/limit")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Scan, cold, true, Cache::eNone)
    ->Name("scan.folder_2000_cold/korvane")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Scan, cold_cached, true, Cache::eProcessCopy)
    ->Name("scan.folder_2000_cold/korvane_cached")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Scan, cold_cache_file, true, Cache::eFile)
    ->Name("scan.folder_2000_cold/korvane_cached_file")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Walk, cold, true)
    ->Name("scan.folder_2000_cold/limit")
    ->Unit(benchmark::kMillisecond);

}  // namespace
