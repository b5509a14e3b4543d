// Conversion between rt::Array and the host's mxArray, written against the
// public MEX C API only, so that the same source builds against any host's
// mex.h.
//
// Ownership: every mxArray made here is held by an Owned the moment it exists;
// handing it to the host (an output slot) is an explicit release(). toArray
// copies and never takes over the array it reads.
#pragma once

#include <mex.h>

#include <memory>

#include "runtime/array.hpp"

namespace rt::mx {

struct Destroy {
  void operator()(mxArray* a) const noexcept { mxDestroyArray(a); }
};
using Owned = std::unique_ptr<mxArray, Destroy>;

// A new mxArray holding `value`: double (real or complex), char, logical, or a
// cell whose elements are converted the same way. An undefined value gives a
// null Owned (the host's "missing argument").
Owned fromArray(const Array& value);

// The value of an mxArray (NULL: undefined). Double, char, logical and cell
// arrays convert; a sparse double or logical array becomes the full array it
// stands for (its index arrays checked against its size before anything is
// read); a NULL cell element becomes []. Any other class (integers, single,
// struct, function handle) raises rt:wrongType; cells nested more than 200
// deep raise rt:badArgument; a full size that wraps or cannot fit in memory
// raises rt:maxVariableSize or rt:outOfMemory.
Array toArray(const mxArray* value);

}  // namespace rt::mx
