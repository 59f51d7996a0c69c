// Automation scripts for kvhost render. The reader is strict: a misspelt key, a stray unit or
// points out of order are refused with their place in the file, because a script that is
// silently read differently from what its author meant renders the wrong audio.
#include "host/kvhost/automation_script.h"

#include <yaml-cpp/eventhandler.h>
#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <exception>
#include <iterator>
#include <new>
#include <sstream>
#include <system_error>
#include <unordered_map>
#include <utility>

namespace KorvaneHost {
namespace {

// Past 2^53 a double no longer holds every frame; no render comes near it.
constexpr double kMaxFrame = 9007199254740992.0;

// A refusal on its way out of the reader; Parse turns it into the caller's error.
struct KSRefusal {
    YAML::Mark mark;
    std::string message;
};

[[noreturn]] void Refuse(const YAML::Mark& mark, std::string message) {
    throw KSRefusal{mark, std::move(message)};
}

// The node's place, or `fallback` (its key, its list) where the node is empty: yaml-cpp places an
// empty value at the next token, which may be lines further on.
YAML::Mark PlaceOf(const YAML::Node& node, const YAML::Mark& fallback) {
    const YAML::Mark mark = node.Mark();
    return mark.is_null() || node.IsNull() ? fallback : mark;
}

// A map's value with the place of its key.
struct KSField {
    YAML::Node value;
    YAML::Mark key;
};

// Text from the script quoted for a one-line message: shortened, control characters hidden.
std::string Quoted(std::string_view text) {
    std::size_t shown = std::min<std::size_t>(text.size(), 40);
    // A cut in the middle of a UTF-8 character would leave half of it.
    while (shown < text.size() && shown > 0 &&
           (static_cast<unsigned char>(text[shown]) & 0xC0) == 0x80) {
        --shown;
    }
    std::string out = "'";
    for (std::size_t i = 0; i < shown; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        out += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
    }
    if (text.size() > shown) {
        out += "...";
    }
    out += "'";
    return out;
}

std::string IntegerText(std::int64_t value) {
    std::array<char, 24> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return {buffer.data(), result.ptr};
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// eOutOfRange: beyond what a double holds, too large or too close to zero.
enum class KENumber { eOk, eNotANumber, eNotFinite, eOutOfRange };

// from_chars refuses the leading '+' that users write for gains ("+12"), so one is dropped here.
std::string_view WithoutPlus(std::string_view text) {
    if (text.size() > 1 && text.front() == '+' && text[1] != '+' && text[1] != '-') {
        text.remove_prefix(1);
    }
    return text;
}

// YAML's own spellings of infinity and NaN, which from_chars does not know.
bool IsYamlNonFinite(std::string_view text) {
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        text.remove_prefix(1);
    }
    static constexpr std::array<std::string_view, 6> kSpellings = {".inf", ".Inf", ".INF",
                                                                   ".nan", ".NaN", ".NAN"};
    return std::find(kSpellings.begin(), kSpellings.end(), text) != kSpellings.end();
}

// The whole text as a double, independent of the process locale.
KENumber ReadDouble(std::string_view text, double& value) {
    if (IsYamlNonFinite(text)) {
        return KENumber::eNotFinite;
    }
    text = WithoutPlus(text);
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ptr != end || text.empty()) {
        return KENumber::eNotANumber;
    }
    if (ec == std::errc::result_out_of_range) {
        return KENumber::eOutOfRange;
    }
    if (ec != std::errc()) {
        return KENumber::eNotANumber;
    }
    return std::isfinite(value) ? KENumber::eOk : KENumber::eNotFinite;
}

// The scalar's text; `what` names the field in the message when the node is not a scalar.
const std::string& ScalarOf(const YAML::Node& node, const YAML::Mark& fallback,
                            std::string_view what, std::string_view expected) {
    if (!node.IsScalar()) {
        Refuse(PlaceOf(node, fallback), std::string(what) + " must be " + std::string(expected) +
                                            (node.IsNull() ? " but is empty" : ""));
    }
    return node.Scalar();
}

// A whole number of frames: digits, or a number such as "1e3" that is whole.
std::int64_t ReadSampleCount(std::string_view number, const YAML::Mark& place,
                             const std::string& what, const std::string& notATime) {
    std::int64_t frames = 0;
    const std::string_view digits = WithoutPlus(number);
    const char* end = digits.data() + digits.size();
    const auto [ptr, ec] = std::from_chars(digits.data(), end, frames);
    if (ptr != end || ec != std::errc() || digits.empty()) {
        double count = 0.0;
        switch (ReadDouble(number, count)) {
            case KENumber::eNotANumber:
                Refuse(place, notATime);
            case KENumber::eNotFinite:
                Refuse(place, what + " is not finite");
            case KENumber::eOutOfRange:
                Refuse(place, what + " is out of range");
            case KENumber::eOk:
                break;
        }
        if (count != std::floor(count)) {
            Refuse(place, what + " in samples must be a whole number");
        }
        if (count < 0.0) {
            Refuse(place, what + " must not be negative");
        }
        if (count > kMaxFrame) {
            Refuse(place, what + " is too large");
        }
        frames = static_cast<std::int64_t>(count);
    }
    if (frames < 0) {
        Refuse(place, what + " must not be negative");
    }
    if (static_cast<double>(frames) > kMaxFrame) {
        Refuse(place, what + " is too large");
    }
    return frames;
}

constexpr std::string_view kTimeForm =
    "a number of seconds, or a number followed by s, ms or samples";

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A time as a frame. A plain number counts seconds; a number may carry a unit: "s", "ms", or
// "samples" ("sample", "smp") for a whole number of frames, which the sample rate leaves alone.
std::int64_t ReadTime(const YAML::Node& node, const YAML::Mark& fallback, const std::string& what,
                      double sampleRate) {
    const YAML::Mark place = PlaceOf(node, fallback);
    const std::string_view text = Trimmed(ScalarOf(node, fallback, what, kTimeForm));
    const std::string notATime =
        what + " must be " + std::string(kTimeForm) + ", not " + Quoted(text);

    // The unit is the run of letters at the end, unless the whole text is a number already
    // ("1e3", "inf").
    double seconds = 0.0;
    KENumber read = ReadDouble(text, seconds);
    std::string_view unit;
    if (read == KENumber::eNotANumber) {
        std::size_t unitStart = text.size();
        while (unitStart > 0 && IsAsciiLetter(text[unitStart - 1])) {
            --unitStart;
        }
        const std::string_view number = Trimmed(text.substr(0, unitStart));
        unit = text.substr(unitStart);
        if (unit == "samples" || unit == "sample" || unit == "smp") {
            return ReadSampleCount(Trimmed(number), place, what, notATime);
        }
        if (unit != "s" && unit != "ms") {
            Refuse(place, notATime);
        }
        read = ReadDouble(number, seconds);
    }
    if (read == KENumber::eNotANumber) {
        Refuse(place, notATime);
    }
    if (read == KENumber::eNotFinite) {
        Refuse(place, what + " is not finite");
    }
    if (read == KENumber::eOutOfRange) {
        Refuse(place, what + " is out of range");
    }
    if (seconds < 0.0) {
        Refuse(place, what + " must not be negative");
    }
    if (unit == "ms") {
        seconds /= 1000.0;
    }
    const double frames = std::round(seconds * sampleRate);
    if (!(frames <= kMaxFrame)) {
        Refuse(place, what + " is too large");
    }
    return static_cast<std::int64_t>(frames);
}

// A parameter value: a plain number in the parameter's own unit, as `--set` takes it.
double ReadValue(const YAML::Node& node, const YAML::Mark& fallback, std::string_view what) {
    const std::string_view text = Trimmed(ScalarOf(node, fallback, what, "a number"));
    double value = 0.0;
    switch (ReadDouble(text, value)) {
        case KENumber::eOk:
            return value;
        case KENumber::eNotFinite:
            Refuse(PlaceOf(node, fallback), std::string(what) + " is not finite");
        case KENumber::eOutOfRange:
            Refuse(PlaceOf(node, fallback), std::string(what) + " is out of range");
        case KENumber::eNotANumber:
            break;
    }
    Refuse(PlaceOf(node, fallback), std::string(what) + " must be a number, not " + Quoted(text));
}

// The values of a map's keys, in the order of `keys` (empty where a key is absent). Keys outside
// `keys`, keys given twice and keys that are not text are refused.
template <std::size_t N>
std::array<std::optional<KSField>, N> ReadFields(const YAML::Node& map,
                                                 const std::array<std::string_view, N>& keys,
                                                 std::string_view where) {
    std::array<std::optional<KSField>, N> fields;
    for (const auto& entry : map) {
        const YAML::Node& key = entry.first;
        if (!key.IsScalar()) {
            Refuse(PlaceOf(key, map.Mark()), "a key in " + std::string(where) + " must be text");
        }
        const auto found = std::find(keys.begin(), keys.end(), key.Scalar());
        if (found == keys.end()) {
            std::string expected;
            for (std::size_t i = 0; i < N; ++i) {
                expected += i == 0 ? "" : (i + 1 == N ? " or " : ", ");
                expected += keys[i];
            }
            Refuse(key.Mark(), "unknown key " + Quoted(key.Scalar()) + " in " + std::string(where) +
                                   " (expected " + expected + ")");
        }
        auto& field = fields[static_cast<std::size_t>(std::distance(keys.begin(), found))];
        if (field) {
            Refuse(key.Mark(),
                   "key " + Quoted(key.Scalar()) + " appears twice in " + std::string(where));
        }
        field.emplace(KSField{entry.second, key.Mark()});
    }
    return fields;
}

// Reads the lanes of a loaded script, counting points against the cap.
class KCLaneReader {
public:
    explicit KCLaneReader(double sampleRate) : m_sampleRate(sampleRate) {}

