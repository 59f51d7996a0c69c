// Reads object files through nm and checks each subsystem's needs against the layering.
#include "tools/layering/symbol_check.h"

#include <cxxabi.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>

namespace KorvaneLayering {

namespace {

// nm's letters for global definitions (ELF): upper case except U, and the GNU unique and
// indirect-function kinds. Lower case letters are local (or, w and v, weak references).
bool IsGlobalDefinition(const std::string& type) {
    static const std::string kDefined = "ABCDGRSTVWiu";
    return type.size() == 1 && kDefined.find(type[0]) != std::string::npos;
}

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string FileName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

}  // namespace

ObjectSymbols ParseNmListing(const std::string& object, std::istream& listing) {
    ObjectSymbols symbols;
    symbols.object = object;
    for (std::string line; std::getline(listing, line);) {
        std::istringstream fields(line);
        std::string name;
        std::string type;
        if (!(fields >> name >> type)) {
            continue;
        }
        if (type == "U") {
            symbols.undefined.insert(name);
        } else if (IsGlobalDefinition(type)) {
            symbols.defined.insert(name);
        }
    }
    return symbols;
}

bool ReadObjectSymbols(const std::string& path, ObjectSymbols& symbols, std::string& error) {
    const std::string command = "nm -P " + ShellQuoted(path) + " 2>&1";
    struct Closer {
        int* status;
        void operator()(FILE* pipe) const { *status = pclose(pipe); }
    };
    int status = -1;
    std::string output;
    {
        const std::unique_ptr<FILE, Closer> pipe(popen(command.c_str(), "r"), Closer{&status});
        if (!pipe) {
            error = "cannot run nm";
            return false;
        }
        std::array<char, 4096> buffer{};
        for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0;) {
            output.append(buffer.data(), n);
        }
    }
    if (status != 0) {
        error = "nm failed on " + path + ": " + output;
        return false;
    }
    std::istringstream listing(output);
    symbols = ParseNmListing(path, listing);
    return true;
}

SymbolReport CheckSymbols(const Layering& layering, const SubsystemObjects& objects) {
    // Every library definition and where it lies.
    std::map<std::string, std::vector<Definition>> definitions;
    for (const auto& [subsystem, list] : objects) {
        for (const auto& object : list) {
            for (const auto& symbol : object.defined) {
                definitions[symbol].push_back({subsystem, object.object});
            }
        }
    }

    SymbolReport report;
    std::vector<bool> used(layering.exceptions.size(), false);
    for (const auto& [subsystem, list] : objects) {
        const auto allowed = Reachable(layering.graph, subsystem);
        for (const auto& object : list) {
            for (const auto& symbol : object.undefined) {
                const auto found = definitions.find(symbol);
                if (found == definitions.end()) {
                    continue;  // from outside the library
                }
                ++report.libraryReferences;
                bool ok = false;
                for (const auto& definition : found->second) {
                    ok = ok || allowed.count(definition.subsystem) != 0;
                }
                for (std::size_t i = 0; !ok && i < layering.exceptions.size(); ++i) {
                    const SymbolException& exception = layering.exceptions[i];
                    if (exception.from != subsystem) {
                        continue;
                    }
                    bool fromTarget = false;
                    for (const auto& definition : found->second) {
                        fromTarget = fromTarget || definition.subsystem == exception.to;
                    }
                    if (fromTarget && GlobMatch(exception.pattern, Demangle(symbol))) {
                        ok = true;
                        used[i] = true;
                    }
                }
                if (!ok) {
                    report.violations.push_back({subsystem, object.object, symbol, found->second});
                }
            }
        }
    }
    for (std::size_t i = 0; i < layering.exceptions.size(); ++i) {
        const SymbolException& exception = layering.exceptions[i];
        if (!used[i] && objects.count(exception.from) != 0 && objects.count(exception.to) != 0) {
            report.unusedExceptions.push_back(exception);
        }
    }
    return report;
}

std::string Demangle(const std::string& symbol) {
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> readable(
        abi::__cxa_demangle(symbol.c_str(), nullptr, nullptr, &status), &std::free);
    return status == 0 && readable ? std::string(readable.get()) : symbol;
}

std::string Describe(const Violation& violation) {
    std::string text = violation.subsystem + " needs `" + Demangle(violation.symbol) + "` (" +
                       FileName(violation.object) + "), defined only in";
    for (std::size_t i = 0; i < violation.definedIn.size(); ++i) {
        const Definition& definition = violation.definedIn[i];
        text +=
            (i == 0 ? " " : ", ") + definition.subsystem + " (" + FileName(definition.object) + ")";
    }
    return text;
}

}  // namespace KorvaneLayering
