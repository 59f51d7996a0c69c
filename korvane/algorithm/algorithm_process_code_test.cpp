// InitProcessCode: the sizes, channel counts and external blocks come from the process code
// description that runs on the plug-in's processor, and the plug-in's hooks shape the choice.
#include "korvane/algorithm/algorithm.h"

#include "korvane/fm/path.h"
#include "korvane/rm/resource_manager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace kvKorvaneV10_0_3 {
namespace {

namespace PM = ProcessMemory;

// A plug-in whose descriptions sit under a chosen id, with hooks the tests steer.
class Described : public cALGORITHM {
public:
    Described(KTResContainerType*& resources, short id) : cALGORITHM(Info(), resources), m_id(id) {
        SetCoefsNum(3);  // what a plug-in without descriptions sets by hand
        SetNumInputs(1);
    }

    static KorvaneComponentInfo Info() {
        KorvaneComponentInfo info;
        info.componentType = KCFourCC("Desc");
        info.componentSubType = KCFourCC("ster");
        return info;
    }

    int adjustCalls = 0;
    int selfCalls = 0;
    unsigned int adjustedCoefs = 0;  // 0: no change
    PM::SProcessorSpec processor{PM::eProcessorFamilyx86, PM::eProcessorGeneric};
    bool ownProcessor = false;

protected:
    short DescriptionResourceID() const override { return m_id; }
    BUFFER_HEADER* UpdateParamSelf(unsigned int /*index*/) override { return nullptr; }
    BUFFER_HEADER* UpdateAlgSelf() override { return nullptr; }
    BUFFER_HEADER* InitAlgSelf() override { return nullptr; }
    void UpdateParamDisplaySelf(unsigned int /*index*/) override {}
    void ProcessHookSelf() override {}
    int InitProcessCodeSelf() override {
        ++selfCalls;
        return 7;
    }
    void AdjustProcessCodeDescriptionsSelf() override {
        ++adjustCalls;
        if (adjustedCoefs != 0) {
            for (auto& desc : GetProcessCodeManager().GetDescriptions()) {
                desc.Coefs = adjustedCoefs;
            }
        }
    }
    void GetDefaultProcessorForComponentSelf(PM::SProcessorSpec& cpu) const override {
        if (ownProcessor) {
            cpu = processor;
        } else {
            cALGORITHM::GetDefaultProcessorForComponentSelf(cpu);
        }
    }

private:
    short m_id;
};

void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

class ProcessCodeSetUp : public ::testing::Test {
protected:
    void SetUp() override {
        bundle = std::filesystem::temp_directory_path() /
                 ("korvane_process_code_" +
                  std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".bundle");
        std::filesystem::remove_all(bundle);
        const auto dir = bundle / "Contents" / "Resources" / "ProcessXML";
        WriteFile(dir / "128", R"(<ProcessXML><ProcessCodeDescriptionList>
            <ProcessCodeDescription ID="dsp">
                <ProcessorFamily>56k</ProcessorFamily><Coefs>99</Coefs>
                <CanRunOn><P><ProcessorSpecific>56000</ProcessorSpecific><CycleCount>10</CycleCount></P></CanRunOn>
            </ProcessCodeDescription>
            <ProcessCodeDescription ID="native">
                <ProcessorFamily>x86</ProcessorFamily>
                <Coefs>21</Coefs><States>16</States><InternalP>300</InternalP>
                <NumInputs>3</NumInputs><NumSideChainInputs>1</NumSideChainInputs><NumOutputs>2</NumOutputs>
                <MaxSampleRate>96000</MaxSampleRate>
                <ExternalReq><memSpace>XMEM</memSpace><theSize>100</theSize></ExternalReq>
                <ExternalReq><memSpace>YMEM</memSpace><theSize>10</theSize></ExternalReq>
                <ExternalReq><memSpace>XMEM</memSpace><theSize>50</theSize></ExternalReq>
                <CanRunOn><P><ProcessorSpecific>Generic</ProcessorSpecific><CycleCount>1</CycleCount></P></CanRunOn>
                <ProcessFunctionName>Desc_Process</ProcessFunctionName>
            </ProcessCodeDescription>
            </ProcessCodeDescriptionList></ProcessXML>)");
        WriteFile(dir / "129", "<ProcessXML><ProcessCodeDescriptionList>");
        ASSERT_EQ(RM::Init(0x200, "KorvaneLib"), eNoErr);
        ASSERT_EQ(RM::OpenResContainer(FM::KCStPath(bundle.string().c_str()), 0, container),
                  eNoErr);
    }

    void TearDown() override {
        EXPECT_EQ(RM::CloseResContainer(container), eNoErr);
        EXPECT_EQ(RM::Dispose(), eNoErr);
        std::filesystem::remove_all(bundle);
    }

