// The plug-ins' binding: declared signatures, argument-count messages, feval
// entries and the deliverable each build makes.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "runtime/array.hpp"
#include "runtime/mexlibrary.h"

namespace xt::binding {

// A function of the program as the host sees it.
struct Signature {
  const char* name;  // "vextrab" for the top level, otherwise the subfunction's name
  bool topLevel;     // the identifier is the deliverable's name alone
  int line;          // line of the declaration, as the messages give it
  int inputs;        // declared inputs
  int outputs;       // declared outputs
  std::array<const char*, 2> outputNames;
};

extern const Signature kTop;
extern const Signature kFtrapez;
extern const Signature kPlattm;
extern const Signature kMtlfd;
extern const Signature kIffts;

// What differs between the two deliverables.
struct Deliverable {
  const char* name;  // "vextrab" or "vextral"
  int column;        // column the messages name: 1 or 0
  bool fullStop;     // the messages end with a full stop
  // The local function table made current while a body runs (NULL for none).
  const mexLocalFunctionTable* localTable;
};

// The deliverable this build makes.
const Deliverable& deliverable();

// "vextrab" or "vextrab/ftrapez".
std::string identifier(const Deliverable& d, const Signature& s);
// The fixed argument-count messages.
std::string tooManyOutputsMessage(const Deliverable& d, const Signature& s);
std::string tooManyInputsMessage(const Deliverable& d, const Signature& s);

// "<deliverable>:<mnemonic>", the identifier of an error the binding raises.
std::string errorId(const Deliverable& d, const char* mnemonic);

// A body as the feval entry calls it: the number of results asked for, the
// declared inputs (absent ones undefined) and how many were given. Returns the
// declared outputs (unassigned ones undefined).
using Body =
    std::function<std::vector<rt::Array>(int nargout, std::vector<rt::Array>& inputs, int nargin)>;

// The feval entry of one function: rejects too many outputs (first) or inputs,
// fills absent inputs, calls the body, checks the requested outputs were
// assigned, stores result 1 in slot 1 even when nlhs is 0 and results 2.. when
// asked for, and releases the rest. Raises rt::Error; touches nothing of the
// caller's on failure. `plhs` and `prhs` are the host's mxArray handles.
void feval(const Signature& s, const Body& body, int nlhs, void* plhs[], int nrhs,
           void* const prhs[]);

// The same, as an outermost entry: every error becomes the host's error after
// all C++ locals are gone.
void fevalOutermost(const Signature& s, const Body& body, int nlhs, void* plhs[], int nrhs,
                    void* const prhs[]);

// An error caught at an outermost entry, kept outside the entry's frame until it
// is handed to the host.
struct PendingError {
  std::string identifier;
  std::string message;
};

// Runs `call` and catches every error it raises. Returns the error, kept in
// storage of its own (valid until the next call), or nullptr on success.
const PendingError* callCatching(const std::function<void()>& call);

// The bodies of the program in feval form.
std::vector<rt::Array> topBody(int nargout, std::vector<rt::Array>& in, int nargin);
std::vector<rt::Array> ftrapezBody(int nargout, std::vector<rt::Array>& in, int nargin);
std::vector<rt::Array> plattmBody(int nargout, std::vector<rt::Array>& in, int nargin);
std::vector<rt::Array> mtlfdBody(int nargout, std::vector<rt::Array>& in, int nargin);
std::vector<rt::Array> ifftsBody(int nargout, std::vector<rt::Array>& in, int nargin);

}  // namespace xt::binding
