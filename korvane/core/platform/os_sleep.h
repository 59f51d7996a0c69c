// Putting the calling thread to sleep, behind a function that includes no OS header.
#pragma once

namespace kvKorvaneV10_0_3::platform {

// Sleeps at least `milliseconds` (resuming after signals); 0 only yields the processor.
void SleepMilliseconds(unsigned int milliseconds);

}  // namespace kvKorvaneV10_0_3::platform
