// A generated preset-like XML document (about 5 MB) shared by the XML benchmarks.
#pragma once

#include <cstdio>
#include <string>

namespace bench_xml {

// 1000 presets of 64 controls, each with attributes, a CDATA note every tenth preset, entity
// escapes in names and real-world values written ten to a line.
inline const std::string& PresetDocument() {
    static const std::string text = [] {
        std::string xml =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Presets version=\"10.0.3\">\n";
        char number[48];
        for (int p = 0; p < 1000; ++p) {
            xml += "  <Preset name=\"Preset &amp; Friends ";
            xml += std::to_string(p);
            xml += "\" type=\"KvEQ\" setup=\"SETUP_A\">\n";
            if (p % 10 == 0) {
                xml += "    <Note><![CDATA[Factory <preset> with \"quotes\"]]></Note>\n";
            }
            xml += "    <RealWorld>";
            for (int c = 0; c < 64; ++c) {
                std::snprintf(number, sizeof number, "%.20g", (p * 64 + c) * 0.0137 - 24.0);
                xml += number;
                xml += (c % 10 == 9) ? "\n      " : " ";
            }
            xml += "</RealWorld>\n";
            for (int c = 0; c < 64; ++c) {
                xml += "    <Control index=\"";
                xml += std::to_string(c);
                xml += "\" state=\"";
                xml += std::to_string((p * 7 + c * 13) % 1001);
                xml += "\">Band ";
                xml += std::to_string(c);
                xml += "</Control>\n";
            }
            xml += "  </Preset>\n";
        }
        xml += "</Presets>\n";
        return xml;
    }();
    return text;
}

}  // namespace bench_xml
