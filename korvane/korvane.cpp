// The shared library's own translation unit: the subsystems' object files make up the rest.
#include "korvane/korvane.h"
