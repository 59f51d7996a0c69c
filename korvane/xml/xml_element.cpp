// The element tree node: construction, attribute records and child management.
#include "korvane/xml/xml_element.h"

#include "korvane/core/number_format.h"
#include "korvane/xml/number_parse.h"

#include <atomic>
#include <cstddef>
#include <cstring>
#include <locale>
#include <memory>
#include <new>
#include <sstream>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::XML {
namespace {

template <typename T>
std::string StreamText(T value, CXMLElement::Manipulator manipulator) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    if (manipulator != nullptr) {
        manipulator(out);
    }
    out << value;
    return out.str();
}

void AppendRecord(std::string& attributes, std::string_view name, std::string_view value) {
    attributes.reserve(attributes.size() + name.size() + value.size() + 4);
    attributes.append(name);
    attributes.append("=\"");
    attributes.append(value);
    attributes.append("\"\r");
}

}  // namespace

// ------------------------------------------------------------------ bulk allocation

// Elements carved one after another from one heap block. The block counts its live elements
// plus one while it is its allocation's current block; the count reaching 0 frees it. Atomic:
// elements of one block may end up in trees that different threads delete.
struct CXMLElement::KSBulkAllocation::Block {
    static constexpr std::size_t kElements = 128;
    std::atomic<std::size_t> references{1};
    std::size_t used = 0;
};

namespace {

// Each element is preceded by the block it came from (null: its own heap allocation). The
// header keeps the element at the heap's alignment.
constexpr std::size_t kHeader = alignof(std::max_align_t);
static_assert(sizeof(void*) <= kHeader);

using Block = CXMLElement::KSBulkAllocation::Block;

constexpr std::size_t kSlot = (sizeof(CXMLElement) + kHeader + kHeader - 1) / kHeader * kHeader;
constexpr std::size_t kBlockHead = (sizeof(Block) + kHeader - 1) / kHeader * kHeader;

thread_local CXMLElement::KSBulkAllocation* t_bulk = nullptr;

void Release(Block* block) noexcept {
    if (block->references.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        block->~Block();
        ::operator delete(block);
    }
}

}  // namespace

CXMLElement::KSBulkAllocation::~KSBulkAllocation() {
    if (m_block != nullptr) {
        Release(m_block);
    }
}

CXMLElement::KSBulkAllocation::KSUse::KSUse(KSBulkAllocation& allocation) : m_outer(t_bulk) {
    t_bulk = &allocation;
}

CXMLElement::KSBulkAllocation::KSUse::~KSUse() {
    t_bulk = m_outer;
}

void* CXMLElement::operator new(std::size_t size) {
    KSBulkAllocation* bulk = t_bulk;
    char* at = nullptr;
    Block* owner = nullptr;
    if (bulk != nullptr && size + kHeader <= kSlot) {
        if (bulk->m_block == nullptr || bulk->m_block->used == Block::kElements) {
            void* memory = ::operator new(kBlockHead + Block::kElements * kSlot);
            if (bulk->m_block != nullptr) {
                Release(bulk->m_block);
            }
            bulk->m_block = new (memory) Block;
        }
        owner = bulk->m_block;
        at = reinterpret_cast<char*>(owner) + kBlockHead + owner->used * kSlot;
        ++owner->used;
        owner->references.fetch_add(1, std::memory_order_relaxed);
    } else {
        at = static_cast<char*>(::operator new(size + kHeader));
    }
    *reinterpret_cast<Block**>(at) = owner;
    return at + kHeader;
}

void CXMLElement::operator delete(void* p) noexcept {
    if (p == nullptr) {
        return;
    }
    char* at = static_cast<char*>(p) - kHeader;
    Block* owner = *reinterpret_cast<Block**>(at);
    if (owner == nullptr) {
        ::operator delete(at);
    } else {
        Release(owner);
    }
}

KCFixedString<element_name_max_length> CutElementName(const char* name) {
    if (name == nullptr) {
        return {};
    }
    // Never split a UTF-8 sequence: the cut name must still be writable XML.
    const std::size_t length = KUUtf8CutLength(name, element_name_max_length);
    return {name, static_cast<unsigned int>(length)};
}

void CXMLElement::SetName(const char* name) {
    m_name = CutElementName(name);
}

