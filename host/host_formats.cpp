// The conversions of the two reference host configurations.
#include "host/host_formats.h"

#include <cmath>
#include <cstring>

namespace KorvaneHost {
namespace {

constexpr double kQ23 = 8388608.0;  // 2^23
constexpr double kQ20 = 1048576.0;  // 2^20

int FloatFromDouble(double value, void* dest) {
    const auto f = static_cast<float>(value);
    std::memcpy(dest, &f, sizeof f);
    return sizeof f;
}

int DoubleFromFloat(const void* source, double* value) {
    float f = 0.0F;
    std::memcpy(&f, source, sizeof f);
    *value = f;
    return sizeof f;
}

int Int32ToProcess(std::int32_t value, void* dest) {
    std::memcpy(dest, &value, sizeof value);
    return sizeof value;
}

int Int32FromProcess(const void* source, std::int32_t* value) {
    std::memcpy(value, source, sizeof *value);
    return sizeof *value;
}

int Q23FromDouble(double value, void* dest) {
    Store24(Saturate24(value * kQ23), dest);
    return 3;
}

int DoubleFromQ23(const void* source, double* value) {
    *value = Load24(source) / kQ23;
    return 3;
}

int Q20FromDouble(double value, void* dest) {
    Store24(Saturate24(value * kQ20), dest);
    return 3;
}

int DoubleFromQ20(const void* source, double* value) {
    *value = Load24(source) / kQ20;
    return 3;
}

int Int24ToProcess(std::int32_t value, void* dest) {
    Store24(Saturate24(value), dest);
    return 3;
}

int Int24FromProcess(const void* source, std::int32_t* value) {
    *value = Load24(source);
    return 3;
}

}  // namespace

std::int32_t Saturate24(double scaled) {
    if (std::isnan(scaled)) {
        return 0;
    }
    if (scaled <= kFixed24Min) {
        return kFixed24Min;
    }
    if (scaled >= kFixed24Max) {
        return kFixed24Max;
    }
    return static_cast<std::int32_t>(std::lround(scaled));
}

void Store24(std::int32_t value, void* dest) {
    const auto bits = static_cast<std::uint32_t>(value);
    const unsigned char bytes[3] = {static_cast<unsigned char>(bits & 0xFFU),
                                    static_cast<unsigned char>((bits >> 8) & 0xFFU),
                                    static_cast<unsigned char>((bits >> 16) & 0xFFU)};
    std::memcpy(dest, bytes, sizeof bytes);
}

std::int32_t Load24(const void* source) {
    unsigned char bytes[3];
    std::memcpy(bytes, source, sizeof bytes);
    std::uint32_t bits =
        bytes[0] | (bytes[1] << 8U) | (static_cast<std::uint32_t>(bytes[2]) << 16U);
    if ((bits & 0x800000U) != 0) {
        bits |= 0xFF000000U;  // sign extension
    }
    return static_cast<std::int32_t>(bits);
}

bool HostConfig::IsConsistent() const {
    const auto& c = conversions;
    if (c.doubleToCoef == nullptr || c.altDoubleToCoef == nullptr || c.intToProcess == nullptr ||
        c.doubleToProcess == nullptr || c.coefToDouble == nullptr || c.altCoefToDouble == nullptr ||
        c.processToInt == nullptr || c.processToDouble == nullptr) {
        return false;
    }
    unsigned char word[16] = {};
    double d = 0.0;
    std::int32_t i = 0;
    return wordSize >= 1 && wordSize <= 16 && c.doubleToCoef(0.5, word) == wordSize &&
           c.altDoubleToCoef(0.5, word) == wordSize && c.intToProcess(1, word) == wordSize &&
           c.doubleToProcess(0.5, word) == wordSize && c.coefToDouble(word, &d) == wordSize &&
           c.altCoefToDouble(word, &d) == wordSize && c.processToInt(word, &i) == wordSize &&
           c.processToDouble(word, &d) == wordSize;
}

HostConfig Float32Config() {
    HostConfig config;
    config.name = "float32";
    config.wordSize = 4;
    config.hostInfoWord = 0x0F32;
    config.floatWords = true;
    config.conversions = {FloatFromDouble, FloatFromDouble, Int32ToProcess,   FloatFromDouble,
                          DoubleFromFloat, DoubleFromFloat, Int32FromProcess, DoubleFromFloat};
    return config;
}

HostConfig Fixed24Config() {
    HostConfig config;
    config.name = "fixed24";
    config.wordSize = 3;
    config.hostInfoWord = 0x0F24;
    config.conversions = {Q23FromDouble, Q20FromDouble, Int24ToProcess,   Q23FromDouble,
                          DoubleFromQ23, DoubleFromQ20, Int24FromProcess, DoubleFromQ23};
    return config;
}

}  // namespace KorvaneHost
