// The one export macro of libkorvane.so: everything is hidden unless marked.
#pragma once

#define KORVANE_API __attribute__((visibility("default")))

// The short name of the versioned namespace, available with every public header.
namespace kvKorvaneV10_0_3 {}
namespace korvane = kvKorvaneV10_0_3;
