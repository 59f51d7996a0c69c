// The control side of the exec callback before any host is connected: its defaults, and that
// nothing it offers touches a callback it does not have. Tests against the reference host are
// in host/.
#include "korvane/process/process_buffers.h"

#include "korvane/core/error_codes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace kvKorvaneV10_0_3::ProcessMemory {
namespace {

TEST(ProcessBuffers, DefaultConversionsAreFloatCoefficientsIntsAndDoubles) {
    const KSConversionTable table = DefaultConversionTable();
    unsigned char word[8] = {};
    double back = 0.0;
    EXPECT_EQ(table.doubleToCoef(0.1, word), 4);
    float asFloat = 0.0F;
    std::memcpy(&asFloat, word, sizeof asFloat);
    EXPECT_EQ(asFloat, 0.1F);
    EXPECT_EQ(table.coefToDouble(word, &back), 4);
    EXPECT_EQ(back, static_cast<double>(0.1F));
    EXPECT_EQ(table.altDoubleToCoef, table.doubleToCoef);
    EXPECT_EQ(table.altCoefToDouble, table.coefToDouble);

    std::int32_t integer = 0;
    EXPECT_EQ(table.intToProcess(-123456, word), 4);
    EXPECT_EQ(table.processToInt(word, &integer), 4);
    EXPECT_EQ(integer, -123456);
    EXPECT_EQ(table.doubleToProcess(0.1, word), 8);
    EXPECT_EQ(table.processToDouble(word, &back), 8);
    EXPECT_EQ(back, 0.1);
}

TEST(ProcessBuffers, UnconnectedBuffersRefuseEverythingWithoutACallback) {
    KCProcessBuffers pb;
    EXPECT_EQ(pb.GetExecCallBack(), nullptr);
    EXPECT_EQ(pb.Call(eSelDSPWordSize), eGenericErr);
    EXPECT_EQ(pb.GetDSPWordSize(), 4);
    EXPECT_EQ(pb.GetConversions().doubleToCoef, DefaultConversionTable().doubleToCoef);
    EXPECT_EQ(pb.GetConversions().processToDouble, DefaultConversionTable().processToDouble);

    // Marked ready, but with nobody to call: every operation fails cleanly.
    pb.SetProcessReady(true);
    pb.GetExtBuffers() = {{kXMem, 4, 0, 0, 0}};
    const double values[2] = {0.5, 0.25};
    EXPECT_EQ(pb.NewBuffer(eStatesSpace, pb.WriteOp(), 0, 0, 1, 0), nullptr);
    EXPECT_EQ(pb.PrepareStatesWriteBuffer(0, 1), nullptr);
    EXPECT_EQ(pb.InitOneState(0, std::int32_t{1}), eGenericErr);
    EXPECT_EQ(pb.InitExternalFromArray(0, values, 2), nullptr);
    EXPECT_EQ(pb.ReadVU(0, 1, std::int32_t{17}), 17);
    EXPECT_EQ(pb.ReadVU(0, 0, 0.75), 0.75);
    BUFFER_HEADER* none = nullptr;
    EXPECT_EQ(pb.SendAndFreeBuffers(none, eSelExecuteChain, true), eNoErr);
    EXPECT_EQ(pb.SendBuffers(nullptr, eSelExecuteChain), eNoErr);
}

TEST(ProcessBuffers, OperationCodesAndCoefficientImagesNeedNoHost) {
    KCProcessBuffers pb;
    EXPECT_EQ(pb.WriteOp(), 0);
    EXPECT_EQ(pb.ReadOp(), 1);
    EXPECT_EQ(pb.ReadWriteOp(), 2);
    EXPECT_EQ(pb.FourthOp(), 4);
    pb.SetMemOperationEnums(20);
    EXPECT_EQ(pb.WriteOp(), 20);
    EXPECT_EQ(pb.ReadWriteOp(), 22);
    EXPECT_EQ(pb.FourthOp(), 24);

    // Images are sized in words of the current size, for both setups and both bypass states.
    pb.SetDSPWordSize(3);
    pb.SizeCoefImages(5);
    for (const int setup : {0, 1}) {
        EXPECT_EQ(pb.CoefImage(setup, false).size(), 15U);
        EXPECT_EQ(pb.CoefImage(setup, true).size(), 15U);
    }
    pb.CoefImage(0, false)[0] = 0x11;
    pb.CoefImage(0, true)[14] = 0x22;
    pb.CopyCoefImages(0, 1);
    EXPECT_EQ(pb.CoefImage(1, false)[0], 0x11);
    EXPECT_EQ(pb.CoefImage(1, true)[14], 0x22);
    // Any setup other than 1 is setup A.
    EXPECT_EQ(&pb.CoefImage(7, true), &pb.CoefImage(0, true));
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::ProcessMemory
