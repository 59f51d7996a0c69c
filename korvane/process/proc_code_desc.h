// CProcCodeDesc: one compiled form of a plug-in's processing (for a processor family), with the
// process memory, external buffers and cycles it needs, read from and written to XML.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/xmlable.h"
#include "korvane/process/processor_spec.h"

#include <cstdint>
#include <vector>

namespace kvKorvaneV10_0_3::ProcessMemory {

// What a processing form needs on one processor, as the host asks for it.
struct KORVANE_API SDSPReqRes {
    // One external buffer: its memory space, size, access count, cyclic flag and alignment.
    struct ExternBuff {
        KCFourCC memSpace;
        std::uint32_t size = 0;
        std::uint32_t accessCount = 0;
        bool cyclic = false;
        std::uint32_t memAlign = 0;
        bool operator==(const ExternBuff&) const = default;
    };

    // Always 0 once filled: the bool the filling operation returns is its answer.
    std::int32_t status = 0;
    std::int32_t cycles = -1;
    SProcessorSpec processor;  // the processor the form runs on (may be Generic)
    std::uint32_t states = 0;
    std::uint32_t coefs = 0;
    std::uint32_t internalP = 0;
    std::uint32_t internalX = 0;
    std::uint32_t internalY = 0;
    std::uint32_t inputs = 0;
    std::uint32_t sideChainInputs = 0;
    std::uint32_t outputs = 0;
    // Total inputs less side-chain inputs when there are side-chain inputs, else 0.
    std::uint32_t mainInputs = 0;
    std::int16_t resID = 0;
    std::int16_t idleResID = 0;
    std::uint32_t idleInternalP = 0;
    std::vector<ExternBuff> externBuffs;
};

// [any-thread] on distinct objects.
class KORVANE_API CProcCodeDesc : public XML::KCXMLable {
public:
    // One external memory block the form needs. Elements "memSpace", "theSize",
    // "accessCount", "cyclic", "memAlign", "DRAM".
    class KORVANE_API SExternBuffDesc : public XML::KCXMLable {
    public:
        KCFourCC memSpace{KCFourCC("????")};
        std::uint32_t size = 0;
        std::uint32_t accessCount = 0;
        bool cyclic = false;
        std::uint32_t memAlign = 0;
        bool dram = false;

        // Reads the children of `element`; a malformed number or code gives its error and
        // leaves the object unchanged. Missing children keep their defaults.
        [[nodiscard]] KTErr Read(const XML::CXMLElement& element);
        // KCXMLable form: the same, with the code dropped (a bad element reads nothing).
        void ReadFromXML(XML::CXMLElement* element) override;
        XML::CXMLElement* WriteToXML(XML::CXMLElement* element) const override;
        bool operator==(const SExternBuffDesc& other) const;
    };

    // The longest process function name kept.
    static constexpr unsigned int kMaxFuncNameLength = 63;
    // Sizes the library turns into allocations and signed counts: a description asking for
    // more than any process could use is refused rather than trusted.
    static constexpr std::uint32_t kMaxWords = 1U << 24;  // 64 MiB of 4-byte words per space
    static constexpr std::uint32_t kMaxChannels = 1024;
    static constexpr std::uint32_t kMaxRate = 100'000'000;  // Hz

    // Reads the children of `element`. Resource ids in the text are offsets from `resBase`.
    // Needs "ProcessorFamily" (eXMLElementMissing); its text other than "56k", "PPC" and "x86"
    // gives family 0. Other children are optional. A malformed number or code, a resource id
    // outside 16 bits, a CanRunOn entry without its two children or with a negative count, or
    // a function name over kMaxFuncNameLength characters gives an error and leaves the object
    // unchanged. A CanRunOn entry naming a variant the family does not have is skipped.
    [[nodiscard]] KTErr Read(const XML::CXMLElement& element, int resBase = 0);
    // Appends the children Read reads back; resource ids relative to `resBase`.
    void Write(XML::CXMLElement& element, int resBase = 0) const;
    void ReadFromXML(XML::CXMLElement* element) override;
    XML::CXMLElement* WriteToXML(XML::CXMLElement* element) const override;

    // The first variant (lowest number) the form runs on; false when there is none.
    bool FindWeakestProcessor(SProcessorSpec& out) const;
    // cycles = -1, false when the family differs. The wanted variant's count when listed,
    // else Generic's (used = Generic); true when a count was found.
    bool CyclesForSpecificProcessor(const SProcessorSpec& wanted, SProcessorSpec& used,
                                    int& cycles) const;
    // Fills `req` when the form runs on the processor; sets req.status to 0 in every case.
    bool DSPReqResForSpecificProcessor(const SProcessorSpec& wanted, SDSPReqRes& req) const;
    // The sum of the external buffers' access counts.
    [[nodiscard]] std::uint32_t ExtAccessCount() const;

    [[nodiscard]] const KCFixedStringBase& GetProcessFuncName() const { return m_processFunc; }
    void SetProcessFuncName(const char* name) { m_processFunc = name; }

    KCFourCC ResType_{KCFourCC("????")};
    std::int16_t ResID_ = 0;
    std::int16_t IdleResID_ = 0;
    EProcessorFamily ProcessorFamily = eProcessorFamilyInvalid;
    std::uint32_t States = 0;
    std::uint32_t Coefs = 0;
    std::uint32_t InternalP = 0;
    std::uint32_t InternalX = 0;
    std::uint32_t InternalY = 0;
    std::uint32_t MaxSampleRate = 0;
    std::uint32_t TotalInputs = 0;
    std::uint32_t SideChainInputs = 0;
    std::uint32_t Outputs = 0;
    std::vector<SExternBuffDesc> ExternBuffDescs;
    // Indexed by variant number; -1: the form cannot run there. One entry per variant of the
    // family once read.
    std::vector<int> CyclesList;
    std::uint32_t IdleInternalP = 0;
    bool HasMIDIInput = false;

private:
    KCFixedString<kMaxFuncNameLength> m_processFunc;
};

}  // namespace kvKorvaneV10_0_3::ProcessMemory
