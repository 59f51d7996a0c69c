// The handle types and enumerations shared by the flat and the object layer of the files and
// folders subsystem.
#pragma once

#include "korvane/core/export.h"

namespace kvKorvaneV10_0_3::FM {

// A path reference: always an absolute, normalised UTF-8 path. Opaque; created by the
// path-reference functions and freed with DisposePathRef.
struct KTPathType;
// An open file. Opaque; the all-ones pointer value is the invalid handle.
struct KTOpenFileType;

enum KESystemFolders : int {
    eSystemFolder = 0,
    eDesktopFolder,
    ePreferencesFolder,
    eKorvanePreferencesFolder,
    eTemporaryFolder,
    eTrashFolder,
    eCurrentFolder,
    eRootFolder,
    eLibrariesFolder,
    eAudioComponentsFolder,
    eCacheFolder,
    eKorvaneCacheFolder,
    eAppDataFolder,
    eKorvaneAppDataFolder,
    eSharedUserDataFolder,
    eKorvaneSharedUserDataFolder,
    eKorvaneScanViewFolder,
    eKorvanePreferencesFolder2,
    eKorvaneFulcrixConfigFolder,
    eKorvaneUserLogsFolder,
};

enum KEFoldersDomain : int {
    eSystemDomain = 0,
    eLocalDomain,
    eUserDomain,
    eUserLocalDomain,
};

enum KECreateFlags : int {
    eOpenOrCreate = 0,    // open an existing file, else create it
    eCreateNew = 1,       // create; fail with eFMFileAllreadyExists if it exists
    eCreateTruncate = 2,  // create, emptying an existing file
};

enum KEPermitions : int {
    eReadPerm = 0,       // read; others may read too
    eWritePerm = 1,      // write; the cursor starts at the end, so writing appends
    eReadWritePerm = 2,  // read and write, cursor at the start
};

enum KEPositionMode : int {
    eFromStart = 0,
    eFromCursor = 1,
    eFromEnd = 2,
};

// Printable names; out-of-range values give "Unknown System Folder" / "Unknown Folder Domain".
// [any-thread]
KORVANE_API const char* KESystemFoldersName(int folder);
KORVANE_API const char* KEFoldersDomainName(int domain);

}  // namespace kvKorvaneV10_0_3::FM
