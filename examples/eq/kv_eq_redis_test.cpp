// The example EQ reporting to a real redis-server of the test's own and obeying text commands
// published on its channel: parameters by name and by index, replies to lists and channels,
// refused files and values, commands that wait for the idle call, and a server that goes away.
#include "examples/eq/kv_eq.h"

#include "examples/eq/kv_eq_test_support.h"
#include "examples/eq/kv_eq_window.h"
#include "host/reference_host.h"
#include "korvane/redis/redis_reporter.h"
#include "korvane/redis/redis_test_server.h"
#include "korvane/rm/resource_manager.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace kvKorvaneV10_0_3;
using kvexample::KvEQ;
using Redis::testing::RedisObserver;
using Redis::testing::RedisServerTest;

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::string ErrorText(int err) {
    return std::to_string(err);
}

// The fields each record holds.
const std::vector<std::string> kParamFields = {"name",
                                               "id",
                                               "time",
                                               "bDisabled",
                                               "dState",
                                               "dRealWorld",
                                               "dInitialState",
                                               "dInitialRealWorld",
                                               "dResetState",
                                               "dResetRealWorld",
                                               "ParamType",
                                               "ScaleInfo.a",
                                               "ScaleInfo.b",
                                               "ScaleInfo.c",
                                               "ScaleInfo.Quantize",
                                               "ScaleInfo.OverQuantize",
                                               "m_dvRealWorld",
                                               "m_dvState",
                                               "mLabelString",
                                               "mUnitsString",
                                               "mValueString",
                                               "ToUpdate",
                                               "m_lCurrentImageIndex",
                                               "m_lCurrentImageSubIndex",
                                               "m_pGraphData",
                                               "dMouseAcceleration",
                                               "m_scale_type",
                                               "ScaleFunc",
                                               "InverseScaleFunc",
                                               "m_nStatesNum",
                                               "m_dStateStep",
                                               "m_sDisplayFuncName",
                                               "m_svDisplayNames",
                                               "vfpMouseDeltaFunc",
                                               "m_dOriginalDragState",
                                               "m_dOriginalDragRealWorld",
                                               "m_uiBatchIndex",
                                               "m_uiControlIndex",
                                               "m_vSubViewIndexes"};
const std::vector<std::string> kAutomationFields = {"id",
                                                    "time",
                                                    "name",
                                                    "m_iLeadAutomatedParam",
                                                    "num_registered_params",
                                                    "registered_params",
                                                    "m_automationRefCon1",
                                                    "m_automationRefCon2",
                                                    "m_Touched",
                                                    "m_bMIDILearnMode",
                                                    "m_lMIDIEventType",
                                                    "m_lMIDIControlID",
                                                    "m_lMIDIGroup",
                                                    "m_lMIDIChannel",
                                                    "m_ControlSurfaceDisplay"};
const std::vector<std::string> kGUIControlFields = {"id",
                                                    "time",
                                                    "name",
                                                    "current_selection_level",
                                                    "min_selection_level",
                                                    "max_selection_level",
                                                    "selection_mod",
                                                    "m_bHidden",
                                                    "m_hoverState",
                                                    "m_lastHoverState",
                                                    "m_ulStartTime",
                                                    "m_bMeasureTime",
                                                    "m_isNoAlwaysDraw",
                                                    "m_bDisabled",
                                                    "m_bMouseOver",
                                                    "m_bInAutomationMode",
                                                    "m_bMouseUpHandledByTouch",
                                                    "m_bMouseDownHandledByTouch",
                                                    "m_offsetAtMouseUp",
                                                    "m_dNextDifState",
                                                    "m_MaxSelectionLevel",
                                                    "m_GUIControlClass",
                                                    "m_FatherControlName",
                                                    "m_acceptableCharactersForTextEntry",
                                                    "IsChild",
                                                    "CanEnterText",
                                                    "WhichParamIndexCanEnterText"};

