// Run-time conversions not landed yet.
#include "runtime/Convert.h"
#include "runtime/Decimal.h"
#include "platform/Format.h"

namespace zuvo {

std::string rt::toUtf8(const String&) { throw RuntimeError::notImplemented("toUtf8"); }
String rt::fromUtf8(std::string_view) { throw RuntimeError::notImplemented("fromUtf8"); }
double rt::toDouble(const Variant&) { throw RuntimeError::notImplemented("toDouble"); }
Decimal rt::toDecimal(const Variant&) { throw RuntimeError::notImplemented("toDecimal"); }
std::int32_t rt::toLong(const Variant&) { throw RuntimeError::notImplemented("toLong"); }
std::int16_t rt::toInteger(const Variant&) { throw RuntimeError::notImplemented("toInteger"); }
bool rt::toBoolean(const Variant&) { throw RuntimeError::notImplemented("toBoolean"); }
Date rt::toDate(const Variant&) { throw RuntimeError::notImplemented("toDate"); }
String rt::toText(const Variant&) { throw RuntimeError::notImplemented("toText"); }
std::int32_t rt::roundToLong(double) { throw RuntimeError::notImplemented("roundToLong"); }
std::int16_t rt::roundToInteger(double) { throw RuntimeError::notImplemented("roundToInteger"); }
double rt::val(const String&) { throw RuntimeError::notImplemented("val"); }
String rt::str(double) { throw RuntimeError::notImplemented("str"); }
String rt::numberText(double) { throw RuntimeError::notImplemented("numberText"); }
String rt::trim(const String&) { throw RuntimeError::notImplemented("trim"); }
String rt::ltrim(const String&) { throw RuntimeError::notImplemented("ltrim"); }
String rt::rtrim(const String&) { throw RuntimeError::notImplemented("rtrim"); }
String rt::lower(const String&) { throw RuntimeError::notImplemented("lower"); }
String rt::upper(const String&) { throw RuntimeError::notImplemented("upper"); }
String rt::mid(const String&, std::int64_t, std::int64_t) { throw RuntimeError::notImplemented("mid"); }
String rt::left(const String&, std::int64_t) { throw RuntimeError::notImplemented("left"); }
String rt::right(const String&, std::int64_t) { throw RuntimeError::notImplemented("right"); }
std::int64_t rt::inStr(const String&, const String&, std::int64_t) { throw RuntimeError::notImplemented("inStr"); }
std::int64_t rt::inStrRev(const String&, const String&) { throw RuntimeError::notImplemented("inStrRev"); }
String rt::replaceAll(const String&, const String&, const String&) { throw RuntimeError::notImplemented("replaceAll"); }
Date rt::makeDate(int, int, int, int, int, int) { throw RuntimeError::notImplemented("makeDate"); }
rt::DateParts rt::splitDate(Date) { throw RuntimeError::notImplemented("splitDate"); }
Decimal::Decimal(std::int64_t) { throw RuntimeError::notImplemented("Decimal"); }
Decimal Decimal::fromDouble(double) { throw RuntimeError::notImplemented("Decimal"); }
Decimal Decimal::operator-() const { throw RuntimeError::notImplemented("Decimal"); }
Decimal operator+(const Decimal&, const Decimal&) { throw RuntimeError::notImplemented("Decimal"); }
Decimal operator-(const Decimal&, const Decimal&) { throw RuntimeError::notImplemented("Decimal"); }
Decimal operator*(const Decimal&, const Decimal&) { throw RuntimeError::notImplemented("Decimal"); }
Decimal operator/(const Decimal&, const Decimal&) { throw RuntimeError::notImplemented("Decimal"); }
std::strong_ordering operator<=>(const Decimal&, const Decimal&) { throw RuntimeError::notImplemented("Decimal"); }
bool operator==(const Decimal&, const Decimal&) { throw RuntimeError::notImplemented("Decimal"); }
Decimal Decimal::parse(const std::string&) { throw RuntimeError::notImplemented("parse"); }
double Decimal::toDouble() const { throw RuntimeError::notImplemented("toDouble"); }
std::string Decimal::toString() const { throw RuntimeError::notImplemented("toString"); }
bool Decimal::isZero() const { throw RuntimeError::notImplemented("isZero"); }
bool Decimal::isNegative() const { throw RuntimeError::notImplemented("isNegative"); }
Decimal Decimal::floor() const { throw RuntimeError::notImplemented("floor"); }
Decimal Decimal::roundHalfEven() const { throw RuntimeError::notImplemented("roundHalfEven"); }
String format(const Variant&, const String&) { throw RuntimeError::notImplemented("format"); }

}  // namespace zuvo
