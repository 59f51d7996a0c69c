// Runs the dump tool on a stream written here and on a damaged copy of it.
#include "korvane/gs/gs_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

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

}  // namespace
}  // namespace kvKorvaneV10_0_3::kvGS
