// The symbol check of the layering: on listings and objects made here, where the answer is
// known, and on the library's own object files.
#include "tools/layering/symbol_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace KorvaneLayering {
namespace {

namespace fs = std::filesystem;

Layering TableOf(const std::string& doc) {
    std::istringstream in(doc);
    return ParseLayering(in);
}

ObjectSymbols Listing(const std::string& object, const std::string& nm) {
    std::istringstream in(nm);
    return ParseNmListing(object, in);
}

// Reads a file of lines "subsystem<TAB>object<TAB>object..." and runs nm on every object.
SubsystemObjects ReadObjects(const fs::path& list) {
    SubsystemObjects objects;
    std::ifstream in(list);
    EXPECT_TRUE(in) << "cannot read " << list;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string subsystem;
        std::getline(fields, subsystem, '\t');
        auto& into = objects[subsystem];
        for (std::string path; std::getline(fields, path, '\t');) {
            ObjectSymbols symbols;
            std::string error;
            EXPECT_TRUE(ReadObjectSymbols(path, symbols, error)) << error;
            into.push_back(symbols);
        }
    }
    return objects;
}

// Mangled names of free functions `int name()`.
std::string Fn(const std::string& name) {
    return "_Z" + std::to_string(name.size()) + name + "v";
}

TEST(SymbolLayering, ListingsGiveGlobalDefinitionsAndStrongReferences) {
    const ObjectSymbols symbols = Listing("a.o",
                                          "_Z4Textv T 0 10\n"
                                          "_Z4Dataf D 8 4\n"
                                          "_Z6Inlinev W 20 6\n"
                                          "_ZZ3InlvE1x u 0 4\n"
                                          "_Z5Localv t 30 2\n"
                                          "_Z4Needv U\n"
                                          "_Z8MaybeOptv w\n"
                                          "\n");
    EXPECT_EQ(symbols.object, "a.o");
    EXPECT_EQ(symbols.defined,
              (std::set<std::string>{"_Z4Textv", "_Z4Dataf", "_Z6Inlinev", "_ZZ3InlvE1x"}));
    // A local definition serves no other object; a weak reference needs nothing.
    EXPECT_EQ(symbols.undefined, (std::set<std::string>{"_Z4Needv"}));
}

TEST(SymbolLayering, ANeedMetOnlyAboveIsReportedWithWhereItIsDefined) {
    const Layering layering = TableOf("```layering\nlow:\nmid: low\nhigh: mid\nside: low\n```\n");
    SubsystemObjects objects;
    objects["low"] = {
        Listing("low.cpp.o", Fn("High") + " U\n" + Fn("Libc") + " U\n" + Fn("Low") + " T 0 1\n"),
        Listing("low2.cpp.o", Fn("Shared") + " W 0 1\n")};
    objects["mid"] = {
        Listing("mid.cpp.o", Fn("Low") + " U\n" + Fn("Shared") + " U\n" + Fn("Mid") + " T 0 1\n")};
    objects["high"] = {Listing("high.cpp.o", Fn("Low") + " U\n" + Fn("Mid") + " U\n" + Fn("High") +
                                                 " T 0 1\n" + Fn("Shared") + " W 0 1\n"),
                       Listing("other.cpp.o", Fn("Side") + " U\n")};
    objects["side"] = {Listing("side.cpp.o", Fn("Side") + " T 0 1\n" + Fn("High") + " W 0 1\n")};

    const SymbolReport report = CheckSymbols(layering, objects);
    // low needs High (only in high and side); high needs Side (side is not below high).
    ASSERT_EQ(report.violations.size(), 2U);
    const Violation& low = report.violations[1];
    EXPECT_EQ(low.subsystem, "low");
    EXPECT_EQ(low.object, "low.cpp.o");
    EXPECT_EQ(low.symbol, Fn("High"));
    EXPECT_EQ(Describe(low),
              "low needs `High()` (low.cpp.o), defined only in high (high.cpp.o), "
              "side (side.cpp.o)");
    EXPECT_EQ(Describe(report.violations[0]),
              "high needs `Side()` (other.cpp.o), defined only in side (side.cpp.o)");
    // Low, Mid and Shared (weak in low and high) resolve within reach, Libc outside the
    // library: 6 references in all.
    EXPECT_EQ(report.libraryReferences, 6);
    EXPECT_TRUE(report.unusedExceptions.empty());
}

