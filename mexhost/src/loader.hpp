// The plug-in loader: opens plug-ins, reads `_mexLibrary` descriptors or finds
// `mexFunction`, runs initialisers and finalisers, and calls plug-in functions
// with arrays converted at the boundary.
//
// Opening, descriptor reading and checking, initialisers, finalisers and local
// lookup are the host-independent plug-in loader (mexhost/loader, mh::lib) that
// the Octave bridge uses too; this class adds mexhost's bookkeeping around it:
// registered names, call frames, the current local function table, mexAtExit
// handlers, and array conversion.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "mex.h"
#include "mexlibrary_loader.hpp"
#include "runtime/array.hpp"
#include "runtime/mexlibrary.h"

namespace mh {

class Loader {
 public:
  // Reports problems that cannot be raised (a finaliser failing at unload).
  using Reporter = lib::Reporter;

  explicit Loader(Reporter report);
  ~Loader();
  Loader(const Loader&) = delete;
  Loader& operator=(const Loader&) = delete;

  // Loads a plug-in and registers its functions (exposing a library's local
  // functions too when asked). Loading the same file again does nothing.
  std::vector<std::string> load(const std::string& path, bool exposeLocal);
  // Unloads every plug-in, newest first. Raises rt::Error while a plug-in's
  // function is running.
  void unloadAll();

  // True if `name` is a function of a plug-in (loaded, or unloaded and loadable again).
  bool has(const std::string& name) const;
  std::vector<rt::Array> call(const std::string& name, const std::vector<rt::Array>& args,
                              int nargout);
  // Calls `name` from the current local function table if it is there.
  bool callLocal(const std::string& name, const std::vector<rt::Array>& args, int nargout,
                 std::vector<rt::Array>& results);

  // Services for the running plug-in.
  void atExit(void (*handler)());
  const char* currentFunctionName() const;
  bool busy() const { return !frames_.empty(); }
  std::vector<std::string> functionNames() const;

 private:
  using MexFunction = void (*)(int, mxArray*[], int, const mxArray*[]);

  struct Plugin {
    std::string path;
    std::string name;  // file name without folder and extension
    bool exposeLocal = false;
    std::unique_ptr<lib::SharedLibrary> library;  // null while unloaded
    const mexLibraryDescriptor* descriptor = nullptr;
    MexFunction mexFunction = nullptr;
    std::vector<void (*)()> exitHandlers;
    std::vector<std::string> names;  // registered names (also while unloaded)
  };

  struct Function {
    std::size_t plugin = 0;
    MexFunction mexFunction = nullptr;
    mexFevalEntry feval = nullptr;
    const mexLocalFunctionTable* table = nullptr;  // made current for the call
  };

  struct CallFrame {
    std::size_t plugin;
    std::string name;
  };

  // A plug-in's code running (an entry, initialisers, exit handlers and
  // finalisers): the frame is on the stack and `table` is the current local
  // function table for its lifetime; the previous table is current again after.
  class Frame {
   public:
    Frame(Loader& loader, std::size_t plugin, std::string name, const mexLocalFunctionTable* table);
    ~Frame();
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

   private:
    Loader& loader_;
    const mexLocalFunctionTable* previous_ = nullptr;
  };

  void open(std::size_t index);
  void close(std::size_t index);
  std::vector<rt::Array> invoke(const std::string& name, std::size_t plugin,
                                MexFunction mexFunction, mexFevalEntry feval, bool setTable,
                                const mexLocalFunctionTable* table,
                                const std::vector<rt::Array>& args, int nargout);

  Reporter report_;
  std::vector<Plugin> plugins_;
  std::map<std::string, Function> functions_;
  std::vector<CallFrame> frames_;
};

}  // namespace mh
