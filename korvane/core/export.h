// The one export macro of libkorvane.so: everything is hidden unless marked.
#pragma once

#define KORVANE_API __attribute__((visibility("default")))
