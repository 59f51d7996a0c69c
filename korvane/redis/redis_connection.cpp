#include "korvane/redis/redis_connection.h"

#include "korvane/core/sleep.h"
#include "korvane/redis/platform/redis_socket.h"

#include <hiredis/hiredis.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <string_view>

namespace kvKorvaneV10_0_3::Redis {

namespace {

// The start of the message a connection publishes to stop its own subscription thread.
constexpr const char* kQuitTokenPrefix = "quit:";

// Connecting and, on the main connection, waiting for any one reply.
constexpr timeval kTimeout{1, 0};
// How long unsubscribe() waits for the thread to end on "quit" before cutting its socket.
constexpr unsigned int kQuitWaitMilliseconds = 1000;

// The connection whose subscription thread is the calling thread, if any.
thread_local const KCRedisConnection* tSubscriptionOwner = nullptr;

// Deletes in slices: one DEL with every key overflows the script's unpack above a few
// thousand keys, and then nothing is deleted at all.
constexpr const char* kDelPatternScript =
    "local keys = redis.call('KEYS', KEYS[1])  "
    "local n = 0  "
    "for i = 1, #keys, 1000 do  "
    "n = n + redis.call('DEL', unpack(keys, i, math.min(i + 999, #keys)))  "
    "end  "
    "return n";

struct ReplyDeleter {
    void operator()(redisReply* r) const {
        if (r != nullptr) {
            freeReplyObject(r);
        }
    }
};
using ReplyPtr = std::unique_ptr<redisReply, ReplyDeleter>;

bool IsText(const redisReply* r) {
    return r != nullptr && (r->type == REDIS_REPLY_STRING || r->type == REDIS_REPLY_STATUS);
}

template <typename S>
void AssignReply(S& out, const redisReply* r) {
    out.clear();
    if (IsText(r)) {
        out.assign(r->str, static_cast<unsigned int>(r->len));
    }
}

long long IntegerOf(const redisReply* r) {
    return (r != nullptr && r->type == REDIS_REPLY_INTEGER) ? r->integer : 0;
}

std::string DecimalText(long long value) {
    std::array<char, 24> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return {buffer.data(), result.ptr};
}

std::string FixedText(double value) {
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, 10);
    return result.ec == std::errc() ? std::string(buffer.data(), result.ptr) : std::string();
}

// A command with a null argument is not sent: the caller's mistake changes nothing.
bool HasNull(const std::vector<KSRedisArg>& args) {
    return std::any_of(args.begin(), args.end(), [](const KSRedisArg& a) { return a.null; });
}

redisReply* SendArgv(redisContext* context, const std::vector<KSRedisArg>& args) {
    std::vector<const char*> argv;
    std::vector<std::size_t> lengths;
    argv.reserve(args.size());
    lengths.reserve(args.size());
    for (const std::string& a : args) {
        argv.push_back(a.c_str());
        lengths.push_back(a.size());
    }
    return static_cast<redisReply*>(
        redisCommandArgv(context, static_cast<int>(argv.size()), argv.data(), lengths.data()));
}

}  // namespace

KCRedisConnection::KCRedisConnection() {
    m_commandMutex.init();
    m_subscriptionMutex.init();
    m_subContextMutex.init();
    SetError(eRedisNotConnected);
}

KCRedisConnection::~KCRedisConnection() {
    KCRedisConnection::disconnect();
}

KTErr KCRedisConnection::connect() {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    SetError(eNoErr);
    if (m_context != nullptr) {
        redisFree(m_context);
        m_context = nullptr;
    }
    m_pendingCount = 0;
    if (!IsValid()) {
        return GetError();
    }
    redisContext* context = redisConnectWithTimeout(m_host.c_str(), m_port, kTimeout);
    if (context == nullptr || context->err != 0) {
        if (context != nullptr) {
            redisFree(context);
        }
        SetError(eRedisConnectFailed);
        return eRedisConnectFailed;
    }
    // Without a read timeout a stalled server would block the owning thread for good.
    redisSetTimeout(context, kTimeout);
    m_context = context;
    if (!m_clientName.empty()) {
        command_ignore_reply({"CLIENT", "SETNAME", m_clientName.c_str()});
    }
    return eNoErr;
}

