#include <gtest/gtest.h>

#include "RecordedComponent.h"
#include "runtime/Convert.h"

namespace zuvo {
namespace {

struct VersionOutputs {
  String verl = u"x", dlltitle = u"x", dllcopy = u"x", dllverl = u"x";
};

class VersionsTest : public ::testing::Test {
 protected:
  String setVers(const String& ver, const String& pgmv = u"~|~lib 1~|~") {
    return c_.z().SetVers(ver, out_.verl, out_.dlltitle, out_.dllcopy, out_.dllverl, pgmv, u"Title",
                          u"x.dll", u"(c) someone");
  }
  testing::RecordedComponent c_;
  VersionOutputs out_;
};

TEST_F(VersionsTest, LastEntryGivesTheVersion) {
  EXPECT_EQ(setVers(u"~|~1999.04.01 ver 1.00 notes~|~  2000.01.10 Ver 1.10 copy 2000 ~|~"),
            u"ver 1.10");
  EXPECT_EQ(out_.verl, u"1999.04.01 ver 1.00 notes\n2000.01.10 Ver 1.10 copy 2000\n");
  EXPECT_EQ(out_.dlltitle, u"Title(x.dll)");
  EXPECT_EQ(out_.dllcopy, u"(c) someone");
  EXPECT_EQ(out_.dllverl, u"lib 1\n");
}

TEST_F(VersionsTest, HistoryWithoutEntriesIsAnError) {
  for (const String ver : {u"1.00", u"", u"~|~ ~|~~|~"}) {
    EXPECT_EQ(setVers(ver), u"** err **");
    EXPECT_EQ(out_.verl, u"** err **");
    EXPECT_EQ(out_.dlltitle, u"** err **");
    EXPECT_EQ(out_.dllcopy, u"** err **");
    EXPECT_EQ(out_.dllverl, u"** err **");
  }
  // text after the last separator is never an entry
  setVers(u"first~|~ ver 9 copy");
  EXPECT_EQ(out_.verl, u"first\n");
}

TEST_F(VersionsTest, VersionNeedsCopyAfterVer) {
  EXPECT_EQ(setVers(u"2000.01.10 ver 1.10~|~"), u"** err **");
  EXPECT_EQ(out_.verl, u"2000.01.10 ver 1.10\n");
  // "copy" must follow "ver" by at least three characters
  EXPECT_EQ(setVers(u"copy ver~|~"), u"** err **");
  EXPECT_EQ(setVers(u"vercopy~|~"), u"ver");
  EXPECT_EQ(setVers(u"lib~|~", u"none"), u"** err **");
  EXPECT_EQ(out_.dllverl, u"** err **");
}

TEST_F(VersionsTest, LongHistoryKeepsTheFirstAndLastNine) {
  String ver;
  for (int n = 1; n <= 12; ++n) ver += u"e" + rt::fromUtf8(std::to_string(n)) + u"~|~";
  setVers(ver);
  EXPECT_EQ(out_.verl, u"e1\ne4\ne5\ne6\ne7\ne8\ne9\ne10\ne11\ne12\n");
}

TEST_F(VersionsTest, SetVerFillsInTheLibrary) {
  VersionOutputs o;
  EXPECT_EQ(c_.z().SetVer(u"2000.01.10 ver 3.2 copy~|~", o.verl, o.dlltitle, o.dllcopy, o.dllverl),
            u"ver 3.2");
  EXPECT_EQ(o.dlltitle, u"ZUVO システム関数(zuvo.dll)");
  EXPECT_EQ(o.dllcopy, u"Copyright (C) 1999-2000 zuvo project");
  EXPECT_EQ(o.dllverl,
            u"1999.04.17 ver 1.00 Copyright (C) 1999-2000 zuvo project\n"
            u"2000.11.23 ver 2.01 Copyright (C) 1999-2000 zuvo project\n");
}

}  // namespace
}  // namespace zuvo
