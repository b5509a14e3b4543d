// Cross-check of the program's bodies against the independent Octave reference in
// tests/reference (cases and file format in its CASES.md). The outputs are written
// by a ctest fixture that runs octave-cli before this test; the directory comes from
// XT_REFERENCE_DIR or, by default, the build's own output folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/ftrapez.hpp"
#include "driver/termination.hpp"
#include "line/plattm.hpp"
#include "solver/iffts.hpp"
#include "solver/mtlfd.hpp"
#include "support.hpp"

namespace xt {
namespace {

constexpr double kTolerance = 1e-10;  // normwise, relative to max|reference|

std::filesystem::path outputDir() {
  const char* dir = std::getenv("XT_REFERENCE_DIR");
  return dir != nullptr && *dir != '\0' ? dir : XT_REFERENCE_OUTPUT_DIR;
}

class Reference : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::filesystem::exists(outputDir() / "index.txt")) return;
    const char* ci = std::getenv("CI");
    const bool underCi = ci != nullptr && std::string(ci) == "true";
    if (!XT_HAVE_OCTAVE && !underCi) {
      GTEST_SKIP() << "octave-cli is not installed; no reference outputs";
    }
    FAIL() << "no reference outputs in " << outputDir()
           << " (octave-cli missing or the reference run failed)";
  }

  // One array as run_cases writes it: a dimension line, then "re im" per element.
  static rt::Array read(const std::string& name, const std::string& what) {
    const std::filesystem::path path = outputDir() / (name + "__" + what + ".txt");
    std::ifstream in(path);
    if (!in) {
      ADD_FAILURE() << "cannot read " << path;
      return rt::zeros(0, 0);
    }
    std::string line;
    std::getline(in, line);
    std::istringstream dimsLine(line);
    rt::Dims dims;
    for (std::size_t d; dimsLine >> d;) dims.push_back(d);
    std::size_t n = 1;
    for (std::size_t d : dims) n *= d;
    std::vector<double> re(n), im(n);
    for (std::size_t i = 0; i < n; ++i) {
      std::string r, m;
      in >> r >> m;
      re[i] = std::strtod(r.c_str(), nullptr);
      im[i] = std::strtod(m.c_str(), nullptr);
    }
    EXPECT_TRUE(static_cast<bool>(in)) << "short file " << path;
    return rt::Array::fromData(dims, re, im).narrow();
  }

  static void expectClose(const rt::Array& actual, const std::string& name,
                          const std::string& what) {
    const rt::Array expected = read(name, what);
    EXPECT_LE(testing::relDiff(actual, expected), kTolerance) << name << " " << what;
  }
};

TEST_F(Reference, LineParameters) {
  struct Case {
    const char* name;
    rt::Array b, dd, hh;
    double Nj;
    std::vector<double> dielectric;  // diel, hd, or none
  };
  const rt::Array b3 = rt::row({1, 0.2, 0.2});
  const rt::Array d3 = rt::row({-0.2, 0.2});
  const std::vector<Case> cases = {
      {"plattm_h010", b3, d3, 0.1, 200, {}},
      {"plattm_h005", b3, d3, 0.05, 200, {}},
      {"plattm_h030", b3, d3, 0.3, 200, {}},
      {"plattm_unequal", b3, d3, rt::row({0.1, 0.15}), 200, {}},
      {"plattm_two", rt::row({1, 0.2}), 0.1, 0.1, 100, {}},
      {"plattm_four", rt::row({1, 0.2, 0.2, 0.2}), rt::row({-0.3, 0, 0.3}), 0.1, 120, {}},
      {"plattm_diel_below", b3, d3, 0.1, 100, {4, 0.05}},
      {"plattm_diel_above", b3, d3, 0.1, 100, {4, 0.2}},
      {"plattm_diel_one", b3, d3, 0.1, 100, {1, 0.05}},
      {"plattm_stacked", rt::row({1, 0.2, 0.3}), 0.05, rt::row({0.1, 0.2}), 150, {}},
      {"plattm_halfround", rt::row({2, 1, 1}), rt::row({-0.6, 0.6}), 0.25, 10, {}},
  };
  for (const Case& c : cases) {
    const PlattmResult r = c.dielectric.empty()
                               ? plattm(c.b, c.dd, c.hh, c.Nj)
                               : plattm(c.b, c.dd, c.hh, c.Nj, c.dielectric[0], c.dielectric[1]);
    expectClose(r.Ctr, c.name, "Ctr");
    expectClose(r.Ltr, c.name, "Ltr");
  }
}

