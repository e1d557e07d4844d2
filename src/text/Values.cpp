#include <cmath>
#include <exception>

#include "component/ZuvoCls.h"
#include "runtime/Convert.h"
#include "runtime/Decimal.h"

namespace zuvo {

// Screen fields and columns come with thousands separators, blanks, trailing units or Null:
// whatever cannot be read strictly is read as far as it goes, and nothing raises.
double ZuvoCls::CnvVal(const Variant& s) {
  if (s.isNull()) return 0;
  try {
    return rt::toDouble(s);
  } catch (const std::exception&) {
  }
  try {
    return rt::val(rt::toText(s));
  } catch (const std::exception&) {
  }
  return 0;
}

String ZuvoCls::CnvStrVal(const Variant& s) {
  try {
    return rt::numberText(CnvVal(s));
  } catch (const std::exception&) {
    return {};
  }
}

String ZuvoCls::CnvStr(const Variant& s) {
  if (s.isNull()) return {};
  try {
    return rt::toText(s);
  } catch (const std::exception&) {
    return {};
  }
}

// Amounts are rounded in decimal so that 0.285 rounds like the figure on paper. `mode` is
// added in tenths of the last kept digit before everything below it is cut towards minus
// infinity.
Variant ZuvoCls::Marume(const Variant& num, const Variant& keta, const Variant& mode) {
  const Decimal n = rt::toDecimal(num);
  const Decimal m = rt::toDecimal(mode);
  const Decimal ten(10);
  const Decimal p = Decimal::fromDouble(std::pow(10.0, rt::toDouble(keta) + 1));
  const Decimal q = p / ten;
  return Variant(((n * p + m) / ten).floor() / q);
}

}  // namespace zuvo
