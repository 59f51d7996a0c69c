// The process code descriptions of a component: which descriptions the document selects for
// it, how malformed documents fail, and the processor questions over several descriptions.
#include "korvane/scan/process_code_manager.h"

#include "korvane/core/four_cc.h"
#include "korvane/fm/fm_test_support.h"
#include "korvane/rm/resource_manager.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using ProcessMemory::CProcCodeDesc;
using ProcessMemory::SDSPReqRes;
using ProcessMemory::SProcessorSpec;
using XML::CXMLElement;
namespace PM = ProcessMemory;

CXMLElement Parse(const std::string& text) {
    CXMLElement root;
    XML::CXMLTreeBuilder builder(root);
    EXPECT_EQ(builder.BuildFromSingleBuffer(text.data(), static_cast<unsigned int>(text.size())),
              eNoErr)
        << text;
    return root;
}

// A description with an id, family, coefficient count and the variants it runs on.
std::string Desc(const char* id, const char* family, int coefs,
                 const std::vector<std::pair<const char*, int>>& runsOn, int resID = 0) {
    std::string text = std::string("<ProcessCodeDescription ID=\"") + id + "\"><ProcessorFamily>" +
                       family + "</ProcessorFamily><Coefs>" + std::to_string(coefs) +
                       "</Coefs><resID>" + std::to_string(resID) + "</resID><CanRunOn>";
    for (const auto& [name, cycles] : runsOn) {
        text += std::string("<P><ProcessorSpecific>") + name + "</ProcessorSpecific><CycleCount>" +
                std::to_string(cycles) + "</CycleCount></P>";
    }
    return text + "</CanRunOn></ProcessCodeDescription>";
}

std::string Document(const std::string& descs, const std::string& rest = "",
                     const char* listAttributes = "") {
    return std::string("<ProcessXML>") + rest + "<ProcessCodeDescriptionList " + listAttributes +
           ">" + descs + "</ProcessCodeDescriptionList></ProcessXML>";
}

KorvaneComponentInfo Component(const char* type, const char* subType) {
    KorvaneComponentInfo info;
    info.componentType = *ParseFourCC(type);
    info.componentSubType = *ParseFourCC(subType);
    return info;
}

// The coefficient counts of the descriptions read, which tell them apart.
std::vector<unsigned int> Coefs(const CProcessCodeManager& manager) {
    std::vector<unsigned int> coefs;
    for (const CProcCodeDesc& d : manager.GetDescriptions()) {
        coefs.push_back(d.Coefs);
    }
    return coefs;
}

const std::string kThree = Desc("a", "x86", 1, {{"Generic", 10}}, 2) +
                           Desc("b", "x86", 2, {{"486", 20}}, 3) +
                           Desc("c", "56k", 3, {{"56000", 30}}, 4);

TEST(ProcessCodeManager, WithoutSubComponentsEveryDescriptionIsReadInDocumentOrder) {
    CProcessCodeManager manager(Component("KvEQ", "ster"));
    ASSERT_EQ(manager.ReadProcCodeDescForComponentFromXMLTrees(
                  Parse(Document(kThree, "", "ResBase=\"-100\""))),
              eNoErr);
    EXPECT_EQ(Coefs(manager), (std::vector<unsigned int>{1, 2, 3}));
    EXPECT_EQ(manager.GetResBase(), -100);
    EXPECT_EQ(manager.GetDescriptions()[1].ResID_, -97) << "ids are absolute once read";
}

