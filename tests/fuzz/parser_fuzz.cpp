// Fuzz target: the prompt's lexer, parser and evaluator. Each input is run as a
// script in a fresh session with the core builtins (no plug-ins, no figures). A
// session has a budget: one second of time (then the Ctrl-C path stops it, as a
// user would) and a small memory limit, so that an endless loop or a large array
// is an error of the session rather than a timeout or out-of-memory of the fuzzer.
// Anything else that ends the process (a crash, a sanitizer report) is a finding.
#include <signal.h>
#include <sys/time.h>

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string_view>

#include "mexhost/mexhost.hpp"
#include "mexhost/mxhost.hpp"
#include "runtime/array.hpp"

namespace {

constexpr std::size_t kMemoryLimitBytes = std::size_t{16} << 20;

void onAlarm(int) {
  mh::requestInterrupt();
}

void setUpOnce() {
  static const bool done = [] {
    rt::setMemoryLimit(kMemoryLimitBytes);
    struct sigaction action {};
    action.sa_handler = onAlarm;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGALRM, &action, nullptr);
    return true;
  }();
  (void)done;
}

void arm(long seconds) {
  itimerval budget{};
  budget.it_value.tv_sec = seconds;
  setitimer(ITIMER_REAL, &budget, nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  setUpOnce();
  std::ostringstream out;
  std::ostringstream err;
  mh::HostOptions options;
  options.noPause = true;
  mh::Interpreter host(out, err, options);
  arm(1);
  host.execute(std::string_view(reinterpret_cast<const char*>(data), size));
  arm(0);
  return 0;
}
