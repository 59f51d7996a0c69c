// sCONTROL_PARAM: ownership of attachments, controllers, mouse deltas, stepping, text entry.
#include "korvane/algorithm/control_param.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

// A graph that counts live instances, so leaks and double deletes show.
struct CountedGraph : KCGraphDataBase {
    static inline int live = 0;
    std::vector<float> points;
    explicit CountedGraph(std::vector<float> p = {}) : points(std::move(p)) { ++live; }
    CountedGraph(const CountedGraph& other) : KCGraphDataBase(other), points(other.points) {
        ++live;
    }
    CountedGraph& operator=(const CountedGraph&) = delete;
    ~CountedGraph() override { --live; }
    [[nodiscard]] KCGraphDataBase* Clone() const override { return new CountedGraph(*this); }
    [[nodiscard]] const void* GetGraphData() const override {
        return points.empty() ? nullptr : points.data();
    }
    [[nodiscard]] unsigned int GetGraphSize() const override {
        return static_cast<unsigned int>(points.size());
    }
    [[nodiscard]] unsigned int GetGraphSizeInBytes() const override {
        return static_cast<unsigned int>(points.size() * sizeof(float));
    }
    bool ResizeGraph(unsigned int size) override {
        points.resize(size);
        return true;
    }
};

struct MeterData : KCParamExtension::Data {
    static inline int live = 0;
    double peak = 0;
    explicit MeterData(double p = 0) : peak(p) { ++live; }
    MeterData(const MeterData& other) : KCParamExtension::Data(other), peak(other.peak) { ++live; }
    MeterData& operator=(const MeterData&) = delete;
    ~MeterData() override { --live; }
    [[nodiscard]] Data* CreateCopy() const override { return new MeterData(*this); }
    bool CopyContent(const Data& from) override {
        const auto* meter = dynamic_cast<const MeterData*>(&from);
        if (meter == nullptr) {
            return false;
        }
        peak = meter->peak;
        return true;
    }
};

struct MeterExtension : KCParamExtension {
    KCParamExtension::Data* attached[2] = {nullptr, nullptr};
    [[nodiscard]] KCParamExtension* CreateCopy() const override {
        return new MeterExtension(*this);
    }
    void AttachData(Data* a, Data* b) override {
        attached[0] = a;
        attached[1] = b;
    }
};

struct RecordingControl : KCParamController {
    bool gui = true;
    std::vector<unsigned int> refreshed;
    std::vector<unsigned int> disabled;
    [[nodiscard]] bool IsGUIControl() const override { return gui; }
    void UpdatePointer(unsigned int tag) override { refreshed.push_back(tag); }
    void UpdateDisabledMode(unsigned int tag) override { disabled.push_back(tag); }
};

TEST(ControlParam, CopiesCloneEveryOwnedAttachment) {
    {
        sCONTROL_PARAM p;
        p.SetScaleLin(0, 1, 0.001);
        p.SetGraphDataObject(CountedGraph({1, 2, 3}));
        EXPECT_EQ(CountedGraph::live, 2);  // one clone per setup
        p.SetParamExtension(new MeterExtension);
        p.SetParamExtensionData(eSetupA, new MeterData(-6));
        p.SetParamExtensionData(eSetupB, new MeterData(-12));
        p.SetDragStart(300, 0.3);
        p.SetLinkGroups({1, 4});
        p.SetMouseAccelerationValue(2.5);
        p.SetCurrentImageIndexes(3, 7);

        sCONTROL_PARAM copy(p);
        EXPECT_EQ(CountedGraph::live, 4);
        EXPECT_EQ(MeterData::live, 4);
        EXPECT_NE(copy.GetGraphDataObject(eSetupA), p.GetGraphDataObject(eSetupA));
        EXPECT_EQ(copy.GetGraphSize(eSetupB), 3U);
        EXPECT_EQ(copy.GetGraphSizeInBytes(eSetupB), 12U);
        auto* extension = dynamic_cast<MeterExtension*>(copy.GetParamExtension());
        ASSERT_NE(extension, nullptr);
        EXPECT_NE(extension, p.GetParamExtension());
        EXPECT_EQ(extension->attached[1], copy.GetParamExtensionData(eSetupB))
            << "the cloned extension must be handed the cloned data";
        EXPECT_EQ(dynamic_cast<MeterData*>(copy.GetParamExtensionData(eSetupA))->peak, -6);
        EXPECT_EQ(copy.GetDragStartState(), -1.0) << "a drag in progress is not copied";
        EXPECT_EQ(copy.GetDragStartRealWorld(), 0.0);
        EXPECT_EQ(copy.GetLinkGroups(), (std::vector<int>{1, 4}));
        EXPECT_EQ(copy.DefaultMouseDelta(2), 5.0);
        int first = 0;
        int second = 0;
        copy.GetCurrentImageIndexes(first, second);
        EXPECT_EQ(first, 3);
        EXPECT_EQ(second, 7);

        const sCONTROL_PARAM& same = copy;
        copy = same;  // self-assignment keeps everything
        EXPECT_EQ(copy.GetGraphSize(eSetupA), 3U);
        sCONTROL_PARAM assigned;
        assigned = copy;
        EXPECT_EQ(CountedGraph::live, 6);
        assigned.ResetMembers();
        EXPECT_EQ(CountedGraph::live, 4);
        EXPECT_EQ(assigned.GetParamExtension(), nullptr);
        EXPECT_EQ(assigned.GetNumStates(), 1001);
        EXPECT_EQ(assigned.GetType(), eParamUnscaled);
    }
    EXPECT_EQ(CountedGraph::live, 0);
    EXPECT_EQ(MeterData::live, 0);
}

