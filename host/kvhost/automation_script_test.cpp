// The automation-script reader: the documented examples, times in seconds and samples, values
// at, between and after points, and every refusal with its place in the script.
#include "host/kvhost/automation_script.h"

#include "korvane/core/testing/locale_guard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

using KorvaneHost::AutomationError;
using KorvaneHost::AutomationLane;
using KorvaneHost::AutomationPoint;
using KorvaneHost::AutomationScript;

namespace {

constexpr double kRate = 48000.0;

std::vector<AutomationLane> LanesOf(const std::string& text, double rate = kRate) {
    AutomationError error;
    const std::optional<AutomationScript> script = AutomationScript::Parse(text, rate, error);
    EXPECT_TRUE(script.has_value())
        << error.line << ":" << error.column << ": " << error.message << "\n"
        << text;
    return script ? script->Lanes() : std::vector<AutomationLane>{};
}

// The frames of a one-point lane whose time is `time`.
std::int64_t FrameOf(const std::string& time, double rate = kRate) {
    const auto lanes = LanesOf("- {parameter: p, points: [{time: " + time + ", value: 0}]}", rate);
    return lanes.empty() ? -1 : lanes[0].points.at(0).frame;
}

double ValueOf(const std::string& value) {
    const auto lanes = LanesOf("- {parameter: p, points: [{time: 0, value: " + value + "}]}");
    return lanes.empty() ? std::numeric_limits<double>::quiet_NaN() : lanes[0].points.at(0).value;
}

// The lane's value at `frame`, NaN (and a failure) when it has none.
double At(const AutomationLane& lane, std::int64_t frame) {
    const std::optional<double> value = AutomationScript::ValueAt(lane, frame);
    EXPECT_TRUE(value.has_value()) << "no value at frame " << frame;
    return value.value_or(std::numeric_limits<double>::quiet_NaN());
}

// The yaml blocks of the "Automation scripts" section of docs/kvhost.md.
std::vector<std::string> DocumentedScripts() {
    std::ifstream in(std::string(KORVANE_SOURCE_DIR) + "/docs/kvhost.md");
    std::vector<std::string> blocks;
    bool inSection = false;
    bool inBlock = false;
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("## ", 0) == 0) {
            inSection = line == "## Automation scripts";
        } else if (inSection && line == "```yaml") {
            inBlock = true;
            blocks.emplace_back();
        } else if (inBlock && line == "```") {
            inBlock = false;
        } else if (inBlock) {
            blocks.back() += line + "\n";
        }
    }
    return blocks;
}

// True when the text holds no control character: an error is printed as one line.
bool OneLine(const std::string& text) {
    return std::none_of(text.begin(), text.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

bool SamePoints(const std::vector<AutomationPoint>& a, const std::vector<AutomationPoint>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].frame != b[i].frame || a[i].value != b[i].value || a[i].ramp != b[i].ramp) {
            return false;
        }
    }
    return true;
}

TEST(AutomationScript, TheDocumentedExamplesSayWhatTheirTextSays) {
    const std::vector<std::string> scripts = DocumentedScripts();
    ASSERT_EQ(scripts.size(), 3U);

    // The sweep of the first band's gain from -12 dB to +12 dB over 4 s, long and short.
    const auto longForm = LanesOf(scripts[0]);
    const auto shortForm = LanesOf(scripts[1]);
    ASSERT_EQ(longForm.size(), 1U);
    ASSERT_EQ(shortForm.size(), 1U);
    EXPECT_EQ(longForm[0].parameter, "Gain_0");
    const std::vector<AutomationPoint> sweep = {{0, -12.0, false}, {192000, 12.0, true}};
    EXPECT_TRUE(SamePoints(longForm[0].points, sweep));
    EXPECT_EQ(shortForm[0].parameter, "Gain_0");
    EXPECT_TRUE(SamePoints(shortForm[0].points, sweep));
    EXPECT_EQ(AutomationScript::ValueAt(longForm[0], 96000), 0.0);

    const auto lanes = LanesOf(scripts[2]);
    ASSERT_EQ(lanes.size(), 3U);
    EXPECT_EQ(lanes[0].parameter, "Gain_0");
    EXPECT_TRUE(SamePoints(lanes[0].points, {{48000, -12.0, false}, {240000, 12.0, true}}));
    EXPECT_EQ(lanes[1].parameter, "Freq_1");
    EXPECT_TRUE(SamePoints(lanes[1].points,
                           {{0, 1000.0, false}, {120000, 2000.0, false}, {240000, 500.0, true}}));
    EXPECT_EQ(lanes[2].parameter, "Bypass");
    EXPECT_TRUE(SamePoints(lanes[2].points, {{288000, 1.0, false}}));
}

