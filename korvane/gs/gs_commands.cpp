// The command table behind the text conversions of the graphic stream
// vocabulary.
#include "korvane/gs/gs_commands.h"

#include "korvane/core/number_format.h"

#include <array>

namespace kvKorvaneV10_0_3::kvGS {

namespace {

struct KSCommandEntry {
    KTGSCode code;
    const char* name;
    const char* yamlKey;  // null when the entry has none
};

constexpr std::array kCommands = {
    KSCommandEntry{eGSIgnoreStreamCommand, "kIgnoreStreamCommand", nullptr},
    KSCommandEntry{eGSNone, "None", nullptr},
    KSCommandEntry{eGSAny, "Any", nullptr},
    KSCommandEntry{eGSStreamSignature, "StreamSignature", nullptr},
    KSCommandEntry{eGSBeginStream, "BeginStream", "stream"},
    KSCommandEntry{eGSStreamFormat, "StreamFormat", "format"},
    KSCommandEntry{eGSEndStream, "EndStream", nullptr},
    KSCommandEntry{eGSResourcesBaseURL, "ResourcesBaseURL", "resources_base_url"},
    KSCommandEntry{eGSBeginFrame, "BeginFrame", "frame"},
    KSCommandEntry{eGSEndFrame, "EndFrame", nullptr},
    KSCommandEntry{eGSRotateFrame, "RotateFrame", nullptr},
    KSCommandEntry{eGSDrawPNG, "DrawPNG", nullptr},
    KSCommandEntry{eGSDrawText, "DrawText", nullptr},
    KSCommandEntry{eGSDrawOval, "DrawOval", nullptr},
    KSCommandEntry{eGSDrawVertices, "DrawVertices", nullptr},
    KSCommandEntry{eGSClipVertices, "ClipVertices", nullptr},
    KSCommandEntry{eGSClipRect, "ClipRect", nullptr},
    KSCommandEntry{eGSDataHere, "DataHere", nullptr},
    KSCommandEntry{eGSDataPtr, "DataPtr", "DataHere"},
    KSCommandEntry{eGSFont, "font", nullptr},
    KSCommandEntry{eGSRemark, "Remark", nullptr},
    KSCommandEntry{eGSMetaData, "MetaData", nullptr},
    KSCommandEntry{eGSChar, "char", nullptr},
    KSCommandEntry{eGSFloat, "float", nullptr},
    KSCommandEntry{eGSInt8, "int8", nullptr},
    KSCommandEntry{eGSUInt8, "uint8", nullptr},
    KSCommandEntry{eGSInt16, "int16", nullptr},
    KSCommandEntry{eGSInt32, "int32", nullptr},
    KSCommandEntry{eGSResID, "ResID", nullptr},
    KSCommandEntry{eGSText, "Text", nullptr},
    KSCommandEntry{eGSPoint2D, "Point2D", nullptr},
    KSCommandEntry{eGSPoint3D, "Point3D", nullptr},
    KSCommandEntry{eGSRGBColor, "RGBColor", nullptr},
    KSCommandEntry{eGSRGBAColor, "RGBAColor", nullptr},
    KSCommandEntry{eGSPolygon, "Polygon", nullptr},
    KSCommandEntry{eGSLineStrip, "LineStrip", nullptr},
    KSCommandEntry{eGSTriangleFan, "TriangleFan", nullptr},
    KSCommandEntry{eGSTriangleStrip, "TriangleStrip", nullptr},
    KSCommandEntry{eGSStraightLines, "StraightLines", nullptr},
    KSCommandEntry{eGSLeft, "Left", nullptr},
    KSCommandEntry{eGSHCenter, "HCenter", nullptr},
    KSCommandEntry{eGSRight, "Right", nullptr},
    KSCommandEntry{eGSTop, "Top", nullptr},
    KSCommandEntry{eGSVCenter, "VCenter", nullptr},
    KSCommandEntry{eGSBottom, "Bottom", nullptr},
    KSCommandEntry{eGSIllegalGraphicStreamCommand, "IllegalGraphicStreamCommand", nullptr},
};

const KSCommandEntry* FindEntry(KTGSCode code) {
    for (const auto& entry : kCommands) {
        if (entry.code == code) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace

std::string GraphicStreamCommandToText(KTGSCode code, int variant) {
    const KSCommandEntry* entry = FindEntry(code);
    if (entry == nullptr) {
        return "Unknown GraphicStreamCommand 0x" + KUFormatHex(code, 8);
    }
    if (variant == 1 && entry->yamlKey != nullptr) {
        return entry->yamlKey;
    }
    return entry->name;
}

KTGSCode GraphicStreamTextToCommand(std::string_view text, int variant) {
    if (variant == 1) {
        // "DataHere" is both a name and the key of "DataPtr": the key wins in this
        // variant.
        for (const auto& entry : kCommands) {
            if (entry.yamlKey != nullptr && text == entry.yamlKey) {
                return entry.code;
            }
        }
    }
    for (const auto& entry : kCommands) {
        if (text == entry.name) {
            return entry.code;
        }
    }
    return eGSIllegalGraphicStreamCommand;
}

KTGSCode CloseCommandFromOpenCommand(KTGSCode open) {
    switch (open) {
        case eGSBeginStream:
            return eGSEndStream;
        case eGSBeginFrame:
            return eGSEndFrame;
        default:
            return eGSIllegalGraphicStreamCommand;
    }
}

bool DataTypeToPurposeMatch(KTGSCode dataType, KTGSCode purpose) {
    switch (purpose) {
        case eGSText:
        case eGSResourcesBaseURL:
        case eGSRemark:
        case eGSMetaData:
            return dataType == eGSChar;
        case eGSPoint2D:
        case eGSPoint3D:
            return dataType == eGSFloat || dataType == eGSInt16;
        case eGSRGBColor:
        case eGSRGBAColor:
            return dataType == eGSUInt8;
        default:
            return FindEntry(purpose) == nullptr && DataTypeElementSize(dataType) != 0;
    }
}

std::string GSCodeBytes(KTGSCode code) {
    std::string out(4, '?');
    for (unsigned int i = 0; i < 4; ++i) {
        const auto c = static_cast<unsigned char>((code >> (8U * i)) & 0xFFU);
        if (c >= 0x20 && c < 0x7F) {
            out[i] = static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace kvKorvaneV10_0_3::kvGS
