// The file objects: KCStFile (an open file closed by its destructor) and the three classes that
// choose how it is opened: KCStFileRead, KCStFileWrite and KCStFileCreate. [any-thread] on
// distinct objects.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/mem_obj.h"
#include "korvane/core/validatable.h"
#include "korvane/fm/fm_types.h"

#include <cstdint>
#include <string>

namespace kvKorvaneV10_0_3::FM {

class KCStPath;

class KORVANE_API KCStFile : public KUValidatable {
public:
    KCStFile(const KCStFile&) = delete;
    KCStFile& operator=(const KCStFile&) = delete;
    ~KCStFile() override;

    // True while the file is open.
    [[nodiscard]] bool IsValidSelf() const override;

    [[nodiscard]] std::int64_t GetCursor() const;
    // mode: KEPositionMode (0 start, 1 cursor, 2 end); others give eFMWrongParameters.
    [[nodiscard]] KTErr SetCursor(long offset, int mode);
    // -1 when the size cannot be had.
    [[nodiscard]] std::int64_t GetFileSize() const;
    // The open handle, still owned by this object (the invalid handle when not open).
    [[nodiscard]] KTOpenFileType* GetFileRef() const { return m_file; }
    [[nodiscard]] const KCFixedString<1023>& GetPathString() const { return m_pathString; }

protected:
    explicit KCStFile(const KCStPath& path);
    // The opening error is stored; the handle stays invalid on failure.
    void Opened(KTErr err, KTOpenFileType* file, const KCStPath& path);

    [[nodiscard]] KTErr base_Read(void* buffer, std::uint64_t count, std::uint64_t& done);
    [[nodiscard]] KTErr base_Write(const void* buffer, std::uint64_t count, std::uint64_t& done);
    [[nodiscard]] KTErr base_WriteFromString(const char* text);
    [[nodiscard]] KTErr base_WriteFromString(const KCFixedStringBase& text);
    [[nodiscard]] KTErr base_WriteFromString(const std::string& text);
    [[nodiscard]] KTErr base_WriteFromKCStMemObj(const Utils::KCStMemObj& data);
    // From the cursor to the end of the file.
    [[nodiscard]] KTErr base_ReadToKCStMemObj(Utils::KCStMemObj& out);
    [[nodiscard]] KTErr base_ReadToStdString(std::string& out);
    [[nodiscard]] KTErr base_SetFileSize(std::int64_t size);

private:
    KTOpenFileType* m_file;  // owned; closed by the destructor
    KCFixedString<1023> m_pathString;
};

// Opened for reading (others may read too). [any-thread]
class KORVANE_API KCStFileRead : public KCStFile {
public:
    explicit KCStFileRead(const KCStPath& path);
    [[nodiscard]] KTErr Read(void* buffer, std::uint64_t count, std::uint64_t& done) {
        return base_Read(buffer, count, done);
    }
    [[nodiscard]] KTErr ReadToStdString(std::string& out) { return base_ReadToStdString(out); }
    [[nodiscard]] KTErr ReadToKCStMemObj(Utils::KCStMemObj& out) {
        return base_ReadToKCStMemObj(out);
    }
};

// Opened for writing with the cursor at the end: writes append. [any-thread]
class KORVANE_API KCStFileWrite : public KCStFile {
public:
    explicit KCStFileWrite(const KCStPath& path);
    [[nodiscard]] KTErr Write(const void* buffer, std::uint64_t count, std::uint64_t& done) {
        return base_Write(buffer, count, done);
    }
    [[nodiscard]] KTErr WriteFromString(const char* text) { return base_WriteFromString(text); }
    [[nodiscard]] KTErr WriteFromString(const KCFixedStringBase& text) {
        return base_WriteFromString(text);
    }
    [[nodiscard]] KTErr WriteFromString(const std::string& text) {
        return base_WriteFromString(text);
    }
    [[nodiscard]] KTErr WriteFromKCStMemObj(const Utils::KCStMemObj& data) {
        return base_WriteFromKCStMemObj(data);
    }
    [[nodiscard]] KTErr SetFileSize(std::int64_t size) { return base_SetFileSize(size); }
};

// Created (with its folder) as CreateAFile does; reading and writing as the permission allows.
// [any-thread]
class KORVANE_API KCStFileCreate : public KCStFile {
public:
    KCStFileCreate(const KCStPath& path, KECreateFlags flags, KEPermitions perm,
                   unsigned short mode = 0);
    [[nodiscard]] KTErr Read(void* buffer, std::uint64_t count, std::uint64_t& done) {
        return base_Read(buffer, count, done);
    }
    [[nodiscard]] KTErr ReadToStdString(std::string& out) { return base_ReadToStdString(out); }
    [[nodiscard]] KTErr ReadToKCStMemObj(Utils::KCStMemObj& out) {
        return base_ReadToKCStMemObj(out);
    }
    [[nodiscard]] KTErr Write(const void* buffer, std::uint64_t count, std::uint64_t& done) {
        return base_Write(buffer, count, done);
    }
    [[nodiscard]] KTErr WriteFromString(const char* text) { return base_WriteFromString(text); }
    [[nodiscard]] KTErr WriteFromString(const KCFixedStringBase& text) {
        return base_WriteFromString(text);
    }
    [[nodiscard]] KTErr WriteFromString(const std::string& text) {
        return base_WriteFromString(text);
    }
    [[nodiscard]] KTErr WriteFromKCStMemObj(const Utils::KCStMemObj& data) {
        return base_WriteFromKCStMemObj(data);
    }
    [[nodiscard]] KTErr SetFileSize(std::int64_t size) { return base_SetFileSize(size); }
};

}  // namespace kvKorvaneV10_0_3::FM
