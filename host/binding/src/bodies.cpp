// The program's bodies in the form the feval entries call.
#include "driver/ftrapez.hpp"
#include "driver/vextrab.hpp"
#include "host/binding.hpp"
#include "line/cross_section.hpp"
#include "line/plattm.hpp"
#include "solver/iffts.hpp"
#include "solver/mtlfd.hpp"

namespace xt::binding {

std::vector<rt::Array> topBody(int /*nargout*/, std::vector<rt::Array>& in, int nargin) {
  vextrabBody(nargin, std::move(in[0]), std::move(in[1]), std::move(in[2]));
  return {};
}

std::vector<rt::Array> ftrapezBody(int /*nargout*/, std::vector<rt::Array>& in, int /*nargin*/) {
  return {xt::ftrapezBody(std::move(in[0]), std::move(in[1]), std::move(in[2]), std::move(in[3]))};
}

std::vector<rt::Array> plattmBody(int /*nargout*/, std::vector<rt::Array>& in, int nargin) {
  PlattmResult r =
      xt::plattmBody(nargin, std::move(in[0]), std::move(in[1]), std::move(in[2]), std::move(in[3]),
                     std::move(in[4]), std::move(in[5]), drawCrossSection);
  return {std::move(r.Ctr), std::move(r.Ltr)};
}

std::vector<rt::Array> mtlfdBody(int /*nargout*/, std::vector<rt::Array>& in, int /*nargin*/) {
  MtlfdResult r =
      xt::mtlfdBody(std::move(in[0]), std::move(in[1]), std::move(in[2]), std::move(in[3]),
                    std::move(in[4]), std::move(in[5]), std::move(in[6]), std::move(in[7]));
  return {std::move(r.VNE), std::move(r.VFE)};
}

std::vector<rt::Array> ifftsBody(int /*nargout*/, std::vector<rt::Array>& in, int /*nargin*/) {
  return {xt::ifftsBody(std::move(in[0]), std::move(in[1]))};
}

}  // namespace xt::binding
