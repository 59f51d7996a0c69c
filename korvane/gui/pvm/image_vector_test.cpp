#include "korvane/gui/pvm/image_vector.h"

#include "korvane/gui/pvm/pvm_test_support.h"

#include <gtest/gtest.h>

#include <memory>

namespace kvKorvaneV10_0_3::PluginViewManager {
namespace {

class ImageVectorTest : public testing::BundleTest {
protected:
    void SetUp() override {
        BundleTest::SetUp();
        WriteResource("PNG_", "1", testing::LeftColumnClearPNG(1, 1));
        WriteResource("PNG_", "2", testing::LeftColumnClearPNG(2, 2));
        WriteResource("PNG_", "3", testing::LeftColumnClearPNG(3, 3));
        WriteResource("PNG_", "4", "damaged");
        OpenBundle();
    }
    // <ImageList> with images 1 and 2, an animation of 3 and 1, and image 4 (damaged).
    XML::CXMLElement List() {
        XML::CXMLElement list("ImageList", "");
        list.AddSubElement("Image")->AddSubElement("ResID", "1");
        list.AddSubElement("Image")->AddSubElement("ResID", "2");
        XML::CXMLElement* animation = list.AddSubElement("Animation");
        animation->AddSubElement("Duration", "100");
        animation->AddSubElement("Image")->AddSubElement("ResID", "3");
        animation->AddSubElement("Image")->AddSubElement("ResID", "1");
        list.AddSubElement("Comment", "skipped");
        list.AddSubElement("Image")->AddSubElement("ResID", "4");
        return list;
    }
};

TEST_F(ImageVectorTest, ReadsImagesAndAnimationsAndReachesFramesOnlyInsideBounds) {
    KCBaseImageVector images(container);
    const XML::CXMLElement list = List();
    EXPECT_EQ(images.AddFromXML(&list), eGMUnsupportedImageFormat);
    ASSERT_EQ(images.size(), 4U);

    EXPECT_EQ(images.GetImagePtr(1)->GetWidth(), 2);
    EXPECT_EQ(images.GetImagePtr(2, 0)->GetResID(), 3);
    EXPECT_EQ(images.GetImagePtr(2, 1)->GetResID(), 1);
    EXPECT_EQ(images.GetImagePtr(2, 2), nullptr) << "past the animation's frames";
    EXPECT_EQ(images.GetImagePtr(0, 1), nullptr) << "a still image has one frame";
    EXPECT_EQ(images.GetImagePtr(0, -1), nullptr);
    EXPECT_EQ(images.GetImagePtr(4), nullptr);
    EXPECT_EQ(images.GetImagePtr(-1), nullptr);
    EXPECT_EQ(images.GetAnimation(2)->GetDuration(), 100);
    EXPECT_EQ(images.GetAnimation(0), nullptr);
    EXPECT_EQ(images.GetAnimation(9), nullptr);

    EXPECT_TRUE(images.IsImageLoadable(0));
    EXPECT_TRUE(images.IsImageLoadable(2));
    EXPECT_FALSE(images.IsImageLoadable(3)) << "the damaged one is kept but not loadable";
    EXPECT_FALSE(images.IsImageLoadable(4));
    EXPECT_FALSE(images.IsImageLoadable(-1));

    // Written and read back: the same entries in the same order.
    XML::CXMLElement written("ImageList", "");
    images.WriteToXML(&written);
    KCBaseImageVector again(container);
    EXPECT_EQ(again.AddFromXML(&written), eGMUnsupportedImageFormat);
    ASSERT_EQ(again.size(), 4U);
    EXPECT_EQ(again.GetImagePtr(2, 1)->GetResID(), 1);
    EXPECT_EQ(again.GetAnimation(2)->GetDuration(), 100);
    EXPECT_EQ(again.GetImagePtr(3)->GetResID(), 4);
    EXPECT_EQ(again.AddFromXML(nullptr), eXMLElementMissing);
}

TEST_F(ImageVectorTest, KeepsTheCurrentImageThroughEdits) {
    KCBaseImageVector images(container);
    EXPECT_EQ(images.GetCurrentImage(), nullptr);
    EXPECT_EQ(images.GetCurrentImageResID(), kNoImageResID);
    images.SetNextImage();  // nothing to step to
    EXPECT_EQ(images.GetCurrentImageIndex(), 0);

    const XML::CXMLElement list = List();
    (void)images.AddFromXML(&list);
    ASSERT_EQ(images.SetCurrentImage(1), eNoErr);
    EXPECT_EQ(images.GetCurrentImageResID(), 2);
    EXPECT_EQ(images.SetCurrentImage(4), eOutOfRangeNumber);
    EXPECT_EQ(images.SetCurrentImage(-1), eOutOfRangeNumber);
    EXPECT_EQ(images.GetCurrentImageIndex(), 1);

    // The current entry of an animation is its current frame.
    images.SetNextImage();
    EXPECT_EQ(images.GetCurrentImageResID(), 3);
    images.SetNextImage();
    images.SetNextImage();
    EXPECT_EQ(images.GetCurrentImageIndex(), 0) << "wraps after the last";

    // Inserting before the current entry keeps the same image current.
    ASSERT_EQ(images.SetCurrentImage(1), eNoErr);
    images.InsertImage(std::make_unique<KCBaseImage>(container, 3), 0);
    EXPECT_EQ(images.GetCurrentImageIndex(), 2);
    EXPECT_EQ(images.GetCurrentImageResID(), 2);
    images.InsertImage(std::make_unique<KCBaseImage>(container, 3), 99);
    EXPECT_EQ(images.size(), 6U);
    EXPECT_EQ(images.GetImagePtr(5)->GetResID(), 3);

    // Removing the current last entry moves the index back onto the list.
    ASSERT_EQ(images.SetCurrentImage(5), eNoErr);
    images.PopBack();
    EXPECT_EQ(images.GetCurrentImageIndex(), 4);
    EXPECT_NE(images.GetCurrentImage(), nullptr);

    // Copies are deep: changing one leaves the other.
    KCBaseImageVector copy(images);
    copy.PopBack();
    EXPECT_EQ(images.size(), 5U);
    EXPECT_EQ(copy.size(), 4U);
    EXPECT_EQ(copy.GetAnimation(3)->GetImageCount(), 2);

    images.Clear();
    EXPECT_TRUE(images.empty());
    EXPECT_EQ(images.GetCurrentImage(), nullptr);
    images.PopBack();
    EXPECT_EQ(images.GetCurrentImageIndex(), 0);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::PluginViewManager
