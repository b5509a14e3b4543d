// The runtime in one include: the Array value type, its operations, errors and warnings.
#pragma once

#include "runtime/array.hpp"
#include "runtime/error.hpp"
#include "runtime/ops.hpp"
