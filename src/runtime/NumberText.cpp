#include "runtime/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "runtime/Convert.h"
#include "runtime/RuntimeError.h"

namespace zuvo::rt {

namespace detail {

namespace {

bool isDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

int hexValue(char16_t c) {
  if (isDigit(c)) return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// A hexadecimal or octal number reads as an Integer when it fits 16 bits and as a Long when it
// fits 32, so &HFFFF is -1 and &H10000 is 65536; anything wider overflows.
std::int32_t radixValue(std::uint64_t v) {
  if (v <= 0xFFFF) return std::int16_t(std::uint16_t(v));
  if (v <= 0xFFFFFFFF) return std::int32_t(std::uint32_t(v));
  throw RuntimeError(err::Overflow);
}

// Reads the digits of an &H/&O number from `i` on, skipping the characters `skip` accepts.
// Returns nothing when no digit follows the prefix.
template <typename Skip>
std::optional<std::int32_t> readRadix(const String& t, std::size_t& i, int radix, Skip skip) {
  std::uint64_t v = 0;
  bool any = false, tooWide = false;
  for (; i < t.size(); ++i) {
    if (skip(t[i])) continue;
    int d = hexValue(t[i]);
    if (d < 0 || d >= radix) break;
    any = true;
    v = v * radix + d;
    if (v > 0xFFFFFFFF) tooWide = true;
  }
  if (!any) return std::nullopt;
  if (tooWide) throw RuntimeError(err::Overflow);
  return radixValue(v);
}

bool isBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

}  // namespace

std::optional<std::string> strictNumber(const String& t) {
  std::size_t i = 0, n = t.size();
  while (i < n && isBlank(t[i])) ++i;
  std::string out;
  if (i + 1 < n && t[i] == u'&') {
    char16_t p = t[i + 1];
    int radix = (p == u'H' || p == u'h') ? 16 : (p == u'O' || p == u'o') ? 8 : 0;
    if (radix == 0) return std::nullopt;
    i += 2;
    auto v = readRadix(t, i, radix, [](char16_t) { return false; });
    while (i < n && isBlank(t[i])) ++i;
    if (!v || i != n) return std::nullopt;
    return std::to_string(*v);
  }
  if (i < n && (t[i] == u'+' || t[i] == u'-')) {
    if (t[i] == u'-') out.push_back('-');
    ++i;
    while (i < n && isBlank(t[i])) ++i;
  }
  bool any = false;
  for (; i < n; ++i) {
    if (isDigit(t[i])) {
      out.push_back(char(t[i]));
      any = true;
    } else if (t[i] == u',' && any) {
      // a thousands separator
    } else {
      break;
    }
  }
  if (i < n && t[i] == u'.') {
    out.push_back('.');
    for (++i; i < n && isDigit(t[i]); ++i) {
      out.push_back(char(t[i]));
      any = true;
    }
  }
  if (!any) return std::nullopt;
  if (i < n && (t[i] == u'e' || t[i] == u'E' || t[i] == u'd' || t[i] == u'D')) {
    out.push_back('E');
    ++i;
    if (i < n && (t[i] == u'+' || t[i] == u'-')) out.push_back(char(t[i++]));
    if (i >= n || !isDigit(t[i])) return std::nullopt;
    for (; i < n && isDigit(t[i]); ++i) out.push_back(char(t[i]));
  }
  while (i < n && isBlank(t[i])) ++i;
  if (i != n) return std::nullopt;
  return out;
}

double parseDouble(const std::string& plain) {
  double v = std::strtod(plain.c_str(), nullptr);
  if (std::isinf(v)) throw RuntimeError(err::Overflow);
  return v;
}

namespace {

// The run-time has no infinities or NaNs: a computation that made one has overflowed.
void requireFinite(double value) {
  if (!std::isfinite(value)) throw RuntimeError(err::Overflow);
}

}  // namespace

Digits significantDigits(double value, int precision) {
  requireFinite(value);
  Digits d;
  d.negative = std::signbit(value) && value != 0;
  if (value == 0) {
    d.digits = "0";
    return d;
  }
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific,
                           precision - 1);
  std::string s(buf, res.ptr);
  auto e = s.find('e');
  d.exponent = std::atoi(s.c_str() + e + 1);
  for (std::size_t k = 0; k < e; ++k)
    if (s[k] != '.') d.digits.push_back(s[k]);
  while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
  return d;
}

std::string generalText(double value, int precision) {
  requireFinite(value);
  if (value == 0) return "0";  // also for -0
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, precision);
  std::string s(buf, res.ptr);
  for (auto& c : s)
    if (c == 'e') c = 'E';
  return s;
}

String widen(std::string_view ascii) {
  return String(ascii.begin(), ascii.end());
}

std::string narrow(const String& text) {
  std::string s;
  s.reserve(text.size());
  for (char16_t c : text) s.push_back(c < 0x80 ? char(c) : '?');
  return s;
}

}  // namespace detail

