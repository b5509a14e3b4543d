#include "mexlibrary_loader.hpp"

#include <dlfcn.h>

#include <exception>
#include <utility>

#include "runtime/error.hpp"

namespace mh::lib {
namespace {

// Limits that tell a descriptor from random memory.
constexpr intptr_t kMaxFunctions = 100000;
constexpr intptr_t kMaxPairs = 1000;

void checkTable(const std::string& path, const mexLocalFunctionTable* table, const char* owner) {
  if (table == nullptr) return;
  if (table->count < 0 || table->count > kMaxFunctions ||
      (table->count > 0 && table->rows == nullptr)) {
    loadError(path, std::string("the local function table of '") + owner + "' is malformed");
  }
  for (intptr_t k = 0; k < table->count; ++k) {
    if (table->rows[k].name == nullptr || table->rows[k].feval == nullptr) {
      loadError(path, "row " + std::to_string(k + 1) + " of the local function table of '" + owner +
                          "' has no name or no entry");
    }
  }
}

}  // namespace

// Thrown directly rather than through rt::raise: rt::Error lives in a header, so
// this library needs no runtime library to link.
void loadError(const std::string& path, const std::string& why) {
  throw rt::Error("mexhost:load", "Cannot load plug-in '" + path + "': " + why);
}

SharedLibrary::SharedLibrary(std::string path) : path_(std::move(path)), handle_(nullptr) {
  dlerror();
  handle_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* why = dlerror();
    loadError(path_, why != nullptr ? why : "dlopen failed");
  }
}

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : path_(std::move(other.path_)), handle_(std::exchange(other.handle_, nullptr)) {}

SharedLibrary::~SharedLibrary() {
  if (handle_ != nullptr) dlclose(handle_);
}

void* SharedLibrary::symbol(const char* name) const {
  return handle_ != nullptr ? dlsym(handle_, name) : nullptr;
}

void* SharedLibrary::release() {
  return std::exchange(handle_, nullptr);
}

void checkDescriptor(const std::string& path, const mexLibraryDescriptor* d) {
  if (d == nullptr) loadError(path, "_mexLibrary returned no descriptor");
  if (d->functionCount < 0 || d->functionCount > kMaxFunctions ||
      (d->functionCount > 0 && d->functions == nullptr)) {
    loadError(path, "the descriptor's function table is malformed");
  }
  if (d->initTermCount < 0 || d->initTermCount > kMaxPairs ||
      (d->initTermCount > 0 && d->initTerm == nullptr)) {
    loadError(path, "the descriptor's initialiser/finaliser table is malformed");
  }
  for (intptr_t k = 0; k < d->functionCount; ++k) {
    const mexFunctionEntry& e = d->functions[k];
    if (e.name == nullptr || e.feval == nullptr) {
      loadError(path,
                "function " + std::to_string(k + 1) + " of the descriptor has no name or no entry");
    }
    checkTable(path, e.local, e.name);
  }
}

const mexLibraryDescriptor* readDescriptor(const SharedLibrary& library) {
  auto* entry = reinterpret_cast<mexLibraryFunction>(library.symbol("_mexLibrary"));
  if (entry == nullptr) return nullptr;
  const mexLibraryDescriptor* d = entry();
  checkDescriptor(library.path(), d);
  return d;
}

void runInitialisers(const std::string& path, const mexLibraryDescriptor& d) {
  intptr_t done = 0;
  std::string failure;
  try {
    for (; done < d.initTermCount; ++done) {
      if (d.initTerm[done].initialize != nullptr) d.initTerm[done].initialize();
    }
    return;
  } catch (const std::exception& e) {
    failure = e.what();
  } catch (...) {
    failure = "unknown exception";
  }
  // Undo what was initialised, newest first; the failed one made nothing to undo.
  for (intptr_t k = done - 1; k >= 0; --k) {
    try {
      if (d.initTerm[k].terminate != nullptr) d.initTerm[k].terminate();
    } catch (...) {
    }
  }
  loadError(path, "initialiser " + std::to_string(done + 1) + " failed: " + failure);
}

void runFinalisers(const std::string& path, const mexLibraryDescriptor& d, const Reporter& report) {
  for (intptr_t k = d.initTermCount - 1; k >= 0; --k) {
    std::string failure;
    try {
      if (d.initTerm[k].terminate != nullptr) d.initTerm[k].terminate();
      continue;
    } catch (const std::exception& e) {
      failure = std::string(": ") + e.what();
    } catch (...) {
      failure = ".";
    }
    if (report)
      report("Finaliser " + std::to_string(k + 1) + " of '" + path + "' failed" + failure);
  }
}

const mexFunctionEntry* findLocal(const mexLocalFunctionTable* table, std::string_view name) {
  if (table == nullptr) return nullptr;
  for (intptr_t k = 0; k < table->count; ++k) {
    const mexFunctionEntry& row = table->rows[k];
    if (row.name != nullptr && row.feval != nullptr && name == row.name) return &row;
  }
  return nullptr;
}

const mexFunctionEntry* findFunction(const mexLibraryDescriptor& d, std::string_view name) {
  for (intptr_t k = 0; k < d.functionCount; ++k) {
    if (name == d.functions[k].name) return &d.functions[k];
  }
  return nullptr;
}

LoadedLibrary::LoadedLibrary(const std::string& path, Reporter report)
    : library_(path), descriptor_(readDescriptor(library_)), report_(std::move(report)) {
  if (descriptor_ == nullptr) loadError(path, "it does not export _mexLibrary");
  runInitialisers(path, *descriptor_);
}

LoadedLibrary::~LoadedLibrary() {
  runFinalisers(library_.path(), *descriptor_, report_);
}

}  // namespace mh::lib
