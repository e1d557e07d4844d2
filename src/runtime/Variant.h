#pragma once

#include <cstdint>
#include <variant>

#include "Array.h"
#include "ByteArray.h"
#include "Decimal.h"
#include "String.h"

namespace zuvo {

// The kinds a Variant can hold, numbered as the system's VarType numbers them.
enum class VarType : std::int16_t {
  Empty = 0,
  Null = 1,
  Integer = 2,
  Long = 3,
  Single = 4,
  Double = 5,
  Currency = 6,
  Date = 7,
  String = 8,
  Boolean = 11,
  Decimal = 14,
  Byte = 17,
  ByteArray = 8209,  // array of Byte
};

// A Currency value: a whole number of ten-thousandths.
struct Currency {
  std::int64_t scaled = 0;
  friend bool operator==(const Currency&, const Currency&) = default;
};

// A Date value: days since 1899-12-30, the time of day as the fraction.
struct Date {
  double serial = 0;
  friend bool operator==(const Date&, const Date&) = default;
};

class Variant {
 public:
  Variant() = default;                    // Empty
  Variant(std::int16_t v) : value_(v) {}  // NOLINT: implicit like the system's own values
  Variant(int v) : value_(std::int32_t(v)) {}
  Variant(float v) : value_(v) {}
  Variant(double v) : value_(v) {}
  Variant(bool v) : value_(v) {}
  Variant(const char16_t* v) : value_(String(v)) {}
  Variant(String v) : value_(std::move(v)) {}
  Variant(Decimal v) : value_(v) {}
  Variant(Currency v) : value_(v) {}
  Variant(Date v) : value_(v) {}
  Variant(std::uint8_t v) : value_(v) {}
  Variant(ByteArray v) : value_(std::move(v)) {}

  static Variant Null() {
    Variant v;
    v.value_ = NullValue{};
    return v;
  }
  static Variant Long(std::int32_t v) {
    Variant r;
    r.value_ = v;
    return r;
  }

  VarType type() const;
  bool isEmpty() const { return value_.index() == 0; }
  bool isNull() const { return value_.index() == 1; }
  bool isString() const { return std::holds_alternative<String>(value_); }
  // Integer, Long, Single, Double, Currency, Decimal, Byte (not Boolean, not Date).
  bool isNumber() const;

  template <typename T>
  const T* get() const {
    return std::get_if<T>(&value_);
  }
  template <typename T>
  T* get() {
    return std::get_if<T>(&value_);
  }

  friend bool operator==(const Variant&, const Variant&) = default;

 private:
  struct NullValue {
    friend bool operator==(const NullValue&, const NullValue&) = default;
  };
  std::variant<std::monostate, NullValue, std::int16_t, std::int32_t, float, double, Currency, Date,
               String, bool, Decimal, std::uint8_t, ByteArray>
      value_;
};

}  // namespace zuvo
