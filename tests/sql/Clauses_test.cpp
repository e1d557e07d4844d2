#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "component/ZuvoCls.h"
#include "runtime/Convert.h"
#include "sql/RandomText.h"

namespace zuvo {
namespace {

class SqlClauses : public ::testing::Test {
 protected:
  // Every item of a walk until it answers "", with a guard against a walk that never ends.
  template <typename Walk>
  std::vector<String> walk(const String& sql, Walk next) {
    std::vector<String> items;
    std::int16_t s = 0;
    for (int guard = 0; guard < 100; ++guard) {
      String item = next(sql, s);
      if (item.empty()) return items;
      items.push_back(item);
    }
    ADD_FAILURE() << "walk did not end";
    return items;
  }
  std::vector<String> insertItems(const String& sql) {
    return walk(sql, [this](const String& q, std::int16_t& s) { return z.GetSQLData(q, s); });
  }
  std::vector<String> updateItems(const String& sql) {
    return walk(sql, [this](const String& q, std::int16_t& s) { return z.GetSQLDataUpdate(q, s); });
  }

  ZuvoCls z;
};

using Items = std::vector<String>;

TEST_F(SqlClauses, GetSQLItemReadsValuesFollowedByAComma) {
  const String sql = u"update t set name = 'abc', code = 12, kb = 1 where x = 1";
  EXPECT_EQ(z.GetSQLItem(sql, u"name"), u"abc");
  EXPECT_EQ(z.GetSQLItem(sql, u"code"), u"12");
  EXPECT_EQ(z.GetSQLItem(sql, u"kb"), u"");  // no comma follows its value
  EXPECT_EQ(z.GetSQLItem(sql, u"nothere"), u"");
  EXPECT_EQ(z.GetSQLItem(u"set okb = 3, x = 1", u"kb"), u"3");  // found inside a longer word
  EXPECT_EQ(z.GetSQLItem(u"a = ', b", u"a"), u"");              // a lone quote is stripped once
  EXPECT_EQ(z.GetSQLItem(u"", u"a"), u"");
  EXPECT_EQ(z.GetSQLItem(u"a =", u"a"), u"");
}

TEST_F(SqlClauses, RepSQLItemOverwritesInPlaceKeepingTheLength) {
  String sql = u"set dt = '2000.01.01', kb = 1";
  EXPECT_TRUE(z.RepSQLItem(sql, u"dt", u"2001.02.03"));
  EXPECT_EQ(sql, u"set dt = '2001.02.03', kb = 1");

  sql = u"set a = 123, b = 1";
  EXPECT_TRUE(z.RepSQLItem(sql, u"a", u"9"));  // shorter: the old tail stays
  EXPECT_EQ(sql, u"set a = 923, b = 1");

  sql = u"set a = 1,";
  EXPECT_TRUE(z.RepSQLItem(sql, u"a", u"123456"));  // never grows the statement
  EXPECT_EQ(sql, u"set a = 12");

  sql = u"set a = ,b";
  EXPECT_TRUE(z.RepSQLItem(sql, u"a", u"X"));  // an empty value: the comma itself is the start
  EXPECT_EQ(sql, u"set a = Xb");

  sql = u"set a = 1 where";
  EXPECT_FALSE(z.RepSQLItem(sql, u"a", u"2"));
  EXPECT_EQ(sql, u"set a = 1 where");
}

TEST_F(SqlClauses, RepSQLStrReplacesTheFirstOccurrenceOnly) {
  String sql = u"a = XX and b = XX";
  EXPECT_TRUE(z.RepSQLStr(sql, u"XX", u"1"));
  EXPECT_EQ(sql, u"a = 1 and b = XX");
  EXPECT_TRUE(z.RepSQLStr(sql, u"", u"1"));
  EXPECT_EQ(sql, u"a = 1 and b = XX");
  EXPECT_FALSE(z.RepSQLStr(sql, u"YY", u"1"));
  EXPECT_EQ(sql, u"a = 1 and b = XX");
  String empty;
  EXPECT_TRUE(z.RepSQLStr(empty, u"XX", u"1"));
  EXPECT_EQ(empty, u"");
}

TEST_F(SqlClauses, GetSQLDataWalksAnInsert) {
  EXPECT_EQ(insertItems(u"insert into own.t (a, b) values (1, 'x')"),
            (Items{u"insert", u"own.t", u"a", u"b", u"values", u"1", u"'x'"}));
  EXPECT_EQ(insertItems(u"insert into own.t (a,b) values(1,2)"),
            (Items{u"insert", u"own.t", u"a", u"b", u"values", u"1", u"2"}));
  // A comma inside a quoted value splits it.
  EXPECT_EQ(insertItems(u"insert into own.t (a) values ('x,y')"),
            (Items{u"insert", u"own.t", u"a", u"values", u"'x", u"y'"}));
}

TEST_F(SqlClauses, GetSQLDataEndsWhenTheStatementDoes) {
  std::int16_t s = 0;
  EXPECT_EQ(z.GetSQLData(u"insert", s), u"");  // no blank: no verb
  EXPECT_EQ(s, 0);
  s = 1;
  EXPECT_EQ(z.GetSQLData(u"insert into t (a) values (1)", s), u"");  // no qualified name
  EXPECT_EQ(s, 1);
  s = 1;
  EXPECT_EQ(z.GetSQLData(u"insert into own.t", s), u"");  // the name ends the text
  s = 50;
  EXPECT_EQ(z.GetSQLData(u"insert into own.t (a)", s), u"");
  EXPECT_EQ(s, 50);
  s = 2;
  EXPECT_EQ(z.GetSQLData(u"", s), u"");
}

TEST_F(SqlClauses, GetSQLDataTakesTheFirstFullStopForTheTable) {
  // Without an owner the first full stop is in a value.
  std::int16_t s = 1;
  EXPECT_EQ(z.GetSQLData(u"insert into t (a) values (1.5, 2)", s), u"(1.5,");
}

TEST_F(SqlClauses, GetSQLDataWalkEndsWhenANameHoldsTheKeyword) {
  const Items items = insertItems(u"insert into own.t (a, values_x) values (1, 2)");
  ASSERT_GE(items.size(), 4u);
  EXPECT_EQ(items.back(), u"2");
}

TEST_F(SqlClauses, GetSQLDataUpdateWalksAnUpdate) {
  EXPECT_EQ(updateItems(u"update own.t set a = 1, b = 'x' where k = 5"),
            (Items{u"update", u"own.t", u"a", u"1", u"b", u"'x'", u"where", u"k", u"5"}));
  EXPECT_EQ(updateItems(u"update own.t set a = 1, b = 'x' where k = 5 and j = 6"),
            (Items{u"update", u"own.t", u"a", u"1", u"b", u"'x'", u"where k = 5 and j = 6"}));
  EXPECT_EQ(updateItems(u"update own.t set a = 1 where k > 5"),
            (Items{u"update", u"own.t", u"a", u"1", u"where k > 5"}));
  EXPECT_EQ(updateItems(u"update own.t set a = 1"), (Items{u"update", u"own.t", u"a", u"1"}));
}

TEST_F(SqlClauses, GetSQLDataUpdateWalkAlwaysMovesOn) {
  // "where " inside a value before the real clause must not send the walk back.
  const Items items = updateItems(u"update own.t set a = 'x where y', b = 1 where k = 5");
  ASSERT_FALSE(items.empty());
  EXPECT_EQ(items.back(), u"5");
}

// The error number a call ends with, 0 when it ends normally.
template <typename Call>
std::int32_t errorOf(Call call) {
  try {
    call();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

TEST_F(SqlClauses, PositionsAreCheckedAndSixteenBit) {
  std::int16_t s = -3;
  EXPECT_EQ(errorOf([&] { z.GetSQLData(u"insert into own.t (a)", s); }), err::InvalidArgument);

  const String longSql = String(40000, u'x') + u" name = 1, b = 2";
  EXPECT_EQ(errorOf([&] { z.GetSQLItem(longSql, u"name"); }), err::Overflow);
  String text = longSql;
  EXPECT_EQ(errorOf([&] { z.RepSQLStr(text, u"name", u"x"); }), err::Overflow);
  EXPECT_EQ(text, longSql);

  // A long tail after the last comma: the walk's end position no longer fits.
  s = 22;
  EXPECT_EQ(errorOf([&] { z.GetSQLData(u"insert into own.t (a, " + String(33000, u'b'), s); }),
            err::Overflow);

  // Found well inside: no overflow.
  EXPECT_EQ(z.GetSQLItem(u"a = 1, " + String(40000, u'x'), u"a"), u"1");
}

// Statements made of the marks and keywords the rules look for.
String randomStatement(std::mt19937& random) {
  static const std::vector<String> pieces{
      u" ",      u"(",      u")",     u",",         u"=",       u".",    u"'",   u"x",
      u"values", u"where ", u" set ", u" and ",     u">",       u"<",    u"a.b", u"insert ",
      u"update", u"own.t ", u"v",     u" where k ", u"values(", u"'1.5'"};
  return testing::randomText(random, pieces, 14);
}

TEST(SqlClausesFuzz, WalksEndAndNothingReadsOutside) {
  ZuvoCls z;
  std::mt19937 random(20010131);
  for (int round = 0; round < 3000; ++round) {
    const String sql = randomStatement(random);
    for (auto walker : {&ZuvoCls::GetSQLData, &ZuvoCls::GetSQLDataUpdate}) {
      // Every item moves the walk on, so a statement cannot take more calls than characters.
      std::int16_t s = 0;
      std::size_t calls = 0;
      while (!(z.*walker)(sql, s).empty()) ASSERT_LE(++calls, sql.size() + 3) << rt::toUtf8(sql);
      for (std::int16_t start = 2; start <= std::int16_t(sql.size() + 2); ++start) {
        s = start;
        (z.*walker)(sql, s);
      }
    }
    const String swd = randomStatement(random).substr(0, 3);
    z.GetSQLItem(sql, swd);
    String copy = sql;
    z.RepSQLItem(copy, swd, u"123456");
    EXPECT_EQ(copy.size(), sql.size());
    copy = sql;
    z.RepSQLStr(copy, swd, u"?");
  }
}

}  // namespace
}  // namespace zuvo