void KCRedisConnection::disconnect() {
    // Regardless of the connection's state: a thread left running would outlive the object.
    unsubscribe();
    kvThread::ThreadMutexLock lock(m_commandMutex);
    if (connected_unlocked()) {
        drain_pending_replies();
        del_all_keys();
    }
    m_pendingCount = 0;
    m_stack.clear();
    if (m_context != nullptr) {
        redisFree(m_context);
        m_context = nullptr;
    }
    SetError(eRedisNotConnected);
}

bool KCRedisConnection::is_connected() const {
    kvThread::ThreadMutexLock lock(const_cast<kvThread::ThreadMutexInited&>(m_commandMutex));
    return connected_unlocked();
}

bool KCRedisConnection::connected_unlocked() const {
    return m_context != nullptr && m_context->err == 0 && IsValid();
}

void KCRedisConnection::set_connection_details(const char* host, int port) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    m_host = host != nullptr ? host : "localhost";
    m_port = port;
}

void KCRedisConnection::get_connection_details(KCFixedStringBase& host, int& port) const {
    kvThread::ThreadMutexLock lock(const_cast<kvThread::ThreadMutexInited&>(m_commandMutex));
    host = m_host;
    port = m_port;
}

void KCRedisConnection::set_client_name(const char* name) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    m_clientName = name != nullptr ? name : "";
    if (!m_clientName.empty()) {
        command_ignore_reply({"CLIENT", "SETNAME", m_clientName.c_str()});
    }
}

void KCRedisConnection::note_context_error() {
    if (m_context != nullptr && m_context->err != 0) {
        m_pendingCount = 0;
        SetError(eRedisConnectFailed);
    }
}

void KCRedisConnection::drain_pending_replies() {
    const platform::ScopedNoSigpipe noSigpipe;
    while (m_pendingCount > 0 && connected_unlocked()) {
        void* reply = nullptr;
        if (redisGetReply(m_context, &reply) != REDIS_OK) {
            note_context_error();
            break;
        }
        freeReplyObject(reply);
        --m_pendingCount;
    }
    if (!connected_unlocked()) {
        m_pendingCount = 0;
    }
}

redisReply* KCRedisConnection::command(const KTArgs& args) {
    if (!connected_unlocked() || HasNull(args)) {
        return nullptr;
    }
    // An immediate command must read its own reply, not one still owed to a pipelined command.
    drain_pending_replies();
    if (!connected_unlocked()) {
        return nullptr;
    }
    const platform::ScopedNoSigpipe noSigpipe;
    redisReply* reply = SendArgv(m_context, args);
    if (reply == nullptr) {
        note_context_error();
    }
    return reply;
}

void KCRedisConnection::command_ignore_reply(const KTArgs& args) {
    ReplyPtr reply(command(args));
}

void KCRedisConnection::append_command(const KTArgs& args) {
    if (!connected_unlocked() || HasNull(args)) {
        return;
    }
    std::vector<const char*> argv;
    std::vector<std::size_t> lengths;
    for (const std::string& a : args) {
        argv.push_back(a.c_str());
        lengths.push_back(a.size());
    }
    if (redisAppendCommandArgv(m_context, static_cast<int>(argv.size()), argv.data(),
                               lengths.data()) == REDIS_OK) {
        ++m_pendingCount;
    } else {
        note_context_error();
    }
}

void KCRedisConnection::remember(const char* key) {
    if (m_rememberKeys && key != nullptr) {
        m_keysToDelete.insert(KTRedisKey(key));
    }
}

void KCRedisConnection::stack_args(KTArgs& args, const KTRedisStack& stack) {
    for (const auto& [key, value] : stack) {
        args.emplace_back(key.c_str(), key.length());
        args.emplace_back(value.c_str(), value.length());
    }
}

// Immediate commands.

void KCRedisConnection::set_value_now(const char* key, const char* value) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    remember(key);
    command_ignore_reply({"SET", key, value});
}

bool KCRedisConnection::set_value_if_not_exist(const char* key, const char* value, int ms) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    KTArgs args{"SET", key, value, "NX"};
    if (ms != 0) {
        args.emplace_back("PX");
        args.push_back(DecimalText(ms));
    }
    const ReplyPtr reply(command(args));
    // Nil means the key exists; an error reply set nothing either.
    const bool set = reply && reply->type == REDIS_REPLY_STATUS &&
                     std::string_view(reply->str, reply->len) == "OK";
    if (set) {
        remember(key);
    }
    return set;
}