TEST(ProcessCodeManager, SubComponentsSelectTheirMatchesUpToTheFinalOne) {
    const std::string subs = R"(<SubComponentList>
        <SubComponent><SubComponentType>mono</SubComponentType><ProcessCodeMatchList>
            <ProcessCodeMatch><ProcessCodeDescriptionID>a</ProcessCodeDescriptionID></ProcessCodeMatch>
        </ProcessCodeMatchList></SubComponent>
        <SubComponent><SubComponentType>ster</SubComponentType><ProcessCodeMatchList>
            <ProcessCodeMatch><ProcessCodeDescriptionID>c</ProcessCodeDescriptionID></ProcessCodeMatch>
            <ProcessCodeMatch final="yes"><ProcessCodeDescriptionID>b</ProcessCodeDescriptionID></ProcessCodeMatch>
            <ProcessCodeMatch><ProcessCodeDescriptionID>a</ProcessCodeDescriptionID></ProcessCodeMatch>
        </ProcessCodeMatchList></SubComponent>
        </SubComponentList>)";
    CProcessCodeManager stereo(Component("KvEQ", "ster"));
    ASSERT_EQ(stereo.ReadProcCodeDescForComponentFromXMLTrees(Parse(Document(kThree, subs))),
              eNoErr);
    // Matched c then b; read in the order of the description list.
    EXPECT_EQ(Coefs(stereo), (std::vector<unsigned int>{2, 3}));

    CProcessCodeManager mono(Component("KvEQ", "mono"));
    ASSERT_EQ(mono.ReadProcCodeDescForComponentFromXMLTrees(Parse(Document(kThree, subs))), eNoErr);
    EXPECT_EQ(Coefs(mono), (std::vector<unsigned int>{1}));

    CProcessCodeManager other(Component("KvEQ", "quad"));
    EXPECT_EQ(other.ReadProcCodeDescForComponentFromXMLTrees(Parse(Document(kThree, subs))),
              ePluginSubComponentNotFound);
}

TEST(ProcessCodeManager, MalformedDocumentsGiveACodeAndKeepTheDescriptionsHeld) {
    const std::string good = Desc("a", "x86", 9, {{"Generic", 1}});
    const struct {
        std::string document;
        KTErr expected;
    } cases[] = {
        {"<ProcessXML/>", eXMLElementMissing},
        {Document("<ProcessCodeDescription><ProcessorFamily>x86</ProcessorFamily>"
                  "</ProcessCodeDescription>"),
         eXMLAttribMissing},
        {Document(good + good), eXMLTreeNotValid},
        {Document(good, "<thng>Othr</thng>"), eComponentTypeNotSupported},
        {Document(good, "<thng>toolong</thng>"), eValueWrongSize},
        {Document(good, "", "ResBase=\"70000\""), eOutOfRangeNumber},
        {Document(good, "", "ResBase=\"base\""), eNotANumber},
        {Document(Desc("a", "x86", 9, {{"Generic", 1}}, 40000)), eOutOfRangeNumber},
        {Document(good, "<SubComponentList><SubComponent/></SubComponentList>"),
         eXMLElementMissing},
        {Document(good,
                  "<SubComponentList><SubComponent><SubComponentType>ster</SubComponentType>"
                  "<ProcessCodeMatchList><ProcessCodeMatch><ProcessCodeDescriptionID>z"
                  "</ProcessCodeDescriptionID></ProcessCodeMatch></ProcessCodeMatchList>"
                  "</SubComponent></SubComponentList>"),
         eXMLTreeNotValid},
    };
    for (const auto& c : cases) {
        CProcessCodeManager manager(Component("KvEQ", "ster"));
        ASSERT_EQ(manager.ReadProcCodeDescForComponentFromXMLTrees(Parse(Document(kThree))),
                  eNoErr);
        EXPECT_EQ(manager.ReadProcCodeDescForComponentFromXMLTrees(Parse(c.document)), c.expected)
            << c.document;
        EXPECT_EQ(Coefs(manager), (std::vector<unsigned int>{1, 2, 3})) << c.document;
    }
    // The component's own type under "thng" is accepted.
    CProcessCodeManager manager(Component("KvEQ", "ster"));
    EXPECT_EQ(manager.ReadProcCodeDescForComponentFromXMLTrees(
                  Parse(Document(good, "<thng>KvEQ</thng>"))),
              eNoErr);
}

