// The YAML dump of a graphic stream through yaml-cpp's emitter.
#include "korvane/gs/gs_yaml.h"

#include "korvane/core/number_format.h"

#include <yaml-cpp/yaml.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

namespace kvKorvaneV10_0_3::kvGS {

namespace {

bool IsEmpty(const SGSRect& r) {
    return r == SGSRect();
}

std::string Name(KTGSCode code) {
    return GraphicStreamCommandToText(code, 0);
}

// Numbers reach the emitter as finished text: its own formatting follows the
// global C++ locale, which a host may set (a decimal comma, 1234 written
// "1.234"). The same text as the emitter writes in the classic locale.
template <typename T>
std::string Scalar(T value) {
    if constexpr (std::is_floating_point_v<T>) {
        if (std::isnan(value)) {
            return ".nan";
        }
        if (std::isinf(value)) {
            return value < 0 ? "-.inf" : ".inf";
        }
        return KUFormatGeneral(static_cast<double>(value), std::numeric_limits<T>::max_digits10);
    } else if constexpr (std::is_signed_v<T>) {
        return KUFormatInteger(static_cast<long long>(value));
    } else {
        return KUFormatInteger(static_cast<unsigned long long>(value));
    }
}

}  // namespace

KCGraphicStreamToYAML::KCGraphicStreamToYAML() = default;
KCGraphicStreamToYAML::~KCGraphicStreamToYAML() = default;

void KCGraphicStreamToYAML::BeforeExceStream() {
    m_out = std::make_unique<YAML::Emitter>();
    m_openItems.clear();
    m_rootSequence = false;
    m_document.clear();
    *m_out << YAML::BeginMap;
}

void KCGraphicStreamToYAML::AfterExceStream() {
    Finish();
}

void KCGraphicStreamToYAML::Finish() {
    if (m_out == nullptr) {
        return;
    }
    while (!m_openItems.empty()) {
        Close();
    }
    if (m_rootSequence) {
        *m_out << YAML::EndSeq;
    }
    *m_out << YAML::EndMap;
    m_document = m_out->c_str();
    m_out.reset();
}

std::string KCGraphicStreamToYAML::GetYamlStr() {
    try {
        Finish();
        return m_document;
    } catch (...) {
        // The emitter could not finish (out of memory): no half document.
        m_out.reset();
        m_document.clear();
        return {};
    }
}

// Starts a map entry for a leaf record: a sequence item inside the open
// contents.
#define KORVANE_YAML_ITEM(name)                           \
    if (m_openItems.empty() && !m_rootSequence) {         \
        *m_out << YAML::Key << "contents" << YAML::Value; \
        *m_out << YAML::BeginSeq;                         \
        m_rootSequence = true;                            \
    }                                                     \
    *m_out << YAML::BeginMap << YAML::Key << (name) << YAML::Value << YAML::BeginMap

void KCGraphicStreamToYAML::Open(KTGSCode code, std::int64_t owner, const SGSRect& rect) {
    const bool wrapped = !m_openItems.empty() || m_rootSequence;
    if (wrapped) {
        *m_out << YAML::BeginMap;
    }
    *m_out << YAML::Key << GraphicStreamCommandToText(code, 1) << YAML::Value << YAML::BeginMap;
    if (owner != 0 || m_emitEverything) {
        *m_out << YAML::Key << "owner" << YAML::Value << Scalar(owner);
    }
    Rect("rect", rect);
    m_openItems.push_back(wrapped);
}

void KCGraphicStreamToYAML::Close() {
    // The contents sequence, the record's own map, and the sequence item around
    // it.
    *m_out << YAML::EndSeq << YAML::EndMap;
    if (m_openItems.back()) {
        *m_out << YAML::EndMap;
    }
    m_openItems.pop_back();
}

void KCGraphicStreamToYAML::Rect(const char* key, const SGSRect& rect) {
    if (IsEmpty(rect) && !m_emitEverything) {
        return;
    }
    *m_out << YAML::Key << key << YAML::Value << YAML::Flow << YAML::BeginMap;
    *m_out << YAML::Key << "x" << YAML::Value << Scalar(rect.x);
    *m_out << YAML::Key << "y" << YAML::Value << Scalar(rect.y);
    *m_out << YAML::Key << "width" << YAML::Value << Scalar(rect.width);
    *m_out << YAML::Key << "height" << YAML::Value << Scalar(rect.height);
    *m_out << YAML::EndMap;
}

void KCGraphicStreamToYAML::Color(const char* key, const SGSRGBAColor& color) {
    *m_out << YAML::Key << key << YAML::Value << YAML::Flow << YAML::BeginMap;
    *m_out << YAML::Key << "red" << YAML::Value << Scalar(static_cast<int>(color.red));
    *m_out << YAML::Key << "green" << YAML::Value << Scalar(static_cast<int>(color.green));
    *m_out << YAML::Key << "blue" << YAML::Value << Scalar(static_cast<int>(color.blue));
    *m_out << YAML::Key << "alpha" << YAML::Value << Scalar(static_cast<int>(color.alpha));
    *m_out << YAML::EndMap;
}

int KCGraphicStreamToYAML::BeginStream(const SGSStream& stream) {
    Open(eGSBeginStream, stream.owner, stream.rect);
    *m_out << YAML::Key << Name(eGSStreamSignature) << YAML::Value << YAML::Flow << YAML::BeginSeq;
    for (const std::int32_t v : stream.signature.v) {
        *m_out << Scalar(v);
    }
    *m_out << YAML::EndSeq;
    const std::string text(stream.text, strnlen(stream.text, sizeof stream.text));
    if (!text.empty()) {
        *m_out << YAML::Key << "text" << YAML::Value << text;
    }
    *m_out << YAML::Key << "contents" << YAML::Value << YAML::BeginSeq;
    return 0;
}

int KCGraphicStreamToYAML::BeginFrame(const SGSFrame& frame) {
    Open(eGSBeginFrame, frame.owner, frame.rect);
    *m_out << YAML::Key << "contents" << YAML::Value << YAML::BeginSeq;
    return 0;
}

int KCGraphicStreamToYAML::EndStream(const SGSCommandHeader& /*header*/) {
    Close();
    return 0;
}

int KCGraphicStreamToYAML::EndFrame(const SGSCommandHeader& /*header*/) {
    Close();
    return 0;
}

int KCGraphicStreamToYAML::RotateFrame(const SGSFrameRotate& rotate) {
    KORVANE_YAML_ITEM(Name(eGSRotateFrame));
    *m_out << YAML::Key << "angleDegrees" << YAML::Value << Scalar(rotate.angleDegrees);
    *m_out << YAML::Key << "xOffset" << YAML::Value << Scalar(rotate.xOffset);
    *m_out << YAML::Key << "yOffset" << YAML::Value << Scalar(rotate.yOffset);
    *m_out << YAML::EndMap << YAML::EndMap;
    return 0;
}

int KCGraphicStreamToYAML::DrawOldStyleCommand(const SGSCommandHeader& header) {
    KORVANE_YAML_ITEM(GSCodeBytes(header.code));
    *m_out << YAML::Key << "size" << YAML::Value << Scalar(header.size);
    *m_out << YAML::EndMap << YAML::EndMap;
    return 0;
}

int KCGraphicStreamToYAML::DrawPNGDeprecated(const SGSCommandHeader& header) {
    return DrawOldStyleCommand(header);
}

int KCGraphicStreamToYAML::DrawPNGClippedDeprecated(const SGSCommandHeader& header) {
    return DrawOldStyleCommand(header);
}

int KCGraphicStreamToYAML::DrawPNGScaledDeprecated(const SGSCommandHeader& header) {
    return DrawOldStyleCommand(header);
}

int KCGraphicStreamToYAML::DrawPNG(const SGSDrawPNG& png) {
    KORVANE_YAML_ITEM(Name(eGSDrawPNG));
    *m_out << YAML::Key << "ResID" << YAML::Value << Scalar(png.ResID);
    if (png.ResID == kGSResIDByName) {
        if (const SGSData* name = GetLatestDataOfPurpose(eGSText); name != nullptr) {
            *m_out << YAML::Key << "name" << YAML::Value << std::string(GetDataText(*name));
        }
    }
    Rect("draw_rect", png.draw_rect);
    Rect("clip_rect", png.clip_rect);
    *m_out << YAML::EndMap << YAML::EndMap;
    return 0;
}

int KCGraphicStreamToYAML::DrawTheText(const SGSDrawText& text) {
    KORVANE_YAML_ITEM(Name(eGSDrawText));
    if (text.owner != 0 || m_emitEverything) {
        *m_out << YAML::Key << "owner" << YAML::Value << Scalar(text.owner);
    }
    if (text.hAlign != eGSHCenter || text.vAlign != eGSVCenter || m_emitEverything) {
        *m_out << YAML::Key << "horizontal_alignment" << YAML::Value << Name(text.hAlign);
        *m_out << YAML::Key << "vertical_alignment" << YAML::Value << Name(text.vAlign);
    }
    if (const SGSData* latest = GetLatestDataOfPurpose(eGSText); latest != nullptr) {
        *m_out << YAML::Key << "text" << YAML::Value << std::string(GetDataText(*latest));
    }
    *m_out << YAML::EndMap << YAML::EndMap;
    return 0;
}

int KCGraphicStreamToYAML::DrawOval(const SGSDrawOval& oval) {
    KORVANE_YAML_ITEM(Name(eGSDrawOval));
    *m_out << YAML::Key << "sweep_angle" << YAML::Value << Scalar(oval.sweep_angle);
    *m_out << YAML::Key << "start_angle" << YAML::Value << Scalar(oval.start_angle);
    *m_out << YAML::Key << "stroke_width" << YAML::Value << Scalar(oval.stroke_width);
    Rect("rect", oval.rect);
    *m_out << YAML::Key << "slices_num" << YAML::Value << Scalar(oval.slices_num);
    Color("draw_color", oval.draw_color);
    *m_out << YAML::EndMap << YAML::EndMap;
    return 0;
}

void KCGraphicStreamToYAML::Vertices(const char* name, const SGSDrawVertices& v) {
    KORVANE_YAML_ITEM(name);
    *m_out << YAML::Key << "method" << YAML::Value << Name(v.method);
    *m_out << YAML::Key << "stroke_width" << YAML::Value << Scalar(v.stroke_width);
    *m_out << YAML::Key << "stroke_pattern" << YAML::Value << Scalar(v.stroke_pattern);
    *m_out << YAML::Key << "flags" << YAML::Value << Scalar(v.flags);
    Color("draw_color", v.draw_color);
    *m_out << YAML::Key << "logical_size" << YAML::Value << YAML::Flow << YAML::BeginSeq
           << Scalar(v.logical_size.width) << Scalar(v.logical_size.height) << YAML::EndSeq;
    *m_out << YAML::Key << "scale" << YAML::Value << YAML::Flow << YAML::BeginSeq
           << Scalar(v.scale.x) << Scalar(v.scale.y) << Scalar(v.scale.z) << YAML::EndSeq;
    *m_out << YAML::EndMap << YAML::EndMap;
}

int KCGraphicStreamToYAML::DrawVertices(const SGSDrawVertices& vertices) {
    Vertices(Name(eGSDrawVertices).c_str(), vertices);
    return 0;
}

int KCGraphicStreamToYAML::ClipVertices(const SGSDrawVertices& vertices) {
    Vertices(Name(eGSClipVertices).c_str(), vertices);
    return 0;
}

int KCGraphicStreamToYAML::ClipRect(const SGSClipRect& clip) {
    KORVANE_YAML_ITEM(Name(eGSClipRect));
    Rect("rect", clip.rect);
    *m_out << YAML::EndMap << YAML::EndMap;
    return 0;
}

int KCGraphicStreamToYAML::Font(const SGSFont& font) {
    KORVANE_YAML_ITEM(Name(eGSFont));
    *m_out << YAML::Key << "name" << YAML::Value
           << std::string(font.name, strnlen(font.name, sizeof font.name));
    *m_out << YAML::Key << "size" << YAML::Value << Scalar(font.size);
    Color("color", font.color);
    *m_out << YAML::Key << "flags" << YAML::Value << Scalar(font.flags);
    *m_out << YAML::EndMap << YAML::EndMap;
    return 0;
}

void KCGraphicStreamToYAML::DataRecord(const SGSData& data) {
    KORVANE_YAML_ITEM(GraphicStreamCommandToText(data.header.code, 1));
    *m_out << YAML::Key << "type" << YAML::Value << Name(data.dataType);
    *m_out << YAML::Key << "purpose" << YAML::Value << Name(data.purpose);
    *m_out << YAML::Key << "count" << YAML::Value << Scalar(data.count);
    const void* payload = GetDataPayload(data);
    if (payload != nullptr) {
        switch (data.dataType) {
            case eGSChar:
                *m_out << YAML::Key << "text" << YAML::Value << std::string(GetDataText(data));
                break;
            case eGSFloat:
            case eGSInt8:
            case eGSUInt8:
            case eGSInt16:
            case eGSInt32: {
                *m_out << YAML::Key << "values" << YAML::Value << YAML::Flow << YAML::BeginSeq;
                const auto* bytes = static_cast<const char*>(payload);
                for (std::uint32_t i = 0; i < data.count; ++i) {
                    if (data.dataType == eGSFloat) {
                        float f = 0;
                        std::memcpy(&f, bytes + 4ULL * i, sizeof f);
                        *m_out << Scalar(f);
                    } else if (data.dataType == eGSInt32) {
                        std::int32_t v = 0;
                        std::memcpy(&v, bytes + 4ULL * i, sizeof v);
                        *m_out << Scalar(v);
                    } else if (data.dataType == eGSInt16) {
                        std::int16_t v = 0;
                        std::memcpy(&v, bytes + 2ULL * i, sizeof v);
                        *m_out << Scalar(v);
                    } else if (data.dataType == eGSInt8) {
                        *m_out << Scalar(static_cast<int>(static_cast<signed char>(bytes[i])));
                    } else {
                        *m_out << Scalar(static_cast<int>(static_cast<unsigned char>(bytes[i])));
                    }
                }
                *m_out << YAML::EndSeq;
                break;
            }
            default:
                break;
        }
    }
    *m_out << YAML::EndMap << YAML::EndMap;
}

int KCGraphicStreamToYAML::ResourcesBaseURL(const SGSData& data) {
    DataRecord(data);
    return 0;
}

int KCGraphicStreamToYAML::Remark(const SGSData& data) {
    DataRecord(data);
    return 0;
}

int KCGraphicStreamToYAML::MetaData(const SGSData& data) {
    DataRecord(data);
    return 0;
}

int KCGraphicStreamToYAML::Data(const SGSData& data) {
    DataRecord(data);
    return 0;
}

int KCGraphicStreamToYAML::IgnoreStreamCommand(KTGSCode code) {
    KORVANE_YAML_ITEM(Name(code));
    *m_out << YAML::EndMap << YAML::EndMap;
    return 0;
}

int KCGraphicStreamToYAML::UnknownStreamCommand(KTGSCode code) {
    KORVANE_YAML_ITEM(Name(code));
    *m_out << YAML::EndMap << YAML::EndMap;
    return 0;
}

#undef KORVANE_YAML_ITEM

}  // namespace kvKorvaneV10_0_3::kvGS