std::vector<std::string> Sorted(std::vector<std::string> fields) {
    std::sort(fields.begin(), fields.end());
    return fields;
}

class KvEQRedis : public RedisServerTest {
protected:
    void SetUp() override {
        RedisServerTest::SetUp();
        Redis::KCKorvaneRedisReporter::set_config_file_for_new_reporters(
            Server().ConfigPath().c_str());
        kvexample::testing::OpenEQOnHost(KVEQ_MODULE, host, container, eq);
        ASSERT_FALSE(HasFatalFailure());
        reporter = dynamic_cast<Redis::KCPluginRedisReporter*>(eq->GetRedisReporter());
        ASSERT_NE(reporter, nullptr) << "the EQ did not start reporting";
        ASSERT_TRUE(
            WaitFor([this] { return reporter->client().is_listening(); }, std::chrono::seconds(5)));
        instance = reporter->instance_name();
        // The server's folder need not be a default root (TMPDIR may name another folder).
        reporter->add_path_root(Server().Folder().c_str());
    }
    void TearDown() override {
        if (eq) {
            eq->StopRedisReporting();  // as Dispose does, before the EQ's own members go
        }
        eq.reset();
        Redis::KCKorvaneRedisReporter::set_config_file_for_new_reporters("");
        EXPECT_EQ(RM::CloseResContainer(container), eNoErr);
        EXPECT_EQ(RM::Dispose(), eNoErr);
    }

    long long CommandsRun() {
        const std::string n = observer.Run({"HGET", instance, "num_text_commands"});
        return n == "(nil)" ? 0 : std::stoll(n);
    }
    // Publishes a message on the instance's channel and waits until it ran.
    void Send(const std::string& message, long long documents = 1) {
        const long long before = CommandsRun();
        ASSERT_EQ(observer.Run({"PUBLISH", instance, message}), "1");
        ASSERT_TRUE(
            WaitFor([&] { return CommandsRun() >= before + documents; }, std::chrono::seconds(5)))
            << message;
    }
    // The reply a command left at the right end of `list`.
    std::string Reply(const std::string& list) { return observer.Run({"RPOP", list}); }

    KorvaneHost::ReferenceHost host;
    KTResContainerType* container = nullptr;
    std::unique_ptr<KvEQ> eq;
    Redis::KCPluginRedisReporter* reporter = nullptr;
    std::string instance;
    RedisObserver observer{Server().Port()};
};

TEST_F(KvEQRedis, ReportsItsInstanceAndParamsByNameAndById) {
    EXPECT_EQ(observer.Run({"HGET", instance, "component_type"}), "KvEQ");
    EXPECT_EQ(observer.Run({"HGET", instance, "is chainer"}), "false");
    EXPECT_EQ(observer.Run({"HGET", instance, "alg state"}), "created");

    Send("{command: report-params, sort-by: name}");
    const unsigned int count = eq->GetNumParams();
    ASSERT_GT(count, 2U);
    std::string firstName;
    {
        const kvThread::ThreadMutexLock lock(eq->AlgLock());
        firstName = eq->GetParam(1).GetName().c_str();
    }
    const std::string byName = instance + ":params:" + firstName;
    EXPECT_EQ(observer.Run({"HGET", byName, "name"}), firstName);
    EXPECT_EQ(observer.Run({"HGET", byName, "id"}), "1");
    EXPECT_EQ(observer.Run({"EXISTS", instance + ":params:1"}), "0");

    Send("{command: report-params, sort-by: id}");
    const std::vector<std::string> fields = observer.Members({"HKEYS", instance + ":params:1"});
    EXPECT_GE(fields.size(), 22U);
    for (const char* field : {"name", "id", "time", "dState", "dRealWorld", "ParamType",
                              "ScaleInfo.a", "mValueString", "ToUpdate", "m_nStatesNum"}) {
        EXPECT_NE(std::find(fields.begin(), fields.end(), field), fields.end()) << field;
    }
    EXPECT_EQ(observer.Run({"HGET", instance + ":params:1", "name"}), firstName);
    const std::string last = instance + ":params:" + std::to_string(count - 1);
    EXPECT_EQ(observer.Run({"HGET", last, "id"}), std::to_string(count - 1));

    // The reporter's keys go with it.
    eq.reset();
    EXPECT_EQ(observer.Run({"EXISTS", last}), "0");
    EXPECT_EQ(observer.Run({"EXISTS", instance}), "0");
}

