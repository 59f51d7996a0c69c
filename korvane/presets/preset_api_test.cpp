// Preset files through CPresetAPI: whole files, single presets written and removed, listing
// with compatibility, yps files, damaged files and interrupted saves.
#include "korvane/presets/preset_api.h"

#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/fm/fm_test_support.h"
#include "korvane/presets/preset_dialogs.h"
#include "korvane/rm/resource_manager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace kvKorvaneV10_0_3::Preset {
namespace {

using test_support::TestAlgorithm;

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A plug-in that also accepts presets of the type 'Old1'.
class AcceptingAlgorithm : public TestAlgorithm {
public:
    explicit AcceptingAlgorithm(const KorvaneComponentInfo& info) : TestAlgorithm(info) {}
    void GetPresetCompatibleTypesSelf(std::vector<KCFourCC>& types) const override {
        types.emplace_back("Old1");
    }
};

KorvaneComponentInfo EQInfo() {
    KorvaneComponentInfo info;
    info.componentType = KCFourCC("KvEQ");
    info.componentSubType = KCFourCC("ster");
    return info;
}

CPresetInfo* MakePreset(const char* name, double value, const CPresetsFileInfo& file) {
    auto* preset = new CPresetInfo();
    preset->SetPresetName(name);
    preset->SetGenericType(KCFourCC("KvEQ"));
    auto& data = preset->GetOrAddSetupPresetData(eSetupA);
    data.realWorld = {value, value * 2};
    data.realWorldKinds = {eValueNumber, eValueNumber};
    preset->SetPresetsFileInfo(file);
    return preset;
}

class PresetFiles : public ::testing::Test {
protected:
    void TearDown() override { CPresetAPI::SetWriteProgressHook({}); }

    std::vector<std::string> Names(CPresetsFileInfo& file) {
        std::vector<CPresetInfo*> list;
        EXPECT_EQ(CPresetAPI::GetPresetList(alg, file, list), eNoErr);
        std::vector<std::string> names;
        names.reserve(list.size());
        for (const auto* p : list) {
            names.emplace_back(p->GetPresetName().c_str());
        }
        ClearPresetInfoPtrVec(list);
        return names;
    }

