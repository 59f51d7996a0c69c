// The manager lock and the container locks under two threads: fetching, releasing, opening
// and closing the same container at once must neither lose counts nor touch freed memory.
#include "korvane/rm/resource_manager.h"

#include "korvane/rm/rm_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace kvKorvaneV10_0_3::RM {
namespace {

using testing::RMTest;

class ManagerThreadsTest : public RMTest {
protected:
    void SetUp() override {
        RMTest::SetUp();
        bundle = MakeBundle();
        for (int i = 0; i < 8; ++i) {
            WriteFile(Res(bundle, "TEXT/" + std::to_string(i)), "resource " + std::to_string(i));
        }
    }
    std::string bundle;
};

TEST_F(ManagerThreadsTest, FetchAndReleaseFromTwoThreadsKeepsCountsExact) {
    KTResContainerType* c = nullptr;
    ASSERT_EQ(OpenResContainer(FM::KCStPath(bundle.c_str()), 0, c), eNoErr);
    std::atomic<int> failures{0};
    auto work = [&] {
        for (int round = 0; round < 300; ++round) {
            KTResourceType* held[8] = {};
            for (short i = 0; i < 8; ++i) {
                if (GetAResource(c, "TEXT", i, held[i]) != eNoErr) {
                    ++failures;
                }
            }
            for (short i = 0; i < 8; ++i) {
                void* data = nullptr;
                if (GetResData(held[i], data) != eNoErr ||
                    std::string(static_cast<char*>(data), 10) != "resource " + std::to_string(i)) {
                    ++failures;
                }
                if (ReleaseResource(held[i]) != eNoErr) {
                    ++failures;
                }
            }
        }
    };
    std::thread a(work);
    std::thread b(work);
    a.join();
    b.join();
    EXPECT_EQ(failures.load(), 0);
    for (short i = 0; i < 8; ++i) {
        EXPECT_FALSE(IsResourceLoaded(c, KCResKey("TEXT", i))) << i;
    }
    EXPECT_EQ(CloseResContainer(c), eNoErr);
}

TEST_F(ManagerThreadsTest, OpenAndCloseRaceWithOperationsOnTheSamePath) {
    KTResContainerType* anchor = nullptr;
    ASSERT_EQ(OpenResContainer(FM::KCStPath(bundle.c_str()), 0, anchor), eNoErr);
    std::atomic<int> failures{0};
    std::atomic<bool> stop{false};
    // One thread opens and closes the path; each open must hand out the anchored container.
    std::thread opener([&] {
        for (int round = 0; round < 400; ++round) {
            KTResContainerType* c = nullptr;
            if (OpenResContainer(FM::KCStPath(bundle.c_str()), 0, c) != eNoErr || c != anchor) {
                ++failures;
            }
            if (CloseResContainer(c) != eNoErr) {
                ++failures;
            }
        }
        stop = true;
    });
    // The other works through the anchored handle meanwhile.
    std::thread user([&] {
        while (!stop) {
            Utils::KCStMemObj bytes;
            if (GetRawResourceData(anchor, KCResKey("TEXT", "3"), bytes) != eNoErr) {
                ++failures;
            }
            std::vector<KCResType> types;
            EXPECT_EQ(GetResTypeList(anchor, types), eNoErr);
        }
    });
    opener.join();
    user.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(GetRetainCount(anchor), 1);

    // Closing the last reference while another thread keeps using the handle: every call
    // either works or reports the container unknown, and nothing is used after being freed.
    std::thread late([&] {
        for (int i = 0; i < 2000; ++i) {
            KTResourceType* r = nullptr;
            const KTErr err = GetAResource(anchor, "TEXT", 1, r);
            if (err == eNoErr) {
                // The close may free the resource between the fetch and the release; the
                // release then finds nothing to release, which is the safe answer.
                const KTErr released = ReleaseResource(r);
                if (released != eNoErr && released != eRMResRefNotFound) {
                    ++failures;
                }
            } else if (err != eRMContainerNotFound) {
                ++failures;
            }
        }
    });
    KTResContainerType* last = anchor;
    EXPECT_EQ(CloseResContainer(last), eNoErr);
    late.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::RM