KTRedisValue KCRedisConnection::get_value(const char* key) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    const ReplyPtr reply(command({"GET", key}));
    KTRedisValue out;
    AssignReply(out, reply.get());
    return out;
}

void KCRedisConnection::set_values_from_stack_now() {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    set_values_from_stack_now(m_stack);
}

void KCRedisConnection::set_values_from_stack_now(const KTRedisStack& stack) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    if (stack.empty()) {
        return;
    }
    KTArgs args{"MSET"};
    stack_args(args, stack);
    for (const auto& pair : stack) {
        remember(pair.first.c_str());
    }
    command_ignore_reply(args);
}

void KCRedisConnection::set_hash_item_now(const char* hash, const char* field, const char* value) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    remember(hash);
    command_ignore_reply({"HSET", hash, field, value});
}

void KCRedisConnection::set_hash_item_now_if_key_exists(const char* hash, const char* field,
                                                        const char* value) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    const ReplyPtr exists(command({"EXISTS", hash}));
    // The key is someone's already: not remembered, so a disconnect does not delete it.
    if (IntegerOf(exists.get()) > 0) {
        command_ignore_reply({"HSET", hash, field, value});
    }
}

void KCRedisConnection::set_hash_item_now_if_hash_exists(const char* hash, const char* field,
                                                         const char* value) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    if (is_type(hash, "hash")) {
        command_ignore_reply({"HSET", hash, field, value});
    }
}

void KCRedisConnection::set_hash_from_stack_now(const char* hash) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    set_hash_from_stack_now(hash, m_stack);
}

void KCRedisConnection::set_hash_from_stack_now(const char* hash, const KTRedisStack& stack) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    // HMSET without a field is an error reply; nothing to send is nothing to do.
    if (stack.empty()) {
        return;
    }
    KTArgs args{"HMSET", hash};
    stack_args(args, stack);
    remember(hash);
    command_ignore_reply(args);
}

void KCRedisConnection::get_hash(const char* hash, KTRedisHash& out) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    out.clear();
    const ReplyPtr reply(command({"HGETALL", hash}));
    if (!reply || reply->type != REDIS_REPLY_ARRAY) {
        return;
    }
    for (std::size_t i = 0; i + 1 < reply->elements; i += 2) {
        KTRedisKey field;
        KTRedisValue value;
        AssignReply(field, reply->element[i]);
        AssignReply(value, reply->element[i + 1]);
        out[field] = value;
    }
}

KTRedisValue KCRedisConnection::get_hash_value(const char* hash, const char* field) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    const ReplyPtr reply(command({"HGET", hash, field}));
    KTRedisValue out;
    AssignReply(out, reply.get());
    return out;
}

void KCRedisConnection::del_hash_item_now(const char* hash, const char* field) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    command_ignore_reply({"HDEL", hash, field});
}

bool KCRedisConnection::is_hash_key(const char* hash, const char* field) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    const ReplyPtr reply(command({"HEXISTS", hash, field}));
    return IntegerOf(reply.get()) == 1;
}

bool KCRedisConnection::set_hash_item_if_absent_now(const char* hash, const char* field,
                                                    const char* value) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    const ReplyPtr reply(command({"HSETNX", hash, field, value}));
    const bool set = IntegerOf(reply.get()) == 1;
    if (set) {
        remember(hash);
    }
    return set;
}

long long KCRedisConnection::increment_hash_value(const char* hash, const char* field,
                                                  long long by) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    const ReplyPtr reply(command({"HINCRBY", hash, field, DecimalText(by)}));
    return IntegerOf(reply.get());
}

long long KCRedisConnection::increment_value(const char* key, long long by) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    const ReplyPtr reply(command({"INCRBY", key, DecimalText(by)}));
    return IntegerOf(reply.get());
}

void KCRedisConnection::add_set_item_now(const char* set, const char* value) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    remember(set);
    command_ignore_reply({"SADD", set, value});
}

void KCRedisConnection::remove_value_from_set_now(const char* set, const char* value) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    command_ignore_reply({"SREM", set, value});
}

void KCRedisConnection::move_value_from_set_to_set_now(const char* from, const char* to,
                                                       const char* value) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    remember(to);
    command_ignore_reply({"SMOVE", from, to, value});
}

