// The enumerations of presets and preset files, with their numeric values.
#pragma once

namespace kvKorvaneV10_0_3::Preset {

// Bits of CPresetInfo's flag word.
enum EPresetInfoFlags : unsigned int {
    ePresetFlagNone = 0,
    ePresetReadOnly = 0x1,
    ePresetLocked = 0x2,
    ePresetDisabled = 0x4,
    ePresetSeparator = 0x8,
    ePresetDummyTitle = 0x10,
};

// Bits of a plug-in-specific record's flag word.
enum EPluginSpecificFlags : unsigned int {
    ePluginSpecificNoFlags = 0,
    ePluginSpecificLoadWithParams = 0x1,
};

// The form of a plug-in-specific record's data.
enum EPluginSpecificDataTypes : int {
    ePluginSpecificNoData = 0,
    ePluginSpecificBufferDouble = 1,
    ePluginSpecificBufferFloat = 2,
    ePluginSpecificBufferLong = 3,
    ePluginSpecificBufferString = 4,
    ePluginSpecificCompressedBase64 = 5,
    ePluginSpecificXMLObject = 6,
    ePluginSpecificCharacterData = 7,
};

// Where a preset chosen from a menu came from.
enum EMenuItemType : int {
    eMenuItemNone = 0,
    eMenuItemFactory = 1,
    eMenuItemUser = 2,
    eMenuItemUserExternal = 3,
    eMenuItemDynamic = 4,
    eMenuItemDefault = 5,
    eMenuItemClipboard = 6,
};

// Byte order conversion of numbers copied into a caller's buffer.
enum EEndianityCorrection : int {
    eNoEndianityCorrection = 0,
    eSwapBytes16 = 2,
    eSwapBytes32 = 4,
    eSwapBytes64 = 8,
};

// What the "Parameters" lists of a setup record held when it was read.
enum EPresetParametersKind : int {
    eParametersNotRead = -1,
    eParametersStates = 0,
    eParametersRealWorld = 1,
    eParametersReset = 2,
    eParametersNoData = 3,
};

// The kind of one real-world value of a setup record.
enum EPresetValueKind : int { eValueNumber = 0, eValueMissing = 1 };

// The format of a preset file.
enum EPresetsFormat : int {
    ePresetsFormatNone = 0,
    ePresetsFormatLegacy1 = 1,
    ePresetsFormatLegacy2 = 2,
    ePresetsFormatResource = 3,
    ePresetsFormatXPS = 4,
    ePresetsFormatXMLText = 5,
    ePresetsFormatYPS = 6,
};

// How much of each preset a file listing reads.
enum EFolderParseType : int {
    eFolderParseHeaders = 1,
    eFolderParseFull = 2,
};

// Which way KCPresetFileHandler shifts a run of occupied indexes.
enum EPresetMovementDirection : int { ePresetMoveDown = -1, ePresetMoveUp = 1 };

}  // namespace kvKorvaneV10_0_3::Preset
