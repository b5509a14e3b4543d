#include "display.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/ops.hpp"

namespace mh {
namespace {

using rt::Array;
using rt::Complex;

std::string printfDouble(const char* fmt, double v) {
  char buf[128];
  std::snprintf(buf, sizeof buf, fmt, v);
  return buf;
}

std::string printfDouble(const char* fmt, int precision, double v) {
  char buf[128];
  std::snprintf(buf, sizeof buf, fmt, precision, v);
  return buf;
}

bool isInteger(double v) {
  return std::isfinite(v) && v == std::floor(v);
}

std::string nonFinite(double v) {
  if (std::isnan(v)) return "NaN";
  return v < 0 ? "-Inf" : "Inf";
}

std::string integerText(double v) {
  if (v == 0.0) return "0";  // no "-0"
  return printfDouble("%.0f", v);
}

bool isE(NumberFormat f) {
  return f == NumberFormat::ShortE || f == NumberFormat::LongE;
}
bool isG(NumberFormat f) {
  return f == NumberFormat::ShortG || f == NumberFormat::LongG;
}
bool isLong(NumberFormat f) {
  return f == NumberFormat::Long || f == NumberFormat::LongG || f == NumberFormat::LongE;
}

bool fixedRange(double a) {
  return a >= 0.001 && a < 1000.0;
}

// Decimals of format long in fixed notation: 16 significant digits, at most 15 decimals.
int longDecimals(double magnitude) {
  const int exponent = magnitude > 0 ? static_cast<int>(std::floor(std::log10(magnitude))) : 0;
  return 15 - std::max(0, exponent);
}

std::string gText(double v, NumberFormat f) {
  if (!std::isfinite(v)) return nonFinite(v);
  if (v == 0.0) return "0";
  return printfDouble(isLong(f) ? "%.15g" : "%.5g", v);
}

std::string eText(double v, NumberFormat f) {
  if (!std::isfinite(v)) return nonFinite(v);
  return printfDouble(isLong(f) ? "%.15e" : "%.4e", v);
}

std::string realScalar(double v, NumberFormat f) {
  if (!std::isfinite(v)) return nonFinite(v);
  if (isE(f)) return eText(v, f);
  if (isInteger(v) && std::fabs(v) < 1e9) return integerText(v);
  if (isG(f)) return gText(v, f);
  const double a = std::fabs(v);
  if (fixedRange(a)) {
    return printfDouble("%.*f", isLong(f) ? longDecimals(a) : 4, v);
  }
  return printfDouble(isLong(f) ? "%.15e" : "%.4e", v);
}

// The parts of complex numbers share one notation, chosen from the largest part.
struct PartStyle {
  enum class Kind { Fixed, Exp, G } kind = Kind::Fixed;
  int decimals = 4;
};

PartStyle partStyle(double largest, NumberFormat f) {
  PartStyle s;
  if (isG(f)) {
    s.kind = PartStyle::Kind::G;
  } else if (isE(f) || !(largest == 0.0 || fixedRange(largest))) {
    s.kind = PartStyle::Kind::Exp;
    s.decimals = isLong(f) ? 15 : 4;
  } else {
    s.decimals = isLong(f) ? longDecimals(largest) : 4;
  }
  return s;
}

std::string partText(double v, const PartStyle& s, NumberFormat f) {
  if (!std::isfinite(v)) return nonFinite(v);
  switch (s.kind) {
    case PartStyle::Kind::G:
      return gText(v, f);
    case PartStyle::Kind::Exp:
      return printfDouble("%.*e", s.decimals, v);
    case PartStyle::Kind::Fixed:
      break;
  }
  return printfDouble("%.*f", s.decimals, v);
}

bool negativePart(double v) {
  return std::signbit(v) && !std::isnan(v);
}

std::string padLeft(const std::string& s, std::size_t width) {
  return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

// Widths count code points, so that text with å, ä, ö lines up.
std::size_t codePoints(const std::string& s) {
  std::size_t points = 0;
  for (char c : s) points += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return points;
}

std::string padRight(const std::string& s, std::size_t width) {
  const std::size_t points = codePoints(s);
  return points >= width ? s : s + std::string(width - points, ' ');
}

// The rows of a 2-D numeric page, and the scale factor line when there is one.
struct Body {
  std::string scale;
  std::vector<std::string> lines;
};

std::string scaleLine(int exponent) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "   1.0e%+03d *", exponent);
  return buf;
}

Body joinColumns(const std::vector<std::string>& cells, std::size_t rows, std::size_t cols,
                 std::size_t width) {
  Body b;
  for (std::size_t r = 0; r < rows; ++r) {
    std::string line;
    for (std::size_t c = 0; c < cols; ++c) line += padLeft(cells[c * rows + r], width);
    b.lines.push_back(line);
  }
  return b;
}

std::size_t longest(const std::vector<std::string>& cells) {
  std::size_t n = 0;
  for (const std::string& s : cells) n = std::max(n, s.size());
  return n;
}

Body realBody(const Array& page, NumberFormat f) {
  const std::size_t rows = page.rows();
  const std::size_t cols = page.cols();
  const std::size_t n = page.numel();
  std::vector<std::string> cells(n);
  if (page.isLogical()) {
    for (std::size_t i = 0; i < n; ++i) cells[i] = integerText(page.reAt(i));
    return joinColumns(cells, rows, cols, longest(cells) + 3);
  }
  bool allInteger = true;
  double maxAbs = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double v = page.reAt(i);
    if (!std::isfinite(v)) continue;
    allInteger = allInteger && isInteger(v);
    maxAbs = std::max(maxAbs, std::fabs(v));
  }
  const bool integers = allInteger && maxAbs < 1e9 && !isE(f);
  if (integers) {
    for (std::size_t i = 0; i < n; ++i) {
      const double v = page.reAt(i);
      cells[i] = std::isfinite(v) ? integerText(v) : nonFinite(v);
    }
    return joinColumns(cells, rows, cols, std::max<std::size_t>(6, longest(cells) + 3));
  }
  if (isG(f) || isE(f)) {
    for (std::size_t i = 0; i < n; ++i) {
      cells[i] = isG(f) ? gText(page.reAt(i), f) : eText(page.reAt(i), f);
    }
    return joinColumns(cells, rows, cols, longest(cells) + 3);
  }
  int exponent = 0;
  if (maxAbs >= 1000.0 || (maxAbs > 0.0 && maxAbs < 0.001)) {
    exponent = static_cast<int>(std::floor(std::log10(maxAbs)));
  }
  const double factor = std::pow(10.0, exponent);
  const int decimals = isLong(f) ? longDecimals(maxAbs / factor) : 4;
  for (std::size_t i = 0; i < n; ++i) {
    const double v = page.reAt(i);
    cells[i] = std::isfinite(v) ? printfDouble("%.*f", decimals, v / factor) : nonFinite(v);
  }
  const std::size_t width =
      isLong(f) ? longest(cells) + 3 : std::max<std::size_t>(10, longest(cells) + 2);
  Body b = joinColumns(cells, rows, cols, width);
  if (exponent != 0) b.scale = scaleLine(exponent);
  return b;
}

