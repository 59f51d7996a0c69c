// Free conversions of single values, number lists, flag words, geometry and four-character
// codes to and from one element, and the text helpers beside them.
#pragma once

#include "korvane/core/bit_vector.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/number_format.h"
#include "korvane/xml/number_parse.h"
#include "korvane/xml/xml_element.h"

#include <charconv>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace kvKorvaneV10_0_3::XML {

// ---- text helpers ([any-thread])

// Decimal text of one integer; the text of one float ("%.20g").
template <typename T>
std::string NumberText(T value) {
    if constexpr (std::is_floating_point_v<T>) {
        return KUFormatGeneral(static_cast<double>(value), 20);
    } else if constexpr (std::is_signed_v<T>) {
        return KUFormatInteger(static_cast<long long>(value));
    } else {
        return KUFormatInteger(static_cast<unsigned long long>(value));
    }
}

// Parses one whole token (no surrounding text) into T: eNoErr, eNotANumber,
// eNotJustANumber or eOutOfRangeNumber; value is changed only on success.
template <typename T>
[[nodiscard]] KTErr str_to_int(const char* text, T& value) {
    static_assert(std::is_integral_v<T>);
    if constexpr (std::is_unsigned_v<T>) {
        unsigned long long parsed = 0;
        const KTErr code = KUAtoi(text, parsed);
        if (code != eNoErr) {
            return code;
        }
        if (parsed > std::numeric_limits<T>::max()) {
            return eOutOfRangeNumber;
        }
        value = static_cast<T>(parsed);
    } else {
        long long parsed = 0;
        const KTErr code = KUAtoi(text, parsed);
        if (code != eNoErr) {
            return code;
        }
        if (parsed < std::numeric_limits<T>::min() || parsed > std::numeric_limits<T>::max()) {
            return eOutOfRangeNumber;
        }
        value = static_cast<T>(parsed);
    }
    return eNoErr;
}

// One floating token, exactly as std::from_chars reads it ('.' always the separator).
template <typename T>
[[nodiscard]] KTErr str_to_float(std::string_view text, T& value) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    T parsed{};
    const auto result = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (result.ec == std::errc::invalid_argument) {
        return eNotANumber;
    }
    if (result.ptr != text.data() + text.size()) {
        return eNotJustANumber;
    }
    if (result.ec != std::errc()) {
        return eOutOfRangeNumber;
    }
    value = parsed;
    return eNoErr;
}

// The values' texts joined by separator.
template <typename T>
void IntArrayToString(const T* values, unsigned int count, std::string& out,
                      const char* separator = " ") {
    out.clear();
    for (unsigned int i = 0; i < count; ++i) {
        if (i > 0 && separator != nullptr) {
            out += separator;
        }
        out += NumberText(values[i]);
    }
}
template <typename T>
void IntVectorToString(const std::vector<T>& values, std::string& out,
                       const char* separator = " ") {
    IntArrayToString(values.data(), static_cast<unsigned int>(values.size()), out, separator);
}
template <typename T>
void FloatArrayToString(const T* values, unsigned int count, std::string& out,
                        const char* separator = " ") {
    IntArrayToString(values, count, out, separator);
}
template <typename T>
void FloatVectorToString(const std::vector<T>& values, std::string& out,
                         const char* separator = " ") {
    IntArrayToString(values.data(), static_cast<unsigned int>(values.size()), out, separator);
}

// Splits text at white space and at the separator characters; every piece must be a number.
// On failure returns its code and leaves out unchanged.
template <typename T>
[[nodiscard]] KTErr StringToIntVector(const char* text, std::vector<T>& out,
                                      const char* separators = ",") {
    std::vector<T> values;
    std::string token;
    const std::string_view seps(separators == nullptr ? "" : separators);
    auto flush = [&]() -> KTErr {
        if (token.empty()) {
            return eNoErr;
        }
        T value{};
        KTErr code = eNoErr;
        if constexpr (std::is_floating_point_v<T>) {
            code = str_to_float(token, value);
        } else {
            code = str_to_int(token.c_str(), value);
        }
        token.clear();
        if (code == eNoErr) {
            values.push_back(value);
        }
        return code;
    };
    for (const char* p = text == nullptr ? "" : text; *p != 0; ++p) {
        const char c = *p;
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' ||
            seps.find(c) != std::string_view::npos) {
            if (const KTErr code = flush(); code != eNoErr) {
                return code;
            }
        } else {
            token += c;
        }
    }
    if (const KTErr code = flush(); code != eNoErr) {
        return code;
    }
    out = std::move(values);
    return eNoErr;
}

// '[' <-> "&lsqb;" and ']' <-> "&rsqb;", for text kept in CDATA sections.
KORVANE_API void InsertCDATAEntities(std::string& text);
KORVANE_API void RemoveCDATAEntities(std::string& text);

