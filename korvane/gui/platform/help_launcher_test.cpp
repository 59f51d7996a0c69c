// The documentation opens through whatever xdg-open is first on PATH: fake ones here record
// what they were asked to open or fail as a desktop without a PDF viewer does.
#include "korvane/gui/platform/help_launcher.h"

#include "korvane/fm/fm_test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace kvKorvaneV10_0_3 {
namespace {

using FM::testing::ScopedEnv;
using FM::testing::TempFolder;

class HelpLauncher : public ::testing::Test {
protected:
    void SetUp() override {
        docs = tmp.Path("docs");
        tmp.Write("docs/My Plug-In.pdf", "%PDF-1.4\n");
    }
    // An xdg-open in its own folder: after `before` (shell commands) it writes its arguments
    // next to itself, whole at once, and exits `code`.
    std::string FakeOpener(int code, const std::string& before = "") {
        const std::string folder = "bin" + std::to_string(code);
        const std::string args = tmp.Path(folder + "/args");
        const std::string script =
            tmp.Write(folder + "/xdg-open", "#!/bin/sh\n" + before + R"(printf '%s\n' "$@" > ')" +
                                                args + ".part'\n/bin/mv '" + args + ".part' '" +
                                                args + "'\nexit " + std::to_string(code) + "\n");
        ::chmod(script.c_str(), 0755);
        return tmp.Path(folder);
    }
    // The opener runs detached: what it wrote, once it has, or "" after a few seconds.
    std::string WaitAndRead(const std::string& path) {
        for (int i = 0; i < 500 && ::access(path.c_str(), F_OK) != 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return Read(path);
    }
    std::string Read(const std::string& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    TempFolder tmp;
    std::string docs;
    std::string message;
};

TEST_F(HelpLauncher, OpensThePdfWithXdgOpen) {
    const std::string bin = FakeOpener(0);
    ScopedEnv path("PATH", bin);
    EXPECT_EQ(LaunchHelpFile(docs, "My Plug-In", message), eNoErr);
    EXPECT_EQ(message, "");
    EXPECT_EQ(WaitAndRead(bin + "/args"), docs + "/My Plug-In.pdf\n")
        << "one argument, spaces kept";
}

TEST_F(HelpLauncher, AMissingFileIsNamed) {
    const std::string bin = FakeOpener(0);
    ScopedEnv path("PATH", bin);
    EXPECT_EQ(LaunchHelpFile(docs, "Other", message), eFMFileNotFound);
    EXPECT_EQ(message, "The plug-in documentation file 'Other.pdf' is missing.");
    EXPECT_EQ(Read(bin + "/args"), "") << "nothing was opened";
    EXPECT_EQ(LaunchHelpFile(tmp.Path(), "docs", message), eFMFileNotFound)
        << "a folder is no document";
}

// The viewer may run in the foreground of xdg-open: the launch does not wait for it, and
// hands it none of this process's descriptors.
TEST_F(HelpLauncher, TheViewerRunsDetachedWithoutOurDescriptors) {
    const int fd = ::open("/dev/null", O_RDONLY);  // inheritable
    ASSERT_GE(fd, 3);
    const std::string report = tmp.Path("fd");
    const std::string bin =
        FakeOpener(0, "if [ -e /proc/$$/fd/" + std::to_string(fd) + " ]; then echo open > '" +
                          report + "'; else echo closed > '" + report + "'; fi\n/bin/sleep 2\n");
    ScopedEnv path("PATH", bin);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(LaunchHelpFile(docs, "My Plug-In", message), eNoErr);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500))
        << "the launch waited for the viewer";
    EXPECT_EQ(WaitAndRead(bin + "/args"), docs + "/My Plug-In.pdf\n");
    EXPECT_EQ(Read(report), "closed\n");
    ::close(fd);
}

// Only a missing xdg-open is seen: what the detached viewer does later is not.
TEST_F(HelpLauncher, NoViewerIsReported) {
    ScopedEnv path("PATH", tmp.Path("docs"));  // no xdg-open at all
    EXPECT_EQ(LaunchHelpFile(docs, "My Plug-In", message), eAppLaunchFailed);
    EXPECT_EQ(message, "Documentation viewer (PDF) is not installed");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
