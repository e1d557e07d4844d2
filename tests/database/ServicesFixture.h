#pragma once

// A ZuvoCls on a recording platform with a fixed clock, and a database holding the master
// tables with the prepared counter query the callers keep.
#include <gtest/gtest.h>
#include <zuvo/platform/Recording.h>
#include <zuvo/zuvo.h>

#include <filesystem>
#include <memory>

#include "database/MasterTables.h"
#include "database/TestDatabases.h"

namespace zuvo::test {

class ServicesFixture : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    if (IsSkipped()) return;
    home = std::filesystem::temp_directory_path() /
           ("zuvo-services-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(home);
    recorder = std::make_shared<Recorder>();
    recorder->fixedNow = rt::makeDate(2000, 11, 23, 10, 30, 5);
    z = std::make_unique<ZuvoCls>(recordingPlatform(recorder, home));
    cn = &connection();
    createMasterTables(*cn);
    counterQuery = cn->CreateQuery(u"select 番号, 終了番号 from seqm where キー = ?");
    counterQuery->SetParameter(0, String(u""));
    counterRows = counterQuery->OpenResultset();
  }
  void TearDown() override {
    counterRows.reset();
    counterQuery.reset();
    if (!home.empty()) std::filesystem::remove_all(home);
    DatabaseTest::TearDown();
  }

  // The single value of a one-row, one-column query.
  Variant scalar(const String& sql) {
    auto rs = cn->OpenResultset(sql);
    EXPECT_FALSE(rs->IsEOF()) << rt::toUtf8(sql);
    if (rs->IsEOF()) return Variant::Null();
    return rs->rdoColumns()[0].Value();
  }
  std::int32_t count(const String& table) {
    return rt::toLong(scalar(u"select count(*) from " + table));
  }

  std::filesystem::path home;
  std::shared_ptr<Recorder> recorder;
  std::unique_ptr<ZuvoCls> z;
  Connection* cn = nullptr;
  std::unique_ptr<Query> counterQuery;
  std::unique_ptr<Resultset> counterRows;
};

}  // namespace zuvo::test