TEST(AutomationScript, TimesInSecondsFollowTheRateAndSampleCountsDoNot) {
    EXPECT_EQ(FrameOf("0"), 0);
    EXPECT_EQ(FrameOf("2.5"), 120000);
    EXPECT_EQ(FrameOf("2.5s"), 120000);
    EXPECT_EQ(FrameOf("2.5 s"), 120000);
    EXPECT_EQ(FrameOf("\"2.5s\""), 120000);
    EXPECT_EQ(FrameOf("1e-1"), 4800);
    EXPECT_EQ(FrameOf("+1"), 48000);
    EXPECT_EQ(FrameOf("250ms"), 12000);
    EXPECT_EQ(FrameOf("2.5", 44100.0), 110250);
    EXPECT_EQ(FrameOf("250 ms", 44100.0), 11025);

    for (const double rate : {44100.0, 48000.0, 96000.0}) {
        EXPECT_EQ(FrameOf("48000 samples", rate), 48000);
        EXPECT_EQ(FrameOf("48000smp", rate), 48000);
        EXPECT_EQ(FrameOf("1 sample", rate), 1);
        EXPECT_EQ(FrameOf("0 samples", rate), 0);
        EXPECT_EQ(FrameOf("1e3 samples", rate), 1000);
        EXPECT_EQ(FrameOf("+7 smp", rate), 7);
    }

    // Seconds round to the nearest frame.
    EXPECT_EQ(FrameOf("0.0004", 1000.0), 0);
    EXPECT_EQ(FrameOf("0.0006", 1000.0), 1);
    EXPECT_EQ(FrameOf("0.0014", 1000.0), 1);
}

TEST(AutomationScript, ValuesArePlainNumbersAsTyped) {
    EXPECT_EQ(ValueOf("-12"), -12.0);
    EXPECT_EQ(ValueOf("+12"), 12.0);
    EXPECT_EQ(ValueOf("0.5"), 0.5);
    EXPECT_EQ(ValueOf("1e3"), 1000.0);
    EXPECT_EQ(ValueOf("\"-3.25\""), -3.25);
    EXPECT_EQ(ValueOf("-0.1"), -0.1);
}

TEST(AutomationScript, LanesKeepTheirScriptOrderAndEqualTimesTheirOrderToo) {
    const auto lanes = LanesOf(
        "- parameter: b\n"
        "  points: [{time: 1, value: 1}, {time: 1, value: 2}, {time: 1, value: 3}]\n"
        "- parameter: a\n"
        "  points: [{time: 0, value: 0}]\n");
    ASSERT_EQ(lanes.size(), 2U);
    EXPECT_EQ(lanes[0].parameter, "b");
    EXPECT_EQ(lanes[1].parameter, "a");
    ASSERT_EQ(lanes[0].points.size(), 3U);
    EXPECT_EQ(lanes[0].points[0].value, 1.0);
    EXPECT_EQ(lanes[0].points[1].value, 2.0);
    EXPECT_EQ(lanes[0].points[2].value, 3.0);
}

