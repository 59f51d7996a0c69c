#include "korvane/gui/pvm/base_image.h"

#include "korvane/gui/pvm/pvm_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace kvKorvaneV10_0_3::PluginViewManager {
namespace {

using testing::BundleTest;
using testing::LeftColumnClearPNG;

class BaseImageTest : public BundleTest {};

TEST_F(BaseImageTest, LoadsAResourceAndAnswersPixelQueriesInsideItsBounds) {
    WriteResource("PNG_", "128", LeftColumnClearPNG(3, 2));
    OpenBundle();

    KCBaseImage image(container, 128);
    EXPECT_FALSE(image.IsLoaded());
    EXPECT_EQ(image.GetLoadError(), eUninitalized);
    ASSERT_EQ(image.LoadPNGFromResource(), eNoErr);
    EXPECT_EQ(image.GetWidth(), 3);
    EXPECT_EQ(image.GetHeight(), 2);
    EXPECT_EQ(image.GetImageSize(), (KCSize2D<short>{3, 2}));
    EXPECT_EQ(image.GetPixels()->At(2, 1), 0xFFFF0000U);

    EXPECT_TRUE(image.IsPixelTransparent({0, 0}));
    EXPECT_TRUE(image.IsPixelTransparent({0, 1}));
    EXPECT_FALSE(image.IsPixelTransparent({1, 0}));
    EXPECT_FALSE(image.IsPixelTransparent({2, 1}));
    // Outside the image nothing is drawn: transparent, and no read past the pixels.
    EXPECT_TRUE(image.IsPixelTransparent({3, 0}));
    EXPECT_TRUE(image.IsPixelTransparent({1, 2}));
    EXPECT_TRUE(image.IsPixelTransparent({-1, 0}));
    EXPECT_TRUE(image.IsPixelTransparent({1, -1}));
    EXPECT_TRUE(image.IsPixelTransparent({32767, 32767}));

    image.Unload();
    EXPECT_EQ(image.GetWidth(), 0);
    EXPECT_TRUE(image.IsPixelTransparent({1, 0}));
}

TEST_F(BaseImageTest, DecodesEachSourceOnceForAllImagesSharingIt) {
    WriteResource("PNG_", "200", LeftColumnClearPNG(4, 4));
    WriteResource("PNG_", "201", LeftColumnClearPNG(5, 5));
    OpenBundle();

    const std::size_t before = GetImageDecodeCount();
    KCBaseImage first(container, 200);
    KCBaseImage second(container, 200);
    ASSERT_EQ(first.LoadPNGFromResource(), eNoErr);
    ASSERT_EQ(second.LoadPNGFromResource(), eNoErr);
    EXPECT_EQ(first.GetPixels(), second.GetPixels());
    const KCBaseImage copy(first);
    EXPECT_EQ(copy.GetPixels(), first.GetPixels());
    EXPECT_EQ(GetImageDecodeCount() - before, 1U);

    // A skin change back and forth: the other id decodes once, the first comes from the cache.
    ASSERT_EQ(second.LoadPNGFromResource(201), eNoErr);
    EXPECT_EQ(second.GetWidth(), 5);
    ASSERT_EQ(second.LoadPNGFromResource(200), eNoErr);
    EXPECT_EQ(second.GetPixels(), first.GetPixels());
    EXPECT_EQ(GetImageDecodeCount() - before, 2U);

    // While any image holds the pixels they are served again; once none does they are freed.
    first.Unload();
    second.Unload();
    KCBaseImage third(container, 200);
    ASSERT_EQ(third.LoadPNGFromResource(), eNoErr);
    EXPECT_EQ(third.GetPixels(), copy.GetPixels());
    EXPECT_EQ(GetImageDecodeCount() - before, 2U);

    const std::size_t alive = GetCachedImageCount();
    {
        KCBaseImage scoped(container, 201);
        ASSERT_EQ(scoped.LoadPNGFromResource(), eNoErr);
        EXPECT_EQ(GetCachedImageCount(), alive + 1);
    }
    EXPECT_EQ(GetCachedImageCount(), alive);
}

TEST_F(BaseImageTest, RefusesDamagedMissingAndUnreachableImagesWithACode) {
    std::string damaged = LeftColumnClearPNG(8, 8);
    damaged.resize(damaged.size() - 24);  // cut inside the image data
    WriteResource("PNG_", "300", damaged);
    WriteResource("PNG_", "301", "GIF89a not a png");
    OpenBundle();

    KCBaseImage image(container, 300);
    EXPECT_EQ(image.LoadPNGFromResource(), eGMUnsupportedImageFormat);
    EXPECT_FALSE(image.IsLoaded());
    EXPECT_EQ(image.GetLoadError(), eGMUnsupportedImageFormat);
    EXPECT_EQ(image.GetWidth(), 0);
    EXPECT_TRUE(image.IsPixelTransparent({0, 0}));

    EXPECT_EQ(image.LoadPNGFromResource(301), eGMUnsupportedImageFormat);
    EXPECT_EQ(image.LoadPNGFromResource(302), eRMResNotFound);
    EXPECT_EQ(image.LoadPNGFromResource(kNoImageResID), eRMInvalidResID);

    KCBaseImage orphan(nullptr, 300);
    EXPECT_EQ(orphan.LoadPNGFromResource(), eRMInvalidResContainer);

    const std::string png = LeftColumnClearPNG(2, 2);
    EXPECT_EQ(orphan.LoadPNGFromMemory(png.data(), png.size()), eNoErr);
    EXPECT_EQ(orphan.GetWidth(), 2);
    EXPECT_EQ(orphan.LoadPNGFromMemory(damaged.data(), damaged.size()), eGMUnsupportedImageFormat);
    EXPECT_FALSE(orphan.IsLoaded());
}

// A resource past the image size limit is refused before it is read, even a valid PNG with
// trailing bytes.
TEST_F(BaseImageTest, RefusesAnOversizedResource) {
    std::string big = LeftColumnClearPNG(2, 2);
    big.resize(kMaxImageFileSize + 1, '\0');
    WriteResource("PNG_", "310", big);
    WriteResource("PNG_", "311", LeftColumnClearPNG(2, 2));
    OpenBundle();
    KCBaseImage image(container, 310);
    EXPECT_EQ(image.LoadPNGFromResource(), eGMInvalidImage);
    EXPECT_FALSE(image.IsLoaded());
    EXPECT_EQ(image.LoadPNGFromResource(311), eNoErr) << "the limit is no bar to a normal image";
}

TEST_F(BaseImageTest, ReadsUpdatesAndWritesItsXML) {
    WriteResource("PNG_", "128", LeftColumnClearPNG(3, 3));
    WriteResource("PNG_", "129", LeftColumnClearPNG(6, 2));
    WriteResource("PNG_", "-5", LeftColumnClearPNG(1, 1));
    OpenBundle();

    XML::CXMLElement e("Image", "");
    e.AddSubElement("ResID", "128");
    KCBaseImage image(container);
    ASSERT_EQ(image.ReadFromXML(&e), eNoErr);
    EXPECT_EQ(image.GetResID(), 128);
    EXPECT_EQ(image.GetWidth(), 3);

    XML::CXMLElement written("Image", "");
    image.WriteToXML(&written);
    ASSERT_NE(written.SubElementText("ResID"), nullptr);
    EXPECT_STREQ(written.SubElementText("ResID"), "128");

    // An update without an id changes nothing; with one it switches image.
    XML::CXMLElement empty("Image", "");
    EXPECT_EQ(image.UpdateFromXML(&empty), eNoErr);
    EXPECT_EQ(image.GetResID(), 128);
    XML::CXMLElement other("Image", "");
    other.AddSubElement("ResID", "129");
    EXPECT_EQ(image.UpdateFromXML(&other), eNoErr);
    EXPECT_EQ(image.GetWidth(), 6);

    XML::CXMLElement negative("Image", "");
    negative.AddSubElement("ResID", "-5");
    EXPECT_EQ(image.ReadFromXML(&negative), eNoErr);
    EXPECT_EQ(image.GetWidth(), 1);

    // Ids are 16-bit: a larger number is refused, not wrapped onto another image.
    XML::CXMLElement tooBig("Image", "");
    tooBig.AddSubElement("ResID", "65664");  // 128 + 65536
    EXPECT_EQ(image.ReadFromXML(&tooBig), eOutOfRangeNumber);
    EXPECT_EQ(image.GetResID(), -5);
    XML::CXMLElement text("Image", "");
    text.AddSubElement("ResID", "knob");
    EXPECT_EQ(image.ReadFromXML(&text), eNotANumber);
    EXPECT_EQ(image.ReadFromXML(&empty), eXMLElementMissing);
    EXPECT_EQ(image.ReadFromXML(nullptr), eXMLElementMissing);
}

TEST_F(BaseImageTest, LoadsFromAFileNamedInXML) {
    const std::string path = tmp.Write("art/knob.png", LeftColumnClearPNG(7, 3));
    XML::CXMLElement e("Image", "");
    e.AddSubElement("filename", path);

    std::unique_ptr<KCBaseImage> image = MakeImageForXML(&e, nullptr);
    ASSERT_NE(dynamic_cast<KCBaseImageFromFile*>(image.get()), nullptr);
    ASSERT_EQ(image->ReadFromXML(&e), eNoErr);
    EXPECT_EQ(image->GetImageSize(), (KCSize2D<short>{7, 3}));
    EXPECT_FALSE(image->IsPixelTransparent({6, 2}));
    EXPECT_TRUE(image->IsPixelTransparent({7, 2}));

    const std::unique_ptr<KCBaseImage> clone = image->Clone();
    ASSERT_NE(dynamic_cast<KCBaseImageFromFile*>(clone.get()), nullptr);
    EXPECT_EQ(clone->GetPixels(), image->GetPixels());
    XML::CXMLElement written("Image", "");
    clone->WriteToXML(&written);
    EXPECT_STREQ(written.SubElementText("filename"), path.c_str());

    // A rewritten file of another size is decoded again, not served stale from the cache.
    tmp.Write("art/knob.png", LeftColumnClearPNG(9, 9));
    KCBaseImageFromFile fresh(path);
    ASSERT_EQ(fresh.LoadPNGFromFile(), eNoErr);
    EXPECT_EQ(fresh.GetWidth(), 9);

    KCBaseImageFromFile missing(tmp.Path("art/none.png"));
    EXPECT_EQ(missing.LoadPNGFromFile(), eFMFileNotFound);
    KCBaseImageFromFile folder(tmp.Path("art"));
    EXPECT_EQ(folder.LoadPNGFromFile(), eFMFileNotFound);
    KCBaseImageFromFile device("/dev/zero");
    EXPECT_EQ(device.LoadPNGFromFile(), eFMFileNotFound);
    tmp.Write("art/bad.png", "\x89PNG\r\n\x1a\n broken");
    KCBaseImageFromFile bad(tmp.Path("art/bad.png"));
    EXPECT_EQ(bad.LoadPNGFromFile(), eGMUnsupportedImageFormat);
    EXPECT_FALSE(bad.IsLoaded());

    XML::CXMLElement noName("Image", "");
    KCBaseImageFromFile unnamed;
    EXPECT_EQ(unnamed.ReadFromXML(&noName), eXMLElementMissing);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::PluginViewManager
