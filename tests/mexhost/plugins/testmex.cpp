// testmex: a tiny classic plug-in (exports mexFunction) for the loader and MEX
// API tests. testmex(op, ...) does what `op` names.
#include <mex.h>

#include <string>

namespace {

std::string textOf(const mxArray* a) {
  char* s = mxArrayToString(a);
  std::string out = s != nullptr ? s : "";
  mxFree(s);
  return out;
}

void exitHandler() {
  mexPrintf("testmex: exit handler\n");
}

// Reverses the UTF-16 units of a char row.
mxArray* reversed(const mxArray* text) {
  const mwSize n = mxGetNumberOfElements(text);
  const mwSize dims[2] = {n == 0 ? mwSize{0} : mwSize{1}, n};
  mxArray* out = mxCreateCharArray(2, dims);
  const mxChar* in = mxGetChars(text);
  mxChar* units = mxGetChars(out);
  for (mwSize i = 0; i < n; ++i) units[i] = in[n - 1 - i];
  return out;
}

mxArray* conjugated(const mxArray* z) {
  const mwSize n = mxGetNumberOfElements(z);
  mxArray* out = mxCreateNumericArray(mxGetNumberOfDimensions(z), mxGetDimensions(z),
                                      mxDOUBLE_CLASS, mxCOMPLEX);
  const double* pi = mxGetPi(z);
  for (mwSize i = 0; i < n; ++i) {
    mxGetPr(out)[i] = mxGetPr(z)[i];
    mxGetPi(out)[i] = pi != nullptr ? -pi[i] : 0.0;
  }
  return out;
}

}  // namespace

extern "C" void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  if (nrhs < 1 || !mxIsChar(prhs[0]))
    mexErrMsgTxt("testmex: the first input must name an operation");
  const std::string op = textOf(prhs[0]);
  if (op == "add") {
    double sum = 0;
    for (int k = 1; k < nrhs; ++k) sum += mxGetScalar(prhs[k]);
    plhs[0] = mxCreateDoubleScalar(sum);
  } else if (op == "two") {
    plhs[0] = mxCreateDoubleScalar(1);
    if (nlhs > 1) plhs[1] = mxCreateDoubleScalar(2);
  } else if (op == "error") {
    mexErrMsgTxt("testmex: något gick fel");
  } else if (op == "errorid") {
    mexErrMsgIdAndTxt("testmex:tooLarge", "värdet %d är för stort", 5);
  } else if (op == "reverse") {
    plhs[0] = reversed(prhs[1]);
  } else if (op == "conj") {
    plhs[0] = conjugated(prhs[1]);
  } else if (op == "cell") {
    mxArray* c = mxCreateCellMatrix(1, 3);
    mxSetCell(c, 0, mxCreateDoubleScalar(1));
    mxSetCell(c, 1, mxCreateString("två"));
    mxArray* row = mxCreateDoubleMatrix(1, 2, mxREAL);
    mxGetPr(row)[0] = 1;
    mxGetPr(row)[1] = 2;
    mxSetCell(c, 2, row);
    plhs[0] = c;
  } else if (op == "call") {
    // testmex('call', name, args...): the host function's first result.
    const std::string name = textOf(prhs[1]);
    mexCallMATLAB(1, plhs, nrhs - 2, const_cast<mxArray**>(prhs + 2), name.c_str());
  } else if (op == "atexit") {
    mexAtExit(exitHandler);
  } else if (op == "noout") {
    // asks for nothing, returns nothing
  } else if (op == "struct") {
    const char* fields[1] = {"a"};
    plhs[0] = mxCreateStructMatrix(1, 1, 1, fields);
  } else if (op == "name") {
    plhs[0] = mxCreateString(mexFunctionName());
  } else if (op == "classes") {
    // The class names of the inputs after the first, comma-separated.
    std::string names;
    for (int k = 1; k < nrhs; ++k) names += std::string(k > 1 ? "," : "") + mxGetClassName(prhs[k]);
    plhs[0] = mxCreateString(names.c_str());
  } else {
    mexErrMsgIdAndTxt("testmex:op", "testmex: unknown operation '%s'", op.c_str());
  }
}
