// testlib: a tiny library plug-in for the loader tests. Exports `_mexLibrary`
// with one function, testlib (2 inputs, 1 output), whose local function table
// holds tl_double and tl_table; one initialiser/finaliser pair that makes and
// destroys a constant and says so; and two string resources.
//
// testlib(op, x) does what `op` names (see the table in testlibFeval).
#include <mex.h>

#include <memory>
#include <string>

#include "runtime/mexlibrary.h"

namespace {

struct Destroy {
  void operator()(mxArray* a) const noexcept { mxDestroyArray(a); }
};
using Owned = std::unique_ptr<mxArray, Destroy>;

mxArray* constant = nullptr;  // owned by the plug-in from initialiser to finaliser
int initialisations = 0;

std::string textOf(const mxArray* a) {
  char* s = mxArrayToString(a);
  std::string out = s != nullptr ? s : "";
  mxFree(s);
  return out;
}

const mexLocalFunctionTable* currentTable() {
  const mexLocalFunctionTable* t = mexhostSetLocalFunctionTable(nullptr);
  mexhostSetLocalFunctionTable(t);
  return t;
}

extern const mexLocalFunctionTable kLocalTable;

// tl_double(x): 2*x for a real double x.
extern "C" void tlDouble(int nlhs, void* plhs[], int nrhs, void* prhs[]) {
  if (nlhs > 1) mexErrMsgIdAndTxt("testlib:outputs", "tl_double: too many outputs");
  if (nrhs != 1) mexErrMsgIdAndTxt("testlib:inputs", "tl_double: one input expected");
  mxArray* y = mxDuplicateArray(static_cast<const mxArray*>(prhs[0]));
  double* p = mxGetPr(y);
  for (size_t i = 0; p != nullptr && i < mxGetNumberOfElements(y); ++i) p[i] *= 2;
  plhs[0] = y;
}

// tl_table(): true while this library's local table is the current one.
extern "C" void tlTable(int, void* plhs[], int, void*[]) {
  plhs[0] = mxCreateLogicalScalar(currentTable() == &kLocalTable);
}

void exitHandler() {
  mexPrintf("testlib: exit handler\n");
}

void initialise() {
  ++initialisations;
  constant = mxCreateDoubleScalar(42);
  mexPrintf("testlib: initialiser\n");
}

void terminate() {
  mxDestroyArray(constant);
  constant = nullptr;
  mexPrintf("testlib: finaliser\n");
}

extern "C" void testlibFeval(int nlhs, void* plhs[], int nrhs, void* prhs[]) {
  if (nlhs > 1) {
    mexErrMsgIdAndTxt("testlib:outputs",
                      "The function \"testlib\" was called with more than the declared number "
                      "of outputs (1).");
  }
  if (nrhs > 2) {
    mexErrMsgIdAndTxt("testlib:inputs",
                      "The function \"testlib\" was called with more than the declared number "
                      "of inputs (2).");
  }
  const std::string op = nrhs > 0 ? textOf(static_cast<const mxArray*>(prhs[0])) : "";
  mxArray* x = nrhs > 1 ? static_cast<mxArray*>(prhs[1]) : nullptr;
  mxArray** out = reinterpret_cast<mxArray**>(plhs);
  if (op == "const") {
    if (constant == nullptr) mexErrMsgIdAndTxt("testlib:state", "testlib is not initialised");
    out[0] = mxDuplicateArray(constant);
  } else if (op == "init") {
    out[0] = mxCreateDoubleScalar(initialisations);
  } else if (op == "local" || op == "host") {
    mxArray* in[1] = {x};
    mexCallMATLAB(1, out, 1, in, op == "local" ? "tl_double" : "sum");
  } else if (op == "table") {
    mexCallMATLAB(1, out, 0, nullptr, "tl_table");
  } else if (op == "error") {
    mexErrMsgIdAndTxt("testlib:failed", "Fel i testlib: %d (åäö)", 7);
  } else if (op == "hosterror") {
    Owned message(mxCreateString("Värdfel från testlib"));
    mxArray* in[1] = {message.get()};
    mexCallMATLAB(0, nullptr, 1, in, "error");
  } else if (op == "trap") {
    Owned message(mxCreateString("fångat fel"));
    mxArray* in[1] = {message.get()};
    Owned error(mexCallMATLABWithTrap(0, nullptr, 1, in, "error"));
    out[0] = error ? mxDuplicateArray(mxGetField(error.get(), 0, "message"))
                   : mxCreateString("no error");
  } else if (op == "print") {
    mexPrintf("utskrift: %s\n", textOf(x).c_str());
  } else if (op == "warn") {
    mexWarnMsgIdAndTxt("testlib:warn", "varning %d", 3);
  } else if (op == "eval") {
    out[0] = mxCreateDoubleScalar(mexEvalString(textOf(x).c_str()));
  } else if (op == "name") {
    out[0] = mxCreateString(mexFunctionName());
  } else if (op == "nlhs") {
    out[0] = mxCreateDoubleScalar(nlhs);
  } else if (op == "atexit") {
    mexAtExit(exitHandler);
  } else if (op == "echo") {
    out[0] = mxDuplicateArray(x);
  } else {
    mexErrMsgIdAndTxt("testlib:op", "testlib: unknown operation '%s'", op.c_str());
  }
}

const mexFunctionEntry kLocalRows[2] = {
    {"tl_double", tlDouble, 1, 1, nullptr},
    {"tl_table", tlTable, 0, 1, nullptr},
};
const mexLocalFunctionTable kLocalTable = {2, kLocalRows};
const mexFunctionEntry kFunctions[1] = {{"testlib", testlibFeval, 2, 1, &kLocalTable}};
const mexInitTermPair kInitTerm[1] = {{initialise, terminate}};
const mexLibraryDescriptor kDescriptor = {1, 1, kFunctions, {0, 0, 0, 0}, 1, kInitTerm};

}  // namespace

extern "C" const mexStringResource mexStringResources[] = {
    {100, "testresurs"}, {101, "Ålder på biblioteket"}, {0, nullptr}};

extern "C" const mexLibraryDescriptor* _mexLibrary() {
  return &kDescriptor;
}
