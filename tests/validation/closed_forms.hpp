// Closed forms and convergence checks of the line parameters that plattm computes,
// with plattm called through mexhost (--expose-local) as a user calls it.
#pragma once

#include <Eigen/Dense>
#include <string>
#include <vector>

namespace validation {

// The speed of light that plattm uses for L = inv(C)/c^2, m/s.
inline constexpr double kLightSpeed = 2.997925e8;

// Capacitance per unit length of a zero-thickness strip of width w at height h
// over an infinite ground plane in air, F/m, from the Hammerstad-Jensen formula
// for the characteristic impedance (C = 1/(c0*Z0) in air, c0 = 299792458 m/s).
double hammerstadJensenCapacitance(double widthOverHeight);

// One computing call [c, l] = plattm(b, dd, hh, Nj), arguments as typed.
struct PlattmCall {
  std::string b, dd, hh;
  int Nj = 200;
};
struct LineParameters {
  Eigen::MatrixXd C;  // F/m
  Eigen::MatrixXd L;  // H/m
};
// All calls in one mexhost session; throws when mexhost fails.
std::vector<LineParameters> runPlattm(const std::vector<PlattmCall>& calls);

// The microstrip as plattm sees it: a strip of width w at height h = 1 over a
// reference strip that reaches `margin` heights beyond each of its edges.
PlattmCall microstrip(double widthOverHeight, double margin, int Nj);

// Richardson extrapolation from three values at N, 2N and 4N: the observed order
// p = log2((c2 - c1)/(c4 - c2)) and the estimate c4 + (c4 - c2)/(2^p - 1).
struct Richardson {
  double order = 0;
  double limit = 0;
};
Richardson richardson(double c1, double c2, double c4);

// The driver's line: b = [1 0.2 0.2], dd = [-0.2 0.2], hh = 0.1.
PlattmCall driverLine(int Nj);

}  // namespace validation
