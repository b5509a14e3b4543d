// libmx: the host half of the MEX C API (mex.h), forwarded to the registered
// MexServices, and the host service mexhostSetLocalFunctionTable.
#include "mex.h"

#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "mexhost/mxhost.hpp"

namespace mh {
namespace {

MexServices* registered = nullptr;
// Set by the host's SIGINT handler, read by compiled code at safe points.
volatile std::sig_atomic_t interruptRequested = 0;
const mexLocalFunctionTable* currentTable = nullptr;

std::string vformat(const char* fmt, va_list args) {
  if (fmt == nullptr) return {};
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n) + 1, '\0');
  std::vsnprintf(out.data(), out.size(), fmt, args);
  out.resize(static_cast<std::size_t>(n));
  return out;
}

void warn(const char* identifier, const std::string& message) {
  if (registered != nullptr) {
    registered->warning(identifier != nullptr ? identifier : "", message);
  } else {
    std::fflush(stdout);
    std::fprintf(stderr, "warning: %s\n", message.c_str());
  }
}

// A 1-by-1 struct {message, identifier} for mexCallMATLABWithTrap.
mxArray* errorStruct(const std::string& identifier, const std::string& message) {
  const char* fields[2] = {"message", "identifier"};
  mxArray* s = mxCreateStructMatrix(1, 1, 2, fields);
  mxSetField(s, 0, "message", mxCreateString(message.c_str()));
  mxSetField(s, 0, "identifier", mxCreateString(identifier.c_str()));
  return s;
}

}  // namespace

MexError::MexError(std::string identifier, const std::string& message)
    : std::runtime_error(message), identifier_(std::move(identifier)) {}
MexError::~MexError() = default;

MexServices::~MexServices() = default;

void requestInterrupt() noexcept {
  interruptRequested = 1;
}
void clearInterrupt() noexcept {
  interruptRequested = 0;
}
bool interruptPending() noexcept {
  return interruptRequested != 0;
}

void setMexServices(MexServices* services) {
  registered = services;
}
MexServices* mexServices() {
  return registered;
}

const mexLocalFunctionTable* currentLocalFunctionTable() {
  return currentTable;
}

const mexLocalFunctionTable* setCurrentLocalFunctionTable(const mexLocalFunctionTable* table) {
  const mexLocalFunctionTable* previous = currentTable;
  currentTable = table;
  return previous;
}

}  // namespace mh

extern "C" {

__attribute__((visibility("default"))) int mexhostInterruptPending(void) {
  return mh::interruptPending() ? 1 : 0;
}

// The host service that library plug-ins' runtimes look up (weakly) to make
// their local function table current while their functions run.
__attribute__((visibility("default"))) const mexLocalFunctionTable* mexhostSetLocalFunctionTable(
    const mexLocalFunctionTable* table) {
  return mh::setCurrentLocalFunctionTable(table);
}

int mexCallMATLAB(int nlhs, mxArray* plhs[], int nrhs, mxArray* prhs[], const char* name) {
  if (mh::registered == nullptr) throw mh::MexError("mexhost:noHost", "No host is running.");
  if (name == nullptr) throw mh::MexError("mexhost:callByName", "mexCallMATLAB: no function name.");
  mh::registered->callFunction(name, nlhs, plhs, nrhs, prhs);
  return 0;
}

mxArray* mexCallMATLABWithTrap(int nlhs, mxArray* plhs[], int nrhs, mxArray* prhs[],
                               const char* name) {
  try {
    mexCallMATLAB(nlhs, plhs, nrhs, prhs, name);
    return nullptr;
  } catch (const mh::MexError& e) {
    return mh::errorStruct(e.identifier(), e.what());
  } catch (const std::exception& e) {
    return mh::errorStruct("mexhost:internal", e.what());
  }
}

void mexErrMsgIdAndTxt(const char* identifier, const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string message = mh::vformat(fmt, args);
  va_end(args);
  throw mh::MexError(identifier != nullptr ? identifier : "", message);
}

void mexErrMsgTxt(const char* message) {
  throw mh::MexError("", message != nullptr ? message : "");
}

void mexWarnMsgIdAndTxt(const char* identifier, const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  const std::string message = mh::vformat(fmt, args);
  va_end(args);
  mh::warn(identifier, message);
}

void mexWarnMsgTxt(const char* message) {
  mh::warn("", message != nullptr ? message : "");
}

int mexPrintf(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  const std::string text = mh::vformat(fmt, args);
  va_end(args);
  if (mh::registered != nullptr) {
    mh::registered->print(text);
  } else {
    std::fputs(text.c_str(), stdout);
  }
  return static_cast<int>(text.size());
}

int mexEvalString(const char* statement) {
  if (mh::registered == nullptr || statement == nullptr) return 1;
  return mh::registered->evalString(statement) ? 0 : 1;
}

int mexAtExit(void (*exitFunction)(void)) {
  if (mh::registered != nullptr && exitFunction != nullptr) mh::registered->atExit(exitFunction);
  return 0;
}

void mexMakeArrayPersistent(mxArray* /*a*/) {}

const char* mexFunctionName(void) {
  return mh::registered != nullptr ? mh::registered->functionName() : "";
}

}  // extern "C"