void KCRedisConnection::get_set(const char* set, std::vector<KTRedisValue>& out) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    out.clear();
    const ReplyPtr reply(command({"SMEMBERS", set}));
    if (reply && reply->type == REDIS_REPLY_ARRAY) {
        for (std::size_t i = 0; i < reply->elements; ++i) {
            AssignReply(out.emplace_back(), reply->element[i]);
        }
    }
}

void KCRedisConnection::left_push_to_list_now(const char* list, const char* value) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    remember(list);
    command_ignore_reply({"LPUSH", list, value});
}

void KCRedisConnection::right_push_to_list_now(const char* list, const char* value) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    remember(list);
    command_ignore_reply({"RPUSH", list, value});
}

KTRedisValue KCRedisConnection::left_pop_list_value(const char* list) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    const ReplyPtr reply(command({"LPOP", list}));
    KTRedisValue out;
    AssignReply(out, reply.get());
    return out;
}

KTRedisValue KCRedisConnection::right_pop_list_value(const char* list) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    const ReplyPtr reply(command({"RPOP", list}));
    KTRedisValue out;
    AssignReply(out, reply.get());
    return out;
}

void KCRedisConnection::get_list(const char* list, std::vector<KTRedisValue>& out) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    out.clear();
    const ReplyPtr reply(command({"LRANGE", list, "0", "-1"}));
    if (reply && reply->type == REDIS_REPLY_ARRAY) {
        for (std::size_t i = 0; i < reply->elements; ++i) {
            AssignReply(out.emplace_back(), reply->element[i]);
        }
    }
}

KTRedisValue KCRedisConnection::get_list_value_by_index(const char* list, long long index) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    const ReplyPtr reply(command({"LINDEX", list, DecimalText(index)}));
    KTRedisValue out;
    AssignReply(out, reply.get());
    return out;
}

void KCRedisConnection::remove_from_list_by_value_now(const char* list, const char* value,
                                                      long long count) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    command_ignore_reply({"LREM", list, DecimalText(count), value});
}

long long KCRedisConnection::publish_now(const char* channel, const char* message) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    const ReplyPtr reply(command({"PUBLISH", channel, message}));
    return (reply && reply->type == REDIS_REPLY_INTEGER) ? reply->integer : -1;
}

void KCRedisConnection::del_key_now(const char* key) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    command_ignore_reply({"DEL", key});
}

long long KCRedisConnection::del_keys_pattern_now(const char* pattern) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    const ReplyPtr reply(command({"EVAL", kDelPatternScript, "1", pattern}));
    return IntegerOf(reply.get());
}

void KCRedisConnection::get_all_keys(std::set<KTRedisKey>& out, const char* pattern) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    out.clear();
    const ReplyPtr reply(command({"KEYS", pattern}));
    if (reply && reply->type == REDIS_REPLY_ARRAY) {
        for (std::size_t i = 0; i < reply->elements; ++i) {
            KTRedisKey key;
            AssignReply(key, reply->element[i]);
            out.insert(key);
        }
    }
}

KCFixedString<15> KCRedisConnection::get_type(const char* key) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    const ReplyPtr reply(command({"TYPE", key}));
    KCFixedString<15> out("no reply");
    if (IsText(reply.get())) {
        AssignReply(out, reply.get());
    }
    return out;
}

bool KCRedisConnection::is_type(const char* key, const char* type) {
    return get_type(key).compare(type) == 0;
}

KTRedisValue KCRedisConnection::run_lua_1_params(const char* script, const char* key) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    const ReplyPtr reply(command({"EVAL", script, "1", key}));
    KTRedisValue out;
    if (reply && reply->type == REDIS_REPLY_INTEGER) {
        out = DecimalText(reply->integer).c_str();
    } else {
        AssignReply(out, reply.get());
    }
    return out;
}

KTRedisValue KCRedisConnection::run_lua_2_params(const char* script, const char* key1,
                                                 const char* key2) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    const ReplyPtr reply(command({"EVAL", script, "2", key1, key2}));
    KTRedisValue out;
    if (reply && reply->type == REDIS_REPLY_INTEGER) {
        out = DecimalText(reply->integer).c_str();
    } else {
        AssignReply(out, reply.get());
    }
    return out;
}

void KCRedisConnection::multi() {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    command_ignore_reply({"MULTI"});
}

