// Reading entries of zip archives: KCStFileReadFromZip reads one entry by its name (the folder
// part of entry names is ignored) and KCStZipFileIterator lists the file entries. [any-thread]
// on distinct objects.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/mem_obj.h"
#include "korvane/core/validatable.h"

#include <string>

namespace kvKorvaneV10_0_3::FM {

class KCStPath;

// Opens the archive; a missing file gives eFMFileNotFound, a file that is not a readable zip
// archive eInvalidFileFormatProblem, other failures eFMOpenFailed / eFMReadFailed.
class KORVANE_API KCStFileReadFromZip : public KUValidatable {
public:
    explicit KCStFileReadFromZip(const KCStPath& archive);
    KCStFileReadFromZip(const KCStFileReadFromZip&) = delete;
    KCStFileReadFromZip& operator=(const KCStFileReadFromZip&) = delete;
    ~KCStFileReadFromZip() override;

    [[nodiscard]] bool IsValidSelf() const override { return m_archive != nullptr; }

    // Sizes of the first entry whose last name part is `name`; eFMFileNotFound when there is
    // none, eFMFileSizeTooBig past 4 GiB.
    [[nodiscard]] KTErr GetEntrySize(const KCFixedString<255>& name, unsigned int& compressed,
                                     unsigned int& uncompressed) const;
    // The entry's bytes; eFMReadFailed when it cannot be opened or yields fewer bytes than its
    // stated size (truncated or corrupt data). An empty entry reads as empty.
    [[nodiscard]] KTErr ReadToStdString(const KCFixedString<255>& name, std::string& out) const;
    [[nodiscard]] KTErr ReadToKCStMemObj(const KCFixedString<255>& name,
                                         Utils::KCStMemObj& out) const;

private:
    // Locates, sizes and reads the entry whole into the sink; a short read is a failure.
    template <typename Sink>
    [[nodiscard]] KTErr ReadEntry(const KCFixedString<255>& name, Sink& sink) const;

    void* m_archive = nullptr;  // the open archive (zip_t)
};

// The file entries of an archive in index order, each as the part of its name after the last
// "/"; folder entries are skipped.
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
    long long m_count = 0;
    long long m_next = 0;
};

}  // namespace kvKorvaneV10_0_3::FM
