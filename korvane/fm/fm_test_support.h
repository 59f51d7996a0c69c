// Helpers the subsystem's tests share: a private temporary folder, an environment variable set
// for the length of one scope, and the set-up of refused-access tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>

namespace kvKorvaneV10_0_3::FM::testing {

// A fresh folder under the system temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() /
                ("korvane-fm-test-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    [[nodiscard]] std::string Path(const std::string& relative = "") const {
        return relative.empty() ? path_.string() : (path_ / relative).string();
    }
    // Writes `bytes` to relative (creating its folders) and returns the full path.
    std::string Write(const std::string& relative, const std::string& bytes) const {
        const auto full = path_ / relative;
        std::filesystem::create_directories(full.parent_path());
        std::ofstream(full, std::ios::binary) << bytes;
        return full.string();
    }

private:
    std::filesystem::path path_;
};

// Sets (or, with nullopt, unsets) a variable and restores the old value on destruction.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        Apply(value);
    }
    ~ScopedEnv() { Apply(old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void Apply(const std::optional<std::string>& value) {
        if (value) {
            ::setenv(name_.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    std::string name_;
    std::optional<std::string> old_;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Lets every user pass through the folder (not list it), so that a refused access to a file in
// it comes from the file's own permission bits.
inline void LetOthersThrough(const TempFolder& folder) {
    using std::filesystem::perms;
    std::filesystem::permissions(folder.Path(),
                                 perms::owner_all | perms::group_exec | perms::others_exec);
}

// "" when the file exists and is seen by this user, yet cannot be opened (to read, or to write
// when forReading is false) for want of permission; what is wrong otherwise. No assertions: it
// may run in a child process.
inline std::string VisibleButUnreadable(const std::string& file, bool forReading) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
        return "the file cannot be seen (" + ec.message() + "); ";
    }
    std::fstream stream(file, forReading ? std::ios::in : std::ios::out | std::ios::in);
    return stream.is_open() ? "the file opens despite its permission bits; " : "";
}

}  // namespace kvKorvaneV10_0_3::FM::testing
