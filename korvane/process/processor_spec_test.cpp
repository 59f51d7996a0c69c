// Processor names, their bounds per family, which of two processors is weaker, and the
// processor record's XML form.
#include "korvane/process/processor_spec.h"

#include "korvane/xml/xml_element.h"

#include <gtest/gtest.h>

#include <string>

namespace kvKorvaneV10_0_3::ProcessMemory {
namespace {

struct FamilyNames {
    EProcessorFamily family;
    const char* name;
    const char* any;
    std::vector<std::string> specifics;
};

const std::vector<FamilyNames>& Families() {
    static const std::vector<FamilyNames> families = {
        {eProcessorFamily56k, "56k", "Any56k", {"Generic", "56000", "56300"}},
        {eProcessorFamilyPPC,
         "PPC",
         "AnyPPC",
         {"Generic", "601", "603", "603e", "604", "604e", "750"}},
        {eProcessorFamilyx86, "x86", "Anyx86", {"Generic", "386", "486", "Pentium", "PentiumPro"}},
    };
    return families;
}

TEST(ProcessorSpec, EveryVariantNameRoundTripsWithinItsFamilyAndStopsAtTheFamilyBound) {
    for (const FamilyNames& f : Families()) {
        EXPECT_EQ(NameToProcessorFamily(f.name), f.family);
        EXPECT_STREQ(ProcessorFamilyName(f.family), f.name);
        const int count = static_cast<int>(f.specifics.size());
        EXPECT_EQ(ProcessorSpecificCount(f.family), count);
        for (int i = 0; i < count; ++i) {
            const SProcessorSpec cpu(f.family, i);
            EXPECT_TRUE(cpu.IsValidSpec()) << f.name << " " << i;
            EXPECT_EQ(ProcessorSpecificName(cpu), f.specifics[static_cast<std::size_t>(i)]);
            EXPECT_EQ(
                NameToProcessorSpecific(f.family, f.specifics[static_cast<std::size_t>(i)].c_str()),
                i);
        }
        EXPECT_FALSE(SProcessorSpec(f.family, count).IsValidSpecific()) << f.name;
        EXPECT_FALSE(SProcessorSpec(f.family, -1).IsValidSpecific()) << f.name;
        EXPECT_STREQ(ProcessorSpecificName(SProcessorSpec(f.family, count)), "Unknown");
        EXPECT_EQ(NameToProcessorSpecific(f.family, f.any), eProcessorGeneric);
    }
    // A variant of one family is unknown in another, and so is another family's "any" name.
    EXPECT_EQ(NameToProcessorSpecific(eProcessorFamily56k, "603e"), eProcessorSpecificUnknown);
    EXPECT_EQ(NameToProcessorSpecific(eProcessorFamilyx86, "AnyPPC"), eProcessorSpecificUnknown);
    EXPECT_EQ(NameToProcessorSpecific(eProcessorFamilyInvalid, "Generic"),
              eProcessorSpecificUnknown);
    EXPECT_EQ(NameToProcessorSpecific(eProcessorFamilyx86, nullptr), eProcessorSpecificUnknown);
}

TEST(ProcessorSpec, InvalidFamiliesAndCaseMismatchesHaveNoNames) {
    EXPECT_STREQ(ProcessorSpecificName(SProcessorSpec(eProcessorFamilyPPC, 7)), "Unknown");
    EXPECT_STREQ(ProcessorSpecificName(SProcessorSpec(static_cast<EProcessorFamily>(4), 0)),
                 "Unknown Processor family");
    EXPECT_STREQ(ProcessorFamilyName(static_cast<EProcessorFamily>(0)), "Unknown Processor family");
    EXPECT_EQ(NameToProcessorFamily("X86"), eProcessorFamilyInvalid);
    EXPECT_EQ(NameToProcessorFamily("x86 "), eProcessorFamilyInvalid);
    EXPECT_EQ(NameToProcessorFamily(nullptr), eProcessorFamilyInvalid);
    EXPECT_EQ(NameToProcessorSpecific(eProcessorFamilyx86, "pentium"), eProcessorSpecificUnknown);
    const SProcessorSpec none;
    EXPECT_FALSE(none.IsValidFamily());
    EXPECT_FALSE(none.IsValidSpec());
}

TEST(ProcessorSpec, FullNameAddsTheVariantOnlyWhenItIsValid) {
    KCFixedString<63> name;
    ProcessorName(SProcessorSpec(eProcessorFamilyPPC, ePPC603e), name);
    EXPECT_EQ(name, "PPC/603e");
    ProcessorName(SProcessorSpec(eProcessorFamilyx86, 9), name);
    EXPECT_EQ(name, "x86");
    ProcessorName(SProcessorSpec(eProcessorFamily56k, eProcessorGeneric), name);
    EXPECT_EQ(name, "56k/Generic");
    ProcessorName(SProcessorSpec(), name);
    EXPECT_EQ(name, "Unknown Processor family");
}

TEST(ProcessorSpec, WeakerProcessorTakesTheSmallerVariantOfOneFamily) {
    const SProcessorSpec p603e(eProcessorFamilyPPC, ePPC603e);
    const SProcessorSpec p601(eProcessorFamilyPPC, ePPC601);
    SProcessorSpec out;
    ASSERT_TRUE(WeakerProcessor(p603e, p601, out));
    EXPECT_EQ(out, p601);
    ASSERT_TRUE(WeakerProcessor(p601, p603e, out));
    EXPECT_EQ(out, p601);
    // The result may land in one of the inputs.
    SProcessorSpec acc = p603e;
    ASSERT_TRUE(WeakerProcessor(acc, p601, acc));
    EXPECT_EQ(acc, p601);

    const SProcessorSpec x386(eProcessorFamilyx86, ex86_386);
    out = SProcessorSpec(eProcessorFamily56k, e56300);
    EXPECT_FALSE(WeakerProcessor(p601, x386, out));
    EXPECT_EQ(out, SProcessorSpec(eProcessorFamily56k, e56300)) << "out untouched";
}

TEST(ProcessorSpec, XMLFormRoundTripsAndRefusesIncompleteElements) {
    XML::CXMLElement element("Processor", "");
    WriteToXML_SProcessorSpec(&element, SProcessorSpec(eProcessorFamilyx86, ex86_Pentium));
    SProcessorSpec back;
    ASSERT_EQ(ReadFromXML_SProcessorSpec(&element, back), eNoErr);
    EXPECT_EQ(back, SProcessorSpec(eProcessorFamilyx86, ex86_Pentium));

    const SProcessorSpec kept(eProcessorFamilyPPC, ePPC750);
    SProcessorSpec cpu = kept;
    XML::CXMLElement onlyFamily("Processor", "");
    onlyFamily.AddSubElement("family", "2");
    EXPECT_EQ(ReadFromXML_SProcessorSpec(&onlyFamily, cpu), eXMLElementMissing);
    onlyFamily.AddSubElement("specific", "three");
    EXPECT_EQ(ReadFromXML_SProcessorSpec(&onlyFamily, cpu), eNotANumber);
    EXPECT_EQ(ReadFromXML_SProcessorSpec(nullptr, cpu), eXMLElementMissing);
    EXPECT_EQ(cpu, kept);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::ProcessMemory