TEST_F(KvEQRedis, UnknownCommandIsPrintedAndAnswersNothing) {
    ::testing::internal::CaptureStdout();
    Send("{command: no-such-command, return-value: {list-right: kv:replies}}");
    const std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("Unknown text command: no-such-command"), std::string::npos);
    EXPECT_EQ(observer.Run({"EXISTS", "kv:replies"}), "0");
    EXPECT_EQ(observer.Run({"HGET", instance, "last_text_command_retVal"}),
              ErrorText(eValueNotFound));
}

TEST_F(KvEQRedis, ResultGoesToListRightAndIsPublished) {
    // A subscriber of the test's own on the reply channel.
    RedisObserver subscriber(Server().Port(), 5);
    ASSERT_EQ(subscriber.Run({"SUBSCRIBE", "kv:answers"}), "subscribe\nkv:answers\n1");

    Send(
        "{command: get-redis-instance-name, return-value: {list-right: kv:replies, publish: "
        "kv:answers}}");
    EXPECT_EQ(observer.Run({"LRANGE", "kv:replies", "0", "-1"}), instance);

    void* raw = nullptr;
    ASSERT_EQ(redisGetReply(subscriber.Context(), &raw), REDIS_OK);
    auto* message = static_cast<redisReply*>(raw);
    ASSERT_EQ(message->type, REDIS_REPLY_ARRAY);
    ASSERT_EQ(message->elements, 3U);
    EXPECT_EQ(Redis::testing::ReplyText(message->element[1]), "kv:answers");
    EXPECT_EQ(Redis::testing::ReplyText(message->element[2]), instance);
    freeReplyObject(message);

    // With a command id the answer says which command it belongs to.
    Send("{command: ping, return-value: {list-right: kv:replies, command-id: 42}}");
    EXPECT_EQ(Reply("kv:replies"), "{command-id: 42, result: 1}");
}

TEST_F(KvEQRedis, CommandsHelpWritesEveryHelpText) {
    Send("{command: commands-help}");
    const std::string hash = "kv:help_for_text_commands:KCPluginTextCommandHandler";
    EXPECT_EQ(observer.Run({"HGET", hash, "set-controller-value"}),
              "Set the value of a specific plugin controller.\nExample: \"{command: "
              "set-controller-value, controller: 17, value: 12.36}\"");
    EXPECT_EQ(observer.Run({"HGET", hash, "ping"}),
              "Tell the instance to increase a counter called \"ping\" in the runtime_state hash "
              "for that instance. \nExample: \"{command: ping}\"");
    EXPECT_EQ(observer.Run({"HGET", hash, "change-active-setup"}),
              "Change the active setup of the plugin to either A, B or toggle to the next "
              "one.\nExample: \"{command: change-active-setup, setup: A}\", values for setup "
              "section can be either A, B or Toggle");
    EXPECT_EQ(observer.Run({"HLEN", hash}), "24");
    // A shared hash: it outlives the instance that wrote it.
    eq.reset();
    EXPECT_EQ(observer.Run({"HLEN", hash}), "24");
}

