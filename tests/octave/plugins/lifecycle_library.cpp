// A library plug-in that lets a test watch its host: the initialiser and the
// finaliser print "init" and "fini", and the one function, xtlifecycle (2
// inputs, 1 output), returns [initialiser runs, calls, nlhs, nrhs] since the
// library was loaded. With XT_LIFECYCLE_FAIL_INIT set in the environment the
// initialiser fails.
#include <mex.h>

#include <cstdlib>
#include <stdexcept>

#include "runtime/mexlibrary.h"

namespace {

int initialised = 0;
int calls = 0;

void initialize() {
  if (std::getenv("XT_LIFECYCLE_FAIL_INIT") != nullptr) throw std::runtime_error("refused");
  ++initialised;
  mexPrintf("init\n");
}

void terminate() {
  mexPrintf("fini\n");
}

void lifecycle(int nlhs, void* plhs[], int nrhs, void* /*prhs*/[]) {
  mxArray* out = mxCreateDoubleMatrix(1, 4, mxREAL);
  double* values = mxGetPr(out);
  values[0] = initialised;
  values[1] = ++calls;
  values[2] = nlhs;
  values[3] = nrhs;
  plhs[0] = out;
}

const mexFunctionEntry kFunctions[1] = {{"xtlifecycle", lifecycle, 2, 1, nullptr}};
const mexInitTermPair kInitTerm[1] = {{initialize, terminate}};
const mexLibraryDescriptor kDescriptor = {1, 1, kFunctions, {0, 0, 0, 0}, 1, kInitTerm};

}  // namespace

extern "C" __attribute__((visibility("default"))) const mexLibraryDescriptor* _mexLibrary() {
  return &kDescriptor;
}
