// Scanning a plug-in folder of 2,000 generated bundles against the limit: a plain recursive
// walk that opens each bundle's information file and parses it with the library's XML tree.
// "cold" drops the files from the page cache before each pass; "warm" scans files just read.
#include "korvane/fm/path.h"
#include "korvane/rm/resource_manager.h"
#include "korvane/scan/folder_scanner.h"
#include "korvane/scan/scan_test_support.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;
namespace KSC = kvKorvaneV10_0_3::KSC;
namespace RM = kvKorvaneV10_0_3::RM;
namespace XML = kvKorvaneV10_0_3::XML;
using kvKorvaneV10_0_3::KCFourCC;
using kvKorvaneV10_0_3::FM::KCStPath;

constexpr int kBundles = 2000;

// The folder, made once per run: bundles spread over 20 sub-folders, as an installation sorts
// them by product.
const fs::path& Folder() {
    static const fs::path folder = [] {
        fs::path dir =
            fs::temp_directory_path() / ("korvane_bench_scan_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        for (int i = 0; i < kBundles; ++i) {
            KSC::testing::MakeBundle(dir / ("group" + std::to_string(i % 20)),
                                     "Plugin" + std::to_string(i), {});
        }
        return dir;
    }();
    return folder;
}

struct RemoveFolder {
    ~RemoveFolder() {
        std::error_code ec;
        fs::remove_all(
            fs::temp_directory_path() / ("korvane_bench_scan_" + std::to_string(::getpid())), ec);
    }
} g_remove;

// Asks the kernel to drop the folder's files from the page cache (clean pages go at once).
void DropFromPageCache() {
    for (const auto& entry : fs::recursive_directory_iterator(Folder())) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            (void)::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
        }
    }
}

void Scan(benchmark::State& state, bool cold) {
    if (RM::Init(0x200, "KorvaneLib") != kvKorvaneV10_0_3::eNoErr) {
        state.SkipWithError("no resource manager");
    }
    KSC::KCScanFilter filter;
    filter.AddComponentType(KCFourCC("TsT1"));
    filter.AddAffiliation(KCFourCC("Kvne"));
    filter.SetFolderSearchDepth(1);
    const KCStPath folder(Folder().c_str());
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            DropFromPageCache();
            state.ResumeTiming();
        }
        KSC::KCKorvanePluginFolderScanner scanner("bench");
        scanner.SetPluginFolderPath(folder);
        scanner.SetPluginScanFilterForFolder(filter);
        KSC::KCPluginDiskScannerResults results;
        if (scanner.ScanFolderForComponents(results) != kvKorvaneV10_0_3::eNoErr ||
            results.GetNumComponents() != kBundles) {
            state.SkipWithError("the scan did not accept every bundle");
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

BENCHMARK_CAPTURE(Scan, warm, false)
    ->Name("scan.folder_2000_warm/korvane")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Walk, warm, false)
    ->Name("scan.folder_2000_warm/limit")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Scan, cold, true)
    ->Name("scan.folder_2000_cold/korvane")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Walk, cold, true)
    ->Name("scan.folder_2000_cold/limit")
    ->Unit(benchmark::kMillisecond);

}  // namespace
