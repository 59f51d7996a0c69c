// KCRedisConnection: a synchronous connection to a Redis server with immediate ("now") and
// pipelined ("pending") forms of the commands the library needs, bookkeeping of the keys it
// wrote (deleted again at disconnect) and one subscription thread receiving messages.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/thread_mutex.h"
#include "korvane/core/thread_start.h"
#include "korvane/core/validatable.h"

#include <atomic>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

struct redisContext;
struct redisReply;

namespace kvKorvaneV10_0_3::Redis {

using KTRedisKey = KCFixedString<511>;
using KTRedisValue = KCFixedString<1023>;
// Field/value (or key/value) pairs collected before a hash or multi-set command.
using KTRedisStack = std::vector<std::pair<KTRedisKey, KTRedisValue>>;
using KTRedisHash = std::map<KTRedisKey, KTRedisValue>;
// Called on the subscription thread for every message; false ends the subscription.
using KTRedisMessageCallback = bool (*)(const char* channel, const char* message, void* context);

// One argument of a command. A null text (a caller's null key or value) marks the command
// as one not to send, instead of throwing out of the library.
struct KSRedisArg : std::string {
    using std::string::string;
    // Implicit, so a command is written as a braced list of texts.
    KSRedisArg(const char* text)
        : std::string(text != nullptr ? text : ""), null(text == nullptr) {}
    KSRedisArg(std::string text) : std::string(std::move(text)) {}
    bool null = false;
};

// The port the library's own server listens on (not Redis's usual 6379).
inline constexpr int kDefaultRedisPort = 63179;

// Threads: the commands may be called from any thread; they serialise on one command lock, so
// a command never interleaves with another on the same connection. A caller that sends several
// commands that belong together (fill the stack, then send it) holds command_mutex() around
// them. subscribe() and unsubscribe() must not be called while holding command_mutex().
class KORVANE_API KCRedisConnection : public KUValidatable {
public:
    KCRedisConnection();
    // Like disconnect().
    ~KCRedisConnection() override;
    KCRedisConnection(const KCRedisConnection&) = delete;
    KCRedisConnection& operator=(const KCRedisConnection&) = delete;

    [[nodiscard]] bool IsValidSelf() const override { return true; }
    // Connects to host:port (1 s to connect, 1 s for each reply afterwards). eNoErr, or
    // eRedisConnectFailed with the object left invalid.
    virtual KTErr connect();
    // Stops the subscription, sends what is pending, deletes the remembered keys and closes;
    // also after a failed connection or an I/O error. The error becomes eRedisNotConnected.
    virtual void disconnect();
    // A context exists, it reports no error and the object is valid.
    [[nodiscard]] virtual bool is_connected() const;

    void set_connection_details(const char* host, int port);
    void get_connection_details(KCFixedStringBase& host, int& port) const;
    // "CLIENT SETNAME": the name the server lists for this connection.
    void set_client_name(const char* name);
    [[nodiscard]] const char* client_name() const { return m_clientName.c_str(); }

