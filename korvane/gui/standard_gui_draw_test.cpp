// The standard GUI drawn as one stream and rendered to PNG from a real bundle's pictures.
#include "korvane/gui/standard_gui.h"

#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/core/thread_mutex.h"
#include "korvane/graphs/graph_data.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/pvm/loaded_image_source.h"
#include "korvane/gui/pvm/pvm_test_support.h"
#include "korvane/gui/pvm/res_image_source.h"
#include "korvane/gui/testing/knob_control.h"

#include <gtest/gtest.h>
#include <png.h>
#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using PluginViewManager::testing::EncodePNG;
using test_support::ParseXML;
using test_support::TestAlgorithm;
using Rgba = std::array<std::uint8_t, 4>;

constexpr Rgba kBlue = {0, 0, 255, 255};
constexpr Rgba kRed = {255, 0, 0, 255};
constexpr Rgba kGreen = {0, 255, 0, 255};
constexpr Rgba kYellow = {255, 255, 0, 255};

std::string SolidPNG(int width, int height, const Rgba& colour) {
    std::vector<std::uint8_t> rgba;
    for (int i = 0; i < width * height; ++i) {
        rgba.insert(rgba.end(), colour.begin(), colour.end());
    }
    return EncodePNG(width, height, rgba);
}

// A decoded PNG, straight RGBA.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;

    [[nodiscard]] Rgba At(int x, int y) const {
        const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                static_cast<std::size_t>(x)) *
                               4U;
        return {rgba[at], rgba[at + 1], rgba[at + 2], rgba[at + 3]};
    }
};

Picture Decode(const std::vector<unsigned char>& png) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Picture picture;
    if (png_image_begin_read_from_memory(&image, png.data(), png.size()) == 0) {
        ADD_FAILURE() << "not a PNG";
        return picture;
    }
    image.format = PNG_FORMAT_RGBA;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.rgba.resize(PNG_IMAGE_SIZE(image));
    EXPECT_NE(png_image_finish_read(&image, nullptr, picture.rgba.data(), 0, nullptr), 0);
    return picture;
}

// A 40 × 30 GUI over a blue base picture: control A (red) at (2, 4), control B (green) at
// (20, 4), each 10 × 10, and a hidden control C (yellow) at (2, 18).
constexpr const char* kGUI = R"(<GUIXML version='4'>
  <ViewRect_List><Rect Bottom="30" Right="40"/></ViewRect_List>
  <Pict_List><Image Type="Base" ResID="128"/></Pict_List>
  <Control_List>
    <cCONTROLLER Name="A"><Class Type="Knob"/><ControlRect left="2" top="4" width="10" height="10"/>
      <ImageList><Image Type="BackGround" ResID="200"/></ImageList></cCONTROLLER>
    <cCONTROLLER Name="B"><Class Type="Knob"/><ControlRect left="20" top="4" width="10" height="10"/>
      <ImageList><Image Type="BackGround" ResID="201"/></ImageList></cCONTROLLER>
    <cCONTROLLER Name="C"><Class Type="Knob"/><Flags><Hidden/></Flags>
      <ControlRect left="2" top="18" width="10" height="10"/>
      <ImageList><Image Type="BackGround" ResID="202"/></ImageList></cCONTROLLER>
  </Control_List>
</GUIXML>)";

class StandardGUIDraw : public PluginViewManager::testing::BundleTest {
protected:
    void SetUp() override {
        BundleTest::SetUp();
        WriteResource("PNG_", "128", SolidPNG(40, 30, kBlue));
        WriteResource("PNG_", "200", SolidPNG(10, 10, kRed));
        WriteResource("PNG_", "201", SolidPNG(10, 10, kGreen));
        WriteResource("PNG_", "202", SolidPNG(10, 10, kYellow));
        OpenBundle();
        ASSERT_NE(container, nullptr);
        ASSERT_EQ(alg.FinishCreate(), 0);
        gui = std::make_unique<CStandardGUI_X>(container);
        gui->AttachAlgorithm(&alg);
        ASSERT_EQ(gui->ReadFromXML(ParseXML(kGUI)), eNoErr);
        ASSERT_EQ(gui->GetNumGUIControllers(), 3U);
    }
    void TearDown() override {
        gui.reset();
        BundleTest::TearDown();
    }
    Picture Render() {
        std::vector<unsigned char> png;
        EXPECT_EQ(gui->RenderToPNG(png), eNoErr);
        return Decode(png);
    }

