#include "korvane/redis/redis_client.h"

#include "korvane/core/mem_obj.h"
#include "korvane/core/platform/local_time.h"
#include "korvane/fm/file_io.h"
#include "korvane/fm/special_folders.h"
#include "korvane/redis/platform/redis_socket.h"

#include <yaml-cpp/yaml.h>

#include <array>
#include <charconv>
#include <ctime>
#include <iostream>

namespace kvKorvaneV10_0_3::Redis {

namespace {

// The configuration's place inside the application-data folder.
constexpr const char* kConfigRelativePath = "Redis/korvane-redis-server.conf";

#if defined(NDEBUG)
constexpr const char* kBuildConfiguration = "Release";
#else
constexpr const char* kBuildConfiguration = "Debug";
#endif

// The compiler's full version as one number (major, minor and patch, two digits each).
long long CompilerVersion() {
#if defined(__clang__)
    return (__clang_major__ * 10000LL) + (__clang_minor__ * 100LL) + __clang_patchlevel__;
#elif defined(__GNUC__)
    return (__GNUC__ * 10000LL) + (__GNUC_MINOR__ * 100LL) + __GNUC_PATCHLEVEL__;
#else
    return 0;
#endif
}

std::string ScalarOf(const YAML::Node& map, const char* key) {
    const YAML::Node node = map[key];
    return node && node.IsScalar() ? node.Scalar() : std::string();
}

// The value after `keyword` at the start of a line ("  port 6379"): the run of characters
// `accepts` takes after at least one blank, empty when the line says something else.
std::string_view KeywordValue(std::string_view line, std::string_view keyword,
                              bool (*accepts)(char)) {
    const auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
    };
    std::size_t i = 0;
    while (i < line.size() && blank(line[i])) {
        ++i;
    }
    if (line.substr(i, keyword.size()) != keyword) {
        return {};
    }
    i += keyword.size();
    const std::size_t afterKeyword = i;
    while (i < line.size() && blank(line[i])) {
        ++i;
    }
    if (i == afterKeyword) {
        return {};
    }
    const std::size_t value = i;
    while (i < line.size() && accepts(line[i])) {
        ++i;
    }
    return line.substr(value, i - value);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A host name or IPv4 address: letters, digits, '_' and '.'.
bool IsAddressChar(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '.';
}

}  // namespace

KSRedisServerAddress ParseRedisServerConfig(std::string_view text) {
    KSRedisServerAddress out;
    std::size_t start = 0;
    while (start < text.size() && !(out.hasPort && out.hasBind)) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!out.hasPort) {
            const std::string_view digits = KeywordValue(line, "port", IsDigit);
            int port = 0;
            const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), port);
            if (!digits.empty() && result.ec == std::errc() && port > 0 && port < 65536) {
                out.port = port;
                out.hasPort = true;
                continue;
            }
            if (!digits.empty()) {
                continue;
            }
        }
        if (!out.hasBind) {
            const std::string_view address = KeywordValue(line, "bind", IsAddressChar);
            if (!address.empty()) {
                out.bind = std::string(address).c_str();
                out.hasBind = true;
            }
        }
    }
    return out;
}

KCFixedString<511> MakeInstanceName(const char* category, const char* name, long long id) {
    KCFixedString<511> out("kv");
    if (category != nullptr && category[0] != 0) {
        out << ":" << category;
    }
    if (name != nullptr && name[0] != 0) {
        out << ":" << name;
    }
    out << ":" << id;
    out.replace(' ', '_');
    return out;
}

KCRedisClient::KCRedisClient(const char* name, const char* category)
    : m_name(name != nullptr ? name : ""),
      m_category(category != nullptr ? category : ""),
      m_configPath(get_default_config_file_path()) {}

KCRedisClient::~KCRedisClient() {
    KCRedisClient::disconnect();
}

const FM::KCStPath& KCRedisClient::get_default_config_file_path() {
    static const FM::KCStPath path = [] {
        FM::KCStPath folder(FM::eLocalDomain, FM::eKorvaneAppDataFolder);
        if (!folder.IsValid()) {
            return FM::KCStPath();
        }
        return FM::KCStPath(folder, kConfigRelativePath);
    }();
    return path;
}

