// The flat layer on path references: creating, comparing, inspecting and spelling paths, and
// the bundle layout. Every function returns 0 or a KTErr code and leaves outputs empty on
// failure; null handles or strings give eMemNullPointer. All are [any-thread] on distinct
// references.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/fm/fm_types.h"

namespace kvKorvaneV10_0_3::FM {

using KTPathString = KCFixedString<1023>;
using KTPathComponent = KCFixedString<255>;

// From a UTF-8 string: empty gives eFMPathTooShort, relative eFMIncompletePath, invalid UTF-8
// eFMTranslateFileNameFailed, over 1023 bytes (or a component over 255) eFMPathTooLong.
[[nodiscard]] KORVANE_API KTErr CreatePathRefFromString(const char* utf8, KTPathType*& out);
// base + a relative part that may hold several "/"-separated levels; an absolute part gives
// eFMWrongParameters.
[[nodiscard]] KORVANE_API KTErr CreatePathRef(const KTPathType* base, const char* relative,
                                              KTPathType*& out);
// A new reference to the same path.
[[nodiscard]] KORVANE_API KTErr DuplicatePathRef(const KTPathType* ref, KTPathType*& out);
// The location of the cache file that belongs to `file` (the Korvane cache folder of the
// user plus the file's path below it).
[[nodiscard]] KORVANE_API KTErr CreatePathRefToCacheFile(const KTPathType* file, KTPathType*& out);
// Frees and nulls; a null reference is a no-op returning 0.
[[nodiscard]] KORVANE_API KTErr DisposePathRef(KTPathType*& ref);

KORVANE_API bool IsValid(const KTPathType* ref);
// Same spelling after normalisation.
KORVANE_API bool IsSamePath(const KTPathType* a, const KTPathType* b);
// Both exist and are the same filesystem object (hard links and symlinks resolved).
KORVANE_API bool IsSameFile(const KTPathType* a, const KTPathType* b);
// False for a null reference and for anything that does not exist (a broken link exists).
KORVANE_API bool DoesFileExist(const KTPathType* ref);
// Links are followed unless followLinks is false.
KORVANE_API bool IsFile(const KTPathType* ref, bool followLinks = true);
KORVANE_API bool IsFolder(const KTPathType* ref, bool followLinks = true);
KORVANE_API bool IsFileSystemLink(const KTPathType* ref);
// Windows shell shortcuts do not exist on this platform: always false.
KORVANE_API bool IsWinShortcut(const KTPathType* ref);
// The calling process may write the object (for a missing one: may create it in its folder).
KORVANE_API bool IsWritable(const KTPathType* ref);
// locked = another process holds a lock on the file (advisory record lock).
[[nodiscard]] KORVANE_API KTErr IsLocked(const KTPathType* ref, bool& locked);
// The target of a symbolic link, made absolute against the link's folder: eFMIsNoAFileSystemLink
// for anything else.
[[nodiscard]] KORVANE_API KTErr ResolveFileSystemLink(const KTPathType* link, KTPathType*& out);
// eWinOnlyCode: there are no shell shortcuts here.
[[nodiscard]] KORVANE_API KTErr ResolveWinShortcut(const KTPathType* shortcut, KTPathType*& out);
// Creates the symbolic link `link` pointing at `target`.
[[nodiscard]] KORVANE_API KTErr CreateFileSystemLink(const KTPathType* target,
                                                     const KTPathType* link);

// String views: each fills `out` and returns its number of characters (0 on failure).
KORVANE_API unsigned int GetPathAsString(const KTPathType* ref, KCFixedStringBase& out);
KORVANE_API unsigned int GetNativePathAsString(const KTPathType* ref, KCFixedStringBase& out);
KORVANE_API unsigned int GetPathAsPosixString(const KTPathType* ref, KCFixedStringBase& out);
// Last component with its extension.
KORVANE_API unsigned int GetLeaf(const KTPathType* ref, KCFixedStringBase& out);
// Last component without its extension (the part before the last dot).
KORVANE_API unsigned int GetBase(const KTPathType* ref, KCFixedStringBase& out);
// The part after the last dot of the leaf; empty without a dot.
KORVANE_API unsigned int GetExtension(const KTPathType* ref, KCFixedStringBase& out);
// The whole path of the parent folder ("/" for a top-level item and for the root).
KORVANE_API unsigned int GetParentDirectory(const KTPathType* ref, KCFixedStringBase& out);
// `ref` spelled relative to `base` (may start with ".."); eFMWrongParameters when no relative
// spelling exists.
[[nodiscard]] KORVANE_API KTErr GetRelativeDifference(const KTPathType* ref, const KTPathType* base,
                                                      KCFixedStringBase& out);

// Lexical normal form: "." and ".." resolved, repeated and trailing "/" removed. Links are not
// resolved. Over 1023 bytes gives eFMPathTooLong.
[[nodiscard]] KORVANE_API KTErr NormalizePathString(const char* utf8, KCFixedStringBase& out);
// Removes a leading "\\?\" and then a leading "//?/" long-path prefix.
KORVANE_API void UnNormalizePathString(KCFixedStringBase& path);
// Case-insensitive comparison of two extensions, each cut to 15 characters first.
KORVANE_API bool IsSameExtension(const char* a, const char* b);

// Bundles: folders with the extension "bundle".
KORVANE_API bool IsBundleExtension(const char* ext);
KORVANE_API bool IsBundlePath(const KTPathType* path);
KORVANE_API bool IsExistingBundle(const KTPathType* path);
// Contents/Win32, Contents/Resources, Contents/Linux32, Contents/Linux64 (need not exist).
[[nodiscard]] KORVANE_API KTErr GetPathToBundleDLLFolder(const KTPathType* bundle,
                                                         KTPathType*& out);
[[nodiscard]] KORVANE_API KTErr GetPathToBundleResourcesFolder(const KTPathType* bundle,
                                                               KTPathType*& out);
[[nodiscard]] KORVANE_API KTErr GetPathToBundleLinux32Folder(const KTPathType* bundle,
                                                             KTPathType*& out);
[[nodiscard]] KORVANE_API KTErr GetPathToBundleLinux64Folder(const KTPathType* bundle,
                                                             KTPathType*& out);
// X.bundle/Contents/Linux64/X.so: kNotABundle unless the bundle is a real folder (not a link)
// with the bundle extension; eBundleExecutableNotFound unless the executable is a real file.
[[nodiscard]] KORVANE_API KTErr GetPathToBundleMainExecutable(const KTPathType* bundle,
                                                              KTPathType*& out);
// From .../X.bundle/Contents/<platform>/X.so (or .dll) back to X.bundle; kNotABundle otherwise.
[[nodiscard]] KORVANE_API KTErr GetPathToBundleGivenMainExecutable(const KTPathType* exe,
                                                                   KTPathType*& out);

// The bundle checks' own code; it has no name in the error table.
inline constexpr KTErr kNotABundle = -2008;

}  // namespace kvKorvaneV10_0_3::FM
