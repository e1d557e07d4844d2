#include "jef/Packed.h"

#include <cmath>

#include "component/ZuvoCls.h"
#include "runtime/Convert.h"
#include "runtime/RuntimeError.h"

namespace zuvo {

namespace jef {

std::int16_t pack(DecimalDigits magnitude, bool negative, std::int32_t le, std::int32_t places,
                  ByteArray& bdt) {
  if (le < 0 || places > le + 1) throw RuntimeError(err::InvalidArgument);
  magnitude.roundTo(places);
  // The digits as the pattern of zeros would show them: le + 1 digits at least, more when the
  // value has more integer digits than the field.
  std::size_t wholeWidth = places > 0 ? le - places + 1 : le + 1;
  std::string t;
  if (magnitude.whole.size() < wholeWidth) t.assign(wholeWidth - magnitude.whole.size(), '0');
  t += magnitude.whole;
  if (places > 0) {
    t += magnitude.fraction;
    t.append(places - magnitude.fraction.size(), '0');
  }
  std::int32_t last = le / 2;
  std::size_t keep = static_cast<std::size_t>(last) * 2 + 1;
  std::string_view digits(t);
  digits.remove_prefix(t.size() - keep);  // digits above the field are lost
  if (static_cast<std::size_t>(last) >= bdt.size()) throw RuntimeError(err::SubscriptOutOfRange);
  for (std::int32_t k = 0; k < last; ++k)
    bdt[k] = static_cast<std::uint8_t>((digits[2 * k] - '0') * 16 + (digits[2 * k + 1] - '0'));
  bdt[last] = static_cast<std::uint8_t>((digits[keep - 1] - '0') * 16 + (negative ? 0xD : 0xF));
  return static_cast<std::int16_t>(last);
}

String unpack(const ByteArray& bdt, std::int32_t bmx, std::int32_t places) {
  if (bmx < 0 || static_cast<std::size_t>(bmx) >= bdt.size())
    throw RuntimeError(err::SubscriptOutOfRange);
  static constexpr const char* nibble[16] = {"0", "1", "2",  "3",  "4",  "5",  "6",  "7",
                                             "8", "9", "10", "11", "12", "13", "14", "15"};
  std::string t;
  t.reserve(2 * bmx + 2);
  for (std::int32_t i = 0; i < bmx; ++i) {
    t += nibble[bdt[i] >> 4];
    t += nibble[bdt[i] & 0xF];
  }
  t += nibble[bdt[bmx] >> 4];
  return generalNumber((bdt[bmx] & 0xF) == 0xD, t, places);
}

}  // namespace jef

namespace {

// The run-time's Abs on a Variant: the same kind back, a text read as a Double.
Variant absolute(const Variant& n) {
  switch (n.type()) {
    case VarType::Integer: {
      std::int16_t v = *n.get<std::int16_t>();
      if (v == INT16_MIN) throw RuntimeError(err::Overflow);
      return static_cast<std::int16_t>(v < 0 ? -v : v);
    }
    case VarType::Long: {
      std::int32_t v = *n.get<std::int32_t>();
      if (v == INT32_MIN) throw RuntimeError(err::Overflow);
      return Variant::Long(v < 0 ? -v : v);
    }
    case VarType::Single:
      return std::fabs(*n.get<float>());
    case VarType::Currency: {
      std::int64_t v = n.get<Currency>()->scaled;
      return Currency{v < 0 ? -v : v};
    }
    case VarType::Decimal: {
      const Decimal& d = *n.get<Decimal>();
      return d.isNegative() ? -d : d;
    }
    case VarType::Byte:
      return n;
    case VarType::Empty:
      return static_cast<std::int16_t>(0);
    case VarType::Boolean:
      return static_cast<std::int16_t>(*n.get<bool>() ? 1 : 0);
    default:
      return std::fabs(rt::toDouble(n));
  }
}

}  // namespace

std::int16_t ZuvoCls::NumComp3(Variant& n, ByteArray& bdt, const Variant& le, const Variant& p) {
  jef::DecimalDigits digits = jef::digitsOf(n);
  bool negative = digits.negative && !digits.isZero();
  n = absolute(n);
  std::int16_t precision = rt::toInteger(le);
  std::int16_t places = rt::toInteger(p);
  return jef::pack(std::move(digits), negative, precision, places, bdt);
}

String ZuvoCls::Comp3Num(const ByteArray& bdt, const Variant& bmx, const Variant& p) {
  std::int16_t last = rt::toInteger(bmx);
  std::int16_t places = rt::toInteger(p);
  return jef::unpack(bdt, last, places);
}

}  // namespace zuvo
