// Tests of the reference host: misuse detection, posted chains, notifications and formats.
#include "host/reference_host.h"

#include "host/host_registry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace KorvaneHost {
namespace {

namespace pm = kvKorvaneV10_0_3::ProcessMemory;
using kvKorvaneV10_0_3::eNoErr;

BUFFER_HEADER* Allocate(ReferenceHost& host, int space, int operation, int offset, int count) {
    BUFFER_HEADER request;
    request.space = space;
    request.operation = operation;
    request.refcon = host.Refcon();
    request.offset = offset;
    request.count = count;
    BUFFER_HEADER* out = nullptr;
    const int err = HostExecCallBack(pm::eSelNewBuffer, host.Refcon(), &request, nullptr, &out);
    return err == eNoErr ? out : nullptr;
}

// An integer passed where the callback takes a pointer; the host never follows it.
void* Arg(std::intptr_t value) {
    return reinterpret_cast<void*>(value);  // NOLINT(performance-no-int-to-ptr)
}

int Call(ReferenceHost& host, int selector, void* a, void* b = nullptr, void* c = nullptr) {
    return HostExecCallBack(selector, host.Refcon(), a, b, c);
}

void PutInts(ReferenceHost& host, BUFFER_HEADER* buffer, std::int32_t first) {
    auto* dest = static_cast<unsigned char*>(buffer->data);
    for (int i = 0; i < buffer->count; ++i) {
        dest += host.Config().conversions.intToProcess(first + i, dest);
    }
}

// Two hosts with eight state words each; misuse of `host` must never reach `other`.
class HostMisuse : public ::testing::Test {
protected:
    void SetUp() override {
        EXPECT_EQ(host.SizeSpace(pm::eStatesSpace, 8), eNoErr);
        EXPECT_EQ(other.SizeSpace(pm::eStatesSpace, 8), eNoErr);
    }
    void TearDown() override { EXPECT_EQ(other.Misuse().Count(), 0U); }

