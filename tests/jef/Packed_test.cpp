#include <gtest/gtest.h>

#include "JefHome.h"

namespace zuvo {
namespace {

using testing::hex;

struct Packing {
  Variant n;
  int le;
  Variant p;
  std::string bytes;
};

class Packed : public ::testing::Test {
 protected:
  ZuvoCls z;
  ByteArray bdt = ByteArray(12, 0xEE);

  std::string packed(Variant n, int le, const Variant& p) {
    int last = z.NumComp3(n, bdt, le, p);
    EXPECT_EQ(last, le / 2);
    return hex(bdt, last + 1);
  }
  int errorOf(Variant n, int le, const Variant& p, ByteArray& into) {
    try {
      z.NumComp3(n, into, le, p);
    } catch (const RuntimeError& e) {
      return e.number();
    }
    return 0;
  }
};

TEST_F(Packed, NumComp3PacksRoundsAndDropsHighDigits) {
  const Packing cases[] = {
      {123, 5, 0, "00123F"},
      {-123.456, 7, 2, "0012346D"},
      {0, 3, 0, "000F"},  // zero is positive: 0xF, never 0xC
      {12345, 4, 0, "12345F"},
      {123456, 3, 0, "456F"},
      {2.5, 1, 0, "3F"},  // halves away from zero
      {-2.5, 1, 0, "3D"},
      {-0.001, 3, 2, "000D"},  // the sign of the value before rounding
      {u"123.456", 5, u"2", "12346F"},
      {u" -7.5 ", 3, 0, "008D"},
      {u"1,234", 5, 0, "01234F"},
      {Decimal::parse("-12345678901234567.89"), 21, 2, "001234567890123456789D"},
      {0.5, 0, 1, "5F"},  // no integer places left: only the decimals
      {99.999, 5, 2, "10000F"},
      {Variant(), 3, 0, "000F"},
      {true, 3, 0, "001D"},
  };
  for (const Packing& c : cases) EXPECT_EQ(packed(c.n, c.le, c.p), c.bytes) << c.bytes;
}

TEST_F(Packed, NumComp3LeavesTheAbsoluteValueInTheCallersVariable) {
  Variant n = -123.456;
  z.NumComp3(n, bdt, 7, 2);
  EXPECT_EQ(n, Variant(123.456));
  n = static_cast<std::int16_t>(-5);
  z.NumComp3(n, bdt, 3, 0);
  EXPECT_EQ(n, Variant(static_cast<std::int16_t>(5)));
  n = u"-12";
  z.NumComp3(n, bdt, 3, 0);
  EXPECT_EQ(n, Variant(12.0));
}

TEST_F(Packed, NumComp3FailuresAreRuntimeErrors) {
  ByteArray two(2, 0xEE);
  EXPECT_EQ(errorOf(Variant::Null(), 3, 0, bdt), 94);
  EXPECT_EQ(errorOf(u"abc", 3, 0, bdt), 13);
  EXPECT_EQ(errorOf(1, 3, u"_", bdt), 13);
  EXPECT_EQ(errorOf(1, 3, 5, bdt), 5);
  EXPECT_EQ(errorOf(1, -1, 0, bdt), 5);
  EXPECT_EQ(errorOf(static_cast<std::int16_t>(-32768), 3, 0, bdt), 6);
  // Too short for the field: nothing is written.
  EXPECT_EQ(errorOf(123, 5, 0, two), 9);
  EXPECT_EQ(hex(two, 2), "EEEE");
}

TEST_F(Packed, Comp3NumReadsDigitsSignAndScale) {
  struct Case {
    ByteArray bytes;
    int bmx;
    Variant p;
    String text;
  } cases[] = {
      {{0x12, 0x34, 0x5D}, 2, 2, u"-123.45"},
      {{0x00, 0x5F}, 1, 1, u".5"},
      {{0x00, 0x0C}, 1, 0, u"0"},
      {{0x12, 0x3C}, 1, 0, u"123"},  // any sign but 0xD is positive
      {{0x00, 0x0D}, 1, 2, u"0"},
      {{0x02, 0x5D}, 1, u"2", u"-.25"},
      {{0x7F}, 0, 0, u"7"},
      {{0x00, 0x00, 0x00, 0x01, 0x2F}, 4, 5, u".00012"},
      {{0x12, 0x34, 0x56, 0x78, 0x90, 0x12, 0x34, 0x5F}, 7, 0, u"123456789012345"},
      {{0x1A, 0x2F}, 1, 0, u"1102"},  // half-bytes above 9 read as their numbers
  };
  for (const Case& c : cases) EXPECT_EQ(z.Comp3Num(c.bytes, c.bmx, c.p), c.text);
}

TEST_F(Packed, Comp3NumNeverReadsOutsideTheArray) {
  ByteArray two = {0x12, 0x3F};
  auto errorOfRead = [&](const Variant& bmx, const Variant& p) {
    try {
      z.Comp3Num(two, bmx, p);
    } catch (const RuntimeError& e) {
      return e.number();
    }
    return 0;
  };
  EXPECT_EQ(errorOfRead(2, 0), 9);
  EXPECT_EQ(errorOfRead(-1, 0), 9);
  EXPECT_EQ(errorOfRead(1, u"_"), 13);
  EXPECT_EQ(errorOfRead(1, 0), 0);
}

TEST_F(Packed, RoundTripsValuesWithinTheFieldsPrecision) {
  std::uint64_t seed = 12345;
  for (int i = 0; i < 2000; ++i) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    int le = 1 + static_cast<int>((seed >> 33) % 15);
    int p = static_cast<int>((seed >> 40) % (le < 9 ? le : 9));
    std::int64_t digits = static_cast<std::int64_t>((seed >> 20) % 1000000000000000ULL);
    std::int64_t limit = 1;
    for (int k = 0; k < le; ++k) limit *= 10;
    digits %= limit;
    bool negative = (seed >> 60) & 1;
    std::string text = std::to_string(digits);
    if (p > 0) {
      text.insert(
          0, std::string(p + 1 > static_cast<int>(text.size()) ? p + 1 - text.size() : 0, '0'));
      text.insert(text.size() - p, ".");
    }
    if (negative) text.insert(0, "-");
    Variant n = String(text.begin(), text.end());
    int last = z.NumComp3(n, bdt, le, p);
    String back = z.Comp3Num(bdt, last, p);
    EXPECT_DOUBLE_EQ(std::stod(std::string(back.begin(), back.end())), std::stod(text))
        << text << " le " << le << " p " << p;
  }
}

}  // namespace
}  // namespace zuvo