    FM::testing::TempFolder folder;
    TestAlgorithm plugin{EQInfo()};
    CPublicAlg alg{plugin};
    CPresetsFileInfo file{FM::KCStPath(folder.Path("bank.xps").c_str()), ePresetsFormatXPS, true};
};

TEST_F(PresetFiles, WholeFileSinglePresetWritesAndRemoval) {
    EXPECT_EQ(CPresetAPI::GetPresetFileFormat(alg, file), ePresetsFormatXPS);
    std::vector<CPresetInfo*> presets{MakePreset("One", 1, file), MakePreset("Two", 2, file),
                                      new CPresetInfo(), MakePreset("Three", 3, file)};
    presets[2]->SetFlag(ePresetSeparator, true);
    ASSERT_EQ(CPresetAPI::WritePresetsDataToFile(alg, presets, file), eNoErr);
    EXPECT_EQ(Slurp(file.GetPathString().c_str()).rfind("<?xml", 0), 0U);
    EXPECT_EQ(Names(file), (std::vector<std::string>{"One", "Two", "Separator", "Three"}));

    std::vector<CPresetInfo*> listed;
    ASSERT_EQ(CPresetAPI::GetPresetList(alg, file, listed), eNoErr);
    EXPECT_TRUE(listed[2]->IsSeperator());
    EXPECT_EQ(listed[0]->GetPresetVersion(), "2");
    EXPECT_TRUE(listed[0]->GetPresetData().empty()) << "headers only";
    ClearPresetInfoPtrVec(listed);

    // Saving under an existing name replaces the preset and moves it to the end.
    CPresetInfo* changed = MakePreset("One", 10, file);
    ASSERT_EQ(CPresetAPI::WritePresetInfo(alg, *changed), eNoErr);
    EXPECT_EQ(Names(file), (std::vector<std::string>{"Two", "Separator", "Three", "One"}));
    CPresetInfo read;
    read.SetPresetName("One");
    read.SetPresetsFileInfo(file);
    ASSERT_EQ(CPresetAPI::ReadPresetInfo(alg, read), eNoErr);
    EXPECT_TRUE(CPresetInfo::IsSamePreset(read, *changed, true));

    ASSERT_EQ(CPresetAPI::RemovePresetInfo(alg, *presets[1]), eNoErr);
    EXPECT_EQ(Names(file), (std::vector<std::string>{"Separator", "Three", "One"}));
    EXPECT_EQ(CPresetAPI::RemovePresetInfo(alg, *presets[1]), ePresetInfoNotFound);
    CPresetInfo missing;
    missing.SetPresetName("Nope");
    missing.SetPresetsFileInfo(file);
    EXPECT_EQ(CPresetAPI::ReadPresetInfo(alg, missing), ePresetInfoNotFound);
    CPresetInfo unknownFile;
    unknownFile.SetPresetsFileInfo(
        CPresetsFileInfo(FM::KCStPath(folder.Path("x.txt").c_str()), ePresetsFormatNone, true));
    EXPECT_EQ(CPresetAPI::RemovePresetInfo(alg, unknownFile), eInvalidFileFormatProblem);
    delete changed;
    ClearPresetInfoPtrVec(presets);
}

TEST_F(PresetFiles, RereadingKeepsTheMenuPlaceAndWritingNeedsAFile) {
    std::vector<CPresetInfo*> presets{MakePreset("One", 1, file)};
    ASSERT_EQ(CPresetAPI::WritePresetsDataToFile(alg, presets, file), eNoErr);
    ClearPresetInfoPtrVec(presets);

    // What a menu knows about a preset survives reading its contents again.
    CPresetInfo read;
    read.SetPresetName("One");
    read.SetPresetsFileInfo(file);
    read.SetPresetIndex(7);
    read.SetResourceID(12);
    read.SetMenuItemType(eMenuItemUser);
    read.SetFlag(ePresetDisabled, true);
    ASSERT_EQ(CPresetAPI::ReadPresetInfo(alg, read), eNoErr);
    EXPECT_EQ(read.GetPresetIndex(), 7U);
    EXPECT_EQ(read.GetResourceID(), 12);
    EXPECT_EQ(read.GetMenuItemType(), eMenuItemUser);
    EXPECT_TRUE(read.IsDisabled());
    ASSERT_NE(read.GetSetupPresetData(eSetupA), nullptr) << "the contents were read";
    std::string text;
    ASSERT_EQ(CPresetAPI::WritePresetInfo_XML(read, text), eNoErr);
    const Utils::KCStConstMemObj chunk(text.data(), static_cast<unsigned int>(text.size()));
    ASSERT_EQ(CPresetAPI::SetPresetChunk(alg, read, chunk), eNoErr);
    EXPECT_EQ(read.GetPresetIndex(), 7U);
    EXPECT_EQ(read.GetMenuItemType(), eMenuItemUser);

    // Every format but the in-memory text needs a valid, unlocked, writable file.
    CPresetInfo toYps;
    toYps.SetPresetName("Y");
    toYps.SetPresetsFileInfo(
        CPresetsFileInfo(FM::KCStPath(folder.Path("s.yps").c_str()), ePresetsFormatYPS, false));
    EXPECT_EQ(CPresetAPI::WritePresetInfo(alg, toYps), ePresetFileProblem) << "not valid";
    const std::string locked = folder.Write("ro.xps", "<PresetXMLTree version='2'/>");
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read);
    CPresetInfo toLocked;
    toLocked.SetPresetName("L");
    toLocked.SetPresetsFileInfo(
        CPresetsFileInfo(FM::KCStPath(locked.c_str()), ePresetsFormatXPS, true));
    EXPECT_EQ(CPresetAPI::WritePresetInfo(alg, toLocked), ePresetFileProblem) << "read-only";
    EXPECT_EQ(Slurp(locked), "<PresetXMLTree version='2'/>");
}

