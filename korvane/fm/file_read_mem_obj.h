// Utils::KCStFileReadMemObj: a whole file's bytes, read once, as a const memory object.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/mem_obj.h"
#include "korvane/core/validatable.h"
#include "korvane/fm/path.h"

namespace kvKorvaneV10_0_3::Utils {

// Reads the file in its constructor; when reading fails the object is empty and invalid with
// the reading error (eFMFileNotFound, eFMIsAFolder, eFMPermissionErr, ...). An empty file is
// valid with size 0. [any-thread] on distinct objects.
class KORVANE_API KCStFileReadMemObj : public KUValidatable, public KCStConstMemObj {
public:
    explicit KCStFileReadMemObj(const FM::KCStPath& path);
    KCStFileReadMemObj(const KCStFileReadMemObj&) = delete;
    KCStFileReadMemObj& operator=(const KCStFileReadMemObj&) = delete;
    ~KCStFileReadMemObj() override;

    // The bytes as characters (null when empty).
    [[nodiscard]] const char* data() const { return static_cast<const char*>(ptr); }
};

}  // namespace kvKorvaneV10_0_3::Utils
