// POSIX side of the tests' special files.
#include "korvane/core/testing/special_files.h"

#include <sys/stat.h>

namespace kvKorvaneV10_0_3::test_support {

bool MakeFifo(const char* path) {
    return ::mkfifo(path, 0600) == 0;
}

}  // namespace kvKorvaneV10_0_3::test_support