TEST_F(PresetFiles, ListingVersionsTitlesAndCompatibility) {
    folder.Write("bank.xps",
                 "<PresetXMLTree>"
                 "<Preset Name='Any'/>"
                 "<Title Name='Section'/>"
                 "<Preset Name='Mine' GenericType='KvEQ' SubComp='ster, mono'/>"
                 "<Preset Name='Wildcard' GenericType='Abcd,?\?\?\?'/>"
                 "<Preset Name='Other' GenericType='Abcd'/>"
                 "<Preset Name='Mono only' GenericType='KvEQ' SubComp='mono'/>"
                 "<Preset Name='Legacy' GenericType='Old1'/>"
                 "</PresetXMLTree>");
    std::vector<CPresetInfo*> list;
    ASSERT_EQ(CPresetAPI::GetPresetList(alg, file, list), eNoErr);
    ASSERT_EQ(list.size(), 4U);
    EXPECT_EQ(list[0]->GetPresetVersion(), "None");
    EXPECT_TRUE(list[1]->IsDummyTitle());
    EXPECT_EQ(list[1]->GetPresetName(), "Section");
    EXPECT_EQ(list[2]->GetPresetName(), "Mine");
    EXPECT_EQ(list[3]->GetPresetName(), "Wildcard");

    AcceptingAlgorithm accepting(EQInfo());
    accepting.AddPresetCompatibleSubComp(KCFourCC("mono"));
    ASSERT_EQ(CPresetAPI::GetPresetList(CPublicAlg(accepting), file, list), eNoErr);
    EXPECT_EQ(list.size(), 6U) << "the plug-in's extra type and sub-component";
    ASSERT_EQ(CPresetAPI::GetPresetList(CPublicAlg(), file, list), eNoErr);
    EXPECT_EQ(list.size(), 7U) << "no plug-in: everything";
    ClearPresetInfoPtrVec(list);
}

TEST_F(PresetFiles, DamagedFilesAreReportedAndLeftAlone) {
    const std::string damaged = "<PresetXMLTree version='2'><Preset Name='A'>";
    folder.Write("bank.xps", damaged);
    std::vector<CPresetInfo*> list{MakePreset("Kept", 1, file)};
    EXPECT_EQ(CPresetAPI::GetPresetList(alg, file, list), eXMLParserFailed);
    ASSERT_EQ(list.size(), 1U) << "the caller's list is untouched";
    EXPECT_EQ(list[0]->GetPresetName(), "Kept");
    EXPECT_EQ(CPresetAPI::WritePresetInfo(alg, *list[0]), eXMLParserFailed);
    EXPECT_EQ(Slurp(file.GetPathString().c_str()), damaged) << "not replaced by one preset";
    folder.Write("bank.xps", "<Other/>");
    EXPECT_EQ(CPresetAPI::GetPresetList(alg, file, list), eXMLTreeNotValid);
    ClearPresetInfoPtrVec(list);

    CPresetsFileInfo missing(FM::KCStPath(folder.Path("none.xps").c_str()), ePresetsFormatXPS);
    EXPECT_EQ(CPresetAPI::GetPresetList(alg, missing, list), eFMFileNotFound);
}

