// The control side of the exec callback before any host is connected: its defaults, and that
// nothing it offers touches a callback it does not have. Tests against the reference host are
// in host/.
#include "korvane/process/process_buffers.h"

#include "korvane/core/error_codes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

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

// A host whose coefficient element has any size, negative and zero included: each buffer's area
// holds exactly count elements and is followed by guard bytes no copy may reach.
struct SizedHost {
    static constexpr std::size_t kGuard = 16;
    static constexpr unsigned char kGuardByte = 0xEE;
    struct Block {
        BUFFER_HEADER header;
        std::vector<unsigned char> bytes;
        std::size_t area = 0;
    };
    static inline std::vector<std::unique_ptr<Block>> live;
    static inline DoubleToProcessFn doubleToCoef = nullptr;

    template <int N>
    static int Write(double /*value*/, void* dest) {
        if constexpr (N > 0) {
            std::memset(dest, 0, N);
        }
        return N;
    }
    static DoubleToProcessFn WriterOf(int size) {
        switch (size) {
            case 8:
                return &Write<8>;
            case 4:
                return &Write<4>;
            case 3:
                return &Write<3>;
            case 0:
                return &Write<0>;
            default:
                return &Write<-1>;
        }
    }
    static int Call(int selector, int /*refcon*/, void* a, void* /*b*/, void* c) {
        switch (selector) {
            case eSelDoubleToCoef:
                *static_cast<DoubleToProcessFn*>(c) = doubleToCoef;
                return eNoErr;
            case eSelNewBuffer: {
                auto block = std::make_unique<Block>();
                block->header = *static_cast<const BUFFER_HEADER*>(a);
                unsigned char probe[16];
                const int element = doubleToCoef(0.0, probe);
                block->area = static_cast<std::size_t>(block->header.count) *
                              static_cast<std::size_t>(std::max(element, 0));
                block->bytes.assign(block->area + kGuard, kGuardByte);
                std::fill_n(block->bytes.begin(), block->area, 0);
                block->header.data = block->bytes.data();
                *static_cast<BUFFER_HEADER**>(c) = &block->header;
                live.push_back(std::move(block));
                return eNoErr;
            }
            case eSelFreeChain:
                std::erase_if(live, [&](const auto& b) { return &b->header == a; });
                return eNoErr;
            default:
                return eGenericErr;
        }
    }
    static const Block& Of(const BUFFER_HEADER* header) {
        return **std::find_if(live.begin(), live.end(),
                              [&](const auto& b) { return &b->header == header; });
    }
};

// Per coefficient the copy takes the word size but never more than the host's element, for every
// pairing of sizes; a buffer from the stored image never reads past it either.
TEST(ProcessBuffers, CoefficientCopiesStayWithinTheElementTheWordAndTheImage) {
    for (const int element : {8, 4, 3, 0, -1}) {
        for (const int word : {8, 4, 3, 1, 0, -4}) {
            SCOPED_TRACE("element " + std::to_string(element) + ", word " + std::to_string(word));
            SizedHost::doubleToCoef = SizedHost::WriterOf(element);
            KCProcessBuffers pb;
            pb.SetExecCallBack(&SizedHost::Call, 1);
            pb.SetProcessReady(true);
            pb.SetDSPWordSize(word);
            const auto per = static_cast<std::size_t>(std::max(std::min(element, word), 0));
            const auto stride = static_cast<std::size_t>(std::max(word, 0));
            std::vector<unsigned char> source(64);
            std::iota(source.begin(), source.end(), 1);
            // Three words of image, one coefficient per word.
            std::vector<unsigned char>& image = pb.CoefImage(0, false);
            image.assign(3 * stride, 0);
            std::iota(image.begin(), image.end(), 101);

            for (const int count : {1, 2}) {
                SCOPED_TRACE("count " + std::to_string(count));
                BUFFER_HEADER* given = pb.PrepareCoefBuffer(0, count, source.data(), true);
                BUFFER_HEADER* stored = pb.PrepareCoefBufferWithBypass(1, count, true, 0);
                ASSERT_NE(given, nullptr);
                const std::size_t copied = count * per;
                for (const auto& [buffer, from] :
                     {std::pair{given, source.data()}, std::pair{stored, image.data() + stride}}) {
                    if (buffer == nullptr) {
                        continue;
                    }
                    const SizedHost::Block& block = SizedHost::Of(buffer);
                    ASSERT_LE(copied, block.area);
                    EXPECT_TRUE(std::equal(from, from + copied, block.bytes.begin()));
                    EXPECT_TRUE(std::all_of(block.bytes.begin() + copied,
                                            block.bytes.begin() + block.area,
                                            [](unsigned char b) { return b == 0; }));
                    EXPECT_TRUE(
                        std::all_of(block.bytes.begin() + block.area, block.bytes.end(),
                                    [](unsigned char b) { return b == SizedHost::kGuardByte; }));
                }
                // Words 1..2 fit the image; a negative word never does.
                EXPECT_EQ(stored != nullptr, word >= 0);
                BUFFER_HEADER* beyond = pb.PrepareCoefBufferWithBypass(2, 2, true, 0);
                EXPECT_EQ(beyond != nullptr, word == 0);
                pb.FreeBuffers(beyond);
                pb.FreeBuffers(given);
                pb.FreeBuffers(stored);
            }
            EXPECT_TRUE(SizedHost::live.empty());
        }
    }
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::ProcessMemory
