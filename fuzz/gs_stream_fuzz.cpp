// Graphic streams from files or the network: any bytes are read without leaving the buffer,
// and whatever the reader accepts renders as YAML and SVG without a fault.
#include "korvane/gs/gs_engine.h"
#include "korvane/gs/gs_svg.h"
#include "korvane/gs/gs_yaml.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_writer.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace kvKorvaneV10_0_3;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* bytes = reinterpret_cast<const char*>(data);
    kvGS::KCGraphicStreamToYAML yaml;
    const KTErr yamlResult = yaml.ExecStream(bytes, size);
    (void)yaml.GetYamlStr();
    kvGS::KCGraphicStreamToYAML everything;
    everything.SetEmitEverything(true);
    if (everything.ExecStream(bytes, size) != yamlResult) {
        std::abort();  // the reader's verdict cannot depend on the renderer
    }
    (void)everything.GetYamlStr();

    XML::CXMLElement root;
    kvGS::KCGraphicStreamToSVG svg(&root);
    if (svg.ExecStream(bytes, size) != yamlResult) {
        std::abort();
    }
    std::string text;
    XML::AppendXML(text, root, false, true, 0);

    kvGS::SGSSize frame;
    (void)kvGS::KCGraphicStreamEngineBase::GetStreamFrameSize(bytes, size, frame);
    return 0;
}
