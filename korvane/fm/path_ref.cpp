// Path references: validation and lexical normal form of UTF-8 paths, comparisons, status
// queries, links, string views and the bundle layout.
#include "korvane/fm/path_ref.h"

#include "korvane/core/utf8.h"
#include "korvane/fm/path_ref_impl.h"
#include "korvane/fm/platform/os_file.h"

#include <boost/filesystem.hpp>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

namespace kvKorvaneV10_0_3::FM {

namespace bfs = boost::filesystem;

namespace {

constexpr std::size_t kMaxPath = 1023;
constexpr std::size_t kMaxComponent = 255;

const KTPathType* Checked(const KTPathType* ref) {
    return (ref != nullptr && !ref->path.empty() && ref->path[0] == '/') ? ref : nullptr;
}

// The prologue of the functions that return an error: eMemNullPointer when any ref is null,
// else eFMIllegalPathRef when any is not an absolute path.
[[nodiscard]] KTErr CheckRefs(std::initializer_list<const KTPathType*> refs) {
    if (std::find(refs.begin(), refs.end(), nullptr) != refs.end()) {
        return eMemNullPointer;
    }
    return std::all_of(refs.begin(), refs.end(), [](const KTPathType* r) { return Checked(r); })
               ? eNoErr
               : eFMIllegalPathRef;
}

unsigned int Fill(KCFixedStringBase& out, const std::string& text) {
    out.assign(text.c_str(), static_cast<unsigned int>(text.size()));
    return out.length();
}

bfs::file_status StatusOf(const KTPathType* ref, bool followLinks) {
    boost::system::error_code ec;
    return followLinks ? bfs::status(ref->path, ec) : bfs::symlink_status(ref->path, ec);
}

// "base.ext" split at the last dot; a leading dot does not start an extension.
std::size_t ExtensionDot(const std::string& leaf) {
    const auto dot = leaf.rfind('.');
    return (dot == std::string::npos || dot == 0) ? std::string::npos : dot;
}

[[nodiscard]] KTErr BundleSubFolder(const KTPathType* bundle, const char* relative,
                                    KTPathType*& out) {
    out = nullptr;
    if (relative == nullptr) {
        return eMemNullPointer;
    }
    if (const KTErr err = CheckRefs({bundle}); err != eNoErr) {
        return err;
    }
    return CreatePathRef(bundle, relative, out);
}

}  // namespace

namespace detail {

KTErr NormalizeUtf8(const char* text, std::string& out) {
    out.clear();
    if (text == nullptr) {
        return eMemNullPointer;
    }
    const std::string_view in(text);
    if (in.empty()) {
        return eFMPathTooShort;
    }
    if (!KUIsValidUtf8(in)) {
        return eFMTranslateFileNameFailed;
    }
    // Input far beyond the limit is refused before any work on it.
    if (in.size() > 4 * kMaxPath) {
        return eFMPathTooLong;
    }
    const bool absolute = in.front() == '/';
    std::vector<std::string_view> parts;
    parts.reserve(16);  // deeper paths are rare; growing past it stays correct
    std::size_t pos = 0;
    while (pos <= in.size()) {
        auto next = in.find('/', pos);
        if (next == std::string_view::npos) {
            next = in.size();
        }
        const auto part = in.substr(pos, next - pos);
        pos = next + 1;
        if (part.empty() || part == ".") {
            continue;
        }
        if (part.size() > kMaxComponent) {
            return eFMPathTooLong;
        }
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..") {
                parts.pop_back();
            } else if (!absolute) {
                parts.push_back(part);
            }  // ".." above the root stays at the root
            continue;
        }
        parts.push_back(part);
    }
    // Never longer than the input: one allocation instead of one per doubling.
    std::string result;
    result.reserve(in.size() + 1);
    if (absolute) {
        result += '/';
    }
    for (std::size_t k = 0; k < parts.size(); ++k) {
        if (k != 0) {
            result += '/';
        }
        result.append(parts[k]);
    }
    if (result.empty()) {
        result = ".";
    }
    if (result.size() > kMaxPath) {
        return eFMPathTooLong;
    }
    out = std::move(result);
    return eNoErr;
}

