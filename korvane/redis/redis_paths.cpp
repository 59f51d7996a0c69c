// Confinement of the files text commands name.
#include "korvane/redis/redis_paths.h"

#include "korvane/core/mem_obj.h"
#include "korvane/fm/file_io.h"
#include "korvane/fm/path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

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

// A folder only this user can write to. A shared one (such as /tmp) lets another local user
// swap a checked folder for a link before the file is written.
bool IsPrivateFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
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
        if (IsPrivateFolder(path)) {
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
    const std::string target = folder + "/" + leaf;
    struct stat info {};
    if (::lstat(target.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) {
        return eFMIsNotAFile;
    }
    // A new temporary file (never an existing name, so never a link) renamed over the name:
    // a link there is replaced, not followed.
    std::string temp = folder + "/." + leaf + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return eFMCreateFailed;
    }
    bool ok = ::fchmod(fd, 0644) == 0;
    std::size_t done = 0;
    while (ok && done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        ok = n > 0;
        done += ok ? static_cast<std::size_t>(n) : 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return eFMWriteFailed;
    }
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3::Redis
