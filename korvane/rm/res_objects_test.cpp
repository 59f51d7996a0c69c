// The object layer (containers, resources, users, cache files) and conversion callbacks.
#include "korvane/rm/res_cache_file.h"
#include "korvane/rm/res_container_user.h"
#include "korvane/rm/resource_manager.h"
#include "korvane/rm/st_res.h"
#include "korvane/rm/st_res_container.h"

#include "korvane/fm/fm_types.h"
#include "korvane/rm/rm_test_support.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace kvKorvaneV10_0_3::RM {
namespace {

using testing::RMTest;

int g_disposed = 0;

// Upper-cases into a new buffer; "fail" is refused.
KTErr UpperCase(const void* raw, unsigned int size, void*& out, unsigned int& outSize,
                std::uintptr_t context) {
    const auto* text = static_cast<const char*>(raw);
    if (size == 4 && std::memcmp(text, "fail", 4) == 0) {
        return eNotANumber;
    }
    auto* copy = static_cast<char*>(std::malloc(size + 1));
    for (unsigned int i = 0; i < size; ++i) {
        copy[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    }
    copy[size] = static_cast<char>(context);
    out = copy;
    outSize = size + 1;
    return eNoErr;
}

void CountingFree(void* data, unsigned int, std::uintptr_t) {
    ++g_disposed;
    std::free(data);
}

class ObjectsTest : public RMTest {
protected:
    void SetUp() override {
        RMTest::SetUp();
        bundle = MakeBundle();
        WriteFile(Res(bundle, "TEXT/a"), "abc");
        WriteFile(Res(bundle, "TEXT/b"), "bee");
        WriteFile(Res(bundle, "TEXT/fail"), "fail");
    }
    std::string bundle;
};

TEST_F(ObjectsTest, ConversionReplacesTheRawBytesAndIsUndoneOnRelease) {
    KTResContainerType* c = nullptr;
    ASSERT_EQ(OpenResContainer(FM::KCStPath(bundle.c_str()), 0, c), eNoErr);
    const KSResConvertFuncs upper{UpperCase, CountingFree, '!'};
    g_disposed = 0;
    KTResourceType* r = nullptr;
    void* data = nullptr;
    unsigned int size = 0;
    ASSERT_EQ(GetResourceAndData(c, KCResKey("TEXT", "a"), r, data, size, &upper), eNoErr);
    EXPECT_EQ(std::string(static_cast<char*>(data), size), "ABC!");
    // Loaded once: a second fetch shares the converted form whatever conversion it names.
    KTResourceType* again = nullptr;
    ASSERT_EQ(GetAResource(c, KCResKey("TEXT", "a"), again), eNoErr);
    EXPECT_EQ(again, r);
    EXPECT_EQ(ReleaseResource(again), eNoErr);
    EXPECT_EQ(g_disposed, 0);
    EXPECT_EQ(ReleaseResource(r), eNoErr);
    EXPECT_EQ(g_disposed, 1);

    EXPECT_EQ(GetAResource(c, KCResKey("TEXT", "fail"), r, &upper), eNotANumber);
    EXPECT_FALSE(IsResourceLoaded(c, KCResKey("TEXT", "fail")));

    Utils::KCStMemObj copy;
    ASSERT_EQ(CopyResourceToKCStMemObj(c, KCResKey("TEXT", "b"), copy, &upper), eNoErr);
    EXPECT_EQ(std::string(static_cast<char*>(copy.ptr), copy.size), "BEE!");
    EXPECT_FALSE(IsResourceLoaded(c, KCResKey("TEXT", "b")));  // the copy released its load
    EXPECT_EQ(g_disposed, 2);
}

TEST_F(ObjectsTest, ObjectsReleaseWhatTheyLoadedAndCloseWhatTheyOpened) {
    const FM::KCStPath path(bundle.c_str());
    {
        KCStResContainer container(path, 0);
        ASSERT_TRUE(container.IsValid());
        KCStResContainer sharing(container.GetContainer());
        EXPECT_TRUE(sharing.IsValid());
        EXPECT_EQ(GetRetainCount(path), 1);  // sharing does not open again

        KCStRes own(container.GetContainer(), KCResKey("TEXT", "a"));
        ASSERT_TRUE(own.IsValid());
        EXPECT_EQ(std::string(static_cast<const char*>(own.GetResData()), own.GetResSize()), "abc");
        {
            // NOLINTNEXTLINE(performance-unnecessary-copy-initialization): the copy retains
            const KCStRes copy(own);
            int count = 0;
            EXPECT_EQ(GetResRetainCount(own.GetResource(), count), eNoErr);
            EXPECT_EQ(count, 2);
        }
        KCStRes viaUser(container, KCResKey("TEXT", "b"));
        KCStRes viaUser2(container, KCResKey("TEXT", "b"));
        EXPECT_EQ(container.loaded_resource_count(), 2u);
        EXPECT_EQ(own.LoadResource(container.GetContainer(), KCResKey("TEXT", "b")), eNoErr);
        EXPECT_EQ(std::string(static_cast<const char*>(own.GetResData()), own.GetResSize()),
                  "abc");  // already holding: not replaced

        const KCStRes missing(container.GetContainer(), KCResKey("TEXT", "zzz"));
        EXPECT_FALSE(missing.IsValid());
        EXPECT_EQ(missing.GetError(), eRMResNotFound);
        EXPECT_EQ(KCStRes().GetError(), eRMInvalidResRef);

        std::vector<KCResKey> keys;
        ASSERT_EQ(container.GetResourceListByType("TEXT", keys), eNoErr);
        EXPECT_EQ(keys.size(), 3u);
        // The user's release happens in the container's destructor; `own` releases itself.
    }
    EXPECT_FALSE(IsOpenResContainer(path));

    const KCStResContainer bad(FM::KCStPath(tmp.Path("x.txt").c_str()), 0);
    EXPECT_FALSE(bad.IsValid());
    EXPECT_EQ(bad.GetError(), eRMInvalidResContainer);
    const KCStResContainer unknown(reinterpret_cast<KTResContainerType*>(&g_disposed));
    EXPECT_EQ(unknown.GetError(), eRMContainerNotFound);
}

TEST_F(ObjectsTest, UserReleasesEachRememberedResourceOnce) {
    KCStResContainer container(FM::KCStPath(bundle.c_str()), 0);
    KTResourceType* r = nullptr;
    ASSERT_EQ(GetAResource(container.GetContainer(), KCResKey("TEXT", "a"), r), eNoErr);
    ASSERT_EQ(RetainResource(r), eNoErr);  // the test's own reference
    {
        KCResContainerUser user(container.GetContainer());
        user.remember_loaded_resource(r);
        user.remember_loaded_resource(nullptr);
        EXPECT_EQ(user.loaded_resource_count(), 1u);
        const KCResContainerUser copy(user);  // copies use the container, not the list
        EXPECT_EQ(copy.loaded_resource_count(), 0u);
    }
    int count = 0;
    ASSERT_EQ(GetResRetainCount(r, count), eNoErr);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(ReleaseResource(r), eNoErr);
    EXPECT_FALSE(IsResourceLoaded(container.GetContainer(), KCResKey("TEXT", "a")));
}

TEST_F(ObjectsTest, CacheFileIsUsedWhileFreshAndRewrittenWhenTheResourceChanges) {
    FM::testing::ScopedEnv cache("XDG_CACHE_HOME", tmp.Path("cache"));
    WriteFile(Res(bundle, "resource_config.yaml"), "Extensions: {PNG_: png}\n");
    testing::WriteZip(bundle + "/Contents/PNG_.zip", {{"knob.png", "zipped knob"}});
    WriteFile(Res(bundle, "PNG_/loose.png"), "loose knob");
    KCStResContainer container(FM::KCStPath(bundle.c_str()), 0);

    // A loose file is its own cache file.
    const KCStResCacheFile loose(container.GetContainer(), KCResKey("PNG_", "loose"));
    ASSERT_TRUE(loose.IsValid());
    EXPECT_EQ(std::string(loose.GetCacheFilePath().GetPathString().c_str()),
              Res(bundle, "PNG_/loose.png"));

    const KCStResCacheFile first(container.GetContainer(), KCResKey("PNG_", "knob"));
    ASSERT_TRUE(first.IsValid()) << first.GetError();
    const std::string cachePath = first.GetCacheFilePath().GetPathString().c_str();
    EXPECT_NE(cachePath.find(tmp.Path("cache")), std::string::npos);
    EXPECT_EQ(std::filesystem::file_size(cachePath), 11u);
    EXPECT_EQ(
        (std::filesystem::status(cachePath).permissions() & std::filesystem::perms::others_write),
        std::filesystem::perms::none);

    // A fresh cache file is used as it is (the marker proves it was not rewritten).
    WriteFile(cachePath, "marker");
    const auto now = std::filesystem::file_time_type::clock::now();
    std::filesystem::last_write_time(bundle + "/Contents/PNG_.zip", now - std::chrono::hours(2));
    std::filesystem::last_write_time(cachePath, now - std::chrono::hours(1));
    const KCStResCacheFile fresh(container.GetContainer(), KCResKey("PNG_", "knob"));
    ASSERT_TRUE(fresh.IsValid());
    EXPECT_EQ(Read(container.GetContainer(), KCResKey("PNG_", "knob")), "zipped knob");
    EXPECT_EQ(std::filesystem::file_size(cachePath), 6u);

    // Same second as the resource: possibly stale, so rewritten.
    std::filesystem::last_write_time(cachePath, now - std::chrono::hours(2));
    const KCStResCacheFile same(container.GetContainer(), KCResKey("PNG_", "knob"));
    EXPECT_EQ(std::filesystem::file_size(cachePath), 11u);

    // Into a base folder of the caller's choice.
    const KCStResCacheFile based(container.GetContainer(), FM::KCStPath(tmp.Path("base").c_str()),
                                 KCResKey("PNG_", "knob"));
    ASSERT_TRUE(based.IsValid());
    EXPECT_EQ(std::string(based.GetCacheFilePath().GetPathString().c_str()),
              tmp.Path("base/PNG_/knob.png"));

    const KCStResCacheFile missing(container.GetContainer(), KCResKey("PNG_", "none"));
    EXPECT_EQ(missing.GetError(), eRMResNotFound);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::RM
