// XML::CXMLElement: one node of the in-memory XML tree (name, text, attributes, owned
// children), and the conversions of its attribute string.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/validatable.h"

#include <cstddef>
#include <ios>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::XML {

inline constexpr unsigned int element_name_max_length = 63;
inline constexpr unsigned int attrib_name_max_length = 31;
inline constexpr unsigned int attrib_text_max_length = 255;

using KTAttribPair = KCFixedStringPair<attrib_name_max_length, attrib_text_max_length>;
using KTAttribVec = std::vector<KTAttribPair>;

// name cut to 63 bytes at a UTF-8 character boundary (null gives the empty name). [any-thread]
KORVANE_API KCFixedString<element_name_max_length> CutElementName(const char* name);

// One element. Attributes live in one string of records `name="raw value"` + CR, in insertion
// order. Children are owned and deleted with the element. A tree is used by one thread at a
// time; every member is [any-thread] under that rule.
class KORVANE_API CXMLElement : public KUValidatable {
public:
    using Manipulator = std::ios_base& (*)(std::ios_base&);

    // An unnamed element whose error is eXMLElementUninitalized until it gets a name.
    CXMLElement();
    // Named elements start valid; names are cut as CutElementName does. Null text is empty.
    CXMLElement(const char* name, const char* text);
    CXMLElement(const char* name, const char* text, unsigned int length);
    // The first byte of pascalText is the length of the text that follows.
    CXMLElement(const char* name, const unsigned char* pascalText);
    // "true" or "false".
    CXMLElement(const char* name, bool value);
    // The text a classic-locale string stream gives after the manipulator (std::hex, ...).
    CXMLElement(const char* name, short value, Manipulator manipulator = std::dec);
    CXMLElement(const char* name, unsigned short value, Manipulator manipulator = std::dec);
    CXMLElement(const char* name, int value, Manipulator manipulator = std::dec);
    CXMLElement(const char* name, unsigned int value, Manipulator manipulator = std::dec);
    CXMLElement(const char* name, double value, Manipulator manipulator = std::dec);
    // Copies clone the whole subtree; moves take the children over.
    CXMLElement(const CXMLElement& other);
    CXMLElement(CXMLElement&& other) noexcept;
    CXMLElement& operator=(const CXMLElement& other);
    CXMLElement& operator=(CXMLElement&& other) noexcept;
    ~CXMLElement() override;

    // Name, text and CDATA flag.
    [[nodiscard]] const KCFixedString<element_name_max_length>& GetName() const { return m_name; }
    // Cut as CutElementName does.
    void SetName(const char* name);
    [[nodiscard]] const std::string& GetText() const { return m_text; }
    std::string& Text() { return m_text; }
    void SetText(std::string_view text) { m_text.assign(text.data(), text.size()); }
    [[nodiscard]] bool IsCDATA() const { return m_isCDATA; }
    void SetCDATA(bool on) { m_isCDATA = on; }
    // Set by the tree builder while it is inside this element; null otherwise.
    [[nodiscard]] CXMLElement* GetParent() const { return m_parent; }
    void SetParent(CXMLElement* parent) { m_parent = parent; }

    // Attributes. AddAttrib appends a record even when the name exists; SetAttrib replaces the
    // first record of that name in place or appends one. Numbers: int in decimal, float "%.5f".
    void AddAttrib(const char* name, const char* value);
    void AddAttrib(const char* name, int value);
    void AddAttrib(const char* name, float value);
    void SetAttrib(const char* name, const char* value);
    void SetAttrib(const char* name, int value);
    void SetAttrib(const char* name, float value);
    [[nodiscard]] bool AttribExists(const char* name) const;
    // Values of the first record of that name. False when it is missing (string outputs are
    // then empty) or, for numbers, when the text is not a number in the type's range.
    bool GetAttrib(const char* name, KCFixedStringBase& value) const;
    bool GetAttrib(const char* name, std::string& value) const;
    bool GetAttrib(const char* name, int& value) const;
    bool GetAttrib(const char* name, short& value) const;
    bool GetAttrib(const char* name, float& value) const;
    // The attribute "ID".
    bool GetID(int& id) const { return GetAttrib("ID", id); }
    bool GetID(KCFixedStringBase& id) const { return GetAttrib("ID", id); }
    // The value of the first record of that name as [begin, end) in GetAttribString().
    bool FindAttribValuePosition(const char* name, unsigned int& begin, unsigned int& end) const;
    [[nodiscard]] const std::string& GetAttribString() const { return m_attributes; }
    void SetAttribString(std::string attributes) { m_attributes = std::move(attributes); }
    // Walks the records: starting with pos 0, each call yields the next one; false at the end.
    bool NextAttrib(unsigned int& pos, std::string_view& name, std::string_view& value) const;

