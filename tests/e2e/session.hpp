// Runs the mexhost program as a user does (statements typed at its prompt, here
// from a script file in a scratch folder) and reads back what it printed and the
// figures it wrote as JSON.
#pragma once

#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

namespace fs = std::filesystem;
using nlohmann::json;

// The plug-ins, by the name a user calls them.
inline constexpr const char* kVextrab = "vextrab";
inline constexpr const char* kVextral = "vextral";

// "vextrab(0.1, 'm', 'm')"
std::string call(const std::string& function, const std::string& arguments);

// One finished mexhost session: its standard output and error, exit status and the
// folder with the figure files. The folder goes when the session does.
// How the statements reach mexhost: lines of one script file (parsed as a whole),
// or one command-line argument each (each parsed on its own, as typed lines are).
enum class Feed { Script, Arguments };

class Session {
 public:
  Session(const std::vector<std::string>& statements, const std::string& options,
          Feed feed = Feed::Script);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  const std::string& out() const { return out_; }
  const std::string& err() const { return err_; }
  std::vector<std::string> errorLines() const;
  int status() const { return status_; }

  // The figure written at the end of the last statement that changed it
  // ("figureN.json"), or its snapshot at the last drawnow ("figureN-drawnow.json").
  bool hasFigure(int n, bool drawnow = false) const;
  json figure(int n, bool drawnow = false) const;
  // The same file as written, unparsed ("" when it was not written).
  std::string figureText(int n, bool drawnow = false) const;
  // The names of every figure file written, sorted.
  std::vector<std::string> figureFiles() const;

 private:
  fs::path folder_;
  std::string out_;
  std::string err_;
  int status_ = -1;
};

// Runs a session. `options` go before the script on the command line.
std::unique_ptr<Session> run(const std::vector<std::string>& statements,
                             const std::string& options = "", Feed feed = Feed::Script);
// The same, run once per test program for the same statements and options and
// shared by every test that asks for it.
const Session& shared(const std::vector<std::string>& statements, const std::string& options = "");

// Options for a session with only one of the plug-ins loaded.
std::string onlyPlugin(const std::string& deliverable);

// ---- reading figures ---------------------------------------------------------------

// A JSON number, or one of the strings "NaN", "Inf", "-Inf" that stand for the
// numbers JSON lacks.
double number(const json& value);
std::vector<double> numbers(const json& values);

struct Line {
  double handle = 0;
  std::vector<double> x;
  std::vector<double> y;
  std::vector<double> color;
  double lineWidth = 0;
};

struct Text {
  std::string string;
  std::vector<double> position;
  double fontSize = 0;
};

struct Axes {
  json properties;
  std::string title;
  std::string xlabel;
  std::string ylabel;
  std::vector<Line> lines;  // in the order they were drawn
  std::vector<Text> texts;
  std::vector<double> get(const std::string& property) const {
    return numbers(properties.at(property));
  }
  std::string text(const std::string& property) const {
    return properties.at(property).get<std::string>();
  }
};

struct Legend {
  std::vector<std::string> strings;
  std::vector<double> lines;
};

struct Figure {
  std::vector<Axes> axes;
  std::vector<Legend> legends;
};

Figure parseFigure(const json& figure);

// Numbers printed one a line (fprintf('%.17g\n', ...)).
std::vector<double> printedNumbers(const std::string& text);

// The far-end and near-end waveforms of both conductors (vf, vn: 4096 samples per
// conductor), computed at the prompt from the exposed subfunctions of vextrab in
// the order the driver makes them. A termination is "Zc" (matched), a
// resistance pair such as "[50 Inf]", or an impedance matrix ("Z = [25 25; 25 25]").
struct Waveforms {
  std::vector<double> vf1, vf2, vn1, vn2;
};
Waveforms promptSolution(const std::string& hh, const std::string& source, const std::string& load);

// The largest |a - b| over two sequences of equal length (infinite if the lengths differ).
double maxDifference(const std::vector<double>& a, const std::vector<double>& b);
double maxMagnitude(const std::vector<double>& a);
std::vector<double> scaled(const std::vector<double>& a, double factor);

}  // namespace e2e
