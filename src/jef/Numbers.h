#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "../runtime/String.h"
#include "../runtime/Variant.h"

// Numbers as exact decimal digits for the packed and zoned fields, so that a value of up to
// 15 digits is packed and printed without passing through binary floating point.
namespace zuvo::jef {

// value = (negative ? -1 : 1) * whole.fraction; whole has no leading zeros ("" for 0).
struct DecimalDigits {
  bool negative = false;
  std::string whole;
  std::string fraction;

  bool isZero() const;
  // Rounds to `places` decimals (a whole number when places <= 0), halves away from zero.
  void roundTo(int places);
  // The ordinary decimal form of the magnitude: "0" before the point below 1, no trailing
  // zeros after it, no sign ("12.5", "0.25", "3").
  std::string plainText() const;
};

// The parts of a plain decimal number (as parsePlain reads it) as positions in its text: the
// whole digits without leading zeros and the fraction digits.
struct PlainParts {
  bool negative = false;
  std::size_t whole = 0, wholeEnd = 0;
  std::size_t fraction = 0, fractionEnd = 0;
};
bool scanPlain(std::string_view text, PlainParts& out);

// A text that is a plain decimal number as a whole: blanks around, a sign, digits, at most one
// point. False for anything else (exponents, &H, thousands commas), which the caller then
// reads through the run-time's conversions.
bool parsePlain(std::u16string_view text, DecimalDigits& out);
// The same for ASCII text (bytes of a file or the digits of a value).
bool parsePlain(std::string_view text, DecimalDigits& out);

// A Double as the run-time sees it: rounded to 15 significant digits. Raises 6 for infinity
// or NaN.
DecimalDigits digitsOfDouble(double value);

// A value of any numeric kind, a number text read strictly as a whole (13 when it is not a
// number), Empty as 0, Null raising 94.
DecimalDigits digitsOf(const Variant& value);
// A text read strictly as a whole number (13 when it is not one, the empty text included).
DecimalDigits strictDigits(const String& text);
// The leading numeric part of a text (the run-time's lenient reading), 0 when none.
DecimalDigits leadingDigits(const String& text);

// The general number form of (negative ? -1 : 1) * digits / 10^scale: ".5", "-.25", "0",
// "123", 15 significant digits at most.
String generalNumber(bool negative, std::string_view digits, int scale);
// Writes the same form as ASCII at `out` (room for 40 bytes) and returns its end; null where
// generalNumber would need the run-time's double form (more than 15 significant digits, or an
// exponent).
char* writeGeneralNumber(char* out, bool negative, std::string_view digits, int scale);

}  // namespace zuvo::jef
