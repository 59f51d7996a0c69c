// Base64 encode and decode of 1 MiB against memcpy (the limit), Boost.Beast's codec and
// OpenSSL's EVP_EncodeBlock / EVP_DecodeBlock (peers). Peers encode without line feeds, so every
// decoder reads the same unbroken text; ours also decodes its own line-broken output.
#include "korvane/core/base64.h"

#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <boost/beast/core/detail/base64.hpp>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using kvKorvaneV10_0_3::KCBase64;

namespace beast64 = boost::beast::detail::base64;

constexpr std::size_t kSize = 1 << 20;

const std::vector<unsigned char>& Input() {
    static const std::vector<unsigned char> data = [] {
        std::mt19937 rng(42);
        std::vector<unsigned char> v(kSize);
        for (auto& b : v) {
            b = static_cast<unsigned char>(rng());
        }
        return v;
    }();
    return data;
}

// Standard Base64 of the input without line feeds.
const std::string& PlainText() {
    static const std::string text = [] {
        std::string t(beast64::encoded_size(kSize), '\0');
        t.resize(beast64::encode(t.data(), Input().data(), kSize));
        return t;
    }();
    return text;
}

void Bytes(benchmark::State& state, std::size_t n) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n));
}

void EncodeMemcpy(benchmark::State& state) {
    std::vector<unsigned char> out(kSize);
    for (auto _ : state) {
        std::memcpy(out.data(), Input().data(), kSize);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    Bytes(state, kSize);
}

void EncodeKorvane(benchmark::State& state) {
    std::string out;
    for (auto _ : state) {
        benchmark::DoNotOptimize(KCBase64::Encode(Input().data(), kSize, out));
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    Bytes(state, kSize);
}

void EncodeBeast(benchmark::State& state) {
    std::string out(beast64::encoded_size(kSize), '\0');
    for (auto _ : state) {
        benchmark::DoNotOptimize(beast64::encode(out.data(), Input().data(), kSize));
        benchmark::ClobberMemory();
    }
    Bytes(state, kSize);
}

void EncodeOpenSSL(benchmark::State& state) {
    std::vector<unsigned char> out(beast64::encoded_size(kSize) + 1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(EVP_EncodeBlock(out.data(), Input().data(), kSize));
        benchmark::ClobberMemory();
    }
    Bytes(state, kSize);
}

void DecodeMemcpy(benchmark::State& state) {
    const std::string& text = PlainText();
    std::vector<unsigned char> out(text.size());
    for (auto _ : state) {
        std::memcpy(out.data(), text.data(), text.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    Bytes(state, text.size());
}

void DecodeWithKorvane(benchmark::State& state, const std::string& text) {
    std::vector<unsigned char> out;
    for (auto _ : state) {
        benchmark::DoNotOptimize(KCBase64::Decode(text, out));
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    Bytes(state, text.size());
}

void DecodeKorvane(benchmark::State& state) {
    DecodeWithKorvane(state, PlainText());
}

void DecodeBeast(benchmark::State& state) {
    const std::string& text = PlainText();
    std::vector<unsigned char> out(beast64::decoded_size(text.size()));
    for (auto _ : state) {
        benchmark::DoNotOptimize(beast64::decode(out.data(), text.data(), text.size()));
        benchmark::ClobberMemory();
    }
    Bytes(state, text.size());
}

void DecodeOpenSSL(benchmark::State& state) {
    const std::string& text = PlainText();
    std::vector<unsigned char> out(text.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()),
                            static_cast<int>(text.size())));
        benchmark::ClobberMemory();
    }
    Bytes(state, text.size());
}

// Ours on its own output, a line feed every 77 characters.
void DecodeLinesKorvane(benchmark::State& state) {
    std::string text;
    if (KCBase64::Encode(Input().data(), kSize, text) != kvKorvaneV10_0_3::eNoErr) {
        state.SkipWithError("encoding the input failed");
        return;
    }
    DecodeWithKorvane(state, text);
}

BENCHMARK(EncodeMemcpy)->Name("base64_encode/limit:memcpy");
BENCHMARK(EncodeKorvane)->Name("base64_encode/korvane");
BENCHMARK(EncodeBeast)->Name("base64_encode/peer:boost_beast");
BENCHMARK(EncodeOpenSSL)->Name("base64_encode/peer:openssl");
BENCHMARK(DecodeMemcpy)->Name("base64_decode/limit:memcpy");
BENCHMARK(DecodeKorvane)->Name("base64_decode/korvane");
BENCHMARK(DecodeBeast)->Name("base64_decode/peer:boost_beast");
BENCHMARK(DecodeOpenSSL)->Name("base64_decode/peer:openssl");
BENCHMARK(DecodeLinesKorvane)->Name("base64_decode_lines/korvane");

}  // namespace
