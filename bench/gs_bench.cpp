// The graphic stream: writing and reading 100,000 mixed records against memcpy of the same
// bytes (the limit), and rendering SVG against building and writing the same elements with the
// XML tree alone (the peer).
#include "korvane/gs/gs_engine.h"
#include "korvane/gs/gs_svg.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_writer.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace kvKorvaneV10_0_3;

constexpr int kRecords = 100000;

// Frames, lines (data + vertices), texts (data + text) and ovals, in turn: kRecords records.
void WriteMixed(kvGS::KCGraphicStreamBinaryWriter& w) {
    w.OpenStream(kvGS::SGSStream());
    int records = 2;
    for (short i = 0; records < kRecords; ++i) {
        const auto x = static_cast<short>(i & 1023);
        w.OpenFrame(kvGS::SGSFrame());
        w.DrawLine(KCRGBAColor{255, 0, 0, 255}, {x, 0}, {0, x}, 1.0F, true);
        w.DrawTheText("Gain", 0, kvGS::eGSLeft, kvGS::eGSTop);
        w.DrawOval(kvGS::SGSDrawOval());
        w.CloseFrame(kvGS::eGSEndFrame);
        records += 7;
    }
    w.CloseFrame(kvGS::eGSEndStream);
}

std::vector<char> MixedStream() {
    kvGS::KCGraphicStreamBinaryWriter w;
    WriteMixed(w);
    const auto& s = w.GetStream();
    return {static_cast<const char*>(s.ptr), static_cast<const char*>(s.ptr) + s.size};
}

void GSWrite(benchmark::State& state) {
    kvGS::KCGraphicStreamBinaryWriter w;
    for (auto _ : state) {
        w.ClearStream();  // keeps the capacity, as a GUI redrawing every frame does
        WriteMixed(w);
        benchmark::DoNotOptimize(w.GetStream().ptr);
    }
}
BENCHMARK(GSWrite)->Name("gs.write_100k_records/korvane");

void GSRead(benchmark::State& state) {
    const std::vector<char> stream = MixedStream();
    kvGS::KCGraphicStreamEngineBase reader;
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader.ExecStream(stream.data(), stream.size()));
    }
}
BENCHMARK(GSRead)->Name("gs.read_100k_records/korvane");

void CopyStream(benchmark::State& state) {
    const std::vector<char> stream = MixedStream();
    std::vector<char> target(stream.size());
    for (auto _ : state) {
        std::memcpy(target.data(), stream.data(), stream.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(CopyStream)->Name("gs.write_100k_records/limit:memcpy");
BENCHMARK(CopyStream)->Name("gs.read_100k_records/limit:memcpy");

constexpr short kFrames = 2000;

void GSRenderSVG(benchmark::State& state) {
    kvGS::KCGraphicStreamBinaryWriter w;
    kvGS::SGSStream stream;
    stream.rect = {0, 0, 1024, 1024};
    w.OpenStream(stream);
    for (short i = 0; i < kFrames; ++i) {
        kvGS::SGSFrame frame;
        frame.rect = {i, i, 100, 20};
        w.OpenFrame(frame);
        w.DrawLine(KCRGBAColor{255, 0, 0, 255}, {0, 0}, {i, 10}, 1.0F, true);
        w.DrawTheText("Gain", 0, kvGS::eGSLeft, kvGS::eGSTop);
        w.CloseFrame(kvGS::eGSEndFrame);
    }
    w.CloseFrame(kvGS::eGSEndStream);
    const auto& s = w.GetStream();
    std::string text;
    for (auto _ : state) {
        XML::CXMLElement root;
        kvGS::KCGraphicStreamToSVG svg(&root);
        benchmark::DoNotOptimize(svg.ExecStream(static_cast<const char*>(s.ptr), s.size));
        text.clear();
        XML::AppendXML(text, root, false, true, 0);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(GSRenderSVG)->Name("gs.svg_2000_frames/korvane");

// The same elements and attributes built directly in the tree and written.
void XMLWriterAlone(benchmark::State& state) {
    std::string text;
    for (auto _ : state) {
        XML::CXMLElement root("svg", "");
        root.AddAttrib("width", 1024);
        root.AddAttrib("height", 1024);
        for (short i = 0; i < kFrames; ++i) {
            XML::CXMLElement* g = root.AddSubElement("g");
            XML::CXMLElement* line = g != nullptr ? g->AddSubElement("polyline") : nullptr;
            XML::CXMLElement* label = g != nullptr ? g->AddSubElement("text", "Gain") : nullptr;
            if (label == nullptr || line == nullptr) {
                break;
            }
            g->AddAttrib("id", ("gs" + std::to_string(3 * i + 1)).c_str());
            g->AddAttrib(
                "transform",
                ("translate(" + std::to_string(i) + "," + std::to_string(i) + ")").c_str());
            line->AddAttrib("id", ("gs" + std::to_string(3 * i + 2)).c_str());
            line->AddAttrib("points", ("0,0 " + std::to_string(i) + ",10").c_str());
            line->AddAttrib("stroke", "rgb(255,0,0)");
            line->AddAttrib("fill", "none");
            line->AddAttrib("stroke-width", "1");
            line->AddAttrib("stroke-pattern", "FFFF");
            line->AddAttrib("vector-effect", "non-scaling-stroke");
            label->AddAttrib("id", ("gs" + std::to_string(3 * i + 3)).c_str());
            label->AddAttrib("x", "0");
            label->AddAttrib("y", "0");
            label->AddAttrib("font-family", "Arial");
            label->AddAttrib("font-size", 12);
            label->AddAttrib("style", "text-anchor: start; dominant-baseline: hanging;");
            label->AddAttrib("fill", "rgb(0,0,0)");
        }
        text.clear();
        XML::AppendXML(text, root, false, true, 0);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(XMLWriterAlone)->Name("gs.svg_2000_frames/peer:xml_tree_and_writer");

}  // namespace
