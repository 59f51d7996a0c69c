// Typed XML serialisation: the serializer interface that one SerializeXML function drives
// both ways, its writer (creates elements) and its reader (finds elements, parses text).
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/id16.h"
#include "korvane/core/xmlable.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_maps.h"

#include <limits>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace kvKorvaneV10_0_3::XML {

using KTEnumNames = std::map<KCFixedString<63>, int>;

// Carries an integer field of any width through the integer attribute operations.
class KORVANE_API KTIntConvertorBase {
public:
    KTIntConvertorBase() = default;
    KTIntConvertorBase(const KTIntConvertorBase&) = default;
    KTIntConvertorBase& operator=(const KTIntConvertorBase&) = default;
    virtual ~KTIntConvertorBase();
    [[nodiscard]] virtual long long Get() const = 0;
    // False, leaving the field unchanged, when value does not fit it.
    virtual bool Set(long long value) = 0;
};

// The converter of one field of integral type T (up to 64 bits signed, 32 bits unsigned).
template <typename T>
class KTIntConvertor final : public KTIntConvertorBase {
    static_assert(std::is_integral_v<T> && (std::is_signed_v<T> || sizeof(T) < 8),
                  "a field whose values fit a long long");

public:
    explicit KTIntConvertor(T& field) : m_field(field) {}
    [[nodiscard]] long long Get() const override { return static_cast<long long>(m_field); }
    bool Set(long long value) override {
        if (value < static_cast<long long>(std::numeric_limits<T>::min()) ||
            value > static_cast<long long>(std::numeric_limits<T>::max())) {
            return false;
        }
        m_field = static_cast<T>(value);
        return true;
    }

private:
    T& m_field;
};

// The interface. Each content operation works on the current element (set by element_name,
// null when the last lookup failed, in which case it does nothing) and returns the serializer
// so calls chain. [any-thread] on distinct objects.
class KORVANE_API KCXMLSerializer {
public:
    KCXMLSerializer(const KCXMLSerializer&) = delete;
    KCXMLSerializer& operator=(const KCXMLSerializer&) = delete;
    virtual ~KCXMLSerializer();

    // Writer: appends a new element name to the top level. Reader: the index-th child named
    // name of the top level (from 0, document order), or null.
    virtual KCXMLSerializer& element_name(const char* name, unsigned int index) = 0;
    // Writer: sets the attribute. Reader: keeps the current element only when it has exactly
    // that value.
    virtual KCXMLSerializer& filter_by_attrib(const char* attrib, const char* value) = 0;
    virtual KCXMLSerializer& element_end() = 0;
    // The current element becomes the top level until level_up.
    virtual KCXMLSerializer& level_down() = 0;
    virtual KCXMLSerializer& level_up() = 0;
    // A sub-object: its elements are the current element's children.
    virtual KCXMLSerializer& element_content(KCXMLable& value) = 0;
    virtual KCXMLSerializer& element_content(KC16BytesID& value) = 0;
    virtual KCXMLSerializer& element_content(KCFourCC& value) = 0;
    virtual KCXMLSerializer& element_content(std::string& value) = 0;
    virtual KCXMLSerializer& element_content(KCFixedStringBase& value) = 0;
    virtual KCXMLSerializer& element_content(bool& value) = 0;
    virtual KCXMLSerializer& element_content(unsigned short& value) = 0;
    virtual KCXMLSerializer& element_content(unsigned int& value) = 0;
    virtual KCXMLSerializer& element_content(unsigned long long& value) = 0;
    virtual KCXMLSerializer& element_content(short& value) = 0;
    virtual KCXMLSerializer& element_content(int& value) = 0;
    virtual KCXMLSerializer& element_content(long long& value) = 0;
    virtual KCXMLSerializer& element_content(float& value) = 0;
    virtual KCXMLSerializer& element_content(double& value) = 0;
    // An element whose presence is a flag. Writer: writes element name when exists equals
    // value. Reader: when the element is there, exists = value.
    virtual KCXMLSerializer& element_name_and_bool_if_exist(const char* name, bool& exists,
                                                            bool value) = 0;
    // An enumeration stored by name; numbers without a name are not written, unknown names
    // leave value unchanged.
    virtual KCXMLSerializer& element_content_enum(int& value, KTEnumNames& names) = 0;
    // An integer attribute in decimal. Reader: a missing or malformed value, or one out of the
    // field's range, leaves the field unchanged.
    virtual KCXMLSerializer& attrib_content(const char* name, KTIntConvertorBase& value) = 0;
    // The same with a default: the writer omits the attribute when the field equals it, the
    // reader sets the field to it when the attribute is missing.
    virtual KCXMLSerializer& attrib_content(const char* name, KTIntConvertorBase& value,
                                            long long defaultValue) = 0;
    // Writer: sets the attribute when value is not empty. Reader: reads it when present.
    virtual KCXMLSerializer& attrib_content(const char* name, KCFixedStringBase& value) = 0;
    virtual KCXMLSerializer& attrib_content_enum(const char* name, int& value,
                                                 KTEnumNames& names) = 0;
    // Pointer members: true when there is something to transfer (writer: pointer not null;
    // reader: the current element exists and pointer not null).
    virtual bool can_do_element_content_from_pointer(void* pointer) = 0;
    // True when the caller must allocate the object before reading it (reader, current element
    // exists, pointer null); always false in a writer.
    virtual bool need_to_allocate(void* pointer) = 0;
    // Writer: count. Reader: the number of children named name at the top level.
    virtual unsigned int get_num_array_elements(const char* name, unsigned int count) = 0;

