// The command ring on its own, the test thread acting as both producer and consumer: order,
// the full ring, and the slot of a command that is still executing.
#include "korvane/messaging/idle_command_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::kvThread {
namespace {

// Records its payload when executed; an optional hook runs first, while the command executes.
template <std::uint32_t N>
struct Command {
    using Queue = KCIdleCommandQueue<Command, N>;
    std::vector<std::string>* log = nullptr;
    std::string payload;
    void (*during)(Command& self) = nullptr;
    Queue* queue = nullptr;

    void execute() {
        if (during != nullptr) {
            during(*this);
        }
        log->push_back(payload);
    }
};

using Small = Command<8>;

TEST(IdleCommandQueue, ExecutesInOrderAndCountsWhatIsPending) {
    Small::Queue queue;
    std::vector<std::string> log;
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_EQ(queue.GetCapacity(), 8U);
    for (const char* text : {"a", "b", "c"}) {
        EXPECT_TRUE(queue.Push(Small{&log, text}));
    }
    EXPECT_FALSE(queue.IsEmpty());
    EXPECT_EQ(queue.PendingCount(), 3U);
    queue.ExecuteOne();
    EXPECT_EQ(log, (std::vector<std::string>{"a"}));
    queue.ExecuteAll();
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(queue.IsEmpty());
    queue.ExecuteOne();  // nothing pending: nothing happens
    EXPECT_EQ(log.size(), 3U);
}

TEST(IdleCommandQueue, AFullRingRefusesTheNextCommandAndKeepsTheOthers) {
    Small::Queue queue;
    std::vector<std::string> log;
    std::vector<std::string> expected;
    // Several laps, so that the slots and the pool wrap around.
    for (int lap = 0; lap < 3; ++lap) {
        for (int i = 0; i < 8; ++i) {
            const std::string text = std::to_string(lap) + ":" + std::to_string(i);
            EXPECT_TRUE(queue.Push(Small{&log, text}));
            expected.push_back(text);
        }
        EXPECT_FALSE(queue.Push(Small{&log, "one too many"}));
        EXPECT_EQ(queue.PendingCount(), 8U);
        queue.ExecuteAll();
    }
    EXPECT_EQ(log, expected);
}

TEST(IdleCommandQueue, AnExecutingCommandKeepsItsSlotUntilItReturns) {
    Small::Queue queue;
    std::vector<std::string> log;
    static int accepted = 0;
    static bool intact = false;
    accepted = 0;
    // While it executes, the first command fills the ring from inside (as a receiver that sends
    // does), then checks that none of those pushes overwrote it.
    Small first{&log, "first", [](Small& self) {
                    while (self.queue->Push(Small{self.log, "filler"})) {
                        ++accepted;
                    }
                    intact = self.payload == "first" && self.during != nullptr;
                }};
    first.queue = &queue;
    ASSERT_TRUE(queue.Push(std::move(first)));
    queue.ExecuteOne();
    EXPECT_TRUE(intact);
    // The executing command still held one of the eight slots.
    EXPECT_EQ(accepted, 7);
    EXPECT_EQ(queue.PendingCount(), 7U);
    queue.ExecuteAll();
    ASSERT_EQ(log.size(), 8U);
    EXPECT_EQ(log.front(), "first");
}

TEST(IdleCommandQueue, PendingCommandsCanBeVisitedAndDisarmed) {
    Small::Queue queue;
    std::vector<std::string> log;
    for (const char* text : {"keep", "drop", "keep too"}) {
        ASSERT_TRUE(queue.Push(Small{&log, text}));
    }
    std::vector<std::string> seen;
    std::vector<std::string> ignored;
    queue.ForEachPending([&](Small& command) {
        seen.push_back(command.payload);
        if (command.payload == "drop") {
            command.log = &ignored;
        }
    });
    EXPECT_EQ(seen, (std::vector<std::string>{"keep", "drop", "keep too"}));
    queue.ExecuteAll();
    EXPECT_EQ(log, (std::vector<std::string>{"keep", "keep too"}));
    EXPECT_EQ(ignored, (std::vector<std::string>{"drop"}));
}

TEST(IdleCommandQueue, ACopiedPushLeavesTheOriginalUntouched) {
    Small::Queue queue;
    std::vector<std::string> log;
    const Small original{&log, "copied"};
    ASSERT_TRUE(queue.Push(original));
    EXPECT_EQ(original.payload, "copied");
    queue.ExecuteAll();
    EXPECT_EQ(log, (std::vector<std::string>{"copied"}));
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::kvThread
