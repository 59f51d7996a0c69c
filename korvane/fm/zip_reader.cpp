// Zip reading over libzip, with libzip's error numbers mapped into the library's codes.
#include "korvane/fm/zip_reader.h"

#include "korvane/fm/path.h"

#include <zip.h>

#include <climits>
#include <cstring>

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

// Index of the first entry whose last name part is `name`, or -1.
zip_int64_t Locate(zip_t* archive, const KCFixedString<255>& name) {
    if (name.empty()) {
        return -1;
    }
    return zip_name_locate(archive, name.c_str(), ZIP_FL_NODIR);
}

struct StringSink {
    std::string& out;
    char* Resize(std::size_t n) {
        out.resize(n);
        return out.data();
    }
    void Shrink(std::size_t n) { out.resize(n); }
};

struct MemObjSink {
    Utils::KCStMemObj& out;
    KTErr err = eNoErr;
    char* Resize(std::size_t n) {
        err = out.ResizePtr(static_cast<unsigned int>(n));
        return err == eNoErr ? static_cast<char*>(out.ptr) : nullptr;
    }
    void Shrink(std::size_t n) { out.size = static_cast<unsigned int>(n); }
};

}  // namespace

KCStFileReadFromZip::KCStFileReadFromZip(const KCStPath& archive) {
    KTErr err = eNoErr;
    m_archive = OpenArchive(archive, err);
    SetError(err);
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
    const zip_int64_t index = Locate(archive, name);
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

template <typename Sink>
KTErr KCStFileReadFromZip::ReadEntry(const KCFixedString<255>& name, Sink& sink) const {
    if (m_archive == nullptr) {
        return GetError() != eNoErr ? GetError() : eFMFileNotOpened;
    }
    auto* archive = static_cast<zip_t*>(m_archive);
    const zip_int64_t index = Locate(archive, name);
    if (index < 0) {
        return eFMReadFailed;
    }
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive, static_cast<zip_uint64_t>(index), 0, &st) != 0 ||
        (st.valid & ZIP_STAT_SIZE) == 0) {
        return eFMReadFailed;
    }
    if (st.size >= UINT_MAX) {
        return eFMFileSizeTooBig;
    }
    zip_file_t* entry = zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0);
    if (entry == nullptr) {
        return eFMReadFailed;
    }
    KTErr err = eNoErr;
    try {
        char* buffer = sink.Resize(static_cast<std::size_t>(st.size));
        if (buffer == nullptr && st.size > 0) {
            err = eMemOutOfMemory;
        } else {
            zip_uint64_t done = 0;
            while (done < st.size) {
                const zip_int64_t n = zip_fread(entry, buffer + done, st.size - done);
                if (n <= 0) {
                    break;
                }
                done += static_cast<zip_uint64_t>(n);
            }
            // libzip checks the CRC only when a read reaches the end of the entry, so one more
            // read must report the end; damaged stored data is caught there.
            char extra = 0;
            const bool atEnd = done == st.size && zip_fread(entry, &extra, 1) == 0;
            // A short or failed read (truncated or corrupt data) is never success.
            if (!atEnd) {
                sink.Shrink(0);
                err = eFMReadFailed;
            }
        }
    } catch (const std::exception&) {
        err = eMemOutOfMemory;
    }
    zip_fclose(entry);
    return err;
}

KTErr KCStFileReadFromZip::ReadToStdString(const KCFixedString<255>& name, std::string& out) const {
    std::string bytes;
    StringSink sink{bytes};
    const KTErr err = ReadEntry(name, sink);
    if (err == eNoErr) {
        out = std::move(bytes);
    }
    return err;
}

KTErr KCStFileReadFromZip::ReadToKCStMemObj(const KCFixedString<255>& name,
                                            Utils::KCStMemObj& out) const {
    Utils::KCStMemObj bytes;
    MemObjSink sink{bytes};
    KTErr err = ReadEntry(name, sink);
    if (err == eNoErr && sink.err != eNoErr) {
        err = sink.err;
    }
    if (err == eNoErr) {
        out = std::move(bytes);
    }
    return err;
}

KCStZipFileIterator::KCStZipFileIterator(const KCStPath& archive) {
    KTErr err = eNoErr;
    m_archive = OpenArchive(archive, err);
    SetError(err);
    if (m_archive != nullptr) {
        m_count = zip_get_num_entries(static_cast<zip_t*>(m_archive), 0);
        if (m_count < 0) {
            m_count = 0;
        }
    }
}

KCStZipFileIterator::~KCStZipFileIterator() {
    CloseArchive(m_archive);
}

bool KCStZipFileIterator::GetNextItemFromZip(KCFixedString<255>& out) {
    out.clear();
    while (m_archive != nullptr && m_next < m_count) {
        const char* name =
            zip_get_name(static_cast<zip_t*>(m_archive), static_cast<zip_uint64_t>(m_next++), 0);
        if (name == nullptr) {
            continue;
        }
        const char* slash = std::strrchr(name, '/');
        const char* leaf = slash == nullptr ? name : slash + 1;
        if (*leaf != 0) {
            out = leaf;
            return true;
        }
    }
    return false;
}

}  // namespace kvKorvaneV10_0_3::FM