    // Immediate commands: each sends one command and reads its reply (after the replies of
    // any pipelined commands still pending). On no connection or an error reply they do
    // nothing and give an empty or zero result.
    void set_value_now(const char* key, const char* value);
    // SET NX (with PX ms unless ms is 0): true only when the server set the value.
    bool set_value_if_not_exist(const char* key, const char* value, int ms);
    KTRedisValue get_value(const char* key);
    void set_values_from_stack_now();
    void set_values_from_stack_now(const KTRedisStack& stack);
    void set_hash_item_now(const char* hash, const char* field, const char* value);
    void set_hash_item_now_if_key_exists(const char* hash, const char* field, const char* value);
    void set_hash_item_now_if_hash_exists(const char* hash, const char* field, const char* value);
    // HSETNX: true only when the field was new and the server set it.
    bool set_hash_item_if_absent_now(const char* hash, const char* field, const char* value);
    void set_hash_from_stack_now(const char* hash);
    void set_hash_from_stack_now(const char* hash, const KTRedisStack& stack);
    void get_hash(const char* hash, KTRedisHash& out);
    KTRedisValue get_hash_value(const char* hash, const char* field);
    void del_hash_item_now(const char* hash, const char* field);
    bool is_hash_key(const char* hash, const char* field);
    long long increment_hash_value(const char* hash, const char* field, long long by);
    long long increment_value(const char* key, long long by);
    void add_set_item_now(const char* set, const char* value);
    void add_value_to_set_now(const char* set, const char* value) { add_set_item_now(set, value); }
    void remove_value_from_set_now(const char* set, const char* value);
    void move_value_from_set_to_set_now(const char* from, const char* to, const char* value);
    void get_set(const char* set, std::vector<KTRedisValue>& out);
    void left_push_to_list_now(const char* list, const char* value);
    void right_push_to_list_now(const char* list, const char* value);
    KTRedisValue left_pop_list_value(const char* list);
    KTRedisValue right_pop_list_value(const char* list);
    void get_list(const char* list, std::vector<KTRedisValue>& out);
    KTRedisValue get_list_value_by_index(const char* list, long long index);
    void remove_from_list_by_value_now(const char* list, const char* value, long long count);
    // The number of subscribers that received the message; -1 when it was not sent.
    long long publish_now(const char* channel, const char* message);
    void del_key_now(const char* key);
    // Deletes every key matching the glob pattern, in one atomic script; the number deleted.
    long long del_keys_pattern_now(const char* pattern);
    void get_all_keys(std::set<KTRedisKey>& out, const char* pattern);
    // The key's type ("string", "hash", "none", ...); "no reply" when there is no reply.
    KCFixedString<15> get_type(const char* key);
    bool is_type(const char* key, const char* type);
    // EVAL with one or two keys; the reply's text (or integer in decimal), "" for none.
    KTRedisValue run_lua_1_params(const char* script, const char* key);
    KTRedisValue run_lua_2_params(const char* script, const char* key1, const char* key2);
    void multi();
    void exec();
    // FLUSHDB: empties the whole database, not only this connection's keys.
    void erase_everything();

    // Pipelined commands: appended to the output buffer; their replies are read by
    // commit_pending_commands() or before the next immediate command.
    void set_value_pending(const char* key, const char* value);
    void set_hash_item_pending(const char* hash, const char* field, const char* value);
    void set_hash_from_stack_pending(const char* hash);
    void set_hash_from_stack_pending(const char* hash, const KTRedisStack& stack);
    void del_hash_item_pending(const char* hash, const char* field);
    void del_key_pending(const char* key);
    void add_set_item_pending(const char* set, const char* value);
    void add_value_to_set_pending(const char* set, const char* value) {
        add_set_item_pending(set, value);
    }
    void remove_value_from_set_pending(const char* set, const char* value);
    void move_value_from_set_to_set_pending(const char* from, const char* to, const char* value);
    void left_push_to_list_pending(const char* list, const char* value);
    void right_push_to_list_pending(const char* list, const char* value);
    void publish_pending(const char* channel, const char* message);
    // Reads one reply per pending command, then empties the connection's stack.
    void commit_pending_commands();
    [[nodiscard]] unsigned int pending_count() const;

    // The connection's own stack and, for each, a form filling a caller's stack.
    void append_key_value_to_stack(const char* key, const char* value);
    void append_key_value_to_stack(const char* key, const KCFixedStringBase& value);
    void append_key_value_to_stack(const char* key, double value);  // 10 decimals
    void append_key_value_to_stack(const char* key, long long value);
    void append_key_value_to_stack(const char* key, bool value);  // "true" / "false"
    // "0x" and the value's 8 bytes in hexadecimal, most significant first.
    void append_key_hex_value_to_stack(const char* key, long long value);
    static void append_key_value_to_stack(KTRedisStack& stack, const char* key, const char* value);
    static void append_key_value_to_stack(KTRedisStack& stack, const char* key,
                                          const KCFixedStringBase& value);
    static void append_key_value_to_stack(KTRedisStack& stack, const char* key, double value);
    static void append_key_value_to_stack(KTRedisStack& stack, const char* key, long long value);
    static void append_key_value_to_stack(KTRedisStack& stack, const char* key, bool value);
    static void append_key_hex_value_to_stack(KTRedisStack& stack, const char* key,
                                              long long value);
    // For the thread that fills the stack, holding command_mutex() if others may too.
    [[nodiscard]] const KTRedisStack& stack() const { return m_stack; }
    void clear_stack();