CXMLElement::CXMLElement() {
    SetError(eXMLElementUninitalized);
}

CXMLElement::CXMLElement(const char* name, const char* text) : m_name(CutElementName(name)) {
    if (text != nullptr) {
        m_text = text;
    }
}

CXMLElement::CXMLElement(const char* name, const char* text, unsigned int length)
    : m_name(CutElementName(name)) {
    if (text != nullptr) {
        m_text.assign(text, length);
    }
}

CXMLElement::CXMLElement(const char* name, const unsigned char* pascalText)
    : m_name(CutElementName(name)) {
    if (pascalText != nullptr) {
        m_text.assign(reinterpret_cast<const char*>(pascalText + 1), pascalText[0]);
    }
}

CXMLElement::CXMLElement(const char* name, bool value)
    : m_name(CutElementName(name)), m_text(value ? "true" : "false") {}

CXMLElement::CXMLElement(const char* name, short value, Manipulator manipulator)
    : m_name(CutElementName(name)), m_text(StreamText(value, manipulator)) {}

CXMLElement::CXMLElement(const char* name, unsigned short value, Manipulator manipulator)
    : m_name(CutElementName(name)), m_text(StreamText(value, manipulator)) {}

CXMLElement::CXMLElement(const char* name, int value, Manipulator manipulator)
    : m_name(CutElementName(name)), m_text(StreamText(value, manipulator)) {}

CXMLElement::CXMLElement(const char* name, unsigned int value, Manipulator manipulator)
    : m_name(CutElementName(name)), m_text(StreamText(value, manipulator)) {}

CXMLElement::CXMLElement(const char* name, double value, Manipulator manipulator)
    : m_name(CutElementName(name)), m_text(StreamText(value, manipulator)) {}

CXMLElement::CXMLElement(const CXMLElement& other) : KUValidatable(other) {
    CopyFrom(other);
}

CXMLElement::CXMLElement(CXMLElement&& other) noexcept
    : KUValidatable(other),
      m_name(other.m_name),
      m_text(std::move(other.m_text)),
      m_isCDATA(other.m_isCDATA),
      m_children(std::move(other.m_children)),
      m_attributes(std::move(other.m_attributes)) {
    other.m_children.clear();
}

CXMLElement& CXMLElement::operator=(const CXMLElement& other) {
    if (this != &other) {
        // Clone first so that a failure leaves this element as it was.
        CXMLElement copy(other);
        *this = std::move(copy);
    }
    return *this;
}

CXMLElement& CXMLElement::operator=(CXMLElement&& other) noexcept {
    if (this != &other) {
        ClearSubElements();
        KUValidatable::operator=(other);
        m_name = other.m_name;
        m_text = std::move(other.m_text);
        m_isCDATA = other.m_isCDATA;
        m_children = std::move(other.m_children);
        other.m_children.clear();
        m_attributes = std::move(other.m_attributes);
        m_parent = nullptr;
    }
    return *this;
}

CXMLElement::~CXMLElement() {
    ClearSubElements();
}

void CXMLElement::CopyOwnFields(const CXMLElement& other) {
    m_name = other.m_name;
    m_text = other.m_text;
    m_isCDATA = other.m_isCDATA;
    m_attributes = other.m_attributes;
}

void CXMLElement::CopyFrom(const CXMLElement& other) {
    CopyOwnFields(other);
    // Pairs of (original, copy) whose children are still to be copied: a list on the heap
    // rather than one call per level, so a deep tree copies without overflowing the stack.
    std::vector<std::pair<const CXMLElement*, CXMLElement*>> pending{{&other, this}};
    try {
        while (!pending.empty()) {
            const auto [from, to] = pending.back();
            pending.pop_back();
            to->m_children.reserve(from->m_children.size());
            for (const CXMLElement* child : from->m_children) {
                auto copy = std::make_unique<CXMLElement>();
                copy->KUValidatable::operator=(*child);
                copy->CopyOwnFields(*child);
                to->m_children.push_back(copy.release());  // room was reserved: cannot throw
                pending.emplace_back(child, to->m_children.back());
            }
        }
    } catch (...) {
        ClearSubElements();  // a constructor that throws runs no destructor
        throw;
    }
}

