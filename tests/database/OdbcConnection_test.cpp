#include "database/OdbcConnection.h"

#include <gtest/gtest.h>

namespace zuvo {
namespace {

TEST(OdbcConnectionString, NameIsTheDsnUnlessGiven) {
  auto parts = db::splitOdbcConnectionString("DSN=sales;UID=app;PWD=x");
  EXPECT_EQ(parts.connect, "DSN=sales;UID=app;PWD=x");
  EXPECT_EQ(parts.name, "sales");

  parts = db::splitOdbcConnectionString("dsn = sales ;Name=sales_local;UID=app");
  EXPECT_EQ(parts.connect, "dsn = sales ;UID=app");
  EXPECT_EQ(parts.name, "sales_local");

  parts = db::splitOdbcConnectionString("Driver={PostgreSQL Unicode};Server=h;");
  EXPECT_EQ(parts.name, "");
}

TEST(OdbcConnectionString, BracedValuesMayHoldSemicolons) {
  auto parts = db::splitOdbcConnectionString("DSN=s;PWD={a;name=b};ConnSettings=set x to 'y'");
  EXPECT_EQ(parts.connect, "DSN=s;PWD={a;name=b};ConnSettings=set x to 'y'");
  EXPECT_EQ(parts.name, "s");
}

TEST(OdbcConnectionString, ThePostgreSqlDriverIsToldToStream) {
  using db::streamingConnectString;
  struct Case {
    const char *connect, *driver, *expected;
  } cases[] = {
      {"DSN=a", "psqlodbcw.so", "DSN=a;UseDeclareFetch=1;Fetch=10000"},
      {"DSN=a;", "psqlodbca.so", "DSN=a;UseDeclareFetch=1;Fetch=10000"},
      {"DSN=a;usedeclarefetch=0", "psqlodbcw.so", "DSN=a;usedeclarefetch=0"},
      {"DSN=a", "libsqlite3odbc.so", "DSN=a"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(streamingConnectString(c.connect, c.driver), c.expected) << c.connect;
}

TEST(OdbcConnection, FailureToConnectIsReported) {
  try {
    openConnection("odbc:DSN=zuvo_no_such_source");
    ADD_FAILURE() << "connected to a source that does not exist";
  } catch (const DatabaseError& e) {
    EXPECT_NE(e.number(), 0);
    EXPECT_FALSE(e.description().empty());
  }
}

}  // namespace
}  // namespace zuvo