    std::vector<AutomationLane> Read(const YAML::Node& root) {
        if (root.IsNull()) {
            Refuse(root.Mark(), "the script is empty; it must be a list of lanes");
        }
        if (!root.IsSequence()) {
            Refuse(root.Mark(), "the script must be a list of lanes");
        }
        if (root.size() == 0) {
            Refuse(root.Mark(), "the script has no lanes");
        }
        std::vector<AutomationLane> lanes;
        std::unordered_map<std::string, int> lineOfParameter;
        for (const YAML::Node& node : root) {
            AutomationLane lane = ReadLane(node, root.Mark());
            const auto [where, added] = lineOfParameter.emplace(lane.parameter, node.Mark().line);
            if (!added) {
                Refuse(node.Mark(), "parameter " + Quoted(lane.parameter) +
                                        " already has a lane, on line " +
                                        IntegerText(where->second + 1));
            }
            lanes.push_back(std::move(lane));
        }
        return lanes;
    }

private:
    AutomationLane ReadLane(const YAML::Node& node, const YAML::Mark& fallback) {
        static constexpr std::array<std::string_view, 3> kKeys = {"parameter", "points", "sweep"};
        if (!node.IsMap()) {
            Refuse(PlaceOf(node, fallback),
                   "a lane must be a map with a parameter and its points or sweep");
        }
        const auto [parameter, points, sweep] = ReadFields(node, kKeys, "a lane");
        if (!parameter) {
            Refuse(node.Mark(), "the lane names no parameter");
        }
        AutomationLane lane;
        lane.parameter =
            ScalarOf(parameter->value, parameter->key, "parameter", "a parameter name");
        if (lane.parameter.empty()) {
            Refuse(PlaceOf(parameter->value, parameter->key), "parameter must be a parameter name");
        }
        if (points && sweep) {
            Refuse(sweep->key, "a lane has points or a sweep, not both");
        }
        if (points) {
            ReadPoints(points->value, points->key, lane);
        } else if (sweep) {
            ReadSweep(sweep->value, sweep->key, lane);
        } else {
            Refuse(node.Mark(),
                   "the lane for " + Quoted(lane.parameter) + " has neither points nor a sweep");
        }
        return lane;
    }

