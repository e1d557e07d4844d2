#include <gtest/gtest.h>

#include <random>
#include <string>

#include "component/ZuvoCls.h"
#include "runtime/Decimal.h"
#include "text/TextTesting.h"

namespace zuvo {
namespace {

using testing::errorOf;

class ValueConversion : public ::testing::Test {
 protected:
  ZuvoCls z;

  std::string marume(const Variant& num, const Variant& keta, const Variant& mode) {
    Variant result = z.Marume(num, keta, mode);
    const Decimal* d = result.get<Decimal>();
    if (!d) ADD_FAILURE() << "Marume must answer a Decimal";
    return d ? d->toString() : "";
  }
};

TEST_F(ValueConversion, CnvValReadsStrictlyThenLeniently) {
  EXPECT_EQ(z.CnvVal(Variant::Null()), 0);
  EXPECT_EQ(z.CnvVal(Variant()), 0);
  EXPECT_EQ(z.CnvVal(u""), 0);
  EXPECT_EQ(z.CnvVal(u"abc"), 0);
  EXPECT_EQ(z.CnvVal(u"-12.5"), -12.5);
  EXPECT_EQ(z.CnvVal(u" 7 "), 7);
  EXPECT_EQ(z.CnvVal(u"&H1F"), 31);
  EXPECT_EQ(z.CnvVal(u"1,234"), 1234);  // strict reading takes the separator
  EXPECT_EQ(z.CnvVal(u"12abc"), 12);    // prefix reading
  EXPECT_EQ(z.CnvVal(u"1,234abc"), 1);  // prefix reading stops at the comma
  EXPECT_EQ(z.CnvVal(u"1e999"), 0);     // out of range both ways
  EXPECT_EQ(z.CnvVal(true), -1);
  EXPECT_EQ(z.CnvVal(Variant(Date{36526.5})), 36526.5);
  EXPECT_EQ(z.CnvVal(Variant(ByteArray{1, 2})), 0);
}

TEST_F(ValueConversion, CnvStrValWritesPlainNumbers) {
  EXPECT_EQ(z.CnvStrVal(u"1,234.50"), u"1234.5");
  EXPECT_EQ(z.CnvStrVal(0.5), u".5");
  EXPECT_EQ(z.CnvStrVal(-0.25), u"-.25");
  EXPECT_EQ(z.CnvStrVal(Variant::Null()), u"0");
  EXPECT_EQ(z.CnvStrVal(u"junk"), u"0");
  EXPECT_EQ(z.CnvStrVal(1e15), u"1E+15");
}

TEST_F(ValueConversion, CnvStrGivesTheStandardTextOrNothing) {
  EXPECT_EQ(z.CnvStr(Variant::Null()), u"");
  EXPECT_EQ(z.CnvStr(Variant()), u"");
  EXPECT_EQ(z.CnvStr(12), u"12");
  EXPECT_EQ(z.CnvStr(0.5), u"0.5");
  EXPECT_EQ(z.CnvStr(true), u"True");
  EXPECT_EQ(z.CnvStr(u"あ b"), u"あ b");
}

TEST_F(ValueConversion, MarumeRoundsAtTheKeptDigit) {
  EXPECT_EQ(marume(1234.5678, 2, 5), "1234.57");
  EXPECT_EQ(marume(1234.5678, 2, 0), "1234.56");
  EXPECT_EQ(marume(1234.5, 0, 5), "1235");
  EXPECT_EQ(marume(1234, -2, 5), "1200");
  EXPECT_EQ(marume(1250, -2, 5), "1300");
  EXPECT_EQ(marume(1.01, 0, 9), "1");
  EXPECT_EQ(marume(1.1, 0, 9), "2");
  EXPECT_EQ(marume(-1.25, 1, 5), "-1.2");
  EXPECT_EQ(marume(-1.26, 1, 5), "-1.3");
  EXPECT_EQ(marume(-1.25, 1, 0), "-1.3");  // the cut goes towards minus infinity
  EXPECT_EQ(marume(0.285, 2, 5), "0.29");  // no binary rounding error
  EXPECT_EQ(marume(u"1,234.5", u"0", u"5"), "1235");
  EXPECT_EQ(marume(Variant(), Variant(), Variant()), "0");
}

TEST_F(ValueConversion, MarumeErrors) {
  EXPECT_EQ(errorOf([&] { z.Marume(Variant::Null(), 2, 5); }), err::InvalidUseOfNull);
  EXPECT_EQ(errorOf([&] { z.Marume(1, Variant::Null(), 5); }), err::InvalidUseOfNull);
  EXPECT_EQ(errorOf([&] { z.Marume(1, 2, Variant::Null()); }), err::InvalidUseOfNull);
  EXPECT_EQ(errorOf([&] { z.Marume(u"abc", 2, 5); }), err::TypeMismatch);
  EXPECT_EQ(errorOf([&] { z.Marume(1, u"two", 5); }), err::TypeMismatch);
  EXPECT_EQ(errorOf([&] { z.Marume(Decimal::parse("79228162514264337593543950335"), 2, 5); }),
            err::Overflow);
}

using Wide = __int128;

Wide power10(int n) {
  Wide p = 1;
  while (n-- > 0) p *= 10;
  return p;
}

Wide floorDivide(Wide a, Wide b) {
  Wide q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

std::string wholeText(Wide v) {
  if (v == 0) return "0";
  std::string s;
  const bool negative = v < 0;
  for (Wide u = negative ? -v : v; u > 0; u /= 10) s.insert(s.begin(), char('0' + int(u % 10)));
  return negative ? "-" + s : s;
}

// `units` / 10^places as plain text without trailing zeros.
std::string decimalText(Wide units, int places) {
  if (places <= 0) return wholeText(units * power10(-places));
  const bool negative = units < 0;
  std::string digits = wholeText(negative ? -units : units);
  if (digits.size() <= std::size_t(places)) digits.insert(0, places + 1 - digits.size(), '0');
  std::string text =
      digits.substr(0, digits.size() - places) + "." + digits.substr(digits.size() - places);
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return (negative && text != "0" ? "-" : "") + text;
}

// Integer arithmetic on the scaled values: floor(N * 10^keta + mode / 10) / 10^keta.
TEST_F(ValueConversion, MarumeAgreesWithExactDecimalArithmetic) {
  std::mt19937_64 rng(285);
  for (int round = 0; round < 800; ++round) {
    const std::int64_t mantissa = std::int64_t(rng() % 2000000000001ULL) - 1000000000000LL;
    const int scale = int(rng() % 7);
    const int keta = int(rng() % 9) - 3;
    const int mode = int(rng() % 12) - 1;
    const std::string number = decimalText(mantissa, scale);

    const int e = keta + 1 - scale;
    const Wide numerator = e >= 0 ? mantissa * power10(e) + mode : mantissa + mode * power10(-e);
    const Wide denominator = e >= 0 ? 10 : power10(1 - e);
    const std::string expected = decimalText(floorDivide(numerator, denominator), keta);

    const Variant num = round % 2 ? Variant(Decimal::parse(number)) : Variant(std::stod(number));
    ASSERT_EQ(marume(num, keta, mode), expected)
        << "Marume(" << number << ", " << keta << ", " << mode << ")";
  }
}

}  // namespace
}  // namespace zuvo
