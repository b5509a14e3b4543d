// The host side of libmx: what the embedded host (not a plug-in) uses to run
// plug-ins on top of the MEX API that libmx implements.
//
// libmx keeps no host logic of its own. mexCallMATLAB, mexEvalString,
// mexPrintf, mexWarnMsg*, mexAtExit and mexFunctionName are forwarded to the
// one MexServices object that the host registers at start-up. Errors raised
// with mexErrMsgIdAndTxt / mexErrMsgTxt are thrown as MexError; the host catches
// it around every call into a plug-in.
//
// Plug-ins must therefore be C++ code built with exceptions, and must not raise
// an error from inside a C frame (a callback invoked by a C library, or code
// built without unwind tables): the exception would have no way through it.
#pragma once

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "matrix.h"

struct mexLocalFunctionTable;

namespace mh {

// The host's error as it travels through a plug-in's frames: identifier (may
// be empty) and message, exactly as raised.
class MexError : public std::runtime_error {
 public:
  MexError(std::string identifier, const std::string& message);
  ~MexError() override;
  const std::string& identifier() const { return identifier_; }

 private:
  std::string identifier_;
};

// What the host provides to the MEX API. Every function runs on the host thread.
class MexServices {
 public:
  virtual ~MexServices();

  // Runs the host function `name` with the caller's inputs (not taken over).
  // On success stores nlhs new arrays in plhs[0..nlhs-1], owned by the caller;
  // with nlhs 0 and plhs not NULL, a value the function returns anyway goes to
  // plhs[0]. On failure throws MexError and leaves plhs as it was.
  virtual void callFunction(const char* name, int nlhs, mxArray* plhs[], int nrhs,
                            mxArray* prhs[]) = 0;
  // Runs statements as typed at the prompt; false when one failed (the host
  // has already reported the error).
  virtual bool evalString(const char* statement) = 0;
  virtual void print(std::string_view text) = 0;
  virtual void warning(std::string_view identifier, std::string_view message) = 0;
  // Registers an exit handler for the plug-in that is running.
  virtual void atExit(void (*handler)()) = 0;
  // The name of the plug-in function that is running ("" at the prompt). The
  // pointer stays valid until that function returns.
  virtual const char* functionName() = 0;
};

// Registers the host (nullptr: none). Without a host, mexPrintf writes to
// standard output, warnings go to standard error and calls by name fail.
void setMexServices(MexServices* services);
MexServices* mexServices();

// The local function table that is current (the one a running library plug-in
// made current through mexhostSetLocalFunctionTable); nullptr at the prompt.
const mexLocalFunctionTable* currentLocalFunctionTable();
// Makes `table` current and returns the previous one.
const mexLocalFunctionTable* setCurrentLocalFunctionTable(const mexLocalFunctionTable* table);

// Interrupts (Ctrl-C). requestInterrupt is async-signal-safe: the host's SIGINT
// handler calls it; plug-ins and the runtime see it through mexhostInterruptPending
// at their safe points. The host clears it when a statement starts and ends.
void requestInterrupt() noexcept;
void clearInterrupt() noexcept;
bool interruptPending() noexcept;

// The number of mxArrays alive (made and not yet destroyed), elements of cells
// and structs included. Tests compare it before and after a call.
std::size_t liveArrayCount();
// True if `a` is an array made by libmx and not yet destroyed.
bool isLiveArray(const mxArray* a);

// Test hook: with an observer set, libmx calls it with created = true right
// after it makes an array and with created = false right before it destroys
// one (elements of cells and structs included). An empty function removes it;
// without an observer nothing is called.
using ArrayObserver = std::function<void(const mxArray* array, bool created)>;
void setArrayObserver(ArrayObserver observer);

}  // namespace mh
