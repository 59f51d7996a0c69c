// The graphic stream's command vocabulary: four-byte codes with their text names and YAML keys,
// the pairing of opening and closing records and the allowed data type / purpose pairs.
#pragma once

#include "korvane/core/export.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kvKorvaneV10_0_3::kvGS {

// A code as its four bytes stand in the stream, read as a little-endian word.
using KTGSCode = std::uint32_t;

constexpr KTGSCode MakeGSCode(char a, char b, char c, char d) {
    return static_cast<KTGSCode>(static_cast<unsigned char>(a)) |
           (static_cast<KTGSCode>(static_cast<unsigned char>(b)) << 8U) |
           (static_cast<KTGSCode>(static_cast<unsigned char>(c)) << 16U) |
           (static_cast<KTGSCode>(static_cast<unsigned char>(d)) << 24U);
}

enum EGSCommand : KTGSCode {
    eGSIgnoreStreamCommand = MakeGSCode('o', 'n', 'g', 'i'),
    eGSNone = MakeGSCode('n', 'o', 'n', 'e'),
    eGSAny = MakeGSCode('a', 'n', 'y', '_'),
    eGSStreamSignature = MakeGSCode('S', 'S', 'I', 'G'),
    eGSBeginStream = MakeGSCode('B', 'S', 'T', 'M'),
    eGSStreamFormat = 0xA0A0A0A0U,
    eGSEndStream = MakeGSCode('E', 'S', 'T', 'M'),
    eGSResourcesBaseURL = MakeGSCode('R', 'U', 'R', 'L'),
    eGSBeginFrame = MakeGSCode('B', 'F', 'R', 'M'),
    eGSEndFrame = MakeGSCode('E', 'F', 'R', 'M'),
    eGSRotateFrame = MakeGSCode('F', 'T', 'O', 'R'),
    eGSDrawPNG = MakeGSCode('e', 'P', 'N', 'G'),
    eGSDrawText = MakeGSCode('d', 'T', 'X', 'T'),
    eGSDrawOval = MakeGSCode('l', 'a', 'v', 'O'),
    eGSDrawVertices = MakeGSCode('d', 'V', 'I', 'N'),
    eGSClipVertices = MakeGSCode('c', 'V', 'I', 'N'),
    eGSClipRect = MakeGSCode('c', 'R', 'I', 'N'),
    eGSDataHere = MakeGSCode('\r', '>', '>', '>'),
    eGSDataPtr = MakeGSCode('*', '*', '*', '*'),
    eGSFont = MakeGSCode('t', 'n', 'o', 'f'),
    eGSRemark = MakeGSCode('#', 'R', 'E', 'M'),
    eGSMetaData = MakeGSCode('M', 'E', 'T', 'A'),
    eGSChar = MakeGSCode('c', 'h', 'a', 'r'),
    eGSFloat = MakeGSCode('f', 'l', 'o', 't'),
    eGSInt8 = MakeGSCode('8', 'i', 'n', 't'),
    eGSUInt8 = MakeGSCode('8', 'u', 'i', 'n'),
    eGSInt16 = MakeGSCode('1', '6', 'i', 'n'),
    eGSInt32 = MakeGSCode('3', '2', 'i', 'n'),
    eGSResID = MakeGSCode('r', 's', 'i', 'd'),
    eGSText = MakeGSCode('t', 'e', 'x', 't'),
    eGSPoint2D = MakeGSCode('p', 'n', 't', '2'),
    eGSPoint3D = MakeGSCode('p', 'n', 't', '3'),
    eGSRGBColor = MakeGSCode('_', 'b', 'g', 'r'),
    eGSRGBAColor = MakeGSCode('a', 'b', 'g', 'r'),
    eGSPolygon = MakeGSCode('y', 'l', 'o', 'p'),
    eGSLineStrip = MakeGSCode('p', 'r', 't', 's'),
    eGSTriangleFan = MakeGSCode('f', 'l', 'r', 't'),
    eGSTriangleStrip = MakeGSCode('n', 'l', 'r', 't'),
    eGSStraightLines = MakeGSCode('n', 'l', 't', 's'),
    eGSLeft = MakeGSCode('t', 'f', 'l', 'h'),
    eGSHCenter = MakeGSCode('r', 't', 'c', 'h'),
    eGSRight = MakeGSCode('t', 'i', 'r', 'h'),
    eGSTop = MakeGSCode('p', 'o', 't', 'v'),
    eGSVCenter = MakeGSCode('r', 't', 'c', 'v'),
    eGSBottom = MakeGSCode('m', 't', 'b', 'v'),
    // Older records readers still accept; writers produce only "cdso".
    eGSDrawPNGDeprecated = MakeGSCode('d', 'P', 'N', 'G'),
    eGSDrawPNGClippedDeprecated = MakeGSCode('c', 'P', 'N', 'G'),
    eGSDrawPNGScaledDeprecated = MakeGSCode('s', 'P', 'N', 'G'),
    eGSOldStyleDraw = MakeGSCode('c', 'd', 's', 'o'),
    eGSIllegalGraphicStreamCommand = 0xBAADF00DU,
};

// The name (variant 0) or the YAML key (variant 1, the name when the entry has none); for a
// code outside the vocabulary "Unknown GraphicStreamCommand " and the code in hex. [any-thread]
KORVANE_API std::string GraphicStreamCommandToText(KTGSCode code, int variant = 0);
// The reverse lookup of a name (variant 0) or YAML key (variant 1, falling back to the names);
// eGSIllegalGraphicStreamCommand when nothing matches. [any-thread]
KORVANE_API KTGSCode GraphicStreamTextToCommand(std::string_view text, int variant = 0);
// "EFRM" for "BFRM", "ESTM" for "BSTM", the illegal code for anything else. [any-thread]
KORVANE_API KTGSCode CloseCommandFromOpenCommand(KTGSCode open);
// True for the allowed data type / purpose pairs; a caller's own purpose (outside the
// vocabulary) goes with any known type. [any-thread]
KORVANE_API bool DataTypeToPurposeMatch(KTGSCode dataType, KTGSCode purpose);
// Bytes per element of a data type; 0 for a type outside the vocabulary. Inline: the reader
// checks every data record's payload with it. [any-thread]
constexpr unsigned int DataTypeElementSize(KTGSCode dataType) {
    switch (dataType) {
        case eGSChar:
        case eGSInt8:
        case eGSUInt8:
            return 1;
        case eGSInt16:
            return 2;
        case eGSInt32:
        case eGSFloat:
            return 4;
        default:
            return 0;
    }
}
// The four code bytes as text (non-printable bytes as '?'). [any-thread]
KORVANE_API std::string GSCodeBytes(KTGSCode code);

}  // namespace kvKorvaneV10_0_3::kvGS
