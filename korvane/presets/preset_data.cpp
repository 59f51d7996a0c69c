// Setup records, MIDI mappings and plug-in-specific data, and their XML forms.
#include "korvane/presets/preset_data.h"

#include "korvane/core/base64.h"
#include "korvane/core/error_codes.h"
#include "korvane/core/number_format.h"
#include "korvane/fm/file_io.h"
#include "korvane/presets/preset_text.h"
#include "korvane/xml/number_parse.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_writer.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace kvKorvaneV10_0_3::Preset {

namespace {

constexpr const char* kTypeNames[] = {"NoData",     "BufferDouble", "BufferFloat",
                                      "BufferLong", "BufferString", "CompressedBase64",
                                      "XMLObject",  "CharacterData"};

// Whitespace-separated tokens of `text`.
template <typename Fn>
void ForEachToken(const std::string& text, Fn fn) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        while (i < n && std::strchr(" \t\r\n;", text[i]) != nullptr) {
            ++i;
        }
        const std::size_t start = i;
        while (i < n && std::strchr(" \t\r\n;", text[i]) == nullptr) {
            ++i;
        }
        if (i > start) {
            fn(text.substr(start, i - start));
        }
    }
}

template <typename T>
[[nodiscard]] KTErr AppendValue(Utils::KCStMemObj& data, T value) {
    return data.AppendAndReserve(reinterpret_cast<const char*>(&value), sizeof(T));
}

// The numbers of a buffer type as text, separated by spaces.
std::string BufferToText(EPluginSpecificDataTypes type, const Utils::KCStMemObj& data) {
    std::string out;
    const auto* bytes = static_cast<const unsigned char*>(data.ptr);
    const unsigned int size = data.Empty() ? 0 : data.size;
    const auto each = [&](std::size_t width, auto format) {
        for (std::size_t at = 0; at + width <= size; at += width) {
            if (!out.empty()) {
                out += ' ';
            }
            out += format(bytes + at);
        }
    };
    switch (type) {
        case ePluginSpecificBufferDouble:
            each(sizeof(double), [](const unsigned char* p) {
                double v = 0;
                std::memcpy(&v, p, sizeof v);
                return KUFormatGeneral(v, 17);
            });
            break;
        case ePluginSpecificBufferFloat:
            each(sizeof(float), [](const unsigned char* p) {
                float v = 0;
                std::memcpy(&v, p, sizeof v);
                return KUFormatGeneral(static_cast<double>(v), 9);
            });
            break;
        case ePluginSpecificBufferLong:
            each(sizeof(std::int32_t), [](const unsigned char* p) {
                std::int32_t v = 0;
                std::memcpy(&v, p, sizeof v);
                return KUFormatInteger(static_cast<long long>(v));
            });
            break;
        default:
            break;
    }
    return out;
}

// Reads the numbers into a new buffer, so that `data` changes only when all of them fit.
[[nodiscard]] KTErr TextToBuffer(EPluginSpecificDataTypes type, const std::string& text,
                                 Utils::KCStMemObj& data) {
    Utils::KCStMemObj read;
    KTErr err = eNoErr;
    ForEachToken(text, [&](const std::string& token) {
        if (err != eNoErr) {
            return;
        }
        switch (type) {
            case ePluginSpecificBufferDouble:
                err = AppendValue(read, detail::ParseDouble(token));
                break;
            case ePluginSpecificBufferFloat:
                err = AppendValue(read, detail::ParseFloat(token));
                break;
            case ePluginSpecificBufferLong: {
                long long v = 0;
                // A malformed number reads as 0, as it does for the floating types.
                (void)KUAtoi(token.c_str(), v);
                err = AppendValue(read, static_cast<std::int32_t>(v));
                break;
            }
            default:
                break;
        }
    });
    if (err == eNoErr) {
        data = std::move(read);
    }
    return err;
}

// True when `name` is a relative path that never leaves the folder it is relative to.
bool StaysInside(std::string_view name) {
    if (name.empty() || name.front() == '/' || name.front() == '\\' ||
        (name.size() > 1 && name[1] == ':')) {
        return false;
    }
    int depth = 0;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("/\\", start);
        if (end == std::string_view::npos) {
            end = name.size();
        }
        const std::string_view part = name.substr(start, end - start);
        if (part == "..") {
            if (--depth < 0) {
                return false;
            }
        } else if (!part.empty() && part != ".") {
            ++depth;
        }
        start = end + 1;
    }
    return depth > 0;
}