TEST_F(PresetFiles, AnInterruptedSaveLeavesThePreviousFileIntact) {
    std::vector<CPresetInfo*> presets;
    for (int i = 0; i < 300; ++i) {
        presets.push_back(MakePreset(("Preset " + std::to_string(i)).c_str(), i, file));
        auto& data = presets.back()->GetOrAddSetupPresetData(eSetupB);
        data.realWorld.assign(100, 0.123456789 * i);
        data.realWorldKinds.assign(100, eValueNumber);
    }
    ASSERT_EQ(CPresetAPI::WritePresetsDataToFile(alg, presets, file), eNoErr);
    const std::string before = Slurp(file.GetPathString().c_str());
    ASSERT_GT(before.size(), 3 * FM::kAtomicWritePiece) << "several pieces to interrupt";

    presets[0]->SetPresetName("Renamed");
    // Fail each save at each piece in turn, and once more just before the rename.
    const auto interrupted = [&](const auto& save) {
        for (int failAt = 0;; ++failAt) {
            int calls = 0;
            bool finished = false;
            CPresetAPI::SetWriteProgressHook([&](std::uint64_t written, std::uint64_t total) {
                finished = written == total;
                return calls++ != failAt;
            });
            EXPECT_EQ(save(), eFMWriteFailed) << "interrupted at " << failAt;
            CPresetAPI::SetWriteProgressHook({});
            EXPECT_EQ(Slurp(file.GetPathString().c_str()), before) << "interrupted at " << failAt;
            if (finished || failAt > 100) {
                return failAt;
            }
        }
    };
    EXPECT_GT(interrupted([&] { return CPresetAPI::WritePresetsDataToFile(alg, presets, file); }),
              3);
    EXPECT_GT(interrupted([&] { return CPresetAPI::WritePresetInfo(alg, *presets[5]); }), 3);
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        static_cast<void>(entry);
        ++entries;
    }
    EXPECT_EQ(entries, 1U) << "no temporary file left behind";
    ASSERT_EQ(CPresetAPI::WritePresetsDataToFile(alg, presets, file), eNoErr);
    EXPECT_NE(Slurp(file.GetPathString().c_str()), before);
    ClearPresetInfoPtrVec(presets);
}

TEST_F(PresetFiles, YpsFilesAndPresetText) {
    std::string yaml;
    ASSERT_EQ(CPresetAPI::PrepareYAMLPresetString(alg, yaml, "<Preset Name='Y'/>\n"), eNoErr);
    EXPECT_NE(yaml.find("VendorName: Korvane"), std::string::npos) << yaml;
    EXPECT_NE(yaml.find("GenericType: KvEQ"), std::string::npos) << yaml;
    const FM::KCStPath yps(folder.Path("state.yps").c_str());
    ASSERT_EQ(CPresetAPI::WriteYAMLPresetFile(yps, yaml), eNoErr);
    std::string chunk;
    ASSERT_EQ(CPresetAPI::GetDataChunkFromYAMLPresetFile(alg, yps, chunk), eNoErr);
    EXPECT_EQ(chunk, "<Preset Name='Y'/>\n");
    CPresetsFileInfo ypsFile(yps, ePresetsFormatNone, true);
    EXPECT_EQ(CPresetAPI::GetPresetFileFormat(alg, ypsFile), ePresetsFormatYPS);
    std::vector<CPresetInfo*> list;
    ASSERT_EQ(CPresetAPI::GetPresetList(alg, ypsFile, list), eNoErr);
    ASSERT_EQ(list.size(), 1U);
    EXPECT_EQ(list[0]->GetPresetName(), "state");
    ClearPresetInfoPtrVec(list);

    folder.Write("other.yps", "VendorName: Someone\nChunkData: x\n");
    EXPECT_EQ(CPresetAPI::GetDataChunkFromYAMLPresetFile(
                  alg, FM::KCStPath(folder.Path("other.yps").c_str()), chunk),
              kYPSWrongVendor);
    folder.Write("bad.yps", "[unclosed");
    EXPECT_EQ(CPresetAPI::GetDataChunkFromYAMLPresetFile(
                  alg, FM::KCStPath(folder.Path("bad.yps").c_str()), chunk),
              ePresetFileProblem);
    EXPECT_EQ(chunk, "<Preset Name='Y'/>\n") << "untouched on failure";

    // Format 5: the preset as text in the file description.
    CPresetInfo preset;
    preset.SetPresetName("Text");
    preset.GetPresetsFileInfo().SetFormat(ePresetsFormatXMLText);
    ASSERT_EQ(CPresetAPI::WritePresetInfo(alg, preset), eNoErr);
    const std::string& text = preset.GetPresetsFileInfo().GetText();
    EXPECT_EQ(text.rfind("<Preset Name=\"Text\"", 0), 0U) << text;
    CPresetInfo fromText;
    const Utils::KCStConstMemObj data(text.data(), static_cast<unsigned int>(text.size()));
    ASSERT_EQ(CPresetAPI::SetPresetChunk(alg, fromText, data), eNoErr);
    EXPECT_EQ(fromText.GetPresetName(), "Text");
    const Utils::KCStConstMemObj broken("<Preset", 7);
    EXPECT_NE(CPresetAPI::SetPresetChunk(alg, fromText, broken), eNoErr);
    EXPECT_EQ(fromText.GetPresetName(), "Text");
}

