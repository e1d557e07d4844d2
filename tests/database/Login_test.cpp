#include <fstream>

#include "database/ServicesFixture.h"

namespace zuvo::test {
namespace {

class LoginTest : public ServicesFixture {
 protected:
  void SetUp() override {
    ServicesFixture::SetUp();
    if (IsSkipped()) return;
    cn->Execute(
        u"insert into 社員マスタ values ('001', '山田太郎', '01', '02', '03', '3', 'pw', 'KA')");
    cn->Execute(
        u"insert into 社員マスタ values ('002', '鈴木花子', '01', '02', '04', '1', 'own', null)");
  }
  String login(const String& id, const String& pass) {
    jgcd = bucd = kacd = level = u"x";
    return z->ChkPass(*cn, u"社員マスタ", id, pass, jgcd, bucd, kacd, level);
  }
  String jgcd, bucd, kacd, level;
};

INSTANTIATE_TEST_SUITE_P(Backends, LoginTest, backends(), backendName);

TEST_P(LoginTest, AcceptsSectionPasswordFollowedByStaffPassword) {
  EXPECT_EQ(login(u"001", u"KApw"), u"山田太郎");
  EXPECT_EQ(jgcd, u"01");
  EXPECT_EQ(bucd, u"02");
  EXPECT_EQ(kacd, u"03");
  EXPECT_EQ(level, u"3");
}

TEST_P(LoginTest, RefusesOtherOrderOtherCaseAndUnknownStaff) {
  for (const char16_t* pass : {u"pwKA", u"kapw", u"KA", u""}) {
    EXPECT_EQ(login(u"001", pass), u"") << rt::toUtf8(pass);
    EXPECT_EQ(jgcd, u"");
    EXPECT_EQ(level, u"");
  }
  EXPECT_EQ(login(u"999", u"KApw"), u"");
}

TEST_P(LoginTest, NullSectionPasswordCountsAsEmpty) {
  EXPECT_EQ(login(u"002", u"own"), u"鈴木花子");
}

TEST_P(LoginTest, QuoteInStaffNumberCannotChangeTheQuery) {
  // Without quoting, this would select every row and log in as the first staff member.
  EXPECT_EQ(login(u"' or '1'='1", u"KApw"), u"");
  EXPECT_EQ(login(u"001' --", u"KApw"), u"");
  EXPECT_EQ(jgcd, u"");
}

TEST_P(LoginTest, ProgramAuthorityReadsEntriesUntilTheFirstGap) {
  const auto ini = home / "app.ini";
  std::ofstream(ini) << "[login]\r\nck000=0102035\r\nck001=0102031\r\nck003=0102990\r\n";
  const String file = rt::fromUtf8(ini.string());
  EXPECT_TRUE(z->ChkPgmUser(file, 5, u"01", u"02", u"03", u"3"));   // by ck001
  EXPECT_FALSE(z->ChkPgmUser(file, 5, u"01", u"02", u"03", u"0"));  // below both levels
  EXPECT_FALSE(z->ChkPgmUser(file, 5, u"01", u"02", u"99", u"9"));  // ck003 is never read
  EXPECT_FALSE(z->ChkPgmUser(file, 0, u"01", u"02", u"03", u"3"));  // ck000 only: level 5
  EXPECT_FALSE(z->ChkPgmUser(file, -1, u"01", u"02", u"03", u"9"));
  EXPECT_FALSE(
      z->ChkPgmUser(rt::fromUtf8((home / "none.ini").string()), 5, u"01", u"02", u"03", u"9"));
}

}  // namespace
}  // namespace zuvo::test
