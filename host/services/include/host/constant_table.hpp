// vextrab's constant table: the program's 60 literal arrays, made once by the
// library's initialiser (number 60 first, down to number 1) and destroyed by its
// finaliser (number 1 first, up to number 60). The bodies only read them.
#pragma once

#include <mex.h>

namespace xt {

extern "C" void initializeConstantTable(void);
extern "C" void terminateConstantTable(void);

// The handle at position n (1..60); raises if the table has not been made.
const mxArray* constantTableEntry(int n);

}  // namespace xt
