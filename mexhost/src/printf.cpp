#include "printf.hpp"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <string>

#include "runtime/error.hpp"

namespace mh {
namespace {

using rt::Array;

struct Conversion {
  std::string flags;
  int width = -1;  // -1: none; -2: '*'
  int precision = -1;
  char type = 's';
};

struct Segment {
  bool literal = true;
  std::string text;
  Conversion conv;
};

bool isConversionChar(char c) {
  return std::string_view("diuoxXfFeEgGcs").find(c) != std::string_view::npos;
}

std::vector<Segment> segments(const std::string& format) {
  std::vector<Segment> out;
  std::string text;
  std::size_t i = 0;
  auto flushText = [&] {
    if (!text.empty()) out.push_back({true, text, {}});
    text.clear();
  };
  while (i < format.size()) {
    const char c = format[i];
    if (c != '%') {
      text += c;
      ++i;
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      text += '%';
      i += 2;
      continue;
    }
    std::size_t k = i + 1;
    Conversion conv;
    while (k < format.size() &&
           std::string_view("-+ 0#").find(format[k]) != std::string_view::npos) {
      conv.flags += format[k++];
    }
    auto number = [&](int& target) {
      if (k < format.size() && format[k] == '*') {
        target = -2;
        ++k;
        return;
      }
      if (k < format.size() && std::isdigit(static_cast<unsigned char>(format[k]))) {
        target = 0;
        while (k < format.size() && std::isdigit(static_cast<unsigned char>(format[k]))) {
          target = std::min(target * 10 + (format[k++] - '0'), 100000);
        }
      }
    };
    number(conv.width);
    if (k < format.size() && format[k] == '.') {
      ++k;
      conv.precision = 0;
      number(conv.precision);
    }
    while (k < format.size() && (format[k] == 'l' || format[k] == 'h')) ++k;
    if (k >= format.size() || !isConversionChar(format[k])) {
      // Not a conversion: the text stays as it is.
      text += format.substr(i, k - i);
      i = k;
      continue;
    }
    conv.type = format[k];
    flushText();
    out.push_back({false, "", conv});
    i = k + 1;
  }
  flushText();
  return out;
}

// The data: every element of every argument, in order, with char arguments kept
// recognisable for %s.
class Data {
 public:
  explicit Data(const std::vector<Array>& args) : args_(args) {
    for (const Array& a : args_) {
      if (a.isCell()) rt::raise("mexhost:printf", "Cell arrays cannot be formatted as text.");
      if (!a.isDefined()) rt::raise("mexhost:printf", "Cannot format a value that is undefined.");
    }
    skipEmpty();
  }

  bool empty() const { return arg_ >= args_.size(); }
  bool anyAtAll() const {
    for (const Array& a : args_) {
      if (a.numel() > 0) return true;
    }
    return false;
  }
  bool atChar() const { return !empty() && args_[arg_].isChar(); }

  double number() {
    const double v = args_[arg_].reAt(element_);
    advance(1);
    return v;
  }

  // The rest of the current char argument as UTF-8.
  std::string restOfText() {
    const Array& a = args_[arg_];
    std::u16string units;
    for (std::size_t i = element_; i < a.numel(); ++i) {
      units.push_back(static_cast<char16_t>(a.reAt(i)));
    }
    advance(a.numel() - element_);
    return rt::utf16ToUtf8(units);
  }

 private:
  void advance(std::size_t n) {
    element_ += n;
    skipEmpty();
  }
  void skipEmpty() {
    while (arg_ < args_.size() && element_ >= args_[arg_].numel()) {
      ++arg_;
      element_ = 0;
    }
  }

  const std::vector<Array>& args_;
  std::size_t arg_ = 0;
  std::size_t element_ = 0;
};

std::string codePointText(double code) {
  if (!(code >= 0) || code > 0x10FFFF) return "";
  const auto cp = static_cast<char32_t>(code);
  std::u16string units;
  if (cp >= 0x10000) {
    units.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
    units.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
  } else {
    units.push_back(static_cast<char16_t>(cp));
  }
  return rt::utf16ToUtf8(units);
}

std::size_t codePoints(const std::string& s) {
  std::size_t n = 0;
  for (char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return n;
}

std::string truncatePoints(const std::string& s, std::size_t points) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
      if (n == points) return s.substr(0, i);
      ++n;
    }
  }
  return s;
}

// Pads text to the width (in characters); '-' pads on the right.
std::string pad(const std::string& s, const Conversion& c) {
  const std::size_t n = codePoints(s);
  if (c.width <= 0 || n >= static_cast<std::size_t>(c.width)) return s;
  const std::string fill(static_cast<std::size_t>(c.width) - n, ' ');
  return c.flags.find('-') != std::string::npos ? s + fill : fill + s;
}

std::string cFormat(const Conversion& c, const char* length, char type) {
  std::string pattern = "%" + c.flags;
  if (c.width >= 0) pattern += std::to_string(c.width);
  if (c.precision >= 0) pattern += "." + std::to_string(c.precision);
  pattern += length;
  pattern += type;
  return pattern;
}

