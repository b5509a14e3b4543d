// Loading a library plug-in the way its host must: open the shared library, ask
// `_mexLibrary` for its descriptor, check the descriptor, run every initialiser
// once before any entry can be called and every finaliser once at unload, and
// find functions by name in the function table and in a local function table.
//
// Host-independent: no mex.h, no mxArray. A host brackets these calls with its
// own bookkeeping (which plug-in is running, the current local function table,
// mexAtExit handlers) and calls a feval entry with its own array handles. Both
// hosts load library plug-ins through it: mexhost (mh::Loader, describePlugin)
// and the Octave bridge vextrab.mex (LoadedLibrary).
//
// Errors are rt::Error with the identifier "mexhost:load" and the message
// "Cannot load plug-in '<path>': <why>".
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "runtime/mexlibrary.h"

namespace mh::lib {

// Reports a failure that cannot be raised (a finaliser failing at unload).
using Reporter = std::function<void(const std::string& message)>;

[[noreturn]] void loadError(const std::string& path, const std::string& why);

// A dlopen handle (RTLD_NOW | RTLD_LOCAL), closed when destroyed unless released.
class SharedLibrary {
 public:
  // Raises mexhost:load with the system's reason when the file cannot be opened.
  explicit SharedLibrary(std::string path);
  ~SharedLibrary();
  SharedLibrary(SharedLibrary&& other) noexcept;
  SharedLibrary& operator=(SharedLibrary&&) = delete;
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // The address of an exported symbol, or nullptr.
  void* symbol(const char* name) const;
  const std::string& path() const { return path_; }
  // Hands the handle over; the object closes nothing afterwards.
  void* release();

 private:
  std::string path_;
  void* handle_;
};

// Checks that a descriptor is well formed: non-negative, bounded counts; tables
// present when their count is not zero; every function entry with a name and a
// feval entry, and the same for every row of their local function tables.
void checkDescriptor(const std::string& path, const mexLibraryDescriptor* descriptor);

// Calls `_mexLibrary` and checks what it returns. nullptr when the library does
// not export `_mexLibrary` (it may be a classic plug-in). No initialiser runs.
const mexLibraryDescriptor* readDescriptor(const SharedLibrary& library);

// Runs the initialisers in order. When one fails (throws), the finalisers of
// those that ran are run, newest first, and mexhost:load is raised naming the
// failed initialiser ("initialiser <k> failed: <why>").
void runInitialisers(const std::string& path, const mexLibraryDescriptor& descriptor);

// Runs the finalisers, last pair first. A failing finaliser is reported and the
// others still run; nothing is raised.
void runFinalisers(const std::string& path, const mexLibraryDescriptor& descriptor,
                   const Reporter& report);

// The entry named `name` in the function table or in a local function table;
// nullptr when there is none. findLocal also takes unchecked tables (the one a
// plug-in makes current itself): it skips rows without a name or a feval entry.
const mexFunctionEntry* findFunction(const mexLibraryDescriptor& descriptor, std::string_view name);
const mexFunctionEntry* findLocal(const mexLocalFunctionTable* table, std::string_view name);

// A library plug-in from load to unload: opened, descriptor read and checked,
// initialisers run (construction); finalisers run and library closed
// (destruction). Construction raises mexhost:load and leaves nothing open.
class LoadedLibrary {
 public:
  LoadedLibrary(const std::string& path, Reporter report);
  ~LoadedLibrary();
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;

  const mexLibraryDescriptor& descriptor() const { return *descriptor_; }
  const std::string& path() const { return library_.path(); }

 private:
  SharedLibrary library_;
  const mexLibraryDescriptor* descriptor_;
  Reporter report_;
};

}  // namespace mh::lib