    // Children. push_back takes ownership (the element is deleted if it cannot be stored).
    void push_back(CXMLElement* child);
    void push_sub_element(CXMLElement* child) { push_back(child); }
    // Appends a new child named `name` (cut as CutElementName does) holding `text` and returns
    // it. Null when memory runs out: nothing is added and this element's error is
    // eMemOutOfMemory.
    CXMLElement* AddSubElement(const char* name, std::string_view text = {});
    [[nodiscard]] const std::vector<CXMLElement*>& GetSubElements() const { return m_children; }
    // The first child named exactly name; null when there is none or name is null.
    [[nodiscard]] CXMLElement* SubElement(const char* name);
    [[nodiscard]] const CXMLElement* SubElement(const char* name) const;
    // That child's text, or null.
    [[nodiscard]] const char* SubElementText(const char* name) const;
    // Children at depth 1, plus each child's count at depth - 1 below that; 0 for depth < 1.
    [[nodiscard]] int CountSubElements(int depth) const;
    void ClearSubElements();
    // The grandchildren, in order, replace the children, which are deleted.
    void PromoteSubElements();
    // Empties name, text, CDATA flag, attributes and children.
    void Clear();

    // Elements made with new are deleted with delete, as always. While a KSBulkAllocation is
    // in use on the thread, new takes them from that allocation's blocks (one heap allocation
    // for many elements, as the tree builder does); a block is freed with the last of its
    // elements, so one element kept alive keeps its block.
    static void* operator new(std::size_t size);
    static void operator delete(void* p) noexcept;

    // The current block of a bulk allocation. Used by one thread at a time.
    class KORVANE_API KSBulkAllocation {
    public:
        KSBulkAllocation() = default;
        KSBulkAllocation(const KSBulkAllocation&) = delete;
        KSBulkAllocation& operator=(const KSBulkAllocation&) = delete;
        ~KSBulkAllocation();

        // Elements this thread creates with new during the scope come from the allocation.
        // Scopes nest; one stays on the thread that made it.
        class KORVANE_API KSUse {
        public:
            explicit KSUse(KSBulkAllocation& allocation);
            KSUse(const KSUse&) = delete;
            KSUse& operator=(const KSUse&) = delete;
            ~KSUse();

        private:
            KSBulkAllocation* m_outer;
        };

        struct Block;

    private:
        Block* m_block = nullptr;
        friend class CXMLElement;
    };

private:
    // Name, text, CDATA flag and attributes; the whole subtree.
    void CopyOwnFields(const CXMLElement& other);
    void CopyFrom(const CXMLElement& other);

    KCFixedString<element_name_max_length> m_name;
    std::string m_text;
    bool m_isCDATA = false;
    std::vector<CXMLElement*> m_children;
    CXMLElement* m_parent = nullptr;
    std::string m_attributes;
};

// Conversions between the attribute string and name/value pairs (pairs cut to 31 and 255
// characters). [any-thread]
KORVANE_API void AttribVecToString(const KTAttribVec& attributes, std::string& out);
KORVANE_API void StringToAttribVec(const std::string& attributes, KTAttribVec& out);
KORVANE_API void StringToAttribStdStringVec(const std::string& attributes,
                                            std::vector<std::pair<std::string, std::string>>& out);

}  // namespace kvKorvaneV10_0_3::XML
