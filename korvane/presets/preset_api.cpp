// Preset files: listing, reading, writing and editing xps files, yps files, presets kept as a
// container resource and preset XML text in memory.
#include "korvane/presets/preset_api.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/core/four_cc.h"
#include "korvane/core/version.h"
#include "korvane/fm/path_ref.h"
#include "korvane/presets/preset_dialogs.h"
#include "korvane/presets/preset_text.h"
#include "korvane/presets/preset_xml.h"
#include "korvane/rm/res_key.h"
#include "korvane/rm/resource_manager.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_writer.h"

#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <mutex>
#include <set>
#include <string>

namespace kvKorvaneV10_0_3::Preset {

namespace {

constexpr const char* kDefaultDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
constexpr const char* kVendor = "Korvane";

std::mutex& HookMutex() {
    static std::mutex mutex;
    return mutex;
}

FM::KTWriteProgress& Hook() {
    static FM::KTWriteProgress hook;
    return hook;
}

// A preset document and the builder that read it (which remembers its XML declaration).
struct Document {
    XML::CXMLElement root;
    XML::CXMLTreeBuilder builder{root};
};

const RM::KCResKey& PresetsKey() {
    static const RM::KCResKey key(RM::KCResType("Presets"), kPresetsResourceID);
    return key;
}

// The XML text of the presets resource of a container.
int ReadResourceText(const FM::KCStPath& path, Utils::KCStMemObj& out) {
    KTResContainerType* container = nullptr;
    KTErr err = RM::OpenResContainer(path, FM::eReadPerm, container);
    if (err != eNoErr) {
        return err;
    }
    err = RM::GetRawResourceData(container, PresetsKey(), out);
    // Closing a container opened for reading loses nothing.
    (void)RM::CloseResContainer(container);
    return err;
}

int WriteResourceText(const FM::KCStPath& path, const std::string& text) {
    KTResContainerType* container = nullptr;
    KTErr err = RM::OpenResContainer(path, FM::eReadWritePerm, container);
    if (err != eNoErr) {
        return err;
    }
    err = RM::AddOrReplaceResource(container, PresetsKey(), text.data(),
                                   static_cast<unsigned int>(text.size()));
    if (err == eNoErr) {
        err = RM::WriteResource(container, PresetsKey());
    }
    // Closing a container opened for reading loses nothing.
    (void)RM::CloseResContainer(container);
    return err;
}

// Parses the presets of `file` in `format`. A missing or empty file gives an empty tree with
// `existed` false; anything that does not parse gives its code.
int LoadDocument(const CPresetsFileInfo& file, EPresetsFormat format, Document& doc,
                 bool& existed) {
    existed = false;
    int err = eNoErr;
    switch (format) {
        case ePresetsFormatXPS:
            if (!file.IsValid()) {
                return eFMIllegalPathRef;
            }
            if (!file.IsExist()) {
                return eFMFileNotFound;
            }
            err = doc.builder.BuildFromFile(file);
            if (err == XML::kXMLFileEmpty) {
                doc.root.Clear();
                return eNoErr;
            }
            break;
        case ePresetsFormatXMLText:
            if (file.GetText().empty()) {
                return eNoErr;
            }
            err = doc.builder.BuildFromSingleBuffer(
                file.GetText().data(), static_cast<unsigned int>(file.GetText().size()));
            break;
        case ePresetsFormatResource: {
            Utils::KCStMemObj text;
            err = ReadResourceText(file, text);
            if (err == eNoErr) {
                err = doc.builder.BuildFromKCStMemObj(text);
            }
            break;
        }
        default:
            return eInvalidFileFormatProblem;
    }
    if (err != eNoErr) {
        return err;
    }
    const auto& name = doc.root.GetName();
    if (name != "PresetXMLTree" && name != "Preset") {
        return eXMLTreeNotValid;
    }
    existed = true;
    return eNoErr;
}

// The preset-list elements of a document: the root's children, or the root itself when the
// document is one bare preset.
std::vector<XML::CXMLElement*> Entries(XML::CXMLElement& root) {
    if (root.GetName() == "Preset") {
        return {&root};
    }
    return root.GetSubElements();
}

// Turns a bare-preset document into a preset file tree.
void MakeFileRoot(Document& doc) {
    if (doc.root.GetName() == "Preset") {
        auto* preset = new XML::CXMLElement(std::move(doc.root));
        doc.root.Clear();
        doc.root.SetName("PresetXMLTree");
        doc.root.push_back(preset);
    } else if (doc.root.GetName().empty()) {
        doc.root.SetName("PresetXMLTree");
    }
    doc.root.SetAttrib("version", kPresetFileVersion);
}

// The document as file text; a failed write (out of memory) gives its code, never a file
// holding the declaration alone.
int DocumentText(const Document& doc, std::string& out) {
    try {
        std::string body;
        const int err = doc.builder.WriteToString(body);
        if (err != eNoErr) {
            return err;
        }
        KCFixedString<255> decl;
        if (!doc.builder.FormatXMLDecl(decl)) {
            body.insert(0, kDefaultDecl);
        }
        out.swap(body);
        return eNoErr;
    } catch (const std::bad_alloc&) {
        return eMemOutOfMemory;
    }
}

bool Contains(const std::vector<KCFourCC>& list, KCFourCC code) {
    return std::find(list.begin(), list.end(), code) != list.end();
}

// The folder plug-in data files may be read from: the preset file's own folder.
FM::KCStPath FolderOf(const CPresetsFileInfo& file, EPresetsFormat format) {
    if (format != ePresetsFormatXPS || !file.IsValid()) {
        return {};
    }
    const std::string full = file.GetPathString().c_str();
    const auto slash = full.rfind('/');
    return slash == std::string::npos ? FM::KCStPath()
                                      : FM::KCStPath(full.substr(0, slash + 1).c_str());
}

int ListDocument(const CPublicAlg& alg, CPresetsFileInfo& file, EPresetsFormat format,
                 Document& doc, std::vector<CPresetInfo*>& out, KCFourCC type,
                 EFolderParseType parse) {
    std::string version;
    if (!doc.root.GetAttrib("version", version) || doc.root.GetName() != "PresetXMLTree") {
        version = kNoFileVersion;
    }
    const FM::KCStPath folder = FolderOf(file, format);
    const FM::KCStPath* folderPtr = folder.IsValid() ? &folder : nullptr;
    std::vector<CPresetInfo*> list;
    try {
        for (const auto* e : Entries(doc.root)) {
            const auto& name = e->GetName();
            auto preset = std::make_unique<CPresetInfo>();
            if (name == "Preset") {
                if (!CPresetAPI::IsCompatible(alg, *e, type)) {
                    continue;
                }
                ReadHeadersFromXML_CPresetInfo(e, *preset);
                if (parse == eFolderParseFull) {
                    ReadDataFromXML_CPresetInfo(e, *preset, folderPtr);
                }
            } else if (name == "Separator") {
                preset->SetPresetName("Separator");
                preset->SetFlag(ePresetSeparator, true);
            } else if (name == "Title") {
                std::string text;
                if (!e->GetAttrib("Name", text)) {
                    text = e->GetText();
                }
                KCFixedString<255> title;
                detail::AssignCut(title, text);
                preset->SetPresetName(title);
                preset->SetFlag(ePresetDummyTitle, true);
            } else {
                continue;
            }
            int index = -1;
            if (e->GetAttrib("Index", index) && index >= 0) {
                preset->SetPresetIndex(static_cast<unsigned int>(index));
            }
            preset->SetPresetVersion(version.c_str());
            preset->SetPresetsFileInfo(file);
            list.push_back(preset.release());
        }
    } catch (...) {
        ClearPresetInfoPtrVec(list);
        return eMemNewFailed;
    }
    ClearPresetInfoPtrVec(out);
    out.swap(list);
    return eNoErr;
}

// Appends the element of a preset, separator or title entry.
void AddEntryElement(XML::CXMLElement& parent, const CPresetInfo& preset) {
    const char* name = preset.IsSeperator()    ? "Separator"
                       : preset.IsDummyTitle() ? "Title"
                                               : "Preset";
    XML::CXMLElement* e = parent.AddSubElement(name);
    if (e == nullptr) {
        return;
    }
    if (preset.IsDummyTitle() && !preset.IsSeperator()) {
        e->AddAttrib("Name", preset.GetPresetName().c_str());
    } else if (!preset.IsSeperator()) {
        WriteToXML_CPresetInfo(preset, *e);
    }
    if (preset.GetPresetIndex() != CPresetInfo::kNoIndex) {
        e->SetAttrib("Index", static_cast<int>(preset.GetPresetIndex()));
    }
}

// Rebuilds the root's children without those `drop` selects (their subtrees are deleted).
template <typename Pred>
bool RemoveChildren(XML::CXMLElement& root, Pred drop) {
    XML::CXMLElement rebuilt(root.GetName().c_str(), root.GetText().c_str());
    rebuilt.SetAttribString(root.GetAttribString());
    bool removed = false;
    for (auto* child : root.GetSubElements()) {
        if (drop(child)) {
            removed = true;
        } else {
            rebuilt.push_back(new XML::CXMLElement(std::move(*child)));
        }
    }
    root = std::move(rebuilt);
    return removed;
}

// Compared as the reader cuts names, so that a long name still finds its element.
bool NameIs(const XML::CXMLElement* e, const KCFixedStringBase& name) {
    std::string text;
    if (e->GetName() != "Preset" || !e->GetAttrib("Name", text)) {
        return false;
    }
    KCFixedString<255> value;
    detail::AssignCut(value, text);
    return value == name;
}

// The format a file description stands for: its own when set, else by its name.
EPresetsFormat FormatOf(const CPublicAlg& alg, const CPresetsFileInfo& file) {
    return file.GetFormat() != ePresetsFormatNone ? file.GetFormat()
                                                  : CPresetAPI::GetPresetFileFormat(alg, file);
}

// Whether a preset may be written into its file.
bool IsWritableFile(const CPresetsFileInfo& file) {
    return file.IsValid() && file.GetValid() && !file.IsLocked() &&
           (!file.IsExist() || (file.IsFile() && file.IsWritable()));
}

// What a preset holds about its place in a list, not in the file: kept when it is re-read.
// Read-only comes from the file.
void KeepListState(const CPresetInfo& from, CPresetInfo& read) {
    read.SetPresetIndex(from.GetPresetIndex());
    read.SetResourceID(from.GetResourceID());
    read.SetResourceType(from.GetResourceType());
    read.SetMenuItemType(from.GetMenuItemType());
    for (const EPresetInfoFlags flag :
         {ePresetLocked, ePresetDisabled, ePresetSeparator, ePresetDummyTitle}) {
        read.SetFlag(flag, from.GetFlag(flag));
    }
}

// Whether an element is one of the entries ListDocument gives for `type`.
bool IsListed(const CPublicAlg& alg, const XML::CXMLElement& e, KCFourCC type) {
    const auto& name = e.GetName();
    return (name == "Preset" && CPresetAPI::IsCompatible(alg, e, type)) || name == "Separator" ||
           name == "Title";
}

// Whole-file writes produce xps text: they must not land on a container, a yps file or
// anything else that is not a plain preset file.
int CheckWholeFileTarget(const CPublicAlg& alg, const CPresetsFileInfo& file) {
    if (!file.IsValid()) {
        return eFMIllegalPathRef;
    }
    if (file.IsExist() && (file.IsLocked() || !file.IsFile())) {
        return ePresetLockedProblem;
    }
    const auto isXPSOrUnknown = [](EPresetsFormat f) {
        return f == ePresetsFormatXPS || f == ePresetsFormatNone;
    };
    if (!isXPSOrUnknown(file.GetFormat()) ||
        !isXPSOrUnknown(CPresetAPI::GetPresetFileFormat(alg, file))) {
        return eInvalidFileFormatProblem;
    }
    bool isContainer = false;
    if (file.IsExist() && RM::IsResContainer(file, isContainer) == eNoErr && isContainer) {
        return eInvalidFileFormatProblem;
    }
    return eNoErr;
}

}  // namespace

void CPresetAPI::SetWriteProgressHook(FM::KTWriteProgress hook) {
    const std::lock_guard<std::mutex> lock(HookMutex());
    Hook() = std::move(hook);
}

int CPresetAPI::WriteText(const FM::KCStPath& path, const std::string& text) {
    FM::KTWriteProgress hook;
    {
        const std::lock_guard<std::mutex> lock(HookMutex());
        hook = Hook();
    }
    if (!path.IsValid()) {
        return eFMIllegalPathRef;
    }
    return FM::WriteFileAtomically(path.GetPathRef(), text.data(), text.size(), hook);
}

EPresetsFormat CPresetAPI::GetPresetFileFormat(const CPublicAlg& /*alg*/,
                                               const CPresetsFileInfo& file) {
    if (file.GetFormat() == ePresetsFormatXMLText) {
        return ePresetsFormatXMLText;
    }
    if (!file.IsValid()) {
        return ePresetsFormatNone;
    }
    const KCFixedString<255> extension = file.GetExtension();
    if (FM::IsSameExtension(extension.c_str(), "xps")) {
        return ePresetsFormatXPS;
    }
    if (FM::IsSameExtension(extension.c_str(), "yps")) {
        return ePresetsFormatYPS;
    }
    bool isContainer = false;
    if (file.IsExist() && RM::IsResContainer(file, isContainer) == eNoErr && isContainer) {
        KTResContainerType* container = nullptr;
        if (RM::OpenResContainer(file, FM::eReadPerm, container) == eNoErr) {
            const bool has = RM::DoesResourceExist(container, PresetsKey());
            // Closing a container opened for reading loses nothing.
            (void)RM::CloseResContainer(container);
            if (has) {
                return ePresetsFormatResource;
            }
        }
    }
    return ePresetsFormatNone;
}

bool CPresetAPI::IsCompatible(const CPublicAlg& alg, const XML::CXMLElement& preset,
                              KCFourCC type) {
    if (!alg.IsValid()) {
        return true;
    }
    const cALGORITHM& plugin = alg.Alg();
    std::string text;
    if (preset.GetAttrib("GenericType", text)) {
        const auto types = ParseFourCCList(text);
        const KCFourCC own = type == kNoGenericType ? plugin.GetAlgType() : type;
        bool match = types.empty() || Contains(types, kNoGenericType) || Contains(types, own);
        if (!match) {
            std::vector<KCFourCC> accepted = plugin.GetPresetCompatibleTypes();
            plugin.GetPresetCompatibleTypesSelf(accepted);
            match = std::any_of(accepted.begin(), accepted.end(),
                                [&](KCFourCC t) { return Contains(types, t); });
        }
        if (!match) {
            return false;
        }
    }
    if (preset.GetAttrib("SubComp", text)) {
        const auto subs = ParseFourCCList(text);
        if (subs.empty() || Contains(subs, kNoGenericType) ||
            Contains(subs, plugin.GetAlgSubType())) {
            return true;
        }
        const auto& accepted = plugin.GetPresetCompatibleSubComps();
        return std::any_of(accepted.begin(), accepted.end(),
                           [&](KCFourCC t) { return Contains(subs, t); });
    }
    return true;
}

int CPresetAPI::GetPresetList(const CPublicAlg& alg, CPresetsFileInfo& file,
                              std::vector<CPresetInfo*>& out, KCFourCC type,
                              EFolderParseType parse) {
    const EPresetsFormat format = FormatOf(alg, file);
    if (format == ePresetsFormatYPS) {
        auto preset = std::make_unique<CPresetInfo>();
        preset->SetPresetsFileInfo(file);
        preset->GetPresetsFileInfo().SetFormat(format);
        const int err = ReadPresetInfo(alg, *preset, type);
        if (err != eNoErr) {
            return err;
        }
        preset->SetPresetName(file.GetBase().c_str());
        file.SetFormat(format);
        file.SetValid(true);
        ClearPresetInfoPtrVec(out);
        out.push_back(preset.release());
        return eNoErr;
    }
    if (!IsFileFormatSupported(format)) {
        return eInvalidFileFormatProblem;
    }
    Document doc;
    bool existed = false;
    const int err = LoadDocument(file, format, doc, existed);
    if (err != eNoErr) {
        return err;
    }
    file.SetFormat(format);
    file.SetValid(true);
    return ListDocument(alg, file, format, doc, out, type, parse);
}

int CPresetAPI::ReadAllPresetsInfo(const CPublicAlg& alg, CPresetsFileInfo& file,
                                   std::vector<CPresetInfo*>& out, KCFourCC type) {
    return GetPresetList(alg, file, out, type, eFolderParseFull);
}

int CPresetAPI::ReadPresetInfo(const CPublicAlg& alg, CPresetInfo& preset, KCFourCC type) {
    const CPresetsFileInfo& file = preset.GetPresetsFileInfo();
    const EPresetsFormat format = FormatOf(alg, file);
    if (format == ePresetsFormatYPS) {
        std::string chunk;
        const int err = GetDataChunkFromYAMLPresetFile(alg, file, chunk);
        if (err != eNoErr) {
            return err;
        }
        const Utils::KCStConstMemObj data(chunk.data(), static_cast<unsigned int>(chunk.size()));
        return SetPresetChunk(alg, preset, data);
    }
    if (!IsFileFormatSupported(format)) {
        return eInvalidFileFormatProblem;
    }
    Document doc;
    bool existed = false;
    const int err = LoadDocument(file, format, doc, existed);
    if (err != eNoErr) {
        return err;
    }
    for (const auto* e : Entries(doc.root)) {
        if (NameIs(e, preset.GetPresetName()) && IsCompatible(alg, *e, type)) {
            CPresetInfo read;
            read.SetPresetsFileInfo(file);
            KeepListState(preset, read);
            ReadHeadersFromXML_CPresetInfo(e, read);
            const FM::KCStPath folder = FolderOf(file, format);
            ReadDataFromXML_CPresetInfo(e, read, folder.IsValid() ? &folder : nullptr);
            preset.TakeOver(read);
            return eNoErr;
        }
    }
    return ePresetInfoNotFound;
}

int CPresetAPI::WritePresetInfo(const CPublicAlg& alg, CPresetInfo& preset) {
    CPresetsFileInfo& file = preset.GetPresetsFileInfo();
    const EPresetsFormat format = FormatOf(alg, file);
    if (format == ePresetsFormatXMLText) {
        std::string text;
        const int err = WritePresetInfo_XML(preset, text);
        if (err == eNoErr) {
            file.SetFormat(format);
            file.SetText(std::move(text));
        }
        return err;
    }
    // Every file format needs a valid, unlocked, writable file, also those written elsewhere.
    if (!IsWritableFile(file)) {
        return ePresetFileProblem;
    }
    if (format != ePresetsFormatXPS) {
        return IsValidFormat(format) ? eNoErr : ePresetFileProblem;
    }
    Document doc;
    bool existed = false;
    const int err = LoadDocument(file, format, doc, existed);
    // A file that does not parse is kept as it is rather than replaced by one preset.
    if (err != eNoErr && err != eFMFileNotFound) {
        return err;
    }
    MakeFileRoot(doc);
    RemoveChildren(doc.root,
                   [&](const XML::CXMLElement* e) { return NameIs(e, preset.GetPresetName()); });
    AddEntryElement(doc.root, preset);
    std::string text;
    const int textErr = DocumentText(doc, text);
    return textErr != eNoErr ? textErr : WriteText(file, text);
}

int CPresetAPI::RemovePresetInfo(const CPublicAlg& alg, CPresetInfo& preset) {
    const CPresetsFileInfo& file = preset.GetPresetsFileInfo();
    const EPresetsFormat format = FormatOf(alg, file);
    if (file.IsValid() && file.IsLocked()) {
        return ePresetLockedProblem;
    }
    if (format != ePresetsFormatXMLText &&
        !(file.IsValid() && file.IsExist() && IsValidFormat(format) && file.GetValid())) {
        return eInvalidFileFormatProblem;
    }
    if (format != ePresetsFormatXPS && format != ePresetsFormatResource) {
        return eNoErr;
    }
    Document doc;
    bool existed = false;
    int err = LoadDocument(file, format, doc, existed);
    if (err != eNoErr) {
        return err;
    }
    MakeFileRoot(doc);
    bool first = true;
    const bool removed = RemoveChildren(doc.root, [&](const XML::CXMLElement* e) {
        const bool drop = first && NameIs(e, preset.GetPresetName());
        first = first && !drop;
        return drop;
    });
    if (!removed) {
        return ePresetInfoNotFound;
    }
    std::string text;
    err = DocumentText(doc, text);
    if (err != eNoErr) {
        return err;
    }
    return format == ePresetsFormatXPS ? WriteText(file, text) : WriteResourceText(file, text);
}

int CPresetAPI::WritePresetsDataToFile(const CPublicAlg& alg,
                                       const std::vector<CPresetInfo*>& presets,
                                       const CPresetsFileInfo& file) {
    const int check = CheckWholeFileTarget(alg, file);
    if (check != eNoErr) {
        return check;
    }
    XML::CXMLElement root("PresetXMLTree", "");
    root.AddAttrib("version", kPresetFileVersion);
    for (const auto* preset : presets) {
        if (preset != nullptr) {
            AddEntryElement(root, *preset);
        }
    }
    std::string text = kDefaultDecl;
    XML::AppendXML(text, root, false, true, 0);
    return WriteText(file, text);
}

int CPresetAPI::RewritePresetList(const CPublicAlg& alg, const std::vector<CPresetInfo*>& presets,
                                  const CPresetsFileInfo& file, KCFourCC type) {
    int err = CheckWholeFileTarget(alg, file);
    if (err != eNoErr) {
        return err;
    }
    Document doc;
    if (file.IsExist()) {
        bool existed = false;
        err = LoadDocument(file, ePresetsFormatXPS, doc, existed);
        if (err != eNoErr) {
            return err;
        }
    }
    try {
        MakeFileRoot(doc);
        // The listed entries take the places of the ones read; the rest stay where they are.
        XML::CXMLElement rebuilt(doc.root.GetName().c_str(), doc.root.GetText().c_str());
        rebuilt.SetAttribString(doc.root.GetAttribString());
        auto next = presets.begin();
        const auto takeNext = [&]() {
            while (next != presets.end() && *next == nullptr) {
                ++next;
            }
            if (next != presets.end()) {
                AddEntryElement(rebuilt, **next++);
            }
        };
        for (auto* child : doc.root.GetSubElements()) {
            if (IsListed(alg, *child, type)) {
                takeNext();
            } else {
                rebuilt.push_back(new XML::CXMLElement(std::move(*child)));
            }
        }
        while (next != presets.end()) {
            takeNext();
        }
        doc.root = std::move(rebuilt);
    } catch (const std::bad_alloc&) {
        return eMemOutOfMemory;
    }
    std::string text;
    err = DocumentText(doc, text);
    return err != eNoErr ? err : WriteText(file, text);
}

int CPresetAPI::CreatePresetFile(const FM::KCStPath& path, KTResContainerType* container) {
    XML::CXMLElement root("PresetXMLTree", "");
    root.AddAttrib("version", kPresetFileVersion);
    std::string text = kDefaultDecl;
    XML::AppendXML(text, root, false, true, 0);
    if (container != nullptr) {
        const int err = RM::AddOrReplaceResource(container, PresetsKey(), text.data(),
                                                 static_cast<unsigned int>(text.size()));
        return err != eNoErr ? err : RM::WriteResource(container, PresetsKey());
    }
    return WriteText(path, text);
}

int CPresetAPI::CreateNewPresetsFile(const CPublicAlg& alg, CPresetsFileInfo& file,
                                     const FM::KCStPath& folder) {
    const auto dialogs = GetPresetDialogs();
    FM::KCStPath chosen(folder);
    if (!dialogs.saveFile ||
        !dialogs.saveFile(alg, "Create New Preset file As:", "Save File", chosen)) {
        return eUserCanceled;
    }
    if (!FM::IsSameExtension(chosen.GetExtension().c_str(), "xps")) {
        if (const KTErr err = chosen.ExtendLeafName(".xps"); err != eNoErr) {
            return err;
        }
    }
    const int err = CreatePresetFile(chosen, nullptr);
    if (err == eNoErr) {
        file = CPresetsFileInfo(chosen, ePresetsFormatXPS, true);
    }
    return err;
}

bool CPresetAPI::GetPresetsFile(const CPublicAlg& alg, FM::KCStPath& path) {
    const auto dialogs = GetPresetDialogs();
    return dialogs.openFile && dialogs.openFile(alg, "Open", path);
}

int CPresetAPI::GetPresetNameFromUser(const CPublicAlg& alg, KCFixedStringBase& name) {
    const auto dialogs = GetPresetDialogs();
    return dialogs.presetName && dialogs.presetName(alg, name) ? eNoErr : eUserCanceled;
}

int CPresetAPI::ConvertFileToCurrFormat(const CPublicAlg& alg, CPresetsFileInfo* file) {
    if (file == nullptr) {
        return eMemNullPointer;
    }
    const EPresetsFormat format = FormatOf(alg, *file);
    if (format == ePresetsFormatLegacy1 || format == ePresetsFormatLegacy2) {
        return eDataFormatNotSupported;
    }
    if (format != ePresetsFormatXPS && format != ePresetsFormatResource) {
        return eInvalidFileFormatProblem;
    }
    Document doc;
    bool existed = false;
    const int err = LoadDocument(*file, format, doc, existed);
    if (err != eNoErr) {
        return err;
    }
    MakeFileRoot(doc);
    std::string text;
    const int textErr = DocumentText(doc, text);
    if (textErr != eNoErr) {
        return textErr;
    }
    if (format == ePresetsFormatResource) {
        return WriteResourceText(*file, text);
    }
    return WriteText(*file, text);
}

int CPresetAPI::SetPresetChunk(const CPublicAlg& /*alg*/, CPresetInfo& preset,
                               const Utils::KCStConstMemObj& chunk) {
    if (chunk.Empty()) {
        return eXMLTreeEmpty;
    }
    Document doc;
    const int err = doc.builder.BuildFromKCStMemObj(chunk);
    if (err != eNoErr) {
        return err;
    }
    const XML::CXMLElement* element = nullptr;
    if (doc.root.GetName() == "Preset") {
        element = &doc.root;
    } else if (doc.root.GetName() == "PresetXMLTree") {
        element = doc.root.SubElement("Preset");
    }
    if (element == nullptr) {
        return eXMLElementMissing;
    }
    CPresetInfo read;
    read.SetPresetsFileInfo(preset.GetPresetsFileInfo());
    KeepListState(preset, read);
    ReadHeadersFromXML_CPresetInfo(element, read);
    ReadDataFromXML_CPresetInfo(element, read, nullptr);
    preset.TakeOver(read);
    return eNoErr;
}

int CPresetAPI::WritePresetInfo_XML(const CPresetInfo& preset, std::string& out) {
    try {
        XML::CXMLElement e("Preset", "");
        WriteToXML_CPresetInfo(preset, e);
        out.clear();
        XML::AppendXML(out, e, false, true, 0);
        return eNoErr;
    } catch (const std::bad_alloc&) {
        return eMemOutOfMemory;
    }
}

int CPresetAPI::PrepareYAMLPresetString(const CPublicAlg& alg, std::string& out,
                                        const std::string& chunkData) {
    try {
        KCFixedString<7> type;
        KCFixedString<7> sub;
        KCFixedString<255> name;
        KCVersion version;
        if (alg.IsValid()) {
            type << alg.Alg().GetAlgType();
            sub << alg.Alg().GetAlgSubType();
            name = alg.Alg().GetAlgName();
            version.ReadFromString(alg.Alg().GetVersNumString().c_str());
        } else {
            type << kNoGenericType;
            sub << kNoGenericType;
        }
        YAML::Emitter emitter;
        emitter << YAML::BeginMap;
        emitter << YAML::Key << "GenericType" << YAML::Value << type.c_str();
        emitter << YAML::Key << "PluginName" << YAML::Value << name.c_str();
        emitter << YAML::Key << "PluginSubComp" << YAML::Value << sub.c_str();
        emitter << YAML::Key << "PluginVersion" << YAML::Value << version.GetString(4).c_str();
        emitter << YAML::Key << "VendorName" << YAML::Value << kVendor;
        emitter << YAML::Key << "ChunkData" << YAML::Value << YAML::Literal << chunkData;
        emitter << YAML::EndMap;
        if (!emitter.good()) {
            return ePresetFileProblem;
        }
        out.assign(emitter.c_str(), emitter.size());
        out += '\n';
        return eNoErr;
    } catch (const std::exception&) {
        return ePresetFileProblem;
    }
}

int CPresetAPI::WriteYAMLPresetFile(const FM::KCStPath& path, const std::string& text) {
    return WriteText(path, text);
}

int CPresetAPI::GetDataChunkFromYAMLPresetFile(const CPublicAlg& /*alg*/, const FM::KCStPath& path,
                                               std::string& chunkData) {
    if (!path.IsValid()) {
        return eFMIllegalPathRef;
    }
    Utils::KCStMemObj bytes;
    const KTErr err = FM::ReadFileToKCStMemObj(path.GetPathRef(), bytes);
    if (err != eNoErr) {
        return err;
    }
    try {
        const std::string text(static_cast<const char*>(bytes.ptr), bytes.Empty() ? 0 : bytes.size);
        const YAML::Node doc = YAML::Load(text);
        if (!doc.IsMap()) {
            return ePresetFileProblem;
        }
        const YAML::Node vendor = doc["VendorName"];
        if (!vendor || !vendor.IsScalar() || vendor.Scalar() != kVendor) {
            return kYPSWrongVendor;
        }
        const YAML::Node chunk = doc["ChunkData"];
        if (!chunk || !chunk.IsScalar()) {
            return ePresetFileProblem;
        }
        chunkData = chunk.Scalar();
        return eNoErr;
    } catch (const std::exception&) {
        return ePresetFileProblem;
    }
}

int CPresetAPI::ReadDefaultPresetFromFile(const CPublicAlg& alg, CPresetInfo& preset) {
    if (preset.GetPresetName().empty()) {
        preset.SetPresetName("My Default Preset");
    }
    return ReadPresetInfo(alg, preset);
}

void CPresetAPI::DisableDuplicatePresets(std::vector<CPresetInfo*>& presets) {
    std::set<std::string> seen;
    for (auto* preset : presets) {
        if (preset == nullptr || preset->IsSeperator() || preset->IsDummyTitle()) {
            continue;
        }
        if (!seen.insert(preset->GetPresetName().c_str()).second) {
            preset->SetFlag(ePresetDisabled, true);
        }
    }
}

}  // namespace kvKorvaneV10_0_3::Preset