bool IsPlainRelative(std::string_view relative) {
    if (relative.empty()) {
        return false;
    }
    for (std::size_t pos = 0;;) {
        const auto next = relative.find('/', pos);
        const auto part = relative.substr(pos, next == std::string_view::npos ? next : next - pos);
        if (part.empty() || part == "." || part == ".." || part.size() > kMaxComponent) {
            return false;
        }
        if (next == std::string_view::npos) {
            return true;
        }
        pos = next + 1;
    }
}

KTErr AdoptNormalPath(std::string&& normal, KTPathType*& out) {
    out = nullptr;
    auto* ref = new (std::nothrow) KTPathType;
    if (ref == nullptr) {
        return eMemNewFailed;
    }
    ref->path = std::move(normal);
    out = ref;
    return eNoErr;
}

KTErr NewPathRef(const std::string& text, KTPathType*& out) {
    out = nullptr;
    std::string normal;
    const KTErr err = NormalizeUtf8(text.c_str(), normal);
    if (err != eNoErr) {
        return err;
    }
    if (normal.front() != '/') {
        return eFMIncompletePath;
    }
    return AdoptNormalPath(std::move(normal), out);
}

std::string LeafOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ParentOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) {
        return "/";
    }
    return path.substr(0, slash);
}

KTErr JoinPath(const std::string& base, const char* relative, std::string& out) {
    out.clear();
    if (relative == nullptr) {
        return eMemNullPointer;
    }
    if (relative[0] == '/') {
        return eFMWrongParameters;
    }
    if (!KUIsValidUtf8(relative)) {
        return eFMTranslateFileNameFailed;
    }
    if (const std::string_view plain(relative); IsPlainRelative(plain)) {
        // A normalised folder followed by plain names is already in normal form: the usual
        // case (a folder's items, a bundle's resources) skips the normaliser.
        out.reserve(base.size() + 1 + plain.size());
        out = base;
        if (base != "/") {
            out += '/';
        }
        out += plain;
        return out.size() > kMaxPath ? eFMPathTooLong : eNoErr;
    }
    const std::string joined = relative[0] == 0 ? base : base + "/" + relative;
    return NormalizeUtf8(joined.c_str(), out);
}

}  // namespace detail

KTErr CreatePathRefFromString(const char* utf8, KTPathType*& out) {
    out = nullptr;
    if (utf8 == nullptr) {
        return eMemNullPointer;
    }
    try {
        return detail::NewPathRef(utf8, out);
    } catch (const std::exception&) {
        return eMemNewFailed;
    }
}

KTErr CreatePathRef(const KTPathType* base, const char* relative, KTPathType*& out) {
    out = nullptr;
    if (relative == nullptr) {
        return eMemNullPointer;
    }
    if (const KTErr err = CheckRefs({base}); err != eNoErr) {
        return err;
    }
    try {
        std::string joined;
        // JoinPath's result is normal and absolute already.
        const KTErr err = detail::JoinPath(base->path, relative, joined);
        return err != eNoErr ? err : detail::AdoptNormalPath(std::move(joined), out);
    } catch (const std::exception&) {
        return eMemNewFailed;
    }
}

KTErr DuplicatePathRef(const KTPathType* ref, KTPathType*& out) {
    out = nullptr;
    if (const KTErr err = CheckRefs({ref}); err != eNoErr) {
        return err;
    }
    auto* copy = new (std::nothrow) KTPathType;
    if (copy == nullptr) {
        return eMemNewFailed;
    }
    try {
        copy->path = ref->path;
    } catch (const std::exception&) {
        delete copy;
        return eMemNewFailed;
    }
    out = copy;
    return eNoErr;
}

KTErr DisposePathRef(KTPathType*& ref) {
    delete ref;
    ref = nullptr;
    return eNoErr;
}

bool IsValid(const KTPathType* ref) {
    return Checked(ref) != nullptr;
}

bool IsSamePath(const KTPathType* a, const KTPathType* b) {
    return Checked(a) != nullptr && Checked(b) != nullptr && a->path == b->path;
}

bool IsSameFile(const KTPathType* a, const KTPathType* b) {
    if (Checked(a) == nullptr || Checked(b) == nullptr) {
        return false;
    }
    boost::system::error_code ec;
    const bool same = bfs::equivalent(a->path, b->path, ec);
    return !ec && same;
}

bool DoesFileExist(const KTPathType* ref) {
    if (Checked(ref) == nullptr) {
        return false;
    }
    const auto st = StatusOf(ref, false);
    return st.type() != bfs::file_not_found && st.type() != bfs::status_error;
}

