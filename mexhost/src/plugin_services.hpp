// The services a running plug-in sees through libmx (mexCallMATLAB,
// mexEvalString, mexPrintf, mexWarnMsg*, mexAtExit, mexFunctionName), served by
// one Interpreter and its loader.
//
// Errors cross libmx as MexError in both directions: a failure of the host
// while serving a plug-in leaves here as MexError; the loader turns what a
// plug-in raises back into rt::Error (loader.cpp). Nothing else in the host
// sees MexError.
#pragma once

#include <string_view>

#include "mexhost/mexhost.hpp"
#include "mexhost/mxhost.hpp"

namespace mh {

class Loader;

class PluginServices final : public MexServices {
 public:
  // Registers itself with libmx for its lifetime; the host registered before
  // is registered again when it ends.
  PluginServices(Interpreter& host, Loader& loader);
  ~PluginServices() override;
  PluginServices(const PluginServices&) = delete;
  PluginServices& operator=(const PluginServices&) = delete;

  void callFunction(const char* name, int nlhs, mxArray* plhs[], int nrhs,
                    mxArray* prhs[]) override;
  bool evalString(const char* statement) override;
  void print(std::string_view text) override;
  void warning(std::string_view identifier, std::string_view message) override;
  void atExit(void (*handler)()) override;
  const char* functionName() override;

 private:
  Interpreter& host_;
  Loader& loader_;
  MexServices* previous_;
};

}  // namespace mh
