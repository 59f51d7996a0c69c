// Reading an algorithm and its parameters from their XML descriptions.
#include "korvane/algorithm/algorithm.h"

#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/fm/path.h"
#include "korvane/rm/resource_manager.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using test_support::TestAlgorithm;

XML::CXMLElement Parse(const std::string& text) {
    XML::CXMLElement root;
    XML::CXMLTreeBuilder builder(root);
    EXPECT_EQ(builder.BuildFromSingleBuffer(text.data(), static_cast<unsigned int>(text.size())),
              0);
    return root;
}

// A graph type the description can create by name; it records what it read.
struct CurveGraph : KCGraphDataBase {
    static inline int finished = 0;
    [[nodiscard]] KCGraphDataBase* Clone() const override { return new CurveGraph(*this); }
    [[nodiscard]] const void* GetGraphData() const override { return nullptr; }
    [[nodiscard]] unsigned int GetGraphSize() const override { return 0; }
    [[nodiscard]] unsigned int GetGraphSizeInBytes() const override { return 0; }
    void FinishCreate() override { ++finished; }
};

double Cube(double x, sSCALE_INFO* info) {
    return info->a * x * x * x;
}
double CubeRoot(double x, sSCALE_INFO* info) {
    return std::cbrt(x / info->a);
}
double Triple(double d) {
    return 3 * d;
}

class DescribedAlgorithm : public TestAlgorithm {
protected:
    int BuildParameterList() override { return 0; }  // the test reads the XML itself
    void PrepareScaleFunctionsMapSelf(ScaleFunctionsMap& map) override {
        map["cube"] = {Cube, CubeRoot};
    }
    void PrepareMouseDeltaFunctionsMapSelf(MouseDeltaFunctionsMap& map) override {
        map["triple"] = Triple;
    }
    void PrepareDrawClassFactoryMapSelf(DrawClassFactoryMap& map) override {
        map["GraphData_float"] = [](KTResContainerType*) { return new CurveGraph; };
    }
};

