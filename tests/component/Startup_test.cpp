#include <gtest/gtest.h>

#include "RecordedComponent.h"

namespace zuvo {
namespace {

Settings settingsFrom(const std::string& file) {
  testing::RecordedComponent c;
  c.home().write("zuvodll.ini", file);
  return c.z().settings();
}

TEST(Startup, NoSettingsFileKeepsTheDefaults) {
  testing::RecordedComponent c;
  const Settings& s = c.z().settings();
  EXPECT_EQ(s.iniBufferSize, 800);
  EXPECT_EQ(s.iniReadBufferLength, 1600);
  EXPECT_EQ(s.transactionInterval, 99999999);
  EXPECT_EQ(s.scramblingKey, 27191);
}

TEST(Startup, KeysAreTrimmedAndMatchedWithoutRegardToCase) {
  Settings s = settingsFrom("[ignored section]\r\nInIbuf = 1200\r\nSECCODE=  &H10 \r\n");
  EXPECT_EQ(s.iniBufferSize, 1200);
  EXPECT_EQ(s.iniReadBufferLength, 2400);
  EXPECT_EQ(s.scramblingKey, 16);
  EXPECT_EQ(s.transactionInterval, 99999999);
}

TEST(Startup, ValuesAreReadAsFarAsTheyGoAndRoundedHalfToEven) {
  EXPECT_EQ(settingsFrom("tranmax=abc\n").transactionInterval, 0);
  EXPECT_EQ(settingsFrom("tranmax=12 rows\n").transactionInterval, 12);
  EXPECT_EQ(settingsFrom("inibuf=2.5\n").iniBufferSize, 2);
  EXPECT_EQ(settingsFrom("inibuf=3.5\n").iniBufferSize, 4);
  // the last of repeated keys counts; other keys and lines without "=" play no part
  EXPECT_EQ(settingsFrom("tranmax=5\nnoise\nother=7\ntranmax=6").transactionInterval, 6);
  // a key is the text before the first "="
  EXPECT_EQ(settingsFrom("tranmax==5\n").transactionInterval, 0);
}

TEST(Startup, OutOfRangeValuesKeepThePreviousValue) {
  EXPECT_EQ(settingsFrom("tranmax=10\ntranmax=3000000000\n").transactionInterval, 10);
  EXPECT_EQ(settingsFrom("seccode=-2147483649\n").scramblingKey, 27191);
  EXPECT_EQ(settingsFrom("tranmax=1e400\n").transactionInterval, 99999999);
}

TEST(Startup, IniBufferIsKeptWithinASaneRange) {
  Settings low = settingsFrom("inibuf=-5\n");
  EXPECT_EQ(low.iniBufferSize, 1);
  EXPECT_EQ(low.iniReadBufferLength, 2);
  Settings high = settingsFrom("inibuf=2000000000\n");
  EXPECT_EQ(high.iniBufferSize, 65535);
  EXPECT_EQ(high.iniReadBufferLength, 131070);
}

TEST(Startup, BrokenSettingsFilesAreReadWithoutHarm) {
  std::string file("inibuf=\x82\xFF\x81\0=9\r\x81", 15);
  file += "\rtranmax=" + std::string(100000, '7') + "\r";
  file += std::string(200000, 'x') + "\r\nseccode=42";
  Settings s = settingsFrom(file);
  EXPECT_EQ(s.iniBufferSize, 1);  // "?" reads as 0, raised to the floor of the range
  EXPECT_EQ(s.transactionInterval, 99999999);
  EXPECT_EQ(s.scramblingKey, 42);
}

}  // namespace
}  // namespace zuvo