bool KCRedisClient::is_redis_enabled() {
    const FM::KCStPath& path = get_default_config_file_path();
    return path.IsValid() && path.IsFile();
}

void KCRedisClient::set_config_file_path(const char* path) {
    m_configPath = FM::KCStPath(path);
    m_configPathExplicit = true;
}

KTErr KCRedisClient::read_config_file() {
    m_configured = false;
    if (!m_configPath.IsValid() || !m_configPath.IsFile()) {
        return eFMFileNotFound;
    }
    Utils::KCStMemObj bytes;
    if (const KTErr err = FM::ReadFileToKCStMemObj(m_configPath.GetPathRef(), bytes);
        err != eNoErr) {
        return err;
    }
    const std::string_view text(static_cast<const char*>(bytes.ptr), bytes.size);
    const KSRedisServerAddress address = ParseRedisServerConfig(text);
    KCFixedString<127> host;
    int port = 0;
    get_connection_details(host, port);
    set_connection_details(address.hasBind ? address.bind.c_str() : host.c_str(),
                           address.hasPort ? address.port : port);
    m_configured = true;
    return eNoErr;
}

KTErr KCRedisClient::write_config_file() {
    // The default file is the server's own configuration: rewriting it unasked would replace
    // everything else the server was told.
    if (!m_configPathExplicit) {
        return eFMPermissionErr;
    }
    if (!m_configPath.IsValid()) {
        return m_configPath.GetError();
    }
    KCFixedString<127> host;
    int port = 0;
    get_connection_details(host, port);
    KCFixedString<255> text;
    text << "bind " << host << "\nport " << port << "\n";
    return FM::WriteFileAtomically(m_configPath.GetPathRef(), text.c_str(), text.length());
}

long long KCRedisClient::next_instance_id() {
    return increment_value(kInstanceCounterKey, 1);
}

void KCRedisClient::RetireInstanceName() {
    if (is_connected() && !m_instanceName.empty()) {
        move_value_from_set_to_set_now(kActiveInstancesKey, kDeactiveInstancesKey,
                                       m_instanceName.c_str());
        remove_from_keys_to_delete(kDeactiveInstancesKey);
        remove_from_keys_to_delete(kActiveInstancesKey);
    }
}

KTErr KCRedisClient::connect() {
    bool noId = false;
    {
        kvThread::ThreadMutexLock lock(command_mutex());
        // A connected client that connects again leaves under its old name first.
        RetireInstanceName();
        m_instanceName.clear();
        m_instanceId = 0;
        if (read_config_file() != eNoErr || !m_configured) {
            SetError(eRedisNotConnected);
            return eRedisNotConnected;
        }
        if (const KTErr err = KCRedisConnection::connect(); err != eNoErr) {
            return err;
        }
        // Through a script so that a failure shows as no number rather than as id 0.
        const KTRedisValue reply =
            run_lua_1_params("return redis.call('INCRBY', KEYS[1], 1)", kInstanceCounterKey);
        long long id = 0;
        const auto parsed = std::from_chars(reply.begin(), reply.end(), id);
        noId = reply.empty() || parsed.ec != std::errc() || parsed.ptr != reply.end();
        if (!noId) {
            m_instanceId = id;
            m_instanceName = MakeInstanceName(m_category.c_str(), m_name.c_str(), id);
            set_client_name(m_instanceName.c_str());
            remove_value_from_set_pending(kDeactiveInstancesKey, m_instanceName.c_str());
            add_set_item_pending(kActiveInstancesKey, m_instanceName.c_str());
            remove_from_keys_to_delete(kActiveInstancesKey);
            commit_pending_commands();
            set_client_details();
            set_hash_from_stack_now(m_instanceName.c_str());
            clear_stack();
            return is_connected() ? eNoErr : eRedisConnectFailed;
        }
    }
    // Without an id every instance would be number 0 and share one name.
    KCRedisConnection::disconnect();
    SetError(eRedisConnectFailed);
    return eRedisConnectFailed;
}

