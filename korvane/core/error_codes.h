// The library's error codes: 0 is success, negative values name a failure, grouped in blocks
// by area. Also their symbolic names and the conversions from OS error numbers.
#pragma once

#include "korvane/core/export.h"

#include <span>

namespace kvKorvaneV10_0_3 {

using KTErr = int;

// Within each block the values run consecutively upward from the first name given a value.
enum KEErrorCodes : int {
    // General
    eOperatingSystemNotSupported = -31,
    eValueWrongSize = -30,
    eValueNotFound,
    eFailedToLockAlg,
    eSessionTemplatesNotFound,
    eNotEmpty,
    eNotImplemented,
    eAppReturnedError,
    eAppTerminateFailed,
    eAppLaunchFailed,
    eWinOnlyCode,
    eMacOnlyCode,
    eOutOfRangeNumber,
    eGenerateHelpInfo,
    eSomeThingInitailzedTwice,
    eCoreAudioFailed,
    eTimeOut,
    eNegativeNumber,
    eNotJustANumber,
    eNotANumber,
    eCommandLineParameter,
    eDeprecated,
    eUninitalized,
    eWrongObjectState,
    eSomeThingNotInitailzed,
    eThreadSafeError,
    eEndianError,
    eExceptionErr,
    eUnknownErr,
    eUserCanceled,
    eGenericErr,
    eNoErr,

    // Files
    eFMTooManySymlinks = -1038,
    eFMTooManyOpenFiles,
    eFMWriteFailed,
    eFMMoveFailed,
    eFMSymlinkBroken,
    eFMIsNoAFileSystemLink,
    eFMIncompletePath,
    eFMPathTooShort,
    eFMSamePath,
    eFMEndOfFolder,
    eFMFileNotEmpty,
    eFMDiskFull,
    eFMIllegalOpenFileRef,
    eFMIOError,
    eFMPathTooLong,
    eFMCreateFailed,
    eFMDeleteFailed,
    eFMIsAFile,
    eFMIsNotAFile,
    eFMIsAFolder,
    eFMIsNotAFolder,
    eFMWrongParameters,
    eFMNoSuchSystemFolder,
    eFMNoSuchDomain,
    eFMFileSizeTooBig,
    eFMFileNotOpened,
    eFMIllegalPathRef,
    eFMReadFailed,
    eFMKTPathRefCreationFailed,
    eFMTranslateFileNameFailed,
    eFMOpenFailed,
    eFMBusyErr,
    eFMPermissionErr,
    eFMEndOfFile,
    eFMAllreadyOpenWithWritePerm,
    eFMFileAllreadyExists,
    eFMFileNotFound,
    eFMNoSuchVolume,

    // System (-2006 and -2005 are unnamed)
    eBundleExecutableNotFound = -2007,
    eDLLNotFound = -2004,
    eFuncPointerNotFound,
    eDLLLoadingFailed,
    eSysNoEnvironmentVariable,
    eGenericSystemError,

    // Resources
    eRMResUpdateFailed = -3009,
    eRMInvalidResID,
    eRMAttachResContainerFailed,
    eRMInvalidNativeResContainer,
    eRMInvalidResContainer,
    eRMInvalidResRef,
    eRMResRefNotFound,
    eRMContainerNotFound,
    eRMResExists,
    eRMResNotFound,

    // Graphics and GUI (-3507 is unnamed)
    eGMWrongThread = -3519,
    eGMUnreleasedTextures,
    eGMInvalidFontDrawMethod,
    eGMUninitializedFont,
    eControlOutOfRange,
    eGMUninitializedContext,
    eGMUnsupportedImageFormat,
    eGMNoOGLContextSharing,
    eGMNoOGLContext,
    eGMNoPixelFormat,
    eGMNoDeviceContext,
    eGMIncompatibleOGLVersion,
    eGMNoColors = -3506,
    eGMNoVertices,
    eGUISkinNotFound,
    eGMNoCurrentContext,
    eGMGenericErr,
    eGMInvalidImage,
    eGMIsNotInitailzed,

    // Memory
    eMemOutOfMemory = -4009,
    eMemBadPointer,
    eMemAddressSpaceError,
    eInstanciationFailed,
    eMemBuffTooShort,
    eMemObjNotInitialized,
    eMemNullPointer,
    eMemNewTPtrFailed,
    eMemNewFailed,

    // XML
    eXMLAttribMissing = -6007,
    eXMLElementIncomplete,
    eXMLElementUninitalized,
    eXMLElementMissing,
    eXMLTreeEmpty,
    eXMLTreeNotValid,
    eXMLParserFailed,

    // Plug-ins (-8008 is unnamed)
    ePluginGUINotCreate = -8016,
    ePluginAlgNotCreate,
    ePluginInstanceNotCreate,
    ePluginNotLoaded,
    eComponentTypeNotSupported,
    eStemProblem,
    eIncompatibleNumOfIOs,
    eSubComponentRejected,
    ePluginOpenFailed = -8007,
    ePluginSubComponentNotFound,
    eNoPluginsAvailable,
    eGetAvailablePluginsFailed,
    eNoPluginManager,
    eFaildToLoadPluginDLL,
    eNotAPluginFile,

    // Chunks and presets
    eIllegalChunkVersion = -7973,
    eIllegalChunkID,
    eIllegalChunkIndex,
    eCantLoadProcessFunction,
    eDataFormatNotSupported,
    eCantCreateUserPrefFile,
    eFactoryPresetNotFound,
    eLoadPresetToPlugin_vec_empty,
    eNoFactoryPresets,
    eFactoryPresetNumOutOfRange,
    eDeletePluginSpecifcFailed,
    eCreatingPopupWhereAnItemExists,
    eBuffSizeToSmall,
    ePluginSpecifcNotExisting,
    eDuplicatePluginSpecificTag,
    ePresetInfoNotFound = -7863,
    ePresetLockedProblem,
    eInvalidFileFormatProblem,
    ePresetFileProblem,

    // Network shell, communication, window messages
    eNetShellInitFailed = -9001,
    eCommSocketDisconnected = -11002,
    eCommEndOfRecievedMessage,
    eWMEventNotHandled = -12001,

    // Graphic stream: a malformed stream the reader refuses
    eGSMissingEnd = -20015,
    eGSUnbalancedClose,
    eGSNestingTooDeep,
    eGSDataOversize,
    eGSBadRecordSize,
    eGSIllegalCommand,

    // Graph data
    eGraphTypeNotSupported = -18001,

    // Redis connection: a text command named no data source, the connection attempt failed,
    // not connected (the state before connect and after disconnect)
    eRedisNoDataSource = -21003,
    eRedisConnectFailed,
    eRedisNotConnected,

    // Jobs
    ePauseContextFailed = -23006,
    eInvalidJobContext,
    eActiveJobIsNull,
    eNotMixerBasicStructJob,
    eNotJobServerTrack,
    eNotJobServerThread,
};

// One named code, as listed by KTErrNames().
struct KSErrorName {
    KTErr code;
    const char* name;
};

// The symbolic name of `code` (static text); "Unnamed error" for a value without a name.
KORVANE_API const char* KTErrName(int code);

// Every named code once, sorted by ascending value.
KORVANE_API std::span<const KSErrorName> KTErrNames();

// Win32 system error number to library code.
[[nodiscard]] KORVANE_API KTErr ConvertErrorWIN(int systemError);

// errno value to library code; unknown values become eGenericErr.
[[nodiscard]] KORVANE_API KTErr ConvertErrorPOSIX(int err);

}  // namespace kvKorvaneV10_0_3
