// The resource manager's free functions: the process-wide manager, containers (bundles and
// modules), fetching and releasing resources, enumeration and writing. Every function is
// [any-thread]; failures come back as KTErr codes (null handles eMemNullPointer, handles the
// manager does not know eRMContainerNotFound, no manager eSomeThingNotInitailzed).
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/mem_obj.h"
#include "korvane/fm/path.h"
#include "korvane/rm/res_key.h"
#include "korvane/rm/res_types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::RM {

// Creates the manager if there is none (a second call is a no-op). [any-thread]
[[nodiscard]] KORVANE_API KTErr Init(unsigned long long flags, const char* owner);
// Destroys the manager and every container still open; handles become unknown. [any-thread]
[[nodiscard]] KORVANE_API KTErr Dispose();

// Counted use of the manager, for code that may be loaded several times into one process and
// cannot know of the other copies (each plug-in module of a format wrapper). Acquire creates the
// manager when there is none and counts one more user; Release counts one less and, at zero,
// disposes the manager only if an Acquire created it: a manager started with Init is left to
// its owner. Release without a matching Acquire gives eSomeThingNotInitailzed. [any-thread]
[[nodiscard]] KORVANE_API KTErr Acquire(unsigned long long flags, const char* owner);
[[nodiscard]] KORVANE_API KTErr Release();

// Opens (or shares, counting one more retain) the container at `path`: a module file (see
// docs/resources.md for the extensions) or an existing ".bundle" folder; anything else gives
// eRMInvalidResContainer. `permission` is an FM::KEPermitions value. [any-thread]
[[nodiscard]] KORVANE_API KTErr OpenResContainer(const FM::KCStPath& path, int permission,
                                                 KTResContainerType*& out, unsigned int flags = 0);
// Gives up one retain; the container is destroyed at zero. Nulls the handle. [any-thread]
[[nodiscard]] KORVANE_API KTErr CloseResContainer(KTResContainerType*& container);
// The container of a module already loaded (the handle dlopen gave). [any-thread]
[[nodiscard]] KORVANE_API KTErr AttachResContainer(KTNativeDLLRefType* module,
                                                   KTResContainerType*& out,
                                                   unsigned int flags = 0);
// Counterpart of AttachResContainer (same as CloseResContainer). [any-thread]
[[nodiscard]] KORVANE_API KTErr DetachResContainer(KTResContainerType*& container);

// Whether `path` names something that can be opened as a container. [any-thread]
[[nodiscard]] KORVANE_API KTErr IsResContainer(const FM::KCStPath& path, bool& result);
KORVANE_API bool IsOpenResContainer(const FM::KCStPath& path);
// Whether the container is a bundle; false also for a bad handle, whose code this form drops
// (GetContainerPath reports it). [any-thread]
KORVANE_API bool IsBundleResContainer(KTResContainerType* container);
[[nodiscard]] KORVANE_API KTErr GetContainerPath(KTResContainerType* container, FM::KCStPath& out);
// The module handle behind a module container (null for bundles). [any-thread]
KORVANE_API KTNativeDLLRefType* GetHMODULE(KTResContainerType* container);
// Retains of an open container; 0 when not open. [any-thread]
KORVANE_API int GetRetainCount(const FM::KCStPath& path);
KORVANE_API int GetRetainCount(KTResContainerType* container);
// References the container holds on the OS module: 1 for a module container, 0 otherwise.
KORVANE_API int GetOSRetainCount(KTResContainerType* container);

// Fetches a resource, loading and converting it on first use; every success must be paired
// with one ReleaseResource. `flags` may hold kRMFetchLooseOnly. [any-thread]
[[nodiscard]] KORVANE_API KTErr GetAResource(KTResContainerType* container, const KCResKey& key,
                                             KTResourceType*& out,
                                             const KSResConvertFuncs* convert = nullptr,
                                             unsigned int flags = 0);
[[nodiscard]] KORVANE_API KTErr GetAResource(KTResContainerType* container, const KCResType& type,
                                             short id, KTResourceType*& out,
                                             const KSResConvertFuncs* convert = nullptr,
                                             unsigned int flags = 0);
