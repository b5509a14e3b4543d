// The command window's display of values.
//
// Rules (format short, the default):
//   - a real scalar: an integer value below 1e9 in magnitude as an integer (5, -12);
//     otherwise 0.001 <= |x| < 1000 with 4 decimals (3.1416, 0.5000), else as
//     1.2346e+04; Inf, -Inf, NaN as such;
//   - a complex scalar: both parts with 4 decimals (0.5000 + 0.2000i, 1.0000 - 2.0000i),
//     or both in e-notation when the larger part is outside [0.001, 1000);
//   - a real matrix whose finite elements are all integers below 1e9: integers in
//     columns of width max(6, digits + 3); otherwise 4 decimals in columns of width
//     max(10, length + 2), under a common scale factor line such as "1.0e-07 *"
//     when the largest magnitude is >= 1000 or < 0.001;
//   - format long: the same with up to 15 decimals (16 significant digits for a
//     scalar: 3.141592653589793); format short g / long g: %.5g / %.15g
//     (3.14159265358979), integers as integers; format short e / long e: %.4e / %.15e;
//   - logical: 0 and 1 (columns of width digits + 3); char: the text, one line per
//     row; cell: one summary per element ([1], 'abc', [2x2 double]);
//   - empty: [](0x0) (char: '', cell: {}(0x0));
//   - `x = 5` on one line for scalars, one-row text and empties; otherwise
//     "x =", a blank line, the rows and a blank line (format compact drops the
//     blank lines); pages of an N-d array as x(:,:,k).
#pragma once

#include <string>
#include <string_view>

#include "mexhost/mexhost.hpp"
#include "runtime/array.hpp"

namespace mh {

// `name = value` as the command window shows an assignment (or `ans`).
std::string displayText(std::string_view name, const rt::Array& value, const DisplayFormat& format);

// What disp(value) shows: the value without its name.
std::string dispText(const rt::Array& value, const DisplayFormat& format);

// The class name the host language gives a value: "double", "char", "logical", "cell".
std::string className(const rt::Array& a);

// One number as shown alone (`x = <this>`).
std::string formatScalar(rt::Complex value, bool complex, const DisplayFormat& format);

}  // namespace mh