void KCRedisConnection::exec() {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    command_ignore_reply({"EXEC"});
}

void KCRedisConnection::erase_everything() {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    command_ignore_reply({"FLUSHDB"});
}

// Pipelined commands.

void KCRedisConnection::set_value_pending(const char* key, const char* value) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    remember(key);
    append_command({"SET", key, value});
}

void KCRedisConnection::set_hash_item_pending(const char* hash, const char* field,
                                              const char* value) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    remember(hash);
    append_command({"HSET", hash, field, value});
}

void KCRedisConnection::set_hash_from_stack_pending(const char* hash) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    set_hash_from_stack_pending(hash, m_stack);
}

void KCRedisConnection::set_hash_from_stack_pending(const char* hash, const KTRedisStack& stack) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    if (stack.empty()) {
        return;
    }
    KTArgs args{"HMSET", hash};
    stack_args(args, stack);
    remember(hash);
    append_command(args);
}

void KCRedisConnection::del_hash_item_pending(const char* hash, const char* field) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    append_command({"HDEL", hash, field});
}

void KCRedisConnection::del_key_pending(const char* key) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    append_command({"DEL", key});
}

void KCRedisConnection::add_set_item_pending(const char* set, const char* value) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    remember(set);
    append_command({"SADD", set, value});
}

void KCRedisConnection::remove_value_from_set_pending(const char* set, const char* value) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    append_command({"SREM", set, value});
}

void KCRedisConnection::move_value_from_set_to_set_pending(const char* from, const char* to,
                                                           const char* value) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    remember(to);
    append_command({"SMOVE", from, to, value});
}

void KCRedisConnection::left_push_to_list_pending(const char* list, const char* value) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    remember(list);
    append_command({"LPUSH", list, value});
}

void KCRedisConnection::right_push_to_list_pending(const char* list, const char* value) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    remember(list);
    append_command({"RPUSH", list, value});
}

void KCRedisConnection::publish_pending(const char* channel, const char* message) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    append_command({"PUBLISH", channel, message});
}

void KCRedisConnection::commit_pending_commands() {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    drain_pending_replies();
    m_stack.clear();
}

// The stack.

void KCRedisConnection::append_key_value_to_stack(KTRedisStack& stack, const char* key,
                                                  const char* value) {
    stack.emplace_back(KTRedisKey(key), KTRedisValue(value != nullptr ? value : ""));
}

void KCRedisConnection::append_key_value_to_stack(KTRedisStack& stack, const char* key,
                                                  const KCFixedStringBase& value) {
    append_key_value_to_stack(stack, key, value.c_str());
}

void KCRedisConnection::append_key_value_to_stack(KTRedisStack& stack, const char* key,
                                                  double value) {
    append_key_value_to_stack(stack, key, FixedText(value).c_str());
}

void KCRedisConnection::append_key_value_to_stack(KTRedisStack& stack, const char* key,
                                                  long long value) {
    append_key_value_to_stack(stack, key, DecimalText(value).c_str());
}

void KCRedisConnection::append_key_value_to_stack(KTRedisStack& stack, const char* key,
                                                  bool value) {
    append_key_value_to_stack(stack, key, value ? "true" : "false");
}

void KCRedisConnection::append_key_hex_value_to_stack(KTRedisStack& stack, const char* key,
                                                      long long value) {
    KCFixedString<31> text("0x");
    std::array<unsigned char, sizeof value> bytes{};
    std::memcpy(bytes.data(), &value, sizeof value);
    text.append_hex_binary(bytes.data(), static_cast<unsigned int>(bytes.size()));
    append_key_value_to_stack(stack, key, text.c_str());
}

void KCRedisConnection::append_key_value_to_stack(const char* key, const char* value) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    append_key_value_to_stack(m_stack, key, value);
}

void KCRedisConnection::append_key_value_to_stack(const char* key, const KCFixedStringBase& value) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    append_key_value_to_stack(m_stack, key, value);
}

void KCRedisConnection::append_key_value_to_stack(const char* key, double value) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    append_key_value_to_stack(m_stack, key, value);
}

void KCRedisConnection::append_key_value_to_stack(const char* key, long long value) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    append_key_value_to_stack(m_stack, key, value);
}

void KCRedisConnection::append_key_value_to_stack(const char* key, bool value) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    append_key_value_to_stack(m_stack, key, value);
}

