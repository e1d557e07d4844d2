#include "Dispatch.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

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
  EXPECT_EQ(findMethod("GetCmdPara")->arity, 2u);
  EXPECT_EQ(findMethod("GetSEQ")->arity, 13u);
  EXPECT_EQ(findMethod("StartSysInfo")->arity, 0u);
  EXPECT_EQ(findMethod("GetCmdPar"), nullptr);
  EXPECT_EQ(findMethod(""), nullptr);
}

TEST(DispatchTable, CallsTheObject) {
  ZuvoCls object;
  std::vector<Argument> none;
  EXPECT_EQ(findMethod("GetCnvCount")->invoke(object, none), Variant::Long(0));
}

}  // namespace
}  // namespace zuvo::cli
