// Bundle containers: the lookup order, the configuration variants, lists, paths and every way
// a bundle or a key can be bad.
#include "korvane/rm/resource_manager.h"

#include "korvane/core/testing/special_files.h"
#include "korvane/fm/path_ref.h"
#include "korvane/rm/rm_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::RM {
namespace {

using testing::RMTest;
using testing::WriteZip;

class BundleTest : public RMTest {
protected:
    KTResContainerType* Open(const std::string& path, KTErr expected = eNoErr) {
        KTResContainerType* container = nullptr;
        EXPECT_EQ(OpenResContainer(FM::KCStPath(path.c_str()), 0, container), expected) << path;
        return container;
    }
};

TEST_F(BundleTest, LooseFileThenArchiveInContentsThenArchiveInResources) {
    const std::string bundle = MakeBundle();
    WriteFile(Res(bundle, "resource_config.yaml"), "Extensions:\n  PNG_: png\n");
    WriteZip(bundle + "/Contents/PNG_.zip", {{"knob.png", "contents-zip"}, {"b.png", "c-b"}});
    WriteZip(Res(bundle, "PNG_.zip"), {{"knob.png", "resources-zip"}, {"only.png", "r-only"}});
    KTResContainerType* c = Open(bundle);
    ASSERT_NE(c, nullptr);

    const KCResKey knob("PNG_", "knob");
    EXPECT_EQ(Read(c, knob), "contents-zip");
    WriteFile(Res(bundle, "PNG_/knob.png"), "loose");
    EXPECT_EQ(Read(c, knob), "loose");
    // The first archive found is the archive of the type; the second is not searched.
    EXPECT_EQ(Read(c, KCResKey("PNG_", "only")), "error " + std::to_string(eRMResNotFound));
    EXPECT_EQ(Read(c, KCResKey("PNG_", "b")), "c-b");

    FM::KCStPath actual;
    ASSERT_EQ(GetPathToActualFile(c, KCResKey("PNG_", "b"), actual), eNoErr);
    EXPECT_EQ(std::string(actual.GetPathString().c_str()), bundle + "/Contents/PNG_.zip/b.png");
    ASSERT_EQ(GetPathToActualFile(c, knob, actual), eNoErr);
    EXPECT_EQ(std::string(actual.GetPathString().c_str()), Res(bundle, "PNG_/knob.png"));
    ASSERT_EQ(GetPathToTheoreticalFile(c, KCResKey("PNG_", "nothing"), actual), eNoErr);
    EXPECT_EQ(std::string(actual.GetPathString().c_str()), Res(bundle, "PNG_/nothing.png"));
    EXPECT_EQ(GetPathToActualFile(c, KCResKey("PNG_", "nothing"), actual), eRMResNotFound);

    // Loose only: archives are not consulted.
    KTResourceType* r = nullptr;
    EXPECT_EQ(GetAResource(c, KCResKey("PNG_", "b"), r, nullptr, kRMFetchLooseOnly),
              eRMResNotFound);
    EXPECT_EQ(r, nullptr);
    std::uint64_t size = 0;
    ASSERT_EQ(GetRawResSize(c, KCResKey("PNG_", "b"), size), eNoErr);
    EXPECT_EQ(size, 3u);
}

// A loose name taken by something other than a regular file is not the resource: the archive
// answers, and a FIFO there is never waited on. The same holds for the configuration file.
TEST_F(BundleTest, OnlyARegularFileIsALooseResourceOrAConfiguration) {
    const std::string bundle = MakeBundle();
    std::filesystem::create_directories(Res(bundle, "resource_config.yaml"));
    WriteFile(Res(bundle, "extensions.txt"), "PNG_ png\n");
    std::filesystem::create_directories(Res(bundle, "PNG_/folder.png"));
    ASSERT_TRUE(test_support::MakeFifo(Res(bundle, "PNG_/fifo.png").c_str()));
    WriteZip(Res(bundle, "PNG_.zip"), {{"folder.png", "zip folder"}, {"fifo.png", "zip fifo"}});
    KTResContainerType* c = Open(bundle);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(Read(c, KCResKey("PNG_", "folder")), "zip folder");
    EXPECT_EQ(Read(c, KCResKey("PNG_", "fifo")), "zip fifo");
    EXPECT_EQ(Read(c, KCResKey("PNG_", "none")), "error " + std::to_string(eRMResNotFound));
    EXPECT_EQ(CloseResContainer(c), eNoErr);
}

TEST_F(BundleTest, ConfigurationVariants) {
    // extensions.txt when there is no YAML file.
    const std::string txt = MakeBundle("Txt");
    WriteFile(Res(txt, "extensions.txt"), "PNG_ png\n  XML_\t.xml\n");
    WriteFile(Res(txt, "PNG_/a.png"), "png");
    WriteFile(Res(txt, "XML_/a.xml"), "xml");
    WriteFile(Res(txt, "XML_/a"), "bare");
    KTResContainerType* c = Open(txt);
    EXPECT_EQ(Read(c, KCResKey("PNG_", "a")), "png");
    EXPECT_EQ(Read(c, KCResKey("XML_", "a")), "xml");

    // The YAML file wins over extensions.txt.
    const std::string both = MakeBundle("Both");
    WriteFile(Res(both, "extensions.txt"), "PNG_ png");
    WriteFile(Res(both, "resource_config.yaml"), "Extensions: {PNG_: img}\n");
    WriteFile(Res(both, "PNG_/a.png"), "png");
    WriteFile(Res(both, "PNG_/a.img"), "img");
    EXPECT_EQ(Read(Open(both), KCResKey("PNG_", "a")), "img");

    // Neither: extension-less loose files and archive entries only.
    const std::string none = MakeBundle("None");
    WriteFile(Res(none, "PNG_/a"), "bare");
    WriteFile(Res(none, "PNG_/b.png"), "with extension");
    WriteZip(Res(none, "PNG_.zip"), {{"z", "zipped"}});
    c = Open(none);
    EXPECT_EQ(Read(c, KCResKey("PNG_", "a")), "bare");
    EXPECT_EQ(Read(c, KCResKey("PNG_", "b")), "error " + std::to_string(eRMResNotFound));
    EXPECT_EQ(Read(c, KCResKey("PNG_", "z")), "zipped");

    // An empty configuration file is no configuration.
    const std::string empty = MakeBundle("Empty");
    WriteFile(Res(empty, "resource_config.yaml"), "");
    EXPECT_NE(Open(empty), nullptr);
}

TEST_F(BundleTest, EachOpeningReadsTheConfigurationThatIsOnDiskThen) {
    const auto reopen = [this](const std::string& bundle, KTErr expected = eNoErr) {
        KTResContainerType* c = Open(bundle, expected);
        std::string text = c == nullptr ? "refused" : Read(c, KCResKey("PNG_", "a"));
        if (c != nullptr) {
            EXPECT_EQ(CloseResContainer(c), eNoErr);
        }
        return text;
    };
    const std::string first = MakeBundle("First");
    WriteFile(Res(first, "PNG_/a.png"), "png");
    WriteFile(Res(first, "PNG_/a.img"), "img");
    WriteFile(Res(first, "resource_config.yaml"), "Extensions: {PNG_: png}\n");
    EXPECT_EQ(reopen(first), "png");
    WriteFile(Res(first, "resource_config.yaml"), "Extensions: {PNG_: img}\n");
    EXPECT_EQ(reopen(first), "img");
    WriteFile(Res(first, "resource_config.yaml"), "Extensions: [unclosed");
    EXPECT_EQ(reopen(first, eInvalidFileFormatProblem), "refused");
    WriteFile(Res(first, "resource_config.yaml"), "Extensions: {PNG_: png}\n");
    EXPECT_EQ(reopen(first), "png");

    // Another bundle with the same text gets the same configuration, and the same text read as
    // the other kind of configuration file is judged by that kind's rules.
    const std::string second = MakeBundle("Second");
    WriteFile(Res(second, "PNG_/a.png"), "second png");
    WriteFile(Res(second, "resource_config.yaml"), "Extensions: {PNG_: png}\n");
    EXPECT_EQ(reopen(second), "second png");
    const std::string pairs = MakeBundle("Pairs");
    WriteFile(Res(pairs, "PNG_/a.png"), "pairs png");
    WriteFile(Res(pairs, "extensions.txt"), "PNG_ png");
    EXPECT_EQ(reopen(pairs), "pairs png");
    WriteFile(Res(second, "resource_config.yaml"), "PNG_ png");
    EXPECT_EQ(reopen(second, eInvalidFileFormatProblem), "refused");
}

TEST_F(BundleTest, RedirectionBeforeArchiveAndQualifiedVariants) {
    const std::string bundle = MakeBundle();
    WriteFile(Res(bundle, "resource_config.yaml"),
              "Extensions:\n  PNG_: png\n"
              "Redirection:\n  PNG_:\n    knob: shared/big_knob.png\n    gone: shared/none.png\n"
              "    \"knob?dark\": shared/dark.png\n");
    WriteFile(Res(bundle, "shared/big_knob.png"), "redirected");
    WriteFile(Res(bundle, "shared/dark.png"), "dark redirected");
    WriteZip(bundle + "/Contents/PNG_.zip",
             {{"knob.png", "zip"}, {"gone.png", "zip gone"}, {"slider.png", "plain slider"}});
    KTResContainerType* c = Open(bundle);
    EXPECT_EQ(Read(c, KCResKey("PNG_", "knob")), "redirected");
    EXPECT_EQ(Read(c, KCResKey("PNG_", "knob", "dark")), "dark redirected");
    EXPECT_EQ(Read(c, KCResKey("PNG_", "gone")), "zip gone");  // missing target: archive next

    // A qualified key never falls back to the plain resource of the same name.
    WriteFile(Res(bundle, "PNG_/slider?abcd.png"), "abcd slider");
    EXPECT_EQ(Read(c, KCResKey("PNG_", "slider", "abcd")), "abcd slider");
    EXPECT_FALSE(DoesResourceExist(c, KCResKey("PNG_", "slider", "wxyz")));
    EXPECT_TRUE(DoesResourceExist(c, KCResKey("PNG_", "slider")));

    std::vector<KCFixedString<255>> names;
    ASSERT_EQ(GetResIDList(c, "PNG_", names), eNoErr);
    std::vector<std::string> text;
    text.reserve(names.size());
    for (const auto& name : names) {
        text.emplace_back(name.c_str());
    }
    EXPECT_EQ(text,
              (std::vector<std::string>{"gone", "knob", "knob?dark", "slider", "slider?abcd"}));
    std::vector<KCResKey> keys;
    ASSERT_EQ(GetResourceList(c, keys), eNoErr);
    EXPECT_NE(std::find(keys.begin(), keys.end(), KCResKey("PNG_", "slider", "abcd")), keys.end());
}

TEST_F(BundleTest, ListsOfTypesAndIdentifiers) {
    const std::string bundle = MakeBundle();
    WriteFile(Res(bundle, "extensions.txt"), "PNG_ png");
    WriteFile(Res(bundle, "PNG_/128.png"), "a");
    WriteFile(Res(bundle, "PNG_/130.png"), "b");
    WriteFile(Res(bundle, "PNG_/named.png"), "c");
    WriteFile(Res(bundle, "PNG_/stray.txt"), "not of this type");
    WriteZip(bundle + "/Contents/XML_.zip", {{"1.xml", "x"}});
    WriteZip(Res(bundle, "Presets.zip"), {{"p", "x"}});
    KTResContainerType* c = Open(bundle);
    std::vector<KCResType> types;
    ASSERT_EQ(GetResTypeList(c, types), eNoErr);
    std::vector<std::string> text;
    text.reserve(types.size());
    for (const auto& t : types) {
        text.emplace_back(t.c_str());
    }
    EXPECT_EQ(text, (std::vector<std::string>{"PNG_", "Presets", "XML_"}));
    std::vector<short> ids;
    ASSERT_EQ(GetResIDList(c, "PNG_", ids), eNoErr);
    EXPECT_EQ(ids, (std::vector<short>{128, 130}));
    EXPECT_TRUE(DoesResourceExist(c, "PNG_", 130));
    EXPECT_FALSE(DoesResourceExist(c, "PNG_", 131));
}

// A bundle with one resource, opened twice under two spellings of its path.
class SharedBundleTest : public BundleTest {
protected:
    void SetUp() override {
        BundleTest::SetUp();
        bundle = MakeBundle();
        WriteFile(Res(bundle, "PNG_/7"), "seven");
        c = Open(bundle);
        again = Open(bundle + "/");  // the same path spelled differently
    }