Body complexBody(const Array& page, NumberFormat f) {
  const std::size_t rows = page.rows();
  const std::size_t cols = page.cols();
  const std::size_t n = page.numel();
  double maxAbs = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    for (double v : {page.reAt(i), page.imAt(i)}) {
      if (std::isfinite(v)) maxAbs = std::max(maxAbs, std::fabs(v));
    }
  }
  int exponent = 0;
  if (!isG(f) && !isE(f) && (maxAbs >= 1000.0 || (maxAbs > 0.0 && maxAbs < 0.001))) {
    exponent = static_cast<int>(std::floor(std::log10(maxAbs)));
  }
  const double factor = std::pow(10.0, exponent);
  const PartStyle style = partStyle(maxAbs / factor, f);
  std::vector<std::string> re(n);
  std::vector<std::string> im(n);
  for (std::size_t i = 0; i < n; ++i) {
    re[i] = partText(page.reAt(i) / factor, style, f);
    im[i] = partText(std::fabs(page.imAt(i)) / factor, style, f);
  }
  const std::size_t wr = longest(re) + 3;
  const std::size_t wi = longest(im);
  std::vector<std::string> cells(n);
  for (std::size_t i = 0; i < n; ++i) {
    cells[i] = padLeft(re[i], wr) + (negativePart(page.imAt(i)) ? " - " : " + ") +
               padLeft(im[i], wi) + "i";
  }
  Body b = joinColumns(cells, rows, cols, longest(cells));
  if (exponent != 0) b.scale = scaleLine(exponent);
  return b;
}

Body numericBody(const Array& page, NumberFormat f) {
  return page.isComplex() ? complexBody(page, f) : realBody(page, f);
}

std::vector<std::string> charRows(const Array& page) {
  std::vector<std::string> lines;
  const std::size_t rows = page.rows();
  const std::size_t cols = page.cols();
  for (std::size_t r = 0; r < rows; ++r) {
    std::u16string units;
    for (std::size_t c = 0; c < cols; ++c) {
      units.push_back(static_cast<char16_t>(page.reAt(c * rows + r)));
    }
    lines.push_back(rt::utf16ToUtf8(units));
  }
  return lines;
}

std::string cellSummary(const Array& e, const DisplayFormat& format) {
  const std::string size = rt::dimsToString(e.dims());
  if (e.isCell()) return e.isEmpty() ? "{}" : "{" + size + " cell}";
  if (e.isChar()) {
    if (e.isEmpty()) return "''";
    if (e.rows() == 1 && e.ndims() == 2) return "'" + e.utf8() + "'";
    return "[" + size + " char]";
  }
  if (!e.isDefined()) return "[]";
  if (e.isEmpty()) return "[]";
  if (e.numel() == 1) return "[" + formatScalar(e.at(0), e.isComplex(), format) + "]";
  return "[" + size + " " + className(e) + "]";
}

