#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "component/ZuvoCls.h"
#include "platform/Cp932.h"
#include "text/TextTesting.h"

namespace zuvo {
namespace {

using testing::errorOf;

class ShiftJisMeasures : public ::testing::Test {
 protected:
  ZuvoCls z;
};

TEST_F(ShiftJisMeasures, LenByteWeighsSingleAndDoubleByteCharacters) {
  EXPECT_EQ(z.LenByte(u""), 0);
  EXPECT_EQ(z.LenByte(u"ABC"), 3);
  EXPECT_EQ(z.LenByte(u"ｱｲｳ"), 3);
  EXPECT_EQ(z.LenByte(u"あいう"), 6);
  EXPECT_EQ(z.LenByte(u"A　B"), 4);
  EXPECT_EQ(z.LenByte(u"\t\r\n"), 3);
  EXPECT_EQ(z.LenByte(u"ＡＢ１"), 6);
  EXPECT_EQ(z.LenByte(Variant(-12.5)), 5);  // measured as its text
}

TEST_F(ShiftJisMeasures, LenByteLimits) {
  EXPECT_EQ(errorOf([&] { z.LenByte(Variant::Null()); }), err::InvalidUseOfNull);
  EXPECT_EQ(z.LenByte(String(32767, u'a')), 32767);
  EXPECT_EQ(errorOf([&] { z.LenByte(String(32768, u'a')); }), err::Overflow);
  // Few enough characters, but more bytes than the Integer result can hold.
  EXPECT_EQ(errorOf([&] { z.LenByte(String(16384, u'あ')); }), err::Overflow);
}

struct IcuCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};

// The length that ICU's own windows-932 converter gives the text.
std::size_t icuLength(UConverter* cnv, const String& text) {
  UErrorCode status = U_ZERO_ERROR;
  ucnv_resetFromUnicode(cnv);
  std::vector<char> out(text.size() * 2 + 16);
  auto n = ucnv_fromUChars(cnv, out.data(), std::int32_t(out.size()), text.data(),
                           std::int32_t(text.size()), &status);
  EXPECT_TRUE(U_SUCCESS(status));
  return std::size_t(n);
}

TEST_F(ShiftJisMeasures, LenByteAgreesWithIcuOnGeneratedText) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UConverter, IcuCloser> cnv(ucnv_open("windows-932", &status));
  ASSERT_TRUE(U_SUCCESS(status));
  ucnv_setFromUCallBack(cnv.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);

  // Every character that ICU maps both ways; best-fit and dropped characters stay out.
  String pool;
  for (unsigned u = 0x20; u < 0x10000; ++u) {
    if (u >= 0xD800 && u <= 0xDFFF) continue;
    const String one(1, char16_t(u));
    UErrorCode st = U_ZERO_ERROR;
    char bytes[8];
    ucnv_resetFromUnicode(cnv.get());
    int n = ucnv_fromUChars(cnv.get(), bytes, sizeof bytes, one.data(), 1, &st);
    if (U_FAILURE(st) || n < 1) continue;
    UChar back[4];
    ucnv_resetToUnicode(cnv.get());
    int m = ucnv_toUChars(cnv.get(), back, 4, bytes, n, &st);
    if (U_SUCCESS(st) && m == 1 && back[0] == u) pool.push_back(char16_t(u));
  }
  ASSERT_GT(pool.size(), 7000u);

  std::mt19937 rng(932);
  std::uniform_int_distribution<std::size_t> pick(0, pool.size() - 1);
  std::uniform_int_distribution<std::size_t> length(0, 16000);
  for (int round = 0; round < 40; ++round) {
    String text(length(rng), u' ');
    for (char16_t& c : text) c = pool[pick(rng)];
    ASSERT_EQ(std::size_t(z.LenByte(text)), icuLength(cnv.get(), text)) << "round " << round;
  }
}

TEST_F(ShiftJisMeasures, MidByteCutsOnCharacterBoundaries) {
  EXPECT_EQ(z.MidByte(u"ABCDEF", 2, 3), u"BCD");
  EXPECT_EQ(z.MidByte(u"ABC", 3, 10), u"C");
  EXPECT_EQ(z.MidByte(u"ABC", 4, 1), u"");
  EXPECT_EQ(z.MidByte(u"ABC", 0, 1), u"");
  EXPECT_EQ(z.MidByte(u"ABC", 1, 0), u"");
  EXPECT_EQ(z.MidByte(u"あいう", 1, 2), u"あ");
  EXPECT_EQ(z.MidByte(u"あいう", 2, 2), u"い");    // the split あ is skipped
  EXPECT_EQ(z.MidByte(u"あいう", 1, 3), u"あい");  // the straddling い is taken whole
  EXPECT_EQ(z.MidByte(u"aあb", 2, 1), u"あ");
  EXPECT_EQ(z.MidByte(u"ｱあｲ", 2, 2), u"あ");
  EXPECT_EQ(z.MidByte(u"あいう", 6, 1), u"");
  EXPECT_EQ(z.MidByte(Variant(12345), u"2", 2.0), u"23");
}

