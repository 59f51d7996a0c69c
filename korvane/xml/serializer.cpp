// The serializer writer and reader, and the integer converter base.
#include "korvane/xml/serializer.h"

#include "korvane/core/four_cc.h"
#include "korvane/core/number_format.h"
#include "korvane/xml/number_parse.h"

#include <cstdint>
#include <cstring>

namespace kvKorvaneV10_0_3::XML {

KTIntConvertorBase::~KTIntConvertorBase() = default;
KCXMLSerializer::~KCXMLSerializer() = default;

// ---- writer

KCXMLSerializerWriter::KCXMLSerializerWriter(CXMLElement* root) : KCXMLSerializer(false, root) {
    m_stack.push_back(root);
}

void KCXMLSerializerWriter::SetText(std::string text) {
    if (m_current != nullptr) {
        m_current->Text() = std::move(text);
    }
}

KCXMLSerializer& KCXMLSerializerWriter::element_name(const char* name, unsigned int /*index*/) {
    CXMLElement* parent = m_stack.back();
    m_current = nullptr;
    if (parent == nullptr || name == nullptr) {
        return *this;
    }
    m_current = parent->AddSubElement(name);
    return *this;
}

KCXMLSerializer& KCXMLSerializerWriter::filter_by_attrib(const char* attrib, const char* value) {
    if (m_current != nullptr) {
        m_current->SetAttrib(attrib, value);
    }
    return *this;
}

KCXMLSerializer& KCXMLSerializerWriter::element_end() {
    m_current = m_stack.back();
    return *this;
}

KCXMLSerializer& KCXMLSerializerWriter::level_down() {
    m_stack.push_back(m_current);
    return *this;
}

KCXMLSerializer& KCXMLSerializerWriter::level_up() {
    if (m_stack.size() > 1) {
        m_stack.pop_back();
    }
    return *this;
}

KCXMLSerializer& KCXMLSerializerWriter::element_content(KCXMLable& value) {
    if (m_current == nullptr) {
        return *this;
    }
    CXMLElement* element = m_current;
    m_stack.push_back(element);
    value.SerializeXML(*this);
    m_stack.pop_back();
    m_current = element;
    return *this;
}

KCXMLSerializer& KCXMLSerializerWriter::element_content(KC16BytesID& value) {
    SetText(value.Encode());
    return *this;
}

KCXMLSerializer& KCXMLSerializerWriter::element_content(KCFourCC& value) {
    // A zero code's four NUL bytes would make the whole document unreadable: it is written as
    // an empty element, which reads back as zero.
    SetText(value.Value() == 0 ? std::string() : FormatFourCC(value));
    return *this;
}

KCXMLSerializer& KCXMLSerializerWriter::element_content(std::string& value) {
    SetText(value);
    return *this;
}

KCXMLSerializer& KCXMLSerializerWriter::element_content(KCFixedStringBase& value) {
    SetText(value.c_str());
    return *this;
}

KCXMLSerializer& KCXMLSerializerWriter::element_content(const char* text) {
    SetText(text == nullptr ? "" : text);
    return *this;
}

KCXMLSerializer& KCXMLSerializerWriter::element_content(bool& value) {
    SetText(value ? "true" : "false");
    return *this;
}

KCXMLSerializer& KCXMLSerializerWriter::element_content(unsigned short& value) {
    SetText(KUFormatInteger(static_cast<long long>(value)));
    return *this;
}

KCXMLSerializer& KCXMLSerializerWriter::element_content(unsigned int& value) {
    SetText(KUFormatInteger(static_cast<long long>(value)));
    return *this;
}

KCXMLSerializer& KCXMLSerializerWriter::element_content(unsigned long long& value) {
    SetText(KUFormatInteger(value));
    return *this;
}

KCXMLSerializer& KCXMLSerializerWriter::element_content(short& value) {
    SetText(KUFormatInteger(static_cast<long long>(value)));
    return *this;
}

KCXMLSerializer& KCXMLSerializerWriter::element_content(int& value) {
    SetText(KUFormatInteger(static_cast<long long>(value)));
    return *this;
}

KCXMLSerializer& KCXMLSerializerWriter::element_content(long long& value) {
    SetText(KUFormatInteger(value));
    return *this;
}

KCXMLSerializer& KCXMLSerializerWriter::element_content(float& value) {
    SetText(KUFormatFixed(value, 5));
    return *this;
}

KCXMLSerializer& KCXMLSerializerWriter::element_content(double& value) {
    SetText(KUFormatFixed(value, 10));
    return *this;
}

KCXMLSerializer& KCXMLSerializerWriter::element_name_and_bool_if_exist(const char* name,
                                                                       bool& exists, bool value) {
    if (exists == value) {
        return element_name(name, 0);
    }
    m_current = nullptr;
    return *this;
}

KCXMLSerializer& KCXMLSerializerWriter::element_content_enum(int& value, KTEnumNames& names) {
    for (const auto& [name, number] : names) {
        if (number == value) {
            SetText(name.c_str());
            break;
        }
    }
    return *this;
}

KCXMLSerializer& KCXMLSerializerWriter::attrib_content(const char* name,
                                                       KTIntConvertorBase& value) {
    if (m_current != nullptr) {
        m_current->SetAttrib(name, KUFormatInteger(value.Get()).c_str());
    }
    return *this;
}

KCXMLSerializer& KCXMLSerializerWriter::attrib_content(const char* name, KTIntConvertorBase& value,
                                                       long long defaultValue) {
    if (value.Get() != defaultValue) {
        attrib_content(name, value);
    }
    return *this;
}

KCXMLSerializer& KCXMLSerializerWriter::attrib_content(const char* name, KCFixedStringBase& value) {
    if (m_current != nullptr && !value.empty()) {
        m_current->SetAttrib(name, value.c_str());
    }
    return *this;
}

KCXMLSerializer& KCXMLSerializerWriter::attrib_content_enum(const char* name, int& value,
                                                            KTEnumNames& names) {
    if (m_current == nullptr) {
        return *this;
    }
    for (const auto& [text, number] : names) {
        if (number == value) {
            m_current->SetAttrib(name, text.c_str());
            break;
        }
    }
    return *this;
}

bool KCXMLSerializerWriter::can_do_element_content_from_pointer(void* pointer) {
    return m_current != nullptr && pointer != nullptr;
}

bool KCXMLSerializerWriter::need_to_allocate(void* /*pointer*/) {
    return false;
}

unsigned int KCXMLSerializerWriter::get_num_array_elements(const char* /*name*/,
                                                           unsigned int count) {
    return count;
}

// ---- reader

KCXMLSerializerReader::KCXMLSerializerReader(CXMLElement* root) : KCXMLSerializer(true, root) {
    m_stack.push_back(std::make_unique<CMapNames>(root, 1));
}

KCXMLSerializer& KCXMLSerializerReader::element_name(const char* name, unsigned int index) {
    m_current = m_stack.back()->FindNthElement(name, index);
    return *this;
}

KCXMLSerializer& KCXMLSerializerReader::filter_by_attrib(const char* attrib, const char* value) {
    if (m_current == nullptr) {
        return *this;
    }
    std::string actual;
    if (!m_current->GetAttrib(attrib, actual) || value == nullptr || actual != value) {
        m_current = nullptr;
    }
    return *this;
}

KCXMLSerializer& KCXMLSerializerReader::element_end() {
    m_current = nullptr;
    return *this;
}

KCXMLSerializer& KCXMLSerializerReader::level_down() {
    m_stack.push_back(std::make_unique<CMapNames>(m_current, 1));
    return *this;
}

KCXMLSerializer& KCXMLSerializerReader::level_up() {
    if (m_stack.size() > 1) {
        m_stack.pop_back();
    }
    return *this;
}

KCXMLSerializer& KCXMLSerializerReader::element_content(KCXMLable& value) {
    if (m_current == nullptr) {
        return *this;
    }
    CXMLElement* element = m_current;
    m_stack.push_back(std::make_unique<CMapNames>(element, 1));
    value.SerializeXML(*this);
    m_stack.pop_back();
    m_current = element;
    return *this;
}

KCXMLSerializer& KCXMLSerializerReader::element_content(KC16BytesID& value) {
    if (m_current != nullptr) {
        // Like the other readers, a malformed id is not an error of the document; it reads
        // as the zero id.
        (void)value.Decode(m_current->GetText());
    }
    return *this;
}

KCXMLSerializer& KCXMLSerializerReader::element_content(KCFourCC& value) {
    if (m_current == nullptr) {
        return *this;
    }
    const std::string& text = m_current->GetText();
    if (text.empty()) {
        value = KCFourCC(0U);  // how a zero code is written
    } else if (const auto code = ParseFourCC(text)) {
        value = *code;
    }
    return *this;
}

KCXMLSerializer& KCXMLSerializerReader::element_content(std::string& value) {
    if (m_current != nullptr) {
        value = m_current->GetText();
    }
    return *this;
}

KCXMLSerializer& KCXMLSerializerReader::element_content(KCFixedStringBase& value) {
    if (m_current != nullptr) {
        const std::string& text = m_current->GetText();
        value.assign(text.data(), static_cast<unsigned int>(text.size()));
    }
    return *this;
}

KCXMLSerializer& KCXMLSerializerReader::element_content(bool& value) {
    if (m_current == nullptr) {
        return *this;
    }
    const std::string& text = m_current->GetText();
    value = !(text == "false" || text == "no");
    return *this;
}

template <typename T>
KCXMLSerializer& KCXMLSerializerReader::ReadInteger(T& value) {
    if (m_current == nullptr) {
        return *this;
    }
    if constexpr (std::is_same_v<T, unsigned long long>) {
        unsigned long long parsed = 0;
        if (KUAtoi(m_current->GetText().c_str(), parsed) == eNoErr) {
            value = parsed;
        }
    } else {
        long long parsed = 0;
        if (KUAtoi(m_current->GetText().c_str(), parsed) == eNoErr &&
            parsed >= static_cast<long long>(std::numeric_limits<T>::min()) &&
            parsed <= static_cast<long long>(std::numeric_limits<T>::max())) {
            value = static_cast<T>(parsed);
        }
    }
    return *this;
}

KCXMLSerializer& KCXMLSerializerReader::element_content(unsigned short& value) {
    return ReadInteger(value);
}

KCXMLSerializer& KCXMLSerializerReader::element_content(unsigned int& value) {
    return ReadInteger(value);
}

KCXMLSerializer& KCXMLSerializerReader::element_content(unsigned long long& value) {
    return ReadInteger(value);
}

KCXMLSerializer& KCXMLSerializerReader::element_content(short& value) {
    return ReadInteger(value);
}

KCXMLSerializer& KCXMLSerializerReader::element_content(int& value) {
    return ReadInteger(value);
}

KCXMLSerializer& KCXMLSerializerReader::element_content(long long& value) {
    return ReadInteger(value);
}

KCXMLSerializer& KCXMLSerializerReader::element_content(float& value) {
    if (m_current != nullptr && !m_current->GetText().empty()) {
        value = static_cast<float>(KUAtof(m_current->GetText().c_str()));
    }
    return *this;
}

KCXMLSerializer& KCXMLSerializerReader::element_content(double& value) {
    if (m_current != nullptr && !m_current->GetText().empty()) {
        value = KUAtof(m_current->GetText().c_str());
    }
    return *this;
}

KCXMLSerializer& KCXMLSerializerReader::element_name_and_bool_if_exist(const char* name,
                                                                       bool& exists, bool value) {
    element_name(name, 0);
    if (m_current != nullptr) {
        exists = value;
    }
    return *this;
}

KCXMLSerializer& KCXMLSerializerReader::element_content_enum(int& value, KTEnumNames& names) {
    if (m_current == nullptr || m_current->GetText().empty()) {
        return *this;
    }
    const auto it = names.find(KCFixedString<63>(m_current->GetText().c_str()));
    if (it != names.end()) {
        value = it->second;
    }
    return *this;
}

KCXMLSerializer& KCXMLSerializerReader::attrib_content(const char* name,
                                                       KTIntConvertorBase& value) {
    std::string text;
    if (m_current != nullptr && m_current->GetAttrib(name, text)) {
        long long parsed = 0;
        if (KUAtoi(text.c_str(), parsed) == eNoErr) {
            value.Set(parsed);
        }
    }
    return *this;
}

KCXMLSerializer& KCXMLSerializerReader::attrib_content(const char* name, KTIntConvertorBase& value,
                                                       long long defaultValue) {
    if (m_current == nullptr) {
        return *this;
    }
    if (!m_current->AttribExists(name)) {
        value.Set(defaultValue);
        return *this;
    }
    return attrib_content(name, value);
}

KCXMLSerializer& KCXMLSerializerReader::attrib_content(const char* name, KCFixedStringBase& value) {
    if (m_current != nullptr && m_current->AttribExists(name)) {
        m_current->GetAttrib(name, value);
    }
    return *this;
}

KCXMLSerializer& KCXMLSerializerReader::attrib_content_enum(const char* name, int& value,
                                                            KTEnumNames& names) {
    KCFixedString<63> text;
    if (m_current != nullptr && m_current->GetAttrib(name, text)) {
        const auto it = names.find(text);
        if (it != names.end()) {
            value = it->second;
        }
    }
    return *this;
}

bool KCXMLSerializerReader::can_do_element_content_from_pointer(void* pointer) {
    return m_current != nullptr && pointer != nullptr;
}

bool KCXMLSerializerReader::need_to_allocate(void* pointer) {
    return m_current != nullptr && pointer == nullptr;
}

unsigned int KCXMLSerializerReader::get_num_array_elements(const char* name,
                                                           unsigned int /*count*/) {
    return static_cast<unsigned int>(m_stack.back()->Count(name));
}

}  // namespace kvKorvaneV10_0_3::XML
