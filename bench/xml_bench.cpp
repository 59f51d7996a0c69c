// Building a tree from a 5 MB preset-like document and writing it back, against raw expat with
// empty handlers (the limit: parsing alone) and two tree-building peers.
#include "bench/xml_document.h"

#include <benchmark/benchmark.h>
#include <expat.h>
#include <tinyxml2.h>
#include <pugixml.hpp>

#include <string>

namespace {

void SetBytes(benchmark::State& state, std::size_t n) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n));
}

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