// Positions are compared as Doubles: byte p is reached when p >= st, and NaN is never reached.
TEST_F(ShiftJisMeasures, MidByteComparesFractionalAndNaNRanges) {
  const double nan = std::nan("");
  EXPECT_EQ(z.MidByte(u"ABCDEF", 1.5, 2.5), u"BCD");
  EXPECT_EQ(z.MidByte(u"あいう", 2.5, 1), u"い");
  EXPECT_EQ(z.MidByte(u"あいう", 1, 1.5), u"あ");
  EXPECT_EQ(z.MidByte(u"ABC", nan, 2), u"AB");
  EXPECT_EQ(z.MidByte(u"ABC", 2, nan), u"BC");
  EXPECT_EQ(z.MidByte(u"ABC", 1e300, 1), u"");
  EXPECT_EQ(z.MidByte(u"ABC", 2, 1e300), u"BC");
}

TEST_F(ShiftJisMeasures, MidByteLooksAtTheRangeBeforeTheText) {
  EXPECT_EQ(z.MidByte(Variant::Null(), 0, 5), u"");
  EXPECT_EQ(z.MidByte(Variant::Null(), 1, -1), u"");
  EXPECT_EQ(errorOf([&] { z.MidByte(Variant::Null(), 1, 1); }), err::InvalidUseOfNull);
  EXPECT_EQ(errorOf([&] { z.MidByte(String(32768, u'a'), 1, 1); }), err::Overflow);
  EXPECT_EQ(errorOf([&] { z.MidByte(u"abc", Variant::Null(), 1); }), err::InvalidUseOfNull);
  EXPECT_EQ(errorOf([&] { z.MidByte(u"abc", u"x", 1); }), err::TypeMismatch);
}

// Against a model built from the text's actual bytes: the cut starts with the first character
// whose first byte is at or after `st` and takes every character that starts within `l` bytes
// of that one.
TEST_F(ShiftJisMeasures, MidByteAgreesWithTheByteLayout) {
  std::mt19937 rng(21);
  for (int round = 0; round < 300; ++round) {
    const String text = testing::mixedJapanese(rng, rng() % 40);
    std::vector<int> firstByte;  // 1-based first byte of each character
    int position = 1;
    for (char16_t c : text) {
      firstByte.push_back(position);
      position += int(cp932::encode(String(1, c)).size());
    }
    const int st = 1 + int(rng() % 60), l = 1 + int(rng() % 20);
    std::size_t from = 0;
    while (from < text.size() && firstByte[from] < st) ++from;
    std::size_t to = from;
    while (to < text.size() && firstByte[to] < firstByte[from] + l) ++to;
    ASSERT_EQ(z.MidByte(text, st, l), text.substr(from, to - from))
        << "st " << st << " l " << l << " round " << round;
  }
}

TEST_F(ShiftJisMeasures, HankakuTurnsFullWidthInputIntoHalfWidth) {
  EXPECT_EQ(z.Hankaku(u"  ＡＢｃ１２３  ", 0), u"ABc123");
  EXPECT_EQ(z.Hankaku(u"  ＡＢｃ１２３  ", 2), u"ABC123");
  EXPECT_EQ(z.Hankaku(u"  ＡＢｃ１２３  ", 1), u"abc123");
  EXPECT_EQ(z.Hankaku(u"ｶﾅ　カナ", 0), u"ｶﾅ カナ");
  EXPECT_EQ(z.Hankaku(u"１，２００．５", 0), u"1,200.5");
  EXPECT_EQ(z.Hankaku(u"０３－１２３４ー５", 0), u"03-1234-5");
  EXPECT_EQ(z.Hankaku(u"１２：３０／ＺＺｚ", 7), u"12:30/ZZz");
  EXPECT_EQ(z.Hankaku(u"漢字！＠", 0), u"漢字！＠");  // no half-width face: kept
  EXPECT_EQ(z.Hankaku(Variant(42), 0), u"42");
  EXPECT_EQ(errorOf([&] { z.Hankaku(Variant::Null(), 0); }), err::InvalidUseOfNull);
}

TEST_F(ShiftJisMeasures, DltSpcRemovesHalfWidthSpacesOnly) {
  EXPECT_EQ(z.DltSpc(u" a b　c "), u"ab　c");
  EXPECT_EQ(z.DltSpc(u""), u"");
  EXPECT_EQ(z.DltSpc(u"   "), u"");
}

}  // namespace
}  // namespace zuvo
