// Special files for tests of readers that must refuse them without waiting.
#pragma once

namespace kvKorvaneV10_0_3::test_support {

// Makes a named pipe (owner read and write) at `path`; false when it could not be made.
bool MakeFifo(const char* path);

}  // namespace kvKorvaneV10_0_3::test_support