void CXMLElement::AddAttrib(const char* name, const char* value) {
    AppendRecord(m_attributes, name == nullptr ? "" : name, value == nullptr ? "" : value);
}

void CXMLElement::AddAttrib(const char* name, int value) {
    AddAttrib(name, KUFormatInteger(static_cast<long long>(value)).c_str());
}

void CXMLElement::AddAttrib(const char* name, float value) {
    AddAttrib(name, KUFormatFixed(value, 5).c_str());
}

void CXMLElement::SetAttrib(const char* name, const char* value) {
    unsigned int begin = 0;
    unsigned int end = 0;
    if (FindAttribValuePosition(name, begin, end)) {
        m_attributes.replace(begin, end - begin, value == nullptr ? "" : value);
    } else {
        AddAttrib(name, value);
    }
}

void CXMLElement::SetAttrib(const char* name, int value) {
    SetAttrib(name, KUFormatInteger(static_cast<long long>(value)).c_str());
}

void CXMLElement::SetAttrib(const char* name, float value) {
    SetAttrib(name, KUFormatFixed(value, 5).c_str());
}

bool CXMLElement::NextAttrib(unsigned int& pos, std::string_view& name,
                             std::string_view& value) const {
    const std::string_view all(m_attributes);
    if (pos >= all.size()) {
        return false;
    }
    const std::size_t equals = all.find("=\"", pos);
    if (equals == std::string_view::npos) {
        pos = static_cast<unsigned int>(all.size());
        return false;
    }
    const std::size_t valueBegin = equals + 2;
    std::size_t valueEnd = all.find("\"\r", valueBegin);
    std::size_t next = valueEnd + 2;
    if (valueEnd == std::string_view::npos) {
        // A record cut short by hand-made attribute strings: take the rest as the value.
        valueEnd = all.size();
        next = all.size();
    }
    name = all.substr(pos, equals - pos);
    value = all.substr(valueBegin, valueEnd - valueBegin);
    pos = static_cast<unsigned int>(next);
    return true;
}

bool CXMLElement::FindAttribValuePosition(const char* name, unsigned int& begin,
                                          unsigned int& end) const {
    if (name == nullptr) {
        return false;
    }
    unsigned int pos = 0;
    std::string_view recordName;
    std::string_view value;
    while (NextAttrib(pos, recordName, value)) {
        if (recordName == name) {
            begin = static_cast<unsigned int>(value.data() - m_attributes.data());
            end = begin + static_cast<unsigned int>(value.size());
            return true;
        }
    }
    return false;
}

bool CXMLElement::AttribExists(const char* name) const {
    unsigned int begin = 0;
    unsigned int end = 0;
    return FindAttribValuePosition(name, begin, end);
}

bool CXMLElement::GetAttrib(const char* name, KCFixedStringBase& value) const {
    value.clear();
    unsigned int begin = 0;
    unsigned int end = 0;
    if (!FindAttribValuePosition(name, begin, end)) {
        return false;
    }
    value.assign(m_attributes.data() + begin, end - begin);
    return true;
}

bool CXMLElement::GetAttrib(const char* name, std::string& value) const {
    value.clear();
    unsigned int begin = 0;
    unsigned int end = 0;
    if (!FindAttribValuePosition(name, begin, end)) {
        return false;
    }
    value.assign(m_attributes, begin, end - begin);
    return true;
}

// An integer attribute by the library's own number rules; value changes only on success.
template <typename T>
bool ReadIntegerAttrib(const CXMLElement& element, const char* name, T& value) {
    std::string text;
    if (!element.GetAttrib(name, text)) {
        return false;
    }
    T parsed = 0;
    if (KUAtoi(text.c_str(), parsed) != eNoErr) {
        return false;
    }
    value = parsed;
    return true;
}

bool CXMLElement::GetAttrib(const char* name, int& value) const {
    return ReadIntegerAttrib(*this, name, value);
}

bool CXMLElement::GetAttrib(const char* name, short& value) const {
    return ReadIntegerAttrib(*this, name, value);
}

bool CXMLElement::GetAttrib(const char* name, float& value) const {
    std::string text;
    if (!GetAttrib(name, text)) {
        return false;
    }
    value = static_cast<float>(KUAtof(text.c_str()));
    return true;
}

