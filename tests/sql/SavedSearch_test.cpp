#include <gtest/gtest.h>

#include "component/ZuvoCls.h"
#include "platform/Recording.h"
#include "platform/TempDir.h"
#include "runtime/Convert.h"

namespace zuvo {
namespace {

class SavedSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string text = "[pgm1]\r\n";
    for (const char* key : {"qt", "qw", "qo", "qf", "qg"})
      for (const char* n : {"00", "01"}) text += std::string(key) + n + "=saved\r\n";
    dir.write("client.ini", text + "[pgm2]\r\nqt00=other\r\n");
  }

  String value(const String& section, const String& key) {
    String buffer;
    z.platform().ini->read(ini, section, key, u"<missing>", buffer, 100);
    return buffer;
  }
  static Array<String> filled(const String& tag) {
    return Array<String>(3, {tag + u"3", tag + u"4", tag + u"5", tag + u"6"});
  }
  void remove(std::int16_t max, std::int16_t qmax, std::int16_t dix, const String& prv) {
    z.DltUserSQL(max, qmax, qf, qw, qo, qg, dix, prv, u"pgm1", u"検索");
  }

  testing::TempDir dir;
  String ini = dir.name("client.ini");
  Array<String> qf = filled(u"f"), qw = filled(u"w"), qo = filled(u"o"), qg = filled(u"g");
  std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
  ZuvoCls z{recordingPlatform(recorder, dir.path())};
};

TEST_F(SavedSearch, TitleAndTwoPartsOnly) {
  remove(1, 4, 5, ini);
  EXPECT_EQ(value(u"pgm1", u"qt00"), u"");  // emptied, not removed
  EXPECT_EQ(value(u"pgm1", u"qw00"), u"");
  EXPECT_EQ(value(u"pgm1", u"qo00"), u"");
  EXPECT_EQ(value(u"pgm1", u"qf00"), u"saved");
  EXPECT_EQ(value(u"pgm1", u"qg00"), u"saved");
  EXPECT_EQ(value(u"pgm1", u"qt01"), u"saved");
  EXPECT_EQ(value(u"pgm2", u"qt00"), u"other");
  EXPECT_EQ(qw[5], u"");
  EXPECT_EQ(qo[5], u"");
  EXPECT_EQ(qf[5], u"f5");
  EXPECT_EQ(qg[5], u"g5");
  EXPECT_EQ(qw[4], u"w4");
  EXPECT_TRUE(recorder->messages.empty());
  EXPECT_EQ(recorder->beeps, 0);
}

TEST_F(SavedSearch, AllFourParts) {
  remove(2, 3, 5, ini);  // second saved condition: "01"
  for (const char16_t* key : {u"qt01", u"qw01", u"qo01", u"qf01", u"qg01"})
    EXPECT_EQ(value(u"pgm1", key), u"") << rt::toUtf8(key);
  EXPECT_EQ(value(u"pgm1", u"qt00"), u"saved");
  for (auto* items : {&qf, &qw, &qo, &qg}) EXPECT_EQ((*items)[5], u"");
}

TEST_F(SavedSearch, KeysUseTheLastTwoDigits) {
  remove(1, 3, 104, ini);  // the hundred-and-first: "00" again
  EXPECT_EQ(value(u"pgm1", u"qt00"), u"");
  EXPECT_EQ(value(u"pgm1", u"qt01"), u"saved");
}

TEST_F(SavedSearch, PositionOutsideTheArraysLeavesThemAlone) {
  remove(2, 4, 9, ini);
  EXPECT_EQ(qw, filled(u"w"));
  EXPECT_EQ(qg, filled(u"g"));
  EXPECT_EQ(value(u"pgm1", u"qt04"), u"");  // the keys are still written
}

TEST_F(SavedSearch, UnwritableFileWarnsOncePerKey) {
  remove(2, 4, 5, dir.name("no/such/dir/x.ini"));
  ASSERT_EQ(recorder->messages.size(), 5u);
  for (const RecordedMessage& m : recorder->messages) {
    EXPECT_EQ(m.text, u"検索条件の保存が出来ませんでした。");
    EXPECT_EQ(m.title, u"検索");
    EXPECT_EQ(m.style, 48);
  }
  EXPECT_EQ(recorder->beeps, 5);
  EXPECT_EQ(qw[5], u"");  // the arrays are emptied all the same
  EXPECT_EQ(qg[5], u"");
}

}  // namespace
}  // namespace zuvo
