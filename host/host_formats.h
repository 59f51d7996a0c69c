// Configurations of the reference host: the process format it reports and the conversions it
// answers with (a 32-bit float engine and a 24-bit fixed-point engine).
#pragma once

#include "korvane/process/host_callback.h"

#include <cstdint>

namespace KorvaneHost {

using kvKorvaneV10_0_3::ProcessMemory::KSConversionTable;

// Every conversion of a configuration reads and writes exactly one process word.
struct HostConfig {
    const char* name = "";
    std::int32_t wordSize = 4;       // answer to 12: bytes per process word and element
    std::uint32_t hostInfoWord = 0;  // answer to 11
    KSConversionTable conversions;   // answers to 7, 8, 20, 9, 10, 21, 13, 14
    bool answersAlternates = true;   // false: 13 and 14 are refused
    std::int32_t opBase = 0;         // memory-operation codes: write = base, read = base + 1,
                                     // read-write = base + 2, fourth = base + 4
    std::int32_t netShellType = 0;   // answers to 64 and 65
    std::int32_t netShellClass = 2;
    std::int32_t netShellValid = 1;
    bool nativeShellProcess = false;  // answer to 82
    // Every word is a 4-byte IEEE float (integers aside): what a native process function reads.
    bool floatWords = false;
    // Most elements one read or read-write buffer may hold (0: no limit); a larger request is
    // refused like any other bad request.
    std::int32_t maxReadCount = 0;

    // True when every conversion is present and moves exactly wordSize bytes. [any-thread]
    [[nodiscard]] bool IsConsistent() const;
};

// 4-byte words: IEEE floats for coefficients and process doubles, int32 integers; 13 and 14
// answer the same functions as 7 and 9.
HostConfig Float32Config();

// 3-byte little-endian two's-complement words: coefficients Q1.23 (range [-1, 1)), alternate
// coefficients Q4.20 (range [-8, 8)), process doubles Q1.23, integers 24-bit; every conversion
// rounds to nearest and saturates, NaN becomes 0.
HostConfig Fixed24Config();

// The 24-bit fixed-point helpers, exposed for tests and tools. [any-thread]
constexpr std::int32_t kFixed24Min = -(1 << 23);
constexpr std::int32_t kFixed24Max = (1 << 23) - 1;
std::int32_t Saturate24(double scaled);
void Store24(std::int32_t value, void* dest);
std::int32_t Load24(const void* source);

}  // namespace KorvaneHost