bool IsFile(const KTPathType* ref, bool followLinks) {
    return Checked(ref) != nullptr && StatusOf(ref, followLinks).type() == bfs::regular_file;
}

bool IsFolder(const KTPathType* ref, bool followLinks) {
    return Checked(ref) != nullptr && StatusOf(ref, followLinks).type() == bfs::directory_file;
}

bool IsFileSystemLink(const KTPathType* ref) {
    return Checked(ref) != nullptr && StatusOf(ref, false).type() == bfs::symlink_file;
}

bool IsWinShortcut(const KTPathType* /*ref*/) {
    return false;
}

bool IsWritable(const KTPathType* ref) {
    if (Checked(ref) == nullptr) {
        return false;
    }
    if (DoesFileExist(ref)) {
        return platform::IsWritablePath(ref->path.c_str());
    }
    return platform::IsWritablePath(detail::ParentOf(ref->path).c_str());
}

KTErr IsLocked(const KTPathType* ref, bool& locked) {
    locked = false;
    if (const KTErr err = CheckRefs({ref}); err != eNoErr) {
        return err;
    }
    if (IsFolder(ref)) {
        return eFMIsAFolder;
    }
    return platform::IsLockedPath(ref->path.c_str(), locked);
}

KTErr ResolveFileSystemLink(const KTPathType* link, KTPathType*& out) {
    out = nullptr;
    if (const KTErr err = CheckRefs({link}); err != eNoErr) {
        return err;
    }
    if (!DoesFileExist(link)) {
        return eFMFileNotFound;
    }
    if (!IsFileSystemLink(link)) {
        return eFMIsNoAFileSystemLink;
    }
    try {
        boost::system::error_code ec;
        const bfs::path target = bfs::read_symlink(link->path, ec);
        if (ec) {
            return ConvertErrorPOSIX(ec.value());
        }
        const std::string text = target.is_absolute()
                                     ? target.string()
                                     : detail::ParentOf(link->path) + "/" + target.string();
        return detail::NewPathRef(text, out);
    } catch (const std::exception&) {
        return eMemNewFailed;
    }
}

KTErr ResolveWinShortcut(const KTPathType* shortcut, KTPathType*& out) {
    out = nullptr;
    return shortcut == nullptr ? eMemNullPointer : eWinOnlyCode;
}

KTErr CreateFileSystemLink(const KTPathType* target, const KTPathType* link) {
    if (const KTErr err = CheckRefs({target, link}); err != eNoErr) {
        return err;
    }
    boost::system::error_code ec;
    bfs::create_symlink(target->path, link->path, ec);
    return ec ? ConvertErrorPOSIX(ec.value()) : eNoErr;
}

unsigned int GetPathAsString(const KTPathType* ref, KCFixedStringBase& out) {
    out.clear();
    return Checked(ref) != nullptr ? Fill(out, ref->path) : 0;
}

unsigned int GetNativePathAsString(const KTPathType* ref, KCFixedStringBase& out) {
    return GetPathAsString(ref, out);
}

unsigned int GetPathAsPosixString(const KTPathType* ref, KCFixedStringBase& out) {
    return GetPathAsString(ref, out);
}

unsigned int GetLeaf(const KTPathType* ref, KCFixedStringBase& out) {
    out.clear();
    return Checked(ref) != nullptr ? Fill(out, detail::LeafOf(ref->path)) : 0;
}

unsigned int GetBase(const KTPathType* ref, KCFixedStringBase& out) {
    out.clear();
    if (Checked(ref) == nullptr) {
        return 0;
    }
    const std::string leaf = detail::LeafOf(ref->path);
    const auto dot = ExtensionDot(leaf);
    return Fill(out, dot == std::string::npos ? leaf : leaf.substr(0, dot));
}

unsigned int GetExtension(const KTPathType* ref, KCFixedStringBase& out) {
    out.clear();
    if (Checked(ref) == nullptr) {
        return 0;
    }
    const std::string leaf = detail::LeafOf(ref->path);
    const auto dot = ExtensionDot(leaf);
    return dot == std::string::npos ? 0 : Fill(out, leaf.substr(dot + 1));
}

unsigned int GetParentDirectory(const KTPathType* ref, KCFixedStringBase& out) {
    out.clear();
    return Checked(ref) != nullptr ? Fill(out, detail::ParentOf(ref->path)) : 0;
}