// The bytes of a "file"/"cache" data element: binary for the buffer and Base64 types (the
// record's own bytes), text for the string types, XML text for XMLObject.
int ReadDataFile(sPluginSpecific& record, const std::string& name,
                 const FM::KCStPath* presetFolder) {
    if (presetFolder == nullptr || !presetFolder->IsValid() || !StaysInside(name) ||
        name.find('\0') != std::string::npos) {
        return eFMPermissionErr;
    }
    // The spelling check above is not enough: links inside the folder may lead out of it.
    Utils::KCStMemObj bytes;
    const KTErr err = FM::ReadFileInsideFolder(presetFolder->GetPathRef(), name.c_str(),
                                               kMaxPluginDataFileSize, bytes);
    if (err != eNoErr) {
        return err;
    }
    if (record.dataType == ePluginSpecificXMLObject) {
        auto root = std::make_unique<XML::CXMLElement>();
        XML::CXMLTreeBuilder builder(*root);
        if (builder.BuildFromKCStMemObj(bytes) != eNoErr) {
            return eXMLParserFailed;
        }
        record.xml = std::move(root);
        return eNoErr;
    }
    record.data.TakeOver(bytes);
    return eNoErr;
}

}  // namespace

// ------------------------------------------------------------------ names

const char* PluginSpecificTypeName(EPluginSpecificDataTypes type) {
    const auto i = static_cast<int>(type);
    return i >= 0 && i < static_cast<int>(std::size(kTypeNames)) ? kTypeNames[i] : "Unknown";
}

EPluginSpecificDataTypes PluginSpecificTypeFromName(const char* name) {
    if (name != nullptr) {
        for (int i = 0; i < static_cast<int>(std::size(kTypeNames)); ++i) {
            if (std::strcmp(kTypeNames[i], name) == 0) {
                return static_cast<EPluginSpecificDataTypes>(i);
            }
        }
    }
    return ePluginSpecificNoData;
}

// The "Setup" attribute of preset files. Not the same table as cALGORITHM's setup strings,
// whose current setup is "CURRENT_SETUP": stored files rely on each, so neither can change.
const char* PresetSetupName(EPluginSetup setup) {
    switch (setup) {
        case eSetupA:
            return "SETUP_A";
        case eSetupB:
            return "SETUP_B";
        default:
            return "CURRENT";
    }
}

EPluginSetup PresetSetupFromName(const char* name) {
    if (name != nullptr && std::strcmp(name, "SETUP_A") == 0) {
        return eSetupA;
    }
    if (name != nullptr && std::strcmp(name, "SETUP_B") == 0) {
        return eSetupB;
    }
    return eActiveSetup;
}

// ------------------------------------------------------------------ plug-in-specific record

sPluginSpecific::sPluginSpecific(const sPluginSpecific& other)
    : tagName(other.tagName),
      tagID(other.tagID),
      menuItemString(other.menuItemString),
      dataType(other.dataType),
      flags(other.flags),
      descriptors(other.descriptors),
      data(other.data),
      xml(other.xml ? std::make_unique<XML::CXMLElement>(*other.xml) : nullptr) {}

sPluginSpecific& sPluginSpecific::operator=(const sPluginSpecific& other) {
    if (this != &other) {
        tagName = other.tagName;
        tagID = other.tagID;
        menuItemString = other.menuItemString;
        dataType = other.dataType;
        flags = other.flags;
        descriptors = other.descriptors;
        data = other.data;
        xml = other.xml ? std::make_unique<XML::CXMLElement>(*other.xml) : nullptr;
    }
    return *this;
}

sPluginSpecific::~sPluginSpecific() = default;

std::unique_ptr<sPluginSpecific> sPluginSpecific::Clone() const {
    return std::make_unique<sPluginSpecific>(*this);
}

std::map<std::string, std::string> sPluginSpecific::GetDescriptorMap() const {
    std::map<std::string, std::string> out;
    for (const auto& d : descriptors) {
        out.emplace(d.first.c_str(), d.second.c_str());
    }
    return out;
}

