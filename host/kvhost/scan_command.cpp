// kvhost scan: what a plug-in folder scan accepts and rejects, and why.
#include "host/kvhost/kvhost.h"

#include "korvane/core/error_codes.h"
#include "korvane/rm/resource_manager.h"
#include "korvane/scan/folder_scanner.h"
#include "korvane/scan/scan_results.h"

#include <iostream>

namespace KorvaneHost::kvhost {

namespace kv = kvKorvaneV10_0_3;

namespace {

constexpr const char* kHelp =
    "usage: kvhost scan FOLDER\n"
    "\n"
    "Scans the plug-in folder FOLDER as a host does (without loading any plug-in's code) and\n"
    "prints the components it accepts and the bundles it rejects with the reasons.\n";

}  // namespace

int RunScan(const std::vector<std::string>& args) {
    if (WantsHelp(args)) {
        std::cout << kHelp;
        return kExitOK;
    }
    Arguments parsed;
    if (auto err = ParseArguments(args, {}, {}, parsed)) {
        return Report(*err);
    }
    if (parsed.positional.size() != 1) {
        return Report(
            {"scan", parsed.positional.empty() ? "missing FOLDER" : "one FOLDER only", kExitUsage});
    }
    const std::string& folder = parsed.positional.front();
    if (const KTErr err = kv::RM::Init(0x200, "KorvaneLib"); err != kv::eNoErr) {
        return Report({"resource manager", std::to_string(err), kExitFailure});
    }
    kv::KSC::KCKorvanePluginFolderScanner scanner("kvhost");
    scanner.SetPluginFolderPath(kv::FM::KCStPath(folder.c_str()));
    kv::KSC::KCPluginDiskScannerResults results;
    int err = scanner.BeforeScan();
    if (err == kv::eNoErr) {
        err = scanner.ScanFolderForComponents(results);
        (void)scanner.AfterScan();
    }
    (void)kv::RM::Dispose();
    if (err == kv::eFMIsNotAFolder) {
        return Report({folder, "not a folder"});
    }
    if (err != kv::eNoErr && results.GetFiles().empty()) {
        return Report({folder, std::string("scan failed: ") + kv::KTErrName(err), kExitFailure});
    }

    std::vector<std::vector<std::string>> accepted{{"bundle", "type", "sub-type", "name", "GUID"}};
    std::vector<std::vector<std::string>> rejected{{"bundle", "reasons"}};
    for (const kv::KSC::KCScannedFile& file : results.GetFiles()) {
        const std::string leaf = file.m_path.GetLeaf().c_str();
        if (file.GetNumComponents() == 0) {
            kv::KCFixedString<255> reasons;
            kv::KSC::ScanRejectReasonsToText(file.m_rejectBits, reasons);
            rejected.push_back({leaf, reasons.c_str()});
            continue;
        }
        for (int i = 0; i < file.GetNumComponents(); ++i) {
            const kv::KorvaneComponentInfo* info = file.m_components.GetKorvaneComponentInfo(i);
            accepted.push_back({leaf, FourCCText(info->componentType),
                                FourCCText(info->componentSubType), info->shortName.c_str(),
                                info->componentGUID.c_str()});
        }
    }
    std::cout << "Accepted (" << accepted.size() - 1 << " components)\n";
    if (accepted.size() > 1) {
        PrintTable(std::cout, accepted);
    }
    std::cout << "Rejected (" << rejected.size() - 1 << " bundles)\n";
    if (rejected.size() > 1) {
        PrintTable(std::cout, rejected);
    }
    return kExitOK;
}

}  // namespace KorvaneHost::kvhost
