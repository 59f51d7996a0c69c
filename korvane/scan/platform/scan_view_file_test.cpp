// Scan view files under conditions only the operating system can make: a write cut short by
// the file size limit, and a FIFO in place of the file.
#include "korvane/scan/scan_view_spec.h"

#include "korvane/fm/fm_test_support.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

namespace kvKorvaneV10_0_3::KSC {
namespace {

using FM::testing::ReadAll;
using FM::testing::TempFolder;

// A scan view file that fails to be written, half-way, must still hold the scan view it held
// before: readers (another shell starting) never see half a file.
TEST(ScanViewFileSystem, AWriteCutShortLeavesThePreviousFile) {
    TempFolder tmp;
    const std::string old = "folders: [MainPluginFolder]\nexclude: [Beta]\n";
    const std::string file = tmp.Write("Shell_ScanView.txt", old);
    KCScanViewSpec view;
    ASSERT_EQ(view.ReadScanViewSpecFromFile(FM::KCStPath(file.c_str())), eNoErr);
    for (int i = 0; i < 40; ++i) {
        view.AddExclude("/a/long/enough/pattern/to/pass/the/limit/" + std::to_string(i));
    }

    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        // Writes past 32 bytes fail with EFBIG instead of killing the process.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{32, 32};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            ::_exit(2);
        }
        ::_exit(view.WriteScanViewSpecToFile() != eNoErr ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write did not report its failure";
    EXPECT_EQ(ReadAll(file), old);
    // Nothing of the attempt is left beside it.
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(tmp.Path())) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1);

    // Without the limit the same write goes through.
    ASSERT_EQ(view.WriteScanViewSpecToFile(), eNoErr);
    KCScanViewSpec back;
    ASSERT_EQ(back.ReadScanViewSpecFromFile(FM::KCStPath(file.c_str())), eNoErr);
    EXPECT_EQ(back.GetExclude(), view.GetExclude());
}

TEST(ScanViewFileSystem, AFifoInPlaceOfTheFileFailsWithoutBlocking) {
    TempFolder tmp;
    const std::string fifo = tmp.Path("Shell_ScanView.txt");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    KCScanViewSpec view;
    EXPECT_EQ(view.ReadScanViewSpecFromFile(FM::KCStPath(fifo.c_str())), eFMFileNotFound);
    EXPECT_TRUE(view.empty());
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::KSC
