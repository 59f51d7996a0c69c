// Keeps the subsystem layering true: every include of a library header must follow an edge of
// the table in docs/architecture.md, nothing in the library includes from outside it, and only
// platform/ folders may include OS headers.
#include "tools/layering/layering_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace KorvaneLayering {
namespace {

namespace fs = std::filesystem;

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

Graph ReadGraph() {
    return ReadLayering(kRoot / "docs" / "architecture.md").graph;
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

TEST(Layering, ReadsTheTableAndItsExceptionsAndNoOtherBlock) {
    std::istringstream doc(
        "core: prose is no table\n"
        "```text\ngui: core\n```\n"
        "```layering\ncore:\nxml: core fm\ngui/pvm: xml\n```\n"
        "fm: after the block\n"
        "```symbol-exceptions\n"
        "# why, in a comment\n"
        "core -> xml: vtable for *::A\n"
        "core -> xml:\n"
        "Core -> xml: *::B\n"
        "```\n");
    const Layering layering = ParseLayering(doc);
    EXPECT_EQ(layering.graph, (Graph{{"core", {}}, {"xml", {"core", "fm"}}, {"gui/pvm", {"xml"}}}));
    ASSERT_EQ(layering.exceptions.size(), 1U);
    EXPECT_EQ(layering.exceptions[0].from, "core");
    EXPECT_EQ(layering.exceptions[0].to, "xml");
    EXPECT_EQ(layering.exceptions[0].pattern, "vtable for *::A");
}

TEST(Layering, TableIsAcyclicAndNamesOnlyKnownSubsystems) {
    const Graph graph = ReadGraph();
    ASSERT_FALSE(graph.empty()) << "no layering block in docs/architecture.md";
    for (const auto& [name, deps] : graph) {
        for (const auto& dep : deps) {
            EXPECT_TRUE(graph.count(dep)) << name << " depends on unknown subsystem " << dep;
            EXPECT_FALSE(Reachable(graph, dep).count(name))
                << "cycle through " << name << " and " << dep;
        }
    }
}

TEST(Layering, SymbolExceptionsNameAnEdgeTheTableDoesNotAllow) {
    const Layering layering = ReadLayering(kRoot / "docs" / "architecture.md");
    for (const SymbolException& exception : layering.exceptions) {
        EXPECT_TRUE(layering.graph.count(exception.from) && layering.graph.count(exception.to))
            << exception.from << " -> " << exception.to << " names an unknown subsystem";
        EXPECT_FALSE(Reachable(layering.graph, exception.from).count(exception.to))
            << exception.from << " may use " << exception.to << " anyway: drop "
            << exception.pattern;
    }
}

TEST(Layering, EveryIncludeFollowsAnAllowedEdge) {
    const Graph graph = ReadGraph();
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

TEST(Layering, NothingInTheLibraryIncludesFromOutsideIt) {
    // The tree's other top-level folders (host/, examples/, tools/, ...): the library and its
    // unit tests stand without them.
    std::set<std::string> outside;
    for (const auto& entry : fs::directory_iterator(kRoot)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory() && name != "korvane") {
            outside.insert(name);
        }
    }
    ASSERT_TRUE(outside.count("host"));
    for (const auto& file : LibrarySources()) {
        const std::string relative = fs::relative(file, kRoot).generic_string();
        std::ifstream in(file);
        int lineNo = 0;
        for (std::string line; std::getline(in, line);) {
            ++lineNo;
            const std::string quoted = IncludeTarget(line, '"', '"');
            const std::string angled = IncludeTarget(line, '<', '>');
            const auto slash = angled.find('/');
            EXPECT_TRUE(quoted.empty() || quoted.rfind("korvane/", 0) == 0)
                << relative << ":" << lineNo << ": includes " << quoted << " from outside korvane/";
            EXPECT_FALSE(slash != std::string::npos && outside.count(angled.substr(0, slash)) != 0)
                << relative << ":" << lineNo << ": includes " << angled << " from outside korvane/";
        }
    }
}

TEST(Layering, OnlyPlatformFoldersIncludeOperatingSystemHeaders) {
    // Headers of the operating system, as opposed to the C and C++ standard libraries.
    const std::set<std::string> osHeaders{"unistd.h",   "pthread.h",   "dlfcn.h",  "fcntl.h",
                                          "dirent.h",   "poll.h",      "signal.h", "sched.h",
                                          "syslog.h",   "pwd.h",       "link.h",   "elf.h",
                                          "execinfo.h", "semaphore.h", "spawn.h",  "termios.h"};
    const auto isOsHeader = [&](const std::string& header) {
        return osHeaders.count(header) != 0 || header.rfind("sys/", 0) == 0 ||
               header.rfind("X11/", 0) == 0 || header.rfind("xcb/", 0) == 0 ||
               header.rfind("xkbcommon/", 0) == 0 || header.rfind("linux/", 0) == 0;
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
}  // namespace KorvaneLayering
