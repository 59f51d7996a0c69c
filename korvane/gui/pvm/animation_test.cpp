#include "korvane/gui/pvm/animation.h"

#include "korvane/gui/pvm/pvm_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

namespace kvKorvaneV10_0_3::PluginViewManager {
namespace {

// An animation of `count` frames whose images carry ids 0 … count − 1 (not loaded: the timing
// needs no pixels), on a clock the test moves by hand.
class AnimationTest : public ::testing::Test {
protected:
    void Make(int count, int durationMs) {
        animation = KCAnimation(nullptr, [this] { return now; });
        for (int i = 0; i < count; ++i) {
            animation.AddImage(std::make_unique<KCBaseImage>(nullptr, static_cast<short>(i)));
        }
        animation.SetDuration(durationMs);
    }
    // Moves the clock by `us` microseconds and returns the frame shown then.
    int Advance(std::uint64_t us) {
        now += us;
        return animation.UpdateTimer();
    }
    [[nodiscard]] short Shown() const { return animation.GetCurrentImage()->GetResID(); }

    std::uint64_t now = 1'000'000;
    KCAnimation animation;
};

TEST_F(AnimationTest, StepsThroughItsFramesAndWrapsAtTheDuration) {
    Make(4, 400);  // 100 ms a frame
    EXPECT_EQ(animation.UpdateTimer(), -1) << "not started";
    ASSERT_EQ(animation.StartAnimation(), 0);
    EXPECT_TRUE(animation.IsRunning());
    EXPECT_EQ(Advance(0), 0);
    EXPECT_EQ(Advance(99'999), 0);
    EXPECT_EQ(Advance(1), 1);
    EXPECT_EQ(Shown(), 1);
    EXPECT_EQ(Advance(250'000), 3);  // at 350 ms
    // Exactly at the duration the sequence starts over: frame 0, not a fifth frame.
    EXPECT_EQ(Advance(50'000), 0);
    EXPECT_EQ(Shown(), 0);
    EXPECT_EQ(Advance(399'999), 3);
    // A long stall wraps as many times as needed.
    EXPECT_EQ(Advance(400'000ULL * 1000 + 1), 0);
    EXPECT_EQ(Advance(200'000), 2);

    animation.StopAnimation();
    EXPECT_EQ(Advance(100'000), -1);
    EXPECT_EQ(Shown(), 2) << "a stopped animation keeps its last frame";
    // Starting again begins at the first frame, whatever time passed meanwhile.
    EXPECT_EQ(animation.StartAnimation(), 0);
    EXPECT_EQ(Shown(), 0);
    EXPECT_EQ(Advance(150'000), 1);
}

TEST_F(AnimationTest, KeepsTheFirstFrameWithoutADuration) {
    for (const int duration : {0, -250}) {
        Make(3, duration);
        ASSERT_EQ(animation.StartAnimation(), 0);
        EXPECT_EQ(Advance(0), 0);
        EXPECT_EQ(Advance(5'000'000), 0);
        EXPECT_EQ(Shown(), 0);
    }
}

TEST_F(AnimationTest, ShowsEveryFrameOfADurationShorterThanItsFrameCount) {
    // 3 ms for 6 frames: half a millisecond each, which whole milliseconds would make zero.
    Make(6, 3);
    ASSERT_EQ(animation.StartAnimation(), 0);
    EXPECT_EQ(Advance(0), 0);
    EXPECT_EQ(Advance(500), 1);
    EXPECT_EQ(Advance(1'000), 3);
    EXPECT_EQ(Advance(999), 4);
    EXPECT_EQ(Advance(1), 5);    // 2.5 ms
    EXPECT_EQ(Advance(500), 0);  // 3 ms: wrapped
}

TEST_F(AnimationTest, RefusesToStartEmptyAndChecksFrameIndexes) {
    Make(0, 100);
    EXPECT_EQ(animation.StartAnimation(), -1);
    EXPECT_FALSE(animation.IsRunning());
    EXPECT_EQ(animation.GetCurrentImage(), nullptr);
    EXPECT_FALSE(animation.IsValid());

    Make(2, 100);
    EXPECT_NE(animation.GetImageByIndex(1), nullptr);
    EXPECT_EQ(animation.GetImageByIndex(2), nullptr);
    EXPECT_EQ(animation.GetImageByIndex(-1), nullptr);
    EXPECT_FALSE(animation.IsValid()) << "its images are not loaded";
}

class AnimationXMLTest : public testing::BundleTest {};

TEST_F(AnimationXMLTest, ReadsFramesAndDurationAndWritesThemBack) {
    WriteResource("PNG_", "10", testing::LeftColumnClearPNG(2, 2));
    WriteResource("PNG_", "11", testing::LeftColumnClearPNG(3, 3));
    OpenBundle();

    XML::CXMLElement e("Animation", "");
    e.AddSubElement("Duration", "200");
    e.AddSubElement("Image")->AddSubElement("ResID", "10");
    e.AddSubElement("Image")->AddSubElement("ResID", "11");
    KCAnimation animation(container);
    ASSERT_EQ(animation.ReadFromXML(&e), eNoErr);
    EXPECT_EQ(animation.GetDuration(), 200);
    ASSERT_EQ(animation.GetImageCount(), 2);
    EXPECT_TRUE(animation.IsValid());
    EXPECT_EQ(animation.GetImageByIndex(1)->GetWidth(), 3);

    XML::CXMLElement written("Animation", "");
    animation.WriteToXML(&written);
    KCAnimation again(container);
    ASSERT_EQ(again.ReadFromXML(&written), eNoErr);
    EXPECT_EQ(again.GetDuration(), 200);
    ASSERT_EQ(again.GetImageCount(), 2);
    EXPECT_EQ(again.GetImageByIndex(0)->GetResID(), 10);

    // A frame that does not load is kept (so frame numbers stay) and reported.
    XML::CXMLElement broken("Animation", "");
    broken.AddSubElement("Image")->AddSubElement("ResID", "10");
    broken.AddSubElement("Image")->AddSubElement("ResID", "99");
    EXPECT_EQ(animation.ReadFromXML(&broken), eRMResNotFound);
    EXPECT_EQ(animation.GetImageCount(), 2);
    EXPECT_EQ(animation.GetDuration(), 0);
    EXPECT_FALSE(animation.IsValid());
    EXPECT_EQ(animation.ReadFromXML(nullptr), eXMLElementMissing);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::PluginViewManager
