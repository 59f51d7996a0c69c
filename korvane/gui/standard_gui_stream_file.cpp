// The GUI's drawing written to a file for viewers and tests: the stream's YAML dump, the graph
// data of each control, the stream itself and an archive of the pictures it draws, so that
// korvane-gs-dump can draw the file again without the plug-in.
#include "korvane/gui/standard_gui.h"

#include "korvane/core/mem_obj.h"
#include "korvane/gs/gs_engine.h"
#include "korvane/gs/gs_records.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gs/gs_yaml.h"
#include "korvane/gui/pvm/base_image.h"
#include "korvane/rm/res_key.h"
#include "korvane/rm/resource_manager.h"

#include <yaml-cpp/yaml.h>
#include <zip.h>

#include <charconv>
#include <exception>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {

namespace {

// The resource ids of the pictures a stream draws.
class KCPictureIds : public kvGS::KCGraphicStreamEngineBase {
public:
    std::set<int> ids;

protected:
    int DrawPNG(const kvGS::SGSDrawPNG& png) override {
        ids.insert(png.ResID);
        return 0;
    }
};

// The YAML dump of a whole stream, as a node; eNoErr or the reader's error.
KTErr DumpToNode(const Utils::KCStMemObj& stream, YAML::Node& out) {
    kvGS::KCGraphicStreamToYAML yaml;
    const KTErr err = yaml.ExecStreamInProcess(static_cast<const char*>(stream.ptr), stream.size);
    if (err != eNoErr) {
        return err;
    }
    out = YAML::Load(yaml.GetYamlStr());
    return eNoErr;
}

// Writes the PNG bytes of `ids` found in `resources` as "PNG_<id>.png" entries of a new archive
// at `path`; the ids written. An id without a resource is left out.
KTErr WritePictureArchive(KTResContainerType* resources, const std::set<int>& ids,
                          const std::string& path, std::vector<int>& written) {
    std::vector<Utils::KCStMemObj> bytes;
    std::vector<int> found;
    for (const int id : ids) {
        Utils::KCStMemObj data;
        if (resources != nullptr &&
            RM::GetRawResourceData(
                resources,
                RM::KCResKey(RM::KCResType(PluginViewManager::kPNGResType), static_cast<short>(id)),
                data) == eNoErr &&
            !data.Empty()) {
            bytes.push_back(std::move(data));
            found.push_back(id);
        }
    }
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive == nullptr) {
        return eFMWriteFailed;
    }
    for (std::size_t i = 0; i < found.size(); ++i) {
        char digits[16];
        const auto end = std::to_chars(digits, digits + sizeof digits, found[i]).ptr;
        const std::string name = "PNG_" + std::string(digits, end) + ".png";
        // The buffers outlive zip_close, which reads them.
        zip_source_t* source = zip_source_buffer(archive, bytes[i].ptr, bytes[i].size, 0);
        if (source == nullptr ||
            zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE) < 0) {
            zip_source_free(source);
            zip_discard(archive);
            return eFMWriteFailed;
        }
    }
    if (found.empty()) {
        // libzip writes no file for an empty archive: the reader expects one all the same.
        zip_discard(archive);
        std::ofstream empty(path, std::ios::binary | std::ios::trunc);
        static constexpr char kEmptyZip[22] = {'P', 'K', 5, 6};
        empty.write(kEmptyZip, sizeof kEmptyZip);
        return empty ? eNoErr : eFMWriteFailed;
    }
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        return eFMWriteFailed;
    }
    written = found;
    return eNoErr;
}

}  // namespace

KTErr CStandardGUI_X::WriteGraphicStreamToFile(const kvGS::KCGraphicStreamBinaryWriter& writer,
                                               const char* path) const {
    if (path == nullptr || *path == '\0') {
        return eFMWriteFailed;
    }
    const Utils::KCStMemObj& stream = writer.GetStream();
    // yaml-cpp reports its failures (out of memory, a dump it cannot read) by exceptions.
    try {
        YAML::Node root;
        if (const KTErr err = DumpToNode(stream, root); err != eNoErr) {
            return err;
        }
        // Each control's graph data as a stream of its own, for viewers that show curves as data.
        YAML::Node graphs(YAML::NodeType::Map);
        for (const auto& control : m_controls) {
            kvGS::KCGraphicStreamBinaryWriter graph;
            kvGS::SGSStream frame;
            frame.rect = kvGS::ToSGSRect(control->GetControlRect());
            graph.OpenStream(frame);
            const std::size_t empty = graph.GetStream().size;
            static_cast<void>(control->GetGraphDataAsGraphicStream(graph));
            if (graph.GetStream().size == empty) {
                continue;  // no registered parameter has graph data
            }
            graph.CloseFrame(kvGS::eGSEndStream);
            YAML::Node node;
            if (DumpToNode(graph.GetStream(), node) == eNoErr) {
                graphs[control->GetName().c_str()] = node;
            }
        }
        root["graph_data"] = graphs;

        KCPictureIds pictures;
        static_cast<void>(
            pictures.ExecStreamInProcess(static_cast<const char*>(stream.ptr), stream.size));
        const std::string archive = std::string(path) + ".PNG_.zip";
        std::vector<int> written;
        if (const KTErr err = WritePictureArchive(m_resources, pictures.ids, archive, written);
            err != eNoErr) {
            return err;
        }
        root["pictures"]["archive"] = std::filesystem::path(archive).filename().string();
        root["pictures"]["ids"] = written;
        root["stream_bytes"] =
            YAML::Binary(static_cast<const unsigned char*>(stream.ptr), stream.size);

        YAML::Emitter out;
        out << root;
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file << out.c_str() << '\n';
        return file ? eNoErr : eFMWriteFailed;
    } catch (const std::exception&) {
        return eFMWriteFailed;
    }
}

}  // namespace kvKorvaneV10_0_3