    ReferenceHost host;
    ReferenceHost other;
};

TEST_F(HostMisuse, AFreedBufferIsRefusedAndReportedAsDoubleFreeOrUseAfterFree) {
    BUFFER_HEADER* a = Allocate(host, pm::eStatesSpace, 0, 0, 2);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(Call(host, pm::eSelFreeChain, a), eNoErr);
    EXPECT_NE(Call(host, pm::eSelFreeChain, a), eNoErr);
    EXPECT_NE(Call(host, pm::eSelExecuteChain, a), eNoErr);
    EXPECT_NE(Call(host, pm::eSelPostChain, a), eNoErr);
    EXPECT_EQ(host.Misuse().Count(MisuseKind::DoubleFree), 1U);
    EXPECT_EQ(host.Misuse().Count(MisuseKind::UseAfterFree), 2U);
    EXPECT_EQ(host.Misuse().Count(), 3U) << "the total counts every kind";
    EXPECT_EQ(host.PendingChains(), 0U);
}

TEST_F(HostMisuse, AFreshBufferNeverReusesAFreedHeadersAddress) {
    BUFFER_HEADER* a = Allocate(host, pm::eStatesSpace, 0, 0, 2);
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(Call(host, pm::eSelFreeChain, a), eNoErr);
    BUFFER_HEADER* c = Allocate(host, pm::eStatesSpace, 0, 4, 1);
    EXPECT_NE(c, a);
    EXPECT_EQ(host.QuarantinedBuffers(), 1U);
}

TEST_F(HostMisuse, AnotherHostsBufferIsRefusedAndLeftToItsHost) {
    BUFFER_HEADER* foreign = Allocate(other, pm::eStatesSpace, 0, 0, 1);
    EXPECT_NE(Call(host, pm::eSelFreeChain, foreign), eNoErr);
    EXPECT_EQ(host.Misuse().Count(MisuseKind::WrongHost), 1U);
    EXPECT_EQ(host.Misuse().Count(), 1U);
    EXPECT_EQ(other.LiveBuffers(), 1U);
    EXPECT_EQ(Call(other, pm::eSelFreeChain, foreign), eNoErr);
}

TEST_F(HostMisuse, UnknownAndNullPointersAreRefusedUnread) {
    BUFFER_HEADER stranger;  // never allocated: must not be read
    EXPECT_NE(Call(host, pm::eSelExecuteChain, &stranger), eNoErr);
    EXPECT_NE(Call(host, pm::eSelFreeChain, nullptr), eNoErr);
    EXPECT_EQ(host.Misuse().Count(MisuseKind::UnknownPointer), 1U);
    EXPECT_EQ(host.Misuse().Count(MisuseKind::NullPointer), 1U);
    EXPECT_EQ(host.Misuse().Count(), 2U);
}

// A chain whose link was freed separately is refused as a whole.
TEST_F(HostMisuse, AJoinThatWouldMakeACycleIsRefusedAndLeavesTheChain) {
    BUFFER_HEADER* b = Allocate(host, pm::eStatesSpace, 0, 2, 2);
    BUFFER_HEADER* c = Allocate(host, pm::eStatesSpace, 0, 4, 1);
    ASSERT_NE(b, nullptr);
    ASSERT_NE(c, nullptr);
    BUFFER_HEADER* joined = nullptr;
    ASSERT_EQ(Call(host, pm::eSelJoinChains, b, c, &joined), eNoErr);
    EXPECT_EQ(joined, b);
    EXPECT_NE(Call(host, pm::eSelJoinChains, b, c, &joined), eNoErr);  // c already inside
    EXPECT_NE(Call(host, pm::eSelJoinChains, b, b, &joined), eNoErr);
    EXPECT_EQ(host.Misuse().Count(MisuseKind::Cycle), 2U);
    EXPECT_EQ(host.Misuse().Count(), 2U);
    EXPECT_EQ(b->next, c);
    EXPECT_EQ(c->next, nullptr);
}

// A chain a client linked into itself by hand is refused at the first buffer it reaches again,
// whether other buffers are live beside it or the loop holds every live buffer.
TEST_F(HostMisuse, AChainLinkedIntoItselfIsRefusedAtItsFirstRepeatedBuffer) {
    BUFFER_HEADER* chain[4] = {};
    BUFFER_HEADER* spare[4] = {};
    for (int i = 0; i < 4; ++i) {
        chain[i] = Allocate(host, pm::eStatesSpace, 0, i, 1);
        spare[i] = Allocate(host, pm::eStatesSpace, 0, 4 + i, 1);
        ASSERT_NE(chain[i], nullptr);
        ASSERT_NE(spare[i], nullptr);
    }
    chain[0]->next = chain[1];  // 0 -> 1 -> 2 -> 3 -> 1
    chain[1]->next = chain[2];
    chain[2]->next = chain[3];
    chain[3]->next = chain[1];
    EXPECT_NE(Call(host, pm::eSelExecuteChain, chain[0]), eNoErr);
    EXPECT_NE(Call(host, pm::eSelPostChain, chain[0]), eNoErr);
    EXPECT_EQ(host.PendingChains(), 0U);
    for (BUFFER_HEADER* buffer : spare) {
        ASSERT_EQ(Call(host, pm::eSelFreeChain, buffer), eNoErr);
    }
    chain[3]->next = chain[0];  // every live buffer in the loop
    EXPECT_NE(Call(host, pm::eSelFreeChain, chain[0]), eNoErr);
    const auto reports = host.Misuse().All();
    ASSERT_EQ(reports.size(), 3U);
    for (const MisuseReport& report : reports) {
        EXPECT_EQ(report.kind, MisuseKind::Cycle);
    }
    EXPECT_EQ(reports[0].pointer, chain[1]);
    EXPECT_EQ(reports[1].pointer, chain[1]);
    EXPECT_EQ(reports[2].pointer, chain[0]);
    EXPECT_EQ(host.LiveBuffers(), 4U) << "a refused free frees nothing";
    chain[3]->next = nullptr;
    EXPECT_EQ(Call(host, pm::eSelFreeChain, chain[0]), eNoErr);
}

// Requests outside the sized memory, for another refcon or with unknown codes.
TEST_F(HostMisuse, BadAllocationRequestsAreRefused) {
    EXPECT_EQ(Allocate(host, pm::eStatesSpace, 0, 7, 2), nullptr);
    EXPECT_EQ(Allocate(host, 42, 0, 0, 1), nullptr);
    EXPECT_EQ(Allocate(host, pm::eStatesSpace, 3, 0, 1), nullptr);
    EXPECT_EQ(Allocate(host, pm::eStatesSpace, 0, -1, 1), nullptr);
    BUFFER_HEADER request;
    request.refcon = other.Refcon();
    request.count = 1;
    BUFFER_HEADER* out = nullptr;
    EXPECT_NE(Call(host, pm::eSelNewBuffer, &request, nullptr, &out), eNoErr);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(host.Misuse().Count(MisuseKind::BadRequest), 5U);
    EXPECT_EQ(host.Misuse().Count(), 5U);
}

TEST_F(HostMisuse, AShrunkSpaceRefusesALiveBuffersExecutionButNotItsFree) {
    BUFFER_HEADER* b = Allocate(host, pm::eStatesSpace, 0, 2, 2);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(host.SizeSpace(pm::eStatesSpace, 3), eNoErr);
    EXPECT_NE(Call(host, pm::eSelExecuteChain, b), eNoErr);
    EXPECT_EQ(host.Misuse().Count(MisuseKind::BadRequest), 1U);
    EXPECT_EQ(host.Misuse().Count(), 1U);
    EXPECT_EQ(Call(host, pm::eSelFreeChain, b), eNoErr);
    EXPECT_EQ(host.LiveBuffers(), 0U);
    EXPECT_EQ(host.QuarantinedBuffers(), 1U);
}

TEST(ReferenceHost, ACallWithAnUnknownRefconIsRefusedAndCounted) {
    const auto unknown = UnknownRefconCalls();
    EXPECT_EQ(HostExecCallBack(pm::eSelFreeChain, 0, nullptr, nullptr, nullptr),
              kvKorvaneV10_0_3::eValueNotFound);
    EXPECT_EQ(UnknownRefconCalls(), unknown + 1);
}

TEST(ReferenceHost, ExecutionReadsWritesAndExchanges) {
    ReferenceHost host(Fixed24Config());
    EXPECT_EQ(host.SizeSpace(pm::eExternalYSpace, 6), eNoErr);
    EXPECT_EQ(host.SpaceWords(pm::eExternalYSpace), 6);
    EXPECT_EQ(host.SizeSpace(7, 4), kvKorvaneV10_0_3::eOutOfRangeNumber);

    BUFFER_HEADER* write = Allocate(host, pm::eExternalYSpace, 0, 1, 3);
    PutInts(host, write, 10);
    BUFFER_HEADER* read = Allocate(host, pm::eExternalYSpace, 1, 0, 4);
    BUFFER_HEADER* chain = nullptr;
    ASSERT_EQ(Call(host, pm::eSelJoinChains, write, read, &chain), eNoErr);
    ASSERT_EQ(Call(host, pm::eSelExecuteChain, chain), eNoErr);
    // Buffers run in chain order: the read sees the write.
    const auto* bytes = static_cast<const unsigned char*>(read->data);
    EXPECT_EQ(Load24(bytes), 0);
    EXPECT_EQ(Load24(bytes + 3), 10);
    EXPECT_EQ(Load24(bytes + 9), 12);

    BUFFER_HEADER* exchange = Allocate(host, pm::eExternalYSpace, 2, 2, 1);
    PutInts(host, exchange, -5);
    ASSERT_EQ(Call(host, pm::eSelExecuteChain, exchange), eNoErr);
    EXPECT_EQ(Load24(exchange->data), 11);
    EXPECT_EQ(host.ReadInt(pm::eExternalYSpace, 2).value(), -5);
    EXPECT_FALSE(host.ReadInt(pm::eExternalYSpace, 6).has_value());
    EXPECT_FALSE(host.ReadCoefficient(0).has_value());
    Call(host, pm::eSelFreeChain, chain);
    Call(host, pm::eSelFreeChain, exchange);
    EXPECT_EQ(host.Misuse().Count(), 0U);
}

TEST(ReferenceHost, PostedChainsApplyTheirWritesAtTheNextBlock) {
    ReferenceHost host;
    EXPECT_EQ(host.SizeSpace(pm::eStatesSpace, 8), eNoErr);
    EXPECT_EQ(host.WriteInt(pm::eStatesSpace, 6, 66), eNoErr);

    BUFFER_HEADER* write = Allocate(host, pm::eStatesSpace, 0, 0, 2);
    PutInts(host, write, 1);
    BUFFER_HEADER* read = Allocate(host, pm::eStatesSpace, 1, 4, 1);
    PutInts(host, read, 99);
    BUFFER_HEADER* exchange = Allocate(host, pm::eStatesSpace, 2, 6, 1);
    PutInts(host, exchange, 5);
    BUFFER_HEADER* chain = nullptr;
    Call(host, pm::eSelJoinChains, write, read, &chain);
    Call(host, pm::eSelJoinChains, chain, exchange, &chain);
    ASSERT_EQ(Call(host, pm::eSelPostChain, chain), eNoErr);
    ASSERT_EQ(Call(host, pm::eSelFreeChain, chain), eNoErr);  // the queue holds a copy
    EXPECT_EQ(host.PendingChains(), 1U);
    EXPECT_EQ(host.ReadInt(pm::eStatesSpace, 0).value(), 0);

    BUFFER_HEADER* later = Allocate(host, pm::eStatesSpace, 0, 1, 1);
    PutInts(host, later, 20);
    Call(host, pm::eSelPostChain, later);
    Call(host, pm::eSelFreeChain, later);

    EXPECT_EQ(host.ProcessBlock(), 2);
    EXPECT_EQ(host.ReadInt(pm::eStatesSpace, 0).value(), 1);
    EXPECT_EQ(host.ReadInt(pm::eStatesSpace, 1).value(), 20);  // posting order kept
    EXPECT_EQ(host.ReadInt(pm::eStatesSpace, 4).value(), 0);   // a posted read writes nothing
    EXPECT_EQ(host.ReadInt(pm::eStatesSpace, 6).value(), 5);
    EXPECT_EQ(host.ProcessBlock(), 0);
    EXPECT_EQ(host.LiveBuffers(), 0U);
}

TEST(ReferenceHost, NotificationsAndQueriesAreLoggedWithTheirArguments) {
    HostConfig config = Float32Config();
    config.nativeShellProcess = true;
    ReferenceHost host(config);
    double state = 512.0;
    std::int32_t zeroA = 0;
    std::int32_t zeroC = 0;
    Call(host, pm::eSelAutomationValue, Arg(3), &state);
    Call(host, pm::eSelAutomationTouch, Arg(3));
    Call(host, pm::eSelAutomationRelease, Arg(3));
    Call(host, pm::eSelResetAllClip, &zeroA, nullptr, &zeroC);
    Call(host, pm::eSelShellListener, Arg(-1), Arg(2));
    Call(host, pm::eSelSideChainActivity, Arg(-1));
    Call(host, pm::eSelSetupSwitchBracket, Arg(1));
    Call(host, pm::eSelSetupSwitchBracket, nullptr);
    unsigned char flag = 0;
    EXPECT_EQ(Call(host, pm::eSelNativeShellProcess, nullptr, nullptr, &flag), eNoErr);
    EXPECT_EQ(flag, 1);
    EXPECT_NE(Call(host, pm::eSelAutomationValue, nullptr, nullptr), eNoErr);
    EXPECT_NE(Call(host, pm::eSelDSPWordSize, nullptr), eNoErr);
    EXPECT_EQ(Call(host, 99, nullptr, nullptr, &flag), kvKorvaneV10_0_3::eNotImplemented);

    EXPECT_EQ(host.Events().Selectors(),
              (std::vector<int>{16, 17, 18, 30, 36, 74, 78, 78, 82, 99}));
    const auto value = host.Events().Of(16);
    ASSERT_EQ(value.size(), 1U);
    EXPECT_EQ(value[0].a, 3);
    EXPECT_DOUBLE_EQ(value[0].value, 512.0);
    EXPECT_EQ(host.Events().Of(36)[0].a, -1);
    EXPECT_EQ(host.Events().Of(36)[0].b, 2);
    EXPECT_EQ(host.Events().Of(74)[0].a, -1);
    const auto brackets = host.Events().Of(78);
    EXPECT_EQ(brackets[0].a, 1);
    EXPECT_EQ(brackets[1].a, 0);
    EXPECT_EQ(host.Events().Of(30)[0].a, 0);
    EXPECT_EQ(host.CallCount(78), 2U);
    EXPECT_EQ(host.Misuse().Count(MisuseKind::NullPointer), 2U);
    host.Events().Clear();
    EXPECT_TRUE(host.Events().All().empty());
}

TEST(ReferenceHost, UnpairedGesturesAreMisuse) {
    ReferenceHost host;
    const auto index = [](std::intptr_t i) {
        return reinterpret_cast<void*>(i);  // NOLINT(performance-no-int-to-ptr)
    };
    EXPECT_EQ(Call(host, pm::eSelAutomationTouch, index(1)), eNoErr);
    EXPECT_EQ(Call(host, pm::eSelAutomationTouch, index(2)), eNoErr);
    EXPECT_EQ(host.OpenGestures(), (std::vector<std::int64_t>{1, 2}));
    EXPECT_NE(Call(host, pm::eSelAutomationTouch, index(1)), eNoErr) << "touched twice";
    EXPECT_EQ(Call(host, pm::eSelAutomationRelease, index(1)), eNoErr);
    EXPECT_NE(Call(host, pm::eSelAutomationRelease, index(1)), eNoErr) << "released twice";
    EXPECT_NE(Call(host, pm::eSelAutomationRelease, index(5)), eNoErr) << "never touched";
    EXPECT_EQ(host.Misuse().Count(MisuseKind::UnpairedTouch), 1U);
    EXPECT_EQ(host.Misuse().Count(MisuseKind::UnpairedRelease), 2U);
    // Index 2 is still touched when the plug-in is gone.
    EXPECT_EQ(host.CloseGestures(), 1U);
    EXPECT_EQ(host.Misuse().Count(MisuseKind::UnpairedTouch), 2U);
    EXPECT_TRUE(host.OpenGestures().empty());
    EXPECT_EQ(host.CloseGestures(), 0U);
    // Every call is still in the log, in order.
    EXPECT_EQ(host.Events().Selectors(), (std::vector<int>{17, 17, 17, 18, 18, 18}));
}

TEST(HostFormats, ConfigurationsAreConsistentAndTheFixedFormatSaturates) {
    EXPECT_TRUE(Float32Config().IsConsistent());
    EXPECT_TRUE(Fixed24Config().IsConsistent());
    HostConfig mixed = Fixed24Config();
    mixed.conversions.intToProcess = Float32Config().conversions.intToProcess;
    EXPECT_FALSE(mixed.IsConsistent());

    const KSConversionTable c = Fixed24Config().conversions;
    unsigned char word[3];
    double d = 0.0;
    std::int32_t i = 0;
    c.doubleToCoef(-0.5, word);
    EXPECT_EQ(word[0], 0x00);
    EXPECT_EQ(word[1], 0x00);
    EXPECT_EQ(word[2], 0xC0);  // little-endian 0xC00000
    c.coefToDouble(word, &d);
    EXPECT_DOUBLE_EQ(d, -0.5);
    c.doubleToCoef(std::numeric_limits<double>::infinity(), word);
    EXPECT_EQ(Load24(word), kFixed24Max);
    c.doubleToProcess(std::nan(""), word);
    EXPECT_EQ(Load24(word), 0);
    c.altDoubleToCoef(100.0, word);
    c.altCoefToDouble(word, &d);
    EXPECT_NEAR(d, 8.0, 1e-5);
    c.intToProcess(-9000000, word);
    c.processToInt(word, &i);
    EXPECT_EQ(i, kFixed24Min);
    c.intToProcess(-2, word);
    c.processToInt(word, &i);
    EXPECT_EQ(i, -2);
    EXPECT_EQ(Saturate24(0.5), 1);  // rounds half away from zero
}

}  // namespace
}  // namespace KorvaneHost