TEST(AlgorithmDescription, TheAlgorithmElementSetsNamesTypesAndProperties) {
    DescribedAlgorithm alg;
    alg.ReadFromXML(Parse(R"(<AlgXML>
      <cALGORITHM>
        <AlgName>Korvane Parametric EQ</AlgName>
        <AlgNameList><Name NumChars="8">KvEQ</Name><Name NumChars="12">Korvane EQ</Name></AlgNameList>
        <AlgType>KvEQ</AlgType>
        <PresetCompatibleType>KvE2</PresetCompatibleType>
        <PresetCompatibleSubComp>mono</PresetCompatibleSubComp>
        <UndoLevel>25</UndoLevel>
        <UndoTypePreset/>
        <OptimalRefreshRate>0</OptimalRefreshRate>
        <NeedProcessThreadSafe/>
        <IsSampleBased/>
        <DontSuspendProcess/>
        <SomethingNew/>
      </cALGORITHM>
      <Other><AlgName>ignored</AlgName></Other>
    </AlgXML>)"));
    EXPECT_EQ(alg.GetAlgName(), "Korvane Parametric EQ");
    EXPECT_EQ(alg.GetUserManualName(), "Korvane Parametric EQ") << "defaults to the name";
    EXPECT_EQ(alg.GetAlgType(), KCFourCC("KvEQ"));
    ASSERT_EQ(alg.GetPresetCompatibleTypes().size(), 2U);
    EXPECT_EQ(alg.GetPresetCompatibleTypes()[0], KCFourCC("KvEQ"));
    EXPECT_EQ(alg.GetPresetCompatibleSubComps().size(), 1U);
    EXPECT_EQ(alg.GetUndoLevel(), 25);
    EXPECT_TRUE(alg.IsUndoTypePreset());
    EXPECT_EQ(alg.GetOptimalRefreshRate(), 80) << "0 keeps the default";
    EXPECT_EQ(alg.GetAlgProperties(), (1U << 0) | (1U << 19) | (1U << 13));
    EXPECT_TRUE(alg.IsSampleBased());
    EXPECT_FALSE(alg.ShouldSuspendProcess());
    char name[32];
    alg.GetAlgNameOfLength(10, name);
    EXPECT_STREQ(name, "KvEQ");
    alg.GetAlgNameOfLength(14, name);
    EXPECT_STREQ(name, "Korvane EQ");
    alg.GetAlgNameOfLength(5, name);
    EXPECT_STREQ(name, "Korva") << "no short name fits: the full name, cut";
    EXPECT_STREQ(AlgPropertyElementName(18), "UsesPluginCommunication");
    EXPECT_EQ(AlgPropertyElementName(15), nullptr);
}

// One description with a plain parameter, an array with a parent, two toggle scales, a custom
// scale with a graph and an unnamed parameter.
class ParameterDescription : public ::testing::Test {
protected:
    void SetUp() override {
        alg.FinishCreate();
        const int added = alg.ReadParametersXML(Parse(R"(<ParamXML>
      <Parameter Name="Base">
        <Scale><ScaleType>linear</ScaleType><Minimum>-24</Minimum><Maximum>24</Maximum>
               <Resolution>0.1</Resolution></Scale>
        <Flags><Lab/><NotCyclic/></Flags>
        <DisplayFunction>DisplayGainWithDB</DisplayFunction>
        <InitialValue Type="RealWorld">6</InitialValue>
      </Parameter>
      <Parameter Name="Band" ParamArraySize="3" Parent="Base">
        <Flags ResetAllFlags="true"><NoDisplay value="off"/><Lab/></Flags>
        <Label>Gain</Label><Units>dB</Units>
        <MouseDeltaFunction>triple</MouseDeltaFunction>
        <LinkGroups>1 4</LinkGroups>
      </Parameter>
      <Parameter Name="Type">
        <Scale><ScaleType>toggle</ScaleType><Resolution>3</Resolution></Scale>
        <DisplayFunction>DisplayRealWorldString</DisplayFunction>
        <DisplayStrings><RealWorld Value="2" String="High"/><RealWorld Value="0" String="Low"/>
                        <RealWorld Value="99999999" String="huge index"/></DisplayStrings>
      </Parameter>
      <Parameter Name="Ranges">
        <Scale><ScaleType Type="toggleRanges"><RealWorld>10 20 40</RealWorld>
                                              <State>7 8 9</State></ScaleType></Scale>
      </Parameter>
      <Parameter Name="Curve" ParamArraySize="0">
        <Scale><ScaleType>cube</ScaleType><Minimum>0.000001</Minimum></Scale>
        <DrawClass Type="GraphData" DataType="float"/>
      </Parameter>
      <Parameter><Flags><Drag value="yes"/><Unknown/></Flags></Parameter>
      <NotAParameter Name="x"/>
    </ParamXML>)"));
        ASSERT_EQ(added, 8);
        ASSERT_EQ(alg.GetNumParams(), 8U);
    }

    [[nodiscard]] const std::vector<sCONTROL_PARAM>& Params() const { return alg.GetParamVector(); }

    DescribedAlgorithm alg;
};

TEST_F(ParameterDescription, APlainParameterReadsItsScaleAndInitialValue) {
    const auto& p = Params();
    EXPECT_EQ(p[0].GetName(), "Base");
    EXPECT_EQ(p[0].GetScaleType(), "linear");
    EXPECT_NEAR(p[0].GetRealWorld(eSetupA), 6.0, 1e-9);
}

TEST_F(ParameterDescription, AnArrayIsNumberedAndFoundByItsName) {
    const auto& p = Params();
    EXPECT_EQ(p[1].GetName(), "Band_0");
    EXPECT_EQ(p[3].GetName(), "Band_2");
    unsigned int first = 0;
    unsigned int size = 0;
    ASSERT_TRUE(alg.GetParamArray("Band", first, size));
    EXPECT_EQ(first, 1U);
    EXPECT_EQ(size, 3U);
}

TEST_F(ParameterDescription, AChildTakesItsParentsScaleDisplayAndInitialValue) {
    const auto& p = Params();
    EXPECT_EQ(p[2].GetScaleType(), "linear");
    EXPECT_NEAR(p[2].GetRealWorld(eSetupB), 6.0, 1e-9);
    KCFixedString<31> shown;
    p[2].TranslateValueString(1000, shown);
    EXPECT_EQ(shown, "24.0 dB");
}

TEST_F(ParameterDescription, ResetAllFlagsDropsTheParentsFlags) {
    EXPECT_EQ(Params()[2].GetFlags().Word(), 1U << eParamFlagLab);
}

TEST_F(ParameterDescription, LabelLinkGroupsAndMouseDeltaFunctionAreRead) {
    const auto& p = Params();
    EXPECT_EQ(p[2].GetLabelString(), "Gain");
    EXPECT_EQ(p[2].GetLinkGroups(), (std::vector<int>{1, 4}));
    EXPECT_EQ(p[2].UpdateMouseDeltaStep(2), 6);
}

TEST_F(ParameterDescription, AToggleScaleShowsItsDisplayStrings) {
    const auto& p = Params();
    EXPECT_EQ(p[4].GetName(), "Type");
    EXPECT_EQ(p[4].GetNumStates(), 3);
    EXPECT_EQ(p[4].GetType(), eParamDiscrete);
    EXPECT_EQ(p[4].GetDisplayStrings().size(), 3U) << "an absurd index is ignored";
    KCFixedString<31> type;
    p[4].TranslateValueString(2, type);
    EXPECT_EQ(type, "High");
}

TEST_F(ParameterDescription, AToggleRangesScaleMapsStatesToItsRealWorldList) {
    const auto& p = Params();
    EXPECT_EQ(p[5].GetNumStates(), 3);
    EXPECT_EQ(p[5].GetType(), eParamDiscrete);
    EXPECT_EQ(p[5].StateToRealWorld(2), 40);
    EXPECT_TRUE(p[5].GetScaleInfo().statePoints.empty()) << "toggleRanges reads no state list";
}

TEST_F(ParameterDescription, AnArraySizeOfZeroIsOnePlainParameterWithItsNamedScale) {
    const auto& p = Params();
    EXPECT_EQ(p[6].GetName(), "Curve") << "an array size of 0 is one plain parameter";
    EXPECT_NEAR(p[6].StateToRealWorld(100), 1.0, 1e-9);
}

TEST_F(ParameterDescription, ADrawClassGivesEverySetupItsGraphObject) {
    const auto& p = Params();
    ASSERT_NE(p[6].GetGraphDataObject(eSetupA), nullptr);
    EXPECT_NE(dynamic_cast<CurveGraph*>(p[6].GetGraphDataObject(eSetupB)), nullptr);
    EXPECT_GE(CurveGraph::finished, 1);
}

TEST_F(ParameterDescription, AnUnnamedParameterGetsDefaultsAndItsFlags) {
    const auto& p = Params();
    EXPECT_EQ(p[7].GetName(), "Unknown Name");
    EXPECT_EQ(p[7].GetScaleType(), "None");
    EXPECT_EQ(p[7].StateToRealWorld(123), 123) << "no scale: real-world equals state";
    EXPECT_TRUE(p[7].IsFlagSet(eParamFlagDontUpdateWhileDrag));
}

TEST(AlgorithmDescription, MalformedDescriptionsAreSkippedSafely) {
    DescribedAlgorithm alg;
    alg.FinishCreate();
    EXPECT_EQ(alg.ReadParametersXML(Parse(R"(<ParamXML>
      <Parameter Name="Huge" ParamArraySize="100000000"/>
      <Parameter Name="Self" Parent="Self"><Scale><ScaleType Type="bogus"/></Scale></Parameter>
      <Parameter Name="Orphan" Parent="Nobody"/>
      <Parameter Name="Map"><Scale><ScaleType Type="toggleMap"><RealWorld>5 7</RealWorld></ScaleType></Scale></Parameter>
    </ParamXML>)")),
              3);
    const auto& p = alg.GetParamVector();
    EXPECT_EQ(p[0].GetName(), "Self");
    EXPECT_EQ(p[0].GetScaleType(), "None") << "an unknown Type leaves the scale as it was";
    EXPECT_EQ(p[1].GetName(), "Orphan");
    EXPECT_EQ(p[2].GetNumStates(), 2) << "a map without states gets 0..n-1";
    EXPECT_EQ(p[2].StateToRealWorld(1), 7);
}

// Every field a parameter record reads from its description, compared field by field.
void ExpectSameParameter(const sCONTROL_PARAM& a, const sCONTROL_PARAM& b) {
    SCOPED_TRACE(a.GetName().c_str());
    EXPECT_EQ(a.GetName(), b.GetName());
    EXPECT_EQ(a.GetScaleType(), b.GetScaleType());
    EXPECT_EQ(a.GetType(), b.GetType());
    EXPECT_EQ(a.GetNumStates(), b.GetNumStates());
    EXPECT_EQ(a.GetFlags().Word(), b.GetFlags().Word());
    // Numbers travel as "%.20g" text read back by KUAtof: equal within a few units in the last
    // place.
    EXPECT_DOUBLE_EQ(a.GetInitialState(), b.GetInitialState());
    EXPECT_DOUBLE_EQ(a.GetResetState(), b.GetResetState());
    EXPECT_DOUBLE_EQ(a.GetRealWorld(eSetupA), b.GetRealWorld(eSetupA));
    EXPECT_EQ(a.GetLabelString(), b.GetLabelString());
    EXPECT_EQ(a.GetUnitsString(), b.GetUnitsString());
    EXPECT_EQ(a.GetDisplayFuncName(), b.GetDisplayFuncName());
    EXPECT_EQ(a.GetDisplayStrings().size(), b.GetDisplayStrings().size());
    EXPECT_EQ(a.GetLinkGroups(), b.GetLinkGroups());
    EXPECT_EQ(a.GetControlledLinkGroups().size(), b.GetControlledLinkGroups().size());
    EXPECT_EQ(a.GetMouseAccelerationValue(), b.GetMouseAccelerationValue());
    EXPECT_EQ(a.GetMouseDeltaFunc(), b.GetMouseDeltaFunc());
    EXPECT_EQ(a.GetScaleInfo().realWorldPoints, b.GetScaleInfo().realWorldPoints);
    EXPECT_EQ(a.GetScaleInfo().statePoints, b.GetScaleInfo().statePoints);
    for (double s = 0; s <= 1000; s += 97) {
        EXPECT_DOUBLE_EQ(a.StateToRealWorld(s), b.StateToRealWorld(s)) << s;
    }
    KCFixedString<63> ta;
    KCFixedString<63> tb;
    a.TranslateValueString(a.GetInitialState(), ta);
    b.TranslateValueString(b.GetInitialState(), tb);
    EXPECT_EQ(ta, tb);
}

TEST(AlgorithmDescription, WrittenBackDescriptionsReadIntoEqualParameters) {
    DescribedAlgorithm original;
    original.FinishCreate();
    original.ReadFromXML(Parse(R"(<A><cALGORITHM><AlgName>Round Trip</AlgName>
      <AlgNameList><Name NumChars="4">RT</Name></AlgNameList><AlgType>RndT</AlgType>
      <PresetCompatibleSubComp>mono</PresetCompatibleSubComp><UndoLevel>7</UndoLevel>
      <UndoTypePreset/><IsMidiListener/><IsSampleBased/></cALGORITHM></A>)"));
    original.ReadParametersXML(Parse(R"(<ParamXML>
      <Parameter Name="Gain">
        <Scale><ScaleType>linear</ScaleType><Minimum>-24</Minimum><Maximum>24</Maximum>
               <Resolution>0.1</Resolution></Scale>
        <Flags><Lab/><AlwaysUpdate/></Flags><Label>G</Label><Units>dB</Units>
        <DisplayFunction>DisplayGainWithDB</DisplayFunction>
        <InitialValue Type="RealWorldExact">0.0123</InitialValue>
        <ResetValue Type="RealWorld">-6</ResetValue>
        <MouseDeltaFunction>triple</MouseDeltaFunction><MouseAcceleration>2.5</MouseAcceleration>
        <LinkGroups>2 3</LinkGroups>
        <LinkGroupsThisParamControls>
          <ControlledGroup Groups="2,3" EnabledValue="1" LinkFunction="Relative"/>
        </LinkGroupsThisParamControls>
      </Parameter>
      <Parameter Name="Freq"><Scale><ScaleType>logarithmic</ScaleType><Minimum>20</Minimum>
        <Maximum>20000</Maximum><Resolution>0.01</Resolution></Scale>
        <InitialValue Type="double">0.5</InitialValue></Parameter>
      <Parameter Name="Mode"><Scale><ScaleType>toggle</ScaleType><Resolution>4</Resolution></Scale>
        <DisplayFunction>DisplayRealWorldString</DisplayFunction>
        <DisplayStrings><RealWorld Value="0" String="Off"/><RealWorld Value="3" String="Max"/></DisplayStrings>
        <Flags><NotCyclic/></Flags></Parameter>
      <Parameter Name="Ranges"><Scale><ScaleType Type="linearRanges"><RealWorld>0 1 10 100</RealWorld>
        <State>0 250 500 1000</State></ScaleType><Resolution>0.5</Resolution></Scale></Parameter>
      <Parameter Name="Steps"><Scale><ScaleType Type="toggleRanges"><RealWorld>10 20 40</RealWorld></ScaleType></Scale></Parameter>
      <Parameter Name="Map"><Scale><ScaleType Type="toggleMap"><RealWorld>5 7 9</RealWorld>
        <State>0 1 2</State></ScaleType></Scale><DisplayFunction>DisplayTheSame</DisplayFunction></Parameter>
      <Parameter Name="Custom"><Scale><ScaleType>cube</ScaleType><Minimum>0.000001</Minimum></Scale></Parameter>
      <Parameter Name="Plain"/>
    </ParamXML>)"));
    ASSERT_EQ(original.GetNumParams(), 8U);

    XML::CXMLElement written("Description", "");
    original.WriteToXML(written);
    original.WriteParametersXML(written);
    // Through text, as a tool would store it.
    std::string text;
    XML::CXMLTreeBuilder writer(written);
    ASSERT_EQ(writer.WriteToString(text), 0);

    DescribedAlgorithm copy;
    copy.FinishCreate();
    const XML::CXMLElement reread = Parse(text);
    copy.ReadFromXML(reread);
    ASSERT_EQ(copy.ReadParametersXML(reread), 8);
    EXPECT_EQ(copy.GetAlgName(), "Round Trip");
    EXPECT_EQ(copy.GetAlgType(), KCFourCC("RndT"));
    EXPECT_EQ(copy.GetUndoLevel(), 7);
    EXPECT_TRUE(copy.IsUndoTypePreset());
    EXPECT_EQ(copy.GetAlgProperties(), original.GetAlgProperties());
    EXPECT_EQ(copy.GetPresetCompatibleSubComps(), original.GetPresetCompatibleSubComps());
    char name[8];
    copy.GetAlgNameOfLength(5, name);
    EXPECT_STREQ(name, "RT");
    for (unsigned int i = 0; i < original.GetNumParams(); ++i) {
        ExpectSameParameter(original.GetParam(i), copy.GetParam(i));
    }
}

// A plug-in that keeps both descriptions in its bundle, as plug-ins do.
class BundledAlgorithm : public cALGORITHM {
public:
    BundledAlgorithm(const KorvaneComponentInfo& info, KTResContainerType*& resources)
        : cALGORITHM(info, resources) {}

protected:
    BUFFER_HEADER* UpdateParamSelf(unsigned int /*index*/) override { return nullptr; }
    BUFFER_HEADER* UpdateAlgSelf() override { return nullptr; }
    BUFFER_HEADER* InitAlgSelf() override { return nullptr; }
    void UpdateParamDisplaySelf(unsigned int /*index*/) override {}
    void ProcessHookSelf() override {}
};

void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

TEST(AlgorithmDescription, BothDescriptionsComeFromTheBundleWithTheSubTypeVariant) {
    const auto bundle = std::filesystem::temp_directory_path() / "korvane_described_eq.bundle";
    std::filesystem::remove_all(bundle);
    const auto resources = bundle / "Contents" / "Resources";
    WriteFile(resources / "AlgXML" / "128",
              "<AlgXML><cALGORITHM><AlgName>Bundled EQ</AlgName></cALGORITHM></AlgXML>");
    WriteFile(resources / "ParamXML" / "128",
              R"(<ParamXML><Parameter Name="Gain"/><Parameter Name="Freq"/></ParamXML>)");
    WriteFile(resources / "ParamXML" / "128?mono",
              R"(<ParamXML><Parameter Name="MonoGain"/></ParamXML>)");

    ASSERT_EQ(RM::Init(0x200, "KorvaneLib"), eNoErr);
    KTResContainerType* container = nullptr;
    ASSERT_EQ(RM::OpenResContainer(FM::KCStPath(bundle.string().c_str()), 0, container), eNoErr);

    KorvaneComponentInfo stereo;
    stereo.componentSubType = KCFourCC("ster");
    BundledAlgorithm eq(stereo, container);
    EXPECT_EQ(eq.GetAlgName(), "Bundled EQ") << "the constructor reads the algorithm description";
    ASSERT_EQ(eq.FinishCreate(), 0);
    ASSERT_EQ(eq.GetNumParams(), 2U);
    EXPECT_EQ(eq.GetParamName(1), "Freq");

    KorvaneComponentInfo mono;
    mono.componentSubType = KCFourCC("mono");
    mono.shortName = "Mono EQ";
    BundledAlgorithm monoEq(mono, container);
    monoEq.FinishCreate();
    ASSERT_EQ(monoEq.GetNumParams(), 1U) << "the sub-type's variant wins";
    EXPECT_EQ(monoEq.GetParamName(0), "MonoGain");

    KTResContainerType* none = nullptr;
    KorvaneComponentInfo bare;
    bare.shortName = "Bare";
    BundledAlgorithm without(bare, none);
    EXPECT_EQ(without.GetAlgName(), "Bare") << "no description: the component's name stays";
    EXPECT_EQ(without.FinishCreate(), 0);
    EXPECT_EQ(without.GetNumParams(), 0U);

    EXPECT_EQ(RM::CloseResContainer(container), eNoErr);
    EXPECT_EQ(RM::Dispose(), eNoErr);
    std::filesystem::remove_all(bundle);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