std::vector<std::string> cellLines(const Array& c, const DisplayFormat& format) {
  const std::size_t rows = c.rows();
  const std::size_t cols = c.cols();
  std::vector<std::string> cells(c.numel());
  for (std::size_t i = 0; i < cells.size(); ++i) cells[i] = cellSummary(c.cells()[i], format);
  std::vector<std::size_t> widths(cols, 0);
  for (std::size_t col = 0; col < cols; ++col) {
    for (std::size_t r = 0; r < rows; ++r) {
      widths[col] = std::max(widths[col], codePoints(cells[col * rows + r]));
    }
  }
  std::vector<std::string> lines;
  for (std::size_t r = 0; r < rows; ++r) {
    std::string line;
    for (std::size_t col = 0; col < cols; ++col) {
      line += "    ";
      line += col + 1 < cols ? padRight(cells[col * rows + r], widths[col]) : cells[col * rows + r];
    }
    lines.push_back(line);
  }
  return lines;
}

// The pages of an N-d array as 2-D arrays, with their "(:,:,k)" labels.
std::vector<std::pair<std::string, Array>> pages(const Array& a) {
  std::vector<std::pair<std::string, Array>> out;
  if (a.ndims() <= 2) {
    out.emplace_back("", a);
    return out;
  }
  const std::size_t rows = a.rows();
  const std::size_t cols = a.size(2);
  const std::size_t count = a.numel() / std::max<std::size_t>(1, rows * cols);
  for (std::size_t p = 0; p < count; ++p) {
    // The label names each trailing subscript: (:,:,k) or (:,:,k,l).
    std::string label = "(:,:";
    std::size_t rest = p;
    for (std::size_t d = 2; d < a.ndims(); ++d) {
      label += "," + std::to_string(rest % a.dims()[d] + 1);
      rest /= a.dims()[d];
    }
    label += ")";
    Array page = a(rt::all, rt::all, static_cast<double>(p + 1));
    if (a.isChar()) page = page.asClass(rt::ClassId::Char);
    out.emplace_back(label, page);
  }
  return out;
}

std::string emptyText(const Array& a) {
  const std::string size = rt::dimsToString(a.dims());
  if (a.isChar()) return "''";
  if (a.isCell()) return "{}(" + size + ")";
  return "[](" + size + ")";
}

std::vector<std::string> pageLines(const Array& page, const DisplayFormat& format,
                                   std::string& scale) {
  if (page.isChar()) return charRows(page);
  if (page.isCell()) return cellLines(page, format);
  Body b = numericBody(page, format.number);
  scale = b.scale;
  return b.lines;
}

}  // namespace

std::string formatScalar(Complex value, bool complex, const DisplayFormat& format) {
  const NumberFormat f = format.number;
  if (!complex) return realScalar(value.real(), f);
  const double largest = std::max(std::isfinite(value.real()) ? std::fabs(value.real()) : 0.0,
                                  std::isfinite(value.imag()) ? std::fabs(value.imag()) : 0.0);
  const PartStyle style = partStyle(largest, f);
  return partText(value.real(), style, f) + (negativePart(value.imag()) ? " - " : " + ") +
         partText(std::fabs(value.imag()), style, f) + "i";
}

std::string displayText(std::string_view name, const Array& value, const DisplayFormat& format) {
  const std::string n(name);
  if (!value.isDefined()) return n + " = <undefined>\n";
  if (value.isEmpty()) return n + " = " + emptyText(value) + "\n";
  if (value.isChar() && value.rows() == 1 && value.ndims() == 2) {
    return n + " = " + value.utf8() + "\n";
  }
  if (!value.isCell() && !value.isChar() && value.numel() == 1) {
    return n + " = " + formatScalar(value.at(0), value.isComplex(), format) + "\n";
  }
  const std::string gap = format.compact ? "" : "\n";
  std::string out;
  for (const auto& [label, page] : pages(value)) {
    std::string scale;
    const std::vector<std::string> lines = pageLines(page, format, scale);
    out += n + label + " =\n" + gap;
    if (!scale.empty()) out += scale + "\n" + gap;
    for (const std::string& line : lines) out += line + "\n";
    out += gap;
  }
  return out;
}

std::string dispText(const Array& value, const DisplayFormat& format) {
  if (!value.isDefined() || value.isEmpty()) return "";
  std::string out;
  const auto all = pages(value);
  for (const auto& [label, page] : all) {
    std::string scale;
    const std::vector<std::string> lines = pageLines(page, format, scale);
    if (!label.empty()) out += label + " =\n\n";
    if (!scale.empty()) out += scale + "\n\n";
    for (const std::string& line : lines) out += line + "\n";
    if (!label.empty()) out += "\n";
  }
  return out;
}

std::string className(const rt::Array& a) {
  switch (a.classId()) {
    case rt::ClassId::Double:
      return "double";
    case rt::ClassId::Char:
      return "char";
    case rt::ClassId::Logical:
      return "logical";
    case rt::ClassId::Cell:
      return "cell";
    case rt::ClassId::Undefined:
      break;
  }
  return "undefined";
}

}  // namespace mh
