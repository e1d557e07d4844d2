#include "runtime/Decimal.h"

#include <gtest/gtest.h>

#include <cmath>

#include "runtime/RuntimeError.h"

using zuvo::Decimal;

namespace {

Decimal D(const char* text) {
  return Decimal::parse(text);
}

int errorOf(auto&& f) {
  try {
    f();
  } catch (const zuvo::RuntimeError& e) {
    return e.number();
  }
  return 0;
}

}  // namespace

TEST(Decimal, ParseAndTextAreExact) {
  EXPECT_EQ(D("-12.345").toString(), "-12.345");
  EXPECT_EQ(D("1E+3").toString(), "1000");
  EXPECT_EQ(D("1234.5700").toString(), "1234.57");
  EXPECT_EQ(D("0.5").toString(), "0.5");
  EXPECT_EQ(D("-0").toString(), "0");
  EXPECT_EQ(D("79228162514264337593543950335").toString(), "79228162514264337593543950335");
  EXPECT_EQ(D("0.0000000000000000000000000001").toString(), "0.0000000000000000000000000001");
  // Beyond 28 places the value is rounded, halves to even.
  EXPECT_EQ(D("0.00000000000000000000000000015").toString(), "0.0000000000000000000000000002");
  EXPECT_EQ(D("0.00000000000000000000000000025").toString(), "0.0000000000000000000000000002");
  EXPECT_EQ(D("1e-40").toString(), "0");
  EXPECT_EQ(errorOf([] { D("79228162514264337593543950336"); }), 6);
  EXPECT_EQ(errorOf([] { D("1E+29"); }), 6);
  EXPECT_EQ(errorOf([] { D("12a"); }), 13);
  EXPECT_EQ(errorOf([] { D(""); }), 13);
}

TEST(Decimal, FromDoubleKeepsFifteenDigits) {
  EXPECT_EQ(Decimal::fromDouble(0.285), D("0.285"));
  EXPECT_EQ(Decimal::fromDouble(0.1 + 0.2).toString(), "0.3");
  EXPECT_EQ(Decimal::fromDouble(-1234.5678).toString(), "-1234.5678");
  EXPECT_EQ(Decimal::fromDouble(1e20).toString(), "100000000000000000000");
  EXPECT_EQ(errorOf([] { Decimal::fromDouble(1e30); }), 6);
  EXPECT_DOUBLE_EQ(D("1234.57").toDouble(), 1234.57);
}

TEST(Decimal, Arithmetic) {
  EXPECT_EQ((D("0.1") + D("0.2")).toString(), "0.3");
  EXPECT_EQ((D("1") - D("1.25")).toString(), "-0.25");
  EXPECT_EQ((D("-1.5") * D("2.5")).toString(), "-3.75");
  EXPECT_EQ((D("0.285") * D("1000") + D("5")).toString(), "290");
  EXPECT_EQ((D("1") / D("4")).toString(), "0.25");
  EXPECT_EQ((D("1") / D("3")).toString(), "0.3333333333333333333333333333");
  EXPECT_EQ((D("2") / D("3")).toString(), "0.6666666666666666666666666667");
  EXPECT_EQ((D("10") / D("3")).toString(), "3.3333333333333333333333333333");
  EXPECT_EQ((D("100") / D("3")).toString(), "33.333333333333333333333333333");
  EXPECT_EQ((D("-10") / D("4")).toString(), "-2.5");
  EXPECT_EQ((D("1E+27") / D("0.1")).toString(), "10000000000000000000000000000");
  EXPECT_EQ(errorOf([] { D("1E+28") / D("0.1"); }), 6);
  EXPECT_EQ(errorOf([] { D("1") / D("0"); }), 11);
  Decimal max = D("79228162514264337593543950335");
  EXPECT_EQ(errorOf([&] { max + D("1"); }), 6);
  EXPECT_EQ(errorOf([&] { max* D("2"); }), 6);
  // Products with too many places are rounded instead of overflowing.
  EXPECT_EQ((D("0.00000000000001") * D("0.00000000000001")).toString(),
            "0.0000000000000000000000000001");
  EXPECT_EQ((max - max).toString(), "0");
  EXPECT_EQ(Decimal(-9223372036854775807LL - 1).toString(), "-9223372036854775808");
}

TEST(Decimal, FloorRoundAndCompare) {
  EXPECT_EQ(D("1.7").floor().toString(), "1");
  EXPECT_EQ(D("-1.2").floor().toString(), "-2");
  EXPECT_EQ(D("-2").floor().toString(), "-2");
  EXPECT_EQ(D("2.5").roundHalfEven().toString(), "2");
  EXPECT_EQ(D("3.5").roundHalfEven().toString(), "4");
  EXPECT_EQ(D("-2.5").roundHalfEven().toString(), "-2");
  EXPECT_EQ(D("2.5000001").roundHalfEven().toString(), "3");
  EXPECT_EQ(D("1.10"), D("1.1"));
  EXPECT_LT(D("-3"), D("-2.5"));
  EXPECT_GT(D("0.0001"), D("0"));
  EXPECT_EQ(D("0"), -D("0"));
  EXPECT_TRUE(D("-0.5").isNegative());
  EXPECT_FALSE((-D("0")).isNegative());
}

// Rounding at a digit as the applications do it: Int((N * 10^(k+1) + mode) / 10) / 10^k.
TEST(Decimal, RoundingAtADigitStaysExact) {
  auto marume = [](double n, int keta, int mode) {
    Decimal p = Decimal::fromDouble(std::pow(10.0, keta + 1));
    Decimal q = p / Decimal(10);
    return ((Decimal::fromDouble(n) * p + Decimal(mode)) / Decimal(10)).floor() / q;
  };
  EXPECT_EQ(marume(0.285, 2, 5).toString(), "0.29");
  EXPECT_EQ(marume(1234.5678, 2, 0).toString(), "1234.56");
  EXPECT_EQ(marume(1250, -2, 5).toString(), "1300");
  EXPECT_EQ(marume(-1.25, 1, 5).toString(), "-1.2");
  EXPECT_EQ(marume(-1.25, 1, 0).toString(), "-1.3");
  EXPECT_EQ(marume(1.01, 0, 9).toString(), "1");
}
