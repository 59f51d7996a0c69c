// Tests of the error code names and the OS error conversions.
#include "korvane/core/error_codes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <set>
#include <string>

namespace kvKorvaneV10_0_3 {
namespace {

TEST(ErrorCodes, EveryNameMapsBackToItsValue) {
    const auto names = KTErrNames();
    ASSERT_FALSE(names.empty());
    std::set<std::string> seen;
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_STREQ(KTErrName(names[i].code), names[i].name) << names[i].code;
        EXPECT_LE(names[i].code, 0);
        EXPECT_EQ(names[i].name[0], 'e') << names[i].name;
        EXPECT_TRUE(seen.insert(names[i].name).second) << "duplicate " << names[i].name;
        if (i > 0) {
            EXPECT_LT(names[i - 1].code, names[i].code);
        }
    }
}

TEST(ErrorCodes, PublishedValuesHaveTheirNames) {
    // Values taken from the published table, one or more per block.
    const struct {
        int code;
        const char* name;
    } published[] = {
        {0, "eNoErr"},
        {-1, "eGenericErr"},
        {-30, "eValueWrongSize"},
        {-31, "eOperatingSystemNotSupported"},
        {-15, "eTimeOut"},
        {-1038, "eFMTooManySymlinks"},
        {-1002, "eFMFileNotFound"},
        {-1020, "eFMIsNotAFile"},
        {-2007, "eBundleExecutableNotFound"},
        {-2004, "eDLLNotFound"},
        {-3005, "eRMInvalidResContainer"},
        {-3515, "eControlOutOfRange"},
        {-3506, "eGMNoColors"},
        {-4006, "eInstanciationFailed"},
        {-6004, "eXMLElementMissing"},
        {-8009, "eSubComponentRejected"},
        {-8007, "ePluginOpenFailed"},
        {-7966, "eLoadPresetToPlugin_vec_empty"},
        {-7861, "eInvalidFileFormatProblem"},
        {-9001, "eNetShellInitFailed"},
        {-11001, "eCommEndOfRecievedMessage"},
        {-12001, "eWMEventNotHandled"},
        {-23006, "ePauseContextFailed"},
        {-23001, "eNotJobServerThread"},
    };
    for (const auto& row : published) {
        EXPECT_STREQ(KTErrName(row.code), row.name) << row.code;
    }
}

TEST(ErrorCodes, EnumeratorsKeepTheirPublishedValues) {
    EXPECT_EQ(eFMPermissionErr, -1006);
    EXPECT_EQ(eGMNoVertices, -3505);
}

TEST(ErrorCodes, GapsAndOutsideValuesAreUnnamed) {
    for (const int code : {5, 1, -32, -1000, -1039, -2005, -2006, -2008, -2012, -3507, -3520, -4010,
                           -7958, -7864, -8008, -8017, -23007, -23000}) {
        EXPECT_STREQ(KTErrName(code), "Unnamed error") << code;
    }
}

TEST(ErrorCodes, ConvertsWin32Errors) {
    EXPECT_EQ(ConvertErrorWIN(0), eNoErr);
    EXPECT_EQ(ConvertErrorWIN(2), eFMFileNotFound);
    EXPECT_EQ(ConvertErrorWIN(3), eFMFileNotFound);
    EXPECT_EQ(ConvertErrorWIN(126), -1002);
    EXPECT_EQ(ConvertErrorWIN(8), eMemOutOfMemory);
    EXPECT_EQ(ConvertErrorWIN(14), eMemNewFailed);
    EXPECT_EQ(ConvertErrorWIN(183), eFMFileAllreadyExists);
    EXPECT_EQ(ConvertErrorWIN(193), -2012);
    EXPECT_EQ(ConvertErrorWIN(5), eGenericErr);  // access denied has no mapping of its own
    EXPECT_EQ(ConvertErrorWIN(-1), eGenericErr);
}

TEST(ErrorCodes, ConvertsPosixErrors) {
    EXPECT_EQ(ConvertErrorPOSIX(0), eNoErr);
    EXPECT_EQ(ConvertErrorPOSIX(ENOENT), eFMFileNotFound);
    EXPECT_EQ(ConvertErrorPOSIX(EEXIST), eFMFileAllreadyExists);
    EXPECT_EQ(ConvertErrorPOSIX(ENOMEM), eMemOutOfMemory);
    for (const int err : {EACCES, EPERM, EROFS}) {
        EXPECT_EQ(ConvertErrorPOSIX(err), eFMPermissionErr) << std::strerror(err);
    }
    EXPECT_EQ(ConvertErrorPOSIX(ENOSPC), eFMDiskFull);
    EXPECT_EQ(ConvertErrorPOSIX(EDQUOT), eFMDiskFull);
    EXPECT_EQ(ConvertErrorPOSIX(EISDIR), eFMIsAFolder);
    EXPECT_EQ(ConvertErrorPOSIX(ENOTDIR), eFMIsNotAFolder);
    EXPECT_EQ(ConvertErrorPOSIX(EMFILE), eFMTooManyOpenFiles);
    EXPECT_EQ(ConvertErrorPOSIX(ENFILE), eFMTooManyOpenFiles);
    EXPECT_EQ(ConvertErrorPOSIX(ENAMETOOLONG), eFMPathTooLong);
    EXPECT_EQ(ConvertErrorPOSIX(ELOOP), eFMTooManySymlinks);
    EXPECT_EQ(ConvertErrorPOSIX(EBUSY), eFMBusyErr);
    EXPECT_EQ(ConvertErrorPOSIX(EIO), eFMIOError);
    EXPECT_EQ(ConvertErrorPOSIX(ENOTEMPTY), eFMFileNotEmpty);
    EXPECT_EQ(ConvertErrorPOSIX(EXDEV), eFMMoveFailed);
    EXPECT_EQ(ConvertErrorPOSIX(EBADF), eFMIllegalOpenFileRef);
    EXPECT_EQ(ConvertErrorPOSIX(EINVAL), eFMWrongParameters);
    EXPECT_EQ(ConvertErrorPOSIX(ETIMEDOUT), eTimeOut);
    EXPECT_EQ(ConvertErrorPOSIX(ENOSYS), eNotImplemented);
    EXPECT_EQ(ConvertErrorPOSIX(ENOTSUP), eNotImplemented);
    EXPECT_EQ(ConvertErrorPOSIX(ECANCELED), eUserCanceled);
    EXPECT_EQ(ConvertErrorPOSIX(EPIPE), eGenericErr);
    EXPECT_EQ(ConvertErrorPOSIX(-5), eGenericErr);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
