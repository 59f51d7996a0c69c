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

int Query(CXMLElement& root, std::vector<Match>& result, const char* path, const char* sep) {
    result.clear();
    if (path == nullptr || sep == nullptr || *sep == 0) {
        return 0;
    }
    const std::string_view all(path);
    const std::string_view separator(sep);
    std::vector<Match> current;
    std::size_t pos = 0;
    bool first = true;
    bool anyDepth = false;
    bool absolute = false;
    // Leading separators: one makes the path absolute, two start with an any-depth step.
    if (all.substr(0, 2 * separator.size()) == std::string(separator) + std::string(separator)) {
        anyDepth = true;
        absolute = true;
        pos = 2 * separator.size();
    } else if (all.substr(0, separator.size()) == separator) {
        absolute = true;
        pos = separator.size();
    }
    while (pos <= all.size()) {
        std::size_t end = all.find(separator, pos);
        if (end == std::string_view::npos) {
            end = all.size();
        }
        const std::string_view token = all.substr(pos, end - pos);
        pos = end + separator.size();
        if (token.empty()) {
            if (end == all.size()) {
                break;
            }
            anyDepth = true;
            continue;
        }
        const Step step = ParseStep(token, anyDepth);
        anyDepth = false;
        std::vector<Match> next;
        if (first) {
            if (step.anyDepth) {
                if (Matches(root, step)) {
                    next.emplace_back(&root, 0);
                } else {
                    SearchDescendants(root, 0, step, next);
                }
            } else if (absolute) {
                if (Matches(root, step)) {
                    next.emplace_back(&root, 0);
                }
            } else {
                for (CXMLElement* child : root.GetSubElements()) {
                    if (Matches(*child, step)) {
                        next.emplace_back(child, 1);
                    }
                }
            }
            first = false;
        } else {
            for (const Match& m : current) {
                if (step.anyDepth) {
                    SearchDescendants(*m.first, m.second, step, next);
                } else {
                    for (CXMLElement* child : m.first->GetSubElements()) {
                        if (Matches(*child, step)) {
                            next.emplace_back(child, m.second + 1);
                        }
                    }
                }
            }
        }
        current = std::move(next);
        if (current.empty()) {
            break;
        }
        if (end == all.size()) {
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