double val(const String& text) {
  auto skip = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; };
  std::size_t i = 0, n = text.size();
  while (i < n && skip(text[i])) ++i;
  if (i + 1 < n && text[i] == u'&') {
    std::size_t j = i + 1;
    while (j < n && skip(text[j])) ++j;
    if (j < n) {
      char16_t p = text[j];
      int radix = (p == u'H' || p == u'h') ? 16 : (p == u'O' || p == u'o') ? 8 : 0;
      if (radix == 0) return 0;
      ++j;
      return detail::readRadix(text, j, radix, skip).value_or(0);
    }
    return 0;
  }
  std::string plain;
  auto next = [&]() -> char16_t {
    while (i < n && skip(text[i])) ++i;
    return i < n ? text[i] : u'\0';
  };
  char16_t c = next();
  if (c == u'+' || c == u'-') {
    if (c == u'-') plain.push_back('-');
    ++i;
  }
  bool any = false, point = false;
  for (c = next(); c; c = next()) {
    if (c >= u'0' && c <= u'9') {
      plain.push_back(char(c));
      any = true;
    } else if (c == u'.' && !point) {
      plain.push_back('.');
      point = true;
    } else {
      break;
    }
    ++i;
  }
  if (!any) return 0;
  if (c == u'e' || c == u'E' || c == u'd' || c == u'D') {
    std::string exponent = "E";
    ++i;
    c = next();
    if (c == u'+' || c == u'-') {
      exponent.push_back(char(c));
      ++i;
    }
    bool digits = false;
    for (c = next(); c >= u'0' && c <= u'9'; c = next()) {
      exponent.push_back(char(c));
      digits = true;
      ++i;
    }
    if (digits) plain += exponent;
  }
  // A magnitude beyond the Double range is an overflow (6), as the run-time reports it.
  return detail::parseDouble(plain);
}

String numberText(double value) {
  String s = detail::widen(detail::generalText(value, 15));
  // The general number form leaves out the zero before the point.
  if (s.size() > 1 && s[0] == u'0' && s[1] == u'.') s.erase(0, 1);
  if (s.size() > 2 && s[0] == u'-' && s[1] == u'0' && s[2] == u'.') s.erase(1, 1);
  return s;
}

String str(double value) {
  String s = numberText(value);
  if (s[0] != u'-') s.insert(0, 1, u' ');
  return s;
}

std::int32_t roundToLong(double value) {
  double r = std::nearbyint(value);  // the default rounding mode sends halves to even
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) throw RuntimeError(err::Overflow);
  return std::int32_t(r);
}

std::int16_t roundToInteger(double value) {
  double r = std::nearbyint(value);
  if (!(r >= -32768.0 && r <= 32767.0)) throw RuntimeError(err::Overflow);
  return std::int16_t(r);
}

}  // namespace zuvo::rt
