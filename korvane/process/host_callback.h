// The host's exec callback and the records that travel through it: process buffers, external
// memory blocks, memory spaces, selectors and the conversion table.
#pragma once

#include "korvane/core/export.h"

#include <cstdint>

namespace KPAPI_PROCESS_MEMORY {

// A process buffer, allocated and owned by the host. The library's request for one (selector 5)
// has the same nine fields with data and next left 0; the pointer fields are native width.
struct BUFFER_HEADER {
    void* data = nullptr;           // count elements in the process format (host fills it)
    BUFFER_HEADER* next = nullptr;  // next buffer of a chain
    std::int32_t space = 0;         // KEMemorySpace
    std::int32_t operation = 0;     // memory-operation code (write, read, read-write, fourth)
    std::int32_t coefFlag = 0;      // 1 for coefficient buffers
    std::int32_t refcon = 0;        // the host's refcon
    std::int32_t extra = 0;         // passed through for the external block
    std::int32_t offset = 0;        // in process words
    std::int32_t count = 0;         // elements
};

}  // namespace KPAPI_PROCESS_MEMORY

namespace kvKorvaneV10_0_3::ProcessMemory {

using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;

// int callback(selector, refcon, a, b, c); 0 is success.
using ExecCallBack = int (*)(int selector, int refcon, void* a, void* b, void* c);

enum KEMemorySpace : std::int32_t {
    eStatesSpace = 0,
    eCoefsSpace = 1,
    eExternalXSpace = 100,
    eExternalYSpace = 500,
};

// Selectors of the exec callback.
enum KEExecSelector : int {
    eSelPostChain = 0,
    eSelExecuteChain = 1,
    eSelJoinChains = 3,
    eSelFreeChain = 4,
    eSelNewBuffer = 5,
    eSelDoubleToCoef = 7,
    eSelIntToProcess = 8,
    eSelCoefToDouble = 9,
    eSelProcessToInt = 10,
    eSelHostInfoWord = 11,
    eSelDSPWordSize = 12,
    eSelAltDoubleToCoef = 13,
    eSelAltCoefToDouble = 14,
    eSelAutomationValue = 16,
    eSelAutomationTouch = 17,
    eSelAutomationRelease = 18,
    eSelDoubleToProcess = 20,
    eSelProcessToDouble = 21,
    eSelResetAllClip = 30,
    eSelShellListener = 36,
    eSelNetShellProcessorType = 64,
    eSelNetShellProcessorClass = 65,
    eSelSideChainActivity = 74,
    eSelSetupSwitchBracket = 78,
    eSelNativeShellProcess = 82,
};

// Kinds of external memory blocks (four-character codes).
constexpr std::uint32_t kXMem = 0x584D454DU;  // 'XMEM'
constexpr std::uint32_t kYMem = 0x594D454DU;  // 'YMEM'
constexpr std::uint32_t kLMem = 0x4C4D454DU;  // 'LMEM': present in X and Y

// One external memory block of the process: five 32-bit words.
struct sEXT_BUFF {
    std::uint32_t kind = 0;
    std::int32_t size = 0;  // elements
    std::int32_t reserved = 0;
    std::int32_t baseOffset = 0;  // process words
    std::int32_t extra = 0;       // passed to the host with every buffer on the block
};

// Conversions between the control side's numbers and the process format. Each writes or reads
// one element and returns its size in bytes.
using DoubleToProcessFn = int (*)(double value, void* dest);
using IntToProcessFn = int (*)(std::int32_t value, void* dest);
using ProcessToDoubleFn = int (*)(const void* source, double* value);
using ProcessToIntFn = int (*)(const void* source, std::int32_t* value);

struct KSConversionTable {
    DoubleToProcessFn doubleToCoef = nullptr;     // selector 7
    DoubleToProcessFn altDoubleToCoef = nullptr;  // selector 13
    IntToProcessFn intToProcess = nullptr;        // selector 8
    DoubleToProcessFn doubleToProcess = nullptr;  // selector 20
    ProcessToDoubleFn coefToDouble = nullptr;     // selector 9
    ProcessToDoubleFn altCoefToDouble = nullptr;  // selector 14
    ProcessToIntFn processToInt = nullptr;        // selector 10
    ProcessToDoubleFn processToDouble = nullptr;  // selector 21
};

// The defaults used until the host answers: 4-byte floats, 32-bit integers, 8-byte doubles.
KORVANE_API KSConversionTable DefaultConversionTable();

}  // namespace kvKorvaneV10_0_3::ProcessMemory
