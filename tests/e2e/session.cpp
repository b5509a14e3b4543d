#include "session.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <utility>

namespace e2e {
namespace {

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string quoted(const std::string& s) {
  return "'" + s + "'";
}

// One shell word holding `s` exactly.
std::string shellWord(const std::string& s) {
  std::string word = "'";
  for (char c : s) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return word + "'";
}

fs::path figurePath(const fs::path& folder, int n, bool drawnow) {
  return folder / "figs" / ("figure" + std::to_string(n) + (drawnow ? "-drawnow" : "") + ".json");
}

std::string terminationStatement(const std::string& target, const std::string& value) {
  if (value == "Zc") return target + " = Zc;";
  if (value.rfind("Z = ", 0) == 0) return target + value.substr(1) + ";";
  return "R = " + value + " + eps; G = [1 ./ R; 1 ./ fliplr(R)]; " + target +
         " = inv(-G + diag(sum(G, 2) + diag(G)));";
}

}  // namespace

std::string call(const std::string& function, const std::string& arguments) {
  return function + "(" + arguments + ")";
}

Session::Session(const std::vector<std::string>& statements, const std::string& options,
                 Feed feed) {
  std::string pattern = (fs::temp_directory_path() / "xt_e2e_XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "cannot make a scratch folder";
    return;
  }
  folder_ = pattern;
  std::string input;
  if (feed == Feed::Script) {
    std::ofstream script(folder_ / "session.m");
    for (const std::string& s : statements) script << s << '\n';
    input = " -f session.m";
  } else {
    for (const std::string& s : statements) input += " " + shellWord(s);
  }
  const std::string command = "cd " + quoted(folder_.string()) + " && " + quoted(XT_MEXHOST) +
                              " --no-pause --quiet --formats json --out figs " + options + input +
                              " </dev/null >stdout.txt 2>stderr.txt";
  const int raw = std::system(command.c_str());
  status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  out_ = readFile(folder_ / "stdout.txt");
  err_ = readFile(folder_ / "stderr.txt");
}

Session::~Session() {
  std::error_code ignored;
  if (!folder_.empty()) fs::remove_all(folder_, ignored);
}

std::vector<std::string> Session::errorLines() const {
  std::vector<std::string> lines;
  std::istringstream in(err_);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

bool Session::hasFigure(int n, bool drawnow) const {
  return fs::exists(figurePath(folder_, n, drawnow));
}

json Session::figure(int n, bool drawnow) const {
  const fs::path path = figurePath(folder_, n, drawnow);
  if (!fs::exists(path)) {
    ADD_FAILURE() << path.filename() << " was not written; stderr:\n" << err_;
    return json::object();
  }
  return json::parse(readFile(path));
}

std::string Session::figureText(int n, bool drawnow) const {
  const fs::path path = figurePath(folder_, n, drawnow);
  return fs::exists(path) ? readFile(path) : std::string();
}

std::vector<std::string> Session::figureFiles() const {
  std::vector<std::string> names;
  if (!fs::exists(folder_ / "figs")) return names;
  for (const auto& entry : fs::directory_iterator(folder_ / "figs")) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::unique_ptr<Session> run(const std::vector<std::string>& statements, const std::string& options,
                             Feed feed) {
  return std::make_unique<Session>(statements, options, feed);
}

const Session& shared(const std::vector<std::string>& statements, const std::string& options) {
  // Destroyed at exit, which removes the scratch folders.
  static std::map<std::pair<std::vector<std::string>, std::string>, std::unique_ptr<Session>>
      sessions;
  auto& slot = sessions[{statements, options}];
  if (!slot) slot = run(statements, options);
  return *slot;
}

std::string onlyPlugin(const std::string& deliverable) {
  return "--no-default-plugins --plugin " +
         quoted(deliverable == kVextral ? XT_VEXTRAL_PLUGIN : XT_VEXTRAB_PLUGIN);
}

double number(const json& value) {
  if (value.is_number()) return value.get<double>();
  if (value.is_string()) {
    const std::string s = value.get<std::string>();
    if (s == "NaN") return std::numeric_limits<double>::quiet_NaN();
    if (s == "Inf") return std::numeric_limits<double>::infinity();
    if (s == "-Inf") return -std::numeric_limits<double>::infinity();
  }
  ADD_FAILURE() << "not a number: " << value.dump();
  return std::numeric_limits<double>::quiet_NaN();
}

std::vector<double> numbers(const json& values) {
  std::vector<double> out;
  if (!values.is_array()) {
    out.push_back(number(values));
    return out;
  }
  for (const json& v : values) out.push_back(number(v));
  return out;
}

Figure parseFigure(const json& figure) {
  Figure f;
  if (!figure.contains("children")) return f;
  for (const json& child : figure.at("children")) {
    const std::string type = child.at("type").get<std::string>();
    if (type == "axes") {
      Axes a;
      a.properties = child.at("properties");
      a.title = child.at("title").at("properties").at("String").get<std::string>();
      a.xlabel = child.at("xlabel").at("properties").at("String").get<std::string>();
      a.ylabel = child.at("ylabel").at("properties").at("String").get<std::string>();
      for (const json& object : child.at("children")) {
        const json& p = object.at("properties");
        if (object.at("type") == "line") {
          Line l;
          l.handle = number(object.at("handle"));
          l.x = numbers(p.at("XData"));
          l.y = numbers(p.at("YData"));
          l.color = numbers(p.at("Color"));
          l.lineWidth = number(p.at("LineWidth"));
          a.lines.push_back(std::move(l));
        } else if (object.at("type") == "text") {
          Text t;
          t.string = p.at("String").get<std::string>();
          t.position = numbers(p.at("Position"));
          t.fontSize = number(p.at("FontSize"));
          a.texts.push_back(std::move(t));
        }
      }
      f.axes.push_back(std::move(a));
    } else if (type == "legend") {
      Legend l;
      const json& strings = child.at("properties").at("String");
      if (strings.is_array()) {
        for (const json& s : strings) l.strings.push_back(s.get<std::string>());
      } else {
        l.strings.push_back(strings.get<std::string>());
      }
      l.lines = numbers(child.at("lines"));
      f.legends.push_back(std::move(l));
    }
  }
  return f;
}

std::vector<double> printedNumbers(const std::string& text) {
  std::vector<double> out;
  std::istringstream in(text);
  std::string token;
  while (in >> token) {
    char* end = nullptr;
    const double v = std::strtod(token.c_str(), &end);
    if (end != token.c_str() && *end == '\0') out.push_back(v);
  }
  return out;
}

Waveforms promptSolution(const std::string& hh, const std::string& source,
                         const std::string& load) {
  const std::vector<std::string> statements = {
      "[ct, lt] = plattm([1 0.2 0.2], [-0.2 0.2], " + hh + ", 200);",
      "Zc = 300000000 * lt;",
      "f = [eps, 1:1:2048] / 2.5e-08;",
      "v0 = ftrapez(f, 1e-08, 5e-10, 5e-10);",
      "VS = permute([1; 0] * v0, [1 3 2]);",
      terminationStatement("Zs", source),
      terminationStatement("Zl", load),
      "[VNE, VFE] = mtlfd(f, 0.1, VS, Zs, [0; 0], Zl, ct, lt);",
      "vf = iffts(VFE, 2.5e-08);",
      "vn = iffts(VNE, 2.5e-08);",
      "fprintf('%.17g\\n', [vf vn]);",
  };
  const Session& s = shared(statements, onlyPlugin(kVextrab) + " --expose-local");
  const std::vector<double> all = printedNumbers(s.out());
  Waveforms w;
  if (all.size() != 4 * 4096) {
    ADD_FAILURE() << "the prompt computation printed " << all.size() << " numbers; stderr:\n"
                  << s.err();
    return w;
  }
  const auto column = [&](std::size_t k) {
    return std::vector<double>(all.begin() + static_cast<std::ptrdiff_t>(k * 4096),
                               all.begin() + static_cast<std::ptrdiff_t>((k + 1) * 4096));
  };
  w.vf1 = column(0);
  w.vf2 = column(1);
  w.vn1 = column(2);
  w.vn2 = column(3);
  return w;
}

double maxDifference(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size()) return std::numeric_limits<double>::infinity();
  double worst = 0;
  for (std::size_t k = 0; k < a.size(); ++k) {
    const double d = std::abs(a[k] - b[k]);
    if (std::isnan(d)) return std::numeric_limits<double>::infinity();
    worst = std::max(worst, d);
  }
  return worst;
}

double maxMagnitude(const std::vector<double>& a) {
  double worst = 0;
  for (double v : a) worst = std::max(worst, std::abs(v));
  return worst;
}

std::vector<double> scaled(const std::vector<double>& a, double factor) {
  std::vector<double> out(a);
  for (double& v : out) v *= factor;
  return out;
}

}  // namespace e2e
