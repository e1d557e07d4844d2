#include "runtime/Convert.h"

#include <gtest/gtest.h>

#include "runtime/RuntimeError.h"

using namespace zuvo;

namespace {

int errorOf(auto&& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

}  // namespace

TEST(ToDouble, StrictTextReading) {
  EXPECT_EQ(rt::toDouble(u"1,234"), 1234);
  EXPECT_EQ(rt::toDouble(u"1,234.50"), 1234.5);
  EXPECT_EQ(rt::toDouble(u" 7 "), 7);
  EXPECT_EQ(rt::toDouble(u"-12.5"), -12.5);
  EXPECT_EQ(rt::toDouble(u"+.5"), 0.5);
  EXPECT_EQ(rt::toDouble(u"1.5E+3"), 1500);
  EXPECT_EQ(rt::toDouble(u"&H1F"), 31);
  EXPECT_EQ(rt::toDouble(u"&HFFFF"), -1);
  EXPECT_EQ(rt::toDouble(u"&O10"), 8);
  for (const char16_t* bad : {u"", u" ", u"12abc", u"1,234abc", u"abc", u"1e", u".", u"1 2", u",5",
                              u"&H", u"&HG", u"True"})
    EXPECT_EQ(errorOf([&] { rt::toDouble(bad); }), 13) << std::string(bad, bad + 3);
  EXPECT_EQ(errorOf([] { rt::toDouble(u"1e999"); }), 6);
}

TEST(ToDouble, OtherKinds) {
  EXPECT_EQ(rt::toDouble(Variant()), 0);
  EXPECT_EQ(errorOf([] { rt::toDouble(Variant::Null()); }), 94);
  EXPECT_EQ(rt::toDouble(true), -1);
  EXPECT_EQ(rt::toDouble(false), 0);
  EXPECT_EQ(rt::toDouble(Date{36526.5}), 36526.5);
  EXPECT_EQ(rt::toDouble(Currency{12345}), 1.2345);
  EXPECT_EQ(rt::toDouble(Decimal::parse("0.25")), 0.25);
  EXPECT_EQ(rt::toDouble(std::uint8_t(200)), 200);
  EXPECT_EQ(errorOf([] { rt::toDouble(ByteArray{1, 2}); }), 13);
}

TEST(ToLong, RoundsHalvesToEven) {
  EXPECT_EQ(rt::toLong(2.5), 2);
  EXPECT_EQ(rt::toLong(u"3.5"), 4);
  EXPECT_EQ(rt::toLong(true), -1);
  EXPECT_EQ(rt::toLong(Decimal::parse("-2.5")), -2);
  EXPECT_EQ(rt::toLong(Currency{25000}), 2);
  EXPECT_EQ(errorOf([] { rt::toLong(3e9); }), 6);
  EXPECT_EQ(errorOf([] { rt::toLong(u"x"); }), 13);
  EXPECT_EQ(rt::toInteger(u"-32768"), -32768);
  EXPECT_EQ(errorOf([] { rt::toInteger(40000); }), 6);
  EXPECT_EQ(rt::toInteger(u"&HFFFF"), -1);
}

TEST(ToDecimal, IsExact) {
  EXPECT_EQ(rt::toDecimal(0.285), Decimal::parse("0.285"));
  EXPECT_EQ(rt::toDecimal(u"1,234.5678").toString(), "1234.5678");
  EXPECT_EQ(rt::toDecimal(float(0.1f)).toString(), "0.1");
  EXPECT_EQ(rt::toDecimal(Currency{-15}).toString(), "-0.0015");
  EXPECT_EQ(rt::toDecimal(u"&H10").toString(), "16");
  EXPECT_EQ(errorOf([] { rt::toDecimal(Variant::Null()); }), 94);
  EXPECT_EQ(errorOf([] { rt::toDecimal(u"x"); }), 13);
}

TEST(ToBoolean, Kinds) {
  EXPECT_TRUE(rt::toBoolean(u"True"));
  EXPECT_FALSE(rt::toBoolean(u" false "));
  EXPECT_TRUE(rt::toBoolean(u"-1"));
  EXPECT_FALSE(rt::toBoolean(Variant()));
  EXPECT_TRUE(rt::toBoolean(0.1));
  EXPECT_EQ(errorOf([] { rt::toBoolean(u"yes"); }), 13);
  EXPECT_EQ(errorOf([] { rt::toBoolean(Variant::Null()); }), 94);
}

TEST(ToDate, TextAndNumbers) {
  EXPECT_EQ(rt::toDate(u"2000/01/01").serial, 36526);
  EXPECT_EQ(rt::toDate(u"2000-1-1").serial, 36526);
  EXPECT_EQ(rt::toDate(u"2000.01.01 12:00").serial, 36526.5);
  EXPECT_EQ(rt::toDate(u"06:00:00").serial, 0.25);
  EXPECT_EQ(rt::toDate(36526.0).serial, 36526);
  EXPECT_EQ(errorOf([] { rt::toDate(u"2000/02/30"); }), 13);
  EXPECT_EQ(errorOf([] { rt::toDate(u"2000/13/01"); }), 13);
  EXPECT_EQ(errorOf([] { rt::toDate(u"25:00"); }), 13);
  EXPECT_EQ(errorOf([] { rt::toDate(u"2000/01/01x"); }), 13);
  EXPECT_EQ(errorOf([] { rt::toDate(1e12); }), 6);
}

TEST(ToText, StandardForms) {
  EXPECT_EQ(rt::toText(0.5), u"0.5");
  EXPECT_EQ(rt::toText(12), u"12");
  EXPECT_EQ(rt::toText(-0.25), u"-0.25");
  EXPECT_EQ(rt::toText(1e15), u"1E+15");
  EXPECT_EQ(rt::toText(0.1 + 0.2), u"0.3");
  EXPECT_EQ(rt::toText(float(0.1f)), u"0.1");
  EXPECT_EQ(rt::toText(true), u"True");
  EXPECT_EQ(rt::toText(false), u"False");
  EXPECT_EQ(rt::toText(Variant()), u"");
  EXPECT_EQ(rt::toText(Decimal::parse("1234.5700")), u"1234.57");
  EXPECT_EQ(rt::toText(Currency{12340}), u"1.234");
  EXPECT_EQ(rt::toText(Date{36526}), u"2000/01/01");
  EXPECT_EQ(rt::toText(Date{36526.75}), u"2000/01/01 18:00:00");
  EXPECT_EQ(rt::toText(Date{0.5}), u"12:00:00");
  EXPECT_EQ(rt::toText(Date{-1.25}), u"1899/12/29 06:00:00");
  EXPECT_EQ(errorOf([] { rt::toText(Variant::Null()); }), 94);
  EXPECT_EQ(errorOf([] { rt::toText(ByteArray{65}); }), 13);
}

TEST(TextHelpers, TrimAndCase) {
  EXPECT_EQ(rt::trim(u"  a b  "), u"a b");
  EXPECT_EQ(rt::trim(u"\u3000a\t"), u"\u3000a\t");  // only half-width blanks go
  EXPECT_EQ(rt::ltrim(u"  a "), u"a ");
  EXPECT_EQ(rt::rtrim(u" a  "), u" a");
  EXPECT_EQ(rt::trim(u"   "), u"");
  EXPECT_EQ(rt::lower(u"AbC\uFF21\u00C9"), u"abc\uFF41\u00E9");
  EXPECT_EQ(rt::upper(u"abc\uFF41\u3042"), u"ABC\uFF21\u3042");
  EXPECT_EQ(rt::upper(u"\u00DF"), u"\u00DF");  // no change of length
  EXPECT_EQ(rt::upper(u"\xD801\xDC28"), u"\xD801\xDC00");
  EXPECT_EQ(rt::upper(u"a\xD801"), u"A\xD801");
}

TEST(TextHelpers, Positions) {
  EXPECT_EQ(rt::mid(u"abcdef", 2, 3), u"bcd");
  EXPECT_EQ(rt::mid(u"abcdef", 4), u"def");
  EXPECT_EQ(rt::mid(u"abc", 5, 2), u"");
  EXPECT_EQ(rt::mid(u"abc", 2, 100), u"bc");
  EXPECT_EQ(errorOf([] { rt::mid(u"abc", 0, 1); }), 5);
  EXPECT_EQ(errorOf([] { rt::mid(u"abc", 1, -2); }), 5);
  EXPECT_EQ(rt::left(u"abc", 2), u"ab");
  EXPECT_EQ(rt::left(u"abc", 9), u"abc");
  EXPECT_EQ(rt::right(u"abc", 2), u"bc");
  EXPECT_EQ(rt::right(u"abc", 9), u"abc");
  EXPECT_EQ(errorOf([] { rt::left(u"abc", -1); }), 5);
  EXPECT_EQ(rt::inStr(u"abcabc", u"c"), 3);
  EXPECT_EQ(rt::inStr(u"abcabc", u"c", 4), 6);
  EXPECT_EQ(rt::inStr(u"abc", u"x"), 0);
  EXPECT_EQ(rt::inStr(u"abc", u"", 2), 2);
  EXPECT_EQ(rt::inStr(u"abc", u"", 4), 0);
  EXPECT_EQ(rt::inStr(u"abc", u"a", 9), 0);
  EXPECT_EQ(errorOf([] { rt::inStr(u"abc", u"a", 0); }), 5);
  EXPECT_EQ(rt::inStrRev(u"abcabc", u"bc"), 5);
  EXPECT_EQ(rt::inStrRev(u"abc", u"x"), 0);
  EXPECT_EQ(rt::replaceAll(u"a,b,,c", u",", u"--"), u"a--b----c");
  EXPECT_EQ(rt::replaceAll(u"aaa", u"aa", u"b"), u"ba");
  EXPECT_EQ(rt::replaceAll(u"abc", u"", u"x"), u"abc");
}

TEST(Encoding, Utf8RoundTripAndRepair) {
  String text = u"a\u00E9\u3042\xD83D\xDE00";
  EXPECT_EQ(rt::toUtf8(text), "a\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80");
  EXPECT_EQ(rt::fromUtf8(rt::toUtf8(text)), text);
  EXPECT_EQ(rt::toUtf8(u"\xD800x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(rt::fromUtf8("a\xFF"
                         "b"),
            u"a\uFFFDb");
  EXPECT_EQ(rt::fromUtf8("\xE3\x81"), u"\uFFFD");        // cut short
  EXPECT_EQ(rt::fromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(rt::fromUtf8("\xED\xA0\x80"), u"\uFFFD");    // encoded surrogate
}

TEST(Dates, MakeAndSplit) {
  EXPECT_EQ(rt::makeDate(1899, 12, 30).serial, 0);
  EXPECT_EQ(rt::makeDate(2000, 1, 1, 12).serial, 36526.5);
  EXPECT_EQ(rt::makeDate(2000, 13, 1).serial, rt::makeDate(2001, 1, 1).serial);
  EXPECT_EQ(rt::makeDate(2000, 3, 0).serial, rt::makeDate(2000, 2, 29).serial);
  EXPECT_EQ(rt::makeDate(1899, 12, 29, 6).serial, -1.25);
  EXPECT_EQ(errorOf([] { rt::makeDate(10000, 1, 1); }), 5);
  auto p = rt::splitDate(Date{-1.25});
  EXPECT_EQ(p.year, 1899);
  EXPECT_EQ(p.month, 12);
  EXPECT_EQ(p.day, 29);
  EXPECT_EQ(p.hour, 6);
  p = rt::splitDate(rt::makeDate(2024, 2, 29, 23, 59, 59));
  EXPECT_EQ(p.year * 10000 + p.month * 100 + p.day, 20240229);
  EXPECT_EQ(p.hour * 10000 + p.minute * 100 + p.second, 235959);
  p = rt::splitDate(Date{100.9999999999});  // rounds into the next day
  EXPECT_EQ(p.day, 10);
  EXPECT_EQ(p.hour, 0);
}
