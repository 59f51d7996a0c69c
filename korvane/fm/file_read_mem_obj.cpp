// Reading a whole file into a const memory object.
#include "korvane/fm/file_read_mem_obj.h"

#include "korvane/fm/file_io.h"

namespace kvKorvaneV10_0_3::Utils {

KCStFileReadMemObj::KCStFileReadMemObj(const FM::KCStPath& path) {
    if (path.GetPathRef() == nullptr) {
        SetError(path.GetError() != eNoErr ? path.GetError() : eFMIllegalPathRef);
        return;
    }
    KCStMemObj bytes;
    const KTErr err = FM::ReadFileToKCStMemObj(path.GetPathRef(), bytes);
    SetError(err);
    if (err == eNoErr) {
        bytes.GiveAway(ptr, size);
    }
}

KCStFileReadMemObj::~KCStFileReadMemObj() = default;

}  // namespace kvKorvaneV10_0_3::Utils