TEST_F(KvEQRedis, PresetSavedAndLoadedInsideTheRootsOnly) {
    const std::string folder = Server().Folder() + "/presets";
    std::filesystem::create_directories(folder);
    const std::string file = folder + "/saved.xps";
    Send("{command: save-preset, output: {path: '" + file +
         "'}, return-value: {list-right: kv:replies}}");
    EXPECT_EQ(Reply("kv:replies"), "");
    ASSERT_TRUE(std::filesystem::is_regular_file(file));
    EXPECT_GT(std::filesystem::file_size(file), 0U);

    // A link in the file's place is replaced, not followed.
    const std::string outside =
        Server().Folder() + "/../korvane-redis-victim-" + std::to_string(::getpid());
    { std::ofstream(outside) << "keep"; }
    const std::string link = folder + "/link.xps";
    std::filesystem::create_symlink(outside, link);
    Send("{command: save-preset, output: {path: '" + link + "'}}");
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    {
        std::ifstream in(outside);
        std::string text;
        in >> text;
        EXPECT_EQ(text, "keep");
    }
    std::filesystem::remove(outside);

    Send("{command: load-preset, input: {path: '" + file +
         "'}, return-value: {list-right: kv:replies}}");
    EXPECT_EQ(Reply("kv:replies"), "");
    EXPECT_EQ(observer.Run({"HGET", instance, "last_text_command_retVal"}), "0");

    const std::string refused = "{error: " + ErrorText(eFMPermissionErr);
    for (const std::string& path :
         {std::string("/etc/korvane-test.xps"), Server().Folder() + "/../escape.xps",
          std::string("relative.xps")}) {
        Send("{command: save-preset, output: {path: '" + path +
             "'}, return-value: {list-right: kv:replies}}");
        EXPECT_EQ(Reply("kv:replies").rfind(refused, 0), 0U) << path;
        EXPECT_FALSE(std::filesystem::exists(path)) << path;
    }
    // A result to be written over a file outside: the command does not run at all.
    Send("{command: get-guid, return-value: {path: /etc/korvane-guid, list-right: kv:replies}}");
    EXPECT_EQ(Reply("kv:replies").rfind(refused, 0), 0U);
    EXPECT_FALSE(std::filesystem::exists("/etc/korvane-guid"));
}

