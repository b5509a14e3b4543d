// sprintf/fprintf formatting as the host language does it.
//
//   - The format's escapes are processed first: \n \t \r \a \b \f \v \\ \" \'
//     \xHH \NNN (octal); %% is a literal percent sign.
//   - Conversions %d %i %u %o %x %X %f %F %e %E %g %G %c %s with flags (- + space 0 #),
//     width and precision (each may be *, taken from the data).
//   - The data are the elements of all arguments in column order. The format is
//     used again while data remain; output stops at the first conversion that
//     finds no data left (the literal text before it is written). With no data at
//     all the format is written once, its conversions empty.
//   - %s of a char argument takes the rest of that argument as one text; %s of a
//     number writes the character with that code when it is a whole number, else
//     the number as by %e. %d (i, u, o, x) of a number that is not a whole number
//     writes it as by %e (flags and width kept). Inf and NaN are written as Inf,
//     -Inf and NaN by every numeric conversion. %c writes a character by its code.
//   - Only the real part of a complex argument is used. Logical values are 0 and 1.
//
// Text is UTF-8 in and out; widths count characters.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/array.hpp"

namespace mh {

std::string formatData(std::string_view format, const std::vector<rt::Array>& args);

// The escape processing of the format alone.
std::string processEscapes(std::string_view format);

}  // namespace mh
