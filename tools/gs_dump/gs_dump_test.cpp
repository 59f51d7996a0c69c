// Runs the dump tool on a stream written here and on a damaged copy of it.
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/pvm/gs_renderer.h"
#include "korvane/gui/pvm/png_image.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::kvGS {
namespace {

namespace fs = std::filesystem;

struct Result {
    int exitCode;
    std::string out;
};

Result RunTool(const fs::path& input, const std::string& options) {
    const fs::path out = fs::temp_directory_path() / "korvane_gs_dump_test.out";
    const std::string command = std::string("\"") + KORVANE_GS_DUMP + "\" \"" + input.string() +
                                "\" " + options + " > \"" + out.string() + "\" 2>/dev/null";
    const int status = std::system(command.c_str());
    std::ifstream file(out);
    std::stringstream text;
    text << file.rdbuf();
    // std::system gives the wait status: the exit code sits in its second byte.
    return {status == -1 ? -1 : (status >> 8) & 0xFF, text.str()};
}

TEST(GSDumpTool, DumpsAStreamFileAsYamlAndSvg) {
    KCGraphicStreamBinaryWriter w;
    SGSStream stream;
    stream.rect = {0, 0, 64, 32};
    {
        KCStGSStreamStructWriter guard(w, stream);
        w.DrawLine(KCRGBAColor{255, 0, 0, 255}, {1, 2}, {30, 20}, 1, true);
        w.DrawTheText("Gain", 0, eGSLeft, eGSTop);
    }
    const fs::path input = fs::temp_directory_path() / "korvane_gs_dump_test.kgs";
    const auto& s = w.GetStream();
    std::ofstream(input, std::ios::binary).write(static_cast<const char*>(s.ptr), s.size);

    const Result yaml = RunTool(input, "");
    EXPECT_EQ(yaml.exitCode, 0);
    EXPECT_NE(yaml.out.find("stream:"), std::string::npos) << yaml.out;
    EXPECT_NE(yaml.out.find("values: [1, 2, 30, 20]"), std::string::npos) << yaml.out;
    EXPECT_NE(yaml.out.find("text: Gain"), std::string::npos) << yaml.out;
    EXPECT_EQ(yaml.out.find("owner: 0"), std::string::npos) << "defaults left out";
    EXPECT_NE(RunTool(input, "--all").out.find("owner: 0"), std::string::npos);

    const Result svg = RunTool(input, "--svg");
    EXPECT_EQ(svg.exitCode, 0);
    EXPECT_EQ(svg.out.rfind("<?xml", 0), 0U) << svg.out;
    EXPECT_NE(svg.out.find("viewBox=\"0 0 64 32\""), std::string::npos) << svg.out;
    EXPECT_NE(svg.out.find("points=\"1,2 30,20\""), std::string::npos) << svg.out;
    EXPECT_NE(svg.out.find(">Gain</text>"), std::string::npos) << svg.out;

    // Cut in the middle of a record: what came before is shown, the exit code says it failed.
    fs::resize_file(input, s.size - 10);
    const Result cut = RunTool(input, "");
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_NE(cut.out.find("values: [1, 2, 30, 20]"), std::string::npos) << cut.out;
    EXPECT_EQ(RunTool(input.string() + ".missing", "").exitCode, 1);
    EXPECT_EQ(RunTool(input, "--bogus").exitCode, 2);
    fs::remove(input);
}

// The bytes of a stream drawing a solid rectangle over its whole frame.
std::vector<char> SolidStream(int width, int height, const KCRGBAColor& color,
                              const std::function<void(KCGraphicStreamBinaryWriter&)>& more) {
    KCGraphicStreamBinaryWriter w;
    SGSStream stream;
    stream.rect = {0, 0, width, height};
    {
        KCStGSStreamStructWriter guard(w, stream);
        w.DrawSolidRect(color,
                        KURect<short>{0, 0, static_cast<short>(height), static_cast<short>(width)});
        more(w);
    }
    const auto& s = w.GetStream();
    return {static_cast<const char*>(s.ptr), static_cast<const char*>(s.ptr) + s.size};
}

TEST(GSDumpTool, DrawsAStreamFileIntoAPngWithItsImages) {
    const fs::path folder = fs::temp_directory_path() / "korvane_gs_dump_png";
    fs::create_directories(folder);
    // The image the stream names: a red square, itself drawn by the renderer.
    const auto image =
        SolidStream(4, 4, KCRGBAColor{255, 0, 0, 255}, [](KCGraphicStreamBinaryWriter&) {});
    std::vector<unsigned char> png;
    ASSERT_EQ(PluginViewManager::RenderGraphicStreamToPNG(image.data(), image.size(), nullptr, png),
              eNoErr);
    std::ofstream(folder / "PNG_knob.png", std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));

    const auto stream =
        SolidStream(32, 16, KCRGBAColor{0, 0, 255, 255}, [](KCGraphicStreamBinaryWriter& w) {
            w.DrawPNGAtPosition("knob", {20, 6});
        });
    const fs::path input = folder / "gui.kgs";
    std::ofstream(input, std::ios::binary)
        .write(stream.data(), static_cast<std::streamsize>(stream.size()));
    const fs::path output = folder / "gui.png";
    const Result drawn =
        RunTool(input, "--png \"" + output.string() + "\" --images \"" + folder.string() + "\"");
    ASSERT_EQ(drawn.exitCode, 0);
    std::ifstream file(output, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                  std::istreambuf_iterator<char>());
    PluginViewManager::KCImagePixels pixels;
    ASSERT_EQ(PluginViewManager::DecodePNG(bytes.data(), bytes.size(), pixels), eNoErr);
    EXPECT_EQ(pixels.width, 32);
    EXPECT_EQ(pixels.height, 16);
    EXPECT_EQ(pixels.At(5, 5), 0xFF0000FFU);   // the rectangle, blue
    EXPECT_EQ(pixels.At(21, 7), 0xFFFF0000U);  // the image, red
    EXPECT_EQ(pixels.At(24, 7), 0xFF0000FFU);  // past its 4 pixels

    // Without the folder the image is missing: still a picture, and a word about it.
    fs::remove(output);
    EXPECT_EQ(RunTool(input, "--png \"" + output.string() + "\"").exitCode, 0);
    EXPECT_TRUE(fs::exists(output));
    EXPECT_EQ(RunTool(input, "--images \"" + folder.string() + "\"").exitCode, 2);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::kvGS