TEST_F(Reference, PulseSpectra) {
  struct Case {
    const char* name;
    rt::Array f;
    double t1, t2;
  };
  const std::vector<Case> cases = {
      {"ftrapez_driver", testing::driverFrequencies(), 5e-10, 5e-10},
      {"ftrapez_column", rt::column({1e7, 2e7, 3e7, 4e7, 5e7}), 5e-10, 5e-10},
      {"ftrapez_t1zero", rt::row({1e6, 2e6, 3e6}), 0, 5e-10},
      {"ftrapez_negf", rt::row({-3e7, 3e7}), 5e-10, 5e-10},
      {"ftrapez_asym", rt::row({1e6, 3.3e7, 1e8, 7.7e8, 2.5e9}), 2e-10, 7e-10},
  };
  for (const Case& c : cases) expectClose(ftrapez(c.f, 1e-08, c.t1, c.t2), c.name, "y");
}

TEST_F(Reference, LineSolutions) {
  for (const char* name : {"mtlfd_vs_col", "mtlfd_vs_mat", "mtlfd_vs_pages", "mtlfd_empty",
                           "mtlfd_nf1", "mtlfd_nc_eq_nf", "mtlfd_three", "mtlfd_driver"}) {
    const MtlfdResult r =
        mtlfd(read(name, "in_f"), read(name, "in_xL"), read(name, "in_VS"), read(name, "in_ZS"),
              read(name, "in_VL"), read(name, "in_ZL"), read(name, "in_C"), read(name, "in_L"));
    expectClose(r.VNE, name, "VNE");
    expectClose(r.VFE, name, "VFE");
  }
}

TEST_F(Reference, InverseTransforms) {
  for (const char* name :
       {"iffts_MxN", "iffts_1xNxM", "iffts_Nx1xM", "iffts_1x1xM", "iffts_M1", "iffts_M2"}) {
    expectClose(iffts(read(name, "in_supv"), read(name, "in_tmax")), name, "vt");
  }
}

// The driver's terminal network of a numeric termination [R11 R12], eps added as
// the driver adds it: R11 from each conductor to ground, R12 between.
rt::Array termination(double R11, double R12) {
  return terminationImpedance(rt::row({R11 + testing::kEps, R12 + testing::kEps}));
}

TEST_F(Reference, TerminationNetworks) {
  struct Case {
    const char* name;
    double R11, R12;
  };
  for (const Case& c : {Case{"term_50_inf", 50, INFINITY}, Case{"term_0_inf", 0, INFINITY},
                        Case{"term_50_100", 50, 100}, Case{"term_0_0", 0, 0},
                        Case{"term_50_0", 50, 0}, Case{"term_75_1e-3", 75, 1e-3}}) {
    expectClose(termination(c.R11, c.R12), c.name, "Z");
  }
}

TEST_F(Reference, WholeRuns) {
  struct Case {
    const char* name;
    rt::Array hh;
    std::vector<double> source, load;  // [R11 R12], or none for matched
  };
  const std::vector<Case> cases = {
      {"driver_matched", 0.1, {}, {}},
      {"driver_load50", 0.1, {}, {50, INFINITY}},
      {"driver_source50", 0.1, {50, INFINITY}, {}},
      {"driver_numeric", rt::row({0.1, 0.15}), {50, 200}, {100, INFINITY}},
      {"driver_loadshort", 0.1, {}, {50, 0}},
  };
  const rt::Array f = testing::driverFrequencies();
  for (const Case& c : cases) {
    const rt::Array v0 = ftrapez(f, 1e-08, 5e-10, 5e-10);
    const PlattmResult line = plattm(rt::row({1, 0.2, 0.2}), rt::row({-0.2, 0.2}), c.hh, 200);
    const rt::Array Zc = line.Ltr * 3e8;
    const rt::Array Zs = c.source.empty() ? Zc : termination(c.source[0], c.source[1]);
    const rt::Array Zl = c.load.empty() ? Zc : termination(c.load[0], c.load[1]);
    const rt::Array VS = rt::permute(rt::column({1, 0}) * v0, std::vector<std::size_t>{1, 3, 2});
    const MtlfdResult r = mtlfd(f, 0.1, VS, Zs, rt::column({0, 0}), Zl, line.Ctr, line.Ltr);
    expectClose(v0, c.name, "v0");
    expectClose(line.Ctr, c.name, "ct");
    expectClose(line.Ltr, c.name, "lt");
    expectClose(r.VNE, c.name, "VNE");
    expectClose(r.VFE, c.name, "VFE");
    expectClose(iffts(r.VFE, testing::kTmax), c.name, "vf");
    expectClose(iffts(r.VNE, testing::kTmax), c.name, "vn");
  }
}

}  // namespace
}  // namespace xt