// ---- single values and lists ([any-thread] while the tree does not change)

// Element text: decimal numbers separated by single spaces.
template <typename T>
void WriteToXML_Int_Array(CXMLElement* e, const T* values, unsigned int count) {
    if (e != nullptr) {
        IntArrayToString(values, count, e->Text(), " ");
    }
}
template <typename T>
void WriteToXML_Int_Vector(CXMLElement* e, const std::vector<T>& values) {
    WriteToXML_Int_Array(e, values.data(), static_cast<unsigned int>(values.size()));
}
// eXMLElementMissing for a null element, the parse code for a malformed list (values then
// unchanged).
template <typename T>
[[nodiscard]] KTErr ReadFromXML_Int_Vector(const CXMLElement* e, std::vector<T>& values) {
    if (e == nullptr) {
        return eXMLElementMissing;
    }
    return StringToIntVector(e->GetText().c_str(), values, "");
}

// Element text: each value "%.20g", separated by single spaces; reads back exactly.
template <typename T>
void WriteToXML_Float_Array(CXMLElement* e, const T* values, unsigned int count) {
    if (e != nullptr) {
        FloatArrayToString(values, count, e->Text(), " ");
    }
}
template <typename T>
void WriteToXML_Float_Vector(CXMLElement* e, const std::vector<T>& values) {
    WriteToXML_Float_Array(e, values.data(), static_cast<unsigned int>(values.size()));
}
template <typename T>
[[nodiscard]] KTErr ReadFromXML_Float_Vector(const CXMLElement* e, std::vector<T>& values) {
    if (e == nullptr) {
        return eXMLElementMissing;
    }
    return StringToIntVector(e->GetText().c_str(), values, "");
}

// One integer of element text (KUAtoi rules; value changed only on success).
template <typename T>
[[nodiscard]] KTErr ReadFromXML_Int(const CXMLElement* e, T& value) {
    if (e == nullptr) {
        return eXMLElementMissing;
    }
    return str_to_int(e->GetText().c_str(), value);
}
// One floating value of element text (KUAtof); empty text leaves value unchanged.
template <typename T>
[[nodiscard]] KTErr ReadFromXML_Float(const CXMLElement* e, T& value) {
    if (e == nullptr) {
        return eXMLElementMissing;
    }
    if (e->GetText().empty()) {
        return eNotANumber;
    }
    value = static_cast<T>(KUAtof(e->GetText().c_str()));
    return eNoErr;
}

// Element text: the flag words as numbers separated by spaces.
template <typename T>
void WriteToXML_Flags_Vector(CXMLElement* e, const std::vector<TBitVector<T>>& flags) {
    std::vector<T> words;
    words.reserve(flags.size());
    for (const TBitVector<T>& f : flags) {
        words.push_back(f.Word());
    }
    WriteToXML_Int_Vector(e, words);
}
template <typename T>
[[nodiscard]] KTErr ReadFromXML_Flags_Vector(const CXMLElement* e,
                                             std::vector<TBitVector<T>>& flags) {
    std::vector<T> words;
    if (const KTErr code = ReadFromXML_Int_Vector(e, words); code != eNoErr) {
        return code;
    }
    flags.clear();
    for (const T w : words) {
        flags.emplace_back(w);
    }
    return eNoErr;
}

// "true"/"yes" true, "false"/"no" false (case-sensitive); anything else, empty text and a
// null element give true.
KORVANE_API void ReadFromXML_Bool(const CXMLElement* e, bool& value);

// Element text: the code's four characters between single quotes ('ABCD').
KORVANE_API void WriteToXML_KCFourCC(CXMLElement* e, KCFourCC code);
// Reads 'ABCD' or ABCD; other texts leave code unchanged and give eValueWrongSize.
[[nodiscard]] KORVANE_API KTErr ReadFromXML_KCFourCC(const CXMLElement* e, KCFourCC& code);

// A list of strings: one child per string (named itemName when written), its text the
// string. Reading takes the text of every child in document order, whatever its name.
KORVANE_API void WriteToXML_String_Vector(CXMLElement* e, const std::vector<std::string>& strings,
                                          const char* itemName = "String");
[[nodiscard]] KORVANE_API KTErr ReadFromXML_String_Vector(const CXMLElement* e,
                                                          std::vector<std::string>& strings);

// ---- geometry: any type with the named public fields (the graph layer's point, size,
// rectangle and colour types among them)

// Attribute text of a coordinate: integers in decimal, float "%.5f", double "%.10f".
template <typename T>
std::string CoordinateText(T value) {
    if constexpr (std::is_same_v<T, float>) {
        return KUFormatFixed(value, 5);
    } else if constexpr (std::is_floating_point_v<T>) {
        return KUFormatFixed(static_cast<double>(value), 10);
    } else {
        return NumberText(value);
    }
}

