// vextrab for GNU Octave: a classic MEX file that brings the library plug-in
// into Octave the way a host of library plug-ins does.
//
// On the first call it opens <folder of this file>/<function name>.so, asks
// `_mexLibrary` for the descriptor, runs the initialisers once and registers an
// exit handler that runs the finalisers and closes the library when Octave
// clears this MEX file (`clear vextrab`, `clear mex`, exit). Every call goes
// to the feval entry of the descriptor's function of the same name, with
// Octave's (nlhs, plhs, nrhs, prhs) passed on unchanged.
//
// The library raises its errors in Octave itself (its feval entries are
// outermost entries), so nothing here sees them. While its functions run, the
// library keeps its local function table current in its own runtime: Octave
// resolves names without it, and the library calls its subfunctions directly.
#include <dlfcn.h>
#include <mex.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>

#include "mexlibrary_loader.hpp"
#include "runtime/error.hpp"

namespace {

// Owned from the first call until the exit handler. A raw pointer on purpose:
// a static destructor would run the finalisers after Octave has torn its array
// machinery down, if Octave ever unloads this file without the exit handler.
mh::lib::LoadedLibrary* library = nullptr;
const mexFunctionEntry* entry = nullptr;

void reportAtUnload(const std::string& message) {
  std::fprintf(stderr, "warning: %s\n", message.c_str());
}

void unloadLibrary() {
  mh::lib::LoadedLibrary* loaded = library;
  library = nullptr;
  entry = nullptr;
  delete loaded;  // finalisers, last pair first, then dlclose
}

// The library beside this MEX file, named after the function.
std::string libraryPath(const std::string& function) {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&unloadLibrary), &info) == 0 || info.dli_fname == nullptr) {
    return function + ".so";
  }
  return (std::filesystem::path(info.dli_fname).parent_path() / (function + ".so")).string();
}

// Loads the library and finds the entry. Raises rt::Error (mexhost:load).
void load() {
  const std::string function = mexFunctionName();
  auto loaded = std::make_unique<mh::lib::LoadedLibrary>(libraryPath(function), reportAtUnload);
  const mexFunctionEntry* found = mh::lib::findFunction(loaded->descriptor(), function);
  if (found == nullptr) {
    mh::lib::loadError(loaded->path(), "it has no function '" + function + "'");
  }
  library = loaded.release();
  entry = found;
  mexAtExit(unloadLibrary);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void mexFunction(int nlhs, mxArray* plhs[],
                                                                   int nrhs,
                                                                   const mxArray* prhs[]) {
  if (library == nullptr) {
    // Kept outside this frame: mexErrMsgIdAndTxt does not return.
    static std::string failureId;
    static std::string failure;
    try {
      load();
    } catch (const rt::Error& e) {
      failureId = e.identifier();
      failure = e.message();
    } catch (const std::exception& e) {
      failureId = "mexhost:load";
      failure = e.what();
    }
    if (library == nullptr) mexErrMsgIdAndTxt(failureId.c_str(), "%s", failure.c_str());
  }
  entry->feval(nlhs, reinterpret_cast<void**>(plhs), nrhs,
               const_cast<void**>(reinterpret_cast<const void* const*>(prhs)));
}