bool sPluginSpecific::IsSame(const sPluginSpecific& other) const {
    if (tagName != other.tagName || tagID != other.tagID ||
        menuItemString != other.menuItemString || dataType != other.dataType ||
        flags != other.flags || descriptors.size() != other.descriptors.size()) {
        return false;
    }
    for (std::size_t i = 0; i < descriptors.size(); ++i) {
        if (descriptors[i].first != other.descriptors[i].first ||
            descriptors[i].second != other.descriptors[i].second) {
            return false;
        }
    }
    if (Utils::KCStConstMemObj::Compare(data, other.data) != 0 &&
        !(data.Empty() && other.data.Empty())) {
        return false;
    }
    if (static_cast<bool>(xml) != static_cast<bool>(other.xml)) {
        return false;
    }
    if (xml) {
        std::string a;
        std::string b;
        XML::AppendXML(a, *xml, false, false, 0);
        XML::AppendXML(b, *other.xml, false, false, 0);
        return a == b;
    }
    return true;
}

void sPluginSpecific::WriteToXML(XML::CXMLElement* e) const {
    if (e == nullptr) {
        return;
    }
    e->SetName("PluginSpecific");
    e->AddAttrib("TagName", tagName.c_str());
    e->AddAttrib("MenuItemString", menuItemString.c_str());
    e->AddAttrib("TagID", tagID);
    e->AddAttrib("DataType", PluginSpecificTypeName(dataType));
    auto* flagsElement = e->AddSubElement("Flags");
    if (flagsElement != nullptr && HasFlag(ePluginSpecificLoadWithParams)) {
        flagsElement->AddSubElement("load_with_params");
    }
    auto* list = e->AddSubElement("Descriptors");
    for (const auto& d : descriptors) {
        auto* one = list != nullptr ? list->AddSubElement("Descriptor", d.second.c_str()) : nullptr;
        if (one != nullptr) {
            one->AddAttrib("Name", d.first.c_str());
        }
    }
    auto* dataElement = e->AddSubElement("Data");
    if (dataElement == nullptr) {
        return;
    }
    const auto* bytes = static_cast<const char*>(data.ptr);
    const unsigned int size = data.Empty() ? 0 : data.size;
    switch (dataType) {
        case ePluginSpecificBufferDouble:
        case ePluginSpecificBufferFloat:
        case ePluginSpecificBufferLong:
            dataElement->SetText(BufferToText(dataType, data));
            break;
        case ePluginSpecificBufferString:
            dataElement->SetText(std::string_view(bytes == nullptr ? "" : bytes, size));
            break;
        case ePluginSpecificCharacterData:
            dataElement->SetText(std::string_view(bytes == nullptr ? "" : bytes, size));
            dataElement->SetCDATA(true);
            break;
        case ePluginSpecificCompressedBase64: {
            std::string text;
            // Only allocation can fail here; the element is then written without data.
            (void)KCBase64::Encode(static_cast<const unsigned char*>(data.ptr), size, text);
            dataElement->SetText(text);
            break;
        }
        case ePluginSpecificXMLObject:
            if (xml) {
                dataElement->push_back(new XML::CXMLElement(*xml));
            }
            break;
        default:
            break;
    }
}

int sPluginSpecific::ReadFromXML(const XML::CXMLElement* e) {
    return ReadFromXML(e, nullptr);
}

int sPluginSpecific::ReadFromXML(const XML::CXMLElement* e, const FM::KCStPath* presetFolder) {
    if (e == nullptr) {
        return eMemNullPointer;
    }
    std::string text;
    if (e->GetAttrib("TagName", text)) {
        detail::AssignCut(tagName, text);
    }
    if (e->GetAttrib("MenuItemString", text)) {
        detail::AssignCut(menuItemString, text);
    }
    e->GetAttrib("TagID", tagID);
    KCFixedString<63> type;
    if (e->GetAttrib("DataType", type)) {
        dataType = PluginSpecificTypeFromName(type.c_str());
    }
    if (const auto* f = e->SubElement("Flags"); f != nullptr) {
        flags = f->SubElement("load_with_params") != nullptr ? ePluginSpecificLoadWithParams
                                                             : ePluginSpecificNoFlags;
    }
    if (const auto* list = e->SubElement("Descriptors"); list != nullptr) {
        descriptors.clear();
        for (const auto* d : list->GetSubElements()) {
            if (d->GetName() == "Descriptor") {
                Descriptor pair;
                if (d->GetAttrib("Name", text)) {
                    detail::AssignCut(pair.first, text);
                }
                detail::AssignCut(pair.second, d->GetText());
                descriptors.push_back(pair);
            }
        }
    }
    const auto* dataElement = e->SubElement("Data");
    if (dataElement == nullptr) {
        return eNoErr;
    }
    std::string fileName;
    if (dataElement->GetAttrib("file", fileName) || dataElement->GetAttrib("cache", fileName)) {
        return ReadDataFile(*this, fileName, presetFolder);
    }
    const std::string& content = dataElement->GetText();
    switch (dataType) {
        case ePluginSpecificBufferDouble:
        case ePluginSpecificBufferFloat:
        case ePluginSpecificBufferLong:
            return TextToBuffer(dataType, content, data);
        case ePluginSpecificBufferString:
        case ePluginSpecificCharacterData:
            return data.Assign(content.data(), static_cast<unsigned int>(content.size()));
        case ePluginSpecificCompressedBase64: {
            std::vector<unsigned char> bytes;
            if (const KTErr err = KCBase64::Decode(content, bytes); err != eNoErr) {
                return err;
            }
            return data.Assign(reinterpret_cast<const char*>(bytes.data()),
                               static_cast<unsigned int>(bytes.size()));
        }
        case ePluginSpecificXMLObject:
            if (!dataElement->GetSubElements().empty()) {
                xml = std::make_unique<XML::CXMLElement>(*dataElement->GetSubElements().front());
            }
            break;
        default:
            break;
    }
    return eNoErr;
}