KTErr GetRelativeDifference(const KTPathType* ref, const KTPathType* base, KCFixedStringBase& out) {
    out.clear();
    if (const KTErr err = CheckRefs({ref, base}); err != eNoErr) {
        return err;
    }
    try {
        const bfs::path rel = bfs::path(ref->path).lexically_relative(base->path);
        if (rel.empty()) {
            return eFMWrongParameters;
        }
        Fill(out, rel.string());
        return eNoErr;
    } catch (const std::exception&) {
        return eMemNewFailed;
    }
}

KTErr NormalizePathString(const char* utf8, KCFixedStringBase& out) {
    out.clear();
    try {
        std::string normal;
        const KTErr err = detail::NormalizeUtf8(utf8, normal);
        if (err == eNoErr) {
            Fill(out, normal);
        }
        return err;
    } catch (const std::exception&) {
        return eMemNewFailed;
    }
}

void UnNormalizePathString(KCFixedStringBase& path) {
    if (path.begins_with(R"(\\?\)")) {
        path.erase(0, 4);
    }
    if (path.begins_with("//?/")) {
        path.erase(0, 4);
    }
}

bool IsSameExtension(const char* a, const char* b) {
    if (a == nullptr || b == nullptr) {
        return a == b;
    }
    const KCFixedString<15> left(a);
    const KCFixedString<15> right(b);
    return left.case_insensitive_compare(right) == 0;
}

bool IsBundleExtension(const char* ext) {
    return IsSameExtension(ext, "bundle");
}

bool IsBundlePath(const KTPathType* path) {
    KCFixedString<255> ext;
    GetExtension(path, ext);
    return Checked(path) != nullptr && IsBundleExtension(ext.c_str());
}

bool IsExistingBundle(const KTPathType* path) {
    return IsBundlePath(path) && IsFolder(path);
}

KTErr GetPathToBundleDLLFolder(const KTPathType* bundle, KTPathType*& out) {
    return BundleSubFolder(bundle, "Contents/Win32", out);
}

KTErr GetPathToBundleResourcesFolder(const KTPathType* bundle, KTPathType*& out) {
    return BundleSubFolder(bundle, "Contents/Resources", out);
}

KTErr GetPathToBundleLinux32Folder(const KTPathType* bundle, KTPathType*& out) {
    return BundleSubFolder(bundle, "Contents/Linux32", out);
}

KTErr GetPathToBundleLinux64Folder(const KTPathType* bundle, KTPathType*& out) {
    return BundleSubFolder(bundle, "Contents/Linux64", out);
}

KTErr GetPathToBundleMainExecutable(const KTPathType* bundle, KTPathType*& out) {
    out = nullptr;
    if (bundle == nullptr) {
        return eMemNullPointer;
    }
    if (!IsBundlePath(bundle) || IsFileSystemLink(bundle) || !IsFolder(bundle, false)) {
        return kNotABundle;
    }
    KCFixedString<255> base;
    GetBase(bundle, base);
    const KCFixedString<300> relative("Contents/Linux64/", base.c_str());
    KTPathType* exe = nullptr;
    KTErr err = CreatePathRef(bundle, KCFixedString<300>(relative, ".so").c_str(), exe);
    if (err != eNoErr) {
        return err;
    }
    if (IsFileSystemLink(exe) || !IsFile(exe, false)) {
        // Cleanup after the error being returned.
        (void)DisposePathRef(exe);
        return eBundleExecutableNotFound;
    }
    out = exe;
    return eNoErr;
}

KTErr GetPathToBundleGivenMainExecutable(const KTPathType* exe, KTPathType*& out) {
    out = nullptr;
    if (const KTErr err = CheckRefs({exe}); err != eNoErr) {
        return err;
    }
    const std::string platformFolder = detail::ParentOf(exe->path);
    const std::string contents = detail::ParentOf(platformFolder);
    const std::string bundle = detail::ParentOf(contents);
    if (detail::LeafOf(contents) != "Contents" || contents == "/" || bundle == "/") {
        return kNotABundle;
    }
    KTPathType* result = nullptr;
    const KTErr err = detail::NewPathRef(bundle, result);
    if (err != eNoErr) {
        return err;
    }
    if (!IsBundlePath(result)) {
        // Cleanup after the error being returned.
        (void)DisposePathRef(result);
        return kNotABundle;
    }
    out = result;
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3::FM