    void ReadPoints(const YAML::Node& node, const YAML::Mark& fallback, AutomationLane& lane) {
        static constexpr std::array<std::string_view, 3> kKeys = {"time", "value", "ramp"};
        if (!node.IsSequence() && !node.IsNull()) {
            Refuse(PlaceOf(node, fallback), "points must be a list of points");
        }
        if (node.IsNull() || node.size() == 0) {
            Refuse(PlaceOf(node, fallback), "points is empty; a lane needs at least one point");
        }
        for (const YAML::Node& item : node) {
            const YAML::Mark place = PlaceOf(item, node.Mark());
            if (!item.IsMap()) {
                Refuse(place, "a point must be a map with a time and a value");
            }
            const auto [time, value, ramp] = ReadFields(item, kKeys, "a point");
            if (!time) {
                Refuse(place, "the point has no time");
            }
            if (!value) {
                Refuse(place, "the point has no value");
            }
            AutomationPoint point;
            point.frame = ReadTime(time->value, time->key, "time", m_sampleRate);
            point.value = ReadValue(value->value, value->key, "value");
            if (ramp) {
                const YAML::Mark rampPlace = PlaceOf(ramp->value, ramp->key);
                if (!ramp->value.IsScalar() ||
                    !YAML::convert<bool>::decode(ramp->value, point.ramp)) {
                    Refuse(rampPlace, "ramp must be true or false");
                }
                if (point.ramp && lane.points.empty()) {
                    Refuse(rampPlace,
                           "the first point of a lane cannot ramp: nothing comes before it");
                }
            }
            if (!lane.points.empty() && point.frame < lane.points.back().frame) {
                Refuse(PlaceOf(time->value, time->key),
                       "points must be in time order, but this one (frame " +
                           IntegerText(point.frame) + ") comes before the one above it (frame " +
                           IntegerText(lane.points.back().frame) + ")");
            }
            Add(lane, point, place);
        }
    }

