// Process code descriptions come from plug-in resources: any XML must read into a manager, or
// be refused with a code, without crashing, and whatever was read must answer every processor
// question and write itself back out.
#include "korvane/core/four_cc.h"
#include "korvane/process/processor_spec.h"
#include "korvane/scan/process_code_manager.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"

#include <cstddef>
#include <cstdint>

using namespace kvKorvaneV10_0_3;
namespace PM = ProcessMemory;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    XML::CXMLElement root;
    XML::CXMLTreeBuilder builder(root);
    if (builder.BuildFromSingleBuffer(reinterpret_cast<const char*>(data),
                                      static_cast<unsigned int>(size)) != eNoErr) {
        return 0;
    }
    KorvaneComponentInfo info;
    info.componentType = KCFourCC("KvEQ");
    info.componentSubType = KCFourCC("ster");
    CProcessCodeManager manager(info);
    if (manager.ReadProcCodeDescForComponentFromXMLTrees(root) != eNoErr) {
        // The same tree read as the manager's own form.
        (void)manager.Read(root);
    }
    PM::SProcessorSpec weakest;
    (void)manager.FindWeakestProcessor(weakest);
    for (int family = 0; family <= 4; ++family) {
        for (int specific = -1; specific <= 8; ++specific) {
            const PM::SProcessorSpec wanted(static_cast<PM::EProcessorFamily>(family), specific);
            PM::SProcessorSpec used;
            (void)manager.CanRunOnSpecificProcessor(wanted, used);
            PM::SDSPReqRes req;
            (void)manager.GetDSPReqResForSpecificProcessor(wanted, req);
        }
    }
    XML::CXMLElement written("ProcessCodeDescriptions", "");
    manager.WriteToXML(&written);
    CProcessCodeManager back(info);
    if (back.Read(written) != eNoErr ||
        back.GetDescriptions().size() != manager.GetDescriptions().size()) {
        __builtin_trap();  // what the manager writes must read back
    }
    return 0;
}