TEST(ControlParam, CopySetupReplacesGraphAndExtensionData) {
    sCONTROL_PARAM p;
    p.SetScaleLin(0, 10, 0.01);
    p.SetStateAndUpdate(700, eSetupA);
    p.SetGraphDataObject(eSetupA, CountedGraph({5}));
    p.SetParamExtension(new MeterExtension);
    p.SetParamExtensionData(eSetupA, new MeterData(-3));
    auto* targetData = new MeterData(-40);
    p.SetParamExtensionData(eSetupB, targetData);

    p.CopySetup(eSetupA, eSetupB);
    EXPECT_EQ(p.GetRealWorld(eSetupB), 7.0);
    ASSERT_NE(p.GetGraphDataObject(eSetupB), nullptr);
    EXPECT_NE(p.GetGraphDataObject(eSetupB), p.GetGraphDataObject(eSetupA));
    EXPECT_EQ(p.GetParamExtensionData(eSetupB), targetData) << "existing data is copied into";
    EXPECT_EQ(targetData->peak, -3);

    // A source without attachments clears the target's.
    p.ClearGraphDataObject(eSetupA);
    p.SetParamExtensionData(eSetupA, nullptr);
    p.CopySetup(eSetupA, eSetupB);
    EXPECT_EQ(p.GetGraphDataObject(eSetupB), nullptr);
    EXPECT_EQ(p.GetParamExtensionData(eSetupB), nullptr);
    EXPECT_EQ(dynamic_cast<MeterExtension*>(p.GetParamExtension())->attached[1], nullptr);
    p.CopySetup(eSetupA, eSetupA);  // copying a setup onto itself changes nothing
    EXPECT_EQ(MeterData::live, 0);
    p.ClearGraphDataObject();
    EXPECT_EQ(CountedGraph::live, 0);
}

TEST(ControlParam, GraphDataSwapResizeAndAccess) {
    sCONTROL_PARAM p;
    EXPECT_EQ(p.GetGraph(eSetupA), nullptr);
    EXPECT_EQ(p.GetGraphSize(eSetupA), 0U);
    EXPECT_TRUE(p.ResizeGraph(8)) << "no graph: nothing to refuse";
    p.SetGraphDataObject(eSetupB, CountedGraph({1, 2}));
    p.SwapGraphDataObject(eSetupA, eSetupB);
    EXPECT_EQ(p.GetGraphDataObject(eSetupB), nullptr);
    EXPECT_EQ(static_cast<const float*>(p.GetGraph(eSetupA))[1], 2.0F);
    EXPECT_TRUE(p.ResizeGraph(16));
    EXPECT_EQ(p.GetGraphSize(eSetupA), 16U);
}

TEST(ControlParam, ControllersAreGuiControlsKeptInOrder) {
    sCONTROL_PARAM p;
    RecordingControl first;
    RecordingControl second;
    RecordingControl invisible;
    invisible.gui = false;
    EXPECT_EQ(p.AddController(1, &first), 0);
    EXPECT_EQ(p.AddController(1, &first), -1) << "the same pair only once";
    EXPECT_EQ(p.AddController(2, &first), 0);
    EXPECT_EQ(p.AddController(0, &second), 0);
    EXPECT_EQ(p.AddController(0, &invisible), -1);
    EXPECT_EQ(p.AddController(0, nullptr), -1);
    EXPECT_TRUE(p.ControllerExists(2, &first));
    EXPECT_FALSE(p.ControllerExists(0, &invisible));

    p.UpdateControllers();
    EXPECT_EQ(first.refreshed, (std::vector<unsigned int>{1, 2}));
    EXPECT_EQ(second.refreshed, (std::vector<unsigned int>{0}));

    p.SetFlag(eParamFlagConstantDisabled, true);
    p.UpdateDisabledMode(false, eSetupB);
    EXPECT_EQ(p.GetDisabledMode(eSetupB), 1) << "ConstantDisabled wins";
    EXPECT_EQ(second.disabled, (std::vector<unsigned int>{0}));

    EXPECT_EQ(p.RemoveController(1, &first), 0);
    EXPECT_EQ(p.RemoveController(1, &first), -1);
    EXPECT_EQ(p.GetControllers().size(), 2U);
}

double Halve(double d) {
    return d / 2;
}