void CXMLElement::push_back(CXMLElement* child) {
    if (child == nullptr) {
        return;
    }
    std::unique_ptr<CXMLElement> owner(child);
    try {
        m_children.push_back(child);
        static_cast<void>(owner.release());
    } catch (...) {
        SetError(eMemOutOfMemory);
    }
}

CXMLElement* CXMLElement::AddSubElement(const char* name, std::string_view text) {
    try {
        auto child = std::make_unique<CXMLElement>(name, static_cast<const char*>(nullptr));
        if (!text.empty()) {
            child->SetText(text);
        }
        m_children.push_back(child.get());
        return child.release();
    } catch (...) {
        SetError(eMemOutOfMemory);
        return nullptr;
    }
}

CXMLElement* CXMLElement::SubElement(const char* name) {
    if (name == nullptr) {
        return nullptr;
    }
    for (CXMLElement* child : m_children) {
        if (std::strcmp(child->m_name.c_str(), name) == 0) {
            return child;
        }
    }
    return nullptr;
}

const CXMLElement* CXMLElement::SubElement(const char* name) const {
    return const_cast<CXMLElement*>(this)->SubElement(name);
}

const char* CXMLElement::SubElementText(const char* name) const {
    const CXMLElement* child = SubElement(name);
    return child == nullptr ? nullptr : child->m_text.c_str();
}

int CXMLElement::CountSubElements(int depth) const {
    if (depth < 1) {
        return 0;
    }
    int count = static_cast<int>(m_children.size());
    if (depth > 1) {
        for (const CXMLElement* child : m_children) {
            count += child->CountSubElements(depth - 1);
        }
    }
    return count;
}

void CXMLElement::ClearSubElements() {
    // Deleting children one by one would recurse once per level, and a deep enough tree would
    // overflow the stack. Instead the elements to delete form a stack linked through their
    // parent pointers: each one's children are pushed before it is deleted childless. Nothing
    // is allocated, so this cannot fail inside a destructor.
    CXMLElement* pending = nullptr;
    for (CXMLElement* child : m_children) {
        child->m_parent = pending;
        pending = child;
    }
    m_children.clear();
    while (pending != nullptr) {
        CXMLElement* element = pending;
        pending = element->m_parent;
        for (CXMLElement* child : element->m_children) {
            child->m_parent = pending;
            pending = child;
        }
        element->m_children.clear();
        delete element;
    }
}

void CXMLElement::PromoteSubElements() {
    std::vector<CXMLElement*> grandchildren;
    std::size_t total = 0;
    for (const CXMLElement* child : m_children) {
        total += child->m_children.size();
    }
    grandchildren.reserve(total);
    for (CXMLElement* child : m_children) {
        for (CXMLElement* grandchild : child->m_children) {
            grandchild->m_parent = nullptr;
            grandchildren.push_back(grandchild);
        }
        child->m_children.clear();
        delete child;
    }
    m_children = std::move(grandchildren);
}

void CXMLElement::Clear() {
    m_name.clear();
    m_text.clear();
    m_isCDATA = false;
    m_attributes.clear();
    ClearSubElements();
}

void AttribVecToString(const KTAttribVec& attributes, std::string& out) {
    out.clear();
    for (const KTAttribPair& pair : attributes) {
        AppendRecord(out, pair.first.c_str(), pair.second.c_str());
    }
}

void StringToAttribVec(const std::string& attributes, KTAttribVec& out) {
    out.clear();
    CXMLElement holder;
    holder.SetAttribString(attributes);
    unsigned int pos = 0;
    std::string_view name;
    std::string_view value;
    while (holder.NextAttrib(pos, name, value)) {
        KTAttribPair pair;
        pair.first.assign(name.data(), static_cast<unsigned int>(name.size()));
        pair.second.assign(value.data(), static_cast<unsigned int>(value.size()));
        out.push_back(pair);
    }
}

void StringToAttribStdStringVec(const std::string& attributes,
                                std::vector<std::pair<std::string, std::string>>& out) {
    out.clear();
    CXMLElement holder;
    holder.SetAttribString(attributes);
    unsigned int pos = 0;
    std::string_view name;
    std::string_view value;
    while (holder.NextAttrib(pos, name, value)) {
        out.emplace_back(std::string(name), std::string(value));
    }
}

}  // namespace kvKorvaneV10_0_3::XML