void KCRedisConnection::append_key_hex_value_to_stack(const char* key, long long value) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    append_key_hex_value_to_stack(m_stack, key, value);
}

void KCRedisConnection::clear_stack() {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    m_stack.clear();
}

// Key bookkeeping.

unsigned int KCRedisConnection::pending_count() const {
    kvThread::ThreadMutexLock lock(const_cast<kvThread::ThreadMutexInited&>(m_commandMutex));
    return m_pendingCount;
}

void KCRedisConnection::set_remember_keys(bool remember) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    m_rememberKeys = remember;
}

bool KCRedisConnection::remember_keys() const {
    kvThread::ThreadMutexLock lock(const_cast<kvThread::ThreadMutexInited&>(m_commandMutex));
    return m_rememberKeys;
}

void KCRedisConnection::remove_from_keys_to_delete(const char* key) {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    m_keysToDelete.erase(KTRedisKey(key));
}

bool KCRedisConnection::is_key_to_delete(const char* key) const {
    kvThread::ThreadMutexLock lock(const_cast<kvThread::ThreadMutexInited&>(m_commandMutex));
    return m_keysToDelete.count(KTRedisKey(key)) != 0;
}

std::size_t KCRedisConnection::keys_to_delete_count() const {
    kvThread::ThreadMutexLock lock(const_cast<kvThread::ThreadMutexInited&>(m_commandMutex));
    return m_keysToDelete.size();
}

void KCRedisConnection::del_all_keys() {
    kvThread::ThreadMutexLock lock(m_commandMutex);
    // DEL without a key is an error reply.
    if (m_keysToDelete.empty()) {
        return;
    }
    KTArgs args{"DEL"};
    for (const KTRedisKey& key : m_keysToDelete) {
        args.emplace_back(key.c_str(), key.length());
    }
    command_ignore_reply(args);
    m_keysToDelete.clear();
}

// Subscription.

bool KCRedisConnection::subscribe(const char* channel, KTRedisMessageCallback callback,
                                  void* context) {
    if (tSubscriptionOwner == this || channel == nullptr || callback == nullptr) {
        return false;
    }
    kvThread::ThreadMutexLock lock(m_subscriptionMutex);
    if (m_subscribed.load()) {
        return false;
    }
    // A subscription that ended on its own still has its thread to join.
    if (m_thread != kvThread::kNullThreadHandle) {
        (void)kvThread::JoinThread(m_thread);
        m_thread = kvThread::kNullThreadHandle;
    }
    {
        kvThread::ThreadMutexLock commandLock(m_commandMutex);
        m_subHost = m_host;
        m_subPort = m_port;
    }
    m_channel = channel;
    {
        // Unique among the connections of every process on the server.
        static std::atomic<unsigned long long> subscriptions{0};
        std::random_device random;
        m_quitToken = std::string(kQuitTokenPrefix) + std::to_string(random()) + "." +
                      std::to_string(random()) + "." + std::to_string(++subscriptions);
    }
    m_callback = callback;
    m_callbackContext = context;
    m_stopRequested = false;
    // Active from here on, so an unsubscribe() right after this returns stops the thread.
    m_subscribed = true;
    m_threadRunning = true;
    if (kvThread::StartThread(&KCRedisConnection::subscription_entry, this,
                              kvThread::eThreadPriorityNormal, m_thread) != eNoErr) {
        m_thread = kvThread::kNullThreadHandle;
        m_threadRunning = false;
        m_subscribed = false;
        return false;
    }
    return true;
}

void KCRedisConnection::unsubscribe() {
    if (tSubscriptionOwner == this) {
        // From the callback: the thread cannot wait for itself; it ends after the callback.
        m_stopRequested = true;
        return;
    }
    kvThread::ThreadMutexLock lock(m_subscriptionMutex);
    stop_subscription_thread();
}