    testing::KnobTypes types;
    TestAlgorithm alg;
    std::unique_ptr<CStandardGUI_X> gui;
};

TEST_F(StandardGUIDraw, RendersTheBasePictureAndEachVisibleControlsImage) {
    const Picture picture = Render();
    ASSERT_EQ(picture.width, 40);
    ASSERT_EQ(picture.height, 30);
    EXPECT_EQ(picture.At(35, 25), kBlue) << "the base picture where no control is";
    EXPECT_EQ(picture.At(15, 8), kBlue) << "between the controls";
    EXPECT_EQ(picture.At(2, 4), kRed) << "A's corner";
    EXPECT_EQ(picture.At(11, 13), kRed) << "A's far corner";
    EXPECT_EQ(picture.At(12, 8), kBlue) << "just right of A";
    EXPECT_EQ(picture.At(20, 4), kGreen);
    EXPECT_EQ(picture.At(29, 13), kGreen);
    EXPECT_EQ(picture.At(6, 22), kBlue) << "the hidden control is not drawn";

    gui->GetControlPtrByName("C")->SetHidden(false);
    EXPECT_EQ(Render().At(6, 22), kYellow) << "shown again, it is drawn";
}

TEST_F(StandardGUIDraw, ControlsLoadTheirImagesWhenMadeAndOnASkinChange) {
    const KCGUIControl& a = *gui->GetControlPtrByName("A");
    ASSERT_EQ(a.GetBackgroundImages().size(), 1U);
    EXPECT_TRUE(a.GetBackgroundImages().IsImageLoadable(0));
    EXPECT_EQ(a.GetBackgroundImages().GetCurrentImage()->GetWidth(), 10);
    EXPECT_TRUE(a.GetForegroundImages().empty());
    EXPECT_TRUE(a.GetSelectionImages(eSelectLevelHover).empty());

    gui->UpdateFromSkinXML(ParseXML(R"(<Skin><Control_List><cCONTROLLER Name="A">
        <ImageList><Image Type="BackGround" ResID="201"/>
          <Image Type="Selection" Level="Hover" ResID="200"/><Image Type="ForeGround" ResID="404"/>
        </ImageList></cCONTROLLER></Control_List></Skin>)"));
    EXPECT_EQ(a.GetBackgroundImages().GetCurrentImageResID(), 201);
    EXPECT_TRUE(a.GetSelectionImages(eSelectLevelHover).IsImageLoadable(0));
    ASSERT_EQ(a.GetForegroundImages().size(), 1U) << "a missing image is kept";
    EXPECT_FALSE(a.GetForegroundImages().IsImageLoadable(0));
}

TEST_F(StandardGUIDraw, ASkinThatSwapsAControlsImageChangesItsPixels) {
    ASSERT_EQ(Render().At(6, 8), kRed);
    gui->UpdateFromSkinXML(ParseXML(R"(<Skin><Control_List><cCONTROLLER Name="A">
        <ImageList><Image Type="BackGround" ResID="202"/></ImageList>
      </cCONTROLLER></Control_List></Skin>)"));
    const Picture picture = Render();
    EXPECT_EQ(picture.At(6, 8), kYellow);
    EXPECT_EQ(picture.At(25, 8), kGreen) << "the other control keeps its image";
}

TEST_F(StandardGUIDraw, AnImageFromAFileDrawsThePixelsTheControlLoaded) {
    tmp.Write("skin/knob.png", SolidPNG(10, 10, kYellow));
    const std::string file = tmp.Path("skin/knob.png");
    gui->UpdateFromSkinXML(ParseXML(R"(<Skin><Control_List><cCONTROLLER Name="A">
        <ImageList><Image Type="BackGround" File=")" +
                                    file + R"("/></ImageList>
      </cCONTROLLER></Control_List></Skin>)"));
    Picture picture = Render();
    EXPECT_EQ(picture.At(2, 4), kYellow);
    EXPECT_EQ(picture.At(11, 13), kYellow);
    EXPECT_EQ(picture.At(25, 8), kGreen) << "resource images still come from the resources";

    // The renderer does not read the file: it draws what the control holds.
    tmp.Write("skin/knob.png", SolidPNG(10, 10, kGreen));
    picture = Render();
    EXPECT_EQ(picture.At(6, 8), kYellow);

    gui->UpdateFromSkinXML(ParseXML(R"(<Skin><Control_List><cCONTROLLER Name="A">
        <ImageList><Image Type="BackGround" File=")" +
                                    tmp.Path("skin") + R"("/></ImageList>
      </cCONTROLLER></Control_List></Skin>)"));
    EXPECT_EQ(Render().At(6, 8), kBlue) << "a folder is no image, and nothing is drawn";
}

TEST(LoadedImageSource, LendsPixelsByKeyAndAsksTheFallbackForTheRest) {
    PluginViewManager::KCPNGImageSource fallback;
    const std::string red = SolidPNG(2, 2, kRed);
    ASSERT_EQ(fallback.AddPNG(7, red.data(), red.size()), eNoErr);
    PluginViewManager::KCImagePixels first;
    PluginViewManager::KCImagePixels second;
    PluginViewManager::KCLoadedImageSource source(&fallback);
    source.Add(0, "a.png", &first);
    source.Add(0, "a.png", &second);
    source.Add(5, {}, &second);
    source.Add(6, {}, nullptr);
    EXPECT_EQ(source.size(), 2U);
    EXPECT_EQ(source.GetImage(0, "a.png"), &first) << "the first pixels for a key stay";
    EXPECT_EQ(source.GetImage(5, {}), &second);
    EXPECT_EQ(source.GetImage(0, "b.png"), nullptr);
    EXPECT_NE(source.GetImage(7, {}), nullptr) << "not lent: the fallback's";
    EXPECT_EQ(source.GetImage(6, {}), nullptr);
    PluginViewManager::KCLoadedImageSource alone;
    EXPECT_EQ(alone.GetImage(7, {}), nullptr);
}

TEST_F(StandardGUIDraw, MissingPicturesLeaveTheirPlaceUndrawn) {
    gui->UpdateFromSkinXML(ParseXML(R"(<Skin><Control_List><cCONTROLLER Name="B">
        <ImageList><Image Type="BackGround" ResID="999"/></ImageList>
      </cCONTROLLER></Control_List></Skin>)"));
    EXPECT_EQ(Render().At(25, 8), kBlue);

    PluginViewManager::KCResImageSource source(container);
    ASSERT_NE(source.GetImage(200, ""), nullptr);
    EXPECT_EQ(source.GetImage(200, ""), source.GetImage(200, "")) << "loaded once, kept";
    EXPECT_EQ(source.GetImage(999, ""), nullptr);
    EXPECT_EQ(source.GetImage(999, ""), nullptr);
    EXPECT_EQ(source.GetFailedCount(), 1U) << "a missing id is tried once";
    EXPECT_EQ(source.GetImage(200, "PNG_200"), nullptr) << "no images by name";
    EXPECT_EQ(source.GetImage(70000, ""), nullptr) << "not a resource id";
}

TEST_F(StandardGUIDraw, RedrawRequestsComeFromTheGUIAndItsVisibleControls) {
    EXPECT_TRUE(gui->NeedToRedrawGUI()) << "a new GUI was never drawn";
    kvGS::KCGraphicStreamBinaryWriter writer;
    gui->GetDrawInstructions(writer);
    EXPECT_FALSE(gui->NeedToRedrawGUI());

    gui->GetControlPtrByName("C")->SetNeedToRedrawControl();
    EXPECT_FALSE(gui->NeedToRedrawGUI()) << "a hidden control shows nothing to redraw";
    gui->GetControlPtrByName("B")->SetNeedToRedrawControl();
    EXPECT_TRUE(gui->NeedToRedrawGUI());
    writer.ClearStream();
    gui->GetDrawInstructions(writer);
    EXPECT_FALSE(gui->NeedToRedrawGUI());
    EXPECT_FALSE(gui->GetControlPtrByName("B")->NeedToRedrawControl());

    gui->SetSelectRect(KURect<short>(1, 1, 5, 5));
    EXPECT_TRUE(gui->NeedToRedrawGUI());
}

TEST_F(StandardGUIDraw, TheSelectionRectangleIsDrawnUnlessTheGUISaysNot) {
    gui->SetSelectRect(KURect<short>(20, 30, 26, 38));  // over the blue base
    Picture picture = Render();
    EXPECT_NE(picture.At(34, 23), kBlue) << "the rectangle inverts what lies under it";
    EXPECT_EQ(picture.At(34, 29), kBlue) << "outside the rectangle";
    gui->SetGUIFlag(eGUIFlagNoSelectRect, true);
    EXPECT_EQ(Render().At(34, 23), kBlue);
}

// The stream file carries the dump, each control's graph data, the stream and the pictures it
// draws in an archive beside it; the dump tool draws it again without the plug-in, to the same
// pixels as the live GUI.
TEST_F(StandardGUIDraw, TheStreamFileDrawsAgainWithTheDumpToolFromItsOwnPictures) {
    auto graph = std::make_unique<testing::Knob>(gui.get());
    graph->ReadFromXMLWithAlg(ParseXML(R"(<cCONTROLLER Name="Curve">
      <ControlRect left="20" top="18" width="10" height="10"/>
      <ParameterList><Param Name="Gain"/></ParameterList></cCONTROLLER>)"),
                              &alg, false);
    gui->AddNewControl(std::move(graph));
    {
        const kvThread::ThreadMutexLock lock(alg.AlgLock());
        alg.SetParamGraphData(TestAlgorithm::kGain,
                              KCGraphData<KCPoint2D<short>>({{0, 9}, {4, 2}, {9, 0}}));
    }
    kvGS::KCGraphicStreamBinaryWriter writer;
    gui->GetDrawInstructions(writer);
    const std::string path = tmp.Path("gui.yaml");
    ASSERT_EQ(gui->WriteGraphicStreamToFile(writer, path.c_str()), eNoErr);

    const YAML::Node root = YAML::LoadFile(path);
    EXPECT_TRUE(root["stream"].IsMap()) << "the dump as before";
    EXPECT_EQ(root["pictures"]["archive"].as<std::string>(), "gui.yaml.PNG_.zip");
    EXPECT_EQ(root["pictures"]["ids"].as<std::vector<int>>(), (std::vector<int>{128, 200, 201}))
        << "the hidden control's picture is not drawn";
    ASSERT_TRUE(root["graph_data"]["Curve"].IsMap());
    EXPECT_FALSE(root["graph_data"]["A"]) << "a control without graph data";
    std::stringstream curve;
    curve << root["graph_data"]["Curve"];
    EXPECT_NE(curve.str().find("ParamID: " + std::to_string(TestAlgorithm::kGain)),
              std::string::npos)
        << curve.str();
    EXPECT_NE(curve.str().find("[0, 9, 4, 2, 9, 0]"), std::string::npos) << curve.str();
    const auto stream = root["stream_bytes"].as<YAML::Binary>();
    ASSERT_EQ(stream.size(), writer.GetStream().size);
    EXPECT_TRUE(std::equal(stream.data(), stream.data() + stream.size(),
                           static_cast<const unsigned char*>(writer.GetStream().ptr)));

    // Away from the plug-in: the tool reads the document and its archive only.
    const std::string png = tmp.Path("again.png");
    const std::string command = std::string("\"") + KORVANE_GS_DUMP + "\" \"" + path +
                                "\" --png \"" + png + "\" 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream file(png, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)),
                                           std::istreambuf_iterator<char>());
    const Picture again = Decode(bytes);
    const Picture live = Render();
    ASSERT_EQ(again.width, 40);
    ASSERT_EQ(again.height, 30);
    EXPECT_EQ(again.rgba, live.rgba);
    EXPECT_EQ(again.At(5, 7), kRed) << "control A's picture came from the archive";
    EXPECT_EQ(again.At(35, 25), kBlue) << "the base picture too";

    EXPECT_EQ(gui->WriteGraphicStreamToFile(writer, tmp.Path("no/such/folder/x.yaml").c_str()),
              eFMWriteFailed);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