TEST_F(KvEQRedis, FifoAndDeviceAreRefusedWithoutBlocking) {
    const std::string fifo = Server().Folder() + "/preset.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    Send("{command: load-preset, input: {path: '" + fifo +
         "'}, return-value: {list-right: kv:replies}}");
    EXPECT_EQ(Reply("kv:replies").rfind("{error: " + ErrorText(eFMPermissionErr), 0), 0U);
    // Writing over it is refused too.
    Send("{command: save-preset, output: {path: '" + fifo +
         "'}, return-value: {list-right: kv:replies}}");
    EXPECT_EQ(Reply("kv:replies").rfind("{error: " + ErrorText(eFMIsNotAFile), 0), 0U);
    Send(
        "{command: load-preset, input: {path: /dev/zero}, return-value: {list-right: "
        "kv:replies}}");
    EXPECT_EQ(Reply("kv:replies").rfind("{error: " + ErrorText(eFMPermissionErr), 0), 0U);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    // The thread still answers.
    Send("{command: ping, return-value: {list-right: kv:replies}}");
    EXPECT_EQ(Reply("kv:replies"), "1");
}

TEST_F(KvEQRedis, ControllerIndexAndValueAreChecked) {
    const unsigned int count = eq->GetNumParams();
    Send("{command: set-controller-value, controller: " + std::to_string(count) +
         ", value: 1, return-value: {list-right: kv:replies}}");
    EXPECT_EQ(Reply("kv:replies").rfind("{error: " + ErrorText(eOutOfRangeNumber), 0), 0U);
    Send(
        "{command: set-controller-value, controller: -1, value: 1, return-value: {list-right: "
        "kv:replies}}");
    EXPECT_EQ(Reply("kv:replies").rfind("{error: " + ErrorText(eOutOfRangeNumber), 0), 0U);

    const unsigned int gain = KvEQ::kGain;
    const double before = eq->GetParamState(gain);
    for (const char* value : {".nan", ".inf", "-.inf", "nan", "12abc"}) {
        Send("{command: set-controller-value, controller: " + std::to_string(gain) +
             ", value: " + value + ", return-value: {list-right: kv:replies}}");
        EXPECT_EQ(Reply("kv:replies").rfind("{error: " + ErrorText(eNotANumber), 0), 0U) << value;
    }
    EXPECT_EQ(eq->GetParamState(gain), before);

    // A finite value in range is set.
    Send("{command: set-controller-value, controller: " + std::to_string(gain) +
         ", value: 6.5, return-value: {list-right: kv:replies}}");
    EXPECT_EQ(Reply("kv:replies"), "");
    {
        const kvThread::ThreadMutexLock lock(eq->AlgLock());
        EXPECT_NEAR(eq->GetParam(gain).GetRealWorld(eActiveSetup), 6.5, 0.05);
    }
}

TEST_F(KvEQRedis, CallerNamedDestinationsAreNotDeletedWithTheInstance) {
    const std::string counter = observer.Run({"GET", Redis::kInstanceCounterKey});
    Send("{command: get-guid, return-value: {key: kv:someone-elses, set: kv:their-set}}");
    EXPECT_EQ(observer.Run({"EXISTS", "kv:someone-elses"}), "1");
    eq.reset();
    EXPECT_EQ(observer.Run({"EXISTS", "kv:someone-elses"}), "1");
    EXPECT_EQ(observer.Run({"EXISTS", "kv:their-set"}), "1");
    EXPECT_EQ(observer.Run({"GET", Redis::kInstanceCounterKey}), counter);
}

TEST_F(KvEQRedis, BadMessagesBecomeErrorsAndTheThreadLives) {
    Send("{command: [unclosed");
    EXPECT_EQ(observer.Run({"HGET", instance, "last_text_command_retVal"}),
              ErrorText(eExceptionErr));
    // A document whose value has the wrong YAML type.
    Send(
        "{command: set-controller-value, controller: {a: 1}, value: [1], return-value: "
        "{list-right: kv:replies}}");
    EXPECT_EQ(Reply("kv:replies").rfind("{error: ", 0), 0U);
    // Two documents in one message, each answered.
    Send(
        "{command: ping, return-value: {list-right: kv:replies}}\n---\n{command: ping, "
        "return-value: {list-right: kv:replies}}",
        2);
    EXPECT_EQ(observer.Run({"LRANGE", "kv:replies", "0", "-1"}), "1\n2");
}

TEST_F(KvEQRedis, GuiCommandsWaitForTheIdleCallWhileTheWindowIsOpen) {
    kvexample::KvEQWindow window(container);
    ASSERT_EQ(window.InitDefaultGUIWithoutImages(eq.get()), eNoErr);
    const long long before = CommandsRun();
    ASSERT_EQ(observer.Run({"PUBLISH", instance,
                            "{command: DeSelectAllControls, return-value: {list-right: "
                            "kv:replies}}"}),
              "1");
    ASSERT_TRUE(
        WaitFor([this] { return reporter->queued_command_count() == 1; }, std::chrono::seconds(5)));
    EXPECT_EQ(CommandsRun(), before);
    EXPECT_EQ(observer.Run({"EXISTS", "kv:replies"}), "0");
    eq->DoIdle(0);
    EXPECT_EQ(reporter->queued_command_count(), 0U);
    EXPECT_EQ(CommandsRun(), before + 1);
    EXPECT_EQ(Reply("kv:replies"), "");

    // The GUI controls are reported from the idle call, every field of each.
    ASSERT_EQ(observer.Run({"PUBLISH", instance, "{command: report-controls, which: gui}"}), "1");
    ASSERT_TRUE(
        WaitFor([this] { return reporter->queued_command_count() == 1; }, std::chrono::seconds(5)));
    eq->DoIdle(0);
    ASSERT_GT(window.GetNumGUIControllers(), 0U);
    EXPECT_EQ(observer.Run({"EXISTS", instance + ":gui_not_initialized"}), "0");
    const std::string first = instance + ":gui_controls:0";
    EXPECT_EQ(observer.Members({"HKEYS", first}), Sorted(kGUIControlFields));
    const KCGUIControl* control = window.GetControlPtrByIndex(0);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(observer.Run({"HGET", first, "name"}), control->GetName().c_str());
    EXPECT_EQ(observer.Run({"HGET", first, "CanEnterText"}),
              control->CanEnterText() ? "true" : "false");
    EXPECT_EQ(observer.Run({"HGET", first, "WhichParamIndexCanEnterText"}),
              std::to_string(control->WhichParamIndexCanEnterText()));
    EXPECT_EQ(observer.Run({"HGET", first, "current_selection_level"}),
              std::to_string(control->GetSelectLevel()));
    const unsigned int last = window.GetNumGUIControllers() - 1;
    EXPECT_EQ(observer.Run({"HGET", instance + ":gui_controls:" + std::to_string(last), "id"}),
              std::to_string(last));
}

TEST_F(KvEQRedis, PluginValuesAreAnsweredAndCopiedToTheOutput) {
    const auto ask = [this](const std::string& key) {
        Send("{command: plugin-value, key: '" + key + "', return-value: {list-right: kv:replies}}");
        return Reply("kv:replies");
    };
    EXPECT_EQ(ask("num_params"), std::to_string(eq->GetNumParams()));
    EXPECT_EQ(ask("active_setup"), eq->GetActiveSetup() == eSetupA ? "A" : "B");
    EXPECT_EQ(ask("params:1:name"), eq->GetParam(1).GetName().c_str());
    EXPECT_EQ(ask("params:1:value"), eq->GetParam(1).GetValueString().c_str());
    const std::string keys = ask("keys");
    for (const char* key : {"num_params", "active_setup", "params:<index>:realworld"}) {
        EXPECT_NE(keys.find(key), std::string::npos) << key;
    }
    const std::string index = std::to_string(eq->GetNumParams());
    for (const std::string& bad :
         {"params:" + index + ":name", std::string("params:x:name"), std::string("params:1")}) {
        EXPECT_EQ(ask(bad).rfind("{error: " + ErrorText(eOutOfRangeNumber), 0), 0U) << bad;
    }
    for (const std::string& unknown : {std::string("params:1:colour"), std::string("colour")}) {
        EXPECT_EQ(ask(unknown).rfind("{error: " + ErrorText(eValueNotFound), 0), 0U) << unknown;
    }
    // The value also goes to the output named.
    Send("{command: plugin-value, key: num_params, output: {key: kv:count, set: kv:counts}}");
    EXPECT_EQ(observer.Run({"GET", "kv:count"}), std::to_string(eq->GetNumParams()));
    EXPECT_EQ(observer.Run({"SMEMBERS", "kv:counts"}), std::to_string(eq->GetNumParams()));
}

TEST_F(KvEQRedis, ChainerCommandsReachTheAlgorithmFromTheIdleCall) {
    kvexample::KvEQWindow window(container);
    ASSERT_EQ(window.InitDefaultGUIWithoutImages(eq.get()), eNoErr);
    const std::vector<std::string> commands = {"add-child-plugin, slot: 1",
                                               "remove-child-plugin, slot: 1",
                                               "move-child-plugin, src_slot: 1, dst_slot: 3",
                                               "enable-child-plugin, slot: 1",
                                               "disable-child-plugin, slot: 1",
                                               "select-child-plugin, slot: 1",
                                               "hide-child-plugin, slot: 1",
                                               "toggle-offload, slot: 1"};
    for (const std::string& command : commands) {
        ASSERT_EQ(
            observer.Run({"PUBLISH", instance,
                          "{command: " + command + ", return-value: {list-right: kv:replies}}"}),
            "1");
    }
    ASSERT_TRUE(WaitFor([&] { return reporter->queued_command_count() == commands.size(); },
                        std::chrono::seconds(5)));
    eq->DoIdle(0);
    // The EQ is no chainer: the algorithm's own answer comes back for each, in order.
    for (const std::string& command : commands) {
        EXPECT_EQ(
            observer.Run({"LPOP", "kv:replies"}).rfind("{error: " + ErrorText(eNotImplemented), 0),
            0U)
            << command;
    }
}

TEST_F(KvEQRedis, GuiCommandsWithoutAWindowAreRefusedAtOnce) {
    // No window: no idle call is coming, so nothing may wait for one.
    const long long before = CommandsRun();
    for (const char* command : {"DeSelectAllControls", "record-undo", "report-controls, which: gui",
                                "select-child-plugin, slot: 1"}) {
        Send(std::string("{command: ") + command + ", return-value: {list-right: kv:replies}}");
        EXPECT_EQ(reporter->queued_command_count(), 0U) << command;
        const std::string reply = Reply("kv:replies");
        EXPECT_NE(reply.find("error: " + ErrorText(eSomeThingNotInitailzed)), std::string::npos)
            << command << ": " << reply;
        EXPECT_NE(reply.find("no GUI"), std::string::npos) << reply;
    }
    EXPECT_EQ(CommandsRun(), before + 4);
    EXPECT_EQ(observer.Run({"HGET", instance, "last_text_command_retVal"}),
              ErrorText(eSomeThingNotInitailzed));
    // The report of GUI controls still leaves its mark.
    EXPECT_EQ(observer.Run({"GET", instance + ":gui_not_initialized"}), "true");

    // Commands that need no window still run where they arrive.
    Send("{command: report-controls, which: auto, sort-by: id}");
    ASSERT_GT(eq->GetNumAutomationControllers(), 0U);
    EXPECT_EQ(observer.Run({"HGET", instance + ":automation_controls:0", "id"}), "0");

    // Once a window is open they wait for its idle call again.
    kvexample::KvEQWindow window(container);
    ASSERT_EQ(window.InitDefaultGUIWithoutImages(eq.get()), eNoErr);
    ASSERT_EQ(observer.Run({"PUBLISH", instance, "{command: DeSelectAllControls}"}), "1");
    EXPECT_TRUE(
        WaitFor([this] { return reporter->queued_command_count() == 1; }, std::chrono::seconds(5)));
    eq->DoIdle(0);
    EXPECT_EQ(reporter->queued_command_count(), 0U);
}

TEST_F(KvEQRedis, IdleQueueIsBoundedWhenTheHostNeverIdles) {
    kvexample::KvEQWindow window(container);
    ASSERT_EQ(window.InitDefaultGUIWithoutImages(eq.get()), eNoErr);
    const std::size_t limit = Redis::KCKorvaneRedisReporter::kMaxQueuedCommands;
    const std::size_t extra = 20;
    const long long before = CommandsRun();
    for (std::size_t i = 0; i < limit + extra; ++i) {
        ASSERT_EQ(observer.Run({"PUBLISH", instance,
                                "{command: DeSelectAllControls, return-value: {list-right: "
                                "kv:full}}"}),
                  "1");
    }
    // The ones past the limit are answered at once, with an error, and counted as run.
    ASSERT_TRUE(WaitFor([&] { return CommandsRun() == before + static_cast<long long>(extra); },
                        std::chrono::seconds(5)));
    EXPECT_EQ(reporter->queued_command_count(), limit);
    EXPECT_EQ(observer.Run({"LLEN", "kv:full"}), std::to_string(extra));
    EXPECT_NE(Reply("kv:full").find("error: " + ErrorText(eMemBuffTooShort)), std::string::npos);

    // The idle call empties the queue and new commands are taken again.
    eq->DoIdle(0);
    EXPECT_EQ(reporter->queued_command_count(), 0U);
    EXPECT_EQ(CommandsRun(), before + static_cast<long long>(limit + extra));
    ASSERT_EQ(observer.Run({"PUBLISH", instance, "{command: DeSelectAllControls}"}), "1");
    EXPECT_TRUE(
        WaitFor([this] { return reporter->queued_command_count() == 1; }, std::chrono::seconds(5)));
}

TEST_F(KvEQRedis, ParamAndAutomationRecordsHoldEveryField) {
    kvexample::KvEQWindow window(container);
    ASSERT_EQ(window.InitDefaultGUIWithoutImages(eq.get()), eNoErr);
    Send("{command: report-params, sort-by: id}");
    Send("{command: report-controls, which: auto, sort-by: id}");
    const unsigned int params = eq->GetNumParams();
    ASSERT_GT(params, 0U);
    bool someShown = false;
    for (unsigned int i = 0; i < params; ++i) {
        const std::string key = instance + ":params:" + std::to_string(i);
        ASSERT_EQ(observer.Members({"HKEYS", key}), Sorted(kParamFields)) << key;
        std::string names;
        std::size_t shownBy = 0;
        bool scaled = false;
        {
            const kvThread::ThreadMutexLock lock(eq->AlgLock());
            for (const auto& text : eq->GetParam(i).GetDisplayStrings()) {
                names += (names.empty() ? "" : "; ") + std::string(text.c_str());
            }
            shownBy = eq->GetParam(i).GetControllers().size();
            scaled = eq->GetParam(i).GetScaleFunc() != nullptr;
        }
        EXPECT_EQ(observer.Run({"HGET", key, "m_svDisplayNames"}), names) << key;
        EXPECT_EQ(observer.Run({"HGET", key, "m_uiControlIndex"}), std::to_string(shownBy));
        EXPECT_EQ(observer.Run({"HGET", key, "ScaleFunc"}), scaled ? "true" : "false") << key;
        someShown = someShown || shownBy > 0;
    }
    EXPECT_TRUE(someShown) << "the window shows no parameter";

    const unsigned int controls = eq->GetNumAutomationControllers();
    ASSERT_GT(controls, 0U);
    for (unsigned int i = 0; i < controls; ++i) {
        const std::string key = instance + ":automation_controls:" + std::to_string(i);
        ASSERT_EQ(observer.Members({"HKEYS", key}), Sorted(kAutomationFields)) << key;
        std::string registered;
        std::string surface;
        {
            const kvThread::ThreadMutexLock lock(eq->AlgLock());
            const KCAutomationControl* control = eq->GetAutomationControl(i);
            ASSERT_NE(control, nullptr);
            for (const auto& registration : control->GetRegistrations()) {
                registered +=
                    (registered.empty() ? "" : "; ") + std::to_string(registration.paramID);
            }
            surface = control->GetControlSurfaceDisplay().type.c_str();
        }
        EXPECT_EQ(observer.Run({"HGET", key, "registered_params"}), registered) << key;
        EXPECT_EQ(observer.Run({"HGET", key, "m_ControlSurfaceDisplay"}).rfind(surface + "; ", 0),
                  0U);
    }
}

TEST_F(KvEQRedis, ServerKilledMidReportThenBack) {
    Send("{command: report-params}");
    Server().Stop();
    const auto start = std::chrono::steady_clock::now();
    // Reports into a dead server: no hang, no crash.
    for (int i = 0; i < 3; ++i) {
        reporter->report_params("id");
        reporter->report_runtime_detail("alive", true);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_FALSE(reporter->is_connected());

    ASSERT_TRUE(Server().Start(true));
    RedisObserver again(Server().Port());
    ASSERT_EQ(reporter->connect(), eNoErr);
    const std::string renamed = reporter->instance_name();
    reporter->report_params("id");
    EXPECT_EQ(again.Run({"HGET", renamed + ":params:0", "id"}), "0");
    EXPECT_EQ(again.Run({"HGET", renamed, "component_type"}), "KvEQ");
}

}  // namespace
