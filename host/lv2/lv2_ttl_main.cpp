// korvane-lv2-ttl: writes an LV2 bundle's Turtle (manifest, plug-in description, factory
// presets) from what the plug-in bundle itself says once created.
//   korvane-lv2-ttl PLUGIN_BUNDLE LV2_BUNDLE_DIR URI BINARY [UI_BINARY]
#include "host/lv2/lv2_plugin.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using KorvaneLv2::ControlPort;
using KorvaneLv2::Lv2Plugin;

constexpr double kGenerationRate = 48000.0;

// Shortest text that reads back to the same value, always a Turtle decimal or double.
std::string Number(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    if (text.find_first_of(".e") == std::string::npos) {
        text += ".0";
    } else if (const auto e = text.find('e');
               e != std::string::npos && text.find('.') == std::string::npos) {
        text.insert(e, ".0");
    }
    return text;
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += (c == '\n' || c == '\r') ? ' ' : c;
    }
    return out + "\"";
}

// The LV2 unit for a parameter's units text; empty when there is none.
std::string Unit(const std::string& units) {
    static const std::map<std::string, std::string> known{
        {"Hz", "units:hz"}, {"kHz", "units:khz"}, {"dB", "units:db"},   {"%", "units:pc"},
        {"ms", "units:ms"}, {"s", "units:s"},     {"bpm", "units:bpm"}, {"ct", "units:cent"}};
    if (units.empty()) {
        return {};
    }
    if (const auto it = known.find(units); it != known.end()) {
        return it->second;
    }
    return "[ a units:Unit ; rdfs:label " + Quoted(units) + " ; units:symbol " + Quoted(units) +
           " ; units:render " + Quoted("%f " + units) + " ]";
}

bool Toggle(const ControlPort& port) {
    return port.points.size() == 2 && port.points[0].first == 0.0 && port.points[1].first == 1.0;
}

std::string Prefixes() {
    return "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
           "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
           "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
           "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
           "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
           "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
           "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
           "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
           "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
           "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";
}

std::string PresetUri(const std::string& uri, std::size_t index) {
    return uri + "#preset" + std::to_string(index + 1);
}

std::string UiUri(const std::string& uri) {
    return uri + "#ui";
}

std::string Describe(Lv2Plugin& plugin, const std::string& uri, const std::string& name,
                     bool withUi) {
    std::ostringstream out;
    out << Prefixes() << '<' << uri << ">\n    a lv2:Plugin ;\n    doap:name " << Quoted(name)
        << " ;\n    lv2:optionalFeature lv2:hardRTCapable , urid:map ;\n"
        << "    lv2:extensionData state:interface";
    if (withUi) {
        out << " ;\n    ui:ui <" << UiUri(uri) << '>';
    }
    int index = 0;
    const auto port = [&](const std::string& kinds, const std::string& symbol,
                          const std::string& label) {
        out << " ;\n    lv2:port [\n        a " << kinds << " ;\n        lv2:index " << index++
            << " ;\n        lv2:symbol " << Quoted(symbol) << " ;\n        lv2:name "
            << Quoted(label);
    };
    for (int c = 0; c < plugin.NumInputs(); ++c) {
        port("lv2:InputPort , lv2:AudioPort", "in_" + std::to_string(c + 1),
             "In " + std::to_string(c + 1));
        out << "\n    ]";
    }
    for (int c = 0; c < plugin.NumOutputs(); ++c) {
        port("lv2:OutputPort , lv2:AudioPort", "out_" + std::to_string(c + 1),
             "Out " + std::to_string(c + 1));
        out << "\n    ]";
    }
    for (const ControlPort& control : plugin.Controls()) {
        port("lv2:InputPort , lv2:ControlPort", control.symbol, control.name);
        out << " ;\n        lv2:default " << Number(control.initial) << " ;\n        lv2:minimum "
            << Number(control.minimum) << " ;\n        lv2:maximum " << Number(control.maximum);
        if (const std::string unit = Unit(control.units); !unit.empty()) {
            out << " ;\n        units:unit " << unit;
        }
        if (control.discrete) {
            out << " ;\n        lv2:portProperty "
                << (KorvaneLv2::IntegerValued(control) ? "lv2:integer , " : "")
                << (Toggle(control) ? "lv2:toggled" : "lv2:enumeration");
            for (const auto& [value, text] : control.points) {
                out << " ;\n        lv2:scalePoint [ rdfs:label " << Quoted(text) << " ; rdf:value "
                    << Number(value) << " ]";
            }
        }
        out << "\n    ]";
    }
    for (const ControlPort& control : plugin.Controls()) {
        port("lv2:OutputPort , lv2:ControlPort", control.symbol + "_out", control.name + " out");
        out << " ;\n        lv2:minimum " << Number(control.minimum) << " ;\n        lv2:maximum "
            << Number(control.maximum) << "\n    ]";
    }
    if (plugin.Latency() > 0) {
        port("lv2:OutputPort , lv2:ControlPort", "latency", "Latency");
        out << " ;\n        lv2:designation lv2:latency ;\n"
            << "        lv2:portProperty lv2:reportsLatency , lv2:integer\n    ]";
    }
    out << " .\n";
    if (withUi) {
        // Embedded in the host's window and driven by its idle calls; resizing the host's
        // window to the GUI and the gesture notes are used when offered.
        out << "\n<" << UiUri(uri) << ">\n    a ui:X11UI ;\n"
            << "    lv2:requiredFeature ui:idleInterface , ui:parent ;\n"
            << "    lv2:optionalFeature ui:resize , ui:touch ;\n"
            << "    lv2:extensionData ui:idleInterface , ui:resize .\n";
    }
    return out.str();
}