    std::string bundle;
    KTResContainerType* c = nullptr;
    KTResContainerType* again = nullptr;
};

TEST_F(SharedBundleTest, TheSamePathSpelledDifferentlyOpensTheSameContainer) {
    EXPECT_EQ(c, again);
    EXPECT_EQ(GetRetainCount(c), 2);
}

TEST_F(SharedBundleTest, TheSameResourceByIDOrByKeyIsOneSharedResource) {
    KTResourceType* first = nullptr;
    KTResourceType* second = nullptr;
    ASSERT_EQ(GetAResource(c, "PNG_", 7, first), eNoErr);
    ASSERT_EQ(GetAResource(c, KCResKey("PNG_", "7"), second), eNoErr);
    EXPECT_EQ(first, second);
    int count = 0;
    ASSERT_EQ(GetResRetainCount(first, count), eNoErr);
    EXPECT_EQ(count, 2);
    void* data = nullptr;
    ASSERT_EQ(GetResData(first, data), eNoErr);
    EXPECT_EQ(std::string(static_cast<char*>(data), 5), "seven");
    KCResKey back;
    ASSERT_EQ(GetResInfo(first, back), eNoErr);
    EXPECT_TRUE(back == KCResKey("PNG_", "7"));
}

TEST_F(SharedBundleTest, AResourceStaysLoadedUntilItsLastReleaseThenItsHandleIsUnknown) {
    KTResourceType* first = nullptr;
    KTResourceType* second = nullptr;
    ASSERT_EQ(GetAResource(c, "PNG_", 7, first), eNoErr);
    ASSERT_EQ(GetAResource(c, KCResKey("PNG_", "7"), second), eNoErr);
    ASSERT_EQ(ReleaseResource(first), eNoErr);
    EXPECT_EQ(first, nullptr);
    EXPECT_TRUE(IsResourceLoaded(c, KCResKey("PNG_", "7")));
    KTResourceType* stale = second;
    ASSERT_EQ(ReleaseResource(second), eNoErr);
    EXPECT_FALSE(IsResourceLoaded(c, KCResKey("PNG_", "7")));
    // A freed handle is recognised as unknown rather than used.
    EXPECT_EQ(ReleaseResource(stale), eRMResRefNotFound);
}

TEST_F(SharedBundleTest, AContainerStaysOpenUntilItsLastCloseThenItsHandleIsUnknown) {
    ASSERT_EQ(CloseResContainer(again), eNoErr);
    EXPECT_EQ(again, nullptr);
    EXPECT_TRUE(IsOpenResContainer(FM::KCStPath(bundle.c_str())));
    KTResContainerType* closed = c;
    ASSERT_EQ(CloseResContainer(c), eNoErr);
    EXPECT_FALSE(IsOpenResContainer(FM::KCStPath(bundle.c_str())));
    KTResourceType* first = nullptr;
    EXPECT_EQ(GetAResource(closed, "PNG_", 7, first), eRMContainerNotFound);
    EXPECT_EQ(CloseResContainer(closed), eRMContainerNotFound);
}

TEST_F(BundleTest, ANullContainerIsRefused) {
    KTResourceType* first = nullptr;
    KTResContainerType* null = nullptr;
    EXPECT_EQ(GetAResource(null, "PNG_", 7, first), eMemNullPointer);
}

TEST_F(BundleTest, BadBundlesAndConfigurationsAreRefusedWithTheirCodes) {
    Open(tmp.Path("missing.bundle"), FM::kNotABundle);
    Open(tmp.Write("file.txt", "x"), eRMInvalidResContainer);
    Open(tmp.Path(), eRMInvalidResContainer);  // a folder without the bundle extension

    const struct {
        const char* name;
        const char* file;
        const char* text;
        KTErr expected;
    } cases[] = {
        {"Malformed", "resource_config.yaml", "Extensions: [unclosed", eInvalidFileFormatProblem},
        {"NotAMap", "resource_config.yaml", "- a\n- b\n", eInvalidFileFormatProblem},
        {"ExtNotMap", "resource_config.yaml", "Extensions: png\n", eInvalidFileFormatProblem},
        {"Nested", "resource_config.yaml", "Extensions: {PNG_: [a]}\n", eInvalidFileFormatProblem},
        {"Unknown", "resource_config.yaml", "Extension: {PNG_: png}\n", eFMWrongParameters},
        {"Escape", "resource_config.yaml", "Redirection: {PNG_: {k: ../../../etc/passwd}}\n",
         eRMInvalidResID},
        {"Absolute", "resource_config.yaml", "Redirection: {PNG_: {k: /etc/passwd}}\n",
         eRMInvalidResID},
        {"TypeEscape", "resource_config.yaml", "Extensions: {../x: png}\n", eRMInvalidResID},
        {"ExtSlash", "resource_config.yaml", "Extensions: {PNG_: a/b}\n", eRMInvalidResID},
        {"Odd", "extensions.txt", "PNG_ png XML_", eInvalidFileFormatProblem},
        {"LongExt", "extensions.txt", "PNG_ abcdefghijklmnopq", eInvalidFileFormatProblem},
    };
    for (const auto& bad : cases) {
        const std::string bundle = MakeBundle(bad.name);
        WriteFile(Res(bundle, bad.file), bad.text);
        EXPECT_EQ(Open(bundle, bad.expected), nullptr) << bad.name;
        EXPECT_FALSE(IsOpenResContainer(FM::KCStPath(bundle.c_str()))) << bad.name;
    }
}

TEST_F(BundleTest, KeysNeverReachOutsideTheResourcesFolder) {
    const std::string bundle = MakeBundle();
    WriteFile(bundle + "/Contents/secret", "outside");
    WriteFile(Res(bundle, "PNG_/ok"), "inside");
    KTResContainerType* c = Open(bundle);
    KTResourceType* r = nullptr;
    for (const KCResKey& key :
         {KCResKey("PNG_", "../../secret"), KCResKey("..", "secret"), KCResKey("PNG_", ".."),
          KCResKey("PNG_", "ok", "/x"), KCResKey("PNG_", std::string(70, 'n').c_str())}) {
        EXPECT_EQ(GetAResource(c, key, r), eRMInvalidResID) << key.GetName().c_str();
        EXPECT_FALSE(DoesResourceExist(c, key));
        FM::KCStPath path;
        EXPECT_EQ(GetPathToTheoreticalFile(c, key, path), eRMInvalidResID);
    }
    EXPECT_EQ(Read(c, KCResKey("PNG_", "ok")), "inside");
}

TEST_F(BundleTest, DamagedArchivesAndEntries) {
    const std::string bundle = MakeBundle();
    WriteFile(bundle + "/Contents/PNG_.zip", "this is not a zip archive at all, not even close");
    const std::string xmlZip = bundle + "/Contents/XML_.zip";
    const std::string payload = "PAYLOAD-PAYLOAD-PAYLOAD-PAYLOAD";
    WriteZip(xmlZip, {{"a", payload}, {"b", "intact"}}, true);
    {  // flip the stored bytes of entry "a": its CRC no longer matches
        std::fstream f(xmlZip, std::ios::in | std::ios::out | std::ios::binary);
        std::string all((std::istreambuf_iterator<char>(f)), {});
        const auto at = all.find(payload);
        ASSERT_NE(at, std::string::npos);
        f.seekp(static_cast<std::streamoff>(at));
        f << std::string(payload.size(), 'X');
    }
    KTResContainerType* c = Open(bundle);
    KTResourceType* r = nullptr;
    EXPECT_EQ(GetAResource(c, KCResKey("PNG_", "a"), r), eInvalidFileFormatProblem);
    EXPECT_EQ(GetAResource(c, KCResKey("XML_", "a"), r), eFMReadFailed);
    EXPECT_FALSE(IsResourceLoaded(c, KCResKey("XML_", "a")));
    EXPECT_EQ(Read(c, KCResKey("XML_", "b")), "intact");
    EXPECT_EQ(GetAResource(c, KCResKey("TEXT", "a"), r), eRMResNotFound);  // no archive at all
}

TEST_F(BundleTest, ModuleExtensionsIgnoreCaseAndNeedNoManagerToBeTested) {
    bool is = false;
    const std::string upper = tmp.Write("Plug.VST3", "not an ELF file");
    ASSERT_EQ(IsResContainer(FM::KCStPath(upper.c_str()), is), eNoErr);
    EXPECT_TRUE(is);
    // Treated as a module (the loader refuses it), not refused as an unknown kind.
    KTResContainerType* c = nullptr;
    EXPECT_EQ(OpenResContainer(FM::KCStPath(upper.c_str()), 0, c), eDLLLoadingFailed);
    EXPECT_EQ(OpenResContainer(FM::KCStPath(tmp.Path("none.so").c_str()), 0, c), eDLLNotFound);
    ASSERT_EQ(IsResContainer(FM::KCStPath(MakeBundle().c_str()), is), eNoErr);
    EXPECT_TRUE(is);
    ASSERT_EQ(IsResContainer(FM::KCStPath(tmp.Write("x.txt", "").c_str()), is), eNoErr);
    EXPECT_FALSE(is);

    EXPECT_EQ(Dispose(), eNoErr);
    EXPECT_EQ(OpenResContainer(FM::KCStPath(MakeBundle().c_str()), 0, c), eSomeThingNotInitailzed);
    EXPECT_EQ(GetResourceManagerObjectCurrent(), nullptr);
}

// Users that cannot see each other (two plug-in modules in one host) share one manager: it
// stays while any of them still holds it, and one started with Init outlives them all.
TEST_F(BundleTest, CountedUsersShareTheManagerAndTheLastOneDisposesOnlyWhatItStarted) {
    ASSERT_EQ(Dispose(), eNoErr);
    ASSERT_EQ(Acquire(0x200, "first"), eNoErr);
    ASSERT_EQ(Acquire(0x200, "second"), eNoErr);
    KTResContainerType* c = nullptr;
    ASSERT_EQ(OpenResContainer(FM::KCStPath(MakeBundle().c_str()), 0, c), eNoErr);
    EXPECT_EQ(Release(), eNoErr);
    // The other user's container is still open.
    ASSERT_NE(GetResourceManagerObjectCurrent(), nullptr);
    EXPECT_STREQ(GetResourceManagerObjectCurrentOwnerName().c_str(), "first");
    EXPECT_EQ(CloseResContainer(c), eNoErr);
    EXPECT_EQ(Release(), eNoErr);
    EXPECT_EQ(GetResourceManagerObjectCurrent(), nullptr);
    EXPECT_EQ(Release(), eSomeThingNotInitailzed);

    // A manager its owner started with Init is counted but never disposed by the users.
    ASSERT_EQ(Init(0x200, "owner"), eNoErr);
    ASSERT_EQ(Acquire(0x200, "user"), eNoErr);
    EXPECT_EQ(Release(), eNoErr);
    ASSERT_NE(GetResourceManagerObjectCurrent(), nullptr);
    EXPECT_STREQ(GetResourceManagerObjectCurrentOwnerName().c_str(), "owner");
    // After the owner disposed it, a new user starts a manager of its own and ends it.
    ASSERT_EQ(Dispose(), eNoErr);
    ASSERT_EQ(Acquire(0x200, "late"), eNoErr);
    EXPECT_STREQ(GetResourceManagerObjectCurrentOwnerName().c_str(), "late");
    EXPECT_EQ(Release(), eNoErr);
    EXPECT_EQ(GetResourceManagerObjectCurrent(), nullptr);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::RM
