// The plug-ins' binding: the program's functions as the host sees them, argument-count
// messages, feval entries and function-table rows.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "runtime/array.hpp"
#include "runtime/mexlibrary.h"

namespace xt::binding {

// What differs between the two deliverables.
struct Deliverable {
  const char* name;  // "vextrab" or "vextral"
  int column;        // column the messages name: 1 or 0
  bool fullStop;     // the messages end with a full stop
  // The local function table made current while a body runs (NULL for none).
  const mexLocalFunctionTable* localTable;
};

// A body as the feval entry calls it: the number of results asked for, the
// declared inputs (absent ones undefined) and how many were given. Returns the
// declared outputs (unassigned ones undefined).
using Body = std::vector<rt::Array> (*)(int nargout, std::vector<rt::Array>& inputs, int nargin);

// The bodies of the program in feval form (bodies.cpp).
std::vector<rt::Array> topBody(int nargout, std::vector<rt::Array>& in, int nargin);
std::vector<rt::Array> ftrapezBody(int nargout, std::vector<rt::Array>& in, int nargin);
std::vector<rt::Array> plattmBody(int nargout, std::vector<rt::Array>& in, int nargin);
std::vector<rt::Array> mtlfdBody(int nargout, std::vector<rt::Array>& in, int nargin);
std::vector<rt::Array> ifftsBody(int nargout, std::vector<rt::Array>& in, int nargin);

// A function of the program as the host sees it, written once: its feval entry,
// its row in the descriptor or in a local function table (functionRow) and its
// argument-count messages are all made from it.
struct Function {
  const char* name;  // "vextrab" for the top level, otherwise the subfunction's name
  bool topLevel;     // the identifier is the deliverable's name alone
  int line;          // line of the declaration, as the messages give it
  int inputs;        // declared inputs
  int outputs;       // declared outputs
  std::array<const char*, 2> outputNames;
  Body body;
};

// The program's functions: the top level and the local functions of vextrab.
inline constexpr Function kTop = {"vextrab", true, 1, 3, 0, {nullptr, nullptr}, topBody};
inline constexpr Function kFtrapez = {"ftrapez", false, 91, 4, 1, {"y", nullptr}, ftrapezBody};
inline constexpr Function kPlattm = {"plattm", false, 110, 15, 2, {"Ctr", "Ltr"}, plattmBody};
inline constexpr Function kMtlfd = {"mtlfd", false, 279, 8, 2, {"VNE", "VFE"}, mtlfdBody};
inline constexpr Function kIffts = {"iffts", false, 364, 2, 1, {"vt", nullptr}, ifftsBody};

// The row of `f` in a function table of deliverable `d`: the name the host finds it
// by (the deliverable's own for the top level), its feval entry, its counts and its
// local function table.
constexpr mexFunctionEntry functionRow(const Deliverable& d, const Function& f, mexFevalEntry entry,
                                       const mexLocalFunctionTable* local = nullptr) {
  return {f.topLevel ? d.name : f.name, entry, f.inputs, f.outputs, local};
}

// "vextrab" or "vextrab/ftrapez".
std::string identifier(const Deliverable& d, const Function& f);
// The fixed argument-count messages.
std::string tooManyOutputsMessage(const Deliverable& d, const Function& f);
std::string tooManyInputsMessage(const Deliverable& d, const Function& f);

// "<deliverable>:<mnemonic>", the identifier of an error the binding raises.
std::string errorId(const Deliverable& d, const char* mnemonic);

// The feval entry of one function: rejects too many outputs (first) or inputs,
// fills absent inputs, calls the body, checks the requested outputs were
// assigned, stores result 1 in slot 1 even when nlhs is 0 and results 2.. when
// asked for, and releases the rest. Raises rt::Error; touches nothing of the
// caller's on failure. `plhs` and `prhs` are the host's mxArray handles.
void feval(const Deliverable& d, const Function& f, int nlhs, void* plhs[], int nrhs,
           void* const prhs[]);

// The same, as an outermost entry: every error becomes the host's error after
// all C++ locals are gone.
void fevalOutermost(const Deliverable& d, const Function& f, int nlhs, void* plhs[], int nrhs,
                    void* const prhs[]);

// An error caught at an outermost entry, kept outside the entry's frame until it
// is handed to the host.
struct PendingError {
  std::string identifier;
  std::string message;
};

// Runs `call` and catches every error it raises. Returns the error, kept in
// storage of its own (valid until the next call), or nullptr on success.
const PendingError* callCatching(const Deliverable& d, const std::function<void()>& call);

}  // namespace xt::binding