bool Write(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5 && argc != 6) {
        std::cerr << "usage: korvane-lv2-ttl PLUGIN_BUNDLE LV2_BUNDLE_DIR URI BINARY [UI_BINARY]\n";
        return 1;
    }
    const std::string bundle = argv[1];
    const std::string dir = argv[2];
    const std::string uri = argv[3];
    const std::string binary = argv[4];
    const std::string uiBinary = argc == 6 ? argv[5] : "";
    Lv2Plugin plugin;
    if (const std::string error = plugin.Open(bundle, kGenerationRate); !error.empty()) {
        std::cerr << "korvane-lv2-ttl: " << error << '\n';
        return 1;
    }
    std::string name = bundle;
    while (!name.empty() && name.back() == '/') {
        name.pop_back();
    }
    name = name.substr(name.find_last_of('/') + 1);
    name = name.substr(0, name.rfind(".bundle"));

    const std::string description = Describe(plugin, uri, name, !uiBinary.empty());

    // Each factory preset as the port values it leaves the plug-in with.
    std::ostringstream presets;
    presets << Prefixes();
    std::ostringstream manifest;
    manifest << Prefixes() << '<' << uri << ">\n    a lv2:Plugin ;\n    lv2:binary <" << binary
             << "> ;\n    rdfs:seeAlso <" << name << ".ttl> .\n";
    if (!uiBinary.empty()) {
        manifest << "\n<" << UiUri(uri) << ">\n    a ui:X11UI ;\n    ui:binary <" << uiBinary
                 << "> ;\n    rdfs:seeAlso <" << name << ".ttl> .\n";
    }
    const std::vector<std::string> names = plugin.FactoryPresetNames();
    for (std::size_t p = 0; p < names.size(); ++p) {
        if (plugin.LoadFactoryPreset(names[p]) != 0) {
            std::cerr << "korvane-lv2-ttl: the factory preset " << names[p] << " does not load\n";
            return 1;
        }
        presets << '<' << PresetUri(uri, p) << ">\n    a pset:Preset ;\n    lv2:appliesTo <" << uri
                << "> ;\n    rdfs:label " << Quoted(names[p]);
        for (std::size_t i = 0; i < plugin.Controls().size(); ++i) {
            presets << " ;\n    lv2:port [ lv2:symbol " << Quoted(plugin.Controls()[i].symbol)
                    << " ; pset:value " << Number(plugin.CurrentValue(i)) << " ]";
        }
        presets << " .\n\n";
        manifest << "\n<" << PresetUri(uri, p) << ">\n    a pset:Preset ;\n    lv2:appliesTo <"
                 << uri << "> ;\n    rdfs:seeAlso <presets.ttl> .\n";
    }
    if (!Write(dir + "/manifest.ttl", manifest.str()) ||
        !Write(dir + "/" + name + ".ttl", description) ||
        !Write(dir + "/presets.ttl", presets.str())) {
        std::cerr << "korvane-lv2-ttl: cannot write into " << dir << '\n';
        return 1;
    }
    return 0;
}