TEST(AutomationScript, RampAcceptsYamlBooleans) {
    const auto lanes = LanesOf(
        "- parameter: p\n"
        "  points:\n"
        "    - {time: 0, value: 0}\n"
        "    - {time: 1, value: 1, ramp: false}\n"
        "    - {time: 2, value: 2, ramp: true}\n"
        "    - {time: 3, value: 3, ramp: True}\n");
    ASSERT_EQ(lanes.size(), 1U);
    ASSERT_EQ(lanes[0].points.size(), 4U);
    EXPECT_FALSE(lanes[0].points[0].ramp);
    EXPECT_FALSE(lanes[0].points[1].ramp);
    EXPECT_TRUE(lanes[0].points[2].ramp);
    EXPECT_TRUE(lanes[0].points[3].ramp);
}

TEST(AutomationScriptValueAt, JumpsHoldUntilTheNextPoint) {
    const AutomationLane lane{"p", {{100, 1.0, false}, {200, 2.0, false}, {300, -3.0, false}}};
    EXPECT_EQ(AutomationScript::ValueAt(lane, std::numeric_limits<std::int64_t>::min()),
              std::nullopt);
    EXPECT_EQ(AutomationScript::ValueAt(lane, 0), std::nullopt);
    EXPECT_EQ(AutomationScript::ValueAt(lane, 99), std::nullopt);
    EXPECT_EQ(AutomationScript::ValueAt(lane, 100), 1.0);
    EXPECT_EQ(AutomationScript::ValueAt(lane, 150), 1.0);
    EXPECT_EQ(AutomationScript::ValueAt(lane, 199), 1.0);
    EXPECT_EQ(AutomationScript::ValueAt(lane, 200), 2.0);
    EXPECT_EQ(AutomationScript::ValueAt(lane, 299), 2.0);
    EXPECT_EQ(AutomationScript::ValueAt(lane, 300), -3.0);
    EXPECT_EQ(AutomationScript::ValueAt(lane, 1000000), -3.0);
    EXPECT_EQ(AutomationScript::ValueAt(lane, std::numeric_limits<std::int64_t>::max()), -3.0);
    EXPECT_EQ(AutomationScript::ValueAt(AutomationLane{"p", {}}, 0), std::nullopt);
}

TEST(AutomationScriptValueAt, RampsAreLinearAndExactAtTheirEnds) {
    const AutomationLane lane{
        "p", {{0, -12.0, false}, {192000, 12.0, true}, {200000, 0.1, false}, {300000, 0.7, true}}};
    EXPECT_EQ(AutomationScript::ValueAt(lane, 0), -12.0);
    EXPECT_DOUBLE_EQ(At(lane, 48000), -6.0);
    EXPECT_DOUBLE_EQ(At(lane, 96000), 0.0);
    EXPECT_DOUBLE_EQ(At(lane, 144000), 6.0);
    EXPECT_EQ(AutomationScript::ValueAt(lane, 192000), 12.0);
    // Between a ramp's end and a jump the ramp's end value holds.
    EXPECT_EQ(AutomationScript::ValueAt(lane, 199999), 12.0);
    EXPECT_EQ(AutomationScript::ValueAt(lane, 200000), 0.1);
    EXPECT_DOUBLE_EQ(At(lane, 250000), 0.4);
    EXPECT_EQ(AutomationScript::ValueAt(lane, 300000), 0.7);
    EXPECT_EQ(AutomationScript::ValueAt(lane, 400000), 0.7);

    // A ramp moves monotonically, one frame at a time.
    double previous = -13.0;
    for (std::int64_t frame = 0; frame <= 192000; frame += 997) {
        const double value = At(lane, frame);
        EXPECT_GT(value, previous) << frame;
        previous = value;
    }
}

