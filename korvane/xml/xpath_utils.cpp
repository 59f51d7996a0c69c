// Path queries: the path is cut into steps, each step filters the matches of the one before.
#include "korvane/xml/xpath_utils.h"

#include <cstring>
#include <string>
#include <string_view>

namespace kvKorvaneV10_0_3::XML {
namespace {

struct Step {
    bool anyDepth = false;
    bool valid = true;
    KCFixedString<element_name_max_length> name;
    bool hasFilter = false;
    bool hasValue = false;
    KCFixedString<attrib_name_max_length> attrib;
    KCFixedString<attrib_text_max_length> value;
};

using Match = std::pair<CXMLElement*, int>;

Step ParseStep(std::string_view text, bool anyDepth) {
    Step step;
    step.anyDepth = anyDepth;
    const std::size_t bracket = text.find('[');
    const std::string_view name = text.substr(0, bracket);
    step.name.assign(name.data(), static_cast<unsigned int>(name.size()));
    step.valid = !name.empty() && name.size() <= element_name_max_length;
    if (bracket == std::string_view::npos) {
        return step;
    }
    // [@attr="value"] or [@attr]; anything else matches nothing rather than everything.
    std::string_view filter = text.substr(bracket);
    step.hasFilter = true;
    if (filter.size() < 3 || filter.substr(0, 2) != "[@" || filter.back() != ']') {
        step.valid = false;
        return step;
    }
    filter = filter.substr(2, filter.size() - 3);
    const std::size_t equals = filter.find('=');
    const std::string_view attrib = filter.substr(0, equals);
    step.attrib.assign(attrib.data(), static_cast<unsigned int>(attrib.size()));
    if (attrib.empty() || attrib.size() > attrib_name_max_length) {
        step.valid = false;
    }
    if (equals != std::string_view::npos) {
        const std::string_view quoted = filter.substr(equals + 1);
        if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"' ||
            quoted.size() - 2 > attrib_text_max_length) {
            step.valid = false;
            return step;
        }
        step.hasValue = true;
        step.value.assign(quoted.data() + 1, static_cast<unsigned int>(quoted.size() - 2));
    }
    return step;
}

bool Matches(const CXMLElement& e, const Step& step) {
    if (!step.valid || e.GetName() != step.name.c_str()) {
        return false;
    }
    if (!step.hasFilter) {
        return true;
    }
    KCFixedString<127> value;
    if (!e.GetAttrib(step.attrib.c_str(), value)) {
        return false;
    }
    return !step.hasValue || value == step.value;
}

void SearchDescendants(CXMLElement& e, int depth, const Step& step, std::vector<Match>& out) {
    for (CXMLElement* child : e.GetSubElements()) {
        if (Matches(*child, step)) {
            out.emplace_back(child, depth + 1);
        } else {
            SearchDescendants(*child, depth + 1, step, out);
        }
    }
}

// The children of `parent` (at `depth`) that match the step.
void MatchChildren(CXMLElement& parent, int depth, const Step& step, std::vector<Match>& out) {
    for (CXMLElement* child : parent.GetSubElements()) {
        if (Matches(*child, step)) {
            out.emplace_back(child, depth + 1);
        }
    }
}

// The first step looks at the root itself when the path is absolute, at the root or else
// anywhere below it for an any-depth step, and at the root's children otherwise.
std::vector<Match> FirstStepMatches(CXMLElement& root, const Step& step, bool absolute) {
    std::vector<Match> next;
    if (step.anyDepth || absolute) {
        if (Matches(root, step)) {
            next.emplace_back(&root, 0);
        } else if (step.anyDepth) {
            SearchDescendants(root, 0, step, next);
        }
    } else {
        MatchChildren(root, 0, step, next);
    }
    return next;
}

// Every later step looks below each match of the step before.
std::vector<Match> NextStepMatches(const std::vector<Match>& current, const Step& step) {
    std::vector<Match> next;
    for (const Match& m : current) {
        if (step.anyDepth) {
            SearchDescendants(*m.first, m.second, step, next);
        } else {
            MatchChildren(*m.first, m.second, step, next);
        }
    }
    return next;
}

// Leading separators: one makes the path absolute, two also make its first step any-depth.
// Returns where the first step starts.
std::size_t SkipLeadingSeparators(std::string_view all, std::string_view separator, bool& absolute,
                                  bool& anyDepth) {
    if (all.substr(0, 2 * separator.size()) == std::string(separator) + std::string(separator)) {
        absolute = true;
        anyDepth = true;
        return 2 * separator.size();
    }
    if (all.substr(0, separator.size()) == separator) {
        absolute = true;
        return separator.size();
    }
    return 0;
}

int Query(CXMLElement& root, std::vector<Match>& result, const char* path, const char* sep) {
    result.clear();
    if (path == nullptr || sep == nullptr || *sep == 0) {
        return 0;
    }
    const std::string_view all(path);
    const std::string_view separator(sep);
    bool absolute = false;
    bool anyDepth = false;
    std::size_t pos = SkipLeadingSeparators(all, separator, absolute, anyDepth);
    std::vector<Match> current;
    bool first = true;
    while (pos <= all.size()) {
        const std::size_t found = all.find(separator, pos);
        const std::size_t end = found == std::string_view::npos ? all.size() : found;
        const std::string_view token = all.substr(pos, end - pos);
        pos = end + separator.size();
        if (token.empty()) {
            if (end == all.size()) {
                break;
            }
            // An empty step ("a//b") makes the next one any-depth.
            anyDepth = true;
            continue;
        }
        const Step step = ParseStep(token, anyDepth);
        anyDepth = false;
        current = first ? FirstStepMatches(root, step, absolute) : NextStepMatches(current, step);
        first = false;
        if (current.empty() || end == all.size()) {
            break;
        }
    }
    result = std::move(current);
    return static_cast<int>(result.size());
}

}  // namespace

int KCXPathUtils::GetXPathElements(CXMLElement& root, std::vector<CXMLElement*>& out,
                                   const char* path, const char* separator) {
    std::vector<Match> matches;
    const int count = Query(root, matches, path, separator);
    for (const Match& m : matches) {
        out.push_back(m.first);
    }
    return count;
}

int KCXPathUtils::GetXPathElements(CXMLElement& root,
                                   std::vector<std::pair<CXMLElement*, int>>& out,
                                   const char* path) {
    std::vector<Match> matches;
    const int count = Query(root, matches, path, "/");
    out.insert(out.end(), matches.begin(), matches.end());
    return count;
}

}  // namespace kvKorvaneV10_0_3::XML