TEST(SymbolLayering, AnExceptionExcusesItsPatternFromItsSubsystemOnly) {
    const std::string serialize = "_ZN2ns7Version9SerializeERNS_10SerializerE";
    const std::string read = "_ZN2ns7Version4ReadEv";
    const Layering layering = TableOf(
        "```layering\ncore:\nxml: core\ngui: core\n```\n"
        "```symbol-exceptions\n"
        "core -> xml: *::Version::Serialize(*::Serializer&)\n"
        "core -> gui: *::Unused*\n"
        "```\n");
    ASSERT_EQ(layering.exceptions.size(), 2U);
    EXPECT_EQ(layering.exceptions[0].pattern, "*::Version::Serialize(*::Serializer&)");

    SubsystemObjects objects;
    objects["core"] = {Listing("version.cpp.o", serialize + " U\n" + read + " U\n")};
    objects["xml"] = {Listing("core_xml.cpp.o", serialize + " T 0 1\n" + read + " T 0 1\n")};
    objects["gui"] = {Listing("gui.cpp.o", serialize + " T 0 1\n")};
    SymbolReport report = CheckSymbols(layering, objects);
    // Serialize is excused (xml defines it); Read matches no pattern.
    ASSERT_EQ(report.violations.size(), 1U);
    EXPECT_EQ(Demangle(report.violations[0].symbol), "ns::Version::Read()");
    ASSERT_EQ(report.unusedExceptions.size(), 1U);
    EXPECT_EQ(report.unusedExceptions[0].to, "gui");

    // Defined only in a subsystem the exception does not name: not excused.
    objects["xml"] = {Listing("core_xml.cpp.o", read + " T 0 1\n")};
    report = CheckSymbols(layering, objects);
    ASSERT_EQ(report.violations.size(), 2U);
    EXPECT_EQ(report.violations[1].symbol, serialize);
    EXPECT_EQ(report.violations[1].definedIn[0].subsystem, "gui");

    // Nor does it excuse the same need from another subsystem.
    objects.erase("core");
    objects["gui"] = {Listing("gui.cpp.o", serialize + " U\n")};
    objects["xml"] = {Listing("core_xml.cpp.o", serialize + " T 0 1\n")};
    report = CheckSymbols(layering, objects);
    ASSERT_EQ(report.violations.size(), 1U);
    EXPECT_EQ(report.violations[0].subsystem, "gui");
    // With core absent, its exceptions cannot be judged stale.
    EXPECT_TRUE(report.unusedExceptions.empty());
}

TEST(SymbolLayering, PatternsMatchTheWholeNameWithStarsForAnyRun) {
    EXPECT_TRUE(GlobMatch("*::KCVersion::SerializeXML(*)",
                          "kv::KCVersion::SerializeXML(kv::XML::KCXMLSerializer&)"));
    EXPECT_TRUE(GlobMatch("vtable for *::KCXMLable", "vtable for a::b::KCXMLable"));
    EXPECT_FALSE(GlobMatch("vtable for *::KCXMLable", "vtable for a::KCXMLable2"));
    EXPECT_FALSE(GlobMatch("*::KCVersion::SerializeXML(*)", "kv::KCVersion::Serialize(int)"));
    EXPECT_FALSE(GlobMatch("*::KCVersion::*", "kv::MyKCVersion::Get()")) << "no '::' before it";
    EXPECT_TRUE(GlobMatch("a*b*c", "a-b-b-c"));
    EXPECT_TRUE(GlobMatch("*", ""));
    EXPECT_FALSE(GlobMatch("", "x"));
}

TEST(SymbolLayering, CatchesAFunctionDeclaredLowAndDefinedHighInCompiledObjects) {
    const SubsystemObjects objects = ReadObjects(KORVANE_PROBE_OBJECTS);
    ASSERT_EQ(objects.size(), 2U);
    SymbolReport report = CheckSymbols(TableOf("```layering\nlow:\nhigh: low\n```\n"), objects);
    ASSERT_EQ(report.violations.size(), 1U) << "the probes were not read";
    EXPECT_EQ(report.violations[0].subsystem, "low");
    EXPECT_EQ(Demangle(report.violations[0].symbol), "LayeringProbeHigh()");
    EXPECT_EQ(report.violations[0].definedIn[0].subsystem, "high");
    EXPECT_EQ(report.libraryReferences, 2);

    // The same objects under the opposite table: high now needs low from above.
    report = CheckSymbols(TableOf("```layering\nhigh:\nlow: high\n```\n"), objects);
    ASSERT_EQ(report.violations.size(), 1U);
    EXPECT_EQ(Demangle(report.violations[0].symbol), "LayeringProbeLow()");
}

TEST(SymbolLayering, NoSubsystemNeedsASymbolDefinedOnlyAboveIt) {
    const Layering layering =
        ReadLayering(fs::path(KORVANE_SOURCE_DIR) / "docs" / "architecture.md");
    const SubsystemObjects objects = ReadObjects(KORVANE_SUBSYSTEM_OBJECTS);
    ASSERT_TRUE(objects.count("core")) << "no object list";
    for (const auto& [subsystem, list] : objects) {
        EXPECT_TRUE(layering.graph.count(subsystem)) << subsystem << " is not in the table";
        EXPECT_FALSE(list.empty()) << subsystem << " has no objects";
    }
    const SymbolReport report = CheckSymbols(layering, objects);
    for (const Violation& violation : report.violations) {
        ADD_FAILURE() << Describe(violation);
    }
    for (const SymbolException& exception : report.unusedExceptions) {
        ADD_FAILURE() << "symbol exception " << exception.from << " -> " << exception.to << ": "
                      << exception.pattern << " excuses nothing";
    }
    // Nothing read would pass vacuously.
    EXPECT_GT(report.libraryReferences, 0);
}

}  // namespace
}  // namespace KorvaneLayering
