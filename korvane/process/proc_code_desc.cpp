// Process code descriptions: reading, writing and the processor questions.
#include "korvane/process/proc_code_desc.h"

#include "korvane/core/four_cc.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_values.h"

#include <limits>
#include <string>

namespace kvKorvaneV10_0_3::ProcessMemory {
namespace {

using XML::CXMLElement;

template <typename T>
[[nodiscard]] KTErr ParseNumber(const CXMLElement& e, T& value) {
    return XML::str_to_int(e.GetText().c_str(), value);
}

[[nodiscard]] KTErr ParseBounded(const CXMLElement& e, std::uint32_t& value, std::uint32_t most) {
    std::uint32_t read = 0;
    if (const KTErr err = ParseNumber(e, read); err != eNoErr) {
        return err;
    }
    if (read > most) {
        return eOutOfRangeNumber;
    }
    value = read;
    return eNoErr;
}

// A four-character code as 'ABCD' or ABCD.
[[nodiscard]] KTErr ParseCode(const CXMLElement& e, KCFourCC& code) {
    return XML::ReadFromXML_KCFourCC(&e, code);
}

// "true"/"yes"/"1" true, "false"/"no"/"0" false; an empty element (a flag) true.
[[nodiscard]] KTErr ParseFlag(const CXMLElement& e, bool& value) {
    const std::string& text = e.GetText();
    if (text.empty() || text == "true" || text == "yes" || text == "1") {
        value = true;
    } else if (text == "false" || text == "no" || text == "0") {
        value = false;
    } else {
        return eNotANumber;
    }
    return eNoErr;
}

// An id written as an offset from the base, made absolute; it must fit 16 bits.
[[nodiscard]] KTErr AbsoluteResID(const char* text, int resBase, std::int16_t& id) {
    long long offset = 0;
    if (const KTErr err = XML::str_to_int(text, offset); err != eNoErr) {
        return err;
    }
    // Checked before adding: an offset near the type's end would overflow with the base.
    if (offset < std::numeric_limits<std::int32_t>::min() ||
        offset > std::numeric_limits<std::int32_t>::max()) {
        return eOutOfRangeNumber;
    }
    const long long absolute = offset + resBase;
    if (absolute < std::numeric_limits<std::int16_t>::min() ||
        absolute > std::numeric_limits<std::int16_t>::max()) {
        return eOutOfRangeNumber;
    }
    id = static_cast<std::int16_t>(absolute);
    return eNoErr;
}

// The id in the "resID" attribute of `e`.
[[nodiscard]] KTErr AttributeResID(const CXMLElement& e, int resBase, std::int16_t& id) {
    std::string text;
    if (!e.GetAttrib("resID", text)) {
        return eXMLAttribMissing;
    }
    return AbsoluteResID(text.c_str(), resBase, id);
}

std::string Text(unsigned int value) {
    return XML::NumberText(value);
}

std::string FlagText(bool value) {
    return value ? "true" : "false";
}

}  // namespace

// ------------------------------------------------------------------ SExternBuffDesc

KTErr CProcCodeDesc::SExternBuffDesc::Read(const CXMLElement& element) {
    SExternBuffDesc read;
    for (const CXMLElement* child : element.GetSubElements()) {
        const KCFixedStringBase& name = child->GetName();
        KTErr err = eNoErr;
        if (name == "memSpace") {
            err = ParseCode(*child, read.memSpace);
        } else if (name == "theSize") {
            err = ParseBounded(*child, read.size, kMaxWords);
        } else if (name == "accessCount") {
            err = ParseNumber(*child, read.accessCount);
        } else if (name == "cyclic") {
            err = ParseFlag(*child, read.cyclic);
        } else if (name == "memAlign") {
            err = ParseNumber(*child, read.memAlign);
        } else if (name == "DRAM") {
            err = ParseFlag(*child, read.dram);
        }
        if (err != eNoErr) {
            return err;
        }
    }
    *this = read;
    return eNoErr;
}

void CProcCodeDesc::SExternBuffDesc::ReadFromXML(CXMLElement* element) {
    if (element != nullptr) {
        (void)Read(*element);  // the KCXMLable form has no result; a bad element reads nothing
    }
}

CXMLElement* CProcCodeDesc::SExternBuffDesc::WriteToXML(CXMLElement* element) const {
    if (element == nullptr) {
        return nullptr;
    }
    element->AddSubElement("memSpace", FormatFourCC(memSpace, EFourCCText::eQuoted));
    element->AddSubElement("theSize", Text(size));
    element->AddSubElement("accessCount", Text(accessCount));
    element->AddSubElement("cyclic", FlagText(cyclic));
    element->AddSubElement("memAlign", Text(memAlign));
    element->AddSubElement("DRAM", FlagText(dram));
    return element;
}

bool CProcCodeDesc::SExternBuffDesc::operator==(const SExternBuffDesc& other) const {
    return memSpace == other.memSpace && size == other.size && accessCount == other.accessCount &&
           cyclic == other.cyclic && memAlign == other.memAlign && dram == other.dram;
}

// ------------------------------------------------------------------ CProcCodeDesc

KTErr CProcCodeDesc::Read(const CXMLElement& element, int resBase) {
    CProcCodeDesc read;
    // The family first: the CanRunOn names are resolved against it wherever it stands.
    const CXMLElement* family = element.SubElement("ProcessorFamily");
    if (family == nullptr) {
        return eXMLElementMissing;
    }
    read.ProcessorFamily = NameToProcessorFamily(family->GetText().c_str());
    read.CyclesList.assign(static_cast<std::size_t>(ProcessorSpecificCount(read.ProcessorFamily)),
                           -1);

    for (const CXMLElement* child : element.GetSubElements()) {
        const KCFixedStringBase& name = child->GetName();
        const char* text = child->GetText().c_str();
        KTErr err = eNoErr;
        if (name == "resType") {
            err = ParseCode(*child, read.ResType_);
        } else if (name == "resID") {
            err = AbsoluteResID(text, resBase, read.ResID_);
        } else if (name == "DSPCode") {
            err = AttributeResID(*child, resBase, read.ResID_);
        } else if (name == "IdleCodeResID") {
            err = AbsoluteResID(text, resBase, read.IdleResID_);
        } else if (name == "IdleDSPCode") {
            err = AttributeResID(*child, resBase, read.IdleResID_);
        } else if (name == "States") {
            err = ParseBounded(*child, read.States, kMaxWords);
        } else if (name == "Coefs") {
            err = ParseBounded(*child, read.Coefs, kMaxWords);
        } else if (name == "InternalP") {
            err = ParseBounded(*child, read.InternalP, kMaxWords);
        } else if (name == "MaxSampleRate") {
            err = ParseBounded(*child, read.MaxSampleRate, kMaxRate);
        } else if (name == "NumInputs") {
            err = ParseBounded(*child, read.TotalInputs, kMaxChannels);
        } else if (name == "NumSideChainInputs") {
            err = ParseBounded(*child, read.SideChainInputs, kMaxChannels);
        } else if (name == "NumOutputs") {
            err = ParseBounded(*child, read.Outputs, kMaxChannels);
        } else if (name == "IdleInternalP") {
            err = ParseBounded(*child, read.IdleInternalP, kMaxWords);
        } else if (name == "MIDIInput") {
            err = ParseFlag(*child, read.HasMIDIInput);
        } else if (name == "ProcessFunctionName") {
            if (child->GetText().size() > kMaxFuncNameLength) {
                err = eValueWrongSize;
            } else {
                read.m_processFunc = text;
            }
        } else if (name == "ExternalReq") {
            SExternBuffDesc buffer;
            err = buffer.Read(*child);
            if (err == eNoErr) {
                read.ExternBuffDescs.push_back(buffer);
            }
        } else if (name == "CanRunOn") {
            for (const CXMLElement* entry : child->GetSubElements()) {
                const CXMLElement* specific = entry->SubElement("ProcessorSpecific");
                const CXMLElement* count = entry->SubElement("CycleCount");
                if (specific == nullptr || count == nullptr) {
                    return eXMLElementMissing;
                }
                int cycles = 0;
                if (err = ParseNumber(*count, cycles); err != eNoErr) {
                    return err;
                }
                if (cycles < 0) {
                    return eOutOfRangeNumber;
                }
                const EProcessorSpecific index =
                    NameToProcessorSpecific(read.ProcessorFamily, specific->GetText().c_str());
                // A variant this family does not have names no entry of the list.
                if (index >= 0 && static_cast<std::size_t>(index) < read.CyclesList.size()) {
                    read.CyclesList[static_cast<std::size_t>(index)] = cycles;
                }
            }
        }
        if (err != eNoErr) {
            return err;
        }
    }
    *this = read;
    return eNoErr;
}

void CProcCodeDesc::Write(CXMLElement& element, int resBase) const {
    element.AddSubElement("resType", FormatFourCC(ResType_, EFourCCText::eQuoted));
    element.AddSubElement("resID", XML::NumberText(static_cast<int>(ResID_) - resBase));
    element.AddSubElement("IdleCodeResID", XML::NumberText(static_cast<int>(IdleResID_) - resBase));
    element.AddSubElement("ProcessorFamily", ProcessorFamilyName(ProcessorFamily));
    element.AddSubElement("States", Text(States));
    element.AddSubElement("Coefs", Text(Coefs));
    element.AddSubElement("InternalP", Text(InternalP));
    element.AddSubElement("MaxSampleRate", Text(MaxSampleRate));
    element.AddSubElement("NumInputs", Text(TotalInputs));
    element.AddSubElement("NumSideChainInputs", Text(SideChainInputs));
    element.AddSubElement("NumOutputs", Text(Outputs));
    for (const SExternBuffDesc& buffer : ExternBuffDescs) {
        buffer.WriteToXML(element.AddSubElement("ExternalReq"));
    }
    CXMLElement* canRunOn = element.AddSubElement("CanRunOn");
    for (std::size_t i = 0; i < CyclesList.size(); ++i) {
        if (CyclesList[i] == -1) {
            continue;
        }
        CXMLElement* entry = canRunOn->AddSubElement("Processor");
        entry->AddSubElement("ProcessorSpecific", ProcessorSpecificName(SProcessorSpec(
                                                      ProcessorFamily, static_cast<int>(i))));
        entry->AddSubElement("CycleCount", XML::NumberText(CyclesList[i]));
    }
    element.AddSubElement("IdleInternalP", Text(IdleInternalP));
    element.AddSubElement("MIDIInput", FlagText(HasMIDIInput));
    if (!m_processFunc.empty()) {
        element.AddSubElement("ProcessFunctionName", m_processFunc.c_str());
    }
}

void CProcCodeDesc::ReadFromXML(CXMLElement* element) {
    if (element != nullptr) {
        (void)Read(*element);  // the KCXMLable form has no result; a bad element reads nothing
    }
}

CXMLElement* CProcCodeDesc::WriteToXML(CXMLElement* element) const {
    if (element != nullptr) {
        Write(*element);
    }
    return element;
}

bool CProcCodeDesc::FindWeakestProcessor(SProcessorSpec& out) const {
    for (std::size_t i = 0; i < CyclesList.size(); ++i) {
        if (CyclesList[i] != -1) {
            out = SProcessorSpec(ProcessorFamily, static_cast<EProcessorSpecific>(i));
            return true;
        }
    }
    return false;
}

bool CProcCodeDesc::CyclesForSpecificProcessor(const SProcessorSpec& wanted, SProcessorSpec& used,
                                               int& cycles) const {
    cycles = -1;
    if (wanted.family != ProcessorFamily) {
        return false;
    }
    if (wanted.specific >= 0 && static_cast<std::size_t>(wanted.specific) < CyclesList.size() &&
        CyclesList[static_cast<std::size_t>(wanted.specific)] != -1) {
        used = wanted;
        cycles = CyclesList[static_cast<std::size_t>(wanted.specific)];
    } else if (!CyclesList.empty() && CyclesList[0] != -1) {
        used = SProcessorSpec(ProcessorFamily, eProcessorGeneric);
        cycles = CyclesList[0];
    }
    return cycles != -1;
}

bool CProcCodeDesc::DSPReqResForSpecificProcessor(const SProcessorSpec& wanted,
                                                  SDSPReqRes& req) const {
    SProcessorSpec used;
    int cycles = -1;
    const bool runs = CyclesForSpecificProcessor(wanted, used, cycles);
    if (runs) {
        req.cycles = cycles;
        req.processor = used;
        req.states = States;
        req.coefs = Coefs;
        req.internalP = InternalP;
        req.internalX = InternalX;
        req.internalY = InternalY;
        req.inputs = TotalInputs;
        req.sideChainInputs = SideChainInputs;
        req.outputs = Outputs;
        req.resID = ResID_;
        req.idleResID = IdleResID_;
        req.idleInternalP = IdleInternalP;
        req.mainInputs = SideChainInputs > 0 && TotalInputs >= SideChainInputs
                             ? TotalInputs - SideChainInputs
                             : 0;
        req.externBuffs.clear();
        for (const SExternBuffDesc& b : ExternBuffDescs) {
            req.externBuffs.push_back({b.memSpace, b.size, b.accessCount, b.cyclic, b.memAlign});
        }
    }
    req.status = 0;
    return runs;
}

std::uint32_t CProcCodeDesc::ExtAccessCount() const {
    std::uint32_t total = 0;
    for (const SExternBuffDesc& b : ExternBuffDescs) {
        total += b.accessCount;
    }
    return total;
}

}  // namespace kvKorvaneV10_0_3::ProcessMemory
