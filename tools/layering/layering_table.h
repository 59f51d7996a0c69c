// The layering block of docs/architecture.md, read once for every check of it: the include
// check over the sources and the symbol check over the subsystems' object files.
#pragma once

#include <filesystem>
#include <istream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace KorvaneLayering {

// Each subsystem and the subsystems it names directly.
using Graph = std::map<std::string, std::set<std::string>>;

// A symbol that subsystem `from` may take from `to` although `to` is not below it. `pattern`
// is matched against the demangled name; `*` stands for any run of characters.
struct SymbolException {
    std::string from;
    std::string to;
    std::string pattern;
};

struct Layering {
    Graph graph;
    std::vector<SymbolException> exceptions;
};

// The ```layering block ("name: dep dep ...") and the ```symbol-exceptions block
// ("from -> to: pattern") of a document.
Layering ParseLayering(std::istream& doc);
Layering ReadLayering(const std::filesystem::path& doc);

// Everything reachable from `name`, itself included.
std::set<std::string> Reachable(const Graph& graph, const std::string& name);

// "korvane/gui/pvm/x.h" -> "gui/pvm"; "korvane/core/platform/y.cpp" -> "core"; "" for
// files directly under korvane/ (the umbrella header and the library's own unit).
std::string SubsystemOf(const std::string& relative, const Graph& graph);

// Whole-string match of `text` against `pattern`, where `*` matches any run of characters.
bool GlobMatch(const std::string& pattern, const std::string& text);

}  // namespace KorvaneLayering
