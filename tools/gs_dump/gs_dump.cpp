// korvane-gs-dump <stream-file> [--yaml | --svg | --png OUT [--images DIR]] [--all]: prints a
// graphic stream read from a file as YAML (the default; --all keeps default values) or as an
// SVG document, or draws it into a PNG file.
#include "korvane/core/error_codes.h"
#include "korvane/gs/gs_svg.h"
#include "korvane/gs/gs_yaml.h"
#include "korvane/gui/pvm/gs_renderer.h"
#include "korvane/gui/pvm/image_source.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_writer.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace kv = kvKorvaneV10_0_3;

// Larger files are refused rather than read whole.
constexpr std::streamoff kMaxStreamBytes = 256LL * 1024 * 1024;

int Usage() {
    std::cerr << "usage: korvane-gs-dump <stream-file> [--yaml | --svg | --png OUT [--images DIR]] "
                 "[--all]\n";
    return 2;
}

// Draws the stream and writes the PNG; the images come from "PNG_<id or name>.png" files in
// the images folder.
int WritePNG(const std::vector<char>& bytes, const std::string& out, const std::string& images) {
    kv::PluginViewManager::KCPNGImageSource source(images);
    kv::PluginViewManager::KCGraphicStreamToCairo renderer(&source);
    const kv::KTErr err = renderer.Render(bytes.data(), bytes.size());
    if (renderer.GetSurface() == nullptr) {
        std::cerr << "korvane-gs-dump: nothing to draw (" << kv::KTErrName(err) << ", " << err
                  << "): the stream gives no size\n";
        return 1;
    }
    std::vector<unsigned char> png;
    if (renderer.WritePNG(png) != kv::eNoErr) {
        std::cerr << "korvane-gs-dump: cannot encode the PNG\n";
        return 1;
    }
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    file.close();
    if (!file) {
        std::cerr << "korvane-gs-dump: cannot write " << out << "\n";
        return 1;
    }
    if (renderer.WasCut()) {
        std::cerr << "korvane-gs-dump: the stream met the renderer's limits; part of it is not "
                     "drawn\n";
    }
    if (renderer.GetMissingImages() != 0) {
        std::cerr << "korvane-gs-dump: " << renderer.GetMissingImages() << " image(s) not found"
                  << (images.empty() ? " (no --images folder)" : "") << "\n";
    }
    if (err < 0) {
        std::cerr << "korvane-gs-dump: the stream is malformed (" << kv::KTErrName(err) << ", "
                  << err << "); the picture shows the records before the fault\n";
        return 1;
    }
    return 0;
}

int Dump(int argc, char** argv) {
    std::string path;
    bool svg = false;
    bool all = false;
    std::string pngPath;
    std::string imagesPath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--svg") {
            svg = true;
        } else if (arg == "--yaml") {
            svg = false;
        } else if ((arg == "--png" || arg == "--images") && i + 1 < argc) {
            (arg == "--png" ? pngPath : imagesPath) = argv[++i];
        } else if (arg == "--all") {
            all = true;
        } else if (!arg.empty() && arg[0] != '-' && path.empty()) {
            path = arg;
        } else {
            return Usage();
        }
    }
    if (path.empty() || (!imagesPath.empty() && pngPath.empty())) {
        return Usage();
    }
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        std::cerr << "korvane-gs-dump: cannot open " << path << "\n";
        return 1;
    }
    const std::streamoff size = file.tellg();
    if (size < 0 || size > kMaxStreamBytes) {
        std::cerr << "korvane-gs-dump: " << path << " is not a stream this tool reads\n";
        return 1;
    }
    std::vector<char> bytes(static_cast<std::size_t>(size));
    file.seekg(0);
    file.read(bytes.data(), size);
    if (!file) {
        std::cerr << "korvane-gs-dump: cannot read " << path << "\n";
        return 1;
    }

    // A file never carries valid addresses: the untrusted reader, which drops pointer data.
    kv::KTErr err = kv::eNoErr;
    if (!pngPath.empty()) {
        return WritePNG(bytes, pngPath, imagesPath);
    }
    if (svg) {
        kv::XML::CXMLElement root;
        kv::kvGS::KCGraphicStreamToSVG render(&root);
        err = render.ExecStream(bytes.data(), bytes.size());
        std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        kv::XML::AppendXML(text, root, false, true, 0);
        std::cout << text;
    } else {
        kv::kvGS::KCGraphicStreamToYAML yaml;
        yaml.SetEmitEverything(all);
        err = yaml.ExecStream(bytes.data(), bytes.size());
        std::cout << yaml.GetYamlStr() << "\n";
    }
    if (err < 0) {
        std::cerr << "korvane-gs-dump: the stream is malformed (" << kv::KTErrName(err) << ", "
                  << err << "); the output shows the records before the fault\n";
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Out of memory while reading or printing a huge stream is a message, not an abort.
    try {
        return Dump(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "korvane-gs-dump: " << e.what() << "\n";
    } catch (...) {
        std::cerr << "korvane-gs-dump: unexpected failure\n";
    }
    return 1;
}
