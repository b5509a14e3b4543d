// The compiled-code services over the MEX C API.
#include <mex.h>

#include <string>

#include "runtime/services.hpp"

#if defined(HAVE_OCTAVE)
#include <octave/quit.h>
#endif

#include "runtime/error.hpp"
#include "runtime/mxconvert.hpp"

namespace rt::svc {
namespace {

// The current local function table when the host does not keep it.
const mexLocalFunctionTable* localTable = nullptr;

#if !defined(HAVE_OCTAVE)
std::string fieldText(const mxArray* s, const char* field) {
  if (s == nullptr || !mxIsStruct(s)) return {};
  const mxArray* f = mxGetField(s, 0, field);
  if (f == nullptr || !mxIsChar(f)) return {};
  char* text = mxArrayToString(f);
  std::string out = text != nullptr ? text : "";
  mxFree(text);
  return out;
}
#endif

// Runs the host function `name`; on failure returns false with the host's
// identifier and message, after the host has released what it made for the call.
bool callHost(int nargout, mxArray* outputs[], int nrhs, mxArray* inputs[], const std::string& name,
              std::string& id, std::string& message) {
#if defined(HAVE_OCTAVE)
  // Octave's trapping form reports every failure as "mexCallMATLABWithTrap:
  // function call <name> failed" and drops the error's own text. The plain form
  // lets Octave's error through as the C++ exception it is, with its message and
  // identifier; it is caught here at once, before any frame of ours is left.
  try {
    mexCallMATLAB(nargout, outputs, nrhs, inputs, name.c_str());
    return true;
  } catch (const octave::execution_exception& e) {
    id = e.identifier();
    message = e.message();
    return false;
  }
#else
  mx::Owned error(mexCallMATLABWithTrap(nargout, outputs, nrhs, inputs, name.c_str()));
  if (!error) return true;
  message = fieldText(error.get(), "message");
  id = fieldText(error.get(), "identifier");
  return false;
#endif
}

}  // namespace

std::vector<Array> call(std::string_view name, const std::vector<Array>& args, int nargout) {
  std::vector<mx::Owned> inputs;
  for (const Array& a : args) {
    if (!a.isDefined()) break;  // the list ends at the first missing argument
    inputs.push_back(mx::fromArray(a));
  }
  std::vector<mxArray*> raw;
  raw.reserve(inputs.size());
  for (const mx::Owned& o : inputs) raw.push_back(o.get());
  const std::size_t slots = static_cast<std::size_t>(nargout < 1 ? 1 : nargout);
  std::vector<mxArray*> outputs(slots, nullptr);
  const std::string fname(name);
  std::string id;
  std::string message;
  const bool ok = callHost(nargout, outputs.data(), static_cast<int>(raw.size()), raw.data(), fname,
                           id, message);
  std::vector<mx::Owned> owned;
  for (mxArray* o : outputs) owned.emplace_back(o);
  if (!ok) {
    if (message.empty()) message = "Error in " + fname + ".";
    raise(id, message);
  }
  std::vector<Array> results(slots);
  for (std::size_t k = 0; k < slots; ++k) {
    if (owned[k]) results[k] = mx::toArray(owned[k].get());
  }
  return results;
}

void silent(std::string_view name, const std::vector<Array>& args) {
  call(name, args, 0);
}

void displayed(std::string_view name, const std::vector<Array>& args) {
  const std::vector<Array> r = call(name, args, 0);
  if (r[0].isDefined()) displayAns(r[0]);
}

Array assigned(std::string_view name, const std::vector<Array>& args) {
  return call(name, args, 1)[0];
}

void displayAns(const Array& value) {
  mexPrintf("\nans =\n\n");
  call("disp", {value}, 0);
  mexPrintf("\n");
}

const mexLocalFunctionTable* setLocalFunctionTable(const mexLocalFunctionTable* table) {
  if (&mexhostSetLocalFunctionTable != nullptr) return mexhostSetLocalFunctionTable(table);
  const mexLocalFunctionTable* previous = localTable;
  localTable = table;
  return previous;
}

struct HostWarnings::State {
  WarningHandler previous;
};

HostWarnings::HostWarnings() : state_(new State) {
  state_->previous = setWarningHandler([](const std::string& id, const std::string& message) {
#if defined(HAVE_OCTAVE)
    // Octave puts the MEX file's name before a mexWarnMsg* text; its own
    // `warning(id, '%s', message)` shows the text as it is.
    mx::Owned args[3] = {mx::Owned(mxCreateString(id.c_str())), mx::Owned(mxCreateString("%s")),
                         mx::Owned(mxCreateString(message.c_str()))};
    mxArray* raw[3] = {args[0].get(), args[1].get(), args[2].get()};
    mexCallMATLAB(0, nullptr, 3, raw, "warning");
#else
    mexWarnMsgIdAndTxt(id.c_str(), "%s", message.c_str());
#endif
  });
}

HostWarnings::~HostWarnings() {
  setWarningHandler(std::move(state_->previous));
  delete state_;
}

void raiseInHost(const std::string& identifier, const std::string& message) {
#if defined(HAVE_OCTAVE)
  // Octave puts the MEX file's name before a message raised with mexErrMsg*
  // ("vextral: ..."). Its own `error`, given an error structure, raises the text
  // exactly as it is; mexCallMATLAB passes that error on as Octave's exception,
  // which unwinds this frame like any other C++ exception. (An empty message
  // would make `error` do nothing, so that one takes the general path.)
  if (!message.empty()) {
    const char* fields[] = {"message", "identifier"};
    mx::Owned error(mxCreateStructMatrix(1, 1, 2, fields));
    if (error) {
      mxSetField(error.get(), 0, "message", mxCreateString(message.c_str()));
      mxSetField(error.get(), 0, "identifier", mxCreateString(identifier.c_str()));
      mxArray* args[1] = {error.get()};
      mexCallMATLAB(0, nullptr, 1, args, "error");
    }
  }
#endif
  if (identifier.empty()) {
    mexErrMsgTxt(message.c_str());
  } else {
    mexErrMsgIdAndTxt(identifier.c_str(), "%s", message.c_str());
  }
  // mexErrMsg* does not return.
  throw Error(identifier, message);
}

}  // namespace rt::svc
