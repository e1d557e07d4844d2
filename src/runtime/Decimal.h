#pragma once

#include <compare>
#include <cstdint>
#include <string>

#include "String.h"

namespace zuvo {

// Exact decimal: a 96-bit unsigned mantissa, a sign and a scale of 0 to 28
// (value = ±mantissa / 10^scale). Results that do not fit raise error 6.
class Decimal {
 public:
  Decimal() = default;
  Decimal(std::int64_t value);  // NOLINT(google-explicit-constructor): reads like the system's own

  // Conversion of a Double as the run-time does it: the Double rounded to 15 significant digits.
  static Decimal fromDouble(double value);
  // Exact reading of a plain decimal text ("-12.345", "1E+3"); error 13 when it is not a number.
  static Decimal parse(const std::string& text);

  double toDouble() const;
  // Exact text without exponent and without trailing zeros: "1234.57", "1200", "-0.5".
  std::string toString() const;

  bool isZero() const;
  bool isNegative() const;
  int scale() const { return scale_; }

  Decimal operator-() const;
  friend Decimal operator+(const Decimal& a, const Decimal& b);
  friend Decimal operator-(const Decimal& a, const Decimal& b);
  friend Decimal operator*(const Decimal& a, const Decimal& b);
  // Rounded to the 28 significant digits the type can hold; division by zero raises error 11.
  friend Decimal operator/(const Decimal& a, const Decimal& b);
  friend std::strong_ordering operator<=>(const Decimal& a, const Decimal& b);
  friend bool operator==(const Decimal& a, const Decimal& b);

  // The greatest whole number not above the value (towards minus infinity).
  Decimal floor() const;
  // Rounded to whole with halves to even (the run-time's CLng/CInt rule).
  Decimal roundHalfEven() const;

 private:
  std::uint32_t lo_ = 0, mid_ = 0, hi_ = 0;  // the 96-bit mantissa
  std::uint8_t scale_ = 0;
  bool negative_ = false;
  friend struct DecimalAccess;
};

}  // namespace zuvo