TEST(ControlParam, MouseDeltas) {
    sCONTROL_PARAM p;
    EXPECT_EQ(p.DefaultMouseDelta(3), 9);
    EXPECT_EQ(p.DefaultMouseDelta(-3), -9);
    EXPECT_EQ(p.DefaultMouseDelta(50), 100);
    EXPECT_EQ(p.DefaultMouseDelta(-50), -100);
    EXPECT_EQ(p.UpdateMouseDeltaStep(4), 16);
    p.SetMouseDeltaFunc(nullptr);  // ignored
    EXPECT_EQ(p.UpdateMouseDeltaStep(4), 16);
    p.SetMouseDeltaFunc(Halve);
    EXPECT_EQ(p.UpdateMouseDeltaStep(4), 2);
    p.SetMouseAccelerationValue(0.5);
    EXPECT_EQ(p.DefaultMouseDelta(50), 25);
}

TEST(ControlParam, DiscreteSteppingWrapsUnlessNotCyclicOrLinked) {
    sCONTROL_PARAM p;
    p.SetScaleToggle(4);
    p.SetStateAndUpdate(3, eSetupA);
    EXPECT_EQ(p.OffsetToNextDifferentStateDiscrete(eSetupA, 0.0, false), 0.0);
    EXPECT_EQ(p.OffsetToNextDifferentStateDiscrete(eSetupA, 1.0, false), -3.0);
    EXPECT_EQ(p.OffsetToNextDifferentStateDiscrete(eSetupA, 7.0, true), 0.0);
    EXPECT_EQ(p.OffsetToNextDifferentStateDiscrete(eSetupA, -0.1, false), -1.0);
    p.SetStateAndUpdate(0, eSetupB);
    EXPECT_EQ(p.OffsetToNextDifferentStateDiscrete(eSetupB, -1.0, false), 3.0);
    p.SetFlag(eParamFlagNotCyclic, true);
    EXPECT_EQ(p.OffsetToNextDifferentStateDiscrete(eSetupA, 1.0, false), 0.0);
    EXPECT_EQ(p.OffsetToNextDifferentStateDiscrete(eSetupB, -1.0, false), 0.0);
    EXPECT_EQ(p.OffsetToNextDifferentStateDiscrete(eSetupB, 1.0, false), 1.0);
}

TEST(ControlParam, ContinuousSteppingSkipsStatesWithTheSameValue) {
    sCONTROL_PARAM p;
    // Ten states share each whole value: a step must jump to the next value, not the next state.
    p.SetScaleLin(0, 100, 1);
    p.SetStateAndUpdate(500, eSetupA);
    const double up = p.OffsetToNextDifferentStateContinuous(eSetupA, 1);
    EXPECT_NE(p.StateToRealWorld(500 + up), 50.0);
    EXPECT_NEAR(p.StateToRealWorld(500 + up), 51.0, 1e-9);
    const double down = p.OffsetToNextDifferentStateContinuous(eSetupA, -1);
    EXPECT_NEAR(p.StateToRealWorld(500 + down), 49.0, 1e-9);
    // At the top it stays; with the cyclic bit it wraps to the bottom.
    p.SetStateAndUpdate(1000, eSetupA);
    EXPECT_NEAR(p.OffsetToNextDifferentStateContinuous(eSetupA, 1), 0.0, 1e-9);
    p.SetFlag(eParamFlagCyclicContinious, true);
    EXPECT_LT(p.OffsetToNextDifferentStateContinuous(eSetupA, 1), -900.0);
}

TEST(ControlParam, TextEntry) {
    sCONTROL_PARAM p;
    p.SetScaleLin(-60, 0, 0.1);
    double r = 1;
    EXPECT_EQ(p.TranslateTextToRealWorld(KCFixedString<31>("-12.34 dB"), r),
              eTranslateTextAccepted);
    EXPECT_NEAR(r, -12.3, 1e-9) << "accepted text is limited onto the scale";
    EXPECT_EQ(p.TranslateTextToRealWorld(KCFixedString<31>("6"), r), eTranslateTextRejected);
    EXPECT_EQ(r, 6.0) << "a rejected value stays as parsed";
    EXPECT_EQ(p.TranslateTextToRealWorld(KCFixedString<31>("-Inf"), r), eTranslateTextAccepted);
    EXPECT_EQ(r, -60.0);
    EXPECT_EQ(p.TranslateTextToRealWorld(KCFixedString<31>("loud"), r), eTranslateTextAccepted);
    EXPECT_EQ(r, 0.0) << "no number reads as 0, which is in range";
    p.SetFlag(eParamFlagPositiveTextEntryToNegative, true);
    EXPECT_EQ(p.TranslateTextToRealWorld(KCFixedString<31>("  +6"), r), eTranslateTextAccepted);
    EXPECT_NEAR(r, -6.0, 1e-9);
    EXPECT_EQ(p.TranslateTextToRealWorld(KCFixedString<31>("-99"), r), eTranslateTextRejected);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