    std::filesystem::path bundle;
    KTResContainerType* container = nullptr;
};

TEST_F(ProcessCodeSetUp, SizesAndBlocksComeFromTheDescriptionForTheDefaultProcessor) {
    Described alg(container, 128);
    ASSERT_EQ(alg.FinishCreate(), 0);
    EXPECT_EQ(alg.InitProcessCode(), 7) << "the plug-in's own hook has the last word";
    EXPECT_EQ(alg.adjustCalls, 1);
    EXPECT_EQ(alg.selfCalls, 1);
    EXPECT_EQ(alg.GetCoefsNum(), 21U);
    EXPECT_EQ(alg.GetStatesNum(), 16U);
    EXPECT_EQ(alg.GetCodeNum(), 300U);
    EXPECT_EQ(alg.GetNumInputs(), 3);
    EXPECT_EQ(alg.GetNumSideChainInputs(), 1);
    EXPECT_EQ(alg.GetNumOutputs(), 2);
    EXPECT_EQ(alg.GetMaxSampleRate(), 96000);
    EXPECT_EQ(alg.GetProcessFuncName(), "Desc_Process");
    EXPECT_EQ(alg.GetNativeProcessFunction(), nullptr) << "property bit 7 is clear";
    EXPECT_EQ(alg.GetDSPReqRes().processor,
              PM::SProcessorSpec(PM::eProcessorFamilyx86, PM::eProcessorGeneric));
    ASSERT_EQ(alg.GetProcessCodeManager().GetDescriptions().size(), 2U);

    // Blocks follow one another within their own memory space.
    const auto& blocks = alg.Process().GetExtBuffers();
    ASSERT_EQ(blocks.size(), 3U);
    EXPECT_EQ(blocks[0].kind, PM::kXMem);
    EXPECT_EQ(blocks[0].size, 100);
    EXPECT_EQ(blocks[0].baseOffset, 0);
    EXPECT_EQ(blocks[1].kind, PM::kYMem);
    EXPECT_EQ(blocks[1].baseOffset, 0);
    EXPECT_EQ(blocks[2].kind, PM::kXMem);
    EXPECT_EQ(blocks[2].baseOffset, 100);
    EXPECT_EQ(blocks[2].extra, 2);

    // InitData sizes the images from the description's count.
    alg.InitData();
    EXPECT_EQ(alg.Process().CoefImage(0, false).size(),
              21U * static_cast<unsigned int>(alg.GetDSPWordSize()));
    EXPECT_EQ(alg.ChangeSampleRate(192000), kAlgSampleRateTooHigh);
}

TEST_F(ProcessCodeSetUp, TheHooksAmendTheDescriptionsAndChooseTheProcessor) {
    Described adjusted(container, 128);
    adjusted.adjustedCoefs = 40;
    ASSERT_EQ(adjusted.FinishCreate(), 0);
    EXPECT_EQ(adjusted.InitProcessCode(), 7);
    EXPECT_EQ(adjusted.GetCoefsNum(), 40U) << "amended before the sizes are taken";

    Described dsp(container, 128);
    dsp.ownProcessor = true;
    dsp.processor = PM::SProcessorSpec(PM::eProcessorFamily56k, PM::e56000);
    ASSERT_EQ(dsp.FinishCreate(), 0);
    EXPECT_EQ(dsp.InitProcessCode(), 7);
    EXPECT_EQ(dsp.GetCoefsNum(), 99U);
    EXPECT_EQ(dsp.GetDSPReqRes().cycles, 10);

    Described nowhere(container, 128);
    nowhere.ownProcessor = true;
    nowhere.processor = PM::SProcessorSpec(PM::eProcessorFamilyPPC, PM::ePPC601);
    ASSERT_EQ(nowhere.FinishCreate(), 0);
    EXPECT_EQ(nowhere.InitProcessCode(), eComponentTypeNotSupported);
    EXPECT_EQ(nowhere.selfCalls, 0);
    EXPECT_EQ(nowhere.GetCoefsNum(), 3U);
}

TEST_F(ProcessCodeSetUp, MissingMalformedDescriptionsAndMissingFunctions) {
    Described none(container, 130);
    ASSERT_EQ(none.FinishCreate(), 0);
    EXPECT_EQ(none.InitProcessCode(), 7) << "no descriptions: the plug-in sized itself";
    EXPECT_EQ(none.adjustCalls, 0);
    EXPECT_EQ(none.GetCoefsNum(), 3U);
    EXPECT_EQ(none.GetNumInputs(), 1);

    Described broken(container, 129);
    ASSERT_EQ(broken.FinishCreate(), 0);
    EXPECT_EQ(broken.InitProcessCode(), eXMLParserFailed);
    EXPECT_EQ(broken.selfCalls, 0);
    EXPECT_EQ(broken.GetCoefsNum(), 3U);

    // Native processing asks for the module's function; a bundle has no module loaded.
    Described native(container, 128);
    native.SetProperty(eAlgUsesProcessFunctionInAlg, true);
    ASSERT_EQ(native.FinishCreate(), 0);
    EXPECT_EQ(native.InitProcessCode(), eDLLNotFound);
    EXPECT_EQ(native.GetNativeProcessFunction(), nullptr);
    EXPECT_EQ(native.selfCalls, 0);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
