// Processor names and comparisons.
#include "korvane/process/processor_spec.h"

#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_values.h"

#include <cstring>
#include <span>

namespace kvKorvaneV10_0_3::ProcessMemory {
namespace {

constexpr const char* kUnknownFamily = "Unknown Processor family";
constexpr const char* k56kNames[] = {"Generic", "56000", "56300"};
constexpr const char* kPPCNames[] = {"Generic", "601", "603", "603e", "604", "604e", "750"};
constexpr const char* kx86Names[] = {"Generic", "386", "486", "Pentium", "PentiumPro"};

std::span<const char* const> SpecificNames(EProcessorFamily family) {
    switch (family) {
        case eProcessorFamily56k:
            return k56kNames;
        case eProcessorFamilyPPC:
            return kPPCNames;
        case eProcessorFamilyx86:
            return kx86Names;
        default:
            return {};
    }
}

const char* AnyName(EProcessorFamily family) {
    switch (family) {
        case eProcessorFamily56k:
            return "Any56k";
        case eProcessorFamilyPPC:
            return "AnyPPC";
        case eProcessorFamilyx86:
            return "Anyx86";
        default:
            return nullptr;
    }
}

}  // namespace

int ProcessorSpecificCount(EProcessorFamily family) {
    return static_cast<int>(SpecificNames(family).size());
}

bool SProcessorSpec::IsValidFamily() const {
    return family >= eProcessorFamily56k && family <= eProcessorFamilyx86;
}

bool SProcessorSpec::IsValidSpecific() const {
    return specific >= 0 && specific < ProcessorSpecificCount(family);
}

const char* ProcessorFamilyName(EProcessorFamily family) {
    switch (family) {
        case eProcessorFamily56k:
            return "56k";
        case eProcessorFamilyPPC:
            return "PPC";
        case eProcessorFamilyx86:
            return "x86";
        default:
            return kUnknownFamily;
    }
}

const char* ProcessorFamilyName(const SProcessorSpec& cpu) {
    return ProcessorFamilyName(cpu.family);
}

const char* ProcessorSpecificName(const SProcessorSpec& cpu) {
    if (!cpu.IsValidFamily()) {
        return kUnknownFamily;
    }
    if (!cpu.IsValidSpecific()) {
        return "Unknown";
    }
    return SpecificNames(cpu.family)[static_cast<std::size_t>(cpu.specific)];
}

void ProcessorName(const SProcessorSpec& cpu, KCFixedStringBase& out) {
    out = ProcessorFamilyName(cpu);
    if (cpu.IsValidSpec()) {
        out.append("/");
        out.append(ProcessorSpecificName(cpu));
    }
}

EProcessorFamily NameToProcessorFamily(const char* name) {
    if (name == nullptr) {
        return eProcessorFamilyInvalid;
    }
    for (const EProcessorFamily family :
         {eProcessorFamily56k, eProcessorFamilyPPC, eProcessorFamilyx86}) {
        if (std::strcmp(name, ProcessorFamilyName(family)) == 0) {
            return family;
        }
    }
    return eProcessorFamilyInvalid;
}

EProcessorSpecific NameToProcessorSpecific(EProcessorFamily family, const char* name) {
    const auto names = SpecificNames(family);
    if (name == nullptr || names.empty()) {
        return eProcessorSpecificUnknown;
    }
    if (std::strcmp(name, AnyName(family)) == 0) {
        return eProcessorGeneric;
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (std::strcmp(name, names[i]) == 0) {
            return static_cast<EProcessorSpecific>(i);
        }
    }
    return eProcessorSpecificUnknown;
}

bool WeakerProcessor(const SProcessorSpec& a, const SProcessorSpec& b, SProcessorSpec& out) {
    if (a.family != b.family) {
        return false;
    }
    out = a.specific < b.specific ? a : b;
    return true;
}

KTErr ReadFromXML_SProcessorSpec(const XML::CXMLElement* element, SProcessorSpec& cpu) {
    if (element == nullptr) {
        return eXMLElementMissing;
    }
    const XML::CXMLElement* family = element->SubElement("family");
    const XML::CXMLElement* specific = element->SubElement("specific");
    if (family == nullptr || specific == nullptr) {
        return eXMLElementMissing;
    }
    SProcessorSpec read;
    std::int32_t value = 0;
    if (const KTErr err = XML::str_to_int(family->GetText().c_str(), value); err != eNoErr) {
        return err;
    }
    read.family = static_cast<EProcessorFamily>(value);
    if (const KTErr err = XML::str_to_int(specific->GetText().c_str(), read.specific);
        err != eNoErr) {
        return err;
    }
    cpu = read;
    return eNoErr;
}

void WriteToXML_SProcessorSpec(XML::CXMLElement* element, const SProcessorSpec& cpu) {
    if (element == nullptr) {
        return;
    }
    element->AddSubElement("family", XML::NumberText(static_cast<std::int32_t>(cpu.family)));
    element->AddSubElement("specific", XML::NumberText(cpu.specific));
}

}  // namespace kvKorvaneV10_0_3::ProcessMemory