TEST(ProcessCodeManager, WeakestProcessorFoldsWithinAFamilyAndRestartsAtAnotherFamily) {
    CProcessCodeManager manager;
    ASSERT_EQ(manager.ReadProcCodeDescForComponentFromXMLTrees(Parse(
                  Document(Desc("1", "x86", 1, {{"386", 5}}) + Desc("2", "56k", 2, {{"56000", 5}}) +
                           Desc("3", "56k", 3, {{"56300", 5}})))),
              eNoErr);
    SProcessorSpec out;
    ASSERT_TRUE(manager.FindWeakestProcessor(out));
    EXPECT_EQ(out, SProcessorSpec(PM::eProcessorFamily56k, PM::e56000));

    // Within one family the smallest variant wins whatever the order; descriptions without
    // any variant are passed over.
    ASSERT_EQ(
        manager.ReadProcCodeDescForComponentFromXMLTrees(Parse(Document(
            Desc("1", "PPC", 1, {{"603e", 5}}) + Desc("2", "PPC", 2, {}) +
            Desc("3", "PPC", 3, {{"601", 5}, {"750", 5}}) + Desc("4", "PPC", 4, {{"604", 5}})))),
        eNoErr);
    ASSERT_TRUE(manager.FindWeakestProcessor(out));
    EXPECT_EQ(out, SProcessorSpec(PM::eProcessorFamilyPPC, PM::ePPC601));

    ASSERT_EQ(manager.ReadProcCodeDescForComponentFromXMLTrees(
                  Parse(Document(Desc("1", "x86", 1, {}) + Desc("2", "ARM", 2, {{"Generic", 1}})))),
              eNoErr);
    out = SProcessorSpec(PM::eProcessorFamilyx86, 4);
    EXPECT_FALSE(manager.FindWeakestProcessor(out));
    EXPECT_EQ(out, SProcessorSpec(PM::eProcessorFamilyx86, 4)) << "untouched";
}

TEST(ProcessCodeManager, ProcessorQuestionsWalkTheDescriptionsInOrder) {
    CProcessCodeManager manager;
    ASSERT_EQ(manager.ReadProcCodeDescForComponentFromXMLTrees(Parse(Document(
                  Desc("1", "x86", 1, {{"Generic", 100}}) + Desc("2", "x86", 2, {{"486", 50}}) +
                  Desc("3", "56k", 3, {{"56300", 70}})))),
              eNoErr);
    SProcessorSpec used;
    // The first description runs there through Generic; the second matches exactly.
    ASSERT_TRUE(manager.CanRunOnSpecificProcessor({PM::eProcessorFamilyx86, PM::ex86_486}, used));
    EXPECT_EQ(used, SProcessorSpec(PM::eProcessorFamilyx86, PM::ex86_486));
    ASSERT_TRUE(
        manager.CanRunOnSpecificProcessor({PM::eProcessorFamilyx86, PM::ex86_Pentium}, used));
    EXPECT_EQ(used, SProcessorSpec(PM::eProcessorFamilyx86, PM::eProcessorGeneric));
    used = SProcessorSpec();
    EXPECT_FALSE(manager.CanRunOnSpecificProcessor({PM::eProcessorFamily56k, PM::e56000}, used));
    EXPECT_EQ(used, SProcessorSpec());
    EXPECT_FALSE(manager.CanRunOnSpecificProcessor({PM::eProcessorFamilyPPC, 0}, used));

    // The request comes from the first description that runs there, not the exact match.
    SDSPReqRes req;
    ASSERT_TRUE(
        manager.GetDSPReqResForSpecificProcessor({PM::eProcessorFamilyx86, PM::ex86_486}, req));
    EXPECT_EQ(req.coefs, 1U);
    EXPECT_EQ(req.cycles, 100);
    EXPECT_EQ(req.status, 0);
    ASSERT_TRUE(
        manager.GetDSPReqResForSpecificProcessor({PM::eProcessorFamily56k, PM::e56300}, req));
    EXPECT_EQ(req.coefs, 3U);
    SDSPReqRes untouched;
    untouched.status = 4;
    EXPECT_FALSE(
        manager.GetDSPReqResForSpecificProcessor({PM::eProcessorFamily56k, PM::e56000}, untouched));
    EXPECT_EQ(untouched.status, 4);
    EXPECT_EQ(manager.DescForSpecificProcessor({PM::eProcessorFamily56k, PM::e56000}), nullptr);
}