// ------------------------------------------------------------------ setup record

sPresetData::sPresetData(const sPresetData& other)
    : sPresetControls(other),
      setupName(other.setupName),
      states(other.states),
      realWorld(other.realWorld),
      realWorldKinds(other.realWorldKinds),
      pluginXMLData(other.pluginXMLData),
      parametersKind(other.parametersKind),
      m_setup(other.m_setup),
      m_loadParams(other.m_loadParams) {
    pluginSpecific.reserve(other.pluginSpecific.size());
    try {
        // Cloned, so that a plug-in's derived record stays what it is.
        for (const auto* record : other.pluginSpecific) {
            pluginSpecific.push_back(record->Clone().release());
        }
    } catch (...) {
        ClearPluginSpecific();
        throw;
    }
}

sPresetData& sPresetData::operator=(const sPresetData& other) {
    if (this != &other) {
        sPresetData copy(other);
        std::swap(setupName, copy.setupName);
        states.swap(copy.states);
        realWorld.swap(copy.realWorld);
        realWorldKinds.swap(copy.realWorldKinds);
        controls.swap(copy.controls);
        pluginSpecific.swap(copy.pluginSpecific);
        pluginXMLData = std::move(copy.pluginXMLData);
        parametersKind = copy.parametersKind;
        m_setup = copy.m_setup;
        m_loadParams = copy.m_loadParams;
    }
    return *this;
}

sPresetData::~sPresetData() {
    ClearPluginSpecific();
}

unsigned int sPresetData::GetNumParametersData() const {
    return static_cast<unsigned int>(realWorld.empty() ? states.size() : realWorld.size());
}

void sPresetData::ClearValues() {
    states.clear();
    realWorld.clear();
    realWorldKinds.clear();
}

void sPresetData::ClearPluginSpecific() {
    for (auto* record : pluginSpecific) {
        delete record;
    }
    pluginSpecific.clear();
}

bool sPresetData::IsSameData(const sPresetData& a, const sPresetData& b) {
    if (a.setupName != b.setupName || a.m_setup != b.m_setup || a.states != b.states ||
        a.realWorldKinds != b.realWorldKinds || a.realWorld.size() != b.realWorld.size() ||
        !(a.controls == b.controls) || a.pluginSpecific.size() != b.pluginSpecific.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.realWorld.size(); ++i) {
        const bool missing = i < a.realWorldKinds.size() && a.realWorldKinds[i] == eValueMissing;
        // Bitwise, so that two NaNs read from the same text compare equal.
        if (!missing && std::bit_cast<std::uint64_t>(a.realWorld[i]) !=
                            std::bit_cast<std::uint64_t>(b.realWorld[i])) {
            return false;
        }
    }
    for (std::size_t i = 0; i < a.pluginSpecific.size(); ++i) {
        if (!a.pluginSpecific[i]->IsSame(*b.pluginSpecific[i])) {
            return false;
        }
    }
    std::string xa;
    std::string xb;
    XML::AppendXML(xa, a.pluginXMLData, false, false, 0);
    XML::AppendXML(xb, b.pluginXMLData, false, false, 0);
    return xa == xb;
}

}  // namespace kvKorvaneV10_0_3::Preset
