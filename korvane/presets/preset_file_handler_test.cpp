// KCPresetFileHandler: index rules and a whole file edited and read back.
#include "korvane/presets/preset_file_handler.h"

#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/fm/fm_test_support.h"
#include "korvane/presets/preset_api.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::Preset {
namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

KorvaneComponentInfo TypeInfo(const char (&type)[5]) {
    KorvaneComponentInfo info;
    info.componentType = KCFourCC(type);
    info.componentSubType = KCFourCC("ster");
    return info;
}

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

TEST_F(PresetFileHandler, ASharedFileKeepsWhatTheListDoesNotHold) {
    folder.Write("bank.xps",
                 "<PresetXMLTree version='2'>"
                 "<Preset Name='Theirs 1' GenericType='Abcd'/>"
                 "<Preset Name='Mine 1' GenericType='KvEQ'/>"
                 "<Unknown Keep='yes'/>"
                 "<Preset Name='Mine 2' GenericType='KvEQ'/>"
                 "<Preset Name='Theirs 2' GenericType='Abcd'/>"
                 "</PresetXMLTree>");
    test_support::TestAlgorithm eq(TypeInfo("KvEQ"));
    test_support::TestAlgorithm other(TypeInfo("Abcd"));
    const auto names = [&](test_support::TestAlgorithm& plugin) {
        KCPresetFileHandler reader;
        EXPECT_EQ(reader.ReadFromDisk(CPublicAlg(plugin), path), eNoErr);
        return Layout(reader);
    };

    // Reading assigns the missing indexes and so rewrites the file.
    KCPresetFileHandler handler;
    ASSERT_EQ(handler.ReadFromDisk(CPublicAlg(eq), path), eNoErr);
    EXPECT_EQ(Layout(handler), (std::vector<std::string>{"Mine 1@0", "Mine 2@1"}));
    EXPECT_EQ(names(other), (std::vector<std::string>{"Theirs 1@0", "Theirs 2@1"}));
    const std::string text = Slurp(path.GetPathString().c_str());
    EXPECT_NE(text.find("<Unknown Keep=\"yes\""), std::string::npos) << text;
    EXPECT_LT(text.find("Theirs 1"), text.find("Mine 1")) << "kept in place";
    EXPECT_LT(text.find("<Unknown"), text.find("Mine 2")) << "kept in place";

    ASSERT_EQ(handler.Delete(0), eNoErr);
    CPresetInfo added;
    added.SetPresetName("Mine 3");
    added.SetGenericType(KCFourCC("KvEQ"));
    ASSERT_EQ(handler.Insert(5, added), eNoErr);
    ASSERT_EQ(handler.WriteToDisk(CPublicAlg(eq)), eNoErr);
    EXPECT_EQ(names(eq), (std::vector<std::string>{"Mine 2@1", "Mine 3@5"}));
    EXPECT_EQ(names(other), (std::vector<std::string>{"Theirs 1@0", "Theirs 2@1"}));
    EXPECT_NE(Slurp(path.GetPathString().c_str()).find("<Unknown"), std::string::npos);

    // A file that stopped parsing since it was read is left alone.
    const std::string damaged = "<PresetXMLTree><Preset Name='x'>";
    folder.Write("bank.xps", damaged);
    EXPECT_EQ(handler.WriteToDisk(CPublicAlg(eq)), eXMLParserFailed);
    EXPECT_EQ(Slurp(path.GetPathString().c_str()), damaged);
}

TEST_F(PresetFileHandler, OnlyXpsFilesAreWrittenBack) {
    std::string yaml;
    ASSERT_EQ(CPresetAPI::PrepareYAMLPresetString(CPublicAlg(), yaml, "<Preset Name='Y'/>\n"),
              eNoErr);
    const FM::KCStPath yps(folder.Path("state.yps").c_str());
    ASSERT_EQ(CPresetAPI::WriteYAMLPresetFile(yps, yaml), eNoErr);
    KCPresetFileHandler handler;
    ASSERT_EQ(handler.ReadFromDisk(CPublicAlg(), yps), eNoErr);
    ASSERT_EQ(handler.GetPresets().size(), 1U);
    EXPECT_EQ(handler.WriteToDisk(CPublicAlg()), eInvalidFileFormatProblem);
    EXPECT_EQ(Slurp(folder.Path("state.yps")), yaml) << "the yps file is not replaced by xml";
    EXPECT_EQ(CPresetAPI::WritePresetsDataToFile(CPublicAlg(), handler.GetPresets(),
                                                 CPresetsFileInfo(yps, ePresetsFormatNone, true)),
              eInvalidFileFormatProblem);
    EXPECT_EQ(Slurp(folder.Path("state.yps")), yaml);
}

TEST_F(PresetFileHandler, NamesAndIndexesAtTheirLimits) {
    WriteFile({0});
    KCPresetFileHandler handler;
    ASSERT_EQ(handler.ReadFromDisk(CPublicAlg(), path), eNoErr);
    // Long names: the counter must still fit, not be cut off again (which never ends).
    CPresetInfo preset;
    preset.SetPresetName(std::string(255, 'x').c_str());
    ASSERT_EQ(handler.Insert(1, preset), eNoErr);
    ASSERT_EQ(handler.Insert(2, preset), eNoErr);
    ASSERT_EQ(handler.Insert(3, preset), eNoErr);
    EXPECT_EQ(handler.GetPresetByIndex(2)->GetPresetName(), (std::string(253, 'x') + " 1").c_str());
    EXPECT_EQ(handler.GetPresetByIndex(3)->GetPresetName(), (std::string(253, 'x') + " 2").c_str());
    preset.SetPresetName((std::string(254, 'y') + "9").c_str());
    ASSERT_EQ(handler.Insert(4, preset), eNoErr);
    ASSERT_EQ(handler.Insert(5, preset), eNoErr);
    EXPECT_EQ(handler.GetPresetByIndex(5)->GetPresetName(), (std::string(253, 'y') + "10").c_str());

    // Indexes are stored signed: nothing may land above the largest one.
    const unsigned int top = KCPresetFileHandler::kMaxIndex;
    EXPECT_EQ(handler.Insert(top + 1, preset), ePresetFileProblem);
    preset.SetPresetName("Top");
    ASSERT_EQ(handler.Insert(top, preset), eNoErr);
    preset.SetPresetName("Pushed");
    EXPECT_EQ(handler.Insert(top, preset), ePresetFileProblem) << "the run cannot move up";
    EXPECT_EQ(handler.Move({0}, top + 1), ePresetFileProblem);
    EXPECT_EQ(handler.Duplicate({0, 1}, top), ePresetFileProblem);
    EXPECT_EQ(handler.GetPresets().size(), 7U) << "nothing lost";
    ASSERT_EQ(handler.WriteToDisk(CPublicAlg()), eNoErr);
    KCPresetFileHandler reread;
    ASSERT_EQ(reread.ReadFromDisk(CPublicAlg(), path), eNoErr);
    EXPECT_EQ(Layout(reread), Layout(handler));
    EXPECT_EQ(reread.GetPresetByIndex(top)->GetPresetName(), "Top");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Preset
