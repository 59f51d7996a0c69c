// Preset::CPresetAPI: reading, writing and editing preset files (xps, yps, presets kept as a
// resource, and preset XML text held in memory) for one plug-in.
#pragma once

#include "korvane/algorithm/public_alg.h"
#include "korvane/core/export.h"
#include "korvane/core/mem_obj.h"
#include "korvane/fm/file_io.h"
#include "korvane/presets/preset_info.h"
#include "korvane/rm/res_container_type.h"
#include "korvane/xml/xml_element.h"

#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::Preset {

// yps files of another vendor.
inline constexpr KTErr kYPSWrongVendor = -7974;
// The version written into "PresetXMLTree"; a file without one reports kNoFileVersion.
inline constexpr const char* kPresetFileVersion = "2";
inline constexpr const char* kNoFileVersion = "None";
// The resource that holds presets inside a container.
inline constexpr short kPresetsResourceID = 1000;

// All static. Results are library codes (0 = success) unless stated. A handle without an
// algorithm accepts every preset as compatible. Files are written atomically: a failed or
// interrupted write leaves the previous file as it was. A file that does not parse gives its
// code and leaves the caller's data (and the file) untouched. [gui-thread] (one preset file is
// edited by one thread at a time).
class KORVANE_API CPresetAPI {
public:
    CPresetAPI() = delete;

    // By extension (xps 4, yps 6), else 3 for a resource container holding presets, else 0;
    // a description already marked as text (5) stays 5.
    static EPresetsFormat GetPresetFileFormat(const CPublicAlg& alg, const CPresetsFileInfo& file);
    // The compatible presets of the file in file order, with their headers (and their data
    // with eFolderParseFull), separators and titles; `type` ("????": the plug-in's) is the
    // generic type matched. The file's format and validity are filled in.
    static int GetPresetList(const CPublicAlg& alg, CPresetsFileInfo& file,
                             std::vector<CPresetInfo*>& out, KCFourCC type = kNoGenericType,
                             EFolderParseType parse = eFolderParseHeaders);
    // GetPresetList with every preset read fully.
    static int ReadAllPresetsInfo(const CPublicAlg& alg, CPresetsFileInfo& file,
                                  std::vector<CPresetInfo*>& out, KCFourCC type = kNoGenericType);
    // Header and data of the preset named as `preset` from its file; ePresetInfoNotFound when
    // the file has no such (compatible) preset.
    static int ReadPresetInfo(const CPublicAlg& alg, CPresetInfo& preset,
                              KCFourCC type = kNoGenericType);
    // Writes the preset into its file, replacing one of the same name; it becomes the last.
    static int WritePresetInfo(const CPublicAlg& alg, CPresetInfo& preset);
    static int RemovePresetInfo(const CPublicAlg& alg, CPresetInfo& preset);
    // The whole file from `presets` in vector order (separators and titles included). Only an
    // xps file (or a new one) is written; a container or yps file gives
    // eInvalidFileFormatProblem.
    static int WritePresetsDataToFile(const CPublicAlg& alg,
                                      const std::vector<CPresetInfo*>& presets,
                                      const CPresetsFileInfo& file);
    // As WritePresetsDataToFile, but `presets` take the places of the entries GetPresetList
    // lists for `type`; every other element (other plug-ins' presets, unknown elements) is
    // kept where it is. A file that does not parse is left alone with its code.
    static int RewritePresetList(const CPublicAlg& alg, const std::vector<CPresetInfo*>& presets,
                                 const CPresetsFileInfo& file, KCFourCC type = kNoGenericType);
    // Asks for a new file name (dialog hook) and creates an empty preset file there;
    // eUserCanceled when the dialog is cancelled.
    static int CreateNewPresetsFile(const CPublicAlg& alg, CPresetsFileInfo& file,
                                    const FM::KCStPath& folder);
    // An empty preset file (an existing one is replaced).
    static int CreatePresetFile(const FM::KCStPath& path, KTResContainerType* container = nullptr);
    // Asks for a preset file to open; false when cancelled.
    static bool GetPresetsFile(const CPublicAlg& alg, FM::KCStPath& path);
    // Asks for a preset name; eUserCanceled when cancelled.
    static int GetPresetNameFromUser(const CPublicAlg& alg, KCFixedStringBase& name);
    // Rewrites an xps file of an older version (or a resource's presets) as a version-2 xps
    // file; the legacy formats 1 and 2 give eDataFormatNotSupported.
    static int ConvertFileToCurrFormat(const CPublicAlg& alg, CPresetsFileInfo* file);
    // Header and data of `preset` from a chunk of preset XML text (its "Preset" element, at
    // the root or under "PresetXMLTree"); eXMLParserFailed leaves `preset` untouched.
    static int SetPresetChunk(const CPublicAlg& alg, CPresetInfo& preset,
                              const Utils::KCStConstMemObj& chunk);
    // The preset as XML text (a "Preset" root element).
    static int WritePresetInfo_XML(const CPresetInfo& preset, std::string& out);
    // A yps document for the plug-in holding `chunkData`.
    static int PrepareYAMLPresetString(const CPublicAlg& alg, std::string& out,
                                       const std::string& chunkData);
    static int WriteYAMLPresetFile(const FM::KCStPath& path, const std::string& text);
    // The chunk text of a yps file: kYPSWrongVendor for another vendor, ePresetFileProblem for
    // a document that is no yps map.
    static int GetDataChunkFromYAMLPresetFile(const CPublicAlg& alg, const FM::KCStPath& path,
                                              std::string& chunkData);
    // The default preset: the preset's name ("My Default Preset" when empty) read from its file.
    static int ReadDefaultPresetFromFile(const CPublicAlg& alg, CPresetInfo& preset);
    // Flags as disabled every later entry with the name of an earlier one.
    static void DisableDuplicatePresets(std::vector<CPresetInfo*>& presets);
    // Whether a "Preset" element suits the plug-in (see docs/presets.md).
    static bool IsCompatible(const CPublicAlg& alg, const XML::CXMLElement& preset,
                             KCFourCC type = kNoGenericType);

    // Observes every preset file write (see FM::WriteFileAtomically); tools and tests use it
    // to interrupt a save. [gui-thread]
    static void SetWriteProgressHook(FM::KTWriteProgress hook);

private:
    static int WriteText(const FM::KCStPath& path, const std::string& text);
};

}  // namespace kvKorvaneV10_0_3::Preset
