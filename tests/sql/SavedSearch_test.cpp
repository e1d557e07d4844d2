#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "component/ZuvoCls.h"
#include "platform/Recording.h"
#include "runtime/Convert.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;

class SavedSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("zuvo-saved-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
    ini = dir / "client.ini";
    std::ofstream out(ini);
    out << "[pgm1]\r\n";
    for (const char* key : {"qt", "qw", "qo", "qf", "qg"})
      for (const char* n : {"00", "01"}) out << key << n << "=saved\r\n";
    out << "[pgm2]\r\nqt00=other\r\n";
  }
  void TearDown() override { fs::remove_all(dir); }

  String value(const String& section, const String& key) {
    String buffer;
    z.platform().ini->read(rt::fromUtf8(ini.string()), section, key, u"<missing>", buffer, 100);
    return buffer;
  }
  static Array<String> filled(const String& tag) {
    return Array<String>(3, {tag + u"3", tag + u"4", tag + u"5", tag + u"6"});
  }
  void remove(std::int16_t max, std::int16_t qmax, std::int16_t dix, const String& prv) {
    z.DltUserSQL(max, qmax, qf, qw, qo, qg, dix, prv, u"pgm1", u"検索");
  }

  fs::path dir;
  fs::path ini;
  Array<String> qf = filled(u"f"), qw = filled(u"w"), qo = filled(u"o"), qg = filled(u"g");
  std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
  ZuvoCls z{recordingPlatform(recorder, fs::temp_directory_path())};
};

TEST_F(SavedSearch, TitleAndTwoPartsOnly) {
  remove(1, 4, 5, rt::fromUtf8(ini.string()));
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
  remove(2, 3, 5, rt::fromUtf8(ini.string()));  // second saved condition: "01"
  for (const char16_t* key : {u"qt01", u"qw01", u"qo01", u"qf01", u"qg01"})
    EXPECT_EQ(value(u"pgm1", key), u"") << rt::toUtf8(key);
  EXPECT_EQ(value(u"pgm1", u"qt00"), u"saved");
  for (auto* items : {&qf, &qw, &qo, &qg}) EXPECT_EQ((*items)[5], u"");
}

TEST_F(SavedSearch, KeysUseTheLastTwoDigits) {
  remove(1, 3, 104, rt::fromUtf8(ini.string()));  // the hundred-and-first: "00" again
  EXPECT_EQ(value(u"pgm1", u"qt00"), u"");
  EXPECT_EQ(value(u"pgm1", u"qt01"), u"saved");
}

TEST_F(SavedSearch, PositionOutsideTheArraysLeavesThemAlone) {
  remove(2, 4, 9, rt::fromUtf8(ini.string()));
  EXPECT_EQ(qw, filled(u"w"));
  EXPECT_EQ(qg, filled(u"g"));
  EXPECT_EQ(value(u"pgm1", u"qt04"), u"");  // the keys are still written
}

TEST_F(SavedSearch, UnwritableFileWarnsOncePerKey) {
  remove(2, 4, 5, rt::fromUtf8((dir / "no" / "such" / "dir" / "x.ini").string()));
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
