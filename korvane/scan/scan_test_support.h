// Helpers the scanning tests and benchmarks share: plug-in bundles generated in a folder, with
// the resources a scan reads.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::KSC::testing {

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string InfoXML(const std::string& internalVersion = "10.0.3.0",
                           const std::string& name = "Test Plug-in") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<InfoXML><APIVersion>1.2</APIVersion>"
           "<InternalVersion>" +
           internalVersion +
           "</InternalVersion><PluginExternalVersion>2.5</PluginExternalVersion>"
           "<VendorName>Korvane Audio</VendorName><PluginName>" +
           name + "</PluginName><Category>Effect</Category></InfoXML>\n";
}

// One description with the channel counts, offered to each listed sub-type; an empty type
// leaves the component types to `extra`.
inline std::string ProcessXML(const std::string& type, const std::vector<std::string>& subTypes,
                              const std::string& extra = "") {
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ProcessXML>" +
        (type.empty() ? std::string() : "<thng>" + type + "</thng>") +
        "<ProcessCodeDescriptionList><ProcessCodeDescription ID=\"native\">"
        "<ProcessorFamily>x86</ProcessorFamily><Coefs>4</Coefs><NumInputs>2</NumInputs>"
        "<NumOutputs>2</NumOutputs><CanRunOn><Processor><ProcessorSpecific>Generic"
        "</ProcessorSpecific><CycleCount>10</CycleCount></Processor></CanRunOn>"
        "</ProcessCodeDescription></ProcessCodeDescriptionList><SubComponentList>";
    for (const auto& sub : subTypes) {
        text += "<SubComponent><SubComponentType>" + sub +
                "</SubComponentType><ProcessCodeMatchList><ProcessCodeMatch final=\"yes\">"
                "<ProcessCodeDescriptionID>native</ProcessCodeDescriptionID></ProcessCodeMatch>"
                "</ProcessCodeMatchList></SubComponent>";
    }
    return text + "</SubComponentList>" + extra + "</ProcessXML>\n";
}

inline std::string Prescan(const std::string& type, const std::string& subType,
                           const std::string& name) {
    return "<Prescan><KorvaneComponentInfo><PluginType>KorvanePlugin</PluginType>"
           "<componentType>" +
           type + "</componentType><componentSubType>" + subType +
           "</componentSubType><shortName>" + name +
           "</shortName></KorvaneComponentInfo></Prescan>\n";
}

inline constexpr const char* kResourceConfig =
    "Extensions:\n  InfoXML: xml\n  ProcessXML: xml\n  AlgXML: xml\n  Prescan: xml\n"
    "  Affiliations: txt\n";

// What a generated bundle holds; an empty text leaves that resource out.
struct BundleFiles {
    std::string info = InfoXML();
    std::string process = ProcessXML("TsT1", {"ster"});
    std::string affiliations = "Kvne";
    std::string prescan{};
    std::string config = kResourceConfig;
    bool linux64 = true;
};

// <folder>/<name>.bundle with the files; returns the bundle path.
inline std::filesystem::path MakeBundle(const std::filesystem::path& folder,
                                        const std::string& name, const BundleFiles& files) {
    auto bundle = folder / (name + ".bundle");
    const auto res = bundle / "Contents" / "Resources";
    std::filesystem::create_directories(res);
    if (!files.config.empty()) {
        WriteFile(res / "resource_config.yaml", files.config);
    }
    if (!files.info.empty()) {
        WriteFile(res / "InfoXML" / "1000.xml", files.info);
    }
    if (!files.process.empty()) {
        WriteFile(res / "ProcessXML" / "128.xml", files.process);
    }
    if (!files.affiliations.empty()) {
        WriteFile(res / "Affiliations" / "1000.txt", files.affiliations);
    }
    if (!files.prescan.empty()) {
        WriteFile(res / "Prescan" / "1000.xml", files.prescan);
    }
    if (files.linux64) {
        WriteFile(bundle / "Contents" / "Linux64" / (name + ".so"), "not loaded by a scan");
    }
    return bundle;
}

}  // namespace kvKorvaneV10_0_3::KSC::testing