TEST(AutomationScriptValueAt, AtEqualTimesTheLastPointHoldsAndARampStartsFromIt) {
    const AutomationLane lane{
        "p", {{0, 0.0, false}, {100, 10.0, true}, {100, 50.0, false}, {200, 100.0, true}}};
    EXPECT_DOUBLE_EQ(At(lane, 50), 5.0);
    EXPECT_EQ(AutomationScript::ValueAt(lane, 100), 50.0);
    EXPECT_DOUBLE_EQ(At(lane, 150), 75.0);
    EXPECT_EQ(AutomationScript::ValueAt(lane, 200), 100.0);

    // A ramp onto a point at the same time as the previous one is a jump.
    const AutomationLane zero{"p", {{100, 1.0, false}, {100, 2.0, true}}};
    EXPECT_EQ(AutomationScript::ValueAt(zero, 100), 2.0);
    EXPECT_EQ(AutomationScript::ValueAt(zero, 99), std::nullopt);
}

TEST(AutomationScriptValueAt, FollowsAParsedSweep) {
    const auto lanes =
        LanesOf("- {parameter: p, sweep: {from: 100, to: 200, start: 1s, end: 2s}}", 1000.0);
    ASSERT_EQ(lanes.size(), 1U);
    EXPECT_EQ(AutomationScript::ValueAt(lanes[0], 999), std::nullopt);
    EXPECT_EQ(AutomationScript::ValueAt(lanes[0], 1000), 100.0);
    EXPECT_DOUBLE_EQ(At(lanes[0], 1250), 125.0);
    EXPECT_EQ(AutomationScript::ValueAt(lanes[0], 2000), 200.0);
    EXPECT_EQ(AutomationScript::ValueAt(lanes[0], 5000), 200.0);
}

// Extreme values ramp without overflowing to infinity.
TEST(AutomationScriptValueAt, RampsBetweenExtremeValuesStayFinite) {
    const double big = std::numeric_limits<double>::max();
    const AutomationLane lane{"p", {{0, -big, false}, {10, big, true}}};
    for (std::int64_t frame = 0; frame <= 10; ++frame) {
        const double value = At(lane, frame);
        EXPECT_TRUE(value >= -big && value <= big) << frame;
    }
}

struct KSRefusalCase {
    const char* name;
    const char* text;
    int line;
    int column;
    const char* message;  // a part of the message
};

