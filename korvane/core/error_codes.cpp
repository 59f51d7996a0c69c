// Names of the error codes and the conversions from Win32 and POSIX error numbers.
#include "korvane/core/error_codes.h"

#include <algorithm>
#include <cerrno>
#include <iterator>

namespace kvKorvaneV10_0_3 {

// The last name of each block sits where the table says: a miscount shows up here.
static_assert(eGenericErr == -1 && eNoErr == 0);
static_assert(eFMFileAllreadyExists == -1003 && eFMNoSuchVolume == -1001);
static_assert(eGenericSystemError == -2000);
static_assert(eRMResNotFound == -3000);
static_assert(eGMIncompatibleOGLVersion == -3508 && eGMIsNotInitailzed == -3500);
static_assert(eMemNewFailed == -4001);
static_assert(eXMLParserFailed == -6001);
static_assert(eSubComponentRejected == -8009 && eNotAPluginFile == -8001);
static_assert(eDuplicatePluginSpecificTag == -7959 && ePresetFileProblem == -7860);
static_assert(eCommEndOfRecievedMessage == -11001);
static_assert(eNotJobServerThread == -23001);
static_assert(eGSIllegalCommand == -20010 && eGraphTypeNotSupported == -18001);
static_assert(eRedisNotConnected == -21001);

namespace {

#define KORVANE_ERR(name) \
    KSErrorName {         \
        name, #name       \
    }

// Ascending by code, for the binary search in KTErrName.
constexpr KSErrorName kNames[] = {
    KORVANE_ERR(ePauseContextFailed),
    KORVANE_ERR(eInvalidJobContext),
    KORVANE_ERR(eActiveJobIsNull),
    KORVANE_ERR(eNotMixerBasicStructJob),
    KORVANE_ERR(eNotJobServerTrack),
    KORVANE_ERR(eNotJobServerThread),
    KORVANE_ERR(eRedisNoDataSource),
    KORVANE_ERR(eRedisConnectFailed),
    KORVANE_ERR(eRedisNotConnected),
    KORVANE_ERR(eGSMissingEnd),
    KORVANE_ERR(eGSUnbalancedClose),
    KORVANE_ERR(eGSNestingTooDeep),
    KORVANE_ERR(eGSDataOversize),
    KORVANE_ERR(eGSBadRecordSize),
    KORVANE_ERR(eGSIllegalCommand),
    KORVANE_ERR(eGraphTypeNotSupported),
    KORVANE_ERR(eWMEventNotHandled),
    KORVANE_ERR(eCommSocketDisconnected),
    KORVANE_ERR(eCommEndOfRecievedMessage),
    KORVANE_ERR(eNetShellInitFailed),
    KORVANE_ERR(ePluginGUINotCreate),
    KORVANE_ERR(ePluginAlgNotCreate),
    KORVANE_ERR(ePluginInstanceNotCreate),
    KORVANE_ERR(ePluginNotLoaded),
    KORVANE_ERR(eComponentTypeNotSupported),
    KORVANE_ERR(eStemProblem),
    KORVANE_ERR(eIncompatibleNumOfIOs),
    KORVANE_ERR(eSubComponentRejected),
    KORVANE_ERR(ePluginOpenFailed),
    KORVANE_ERR(ePluginSubComponentNotFound),
    KORVANE_ERR(eNoPluginsAvailable),
    KORVANE_ERR(eGetAvailablePluginsFailed),
    KORVANE_ERR(eNoPluginManager),
    KORVANE_ERR(eFaildToLoadPluginDLL),
    KORVANE_ERR(eNotAPluginFile),
    KORVANE_ERR(eIllegalChunkVersion),
    KORVANE_ERR(eIllegalChunkID),
    KORVANE_ERR(eIllegalChunkIndex),
    KORVANE_ERR(eCantLoadProcessFunction),
    KORVANE_ERR(eDataFormatNotSupported),
    KORVANE_ERR(eCantCreateUserPrefFile),
    KORVANE_ERR(eFactoryPresetNotFound),
    KORVANE_ERR(eLoadPresetToPlugin_vec_empty),
    KORVANE_ERR(eNoFactoryPresets),
    KORVANE_ERR(eFactoryPresetNumOutOfRange),
    KORVANE_ERR(eDeletePluginSpecifcFailed),
    KORVANE_ERR(eCreatingPopupWhereAnItemExists),
    KORVANE_ERR(eBuffSizeToSmall),
    KORVANE_ERR(ePluginSpecifcNotExisting),
    KORVANE_ERR(eDuplicatePluginSpecificTag),
    KORVANE_ERR(ePresetInfoNotFound),
    KORVANE_ERR(ePresetLockedProblem),
    KORVANE_ERR(eInvalidFileFormatProblem),
    KORVANE_ERR(ePresetFileProblem),
    KORVANE_ERR(eXMLAttribMissing),
    KORVANE_ERR(eXMLElementIncomplete),
    KORVANE_ERR(eXMLElementUninitalized),
    KORVANE_ERR(eXMLElementMissing),
    KORVANE_ERR(eXMLTreeEmpty),
    KORVANE_ERR(eXMLTreeNotValid),
    KORVANE_ERR(eXMLParserFailed),
    KORVANE_ERR(eMemOutOfMemory),
    KORVANE_ERR(eMemBadPointer),
    KORVANE_ERR(eMemAddressSpaceError),
    KORVANE_ERR(eInstanciationFailed),
    KORVANE_ERR(eMemBuffTooShort),
    KORVANE_ERR(eMemObjNotInitialized),
    KORVANE_ERR(eMemNullPointer),
    KORVANE_ERR(eMemNewTPtrFailed),
    KORVANE_ERR(eMemNewFailed),
    KORVANE_ERR(eGMWrongThread),
    KORVANE_ERR(eGMUnreleasedTextures),
    KORVANE_ERR(eGMInvalidFontDrawMethod),
    KORVANE_ERR(eGMUninitializedFont),
    KORVANE_ERR(eControlOutOfRange),
    KORVANE_ERR(eGMUninitializedContext),
    KORVANE_ERR(eGMUnsupportedImageFormat),
    KORVANE_ERR(eGMNoOGLContextSharing),
    KORVANE_ERR(eGMNoOGLContext),
    KORVANE_ERR(eGMNoPixelFormat),
    KORVANE_ERR(eGMNoDeviceContext),
    KORVANE_ERR(eGMIncompatibleOGLVersion),
    KORVANE_ERR(eGMNoColors),
    KORVANE_ERR(eGMNoVertices),
    KORVANE_ERR(eGUISkinNotFound),
    KORVANE_ERR(eGMNoCurrentContext),
    KORVANE_ERR(eGMGenericErr),
    KORVANE_ERR(eGMInvalidImage),
    KORVANE_ERR(eGMIsNotInitailzed),
    KORVANE_ERR(eRMResUpdateFailed),
    KORVANE_ERR(eRMInvalidResID),
    KORVANE_ERR(eRMAttachResContainerFailed),
    KORVANE_ERR(eRMInvalidNativeResContainer),
    KORVANE_ERR(eRMInvalidResContainer),
    KORVANE_ERR(eRMInvalidResRef),
    KORVANE_ERR(eRMResRefNotFound),
    KORVANE_ERR(eRMContainerNotFound),
    KORVANE_ERR(eRMResExists),
    KORVANE_ERR(eRMResNotFound),
    KORVANE_ERR(eBundleExecutableNotFound),
    KORVANE_ERR(eDLLNotFound),
    KORVANE_ERR(eFuncPointerNotFound),
    KORVANE_ERR(eDLLLoadingFailed),
    KORVANE_ERR(eSysNoEnvironmentVariable),
    KORVANE_ERR(eGenericSystemError),
    KORVANE_ERR(eFMTooManySymlinks),
    KORVANE_ERR(eFMTooManyOpenFiles),
    KORVANE_ERR(eFMWriteFailed),
    KORVANE_ERR(eFMMoveFailed),
    KORVANE_ERR(eFMSymlinkBroken),
    KORVANE_ERR(eFMIsNoAFileSystemLink),
    KORVANE_ERR(eFMIncompletePath),
    KORVANE_ERR(eFMPathTooShort),
    KORVANE_ERR(eFMSamePath),
    KORVANE_ERR(eFMEndOfFolder),
    KORVANE_ERR(eFMFileNotEmpty),
    KORVANE_ERR(eFMDiskFull),
    KORVANE_ERR(eFMIllegalOpenFileRef),
    KORVANE_ERR(eFMIOError),
    KORVANE_ERR(eFMPathTooLong),
    KORVANE_ERR(eFMCreateFailed),
    KORVANE_ERR(eFMDeleteFailed),
    KORVANE_ERR(eFMIsAFile),
    KORVANE_ERR(eFMIsNotAFile),
    KORVANE_ERR(eFMIsAFolder),
    KORVANE_ERR(eFMIsNotAFolder),
    KORVANE_ERR(eFMWrongParameters),
    KORVANE_ERR(eFMNoSuchSystemFolder),
    KORVANE_ERR(eFMNoSuchDomain),
    KORVANE_ERR(eFMFileSizeTooBig),
    KORVANE_ERR(eFMFileNotOpened),
    KORVANE_ERR(eFMIllegalPathRef),
    KORVANE_ERR(eFMReadFailed),
    KORVANE_ERR(eFMKTPathRefCreationFailed),
    KORVANE_ERR(eFMTranslateFileNameFailed),
    KORVANE_ERR(eFMOpenFailed),
    KORVANE_ERR(eFMBusyErr),
    KORVANE_ERR(eFMPermissionErr),
    KORVANE_ERR(eFMEndOfFile),
    KORVANE_ERR(eFMAllreadyOpenWithWritePerm),
    KORVANE_ERR(eFMFileAllreadyExists),
    KORVANE_ERR(eFMFileNotFound),
    KORVANE_ERR(eFMNoSuchVolume),
    KORVANE_ERR(eOperatingSystemNotSupported),
    KORVANE_ERR(eValueWrongSize),
    KORVANE_ERR(eValueNotFound),
    KORVANE_ERR(eFailedToLockAlg),
    KORVANE_ERR(eSessionTemplatesNotFound),
    KORVANE_ERR(eNotEmpty),
    KORVANE_ERR(eNotImplemented),
    KORVANE_ERR(eAppReturnedError),
    KORVANE_ERR(eAppTerminateFailed),
    KORVANE_ERR(eAppLaunchFailed),
    KORVANE_ERR(eWinOnlyCode),
    KORVANE_ERR(eMacOnlyCode),
    KORVANE_ERR(eOutOfRangeNumber),
    KORVANE_ERR(eGenerateHelpInfo),
    KORVANE_ERR(eSomeThingInitailzedTwice),
    KORVANE_ERR(eCoreAudioFailed),
    KORVANE_ERR(eTimeOut),
    KORVANE_ERR(eNegativeNumber),
    KORVANE_ERR(eNotJustANumber),
    KORVANE_ERR(eNotANumber),
    KORVANE_ERR(eCommandLineParameter),
    KORVANE_ERR(eDeprecated),
    KORVANE_ERR(eUninitalized),
    KORVANE_ERR(eWrongObjectState),
    KORVANE_ERR(eSomeThingNotInitailzed),
    KORVANE_ERR(eThreadSafeError),
    KORVANE_ERR(eEndianError),
    KORVANE_ERR(eExceptionErr),
    KORVANE_ERR(eUnknownErr),
    KORVANE_ERR(eUserCanceled),
    KORVANE_ERR(eGenericErr),
    KORVANE_ERR(eNoErr),
};

#undef KORVANE_ERR

constexpr bool kNamesStrictlyAscending =
    std::adjacent_find(std::begin(kNames), std::end(kNames),
                       [](const KSErrorName& a, const KSErrorName& b) {
                           return a.code >= b.code;
                       }) == std::end(kNames);
static_assert(kNamesStrictlyAscending, "kNames must be sorted for the binary search");

// Win32 "not a valid executable image" maps to a code that deliberately has no name.
constexpr KTErr kBadExecutableImage = -2012;

}  // namespace

const char* KTErrName(int code) {
    const auto* it =
        std::lower_bound(std::begin(kNames), std::end(kNames), code,
                         [](const KSErrorName& entry, int value) { return entry.code < value; });
    if (it != std::end(kNames) && it->code == code) {
        return it->name;
    }
    return "Unnamed error";
}

std::span<const KSErrorName> KTErrNames() {
    return kNames;
}

KTErr ConvertErrorWIN(int systemError) {
    switch (systemError) {
        case 0:
            return eNoErr;
        case 2:    // file not found
        case 3:    // path not found
        case 126:  // module not found
            return eFMFileNotFound;
        case 8:  // not enough memory
            return eMemOutOfMemory;
        case 14:  // out of memory
            return eMemNewFailed;
        case 183:  // already exists
            return eFMFileAllreadyExists;
        case 193:  // not a valid executable image
            return kBadExecutableImage;
        default:
            return eGenericErr;
    }
}

KTErr ConvertErrorPOSIX(int err) {
    // A table rather than a switch: some errno names may share one value on a given system.
    static constexpr struct {
        int err;
        KTErr code;
    } kMap[] = {
        {0, eNoErr},
        {ENOENT, eFMFileNotFound},
        {EEXIST, eFMFileAllreadyExists},
        {ENOMEM, eMemOutOfMemory},
        {EACCES, eFMPermissionErr},
        {EPERM, eFMPermissionErr},
        {EROFS, eFMPermissionErr},
        {ENOSPC, eFMDiskFull},
        {EDQUOT, eFMDiskFull},
        {EISDIR, eFMIsAFolder},
        {ENOTDIR, eFMIsNotAFolder},
        {EMFILE, eFMTooManyOpenFiles},
        {ENFILE, eFMTooManyOpenFiles},
        {ENAMETOOLONG, eFMPathTooLong},
        {ELOOP, eFMTooManySymlinks},
        {EBUSY, eFMBusyErr},
        {EIO, eFMIOError},
        {ENOTEMPTY, eFMFileNotEmpty},
        {EXDEV, eFMMoveFailed},
        {EBADF, eFMIllegalOpenFileRef},
        {EINVAL, eFMWrongParameters},
        {ETIMEDOUT, eTimeOut},
        {ENOSYS, eNotImplemented},
        {ENOTSUP, eNotImplemented},
        {ECANCELED, eUserCanceled},
    };
    for (const auto& entry : kMap) {
        if (entry.err == err) {
            return entry.code;
        }
    }
    return eGenericErr;
}

}  // namespace kvKorvaneV10_0_3
