// Process code descriptions: what each element fills, what a malformed description gives, and
// the processor questions (cycles, weakest processor, resource requests).
#include "korvane/process/proc_code_desc.h"

#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"

#include <gtest/gtest.h>

#include <string>

namespace kvKorvaneV10_0_3::ProcessMemory {
namespace {

using XML::CXMLElement;

CXMLElement Parse(const std::string& text) {
    CXMLElement root;
    XML::CXMLTreeBuilder builder(root);
    EXPECT_EQ(builder.BuildFromSingleBuffer(text.data(), static_cast<unsigned int>(text.size())),
              eNoErr)
        << text;
    return root;
}

// A description element with the given children.
CXMLElement Desc(const std::string& children) {
    return Parse("<ProcessCodeDescription>" + children + "</ProcessCodeDescription>");
}

const char* const kFull = R"(
    <resType>'KvPC'</resType>
    <DSPCode resID="3"/>
    <IdleDSPCode resID="-2"/>
    <ProcessorFamily>56k</ProcessorFamily>
    <States>16</States>
    <Coefs>21</Coefs>
    <InternalP>900</InternalP>
    <MaxSampleRate>192000</MaxSampleRate>
    <NumInputs>3</NumInputs>
    <NumSideChainInputs>1</NumSideChainInputs>
    <NumOutputs>2</NumOutputs>
    <ExternalReq><memSpace>'XMEM'</memSpace><theSize>4096</theSize><accessCount>7</accessCount>
                 <cyclic>true</cyclic><memAlign>16</memAlign><DRAM>yes</DRAM></ExternalReq>
    <ExternalReq><memSpace>YMEM</memSpace><theSize>512</theSize><accessCount>5</accessCount></ExternalReq>
    <CanRunOn>
        <Processor><ProcessorSpecific>56300</ProcessorSpecific><CycleCount>700</CycleCount></Processor>
        <Processor><ProcessorSpecific>56000</ProcessorSpecific><CycleCount>800</CycleCount></Processor>
    </CanRunOn>
    <IdleInternalP>40</IdleInternalP>
    <MIDIInput/>
    <ProcessFunctionName>Demo_Process</ProcessFunctionName>)";

TEST(ProcCodeDesc, EveryElementFillsItsFieldWithIdsOffsetFromTheBase) {
    CProcCodeDesc desc;
    ASSERT_EQ(desc.Read(Desc(kFull), 1000), eNoErr);
    EXPECT_EQ(desc.ResType_, KCFourCC("KvPC"));
    EXPECT_EQ(desc.ResID_, 1003);
    EXPECT_EQ(desc.IdleResID_, 998);
    EXPECT_EQ(desc.ProcessorFamily, eProcessorFamily56k);
    EXPECT_EQ(desc.States, 16U);
    EXPECT_EQ(desc.Coefs, 21U);
    EXPECT_EQ(desc.InternalP, 900U);
    EXPECT_EQ(desc.MaxSampleRate, 192000U);
    EXPECT_EQ(desc.TotalInputs, 3U);
    EXPECT_EQ(desc.SideChainInputs, 1U);
    EXPECT_EQ(desc.Outputs, 2U);
    EXPECT_EQ(desc.IdleInternalP, 40U);
    EXPECT_TRUE(desc.HasMIDIInput);
    EXPECT_EQ(desc.GetProcessFuncName(), "Demo_Process");
    ASSERT_EQ(desc.ExternBuffDescs.size(), 2U);
    EXPECT_EQ(desc.ExternBuffDescs[0].memSpace, KCFourCC("XMEM"));
    EXPECT_EQ(desc.ExternBuffDescs[0].size, 4096U);
    EXPECT_TRUE(desc.ExternBuffDescs[0].cyclic);
    EXPECT_EQ(desc.ExternBuffDescs[0].memAlign, 16U);
    EXPECT_TRUE(desc.ExternBuffDescs[0].dram);
    EXPECT_EQ(desc.ExternBuffDescs[1].memSpace, KCFourCC("YMEM"));
    EXPECT_FALSE(desc.ExternBuffDescs[1].cyclic);
    EXPECT_EQ(desc.ExtAccessCount(), 12U);
    EXPECT_EQ(desc.CyclesList, (std::vector<int>{-1, 800, 700}));

    // The element forms of the ids, and a description that never names them.
    CProcCodeDesc plain;
    ASSERT_EQ(plain.Read(Desc("<ProcessorFamily>x86</ProcessorFamily><resID>-4</resID>"
                              "<IdleCodeResID>6</IdleCodeResID>"),
                         10),
              eNoErr);
    EXPECT_EQ(plain.ResID_, 6);
    EXPECT_EQ(plain.IdleResID_, 16);
    EXPECT_EQ(plain.ResType_, KCFourCC("????"));
    EXPECT_EQ(plain.CyclesList, std::vector<int>(5, -1));
}

TEST(ProcCodeDesc, WhatItWritesReadsBackEqual) {
    CProcCodeDesc desc;
    ASSERT_EQ(desc.Read(Desc(kFull), 1000), eNoErr);
    CXMLElement written("ProcessCodeDescription", "");
    desc.Write(written, 1000);
    CProcCodeDesc back;
    ASSERT_EQ(back.Read(written, 1000), eNoErr);
    EXPECT_EQ(back.ResType_, desc.ResType_);
    EXPECT_EQ(back.ResID_, desc.ResID_);
    EXPECT_EQ(back.IdleResID_, desc.IdleResID_);
    EXPECT_EQ(back.ProcessorFamily, desc.ProcessorFamily);
    EXPECT_EQ(back.States, desc.States);
    EXPECT_EQ(back.Coefs, desc.Coefs);
    EXPECT_EQ(back.InternalP, desc.InternalP);
    EXPECT_EQ(back.MaxSampleRate, desc.MaxSampleRate);
    EXPECT_EQ(back.TotalInputs, desc.TotalInputs);
    EXPECT_EQ(back.SideChainInputs, desc.SideChainInputs);
    EXPECT_EQ(back.Outputs, desc.Outputs);
    EXPECT_EQ(back.ExternBuffDescs, desc.ExternBuffDescs);
    EXPECT_EQ(back.CyclesList, desc.CyclesList);
    EXPECT_EQ(back.IdleInternalP, desc.IdleInternalP);
    EXPECT_EQ(back.HasMIDIInput, desc.HasMIDIInput);
    EXPECT_EQ(back.GetProcessFuncName(), desc.GetProcessFuncName());

    // The KCXMLable forms write and read the same children.
    CXMLElement viaBase("ProcessCodeDescription", "");
    ASSERT_EQ(desc.WriteToXML(&viaBase), &viaBase);
    CProcCodeDesc again;
    again.ReadFromXML(&viaBase);
    EXPECT_EQ(again.ResID_, desc.ResID_);
    EXPECT_EQ(again.CyclesList, desc.CyclesList);
}

TEST(ProcCodeDesc, AVariantTheFamilyDoesNotHaveIsSkippedNotWrittenBeforeTheList) {
    CProcCodeDesc desc;
    ASSERT_EQ(desc.Read(Desc(R"(<ProcessorFamily>56k</ProcessorFamily><CanRunOn>
        <P><ProcessorSpecific>Pentium</ProcessorSpecific><CycleCount>5</CycleCount></P>
        <P><ProcessorSpecific>56301</ProcessorSpecific><CycleCount>6</CycleCount></P>
        <P><ProcessorSpecific>56300</ProcessorSpecific><CycleCount>700</CycleCount></P>
        <P><ProcessorSpecific>Any56k</ProcessorSpecific><CycleCount>900</CycleCount></P>
        </CanRunOn>)")),
              eNoErr);
    EXPECT_EQ(desc.CyclesList, (std::vector<int>{900, -1, 700}));

    // An unknown family gives family 0 and a list no variant can fill.
    CProcCodeDesc unknown;
    ASSERT_EQ(unknown.Read(Desc(R"(<ProcessorFamily>ARM</ProcessorFamily><CanRunOn>
        <P><ProcessorSpecific>Generic</ProcessorSpecific><CycleCount>5</CycleCount></P>
        </CanRunOn>)")),
              eNoErr);
    EXPECT_EQ(unknown.ProcessorFamily, eProcessorFamilyInvalid);
    EXPECT_TRUE(unknown.CyclesList.empty());
    SProcessorSpec out;
    EXPECT_FALSE(unknown.FindWeakestProcessor(out));
}

TEST(ProcCodeDesc, MalformedDescriptionsGiveACodeAndLeaveTheObjectAsItWas) {
    const std::string family = "<ProcessorFamily>x86</ProcessorFamily>";
    const std::string longName(CProcCodeDesc::kMaxFuncNameLength + 1, 'f');
    const struct {
        std::string children;
        KTErr expected;
        int resBase;
    } cases[] = {
        {"<States>16</States>", eXMLElementMissing, 0},
        {family + "<States>sixteen</States>", eNotANumber, 0},
        {family + "<Coefs>-3</Coefs>", eOutOfRangeNumber, 0},
        {family + "<Coefs>4294967296</Coefs>", eOutOfRangeNumber, 0},
        {family + "<resID>40000</resID>", eOutOfRangeNumber, 0},
        {family + "<resID>10</resID>", eOutOfRangeNumber, 32760},
        // An offset at the end of its type must not overflow when the base is added.
        {family + "<resID>9223372036854775807</resID>", eOutOfRangeNumber, 1000},
        {family + "<IdleCodeResID>-9223372036854775807</IdleCodeResID>", eOutOfRangeNumber, -1000},
        // Sizes no process could use are refused before anything is allocated for them.
        {family + "<Coefs>16777217</Coefs>", eOutOfRangeNumber, 0},
        {family + "<States>4000000000</States>", eOutOfRangeNumber, 0},
        {family + "<MaxSampleRate>4000000000</MaxSampleRate>", eOutOfRangeNumber, 0},
        {family + "<NumOutputs>100000</NumOutputs>", eOutOfRangeNumber, 0},
        {family + "<ExternalReq><theSize>3000000000</theSize></ExternalReq>", eOutOfRangeNumber, 0},
        {family + "<DSPCode/>", eXMLAttribMissing, 0},
        {family + "<resType>TOOLONG</resType>", eValueWrongSize, 0},
        {family + "<MIDIInput>maybe</MIDIInput>", eNotANumber, 0},
        {family + "<ExternalReq><theSize>x</theSize></ExternalReq>", eNotANumber, 0},
        {family + "<CanRunOn><P><ProcessorSpecific>486</ProcessorSpecific></P></CanRunOn>",
         eXMLElementMissing, 0},
        {family + "<CanRunOn><P><CycleCount>1</CycleCount></P></CanRunOn>", eXMLElementMissing, 0},
        {family +
             "<CanRunOn><P><ProcessorSpecific>486</ProcessorSpecific><CycleCount>-1</CycleCount>"
             "</P></CanRunOn>",
         eOutOfRangeNumber, 0},
        {family + "<ProcessFunctionName>" + longName + "</ProcessFunctionName>", eValueWrongSize,
         0},
    };
    for (const auto& c : cases) {
        CProcCodeDesc desc;
        ASSERT_EQ(desc.Read(Desc(kFull), 1000), eNoErr);
        EXPECT_EQ(desc.Read(Desc(c.children), c.resBase), c.expected) << c.children;
        EXPECT_EQ(desc.Coefs, 21U) << c.children;
        EXPECT_EQ(desc.ProcessorFamily, eProcessorFamily56k) << c.children;
        EXPECT_EQ(desc.ExternBuffDescs.size(), 2U) << c.children;
        EXPECT_EQ(desc.GetProcessFuncName(), "Demo_Process") << c.children;
    }
}

TEST(ProcCodeDesc, CyclesFallBackToGenericOnlyWhenGenericIsListed) {
    CProcCodeDesc desc;
    desc.ProcessorFamily = eProcessorFamily56k;
    desc.CyclesList = {-1, 500, -1};
    SProcessorSpec used;
    int cycles = 0;
    EXPECT_TRUE(desc.CyclesForSpecificProcessor({eProcessorFamily56k, e56000}, used, cycles));
    EXPECT_EQ(used, SProcessorSpec(eProcessorFamily56k, e56000));
    EXPECT_EQ(cycles, 500);
    EXPECT_FALSE(desc.CyclesForSpecificProcessor({eProcessorFamily56k, e56300}, used, cycles));
    EXPECT_EQ(cycles, -1);
    EXPECT_FALSE(desc.CyclesForSpecificProcessor({eProcessorFamily56k, 17}, used, cycles));
    EXPECT_FALSE(desc.CyclesForSpecificProcessor({eProcessorFamilyx86, 1}, used, cycles));

    desc.CyclesList[0] = 650;
    used = SProcessorSpec();
    EXPECT_TRUE(desc.CyclesForSpecificProcessor({eProcessorFamily56k, e56300}, used, cycles));
    EXPECT_EQ(used, SProcessorSpec(eProcessorFamily56k, eProcessorGeneric));
    EXPECT_EQ(cycles, 650);
    EXPECT_TRUE(desc.CyclesForSpecificProcessor({eProcessorFamily56k, -1}, used, cycles));
    EXPECT_EQ(cycles, 650);

    SProcessorSpec weakest;
    ASSERT_TRUE(desc.FindWeakestProcessor(weakest));
    EXPECT_EQ(weakest, SProcessorSpec(eProcessorFamily56k, eProcessorGeneric));
    desc.CyclesList = {-1, -1, 300};
    ASSERT_TRUE(desc.FindWeakestProcessor(weakest));
    EXPECT_EQ(weakest, SProcessorSpec(eProcessorFamily56k, e56300));
    desc.CyclesList = {-1, -1, -1};
    EXPECT_FALSE(desc.FindWeakestProcessor(weakest));
}

TEST(ProcCodeDesc, ResourceRequestCopiesTheSizesForAProcessorItRunsOn) {
    CProcCodeDesc desc;
    ASSERT_EQ(desc.Read(Desc(kFull), 1000), eNoErr);
    desc.InternalX = 11;
    desc.InternalY = 12;
    SDSPReqRes req;
    req.status = 99;
    ASSERT_TRUE(desc.DSPReqResForSpecificProcessor({eProcessorFamily56k, e56300}, req));
    EXPECT_EQ(req.status, 0);
    EXPECT_EQ(req.cycles, 700);
    EXPECT_EQ(req.processor, SProcessorSpec(eProcessorFamily56k, e56300));
    EXPECT_EQ(req.states, 16U);
    EXPECT_EQ(req.coefs, 21U);
    EXPECT_EQ(req.internalP, 900U);
    EXPECT_EQ(req.internalX, 11U);
    EXPECT_EQ(req.internalY, 12U);
    EXPECT_EQ(req.inputs, 3U);
    EXPECT_EQ(req.sideChainInputs, 1U);
    EXPECT_EQ(req.mainInputs, 2U);
    EXPECT_EQ(req.outputs, 2U);
    EXPECT_EQ(req.resID, 1003);
    EXPECT_EQ(req.idleResID, 998);
    EXPECT_EQ(req.idleInternalP, 40U);
    ASSERT_EQ(req.externBuffs.size(), 2U);
    EXPECT_EQ(req.externBuffs[0], (SDSPReqRes::ExternBuff{KCFourCC("XMEM"), 4096, 7, true, 16}));
    EXPECT_EQ(req.externBuffs[1], (SDSPReqRes::ExternBuff{KCFourCC("YMEM"), 512, 5, false, 0}));

    // Without side-chain inputs there are no separate main inputs.
    desc.SideChainInputs = 0;
    ASSERT_TRUE(desc.DSPReqResForSpecificProcessor({eProcessorFamily56k, e56000}, req));
    EXPECT_EQ(req.mainInputs, 0U);
    EXPECT_EQ(req.cycles, 800);

    // A processor it cannot run on leaves the request as it was, status word aside.
    SDSPReqRes untouched;
    untouched.status = 5;
    untouched.coefs = 77;
    EXPECT_FALSE(desc.DSPReqResForSpecificProcessor({eProcessorFamilyx86, 0}, untouched));
    EXPECT_EQ(untouched.status, 0);
    EXPECT_EQ(untouched.coefs, 77U);
    EXPECT_EQ(untouched.cycles, -1);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::ProcessMemory