void KCRedisConnection::stop_subscription_thread() {
    if (m_thread == kvThread::kNullThreadHandle) {
        return;
    }
    // Seen by a thread that has not subscribed yet, which then never starts listening.
    m_stopRequested = true;
    if (m_threadRunning.load()) {
        const long long receivers = publish_now(m_channel.c_str(), m_quitToken.c_str());
        if (receivers > 0) {
            for (unsigned int waited = 0; waited < kQuitWaitMilliseconds && m_threadRunning.load();
                 ++waited) {
                kvThread::sleep_milliseconds(1);
            }
        }
        if (m_threadRunning.load()) {
            // Not heard or not answered: cutting the socket ends a blocked read at once.
            kvThread::ThreadMutexLock subLock(m_subContextMutex);
            if (m_subContext != nullptr) {
                platform::ShutdownSocket(m_subContext->fd);
            }
        }
    }
    (void)kvThread::JoinThread(m_thread);
    m_thread = kvThread::kNullThreadHandle;
    m_subscribed = false;
}

void KCRedisConnection::subscription_entry(void* self) {
    static_cast<KCRedisConnection*>(self)->subscription_loop();
}

void KCRedisConnection::mark_subscribed_field(const char* value) {
    // The main connection may be busy with its owner, who may be waiting for this thread to
    // end: give up once asked to stop rather than wait for the lock.
    for (;;) {
        if (m_commandMutex.tryobtain()) {
            // An update of a hash someone else made: not one of this connection's keys.
            if (is_type(m_channel.c_str(), "hash")) {
                command_ignore_reply({"HSET", m_channel.c_str(), "subscribed", value});
            }
            m_commandMutex.release();
            return;
        }
        if (m_stopRequested.load()) {
            return;
        }
        kvThread::sleep_milliseconds(1);
    }
}

void KCRedisConnection::subscription_loop() {
    tSubscriptionOwner = this;
    // Its socket may be shut down under it by unsubscribe().
    const platform::ScopedNoSigpipe noSigpipe;
    (void)kvThread::SetThreadName(kvThread::GetCurrentThreadHandle(), m_channel.c_str());

    redisContext* sub = redisConnectWithTimeout(m_subHost.c_str(), m_subPort, kTimeout);
    bool ok = sub != nullptr && sub->err == 0;
    if (ok) {
        // Messages may be hours apart: no read timeout on the subscriber.
        redisSetTimeout(sub, timeval{0, 0});
    }
    {
        kvThread::ThreadMutexLock subLock(m_subContextMutex);
        if (ok && !m_stopRequested.load()) {
            m_subContext = sub;
        } else {
            ok = false;
        }
    }
    const std::string channel(m_channel.c_str());
    if (ok) {
        ReplyPtr named(SendArgv(sub, {"CLIENT", "SETNAME", channel}));
        ReplyPtr subscribed(SendArgv(sub, {"SUBSCRIBE", channel}));
        ok = subscribed && subscribed->type == REDIS_REPLY_ARRAY;
    }
    // A stop asked for before the server confirmed the subscription sent its "quit" to
    // nobody: it is seen here instead.
    if (ok && !m_stopRequested.load()) {
        m_listening = true;
        mark_subscribed_field(channel.c_str());
        bool keep = true;
        while (keep && !m_stopRequested.load()) {
            void* raw = nullptr;
            if (redisGetReply(sub, &raw) != REDIS_OK) {
                break;
            }
            const ReplyPtr reply(static_cast<redisReply*>(raw));
            if (reply->type != REDIS_REPLY_ARRAY || reply->elements < 3 ||
                !IsText(reply->element[1]) || !IsText(reply->element[2])) {
                continue;
            }
            const std::string from(reply->element[1]->str, reply->element[1]->len);
            const std::string message(reply->element[2]->str, reply->element[2]->len);
            if (message == "quit") {
                keep = from != channel;
            } else if (message.starts_with(kQuitTokenPrefix)) {
                // Another connection stopping its own thread on this channel, or this one's.
                keep = message != m_quitToken;
            } else {
                keep = m_callback(from.c_str(), message.c_str(), m_callbackContext);
            }
        }
        m_listening = false;
    }
    if (sub != nullptr && sub->err == 0 && ok) {
        ReplyPtr unsubscribed(SendArgv(sub, {"UNSUBSCRIBE", channel}));
    }
    {
        kvThread::ThreadMutexLock subLock(m_subContextMutex);
        m_subContext = nullptr;
    }
    if (sub != nullptr) {
        redisFree(sub);
    }
    if (ok) {
        mark_subscribed_field("false");
    }
    m_subscribed = false;
    m_threadRunning = false;
    tSubscriptionOwner = nullptr;
}

}  // namespace kvKorvaneV10_0_3::Redis
