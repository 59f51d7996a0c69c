// Scan views: the YAML form over several documents, matching of paths and GUIDs, and the
// file and resource readers.
#include "korvane/scan/scan_view_spec.h"

#include "korvane/core/testing/locale_guard.h"
#include "korvane/fm/fm_test_support.h"
#include "korvane/rm/resource_manager.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace kvKorvaneV10_0_3::KSC {
namespace {

using FM::testing::TempFolder;
using KTStrings = KCScanViewSpec::KTStrings;

KCScanViewSpec Read(const std::string& text) {
    KCScanViewSpec view;
    EXPECT_EQ(view.ReadScanViewSpecFromString(text), eNoErr) << text;
    return view;
}

bool Included(const KCScanViewSpec& view, const char* path, std::string* matched = nullptr) {
    KCFixedString<255> pattern("stale");
    const bool result = view.ShouldPathBeIncluded(KCFixedString<1023>(path), pattern);
    if (matched != nullptr) {
        *matched = pattern.c_str();
    }
    return result;
}

bool Excluded(const KCScanViewSpec& view, const char* path, std::string* matched = nullptr) {
    KCFixedString<255> pattern("stale");
    const bool result = view.ShouldPathBeExcluded(KCFixedString<1023>(path), pattern);
    if (matched != nullptr) {
        *matched = pattern.c_str();
    }
    return result;
}

TEST(ScanViewYaml, DocumentsAddToTheListsInOrder) {
    const KCScanViewSpec view = Read(R"(folders: [MainPluginFolder, /opt/plugins]
exclude: [Old]
---
# an empty document adds nothing
---
folders:
  - relative/more
include_only: [Plugins]
exclude: [Beta]
include_guid: [G-1]
exclude_guid: [G-2, G-3]
)");
    EXPECT_EQ(view.GetFolders(), (KTStrings{"MainPluginFolder", "/opt/plugins", "relative/more"}));
    EXPECT_EQ(view.GetIncludeOnly(), KTStrings{"Plugins"});
    EXPECT_EQ(view.GetExclude(), (KTStrings{"Old", "Beta"}));
    EXPECT_EQ(view.GetIncludeGUIDs(), KTStrings{"G-1"});
    EXPECT_EQ(view.GetExcludeGUIDs(), (KTStrings{"G-2", "G-3"}));
    EXPECT_EQ(view.GetFilePath().GetPathRef(), nullptr);

    // Nothing at all, or keys without values, is an empty scan view.
    EXPECT_TRUE(Read("").empty());
    EXPECT_TRUE(Read("---\n...\n").empty());
    EXPECT_TRUE(Read("folders:\nexclude: []\n").empty());
}

TEST(ScanViewYaml, MalformedTextFailsAndLeavesTheSpecAlone) {
    const char* bad[] = {
        "folders: [unclosed",               // not YAML
        "- just\n- a list\n",               // a document that is not a map
        "folders: /one/path\n",             // a value that is not a sequence
        "exclude: [[nested]]\n",            // an item that is not a string
        "exclude: [{a: b}]\n",              // nor a map
        "excludes: [Beta]\n",               // a misspelt key
        "folders: [a]\n---\nfolders: b\n",  // a later document spoils the whole text
        "{[a]: [b]}\n",                     // a key that is not a string
        "folders: [a]\n---\n[unclosed\n",   // a later document that is not YAML
        ",\n",  // a stray token at the top level, which yaml-cpp never gets past
        "folders: [a]\n---\n, \"\"]\n..rs",  // the same after a good document
        "exclude: [\"\\\xa8o\", a]\n",       // an item that is not UTF-8 once unescaped
        "exclude: [a\xa8]\n",                // nor as written
        "exclude: [\"\\ud800\"]\n",          // a lone surrogate
        "exclude: [\"a\\0b\"]\n",            // a NUL character, which no path holds
    };
    for (const char* text : bad) {
        KCScanViewSpec view = Read("exclude: [Keep]\n");
        EXPECT_EQ(view.ReadScanViewSpecFromString(text), eInvalidFileFormatProblem) << text;
        EXPECT_EQ(view.GetExclude(), KTStrings{"Keep"}) << text;
        EXPECT_TRUE(view.GetFolders().empty()) << text;
    }
}

TEST(ScanViewYaml, WritesWhatItReadsBack) {
    KCScanViewSpec view;
    view.AddFolder(R"(C:\Program Files\Korvane\Plugins)");
    view.AddFolder("MainPluginFolder");
    view.AddIncludeOnly("plugins");
    // Texts that YAML would otherwise read as something else, or that need quoting.
    for (const char* tricky :
         {"~",       "null", "yes",    "123",   "1.5",    "- x",      "a: b",
          "#c",      "'q'",  "\"dq\"", " lead", "trail ", "ünïcødé",  "[x]",
          "*anchor", "",     "\r",     "a\tb",  "\n",     "\xc2\x85", "\xe2\x80\xa8"}) {
        view.AddExclude(tricky);
    }
    view.AddExcludeGUID("{ABC-def}");
    std::string text;
    ASSERT_EQ(view.WriteScanViewSpecToString(text), eNoErr);
    const KCScanViewSpec back = Read(text);
    EXPECT_EQ(back.GetFolders(), view.GetFolders()) << text;
    EXPECT_EQ(back.GetIncludeOnly(), view.GetIncludeOnly()) << text;
    EXPECT_EQ(back.GetExclude(), view.GetExclude()) << text;
    EXPECT_TRUE(back.GetIncludeGUIDs().empty()) << text;
    EXPECT_EQ(back.GetExcludeGUIDs(), view.GetExcludeGUIDs()) << text;
    // Only the lists that hold something are written, in the order of the form.
    EXPECT_EQ(text.find("include_guid"), std::string::npos) << text;
    EXPECT_LT(text.find("folders"), text.find("include_only"));
    EXPECT_LT(text.find("exclude:"), text.find("exclude_guid"));

    std::string empty;
    ASSERT_EQ(KCScanViewSpec().WriteScanViewSpecToString(empty), eNoErr);
    EXPECT_TRUE(Read(empty).empty()) << empty;
}

// A host may set a decimal-comma locale; the written text must not change with it.
TEST(ScanViewYaml, WrittenTextIsTheSameInADecimalCommaLocale) {
    const KCScanViewSpec view = Read("folders: ['1234', '1.5', /x]\nexclude_guid: ['-2']\n");
    std::string classic;
    ASSERT_EQ(view.WriteScanViewSpecToString(classic), eNoErr);
    const test_support::ScopedProcessLocale comma(test_support::kCommaLocale);
    if (!comma.Installed()) {
        GTEST_SKIP() << test_support::kCommaLocale << " is not installed";
    }
    std::string local;
    ASSERT_EQ(view.WriteScanViewSpecToString(local), eNoErr);
    EXPECT_EQ(local, classic);
    EXPECT_EQ(Read(local).GetFolders(), (KTStrings{"1234", "1.5", "/x"}));
}

TEST(ScanViewYaml, ReadsFromAStream) {
    std::istringstream in("include_only: [a]\n---\ninclude_only: [b]\n");
    KCScanViewSpec view;
    ASSERT_EQ(view.ReadScanViewSpecFromIstream(in), eNoErr);
    EXPECT_EQ(view.GetIncludeOnly(), (KTStrings{"a", "b"}));
    std::istringstream bad("include_only: a\n");
    EXPECT_EQ(view.ReadScanViewSpecFromIstream(bad), eInvalidFileFormatProblem);
    EXPECT_EQ(view.GetIncludeOnly(), (KTStrings{"a", "b"}));
}

TEST(ScanViewMatching, IncludeOnlyMatchesAfterNormalisingBothSides) {
    const KCScanViewSpec view = Read("include_only: [plugins, 'Vendor\\Sub']\n");
    std::string matched;
    EXPECT_TRUE(Included(view, "C:\\Program Files\\X\\Plugins\\A.bundle", &matched));
    EXPECT_EQ(matched, "plugins");
    EXPECT_TRUE(Included(view, "/opt/vendor/sub/B.bundle", &matched));
    EXPECT_EQ(matched, "Vendor\\Sub");  // the pattern as written
    EXPECT_FALSE(Included(view, "/opt/other/C.bundle", &matched));
    EXPECT_EQ(matched, "");
}

TEST(ScanViewMatching, EmptyIncludeOnlyListIncludesEveryPath) {
    const KCScanViewSpec view = Read("exclude: [x]\n");
    std::string matched;
    for (const char* path : {"/a/b.bundle", "", "C:\\Y"}) {
        EXPECT_TRUE(Included(view, path, &matched)) << path;
        EXPECT_EQ(matched, "");
    }
}

TEST(ScanViewMatching, PatternsAreSubstringsNotWildcards) {
    const KCScanViewSpec view = Read("exclude: ['*.bundle', '?', Beta/]\n");
    EXPECT_FALSE(Excluded(view, "/plugins/A.bundle"));
    EXPECT_FALSE(Excluded(view, "/plugins/B.so"));
    std::string matched;
    EXPECT_TRUE(Excluded(view, "/plugins/BETA\\A.bundle", &matched));
    EXPECT_EQ(matched, "Beta/");
    EXPECT_TRUE(Excluded(view, "/plugins/what?.bundle", &matched));
    EXPECT_EQ(matched, "?");
    // A pattern is all of its bytes, also past a NUL character that no path holds.
    KCScanViewSpec nul;
    nul.AddExclude(std::string("\0x", 2));
    EXPECT_FALSE(Excluded(nul, "/plugins/x"));
    // Only ASCII letters fold: other bytes compare as they are.
    EXPECT_FALSE(Excluded(Read("exclude: [Ü]\n"), "/ü"));
    EXPECT_TRUE(Excluded(Read("exclude: [Ü]\n"), "/Ü"));

    const KCScanViewSpec both = Read("include_only: [plugins]\nexclude: [beta]\n");
    EXPECT_EQ(both.GetPathRejectBits(KCFixedString<1023>("/Plugins/a")), 0U);
    EXPECT_EQ(both.GetPathRejectBits(KCFixedString<1023>("/Plugins/Beta")),
              1U << kScanViewExcludeRejectBit);
    EXPECT_EQ(both.GetPathRejectBits(KCFixedString<1023>("/other/beta")),
              (1U << kScanViewIncludeRejectBit) | (1U << kScanViewExcludeRejectBit));
}

// An empty pattern occurs in every path: taken literally, one stray "" or null item in the
// exclude list would drop every plug-in.
TEST(ScanViewMatching, EmptyPatternsAreIgnored) {
    for (const char* text : {"exclude: ['']\n", "exclude: [~]\n", "exclude:\n  -\n",
                             "exclude: ['', ~]\n---\nexclude: [null]\n"}) {
        const KCScanViewSpec view = Read(text);
        EXPECT_FALSE(view.GetExclude().empty()) << text;  // kept, and written back as read
        EXPECT_FALSE(Excluded(view, "/plugins/A.bundle")) << text;
        EXPECT_EQ(view.GetPathRejectBits(KCFixedString<1023>("/plugins/A.bundle")), 0U) << text;
    }
    // An include-only list of empty patterns keeps everything, as an empty list does.
    std::string matched;
    EXPECT_TRUE(Included(Read("include_only: ['', ~]\n"), "/plugins/A.bundle", &matched));
    EXPECT_EQ(matched, "");
    // Beside real patterns the empty one plays no part.
    const KCScanViewSpec mixed = Read("include_only: ['', keep]\nexclude: ['', drop]\n");
    EXPECT_TRUE(Included(mixed, "/keep/A.bundle", &matched));
    EXPECT_EQ(matched, "keep");
    EXPECT_FALSE(Included(mixed, "/other/A.bundle"));
    EXPECT_TRUE(Excluded(mixed, "/keep/drop.bundle", &matched));
    EXPECT_EQ(matched, "drop");
    EXPECT_FALSE(Excluded(mixed, "/keep/A.bundle"));
}

TEST(ScanViewMatching, GUIDsCompareExactly) {
    const KCScanViewSpec view = Read("include_guid: [Keep-1]\nexclude_guid: [ABC-1, '']\n");
    EXPECT_TRUE(view.ShouldGUIDBeExcluded(KCFixedString<63>("ABC-1")));
    EXPECT_FALSE(view.ShouldGUIDBeExcluded(KCFixedString<63>("abc-1")));  // case matters
    EXPECT_FALSE(view.ShouldGUIDBeExcluded(KCFixedString<63>("ABC-12")));
    EXPECT_FALSE(view.ShouldGUIDBeExcluded(KCFixedString<63>("")));  // the empty entry is skipped
    EXPECT_TRUE(view.ShouldGUIDBeIncluded(KCFixedString<63>("Keep-1")));
    EXPECT_FALSE(view.ShouldGUIDBeIncluded(KCFixedString<63>("keep-1")));
    EXPECT_TRUE(Read("include_guid: ['']\n").ShouldGUIDBeIncluded(KCFixedString<63>("any")));
    EXPECT_TRUE(KCScanViewSpec().ShouldGUIDBeIncluded(KCFixedString<63>("any")));
}

TEST(ScanViewFile, ReadRecordsThePathAndWritesBackToIt) {
    TempFolder tmp;
    const FM::KCStPath path(tmp.Write("view.txt", "folders: [a]\n---\nfolders: [b]\n").c_str());
    KCScanViewSpec view;
    ASSERT_EQ(view.ReadScanViewSpecFromFile(path), eNoErr);
    EXPECT_EQ(view.GetFolders(), (KTStrings{"a", "b"}));
    EXPECT_TRUE(view.GetFilePath() == path);

    view.AddExclude("old");
    ASSERT_EQ(view.WriteScanViewSpecToFile(), eNoErr);
    KCScanViewSpec back;
    ASSERT_EQ(back.ReadScanViewSpecFromFile(path), eNoErr);
    EXPECT_EQ(back.GetFolders(), (KTStrings{"a", "b"}));
    EXPECT_EQ(back.GetExclude(), KTStrings{"old"});

    // Written elsewhere, that file becomes the scan view's own; its folder is created.
    const FM::KCStPath other(tmp.Path("sub/other.txt").c_str());
    ASSERT_EQ(view.WriteScanViewSpecToFile(other), eNoErr);
    EXPECT_TRUE(view.GetFilePath() == other);
    EXPECT_EQ(FM::testing::ReadAll(tmp.Path("sub/other.txt")),
              FM::testing::ReadAll(tmp.Path("view.txt")));

    // A scan view that came from no file has nowhere to go.
    EXPECT_EQ(KCScanViewSpec().WriteScanViewSpecToFile(), eFMIllegalPathRef);
}

TEST(ScanViewFile, UnreadableFilesFailAndLeaveTheSpecAlone) {
    TempFolder tmp;
    tmp.Write("folder/x", "");
    tmp.Write("big.txt", std::string(kScanViewMaxFileSize + 1, '#'));
    tmp.Write("bad.txt", "folders: [a\n");
    KCScanViewSpec view = Read("folders: [keep]\n");
    const struct {
        const char* name;
        KTErr expected;
    } cases[] = {{"missing.txt", eFMFileNotFound},
                 {"folder", eFMIsAFolder},
                 {"big.txt", eFMFileSizeTooBig},
                 {"bad.txt", eInvalidFileFormatProblem}};
    for (const auto& c : cases) {
        EXPECT_EQ(view.ReadScanViewSpecFromFile(FM::KCStPath(tmp.Path(c.name).c_str())), c.expected)
            << c.name;
        EXPECT_EQ(view.GetFolders(), KTStrings{"keep"}) << c.name;
    }
    EXPECT_EQ(view.ReadScanViewSpecFromFile(FM::KCStPath()), eFMIllegalPathRef);
}

TEST(ScanViewResource, ReadsTheShellsScanFilterResource) {
    ASSERT_EQ(RM::Init(0, "test"), eNoErr);
    TempFolder tmp;
    tmp.Write("S.bundle/Contents/Resources/ScanFilter/1000",
              "folders: [MainPluginFolder]\n---\nexclude: [old]\n");
    tmp.Write("S.bundle/Contents/Resources/ScanFilter/1001", "folders: MainPluginFolder\n");
    KTResContainerType* container = nullptr;
    ASSERT_EQ(RM::OpenResContainer(FM::KCStPath(tmp.Path("S.bundle").c_str()), 0, container),
              eNoErr);
    KCScanViewSpec view;
    EXPECT_EQ(view.ReadScanViewSpecFromResource(container, "ScanFilter", 1000), eNoErr);
    EXPECT_EQ(view.GetFolders(), KTStrings{"MainPluginFolder"});
    EXPECT_EQ(view.GetExclude(), KTStrings{"old"});
    EXPECT_EQ(view.ReadScanViewSpecFromResource(container, "ScanFilter", 1001),
              eInvalidFileFormatProblem);
    EXPECT_EQ(view.ReadScanViewSpecFromResource(container, "ScanFilter", 1002), eRMResNotFound);
    EXPECT_EQ(view.GetFolders(), KTStrings{"MainPluginFolder"});
    EXPECT_EQ(RM::CloseResContainer(container), eNoErr);
    EXPECT_EQ(RM::Dispose(), eNoErr);
}

TEST(ScanViewSpec, ClearForgetsListsAndFile) {
    TempFolder tmp;
    KCScanViewSpec view;
    ASSERT_EQ(view.ReadScanViewSpecFromFile(
                  FM::KCStPath(tmp.Write("v.txt", "exclude_guid: [g]\n").c_str())),
              eNoErr);
    EXPECT_FALSE(view.empty());
    view.clear();
    EXPECT_TRUE(view.empty());
    EXPECT_EQ(view.GetFilePath().GetPathRef(), nullptr);
    EXPECT_FALSE(view.ShouldGUIDBeExcluded(KCFixedString<63>("g")));
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::KSC
