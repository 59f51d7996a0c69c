// KCPresetFileHandler: index rules and a whole file edited and read back.
#include "korvane/presets/preset_file_handler.h"

#include "korvane/fm/fm_test_support.h"
#include "korvane/presets/preset_api.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::Preset {
namespace {

class PresetFileHandler : public ::testing::Test {
protected:
    // Writes presets named after `indexes` ("P3" at index 3, ...); kNoIndex leaves one unassigned.
    void WriteFile(const std::vector<unsigned int>& indexes) {
        std::vector<CPresetInfo*> presets;
        int n = 0;
        for (const unsigned int index : indexes) {
            auto* preset = new CPresetInfo();
            preset->SetPresetName(
                ("P" + std::to_string(index == CPresetInfo::kNoIndex ? 100 + n : index)).c_str());
            preset->SetPresetIndex(index);
            auto& data = preset->GetOrAddSetupPresetData(eSetupA);
            data.realWorld = {static_cast<double>(n++)};
            data.realWorldKinds = {eValueNumber};
            presets.push_back(preset);
        }
        ASSERT_EQ(CPresetAPI::WritePresetsDataToFile(CPublicAlg(), presets, file), eNoErr);
        ClearPresetInfoPtrVec(presets);
    }

    // "name@index" of every preset, in list order.
    static std::vector<std::string> Layout(const KCPresetFileHandler& handler) {
        std::vector<std::string> out;
        for (const auto* p : handler.GetPresets()) {
            out.push_back(std::string(p->GetPresetName().c_str()) + "@" +
                          std::to_string(p->GetPresetIndex()));
        }
        return out;
    }

    FM::testing::TempFolder folder;
    FM::KCStPath path{folder.Path("bank.xps").c_str()};
    CPresetsFileInfo file{path, ePresetsFormatXPS, true};
};

TEST_F(PresetFileHandler, InsertShiftsTheRunAwayFromTheInsertedPosition) {
    WriteFile({3, 4, 6});
    KCPresetFileHandler handler;
    ASSERT_EQ(handler.ReadFromDisk(CPublicAlg(), path), eNoErr);
    EXPECT_EQ(Layout(handler), (std::vector<std::string>{"P3@3", "P4@4", "P6@6"}));
    EXPECT_EQ(handler.GetIndexOfLastPreset(), 7U);
    EXPECT_TRUE(handler.IsEmptyPreset(5));
    EXPECT_EQ(handler.GetPresetByIndex(CPresetInfo::kNoIndex), nullptr);
    EXPECT_EQ(handler.ComputeOffsetFromIndex(6), 2);

    CPresetInfo fromAbove;
    fromAbove.SetPresetName("New");
    fromAbove.SetPresetIndex(9);
    fromAbove.SetPresetsFileInfo(handler.GetFile());
    ASSERT_EQ(handler.Insert(3, fromAbove), eNoErr);
    EXPECT_EQ(Layout(handler), (std::vector<std::string>{"New@3", "P3@4", "P4@5", "P6@6"}));

    CPresetInfo fromBelow;
    fromBelow.SetPresetName("Low");
    fromBelow.SetPresetIndex(0);
    fromBelow.SetPresetsFileInfo(handler.GetFile());
    ASSERT_EQ(handler.Insert(5, fromBelow), eNoErr);
    EXPECT_EQ(Layout(handler), (std::vector<std::string>{"New@2", "P3@3", "P4@4", "Low@5", "P6@6"}))
        << "coming from below shifts the run downwards";

    CPresetInfo again(fromBelow);
    ASSERT_EQ(handler.Insert(0, again), eNoErr);
    EXPECT_EQ(handler.GetPresetByIndex(0)->GetPresetName(), "Low 1") << "names stay unique";
}

TEST_F(PresetFileHandler, UnassignedIndexesAreValidatedAndWrittenBack) {
    WriteFile({CPresetInfo::kNoIndex, 5, CPresetInfo::kNoIndex});
    KCPresetFileHandler handler;
    ASSERT_EQ(handler.ReadFromDisk(CPublicAlg(), path), eNoErr);
    EXPECT_EQ(Layout(handler), (std::vector<std::string>{"P100@0", "P102@2", "P5@5"}));
    KCPresetFileHandler reread;
    ASSERT_EQ(reread.ReadFromDisk(CPublicAlg(), path), eNoErr);
    EXPECT_EQ(Layout(reread), Layout(handler)) << "the file was rewritten with the indexes";
}

TEST_F(PresetFileHandler, AFileEditedAndReadBack) {
    WriteFile({0, 1, 2, 3});
    KCPresetFileHandler handler;
    ASSERT_EQ(handler.ReadFromDisk(CPublicAlg(), path), eNoErr);
    ASSERT_EQ(handler.Delete(1), eNoErr);
    EXPECT_EQ(handler.Delete(1), ePresetInfoNotFound);
    EXPECT_EQ(handler.Delete({0, 9}), ePresetInfoNotFound);
    EXPECT_EQ(handler.GetPresets().size(), 3U) << "nothing deleted when one index is unused";
    ASSERT_EQ(handler.Duplicate({0, 2}, 10), eNoErr);
    ASSERT_EQ(handler.Move({3}, 1), eNoErr);
    EXPECT_EQ(handler.PresetRename(1, KCFixedString<15>("P0")), ePresetFileProblem);
    ASSERT_EQ(handler.PresetRename(1, KCFixedString<15>("Moved")), eNoErr);
    const auto expected = std::vector<std::string>{"P0@0", "Moved@1", "P2@2", "P1@10", "P4@11"};
    EXPECT_EQ(Layout(handler), expected);
    ASSERT_EQ(handler.WriteToDisk(CPublicAlg()), eNoErr);

    KCPresetFileHandler reread;
    ASSERT_EQ(reread.ReadFromDisk(CPublicAlg(), path), eNoErr);
    EXPECT_EQ(Layout(reread), expected);
    for (unsigned int i = 0; i < reread.GetPresets().size(); ++i) {
        EXPECT_TRUE(
            CPresetInfo::IsSamePreset(*reread.GetPresets()[i], *handler.GetPresets()[i], true))
            << i << ": data survives the rewrite";
    }
    EXPECT_DOUBLE_EQ(reread.GetPresetByIndex(1)->GetSetupPresetData(eSetupA)->realWorld[0], 3.0);
    KCFixedString<255> name;
    EXPECT_EQ(reread.GetPresetNameByIndex(11, name), eNoErr);
    EXPECT_EQ(name, "P4") << "a trailing number counts up past the names in use";
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Preset
