// Tests of building from and writing to files: KCXMLFile, whole-file KCXMLable reading and
// writing, and paths in XML.
#include "korvane/xml/xml_file.h"

#include "korvane/fm/file_io.h"
#include "korvane/fm/fm_test_support.h"
#include "korvane/fm/path_ref.h"
#include "korvane/xml/path_xml.h"
#include "korvane/xml/serializer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace kvKorvaneV10_0_3::XML {
namespace {

using FM::testing::ReadAll;
using FM::testing::TempFolder;

struct Settings : KCXMLable {
    int volume = 0;
    std::string name;
    FM::KCStPath folder;
    void SerializeXML(KCXMLSerializer& s) override {
        s.element_name("Volume", 0).element_content(volume).element_end();
        s.element_name("Name", 0).element_content(name).element_end();
        s.element_name("Folder", 0);
        XML::SerializeXML(s, folder);
        s.element_end();
    }
    using KCXMLable::SerializeXML;
};

TEST(XMLFiles, BuildFromFile) {
    const TempFolder tmp;
    CXMLElement root;
    CXMLTreeBuilder missing(root);
    EXPECT_EQ(missing.BuildFromFile(FM::KCStPath(tmp.Path("none.xml").c_str())), eFMFileNotFound);
    CXMLTreeBuilder empty(root);
    EXPECT_EQ(empty.BuildFromFile(FM::KCStPath(tmp.Write("empty.xml", "").c_str())), kXMLFileEmpty);
    CXMLTreeBuilder cut(root);
    EXPECT_EQ(cut.BuildFromFile(FM::KCStPath(tmp.Write("cut.xml", "<a><b>x</b>").c_str())),
              eXMLParserFailed);
    EXPECT_EQ(root.GetSubElements().size(), 1U);  // the tree so far stays

    CXMLElement good;
    CXMLTreeBuilder builder(good);
    const std::string doc = "<?xml version=\"1.0\"?>\n<a n=\"1\">Tom &amp; Jerry</a>\n";
    EXPECT_EQ(builder.BuildFromFile(FM::KCStPath(tmp.Write("good.xml", doc).c_str())), eNoErr);
    EXPECT_EQ(good.GetText(), "Tom & Jerry");

    // Writing creates the file (and its folder) with the declaration in front.
    const FM::KCStPath out(tmp.Path("sub/out.xml").c_str());
    ASSERT_EQ(builder.WriteToDataFork(out), eNoErr);
    std::string expected;
    ASSERT_EQ(builder.WriteToString(expected), eNoErr);
    EXPECT_EQ(ReadAll(tmp.Path("sub/out.xml")), expected);
    const auto perms = std::filesystem::status(tmp.Path("sub/out.xml")).permissions();
    EXPECT_EQ(perms & std::filesystem::perms::owner_exec, std::filesystem::perms::none);
    EXPECT_NE(perms & std::filesystem::perms::owner_write, std::filesystem::perms::none);
    // A second write replaces, never appends.
    ASSERT_EQ(builder.WriteToDataFork(out), eNoErr);
    EXPECT_EQ(ReadAll(tmp.Path("sub/out.xml")), expected);
    EXPECT_NE(builder.WriteToDataFork(FM::KCStPath(tmp.Path("good.xml/inside").c_str())), eNoErr);
}

TEST(XMLFiles, KCXMLFileReadsAndWrites) {
    const TempFolder tmp;
    const std::string doc =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Prefs>\n    <Size>3</Size>\n</Prefs>\n";
    KCXMLFile file(FM::KCStPath(tmp.Write("prefs.xml", doc).c_str()));
    EXPECT_TRUE(file.IsValid());
    EXPECT_EQ(file.Read(), eNoErr);
    EXPECT_STREQ(file.GetXML().SubElementText("Size"), "3");
    file.GetXML().SubElement("Size")->SetText("4");
    EXPECT_EQ(file.Write(), eNoErr);
    EXPECT_EQ(
        ReadAll(tmp.Path("prefs.xml")),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Prefs>\n    <Size>4</Size>\n</Prefs>\n");
    // Reading again starts from an empty tree.
    EXPECT_EQ(file.Read(), eNoErr);
    EXPECT_EQ(file.GetXML().GetSubElements().size(), 1U);

    KCXMLFile folder(FM::KCStPath(tmp.Path().c_str()));
    EXPECT_EQ(folder.Read(), eFMFileNotFound);
    EXPECT_EQ(folder.GetError(), eFMFileNotFound);
    KCXMLFile broken(FM::KCStPath(tmp.Write("broken.xml", "<a><b>").c_str()));
    EXPECT_EQ(broken.Read(), eXMLParserFailed);
    EXPECT_FALSE(broken.IsValid());
    KCXMLFile nowhere{FM::KCStPath()};
    EXPECT_NE(nowhere.Read(), eNoErr);
}

TEST(XMLFiles, SerialisableObjectsAndPaths) {
    const TempFolder tmp;
    Settings out;
    out.volume = -6;
    out.name = "Main <bus>";
    out.folder = FM::KCStPath(tmp.Path("presets").c_str());
    const FM::KCStPath file(tmp.Path("settings.xml").c_str());
    ASSERT_EQ(WriteKCXMLableToFile(file, out, "Settings"), eNoErr);
    EXPECT_EQ(ReadAll(tmp.Path("settings.xml")).rfind("<Settings>", 0), 0U);

    Settings in;
    EXPECT_EQ(ReadKCXMLableFromFile(file, in), eNoErr);
    EXPECT_EQ(in.volume, -6);
    EXPECT_EQ(in.name, "Main <bus>");
    EXPECT_EQ(in.folder, out.folder);

    // A failed build still hands the partial tree to the object.
    Settings partial;
    const FM::KCStPath cut(tmp.Write("cut.xml", "<S><Volume>9</Volume><Name>x").c_str());
    EXPECT_EQ(ReadKCXMLableFromFile(cut, partial), eXMLParserFailed);
    EXPECT_EQ(partial.volume, 9);
    EXPECT_EQ(ReadKCXMLableFromFile(FM::KCStPath(tmp.Path("none.xml").c_str()), partial),
              eFMFileNotFound);

    CXMLElement e("Path", "");
    WriteToXML_KTPathRef(&e, out.folder.GetPathRef());
    EXPECT_EQ(e.GetText(), std::string(out.folder.GetPathString().c_str()));
    FM::KTPathType* ref = nullptr;
    ASSERT_EQ(ReadFromXML_KTPathRef(&e, ref), eNoErr);
    EXPECT_TRUE(FM::IsSamePath(ref, out.folder.GetPathRef()));
    EXPECT_EQ(FM::DisposePathRef(ref), eNoErr);
    EXPECT_EQ(ReadFromXML_KTPathRef(nullptr, ref), eXMLElementMissing);
    EXPECT_EQ(ref, nullptr);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::XML
