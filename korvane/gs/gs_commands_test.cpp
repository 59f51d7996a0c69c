// The vocabulary: names and YAML keys both ways, pairs of opening and closing records, and
// which data types go with which purposes.
#include "korvane/gs/gs_commands.h"

#include <gtest/gtest.h>

namespace kvKorvaneV10_0_3::kvGS {
namespace {

TEST(GSCommands, NamesAndKeysConvertBothWays) {
    const KTGSCode all[] = {eGSIgnoreStreamCommand,
                            eGSNone,
                            eGSAny,
                            eGSStreamSignature,
                            eGSBeginStream,
                            eGSStreamFormat,
                            eGSEndStream,
                            eGSResourcesBaseURL,
                            eGSBeginFrame,
                            eGSEndFrame,
                            eGSRotateFrame,
                            eGSDrawPNG,
                            eGSDrawText,
                            eGSDrawOval,
                            eGSDrawVertices,
                            eGSClipVertices,
                            eGSClipRect,
                            eGSDataHere,
                            eGSDataPtr,
                            eGSFont,
                            eGSRemark,
                            eGSMetaData,
                            eGSChar,
                            eGSFloat,
                            eGSInt8,
                            eGSUInt8,
                            eGSInt16,
                            eGSInt32,
                            eGSResID,
                            eGSText,
                            eGSPoint2D,
                            eGSPoint3D,
                            eGSRGBColor,
                            eGSRGBAColor,
                            eGSPolygon,
                            eGSLineStrip,
                            eGSTriangleFan,
                            eGSTriangleStrip,
                            eGSStraightLines,
                            eGSLeft,
                            eGSHCenter,
                            eGSRight,
                            eGSTop,
                            eGSVCenter,
                            eGSBottom};
    for (const KTGSCode code : all) {
        const std::string name = GraphicStreamCommandToText(code, 0);
        EXPECT_EQ(name.rfind("Unknown", 0), std::string::npos) << GSCodeBytes(code);
        EXPECT_EQ(GraphicStreamTextToCommand(name, 0), code) << name;
        if (code != eGSDataHere) {  // its name is the key of "DataPtr"
            EXPECT_EQ(GraphicStreamTextToCommand(GraphicStreamCommandToText(code, 1), 1), code)
                << name;
        }
    }
    EXPECT_EQ(GraphicStreamCommandToText(eGSBeginStream, 1), "stream");
    EXPECT_EQ(GraphicStreamCommandToText(eGSBeginFrame, 1), "frame");
    EXPECT_EQ(GraphicStreamCommandToText(eGSDataPtr, 1), "DataHere");
    EXPECT_EQ(GraphicStreamCommandToText(eGSDataHere, 1), "DataHere");
    EXPECT_EQ(GraphicStreamCommandToText(eGSDrawOval, 1), "DrawOval") << "no key: the name";
    EXPECT_EQ(GraphicStreamCommandToText(eGSIllegalGraphicStreamCommand, 0),
              "IllegalGraphicStreamCommand");
    EXPECT_EQ(GraphicStreamCommandToText(MakeGSCode('a', 'b', 'c', 'd'), 0)
                  .rfind("Unknown GraphicStreamCommand ", 0),
              0U);
    EXPECT_EQ(GraphicStreamTextToCommand("NoSuchCommand", 0), eGSIllegalGraphicStreamCommand);
    EXPECT_EQ(GSCodeBytes(eGSBeginStream), "BSTM");
    EXPECT_EQ(GSCodeBytes(eGSDataHere), "?>>>");
    EXPECT_EQ(static_cast<KTGSCode>(eGSIllegalGraphicStreamCommand), 0xBAADF00DU);

    EXPECT_EQ(CloseCommandFromOpenCommand(eGSBeginStream), eGSEndStream);
    EXPECT_EQ(CloseCommandFromOpenCommand(eGSBeginFrame), eGSEndFrame);
    EXPECT_EQ(CloseCommandFromOpenCommand(eGSDrawText), eGSIllegalGraphicStreamCommand);
}

TEST(GSCommands, DataTypesMatchTheirPurposes) {
    EXPECT_TRUE(DataTypeToPurposeMatch(eGSChar, eGSText));
    EXPECT_TRUE(DataTypeToPurposeMatch(eGSChar, eGSMetaData));
    EXPECT_TRUE(DataTypeToPurposeMatch(eGSInt16, eGSPoint3D));
    EXPECT_TRUE(DataTypeToPurposeMatch(eGSUInt8, eGSRGBAColor));
    EXPECT_FALSE(DataTypeToPurposeMatch(eGSInt8, eGSRGBColor));
    EXPECT_FALSE(DataTypeToPurposeMatch(eGSFloat, eGSText));
    EXPECT_FALSE(DataTypeToPurposeMatch(eGSInt32, eGSPoint2D));
    EXPECT_TRUE(DataTypeToPurposeMatch(eGSInt32, MakeGSCode('m', 'i', 'n', 'e')))
        << "a caller's own purpose";
    EXPECT_FALSE(
        DataTypeToPurposeMatch(MakeGSCode('w', 'h', 'a', 't'), MakeGSCode('m', 'i', 'n', 'e')));
    EXPECT_EQ(DataTypeElementSize(eGSInt16), 2U);
    EXPECT_EQ(DataTypeElementSize(eGSFloat), 4U);
    EXPECT_EQ(DataTypeElementSize(eGSText), 0U);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::kvGS
