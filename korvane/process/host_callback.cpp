// The conversions the library uses until the host answers with its own.
#include "korvane/process/host_callback.h"

#include <cstring>

namespace kvKorvaneV10_0_3::ProcessMemory {
namespace {

// memcpy rather than casts: the host's data areas carry no alignment promise.
int DoubleToFloat(double value, void* dest) {
    const auto f = static_cast<float>(value);
    std::memcpy(dest, &f, sizeof f);
    return sizeof f;
}

int IntToInt(std::int32_t value, void* dest) {
    std::memcpy(dest, &value, sizeof value);
    return sizeof value;
}

int DoubleToDouble(double value, void* dest) {
    std::memcpy(dest, &value, sizeof value);
    return sizeof value;
}

int FloatToDouble(const void* source, double* value) {
    float f = 0.0F;
    std::memcpy(&f, source, sizeof f);
    *value = f;
    return sizeof f;
}

int IntFromInt(const void* source, std::int32_t* value) {
    std::memcpy(value, source, sizeof *value);
    return sizeof *value;
}

int DoubleFromDouble(const void* source, double* value) {
    std::memcpy(value, source, sizeof *value);
    return sizeof *value;
}

}  // namespace

KSConversionTable DefaultConversionTable() {
    KSConversionTable table;
    table.doubleToCoef = DoubleToFloat;
    table.altDoubleToCoef = DoubleToFloat;
    table.intToProcess = IntToInt;
    table.doubleToProcess = DoubleToDouble;
    table.coefToDouble = FloatToDouble;
    table.altCoefToDouble = FloatToDouble;
    table.processToInt = IntFromInt;
    table.processToDouble = DoubleFromDouble;
    return table;
}

}  // namespace kvKorvaneV10_0_3::ProcessMemory