TEST_F(PresetFiles, PresetsKeptAsAResourceOfABundle) {
    folder.Write("Synth.bundle/Contents/Resources/Presets/1000",
                 "<PresetXMLTree version='2'><Preset Name='Pad'/><Preset Name='Lead'/>"
                 "</PresetXMLTree>");
    ASSERT_EQ(RM::Init(0x200, "KorvaneLib"), eNoErr);
    CPresetsFileInfo bundle(FM::KCStPath(folder.Path("Synth.bundle").c_str()), ePresetsFormatNone,
                            true);
    EXPECT_EQ(CPresetAPI::GetPresetFileFormat(alg, bundle), ePresetsFormatResource);
    EXPECT_EQ(Names(bundle), (std::vector<std::string>{"Pad", "Lead"}));
    EXPECT_EQ(bundle.GetFormat(), ePresetsFormatResource);
    CPresetInfo pad;
    pad.SetPresetName("Pad");
    pad.SetPresetsFileInfo(bundle);
    EXPECT_EQ(CPresetAPI::ReadPresetInfo(alg, pad), eNoErr);
    EXPECT_EQ(CPresetAPI::RemovePresetInfo(alg, pad), eNoErr);
    EXPECT_EQ(Names(bundle), (std::vector<std::string>{"Lead"}));
    CPresetsFileInfo plain(FM::KCStPath(folder.Path("Empty.bundle").c_str()), ePresetsFormatNone,
                           true);
    folder.Write("Empty.bundle/Contents/Resources/Other/1", "x");
    EXPECT_EQ(CPresetAPI::GetPresetFileFormat(alg, plain), ePresetsFormatNone);
    EXPECT_EQ(RM::Dispose(), eNoErr);
}

TEST_F(PresetFiles, DialogsAreCancelledUntilTheGUIFillsThem) {
    CPresetsFileInfo created;
    EXPECT_EQ(CPresetAPI::CreateNewPresetsFile(alg, created, FM::KCStPath(folder.Path().c_str())),
              eUserCanceled);
    FM::KCStPath chosen;
    EXPECT_FALSE(CPresetAPI::GetPresetsFile(alg, chosen));
    KCFixedString<255> name;
    EXPECT_EQ(CPresetAPI::GetPresetNameFromUser(alg, name), eUserCanceled);

    KSPresetDialogs dialogs;
    dialogs.saveFile = [&](const CPublicAlg&, const char*, const char*, FM::KCStPath& path) {
        path = FM::KCStPath(folder.Path("new").c_str());
        return true;
    };
    SetPresetDialogs(dialogs);
    EXPECT_EQ(CPresetAPI::CreateNewPresetsFile(alg, created, FM::KCStPath(folder.Path().c_str())),
              eNoErr);
    SetPresetDialogs({});
    EXPECT_EQ(created.GetLeaf(), "new.xps");
    EXPECT_TRUE(Names(created).empty());

    std::vector<CPresetInfo*> dups{MakePreset("A", 1, file), MakePreset("B", 1, file),
                                   MakePreset("A", 2, file)};
    CPresetAPI::DisableDuplicatePresets(dups);
    EXPECT_FALSE(dups[0]->IsDisabled());
    EXPECT_TRUE(dups[2]->IsDisabled());
    ClearPresetInfoPtrVec(dups);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Preset