TEST(ProcessCodeManager, ExternalNamesCodeFixesAndItsOwnXMLForm) {
    CProcessCodeManager manager(Component("KvEQ", "ster"));
    KCFixedString<127> name;
    manager.GetExternalMemoryName(12, name);
    EXPECT_EQ(name, "kvExtMem_KvEQ_ster_12");
    manager.SetExternalMemoryName(12, "delay line");
    manager.GetExternalMemoryName(12, name);
    EXPECT_EQ(name, "delay line");
    manager.GetExternalMemoryName(0, name);
    EXPECT_EQ(name, "kvExtMem_KvEQ_ster_0");

    ASSERT_EQ(manager.ReadProcCodeDescForComponentFromXMLTrees(Parse(Document(
                  Desc("1", "x86", 1, {{"Generic", 1}}, 5) + Desc("2", "x86", 2, {{"486", 1}}, 6) +
                      Desc("3", "56k", 3, {{"56000", 1}}, 5),
                  "", "ResBase=\"200\""))),
              eNoErr);
    manager.GetDescriptions()[1].IdleResID_ = 205;
    manager.FixCodeNum(205, 4096);
    manager.FixIdleCodeNum(205, 64);
    const auto& d = manager.GetDescriptions();
    EXPECT_EQ(d[0].InternalP, 4096U);
    EXPECT_EQ(d[1].InternalP, 0U);
    EXPECT_EQ(d[2].InternalP, 4096U);
    EXPECT_EQ(d[0].IdleInternalP, 0U);
    EXPECT_EQ(d[1].IdleInternalP, 64U);

    CXMLElement written("Manager", "");
    manager.WriteToXML(&written);
    ASSERT_EQ(written.GetSubElements().size(), 3U);
    int base = 0;
    EXPECT_TRUE(written.GetSubElements()[0]->GetAttrib("resBase", base));
    EXPECT_EQ(base, 200);
    CProcessCodeManager back;
    ASSERT_EQ(back.Read(written), eNoErr);
    EXPECT_EQ(Coefs(back), (std::vector<unsigned int>{1, 2, 3}));
    EXPECT_EQ(back.GetDescriptions()[0].ResID_, 205);
    EXPECT_EQ(back.GetDescriptions()[1].ResID_, 206);
    EXPECT_EQ(back.GetDescriptions()[2].InternalP, 4096U);
}

class ProcessXMLResource : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RM::Init(0, "test"), eNoErr);
        tmp.Write("P.bundle/Contents/Resources/extensions.txt", "ProcessXML xml");
        tmp.Write("P.bundle/Contents/Resources/ProcessXML/128.xml",
                  Document(Desc("1", "x86", 7, {{"Generic", 1}})));
        tmp.Write("P.bundle/Contents/Resources/ProcessXML/128?mono.xml",
                  Document(Desc("1", "x86", 8, {{"Generic", 1}})));
        tmp.Write("P.bundle/Contents/Resources/ProcessXML/129.xml", "<ProcessXML><Process");
        ASSERT_EQ(RM::OpenResContainer(FM::KCStPath(tmp.Path("P.bundle").c_str()), 0, container),
                  eNoErr);
    }
    void TearDown() override { EXPECT_EQ(RM::Dispose(), eNoErr); }

    FM::testing::TempFolder tmp;
    KTResContainerType* container = nullptr;
};

TEST_F(ProcessXMLResource, ReadsTheComponentsResourceOrItsSubTypeVariant) {
    CProcessCodeManager manager;
    RM::KCResContainerUser user(container);
    ASSERT_EQ(manager.ReadProcCodeDescForComponent(Component("KvEQ", "ster"), user), eNoErr);
    EXPECT_EQ(Coefs(manager), (std::vector<unsigned int>{7}));
    EXPECT_EQ(manager.GetComponentInfo().componentType, KCFourCC("KvEQ"));
    ASSERT_EQ(manager.ReadProcCodeDescForComponent(Component("KvEQ", "mono"), container), eNoErr);
    EXPECT_EQ(Coefs(manager), (std::vector<unsigned int>{8}));

    // Resource and parser errors come back unchanged; the manager keeps what it held.
    EXPECT_EQ(manager.ReadProcCodeDescForComponent(Component("Othr", "ster"), container, 129),
              eXMLParserFailed);
    EXPECT_EQ(manager.ReadProcCodeDescForComponent(Component("Othr", "ster"), container, 130),
              eRMResNotFound);
    EXPECT_EQ(manager.ReadProcCodeDescForComponent(Component("Othr", "ster"), nullptr),
              eRMContainerNotFound);
    EXPECT_EQ(Coefs(manager), (std::vector<unsigned int>{8}));
    EXPECT_EQ(manager.GetComponentInfo().componentSubType, KCFourCC("mono"));
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
