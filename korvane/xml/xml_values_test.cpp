// Tests of the free value conversions: number lists, flags, geometry, codes, strings.
#include "korvane/xml/xml_values.h"

#include "korvane/xml/tree_builder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::XML {
namespace {

template <typename T>
struct Point {
    T x{};
    T y{};
};
template <typename T>
struct Size {
    T width{};
    T height{};
};
template <typename T>
struct Rect {
    T top{};
    T left{};
    T bottom{};
    T right{};
};
struct Color {
    unsigned char red = 0;
    unsigned char green = 0;
    unsigned char blue = 0;
    unsigned char alpha = 0;
};

// The element after a trip through text and the parser.
std::unique_ptr<CXMLElement> ThroughText(const CXMLElement& e) {
    CXMLTreeBuilder writer(const_cast<CXMLElement&>(e));
    std::string text;
    EXPECT_EQ(writer.WriteToString(text), eNoErr);
    auto out = std::make_unique<CXMLElement>();
    CXMLTreeBuilder reader(*out);
    EXPECT_EQ(reader.BuildFromSingleBuffer(text.data(), static_cast<unsigned int>(text.size())),
              eNoErr);
    return out;
}

template <typename T>
void ExpectIntVectorRoundTrip() {
    const std::vector<T> values = {std::numeric_limits<T>::min(), 0, 1,
                                   std::numeric_limits<T>::max()};
    CXMLElement e("v", "");
    WriteToXML_Int_Vector(&e, values);
    std::vector<T> read;
    EXPECT_EQ(ReadFromXML_Int_Vector(ThroughText(e).get(), read), eNoErr);
    EXPECT_EQ(read, values);
}

TEST(XMLValues, NumberLists) {
    ExpectIntVectorRoundTrip<signed char>();
    ExpectIntVectorRoundTrip<short>();
    ExpectIntVectorRoundTrip<int>();
    ExpectIntVectorRoundTrip<unsigned int>();
    ExpectIntVectorRoundTrip<long long>();

    CXMLElement e("v", "");
    const int array[] = {3, -1, 7};
    WriteToXML_Int_Array(&e, array, 3);
    EXPECT_EQ(e.GetText(), "3 -1 7");
    std::vector<short> keep = {9};
    e.SetText("1 2 x 3");
    EXPECT_EQ(ReadFromXML_Int_Vector(&e, keep), eNotANumber);
    EXPECT_EQ(keep, std::vector<short>{9});
    e.SetText("1 70000");
    EXPECT_EQ(ReadFromXML_Int_Vector(&e, keep), eOutOfRangeNumber);
    EXPECT_EQ(ReadFromXML_Int_Vector(static_cast<CXMLElement*>(nullptr), keep), eXMLElementMissing);

    // Doubles and floats come back bit for bit.
    std::mt19937_64 rng(7);
    std::vector<double> doubles = {0.1, -0.0, 1e-310, std::numeric_limits<double>::max(),
                                   std::numeric_limits<double>::min()};
    std::vector<float> floats = {0.1F, -3.5F, std::numeric_limits<float>::denorm_min()};
    std::uniform_real_distribution<double> dist(-1e12, 1e12);
    for (int i = 0; i < 200; ++i) {
        doubles.push_back(dist(rng) * std::pow(10.0, static_cast<int>(rng() % 40) - 20));
        floats.push_back(static_cast<float>(dist(rng)));
    }
    CXMLElement d("d", "");
    WriteToXML_Float_Vector(&d, doubles);
    std::vector<double> readDoubles;
    EXPECT_EQ(ReadFromXML_Float_Vector(ThroughText(d).get(), readDoubles), eNoErr);
    ASSERT_EQ(readDoubles.size(), doubles.size());
    for (std::size_t i = 0; i < doubles.size(); ++i) {
        EXPECT_EQ(std::signbit(readDoubles[i]), std::signbit(doubles[i]));
        EXPECT_EQ(readDoubles[i], doubles[i]) << i;
    }
    CXMLElement f("f", "");
    WriteToXML_Float_Array(&f, floats.data(), static_cast<unsigned int>(floats.size()));
    std::vector<float> readFloats;
    EXPECT_EQ(ReadFromXML_Float_Vector(ThroughText(f).get(), readFloats), eNoErr);
    EXPECT_EQ(readFloats, floats);
    f.SetText("0.5 1,5");
    EXPECT_EQ(ReadFromXML_Float_Vector(&f, readFloats), eNotJustANumber);

    std::string joined;
    IntVectorToString(std::vector<int>{1, 2, 3}, joined, ", ");
    EXPECT_EQ(joined, "1, 2, 3");
    FloatVectorToString(std::vector<double>{0.5, 2}, joined, ";");
    EXPECT_EQ(joined, "0.5;2");
    std::vector<int> parsed;
    EXPECT_EQ(StringToIntVector("4, 5,6", parsed), eNoErr);
    EXPECT_EQ(parsed, (std::vector<int>{4, 5, 6}));
    unsigned short us = 1;
    EXPECT_EQ(str_to_int("65536", us), eOutOfRangeNumber);
    EXPECT_EQ(us, 1);
    EXPECT_EQ(str_to_int("-1", us), eOutOfRangeNumber);
}

TEST(XMLValues, SingleValuesAndFlags) {
    CXMLElement e("e", "-12");
    short s = 0;
    EXPECT_EQ(ReadFromXML_Int(&e, s), eNoErr);
    EXPECT_EQ(s, -12);
    unsigned short us = 5;
    EXPECT_EQ(ReadFromXML_Int(&e, us), eOutOfRangeNumber);
    EXPECT_EQ(us, 5);
    e.SetText("2.5e2");
    double d = 0;
    EXPECT_EQ(ReadFromXML_Float(&e, d), eNoErr);
    EXPECT_EQ(d, 250.0);
    e.SetText("");
    float f = 3;
    EXPECT_EQ(ReadFromXML_Float(&e, f), eNotANumber);
    EXPECT_EQ(f, 3);

    const std::vector<TBitVector<unsigned int>> flags = {TBitVector<unsigned int>(0x80000001U),
                                                         TBitVector<unsigned int>(0)};
    CXMLElement fl("f", "");
    WriteToXML_Flags_Vector(&fl, flags);
    EXPECT_EQ(fl.GetText(), "2147483649 0");
    std::vector<TBitVector<unsigned int>> readFlags;
    EXPECT_EQ(ReadFromXML_Flags_Vector(&fl, readFlags), eNoErr);
    EXPECT_EQ(readFlags, flags);
    std::vector<TBitVector<short>> shortFlags;
    CXMLElement sf("f", "-1 5");
    EXPECT_EQ(ReadFromXML_Flags_Vector(&sf, shortFlags), eNoErr);
    EXPECT_TRUE(shortFlags[0].IsSet(15));

    bool b = false;
    ReadFromXML_Bool(nullptr, b);
    EXPECT_TRUE(b);
    CXMLElement no("b", "no");
    ReadFromXML_Bool(&no, b);
    EXPECT_FALSE(b);
    CXMLElement capital("b", "False");
    ReadFromXML_Bool(&capital, b);
    EXPECT_TRUE(b);
}

TEST(XMLValues, PointsRoundTripWithThePrecisionOfTheirType) {
    CXMLElement p("p", "");
    WriteToXML_KCPoint(&p, Point<float>{1.5F, -2.0F});
    std::string h;
    EXPECT_TRUE(p.GetAttrib("h", h));
    EXPECT_EQ(h, "1.50000");
    Point<double> pd;
    EXPECT_EQ(ReadFromXML_KCPoint(&p, pd), eNoErr);
    EXPECT_EQ(pd.x, 1.5);
    EXPECT_EQ(pd.y, -2.0);
    WriteToXML_KCPoint(&p, Point<double>{0.1, 3});
    EXPECT_TRUE(p.GetAttrib("h", h));
    EXPECT_EQ(h, "0.1000000000");
}

TEST(XMLValues, APointMissingACoordinateIsNotRead) {
    Point<short> ps{7, 7};
    CXMLElement half("p", "");
    half.AddAttrib("h", 3);
    EXPECT_EQ(ReadFromXML_KCPoint(&half, ps), eXMLAttribMissing);
    EXPECT_EQ(ps.x, 7);  // all or nothing
}

TEST(XMLValues, SizesAreWrittenAsWidthAndHeight) {
    CXMLElement s("s", "");
    WriteToXML_KCSize(&s, Size<unsigned int>{640, 480});
    EXPECT_EQ(s.GetAttribString(), "Width=\"640\"\rHeight=\"480\"\r");
    Size<int> si;
    EXPECT_EQ(ReadFromXML_KCSize(&s, si), eNoErr);
    EXPECT_EQ(si.height, 480);
}

TEST(XMLValues, RectsAreWrittenAsOriginAndSizeAndReadBackAsEdges) {
    CXMLElement r("r", "");
    WriteToXML_KURect(&r, Rect<short>{10, 20, 110, 220});
    EXPECT_EQ(r.GetAttribString(), "left=\"20\"\rtop=\"10\"\rwidth=\"200\"\rheight=\"100\"\r");
    Rect<int> ri;
    EXPECT_EQ(ReadFromXML_KURect(ThroughText(r).get(), ri), eNoErr);
    EXPECT_EQ(ri.top, 10);
    EXPECT_EQ(ri.left, 20);
    EXPECT_EQ(ri.bottom, 110);
    EXPECT_EQ(ri.right, 220);
}

TEST(XMLValues, ColoursRoundTripAndAChannelOutOfRangeIsRefused) {
    CXMLElement c("c", "");
    WriteToXML_KCRGBAColor(&c, Color{255, 128, 0, 10});
    Color rc;
    EXPECT_EQ(ReadFromXML_KCRGBAColor(&c, rc), eNoErr);
    EXPECT_EQ(rc.green, 128);
    EXPECT_EQ(rc.alpha, 10);
    c.SetAttrib("red", 256);
    EXPECT_EQ(ReadFromXML_KCRGBAColor(&c, rc), eXMLAttribMissing);
}

// 'ABCD' survives the parser, which drops the quotes of a quoted code.
TEST(XMLValues, FourCharCodesAreQuotedAndReadWithOrWithoutQuotes) {
    CXMLElement code("c", "");
    WriteToXML_KCFourCC(&code, KCFourCC("AB D"));
    EXPECT_EQ(code.GetText(), "'AB D'");
    const auto parsed = ThroughText(code);
    EXPECT_EQ(parsed->GetText(), "AB D");
    KCFourCC read;
    EXPECT_EQ(ReadFromXML_KCFourCC(parsed.get(), read), eNoErr);
    EXPECT_EQ(read, KCFourCC("AB D"));
    EXPECT_EQ(ReadFromXML_KCFourCC(&code, read), eNoErr);
    CXMLElement shortCode("c", "ABC");
    EXPECT_EQ(ReadFromXML_KCFourCC(&shortCode, read), eValueWrongSize);
    EXPECT_EQ(read, KCFourCC("AB D"));
}

TEST(XMLValues, StringsAndCdataEntities) {
    CXMLElement list("list", "");
    const std::vector<std::string> strings = {"one", "two & three", "line\nbreak"};
    WriteToXML_String_Vector(&list, strings);
    std::vector<std::string> read = {"old"};
    EXPECT_EQ(ReadFromXML_String_Vector(ThroughText(list).get(), read), eNoErr);
    EXPECT_EQ(read, strings);
    EXPECT_EQ(std::string(list.GetSubElements()[0]->GetName().c_str()), "String");
    EXPECT_EQ(ReadFromXML_String_Vector(nullptr, read), eXMLElementMissing);

    std::string text = "a[1]]>b";
    InsertCDATAEntities(text);
    EXPECT_EQ(text, "a&lsqb;1&rsqb;&rsqb;>b");
    RemoveCDATAEntities(text);
    EXPECT_EQ(text, "a[1]]>b");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::XML
