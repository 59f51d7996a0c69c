// The file objects over the flat open-file functions.
#include "korvane/fm/file.h"

#include "korvane/fm/file_io.h"
#include "korvane/fm/path.h"

#include <climits>
#include <cstring>

namespace kvKorvaneV10_0_3::FM {

KCStFile::KCStFile(const KCStPath& path)
    : m_file(GetInvalidOpenFileRef()), m_pathString(path.GetPathString()) {
    SetError(eFMFileNotOpened);
}

KCStFile::~KCStFile() {
    // Nothing to report from a destructor.
    (void)CloseFile(m_file);
}

bool KCStFile::IsValidSelf() const {
    return IsValidOpenFileRef(m_file);
}

void KCStFile::Opened(KTErr err, KTOpenFileType* file, const KCStPath& path) {
    // An unusable path keeps its own reason rather than a bare null-pointer code.
    if (path.GetPathRef() == nullptr && path.GetError() != eNoErr) {
        err = path.GetError();
    }
    m_file = err == eNoErr ? file : GetInvalidOpenFileRef();
    SetError(err);
}

std::int64_t KCStFile::GetCursor() const {
    std::int64_t position = 0;
    return GetFileCursor(m_file, position) == eNoErr ? position : -1;
}

KTErr KCStFile::SetCursor(long offset, int mode) {
    return SetFileCursor(m_file, offset, mode);
}

std::int64_t KCStFile::GetFileSize() const {
    std::int64_t size = 0;
    return GetFileSizeFromOpenFileRef(m_file, size) == eNoErr ? size : -1;
}

KTErr KCStFile::base_Read(void* buffer, std::uint64_t count, std::uint64_t& done) {
    return ReadFromFile(m_file, buffer, count, done);
}

KTErr KCStFile::base_Write(const void* buffer, std::uint64_t count, std::uint64_t& done) {
    return WriteToFile(m_file, buffer, count, done);
}

KTErr KCStFile::base_WriteFromString(const char* text) {
    if (text == nullptr) {
        return eMemNullPointer;
    }
    std::uint64_t done = 0;
    return base_Write(text, std::strlen(text), done);
}

KTErr KCStFile::base_WriteFromString(const KCFixedStringBase& text) {
    std::uint64_t done = 0;
    return base_Write(text.c_str(), text.length(), done);
}

KTErr KCStFile::base_WriteFromString(const std::string& text) {
    std::uint64_t done = 0;
    return base_Write(text.data(), text.size(), done);
}

KTErr KCStFile::base_WriteFromKCStMemObj(const Utils::KCStMemObj& data) {
    std::uint64_t done = 0;
    return base_Write(data.ptr, data.Empty() ? 0 : data.size, done);
}

KTErr KCStFile::base_ReadToKCStMemObj(Utils::KCStMemObj& out) {
    const std::int64_t size = GetFileSize();
    const std::int64_t cursor = GetCursor();
    if (size < 0 || cursor < 0) {
        return IsValidOpenFileRef(m_file) ? eFMReadFailed : eFMIllegalOpenFileRef;
    }
    const std::int64_t left = size > cursor ? size - cursor : 0;
    if (left >= static_cast<std::int64_t>(UINT_MAX)) {
        return eFMFileSizeTooBig;
    }
    Utils::KCStMemObj bytes;
    KTErr err = bytes.ResizePtr(static_cast<unsigned int>(left));
    if (err != eNoErr) {
        return err;
    }
    std::uint64_t done = 0;
    err = base_Read(bytes.ptr, static_cast<std::uint64_t>(left), done);
    if (err == eFMEndOfFile || left == 0) {
        err = eNoErr;  // nothing left is an empty result, not a failure
    }
    if (err != eNoErr) {
        return err;
    }
    bytes.size = static_cast<unsigned int>(done);
    out = std::move(bytes);
    return eNoErr;
}

KTErr KCStFile::base_ReadToStdString(std::string& out) {
    Utils::KCStMemObj bytes;
    const KTErr err = base_ReadToKCStMemObj(bytes);
    if (err == eNoErr) {
        out.assign(static_cast<const char*>(bytes.ptr), bytes.Empty() ? 0 : bytes.size);
    }
    return err;
}

KTErr KCStFile::base_SetFileSize(std::int64_t size) {
    return FM::SetFileSize(m_file, size);
}

KCStFileRead::KCStFileRead(const KCStPath& path) : KCStFile(path) {
    KTOpenFileType* file = nullptr;
    const KTErr err = OpenFile(path.GetPathRef(), eReadPerm, file);
    Opened(err, file, path);
}

KCStFileWrite::KCStFileWrite(const KCStPath& path) : KCStFile(path) {
    KTOpenFileType* file = nullptr;
    const KTErr err = OpenFile(path.GetPathRef(), eWritePerm, file);
    Opened(err, file, path);
}

KCStFileCreate::KCStFileCreate(const KCStPath& path, KECreateFlags flags, KEPermitions perm,
                               unsigned short mode)
    : KCStFile(path) {
    KTOpenFileType* file = nullptr;
    const KTErr err = CreateAFile(path.GetPathRef(), flags, perm, file, mode);
    Opened(err, file, path);
}

}  // namespace kvKorvaneV10_0_3::FM
