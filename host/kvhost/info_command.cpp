// kvhost info: what a plug-in bundle holds, as a person reads it.
#include "host/kvhost/kvhost.h"

#include "korvane/algorithm/automation_control.h"
#include "korvane/process/processor_spec.h"

#include <iostream>

namespace KorvaneHost::kvhost {

namespace kv = kvKorvaneV10_0_3;

namespace {

constexpr const char* kHelp =
    "usage: kvhost info BUNDLE\n"
    "\n"
    "Prints the plug-in's components, its parameters (name, range, unit, default and the\n"
    "default's display), automation controls, factory presets and process code (processor,\n"
    "inputs, outputs, latency).\n";

}  // namespace

int RunInfo(const std::vector<std::string>& args) {
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
            {"info", parsed.positional.empty() ? "missing BUNDLE" : "one BUNDLE only", kExitUsage});
    }
    Plugin plugin;
    if (auto err = plugin.Open(parsed.positional.front())) {
        return Report(*err);
    }
    kv::cALGORITHM& alg = plugin.Alg();
    const kv::KorvaneComponentInfo& info = plugin.Info();
    std::cout << "Plug-in  " << info.pluginName.c_str() << "  (" << plugin.BundlePath() << ")\n";
    PrintTable(std::cout, {{"vendor", info.vendorName.c_str()},
                           {"version", info.pluginExternalVersion.c_str()},
                           {"category", info.categoryName.c_str()}});

    std::cout << "\nComponents (the first is the one run here)\n";
    std::vector<std::vector<std::string>> rows{{"type", "sub-type", "name", "in", "out", "GUID"}};
    for (const kv::KorvaneComponentInfo& component : plugin.Components()) {
        rows.push_back({FourCCText(component.componentType), FourCCText(component.componentSubType),
                        component.shortName.c_str(), std::to_string(component.numInputs),
                        std::to_string(component.numOutputs), component.componentGUID.c_str()});
    }
    PrintTable(std::cout, rows);

    std::cout << "\nParameters\n";
    rows = {{"#", "name", "range", "unit", "default", "display"}};
    for (unsigned int i = 0; i < alg.GetNumParams(); ++i) {
        double low = 0.0;
        double high = 0.0;
        plugin.ParamRange(i, low, high);
        const double state = alg.GetParamInitialState(i);
        rows.push_back(
            {std::to_string(i), alg.GetParamName(i).c_str(),
             FormatNumber(low) + " ... " + FormatNumber(high), alg.GetParamUnitsString(i).c_str(),
             FormatNumber(alg.StateToRealWorld(i, state)), plugin.DisplayText(i, state)});
    }
    PrintTable(std::cout, rows);

    std::cout << "\nAutomation controls\n";
    rows = {{"#", "name", "lead parameter"}};
    for (unsigned int i = 0; i < alg.GetNumAutomationControllers(); ++i) {
        const kv::KCAutomationControl* control = alg.GetAutomationControl(i);
        const unsigned int lead = alg.ControlLeadParamID(i);
        rows.push_back({std::to_string(i), control != nullptr ? control->GetName().c_str() : "?",
                        lead < alg.GetNumParams() ? alg.GetParamName(lead).c_str() : "-"});
    }
    if (rows.size() == 1) {
        std::cout << "  none\n";
    } else {
        PrintTable(std::cout, rows);
    }

    std::cout << "\nFactory presets\n";
    const std::vector<std::string> presets = plugin.FactoryPresetNames();
    if (presets.empty()) {
        std::cout << "  none\n";
    }
    for (const std::string& name : presets) {
        std::cout << "  " << name << '\n';
    }

    std::cout << "\nProcess code\n";
    kv::KCFixedString<127> processor;
    kv::ProcessMemory::ProcessorName(alg.GetDSPReqRes().processor, processor);
    PrintTable(std::cout, {{"function", alg.GetProcessFuncName().c_str()},
                           {"processor", processor.c_str()},
                           {"inputs", std::to_string(alg.GetNumInputs())},
                           {"outputs", std::to_string(alg.GetNumOutputs())},
                           {"coefficients", std::to_string(alg.GetCoefsNum())},
                           {"states", std::to_string(alg.GetStatesNum())},
                           {"latency", std::to_string(alg.GetThroughDelay()) + " samples"}});
    return kExitOK;
}

}  // namespace KorvaneHost::kvhost
