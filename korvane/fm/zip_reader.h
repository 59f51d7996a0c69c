// Reading entries of zip archives: KCStFileReadFromZip reads one entry by its name and
// KCStZipFileIterator lists the file entries. Entry names are relative paths with "/": a "\\"
// reads as "/", and absolute names or names with empty, "." or ".." parts are neither listed
// nor readable. [any-thread] on distinct objects.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/mem_obj.h"
#include "korvane/core/validatable.h"

#include <cstddef>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::FM {

class KCStPath;

// The largest entry that is read into memory; larger stated sizes give eFMFileSizeTooBig.
inline constexpr unsigned int kZipEntryMaxBytes = 256U << 20;

// A readable entry: its normalised name and its index in the archive.
struct ZipEntryName {
    std::string name;
    unsigned long long index = 0;
};

// Opens the archive; a missing file gives eFMFileNotFound, a file that is not a readable zip
// archive eInvalidFileFormatProblem, other failures eFMOpenFailed / eFMReadFailed.
class KORVANE_API KCStFileReadFromZip : public KUValidatable {
public:
    explicit KCStFileReadFromZip(const KCStPath& archive);
    KCStFileReadFromZip(const KCStFileReadFromZip&) = delete;
    KCStFileReadFromZip& operator=(const KCStFileReadFromZip&) = delete;
    ~KCStFileReadFromZip() override;

    [[nodiscard]] bool IsValidSelf() const override { return m_archive != nullptr; }

    // Entries are found by their full name; a name without "/" that is no full name finds the
    // first entry whose last name part it is.

    // The entry's stated sizes; eFMFileNotFound when there is no such entry,
    // eFMFileSizeTooBig past 4 GiB.
    [[nodiscard]] KTErr GetEntrySize(const KCFixedString<255>& name, unsigned int& compressed,
                                     unsigned int& uncompressed) const;
    // The entry's bytes; eFMReadFailed when it cannot be opened or yields other than its stated
    // size (truncated, corrupt or falsely sized data), eFMFileSizeTooBig when the stated size is
    // over kZipEntryMaxBytes. Memory grows with the bytes read, never ahead of them on the word
    // of the stated size. An empty entry reads as empty; on failure `out` is left untouched.
    [[nodiscard]] KTErr ReadToStdString(const KCFixedString<255>& name, std::string& out) const;
    [[nodiscard]] KTErr ReadToKCStMemObj(const KCFixedString<255>& name,
                                         Utils::KCStMemObj& out) const;

private:
    // Locates, sizes and reads the entry whole; anything but exactly the stated size fails.
    [[nodiscard]] KTErr ReadEntry(const KCFixedString<255>& name, std::string& out) const;

    void* m_archive = nullptr;  // the open archive (zip_t)
    std::vector<ZipEntryName> m_entries;
};

// The readable file entries of an archive in index order, each by its full name; folder
// entries, refused names and names longer than 255 bytes (which no lookup could take) are
// skipped, so every listed name reads back its own entry.
class KORVANE_API KCStZipFileIterator : public KUValidatable {
public:
    explicit KCStZipFileIterator(const KCStPath& archive);
    KCStZipFileIterator(const KCStZipFileIterator&) = delete;
    KCStZipFileIterator& operator=(const KCStZipFileIterator&) = delete;
    ~KCStZipFileIterator() override;

    [[nodiscard]] bool IsValidSelf() const override { return m_archive != nullptr; }

    // The next entry's name; false when the entries are exhausted.
    bool GetNextItemFromZip(KCFixedString<255>& out);

private:
    void* m_archive = nullptr;  // the open archive (zip_t)
    std::vector<ZipEntryName> m_entries;
    std::size_t m_next = 0;
};

}  // namespace kvKorvaneV10_0_3::FM
