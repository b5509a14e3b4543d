#include "plugin_services.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include "loader.hpp"
#include "runtime/error.hpp"
#include "runtime/mxconvert.hpp"

namespace mh {

using rt::Array;
namespace mx = rt::mx;

PluginServices::PluginServices(Interpreter& host, Loader& loader)
    : host_(host), loader_(loader), previous_(mexServices()) {
  setMexServices(this);
}

PluginServices::~PluginServices() {
  if (mexServices() == this) setMexServices(previous_);
}

void PluginServices::callFunction(const char* name, int nlhs, mxArray* plhs[], int nrhs,
                                  mxArray* prhs[]) {
  try {
    if (nlhs > 0 && plhs == nullptr) {
      throw MexError("mexhost:callByName",
                     std::string("mexCallMATLAB: no output slots for '") + name + "'.");
    }
    std::vector<Array> args;
    for (int k = 0; k < nrhs; ++k) {
      if (prhs == nullptr || prhs[k] == nullptr) {
        throw MexError("mexhost:callByName", "mexCallMATLAB: input " + std::to_string(k + 1) +
                                                 " of '" + name + "' is NULL.");
      }
      if (!isLiveArray(prhs[k])) {
        throw MexError("mexhost:callByName", "mexCallMATLAB: input " + std::to_string(k + 1) +
                                                 " of '" + name + "' is not a live array.");
      }
      args.push_back(mx::toArray(prhs[k]));
    }
    const std::vector<Array> results = host_.call(name, args, std::max(nlhs, 0));
    std::size_t count = static_cast<std::size_t>(std::max(nlhs, 0));
    if (nlhs <= 0) count = (plhs != nullptr && !results.empty()) ? 1 : 0;
    std::vector<mx::Owned> converted;
    for (std::size_t k = 0; k < count; ++k) converted.push_back(mx::fromArray(results[k]));
    for (std::size_t k = 0; k < count; ++k) plhs[k] = converted[k].release();
  } catch (const MexError&) {
    throw;
  } catch (const rt::Error& e) {
    throw MexError(e.identifier(), e.message());
  } catch (const std::exception& e) {
    throw MexError("mexhost:internal", e.what());
  }
}

bool PluginServices::evalString(const char* statement) {
  return host_.execute(statement);
}

void PluginServices::print(std::string_view text) {
  host_.out() << text;
}

void PluginServices::warning(std::string_view identifier, std::string_view message) {
  host_.reportWarning(identifier, message);
}

void PluginServices::atExit(void (*handler)()) {
  loader_.atExit(handler);
}

const char* PluginServices::functionName() {
  return loader_.currentFunctionName();
}

}  // namespace mh
