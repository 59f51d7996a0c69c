// Confinement of the files text commands name: a lexical check against the roots, then every
// access walks from the root's open folder so nothing swapped in meanwhile is followed.
#include "korvane/redis/redis_paths.h"

#include "korvane/core/mem_obj.h"
#include "korvane/fm/file_io.h"
#include "korvane/fm/path.h"
#include "korvane/redis/platform/private_files.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace kvKorvaneV10_0_3::Redis {

namespace stdfs = std::filesystem;

namespace {

// The root's spellings a path may start with: as given and with its links resolved.
std::vector<std::string> SpellingsOf(const std::string& root) {
    std::vector<std::string> spellings;
    std::string given = stdfs::path(root).lexically_normal().string();
    while (given.size() > 1 && given.back() == '/') {
        given.pop_back();
    }
    if (given.empty() || given.front() != '/') {
        return spellings;
    }
    std::error_code ec;
    std::string real = stdfs::canonical(given, ec).string();
    spellings.push_back(std::move(given));
    if (!ec && real != spellings.front()) {
        spellings.push_back(std::move(real));
    }
    return spellings;
}

// The part of `path` after `root` ("/" included only for the file system's root), or nothing.
bool RestAfter(std::string_view path, const std::string& root, std::string_view& rest) {
    const std::string_view prefix = root == "/" ? std::string_view() : std::string_view(root);
    if (path.size() <= prefix.size() + 1 || path.substr(0, prefix.size()) != prefix ||
        path[prefix.size()] != '/') {
        return false;
    }
    rest = path.substr(prefix.size() + 1);
    return rest.back() != '/';
}

}  // namespace

std::vector<std::string> DefaultTextCommandPathRoots() {
    std::vector<std::string> roots;
    const std::pair<FM::KEFoldersDomain, FM::KESystemFolders> folders[] = {
        {FM::eUserDomain, FM::eKorvaneAppDataFolder},
        {FM::eUserLocalDomain, FM::eKorvaneAppDataFolder},
    };
    for (const auto& [domain, folder] : folders) {
        const FM::KCStPath path(domain, folder);
        if (path.IsValid()) {
            roots.emplace_back(path.GetPosixPathString().c_str());
        }
    }
    const FM::KCStPath temporary(FM::eUserDomain, FM::eTemporaryFolder);
    if (temporary.IsValid()) {
        std::string path = temporary.GetPosixPathString().c_str();
        if (platform::IsSafeTemporaryFolder(path)) {
            roots.push_back(std::move(path));
        }
    }
    return roots;
}

KTErr ConfineTextCommandPath(const std::string& path, const std::vector<std::string>& roots,
                             std::string& root, std::string& relative) {
    if (path.empty() || path.front() != '/' || path.size() > kMaxTextCommandPathLength ||
        path.find('\0') != std::string::npos) {
        return eFMPermissionErr;
    }
    for (const stdfs::path& part : stdfs::path(path)) {
        if (part == ".." || part == ".") {
            return eFMPermissionErr;
        }
    }
    for (const std::string& candidate : roots) {
        for (const std::string& spelling : SpellingsOf(candidate)) {
            std::string_view rest;
            if (!RestAfter(path, spelling, rest)) {
                continue;
            }
            const std::size_t slash = rest.rfind('/');
            const std::string folder(slash == std::string_view::npos ? std::string_view()
                                                                     : rest.substr(0, slash));
            if (FM::CheckFolderBeneath(spelling.c_str(), folder.c_str()) == eNoErr) {
                root = spelling;
                relative.assign(rest);
                return eNoErr;
            }
        }
    }
    return eFMPermissionErr;
}

KTErr ReadTextCommandFile(const std::string& path, const std::vector<std::string>& roots,
                          std::string& out) {
    std::string root;
    std::string relative;
    if (const KTErr err = ConfineTextCommandPath(path, roots, root, relative); err != eNoErr) {
        return err;
    }
    Utils::KCStMemObj bytes;
    const KTErr err =
        FM::ReadFileBeneathFolder(root.c_str(), relative.c_str(), kMaxTextCommandFileSize, bytes);
    if (err != eNoErr) {
        return err;
    }
    out.assign(static_cast<const char*>(bytes.ptr), bytes.size);
    return eNoErr;
}

KTErr WriteTextCommandFile(const std::string& path, const std::vector<std::string>& roots,
                           const std::string& data) {
    std::string root;
    std::string relative;
    if (const KTErr err = ConfineTextCommandPath(path, roots, root, relative); err != eNoErr) {
        return err;
    }
    return FM::ReplaceFileBeneathFolder(root.c_str(), relative.c_str(), data.data(), data.size());
}

}  // namespace kvKorvaneV10_0_3::Redis