// Each refusal with where it points and what it says.
TEST(AutomationScript, RefusesEveryFaultWithItsPlace) {
    const KSRefusalCase cases[] = {
        {"not YAML", "- parameter: p\n  points: [{time: 0, value: 0}\n", 3, 1, "not valid YAML"},
        {"bad escape",
         "- {parameter: \"a\\\x01"
         "z\", points: [{time: 0, value: 0}]}\n",
         1, 19, "not valid YAML: unknown escape character: ?"},
        {"two documents", "- {parameter: a, points: [{time: 0, value: 0}]}\n---\n- b\n", 2, 1,
         "more than one YAML document"},
        {"empty", "", 0, 0, "the script is empty"},
        {"only a comment", "# nothing\n", 0, 0, "the script is empty"},
        {"a map", "parameter: p\npoints: []\n", 1, 1, "must be a list of lanes"},
        {"a scalar", "hello\n", 1, 1, "must be a list of lanes"},
        {"no lanes", "[]\n", 1, 1, "has no lanes"},
        {"lane not a map", "- p\n", 1, 3, "a lane must be a map"},
        {"unknown lane key", "- parameter: p\n  point: [{time: 0, value: 0}]\n", 2, 3,
         "unknown key 'point' in a lane (expected parameter, points or sweep)"},
        {"repeated key", "- parameter: p\n  points: [{time: 0, value: 0}]\n  parameter: q\n", 3, 3,
         "key 'parameter' appears twice in a lane"},
        {"key not text", "- {[a]: 1}\n", 1, 4, "a key in a lane must be text"},
        {"no parameter", "- points: [{time: 0, value: 0}]\n", 1, 3, "names no parameter"},
        {"parameter a list", "- {parameter: [a], points: [{time: 0, value: 0}]}\n", 1, 15,
         "parameter must be a parameter name"},
        {"parameter empty", "- {parameter: \"\", points: [{time: 0, value: 0}]}\n", 1, 15,
         "parameter must be a parameter name"},
        {"no points", "- parameter: p\n", 1, 3, "has neither points nor a sweep"},
        {"points and sweep",
         "- parameter: p\n  points: [{time: 0, value: 0}]\n  sweep: {from: 0, to: 1, end: 1}\n", 3,
         3, "points or a sweep, not both"},
        {"same parameter twice",
         "- {parameter: p, points: [{time: 0, value: 0}]}\n"
         "- {parameter: q, points: [{time: 0, value: 0}]}\n"
         "- {parameter: p, points: [{time: 1, value: 1}]}\n",
         3, 3, "parameter 'p' already has a lane, on line 1"},
        {"points not a list", "- parameter: p\n  points: {time: 0, value: 0}\n", 2, 11,
         "points must be a list"},
        {"points empty", "- parameter: p\n  points: []\n", 2, 11, "points is empty"},
        {"point not a map", "- parameter: p\n  points:\n    - 0\n", 3, 7, "a point must be a map"},
        {"unknown point key", "- parameter: p\n  points:\n    - {time: 0, value: 0, rmap: true}\n",
         3, 27, "unknown key 'rmap' in a point (expected time, value or ramp)"},
        {"no time", "- parameter: p\n  points:\n    - {value: 1}\n", 3, 7, "the point has no time"},
        {"no value", "- parameter: p\n  points:\n    - {time: 1}\n", 3, 7,
         "the point has no value"},
        {"negative time", "- parameter: p\n  points:\n    - {time: -1, value: 0}\n", 3, 14,
         "time must not be negative"},
        {"negative samples", "- parameter: p\n  points:\n    - {time: -5 samples, value: 0}\n", 3,
         14, "time must not be negative"},
        {"infinite time", "- parameter: p\n  points:\n    - {time: .inf, value: 0}\n", 3, 14,
         "time is not finite"},
        {"NaN time", "- parameter: p\n  points:\n    - {time: nan, value: 0}\n", 3, 14,
         "time is not finite"},
        {"huge time", "- parameter: p\n  points:\n    - {time: 1e300, value: 0}\n", 3, 14,
         "time is too large"},
        {"overflowing time", "- parameter: p\n  points:\n    - {time: 1e999s, value: 0}\n", 3, 14,
         "time is out of range"},
        {"huge sample count",
         "- parameter: p\n  points:\n    - {time: 99999999999999999999 samples, value: 0}\n", 3, 14,
         "time is too large"},
        {"unknown unit", "- parameter: p\n  points:\n    - {time: 2 min, value: 0}\n", 3, 14,
         "time must be a number of seconds, or a number followed by s, ms or samples, not '2 "
         "min'"},
        {"comma decimal", "- parameter: p\n  points:\n    - {time: \"2,5\", value: 0}\n", 3, 14,
         "time must be a number of seconds"},
        {"unit alone", "- parameter: p\n  points:\n    - {time: s, value: 0}\n", 3, 14,
         "time must be a number of seconds"},
        {"fractional samples", "- parameter: p\n  points:\n    - {time: 2.5 samples, value: 0}\n",
         3, 14, "time in samples must be a whole number"},
        {"time a list", "- parameter: p\n  points:\n    - {time: [1], value: 0}\n", 3, 14,
         "time must be a number of seconds"},
        {"value not a number", "- parameter: p\n  points:\n    - {time: 0, value: -12 dB}\n", 3, 24,
         "value must be a number, not '-12 dB'"},
        {"value hexadecimal", "- parameter: p\n  points:\n    - {time: 0, value: 0x10}\n", 3, 24,
         "value must be a number"},
        {"value infinite", "- parameter: p\n  points:\n    - {time: 0, value: -.inf}\n", 3, 24,
         "value is not finite"},
        {"value NaN", "- parameter: p\n  points:\n    - {time: 0, value: .NaN}\n", 3, 24,
         "value is not finite"},
        {"value overflowing", "- parameter: p\n  points:\n    - {time: 0, value: 1e400}\n", 3, 24,
         "value is out of range"},
        {"value underflowing", "- parameter: p\n  points:\n    - {time: 0, value: 1e-400}\n", 3, 24,
         "value is out of range"},
        {"value empty", "- parameter: p\n  points:\n    - time: 0\n      value:\n", 4, 7,
         "value must be a number but is empty"},
        {"time empty", "- parameter: p\n  points:\n    - {time: , value: 1}\n", 3, 8,
         "time must be a number of seconds"},
        {"parameter empty value", "- parameter:\n  points: [{time: 0, value: 0}]\n", 1, 3,
         "parameter must be a parameter name but is empty"},
        {"points empty value", "- parameter: p\n  points:\n", 2, 3, "points is empty"},
        {"ramp not a boolean",
         "- parameter: p\n  points:\n    - {time: 0, value: 0}\n    - {time: 1, value: 1, ramp: "
         "linear}\n",
         4, 33, "ramp must be true or false"},
        {"first point ramps", "- parameter: p\n  points:\n    - {time: 0, value: 0, ramp: true}\n",
         3, 33, "the first point of a lane cannot ramp"},
        {"out of order",
         "- parameter: p\n  points:\n    - {time: 2, value: 0}\n    - {time: 1.5, value: 1}\n", 4,
         14,
         "points must be in time order, but this one (frame 72000) comes before the one above "
         "it (frame 96000)"},
        {"out of order in samples",
         "- parameter: p\n  points:\n    - {time: 1s, value: 0}\n    - {time: 47999 samples, "
         "value: 1}\n",
         4, 14, "(frame 47999) comes before the one above it (frame 48000)"},
        {"sweep not a map", "- {parameter: p, sweep: [0, 1]}\n", 1, 25, "a sweep must be a map"},
        {"sweep without end", "- {parameter: p, sweep: {from: 0, to: 1}}\n", 1, 25,
         "the sweep has no end"},
        {"sweep without from", "- {parameter: p, sweep: {to: 1, end: 1}}\n", 1, 25,
         "the sweep has no from"},
        {"unknown sweep key", "- {parameter: p, sweep: {from: 0, to: 1, over: 1}}\n", 1, 42,
         "unknown key 'over' in a sweep (expected from, to, start or end)"},
        {"sweep backwards", "- {parameter: p, sweep: {from: 0, to: 1, start: 2, end: 1}}\n", 1, 57,
         "the sweep must end after it starts"},
        {"sweep of no length",
         "- {parameter: p, sweep: {from: 0, to: 1, start: 1s, end: 1000ms}}\n", 1, 58,
         "the sweep must end after it starts"},
        {"sweep value", "- {parameter: p, sweep: {from: loud, to: 1, end: 1}}\n", 1, 32,
         "from must be a number"},
    };
    for (const KSRefusalCase& c : cases) {
        SCOPED_TRACE(c.name);
        AutomationError error{9, 9, "stale"};
        EXPECT_FALSE(AutomationScript::Parse(c.text, kRate, error).has_value());
        EXPECT_EQ(error.line, c.line);
        EXPECT_EQ(error.column, c.column);
        EXPECT_NE(error.message.find(c.message), std::string::npos) << error.message;
        EXPECT_TRUE(OneLine(error.message)) << error.message;
    }
}

