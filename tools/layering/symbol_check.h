// The layering checked on what the compiler produced: an object of one subsystem may need only
// symbols defined in that subsystem or below it (or outside the library altogether). Catches
// what the include check cannot: a function declared in a lower header but defined higher up.
#pragma once

#include "tools/layering/layering_table.h"

#include <istream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace KorvaneLayering {

struct ObjectSymbols {
    std::string object;               // the object file, for reports
    std::set<std::string> defined;    // global definitions, strong or weak (mangled)
    std::set<std::string> undefined;  // what the object needs from elsewhere (mangled)
};

// Each subsystem and its object files.
using SubsystemObjects = std::map<std::string, std::vector<ObjectSymbols>>;

// The symbols of one object from a listing in `nm -P` form ("name type [value size]").
ObjectSymbols ParseNmListing(const std::string& object, std::istream& listing);

// Runs nm on an object file. False, with `error` set, when nm cannot be run or fails.
bool ReadObjectSymbols(const std::string& path, ObjectSymbols& symbols, std::string& error);

struct Definition {
    std::string subsystem;
    std::string object;
};

// One symbol a subsystem needs that only subsystems outside its reach define.
struct Violation {
    std::string subsystem;
    std::string object;
    std::string symbol;  // mangled
    std::vector<Definition> definedIn;
};

struct SymbolReport {
    std::vector<Violation> violations;
    // Exceptions whose two subsystems are both present but that excused nothing: stale.
    std::vector<SymbolException> unusedExceptions;
    // Needed symbols that the library itself defines, whether allowed or not.
    int libraryReferences = 0;
};

SymbolReport CheckSymbols(const Layering& layering, const SubsystemObjects& objects);

// The readable form of a mangled name; the name itself when it is not a mangled one.
std::string Demangle(const std::string& symbol);

// "core needs `...` (a.cpp.o), defined only in xml (b.cpp.o)".
std::string Describe(const Violation& violation);

}  // namespace KorvaneLayering
