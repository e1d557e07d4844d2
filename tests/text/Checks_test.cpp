#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "component/ZuvoCls.h"
#include "runtime/Convert.h"
#include "sql/RandomText.h"

namespace zuvo {
namespace {

class Checks : public ::testing::Test {
 protected:
  // The result and the rewritten field of one check.
  struct Outcome {
    bool ok;
    String field;
    friend bool operator==(const Outcome&, const Outcome&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Outcome& o) {
      out << (o.ok ? "True" : "False") << " [";
      for (char16_t c : o.field) out << (c < 128 ? char(c) : '?');
      return out << "]";
    }
  };
  Outcome vals(String s, const String& ft, bool zr = false, bool ms = false) {
    const bool ok = z.ChkVals(s, ft, zr, ms);
    return {ok, s};
  }
  Outcome strs(String s, const Variant& ft, std::int16_t han = 0, std::int16_t stype = 0,
               bool nu = false) {
    const bool ok = z.ChkStrs(s, ft, han, stype, nu);
    return {ok, s};
  }
  Outcome formats(String s, const String& ft, std::int16_t han = 0, bool z1 = false,
                  bool z2 = false, bool z3 = false, bool z4 = false) {
    const bool ok = z.ChkFormats(s, ft, han, z1, z2, z3, z4);
    return {ok, s};
  }