// GetAResource plus the loaded data and size. [any-thread]
[[nodiscard]] KORVANE_API KTErr GetResourceAndData(KTResContainerType* container,
                                                   const KCResKey& key, KTResourceType*& out,
                                                   void*& data, unsigned int& size,
                                                   const KSResConvertFuncs* convert = nullptr);
// The loaded data of a fetched resource (valid until its last release). [any-thread]
[[nodiscard]] KORVANE_API KTErr GetResData(KTResourceType* resource, void*& data);
[[nodiscard]] KORVANE_API KTErr GetResSize(KTResourceType* resource, unsigned int& size);
[[nodiscard]] KORVANE_API KTErr GetResInfo(KTResourceType* resource, KCResKey& key);
[[nodiscard]] KORVANE_API KTErr GetResRetainCount(KTResourceType* resource, int& count);
[[nodiscard]] KORVANE_API KTErr RetainResource(KTResourceType* resource);
// One release; the data is freed at zero. Nulls the handle. [any-thread]
[[nodiscard]] KORVANE_API KTErr ReleaseResource(KTResourceType*& resource);
[[nodiscard]] KORVANE_API KTErr ReleaseResources(KTResContainerType* container,
                                                 KTResourceType** resources, unsigned int count);
// Frees everything loaded from the container, whatever the retain counts. [any-thread]
[[nodiscard]] KORVANE_API KTErr ReleaseAllResources(KTResContainerType* container);
// Whether the resource is loaded; false also for a bad handle, whose code this form drops.
// [any-thread]
KORVANE_API bool IsResourceLoaded(KTResContainerType* container, const KCResKey& key);

// Existence and raw access without loading into the manager. The bool forms answer false also
// for a bad handle or a failed look-up, dropping its code; GetRawResSize reports it. [any-thread]
KORVANE_API bool DoesResourceExist(KTResContainerType* container, const KCResKey& key);
KORVANE_API bool DoesResourceExist(KTResContainerType* container, const KCResType& type, short id);
[[nodiscard]] KORVANE_API KTErr GetRawResSize(KTResContainerType* container, const KCResKey& key,
                                              std::uint64_t& size);
[[nodiscard]] KORVANE_API KTErr GetRawResourceData(KTResContainerType* container,
                                                   const KCResKey& key, Utils::KCStMemObj& out);
// The loaded (converted) form of a resource, copied. [any-thread]
[[nodiscard]] KORVANE_API KTErr
CopyResourceToKCStMemObj(KTResContainerType* container, const KCResKey& key, Utils::KCStMemObj& out,
                         const KSResConvertFuncs* convert = nullptr);
// Sorted, without duplicates. [any-thread]
[[nodiscard]] KORVANE_API KTErr GetResTypeList(KTResContainerType* container,
                                               std::vector<KCResType>& out);
// The names of a type that are decimal shorts / all names ("name?qualifier" for variants).
[[nodiscard]] KORVANE_API KTErr GetResIDList(KTResContainerType* container, const KCResType& type,
                                             std::vector<short>& out);
[[nodiscard]] KORVANE_API KTErr GetResIDList(KTResContainerType* container, const KCResType& type,
                                             std::vector<KCFixedString<255>>& out);
// Every key of the container, or of one type. [any-thread]
[[nodiscard]] KORVANE_API KTErr GetResourceList(KTResContainerType* container,
                                                std::vector<KCResKey>& out);
// Seconds since 1970 of the file (loose file, archive or module) behind the key. [any-thread]
[[nodiscard]] KORVANE_API KTErr GetModificationTime(KTResContainerType* container,
                                                    const KCResKey& key, std::int64_t& seconds);

// Writing (bundles opened with write permission): changes are staged in the container and
// reach the disk with WriteResource / WriteResContainer. [any-thread]
// eRMResExists when the key exists already.
[[nodiscard]] KORVANE_API KTErr AddResource(KTResContainerType* container, const KCResKey& key,
                                            const void* data, unsigned int size);
[[nodiscard]] KORVANE_API KTErr AddOrReplaceResource(KTResContainerType* container,
                                                     const KCResKey& key, const void* data,
                                                     unsigned int size);
// eRMResNotFound when the key does not exist.
[[nodiscard]] KORVANE_API KTErr UpdateResource(KTResContainerType* container, const KCResKey& key,
                                               const void* data, unsigned int size);
