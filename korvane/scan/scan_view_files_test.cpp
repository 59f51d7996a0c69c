// The scan view files in the user's folders and the order in which a shell's scan view is
// looked for, in a temporary home.
#include "korvane/scan/scan_view_files.h"

#include "korvane/fm/fm_test_support.h"
#include "korvane/rm/resource_manager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::KSC {
namespace {

using FM::testing::ReadAll;
using FM::testing::ScopedEnv;
using FM::testing::TempFolder;
using KTStrings = KCScanViewSpec::KTStrings;

class ScanViewFilesTest : public ::testing::Test {
protected:
    ScanViewFilesTest() {
        names.containerLeaf = "Shell.bundle";
        names.fileTag = "VST";
        names.indicator = "MainPluginFolder";
        names.branch = "Beta";
    }

    [[nodiscard]] std::string Prefs(const std::string& leaf = "") const {
        return tmp.Path("config/Korvane Audio/Preferences") + (leaf.empty() ? "" : "/" + leaf);
    }
    [[nodiscard]] std::string Specific() const { return Prefs("Shell.bundleVST_ScanView.txt"); }
    [[nodiscard]] std::string Branch() const {
        return tmp.Path("config/Korvane Audio/ScanView/BetaRelease_MainPluginFolder_ScanView.txt");
    }
    [[nodiscard]] std::string Major() const { return Prefs("MainPluginFolder_ScanView.txt"); }
    static void Write(const std::string& path, const std::string& text) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }

    // A search with a resource that holds `resourceText` (none when empty); returns the source.
    KEScanViewSource Find(KCScanViewSpec& view, const std::string& resourceText = "",
                          KTErr expected = eNoErr) {
        KTScanViewResourceReader reader;
        if (!resourceText.empty()) {
            reader = [resourceText](KCScanViewSpec& s) {
                return s.ReadScanViewSpecFromString(resourceText);
            };
        }
        KEScanViewSource source = eScanViewSpecificFile;
        lines.clear();
        EXPECT_EQ(FindAndReadScanViewFromFile(
                      names, view, reader,
                      [this](const std::string& line) { lines.push_back(line); }, &source),
                  expected);
        return source;
    }

    TempFolder tmp;
    ScopedEnv home{"HOME", tmp.Path("home")};
    ScopedEnv config{"XDG_CONFIG_HOME", tmp.Path("config")};
    KSScanViewFileNames names;
    std::vector<std::string> lines;
};

TEST_F(ScanViewFilesTest, PathsAreMadeFromTheirNamesInTheUsersFolders) {
    FM::KCStPath path;
    ASSERT_EQ(GetPathToSpecificScanViewFile("Shell.bundle", "VST", path), eNoErr);
    EXPECT_STREQ(path.GetPathString().c_str(), Specific().c_str());
    ASSERT_EQ(GetPathToBranchScanViewFile("Beta", "MainPluginFolder", path), eNoErr);
    EXPECT_STREQ(path.GetPathString().c_str(), Branch().c_str());
    ASSERT_EQ(GetPathToMajorVersionScanViewFile(path, "MainPluginFolder"), eNoErr);
    EXPECT_STREQ(path.GetPathString().c_str(), Major().c_str());
    // Without a branch name the release file of the indicator remains.
    ASSERT_EQ(GetPathToBranchScanViewFile("", "MainPluginFolder", path), eNoErr);
    EXPECT_EQ(path.GetLeaf(), "Release_MainPluginFolder_ScanView.txt");
}

