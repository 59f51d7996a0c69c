// Zip reading over libzip, with libzip's error numbers mapped into the library's codes.
#include "korvane/fm/zip_reader.h"

#include "korvane/fm/path.h"

#include <zip.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <exception>
#include <set>
#include <string_view>
#include <utility>

namespace kvKorvaneV10_0_3::FM {

namespace {

[[nodiscard]] KTErr ZipError(int zipError) {
    switch (zipError) {
        case ZIP_ER_OK:
            return eNoErr;
        case ZIP_ER_NOENT:
            return eFMFileNotFound;
        case ZIP_ER_MEMORY:
            return eMemOutOfMemory;
        case ZIP_ER_NOZIP:
        case ZIP_ER_INCONS:
        case ZIP_ER_MULTIDISK:
        case ZIP_ER_ZLIB:
        case ZIP_ER_COMPRESSED_DATA:
        case ZIP_ER_CRC:
        case ZIP_ER_COMPNOTSUPP:
        case ZIP_ER_ENCRNOTSUPP:
            return eInvalidFileFormatProblem;
        case ZIP_ER_OPEN:
            return eFMOpenFailed;
        case ZIP_ER_READ:
        case ZIP_ER_SEEK:
        case ZIP_ER_EOF:
            return eFMReadFailed;
        default:
            return eGenericErr;
    }
}

zip_t* OpenArchive(const KCStPath& archive, KTErr& err) {
    if (archive.GetPathRef() == nullptr) {
        err = archive.GetError() != eNoErr ? archive.GetError() : eFMIllegalPathRef;
        return nullptr;
    }
    if (archive.IsFolder()) {
        err = eFMIsAFolder;
        return nullptr;
    }
    int zipError = 0;
    zip_t* handle = zip_open(archive.GetNativePathString().c_str(), ZIP_RDONLY, &zipError);
    err = handle == nullptr ? ZipError(zipError) : eNoErr;
    if (handle == nullptr && err == eNoErr) {
        err = eFMOpenFailed;
    }
    return handle;
}

void CloseArchive(void*& archive) {
    if (archive != nullptr) {
        zip_discard(static_cast<zip_t*>(archive));
        archive = nullptr;
    }
}

bool IsRefusedSegment(std::string_view segment) {
    return segment.empty() || segment == "." || segment == "..";
}

// An entry name as the archive classes use it, or "" for a name they refuse (absolute, with an
// empty, "." or ".." part, or a folder entry ending in "/").
std::string NormaliseZipEntryName(std::string_view raw) {
    std::string name(raw);
    std::replace(name.begin(), name.end(), '\\', '/');
    // Absolute names and drive letters point outside the archive.
    const bool drive = name.size() >= 2 && name[1] == ':' &&
                       ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
    if (name.empty() || name.front() == '/' || drive) {
        return {};
    }
    for (std::size_t begin = 0; begin <= name.size();) {
        const std::size_t end = std::min(name.find('/', begin), name.size());
        if (IsRefusedSegment(std::string_view(name).substr(begin, end - begin))) {
            return {};  // also refuses folder entries, which end in "/"
        }
        begin = end + 1;
    }
    return name;
}

// The readable entries; of entries with the same full name only the first can be named, so
// only it is kept.
std::vector<ZipEntryName> ListEntries(zip_t* archive) {
    std::vector<ZipEntryName> entries;
    std::set<std::string> seen;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* raw = zip_get_name(archive, static_cast<zip_uint64_t>(i), 0);
        if (raw == nullptr) {
            continue;
        }
        std::string name = NormaliseZipEntryName(raw);
        if (!name.empty() && seen.insert(name).second) {
            entries.push_back({std::move(name), static_cast<unsigned long long>(i)});
        }
    }
    return entries;
}

std::string_view Leaf(std::string_view name) {
    const std::size_t slash = name.rfind('/');
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

// The entry whose full name is `name`; failing that, for a name without "/", the first entry
// whose last name part is `name`. -1 when there is none.
zip_int64_t LocateOrThrow(const std::vector<ZipEntryName>& entries,
                          const KCFixedString<255>& name) {
    const std::string wanted = NormaliseZipEntryName(name.c_str());
    if (wanted.empty()) {
        return -1;
    }
    for (const auto& entry : entries) {
        if (entry.name == wanted) {
            return static_cast<zip_int64_t>(entry.index);
        }
    }
    if (wanted.find('/') != std::string::npos) {
        return -1;
    }
    for (const auto& entry : entries) {
        if (Leaf(entry.name) == wanted) {
            return static_cast<zip_int64_t>(entry.index);
        }
    }
    return -1;
}

zip_int64_t Locate(const std::vector<ZipEntryName>& entries, const KCFixedString<255>& name) {
    try {
        return LocateOrThrow(entries, name);
    } catch (const std::exception&) {
        return -1;  // no memory for the normalised name: nothing found
    }
}

// Opens the archive and lists its readable entries; on failure nothing stays open.
[[nodiscard]] KTErr OpenAndList(const KCStPath& path, void*& archive,
                                std::vector<ZipEntryName>& entries) {
    KTErr err = eNoErr;
    archive = OpenArchive(path, err);
    if (archive == nullptr) {
        return err;
    }
    try {
        entries = ListEntries(static_cast<zip_t*>(archive));
    } catch (const std::exception&) {
        CloseArchive(archive);
        return eMemOutOfMemory;
    }
    return eNoErr;
}

}  // namespace

KCStFileReadFromZip::KCStFileReadFromZip(const KCStPath& archive) {
    SetError(OpenAndList(archive, m_archive, m_entries));
}

KCStFileReadFromZip::~KCStFileReadFromZip() {
    CloseArchive(m_archive);
}

KTErr KCStFileReadFromZip::GetEntrySize(const KCFixedString<255>& name, unsigned int& compressed,
                                        unsigned int& uncompressed) const {
    compressed = 0;
    uncompressed = 0;
    if (m_archive == nullptr) {
        return GetError() != eNoErr ? GetError() : eFMFileNotOpened;
    }
    auto* archive = static_cast<zip_t*>(m_archive);
    const zip_int64_t index = Locate(m_entries, name);
    zip_stat_t st;
    zip_stat_init(&st);
    if (index < 0 || zip_stat_index(archive, static_cast<zip_uint64_t>(index), 0, &st) != 0) {
        return eFMFileNotFound;
    }
    if (st.comp_size > UINT_MAX || st.size > UINT_MAX) {
        return eFMFileSizeTooBig;
    }
    compressed = static_cast<unsigned int>(st.comp_size);
    uncompressed = static_cast<unsigned int>(st.size);
    return eNoErr;
}

KTErr KCStFileReadFromZip::ReadEntry(const KCFixedString<255>& name, std::string& out) const {
    if (m_archive == nullptr) {
        return GetError() != eNoErr ? GetError() : eFMFileNotOpened;
    }
    auto* archive = static_cast<zip_t*>(m_archive);
    const zip_int64_t index = Locate(m_entries, name);
    if (index < 0) {
        return eFMReadFailed;
    }
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive, static_cast<zip_uint64_t>(index), 0, &st) != 0 ||
        (st.valid & ZIP_STAT_SIZE) == 0) {
        return eFMReadFailed;
    }
    if (st.size > kZipEntryMaxBytes) {
        return eFMFileSizeTooBig;
    }
    zip_file_t* entry = zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0);
    if (entry == nullptr) {
        return eFMReadFailed;
    }
    KTErr err = eNoErr;
    try {
        // The stated size is only a claim: memory grows with the bytes that actually arrive,
        // so a false size in the directory costs no more than the data behind it.
        constexpr std::size_t kChunk = std::size_t{1} << 16;
        const auto stated = static_cast<std::size_t>(st.size);
        std::string bytes;
        std::size_t done = 0;
        while (done < stated) {
            const std::size_t want = std::min(stated - done, kChunk);
            bytes.resize(done + want);
            const zip_int64_t n = zip_fread(entry, bytes.data() + done, want);
            if (n <= 0) {
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        // libzip checks the CRC only when a read reaches the end of the entry, so one more
        // read must report the end; damaged stored data and bytes past the stated size are
        // caught there.
        char extra = 0;
        const bool atEnd = done == stated && zip_fread(entry, &extra, 1) == 0;
        if (atEnd) {
            bytes.resize(done);
            out = std::move(bytes);
        } else {
            err = eFMReadFailed;  // a short or failed read is never success
        }
    } catch (const std::exception&) {
        err = eMemOutOfMemory;
    }
    zip_fclose(entry);
    return err;
}

KTErr KCStFileReadFromZip::ReadToStdString(const KCFixedString<255>& name, std::string& out) const {
    return ReadEntry(name, out);
}

KTErr KCStFileReadFromZip::ReadToKCStMemObj(const KCFixedString<255>& name,
                                            Utils::KCStMemObj& out) const {
    std::string bytes;
    if (const KTErr err = ReadEntry(name, bytes); err != eNoErr) {
        return err;
    }
    Utils::KCStMemObj copy;
    if (const KTErr err = copy.Assign(bytes.data(), static_cast<unsigned int>(bytes.size()));
        err != eNoErr) {
        return err;
    }
    out = std::move(copy);
    return eNoErr;
}

KCStZipFileIterator::KCStZipFileIterator(const KCStPath& archive) {
    SetError(OpenAndList(archive, m_archive, m_entries));
}

KCStZipFileIterator::~KCStZipFileIterator() {
    CloseArchive(m_archive);
}

bool KCStZipFileIterator::GetNextItemFromZip(KCFixedString<255>& out) {
    out.clear();
    while (m_next < m_entries.size()) {
        const std::string& name = m_entries[m_next++].name;
        // A name that does not fit the lookup type could not be read back by it.
        if (name.size() <= out.capacity()) {
            out = name.c_str();
            return true;
        }
    }
    return false;
}

}  // namespace kvKorvaneV10_0_3::FM
