// Keeps the subsystem layering true: every include of a library header must follow an edge of
// the table in docs/architecture.md, and only platform/ folders may include OS headers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Graph = std::map<std::string, std::set<std::string>>;

const fs::path kRoot = KORVANE_SOURCE_DIR;

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The target of an include directive written with `open` ... `close`, or "" for other lines.
std::string IncludeTarget(const std::string& line, char open, char close) {
    std::string rest = Trim(line);
    if (rest.empty() || rest[0] != '#') {
        return "";
    }
    rest = Trim(rest.substr(1));
    if (rest.rfind("include", 0) != 0) {
        return "";
    }
    rest = Trim(rest.substr(7));
    if (rest.empty() || rest[0] != open) {
        return "";
    }
    const auto end = rest.find(close, 1);
    return end == std::string::npos ? "" : rest.substr(1, end - 1);
}

Graph ReadLayering() {
    std::ifstream doc(kRoot / "docs" / "architecture.md");
    Graph graph;
    bool inside = false;
    for (std::string line; std::getline(doc, line);) {
        const auto colon = line.find(':');
        if (line.rfind("```layering", 0) == 0) {
            inside = true;
        } else if (inside && line.rfind("```", 0) == 0) {
            inside = false;
        } else if (inside && colon != std::string::npos) {
            const std::string name = Trim(line.substr(0, colon));
            if (name.empty() ||
                name.find_first_not_of("abcdefghijklmnopqrstuvwxyz/") != std::string::npos) {
                continue;
            }
            std::istringstream deps(line.substr(colon + 1));
            auto& node = graph[name];
            for (std::string dep; deps >> dep;) {
                node.insert(dep);
            }
        }
    }
    return graph;
}

// Everything reachable from `name`, itself included.
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

// "korvane/gui/pvm/x.h" -> "gui/pvm"; "korvane/core/platform/y.cpp" -> "core"; "" for
// files directly under korvane/ (the umbrella header and the library's own unit).
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

std::vector<fs::path> LibrarySources() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(kRoot / "korvane")) {
        const auto ext = entry.path().extension();
        if (entry.is_regular_file() && (ext == ".h" || ext == ".cpp")) {
            files.push_back(entry.path());
        }
    }
    return files;
}

TEST(Layering, TableIsAcyclicAndNamesOnlyKnownSubsystems) {
    const Graph graph = ReadLayering();
    ASSERT_FALSE(graph.empty()) << "no layering block in docs/architecture.md";
    for (const auto& [name, deps] : graph) {
        for (const auto& dep : deps) {
            EXPECT_TRUE(graph.count(dep)) << name << " depends on unknown subsystem " << dep;
            EXPECT_FALSE(Reachable(graph, dep).count(name))
                << "cycle through " << name << " and " << dep;
        }
    }
}

TEST(Layering, EveryIncludeFollowsAnAllowedEdge) {
    const Graph graph = ReadLayering();
    int checked = 0;
    for (const auto& file : LibrarySources()) {
        const std::string relative = fs::relative(file, kRoot).generic_string();
        const std::string from = SubsystemOf(relative, graph);
        if (from.empty()) {
            continue;
        }
        ASSERT_TRUE(graph.count(from)) << relative << " lies in a folder missing from the table";
        const auto allowed = Reachable(graph, from);
        std::ifstream in(file);
        int lineNo = 0;
        for (std::string line; std::getline(in, line);) {
            ++lineNo;
            const std::string target = IncludeTarget(line, '"', '"');
            if (target.rfind("korvane/", 0) != 0) {
                continue;
            }
            const std::string to = SubsystemOf(target, graph);
            ++checked;
            EXPECT_TRUE(!to.empty() && allowed.count(to) != 0)
                << relative << ":" << lineNo << ": " << from << " may not include " << target;
        }
    }
    EXPECT_GT(checked, 0);
}

TEST(Layering, OnlyPlatformFoldersIncludeOperatingSystemHeaders) {
    // Headers of the operating system, as opposed to the C and C++ standard libraries.
    const std::set<std::string> osHeaders{"unistd.h",   "pthread.h",   "dlfcn.h",  "fcntl.h",
                                          "dirent.h",   "poll.h",      "signal.h", "sched.h",
                                          "syslog.h",   "pwd.h",       "link.h",   "elf.h",
                                          "execinfo.h", "semaphore.h", "spawn.h",  "termios.h"};
    const auto isOsHeader = [&](const std::string& header) {
        return osHeaders.count(header) != 0 || header.rfind("sys/", 0) == 0 ||
               header.rfind("X11/", 0) == 0 || header.rfind("linux/", 0) == 0;
    };
    for (const auto& file : LibrarySources()) {
        const std::string relative = fs::relative(file, kRoot).generic_string();
        if (relative.find("/platform/") != std::string::npos) {
            continue;
        }
        std::ifstream in(file);
        int lineNo = 0;
        for (std::string line; std::getline(in, line);) {
            ++lineNo;
            EXPECT_FALSE(isOsHeader(IncludeTarget(line, '<', '>')))
                << relative << ":" << lineNo << ": OS header outside a platform/ folder";
        }
    }
}

}  // namespace