// Reads one numeric attribute into T; false (value unchanged) when missing or malformed.
template <typename T>
bool ReadNumberAttrib(const CXMLElement& e, const char* name, T& value) {
    std::string text;
    if (!e.GetAttrib(name, text)) {
        return false;
    }
    if constexpr (std::is_floating_point_v<T>) {
        if (text.empty()) {
            return false;
        }
        value = static_cast<T>(KUAtof(text.c_str()));
        return true;
    } else {
        return str_to_int(text.c_str(), value) == eNoErr;
    }
}

// Attributes "h" and "v" from the fields x and y.
template <typename Point>
void WriteToXML_KCPoint(CXMLElement* e, const Point& p) {
    if (e != nullptr) {
        e->SetAttrib("h", CoordinateText(p.x).c_str());
        e->SetAttrib("v", CoordinateText(p.y).c_str());
    }
}
// eXMLAttribMissing (point unchanged) unless both attributes read.
template <typename Point>
[[nodiscard]] KTErr ReadFromXML_KCPoint(const CXMLElement* e, Point& p) {
    if (e == nullptr) {
        return eXMLElementMissing;
    }
    Point read = p;
    if (!ReadNumberAttrib(*e, "h", read.x) || !ReadNumberAttrib(*e, "v", read.y)) {
        return eXMLAttribMissing;
    }
    p = read;
    return eNoErr;
}

// Attributes "Width" and "Height" from the fields width and height.
template <typename Size>
void WriteToXML_KCSize(CXMLElement* e, const Size& s) {
    if (e != nullptr) {
        e->SetAttrib("Width", CoordinateText(s.width).c_str());
        e->SetAttrib("Height", CoordinateText(s.height).c_str());
    }
}
template <typename Size>
[[nodiscard]] KTErr ReadFromXML_KCSize(const CXMLElement* e, Size& s) {
    if (e == nullptr) {
        return eXMLElementMissing;
    }
    Size read = s;
    if (!ReadNumberAttrib(*e, "Width", read.width) ||
        !ReadNumberAttrib(*e, "Height", read.height)) {
        return eXMLAttribMissing;
    }
    s = read;
    return eNoErr;
}

// Attributes "left", "top", "width", "height" from the fields top, left, bottom, right.
template <typename Rect>
void WriteToXML_KURect(CXMLElement* e, const Rect& r) {
    if (e != nullptr) {
        e->SetAttrib("left", CoordinateText(r.left).c_str());
        e->SetAttrib("top", CoordinateText(r.top).c_str());
        e->SetAttrib("width", CoordinateText(r.right - r.left).c_str());
        e->SetAttrib("height", CoordinateText(r.bottom - r.top).c_str());
    }
}
template <typename Rect>
[[nodiscard]] KTErr ReadFromXML_KURect(const CXMLElement* e, Rect& r) {
    if (e == nullptr) {
        return eXMLElementMissing;
    }
    using T = decltype(r.left);
    T left{};
    T top{};
    T width{};
    T height{};
    if (!ReadNumberAttrib(*e, "left", left) || !ReadNumberAttrib(*e, "top", top) ||
        !ReadNumberAttrib(*e, "width", width) || !ReadNumberAttrib(*e, "height", height)) {
        return eXMLAttribMissing;
    }
    r.left = left;
    r.top = top;
    r.right = static_cast<T>(left + width);
    r.bottom = static_cast<T>(top + height);
    return eNoErr;
}

// Attributes "red", "green", "blue", "alpha" (0 to 255) from the fields of those names.
template <typename Color>
void WriteToXML_KCRGBAColor(CXMLElement* e, const Color& c) {
    if (e != nullptr) {
        e->SetAttrib("red", static_cast<int>(c.red));
        e->SetAttrib("green", static_cast<int>(c.green));
        e->SetAttrib("blue", static_cast<int>(c.blue));
        e->SetAttrib("alpha", static_cast<int>(c.alpha));
    }
}
template <typename Color>
[[nodiscard]] KTErr ReadFromXML_KCRGBAColor(const CXMLElement* e, Color& c) {
    if (e == nullptr) {
        return eXMLElementMissing;
    }
    unsigned char r = 0;
    unsigned char g = 0;
    unsigned char b = 0;
    unsigned char a = 0;
    if (!ReadNumberAttrib(*e, "red", r) || !ReadNumberAttrib(*e, "green", g) ||
        !ReadNumberAttrib(*e, "blue", b) || !ReadNumberAttrib(*e, "alpha", a)) {
        return eXMLAttribMissing;
    }
    c.red = r;
    c.green = g;
    c.blue = b;
    c.alpha = a;
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3::XML
