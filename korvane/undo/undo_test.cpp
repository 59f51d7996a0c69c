// The undo history: merging inserts, the undo level, the dirty counter across undo and redo,
// events, the handle functions and both snapshot commands against a plug-in.
#include "korvane/undo/undo_api.h"

#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/presets/preset_alg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::Undo {
namespace {

using test_support::TestAlgorithm;

// A state of one number; executing it records which state the "plug-in" returned to.
class ValueCommand : public Command {
public:
    ValueCommand(int value, std::vector<int>* executed, unsigned int id = 1,
                 const char* name = "Edit")
        : Command(name, id), m_value(value), m_executed(executed) {}
    [[nodiscard]] bool IsSameType(const Command* other) const override {
        return other != nullptr && other->getID() == getID() && other->getName() == getName();
    }
    bool operator==(const Command& other) const override {
        const auto* same = dynamic_cast<const ValueCommand*>(&other);
        return same != nullptr && same->m_value == m_value;
    }
    void Execute() override { m_executed->push_back(m_value); }

private:
    int m_value;
    std::vector<int>* m_executed;
};

class UndoHistory : public ::testing::Test {
protected:
    void Insert(int value, EInsertToStackType mode = eInsertNoMerge, unsigned int id = 1) {
        manager.InsertCommand(new ValueCommand(value, &executed, id), mode);
    }
    KCUndoManager manager;
    std::vector<int> executed;
};

TEST_F(UndoHistory, LevelMergingAndEqualStates) {
    EXPECT_EQ(manager.getUndoLevel(), 1);
    EXPECT_FALSE(manager.IsDirty());
    Insert(1);
    Insert(2);
    Insert(3);
    EXPECT_EQ(manager.GetUndoStackSize(), 1U) << "level 1 keeps one entry";
    manager.Undo();
    EXPECT_EQ(executed, (std::vector<int>{2}));
    EXPECT_EQ(manager.GetRedoStackSize(), 1U);
    Insert(2);
    EXPECT_EQ(manager.GetRedoStackSize(), 1U) << "an equal state changes nothing";
    manager.Undo();
    EXPECT_EQ(executed.size(), 1U) << "nothing left to undo";

    manager.setUndoLevel(10);
    Insert(4, eInsertMerge);
    EXPECT_EQ(manager.GetRedoStackSize(), 0U);
    Insert(5, eInsertMerge);
    Insert(6, eInsertMerge);
    EXPECT_EQ(manager.GetUndoStackSize(), 1U) << "a run of one kind of edit is one step";
    Insert(7, eInsertMerge, 2);
    EXPECT_EQ(manager.GetUndoStackSize(), 2U) << "another kind starts a new step";
    manager.Undo();
    EXPECT_EQ(executed.back(), 6);
    manager.setUndoLevel(1);
    EXPECT_EQ(manager.GetUndoStackSize(), 1U);
    manager.setUndoLevel(0);
    Insert(8);
    EXPECT_EQ(manager.GetUndoStackSize(), 0U) << "level 0 records nothing";
}

// After an undo the current state is the one gone back to: a merged snapshot of that same moment
// adds no step and keeps the redo steps, while a different state of the same kind is kept apart
// from it rather than swallowing it.
TEST_F(UndoHistory, AMergeAfterAnUndoKeepsTheStateItWentBackTo) {
    manager.setUndoLevel(10);
    Insert(1);
    Insert(2);
    Insert(3);
    manager.Undo();
    ASSERT_EQ(executed, (std::vector<int>{2}));
    const unsigned int steps = manager.GetUndoStackSize();
    Insert(2, eInsertMerge);
    EXPECT_EQ(manager.GetUndoStackSize(), steps) << "the same moment is no new step";
    EXPECT_EQ(manager.GetRedoStackSize(), 1U);
    Insert(4);
    EXPECT_EQ(manager.GetUndoStackSize(), steps + 1);
    EXPECT_EQ(manager.GetRedoStackSize(), 0U);
    manager.Undo();
    EXPECT_EQ(executed.back(), 2) << "one undo goes back to where the undo had gone";

    manager.Undo();
    ASSERT_EQ(executed.back(), 1);
    Insert(5, eInsertMerge);
    EXPECT_EQ(manager.GetUndoStackSize(), 1U) << "a different state does not swallow 1";
    EXPECT_EQ(manager.GetRedoStackSize(), 0U);
    manager.Undo();
    EXPECT_EQ(executed.back(), 1);
}

TEST_F(UndoHistory, DirtyCounterAcrossUndoAndRedo) {
    manager.setUndoLevel(20);
    Insert(0);
    manager.SetClean();
    Insert(1);
    Insert(2);
    EXPECT_TRUE(manager.IsDirty());
    const unsigned int before = manager.GetDirtyCounter();
    manager.Undo();
    manager.Redo();
    EXPECT_EQ(manager.GetDirtyCounter(), before) << "undo then redo returns the counter";
    manager.Undo();
    manager.Undo();
    EXPECT_FALSE(manager.IsDirty()) << "back at the saved state";
    manager.Redo();
    manager.Redo();
    manager.Undo();
    manager.Undo();
    EXPECT_FALSE(manager.IsDirty());
    EXPECT_EQ(executed, (std::vector<int>{1, 2, 1, 0, 1, 2, 1, 0}));

    // Saved, undone and redone: still the saved state.
    manager.Redo();
    manager.SetClean();
    manager.Undo();
    EXPECT_TRUE(manager.IsDirty());
    manager.Redo();
    EXPECT_FALSE(manager.IsDirty());

    // A new state after undo clears the redo list and stays dirty even when undone again.
    manager.Undo();
    Insert(9);
    EXPECT_FALSE(manager.CanRedo());
    manager.Undo();
    EXPECT_TRUE(manager.IsDirty());
}

TEST_F(UndoHistory, EventsNamesAndTheHandleFunctions) {
    KTUndoManagerType* handle = nullptr;
    ASSERT_EQ(API::CreateDefaultUndoManager(handle), eNoErr);
    EXPECT_EQ(API::SetUndoLevel(handle, 5), eNoErr);
    unsigned short level = 0;
    EXPECT_EQ(API::GetUndoLevel(handle, level), eNoErr);
    EXPECT_EQ(level, 5);
    EXPECT_EQ(API::AddUndoEvent(handle, KCFixedString<63>("drag")), eNoErr);
    handle->addEvent("drag");
    handle->addEvent("click");
    EXPECT_EQ(API::GetNumEvents(handle), 2U);
    auto* first = new ValueCommand(1, &executed, 1, "First");
    API::InsertCommand(handle, first, eInsertNoMerge);
    EXPECT_EQ(first->getEvents().size(), 2U);
    EXPECT_EQ(API::GetNumEvents(handle), 0U) << "pending events go to the inserted state";
    API::InsertCommand(handle, new ValueCommand(2, &executed, 1, "Load Preset \"Warm\""),
                       eInsertNoMerge);
    EXPECT_FALSE(API::IsPresetCommand(handle)) << "the last undo entry is First";
    API::InsertCommand(handle, new ValueCommand(3, &executed, 1, "Third"), eInsertNoMerge);
    EXPECT_TRUE(API::IsPresetCommand(handle));
    KCFixedString<255> name;
    EXPECT_EQ(API::GetUndoCommandName(handle, 0, name), eNoErr);
    EXPECT_EQ(name, "Load Preset \"Warm\"") << "index 0 is the next to undo";
    API::GetUndoCommandName(handle, 1, name);
    EXPECT_EQ(name, "First");
    API::GetUndoCommandName(handle, 2, name);
    EXPECT_TRUE(name.empty()) << "out of range";
    API::ExecuteUndo(handle);
    API::GetRedoCommandName(handle, 0, name);
    EXPECT_EQ(name, "Third");
    API::GetLastUndoCommandName(handle, name);
    EXPECT_EQ(name, "First");
    EXPECT_TRUE(API::CanRedo(handle));
    EXPECT_EQ(API::ClearUndoEvents(handle), eNoErr);
    EXPECT_EQ(API::DisposeUndoManager(handle), eNoErr);
    EXPECT_EQ(handle, nullptr);

    EXPECT_EQ(API::ExecuteUndo(nullptr), eMemNullPointer);
    EXPECT_EQ(API::InsertCommand(nullptr, new ValueCommand(1, &executed), eInsertNoMerge),
              eMemNullPointer);
    EXPECT_FALSE(API::IsDirty(nullptr));
    EXPECT_EQ(API::GetUndoStackSize(nullptr), 0U);
}

TEST(UndoCommands, ParameterAndPresetSnapshotsRestoreThePlugin) {
    TestAlgorithm alg;
    ASSERT_EQ(alg.FinishCreate(), 0);
    KCUndoManager manager;
    manager.setUndoLevel(10);
    manager.InsertCommand(new KCUndoCommandParameters(&alg, 1), eInsertNoMerge);
    const double gainBefore = alg.GetParamState(TestAlgorithm::kGain);
    const auto set = [&](unsigned int index, double state) {
        BUFFER_HEADER* chain = alg.UpdateParamState(index, state);
        alg.FreeBuffers(chain);
    };
    set(TestAlgorithm::kGain, 800);
    set(TestAlgorithm::kMeter, 300);  // display-only: not recorded
    auto* snapshot = new KCUndoCommandParameters(&alg, 1);
    EXPECT_EQ(snapshot->GetStates().size(), TestAlgorithm::kCount - 1U);
    manager.InsertCommand(snapshot, eInsertNoMerge);
    manager.InsertCommand(new KCUndoCommandParameters(&alg, 1), eInsertNoMerge);
    EXPECT_EQ(manager.GetUndoStackSize(), 1U) << "an unchanged state is not recorded";
    manager.Undo();
    EXPECT_EQ(alg.GetParamState(TestAlgorithm::kGain), gainBefore);
    EXPECT_EQ(alg.GetParamState(TestAlgorithm::kMeter), 300) << "display-only is left alone";
    manager.Redo();
    EXPECT_EQ(alg.GetParamState(TestAlgorithm::kGain), 800);

    Preset::CPresetInfo warm;
    warm.SetPresetName("Warm");
    ASSERT_EQ(Preset::SavePresetFromAlg(CPublicAlg(alg), warm), eNoErr);
    set(TestAlgorithm::kGain, 100);
    Preset::CPresetInfo cold;
    cold.SetPresetName("Cold");
    ASSERT_EQ(Preset::SavePresetFromAlg(CPublicAlg(alg), cold), eNoErr);
    KCUndoManager presets;
    presets.setUndoLevel(5);
    presets.InsertCommand(new KCUndoCommandPreset(CPublicAlg(alg), 2, &warm), eInsertNoMerge);
    presets.InsertCommand(new KCUndoCommandPreset(CPublicAlg(alg), 2, &cold), eInsertNoMerge);
    EXPECT_EQ(presets.GetLastUndoCommandName(), "Load Preset \"Warm\"");
    presets.Undo();
    EXPECT_NEAR(alg.GetParamState(TestAlgorithm::kGain), 800, 1e-9);
    presets.Redo();
    EXPECT_NEAR(alg.GetParamState(TestAlgorithm::kGain), 100, 1e-9);
    KCUndoCommandPreset same(CPublicAlg(alg), 2, &cold);
    EXPECT_TRUE(same == *presets.GetCurrentCommand());
    EXPECT_FALSE(same.IsSameType(manager.GetCurrentCommand())) << "a parameter snapshot";
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Undo