// The names come from a shell and its filter; none may lead out of the user's folders.
TEST_F(ScanViewFilesTest, NamesThatWouldLeaveTheFolderAreRefused) {
    FM::KCStPath path(tmp.Path("previous").c_str());
    for (const char* bad : {"../Evil", "a/b", "..", "/abs", "x..y", "sub/../x"}) {
        EXPECT_EQ(GetPathToSpecificScanViewFile(bad, "VST", path), eFMWrongParameters) << bad;
        EXPECT_EQ(GetPathToSpecificScanViewFile("Shell.bundle", bad, path), eFMWrongParameters)
            << bad;
        EXPECT_EQ(GetPathToBranchScanViewFile(bad, "MainPluginFolder", path), eFMWrongParameters)
            << bad;
        EXPECT_EQ(GetPathToBranchScanViewFile("Beta", bad, path), eFMWrongParameters) << bad;
        EXPECT_EQ(GetPathToMajorVersionScanViewFile(path, bad), eFMWrongParameters) << bad;
    }
    // A file name needs the shell's or the indicator's own part.
    EXPECT_EQ(GetPathToSpecificScanViewFile("", "VST", path), eFMWrongParameters);
    EXPECT_EQ(GetPathToMajorVersionScanViewFile(path, ""), eFMWrongParameters);
    EXPECT_EQ(GetPathToMajorVersionScanViewFile(path, nullptr), eFMWrongParameters);
    EXPECT_EQ(path.GetPathString(), tmp.Path("previous").c_str());  // untouched on failure
    // Single dots and backslashes are ordinary characters of a file name.
    ASSERT_EQ(GetPathToSpecificScanViewFile("My.Shell.bundle", ".x\\y", path), eNoErr);
    EXPECT_EQ(path.GetLeaf(), "My.Shell.bundle.x\\y_ScanView.txt");

    // The search passes over the refused file and copies nothing anywhere.
    Write(Major(), "folders: [m]\n");
    names.containerLeaf = "../../Evil";
    KCScanViewSpec view;
    EXPECT_EQ(Find(view), eScanViewMajorVersionFile);
    EXPECT_EQ(lines.front(), "  Failed to create path to Specific ScanView file error = " +
                                 std::to_string(eFMWrongParameters));
    EXPECT_EQ(lines.back(),
              " Major version ScanView file was not written to the Specific ScanView file, "
              "error = " +
                  std::to_string(eFMWrongParameters));
    EXPECT_EQ(view.GetFilePath().GetPathString(), Major().c_str());
    for (const auto& entry : std::filesystem::recursive_directory_iterator(tmp.Path())) {
        EXPECT_EQ(entry.path().string().find("Evil"), std::string::npos) << entry.path();
    }
}

TEST_F(ScanViewFilesTest, FirstSourceThatReadsWins) {
    Write(Specific(), "folders: [specific]\n");
    Write(Branch(), "folders: [branch]\n");
    Write(Major(), "folders: [major]\n");
    KCScanViewSpec view;
    EXPECT_EQ(Find(view, "folders: [resource]\n"), eScanViewSpecificFile);
    EXPECT_EQ(view.GetFolders(), KTStrings{"specific"});
    EXPECT_EQ(view.GetFilePath().GetPathString(), Specific().c_str());

    std::filesystem::remove(Specific());
    EXPECT_EQ(Find(view, "folders: [resource]\n"), eScanViewResource);
    EXPECT_EQ(view.GetFolders(), KTStrings{"resource"});
    EXPECT_EQ(view.GetFilePath().GetPathRef(), nullptr);
    EXPECT_FALSE(std::filesystem::exists(Specific()));  // only the major version file is copied

    EXPECT_EQ(Find(view), eScanViewBranchFile);
    EXPECT_EQ(view.GetFolders(), KTStrings{"branch"});
    EXPECT_FALSE(std::filesystem::exists(Specific()));

    std::filesystem::remove(Branch());
    EXPECT_EQ(Find(view), eScanViewMajorVersionFile);
    EXPECT_EQ(view.GetFolders(), KTStrings{"major"});
}

TEST_F(ScanViewFilesTest, AMalformedSourceIsPassedOver) {
    // Several documents in each file; one bad document spoils the whole file.
    Write(Specific(), "folders: [s1]\n---\nfolders: [s2\n");
    Write(Branch(), "folders: [b1]\n---\nexclude: not-a-list\n");
    Write(Major(), "folders: [m1]\n---\n---\nfolders: [m2]\nexclude: [old]\n");
    KCScanViewSpec view;
    EXPECT_EQ(Find(view, "folders: r\n"), eScanViewMajorVersionFile);
    EXPECT_EQ(view.GetFolders(), (KTStrings{"m1", "m2"}));
    EXPECT_EQ(view.GetExclude(), KTStrings{"old"});
    // The broken specific file is the user's to mend: it is not overwritten.
    EXPECT_EQ(ReadAll(Specific()), "folders: [s1]\n---\nfolders: [s2\n");
    EXPECT_EQ(view.GetFilePath().GetPathString(), Major().c_str());

    EXPECT_EQ(Find(view, "folders: [r1]\n---\nfolders: [r2]\n"), eScanViewResource);
    EXPECT_EQ(view.GetFolders(), (KTStrings{"r1", "r2"}));
}