void KCRedisClient::disconnect() {
    {
        kvThread::ThreadMutexLock lock(command_mutex());
        RetireInstanceName();
    }
    KCRedisConnection::disconnect();
}

void KCRedisClient::append_current_time_to_stack(const char* key) {
    std::tm local{};
    std::array<char, 32> text{};
    if (kvKorvaneV10_0_3::platform::LocalTime(std::time(nullptr), local)) {
        (void)std::strftime(text.data(), text.size(), "%Y/%m/%d-%H:%M:%S", &local);
    }
    append_key_value_to_stack(key, text.data());
}

void KCRedisClient::set_client_details() {
    kvThread::ThreadMutexLock lock(command_mutex());
    append_key_value_to_stack("redis key", m_instanceName.c_str());
    append_key_value_to_stack("process id", platform::CurrentProcessId());
    append_key_value_to_stack("application path", platform::CurrentExecutablePath().c_str());
    append_key_value_to_stack("redis config file", m_configPath.GetPathString().c_str());
    append_key_value_to_stack("ARCH", "64");
    append_key_value_to_stack("operating system", "Linux");
    append_key_value_to_stack("kvNS", "kvKorvaneV10_0_3");
    append_key_value_to_stack("compilation time", __DATE__ " " __TIME__);
    append_key_value_to_stack("build configuration", kBuildConfiguration);
    append_key_value_to_stack("kUseBkgConsole", "Off");
    append_key_value_to_stack("endian", "__LITTLE_ENDIAN__");
    append_key_value_to_stack("compiler", CompilerVersion());
    append_current_time_to_stack("initialization time");
}

KTErr KCRedisClient::read_data(const YAML::Node& source, std::string& out) {
    out.clear();
    if (!source.IsMap()) {
        return eRedisNoDataSource;
    }
    kvThread::ThreadMutexLock lock(command_mutex());
    if (const std::string key = ScalarOf(source, "key"); !key.empty()) {
        out = get_value(key.c_str()).c_str();
        return eNoErr;
    }
    if (const std::string hash = ScalarOf(source, "hash-name"); !hash.empty()) {
        const std::string field = ScalarOf(source, "hash-key");
        if (is_type(hash.c_str(), "hash")) {
            out = get_hash_value(hash.c_str(), field.c_str()).c_str();
        }
        return eNoErr;
    }
    // Both list sources take the value from the left end.
    for (const char* which : {"list-left", "list-right"}) {
        if (const std::string list = ScalarOf(source, which); !list.empty()) {
            if (is_type(list.c_str(), "list")) {
                out = left_pop_list_value(list.c_str()).c_str();
            }
            return eNoErr;
        }
    }
    return eRedisNoDataSource;
}

KTErr KCRedisClient::write_data(const std::string& value, const YAML::Node& destination) {
    if (!destination.IsMap()) {
        return eRedisNoDataSource;
    }
    kvThread::ThreadMutexLock lock(command_mutex());
    const bool remembering = remember_keys();
    set_remember_keys(false);
    if (const std::string key = ScalarOf(destination, "key"); !key.empty()) {
        set_value_pending(key.c_str(), value.c_str());
    }
    if (const std::string hash = ScalarOf(destination, "hash-name"); !hash.empty()) {
        set_hash_item_pending(hash.c_str(), ScalarOf(destination, "hash-key").c_str(),
                              value.c_str());
    }
    if (const std::string list = ScalarOf(destination, "list-left"); !list.empty()) {
        left_push_to_list_pending(list.c_str(), value.c_str());
    }
    if (const std::string list = ScalarOf(destination, "list-right"); !list.empty()) {
        right_push_to_list_pending(list.c_str(), value.c_str());
    }
    if (const std::string set = ScalarOf(destination, "set"); !set.empty()) {
        add_set_item_pending(set.c_str(), value.c_str());
    }
    if (const std::string channel = ScalarOf(destination, "publish"); !channel.empty()) {
        publish_pending(channel.c_str(), value.c_str());
    }
    if (destination["stdout"]) {
        std::cout << value << '\n';
    }
    set_remember_keys(remembering);
    commit_pending_commands();
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3::Redis