template <typename T>
std::string cPrint(const std::string& pattern, T value) {
  const int n = std::snprintf(nullptr, 0, pattern.c_str(), value);
  if (n <= 0) return "";
  std::string out(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), pattern.c_str(), value);
  out.resize(static_cast<std::size_t>(n));
  return out;
}

std::string nonFiniteText(double v, const Conversion& c) {
  std::string text = std::isnan(v) ? "NaN" : (v < 0 ? "-Inf" : "Inf");
  if (!std::isnan(v) && v > 0 && c.flags.find('+') != std::string::npos) text = "+" + text;
  Conversion plain = c;
  return pad(text, plain);
}

std::string numberText(double v, const Conversion& c) {
  if (!std::isfinite(v)) return nonFiniteText(v, c);
  switch (c.type) {
    case 'd':
    case 'i':
    case 'u':
    case 'o':
    case 'x':
    case 'X': {
      const bool whole = v == std::floor(v);
      const bool unsignedType = c.type == 'o' || c.type == 'x' || c.type == 'X';
      if (!whole || (unsignedType && v < 0)) {
        Conversion e = c;
        return cPrint(cFormat(e, "", 'e'), v);
      }
      if (std::fabs(v) >= 9.2e18) {
        Conversion f = c;
        f.precision = 0;
        return cPrint(cFormat(f, "", 'f'), v);
      }
      if (unsignedType) {
        return cPrint(cFormat(c, "ll", c.type), static_cast<unsigned long long>(v));
      }
      return cPrint(cFormat(c, "ll", 'd'), static_cast<long long>(v));
    }
    default:
      return cPrint(cFormat(c, "", c.type), v);
  }
}

}  // namespace

std::string processEscapes(std::string_view f) {
  std::string out;
  for (std::size_t i = 0; i < f.size(); ++i) {
    if (f[i] != '\\' || i + 1 >= f.size()) {
      out += f[i];
      continue;
    }
    const char e = f[++i];
    switch (e) {
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      case 'a':
        out += '\a';
        break;
      case 'b':
        out += '\b';
        break;
      case 'f':
        out += '\f';
        break;
      case 'v':
        out += '\v';
        break;
      case '\\':
        out += '\\';
        break;
      case '"':
        out += '"';
        break;
      case '\'':
        out += '\'';
        break;
      case 'x': {
        int value = 0;
        std::size_t k = i + 1;
        while (k < f.size() && k < i + 3 && std::isxdigit(static_cast<unsigned char>(f[k]))) {
          value = value * 16 + (std::isdigit(static_cast<unsigned char>(f[k]))
                                    ? f[k] - '0'
                                    : (std::tolower(static_cast<unsigned char>(f[k])) - 'a' + 10));
          ++k;
        }
        if (k == i + 1) {
          out += "\\x";
        } else {
          out += codePointText(value);
          i = k - 1;
        }
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          int value = 0;
          std::size_t k = i;
          while (k < f.size() && k < i + 3 && f[k] >= '0' && f[k] <= '7') {
            value = value * 8 + (f[k] - '0');
            ++k;
          }
          out += codePointText(value);
          i = k - 1;
        } else {
          // An unknown escape stays as written.
          out += '\\';
          out += e;
        }
    }
  }
  return out;
}

std::string formatData(std::string_view format, const std::vector<Array>& args) {
  const std::vector<Segment> segs = segments(processEscapes(format));
  Data data(args);
  bool hasConversion = false;
  for (const Segment& s : segs) hasConversion = hasConversion || !s.literal;
  const bool noData = !data.anyAtAll();
  std::string out;
  while (true) {
    for (const Segment& s : segs) {
      if (s.literal) {
        out += s.text;
        continue;
      }
      if (noData) continue;  // conversions of a format without data are empty
      if (data.empty()) return out;
      Conversion c = s.conv;
      if (c.width == -2) {
        const double w = data.number();
        c.width = std::isfinite(w) ? static_cast<int>(std::min(std::fabs(w), 100000.0)) : -1;
        if (w < 0) c.flags += '-';
        if (data.empty()) return out;
      }
      if (c.precision == -2) {
        const double p = data.number();
        c.precision = std::isfinite(p) && p >= 0 ? static_cast<int>(std::min(p, 1000.0)) : -1;
        if (data.empty()) return out;
      }
      if (c.type == 's' && data.atChar()) {
        std::string text = data.restOfText();
        if (c.precision >= 0) text = truncatePoints(text, static_cast<std::size_t>(c.precision));
        out += pad(text, c);
        continue;
      }
      const double v = data.number();
      if (c.type == 'c' || c.type == 's') {
        if (std::isfinite(v) && v == std::floor(v) && v >= 0) {
          std::string text = codePointText(v);
          if (c.type == 's' && c.precision >= 0) {
            text = truncatePoints(text, static_cast<std::size_t>(c.precision));
          }
          out += pad(text, c);
        } else {
          Conversion e = c;
          e.type = 'e';
          if (c.type == 's') e.precision = -1;
          out += numberText(v, e);
        }
        continue;
      }
      out += numberText(v, c);
    }
    if (noData || !hasConversion || data.empty()) break;
  }
  return out;
}

}  // namespace mh
