// Runs the mexhost program on a script of statements, as a user does, and hands
// back what it printed and the result figures it wrote as JSON. Used by the
// validation tests and by the program that writes the validation pictures.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace validation {

namespace fs = std::filesystem;

// One finished mexhost run in a scratch folder that goes with the object.
class HostRun {
 public:
  // `options` go before the script on the command line (for example "--expose-local").
  // `formats` is mexhost's --formats list.
  HostRun(const std::vector<std::string>& statements, const std::string& options,
          const std::string& formats = "json");
  ~HostRun();
  HostRun(const HostRun&) = delete;
  HostRun& operator=(const HostRun&) = delete;

  int status() const { return status_; }
  const std::string& out() const { return out_; }
  const std::string& err() const { return err_; }
  // The folder where the figures went ("figs" inside the scratch folder).
  fs::path figureFolder() const { return folder_ / "figs"; }
  // Every number printed on standard output, one a line (fprintf('%.17g\n', ...)).
  std::vector<double> printedNumbers() const;

 private:
  fs::path folder_;
  std::string out_;
  std::string err_;
  int status_ = -1;
};

// The Y data of the lines of the one axes of a figure JSON file, in drawing order,
// and the X data of its first line.
struct FigureLines {
  std::vector<double> x;
  std::vector<std::vector<double>> y;
};
FigureLines readFigureLines(const fs::path& jsonFile);

// A unique scratch folder under the system's temporary folder.
fs::path makeScratchFolder(const std::string& prefix);
std::string readText(const fs::path& file);

}  // namespace validation