TEST(AutomationScript, RefusesARateThatCannotTurnSecondsIntoFrames) {
    for (const double rate : {0.0, -48000.0, std::numeric_limits<double>::infinity(),
                              std::numeric_limits<double>::quiet_NaN()}) {
        AutomationError error;
        EXPECT_FALSE(
            AutomationScript::Parse("- {parameter: p, points: [{time: 0, value: 0}]}", rate, error)
                .has_value());
        EXPECT_EQ(error.line, 0);
        EXPECT_NE(error.message.find("sample rate"), std::string::npos);
    }
}

TEST(AutomationScript, ASuccessfulReadClearsTheError) {
    AutomationError error{3, 4, "stale"};
    EXPECT_TRUE(
        AutomationScript::Parse("- {parameter: p, points: [{time: 0, value: 0}]}", kRate, error)
            .has_value());
    EXPECT_EQ(error.line, 0);
    EXPECT_EQ(error.column, 0);
    EXPECT_TRUE(error.message.empty());
}

TEST(AutomationScript, QuotesLongOrControlTextShortAndOnOneLine) {
    AutomationError error;
    const std::string text = "- parameter: p\n  points:\n    - {time: 0, value: \"1\\n2" +
                             std::string(200, 'x') + "\"}\n";
    EXPECT_FALSE(AutomationScript::Parse(text, kRate, error).has_value());
    EXPECT_TRUE(OneLine(error.message)) << error.message;
    EXPECT_LT(error.message.size(), 120U) << error.message;
    EXPECT_NE(error.message.find("'1?2xxx"), std::string::npos) << error.message;

    // Cut short before a character of several bytes, not inside it.
    const std::string accents = "- {parameter: p, points: [{time: 0, value: x" +
                                std::string(38, 'x') + "\u00e9\u00e9\u00e9}]}";
    EXPECT_FALSE(AutomationScript::Parse(accents, kRate, error).has_value());
    EXPECT_NE(error.message.find("x...'"), std::string::npos) << error.message;
}

