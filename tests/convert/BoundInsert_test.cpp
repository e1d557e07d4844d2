// Rows bound into a prepared insert must be stored exactly as their statement texts store them.
#include <functional>
#include <utility>

#include "ConvertFixture.h"
#include "convert/Import.h"
#include "runtime/Convert.h"

using namespace zuvo;
using Kind = InsertValue::Kind;

namespace {

// Literals as the imports pass them (the CSV field or the number text of a fixed field), and
// texts as they come out of the cleaning.
const std::pair<Kind, std::u16string> kEdges[] = {
    {Kind::Null, u""},
    {Kind::Number, u"0"},
    {Kind::Number, u"-0"},
    {Kind::Number, u"+0"},
    {Kind::Number, u"007"},
    {Kind::Number, u"-007"},
    {Kind::Number, u"123456789012345678"},
    {Kind::Number, u"-999999999999999999"},
    {Kind::Number, u"1234567890123456789"},
    {Kind::Number, u"9223372036854775807"},
    {Kind::Number, u"-9223372036854775808"},
    {Kind::Number, u"9223372036854775808"},
    {Kind::Number, u"00000000000000000000001"},
    {Kind::Number, u"123456789012345678901234567890"},
    {Kind::Number, u"1.5"},
    {Kind::Number, u"-1.5"},
    {Kind::Number, u"1.0"},
    {Kind::Number, u"1.50"},
    {Kind::Number, u"5."},
    {Kind::Number, u".5"},
    {Kind::Number, u"-.5"},
    {Kind::Number, u"0.1"},
    {Kind::Number, u"1e5"},
    {Kind::Number, u"1E+5"},
    {Kind::Number, u"3.0e+5"},
    {Kind::Number, u"1e-5"},
    {Kind::Number, u"1e400"},
    {Kind::Number, u"-1e400"},
    {Kind::Number, u"1e-400"},
    {Kind::Number, u"1.7976931348623157e308"},
    {Kind::Number, u"4.9e-324"},
    {Kind::Number, u"9007199254740993"},
    {Kind::Number, u"9007199254740993.0"},
    {Kind::Number, u" 12 "},
    {Kind::Number, u"  -3.25 "},
    {Kind::Number, u"TRUE"},
    {Kind::Number, u"false"},
    {Kind::Number, u"True"},
    {Kind::Text, u""},
    {Kind::Text, u"abc"},
    {Kind::Text, u"123"},
    {Kind::Text, u"-007"},
    {Kind::Text, u"1.50"},
    {Kind::Text, u" 12 "},
    {Kind::Text, u"1e5"},
    {Kind::Text, u"2024-01-31"},
    {Kind::Text, u"日本語"},
    {Kind::Text, u"ｶﾀｶﾅ"},
    {Kind::Text, u"髙橋"},
    {Kind::Text, u"\U0001F600"},
    {Kind::Text, std::u16string(u"a\0b", 3)},
    {Kind::Text, std::u16string(1, char16_t(0xD800))},
};

}  // namespace

class BoundInsertTest : public ConvertTest {
 protected:
  // Loads every edge value into every column of `columns` twice, as statement texts into
  // stmt and bound into bound, and returns how many rows went bound.
  int load(const std::u16string& columnList, const std::u16string& options = u"") {
    exec(u"create table stmt (" + columnList + u")" + options);
    exec(u"create table bound (" + columnList + u")" + options);
    ZuvoCls& zc = component();
    convert::ColumnTables columns;
    EXPECT_TRUE(convert::readTargetTable(*cn, u"stmt", columns).ok());
    auto inserter = cn->PrepareInsert(u"bound", columns.last + 1);
    EXPECT_TRUE(inserter);
    if (!inserter) return 0;
    int bound = 0;
    for (const auto& [kind, text] : kEdges) {
      convert::ImportRow row(columns);
      for (std::int32_t k = 0; k <= columns.last; ++k) {
        String v = text;
        if (kind == Kind::Null) row.setNull(k);
        if (kind == Kind::Number) row.setNumber(k, v);
        if (kind == Kind::Text) row.setText(zc, k, v);
      }
      String sql;
      row.statement(u"stmt", sql);
      std::string textOutcome = outcome([&] { cn->Execute(sql); });
      bool wentBound = false;
      std::string boundOutcome = outcome([&] { wentBound = inserter->insert(row.values()); });
      if (!wentBound && boundOutcome.empty()) {
        row.statement(u"bound", sql);
        boundOutcome = outcome([&] { cn->Execute(sql); });
      }
      bound += wentBound;
      if (auto at = boundOutcome.find("bound."); at != std::string::npos)
        boundOutcome.replace(at, 5, "stmt");
      EXPECT_EQ(boundOutcome, textOutcome) << rt::toUtf8(text);
    }
    return bound;
  }

  static std::string outcome(const std::function<void()>& step) {
    try {
      step();
      return "";
    } catch (const DatabaseError& e) {
      return e.description();
    }
  }

  // Rows where a column differs in storage type or value, as "rowid column: type value".
  std::vector<std::u16string> differences(std::int32_t columns) {
    std::vector<std::u16string> out;
    for (std::int32_t i = 1; i <= columns; ++i) {
      std::u16string c = u"c" + rt::fromUtf8(std::to_string(i));
      for (auto& row : rows(u"select s.rowid, typeof(s." + c + u") || ' ' || quote(s." + c +
                            u"), typeof(b." + c + u") || ' ' || quote(b." + c +
                            u") from stmt s join bound b on s.rowid = b.rowid where typeof(s." + c +
                            u") <> typeof(b." + c + u") or s." + c + u" is not b." + c))
        out.push_back(row[0] + u" " + c + u": " + row[1] + u" / " + row[2]);
    }
    return out;
  }
};

TEST_F(BoundInsertTest, EveryAffinityStoresWhatTheStatementStores) {
  int bound = load(
      u"c1 integer, c2 real, c3 numeric, c4 text, c5 blob, c6, c7 varchar(4), c8 boolean, "
      u"c9 date, c10 decimal(10,2), c11 string, c12 double precision");
  EXPECT_EQ(differences(12), std::vector<std::u16string>());
  EXPECT_EQ(rows(u"select count(*) from stmt"), rows(u"select count(*) from bound"));
  // Texts, Nulls and whole numbers go bound; a fraction meeting the text and untyped
  // columns sends its row as a text.
  EXPECT_GE(bound, 25);
}

TEST_F(BoundInsertTest, StrictTablesRefuseAndStoreAlike) {
  load(u"c1 integer, c2 real, c3 text, c4 any", u" strict");
  EXPECT_EQ(differences(4), std::vector<std::u16string>());
  EXPECT_EQ(rows(u"select count(*) from stmt"), rows(u"select count(*) from bound"));
}
