// The whole public interface of libkorvane.so.
#pragma once

#include "korvane/algorithm/control_param.h"
#include "korvane/algorithm/display_functions.h"
#include "korvane/algorithm/param_base.h"
#include "korvane/algorithm/param_extension.h"
#include "korvane/algorithm/scale.h"
#include "korvane/core/bit_vector.h"
#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/ranged.h"
#include "korvane/graphs/graph_data_base.h"
#include "korvane/gui/base_control.h"
#include "korvane/gui/gui_control.h"
