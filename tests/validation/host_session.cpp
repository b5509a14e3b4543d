#include "host_session.hpp"

#include <stdlib.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

namespace validation {
namespace {

std::string quoted(const std::string& s) {
  return "'" + s + "'";
}

double jsonNumber(const nlohmann::json& value) {
  if (value.is_number()) return value.get<double>();
  const std::string s = value.get<std::string>();
  if (s == "Inf") return HUGE_VAL;
  if (s == "-Inf") return -HUGE_VAL;
  return NAN;
}

std::vector<double> jsonNumbers(const nlohmann::json& values) {
  std::vector<double> out;
  if (!values.is_array()) return {jsonNumber(values)};
  for (const auto& v : values) out.push_back(jsonNumber(v));
  return out;
}

}  // namespace

fs::path makeScratchFolder(const std::string& prefix) {
  std::string pattern = (fs::temp_directory_path() / (prefix + "_XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a scratch folder");
  return pattern;
}

std::string readText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

HostRun::HostRun(const std::vector<std::string>& statements, const std::string& options,
                 const std::string& formats)
    : folder_(makeScratchFolder("xt_validation")) {
  {
    std::ofstream script(folder_ / "session.m");
    for (const std::string& s : statements) script << s << '\n';
  }
  const std::string command = "cd " + quoted(folder_.string()) + " && " + quoted(XT_MEXHOST) +
                              " --no-pause --formats " + formats + " --out figs " + options +
                              " -f session.m </dev/null >stdout.txt 2>stderr.txt";
  const int raw = std::system(command.c_str());
  status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  out_ = readText(folder_ / "stdout.txt");
  err_ = readText(folder_ / "stderr.txt");
}

HostRun::~HostRun() {
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

std::vector<double> HostRun::printedNumbers() const {
  std::vector<double> out;
  std::istringstream in(out_);
  std::string token;
  while (in >> token) {
    char* end = nullptr;
    const double v = std::strtod(token.c_str(), &end);
    if (end != token.c_str() && *end == '\0') out.push_back(v);
  }
  return out;
}

FigureLines readFigureLines(const fs::path& jsonFile) {
  const auto figure = nlohmann::json::parse(readText(jsonFile));
  FigureLines lines;
  for (const auto& child : figure.at("children")) {
    if (child.at("type") != "axes") continue;
    for (const auto& object : child.at("children")) {
      if (object.at("type") != "line") continue;
      const auto& p = object.at("properties");
      if (lines.y.empty()) lines.x = jsonNumbers(p.at("XData"));
      lines.y.push_back(jsonNumbers(p.at("YData")));
    }
  }
  return lines;
}

}  // namespace validation