TEST_F(ScanViewFilesTest, OnlyTheMajorVersionFileGivesTheSpecificFileOnTheFirstSearch) {
    Write(Major(), "folders: [MainPluginFolder]\n---\nexclude: [Old]\nexclude_guid: [G]\n");
    KCScanViewSpec view;
    EXPECT_EQ(Find(view), eScanViewMajorVersionFile);
    ASSERT_TRUE(std::filesystem::is_regular_file(Specific()));
    EXPECT_EQ(view.GetFilePath().GetPathString(), Specific().c_str());

    KCScanViewSpec again;
    EXPECT_EQ(Find(again), eScanViewSpecificFile);
    EXPECT_EQ(again.GetFolders(), KTStrings{"MainPluginFolder"});
    EXPECT_EQ(again.GetExclude(), KTStrings{"Old"});
    EXPECT_EQ(again.GetExcludeGUIDs(), KTStrings{"G"});
    // The copy belongs to this shell: the major version file is as it was.
    EXPECT_EQ(ReadAll(Major()),
              "folders: [MainPluginFolder]\n---\nexclude: [Old]\nexclude_guid: [G]\n");
}

TEST_F(ScanViewFilesTest, NothingFoundLeavesAnEmptyScanView) {
    KCScanViewSpec view;
    view.AddFolder("left over");
    EXPECT_EQ(Find(view, "", eFMFileNotFound), eScanViewNotFound);
    EXPECT_TRUE(view.empty());
    EXPECT_FALSE(std::filesystem::exists(Specific()));
}

TEST_F(ScanViewFilesTest, TheSearchIsTraced) {
    Write(Branch(), "folders: [b\n");
    Write(Major(), "folders: [m]\n");
    KCScanViewSpec view;
    EXPECT_EQ(Find(view, "folders: x\n"), eScanViewMajorVersionFile);
    const std::vector<std::string> expected = {
        "  Path to Specific ScanView file: " + Specific(),
        "  Shell specific file was not found ",
        "  Internal ScanView Resource was not found, error = " +
            std::to_string(eInvalidFileFormatProblem),
        "  Path to Branch ScanView file: " + Branch(),
        "  Branch ScanView file was found and could not be read, error = " +
            std::to_string(eInvalidFileFormatProblem),
        "  Path to Major version ScanView file: " + Major(),
        "  Major version ScanView file was found and read",
        " Major version ScanView file was written to the Specific ScanView file",
    };
    EXPECT_EQ(lines, expected);

    EXPECT_EQ(Find(view), eScanViewSpecificFile);
    EXPECT_EQ(lines,
              (std::vector<std::string>{"  Path to Specific ScanView file: " + Specific(),
                                        "  Shell specific ScanView file was found and read"}));
}

TEST_F(ScanViewFilesTest, TheShellsResourceIsReadFromItsContainer) {
    ASSERT_EQ(RM::Init(0, "test"), eNoErr);
    tmp.Write("S.bundle/Contents/Resources/ScanFilter/1000", "include_only: [Korvane]\n");
    KTResContainerType* container = nullptr;
    ASSERT_EQ(RM::OpenResContainer(FM::KCStPath(tmp.Path("S.bundle").c_str()), 0, container),
              eNoErr);
    KCScanViewSpec view;
    KEScanViewSource source = eScanViewNotFound;
    EXPECT_EQ(FindAndReadScanViewFromFile(names, view, ScanViewResourceReader(container, 1000), {},
                                          &source),
              eNoErr);
    EXPECT_EQ(source, eScanViewResource);
    EXPECT_EQ(view.GetIncludeOnly(), KTStrings{"Korvane"});
    EXPECT_EQ(FindAndReadScanViewFromFile(names, view, ScanViewResourceReader(container, 1001), {},
                                          &source),
              eFMFileNotFound);
    EXPECT_EQ(source, eScanViewNotFound);
    EXPECT_EQ(RM::CloseResContainer(container), eNoErr);
    EXPECT_EQ(RM::Dispose(), eNoErr);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::KSC
