// KCRedisClient: a Redis connection that finds its server in the library's configuration file,
// registers itself as a named instance ("kv:<category>:<name>:<id>") and describes itself in
// the hash of that name.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/fm/path.h"
#include "korvane/redis/redis_connection.h"

#include <string>
#include <string_view>

namespace YAML {
class Node;
}

namespace kvKorvaneV10_0_3::Redis {

// The registry keys every instance shares.
inline constexpr const char* kInstanceCounterKey = "kv:instance_counter";
inline constexpr const char* kActiveInstancesKey = "kv:active_instances";
inline constexpr const char* kDeactiveInstancesKey = "kv:deactive_instances";

// What a Redis server configuration file says about where the server listens.
struct KSRedisServerAddress {
    bool hasPort = false;
    bool hasBind = false;
    int port = kDefaultRedisPort;
    KCFixedString<127> bind;
};
// The first "port <digits>" line and the first address of the first "bind" line (so Debian's
// "bind 127.0.0.1 -::1" gives 127.0.0.1); comment lines never match. [any-thread]
KORVANE_API KSRedisServerAddress ParseRedisServerConfig(std::string_view text);

// "kv", then ":" category and ":" name when not empty, then ":" and the id; spaces become "_".
KORVANE_API KCFixedString<511> MakeInstanceName(const char* category, const char* name,
                                                long long id);

class KORVANE_API KCRedisClient : public KCRedisConnection {
public:
    KCRedisClient(const char* name, const char* category);
    // Leaves the registry and deletes the instance's keys, like disconnect().
    ~KCRedisClient() override;
    KCRedisClient(const KCRedisClient&) = delete;
    KCRedisClient& operator=(const KCRedisClient&) = delete;

    // Reads the configuration file and, when there is one, connects and registers: a new
    // instance id, the instance name, the registry sets and the client hash. Without a file
    // nothing connects (eRedisNotConnected); a server that cannot give an id counts as a
    // failed connection (eRedisConnectFailed).
    KTErr connect() override;
    // Moves the instance to the inactive set, then disconnects (deleting its keys).
    void disconnect() override;

    [[nodiscard]] const char* instance_name() const { return m_instanceName.c_str(); }
    [[nodiscard]] const char* name() const { return m_name.c_str(); }
    [[nodiscard]] const char* category() const { return m_category.c_str(); }
    [[nodiscard]] long long instance_id() const { return m_instanceId; }
    // INCRBY on the shared counter; 0 on failure.
    long long next_instance_id();

    // Takes host and port from the configuration file; eFMFileNotFound (and unconfigured)
    // when it cannot be read.
    KTErr read_config_file();
    // Writes the connection's host and port as a server configuration ("bind", "port")
    // atomically. The default file belongs to the server; it is written only after
    // set_config_file_path() named it explicitly (eFMPermissionErr otherwise).
    KTErr write_config_file();
    void set_config_file_path(const char* path);
    [[nodiscard]] const FM::KCStPath& config_file_path() const { return m_configPath; }
    [[nodiscard]] bool is_configured() const { return m_configured; }
    // The library's application data folder (local domain), "Redis/korvane-redis-server.conf";
    // computed once per process.
    static const FM::KCStPath& get_default_config_file_path();
    // True when the default configuration file exists.
    static bool is_redis_enabled();

    // Appends the local time as "YYYY/MM/DD-hh:mm:ss".
    void append_current_time_to_stack(const char* key);
    // Fills the stack with the fields of the client hash.
    virtual void set_client_details();

    // A value from the source a command names ("key", "hash-name" with "hash-key",
    // "list-left", "list-right"); eRedisNoDataSource when the map names none. Files ("path")
    // are not read here.
    KTErr read_data(const YAML::Node& source, std::string& out);
    // Sends the value to every destination the map names ("key", "hash-name" with "hash-key",
    // "list-left", "list-right", "set", "publish", "stdout"), pipelined and committed at the
    // end. Destinations named here are never remembered: the caller owns them.
    KTErr write_data(const std::string& value, const YAML::Node& destination);

private:
    // Moves this instance's name from the active set to the inactive one. Under the command
    // lock.
    void RetireInstanceName();
    KTRedisKey m_name;
    KTRedisKey m_instanceName;
    KTRedisKey m_category;
    FM::KCStPath m_configPath;
    long long m_instanceId = 0;
    bool m_configured = false;
    bool m_configPathExplicit = false;
};

}  // namespace kvKorvaneV10_0_3::Redis
