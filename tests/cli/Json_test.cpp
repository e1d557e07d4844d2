#include "Json.h"

#include <gtest/gtest.h>

#include "runtime/Convert.h"

namespace zuvo::cli {
namespace {

Variant valueOf(const std::string& text) {
  Argument a = parseArgumentText(text);
  EXPECT_EQ(a.kind, Argument::Kind::Value) << text;
  return a.value;
}

std::string roundTrip(const std::string& text) {
  return dump(encodeArgument(parseArgumentText(text)));
}

TEST(JsonArguments, PlainValuesTakeTheirNaturalTypes) {
  EXPECT_EQ(valueOf(R"("あいう")"), Variant(u"あいう"));
  EXPECT_EQ(valueOf("5"), Variant::Long(5));
  EXPECT_EQ(valueOf("-2147483648"), Variant::Long(-2147483648));
  EXPECT_EQ(valueOf("2147483648"), Variant(2147483648.0));  // too big for Long
  EXPECT_EQ(valueOf("18446744073709551615"), Variant(18446744073709551615.0));
  EXPECT_EQ(valueOf("-9223372036854775808"), Variant(-9223372036854775808.0));
  EXPECT_EQ(valueOf("1.0"), Variant(1.0));
  EXPECT_EQ(valueOf("true"), Variant(true));
  EXPECT_EQ(valueOf("null"), Variant::Null());

  Argument list = parseArgumentText(R"([1,"a",null])");
  ASSERT_EQ(list.kind, Argument::Kind::Array);
  EXPECT_EQ(list.array.lbound(), 0);
  EXPECT_EQ(list.array.items(), (std::vector<Variant>{Variant::Long(1), u"a", Variant::Null()}));
}

TEST(JsonArguments, TaggedFormsGiveTheirTypes) {
  EXPECT_EQ(valueOf(R"({"Integer":-5})"), Variant(std::int16_t(-5)));
  EXPECT_EQ(valueOf(R"({"Long":5})"), Variant::Long(5));
  EXPECT_EQ(valueOf(R"({"Double":5})"), Variant(5.0));
  EXPECT_EQ(valueOf(R"({"Byte":255})"), Variant(std::uint8_t(255)));
  EXPECT_EQ(valueOf(R"({"Empty":null})"), Variant());
  EXPECT_EQ(valueOf(R"({"Bytes":"00ff3F"})"), Variant(ByteArray{0, 0xFF, 0x3F}));
  EXPECT_EQ(valueOf(R"({"Bytes":""})"), Variant(ByteArray{}));
  EXPECT_EQ(valueOf(R"({"Date":"2000-01-05T10:30:00"})"),
            Variant(rt::makeDate(2000, 1, 5, 10, 30, 0)));
  EXPECT_EQ(valueOf(R"({"Date":"2000-02-29"})"), Variant(rt::makeDate(2000, 2, 29)));
  EXPECT_EQ(valueOf(R"({"Currency":"-12.5"})"), Variant(Currency{-125000}));

  Argument a = parseArgumentText(R"({"Array":[{"Integer":1},{"Bytes":"01"}],"lbound":-3})");
  ASSERT_EQ(a.kind, Argument::Kind::Array);
  EXPECT_EQ(a.array.lbound(), -3);
  EXPECT_EQ(a.array.items(), (std::vector<Variant>{std::int16_t(1), ByteArray{1}}));

  Argument q = parseArgumentText(R"({"Query":"select * from t where a = ?"})");
  EXPECT_EQ(q.kind, Argument::Kind::Query);
  EXPECT_EQ(q.sql, u"select * from t where a = ?");
  EXPECT_EQ(parseArgumentText(R"({"QueryResultset":null})").kind, Argument::Kind::QueryResultset);
}

TEST(JsonArguments, OutputFormsReadBackAsTheSameValue) {
  for (const char* text : {R"("a  b ")",
                           "4",
                           "-7",
                           "0.1",
                           "1e+300",
                           "1234.0",
                           "true",
                           "null",
                           R"({"Empty":null})",
                           R"({"Decimal":"1234.57"})",
                           R"({"Decimal":"-0.0001"})",
                           R"({"Date":"1899-12-30T00:00:00"})",
                           R"({"Date":"2000-01-05T10:30:59"})",
                           R"({"Bytes":"00123F"})",
                           R"({"Currency":"0.0001"})",
                           R"({"Array":[1,"a",{"Empty":null}],"lbound":1})",
                           R"({"Connection":null})",
                           R"({"Resultset":"select 1"})",
                           R"({"Connection":2})",
                           R"({"Query":3})",
                           R"({"Resultset":4})"})
    EXPECT_EQ(roundTrip(text), text);
}

TEST(JsonArguments, EncodingIsCanonical) {
  EXPECT_EQ(roundTrip(R"({"Decimal":"1200.00"})"), R"({"Decimal":"1200"})");
  EXPECT_EQ(roundTrip(R"({"Decimal":"1.2e3"})"), R"({"Decimal":"1200"})");
  EXPECT_EQ(roundTrip(R"({"Bytes":"abcdef"})"), R"({"Bytes":"ABCDEF"})");
  EXPECT_EQ(roundTrip(R"({"Date":"2000-01-05"})"), R"({"Date":"2000-01-05T00:00:00"})");
  EXPECT_EQ(roundTrip("[]"), R"({"Array":[],"lbound":0})");
  EXPECT_EQ(roundTrip(R"({"Integer":3})"), "3");
  EXPECT_EQ(dump(encodeVariant(0.1 + 0.2)), "0.30000000000000004");
  EXPECT_EQ(dump(encodeVariant(0.1f)), "0.1");  // a Single keeps its own shortest digits
  EXPECT_EQ(dump(encodeVariant(Currency{-123456789})), R"({"Currency":"-12345.6789"})");
}

TEST(JsonArguments, MalformedArgumentsAreUsageErrors) {
  for (const char* text : {"abc",
                           "'a'",
                           "",
                           R"({"Nope":1})",
                           R"({"Integer":1,"Long":2})",
                           R"({})",
                           R"({"Integer":40000})",
                           R"({"Integer":1.5})",
                           R"({"Integer":"5"})",
                           R"({"Byte":-1})",
                           R"({"Long":18446744073709551615})",
                           R"({"Single":1e300})",
                           R"({"Bytes":"0G"})",
                           R"({"Bytes":"123"})",
                           R"({"Bytes":12})",
                           R"({"Date":"2001-02-29"})",
                           R"({"Date":"2000-13-01"})",
                           R"({"Date":"2000-01-05 10:30:00"})",
                           R"({"Date":"2000-01-05T24:00:00"})",
                           R"({"Decimal":"1,5"})",
                           R"({"Currency":"1.23456"})",
                           R"({"Empty":0})",
                           R"({"Array":[[1]]})",
                           R"({"Array":[{"Connection":null}]})",
                           R"({"Array":[],"lbound":1.5})",
                           R"({"Array":[1],"ubound":3})",
                           R"({"Array":[1,2],"lbound":2147483647})",
                           R"({"Connection":0})",
                           R"({"Query":null})"})
    EXPECT_THROW(parseArgumentText(text), UsageError) << text;
}

TEST(JsonArguments, DatesForTheClockNeedTheTime) {
  EXPECT_FALSE(parseDateText("2000-01-05", true));
  EXPECT_FALSE(parseDateText("2000-01-05T10:30", true));
  EXPECT_EQ(parseDateText("2000-01-05T10:30:00", true), rt::makeDate(2000, 1, 5, 10, 30, 0));
  EXPECT_EQ(dateText(rt::makeDate(9999, 12, 31, 23, 59, 59)), "9999-12-31T23:59:59");
}

}  // namespace
}  // namespace zuvo::cli
