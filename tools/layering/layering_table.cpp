// Reads the layering block and its symbol exceptions out of the architecture document.
#include "tools/layering/layering_table.h"

#include <fstream>
#include <sstream>

namespace KorvaneLayering {

namespace {

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool IsSubsystemName(const std::string& name) {
    return !name.empty() &&
           name.find_first_not_of("abcdefghijklmnopqrstuvwxyz/") == std::string::npos;
}

void AddEdges(const std::string& line, Graph& graph) {
    const auto colon = line.find(':');
    if (colon == std::string::npos) {
        return;
    }
    const std::string name = Trim(line.substr(0, colon));
    if (!IsSubsystemName(name)) {
        return;
    }
    std::istringstream deps(line.substr(colon + 1));
    auto& node = graph[name];
    for (std::string dep; deps >> dep;) {
        node.insert(dep);
    }
}

// "from -> to: pattern"; lines of any other shape (comments, blanks) are skipped.
void AddException(const std::string& line, std::vector<SymbolException>& exceptions) {
    const auto arrow = line.find("->");
    const auto colon = line.find(':', arrow == std::string::npos ? 0 : arrow);
    if (arrow == std::string::npos || colon == std::string::npos) {
        return;
    }
    SymbolException exception{Trim(line.substr(0, arrow)),
                              Trim(line.substr(arrow + 2, colon - arrow - 2)),
                              Trim(line.substr(colon + 1))};
    if (IsSubsystemName(exception.from) && IsSubsystemName(exception.to) &&
        !exception.pattern.empty()) {
        exceptions.push_back(std::move(exception));
    }
}

}  // namespace

Layering ParseLayering(std::istream& doc) {
    enum class Block { kNone, kLayering, kExceptions };
    Layering layering;
    Block block = Block::kNone;
    for (std::string line; std::getline(doc, line);) {
        if (line.rfind("```", 0) == 0) {
            const std::string tag = Trim(line.substr(3));
            if (block != Block::kNone) {
                block = Block::kNone;
            } else if (tag == "layering") {
                block = Block::kLayering;
            } else if (tag == "symbol-exceptions") {
                block = Block::kExceptions;
            } else {
                // Any other fenced block: skip to its closing fence.
                for (std::string inner; std::getline(doc, inner) && inner.rfind("```", 0) != 0;) {
                }
            }
        } else if (block == Block::kLayering) {
            AddEdges(line, layering.graph);
        } else if (block == Block::kExceptions) {
            AddException(line, layering.exceptions);
        }
    }
    return layering;
}

Layering ReadLayering(const std::filesystem::path& doc) {
    std::ifstream in(doc);
    return ParseLayering(in);
}

std::set<std::string> Reachable(const Graph& graph, const std::string& name) {
    std::set<std::string> seen{name};
    std::vector<std::string> todo{name};
    while (!todo.empty()) {
        const std::string next = todo.back();
        todo.pop_back();
        const auto it = graph.find(next);
        if (it == graph.end()) {
            continue;
        }
        for (const auto& dep : it->second) {
            if (seen.insert(dep).second) {
                todo.push_back(dep);
            }
        }
    }
    return seen;
}

std::string SubsystemOf(const std::string& relative, const Graph& graph) {
    std::vector<std::string> parts;
    std::istringstream in(relative);
    for (std::string part; std::getline(in, part, '/');) {
        parts.push_back(part);
    }
    if (parts.size() < 3 || parts[0] != "korvane") {
        return "";
    }
    if (parts.size() >= 4 && graph.count(parts[1] + "/" + parts[2]) != 0) {
        return parts[1] + "/" + parts[2];
    }
    return parts[1];
}

bool GlobMatch(const std::string& pattern, const std::string& text) {
    // Greedy match with backtracking to the last star.
    std::size_t p = 0;
    std::size_t t = 0;
    std::size_t star = std::string::npos;
    std::size_t resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (star != std::string::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

}  // namespace KorvaneLayering
