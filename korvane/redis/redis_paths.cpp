// Confinement of the files text commands name.
#include "korvane/redis/redis_paths.h"

#include "korvane/core/mem_obj.h"
#include "korvane/fm/file_io.h"
#include "korvane/fm/path.h"
#include "korvane/redis/platform/private_files.h"

#include <filesystem>
#include <system_error>

namespace kvKorvaneV10_0_3::Redis {

namespace stdfs = std::filesystem;

namespace {

// Whole components: "/a/bc" is not inside "/a/b".
bool IsInside(const stdfs::path& folder, const stdfs::path& root) {
    auto r = root.begin();
    auto f = folder.begin();
    for (; r != root.end(); ++r, ++f) {
        if (r->empty()) {
            continue;  // a trailing separator
        }
        if (f == folder.end() || *r != *f) {
            return false;
        }
    }
    return true;
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
        if (platform::IsPrivateFolder(path)) {
            roots.push_back(std::move(path));
        }
    }
    return roots;
}

KTErr ConfineTextCommandPath(const std::string& path, const std::vector<std::string>& roots,
                             std::string& folder, std::string& leaf) {
    if (path.empty() || path.front() != '/' || path.find('\0') != std::string::npos) {
        return eFMPermissionErr;
    }
    const stdfs::path given(path);
    for (const stdfs::path& part : given) {
        if (part == ".." || part == ".") {
            return eFMPermissionErr;
        }
    }
    if (!given.has_filename()) {
        return eFMPermissionErr;
    }
    std::error_code ec;
    const stdfs::path parent = stdfs::canonical(given.parent_path(), ec);
    if (ec) {
        return eFMPermissionErr;
    }
    for (const std::string& root : roots) {
        const stdfs::path real = stdfs::canonical(root, ec);
        if (!ec && IsInside(parent, real)) {
            folder = parent.string();
            leaf = given.filename().string();
            return eNoErr;
        }
    }
    return eFMPermissionErr;
}

KTErr ReadTextCommandFile(const std::string& path, const std::vector<std::string>& roots,
                          std::string& out) {
    std::string folder;
    std::string leaf;
    if (const KTErr err = ConfineTextCommandPath(path, roots, folder, leaf); err != eNoErr) {
        return err;
    }
    // The confined read resolves the leaf too and refuses anything but a regular file.
    const FM::KCStPath base(folder.c_str());
    Utils::KCStMemObj bytes;
    const KTErr err =
        FM::ReadFileInsideFolder(base.GetPathRef(), leaf.c_str(), kMaxTextCommandFileSize, bytes);
    if (err != eNoErr) {
        return err;
    }
    out.assign(static_cast<const char*>(bytes.ptr), bytes.size);
    return eNoErr;
}

KTErr WriteTextCommandFile(const std::string& path, const std::vector<std::string>& roots,
                           const std::string& data) {
    std::string folder;
    std::string leaf;
    if (const KTErr err = ConfineTextCommandPath(path, roots, folder, leaf); err != eNoErr) {
        return err;
    }
    return platform::ReplaceFileWithoutFollowing(folder, leaf, data);
}

}  // namespace kvKorvaneV10_0_3::Redis