    // A sweep is the short form of two points: `from` at `start` (0 when absent), then a ramp
    // to `to` at `end`.
    void ReadSweep(const YAML::Node& node, const YAML::Mark& fallback, AutomationLane& lane) {
        static constexpr std::array<std::string_view, 4> kKeys = {"from", "to", "start", "end"};
        const YAML::Mark place = PlaceOf(node, fallback);
        if (!node.IsMap()) {
            Refuse(place, "a sweep must be a map with from, to and end");
        }
        const auto [from, to, start, end] = ReadFields(node, kKeys, "a sweep");
        if (!from || !to || !end) {
            Refuse(place,
                   std::string("the sweep has no ") + (!from ? "from" : (!to ? "to" : "end")));
        }
        AutomationPoint first;
        first.frame = start ? ReadTime(start->value, start->key, "start", m_sampleRate) : 0;
        first.value = ReadValue(from->value, from->key, "from");
        AutomationPoint last;
        last.frame = ReadTime(end->value, end->key, "end", m_sampleRate);
        last.value = ReadValue(to->value, to->key, "to");
        last.ramp = true;
        if (last.frame <= first.frame) {
            Refuse(PlaceOf(end->value, end->key), "the sweep must end after it starts");
        }
        Add(lane, first, place);
        Add(lane, last, place);
    }

    void Add(AutomationLane& lane, const AutomationPoint& point, const YAML::Mark& place) {
        if (m_points == AutomationScript::kMaxPoints) {
            Refuse(place, "too many points: a script holds at most " +
                              IntegerText(static_cast<std::int64_t>(AutomationScript::kMaxPoints)));
        }
        ++m_points;
        lane.points.push_back(point);
    }

