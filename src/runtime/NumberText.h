#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "String.h"

// Number reading and writing shared by the conversions and by formatting.
namespace zuvo::rt::detail {

// The strict reading: the whole text as a plain ASCII number ("-1234.5E3"; &H/&O forms come
// back as their decimal value), or nothing when the text is not a number as a whole.
// An &H/&O number too large for a Long raises 6.
std::optional<std::string> strictNumber(const String& text);

// A plain ASCII number as a Double; out of range raises 6.
double parseDouble(const std::string& plain);

// The decimal digits of |value| rounded to `precision` significant digits (no trailing zeros,
// "0" for zero) and the power of ten of the first digit: 1234.5 → "12345", 3.
struct Digits {
  std::string digits;
  int exponent = 0;
  bool negative = false;
};
Digits significantDigits(double value, int precision);

// The general text of a number at `precision` significant digits: "0.5", "12", "1E+15".
std::string generalText(double value, int precision);

String widen(std::string_view ascii);
// The text's ASCII characters; any other character becomes '?'.
std::string narrow(const String& text);

}  // namespace zuvo::rt::detail
