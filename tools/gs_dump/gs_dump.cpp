// korvane-gs-dump <stream-file> [--yaml | --svg | --png OUT [--images DIR]] [--all]: prints a
// graphic stream read from a file as YAML (the default; --all keeps default values) or as an
// SVG document, or draws it into a PNG file. The file is a binary stream, or the YAML document
// a GUI writes (WriteGraphicStreamToFile): its stream is then the one it carries, and its
// pictures come from the archive beside it unless --images names a folder.
#include "korvane/core/error_codes.h"
#include "korvane/fm/path.h"
#include "korvane/fm/zip_reader.h"
#include "korvane/gs/gs_svg.h"
#include "korvane/gs/gs_yaml.h"
#include "korvane/gui/pvm/gs_renderer.h"
#include "korvane/gui/pvm/image_source.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_writer.h"

#include <yaml-cpp/yaml.h>

#include <cstdio>
#include <exception>
#include <filesystem>
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

// A GUI's YAML document: replaces `bytes` by the stream it carries and adds the pictures of its
// archive to `source`. False (nothing changed) for any other file.
bool ReadGUIDocument(const std::string& path, std::vector<char>& bytes,
                     kv::PluginViewManager::KCPNGImageSource& source, bool loadPictures) {
    YAML::Node root;
    try {
        root = YAML::Load(std::string(bytes.begin(), bytes.end()));
        if (!root.IsMap() || !root["stream_bytes"]) {
            return false;
        }
        const auto stream = root["stream_bytes"].as<YAML::Binary>();
        bytes.assign(stream.data(), stream.data() + stream.size());
    } catch (const YAML::Exception&) {
        return false;  // a binary stream, or a document of another kind
    }
    if (!loadPictures || !root["pictures"] || !root["pictures"]["archive"]) {
        return true;
    }
    const auto name = root["pictures"]["archive"].as<std::string>("");
    // Only a file beside the document: the name comes from the file itself.
    if (name.empty() || name.find('/') != std::string::npos || name == "..") {
        return true;
    }
    const std::string archive = (std::filesystem::path(path).parent_path() / name).string();
    const kv::FM::KCStFileReadFromZip zip{kv::FM::KCStPath(archive.c_str())};
    if (!zip.IsValid() || !root["pictures"]["ids"].IsSequence()) {
        std::cerr << "korvane-gs-dump: cannot open the picture archive " << archive << "\n";
        return true;
    }
    for (const YAML::Node& id : root["pictures"]["ids"]) {
        const int resID = id.as<int>(0);
        std::string png;
        kv::KCFixedString<255> entry("PNG_");
        entry << resID << ".png";
        if (zip.ReadToStdString(entry, png) != kv::eNoErr ||
            source.AddPNG(resID, png.data(), png.size()) != kv::eNoErr) {
            std::cerr << "korvane-gs-dump: picture " << resID << " unreadable in " << archive
                      << "\n";
        }
    }
    return true;
}

// Draws the stream and writes the PNG; the images come from `source`.
int WritePNG(const std::vector<char>& bytes, const std::string& out, const std::string& images,
             kv::PluginViewManager::KCPNGImageSource& source) {
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
    kv::PluginViewManager::KCPNGImageSource source(imagesPath);
    static_cast<void>(ReadGUIDocument(path, bytes, source, imagesPath.empty() && !pngPath.empty()));
    if (!pngPath.empty()) {
        return WritePNG(bytes, pngPath, imagesPath, source);
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
