// YAML dumps of written streams compared with the documents they must give.
#include "korvane/gs/gs_yaml.h"

#include "korvane/core/testing/locale_guard.h"
#include "korvane/gs/gs_writer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kvKorvaneV10_0_3::kvGS {
namespace {

std::string Dump(const KCGraphicStreamBinaryWriter& w, bool everything = false) {
    KCGraphicStreamToYAML yaml;
    yaml.SetEmitEverything(everything);
    const auto& s = w.GetStream();
    EXPECT_EQ(yaml.ExecStream(static_cast<const char*>(s.ptr), s.size), eNoErr);
    return yaml.GetYamlStr();
}

TEST(GSYaml, StreamsDumpAsNestedMapsWithoutDefaults) {
    KCGraphicStreamBinaryWriter w;
    SGSStream stream;
    stream.rect = {0, 0, 200, 100};
    stream.signature = {{1, 0, 0, 0}};
    std::strcpy(stream.text, "EQ");
    {
        KCStGSStreamStructWriter guard(w, stream);
        w.MetaData("ParamID: 3");
        KCStGSFrameStructWriter frame(w, KURect<int>(10, 20, 30, 60), 0);
        w.RotateFrame({{}, 90, 5, 6});
        w.DrawLine(KCRGBAColor{255, 0, 0, 255}, {1, 2}, {3, 4}, 2, true);
        w.Font("Sans", 11, KCRGBAColor{}, 0);
        w.DrawTheText("Gain", 0, eGSHCenter, eGSVCenter);
        w.DrawTheText("Left", 4, eGSLeft, eGSTop);
        w.DrawPNG(std::string_view("knob"));
    }
    const char* expected = R"(stream:
  rect: {x: 0, y: 0, width: 200, height: 100}
  StreamSignature: [1, 0, 0, 0]
  text: EQ
  contents:
    - DataHere:
        type: char
        purpose: MetaData
        count: 10
        text: "ParamID: 3"
    - frame:
        rect: {x: 20, y: 10, width: 40, height: 20}
        contents:
          - RotateFrame:
              angleDegrees: 90
              xOffset: 5
              yOffset: 6
          - DataHere:
              type: int16
              purpose: Point2D
              count: 4
              values: [1, 2, 3, 4]
          - DrawVertices:
              method: LineStrip
              stroke_width: 2
              stroke_pattern: 65535
              flags: 0
              draw_color: {red: 255, green: 0, blue: 0, alpha: 255}
              logical_size: [0, 0]
              scale: [1, 1, 1]
          - font:
              name: Sans
              size: 11
              color: {red: 0, green: 0, blue: 0, alpha: 255}
              flags: 0
          - DataHere:
              type: char
              purpose: Text
              count: 4
              text: Gain
          - DrawText:
              text: Gain
          - DataHere:
              type: char
              purpose: Text
              count: 4
              text: Left
          - DrawText:
              owner: 4
              horizontal_alignment: Left
              vertical_alignment: Top
              text: Left
          - DataHere:
              type: char
              purpose: Text
              count: 4
              text: knob
          - DrawPNG:
              ResID: -100
              name: knob)";
    EXPECT_EQ(Dump(w), expected);

    // Everything: the zero owner, empty rectangles and centred alignment appear too.
    KCGraphicStreamBinaryWriter small;
    {
        KCStGSStreamStructWriter guard(small, SGSStream());
        small.DrawTheText(0, eGSHCenter, eGSVCenter);
    }
    const char* all = R"(stream:
  owner: 0
  rect: {x: 0, y: 0, width: 0, height: 0}
  StreamSignature: [0, 0, 0, 0]
  contents:
    - DrawText:
        owner: 0
        horizontal_alignment: HCenter
        vertical_alignment: VCenter)";
    EXPECT_EQ(Dump(small, true), all);
}

// The emitter's own number formatting follows the global C++ locale (1234 as "1.234", 1.5 as
// "1,5" under a decimal comma); the dump must not.
TEST(GSYaml, NumbersAreTheSameInADecimalCommaLocale) {
    KCGraphicStreamBinaryWriter w;
    SGSStream stream;
    stream.rect = {-1500, 0, 2000, 1000};
    stream.owner = 123456789012LL;
    {
        KCStGSStreamStructWriter guard(w, stream);
        SGSDrawOval oval;
        oval.rect = {0, 0, 20, 10};
        oval.stroke_width = 1.5F;
        oval.sweep_angle = 0.1F;
        w.DrawOval(oval);
        const float values[3] = {-0.25F, 1e-7F, 65536.5F};
        w.Data(values, 3, eGSMetaData);
        const int wide[2] = {-1234567, 4096};
        w.Data(wide, 2, eGSMetaData);
    }
    const std::string classic = Dump(w, true);
    for (const char* number :
         {"x: -1500", "width: 2000", "owner: 123456789012", "stroke_width: 1.5",
          "sweep_angle: 0.100000001", "[-0.25, 1.00000001e-07, 65536.5]", "[-1234567, 4096]"}) {
        EXPECT_NE(classic.find(number), std::string::npos) << number << " in " << classic;
    }

    const test_support::ScopedProcessLocale comma(test_support::kCommaLocale);
    if (!comma.Installed()) {
        GTEST_SKIP() << test_support::kCommaLocale << " is not installed";
    }
    EXPECT_EQ(Dump(w, true), classic);
}

TEST(GSYaml, AFaultyStreamStillGivesAWellFormedDocument) {
    KCGraphicStreamBinaryWriter w(8);
    const short points[6] = {1, 2, 3, 4, 5, 6};
    w.OpenStream(SGSStream()).OpenFrame(SGSFrame());
    w.Data(points, 6, eGSPoint2D);  // 12 bytes: written by address
    KCGraphicStreamToYAML yaml;
    const auto& s = w.GetStream();
    EXPECT_EQ(yaml.ExecStream(static_cast<const char*>(s.ptr), s.size), eGSMissingEnd);
    const char* expected = R"(stream:
  StreamSignature: [0, 0, 0, 0]
  contents:
    - frame:
        contents:
          - DataHere:
              type: int16
              purpose: Point2D
              count: 6)";
    EXPECT_EQ(yaml.GetYamlStr(), expected) << "no values: a file cannot carry addresses";
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::kvGS
