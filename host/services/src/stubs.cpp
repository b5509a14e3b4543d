// Graphics library entries and host-function stubs, over the runtime's calls by name:
// every function of host/stubs.hpp but fliplr and flipud, which a build takes from
// flips_by_name.cpp (vextrab) or flips_local.cpp (vextral, the direct tests).
#include "host/stubs.hpp"

#include "runtime/services.hpp"

namespace xt::byname {

using rt::Array;
namespace svc = rt::svc;

void figureSilent(const Array& n) {
  svc::silent("figure", {n});
}
void textSilent(const std::vector<Array>& args) {
  svc::silent("text", args);
}
void plotSilent(const std::vector<Array>& args) {
  svc::silent("plot", args);
}
Array line(const std::vector<Array>& args) {
  return svc::assigned("line", args);
}

void setDisplayed(const Array& h, const Array& property, const Array& value) {
  svc::displayed("set", {h, property, value});
}
void setSilent(const Array& h, const Array& property, const Array& value) {
  svc::silent("set", {h, property, value});
}
Array get(const Array& h, const Array& property) {
  return svc::assigned("get", {h, property});
}
void drawnow() {
  svc::silent("drawnow", {});
}
void pause(const Array& seconds) {
  svc::silent("pause", {seconds});
}

void ylabelDisplayed(const Array& label) {
  svc::displayed("ylabel", {label});
}
void xlabelDisplayed(const Array& label) {
  svc::displayed("xlabel", {label});
}
void titleDisplayed(const Array& label) {
  svc::displayed("title", {label});
}
void legendDisplayed(const std::vector<Array>& strings) {
  svc::displayed("legend", strings);
}
void clfDisplayed() {
  svc::displayed("clf", {});
}
void clfSilent() {
  svc::silent("clf", {});
}
Array axisLimits() {
  return svc::assigned("axis", {});
}
void axisDisplayed(const Array& arg) {
  svc::displayed("axis", {arg});
}

// grid takes one argument or none; the host's answer, if any, goes to `ans`.
void grid(const Array& a) {
  svc::silent("grid", {a});
}

Array ishold() {
  return svc::assigned("ishold", {});
}

Array gca() {
  return svc::assigned("gca", {});
}

}  // namespace xt::byname
