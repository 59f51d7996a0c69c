// The locale-independent integer and floating-point parsers.
#include "korvane/xml/number_parse.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace kvKorvaneV10_0_3 {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads sign and digits into a magnitude; overflow saturates and is reported.
struct ParsedInt {
    bool negative = false;
    bool overflow = false;
    unsigned long long magnitude = 0;
    KTErr code = eNoErr;
};

ParsedInt ParseInt(const char* text) {
    ParsedInt out;
    if (text == nullptr) {
        out.code = eNotANumber;
        return out;
    }
    while (*text == ' ' || *text == '\t') {
        ++text;
    }
    if (*text == '+' || *text == '-') {
        out.negative = *text == '-';
        ++text;
    }
    if (!IsDigit(*text)) {
        out.code = eNotANumber;
        return out;
    }
    constexpr unsigned long long kMax = std::numeric_limits<unsigned long long>::max();
    for (; IsDigit(*text); ++text) {
        const auto digit = static_cast<unsigned long long>(*text - '0');
        if (out.magnitude > (kMax - digit) / 10) {
            out.overflow = true;
            out.magnitude = kMax;
        } else if (!out.overflow) {
            out.magnitude = out.magnitude * 10 + digit;
        }
    }
    if (*text != 0) {
        out.code = eNotJustANumber;
    }
    return out;
}

// The signed 64-bit value of a parse, saturated; sets overflow when it did not fit.
long long ToSigned(ParsedInt& p) {
    constexpr auto kMax = static_cast<unsigned long long>(std::numeric_limits<long long>::max());
    if (p.negative) {
        if (p.magnitude > kMax + 1) {
            p.overflow = true;
            return std::numeric_limits<long long>::min();
        }
        return p.magnitude == kMax + 1 ? std::numeric_limits<long long>::min()
                                       : -static_cast<long long>(p.magnitude);
    }
    if (p.magnitude > kMax) {
        p.overflow = true;
        return std::numeric_limits<long long>::max();
    }
    return static_cast<long long>(p.magnitude);
}

template <typename T>
[[nodiscard]] KTErr Narrow(const char* text, T& value) {
    long long wide = 0;
    const KTErr code = KUAtoi(text, wide);
    value = static_cast<T>(wide);
    if (code == eNoErr &&
        (wide < std::numeric_limits<T>::min() || wide > std::numeric_limits<T>::max())) {
        return eOutOfRangeNumber;
    }
    return code;
}

}  // namespace

KTErr KUAtoi(const char* text, long long& value) {
    ParsedInt p = ParseInt(text);
    value = ToSigned(p);
    if (p.code == eNoErr && p.overflow) {
        return eOutOfRangeNumber;
    }
    return p.code;
}

KTErr KUAtoi(const char* text, int& value) {
    return Narrow(text, value);
}

KTErr KUAtoi(const char* text, short& value) {
    return Narrow(text, value);
}

KTErr KUAtoi(const char* text, signed char& value) {
    return Narrow(text, value);
}

KTErr KUAtoi(const char* text, unsigned long long& value) {
    const ParsedInt p = ParseInt(text);
    value = p.negative ? 0 : p.magnitude;
    if (p.code == eNoErr && (p.overflow || (p.negative && p.magnitude != 0))) {
        return eOutOfRangeNumber;
    }
    return p.code;
}

double KUAtof(const char* text) {
    if (text == nullptr) {
        return 0.0;
    }
    while (*text == ' ' || (*text >= '\t' && *text <= '\r')) {
        ++text;
    }
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    // Beyond 2^56 further digits cannot change a double; they only move the exponent.
    constexpr double kMantissaLimit = 72057594037927936.0;
    double mantissa = 0.0;
    long exponent = 0;
    bool anyDigit = false;
    for (; IsDigit(*text); ++text) {
        anyDigit = true;
        if (mantissa < kMantissaLimit) {
            mantissa = mantissa * 10.0 + (*text - '0');
        } else {
            ++exponent;
        }
    }
    if (*text == '.') {
        for (++text; IsDigit(*text); ++text) {
            anyDigit = true;
            if (mantissa < kMantissaLimit) {
                mantissa = mantissa * 10.0 + (*text - '0');
                --exponent;
            }
        }
    }
    if (!anyDigit) {
        return 0.0;
    }
    if (*text == 'e' || *text == 'E') {
        const char* p = text + 1;
        bool expNegative = false;
        if (*p == '+' || *p == '-') {
            expNegative = *p == '-';
            ++p;
        }
        if (IsDigit(*p)) {
            long e = 0;
            for (; IsDigit(*p); ++p) {
                // Any exponent this large already over- or underflows; stop growing.
                if (e < 100000) {
                    e = e * 10 + (*p - '0');
                }
            }
            exponent += expNegative ? -e : e;
        }
    }
    double result = 0.0;
    if (mantissa != 0.0) {
        static constexpr double kPowersOfFive[] = {
            5.0, 25.0, 625.0, 390625.0, 152587890625.0, 2.3283064365386962890625e22};
        auto n = static_cast<unsigned long>(exponent < 0 ? -exponent : exponent);
        double power = 1.0;
        while (n >= 64 && !std::isinf(power)) {
            power *= kPowersOfFive[5];
            power *= kPowersOfFive[5];
            n -= 64;
        }
        for (unsigned int bit = 0; bit < 6; ++bit) {
            if ((n >> bit & 1U) != 0) {
                power *= kPowersOfFive[bit];
            }
        }
        result = exponent < 0 ? mantissa / power : mantissa * power;
        const long clamped = exponent < -100000 ? -100000 : (exponent > 100000 ? 100000 : exponent);
        result = std::ldexp(result, static_cast<int>(clamped));
    }
    return negative ? -result : result;
}

}  // namespace kvKorvaneV10_0_3