    // Keys written while remembering is on are deleted at disconnect.
    void set_remember_keys(bool remember);
    [[nodiscard]] bool remember_keys() const;
    // Keeps the key alive after disconnect.
    void remove_from_keys_to_delete(const char* key);
    [[nodiscard]] bool is_key_to_delete(const char* key) const;
    [[nodiscard]] std::size_t keys_to_delete_count() const;

    // Starts the subscription thread on `channel` unless one is active; false when one is.
    bool subscribe(const char* channel, KTRedisMessageCallback callback, void* context);
    // Ends the subscription and waits for its thread; from the callback it only asks the
    // thread to end.
    void unsubscribe();
    // True from subscribe() until the subscription has ended.
    [[nodiscard]] bool is_subscribed() const { return m_subscribed.load(); }
    [[nodiscard]] bool is_listening() const { return m_listening.load(); }

    // The lock every command takes; recursive.
    [[nodiscard]] kvThread::ThreadMutexInited& command_mutex() { return m_commandMutex; }

protected:
    // Deletes every remembered key with one DEL.
    void del_all_keys();

private:
    // One command: its arguments built from the string views.
    using KTArgs = std::vector<KSRedisArg>;

    [[nodiscard]] bool connected_unlocked() const;
    // Reads the replies of the pipelined commands, keeping the stack.
    void drain_pending_replies();
    // Sends one command and returns its reply (null when none); the caller frees it.
    redisReply* command(const KTArgs& args);
    void command_ignore_reply(const KTArgs& args);
    void append_command(const KTArgs& args);
    void remember(const char* key);
    static void stack_args(KTArgs& args, const KTRedisStack& stack);
    // After an I/O error the context is unusable: the connection counts as failed.
    void note_context_error();

    static void subscription_entry(void* self);
    void subscription_loop();
    void mark_subscribed_field(const char* value);
    void stop_subscription_thread();

    KCFixedString<127> m_host{"localhost"};
    redisContext* m_context = nullptr;
    unsigned int m_pendingCount = 0;
    bool m_rememberKeys = true;
    int m_port = kDefaultRedisPort;
    std::set<KTRedisKey> m_keysToDelete;
    KTRedisStack m_stack;
    KTRedisValue m_clientName;
    kvThread::ThreadMutexInited m_commandMutex;

    // Subscription.
    kvThread::ThreadMutexInited m_subscriptionMutex;  // one subscribe/unsubscribe at a time
    kvThread::ThreadMutexInited m_subContextMutex;    // the subscriber's context pointer
    redisContext* m_subContext = nullptr;
    KTRedisKey m_channel;
    // What this connection publishes to stop its own thread: others on the channel ignore it,
    // while a plain "quit" still ends every subscription on it.
    std::string m_quitToken;
    KCFixedString<127> m_subHost;
    int m_subPort = kDefaultRedisPort;
    KTRedisMessageCallback m_callback = nullptr;
    void* m_callbackContext = nullptr;
    kvThread::KTThreadHandle m_thread = kvThread::kNullThreadHandle;
    std::atomic<bool> m_subscribed{false};  // a subscription is active (set in subscribe)
    std::atomic<bool> m_listening{false};   // the thread has subscribed and reads messages
    std::atomic<bool> m_threadRunning{false};
    std::atomic<bool> m_stopRequested{false};
};

}  // namespace kvKorvaneV10_0_3::Redis