  ZuvoCls z;
};

TEST_F(Checks, ChkValsFormatsAndMeasuresAgainstThePattern) {
  EXPECT_EQ(vals(u"１２３４", u"#,##0"), (Outcome{true, u"1,234"}));
  EXPECT_EQ(vals(u"12345", u"#,##0"), (Outcome{false, u"12,345"}));  // 6 characters, pattern 5
  EXPECT_EQ(vals(u"", u"#,##0"), (Outcome{true, u"0"}));
  EXPECT_EQ(vals(u"1,234", u"#,##0"), (Outcome{true, u"1"}));  // the comma ends the number
  EXPECT_EQ(vals(u" 7 ", u""), (Outcome{true, u"7"}));
  EXPECT_EQ(vals(u".5", u""), (Outcome{true, u".5"}));
  EXPECT_EQ(vals(u"1.5", u"0.00"), (Outcome{true, u"1.50"}));
}

TEST_F(Checks, ChkValsSignAndZero) {
  EXPECT_FALSE(vals(u"-5", u"##0", false, true).ok);
  EXPECT_EQ(vals(u"-5", u"##0"), (Outcome{true, u"-5"}));  // within 3 + 1 characters
  EXPECT_FALSE(vals(u"-1000", u"##0").ok);
  EXPECT_FALSE(vals(u"0", u"", true).ok);
  EXPECT_TRUE(vals(u"000", u"").ok);
  for (const char16_t* notZero : {u"0.0", u"-0", u"abc"}) {
    const Outcome o = vals(notZero, u"");
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.field, notZero);  // refused before it is rewritten
  }
}

TEST_F(Checks, ChkStrsConvertsAndRefuses) {
  EXPECT_EQ(strs(u"Ａｂｃ", 10, 2, 1, true), (Outcome{true, u"ABC"}));
  EXPECT_EQ(strs(u"ａＢ", 10, 1), (Outcome{true, u"ab"}));
  EXPECT_FALSE(strs(u"O'Neil", 10).ok);
  EXPECT_FALSE(strs(u"a\"b", 10).ok);
  EXPECT_FALSE(strs(u"1，000", 10).ok);  // the full-width comma became ","
  EXPECT_FALSE(strs(u"a\u201Db", 10, 9).ok);
  EXPECT_EQ(strs(u"　ＡＢ ", 10, 9), (Outcome{true, u"　ＡＢ"}));  // 9 keeps full width
}

TEST_F(Checks, ChkStrsCharacterClasses) {
  EXPECT_TRUE(strs(u"ab12", 10, 0, 1).ok);
  EXPECT_FALSE(strs(u"ab-12", 10, 0, 1).ok);
  EXPECT_TRUE(strs(u"abｱ", 10, 0, 2).ok);  // half-width katakana is one byte
  EXPECT_FALSE(strs(u"abあ", 10, 0, 2).ok);
  EXPECT_TRUE(strs(u"あいう", 6, 9, 3).ok);
  EXPECT_FALSE(strs(u"あいう", 5, 9, 3).ok);  // 6 bytes
  EXPECT_FALSE(strs(u"あaい", 10, 9, 3).ok);
}

TEST_F(Checks, ChkStrsLengthRules) {
  EXPECT_FALSE(strs(u"", 10, 0, 0, true).ok);
  EXPECT_TRUE(strs(u"", 10, 0, 0, false).ok);
  EXPECT_TRUE(strs(u"abc", u"3").ok);  // a text that reads as a number is a byte limit
  EXPECT_FALSE(strs(u"abcd", u"3").ok);
  EXPECT_FALSE(strs(u"あい", 3).ok);
  EXPECT_TRUE(strs(u"anything", u"").ok);  // no rule
  EXPECT_FALSE(strs(u"a", Variant()).ok);  // no value at all is the limit 0
  EXPECT_TRUE(strs(u"", Variant()).ok);
  EXPECT_EQ(strs(u"abc", u"@@@"), (Outcome{true, u"abc"}));
  EXPECT_FALSE(strs(u"ab", u"@@@").ok);  // a text pattern wants its exact length
  EXPECT_FALSE(strs(u"", u"@@").ok);
}

TEST_F(Checks, ChkFormatsNormalisesSegments) {
  for (const char16_t* typed : {u"2000/1/5", u"2000.1.5", u"２０００－１－５", u"2000-1ｰ5"})
    EXPECT_EQ(formats(typed, u"0000/00/00"), (Outcome{true, u"2000/01/05"}));
  EXPECT_EQ(formats(u"9:5", u"00:00"), (Outcome{true, u"09:05"}));
  EXPECT_EQ(formats(u"2000/13/5", u"0000/00/00"), (Outcome{true, u"2000/13/05"}));
  EXPECT_EQ(formats(u"2000/1", u"0000/00/00"), (Outcome{true, u"2000/01/00"}));
}

TEST_F(Checks, ChkFormatsRebuildsFieldsTypedWithoutSeparators) {
  EXPECT_EQ(formats(u"20000105", u"0000/00/00"), (Outcome{true, u"2000/01/05"}));
  EXPECT_EQ(formats(u"105", u"0000/00/00"), (Outcome{true, u"0000/01/05"}));
  EXPECT_EQ(formats(u"1234567", u"000-0000"), (Outcome{true, u"123-4567"}));
  EXPECT_EQ(formats(u"ab12", u"@@-@@"), (Outcome{true, u"ab-12"}));
}

TEST_F(Checks, ChkFormatsRefusals) {
  EXPECT_EQ(formats(u"２０００/0/5", u"0000/00/00", 0, false, true),
            (Outcome{false, u"2000/0/5"}));               // half-width, not rebuilt
  EXPECT_FALSE(formats(u"20000/1/5", u"0000/00/00").ok);  // too wide
  EXPECT_FALSE(formats(u"ab/1", u"0000/00").ok);
  EXPECT_FALSE(formats(u"a-b1", u"@@-@@").ok);  // text segments keep their width
}

TEST_F(Checks, ChkFormatsOddLayouts) {
  // Four segments at most are checked and kept.
  EXPECT_EQ(formats(u"1.2.3.4.5", u"0.0.0.0.0"), (Outcome{true, u"1.2.3.4"}));
  // No separator at all: the whole field is one segment.
  EXPECT_EQ(formats(u"7", u"000"), (Outcome{true, u"007"}));
  EXPECT_EQ(formats(u"", u""), (Outcome{true, u"0"}));
}

TEST(ChecksFuzz, OddLayoutsAndFieldsAreAnsweredNotThrown) {
  ZuvoCls z;
  std::mt19937 random(20000301);
  const std::vector<String> layoutPieces{u"0", u"00", u"#", u"@", u"@@", u"/",  u":",
                                         u"-", u"ｰ",  u" ", u".", u",",  u"0.0"};
  const std::vector<String> fieldPieces{u"1", u"23", u"a",  u"/",  u":", u"-",     u"ｰ", u" ",
                                        u".", u"１", u"－", u"あ", u"'", u"9e999", u"0"};
  for (int round = 0; round < 3000; ++round) {
    const String ft = testing::randomText(random, layoutPieces, 8);
    String field = testing::randomText(random, fieldPieces, 8);
    const String typed = field;
    ASSERT_NO_THROW(z.ChkFormats(field, ft, 0, true, false, true, false))
        << rt::toUtf8(typed) << " / " << rt::toUtf8(ft);
  }
}

}  // namespace
}  // namespace zuvo