[[nodiscard]] KORVANE_API KTErr MarkResourceForDelete(KTResContainerType* container,
                                                      const KCResKey& key);
// Writes the staged change of one key / of every key.
[[nodiscard]] KORVANE_API KTErr WriteResource(KTResContainerType* container, const KCResKey& key);
[[nodiscard]] KORVANE_API KTErr WriteResContainer(KTResContainerType* container);

// The file behind an existing key ("<archive>/<entry>" for archived ones). [any-thread]
[[nodiscard]] KORVANE_API KTErr GetPathToActualFile(KTResContainerType* container,
                                                    const KCResKey& key, FM::KCStPath& out);
// Where the key's loose file is or would be. [any-thread]
[[nodiscard]] KORVANE_API KTErr GetPathToTheoreticalFile(KTResContainerType* container,
                                                         const KCResKey& key, FM::KCStPath& out);

// The (type, identifier) forms of the functions above: the key is built from the identifier.
// [any-thread]
[[nodiscard]] KORVANE_API KTErr GetResourceAndData(KTResContainerType* container,
                                                   const KCResType& type, short id,
                                                   KTResourceType*& out, void*& data,
                                                   unsigned int& size,
                                                   const KSResConvertFuncs* convert = nullptr);
KORVANE_API bool IsResourceLoaded(KTResContainerType* container, const KCResType& type, short id);
[[nodiscard]] KORVANE_API KTErr GetRawResSize(KTResContainerType* container, const KCResType& type,
                                              short id, std::uint64_t& size);
[[nodiscard]] KORVANE_API KTErr GetRawResourceData(KTResContainerType* container,
                                                   const KCResType& type, short id,
                                                   Utils::KCStMemObj& out);
[[nodiscard]] KORVANE_API KTErr
CopyResourceToKCStMemObj(KTResContainerType* container, const KCResType& type, short id,
                         Utils::KCStMemObj& out, const KSResConvertFuncs* convert = nullptr);
[[nodiscard]] KORVANE_API KTErr GetModificationTime(KTResContainerType* container,
                                                    const KCResType& type, short id,
                                                    std::int64_t& seconds);
[[nodiscard]] KORVANE_API KTErr AddResource(KTResContainerType* container, const KCResType& type,
                                            short id, const void* data, unsigned int size);
[[nodiscard]] KORVANE_API KTErr AddOrReplaceResource(KTResContainerType* container,
                                                     const KCResType& type, short id,
                                                     const void* data, unsigned int size);
[[nodiscard]] KORVANE_API KTErr UpdateResource(KTResContainerType* container, const KCResType& type,
                                               short id, const void* data, unsigned int size);
[[nodiscard]] KORVANE_API KTErr MarkResourceForDelete(KTResContainerType* container,
                                                      const KCResType& type, short id);
[[nodiscard]] KORVANE_API KTErr WriteResource(KTResContainerType* container, const KCResType& type,
                                              short id);
[[nodiscard]] KORVANE_API KTErr GetPathToActualFile(KTResContainerType* container,
                                                    const KCResType& type, short id,
                                                    FM::KCStPath& out);
[[nodiscard]] KORVANE_API KTErr GetPathToTheoreticalFile(KTResContainerType* container,
                                                         const KCResType& type, short id,
                                                         FM::KCStPath& out);

[[nodiscard]] KORVANE_API KTErr GetResourceManagerInfo(KTResContainerType* container,
                                                       KSResourceManagerInfo& out);
// The current manager (null before Init / after Dispose). [any-thread]
KORVANE_API KTResourceManagerType* GetResourceManagerObjectCurrent();
KORVANE_API KCFixedString<63> GetResourceManagerObjectCurrentOwnerName();
KORVANE_API KTResourceManagerType* GetResourceManagerObjectFromContainerPtr(
    KTResContainerType* container);
KORVANE_API bool IsResContainerFromCurrentResourceManagerObject(KTResContainerType* container);
// The flags given to Init (0 without a manager). [any-thread]
KORVANE_API unsigned long long GetRuntimeEnviron();
// A text listing of the open containers and their loaded resources. [any-thread]
KORVANE_API std::string DumpResFileMap();

}  // namespace kvKorvaneV10_0_3::RM