// A script of exactly the cap is read; one point more is refused where it stands. Aliases
// keep the text small: 1000 lanes share one list of 1000 points.
TEST(AutomationScript, HoldsAtMostTheCapOfPoints) {
    std::ostringstream text;
    text << "- parameter: p0\n  points: &p [";
    for (int i = 0; i < 1000; ++i) {
        text << (i == 0 ? "" : ", ") << "{time: " << i << " smp, value: " << i << "}";
    }
    text << "]\n";
    for (int lane = 1; lane < 1000; ++lane) {
        text << "- {parameter: p" << lane << ", points: *p}\n";
    }
    static_assert(AutomationScript::kMaxPoints == 1000U * 1000U);

    AutomationError error;
    const auto script = AutomationScript::Parse(text.str(), kRate, error);
    ASSERT_TRUE(script.has_value()) << error.message;
    ASSERT_EQ(script->Lanes().size(), 1000U);
    EXPECT_EQ(script->Lanes()[999].parameter, "p999");
    EXPECT_EQ(script->Lanes()[999].points.size(), 1000U);
    EXPECT_EQ(script->Lanes()[999].points[999].frame, 999);

    text << "- parameter: extra\n  points:\n    - {time: 0, value: 0}\n";
    EXPECT_FALSE(AutomationScript::Parse(text.str(), kRate, error).has_value());
    EXPECT_EQ(error.line, 1004);
    EXPECT_EQ(error.column, 7);
    EXPECT_NE(error.message.find("too many points"), std::string::npos) << error.message;
}

// Under a decimal-comma locale the numbers still read with a point, and a comma stays wrong.
using AutomationScriptInCommaLocale = kvKorvaneV10_0_3::test_support::CommaLocaleTest;

TEST_F(AutomationScriptInCommaLocale, ReadsNumbersWithAPoint) {
    EXPECT_EQ(FrameOf("2.5"), 120000);
    EXPECT_EQ(FrameOf("0.25 s"), 12000);
    EXPECT_EQ(ValueOf("-3.5"), -3.5);
    EXPECT_EQ(ValueOf("1.5e2"), 150.0);

    AutomationError error;
    EXPECT_FALSE(AutomationScript::Parse("- {parameter: p, points: [{time: 0, value: \"-3,5\"}]}",
                                         kRate, error)
                     .has_value());
    EXPECT_NE(error.message.find("value must be a number"), std::string::npos) << error.message;
    EXPECT_FALSE(AutomationScript::Parse(
                     "- parameter: p\n  points:\n    - {time: 2, value: 0}\n    - {time: 1.5, "
                     "value: 1}\n",
                     kRate, error)
                     .has_value());
    EXPECT_NE(error.message.find("(frame 72000) comes before the one above it (frame 96000)"),
              std::string::npos)
        << error.message;
}

}  // namespace