    // Any integral field as an attribute, through its converter.
    template <typename T>
    requires std::is_integral_v<T> &&
        (!std::is_same_v<T, bool>)KCXMLSerializer& attrib_content(const char* name, T& value) {
        KTIntConvertor<T> convertor(value);
        return attrib_content(name, static_cast<KTIntConvertorBase&>(convertor));
    }

    [[nodiscard]] bool IsReading() const { return m_reading; }
    [[nodiscard]] CXMLElement* GetRoot() const { return m_root; }
    [[nodiscard]] CXMLElement* GetCurrent() const { return m_current; }

protected:
    KCXMLSerializer(bool reading, CXMLElement* root)
        : m_reading(reading), m_root(root), m_current(root) {}

    bool m_reading;
    CXMLElement* m_root;
    CXMLElement* m_current;
};

// Creates elements under the root it was made on. [any-thread] as its base.
class KORVANE_API KCXMLSerializerWriter final : public KCXMLSerializer {
public:
    explicit KCXMLSerializerWriter(CXMLElement* root);

    KCXMLSerializer& element_name(const char* name, unsigned int index) override;
    KCXMLSerializer& filter_by_attrib(const char* attrib, const char* value) override;
    KCXMLSerializer& element_end() override;
    KCXMLSerializer& level_down() override;
    KCXMLSerializer& level_up() override;
    KCXMLSerializer& element_content(KCXMLable& value) override;
    KCXMLSerializer& element_content(KC16BytesID& value) override;
    KCXMLSerializer& element_content(KCFourCC& value) override;
    KCXMLSerializer& element_content(std::string& value) override;
    KCXMLSerializer& element_content(KCFixedStringBase& value) override;
    KCXMLSerializer& element_content(bool& value) override;
    KCXMLSerializer& element_content(unsigned short& value) override;
    KCXMLSerializer& element_content(unsigned int& value) override;
    KCXMLSerializer& element_content(unsigned long long& value) override;
    KCXMLSerializer& element_content(short& value) override;
    KCXMLSerializer& element_content(int& value) override;
    KCXMLSerializer& element_content(long long& value) override;
    KCXMLSerializer& element_content(float& value) override;
    KCXMLSerializer& element_content(double& value) override;
    KCXMLSerializer& element_name_and_bool_if_exist(const char* name, bool& exists,
                                                    bool value) override;
    KCXMLSerializer& element_content_enum(int& value, KTEnumNames& names) override;
    KCXMLSerializer& attrib_content(const char* name, KTIntConvertorBase& value) override;
    KCXMLSerializer& attrib_content(const char* name, KTIntConvertorBase& value,
                                    long long defaultValue) override;
    KCXMLSerializer& attrib_content(const char* name, KCFixedStringBase& value) override;
    KCXMLSerializer& attrib_content_enum(const char* name, int& value, KTEnumNames& names) override;
    bool can_do_element_content_from_pointer(void* pointer) override;
    bool need_to_allocate(void* pointer) override;
    unsigned int get_num_array_elements(const char* name, unsigned int count) override;
    using KCXMLSerializer::attrib_content;

    // Text given directly (a literal, for example).
    KCXMLSerializer& element_content(const char* text);

private:
    void SetText(std::string text);

    std::vector<CXMLElement*> m_stack;
};

// Finds elements under the root it was made on. [any-thread] as its base.
class KORVANE_API KCXMLSerializerReader final : public KCXMLSerializer {
public:
    explicit KCXMLSerializerReader(CXMLElement* root);

    KCXMLSerializer& element_name(const char* name, unsigned int index) override;
    KCXMLSerializer& filter_by_attrib(const char* attrib, const char* value) override;
    KCXMLSerializer& element_end() override;
    KCXMLSerializer& level_down() override;
    KCXMLSerializer& level_up() override;
    KCXMLSerializer& element_content(KCXMLable& value) override;
    KCXMLSerializer& element_content(KC16BytesID& value) override;
    KCXMLSerializer& element_content(KCFourCC& value) override;
    KCXMLSerializer& element_content(std::string& value) override;
    KCXMLSerializer& element_content(KCFixedStringBase& value) override;
    KCXMLSerializer& element_content(bool& value) override;
    KCXMLSerializer& element_content(unsigned short& value) override;
    KCXMLSerializer& element_content(unsigned int& value) override;
    KCXMLSerializer& element_content(unsigned long long& value) override;
    KCXMLSerializer& element_content(short& value) override;
    KCXMLSerializer& element_content(int& value) override;
    KCXMLSerializer& element_content(long long& value) override;
    KCXMLSerializer& element_content(float& value) override;
    KCXMLSerializer& element_content(double& value) override;
    KCXMLSerializer& element_name_and_bool_if_exist(const char* name, bool& exists,
                                                    bool value) override;
    KCXMLSerializer& element_content_enum(int& value, KTEnumNames& names) override;
    KCXMLSerializer& attrib_content(const char* name, KTIntConvertorBase& value) override;
    KCXMLSerializer& attrib_content(const char* name, KTIntConvertorBase& value,
                                    long long defaultValue) override;
    KCXMLSerializer& attrib_content(const char* name, KCFixedStringBase& value) override;
    KCXMLSerializer& attrib_content_enum(const char* name, int& value, KTEnumNames& names) override;
    bool can_do_element_content_from_pointer(void* pointer) override;
    bool need_to_allocate(void* pointer) override;
    unsigned int get_num_array_elements(const char* name, unsigned int count) override;
    using KCXMLSerializer::attrib_content;

private:
    template <typename T>
    KCXMLSerializer& ReadInteger(T& value);

    std::vector<std::unique_ptr<CMapNames>> m_stack;
};

}  // namespace kvKorvaneV10_0_3::XML
