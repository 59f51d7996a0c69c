// The loader on a host the test lends it: what it asks of the host and when, what a host that
// cannot size the plug-in's memory gets back, and that a failed load leaves nothing behind.
#include "host/plugin_loader.h"
#include "host/reference_host.h"

#include "korvane/core/error_codes.h"
#include "korvane/process/host_callback.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

namespace kv = kvKorvaneV10_0_3;
namespace PM = kv::ProcessMemory;
using KorvaneHost::LoaderHost;
using KorvaneHost::PluginLoader;
using KorvaneHost::ReferenceHost;

// A reference host lent to the loader, recording the sizes asked for and the plug-in's
// automation controls as the hook before its data sees them.
struct RecordingHost {
    ReferenceHost host;
    std::vector<std::pair<int, int>> sized;
    std::vector<unsigned int> controlsBeforeData;

    LoaderHost Lend() {
        LoaderHost lent;
        lent.callback = ReferenceHost::Callback();
        lent.refcon = host.Refcon();
        lent.sizeSpace = [this](int space, int words) {
            sized.emplace_back(space, words);
            return host.SizeSpace(space, words);
        };
        lent.beforeData = [this](kv::cALGORITHM& alg) {
            controlsBeforeData.push_back(alg.GetNumAutomationControllers());
        };
        lent.name = "loader-test";
        return lent;
    }
};

TEST(PluginLoader, CreatesThePluginOnTheLentHostAndFindsItsProcessFunction) {
    RecordingHost recording;
    PluginLoader loader;
    const auto error = loader.Open(KVEQ_BUNDLE, 48000, recording.Lend());
    ASSERT_FALSE(error.has_value()) << error->what << ": " << error->why;
    EXPECT_EQ(loader.Name(), "KvEQ");
    EXPECT_FALSE(loader.Components().empty());
    EXPECT_NE(loader.ProcessFunction(), nullptr);
    EXPECT_EQ(loader.Alg().GetSampleRate(), 48000);
    // Both spaces sized as the plug-in's process code asks, then the hook, once.
    EXPECT_EQ(recording.sized,
              (std::vector<std::pair<int, int>>{
                  {PM::eCoefsSpace, static_cast<int>(loader.Alg().GetCoefsNum())},
                  {PM::eStatesSpace, static_cast<int>(loader.Alg().GetStatesNum())}}));
    EXPECT_EQ(recording.controlsBeforeData,
              std::vector<unsigned int>{loader.Alg().GetNumAutomationControllers()});
    EXPECT_FALSE(loader.FactoryPresetNames().empty());
    // The rate change's update was posted to the lent host.
    EXPECT_GT(recording.host.ProcessBlock(), 0);
}

TEST(PluginLoader, AHostThatSizesNothingGetsAFailureAndTheNextLoadStillWorks) {
    ReferenceHost host;
    {
        PluginLoader loader;
        LoaderHost lent;
        lent.callback = ReferenceHost::Callback();
        lent.refcon = host.Refcon();
        const auto error = loader.Open(KVEQ_BUNDLE, 0, lent);
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->what, "KvEQ");
        EXPECT_EQ(error->why.rfind("sizing coefficients failed", 0), 0U) << error->why;
        EXPECT_FALSE(error->badInput) << "the bundle is fine; its host is not";
        loader.Close();  // and again from the destructor
    }
    RecordingHost recording;
    PluginLoader loader;
    EXPECT_FALSE(loader.Open(KVEQ_BUNDLE, 0, recording.Lend()).has_value());
}

TEST(PluginLoader, RefusesWhatIsNoBundleAsBadInput) {
    RecordingHost recording;
    for (const char* path : {"/nonexistent/KvEQ.bundle", KORVANE_SOURCE_DIR}) {
        PluginLoader loader;
        const auto error = loader.Open(path, 0, recording.Lend());
        ASSERT_TRUE(error.has_value()) << path;
        EXPECT_TRUE(error->badInput) << path;
        EXPECT_EQ(error->what, path);
    }
    EXPECT_TRUE(recording.sized.empty());
}

}  // namespace