    double m_sampleRate;
    std::size_t m_points = 0;
};

// A script is one document. yaml-cpp's Load reads the first and ignores the rest, which would
// drop lanes without a word, so the documents are walked first.
class KCSingleDocument : public YAML::EventHandler {
public:
    void OnDocumentStart(const YAML::Mark& mark) override {
        if (m_started) {
            Refuse(mark, "the script holds more than one YAML document");
        }
        m_started = true;
    }
    void OnDocumentEnd() override {}
    void OnNull(const YAML::Mark& /*mark*/, YAML::anchor_t /*anchor*/) override {}
    void OnAlias(const YAML::Mark& /*mark*/, YAML::anchor_t /*anchor*/) override {}
    void OnScalar(const YAML::Mark& /*mark*/, const std::string& /*tag*/, YAML::anchor_t /*anchor*/,
                  const std::string& /*value*/) override {}
    void OnSequenceStart(const YAML::Mark& /*mark*/, const std::string& /*tag*/,
                         YAML::anchor_t /*anchor*/, YAML::EmitterStyle::value /*style*/) override {}
    void OnSequenceEnd() override {}
    void OnMapStart(const YAML::Mark& /*mark*/, const std::string& /*tag*/,
                    YAML::anchor_t /*anchor*/, YAML::EmitterStyle::value /*style*/) override {}
    void OnMapEnd() override {}

private:
    bool m_started = false;
};

void CheckSingleDocument(const std::string& text) {
    std::istringstream in(text);
    YAML::Parser parser(in);
    KCSingleDocument handler;
    while (parser.HandleNextDocument(handler)) {
    }
}

AutomationError ErrorAt(const YAML::Mark& mark, std::string message) {
    AutomationError error;
    if (!mark.is_null()) {
        error.line = mark.line + 1;
        error.column = mark.column + 1;
    }
    error.message = std::move(message);
    return error;
}

}  // namespace

std::optional<AutomationScript> AutomationScript::Parse(std::string_view text, double sampleRate,
                                                        AutomationError& error) {
    error = {};
    if (!(std::isfinite(sampleRate) && sampleRate > 0.0)) {
        error.message = "the sample rate must be a positive number";
        return std::nullopt;
    }
    try {
        const std::string source(text);
        CheckSingleDocument(source);
        AutomationScript script;
        script.m_lanes = KCLaneReader(sampleRate).Read(YAML::Load(source));
        return script;
    } catch (const KSRefusal& refusal) {
        error = ErrorAt(refusal.mark, refusal.message);
    } catch (const YAML::Exception& e) {
        // yaml-cpp's messages may quote the offending character, a line break among them.
        std::string message = "not valid YAML: " + e.msg;
        std::replace_if(
            message.begin(), message.end(),
            [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, '?');
        error = ErrorAt(e.mark, std::move(message));
    } catch (const std::bad_alloc&) {
        error.message = "out of memory reading the script";
    } catch (const std::exception& e) {
        error.message = std::string("the script cannot be read: ") + e.what();
    }
    return std::nullopt;
}

std::optional<double> AutomationScript::ValueAt(const AutomationLane& lane, std::int64_t frame) {
    const std::vector<AutomationPoint>& points = lane.points;
    // The first point after `frame`; the one before it is the point in force.
    const auto next = std::upper_bound(
        points.begin(), points.end(), frame,
        [](std::int64_t f, const AutomationPoint& point) { return f < point.frame; });
    if (next == points.begin()) {
        return std::nullopt;
    }
    const AutomationPoint& current = *std::prev(next);
    if (next == points.end() || !next->ramp) {
        return current.value;
    }
    // In double: frames of hand-made lanes may be far apart enough to overflow a difference.
    const double done = static_cast<double>(frame) - static_cast<double>(current.frame);
    const double span = static_cast<double>(next->frame) - static_cast<double>(current.frame);
    return std::lerp(current.value, next->value, done / span);
}

}  // namespace KorvaneHost
