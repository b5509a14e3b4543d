// The program's literal arrays, named once.
//
// Each literal that the program's bodies use has a fixed number (1..60). The
// bodies read a literal only through literal(); the build decides where it
// comes from: vextrab reads its constant table (made when the library is
// initialised, destroyed at unload), vextral and the direct C++ tests make the
// value where it is used.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "runtime/array.hpp"

namespace xt {

enum class Lit : int {
  Perm312 = 1,              // [3 1 2]
  Perm321 = 2,              // [3 2 1]
  TwoPiI = 3,               // 0+6.283185307179586i
  LightSpeedSq = 4,         // 8.987554305625e+16
  Eps0 = 5,                 // 8.8541853e-12
  Six = 6,                  // 6.0
  Equal = 7,                // "equal"
  Empty = 8,                // []
  Margin = 9,               // 0.05
  Four = 10,                // 4.0
  Three = 11,               // 3.0
  LineWidth = 12,           // "linewidth"
  Blue = 13,                // "b"
  Color = 14,               // "color"
  MsgHeights = 15,          // "inmatningsfel antal höjder"
  MsgCentres = 16,          // "inmatningsfel antal centrumavstånd"
  MinusTwoPiI = 17,         // 0-6.283185307179586i
  Pi = 18,                  // 3.141592653589793
  MinusPiI = 19,            // 0-3.141592653589793i
  I = 20,                   // 0+1i
  TwoPi = 21,               // 6.283185307179586
  TitleConductor2 = 22,     // "Spänning på ledare 2"
  LabelMillivolt = 23,      // "Amplitud [mV]"
  Thousand = 24,            // 1000.0
  CleanThreshold = 25,      // 1e-16
  Twenty = 26,              // 20.0
  LegendNear = 27,          // "Spänning i källändan"
  LegendFar = 28,           // "Spänning i laständan"
  TitleConductor1 = 29,     // "Spänning i laständan på ledare 1"
  LabelVolt = 30,           // "Amplitud [V]"
  LabelTime = 31,           // "Tid [ns]"
  Giga = 32,                // 1000000000.0
  PointOne = 33,            // 0.1
  ZeroColumn = 34,          // [0; 0]
  Perm132 = 35,             // [1 3 2]
  UnitColumn = 36,          // [1; 0]
  LightSpeed = 37,          // 300000000.0
  PauseTime = 38,           // 0.01
  Eighteen = 39,            // 18.0
  FontSize = 40,            // "FontSize"
  Banner = 41,              // "Beräkning pågår!"
  Half = 42,                // 0.5
  Quarter = 43,             // 0.25
  Off = 44,                 // "off"
  XlimGeometry = 45,        // [-0.5 0.5]
  Xlim = 46,                // "xlim"
  Ylim = 47,                // "ylim"
  AspectRatio = 48,         // [1 0.3 1]
  PlotBoxAspectRatio = 49,  // "plotboxaspectratio"
  TwoHundred = 50,          // 200.0
  Centres = 51,             // [-0.2 0.2]
  Widths = 52,              // [1 0.2 0.2]
  RiseTime = 53,            // 5e-10
  PulseWidth = 54,          // 1e-08
  Two = 55,                 // 2.0
  Eps = 56,                 // 2.220446049250313e-16
  One = 57,                 // 1.0
  Zero = 58,                // 0.0
  Tmax = 59,                // 2.5e-08
  SampleCount = 60,         // 4096.0
};

inline constexpr int kLiteralCount = 60;

// How a literal is made: its kind and its values, as the constant table holds it.
struct LiteralDefinition {
  enum class Kind { Double, Complex, Matrix, Empty, String };
  Kind kind;
  std::size_t rows;
  std::size_t cols;
  std::array<double, 3> values;  // Double: [0]; Complex: [0] re, [1] im; Matrix: column-major
  std::string_view text;         // String: UTF-8
};

// The definition of literal number n (1..60).
const LiteralDefinition& literalDefinition(int n);
// Makes the value of literal number n as a fresh array.
rt::Array makeLiteral(int n);

// The literal as the current build provides it (a copy the caller owns).
rt::Array literal(Lit id);

// Short forms for the bodies: the literal, and a literal used as a size or
// dimension argument (the 1 of ones(n, 1)).
inline rt::Array lit(Lit id) {
  return literal(id);
}
inline std::size_t dim(Lit id) {
  return static_cast<std::size_t>(literal(id).scalar());
}

}  // namespace xt
