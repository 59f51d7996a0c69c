// Building a tree from a 5 MB preset-like document and writing it back, against raw expat with
// empty handlers (the limit: parsing alone) and two tree-building peers.
#include "bench/xml_document.h"
#include "korvane/xml/number_parse.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"

#include <benchmark/benchmark.h>
#include <expat.h>
#include <tinyxml2.h>
#include <pugixml.hpp>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void SetBytes(benchmark::State& state, std::size_t n) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n));
}

namespace kx = kvKorvaneV10_0_3::XML;

void KorvaneBuild(benchmark::State& state) {
    const std::string& text = bench_xml::PresetDocument();
    for (auto _ : state) {
        kx::CXMLElement root;
        kx::CXMLTreeBuilder builder(root);
        benchmark::DoNotOptimize(
            builder.BuildFromSingleBuffer(text.data(), static_cast<unsigned int>(text.size())));
    }
    SetBytes(state, text.size());
}
BENCHMARK(KorvaneBuild)->Name("xml.build_tree_5mb/korvane");

void KorvaneWrite(benchmark::State& state) {
    const std::string& text = bench_xml::PresetDocument();
    kx::CXMLElement root;
    kx::CXMLTreeBuilder builder(root);
    builder.BuildFromSingleBuffer(text.data(), static_cast<unsigned int>(text.size()));
    for (auto _ : state) {
        std::string out;
        out.reserve(text.size());
        builder.WriteToString(out);
        benchmark::DoNotOptimize(out.data());
    }
    SetBytes(state, text.size());
}
BENCHMARK(KorvaneWrite)->Name("xml.write_tree_5mb/korvane");

// Numbers as preset files hold them: "%.20g" real-world values.
const std::vector<std::string>& NumberTexts() {
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> v;
        char number[48];
        for (int i = 0; i < 4096; ++i) {
            std::snprintf(number, sizeof number, "%.20g", (i * 7919 % 100003) * 0.00137 - 60.0);
            v.emplace_back(number);
        }
        return v;
    }();
    return texts;
}

void KorvaneAtof(benchmark::State& state) {
    const auto& texts = NumberTexts();
    for (auto _ : state) {
        double sum = 0;
        for (const auto& t : texts) {
            sum += kvKorvaneV10_0_3::KUAtof(t.c_str());
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(KorvaneAtof)->Name("xml.parse_4096_doubles/korvane");

void Strtod(benchmark::State& state) {
    const auto& texts = NumberTexts();
    for (auto _ : state) {
        double sum = 0;
        for (const auto& t : texts) {
            sum += std::strtod(t.c_str(), nullptr);
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(Strtod)->Name("xml.parse_4096_doubles/peer:strtod");

void FromChars(benchmark::State& state) {
    const auto& texts = NumberTexts();
    for (auto _ : state) {
        double sum = 0;
        for (const auto& t : texts) {
            double v = 0;
            std::from_chars(t.data(), t.data() + t.size(), v);
            sum += v;
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(FromChars)->Name("xml.parse_4096_doubles/peer:std::from_chars");

void ExpatEmpty(benchmark::State& state) {
    const std::string& text = bench_xml::PresetDocument();
    for (auto _ : state) {
        XML_Parser parser = XML_ParserCreate(nullptr);
        XML_SetElementHandler(
            parser, [](void*, const XML_Char*, const XML_Char**) {}, [](void*, const XML_Char*) {});
        XML_SetCharacterDataHandler(parser, [](void*, const XML_Char*, int) {});
        benchmark::DoNotOptimize(
            XML_Parse(parser, text.data(), static_cast<int>(text.size()), XML_TRUE));
        XML_ParserFree(parser);
    }
    SetBytes(state, text.size());
}
BENCHMARK(ExpatEmpty)->Name("xml.build_tree_5mb/limit:expat_empty_handlers");

void Pugi(benchmark::State& state) {
    const std::string& text = bench_xml::PresetDocument();
    for (auto _ : state) {
        pugi::xml_document doc;
        benchmark::DoNotOptimize(doc.load_buffer(text.data(), text.size()));
    }
    SetBytes(state, text.size());
}
BENCHMARK(Pugi)->Name("xml.build_tree_5mb/peer:pugixml");

void TinyXml(benchmark::State& state) {
    const std::string& text = bench_xml::PresetDocument();
    for (auto _ : state) {
        tinyxml2::XMLDocument doc;
        benchmark::DoNotOptimize(doc.Parse(text.data(), text.size()));
    }
    SetBytes(state, text.size());
}
BENCHMARK(TinyXml)->Name("xml.build_tree_5mb/peer:tinyxml2");

void PugiWrite(benchmark::State& state) {
    pugi::xml_document doc;
    const std::string& text = bench_xml::PresetDocument();
    doc.load_buffer(text.data(), text.size());
    struct Sink : pugi::xml_writer {
        std::string out;
        void write(const void* data, size_t size) override {
            out.append(static_cast<const char*>(data), size);
        }
    };
    for (auto _ : state) {
        Sink sink;
        sink.out.reserve(text.size());
        doc.save(sink, "  ");
        benchmark::DoNotOptimize(sink.out.data());
    }
    SetBytes(state, text.size());
}
BENCHMARK(PugiWrite)->Name("xml.write_tree_5mb/peer:pugixml");

void TinyXmlWrite(benchmark::State& state) {
    tinyxml2::XMLDocument doc;
    const std::string& text = bench_xml::PresetDocument();
    doc.Parse(text.data(), text.size());
    for (auto _ : state) {
        tinyxml2::XMLPrinter printer;
        doc.Print(&printer);
        benchmark::DoNotOptimize(printer.CStr());
    }
    SetBytes(state, text.size());
}
BENCHMARK(TinyXmlWrite)->Name("xml.write_tree_5mb/peer:tinyxml2");

}  // namespace
