#pragma once

// Databases for tests that need one. Every test can run on SQLite in memory; the ODBC
// database is there when ZUVO_TEST_ODBC holds its URI ("odbc:DSN=…", set by scripts/test.sh
// after it has started a throwaway PostgreSQL server).
//
//   class MyTest : public zuvo::test::DatabaseTest {};
//   TEST_P(MyTest, Works) { auto& cn = connection(); … }
//   INSTANTIATE_TEST_SUITE_P(Backends, MyTest, zuvo::test::backends(), zuvo::test::backendName);

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "database/Database.h"

namespace zuvo::test {

inline constexpr const char* SqliteMemory = "sqlite::memory:";
inline constexpr const char* OdbcVariable = "ZUVO_TEST_ODBC";

// The ODBC URI, or "" when no ODBC test database was set up.
inline std::string odbcUri() {
  const char* uri = std::getenv(OdbcVariable);
  return uri ? uri : "";
}

enum class Backend { Sqlite, Odbc };

inline auto backends() {
  return ::testing::Values(Backend::Sqlite, Backend::Odbc);
}

inline std::string backendName(const ::testing::TestParamInfo<Backend>& info) {
  return info.param == Backend::Sqlite ? "Sqlite" : "Odbc";
}

// A fresh connection per test; the ODBC case is skipped when no ODBC database is set up.
class DatabaseTest : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    std::string uri = SqliteMemory;
    if (GetParam() == Backend::Odbc) {
      uri = odbcUri();
      if (uri.empty()) {
        GTEST_SKIP() << OdbcVariable << " is not set: no ODBC test database "
                     << "(scripts/test.sh starts one when PostgreSQL is installed)";
      }
    }
    connection_ = openConnection(uri);
    if (GetParam() == Backend::Odbc) {
      // Tests run side by side against one server: each works in a schema of its own.
      std::string pid = std::to_string(::getpid());
      schema_ = u"zt_" + std::u16string(pid.begin(), pid.end());
      connection_->Execute(u"drop schema if exists " + schema_ + u" cascade");
      connection_->Execute(u"create schema " + schema_);
      connection_->Execute(u"set search_path to " + schema_);
    }
  }

  void TearDown() override {
    if (!connection_ || schema_.empty()) return;
    try {
      connection_->RollbackTrans();
      connection_->Execute(u"drop schema " + schema_ + u" cascade");
    } catch (const DatabaseError&) {
    }
  }

  Connection& connection() { return *connection_; }
  bool isOdbc() const { return GetParam() == Backend::Odbc; }
  const std::u16string& schema() const { return schema_; }

  // Creates `table` afresh (dropping one left by an earlier run on a shared server).
  void createTable(const std::u16string& table, const std::u16string& columns) {
    connection_->Execute(u"drop table if exists " + table);
    connection_->Execute(u"create table " + table + u" (" + columns + u")");
  }

  std::unique_ptr<Connection> connection_;
  std::u16string schema_;
};

}  // namespace zuvo::test
