// The documentation opens through whatever xdg-open is first on PATH: fake ones here record
// what they were asked to open or fail as a desktop without a PDF viewer does.
#include "korvane/gui/platform/help_launcher.h"

#include "korvane/fm/fm_test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>

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
    // An xdg-open in its own folder: it writes its arguments next to itself and exits `code`.
    std::string FakeOpener(int code) {
        const std::string folder = "bin" + std::to_string(code);
        const std::string script =
            tmp.Write(folder + "/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" +
                                                tmp.Path(folder + "/args") + "'\nexit " +
                                                std::to_string(code) + "\n");
        ::chmod(script.c_str(), 0755);
        return tmp.Path(folder);
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
    EXPECT_EQ(Read(bin + "/args"), docs + "/My Plug-In.pdf\n") << "one argument, spaces kept";
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

TEST_F(HelpLauncher, NoViewerIsReported) {
    {
        ScopedEnv path("PATH", FakeOpener(3));  // xdg-open: no tool to open it with
        EXPECT_EQ(LaunchHelpFile(docs, "My Plug-In", message), eAppLaunchFailed);
        EXPECT_EQ(message, "Documentation viewer (PDF) is not installed");
    }
    message.clear();
    ScopedEnv path("PATH", tmp.Path("docs"));  // no xdg-open at all
    EXPECT_EQ(LaunchHelpFile(docs, "My Plug-In", message), eAppLaunchFailed);
    EXPECT_EQ(message, "Documentation viewer (PDF) is not installed");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
