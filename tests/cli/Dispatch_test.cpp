#include "Dispatch.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace zuvo::cli {
namespace {

TEST(DispatchTable, HoldsTheMethodsInSlotOrderWithTheirIdentifiers) {
  auto table = methods();
  ASSERT_EQ(table.size(), 81u);
  EXPECT_EQ(table.front().name, "FindWindow");
  EXPECT_EQ(table.front().dispatchId, 0x6003005B);
  EXPECT_EQ(table.back().name, "GetCnvCount");
  EXPECT_EQ(table.back().dispatchId, 0x600300AD);
  std::set<std::string_view> names;
  for (std::size_t i = 1; i < table.size(); ++i) {
    // Two identifiers belong to private operations and are skipped.
    std::int32_t expected = table[i - 1].dispatchId + 1;
    if (expected == 0x60030061 || expected == 0x60030097) ++expected;
    EXPECT_EQ(table[i].dispatchId, expected) << table[i].name;
    names.insert(table[i].name);
  }
  EXPECT_EQ(names.size(), 80u);
  EXPECT_EQ(findMethod("SetVer")->dispatchId, 0x60030062);
  EXPECT_EQ(findMethod("CnvJefSFFile")->dispatchId, 0x60030098);
}

TEST(DispatchTable, FindsNamesWithoutRegardToCase) {
  ASSERT_NE(findMethod("getcmdpara"), nullptr);
  EXPECT_EQ(findMethod("GETCMDPARA")->name, "GetCmdPara");
  EXPECT_EQ(findMethod("GetCmdPara")->arity(), 2u);
  EXPECT_EQ(findMethod("GetSEQ")->arity(), 13u);
  EXPECT_EQ(findMethod("StartSysInfo")->arity(), 0u);
  EXPECT_EQ(findMethod("GetCmdPar"), nullptr);
  EXPECT_EQ(findMethod(""), nullptr);
}

TEST(DispatchTable, KnowsWhatEachParameterTakesAndWhichAreWritten) {
  using K = ParamKind;
  const std::pair<std::string_view, std::vector<Parameter>> cases[] = {
      {"GetCmdPara", {{K::String, false}, {K::Integer, true}}},
      {"RequeryRS", {{K::Resultset, false}}},
      {"NumComp3",
       {{K::Variant, true}, {K::ByteArray, true}, {K::Variant, false}, {K::Variant, false}}},
      {"RDBExec", {{K::Connection, false}, {K::String, false}, {K::String, true}}},
      {"JefSjis", {{K::ByteArray, false}, {K::Variant, false}, {K::Variant, false}}},
      {"QSort", {{K::Array, true}, {K::Variant, false}, {K::Variant, false}}},
      {"PostMessage", {{K::Long, false}, {K::Long, false}, {K::Long, false}, {K::Long, false}}},
      {"ChkZuvo", {{K::String, false}, {K::String, false}}},
      {"CnvVal", {{K::Variant, false}}},
      {"ChkVals",
       {{K::String, true}, {K::String, false}, {K::Boolean, false}, {K::Boolean, false}}},
  };
  for (const auto& [name, params] : cases) {
    auto got = findMethod(name)->params;
    EXPECT_EQ(std::vector<Parameter>(got.begin(), got.end()), params) << name;
  }
  EXPECT_TRUE(findMethod("LenByte")->returns);
  EXPECT_FALSE(findMethod("QSort")->returns);
}

TEST(DispatchTable, CallsTheObject) {
  ZuvoCls object;
  std::vector<Argument> none;
  EXPECT_EQ(findMethod("GetCnvCount")->invoke(object, none), Variant::Long(0));
}

}  // namespace
}  // namespace zuvo::cli
