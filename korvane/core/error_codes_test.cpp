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
    ASSERT_EQ(names.size(), 172U);
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

    // Values taken from the published table, one or more per block.
    EXPECT_STREQ(KTErrName(0), "eNoErr");
    EXPECT_STREQ(KTErrName(-1), "eGenericErr");
    EXPECT_STREQ(KTErrName(-30), "eValueWrongSize");
    EXPECT_STREQ(KTErrName(-31), "eOperatingSystemNotSupported");
    EXPECT_STREQ(KTErrName(-15), "eTimeOut");
    EXPECT_STREQ(KTErrName(-1038), "eFMTooManySymlinks");
    EXPECT_STREQ(KTErrName(-1002), "eFMFileNotFound");
    EXPECT_STREQ(KTErrName(-1020), "eFMIsNotAFile");
    EXPECT_STREQ(KTErrName(-2007), "eBundleExecutableNotFound");
    EXPECT_STREQ(KTErrName(-2004), "eDLLNotFound");
    EXPECT_STREQ(KTErrName(-3005), "eRMInvalidResContainer");
    EXPECT_STREQ(KTErrName(-3515), "eControlOutOfRange");
    EXPECT_STREQ(KTErrName(-3506), "eGMNoColors");
    EXPECT_STREQ(KTErrName(-4006), "eInstanciationFailed");
    EXPECT_STREQ(KTErrName(-6004), "eXMLElementMissing");
    EXPECT_STREQ(KTErrName(-8009), "eSubComponentRejected");
    EXPECT_STREQ(KTErrName(-8007), "ePluginOpenFailed");
    EXPECT_STREQ(KTErrName(-7966), "eLoadPresetToPlugin_vec_empty");
    EXPECT_STREQ(KTErrName(-7861), "eInvalidFileFormatProblem");
    EXPECT_STREQ(KTErrName(-9001), "eNetShellInitFailed");
    EXPECT_STREQ(KTErrName(-11001), "eCommEndOfRecievedMessage");
    EXPECT_STREQ(KTErrName(-12001), "eWMEventNotHandled");
    EXPECT_STREQ(KTErrName(-23006), "ePauseContextFailed");
    EXPECT_STREQ(KTErrName(-23001), "eNotJobServerThread");
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
